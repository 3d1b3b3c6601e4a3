#include "app/hotkey_poll.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace movrel {
namespace {

constexpr int kVkShift = 0x10;

// A keyboard whose keys are down as the test says; it also records which
// keys were asked about, since on the real keyboard every question clears
// that key's "pressed since" report.
struct FakeKeyboard {
  std::set<int> down;
  std::vector<int> asked;
  HotkeyPoll::KeyReader Reader() {
    return [this](int vk) {
      asked.push_back(vk);
      return down.count(vk) != 0;
    };
  }
};

TEST(HotkeyPoll, FindsTheFirstKeyOfTheTableThatIsDown) {
  struct Case {
    const char* what;
    std::set<int> down;
    Hotkey expected;
    bool ctrl;
  } cases[] = {
      {"nothing", {}, Hotkey::kNone, false},
      {"F9", {kVkF9}, Hotkey::kToggleRecording, false},
      {"Shift+F9", {kVkShift, kVkF9}, Hotkey::kToggleRecording, false},
      {"Ctrl+F9", {kVkControl, kVkF9}, Hotkey::kToggleRecording, false},
      {"Alt+F9", {kVkAlt, kVkF9}, Hotkey::kToggleRecording, false},
      {"Shift+F10", {kVkShift, kVkF10}, Hotkey::kStopRecording, false},
      {"F11", {kVkF11}, Hotkey::kToggleOutline, false},
      {"F8", {kVkF8}, Hotkey::kSelectRectangle, false},
      {"Ctrl+F8", {kVkControl, kVkF8}, Hotkey::kSelectRectangle, true},
      {"Ctrl+Shift+F8", {kVkControl, kVkShift, kVkF8}, Hotkey::kSelectRectangle, true},
      {"Alt+F12", {kVkAlt, kVkF12}, Hotkey::kToggleTray, false},
      {"Ctrl+Alt+F12", {kVkControl, kVkAlt, kVkF12}, Hotkey::kToggleTray, false},
      {"F12 without Alt", {kVkF12}, Hotkey::kNone, false},
      {"Ctrl+F12", {kVkControl, kVkF12}, Hotkey::kNone, false},
      {"modifiers alone", {kVkControl, kVkAlt, kVkShift}, Hotkey::kNone, false},
      // A higher key wins the poll.
      {"F9 and F10", {kVkF9, kVkF10}, Hotkey::kToggleRecording, false},
      {"F10 and F11", {kVkF10, kVkF11}, Hotkey::kStopRecording, false},
      {"F11 and Ctrl+F8", {kVkF11, kVkControl, kVkF8}, Hotkey::kToggleOutline, false},
      {"F8 and Alt+F12", {kVkF8, kVkAlt, kVkF12}, Hotkey::kSelectRectangle, false},
      {"every key", {kVkF8, kVkF9, kVkF10, kVkF11, kVkF12, kVkAlt}, Hotkey::kToggleRecording, false},
  };
  for (const Case& c : cases) {
    FakeKeyboard keys;
    keys.down = c.down;
    HotkeyPoll poll(keys.Reader());
    HotkeyHit hit = poll.Poll();
    EXPECT_EQ(hit.key, c.expected) << c.what;
    EXPECT_EQ(hit.ctrlDown, c.ctrl) << c.what;
    EXPECT_EQ(poll.pollIntervalMs(), c.expected == Hotkey::kNone ? kPollIntervalIdleMs : kPollIntervalAfterHitMs)
        << c.what;
  }
}

TEST(HotkeyPoll, AsksNoFurtherKeyOnceOneFired) {
  struct Case {
    std::set<int> down;
    std::vector<int> asked;
  } cases[] = {
      {{kVkF9, kVkF11}, {kVkF9}},
      {{kVkF11}, {kVkF9, kVkF10, kVkF11}},
      // Ctrl is looked at only for F8, and F12 only pulls in Alt.
      {{kVkF8}, {kVkF9, kVkF10, kVkF11, kVkF8, kVkControl}},
      {{}, {kVkF9, kVkF10, kVkF11, kVkF8, kVkF12}},
      {{kVkF12}, {kVkF9, kVkF10, kVkF11, kVkF8, kVkF12, kVkAlt}},
  };
  for (const Case& c : cases) {
    FakeKeyboard keys;
    keys.down = c.down;
    HotkeyPoll poll(keys.Reader());
    poll.Poll();
    EXPECT_EQ(keys.asked, c.asked);
  }
}

TEST(HotkeyPoll, WaitsLongAfterAHitAndShortOnceNoKeyIsDown) {
  FakeKeyboard keys;
  HotkeyPoll poll(keys.Reader());
  EXPECT_EQ(poll.pollIntervalMs(), 10);
  keys.down = {kVkF11};
  poll.Poll();
  EXPECT_EQ(poll.pollIntervalMs(), 500);
  poll.Poll();  // still held: fires again, still the long wait
  EXPECT_EQ(poll.pollIntervalMs(), 500);
  keys.down.clear();
  poll.Poll();
  EXPECT_EQ(poll.pollIntervalMs(), 10);
  // Debouncing is by time even when the key's action will not run: F12
  // alone is no hotkey, but Alt+F12 is, whatever its action does.
  keys.down = {kVkF12};
  poll.Poll();
  EXPECT_EQ(poll.pollIntervalMs(), 10);
}

// The poller loop against a simulated clock: each wait moves time on by
// the wait, and keys are down between a press and a release time.
struct Timeline {
  int32_t nowMs = 0;
  struct Press {
    int vk;
    int32_t fromMs, toMs;
  };
  std::vector<Press> presses;
  int32_t endMs = 0;
  std::vector<std::pair<int32_t, Hotkey>> fired;
  std::vector<int32_t> waits;

  void Run() {
    HotkeyPoll poll([this](int vk) {
      for (const Press& p : presses) {
        if (p.vk == vk && nowMs >= p.fromMs && nowMs < p.toMs) return true;
      }
      return false;
    });
    HotkeyLoop loop;
    loop.wait = [this](int32_t ms) {
      waits.push_back(ms);
      nowMs += ms;
    };
    loop.deliver = [this](const HotkeyHit& hit) { fired.emplace_back(nowMs, hit.key); };
    loop.stopRequested = [this] { return nowMs >= endMs; };
    RunHotkeyLoop(poll, loop);
  }
};

TEST(HotkeyLoop, AKeyHeldForTwoSecondsFiresAboutFourTimes) {
  Timeline t;
  t.presses = {{kVkF11, 0, 2000}};
  t.endMs = 3000;
  t.Run();
  ASSERT_EQ(t.fired.size(), 4u);
  EXPECT_EQ(t.fired[0].first, 10);
  // Twice a second while held.
  for (size_t i = 1; i < t.fired.size(); ++i) {
    EXPECT_EQ(t.fired[i].first - t.fired[i - 1].first, 500);
    EXPECT_EQ(t.fired[i].second, Hotkey::kToggleOutline);
  }
}

TEST(HotkeyLoop, PollsEveryTenMillisecondsUntilAKeyThenHalfASecondLater) {
  Timeline t;
  t.presses = {{kVkF9, 35, 60}};
  t.endMs = 1000;
  t.Run();
  ASSERT_EQ(t.fired.size(), 1u);
  EXPECT_EQ(t.fired[0], std::make_pair(40, Hotkey::kToggleRecording));
  // 10, 20, 30, 40 (fires), then 500, then back to 10 ms steps.
  ASSERT_GE(t.waits.size(), 6u);
  EXPECT_EQ(std::vector<int32_t>(t.waits.begin(), t.waits.begin() + 6),
            (std::vector<int32_t>{10, 10, 10, 10, 500, 10}));
}

TEST(HotkeyLoop, APressDuringTheLongWaitIsNotSeen) {
  // Alt+F12 fires at 10; a short F9 press between the polls at 10 and 510
  // is over before the next poll looks.
  Timeline t;
  t.presses = {{kVkAlt, 0, 20}, {kVkF12, 0, 20}, {kVkF9, 100, 400}};
  t.endMs = 1000;
  t.Run();
  ASSERT_EQ(t.fired.size(), 1u);
  EXPECT_EQ(t.fired[0], std::make_pair(10, Hotkey::kToggleTray));
}

TEST(HotkeyLoop, EndsWithoutPollingWhenStoppedDuringAWait) {
  int polls = 0;
  bool stop = false;
  HotkeyPoll poll([&](int) {
    ++polls;
    return true;
  });
  HotkeyLoop loop;
  loop.wait = [&](int32_t) { stop = true; };
  loop.deliver = [](const HotkeyHit&) { FAIL() << "nothing may be handed over after the stop"; };
  loop.stopRequested = [&] { return stop; };
  RunHotkeyLoop(poll, loop);
  EXPECT_EQ(polls, 0);
}

// Records what the hotkeys asked for.
struct RecordingTarget : HotkeyTarget {
  bool optimizationOpen = false, stopEnabled = false, rectangleEnabled = false;
  std::vector<std::string> calls;
  bool OptimizationWindowOpen() override { return optimizationOpen; }
  bool StopPictureEnabled() override { return stopEnabled; }
  bool RectangleButtonEnabled() override { return rectangleEnabled; }
  void ToggleRecording() override { calls.push_back("toggle"); }
  void StopRecording() override { calls.push_back("stop"); }
  void ToggleOutline() override { calls.push_back("outline"); }
  void SelectRectangle(int state) override { calls.push_back("select " + std::to_string(state)); }
  void ToggleTrayHidden() override { calls.push_back("tray"); }
};

TEST(RunHotkey, ActsOnlyWhenTheKeysConditionHolds) {
  struct Case {
    Hotkey key;
    bool ctrl, optimizationOpen, stopEnabled, rectangleEnabled;
    std::vector<std::string> calls;
  } cases[] = {
      {Hotkey::kToggleRecording, false, false, false, false, {"toggle"}},
      {Hotkey::kToggleRecording, false, true, true, true, {}},
      {Hotkey::kStopRecording, false, false, true, false, {"stop"}},
      {Hotkey::kStopRecording, false, false, false, true, {}},
      // F11 and Alt+F12 have no condition, even with every control disabled.
      {Hotkey::kToggleOutline, false, true, false, false, {"outline"}},
      {Hotkey::kToggleTray, false, true, false, false, {"tray"}},
      {Hotkey::kSelectRectangle, false, false, false, true, {"select 0"}},
      {Hotkey::kSelectRectangle, true, false, false, true, {"select 1"}},
      {Hotkey::kSelectRectangle, true, false, true, false, {}},
      {Hotkey::kNone, false, false, true, true, {}},
  };
  for (const Case& c : cases) {
    RecordingTarget target;
    target.optimizationOpen = c.optimizationOpen;
    target.stopEnabled = c.stopEnabled;
    target.rectangleEnabled = c.rectangleEnabled;
    HotkeyHit hit;
    hit.key = c.key;
    hit.ctrlDown = c.ctrl;
    RunHotkey(hit, target);
    EXPECT_EQ(target.calls, c.calls) << static_cast<int>(c.key);
  }
}

TEST(RunHotkey, NoKeyActsWhileAModalLoopIsOpen) {
  RecordingTarget target;
  target.stopEnabled = target.rectangleEnabled = true;
  const Hotkey keys[] = {Hotkey::kToggleRecording, Hotkey::kStopRecording, Hotkey::kToggleOutline,
                         Hotkey::kSelectRectangle, Hotkey::kToggleTray};
  auto runAll = [&] {
    for (Hotkey key : keys) {
      HotkeyHit hit;
      hit.key = key;
      RunHotkey(hit, target);
    }
  };
  {
    ModalLoopGuard overlay;
    {
      ModalLoopGuard messageBox;  // a message box over the overlay
      runAll();
    }
    EXPECT_TRUE(ModalLoopOpen());
    runAll();
  }
  EXPECT_TRUE(target.calls.empty());
  // The countdown lets F10 through, and only F10, unless a message box
  // shows over it.
  {
    ModalLoopGuard countdown(ModalKeys::kStop);
    {
      ModalLoopGuard messageBox;
      runAll();
    }
    EXPECT_TRUE(target.calls.empty());
    runAll();
  }
  EXPECT_EQ(target.calls, (std::vector<std::string>{"stop"}));
  target.calls.clear();
  // Once the last loop has closed, every key acts again.
  EXPECT_FALSE(ModalLoopOpen());
  runAll();
  EXPECT_EQ(target.calls, (std::vector<std::string>{"toggle", "stop", "outline", "select 0", "tray"}));
}

}  // namespace
}  // namespace movrel
