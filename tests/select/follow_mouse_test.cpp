#include "select/follow_mouse.h"

#include <gtest/gtest.h>

#include <climits>

namespace movrel {
namespace {

TEST(FollowMouse, CentresOnThePointerAndKeepsToTheScreen) {
  struct Case {
    const char* what;
    RecordRect rect;
    int mouseX, mouseY, screenW, screenH;
    int left, top;
  } cases[] = {
      {"centred", {0, 0, 500, 300}, 960, 540, 1920, 1080, 710, 390},
      {"odd size truncates the half", {0, 0, 501, 301}, 960, 540, 1920, 1080, 710, 390},
      {"near the top-left corner", {7, 7, 500, 500}, 10, 10, 1920, 1080, 0, 0},
      // The last column and row can be reached: the rectangle may end there.
      {"near the right edge", {0, 0, 500, 500}, 1900, 540, 1920, 1080, 1420, 290},
      {"near the bottom edge", {0, 0, 500, 500}, 960, 1070, 1920, 1080, 710, 580},
      {"exactly at the right edge", {0, 0, 500, 100}, 1670, 540, 1920, 1080, 1420, 490},
      {"one pixel short of it", {0, 0, 500, 100}, 1669, 540, 1920, 1080, 1419, 490},
      {"one pixel on the last column", {0, 0, 1, 1}, 1919, 1079, 1920, 1080, 1919, 1079},
      {"the whole screen", {5, 5, 1920, 1080}, 1919, 0, 1920, 1080, 0, 0},
      // Larger than the screen: it starts at the screen's edge, never before it.
      {"wider and taller than the screen", {0, 0, 2500, 1200}, 1900, 1000, 1920, 1080, 0, 0},
      {"empty rectangle", {3, 4, 0, 0}, 100, 200, 1920, 1080, 100, 200},
  };
  for (const Case& c : cases) {
    RecordRect r = c.rect;
    FollowMouse(r, c.mouseX, c.mouseY, {0, 0, c.screenW, c.screenH});
    EXPECT_EQ(r.left, c.left) << c.what;
    EXPECT_EQ(r.top, c.top) << c.what;
    EXPECT_EQ(r.width, c.rect.width) << c.what;
    EXPECT_EQ(r.height, c.rect.height) << c.what;
  }
}

TEST(FollowMouse, KeepsToTheMonitorUnderThePointer) {
  // A monitor left of the primary has negative coordinates; one above it too.
  const DesktopBox left{-1280, 0, 0, 1024}, above{0, -900, 1600, 0};
  struct Case {
    const char* what;
    DesktopBox monitor;
    int width, mouseX, mouseY;
    int left, top;
  } cases[] = {
      {"near the left monitor's left edge", left, 500, -1270, 500, -1280, 250},
      {"near its right edge, next to the primary", left, 500, -5, 1020, -500, 524},
      {"on the monitor above", above, 500, 10, -10, 0, -500},
      {"wider than the monitor above", above, 2000, 800, -450, 0, -700},
  };
  for (const Case& c : cases) {
    RecordRect r{0, 0, c.width, 500};
    FollowMouse(r, c.mouseX, c.mouseY, c.monitor);
    EXPECT_EQ(r.left, c.left) << c.what;
    EXPECT_EQ(r.top, c.top) << c.what;
  }
}

TEST(FollowMouse, HugeRectanglesDoNotOverflow) {
  RecordRect r{0, 0, INT_MAX, INT_MAX};
  FollowMouse(r, INT_MAX, INT_MIN, {0, 0, 1920, 1080});
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.width, INT_MAX);
  RecordRect small{0, 0, 10, 10};
  FollowMouse(small, INT_MAX, INT_MIN, {0, 0, 1920, 1080});
  EXPECT_EQ(small.left, 1910);
  EXPECT_EQ(small.top, 0);
}

TEST(FramePlacement, FivePixelsAroundTheRectangle) {
  struct Case {
    RecordRect rect, place;
  } cases[] = {
      {{0, 0, 500, 500}, {-5, -5, 510, 510}},
      {{100, 200, 1, 1}, {95, 195, 11, 11}},
      {{10, 10, 0, -40}, {5, 5, 10, 10}},  // nothing to surround: just the border
      {{INT_MIN, 0, INT_MAX, 4}, {INT_MIN, -5, INT_MAX, 14}},
  };
  for (const Case& c : cases) {
    const RecordRect p = FramePlacement(c.rect);
    EXPECT_EQ(p.left, c.place.left);
    EXPECT_EQ(p.top, c.place.top);
    EXPECT_EQ(p.width, c.place.width);
    EXPECT_EQ(p.height, c.place.height);
  }
}

}  // namespace
}  // namespace movrel
