// WaitWithEvents lives apart from the controller so that programs which only
// wait (the saving code, its test programs) do not pull the controller in.
#include <windows.h>

#include "common/message_pump_win.h"
#include "record/recording_win.h"

namespace movrel {

void WaitWithEvents(int32_t ms, const std::atomic<bool>* stop) {
  int32_t elapsed = 0;
  while (elapsed < ms && !(stop && stop->load())) {
    Sleep(10);
    elapsed += 10;
    PumpPendingMessages();
  }
}

}  // namespace movrel
