// The global hotkeys without any platform code: which key a poll finds down
// (in the table's order, one key per poll), the wait before the next poll,
// the extra condition of each key and its action. The Windows side feeds
// the poll with the asynchronous key state and runs the actions on the
// user-interface thread.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>

#include "ui/modal_loop.h"

namespace movrel {

// Virtual-key codes of the Windows keyboard.
constexpr int kVkControl = 0x11;
constexpr int kVkAlt = 0x12;
constexpr int kVkF8 = 0x77;
constexpr int kVkF9 = 0x78;
constexpr int kVkF10 = 0x79;
constexpr int kVkF11 = 0x7A;
constexpr int kVkF12 = 0x7B;

// Wait before the next poll: short while no hotkey is held, long right after
// one fired, so that a held key repeats twice a second.
constexpr int32_t kPollIntervalIdleMs = 10;
constexpr int32_t kPollIntervalAfterHitMs = 500;

// The table's keys in the order a poll tests them.
enum class Hotkey {
  kNone,
  kToggleRecording,  // F9
  kStopRecording,    // F10
  kToggleOutline,    // F11
  kSelectRectangle,  // F8
  kToggleTray,       // Alt+F12
};

struct HotkeyHit {
  Hotkey key = Hotkey::kNone;
  bool ctrlDown = false;  // read only when F8 fired
};

class HotkeyPoll {
 public:
  // Tells whether a key is down now (or was pressed since it was last asked).
  using KeyReader = std::function<bool(int virtualKey)>;

  explicit HotkeyPoll(KeyReader isKeyDown) : isKeyDown_(std::move(isKeyDown)) {}

  // Tests the keys in order and stops at the first one down. Ctrl, Alt and
  // Shift may be held with any key; F12 counts only together with Alt.
  HotkeyHit Poll();

  int32_t pollIntervalMs() const { return pollIntervalMs_; }

 private:
  KeyReader isKeyDown_;
  int32_t pollIntervalMs_ = kPollIntervalIdleMs;
};

// What the hotkeys act on; every call happens on the user-interface thread.
class HotkeyTarget {
 public:
  virtual ~HotkeyTarget() = default;
  virtual bool OptimizationWindowOpen() = 0;
  virtual bool StopPictureEnabled() = 0;
  virtual bool RectangleButtonEnabled() = 0;
  virtual void ToggleRecording() = 0;
  virtual void StopRecording() = 0;
  virtual void ToggleOutline() = 0;                  // inverts 显示外框 and updates the frame window
  virtual void SelectRectangle(int modifierState) = 0;  // 1: start from the stored rectangle
  virtual void ToggleTrayHidden() = 0;
};

// Carries out a hit's action if its extra condition holds: F9 not while the
// optimisation window is open, F10 only while the stop picture is enabled,
// F8 only while the rectangle button is enabled (Ctrl gives state 1). No key
// acts while a modal loop of the program is open (see ModalLoopGuard), but
// F10 where that loop lets it end.
void RunHotkey(const HotkeyHit& hit, HotkeyTarget& target);


// The poller thread's loop: wait the poll interval, poll, hand a hit over
// (the handing over returns once the action has finished), until asked to
// stop.
struct HotkeyLoop {
  std::function<void(int32_t ms)> wait;
  std::function<void(const HotkeyHit& hit)> deliver;
  std::function<bool()> stopRequested;
};
void RunHotkeyLoop(HotkeyPoll& poll, const HotkeyLoop& loop);

}  // namespace movrel
