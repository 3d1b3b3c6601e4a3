#include "common/desktop.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace movrel {
namespace {

// The primary at the origin and a smaller monitor left of it: the box
// (-1280, 1024)-(0, 1080) below the smaller one is a gap.
const Desktop kTwo({{0, 0, 1920, 1080}, {-1280, 0, 0, 1024}});

auto Tie(const RecordRect& r) { return std::make_tuple(r.left, r.top, r.width, r.height); }

TEST(Desktop, BoundsGapsAndNearestPoints) {
  EXPECT_EQ(kTwo.Bounds(), (DesktopBox{-1280, 0, 1920, 1080}));
  EXPECT_EQ(kTwo.Primary(), (DesktopBox{0, 0, 1920, 1080}));
  struct Case {
    int x, y;
    bool covered;
    DesktopPoint nearest;
  } cases[] = {
      {-1280, 0, true, {-1280, 0}},
      {-1, 1023, true, {-1, 1023}},
      {-1, 1024, false, {0, 1024}},         // in the gap, next to the primary
      {-1000, 1070, false, {-1000, 1023}},  // in the gap, next to the left monitor
      {1920, 500, false, {1919, 500}},      // beyond the right edge
      {-5000, -5000, false, {-1280, 0}},
      {INT_MAX, INT_MIN, false, {1919, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(kTwo.Covers(c.x, c.y), c.covered) << c.x << "," << c.y;
    EXPECT_EQ(kTwo.NearestCovered(c.x, c.y), c.nearest) << c.x << "," << c.y;
  }
  EXPECT_EQ(kTwo.MonitorNear(-1, 1079), kTwo.Primary());
  EXPECT_EQ(kTwo.MonitorNear(-300, 1079), (DesktopBox{-1280, 0, 0, 1024}));

  // What no monitor shows: the gap, and whatever lies beyond the bounds.
  const std::vector<DesktopBox> inBounds = kTwo.Uncovered(kTwo.Bounds());
  ASSERT_EQ(inBounds.size(), 1u);
  EXPECT_EQ(inBounds[0], (DesktopBox{-1280, 1024, 0, 1080}));
  EXPECT_TRUE(kTwo.Uncovered({-100, 100, 100, 200}).empty());  // across both monitors
  const std::vector<DesktopBox> across = kTwo.Uncovered({-10, 1000, 10, 1100});
  ASSERT_EQ(across.size(), 2u);
  EXPECT_EQ(across[0], (DesktopBox{-10, 1024, 0, 1080}));
  EXPECT_EQ(across[1], (DesktopBox{-10, 1080, 10, 1100}));
}

TEST(Desktop, ARectangleOnNoMonitorMovesOntoThePrimary) {
  struct Case {
    const char* what;
    RecordRect rect, kept;
  } cases[] = {
      {"on the left monitor", {-1000, 100, 400, 300}, {-1000, 100, 400, 300}},
      {"across a gap and both monitors", {-200, 900, 400, 300}, {-200, 900, 400, 300}},
      {"half beyond the desktop", {1800, 1000, 400, 300}, {1800, 1000, 400, 300}},
      {"far right and below", {5000, 3000, 400, 300}, {1520, 780, 400, 300}},
      {"left of every monitor", {-3000, 100, 400, 300}, {0, 100, 400, 300}},
      {"in the gap only", {-500, 1030, 100, 40}, {0, 1030, 100, 40}},
      {"larger than the primary", {-90000, -90000, 5000, 5000}, {0, 0, 1920, 1080}},
      {"huge numbers", {INT_MAX, INT_MAX, INT_MAX, INT_MAX}, {0, 0, 1920, 1080}},
      {"empty, far off", {9000, -9000, 0, -5}, {1919, 0, 0, -5}},
  };
  for (const Case& c : cases) EXPECT_EQ(Tie(KeepOnDesktop(c.rect, kTwo)), Tie(c.kept)) << c.what;
}

}  // namespace
}  // namespace movrel
