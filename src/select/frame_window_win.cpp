#include "select/frame_window_win.h"

#include "common/desktop_win.h"
#include "select/follow_mouse.h"

namespace movrel {
namespace {

const WindowClass kFrameClass = {L"MovrelFrameWindow", CS_HREDRAW | CS_VREDRAW};

// The outline is drawn by the window itself in the outer 4 of the 5 pixels
// around the rectangle, whatever the system's border metrics are at this
// DPI; the innermost pixel stays transparent, so nothing of the outline can
// reach the captured pixels.
constexpr int kOutlineWidth = 4;
constexpr COLORREF kOutlineDark = RGB(32, 32, 32);
constexpr COLORREF kOutlineBright = RGB(255, 32, 32);

void FillRing(HDC dc, const RECT& outer, int inset, COLORREF colour) {
  RECT r = outer;
  InflateRect(&r, -inset, -inset);
  if (r.right <= r.left || r.bottom <= r.top) return;
  UniqueBrush brush(CreateSolidBrush(colour));
  FrameRect(dc, &r, brush.get());
}

void PaintFrame(HWND window, HDC dc) {
  RECT client{};
  GetClientRect(window, &client);
  UniqueBrush key(CreateSolidBrush(kFrameKeyColour));
  FillRect(dc, &client, key.get());
  for (int i = 0; i < kOutlineWidth; ++i) {
    bool edge = i == 0 || i == kOutlineWidth - 1;
    FillRing(dc, client, i, edge ? kOutlineDark : kOutlineBright);
  }
}

}  // namespace

bool FrameWindow::Create() {
  if (handle()) return true;
  // No owner: an owned window would vanish with the main window when that
  // is minimised or hidden in the tray during a recording.
  if (!Window::Create(kFrameClass, WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, L"", WS_POPUP, 0, 0, 0, 0,
                      nullptr)) {
    return false;
  }
  LONG_PTR exStyle = GetWindowLongPtrW(handle(), GWL_EXSTYLE);
  SetWindowLongPtrW(handle(), GWL_EXSTYLE, exStyle | WS_EX_LAYERED | WS_EX_TRANSPARENT);
  if (!SetLayeredWindowAttributes(handle(), kFrameKeyColour, 0, LWA_COLORKEY)) {
    Destroy();
    return false;
  }
  return true;
}

LRESULT FrameWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PaintGuard paint(handle());
      PaintFrame(handle(), paint.dc());
      return 0;
    }
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
  }
  return Default(message, wParam, lParam);
}

void FrameWindow::Update(const FrameRequest& request) {
  HWND window = handle();
  if (!window) return;
  if (!request.recordArea || !request.showFrame) {
    ShowWindow(window, SW_HIDE);
    return;
  }
  RecordRect rect = request.rect;
  if (request.followMouse) FollowMouse(rect);
  const RecordRect place = FramePlacement(rect);
  SetWindowPos(window, HWND_TOPMOST, place.left, place.top, place.width, place.height,
               SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

FrameWindow& TheFrameWindow() {
  static FrameWindow frame;
  return frame;
}

void FollowMouse(RecordRect& rect) {
  POINT pointer{};
  if (!GetCursorPos(&pointer)) return;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST), &monitor)) return;
  FollowMouse(rect, pointer.x, pointer.y, ToDesktopBox(monitor.rcMonitor));
}

}  // namespace movrel
