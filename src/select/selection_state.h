// The rectangle selection as a state machine without a window: it takes the
// overlay's mouse and key events in screen pixels and answers with the
// stage, the rectangle, the hit code and pointer, and the scene to paint
// (cross lines, labels, hints, outline, handles, magnifier). The overlay
// window only feeds it events and carries out what it answers.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "common/desktop.h"

namespace movrel {

struct ScreenPoint {
  int x = 0, y = 0;
  bool operator==(const ScreenPoint& o) const { return x == o.x && y == o.y; }
  bool operator!=(const ScreenPoint& o) const { return !(*this == o); }
};

// Two corners, both included: the width is x2 - x1 + 1.
struct SelectionRect {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int Width() const { return x2 - x1 + 1; }
  int Height() const { return y2 - y1 + 1; }
  // A point on the border counts as inside.
  bool Contains(ScreenPoint p) const { return p.x >= x1 && p.x <= x2 && p.y >= y1 && p.y <= y2; }
  bool operator==(const SelectionRect& o) const { return x1 == o.x1 && y1 == o.y1 && x2 == o.x2 && y2 == o.y2; }
  bool operator!=(const SelectionRect& o) const { return !(*this == o); }
};

// A painted area as GDI sees it: right and bottom excluded.
struct ScreenBox {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool Contains(ScreenPoint p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
  bool operator==(const ScreenBox& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const ScreenBox& o) const { return !(*this == o); }
};

struct TextSize {
  int width = 0, height = 0;
};

// Measures GBK text as one line in the overlay's font.
class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  virtual TextSize Measure(const std::string& text) const = 0;
};

// What the mouse is over in stage 2.
enum HitCode : int {
  kHitNone = 0,  // not tested since the last reset
  kHitTopLeft = 1,
  kHitTopMiddle = 2,
  kHitTopRight = 3,
  kHitBottomLeft = 4,
  kHitBottomMiddle = 5,
  kHitBottomRight = 6,
  kHitMiddleLeft = 7,
  kHitMiddleRight = 8,
  kHitInside = 9,
  kHitOutside = 10,
};

// The system pointers the overlay shows.
enum class SelectionPointer { kCross, kSizeNwse, kSizeNs, kSizeNesw, kSizeWe, kSizeAll, kNo };

enum class SelectionKey { kLeft, kRight, kUp, kDown, kShift, kControl, kAlt, kSpace, kEnter, kDelete, kEscape, kOther };

// Modifier state of a key event: Ctrl 1, Shift 2, Alt 4, summed.
constexpr int kModifierCtrl = 1;
constexpr int kModifierShift = 2;
constexpr int kModifierAlt = 4;

enum class SelectionOutcome { kOpen, kAccepted, kCancelled };

// The magnifier: 20 x 20 screen pixels shown as 5 x 5 blocks in a
// 100 x 100 picture, framed by a one-pixel border.
constexpr int kMagnifiedPixels = 20;
constexpr int kMagnifierZoom = 5;
constexpr int kMagnifierPictureSize = kMagnifiedPixels * kMagnifierZoom;
constexpr int kMagnifierBoxSize = kMagnifierPictureSize + 2;
constexpr int kMagnifierCrossAt = 52;

constexpr int kHandleHalf = 4;  // handles are 9 x 9 squares

extern const char kPointHintSuffix[];
extern const char kEndPointHint[];
extern const char kAdjustHint[];
extern const char kSelectionHelpText[];

// The rectangle of the four edits {left, top, width, height}. A width or
// height below 1 counts as 1, so the preset is always a real rectangle.
SelectionRect PresetRect(int32_t left, int32_t top, int32_t width, int32_t height);

// {x1, y1} top-left, whatever order the two points come in.
SelectionRect NormalisedRect(ScreenPoint a, ScreenPoint b);

// The eight handle squares, in hit-code order: the corners and edge
// midpoints with halves truncated toward zero.
std::array<SelectionRect, 8> HandleSquares(const SelectionRect& rect);

// Handles 1 to 8 first, then the rectangle, then kHitOutside.
int HitTest(const SelectionRect& rect, ScreenPoint p);

SelectionPointer PointerForHit(int hitCode);

// Whether all four corners of `rect` lie on monitors: the parts of the
// desktop's bounding box that no monitor shows cannot hold a corner.
bool CornersOnMonitors(const SelectionRect& rect, const Desktop& desktop);

// The rectangle after dragging `hitCode` from `pressPoint` to `mouse`,
// starting from `atPress`, normalised. A move keeps the size and stops at
// the desktop's edges; a handle follows the mouse only as far as the
// monitors reach. Neither puts a corner into a gap between monitors: the
// rectangle stops where the way toward the mouse would, sliding along the
// edge it met.
SelectionRect DragRect(int hitCode, const SelectionRect& atPress, ScreenPoint pressPoint, ScreenPoint mouse,
                       const Desktop& desktop);

// Top-left corner of the magnifier box for the mouse at `mouse`, kept on
// `monitor` (the one under the pointer): up and to the left of the
// pointer, or below and to the right when that would leave the monitor; on
// a side where that leaves it too (near the top-right and bottom-left
// corners) the box goes back to the pointer's other side. A monitor
// smaller than the box shows it from its top-left corner.
ScreenPoint MagnifierPlace(ScreenPoint mouse, const ScreenBox& monitor);

// `rect` moved into `area`, its size cut to the area's where it is larger.
SelectionRect RectOnScreen(const SelectionRect& rect, const ScreenBox& area);

// A label or hint: a filled box with text in it.
struct TextBox {
  bool visible = false;
  std::string text;  // GBK; lines joined by "\r\n"
  ScreenBox box;
  ScreenPoint textAt;
  ScreenBox textBounds;  // where the lines of text lie
  bool operator==(const TextBox& o) const {
    return visible == o.visible && (!visible || (text == o.text && box == o.box && textAt == o.textAt &&
                                                 textBounds == o.textBounds));
  }
  bool operator!=(const TextBox& o) const { return !(*this == o); }
};

// Everything the overlay paints over the frozen screen picture.
struct SelectionScene {
  ScreenBox bounds;  // the whole desktop
  bool crossVisible = false;  // stage 0: full-width and full-height lines
  ScreenPoint cross;
  TextBox pointLabel;
  TextBox sizeLabel;
  TextBox hint;
  bool rectVisible = false;  // stages 1 and 2: outline and handles
  SelectionRect rect;
  std::array<SelectionRect, 8> handles{};
  bool magnifierVisible = false;
  ScreenPoint magnifierAt;      // top-left corner of its box
  ScreenPoint magnifierSource;  // screen pixel at its centre

  ScreenBox MagnifierBox() const {
    return {magnifierAt.x, magnifierAt.y, magnifierAt.x + kMagnifierBoxSize, magnifierAt.y + kMagnifierBoxSize};
  }
  // Every area the scene paints: repainting these for the old and the new
  // scene is enough to bring the screen up to date.
  std::vector<ScreenBox> PaintedAreas() const;
  bool operator==(const SelectionScene& o) const;
  bool operator!=(const SelectionScene& o) const { return !(*this == o); }
};

// What a key asks the window to do besides repainting.
struct KeyResult {
  bool moveCursor = false;
  ScreenPoint cursor;     // the pointer's new place when moveCursor
  bool showHelp = false;  // a simulated release ended outside the rectangle
};

class SelectionState {
 public:
  explicit SelectionState(const Desktop& desktop);

  // Starts at the mouse in stage 0, or with `preset` (moved onto the
  // desktop) in stage 2. Every point given to the state is first moved to
  // the nearest point a monitor shows: with the mouse captured, a drag
  // reports points past the overlay's edges or in gaps between monitors,
  // and the accepted rectangle never leaves the desktop.
  void Open(ScreenPoint mouse, const SelectionRect* preset);

  // W held hides the texts, S held keeps the magnifier where it is; the
  // window reports both before every event.
  void SetHeldKeys(bool textHidden, bool magnifierPinned);

  // False when skipped because the mouse is where it was last handled.
  bool MouseMove(ScreenPoint p);
  void LeftDown(ScreenPoint p);
  // True when the help text is to be shown (a release outside the
  // rectangle in stage 2).
  bool LeftUp(ScreenPoint p);
  // The system reports the second press of a quick pair as a double-click;
  // outside stage 2's rectangle it is that press.
  void DoubleClick(ScreenPoint p);
  void RightDown(ScreenPoint p);
  // `pointer` is the mouse pointer's position.
  KeyResult KeyDown(SelectionKey key, int modifiers, ScreenPoint pointer);
  KeyResult KeyUp(SelectionKey key, int modifiers, ScreenPoint pointer);
  // Back to stage 0 at `p`.
  void Reset(ScreenPoint p);

  SelectionScene Scene(const TextMeasurer& measurer) const;

  int Stage() const { return stage; }
  const SelectionRect& Rect() const { return rect; }
  int Hit() const { return hitCode; }
  bool ButtonDown() const { return buttonDown; }
  SelectionPointer Pointer() const;
  SelectionOutcome Outcome() const { return outcome; }
  const Desktop& GetDesktop() const { return desktop; }

 private:
  void HandleMove(ScreenPoint p);
  // Sets the mouse position the scene is drawn for and places the
  // magnifier unless it is pinned.
  void DrawAt(ScreenPoint p);
  void Press(ScreenPoint p, bool keepHit);
  bool Release(ScreenPoint p);
  ScreenPoint ClampToScreen(ScreenPoint p) const;
  // The rubber band of stage 1 from the first point toward `p`.
  SelectionRect RubberBand(ScreenPoint p) const;
  bool MagnifierShown() const { return stage != 2 || buttonDown; }

  Desktop desktop;
  ScreenBox bounds;
  int stage = 0;
  SelectionRect rect;
  SelectionOutcome outcome = SelectionOutcome::kOpen;
  bool buttonDown = false;
  bool keyboardMove = false;  // the button press was simulated by a key
  ScreenPoint firstPoint, pressPoint;
  SelectionRect rectAtPress;
  int hitCode = kHitNone;
  ScreenPoint lastMouse{-1, -1};
  ScreenPoint mouse;  // where the scene was last drawn for
  ScreenPoint magnifierAt;
  bool textHidden = false;
  bool magnifierPinned = false;
};

}  // namespace movrel
