#include "select/frame_window_win.h"

#include "common/desktop_win.h"
#include "select/follow_mouse.h"

namespace movrel {
namespace {

const wchar_t kFrameClass[] = L"MovrelFrameWindow";

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

LRESULT CALLBACK FrameWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT covers every pixel
    case WM_PAINT: {
      PaintGuard paint(window);
      PaintFrame(window, paint.dc());
      return 0;
    }
    case WM_NCHITTEST:
      return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterFrameClass() {
  static bool registered = false;
  if (registered) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = FrameWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kFrameClass;
  registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  return registered;
}

}  // namespace

bool FrameWindow::Create() {
  if (window) return true;
  if (!RegisterFrameClass()) return false;
  // No owner: an owned window would vanish with the main window when that
  // is minimised or hidden in the tray during a recording.
  window.reset(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, kFrameClass, L"", WS_POPUP, 0,
                               0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
  if (!window) return false;
  LONG_PTR exStyle = GetWindowLongPtrW(window.get(), GWL_EXSTYLE);
  SetWindowLongPtrW(window.get(), GWL_EXSTYLE, exStyle | WS_EX_LAYERED | WS_EX_TRANSPARENT);
  if (!SetLayeredWindowAttributes(window.get(), kFrameKeyColour, 0, LWA_COLORKEY)) {
    window.reset();
    return false;
  }
  return true;
}

void FrameWindow::Destroy() { window.reset(); }

void FrameWindow::Update(const FrameRequest& request) {
  if (!window) return;
  if (!request.recordArea || !request.showFrame) {
    ShowWindow(window.get(), SW_HIDE);
    return;
  }
  RecordRect rect = request.rect;
  if (request.followMouse) FollowMouse(rect);
  const RecordRect place = FramePlacement(rect);
  SetWindowPos(window.get(), HWND_TOPMOST, place.left, place.top, place.width, place.height,
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
