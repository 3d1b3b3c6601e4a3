// The recording controller on the main window: F9 and F10 (ToggleRecording
// and StopRecording in app/app_hooks_win.h), the recording timer and its
// tick, the countdown window and the waits that keep the windows alive.
// User-interface thread only, except WaitWithEvents, which pumps the
// calling thread's own messages.
#pragma once

#include <atomic>
#include <cstdint>

#include "record/recorder.h"

namespace movrel {

// Waits `ms` milliseconds in 10 ms steps, handling the calling thread's
// pending window messages after each step, and returns early once `stop`
// (when given) is set.
void WaitWithEvents(int32_t ms, const std::atomic<bool>* stop = nullptr);

// The recording timer's tick (also run once by every start and resume).
void RecordTick();

// The frame interval and the time limit as the main window's settings give
// them now.
int32_t FrameIntervalMs();
int32_t TimeLimitMs();

// The countdown window is up.
bool CountdownWindowOpen();

}  // namespace movrel
