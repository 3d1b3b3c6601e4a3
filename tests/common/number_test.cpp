#include "common/number.h"

#include <gtest/gtest.h>

#include <limits>

namespace movrel {
namespace {

TEST(LeadingNumber, ReadsTheLeadingNumber) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"200", 200},     {"1.5", 1.5},   {"  42abc", 42}, {"-3", -3},   {"+7", 7},        {"", 0},
      {"abc", 0},       {"-", 0},       {".5", 0.5},     {"5.", 5},    {"1.2.3", 1.2},   {"12px", 12},
      {"3 4", 3},       {"\t9", 9},     {"０", 0},       {"1e3", 1},   {"007", 7},       {"-0.25x", -0.25},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(LeadingInt, TruncatesTowardZero) {
  EXPECT_EQ(LeadingInt("1.9"), 1);
  EXPECT_EQ(LeadingInt("-1.9"), -1);
  EXPECT_EQ(LeadingInt("99999999999999"), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(LeadingInt("-99999999999999"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(TruncToInt(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(TruncToInt(-0.5), 0);
}

}  // namespace
}  // namespace movrel
