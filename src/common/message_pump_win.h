// The store's message pump on Windows: lets the messages already waiting
// for this thread be handled, so windows stay responsive while the store
// searches. The main window may hand the store its own pump instead, for
// example one that also routes dialog keys.
#pragma once

namespace movrel {

// Handles every message waiting in this thread's queue and returns. A quit
// message is posted again so that the main message loop still sees it.
void PumpPendingMessages();

}  // namespace movrel
