// The window base under Wine with real windows: messages reach the object
// that made the window, the class is registered once, the handle follows
// the window's life; the modal loop holds the guard, disables its owner and
// hands a quit message on.
#include "ui/window_win.h"

#include <gtest/gtest.h>

#include <vector>

namespace movrel {
namespace {

constexpr UINT kProbe = WM_APP + 1;
const WindowClass kTestClass = {L"MovrelWindowBaseTest"};

class ProbeWindow : public Window {
 public:
  ~ProbeWindow() override { Destroy(); }
  bool Open(HWND owner = nullptr) { return Create(kTestClass, 0, L"probe", WS_POPUP, 0, 0, 40, 30, owner); }
  std::vector<UINT> seen;
  bool modalOpenAtProbe = false;

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(message);
    if (message == kProbe) {
      modalOpenAtProbe = ModalLoopOpen();
      return static_cast<LRESULT>(wParam) * 2;
    }
    return Default(message, wParam, lParam);
  }
};

// Lives as long as its window, as the preview does.
class SelfDeletingWindow : public ProbeWindow {
 public:
  explicit SelfDeletingWindow(bool* deleted) : deleted_(deleted) {}
  ~SelfDeletingWindow() override { *deleted_ = true; }

 protected:
  void OnDestroyed() override { delete this; }

 private:
  bool* deleted_;
};

bool Saw(const ProbeWindow& w, UINT message) {
  for (UINT m : w.seen) {
    if (m == message) return true;
  }
  return false;
}

TEST(WindowBase, MessagesReachTheirObjectAndTheHandleFollowsTheWindow) {
  ProbeWindow a, b;
  ASSERT_TRUE(a.Open());
  ASSERT_TRUE(b.Open());  // the class is there already: registered once
  EXPECT_FALSE(a.Open());  // one window per object
  EXPECT_NE(a.handle(), b.handle());
  EXPECT_TRUE(Saw(a, WM_NCCREATE));
  EXPECT_TRUE(Saw(a, WM_CREATE));
  EXPECT_EQ(SendMessageW(a.handle(), kProbe, 21, 0), 42);
  EXPECT_FALSE(Saw(b, kProbe));

  HWND gone = a.handle();
  DestroyWindow(gone);  // from outside, as the system may
  EXPECT_EQ(a.handle(), nullptr);
  EXPECT_FALSE(IsWindow(gone));

  HWND open = b.handle();
  {
    ProbeWindow scoped;
    ASSERT_TRUE(scoped.Open());
    open = scoped.handle();
  }
  EXPECT_FALSE(IsWindow(open));  // the object took its window with it

  bool deleted = false;
  auto* owned = new SelfDeletingWindow(&deleted);
  ASSERT_TRUE(owned->Open());
  DestroyWindow(owned->handle());
  EXPECT_TRUE(deleted);
}

TEST(WindowBase, ModalLoopHoldsTheGuardDisablesTheOwnerAndPassesAQuitOn) {
  ProbeWindow owner, dialog;
  ASSERT_TRUE(owner.Open());
  ASSERT_TRUE(dialog.Open(owner.handle()));
  PostMessageW(dialog.handle(), kProbe, 1, 0);
  bool ownerDisabledInside = false;
  const bool ended = RunModalLoop(owner.handle(), [&] {
    if (!Saw(dialog, kProbe)) return false;
    ownerDisabledInside = !IsWindowEnabled(owner.handle());
    return true;
  });
  EXPECT_TRUE(ended);
  EXPECT_TRUE(dialog.modalOpenAtProbe);
  EXPECT_TRUE(ownerDisabledInside);
  EXPECT_TRUE(IsWindowEnabled(owner.handle()));
  EXPECT_FALSE(ModalLoopOpen());

  PostQuitMessage(7);
  EXPECT_FALSE(RunModalLoop(owner.handle(), [] { return false; }));
  EXPECT_TRUE(IsWindowEnabled(owner.handle()));
  MSG msg{};
  ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 7u);
}

TEST(OffscreenBuffer, FitsItsSizeAndKeepsItsPictureWhenTheSizeStays) {
  OffscreenBuffer buffer;
  EXPECT_FALSE(buffer.Fit(0, 10));
  EXPECT_FALSE(buffer);
  ASSERT_TRUE(buffer.Fit(30, 20));
  HDC dc = buffer.dc();
  SetPixel(dc, 29, 19, RGB(1, 2, 3));
  ASSERT_TRUE(buffer.Fit(30, 20));
  EXPECT_EQ(buffer.dc(), dc);
  EXPECT_EQ(GetPixel(buffer.dc(), 29, 19), RGB(1, 2, 3));
  ASSERT_TRUE(buffer.Fit(31, 20, 24));
  EXPECT_EQ(buffer.width(), 31);
  EXPECT_NE(GetPixel(buffer.dc(), 30, 0), CLR_INVALID);
  EXPECT_EQ(buffer.byteCount(), 96u * 20u);  // rows padded to four bytes
  ASSERT_NE(buffer.bits(), nullptr);
  SetPixel(buffer.dc(), 0, 0, RGB(9, 8, 7));  // the top row is the last in memory
  GdiFlush();
  EXPECT_EQ(buffer.bits()[96 * 19 + 2], 9);
}

}  // namespace
}  // namespace movrel
