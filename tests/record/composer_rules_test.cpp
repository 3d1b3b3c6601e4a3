#include "record/composer_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>

namespace movrel {
namespace {

struct PlacementCase {
  int placement;
  int32_t canvasW, canvasH, markW, markH, margin;
  int32_t x, y;
};

TEST(PlaceWatermark, FollowsThePlacementTable) {
  const PlacementCase cases[] = {
      // The nine places on 640 x 480 for a 100 x 20 mark, margin 10.
      {kPlaceTopLeft, 640, 480, 100, 20, 10, 10, 10},
      {kPlaceBottomLeft, 640, 480, 100, 20, 10, 10, 450},
      {kPlaceTopRight, 640, 480, 100, 20, 10, 530, 10},
      {kPlaceBottomRight, 640, 480, 100, 20, 10, 530, 450},  // (CW - 110, CH - 30)
      {kPlaceTopCentre, 640, 480, 100, 20, 10, 270, 10},
      {kPlaceBottomCentre, 640, 480, 100, 20, 10, 270, 450},
      {kPlaceCentreLeft, 640, 480, 100, 20, 10, 10, 230},
      {kPlaceCentreRight, 640, 480, 100, 20, 10, 530, 230},
      {kPlaceCentre, 640, 480, 100, 20, 10, 270, 230},
      // Indexes the list does not have place like 左上.
      {-1, 640, 480, 100, 20, 10, 10, 10},
      {9, 640, 480, 100, 20, 10, 10, 10},
      // Centred coordinates are exact halves truncated once: 2 - 1.5 = 0.5
      // gives 0 where halving each side first would give 1.
      {kPlaceCentre, 4, 5, 3, 2, 7, 0, 1},
      // ... toward zero, also when the mark is larger than the canvas:
      // 1.5 - 3 = -1.5 gives -1.
      {kPlaceCentre, 3, 3, 6, 6, 0, -1, -1},
      {kPlaceBottomRight, 50, 40, 100, 20, 5, -55, 15},
      // A negative margin is taken as it is.
      {kPlaceTopLeft, 640, 480, 100, 20, -4, -4, -4},
  };
  for (const PlacementCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "placement " << c.placement << " on " << c.canvasW << "x" << c.canvasH);
    const CanvasPoint p = PlaceWatermark(c.placement, c.canvasW, c.canvasH, c.markW, c.markH, c.margin);
    EXPECT_EQ(p.x, c.x);
    EXPECT_EQ(p.y, c.y);
  }
}

TEST(FrameScale, ItemTextAndTruncatedSizes) {
  const std::pair<const char*, int> items[] = {
      {"100%", 100}, {"5000%", 5000}, {"130%", 130}, {"10%", 10},
      // No positive number (nothing selected, a damaged list) is no scaling.
      {"", 100}, {"abc", 100}, {"0%", 100}, {"-50%", 100},
  };
  for (const auto& [text, percent] : items) EXPECT_EQ(ScalePercentFromItem(text), percent) << text;

  struct SizeCase {
    int32_t w, h, percent, outW, outH;
  };
  const SizeCase sizes[] = {
      {500, 300, 50, 250, 150}, {333, 100, 130, 432, 130}, {500, 500, 100, 500, 500},
      {7, 3, 110, 7, 3},  // 7.7 and 3.3
      {1, 1, 10, 0, 0},   {1920, 1080, 5000, 96000, 54000},
  };
  for (const SizeCase& s : sizes) {
    const FrameSize out = ScaledFrameSize(s.w, s.h, s.percent);
    EXPECT_EQ(out.width, s.outW) << s.w << "x" << s.h << " at " << s.percent;
    EXPECT_EQ(out.height, s.outH) << s.w << "x" << s.h << " at " << s.percent;
  }
}

TEST(CaptureRect, EditsOrTheWholeScreen) {
  RecordRect r = CaptureRectFor(true, "10", "20", "300", "200", {0, 0, 1280, 1024});
  EXPECT_EQ(std::tie(r.left, r.top, r.width, r.height), std::make_tuple(10, 20, 300, 200));
  // Leading numbers as typed: blanks, decimals, signs and junk.
  r = CaptureRectFor(true, " 12.9px", "-5", "", "abc", {0, 0, 1280, 1024});
  EXPECT_EQ(std::tie(r.left, r.top, r.width, r.height), std::make_tuple(12, -5, 0, 0));
  // Unchecked: the edits do not matter; the whole monitor, wherever it lies.
  r = CaptureRectFor(false, "10", "20", "300", "200", {-1280, -200, 0, 824});
  EXPECT_EQ(std::tie(r.left, r.top, r.width, r.height), std::make_tuple(-1280, -200, 1280, 1024));
}

TEST(CaptureRect, RefusalsNameTheEditToChange) {
  const DesktopBox desktop{-1280, 0, 1920, 1080};
  struct Case {
    RecordRect rect;
    const char* field;  // "" when it can be recorded
  } cases[] = {
      {{-1280, 0, 3200, 1080}, ""},
      {{-1500, -50, 400, 100}, ""},  // partly beyond the desktop: black there
      {{0, 0, 0, 100}, "“宽度”"},
      {{0, 0, 100, -1}, "“高度”"},
      {{0, 0, 30000, 30000}, "“宽度”和“高度”"},
      {{-1680, 0, 400, 100}, "“左边”"},
      {{1920, 0, 400, 100}, "“左边”"},
      {{0, 2147483000, 400, 100000}, "“顶边”"},
  };
  for (const Case& c : cases) {
    const std::string refusal = CaptureRectRefusal(c.rect, desktop);
    EXPECT_EQ(refusal.rfind(c.field, 0), 0u) << refusal;
    EXPECT_EQ(refusal.empty(), *c.field == 0) << refusal;
  }
}

TEST(CaptureRect, FrameLimitRefusesEmptyAndHugePictures) {
  EXPECT_TRUE(FitsFrameLimit(1, 1));
  EXPECT_TRUE(FitsFrameLimit(3840, 2160));
  EXPECT_TRUE(FitsFrameLimit(7680, 4320));  // a 4K screen at 200%
  EXPECT_FALSE(FitsFrameLimit(0, 500));
  EXPECT_FALSE(FitsFrameLimit(500, -1));
  EXPECT_FALSE(FitsFrameLimit(25000, 25000));  // 500 x 500 at 5000%
  EXPECT_FALSE(FitsFrameLimit(INT32_MAX, INT32_MAX));
  EXPECT_FALSE(IsCapturable(RecordRect{0, 0, 99999, 99999}));
}

TEST(SingleFrameCaption, ByteSizeAndDimensions) {
  EXPECT_EQ(SingleFrameCaption(750054, FrameSize{500, 500}), "1.基本设置（单帧大小：732.47 KB 500×500）");
  EXPECT_EQ(SingleFrameCaption(0, FrameSize{}), "1.基本设置（单帧大小：0 B 0×0）");
}

}  // namespace
}  // namespace movrel
