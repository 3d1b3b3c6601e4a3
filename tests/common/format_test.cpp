#include "common/format.h"

#include <gtest/gtest.h>

namespace movrel {
namespace {

TEST(FormatByteSize, UnitsAndRounding) {
  struct Case {
    uint64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0 B"},
      {1023, "1023 B"},
      {1024, "1 KB"},
      {1536, "1.5 KB"},
      {1048576, "1 MB"},
      {30054, "29.35 KB"},
      {1048575, "1024 KB"},  // rounds up but stays in the unit its test chose
      {1073741824ull, "1 GB"},
      {1099511627776ull, "1 TB"},
      {1125899906842624ull, "1 PB"},
      {1152921504606846976ull, "1024 PB"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatByteSize(c.bytes), c.text) << c.bytes;
}

TEST(FormatNumber, NoTrailingZeros) {
  EXPECT_EQ(FormatNumber(2.0, 2), "2");
  EXPECT_EQ(FormatNumber(2.50, 2), "2.5");
  EXPECT_EQ(FormatNumber(2.005, 1), "2");
  EXPECT_EQ(FormatNumber(-0.001, 2), "0");
  EXPECT_EQ(FormatNumber(1.25, 0), "1");
}

}  // namespace
}  // namespace movrel
