#include "select/selection_state.h"

#include <gtest/gtest.h>

#include <string>

namespace movrel {
namespace {

constexpr int kScreenW = 1920, kScreenH = 1080;
const Desktop kScreen = Desktop::Single(kScreenW, kScreenH);

// Every byte is 4 pixels wide (a GBK character 8), every line 14 high.
class FixedMeasurer : public TextMeasurer {
 public:
  TextSize Measure(const std::string& text) const override { return {static_cast<int>(text.size()) * 4, 14}; }
};

SelectionRect R(int x1, int y1, int x2, int y2) { return {x1, y1, x2, y2}; }

::testing::AssertionResult SameRect(const SelectionRect& actual, const SelectionRect& expected) {
  if (actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "{" << actual.x1 << "," << actual.y1 << "}-{" << actual.x2 << ","
                                       << actual.y2 << "} instead of {" << expected.x1 << "," << expected.y1
                                       << "}-{" << expected.x2 << "," << expected.y2 << "}";
}

// A state in stage 2 on `rect`, opened from it with the mouse at `mouse`.
SelectionState OpenedOn(const SelectionRect& rect, ScreenPoint mouse = {5, 5}) {
  SelectionState s(kScreen);
  s.Open(mouse, &rect);
  return s;
}

// ---- geometry -----------------------------------------------------------

TEST(SelectionGeometry, HandlesSitOnCornersAndMidpointsInHitCodeOrder) {
  // w = 11, h = 7: the midpoints truncate 5.5 and 3.5.
  const auto squares = HandleSquares(R(10, 20, 21, 27));
  const ScreenPoint centres[8] = {{10, 20}, {15, 20}, {21, 20}, {10, 27}, {15, 27}, {21, 27}, {10, 23}, {21, 23}};
  for (int i = 0; i < 8; ++i) {
    EXPECT_TRUE(SameRect(squares[i], R(centres[i].x - 4, centres[i].y - 4, centres[i].x + 4, centres[i].y + 4)))
        << "handle " << i + 1;
    EXPECT_EQ(squares[i].Width(), 9);
  }
}

TEST(SelectionGeometry, HitCodesAndPointers) {
  const SelectionRect rect = R(100, 100, 300, 200);
  struct Case {
    ScreenPoint p;
    int hit;
    SelectionPointer pointer;
  } cases[] = {
      {{100, 100}, kHitTopLeft, SelectionPointer::kSizeNwse},
      {{96, 96}, kHitTopLeft, SelectionPointer::kSizeNwse},  // a handle's border counts
      {{95, 96}, kHitOutside, SelectionPointer::kNo},
      {{200, 104}, kHitTopMiddle, SelectionPointer::kSizeNs},
      {{304, 100}, kHitTopRight, SelectionPointer::kSizeNesw},
      {{100, 200}, kHitBottomLeft, SelectionPointer::kSizeNesw},
      {{200, 196}, kHitBottomMiddle, SelectionPointer::kSizeNs},
      {{300, 200}, kHitBottomRight, SelectionPointer::kSizeNwse},
      {{96, 150}, kHitMiddleLeft, SelectionPointer::kSizeWe},
      {{300, 150}, kHitMiddleRight, SelectionPointer::kSizeWe},
      {{150, 150}, kHitInside, SelectionPointer::kSizeAll},
      {{100, 120}, kHitInside, SelectionPointer::kSizeAll},  // the rectangle's border counts
      {{301, 150}, kHitMiddleRight, SelectionPointer::kSizeWe},
      {{305, 160}, kHitOutside, SelectionPointer::kNo},
      {{0, 0}, kHitOutside, SelectionPointer::kNo},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HitTest(rect, c.p), c.hit) << c.p.x << "," << c.p.y;
    EXPECT_EQ(PointerForHit(c.hit), c.pointer) << c.p.x << "," << c.p.y;
  }
  // On a 1 x 1 rectangle all handles overlap; the first one wins.
  EXPECT_EQ(HitTest(R(50, 50, 50, 50), {50, 50}), kHitTopLeft);
  EXPECT_EQ(PointerForHit(kHitNone), SelectionPointer::kCross);
}

TEST(SelectionGeometry, HandleDragsResizeFromTheRectangleAtThePress) {
  const SelectionRect start = R(100, 100, 300, 200);
  const ScreenPoint press{0, 0};  // handles follow the mouse, not the distance
  const ScreenPoint m{150, 160};
  struct Case {
    int hit;
    SelectionRect expected;
  } cases[] = {
      {kHitTopLeft, R(150, 160, 300, 200)},    {kHitTopMiddle, R(100, 160, 300, 200)},
      {kHitTopRight, R(100, 160, 150, 200)},   {kHitBottomLeft, R(150, 100, 300, 160)},
      {kHitBottomMiddle, R(100, 100, 300, 160)}, {kHitBottomRight, R(100, 100, 150, 160)},
      {kHitMiddleLeft, R(150, 100, 300, 200)}, {kHitMiddleRight, R(100, 100, 150, 200)},
      {kHitOutside, start},                    {kHitNone, start},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(SameRect(DragRect(c.hit, start, press, m, kScreen), c.expected)) << "hit " << c.hit;
  }
  // Past the opposite corner the corners swap.
  EXPECT_TRUE(SameRect(DragRect(kHitTopLeft, start, press, {400, 260}, kScreen), R(300, 200, 400, 260)));
  EXPECT_TRUE(SameRect(DragRect(kHitMiddleRight, start, press, {40, 0}, kScreen), R(40, 100, 100, 200)));
  // A captured mouse past the screen's edges takes the handle only to them.
  EXPECT_TRUE(SameRect(DragRect(kHitTopLeft, start, press, {-40, -9}, kScreen), R(0, 0, 300, 200)));
  EXPECT_TRUE(SameRect(DragRect(kHitBottomRight, start, press, {5000, 1080}, kScreen),
                       R(100, 100, 1919, 1079)));
  EXPECT_TRUE(SameRect(DragRect(kHitTopMiddle, start, press, {0, -1}, kScreen), R(100, 0, 300, 200)));
}

TEST(SelectionGeometry, MovesKeepTheSizeAndStopAtTheEdges) {
  const SelectionRect start = R(100, 100, 299, 199);  // 200 x 100
  const ScreenPoint press{150, 150};
  struct Case {
    const char* what;
    ScreenPoint mouse;
    SelectionRect expected;
  } cases[] = {
      {"plain move", {160, 130}, R(110, 80, 309, 179)},
      {"against the left edge", {20, 150}, R(0, 100, 199, 199)},
      {"against the top edge", {150, 0}, R(100, 0, 299, 99)},
      {"against the right edge", {1900, 150}, R(1720, 100, 1919, 199)},
      {"one pixel past the right edge", {1771, 150}, R(1720, 100, 1919, 199)},
      {"up to the right edge", {1770, 150}, R(1720, 100, 1919, 199)},
      {"against the bottom edge", {150, 1079}, R(100, 980, 299, 1079)},
      {"into a corner", {-500, -500}, R(0, 0, 199, 99)},
  };
  for (const Case& c : cases) {
    const SelectionRect moved = DragRect(kHitInside, start, press, c.mouse, kScreen);
    EXPECT_TRUE(SameRect(moved, c.expected)) << c.what;
    EXPECT_EQ(moved.Width(), 200) << c.what;
    EXPECT_EQ(moved.Height(), 100) << c.what;
  }
}

TEST(SelectionGeometry, MagnifierGoesUpLeftOrElseDownRightAndStaysOnTheScreen) {
  struct Case {
    ScreenPoint mouse, at;
  } cases[] = {
      {{500, 400}, {370, 270}}, {{130, 130}, {0, 0}}, {{129, 400}, {159, 480}}, {{400, 10}, {430, 90}},
      {{0, 0}, {30, 80}},
      // Near the other corners the box goes to the side that is on the screen.
      {{1919, 0}, {1789, 80}}, {{1900, 120}, {1770, 200}}, {{0, 1079}, {30, 949}}, {{1919, 1079}, {1789, 949}},
      {{1850, 1000}, {1720, 870}},
  };
  for (const Case& c : cases) {
    const ScreenPoint at = MagnifierPlace(c.mouse, {0, 0, kScreenW, kScreenH});
    EXPECT_EQ(at, c.at) << c.mouse.x << "," << c.mouse.y;
    // Whole on the screen, and never under the pointer.
    const ScreenBox box{at.x, at.y, at.x + kMagnifierBoxSize, at.y + kMagnifierBoxSize};
    EXPECT_TRUE(box.left >= 0 && box.top >= 0 && box.right <= kScreenW && box.bottom <= kScreenH);
    EXPECT_FALSE(box.Contains(c.mouse));
  }
  // A screen smaller than the box: from its top-left corner.
  EXPECT_EQ(MagnifierPlace({50, 50}, {0, 0, 80, 60}), (ScreenPoint{0, 0}));
}

TEST(SelectionGeometry, PresetFromTheEdits) {
  EXPECT_TRUE(SameRect(PresetRect(0, 0, 500, 500), R(0, 0, 499, 499)));
  EXPECT_TRUE(SameRect(PresetRect(10, 20, 1, 1), R(10, 20, 10, 20)));
  // Empty or negative sizes still give a rectangle.
  EXPECT_TRUE(SameRect(PresetRect(10, 20, 0, -5), R(10, 20, 10, 20)));
  // Absurd edits cannot overflow the corner arithmetic.
  const SelectionRect huge = PresetRect(2147483647, -2147483647 - 1, 2147483647, 2147483647);
  EXPECT_LE(huge.x1, huge.x2);
  EXPECT_LE(huge.y1, huge.y2);
  EXPECT_LT(huge.x2, 1 << 29);
  EXPECT_GT(huge.y1, -(1 << 29));
}

// ---- mouse selection ----------------------------------------------------

TEST(SelectionMouse, DragFromPressToReleaseNormalises) {
  SelectionState s(kScreen);
  s.Open({100, 100}, nullptr);
  s.LeftDown({100, 100});
  EXPECT_EQ(s.Stage(), 1);
  EXPECT_TRUE(s.MouseMove({70, 60}));
  EXPECT_TRUE(SameRect(s.Rect(), R(70, 60, 100, 100)));  // the rubber band follows
  EXPECT_EQ(s.Scene(FixedMeasurer()).hint.text, kEndPointHint);
  s.MouseMove({50, 40});
  EXPECT_FALSE(s.LeftUp({50, 40}));
  EXPECT_EQ(s.Stage(), 2);
  EXPECT_TRUE(SameRect(s.Rect(), R(50, 40, 100, 100)));
  EXPECT_EQ(s.Rect().Width(), 51);
  EXPECT_EQ(s.Rect().Height(), 61);
  EXPECT_EQ(s.Hit(), kHitTopLeft);  // the pointer rests on that corner
  EXPECT_EQ(s.Outcome(), SelectionOutcome::kOpen);
}

TEST(SelectionMouse, TwoClicksSetTheCorners) {
  struct Case {
    const char* what;
    ScreenPoint second;
    bool doubleClick;  // the system reports a quick second press this way
    SelectionRect expected;
  } cases[] = {
      {"same point twice", {10, 10}, false, R(10, 10, 10, 10)},
      {"same point as a double-click", {10, 10}, true, R(10, 10, 10, 10)},
      {"second point up left", {4, 3}, false, R(4, 3, 10, 10)},
  };
  for (const Case& c : cases) {
    SelectionState s(kScreen);
    s.Open({0, 0}, nullptr);
    s.MouseMove({10, 10});
    s.LeftDown({10, 10});
    s.LeftUp({10, 10});
    EXPECT_EQ(s.Stage(), 1) << c.what;  // a click leaves the band open
    s.MouseMove({300, 300});
    s.MouseMove(c.second);
    if (c.doubleClick) {
      s.DoubleClick(c.second);
    } else {
      s.LeftDown(c.second);
    }
    EXPECT_EQ(s.Stage(), 2) << c.what;
    EXPECT_FALSE(s.LeftUp(c.second)) << c.what;
    EXPECT_TRUE(SameRect(s.Rect(), c.expected)) << c.what;
    EXPECT_EQ(s.Outcome(), SelectionOutcome::kOpen) << c.what;
  }
}

TEST(SelectionMouse, DoubleClickInsideAccepts) {
  SelectionState s = OpenedOn(R(100, 100, 200, 200));
  s.MouseMove({150, 150});
  s.LeftDown({150, 150});
  s.LeftUp({150, 150});
  s.DoubleClick({150, 150});
  EXPECT_EQ(s.Outcome(), SelectionOutcome::kAccepted);
  EXPECT_TRUE(SameRect(s.Rect(), R(100, 100, 200, 200)));

  SelectionState outside = OpenedOn(R(100, 100, 200, 200));
  outside.DoubleClick({400, 400});
  EXPECT_EQ(outside.Outcome(), SelectionOutcome::kOpen);
  EXPECT_TRUE(outside.ButtonDown());  // it was an ordinary press
}

TEST(SelectionMouse, ReleaseOutsideAsksForHelpOncePerRelease) {
  SelectionState s = OpenedOn(R(100, 100, 200, 200));
  s.MouseMove({500, 500});
  s.LeftDown({500, 500});
  s.MouseMove({520, 520});  // dragging outside changes nothing
  EXPECT_TRUE(SameRect(s.Rect(), R(100, 100, 200, 200)));
  EXPECT_TRUE(s.LeftUp({520, 520}));
  EXPECT_FALSE(s.LeftUp({520, 520}));  // no second press, but a second release
  EXPECT_EQ(s.Outcome(), SelectionOutcome::kOpen);
  EXPECT_FALSE(s.ButtonDown());
  s.LeftDown({150, 150});
  EXPECT_FALSE(s.LeftUp({150, 150}));
}

TEST(SelectionMouse, HandleDragPastTheOppositeCornerSwapsAndRelabels) {
  FixedMeasurer measurer;
  SelectionState s = OpenedOn(R(100, 100, 199, 149));
  s.MouseMove({100, 100});
  EXPECT_EQ(s.Pointer(), SelectionPointer::kSizeNwse);
  s.LeftDown({100, 100});
  s.MouseMove({250, 300});
  s.LeftUp({250, 300});
  EXPECT_TRUE(SameRect(s.Rect(), R(199, 149, 250, 300)));
  const SelectionScene scene = s.Scene(measurer);
  EXPECT_EQ(scene.sizeLabel.text, "起始：199,149\r\n宽高：52,152");
}

TEST(SelectionMouse, EveryPointStaysOnTheScreen) {
  // With the mouse captured the overlay hears of points past its edges.
  SelectionState band(kScreen);
  band.Open({-5, -5}, nullptr);
  band.LeftDown({-50, -20});
  band.MouseMove({2500, 1500});
  EXPECT_TRUE(SameRect(band.Rect(), R(0, 0, 1919, 1079)));
  EXPECT_FALSE(band.LeftUp({3000, -5}));
  EXPECT_TRUE(SameRect(band.Rect(), R(0, 0, 1919, 0)));
  // Two clicks, the second one past the bottom-left corner.
  SelectionState clicks(kScreen);
  clicks.Open({0, 0}, nullptr);
  clicks.LeftDown({1930, 40});
  clicks.LeftUp({1930, 40});
  clicks.DoubleClick({-1, 1200});
  EXPECT_TRUE(SameRect(clicks.Rect(), R(0, 40, 1919, 1079)));
  // A handle dragged out of the screen, and the scene's labels with it.
  SelectionState handle = OpenedOn(R(100, 100, 300, 200));
  handle.LeftDown({100, 100});
  handle.MouseMove({-40, -70});
  handle.LeftUp({-41, -70});
  EXPECT_TRUE(SameRect(handle.Rect(), R(0, 0, 300, 200)));
  EXPECT_EQ(handle.Scene(FixedMeasurer()).sizeLabel.text, "起始：0,0\r\n宽高：301,201");
  // A preset from edits that lie off the screen is moved onto it, its size
  // cut to the screen's.
  struct Case {
    SelectionRect preset, shown;
  } presets[] = {
      {R(-50, 1000, 149, 1199), R(0, 880, 199, 1079)},
      {R(-10, -10, 3000, 2000), R(0, 0, 1919, 1079)},
      {R(5000, 20, 5009, 29), R(1910, 20, 1919, 29)},
      {R(10, 20, 110, 120), R(10, 20, 110, 120)},
  };
  for (const Case& c : presets) {
    SelectionState s = OpenedOn(c.preset);
    EXPECT_TRUE(SameRect(s.Rect(), c.shown));
    s.KeyDown(SelectionKey::kEnter, 0, {5, 5});
    EXPECT_EQ(s.Outcome(), SelectionOutcome::kAccepted);
    EXPECT_TRUE(SameRect(s.Rect(), c.shown));
  }
}

TEST(SelectionMouse, PressWithoutAMoveActsOnWhatIsUnderIt) {
  // Opened with the pointer elsewhere: the press itself decides the drag.
  SelectionState s = OpenedOn(R(100, 100, 299, 199), {700, 700});
  EXPECT_EQ(s.Pointer(), SelectionPointer::kNo);
  s.LeftDown({299, 199});
  s.MouseMove({350, 260});
  EXPECT_TRUE(SameRect(s.Rect(), R(100, 100, 350, 260)));
}

TEST(SelectionMouse, ResetsAndRepeatedMoves) {
  SelectionState s = OpenedOn(R(100, 100, 200, 200));
  s.RightDown({40, 30});
  EXPECT_EQ(s.Stage(), 0);
  EXPECT_EQ(s.Hit(), kHitNone);
  EXPECT_EQ(s.Pointer(), SelectionPointer::kCross);
  // The reset handled (40, 30) already; the same position is skipped.
  EXPECT_FALSE(s.MouseMove({40, 30}));
  EXPECT_TRUE(s.MouseMove({41, 30}));
}

// ---- keyboard -----------------------------------------------------------

TEST(SelectionKeys, ArrowStepsGrowWithTheModifiers) {
  struct Case {
    SelectionKey key;
    int modifiers;
    ScreenPoint expected;
  } cases[] = {
      {SelectionKey::kLeft, 0, {499, 400}},
      {SelectionKey::kRight, kModifierCtrl, {503, 400}},
      {SelectionKey::kUp, kModifierShift, {500, 394}},
      {SelectionKey::kDown, kModifierCtrl | kModifierShift, {500, 409}},
      {SelectionKey::kLeft, kModifierCtrl | kModifierShift | kModifierAlt, {479, 400}},
  };
  for (const Case& c : cases) {
    SelectionState s(kScreen);
    s.Open({500, 400}, nullptr);
    KeyResult r = s.KeyDown(c.key, c.modifiers, {500, 400});
    EXPECT_TRUE(r.moveCursor);
    EXPECT_EQ(r.cursor, c.expected) << "modifiers " << c.modifiers;
    EXPECT_EQ(s.Stage(), 0);
  }
  // The pointer never leaves the screen.
  SelectionState corner(kScreen);
  corner.Open({1, 1}, nullptr);
  EXPECT_EQ(corner.KeyDown(SelectionKey::kUp, kModifierAlt, {1, 1}).cursor, (ScreenPoint{1, 0}));
}

TEST(SelectionKeys, SpaceAndEnterSetThePointsThenEnterAccepts) {
  SelectionState s(kScreen);
  s.Open({10, 20}, nullptr);
  s.KeyDown(SelectionKey::kSpace, 0, {10, 20});
  EXPECT_EQ(s.Stage(), 1);
  s.MouseMove({60, 90});
  s.KeyDown(SelectionKey::kEnter, 0, {60, 90});
  EXPECT_EQ(s.Stage(), 2);
  EXPECT_FALSE(s.ButtonDown());
  EXPECT_TRUE(SameRect(s.Rect(), R(10, 20, 60, 90)));
  EXPECT_EQ(s.Outcome(), SelectionOutcome::kOpen);
  s.KeyDown(SelectionKey::kEnter, 0, {60, 90});
  EXPECT_EQ(s.Outcome(), SelectionOutcome::kAccepted);
}

TEST(SelectionKeys, SpaceAndDelInStageTwoReset) {
  for (SelectionKey key : {SelectionKey::kSpace, SelectionKey::kDelete}) {
    SelectionState s = OpenedOn(R(100, 100, 200, 200));
    s.KeyDown(key, 0, {300, 300});
    EXPECT_EQ(s.Stage(), 0);
    EXPECT_EQ(s.Outcome(), SelectionOutcome::kOpen);
  }
  SelectionState band(kScreen);
  band.Open({5, 5}, nullptr);
  band.LeftDown({5, 5});
  band.KeyDown(SelectionKey::kDelete, 0, {9, 9});
  EXPECT_EQ(band.Stage(), 0);
}

TEST(SelectionKeys, EscapeCancelsInEveryStage) {
  for (int stage = 0; stage < 3; ++stage) {
    SelectionState s(kScreen);
    s.Open({5, 5}, nullptr);
    if (stage >= 1) s.LeftDown({5, 5});
    if (stage >= 2) s.LeftUp({50, 50});
    ASSERT_EQ(s.Stage(), stage);
    s.KeyDown(SelectionKey::kEscape, 0, {50, 50});
    EXPECT_EQ(s.Outcome(), SelectionOutcome::kCancelled) << "stage " << stage;
  }
}

TEST(SelectionKeys, ArrowsInStageTwoMoveTheRectangleByItsCentre) {
  SelectionState s = OpenedOn(R(100, 100, 200, 150), {700, 700});
  KeyResult r = s.KeyDown(SelectionKey::kRight, kModifierCtrl | kModifierShift, {700, 700});
  // The pointer goes to the centre and on by 9 pixels; the rectangle follows.
  EXPECT_TRUE(r.moveCursor);
  EXPECT_EQ(r.cursor, (ScreenPoint{159, 125}));
  EXPECT_TRUE(SameRect(s.Rect(), R(109, 100, 209, 150)));
  EXPECT_TRUE(s.ButtonDown());
  EXPECT_EQ(s.Pointer(), SelectionPointer::kSizeAll);
  // Repeats while the key is held go on from where the pointer is.
  r = s.KeyDown(SelectionKey::kRight, kModifierCtrl | kModifierShift, r.cursor);
  EXPECT_EQ(r.cursor, (ScreenPoint{168, 125}));
  EXPECT_TRUE(SameRect(s.Rect(), R(118, 100, 218, 150)));
  r = s.KeyUp(SelectionKey::kRight, kModifierCtrl | kModifierShift, r.cursor);
  EXPECT_FALSE(r.showHelp);
  EXPECT_FALSE(s.ButtonDown());
  EXPECT_EQ(s.Rect().Width(), 101);
}

TEST(SelectionKeys, AModifierAloneStartsAKeyboardMove) {
  SelectionState s = OpenedOn(R(100, 100, 200, 150), {700, 700});
  KeyResult r = s.KeyDown(SelectionKey::kShift, kModifierShift, {700, 700});
  EXPECT_TRUE(r.moveCursor);
  EXPECT_EQ(r.cursor, (ScreenPoint{150, 125}));
  EXPECT_TRUE(s.ButtonDown());
  EXPECT_TRUE(SameRect(s.Rect(), R(100, 100, 200, 150)));
  EXPECT_FALSE(s.KeyUp(SelectionKey::kShift, 0, r.cursor).showHelp);
  EXPECT_FALSE(s.ButtonDown());
}

TEST(SelectionKeys, AModifierHeldSinceOpeningDoesNotReleaseOnItsKeyUp) {
  // Ctrl+click opened the overlay on the preset; letting go of Ctrl with the
  // pointer outside the rectangle is no release and shows no help.
  SelectionState s = OpenedOn(R(100, 100, 200, 150), {700, 700});
  KeyResult r = s.KeyUp(SelectionKey::kControl, 0, {700, 700});
  EXPECT_FALSE(r.showHelp);
  EXPECT_FALSE(r.moveCursor);
  EXPECT_EQ(s.Stage(), 2);
}

// ---- the scene ----------------------------------------------------------

TEST(SelectionScene, StageZeroShowsCrossLabelAndMagnifier) {
  FixedMeasurer measurer;
  SelectionState s(kScreen);
  s.Open({300, 200}, nullptr);
  const SelectionScene scene = s.Scene(measurer);
  EXPECT_TRUE(scene.crossVisible);
  EXPECT_EQ(scene.cross, (ScreenPoint{300, 200}));
  EXPECT_FALSE(scene.rectVisible);
  const std::string text = std::string("点：300,200") + kPointHintSuffix;
  ASSERT_TRUE(scene.pointLabel.visible);
  EXPECT_EQ(scene.pointLabel.text, text);
  const int tw = static_cast<int>(text.size()) * 4;
  EXPECT_EQ(scene.pointLabel.box, (ScreenBox{308, 208, 300 + tw + 16, 200 + 14 + 16}));
  EXPECT_EQ(scene.pointLabel.textAt, (ScreenPoint{312, 212}));
  EXPECT_FALSE(scene.sizeLabel.visible);
  EXPECT_FALSE(scene.hint.visible);
  EXPECT_TRUE(scene.magnifierVisible);
  EXPECT_EQ(scene.magnifierAt, (ScreenPoint{170, 70}));
  EXPECT_EQ(scene.magnifierSource, (ScreenPoint{300, 200}));
}

TEST(SelectionScene, LabelAndHintAreCentredOnTheRectangle) {
  FixedMeasurer measurer;
  SelectionState s = OpenedOn(R(100, 100, 300, 200));
  const SelectionScene scene = s.Scene(measurer);
  const std::string label = "起始：100,100\r\n宽高：201,101";
  ASSERT_TRUE(scene.sizeLabel.visible);
  EXPECT_EQ(scene.sizeLabel.text, label);
  const int tw = static_cast<int>(label.size()) * 4 / 2, th = 28;
  const int left = 100 + 100 - tw / 2, top = 100 + 50 - th / 2, bottom = 100 + 50 + th / 2;
  EXPECT_EQ(scene.sizeLabel.textAt, (ScreenPoint{left, top}));
  EXPECT_EQ(scene.sizeLabel.box, (ScreenBox{left - 4, top - 4, 100 + 100 + tw / 2 + 18, bottom + 8}));
  // Two lines of text, the longer one wide.
  EXPECT_EQ(scene.sizeLabel.textBounds.bottom - scene.sizeLabel.textBounds.top, 28);
  ASSERT_TRUE(scene.hint.visible);
  EXPECT_EQ(scene.hint.text, kAdjustHint);
  const int hw = static_cast<int>(std::string(kAdjustHint).size()) * 4;
  EXPECT_EQ(scene.hint.box, (ScreenBox{left - 4, bottom + 12, left + hw + 8, bottom + 14 + 20}));
  EXPECT_EQ(scene.hint.textAt, (ScreenPoint{left, bottom + 16}));
  EXPECT_TRUE(scene.rectVisible);
  EXPECT_EQ(scene.handles, HandleSquares(R(100, 100, 300, 200)));
  EXPECT_FALSE(scene.crossVisible);
  // Stage 2 with the button up: no magnifier.
  EXPECT_FALSE(scene.magnifierVisible);
}

TEST(SelectionScene, WHidesTheLabelsAndSPinsTheMagnifier) {
  FixedMeasurer measurer;
  SelectionState s(kScreen);
  s.Open({500, 500}, nullptr);
  s.SetHeldKeys(true, true);
  s.MouseMove({600, 550});
  SelectionScene scene = s.Scene(measurer);
  EXPECT_FALSE(scene.pointLabel.visible);
  EXPECT_TRUE(scene.crossVisible);
  EXPECT_EQ(scene.magnifierAt, (ScreenPoint{370, 370}));  // still where (500, 500) put it
  EXPECT_EQ(scene.magnifierSource, (ScreenPoint{600, 550}));
  // Entering the pinned magnifier makes it jump away.
  s.MouseMove({400, 400});
  scene = s.Scene(measurer);
  EXPECT_EQ(scene.magnifierAt, (ScreenPoint{270, 270}));

  // In stage 2 with W held the label goes and the hint moves to the corner.
  SelectionState adjusting = OpenedOn(R(100, 100, 300, 200));
  adjusting.SetHeldKeys(true, false);
  adjusting.MouseMove({150, 150});
  scene = adjusting.Scene(measurer);
  EXPECT_FALSE(scene.sizeLabel.visible);
  ASSERT_TRUE(scene.hint.visible);
  EXPECT_EQ(scene.hint.textAt, (ScreenPoint{0, 16}));
}

TEST(SelectionScene, MagnifierShowsWhileDraggingInStageTwo) {
  FixedMeasurer measurer;
  SelectionState s = OpenedOn(R(100, 100, 300, 200));
  s.MouseMove({200, 150});
  EXPECT_FALSE(s.Scene(measurer).magnifierVisible);
  s.LeftDown({200, 150});
  s.MouseMove({210, 160});
  EXPECT_TRUE(s.Scene(measurer).magnifierVisible);
  s.LeftUp({210, 160});
  EXPECT_FALSE(s.Scene(measurer).magnifierVisible);
}

TEST(SelectionScene, PaintedAreasCoverEveryMark) {
  FixedMeasurer measurer;
  SelectionState s(kScreen);
  s.Open({10, 10}, nullptr);
  s.LeftDown({10, 10});
  s.MouseMove({400, 300});
  const SelectionScene scene = s.Scene(measurer);
  const auto areas = scene.PaintedAreas();
  auto covered = [&](ScreenPoint p) {
    for (const ScreenBox& b : areas) {
      if (b.Contains(p)) return true;
    }
    return false;
  };
  // Outline corners and edges, a handle's corner, the label's text, the
  // magnifier; but not the inside of the rectangle.
  for (ScreenPoint p : {ScreenPoint{10, 10}, ScreenPoint{400, 300}, ScreenPoint{10, 150}, ScreenPoint{200, 300},
                        ScreenPoint{404, 304}, scene.sizeLabel.textAt, scene.hint.textAt,
                        ScreenPoint{scene.magnifierAt.x + 101, scene.magnifierAt.y + 101}}) {
    EXPECT_TRUE(covered(p)) << p.x << "," << p.y;
  }
  EXPECT_FALSE(covered({60, 60}));
  // A scene differs from the next one as soon as anything painted differs.
  s.MouseMove({401, 300});
  EXPECT_NE(s.Scene(measurer), scene);
  EXPECT_EQ(s.Scene(measurer), s.Scene(measurer));
}

// ---- several monitors ------------------------------------------------------

// The primary at the origin and a smaller monitor left of it, with a gap
// (-1280, 1024)-(0, 1080) below the smaller one.
const Desktop kTwo({{0, 0, 1920, 1080}, {-1280, 0, 0, 1024}});

TEST(SelectionOnTwoMonitors, RectanglesLieAnywhereButKeepTheirCornersOnMonitors) {
  FixedMeasurer measurer;
  SelectionState s(kTwo);
  s.Open({-900, 100}, nullptr);
  EXPECT_EQ(s.Scene(measurer).bounds, (ScreenBox{-1280, 0, 1920, 1080}));
  EXPECT_EQ(s.Scene(measurer).pointLabel.text.rfind("点：-900,100", 0), 0u);
  s.LeftDown({-900, 100});
  s.MouseMove({-700, 400});
  s.LeftUp({-700, 400});
  EXPECT_TRUE(SameRect(s.Rect(), R(-900, 100, -700, 400)));
  EXPECT_EQ(s.Scene(measurer).sizeLabel.text, "起始：-900,100\r\n宽高：201,301");

  struct Case {
    const char* what;
    ScreenPoint first, to;
    SelectionRect expected;
  } bands[] = {
      {"across both monitors", {-100, 100}, {100, 900}, R(-100, 100, 100, 900)},
      // The band's far corner would lie in the gap: it stops on the last row
      // the left monitor shows.
      {"down into the gap", {-100, 100}, {-50, 1060}, R(-100, 100, -50, 1023)},
      // From a first point below the left monitor's last row, any corner
      // left of the primary would be in the gap: the band stops at the
      // primary's left edge.
      {"from the primary toward the gap", {100, 1070}, {-300, 1070}, R(0, 1023, 100, 1070)},
      {"a point in the gap is moved onto a monitor first", {-600, 1050}, {-100, 500}, R(-600, 500, -100, 1023)},
  };
  for (const Case& c : bands) {
    SelectionState band(kTwo);
    band.Open(c.first, nullptr);
    band.LeftDown(c.first);
    band.MouseMove(c.to);
    EXPECT_TRUE(SameRect(band.Rect(), c.expected)) << c.what;
    EXPECT_TRUE(CornersOnMonitors(band.Rect(), kTwo)) << c.what;
  }

  // A move keeps the size and slides along the gap's edge instead of
  // entering it.
  const SelectionRect start = R(-600, 800, -401, 899);
  const SelectionRect moved = DragRect(kHitInside, start, {-500, 850}, {-400, 1000}, kTwo);
  EXPECT_TRUE(SameRect(moved, R(-500, 924, -301, 1023)));
  // Onto the primary the way is open.
  EXPECT_TRUE(SameRect(DragRect(kHitInside, start, {-500, 850}, {500, 1000}, kTwo), R(400, 950, 599, 1049)));
  // A handle stops at the monitors too.
  EXPECT_TRUE(SameRect(DragRect(kHitBottomRight, start, {-401, 899}, {-380, 1079}, kTwo), R(-600, 800, -380, 1023)));
}

TEST(SelectionOnTwoMonitors, TheMagnifierStaysOnTheMonitorUnderThePointer) {
  SelectionState s(kTwo);
  for (ScreenPoint p : {ScreenPoint{-5, 500}, ScreenPoint{-1275, 1020}, ScreenPoint{3, 1075}, ScreenPoint{-640, 5}}) {
    s.MouseMove(p);
    const ScreenBox box = s.Scene(FixedMeasurer()).MagnifierBox();
    const DesktopBox& monitor = kTwo.MonitorNear(p.x, p.y);
    EXPECT_TRUE(box.left >= monitor.left && box.right <= monitor.right && box.top >= monitor.top &&
                box.bottom <= monitor.bottom)
        << p.x << "," << p.y;
    EXPECT_FALSE(box.Contains(p));
  }
  // A preset that no longer fits is moved onto the desktop's bounds.
  const SelectionRect far = R(5000, 5000, 5099, 5099);
  SelectionState opened(kTwo);
  opened.Open({0, 0}, &far);
  EXPECT_TRUE(SameRect(opened.Rect(), R(1820, 980, 1919, 1079)));
}

}  // namespace
}  // namespace movrel
