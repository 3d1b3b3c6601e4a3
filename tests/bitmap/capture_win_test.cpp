#include <windows.h>

#include <gtest/gtest.h>

#include "bitmap/bitmap_surface_win.h"
#include "pattern_window_win.h"

namespace movrel {
namespace {

using test::PatternColour;
using test::PatternWindow;
using test::WaitUntil;

DEVMODEW DisplayMode() {
  DEVMODEW mode = {};
  mode.dmSize = sizeof(mode);
  EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode);
  return mode;
}

// Compares every pixel of a w x h capture with the pattern.
::testing::AssertionResult ShowsPattern(BitmapSurface& s, int w, int h, int offsetX = 0, int offsetY = 0,
                                        int patternW = 0, int patternH = 0) {
  if (patternW == 0) patternW = w;
  if (patternH == 0) patternH = h;
  if (s.GetWidth() != w || s.GetHeight() != h) {
    return ::testing::AssertionFailure() << "size " << s.GetWidth() << "x" << s.GetHeight();
  }
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const COLORREF want = PatternColour(x + offsetX, y + offsetY, patternW, patternH);
      const COLORREF got = s.GetPixel(x, y);
      if (got != want) {
        return ::testing::AssertionFailure()
               << "pixel (" << x << ", " << y << ") is " << std::hex << got << ", expected " << want;
      }
    }
  }
  return ::testing::AssertionSuccess();
}

class CaptureScreenTest : public ::testing::Test {
 protected:
  static constexpr int kX = 40, kY = 60, kW = 64, kH = 48;
  void SetUp() override { ASSERT_TRUE(window_.ShowAndWaitPainted()); }
  PatternWindow window_{kX, kY, kW, kH};
};

TEST_F(CaptureScreenTest, GrabsTheRectangleAtEachDepth) {
  for (int depth : {32, 24, 16, 8, 4}) {
    SCOPED_TRACE(testing::Message() << "depth " << depth);
    BitmapSurface s;
    ASSERT_TRUE(s.CaptureScreen(kX, kY, kW, kH, depth));
    EXPECT_EQ(s.GetDepth(), depth);
    EXPECT_EQ(s.GetHandleDepth(), depth);
    EXPECT_TRUE(ShowsPattern(s, kW, kH));
  }
}

TEST_F(CaptureScreenTest, PartOfTheRectangleAndDefaults) {
  BitmapSurface s;
  ASSERT_TRUE(s.CaptureScreen(kX + 10, kY + 5, 20, 30, 24));
  EXPECT_TRUE(ShowsPattern(s, 20, 30, 10, 5, kW, kH));
  // Grabbed again at the same size (a recording's frames), elsewhere: only
  // the new place shows, whatever was drawn into the surface meanwhile.
  for (int depth : {24, 8}) {
    ASSERT_TRUE(s.CaptureScreen(kX, kY, 20, 30, depth));
    s.SetPixel(3, 3, RGB(1, 2, 3));
    ASSERT_TRUE(s.CaptureScreen(kX + 30, kY + 12, 20, 30, depth));
    EXPECT_EQ(s.GetDepth(), depth);
    EXPECT_TRUE(ShowsPattern(s, 20, 30, 30, 12, kW, kH)) << depth;
  }

  const DEVMODEW mode = DisplayMode();
  ASSERT_TRUE(s.CaptureScreen(100, 50));
  EXPECT_EQ(s.GetWidth(), static_cast<int>(mode.dmPelsWidth) - 100);
  EXPECT_EQ(s.GetHeight(), static_cast<int>(mode.dmPelsHeight) - 50);
  EXPECT_EQ(s.GetDepth(), static_cast<int>(mode.dmBitsPerPel));
  // The pattern window sits inside that area.
  EXPECT_EQ(s.GetPixel(kX - 100 + kW - 1, kY - 50 + kH - 1), RGB(255, 0, 255));
}

TEST_F(CaptureScreenTest, RefusalsLeaveTheSurfaceEmpty) {
  const DEVMODEW mode = DisplayMode();
  const int displayW = static_cast<int>(mode.dmPelsWidth);
  struct Case {
    const char* what;
    int x, y, width, height, depth;
  };
  const Case cases[] = {
      {"depth 12", kX, kY, kW, kH, 12},
      {"depth 2", kX, kY, kW, kH, 2},
      {"x at the right edge, width by default", displayW, 0, 0, 10, 24},
      {"x beyond the right edge, width by default", displayW + 50, 0, 0, 10, 24},
      {"negative height", 0, 0, 10, -4, 24},
  };
  for (const Case& c : cases) {
    BitmapSurface s;
    ASSERT_TRUE(s.CaptureScreen(kX, kY, kW, kH, 24));
    EXPECT_FALSE(s.CaptureScreen(c.x, c.y, c.width, c.height, c.depth)) << c.what;
    EXPECT_EQ(s.GetHandle(), nullptr) << c.what;
    EXPECT_EQ(s.GetWidth(), 0) << c.what;
    EXPECT_EQ(s.ToBmpBytes().size(), 14u) << c.what;
  }
  // Partly outside the display is not checked: the size is what was asked.
  BitmapSurface s;
  ASSERT_TRUE(s.CaptureScreen(displayW - 10, 0, 30, 10, 24));
  EXPECT_EQ(s.GetWidth(), 30);
}

// A framed window: its client area is offset from the window's corner. It is
// shared by the tests of the group, since hiding a framed window can take the
// system a while.
class CaptureWindowTest : public ::testing::Test {
 protected:
  static constexpr int kW = 160, kH = 70;
  static void SetUpTestSuite() { window_ = new PatternWindow(200, 150, kW, kH, WS_OVERLAPPEDWINDOW); }
  static void TearDownTestSuite() {
    delete window_;
    window_ = nullptr;
  }
  void SetUp() override {
    if (IsIconic(window_->get()) || !IsWindowVisible(window_->get())) ShowWindow(window_->get(), SW_RESTORE);
    ASSERT_TRUE(window_->ShowAndWaitPainted());
    RECT client;
    GetClientRect(window_->get(), &client);
    ASSERT_EQ(client.right, kW);
    ASSERT_EQ(client.bottom, kH);
  }
  HWND window() const { return window_->get(); }
  static PatternWindow* window_;
};

PatternWindow* CaptureWindowTest::window_ = nullptr;

TEST_F(CaptureWindowTest, BlocksOfTheClientArea) {
  BitmapSurface s;
  ASSERT_TRUE(s.CaptureWindow(window(), 70, 25, 12, 20, 8));
  EXPECT_EQ(s.GetDepth(), 8);
  EXPECT_TRUE(ShowsPattern(s, 12, 20, 70, 25, kW, kH));
  ASSERT_TRUE(s.CaptureWindow(window(), 150, 60));  // the rest of the client area, at 24 bits
  EXPECT_EQ(s.GetDepth(), 24);
  EXPECT_TRUE(ShowsPattern(s, kW - 150, kH - 60, 150, 60, kW, kH));
}

TEST_F(CaptureWindowTest, ACoveredWindowIsCapturedWhole) {
  RECT client;
  GetClientRect(window(), &client);
  POINT origin = {0, 0};
  ClientToScreen(window(), &origin);
  PatternWindow cover(origin.x + 10, origin.y + 10, 40, 40, WS_POPUP, RGB(0, 0, 0));
  ASSERT_TRUE(cover.ShowAndWaitPainted());
  BitmapSurface screen;
  ASSERT_TRUE(screen.CaptureScreen(origin.x, origin.y, kW, kH, 24));
  EXPECT_EQ(screen.GetPixel(20, 20), RGB(0, 0, 0)) << "the cover is on the screen";

  BitmapSurface s;
  ASSERT_TRUE(s.CaptureWindow(window()));
  EXPECT_TRUE(ShowsPattern(s, kW, kH));
}

TEST_F(CaptureWindowTest, MinimisedHiddenOrMissingWindowsAreRefused) {
  BitmapSurface s;
  ASSERT_TRUE(s.CaptureWindow(window()));
  EXPECT_FALSE(s.CaptureWindow(window(), 0, 0, 0, 0, 12));
  EXPECT_EQ(s.GetHandle(), nullptr);

  ShowWindow(window(), SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(window()) != FALSE; }));
  EXPECT_FALSE(s.CaptureWindow(window()));
  EXPECT_EQ(s.GetWidth(), 0);

  ShowWindow(window(), SW_RESTORE);
  ASSERT_TRUE(window_->ShowAndWaitPainted());
  ASSERT_TRUE(s.CaptureWindow(window()));
  ShowWindow(window(), SW_HIDE);
  EXPECT_FALSE(s.CaptureWindow(window()));
  EXPECT_EQ(s.GetWidth(), 0);

  EXPECT_FALSE(s.CaptureWindow(nullptr));
  EXPECT_FALSE(s.CaptureWindow(window(), kW + 5, 0));  // nothing of the client area is left
}

// A memory DC holding the pattern at 120 x 80.
class PatternDc {
 public:
  PatternDc() {
    WindowDc screen(nullptr);
    dc_.reset(CreateCompatibleDC(screen.get()));
    bitmap_.reset(CreateCompatibleBitmap(screen.get(), 120, 80));
    previous_ = SelectObject(dc_.get(), bitmap_.get());
    test::PaintPattern(dc_.get(), 120, 80);
  }
  ~PatternDc() { SelectObject(dc_.get(), previous_); }
  HDC get() const { return dc_.get(); }

 private:
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  HGDIOBJ previous_;
};

TEST(CaptureDc, TakesTheRectangleInTheContextsCoordinates) {
  PatternDc pattern;
  BitmapSurface s;
  ASSERT_TRUE(s.CaptureDc(pattern.get(), RECT{50, 30, 80, 50}, 24));
  EXPECT_TRUE(ShowsPattern(s, 30, 20, 50, 30, 120, 80));
  ASSERT_TRUE(s.CaptureDc(pattern.get(), RECT{0, 0, 120, 80}, 4));
  EXPECT_EQ(s.GetDepth(), 4);
  EXPECT_TRUE(ShowsPattern(s, 120, 80));

  // Empty or inverted rectangles and bad depths give no picture.
  const RECT rects[] = {{10, 10, 10, 20}, {10, 10, 20, 10}, {30, 30, 20, 40}};
  for (const RECT& r : rects) {
    EXPECT_FALSE(s.CaptureDc(pattern.get(), r, 24)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    EXPECT_EQ(s.GetHandle(), nullptr);
  }
  EXPECT_FALSE(s.CaptureDc(pattern.get(), RECT{0, 0, 10, 10}, 12));
  EXPECT_FALSE(s.CaptureDc(nullptr, RECT{0, 0, 10, 10}, 24));
  EXPECT_EQ(s.GetHandle(), nullptr);
}

// A size x size icon or cursor: the left half transparent, the right half
// red.
UniqueIcon HalfRedIcon(int size, bool cursor) {
  WindowDc screen(nullptr);
  UniqueBitmap colour(CreateCompatibleBitmap(screen.get(), size, size));
  UniqueBitmap mask(CreateBitmap(size, size, 1, 1, nullptr));
  {
    UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
    RECT all = {0, 0, size, size}, left = {0, 0, size / 2, size};
    {
      SelectGuard select(dc.get(), colour.get());
      UniqueBrush red(CreateSolidBrush(RGB(255, 0, 0)));
      FillRect(dc.get(), &all, red.get());
      FillRect(dc.get(), &left, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    SelectGuard select(dc.get(), mask.get());
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));   // 0: opaque
    FillRect(dc.get(), &left, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));  // 1: transparent
  }
  ICONINFO info = {};
  info.fIcon = cursor ? FALSE : TRUE;
  info.xHotspot = cursor ? 5 : 0;
  info.yHotspot = cursor ? 7 : 0;
  info.hbmMask = mask.get();
  info.hbmColor = colour.get();
  return UniqueIcon(CreateIconIndirect(&info));
}

TEST(LoadFromIcon, TransparentPixelsComeOutWhite) {
  UniqueIcon icon = HalfRedIcon(32, false);
  ASSERT_TRUE(icon);
  BitmapSurface s;
  ASSERT_TRUE(s.LoadFromIcon(icon.get()));
  EXPECT_EQ(s.GetWidth(), 32);
  EXPECT_EQ(s.GetHeight(), 32);
  EXPECT_EQ(s.GetDepth(), 32);
  for (int y : {0, 15, 31}) {
    EXPECT_EQ(s.GetPixel(0, y), RGB(255, 255, 255));
    EXPECT_EQ(s.GetPixel(15, y), RGB(255, 255, 255));
    EXPECT_EQ(s.GetPixel(16, y), RGB(255, 0, 0));
    EXPECT_EQ(s.GetPixel(31, y), RGB(255, 0, 0));
  }

  ASSERT_TRUE(s.LoadFromIcon(icon.get(), 64, 48, 8));
  EXPECT_EQ(s.GetWidth(), 64);
  EXPECT_EQ(s.GetHeight(), 48);
  EXPECT_EQ(s.GetDepth(), 8);
  EXPECT_EQ(s.GetPixel(10, 40), RGB(255, 255, 255));
  EXPECT_EQ(s.GetPixel(50, 40), RGB(255, 0, 0));
}

TEST(LoadFromIcon, CursorsAndRefusals) {
  UniqueIcon icon = HalfRedIcon(32, false);
  UniqueIcon cursor = HalfRedIcon(32, true);
  ASSERT_TRUE(icon && cursor);
  BitmapSurface fromIcon, fromCursor;
  ASSERT_TRUE(fromIcon.LoadFromIcon(icon.get()));
  ASSERT_TRUE(fromCursor.LoadFromIcon(cursor.get()));
  EXPECT_EQ(fromCursor.ToBmpBytes(), fromIcon.ToBmpBytes()) << "the hot spot plays no part";

  EXPECT_FALSE(fromIcon.LoadFromIcon(nullptr));
  EXPECT_EQ(fromIcon.GetHandle(), nullptr);
  EXPECT_FALSE(fromCursor.LoadFromIcon(icon.get(), 0, 0, 12));
  EXPECT_EQ(fromCursor.GetHandle(), nullptr);
  EXPECT_FALSE(fromCursor.LoadFromIcon(icon.get(), -4, 10));
}

}  // namespace
}  // namespace movrel
