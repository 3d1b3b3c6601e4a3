// What a recording draws for the mouse buttons and keys pressed while it
// runs: a ring at every click and a caption of the keys typed. The hooks
// time-stamp the events on the recording clock and the frame composer asks,
// per frame, what to draw at that frame's capture time. Portable; the hooks
// and the drawing live in the Win32 files.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace movrel {

enum class MouseButton : uint8_t { kLeft, kRight, kMiddle };

// x, y: screen coordinates of the event.
struct MouseEvent {
  int64_t timeMs = 0;
  MouseButton button = MouseButton::kLeft;
  bool down = true;
  int32_t x = 0, y = 0;
};

// virtualKey: the virtual-key code a low-level keyboard hook reports (the
// left and right modifiers apart). character: what the key types, 0 for
// none (TypedCharacter). password: the focused control was a password field
// when the key went down.
struct KeyEvent {
  int64_t timeMs = 0;
  uint32_t virtualKey = 0;
  bool down = true;
  char16_t character = 0;
  bool password = false;
};

// ---- click rings ----------------------------------------------------------

// One ring to draw: `filled` while the button is held; `level` 0, 1 or 2
// grows the ring for the second and third press of a double or triple click.
struct ClickRing {
  int32_t x = 0, y = 0;
  MouseButton button = MouseButton::kLeft;
  bool filled = false;
  int opacityPercent = 100;
  int level = 0;
};

// How long a released ring takes to fade out.
constexpr int64_t kRingFadeMs = 300;
// A press this soon after the previous press of the same button, and this
// near it, continues a double click.
constexpr int64_t kDoubleClickMs = 500;
constexpr int32_t kDoubleClickPx = 4;
constexpr int kMaxRingLevel = 2;
// The most rings kept at once; a burst of presses keeps the newest.
constexpr size_t kMaxRings = 32;

class ClickTimeline {
 public:
  // Events come in time order; a release with no press before it is ignored.
  void Add(const MouseEvent& event);
  // The rings of the frame taken at `timeMs`; calls come with non-decreasing
  // times. Every ring is returned at least once, however short its click.
  std::vector<ClickRing> RingsAt(int64_t timeMs);
  void Clear();

 private:
  struct Ring {
    ClickRing look;
    int64_t pressMs = 0;
    int64_t releaseMs = -1;  // -1 while no release has come
    int64_t firstShownMs = -1;
  };
  struct LastPress {
    bool valid = false;
    int64_t timeMs = 0;
    int32_t x = 0, y = 0;
    int level = 0;
  };
  std::deque<Ring> rings_;
  LastPress lastPress_[3];
};

// ---- key caption ----------------------------------------------------------

// A caption entry stays up this long after the last key shown.
constexpr int64_t kCaptionHoldMs = 1500;
// A pause this long between typed characters starts a new run.
constexpr int64_t kTypingPauseMs = 1000;
constexpr size_t kCaptionEntries = 3;
// What a character typed into a password field shows.
constexpr char16_t kPasswordMask = u'\u2022';

class KeyCaption {
 public:
  // Events come in time order; they take effect once EntriesAt reaches them.
  void Add(const KeyEvent& event);
  // The newest entries, oldest first, of the frame taken at `timeMs`: typed
  // runs ("hello world"), named keys ("Enter", "Shift+Tab") and combinations
  // ("Ctrl+Shift+S"). Calls come with non-decreasing times.
  std::vector<std::u16string> EntriesAt(int64_t timeMs);
  void Clear();

 private:
  void Apply(const KeyEvent& event);
  void Show(int64_t timeMs, const std::u16string& text, bool typed);
  bool Held(uint32_t virtualKey) const { return virtualKey < 256 && held_[virtualKey]; }

  std::deque<KeyEvent> pending_;
  std::deque<std::u16string> entries_;
  bool held_[256] = {};
  bool runOpen_ = false;  // the newest entry is a run that typing extends
  int64_t lastTypedMs_ = 0;
  int64_t lastShownMs_ = 0;
};

// The name of a key that is shown as a word or arrow ("Enter", "F5", "←",
// "Space"); empty for the modifiers, the character keys and unknown codes.
std::u16string KeyName(uint32_t virtualKey);

// What the key types on the US layout with the given Shift and CapsLock
// state; 0 for keys that type nothing (Enter, Tab and Backspace included).
char16_t TypedCharacter(uint32_t virtualKey, bool shift, bool capsLock);

}  // namespace movrel
