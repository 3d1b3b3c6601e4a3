// A window for the saving and preview tests to record: it sits on top at a
// given place and paints a dark field with a 24 x 16 block whose place and
// colour are read from a small state file ("x y red green blue"), so a test
// decides exactly when the picture moves, holds still or changes colour.
// The colours a test chooses have clear low four bits, so the GIF's palette
// keeps them exactly.
//
// "count X Y" numbers the pictures instead: the block sits at X Y and its
// colour shows a number that goes up at every look at the state file, so
// every captured frame shows a picture of its own. The number n is the
// colour's high four bits: red n & 15, green (n >> 4) & 15, blue
// 8 + ((n >> 8) & 7), the blue never the field's.
//
//   save_target X Y WIDTH HEIGHT STATE_FILE
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "test_window_win.h"

namespace {

constexpr COLORREF kField = RGB(16, 32, 80);

std::wstring stateFile;
std::string shownState;
int blockX = 0, blockY = 0;
COLORREF blockColour = RGB(240, 240, 240);
bool counting = false;
int number = 0;

COLORREF NumberColour(int n) { return RGB((n & 15) << 4, ((n >> 4) & 15) << 4, (8 + ((n >> 8) & 7)) << 4); }

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
      if (counting) {
        blockColour = NumberColour(++number);
        InvalidateRect(window, nullptr, FALSE);
      }
      // A half-written file does not parse and is read again next time.
      if (state != shownState && sscanf(state.c_str(), "count %d %d", &x, &y) == 2) {
        shownState = state;
        counting = true;
        blockX = x;
        blockY = y;
      } else if (state != shownState && sscanf(state.c_str(), "%d %d %d %d %d", &x, &y, &r, &g, &b) == 5) {
        counting = false;
        shownState = state;
        blockX = x;
        blockY = y;
        blockColour = RGB(r, g, b);
        InvalidateRect(window, nullptr, FALSE);
      }
      return 0;
    }
    case WM_PAINT:
      movrel::test::PaintFieldAndBlock(window, kField, RECT{blockX, blockY, blockX + 24, blockY + 16}, blockColour);
      return 0;
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
  // The state file is looked at every 15 ms.
  return movrel::test::RunTestWindow(instance, L"MovrelSaveTarget", Proc, x, y, w, h, 15);
}
