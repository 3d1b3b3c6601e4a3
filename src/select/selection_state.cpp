#include "select/selection_state.h"

#include <algorithm>
#include <utility>

#include "common/gbk.h"

namespace movrel {

const char kPointHintSuffix[] = " (单击鼠标或按下空格键确定矩形的起点)";
const char kEndPointHint[] = "单击鼠标左键或按下空格键确定矩形的终点";
const char kAdjustHint[] = "双击鼠标左键或按下回车键完成选定矩形；单击鼠标右键或Del键重新选定；Esc键退出";
const char kSelectionHelpText[] =
    "当选定矩形后，你可以：\r\n"
    "\r\n"
    "按住矩形拖动：移动矩形位置\r\n"
    "按住角柄拖动：更改矩形边长\r\n"
    "双击矩形或回车键：完成矩形选定\r\n"
    "鼠标右键单击或Del键或空格键：重新选定矩形\r\n"
    "ESC键：放弃矩形选定\r\n"
    "\r\n"
    "矩形：有一个起点（x,y）和终点（x,y）的四方形\r\n"
    "角柄：矩形的左右上下以及四角的八个小框\r\n"
    "\r\n"
    "----------------------------------\r\n"
    "\r\n"
    "你可以使用几种方式来选定矩形：\r\n"
    "\r\n"
    "1、在开始点按住鼠标左键到结束点放开鼠标左键\r\n"
    "2、在开始点和结束点分别单击一次鼠标左键\r\n"
    "3、在开始点和结束点分别按下空格键\r\n"
    "\r\n"
    "----------------------------------\r\n"
    "\r\n"
    "另外，在选定矩形的任何步骤，可以使用键盘操作来移动鼠标，如：\r\n"
    "\r\n"
    "按下“←→↑↓”四个方向的箭头键，可以移动鼠标，按下箭头键的同时还可以按下Ctrl（加1）、Shift（加2）、Alt（加4）"
    "三种辅助按键来增量移动鼠标\r\n"
    "\r\n"
    "（可以组合按Ctrl、Shift、Alt 加不同方向的箭头键来加速移动鼠标）\r\n"
    "\r\n"
    "-----------------------------------\r\n"
    "\r\n"
    "如果觉得选定矩形的过程中，动态提示的文字妨碍定位，可以按住W键来隐藏文字，你还可以按住S键来禁止放大框跟随鼠标";

namespace {

constexpr int64_t kPresetLimit = 1 << 28;

bool IsArrow(SelectionKey key) {
  return key == SelectionKey::kLeft || key == SelectionKey::kRight || key == SelectionKey::kUp ||
         key == SelectionKey::kDown;
}

bool IsModifierKey(SelectionKey key) {
  return key == SelectionKey::kShift || key == SelectionKey::kControl || key == SelectionKey::kAlt;
}

// Arrows, the modifier keys themselves and any key pressed with a modifier
// move the pointer (and in stage 2 the rectangle).
bool IsMoveKey(SelectionKey key, int modifiers) { return IsArrow(key) || IsModifierKey(key) || modifiers != 0; }

ScreenPoint Centre(const SelectionRect& r) { return {r.x1 + (r.x2 - r.x1) / 2, r.y1 + (r.y2 - r.y1) / 2}; }

ScreenBox Square(const SelectionRect& r) { return {r.x1, r.y1, r.x2 + 1, r.y2 + 1}; }

// Where the lines of `text` lie when drawn from `at`.
ScreenBox TextBounds(const std::string& text, ScreenPoint at, const TextMeasurer& measurer) {
  int width = 0, lineHeight = 0, lines = 0;
  for (const std::string& line : SplitLines(text)) {
    TextSize size = measurer.Measure(line);
    width = std::max(width, size.width);
    lineHeight = std::max(lineHeight, size.height);
    ++lines;
  }
  if (lines == 0) lineHeight = measurer.Measure(" ").height;
  return {at.x, at.y, at.x + width, at.y + std::max(1, lines) * lineHeight};
}

TextBox MakeTextBox(std::string text, ScreenBox box, ScreenPoint textAt, const TextMeasurer& measurer) {
  TextBox t;
  t.visible = true;
  t.textBounds = TextBounds(text, textAt, measurer);
  t.text = std::move(text);
  t.box = box;
  t.textAt = textAt;
  return t;
}

}  // namespace

SelectionRect PresetRect(int32_t left, int32_t top, int32_t width, int32_t height) {
  // Far beyond any screen, but small enough that no drag or label
  // arithmetic on the corners can overflow.
  auto clamp = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -kPresetLimit, kPresetLimit)); };
  const int64_t w = std::max<int64_t>(1, width), h = std::max<int64_t>(1, height);
  return {clamp(left), clamp(top), clamp(static_cast<int64_t>(left) + w - 1), clamp(static_cast<int64_t>(top) + h - 1)};
}

SelectionRect NormalisedRect(ScreenPoint a, ScreenPoint b) {
  return {std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x), std::max(a.y, b.y)};
}

std::array<SelectionRect, 8> HandleSquares(const SelectionRect& r) {
  const int w = r.x2 - r.x1, h = r.y2 - r.y1;
  const ScreenPoint centres[8] = {{r.x1, r.y1},         {r.x1 + w / 2, r.y1}, {r.x2, r.y1},
                                  {r.x1, r.y2},         {r.x1 + w / 2, r.y2}, {r.x2, r.y2},
                                  {r.x1, r.y1 + h / 2}, {r.x2, r.y1 + h / 2}};
  std::array<SelectionRect, 8> squares;
  for (int i = 0; i < 8; ++i) {
    const ScreenPoint c = centres[i];
    squares[i] = {c.x - kHandleHalf, c.y - kHandleHalf, c.x + kHandleHalf, c.y + kHandleHalf};
  }
  return squares;
}

int HitTest(const SelectionRect& rect, ScreenPoint p) {
  const auto squares = HandleSquares(rect);
  for (int i = 0; i < 8; ++i) {
    if (squares[i].Contains(p)) return kHitTopLeft + i;
  }
  return rect.Contains(p) ? kHitInside : kHitOutside;
}

SelectionPointer PointerForHit(int hitCode) {
  switch (hitCode) {
    case kHitTopLeft:
    case kHitBottomRight:
      return SelectionPointer::kSizeNwse;
    case kHitTopMiddle:
    case kHitBottomMiddle:
      return SelectionPointer::kSizeNs;
    case kHitTopRight:
    case kHitBottomLeft:
      return SelectionPointer::kSizeNesw;
    case kHitMiddleLeft:
    case kHitMiddleRight:
      return SelectionPointer::kSizeWe;
    case kHitInside:
      return SelectionPointer::kSizeAll;
    case kHitOutside:
      return SelectionPointer::kNo;
    default:
      return SelectionPointer::kCross;
  }
}

bool CornersOnMonitors(const SelectionRect& r, const Desktop& desktop) {
  return desktop.Covers(r.x1, r.y1) && desktop.Covers(r.x2, r.y1) && desktop.Covers(r.x1, r.y2) &&
         desktop.Covers(r.x2, r.y2);
}

namespace {

ScreenPoint NearestOnMonitor(ScreenPoint p, const Desktop& desktop) {
  const DesktopPoint q = desktop.NearestCovered(p.x, p.y);
  return {q.x, q.y};
}

// `make(mouse)` for the mouse nearest to `to` on the way from `from` whose
// rectangle keeps its corners on monitors: first along the straight way,
// then along each axis on its own, so a rectangle that meets a gap slides
// along its edge instead of sticking. When even `from` gives no such
// rectangle there is nothing to hold on to and `to` is taken as it is.
template <class Make>
SelectionRect KeepCornersOnMonitors(ScreenPoint from, ScreenPoint to, const Desktop& desktop, Make make) {
  const SelectionRect wanted = make(to);
  if (CornersOnMonitors(wanted, desktop) || !CornersOnMonitors(make(from), desktop)) return wanted;
  const int64_t dx = int64_t{to.x} - from.x, dy = int64_t{to.y} - from.y;
  const int64_t steps = std::max(dx < 0 ? -dx : dx, dy < 0 ? -dy : dy);
  ScreenPoint best = from;
  for (int64_t k = steps - 1; k > 0; --k) {
    const ScreenPoint q{static_cast<int>(from.x + dx * k / steps), static_cast<int>(from.y + dy * k / steps)};
    if (CornersOnMonitors(make(q), desktop)) {
      best = q;
      break;
    }
  }
  auto slide = [&](int ScreenPoint::*axis) {
    const int target = to.*axis, step = target > best.*axis ? 1 : -1;
    for (int v = target; v != best.*axis; v -= step) {
      ScreenPoint q = best;
      q.*axis = v;
      if (CornersOnMonitors(make(q), desktop)) {
        best = q;
        return;
      }
    }
  };
  slide(&ScreenPoint::x);
  slide(&ScreenPoint::y);
  return make(best);
}

SelectionRect DragWithin(int hitCode, const SelectionRect& atPress, ScreenPoint pressPoint, ScreenPoint mouse,
                         const Desktop& desktop) {
  // Corners are kept as two free points until the end, so dragging a handle
  // across the opposite edge swaps the corners instead of inverting.
  ScreenPoint a{atPress.x1, atPress.y1}, b{atPress.x2, atPress.y2};
  if (hitCode != kHitInside) mouse = NearestOnMonitor(mouse, desktop);
  switch (hitCode) {
    case kHitTopLeft: a = mouse; break;
    case kHitTopMiddle: a.y = mouse.y; break;
    case kHitTopRight: a.y = mouse.y; b.x = mouse.x; break;
    case kHitBottomLeft: a.x = mouse.x; b.y = mouse.y; break;
    case kHitBottomMiddle: b.y = mouse.y; break;
    case kHitBottomRight: b = mouse; break;
    case kHitMiddleLeft: a.x = mouse.x; break;
    case kHitMiddleRight: b.x = mouse.x; break;
    case kHitInside: {
      // The size never changes: what the near edge overshoots is added to
      // the far one, and what the far edge overshoots is taken from both.
      auto move = [](int lo, int hi, int d, int first, int last, int* outLo, int* outHi) {
        int64_t newLo = static_cast<int64_t>(lo) + d, overshoot = 0;
        if (newLo < first) {
          overshoot = first - newLo;
          newLo = first;
        }
        int64_t newHi = static_cast<int64_t>(hi) + d + overshoot;
        if (newHi > last) {
          newLo -= newHi - last;
          newHi = last;
        }
        *outLo = static_cast<int>(newLo);
        *outHi = static_cast<int>(newHi);
      };
      const DesktopBox& bounds = desktop.Bounds();
      move(atPress.x1, atPress.x2, mouse.x - pressPoint.x, bounds.left, bounds.right - 1, &a.x, &b.x);
      move(atPress.y1, atPress.y2, mouse.y - pressPoint.y, bounds.top, bounds.bottom - 1, &a.y, &b.y);
      break;
    }
    default:
      break;
  }
  return NormalisedRect(a, b);
}

}  // namespace

SelectionRect DragRect(int hitCode, const SelectionRect& atPress, ScreenPoint pressPoint, ScreenPoint mouse,
                       const Desktop& desktop) {
  return KeepCornersOnMonitors(pressPoint, mouse, desktop, [&](ScreenPoint q) {
    return DragWithin(hitCode, atPress, pressPoint, q, desktop);
  });
}

ScreenPoint MagnifierPlace(ScreenPoint mouse, const ScreenBox& monitor) {
  // Worked out with the monitor's top-left corner as the origin.
  const int width = monitor.right - monitor.left, height = monitor.bottom - monitor.top;
  const ScreenPoint local{mouse.x - monitor.left, mouse.y - monitor.top};
  const ScreenPoint upLeft{local.x - 130, local.y - 130};
  ScreenPoint at = upLeft;
  if (at.x < 0 || at.y < 0) at = {local.x + 30, local.y + 80};
  // Each side keeps the pointer out of the box on its own, so the two can
  // be mixed.
  if (at.x + kMagnifierBoxSize > width) at.x = upLeft.x;
  if (at.y + kMagnifierBoxSize > height) at.y = upLeft.y;
  at.x = std::max(0, std::min(at.x, width - kMagnifierBoxSize));
  at.y = std::max(0, std::min(at.y, height - kMagnifierBoxSize));
  return {monitor.left + at.x, monitor.top + at.y};
}

SelectionRect RectOnScreen(const SelectionRect& rect, const ScreenBox& area) {
  auto fit = [](int lo, int hi, int first, int end, int* outLo, int* outHi) {
    const int64_t limit = std::max<int64_t>(1, int64_t{end} - first);
    const int64_t size = std::min<int64_t>(static_cast<int64_t>(hi) - lo + 1, limit);
    const int64_t start = std::clamp<int64_t>(lo, first, first + limit - size);
    *outLo = static_cast<int>(start);
    *outHi = static_cast<int>(start + size - 1);
  };
  const SelectionRect r = NormalisedRect({rect.x1, rect.y1}, {rect.x2, rect.y2});
  SelectionRect on;
  fit(r.x1, r.x2, area.left, area.right, &on.x1, &on.x2);
  fit(r.y1, r.y2, area.top, area.bottom, &on.y1, &on.y2);
  return on;
}

std::vector<ScreenBox> SelectionScene::PaintedAreas() const {
  std::vector<ScreenBox> areas;
  if (crossVisible) {
    areas.push_back({cross.x, bounds.top, cross.x + 1, bounds.bottom});
    areas.push_back({bounds.left, cross.y, bounds.right, cross.y + 1});
  }
  for (const TextBox* t : {&pointLabel, &sizeLabel, &hint}) {
    if (!t->visible) continue;
    areas.push_back(t->box);
    areas.push_back(t->textBounds);
  }
  if (rectVisible) {
    // The outline's four edges, not the inside it encloses.
    areas.push_back({rect.x1, rect.y1, rect.x2 + 1, rect.y1 + 1});
    areas.push_back({rect.x1, rect.y2, rect.x2 + 1, rect.y2 + 1});
    areas.push_back({rect.x1, rect.y1, rect.x1 + 1, rect.y2 + 1});
    areas.push_back({rect.x2, rect.y1, rect.x2 + 1, rect.y2 + 1});
    for (const SelectionRect& h : handles) areas.push_back(Square(h));
  }
  if (magnifierVisible) areas.push_back(MagnifierBox());
  return areas;
}

bool SelectionScene::operator==(const SelectionScene& o) const {
  return bounds == o.bounds && crossVisible == o.crossVisible &&
         (!crossVisible || cross == o.cross) && pointLabel == o.pointLabel && sizeLabel == o.sizeLabel &&
         hint == o.hint && rectVisible == o.rectVisible && (!rectVisible || rect == o.rect) &&
         magnifierVisible == o.magnifierVisible &&
         (!magnifierVisible || (magnifierAt == o.magnifierAt && magnifierSource == o.magnifierSource));
}

namespace {

ScreenBox ToScreenBox(const DesktopBox& b) { return {b.left, b.top, b.right, b.bottom}; }

}  // namespace

SelectionState::SelectionState(const Desktop& desktop) : desktop(desktop), bounds(ToScreenBox(desktop.Bounds())) {}

void SelectionState::Open(ScreenPoint mouse, const SelectionRect* preset) {
  mouse = ClampToScreen(mouse);
  outcome = SelectionOutcome::kOpen;
  Reset(mouse);
  if (preset) {
    rect = RectOnScreen(*preset, bounds);
    stage = 2;
    // The pointer shows what it is over before the mouse moves at all.
    hitCode = HitTest(rect, mouse);
    DrawAt(mouse);
  }
}

void SelectionState::SetHeldKeys(bool textHiddenNow, bool magnifierPinnedNow) {
  textHidden = textHiddenNow;
  magnifierPinned = magnifierPinnedNow;
}

bool SelectionState::MouseMove(ScreenPoint p) {
  p = ClampToScreen(p);
  if (p == lastMouse) return false;
  HandleMove(p);
  return true;
}

void SelectionState::HandleMove(ScreenPoint p) {
  lastMouse = p;
  // The magnifier never stays under the pointer: entering it moves it
  // away, even while it is pinned.
  bool enteredMagnifier = false;
  if (MagnifierShown()) {
    ScreenBox box{magnifierAt.x, magnifierAt.y, magnifierAt.x + kMagnifierBoxSize, magnifierAt.y + kMagnifierBoxSize};
    enteredMagnifier = box.Contains(p);
  }
  switch (stage) {
    case 0:
      break;
    case 1:
      rect = RubberBand(p);
      break;
    default:
      if (buttonDown) {
        rect = DragRect(hitCode, rectAtPress, pressPoint, p, desktop);
      } else {
        hitCode = HitTest(rect, p);
      }
      break;
  }
  DrawAt(p);
  if (enteredMagnifier) magnifierAt = MagnifierPlace(p, ToScreenBox(desktop.MonitorNear(p.x, p.y)));
}

void SelectionState::DrawAt(ScreenPoint p) {
  mouse = p;
  if (!magnifierPinned) magnifierAt = MagnifierPlace(p, ToScreenBox(desktop.MonitorNear(p.x, p.y)));
}

void SelectionState::Press(ScreenPoint p, bool keepHit) {
  pressPoint = p;
  buttonDown = true;
  switch (stage) {
    case 0:
      firstPoint = p;
      stage = 1;
      rect = NormalisedRect(p, p);
      break;
    case 1:
      rect = RubberBand(p);
      stage = 2;
      break;
    default:
      rectAtPress = rect;
      // A drag acts on what is under the press, even when no move was
      // reported there first.
      if (!keepHit) hitCode = HitTest(rect, p);
      break;
  }
  DrawAt(p);
}

bool SelectionState::Release(ScreenPoint p) {
  // A release without its press (the press went to another window) is no
  // event of the selection.
  if (!buttonDown) return false;
  buttonDown = false;
  keyboardMove = false;
  if (stage == 1) {
    if (p == pressPoint) return false;  // a click: the second point comes with the next one
    rect = RubberBand(p);
    stage = 2;
    hitCode = HitTest(rect, p);
    DrawAt(p);
    return false;
  }
  if (stage != 2) return false;
  hitCode = HitTest(rect, p);
  DrawAt(p);
  return !rect.Contains(p);
}

void SelectionState::LeftDown(ScreenPoint p) { Press(ClampToScreen(p), false); }

bool SelectionState::LeftUp(ScreenPoint p) { return Release(ClampToScreen(p)); }

void SelectionState::DoubleClick(ScreenPoint p) {
  p = ClampToScreen(p);
  if (stage == 2 && rect.Contains(p)) {
    outcome = SelectionOutcome::kAccepted;
    return;
  }
  Press(p, false);
}

void SelectionState::RightDown(ScreenPoint p) { Reset(p); }

void SelectionState::Reset(ScreenPoint p) {
  p = ClampToScreen(p);
  stage = 0;
  hitCode = kHitNone;
  buttonDown = false;
  keyboardMove = false;
  HandleMove(p);
}

ScreenPoint SelectionState::ClampToScreen(ScreenPoint p) const { return NearestOnMonitor(p, desktop); }

SelectionRect SelectionState::RubberBand(ScreenPoint p) const {
  return KeepCornersOnMonitors(firstPoint, p, desktop, [&](ScreenPoint q) { return NormalisedRect(firstPoint, q); });
}

KeyResult SelectionState::KeyDown(SelectionKey key, int modifiers, ScreenPoint pointer) {
  pointer = ClampToScreen(pointer);
  KeyResult result;
  if (key == SelectionKey::kEscape) {
    outcome = SelectionOutcome::kCancelled;
    return result;
  }
  if (IsMoveKey(key, modifiers)) {
    ScreenPoint target = pointer;
    bool moved = false;
    if (stage == 2 && !buttonDown) {
      // A keyboard move: the rectangle is taken by its centre.
      hitCode = kHitInside;
      target = Centre(rect);
      Press(target, true);
      keyboardMove = true;
      moved = true;
    }
    if (IsArrow(key) && (stage != 2 || buttonDown)) {
      const int step = modifiers == 0 ? 1 : 3 * modifiers;
      switch (key) {
        case SelectionKey::kLeft: target.x -= step; break;
        case SelectionKey::kRight: target.x += step; break;
        case SelectionKey::kUp: target.y -= step; break;
        default: target.y += step; break;
      }
      moved = true;
    }
    if (moved) {
      target = ClampToScreen(target);
      result.moveCursor = true;
      result.cursor = target;
      MouseMove(target);
      pointer = target;
    }
  }
  switch (key) {
    case SelectionKey::kEnter:
      if (stage == 2) {
        outcome = SelectionOutcome::kAccepted;
      } else {
        Press(pointer, false);
        Release(pointer);
      }
      break;
    case SelectionKey::kSpace:
      if (stage == 2) {
        Reset(pointer);
      } else {
        Press(pointer, false);
        Release(pointer);
      }
      break;
    case SelectionKey::kDelete:
      Reset(pointer);
      break;
    default:
      break;
  }
  return result;
}

KeyResult SelectionState::KeyUp(SelectionKey key, int modifiers, ScreenPoint pointer) {
  KeyResult result;
  // Only a move that a key started ends with a key: a modifier that was
  // already down when the overlay opened must not count as a release.
  if (stage == 2 && keyboardMove && IsMoveKey(key, modifiers)) result.showHelp = Release(ClampToScreen(pointer));
  return result;
}

SelectionPointer SelectionState::Pointer() const {
  return stage == 2 ? PointerForHit(hitCode) : SelectionPointer::kCross;
}

SelectionScene SelectionState::Scene(const TextMeasurer& measurer) const {
  SelectionScene s;
  s.bounds = bounds;
  s.magnifierVisible = MagnifierShown();
  s.magnifierAt = magnifierAt;
  s.magnifierSource = mouse;
  if (stage == 0) {
    s.crossVisible = true;
    s.cross = mouse;
    if (!textHidden) {
      std::string text = "点：" + std::to_string(mouse.x) + "," + std::to_string(mouse.y) + kPointHintSuffix;
      TextSize size = measurer.Measure(text);
      const int x = mouse.x, y = mouse.y;
      s.pointLabel = MakeTextBox(std::move(text), {x + 8, y + 8, x + size.width + 16, y + size.height + 16},
                                 {x + 12, y + 12}, measurer);
    }
    return s;
  }
  s.rectVisible = true;
  s.rect = rect;
  s.handles = HandleSquares(rect);
  // The size label is centred on the rectangle; it is measured as one line
  // holding both, so half its width and twice its height stand for the two
  // lines.
  int left = 0, bottom = 0;
  if (!textHidden) {
    std::string text = "起始：" + std::to_string(rect.x1) + "," + std::to_string(rect.y1) + "\r\n宽高：" +
                       std::to_string(rect.Width()) + "," + std::to_string(rect.Height());
    const TextSize size = measurer.Measure(text);
    const int w = rect.x2 - rect.x1, h = rect.y2 - rect.y1;
    const int tw = size.width / 2, th = size.height * 2;
    left = rect.x1 + w / 2 - tw / 2;
    const int top = rect.y1 + h / 2 - th / 2;
    bottom = rect.y1 + h / 2 + th / 2;
    s.sizeLabel = MakeTextBox(std::move(text), {left - 4, top - 4, rect.x1 + w / 2 + tw / 2 + 18, bottom + 8},
                              {left, top}, measurer);
  }
  std::string hint = stage == 1 ? kEndPointHint : kAdjustHint;
  const TextSize hintSize = measurer.Measure(hint);
  s.hint = MakeTextBox(std::move(hint), {left - 4, bottom + 12, left + hintSize.width + 8, bottom + hintSize.height + 20},
                       {left, bottom + 16}, measurer);
  return s;
}

}  // namespace movrel
