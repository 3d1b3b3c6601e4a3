#include "common/gbk_win.h"

#include <gtest/gtest.h>

namespace movrel {
namespace {

TEST(GbkConversion, UsesCodePage936WhateverTheLocale) {
  std::string gbk = "录制区域運";
  std::wstring wide = ToWide(gbk);
  EXPECT_EQ(wide, L"\u5f55\u5236\u533a\u57df\u904b");
  EXPECT_EQ(ToGbk(wide), gbk);
  EXPECT_EQ(ToWide(""), L"");
  EXPECT_EQ(ToGbk(static_cast<const wchar_t*>(nullptr)), "");
}

TEST(GbkConversion, Utf8RoundTrip) {
  std::wstring wide = L"\u5f55\u5236";
  EXPECT_EQ(WideToUtf8(wide), std::string("\xE5\xBD\x95\xE5\x88\xB6"));
}

}  // namespace
}  // namespace movrel
