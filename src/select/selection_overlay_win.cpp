#include "select/selection_overlay_win.h"

#include <algorithm>

#include "common/desktop_win.h"
#include "common/gbk_win.h"
#include "ui/message_box_win.h"
#include "ui/ui_win.h"

namespace movrel {
namespace {

const WindowClass kOverlayClass = {L"MovrelSelectionOverlay", CS_DBLCLKS, nullptr};

constexpr COLORREF kMarkColour = RGB(255, 0, 0);
constexpr COLORREF kHandleColour = RGB(144, 0, 255);
constexpr COLORREF kLabelFill = RGB(255, 255, 225);
constexpr COLORREF kLabelBorder = RGB(0, 0, 0);
constexpr COLORREF kLabelText = RGB(0, 0, 0);
constexpr COLORREF kMagnifierBorder = RGB(0, 0, 0);
// Parts of the desktop's bounding box that no monitor shows.
constexpr COLORREF kUnseenFill = RGB(32, 32, 32);

// The frozen screen and the magnifier's picture are made once and kept for
// the life of the program, so opening the overlay again costs no allocation
// of a full-screen section.
BitmapSurface& ScreenCopy() {
  static BitmapSurface surface;
  return surface;
}

BitmapSurface& MagnifierImage() {
  static BitmapSurface surface;
  return surface;
}

RECT ToRect(const ScreenBox& b) { return {b.left, b.top, b.right, b.bottom}; }
RECT ToRect(const SelectionRect& r) { return {r.x1, r.y1, r.x2 + 1, r.y2 + 1}; }

void Fill(HDC dc, const RECT& r, HBRUSH brush) { FillRect(dc, &r, brush); }

void PaintTextBox(HDC dc, const TextBox& t, HBRUSH fill, HBRUSH border) {
  if (!t.visible) return;
  RECT box = ToRect(t.box);
  FillRect(dc, &box, fill);
  FrameRect(dc, &box, border);
  std::wstring text = ToWide(t.text);
  RECT at = {t.textAt.x, t.textAt.y, t.textBounds.right + 1, t.textBounds.bottom + 1};
  DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &at, DT_LEFT | DT_TOP | DT_NOCLIP | DT_NOPREFIX);
}

int ModifierState() {
  int state = 0;
  if (GetKeyState(VK_CONTROL) < 0) state |= kModifierCtrl;
  if (GetKeyState(VK_SHIFT) < 0) state |= kModifierShift;
  if (GetKeyState(VK_MENU) < 0) state |= kModifierAlt;
  return state;
}

SelectionKey KeyFromVirtualKey(WPARAM key) {
  switch (key) {
    case VK_LEFT: return SelectionKey::kLeft;
    case VK_RIGHT: return SelectionKey::kRight;
    case VK_UP: return SelectionKey::kUp;
    case VK_DOWN: return SelectionKey::kDown;
    case VK_SHIFT: return SelectionKey::kShift;
    case VK_CONTROL: return SelectionKey::kControl;
    case VK_MENU: return SelectionKey::kAlt;
    case VK_SPACE: return SelectionKey::kSpace;
    case VK_RETURN: return SelectionKey::kEnter;
    case VK_DELETE: return SelectionKey::kDelete;
    case VK_ESCAPE: return SelectionKey::kEscape;
    default: return SelectionKey::kOther;
  }
}

// Held as the hotkey poller tests keys: the first call's answer (which also
// reports presses since the previous call) is dropped, the second says
// whether the key is down now.
bool KeyHeld(int virtualKey) {
  GetAsyncKeyState(virtualKey);
  return GetAsyncKeyState(virtualKey) != 0;
}

const wchar_t* CursorFor(SelectionPointer pointer) {
  switch (pointer) {
    case SelectionPointer::kSizeNwse: return IDC_SIZENWSE;
    case SelectionPointer::kSizeNs: return IDC_SIZENS;
    case SelectionPointer::kSizeNesw: return IDC_SIZENESW;
    case SelectionPointer::kSizeWe: return IDC_SIZEWE;
    case SelectionPointer::kSizeAll: return IDC_SIZEALL;
    case SelectionPointer::kNo: return IDC_NO;
    default: return IDC_CROSS;
  }
}

ScreenPoint PointerPosition() {
  POINT p{};
  GetCursorPos(&p);
  return {p.x, p.y};
}

}  // namespace

GdiTextMeasurer::GdiTextMeasurer(HFONT font) : dc_(CreateCompatibleDC(nullptr)), selectFont_(dc_.get(), font) {}

TextSize GdiTextMeasurer::Measure(const std::string& text) const {
  std::wstring wide = ToWide(text);
  SIZE size{};
  if (!dc_ || !GetTextExtentPoint32W(dc_.get(), wide.c_str(), static_cast<int>(wide.size()), &size)) return {};
  return {size.cx, size.cy};
}

bool PaintMagnifier(BitmapSurface& screen, BitmapSurface& magnifier, ScreenPoint centre) {
  if (magnifier.GetWidth() != kMagnifierPictureSize || magnifier.GetHeight() != kMagnifierPictureSize ||
      magnifier.GetDepth() != 24) {
    if (!magnifier.CreateBlank(kMagnifierPictureSize, kMagnifierPictureSize, 24)) return false;
  }
  const int half = kMagnifiedPixels / 2;
  for (int i = 0; i < kMagnifiedPixels; ++i) {
    for (int j = 0; j < kMagnifiedPixels; ++j) {
      COLORREF colour = screen.GetPixel(centre.x - half + i, centre.y - half + j);
      if (colour == CLR_INVALID) colour = RGB(0, 0, 0);
      for (int a = 0; a < kMagnifierZoom; ++a) {
        for (int b = 0; b < kMagnifierZoom; ++b) magnifier.SetPixel(kMagnifierZoom * i + a, kMagnifierZoom * j + b, colour);
      }
    }
  }
  return true;
}

void PaintSceneMarks(HDC dc, const SelectionScene& scene, HDC magnifierDc, HFONT font) {
  UniqueBrush mark(CreateSolidBrush(kMarkColour));
  UniqueBrush handle(CreateSolidBrush(kHandleColour));
  UniqueBrush labelFill(CreateSolidBrush(kLabelFill));
  UniqueBrush labelBorder(CreateSolidBrush(kLabelBorder));
  UniqueBrush magnifierBorder(CreateSolidBrush(kMagnifierBorder));
  if (scene.crossVisible) {
    Fill(dc, {scene.cross.x, scene.bounds.top, scene.cross.x + 1, scene.bounds.bottom}, mark.get());
    Fill(dc, {scene.bounds.left, scene.cross.y, scene.bounds.right, scene.cross.y + 1}, mark.get());
  }
  if (scene.rectVisible) {
    RECT outline = ToRect(scene.rect);
    FrameRect(dc, &outline, mark.get());
    for (const SelectionRect& h : scene.handles) {
      RECT square = ToRect(h);
      FrameRect(dc, &square, handle.get());
    }
  }
  {
    SelectGuard selectFont(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kLabelText);
    PaintTextBox(dc, scene.pointLabel, labelFill.get(), labelBorder.get());
    PaintTextBox(dc, scene.sizeLabel, labelFill.get(), labelBorder.get());
    PaintTextBox(dc, scene.hint, labelFill.get(), labelBorder.get());
  }
  if (scene.magnifierVisible) {
    RECT box = ToRect(scene.MagnifierBox());
    FrameRect(dc, &box, magnifierBorder.get());
    const int x = box.left + 1, y = box.top + 1;
    if (magnifierDc) BitBlt(dc, x, y, kMagnifierPictureSize, kMagnifierPictureSize, magnifierDc, 0, 0, SRCCOPY);
    Fill(dc, {x + kMagnifierCrossAt, y, x + kMagnifierCrossAt + 1, y + kMagnifierPictureSize}, mark.get());
    Fill(dc, {x, y + kMagnifierCrossAt, x + kMagnifierPictureSize, y + kMagnifierCrossAt + 1}, mark.get());
  }
}

SelectionOverlay::~SelectionOverlay() { Close(); }

bool SelectionOverlay::Open(HWND owner, const SelectionRect* preset) {
  if (handle()) return false;
  const Desktop desktop = ReadDesktop();
  const DesktopBox bounds = desktop.Bounds();
  const int width = bounds.Width(), height = bounds.Height();
  origin_ = {bounds.left, bounds.top};
  // The picture is taken before the overlay shows, so it holds the desktop
  // as the user saw it: all monitors at once.
  BitmapSurface& screen = ScreenCopy();
  if (!screen.CaptureScreen(bounds.left, bounds.top, width, height)) return false;
  {
    UniqueBrush unseen(CreateSolidBrush(kUnseenFill));
    for (const DesktopBox& gap : desktop.Uncovered(bounds)) {
      Fill(screen.GetMemoryDc(), {gap.left - origin_.x, gap.top - origin_.y, gap.right - origin_.x, gap.bottom - origin_.y},
           unseen.get());
    }
    screen.RefreshImage();
  }
  state_ = SelectionState(desktop);
  if (!back_.Fit(width, height)) return false;
  if (!BitBlt(back_.dc(), 0, 0, width, height, screen.GetMemoryDc(), 0, 0, SRCCOPY)) {
    Close();  // no frozen picture to show: the overlay does not open
    return false;
  }
  font_ = CreateUiFont(WindowDpi(nullptr));
  measurer_ = std::make_unique<GdiTextMeasurer>(font_.get());
  MagnifierImage().CreateBlank(kMagnifierPictureSize, kMagnifierPictureSize, 24);
  magnifierPainted_ = false;

  if (!Create(kOverlayClass, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"", WS_POPUP, bounds.left, bounds.top, width, height,
              owner)) {
    return false;
  }
  HWND window = handle();
  state_.Open(PointerPosition(), preset);
  SyncHeldKeys();
  shown_ = SelectionScene{};
  UpdateView();
  InvalidateRect(window, nullptr, FALSE);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetFocus(window);
  UpdateWindow(window);
  return true;
}

bool SelectionOverlay::RunModal(HWND disabledOwner) {
  if (!handle()) return false;
  // No hotkey acts under the overlay. The owner is enabled before the
  // overlay goes, so it takes the activation back instead of some other
  // program.
  RunModalLoop(disabledOwner, [this] { return !handle() || state_.Outcome() != SelectionOutcome::kOpen; });
  const bool accepted = state_.Outcome() == SelectionOutcome::kAccepted;
  Close();
  return accepted;
}

void SelectionOverlay::Close() {
  Destroy();
  back_.Release();
  measurer_.reset();
  font_.reset();
}

void SelectionOverlay::SyncHeldKeys() { state_.SetHeldKeys(KeyHeld('W'), KeyHeld('S')); }

void SelectionOverlay::UpdateView() {
  HWND window = handle();
  if (!window) return;
  SelectionScene scene = state_.Scene(*measurer_);
  if (scene.magnifierVisible && (!magnifierPainted_ || scene.magnifierSource != magnifierPaintedFor_)) {
    const ScreenPoint source{scene.magnifierSource.x - origin_.x, scene.magnifierSource.y - origin_.y};
    magnifierPainted_ = PaintMagnifier(ScreenCopy(), MagnifierImage(), source);
    magnifierPaintedFor_ = scene.magnifierSource;
  }
  if (scene != shown_) {
    for (const SelectionScene* s : {&shown_, &scene}) {
      for (const ScreenBox& area : s->PaintedAreas()) {
        RECT r = ToClient(area);
        InvalidateRect(window, &r, FALSE);
      }
    }
    shown_ = std::move(scene);
  }
  SetCursor(LoadCursorW(nullptr, CursorFor(state_.Pointer())));
}

void SelectionOverlay::OnPaint() {
  HWND window = handle();
  UniqueRegion update(CreateRectRgn(0, 0, 0, 0));
  int kind = update ? GetUpdateRgn(window, update.get(), FALSE) : ERROR;
  PaintGuard paint(window);
  if (kind == NULLREGION) return;
  RECT box = paint.paint().rcPaint;
  HDC back = back_.dc();
  // Only the changed areas are brought back to the frozen picture and
  // marked again; the window then gets them in one copy, so it never shows
  // a half-painted state.
  SelectClipRgn(back, kind == ERROR ? nullptr : update.get());
  BitBlt(back, box.left, box.top, box.right - box.left, box.bottom - box.top, ScreenCopy().GetMemoryDc(), box.left,
         box.top, SRCCOPY);
  // The scene is in desktop pixels; the clip region stays in the buffer's.
  POINT previousOrigin{};
  SetViewportOrgEx(back, -origin_.x, -origin_.y, &previousOrigin);
  PaintSceneMarks(back, shown_, magnifierPainted_ ? MagnifierImage().GetMemoryDc() : nullptr, font_.get());
  SetViewportOrgEx(back, previousOrigin.x, previousOrigin.y, nullptr);
  SelectClipRgn(back, nullptr);
  BitBlt(paint.dc(), box.left, box.top, box.right - box.left, box.bottom - box.top, back, box.left, box.top, SRCCOPY);
}

ScreenPoint SelectionOverlay::ToDesktop(LPARAM lParam) const {
  return {origin_.x + static_cast<short>(LOWORD(lParam)), origin_.y + static_cast<short>(HIWORD(lParam))};
}

RECT SelectionOverlay::ToClient(const ScreenBox& b) const {
  return {b.left - origin_.x, b.top - origin_.y, b.right - origin_.x, b.bottom - origin_.y};
}

void SelectionOverlay::OnKey(WPARAM key, bool down) {
  const ScreenPoint pointer = PointerPosition();
  const SelectionKey selectionKey = KeyFromVirtualKey(key);
  const int modifiers = ModifierState();
  KeyResult result = down ? state_.KeyDown(selectionKey, modifiers, pointer) : state_.KeyUp(selectionKey, modifiers, pointer);
  if (result.moveCursor) SetCursorPos(result.cursor.x, result.cursor.y);
  UpdateView();
  if (result.showHelp) ShowHelp();
}

void SelectionOverlay::ShowHelp() {
  HWND overlay = handle();
  EnableWindow(overlay, FALSE);
  ShowMessage(kSelectionHelpText);
  if (!IsWindow(overlay)) return;
  EnableWindow(overlay, TRUE);
  SetForegroundWindow(overlay);
  SetFocus(overlay);
}

LRESULT SelectionOverlay::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        SetCursor(LoadCursorW(nullptr, CursorFor(state_.Pointer())));
        return TRUE;
      }
      break;
    case WM_MOUSEMOVE:
      SyncHeldKeys();
      if (state_.MouseMove(ToDesktop(lParam))) UpdateView();
      return 0;
    case WM_LBUTTONDOWN:
      SetCapture(handle());
      SyncHeldKeys();
      state_.LeftDown(ToDesktop(lParam));
      UpdateView();
      return 0;
    case WM_LBUTTONDBLCLK:
      SetCapture(handle());
      SyncHeldKeys();
      state_.DoubleClick(ToDesktop(lParam));
      UpdateView();
      return 0;
    case WM_LBUTTONUP: {
      ReleaseCapture();
      SyncHeldKeys();
      bool help = state_.LeftUp(ToDesktop(lParam));
      UpdateView();
      if (help) ShowHelp();
      return 0;
    }
    case WM_RBUTTONDOWN:
      SyncHeldKeys();
      state_.RightDown(ToDesktop(lParam));
      UpdateView();
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // Alt+F4 asks to close, which here means giving up the selection.
      if (wParam == VK_F4 && (GetKeyState(VK_MENU) < 0)) {
        state_.KeyDown(SelectionKey::kEscape, 0, PointerPosition());
        return 0;
      }
      SyncHeldKeys();
      OnKey(wParam, true);
      return 0;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      SyncHeldKeys();
      OnKey(wParam, false);
      return 0;
    case WM_SYSCHAR:
      return 0;  // no menu to open, no beep
    case WM_CLOSE:
      state_.KeyDown(SelectionKey::kEscape, 0, PointerPosition());
      return 0;
  }
  return Default(message, wParam, lParam);
}

bool RunSelectionOverlay(HWND owner, const SelectionRect& preset, bool startFromPreset, SelectionRect* accepted) {
  SelectionOverlay overlay;
  // A minimised or hidden owner would hide the overlay with it.
  HWND visibleOwner = owner && IsWindowVisible(owner) && !IsIconic(owner) ? owner : nullptr;
  if (!overlay.Open(visibleOwner, startFromPreset ? &preset : nullptr)) return false;
  if (!overlay.RunModal(owner)) return false;
  if (accepted) *accepted = overlay.State().Rect();
  return true;
}

}  // namespace movrel
