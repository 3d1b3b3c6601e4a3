// A window for the saving and preview tests to record: it sits on top at a
// given place and paints a dark field with a 24 x 16 block whose place and
// colour are read from a small state file ("x y red green blue"), so a test
// decides exactly when the picture moves, holds still or changes colour.
// The colours a test chooses have clear low four bits, so the GIF's palette
// keeps them exactly.
//
//   save_target X Y WIDTH HEIGHT STATE_FILE
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

constexpr UINT_PTR kPollTimer = 1;
constexpr COLORREF kField = RGB(16, 32, 80);

std::wstring stateFile;
std::string shownState;
int blockX = 0, blockY = 0;
COLORREF blockColour = RGB(240, 240, 240);

std::string ReadState() {
  HANDLE file = CreateFileW(stateFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return shownState;
  char text[128] = {};
  DWORD n = 0;
  ReadFile(file, text, sizeof text - 1, &n, nullptr);
  CloseHandle(file);
  return std::string(text, n);
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER: {
      std::string state = ReadState();
      int x, y, r, g, b;
      // A half-written file does not parse and is read again next time.
      if (state != shownState && sscanf(state.c_str(), "%d %d %d %d %d", &x, &y, &r, &g, &b) == 5) {
        shownState = state;
        blockX = x;
        blockY = y;
        blockColour = RGB(r, g, b);
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      RECT all;
      GetClientRect(window, &all);
      HBRUSH field = CreateSolidBrush(kField), block = CreateSolidBrush(blockColour);
      FillRect(dc, &all, field);
      RECT b = {blockX, blockY, blockX + 24, blockY + 16};
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
  const int x = _wtoi(argv[1]), y = _wtoi(argv[2]), w = _wtoi(argv[3]), h = _wtoi(argv[4]);
  stateFile = argv[5];
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = L"MovrelSaveTarget";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, wc.lpszClassName,
                                L"MovrelSaveTarget", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr, instance,
                                nullptr);
  if (!window) return 1;
  SetTimer(window, kPollTimer, 15, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
