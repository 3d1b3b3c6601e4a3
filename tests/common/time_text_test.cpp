// The one reading of "number × unit" that the recorder, the save and the
// preview share.
#include "common/time_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace movrel {
namespace {

TEST(TimeText, SinglePrecisionNumberTimesUnitTruncatedTowardZeroAndSaturated) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = std::numeric_limits<int32_t>::min();
  // Beyond single precision's range: saturated, never infinite.
  const std::string huge(45, '9'), hugeNegative = "-" + huge;
  const char* kHuge = huge.c_str();
  const char* kHugeNegative = hugeNegative.c_str();
  struct Case {
    const char* text;
    int unit;
    int32_t ms;
  } cases[] = {
      {"200", 0, 200},         {"1.5", 1, 1500},          {"1.5", 2, 90000},    {"2.5", 3, 9000000},
      {"0.1", 1, 100},         {"0.3", 1, 300},  // 0.3f is a hair above 0.3: still 300
      {"0.7", 0, 0},           {"0.5", 0, 0},    // a fraction of a millisecond counts as none
      {"-5", 0, -5},           {"-0.0015", 1, -1},        // toward zero, not down
      {"", 1, 0},              {"abc", 2, 0},             {"  12abc", 1, 12000},
      {"16777217", 0, 16777216},  // single precision has 24 bits
      {"1000", 3, kMax},       {"-99999999999", 3, kMin}, {kHuge, 0, kMax},     {kHugeNegative, 1, kMin},
      {"5", 9, 5},             {"5", -1, 5},              // a unit outside the lists: milliseconds
  };
  for (const Case& c : cases) EXPECT_EQ(TimeTextMs(c.text, TimeUnitAt(c.unit)), c.ms) << c.text << " unit " << c.unit;
}

}  // namespace
}  // namespace movrel
