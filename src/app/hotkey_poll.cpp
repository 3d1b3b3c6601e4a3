#include "app/hotkey_poll.h"

namespace movrel {

HotkeyHit HotkeyPoll::Poll() {
  HotkeyHit hit;
  if (isKeyDown_(kVkF9)) {
    hit.key = Hotkey::kToggleRecording;
  } else if (isKeyDown_(kVkF10)) {
    hit.key = Hotkey::kStopRecording;
  } else if (isKeyDown_(kVkF11)) {
    hit.key = Hotkey::kToggleOutline;
  } else if (isKeyDown_(kVkF8)) {
    hit.key = Hotkey::kSelectRectangle;
    hit.ctrlDown = isKeyDown_(kVkControl);
  } else if (isKeyDown_(kVkF12) && isKeyDown_(kVkAlt)) {
    hit.key = Hotkey::kToggleTray;
  }
  // Debounce by time: a key that fired is looked at again only after the
  // long wait, even when its extra condition keeps its action from running.
  pollIntervalMs_ = hit.key == Hotkey::kNone ? kPollIntervalIdleMs : kPollIntervalAfterHitMs;
  return hit;
}

void RunHotkey(const HotkeyHit& hit, HotkeyTarget& target) {
  if (ModalLoopHoldsKey(hit.key == Hotkey::kStopRecording)) return;
  switch (hit.key) {
    case Hotkey::kToggleRecording:
      if (!target.OptimizationWindowOpen()) target.ToggleRecording();
      return;
    case Hotkey::kStopRecording:
      if (target.StopPictureEnabled()) target.StopRecording();
      return;
    case Hotkey::kToggleOutline:
      target.ToggleOutline();
      return;
    case Hotkey::kSelectRectangle:
      if (target.RectangleButtonEnabled()) target.SelectRectangle(hit.ctrlDown ? 1 : 0);
      return;
    case Hotkey::kToggleTray:
      target.ToggleTrayHidden();
      return;
    case Hotkey::kNone:
      return;
  }
}

void RunHotkeyLoop(HotkeyPoll& poll, const HotkeyLoop& loop) {
  while (!loop.stopRequested()) {
    loop.wait(poll.pollIntervalMs());
    if (loop.stopRequested()) return;
    HotkeyHit hit = poll.Poll();
    if (hit.key != Hotkey::kNone) loop.deliver(hit);
  }
}

}  // namespace movrel
