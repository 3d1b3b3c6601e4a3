// A window for the recording tests to record: it sits on top at a given
// place and paints a known picture, a dark field with a yellow block that
// moves 7 pixels to the right at every timer tick (or stays put when the
// period is 0).
//
//   record_target X Y WIDTH HEIGHT PERIOD_MS
#include <windows.h>

#include <shellapi.h>

#include <cstdlib>
#include <string>

#include "test_window_win.h"

namespace {

int step = 0;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      ++step;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_PAINT: {
      RECT r;
      GetClientRect(window, &r);
      const int span = r.right > 20 ? r.right - 20 : 1;
      const int x = (step * 7) % span;
      movrel::test::PaintFieldAndBlock(window, RGB(20, 40, 90), RECT{x, 10, x + 20, 30}, RGB(250, 220, 0));
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc < 6) return 2;
  const int x = _wtoi(argv[1]), y = _wtoi(argv[2]), w = _wtoi(argv[3]), h = _wtoi(argv[4]), period = _wtoi(argv[5]);
  return movrel::test::RunTestWindow(instance, L"MovrelRecordTarget", Proc, x, y, w, h,
                                    period > 0 ? static_cast<UINT>(period) : 0);
}
