// The program's modal loops (its message boxes, dialogs, the selection
// overlay, the full-size sample view, the countdown) and the hotkeys: while
// one is open no hotkey acts. Portable; the Windows loops hold the guard.
#pragma once

namespace movrel {

// Held by every modal loop the program runs (its message boxes, dialogs,
// the selection overlay, the full-size sample view, the countdown) for as
// long as it is open. The hand-over of a hotkey is a sent message, which
// every message loop carries out, modal ones included: without the guard F9
// could start a recording under the overlay or the exit question. Guards
// nest. A loop that F10 may end (the countdown) lets F10 through, as long as
// no other loop is open within or around it. User-interface thread only.
enum class ModalKeys { kNone, kStop };
class ModalLoopGuard {
 public:
  explicit ModalLoopGuard(ModalKeys keys = ModalKeys::kNone);
  ~ModalLoopGuard();
  ModalLoopGuard(const ModalLoopGuard&) = delete;
  ModalLoopGuard& operator=(const ModalLoopGuard&) = delete;

 private:
  ModalKeys keys_;
};
bool ModalLoopOpen();
// Whether a hotkey is held back now: any while a loop is open, except F10
// (`stopKey`) when every open loop lets it through.
bool ModalLoopHoldsKey(bool stopKey);

}  // namespace movrel
