// What the test windows the end-to-end tests record have in common: a
// topmost popup at a given place that never takes the focus, paints a field
// with one block on it, and is driven by a timer of its own.
#pragma once

#include <windows.h>

namespace movrel {
namespace test {

// Fills the whole client area with `field` and the `block` rectangle with
// `blockColour`.
inline void PaintFieldAndBlock(HWND window, COLORREF field, const RECT& block, COLORREF blockColour) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT all;
  GetClientRect(window, &all);
  HBRUSH fieldBrush = CreateSolidBrush(field), blockBrush = CreateSolidBrush(blockColour);
  FillRect(dc, &all, fieldBrush);
  FillRect(dc, &block, blockBrush);
  DeleteObject(fieldBrush);
  DeleteObject(blockBrush);
  EndPaint(window, &ps);
}

// Shows the window (class and title `name`) at x, y with the given size,
// starts timer 1 with `periodMs` unless it is 0, and runs the message loop.
// The exit code: 0 after WM_QUIT, 1 when the window cannot be made.
inline int RunTestWindow(HINSTANCE instance, const wchar_t* name, WNDPROC proc, int x, int y, int width, int height,
                         UINT periodMs) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, name, name, WS_POPUP | WS_VISIBLE,
                                x, y, width, height, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  if (periodMs > 0) SetTimer(window, 1, periodMs, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}

}  // namespace test
}  // namespace movrel
