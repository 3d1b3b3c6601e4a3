// The frame window as the system sees it: a real layered window on the real
// screen, its placement, when it hides, and that a capture of the
// rectangle it surrounds holds nothing of it.
#include "select/frame_window_win.h"

#include <gtest/gtest.h>

#include "bitmap/bitmap_surface_win.h"
#include "support/wait_until.h"

namespace movrel {
namespace {

using test::WaitUntil;

RECT WindowRect(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

COLORREF ScreenPixel(int x, int y) {
  BitmapSurface s;
  if (!s.CaptureScreen(x, y, 1, 1, 24)) return CLR_INVALID;
  return s.GetPixel(0, 0);
}

FrameRequest Request(bool recordArea, bool showFrame, RecordRect rect, bool followMouse = false) {
  FrameRequest r;
  r.recordArea = recordArea;
  r.showFrame = showFrame;
  r.followMouse = followMouse;
  r.rect = rect;
  return r;
}

class FrameWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(frame.Create()); }
  void TearDown() override { frame.Destroy(); }
  FrameWindow frame;
};

TEST_F(FrameWindowTest, IsCreatedHiddenLayeredAndClickThrough) {
  HWND w = frame.handle();
  EXPECT_FALSE(IsWindowVisible(w));
  const LONG_PTR ex = GetWindowLongPtrW(w, GWL_EXSTYLE);
  EXPECT_EQ(ex & (WS_EX_LAYERED | WS_EX_TRANSPARENT), WS_EX_LAYERED | WS_EX_TRANSPARENT);
  EXPECT_EQ(GetWindowLongPtrW(w, GWL_STYLE) & WS_CAPTION, 0);
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(w, &key, &alpha, &flags));
  EXPECT_EQ(key, 0x00FF0090u);
  EXPECT_EQ(flags & LWA_COLORKEY, static_cast<DWORD>(LWA_COLORKEY));
  // A second creation keeps the window.
  EXPECT_TRUE(frame.Create());
  EXPECT_EQ(frame.handle(), w);
}

TEST_F(FrameWindowTest, PlacementAndHidingFollowTheCheckBoxes) {
  struct Step {
    const char* what;
    FrameRequest request;
    bool visible;
    RECT place;  // when visible
  } steps[] = {
      {"both on", Request(true, true, {0, 0, 500, 500}), true, {-5, -5, 505, 505}},
      {"moved", Request(true, true, {100, 50, 200, 80}), true, {95, 45, 305, 135}},
      {"record area off", Request(false, true, {100, 50, 200, 80}), false, {}},
      {"both on again", Request(true, true, {300, 200, 40, 30}), true, {295, 195, 345, 235}},
      {"frame off", Request(true, false, {300, 200, 40, 30}), false, {}},
      {"both off", Request(false, false, {300, 200, 40, 30}), false, {}},
  };
  for (const Step& s : steps) {
    frame.Update(s.request);
    EXPECT_EQ(IsWindowVisible(frame.handle()) != FALSE, s.visible) << s.what;
    if (!s.visible) continue;
    RECT r = WindowRect(frame.handle());
    EXPECT_EQ(r.left, s.place.left) << s.what;
    EXPECT_EQ(r.top, s.place.top) << s.what;
    EXPECT_EQ(r.right, s.place.right) << s.what;
    EXPECT_EQ(r.bottom, s.place.bottom) << s.what;
  }
}

TEST_F(FrameWindowTest, FollowsThePointer) {
  ASSERT_TRUE(SetCursorPos(700, 400));
  ASSERT_TRUE(WaitUntil([] {
    POINT p{};
    return GetCursorPos(&p) && p.x == 700 && p.y == 400;
  }));
  frame.Update(Request(true, true, {0, 0, 200, 100}, true));
  RECT r = WindowRect(frame.handle());
  EXPECT_EQ(r.left, 700 - 100 - 5);
  EXPECT_EQ(r.top, 400 - 50 - 5);
  EXPECT_EQ(r.right - r.left, 210);

  RecordRect rect{0, 0, 200, 100};
  FollowMouse(rect);
  EXPECT_EQ(rect.left, 600);
  EXPECT_EQ(rect.top, 350);
}

// A window of one colour under the frame.
class SolidWindow {
 public:
  SolidWindow(int x, int y, int w, int h, COLORREF colour) {
    static const wchar_t* cls = [] {
      WNDCLASSW wc{};
      wc.lpfnWndProc = DefWindowProcW;
      wc.hInstance = GetModuleHandleW(nullptr);
      wc.lpszClassName = L"MovrelSelectTestSolid";
      RegisterClassW(&wc);
      return L"MovrelSelectTestSolid";
    }();
    brush.reset(CreateSolidBrush(colour));
    window.reset(CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, cls, L"", WS_POPUP, x, y, w, h, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr));
    SetClassLongPtrW(window.get(), GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush.get()));
    ShowWindow(window.get(), SW_SHOWNOACTIVATE);
    UpdateWindow(window.get());
  }
  HWND get() const { return window.get(); }

 private:
  UniqueBrush brush;
  UniqueWindow window;
};

TEST_F(FrameWindowTest, OutlineShowsAroundButNeverInsideTheCapturedRectangle) {
  const COLORREF ground = RGB(0, 160, 80);
  const RecordRect rect{300, 250, 160, 120};
  // The ground reaches 20 pixels beyond the rectangle, under the outline.
  SolidWindow below(rect.left - 20, rect.top - 20, rect.width + 40, rect.height + 40, ground);
  ASSERT_TRUE(WaitUntil([&] { return ScreenPixel(rect.left + 5, rect.top + 5) == ground; }));
  frame.Update(Request(true, true, rect));
  // The outline is really on the screen: its outer ring is drawn...
  ASSERT_TRUE(WaitUntil([&] {
    COLORREF c = ScreenPixel(rect.left - 3, rect.top + rect.height / 2);
    return c != ground && c != CLR_INVALID;
  })) << "the outline never showed";
  EXPECT_NE(ScreenPixel(rect.left + rect.width + 2, rect.top + 10), ground);
  EXPECT_NE(ScreenPixel(rect.left + 10, rect.top - 5), ground);
  // ...its innermost pixel is transparent, and so is all of the inside.
  EXPECT_EQ(ScreenPixel(rect.left - 1, rect.top + 10), ground);
  EXPECT_EQ(ScreenPixel(rect.left + 10, rect.top + rect.height), ground);
  BitmapSurface capture;
  ASSERT_TRUE(capture.CaptureScreen(rect.left, rect.top, rect.width, rect.height, 24));
  int strayPixels = 0;
  for (int y = 0; y < rect.height; ++y) {
    for (int x = 0; x < rect.width; ++x) {
      if (capture.GetPixel(x, y) != ground) ++strayPixels;
    }
  }
  EXPECT_EQ(strayPixels, 0);
}

}  // namespace
}  // namespace movrel
