#include "common/message_pump_win.h"

#include <windows.h>

namespace movrel {

void PumpPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void WaitWithEvents(int32_t ms, const std::atomic<bool>* stop) {
  for (int32_t elapsed = 0; elapsed < ms && !(stop && stop->load()); elapsed += 10) {
    Sleep(10);
    PumpPendingMessages();
  }
}

}  // namespace movrel
