#include "app/hotkey_poller_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "support/wait_until.h"


namespace movrel {
namespace {

using test::WaitUntil;

// A key press goes through the session's input queue and the poller's
// thread before it shows: the waits allow for a loaded machine.
constexpr int kWaitMs = 10000;

void SendKey(WORD vk, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  ASSERT_EQ(SendInput(1, &input, sizeof input), 1u);
}

TEST(IsKeyDown, FollowsTheKeyboard) {
  ASSERT_FALSE(IsKeyDown(kVkF11));
  SendKey(kVkF11, true);
  EXPECT_TRUE(WaitUntil([] { return IsKeyDown(kVkF11); }, kWaitMs));
  EXPECT_FALSE(IsKeyDown(kVkF12));
  SendKey(kVkF11, false);
  EXPECT_TRUE(WaitUntil([] { return !IsKeyDown(kVkF11); }, kWaitMs));
}

// Records each action with the thread it ran on. An action takes a while
// and handles events meanwhile, as a real one (a dialog, a recording
// start) does.
struct ThreadTarget : HotkeyTarget {
  std::atomic<bool> inAction{false};
  std::mutex lock;
  std::vector<std::pair<std::string, DWORD>> calls;

  void Record(const std::string& what) {
    inAction = true;
    WaitUntil([] { return false; }, 150);
    {
      std::lock_guard<std::mutex> hold(lock);
      calls.emplace_back(what, GetCurrentThreadId());
    }
    inAction = false;
  }
  size_t Count() {
    std::lock_guard<std::mutex> hold(lock);
    return calls.size();
  }
  bool OptimizationWindowOpen() override { return false; }
  bool StopPictureEnabled() override { return true; }
  bool RectangleButtonEnabled() override { return true; }
  void ToggleRecording() override { Record("toggle"); }
  void StopRecording() override { Record("stop"); }
  void ToggleOutline() override { Record("outline"); }
  void SelectRectangle(int state) override { Record("select " + std::to_string(state)); }
  void ToggleTrayHidden() override { Record("tray"); }
};

TEST(HotkeyPoller, RunsEachActionOnTheStartingThreadWhileThePollerWaits) {
  ThreadTarget target;
  // A scripted keyboard: the keys of one step are down until an action has
  // run, then the next step's are. The poller waits for each action, so the
  // step never changes in the middle of a poll.
  const std::vector<std::vector<int>> steps = {{kVkF9}, {kVkControl, kVkF8}, {kVkAlt, kVkF12}, {VK_SHIFT, kVkF10}};
  std::atomic<int> askedDuringAction{0};
  std::atomic<DWORD> pollerThread{0};
  auto reader = [&](int vk) {
    pollerThread = GetCurrentThreadId();
    if (target.inAction) ++askedDuringAction;
    size_t s = target.Count();
    if (s >= steps.size()) return false;
    for (int key : steps[s]) {
      if (key == vk) return true;
    }
    return false;
  };
  HotkeyPoller poller(reader, target);
  ASSERT_TRUE(poller.Start());
  ASSERT_TRUE(WaitUntil([&] { return target.Count() == steps.size(); }, kWaitMs));
  poller.Stop();

  std::vector<std::string> names;
  for (const auto& call : target.calls) {
    names.push_back(call.first);
    EXPECT_EQ(call.second, GetCurrentThreadId()) << call.first;
  }
  EXPECT_EQ(names, (std::vector<std::string>{"toggle", "select 1", "tray", "stop"}));
  EXPECT_NE(pollerThread.load(), GetCurrentThreadId());
  EXPECT_EQ(askedDuringAction.load(), 0);
}

TEST(HotkeyPoller, StopsWhileAKeyIsHeldAndAnActionIsBeingHandedOver) {
  ThreadTarget target;
  HotkeyPoller poller([](int vk) { return vk == kVkF11; }, target);
  ASSERT_TRUE(poller.Start());
  ASSERT_TRUE(WaitUntil([&] { return target.Count() >= 2; }, kWaitMs));
  poller.Stop();
  size_t count = target.Count();
  // Stopped means stopped: nothing more arrives.
  WaitUntil([] { return false; }, 700);
  EXPECT_EQ(target.Count(), count);
  // It can start again.
  ASSERT_TRUE(poller.Start());
  EXPECT_TRUE(WaitUntil([&] { return target.Count() > count; }, kWaitMs));
}

}  // namespace
}  // namespace movrel
