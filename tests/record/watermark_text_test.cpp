#include "record/watermark_text.h"

#include <gtest/gtest.h>

namespace movrel {
namespace {

const LocalDateTime kMorning{2026, 1, 5, 9, 3, 7};  // 09:03:07 on 5 January 2026

TEST(ExpandWatermarkText, FillsTheVariables) {
  const std::pair<const char*, const char*> cases[] = {
      {"现在时间(#年-#月-#日 #时:#分:#秒)", "现在时间(2026-01-05 09:03:07)"},
      {"#年#年", "20262026"},
      // "#" before anything else, and the numbered templates, stay.
      {"#x #1 ##年 #", "#x #1 #2026 #"},
      {"", ""},
      {"Movrel 屏幕录制\r\n#时时", "Movrel 屏幕录制\r\n09时"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(ExpandWatermarkText(in, kMorning), out) << in;
  // The year has no leading zeros; two-digit fields need none.
  EXPECT_EQ(ExpandWatermarkText("#年/#月/#日 #时", LocalDateTime{987, 12, 31, 23, 59, 58}), "987/12/31 23");
}

}  // namespace
}  // namespace movrel
