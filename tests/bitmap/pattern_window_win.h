// A window that paints a known pattern, for capture tests: four quadrants
// (red, green, blue, white) and a magenta pixel in the bottom-right corner of
// its client area, all colours that the 4- and 8-bit colour tables hold
// exactly. It paints on WM_PAINT and on WM_PRINTCLIENT, so it can also print
// itself while covered.
#pragma once

#include <windows.h>

#include "support/wait_until.h"

namespace movrel {
namespace test {

// The pattern's colour at client pixel (x, y) of a width x height area.
inline COLORREF PatternColour(int x, int y, int width, int height) {
  if (x == width - 1 && y == height - 1) return RGB(255, 0, 255);
  const bool right = x >= width / 2, bottom = y >= height / 2;
  if (!bottom) return right ? RGB(0, 255, 0) : RGB(255, 0, 0);
  return right ? RGB(255, 255, 255) : RGB(0, 0, 255);
}

inline void PaintPattern(HDC dc, int width, int height) {
  const RECT quadrants[] = {{0, 0, width / 2, height / 2},
                            {width / 2, 0, width, height / 2},
                            {0, height / 2, width / 2, height},
                            {width / 2, height / 2, width, height}};
  for (const RECT& r : quadrants) {
    HBRUSH brush = CreateSolidBrush(PatternColour(r.left, r.top, width, height));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
  }
  SetPixelV(dc, width - 1, height - 1, PatternColour(width - 1, height - 1, width, height));
}

class PatternWindow {
 public:
  // `clientWidth` x `clientHeight` of client area with its top-left corner
  // at screen (x, y); `style` WS_POPUP gives a window without frame.
  PatternWindow(int x, int y, int clientWidth, int clientHeight, DWORD style = WS_POPUP, COLORREF solid = CLR_INVALID)
      : solid_(solid) {
    static const wchar_t* className = RegisterClassOnce();
    RECT r = {x, y, x + clientWidth, y + clientHeight};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_TOPMOST | WS_EX_TOOLWINDOW);
    window_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, className, L"movrel pattern", style, r.left, r.top,
                              r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleW(nullptr), this);
  }
  ~PatternWindow() {
    if (window_) DestroyWindow(window_);
  }
  PatternWindow(const PatternWindow&) = delete;
  PatternWindow& operator=(const PatternWindow&) = delete;

  HWND get() const { return window_; }

  // Shows the window and waits until the screen shows its client area
  // painted: the centres of two quadrants and the corner pixel.
  bool ShowAndWaitPainted() {
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    UpdateWindow(window_);
    return WaitUntil([this] { return ScreenShowsPattern(); });
  }

  bool ScreenShowsPattern() const {
    RECT client;
    GetClientRect(window_, &client);
    POINT origin = {0, 0};
    ClientToScreen(window_, &origin);
    HDC screen = GetDC(nullptr);
    const int w = client.right, h = client.bottom;
    const POINT probes[] = {{w / 4, h / 4}, {3 * w / 4, 3 * h / 4}, {w - 1, h - 1}};
    bool shown = true;
    for (const POINT& p : probes) {
      shown = shown && GetPixel(screen, origin.x + p.x, origin.y + p.y) == Expected(p.x, p.y, w, h);
    }
    ReleaseDC(nullptr, screen);
    return shown;
  }

 private:
  COLORREF Expected(int x, int y, int w, int h) const {
    return solid_ == CLR_INVALID ? PatternColour(x, y, w, h) : solid_;
  }

  void Paint(HDC dc) const {
    RECT client;
    GetClientRect(window_, &client);
    if (solid_ == CLR_INVALID) {
      PaintPattern(dc, client.right, client.bottom);
    } else {
      HBRUSH brush = CreateSolidBrush(solid_);
      FillRect(dc, &client, brush);
      DeleteObject(brush);
    }
  }

  static const wchar_t* RegisterClassOnce() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = L"MovrelPatternWindow";
    RegisterClassW(&wc);
    return wc.lpszClassName;
  }

  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      static_cast<PatternWindow*>(create->lpCreateParams)->window_ = window;
    }
    auto* self = reinterpret_cast<PatternWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
      case WM_ERASEBKGND:
        return 1;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (self) self->Paint(dc);
        EndPaint(window, &ps);
        return 0;
      }
      case WM_PRINTCLIENT:
        if (self) self->Paint(reinterpret_cast<HDC>(wParam));
        return 0;
      default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
  }

  HWND window_ = nullptr;
  COLORREF solid_;
};

}  // namespace test
}  // namespace movrel
