// The store's message pump on Windows: lets the messages already waiting
// for this thread be handled, so windows stay responsive while the store
// searches. The main window may hand the store its own pump instead, for
// example one that also routes dialog keys.
#pragma once

#include <atomic>
#include <cstdint>

namespace movrel {

// Handles every message waiting in this thread's queue and returns. A quit
// message is posted again so that the main message loop still sees it.
void PumpPendingMessages();

// Waits `ms` milliseconds in 10 ms steps, handling the calling thread's
// pending messages after each step, so its windows stay responsive (and
// repaint) meanwhile; returns early once `stop` (when given) is set.
void WaitWithEvents(int32_t ms, const std::atomic<bool>* stop = nullptr);

}  // namespace movrel
