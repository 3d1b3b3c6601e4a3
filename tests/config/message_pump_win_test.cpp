#include "common/message_pump_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "common/handle_win.h"

namespace movrel {
namespace {

int handled = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) ++handled;
  return DefWindowProcW(window, message, wParam, lParam);
}

TEST(MessagePumpWin, HandlesWaitingMessagesAndKeepsQuit) {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = CountingProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"MovrelPumpTest";
  ASSERT_TRUE(RegisterClassW(&windowClass));
  UniqueWindow window(CreateWindowW(L"MovrelPumpTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    windowClass.hInstance, nullptr));
  ASSERT_TRUE(window);

  handled = 0;
  PostMessageW(window.get(), WM_APP, 0, 0);
  PostMessageW(window.get(), WM_APP, 0, 0);
  PumpPendingMessages();
  EXPECT_EQ(handled, 2);

  // A quit request met while pumping is left for the main loop.
  PostQuitMessage(7);
  PumpPendingMessages();
  MSG message;
  ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
}

}  // namespace
}  // namespace movrel
