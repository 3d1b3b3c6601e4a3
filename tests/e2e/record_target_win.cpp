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

namespace {

constexpr UINT_PTR kTimer = 1;
int step = 0;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      ++step;
      InvalidateRect(window, nullptr, FALSE);
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      RECT r;
      GetClientRect(window, &r);
      HBRUSH field = CreateSolidBrush(RGB(20, 40, 90));
      HBRUSH block = CreateSolidBrush(RGB(250, 220, 0));
      FillRect(dc, &r, field);
      const int span = r.right > 20 ? r.right - 20 : 1;
      const int x = (step * 7) % span;
      RECT b = {x, 10, x + 20, 30};
      FillRect(dc, &b, block);
      DeleteObject(field);
      DeleteObject(block);
      EndPaint(window, &ps);
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
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = L"MovrelRecordTarget";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName,
                                L"MovrelRecordTarget", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr, instance,
                                nullptr);
  if (!window) return 1;
  if (period > 0) SetTimer(window, kTimer, static_cast<UINT>(period), nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
