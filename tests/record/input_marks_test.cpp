#include "record/input_marks.h"

#include <gtest/gtest.h>

#include "common/file_path.h"
#include "record/input_queue.h"

namespace movrel {
namespace {

using Entries = std::vector<std::u16string>;

constexpr uint32_t kLShift = 0xA0, kRShift = 0xA1, kLCtrl = 0xA2, kRCtrl = 0xA3, kLAlt = 0xA4, kRAlt = 0xA5;
constexpr uint32_t kLWin = 0x5B, kTab = 0x09, kEnter = 0x0D, kSpace = 0x20, kDelete = 0x2E;
constexpr uint32_t kF8 = 0x77, kF9 = 0x78, kF10 = 0x79, kF11 = 0x7A, kF12 = 0x7B;

void Mouse(ClickTimeline* rings, int64_t t, bool down, MouseButton button = MouseButton::kLeft, int32_t x = 10,
           int32_t y = 20) {
  MouseEvent e;
  e.timeMs = t;
  e.button = button;
  e.down = down;
  e.x = x;
  e.y = y;
  rings->Add(e);
}

void Key(KeyCaption* caption, int64_t t, uint32_t vk, bool down, char16_t character = 0, bool password = false) {
  caption->Add(KeyEvent{t, vk, down, character, password});
}

// A key pressed and let go 10 ms later.
void Tap(KeyCaption* caption, int64_t t, uint32_t vk, char16_t character = 0, bool password = false) {
  Key(caption, t, vk, true, character, password);
  Key(caption, t + 10, vk, false);
}

// A character key typed on its own (the letter's code from its upper case).
void Type(KeyCaption* caption, int64_t t, char16_t character, bool password = false) {
  const uint32_t vk = character == u' ' ? kSpace : static_cast<uint32_t>(character >= u'a' ? character - 32 : character);
  Tap(caption, t, vk, character, password);
}

// ---- rings ------------------------------------------------------------------

TEST(ClickTimelineTest, FilledWhileHeldThenFades) {
  ClickTimeline rings;
  Mouse(&rings, 100, true, MouseButton::kRight, 30, 40);
  Mouse(&rings, 400, false, MouseButton::kRight);
  struct Case {
    int64_t t;
    size_t count;
    bool filled;
    int opacity;
  };
  const Case cases[] = {
      {50, 0, false, 0},    // pressed after this frame
      {100, 1, true, 100},  // a press at the frame's time is shown
      {399, 1, true, 100},
      {400, 1, false, 100},  // released: the fade starts
      {550, 1, false, 50},
      {700, 1, false, 0},
      {701, 0, false, 0},  // gone
      {900, 0, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.t);
    const std::vector<ClickRing> shown = rings.RingsAt(c.t);
    ASSERT_EQ(shown.size(), c.count);
    if (!c.count) continue;
    EXPECT_EQ(shown[0].filled, c.filled);
    EXPECT_EQ(shown[0].opacityPercent, c.opacity);
    EXPECT_EQ(shown[0].button, MouseButton::kRight);
    EXPECT_EQ(shown[0].x, 30);
    EXPECT_EQ(shown[0].y, 40);
  }
}

TEST(ClickTimelineTest, ShortClickBetweenFramesIsShownOnceInFull) {
  ClickTimeline rings;
  Mouse(&rings, 10, true);
  Mouse(&rings, 30, false);
  EXPECT_TRUE(rings.RingsAt(0).empty());
  // The click and its whole fade lie before this frame; it shows anyway and
  // fades from here.
  std::vector<ClickRing> shown = rings.RingsAt(500);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_FALSE(shown[0].filled);
  EXPECT_EQ(shown[0].opacityPercent, 100);
  shown = rings.RingsAt(650);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].opacityPercent, 50);
  EXPECT_TRUE(rings.RingsAt(801).empty());
}

TEST(ClickTimelineTest, DoubleClickLevels) {
  struct Case {
    int64_t t;
    MouseButton button;
    int32_t x, y;
    int level;
  };
  const Case cases[] = {
      {0, MouseButton::kLeft, 100, 100, 0},
      {200, MouseButton::kLeft, 104, 96, 1},  // 4 px off is still the same place
      {400, MouseButton::kLeft, 100, 100, 2},
      {600, MouseButton::kLeft, 100, 100, 2},  // capped
      {1101, MouseButton::kLeft, 100, 100, 0},  // 501 ms later
      {1200, MouseButton::kRight, 100, 100, 0},  // another button
      {1300, MouseButton::kLeft, 105, 100, 0},  // 5 px off
      {1400, MouseButton::kLeft, 105, 104, 1},
  };
  ClickTimeline rings;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.t);
    Mouse(&rings, c.t, true, c.button, c.x, c.y);
    Mouse(&rings, c.t + 50, false, c.button, c.x, c.y);
    const std::vector<ClickRing> shown = rings.RingsAt(c.t);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().level, c.level);
    EXPECT_EQ(shown.back().x, c.x);
    if (c.level) {
      EXPECT_GE(shown.size(), 2u);  // the earlier ring is still seen
    }
  }
}

TEST(ClickTimelineTest, StrayReleasesAndBurstsStayBounded) {
  ClickTimeline rings;
  Mouse(&rings, 0, false);  // the button was down before the hook came
  EXPECT_TRUE(rings.RingsAt(0).empty());
  Mouse(&rings, 10, true, MouseButton::kMiddle);
  Mouse(&rings, 20, false, MouseButton::kLeft);  // releases no other button
  std::vector<ClickRing> shown = rings.RingsAt(30);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].filled);
  EXPECT_EQ(shown[0].button, MouseButton::kMiddle);

  for (int i = 0; i < 200; ++i) {
    Mouse(&rings, 100 + i, true, MouseButton::kLeft, i * 10, 0);
    Mouse(&rings, 100 + i, false, MouseButton::kLeft, i * 10, 0);
  }
  shown = rings.RingsAt(300);
  EXPECT_LE(shown.size(), kMaxRings);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.back().x, 1990);  // the newest kept
  EXPECT_TRUE(rings.RingsAt(1000).empty());
}

// ---- key caption --------------------------------------------------------------

TEST(KeyCaptionTest, TypedRunsBreakAtPausesAndNamedKeys) {
  KeyCaption caption;
  Type(&caption, 0, u'h');
  Type(&caption, 100, u'i');
  EXPECT_EQ(caption.EntriesAt(150), Entries({u"hi"}));
  Type(&caption, 200, u' ');
  Type(&caption, 300, u'x');
  EXPECT_EQ(caption.EntriesAt(300), Entries({u"hi x"}));
  Type(&caption, 1300, u'y');  // 1000 ms since the last character
  Tap(&caption, 1400, kEnter);
  Type(&caption, 1500, u'z');  // a named key came between
  Type(&caption, 1600, u'z');
  EXPECT_EQ(caption.EntriesAt(1200), Entries({u"hi x"}));  // not yet
  EXPECT_EQ(caption.EntriesAt(1600), Entries({u"y", u"Enter", u"zz"}));  // the last three
}

TEST(KeyCaptionTest, CaptionGoesAfterASecondAndAHalfAndStartsAfresh) {
  KeyCaption caption;
  Type(&caption, 0, u'a');
  EXPECT_EQ(caption.EntriesAt(1499), Entries({u"a"}));
  EXPECT_TRUE(caption.EntriesAt(1500).empty());
  Type(&caption, 1600, u'b');
  EXPECT_EQ(caption.EntriesAt(1600), Entries({u"b"}));
  // Also when no frame was asked for in between.
  Tap(&caption, 3200, kTab);
  EXPECT_EQ(caption.EntriesAt(3200), Entries({u"Tab"}));
  // Releases and held modifiers keep nothing up.
  Key(&caption, 3300, kLCtrl, true);
  EXPECT_TRUE(caption.EntriesAt(4700).empty());
}

TEST(KeyCaptionTest, CombinationsAndShiftedKeys) {
  struct Case {
    std::vector<uint32_t> held;
    uint32_t vk;
    char16_t character;
    const char16_t* entry;  // nullptr: nothing shown
  };
  const Case cases[] = {
      {{kLCtrl}, 'C', u'c', u"Ctrl+C"},
      {{kRCtrl, kLShift}, 'S', u'S', u"Ctrl+Shift+S"},
      {{kLShift, kRCtrl}, 'S', u'S', u"Ctrl+Shift+S"},  // the order is fixed
      {{kLAlt}, kTab, 0, u"Alt+Tab"},
      {{kRShift, kLWin, kRAlt, kLCtrl}, '1', u'!', u"Ctrl+Alt+Win+Shift+1"},
      {{kLCtrl}, kSpace, u' ', u"Ctrl+Space"},
      {{kLCtrl}, 0xBD, u'-', u"Ctrl+-"},
      {{kLCtrl}, 0x25, 0, u"Ctrl+←"},
      {{kRShift}, kTab, 0, u"Shift+Tab"},
      {{kLShift}, 'A', u'A', u"A"},  // Shift alone types
      {{}, kDelete, 0, u"Delete"},
      {{kLShift, kLCtrl}, 0, 0, nullptr},  // modifiers alone
      {{kLCtrl}, 0xFF, 0, nullptr},        // a key with no name
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry ? Utf16ToUtf8(c.entry) : "nothing");
    KeyCaption caption;
    for (uint32_t vk : c.held) Key(&caption, 0, vk, true);
    if (c.vk) Tap(&caption, 100, c.vk, c.character);
    EXPECT_EQ(caption.EntriesAt(200), c.entry ? Entries({c.entry}) : Entries());
  }
}

TEST(KeyCaptionTest, HeldKeysAndReleasedModifiers) {
  KeyCaption caption;
  // Auto-repeat: a named key or combination is one entry until let go.
  Key(&caption, 0, kEnter, true);
  Key(&caption, 100, kEnter, true);
  Key(&caption, 200, kEnter, false);
  Key(&caption, 300, kEnter, true);
  EXPECT_EQ(caption.EntriesAt(300), Entries({u"Enter", u"Enter"}));
  Key(&caption, 400, kLCtrl, true);
  Key(&caption, 500, 'V', true, u'v');
  Key(&caption, 600, 'V', true, u'v');
  EXPECT_EQ(caption.EntriesAt(600), Entries({u"Enter", u"Enter", u"Ctrl+V"}));
  Key(&caption, 700, 'V', false);
  // Left and right are held apart: letting go of one Ctrl keeps the other.
  Key(&caption, 800, kRCtrl, true);
  Key(&caption, 900, kRCtrl, false);
  Tap(&caption, 1000, 'X', u'x');
  EXPECT_EQ(caption.EntriesAt(1000).back(), u"Ctrl+X");
  Key(&caption, 1100, kLCtrl, false);
  // A repeated character types again.
  Key(&caption, 1200, 'X', true, u'x');
  Key(&caption, 1250, 'X', true, u'x');
  EXPECT_EQ(caption.EntriesAt(1300).back(), u"xx");
}

TEST(KeyCaptionTest, OwnHotkeysAreNeverShown) {
  struct Case {
    std::vector<uint32_t> held;
    uint32_t vk;
  };
  const Case cases[] = {
      {{}, kF8}, {{}, kF9}, {{kLShift}, kF10}, {{kRCtrl, kLAlt}, kF11}, {{kLAlt}, kF12}, {{kRAlt}, kF12},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vk);
    KeyCaption caption;
    Type(&caption, 0, u'a');
    for (uint32_t vk : c.held) Key(&caption, 200, vk, true);
    Tap(&caption, 300, c.vk);
    for (uint32_t vk : c.held) Key(&caption, 400, vk, false);
    Type(&caption, 600, u'b');
    EXPECT_EQ(caption.EntriesAt(600), Entries({u"ab"}));  // not shown, the run goes on
    for (uint32_t vk : c.held) Key(&caption, 900, vk, true);
    Tap(&caption, 1000, c.vk);
    EXPECT_TRUE(caption.EntriesAt(2100).empty());  // nor does it keep the caption up
  }
  KeyCaption caption;  // F12 without Alt is an ordinary key
  Tap(&caption, 0, kF12);
  Key(&caption, 100, kLCtrl, true);
  Tap(&caption, 200, kF12);
  EXPECT_EQ(caption.EntriesAt(200), Entries({u"F12", u"Ctrl+F12"}));
}

TEST(KeyCaptionTest, PasswordCharactersAreMasked) {
  KeyCaption caption;
  Type(&caption, 0, u'p', true);
  Key(&caption, 100, kLShift, true);
  Tap(&caption, 200, 'W', u'W', true);
  Key(&caption, 300, kLShift, false);
  Type(&caption, 400, u'1', true);
  Type(&caption, 500, u'x');
  EXPECT_EQ(caption.EntriesAt(500), Entries({u"\u2022\u2022\u2022x"}));
}

TEST(KeyNamesTest, NamesAndTypedCharacters) {
  struct Name {
    uint32_t vk;
    const char16_t* name;
  };
  const Name names[] = {
      {0x0D, u"Enter"}, {0x1B, u"Esc"}, {0x08, u"Backspace"}, {0x21, u"PgUp"}, {0x22, u"PgDn"}, {0x25, u"←"},
      {0x28, u"↓"},     {0x70, u"F1"},  {0x79, u"F10"},       {0x87, u"F24"},  {0x2C, u"PrtSc"}, {0x5D, u"Menu"},
      {0x91, u"ScrollLock"}, {'A', u""}, {0xBA, u""}, {kLShift, u""}, {0x88, u""},
  };
  for (const Name& n : names) EXPECT_EQ(KeyName(n.vk), n.name) << n.vk;

  struct Typed {
    uint32_t vk;
    bool shift, capsLock;
    char16_t character;
  };
  const Typed typed[] = {
      {'A', false, false, u'a'}, {'Z', true, false, u'Z'},  {'Q', false, true, u'Q'}, {'Q', true, true, u'q'},
      {'0', false, false, u'0'}, {'0', true, false, u')'},  {'9', true, false, u'('}, {'2', false, true, u'2'},
      {0xBA, true, false, u':'}, {0xBB, false, false, u'='}, {0xDC, true, false, u'|'}, {0xDE, true, false, u'"'},
      {0xC0, false, false, u'`'}, {0x20, true, false, u' '}, {0x60, true, false, u'0'}, {0x69, false, false, u'9'},
      {0x6B, false, false, u'+'}, {0x6F, false, false, u'/'}, {0x6C, false, false, 0},  {0x0D, false, false, 0},
      {0x09, false, false, 0},    {0x5B, false, false, 0},
  };
  for (const Typed& t : typed) EXPECT_EQ(TypedCharacter(t.vk, t.shift, t.capsLock), t.character) << t.vk;
}

// ---- queue ------------------------------------------------------------------

TEST(InputQueueTest, FillsRefusesAndWrapsInOrder) {
  InputQueue<int, 3> queue;
  int item = -1;
  EXPECT_FALSE(queue.Pop(&item));
  int next = 0, expected = 0;
  for (int round = 0; round < 5; ++round) {  // the indices wrap several times
    SCOPED_TRACE(round);
    for (int tries = 0; tries < 10 && queue.Push(next); ++tries) ++next;
    EXPECT_EQ(next - expected, 3);  // full at exactly the capacity
    ASSERT_TRUE(queue.Pop(&item));
    EXPECT_EQ(item, expected++);
    ASSERT_TRUE(queue.Push(next++));
    EXPECT_FALSE(queue.Push(next));
    while (queue.Pop(&item)) EXPECT_EQ(item, expected++);
    EXPECT_EQ(expected, next);
  }
}

}  // namespace
}  // namespace movrel
