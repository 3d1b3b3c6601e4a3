#include "record/input_marks.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

namespace movrel {
namespace {

// Virtual-key codes as Windows numbers them (no windows.h here).
constexpr uint32_t kVkCancel = 0x03, kVkBack = 0x08, kVkTab = 0x09, kVkClear = 0x0C, kVkReturn = 0x0D;
constexpr uint32_t kVkShift = 0x10, kVkControl = 0x11, kVkMenu = 0x12, kVkPause = 0x13, kVkCapital = 0x14;
constexpr uint32_t kVkEscape = 0x1B, kVkSpace = 0x20, kVkPrior = 0x21, kVkNext = 0x22, kVkEnd = 0x23;
constexpr uint32_t kVkHome = 0x24, kVkLeft = 0x25, kVkUp = 0x26, kVkRight = 0x27, kVkDown = 0x28;
constexpr uint32_t kVkSnapshot = 0x2C, kVkInsert = 0x2D, kVkDelete = 0x2E;
constexpr uint32_t kVkLWin = 0x5B, kVkRWin = 0x5C, kVkApps = 0x5D;
constexpr uint32_t kVkNumpad0 = 0x60, kVkNumpad9 = 0x69;
constexpr uint32_t kVkF1 = 0x70, kVkF8 = 0x77, kVkF11 = 0x7A, kVkF12 = 0x7B, kVkF24 = 0x87;
constexpr uint32_t kVkNumLock = 0x90, kVkScroll = 0x91;
constexpr uint32_t kVkLShift = 0xA0, kVkRShift = 0xA1, kVkLControl = 0xA2, kVkRControl = 0xA3;
constexpr uint32_t kVkLMenu = 0xA4, kVkRMenu = 0xA5;

// ---- rings ----

size_t ButtonIndex(MouseButton button) { return static_cast<size_t>(button) % 3; }

int FadeOpacity(int64_t sinceFadeStartMs) {
  // Rounded to the nearest percent, 100 at the start and 0 at the end.
  const int64_t left = std::max<int64_t>(0, kRingFadeMs - sinceFadeStartMs);
  return static_cast<int>((left * 100 + kRingFadeMs / 2) / kRingFadeMs);
}

// ---- keys ----

enum class Modifier { kNone, kCtrl, kAlt, kWin, kShift };

Modifier ModifierOf(uint32_t vk) {
  switch (vk) {
    case kVkControl: case kVkLControl: case kVkRControl: return Modifier::kCtrl;
    case kVkMenu: case kVkLMenu: case kVkRMenu: return Modifier::kAlt;
    case kVkLWin: case kVkRWin: return Modifier::kWin;
    case kVkShift: case kVkLShift: case kVkRShift: return Modifier::kShift;
    default: return Modifier::kNone;
  }
}

bool IsLetter(uint32_t vk) { return vk >= 'A' && vk <= 'Z'; }

// The key's name inside a combination: "S" for the S key, "1" for the 1 key
// whatever Shift makes of it, its name otherwise.
std::u16string ComboKeyName(uint32_t vk) {
  if (IsLetter(vk)) return std::u16string(1, static_cast<char16_t>(vk));
  std::u16string name = KeyName(vk);
  if (!name.empty()) return name;
  const char16_t c = TypedCharacter(vk, false, false);
  return c ? std::u16string(1, c) : std::u16string();
}

}  // namespace

// ---- ClickTimeline ----------------------------------------------------------

void ClickTimeline::Add(const MouseEvent& event) {
  const size_t b = ButtonIndex(event.button);
  if (!event.down) {
    // The newest press of the button still held; none when the button went
    // down before the hook came (or that press was dropped from a burst).
    for (auto it = rings_.rbegin(); it != rings_.rend(); ++it) {
      if (ButtonIndex(it->look.button) == b && it->releaseMs < 0) {
        it->releaseMs = event.timeMs;
        break;
      }
    }
    return;
  }
  // A second press without a release in between means the release was lost
  // (the hook misses some); the old ring is let go so it cannot stay held.
  for (Ring& ring : rings_) {
    if (ButtonIndex(ring.look.button) == b && ring.releaseMs < 0) ring.releaseMs = event.timeMs;
  }
  LastPress& last = lastPress_[b];
  int level = 0;
  if (last.valid && event.timeMs - last.timeMs <= kDoubleClickMs && std::abs(event.x - last.x) <= kDoubleClickPx &&
      std::abs(event.y - last.y) <= kDoubleClickPx) {
    level = std::min(last.level + 1, kMaxRingLevel);
  }
  last = LastPress{true, event.timeMs, event.x, event.y, level};

  Ring ring;
  ring.look.x = event.x;
  ring.look.y = event.y;
  ring.look.button = event.button;
  ring.look.level = level;
  ring.pressMs = event.timeMs;
  rings_.push_back(ring);
  while (rings_.size() > kMaxRings) rings_.pop_front();
}

std::vector<ClickRing> ClickTimeline::RingsAt(int64_t timeMs) {
  std::vector<ClickRing> shown;
  for (auto it = rings_.begin(); it != rings_.end();) {
    Ring& ring = *it;
    if (ring.pressMs > timeMs) {  // pressed after this frame: not yet
      ++it;
      continue;
    }
    if (ring.firstShownMs < 0) ring.firstShownMs = timeMs;
    const bool released = ring.releaseMs >= 0 && ring.releaseMs <= timeMs;
    ClickRing look = ring.look;
    look.filled = !released;
    if (released) {
      // A click released before any frame showed it fades from the frame
      // that first shows it, so every click is seen at full strength once.
      const int64_t fadeStartMs = std::max(ring.releaseMs, ring.firstShownMs);
      if (timeMs - fadeStartMs > kRingFadeMs) {
        it = rings_.erase(it);
        continue;
      }
      look.opacityPercent = FadeOpacity(timeMs - fadeStartMs);
    }
    shown.push_back(look);
    ++it;
  }
  return shown;
}

void ClickTimeline::Clear() {
  rings_.clear();
  for (LastPress& last : lastPress_) last = LastPress();
}

// ---- KeyCaption -------------------------------------------------------------

void KeyCaption::Add(const KeyEvent& event) { pending_.push_back(event); }

std::vector<std::u16string> KeyCaption::EntriesAt(int64_t timeMs) {
  while (!pending_.empty() && pending_.front().timeMs <= timeMs) {
    Apply(pending_.front());
    pending_.pop_front();
  }
  if (!entries_.empty() && timeMs - lastShownMs_ >= kCaptionHoldMs) {
    entries_.clear();
    runOpen_ = false;
  }
  return std::vector<std::u16string>(entries_.begin(), entries_.end());
}

void KeyCaption::Clear() {
  pending_.clear();
  entries_.clear();
  std::fill(std::begin(held_), std::end(held_), false);
  runOpen_ = false;
  lastTypedMs_ = 0;
  lastShownMs_ = 0;
}

void KeyCaption::Apply(const KeyEvent& event) {
  const uint32_t vk = event.virtualKey;
  const bool wasHeld = Held(vk);
  if (vk < 256) held_[vk] = event.down;
  if (!event.down || ModifierOf(vk) != Modifier::kNone) return;

  bool ctrl = false, alt = false, win = false, shift = false;
  for (uint32_t k = 0; k < 256; ++k) {
    if (!held_[k]) continue;
    switch (ModifierOf(k)) {
      case Modifier::kCtrl: ctrl = true; break;
      case Modifier::kAlt: alt = true; break;
      case Modifier::kWin: win = true; break;
      case Modifier::kShift: shift = true; break;
      case Modifier::kNone: break;
    }
  }
  // The program's own hotkeys drive the recording; they are never recorded
  // and leave the caption as it was.
  if ((vk >= kVkF8 && vk <= kVkF11) || (vk == kVkF12 && alt)) return;

  const bool combination = ctrl || alt || win;
  if (!combination && event.character != 0) {
    // Auto-repeat of a character types it again, as in the control itself.
    Show(event.timeMs, std::u16string(1, event.password ? kPasswordMask : event.character), true);
    return;
  }
  if (wasHeld) return;  // a named key or combination held down is one entry

  std::u16string text;
  if (combination) {
    const std::u16string key = ComboKeyName(vk);
    if (key.empty()) return;
    if (ctrl) text += u"Ctrl+";
    if (alt) text += u"Alt+";
    if (win) text += u"Win+";
    if (shift) text += u"Shift+";
    text += key;
  } else {
    const std::u16string key = KeyName(vk);
    if (key.empty()) return;
    text = shift ? u"Shift+" + key : key;
  }
  Show(event.timeMs, text, false);
}

void KeyCaption::Show(int64_t timeMs, const std::u16string& text, bool typed) {
  if (!entries_.empty() && timeMs - lastShownMs_ >= kCaptionHoldMs) {
    entries_.clear();  // the caption had gone: a fresh one
    runOpen_ = false;
  }
  if (typed && runOpen_ && timeMs - lastTypedMs_ < kTypingPauseMs) {
    entries_.back() += text;
  } else {
    entries_.push_back(text);
    if (entries_.size() > kCaptionEntries) entries_.pop_front();
  }
  runOpen_ = typed;
  if (typed) lastTypedMs_ = timeMs;
  lastShownMs_ = timeMs;
}

// ---- key names --------------------------------------------------------------

std::u16string KeyName(uint32_t vk) {
  if (vk >= kVkF1 && vk <= kVkF24) {
    const uint32_t n = vk - kVkF1 + 1;
    std::u16string name = u"F";
    if (n >= 10) name += static_cast<char16_t>(u'0' + n / 10);
    return name + static_cast<char16_t>(u'0' + n % 10);
  }
  switch (vk) {
    case kVkCancel: return u"Break";
    case kVkBack: return u"Backspace";
    case kVkTab: return u"Tab";
    case kVkClear: return u"Clear";
    case kVkReturn: return u"Enter";
    case kVkPause: return u"Pause";
    case kVkCapital: return u"CapsLock";
    case kVkEscape: return u"Esc";
    case kVkSpace: return u"Space";
    case kVkPrior: return u"PgUp";
    case kVkNext: return u"PgDn";
    case kVkEnd: return u"End";
    case kVkHome: return u"Home";
    case kVkLeft: return u"←";
    case kVkUp: return u"↑";
    case kVkRight: return u"→";
    case kVkDown: return u"↓";
    case kVkSnapshot: return u"PrtSc";
    case kVkInsert: return u"Insert";
    case kVkDelete: return u"Delete";
    case kVkApps: return u"Menu";
    case kVkNumLock: return u"NumLock";
    case kVkScroll: return u"ScrollLock";
    default: return std::u16string();
  }
}

char16_t TypedCharacter(uint32_t vk, bool shift, bool capsLock) {
  if (IsLetter(vk)) return static_cast<char16_t>(shift != capsLock ? vk : vk - 'A' + 'a');
  if (vk >= '0' && vk <= '9') return shift ? u")!@#$%^&*("[vk - '0'] : static_cast<char16_t>(vk);
  if (vk >= kVkNumpad0 && vk <= kVkNumpad9) return static_cast<char16_t>(u'0' + (vk - kVkNumpad0));
  struct Pair {
    uint32_t vk;
    char16_t plain, shifted;
  };
  static const Pair kPairs[] = {
      {kVkSpace, u' ', u' '}, {0x6A, u'*', u'*'},  {0x6B, u'+', u'+'},  {0x6D, u'-', u'-'},  {0x6E, u'.', u'.'},
      {0x6F, u'/', u'/'},     {0xBA, u';', u':'},  {0xBB, u'=', u'+'},  {0xBC, u',', u'<'},  {0xBD, u'-', u'_'},
      {0xBE, u'.', u'>'},     {0xBF, u'/', u'?'},  {0xC0, u'`', u'~'},  {0xDB, u'[', u'{'},  {0xDC, u'\\', u'|'},
      {0xDD, u']', u'}'},     {0xDE, u'\'', u'"'},
  };
  for (const Pair& p : kPairs) {
    if (p.vk == vk) return shift ? p.shifted : p.plain;
  }
  return 0;
}

}  // namespace movrel
