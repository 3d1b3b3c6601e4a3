// The recording controller on the main window: F9 and F10 (ToggleRecording
// and StopRecording in app/app_hooks_win.h), the recording timer and its
// tick, the countdown window and the waits that keep the windows alive.
// User-interface thread only. The waits are common/message_pump_win.h's
// WaitWithEvents.
#pragma once

#include <cstdint>

#include "common/message_pump_win.h"
#include "record/recorder.h"

namespace movrel {

// The recording timer's tick (also run once by every start and resume).
void RecordTick();

// The frame interval and the time limit as the main window's settings give
// them now.
int32_t FrameIntervalMs();
int32_t TimeLimitMs();

}  // namespace movrel
