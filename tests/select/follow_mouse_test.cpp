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
      {"near the right edge", {0, 0, 500, 500}, 1900, 540, 1920, 1080, 1419, 290},
      {"near the bottom edge", {0, 0, 500, 500}, 960, 1070, 1920, 1080, 710, 579},
      // Touching the edge counts as reaching it.
      {"exactly at the right edge", {0, 0, 500, 100}, 1670, 540, 1920, 1080, 1419, 490},
      {"one pixel short of it", {0, 0, 500, 100}, 1669, 540, 1920, 1080, 1419, 490},
      {"two pixels short of it", {0, 0, 500, 100}, 1668, 540, 1920, 1080, 1418, 490},
      {"empty rectangle", {3, 4, 0, 0}, 100, 200, 1920, 1080, 100, 200},
  };
  for (const Case& c : cases) {
    RecordRect r = c.rect;
    FollowMouse(r, c.mouseX, c.mouseY, c.screenW, c.screenH);
    EXPECT_EQ(r.left, c.left) << c.what;
    EXPECT_EQ(r.top, c.top) << c.what;
    EXPECT_EQ(r.width, c.rect.width) << c.what;
    EXPECT_EQ(r.height, c.rect.height) << c.what;
  }
}

TEST(FollowMouse, HugeRectanglesDoNotOverflow) {
  RecordRect r{0, 0, INT_MAX, INT_MAX};
  FollowMouse(r, 10, 10, 1920, 1080);
  EXPECT_EQ(r.left, 1920LL - INT_MAX - 1);
  EXPECT_EQ(r.top, 1080LL - INT_MAX - 1);
  EXPECT_EQ(r.width, INT_MAX);
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
