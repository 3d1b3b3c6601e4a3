// The overlay's Win32 side with real GDI and a real window: the magnifier's
// blocks, the marks it paints, and the window turning messages into a
// selection.
#include "select/selection_overlay_win.h"

#include <gtest/gtest.h>

#include "ui/ui_win.h"

namespace movrel {
namespace {

COLORREF Pattern(int x, int y) { return RGB((x * 5) & 0xFF, (y * 7) & 0xFF, 100); }

// A 24-bit picture painted with Pattern.
bool MakePatternSurface(BitmapSurface& s, int w, int h) {
  if (!s.CreateBlank(w, h, 24)) return false;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, Pattern(x, y));
  }
  return true;
}

TEST(Magnifier, PaintsTwentyPixelsAsFiveByFiveBlocks) {
  BitmapSurface screen, magnifier;
  ASSERT_TRUE(MakePatternSurface(screen, 60, 40));
  struct Case {
    const char* what;
    ScreenPoint centre;
  } cases[] = {{"inside", {30, 20}}, {"at the top-left corner", {2, 3}}, {"at the bottom-right corner", {59, 39}}};
  for (const Case& c : cases) {
    ASSERT_TRUE(PaintMagnifier(screen, magnifier, c.centre)) << c.what;
    ASSERT_EQ(magnifier.GetWidth(), 100);
    ASSERT_EQ(magnifier.GetHeight(), 100);
    ASSERT_EQ(magnifier.GetDepth(), 24);
    int wrong = 0;
    for (int i = 0; i < 20; ++i) {
      for (int j = 0; j < 20; ++j) {
        const int sx = c.centre.x - 10 + i, sy = c.centre.y - 10 + j;
        const bool onScreen = sx >= 0 && sy >= 0 && sx < 60 && sy < 40;
        const COLORREF expected = onScreen ? Pattern(sx, sy) : RGB(0, 0, 0);
        for (int a = 0; a < 5; ++a) {
          for (int b = 0; b < 5; ++b) {
            if (magnifier.GetPixel(5 * i + a, 5 * j + b) != expected) ++wrong;
          }
        }
      }
    }
    EXPECT_EQ(wrong, 0) << c.what;
  }
  // The centre pixel's block is the one the cross at 52 runs through.
  ASSERT_TRUE(PaintMagnifier(screen, magnifier, {30, 20}));
  EXPECT_EQ(magnifier.GetPixel(52, 52), Pattern(30, 20));
}

class FixedFont {
 public:
  FixedFont() : font(CreateUiFont(96)) {}
  HFONT get() const { return font.get(); }

 private:
  UniqueFont font;
};

TEST(SceneMarks, StageZeroCrossLabelAndMagnifier) {
  constexpr int kW = 640, kH = 480;
  const COLORREF white = RGB(255, 255, 255);
  FixedFont font;
  GdiTextMeasurer measurer(font.get());
  SelectionState state(Desktop::Single(kW, kH));
  state.Open({300, 200}, nullptr);
  const SelectionScene scene = state.Scene(measurer);
  ASSERT_TRUE(scene.pointLabel.visible);
  ASSERT_GT(scene.pointLabel.box.right - scene.pointLabel.box.left, 100);  // real text was measured

  BitmapSurface canvas, magnifier, screen;
  ASSERT_TRUE(canvas.CreateBlank(kW, kH, 24));
  PatBlt(canvas.GetMemoryDc(), 0, 0, kW, kH, WHITENESS);
  ASSERT_TRUE(MakePatternSurface(screen, kW, kH));
  ASSERT_TRUE(PaintMagnifier(screen, magnifier, scene.magnifierSource));
  PaintSceneMarks(canvas.GetMemoryDc(), scene, magnifier.GetMemoryDc(), font.get());
  GdiFlush();
  canvas.RefreshImage();

  const COLORREF red = RGB(255, 0, 0);
  EXPECT_EQ(canvas.GetPixel(300, 5), red);
  EXPECT_EQ(canvas.GetPixel(300, kH - 1), red);
  EXPECT_EQ(canvas.GetPixel(5, 200), red);
  EXPECT_EQ(canvas.GetPixel(kW - 1, 200), red);
  EXPECT_EQ(canvas.GetPixel(301, 5), white);
  EXPECT_EQ(canvas.GetPixel(5, 201), white);
  // The label: border, fill, and some dark text pixels inside its box.
  const ScreenBox& box = scene.pointLabel.box;
  EXPECT_EQ(canvas.GetPixel(box.left, box.top + 3), RGB(0, 0, 0));
  EXPECT_EQ(canvas.GetPixel(box.left + 2, box.top + 2), RGB(255, 255, 225));
  int dark = 0;
  for (int y = box.top; y < box.bottom; ++y) {
    for (int x = box.left + 4; x < box.right - 1; ++x) {
      COLORREF c = canvas.GetPixel(x, y);
      if (GetRValue(c) < 128 && GetGValue(c) < 128) ++dark;
    }
  }
  EXPECT_GT(dark, 50);
  // The magnifier at (170, 70): border, picture, cross at 52.
  EXPECT_EQ(canvas.GetPixel(170, 70), RGB(0, 0, 0));
  EXPECT_EQ(canvas.GetPixel(171 + 2, 71 + 2), Pattern(290, 190));
  EXPECT_EQ(canvas.GetPixel(171 + 52, 71 + 10), red);
  EXPECT_EQ(canvas.GetPixel(171 + 10, 71 + 52), red);
  EXPECT_EQ(canvas.GetPixel(171 + 51, 71 + 10), Pattern(300, 192));
}

TEST(SceneMarks, StageTwoOutlineAndHandles) {
  constexpr int kW = 640, kH = 480;
  FixedFont font;
  GdiTextMeasurer measurer(font.get());
  const SelectionRect rect{100, 80, 400, 300};
  SelectionState state(Desktop::Single(kW, kH));
  state.Open({600, 450}, &rect);
  const SelectionScene scene = state.Scene(measurer);
  BitmapSurface canvas;
  ASSERT_TRUE(canvas.CreateBlank(kW, kH, 24));
  PatBlt(canvas.GetMemoryDc(), 0, 0, kW, kH, WHITENESS);
  PaintSceneMarks(canvas.GetMemoryDc(), scene, nullptr, font.get());
  GdiFlush();
  canvas.RefreshImage();
  const COLORREF red = RGB(255, 0, 0), handle = RGB(144, 0, 255), white = RGB(255, 255, 255);
  EXPECT_EQ(canvas.GetPixel(200, 80), red);
  EXPECT_EQ(canvas.GetPixel(400, 200), red);
  EXPECT_EQ(canvas.GetPixel(200, 300), red);
  EXPECT_EQ(canvas.GetPixel(100, 200), red);
  EXPECT_EQ(canvas.GetPixel(120, 100), white);  // the inside stays clear
  // Each handle's outline: a corner of its square, and its hollow inside.
  for (const SelectionRect& h : HandleSquares(rect)) {
    EXPECT_EQ(canvas.GetPixel(h.x1, h.y1), handle);
    EXPECT_EQ(canvas.GetPixel(h.x2, h.y2), handle);
    EXPECT_EQ(canvas.GetPixel(h.x1 + 2, h.y1 + 2), white);
  }
  EXPECT_EQ(canvas.GetPixel(95, 75), white);  // just outside the first handle
  // No magnifier in stage 2 with the button up.
  EXPECT_EQ(canvas.GetPixel(scene.magnifierAt.x, scene.magnifierAt.y), white);
}

// The overlay window itself, fed posted messages as the system would.
class OverlayWindowTest : public ::testing::Test {
 protected:
  // The owner notes whether it was enabled when it gets WM_APP.
  static LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) ownerEnabledDuringRun = IsWindowEnabled(window) ? 1 : 0;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  static inline int ownerEnabledDuringRun = -1;

  void SetUp() override {
    ownerEnabledDuringRun = -1;
    WNDCLASSW wc{};
    wc.lpfnWndProc = OwnerProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"MovrelSelectTestOwner";
    RegisterClassW(&wc);
    owner.reset(CreateWindowExW(0, L"MovrelSelectTestOwner", L"owner", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(owner);
  }
  static LPARAM At(int x, int y) { return MAKELPARAM(x, y); }
  UniqueWindow owner;
};

TEST_F(OverlayWindowTest, CoversTheScreenAndSelectsByDrag) {
  SelectionOverlay overlay;
  ASSERT_TRUE(overlay.Open(owner.get(), nullptr));
  HWND w = overlay.handle();
  RECT r{};
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_TRUE(GetWindowLongPtrW(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_EQ(GetWindow(w, GW_OWNER), owner.get());
  EXPECT_EQ(overlay.State().Stage(), 0);

  PostMessageW(w, WM_MOUSEMOVE, 0, At(100, 100));
  PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, At(100, 100));
  PostMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, At(70, 60));
  PostMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, At(50, 40));
  PostMessageW(w, WM_LBUTTONUP, 0, At(50, 40));
  PostMessageW(w, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_TRUE(overlay.RunModal(owner.get()));
  EXPECT_FALSE(IsWindow(w));
  EXPECT_TRUE(IsWindowEnabled(owner.get()));
  const SelectionRect& chosen = overlay.State().Rect();
  EXPECT_EQ(chosen.x1, 50);
  EXPECT_EQ(chosen.y1, 40);
  EXPECT_EQ(chosen.Width(), 51);
  EXPECT_EQ(chosen.Height(), 61);
}

TEST_F(OverlayWindowTest, PresetThenEscapeCancels) {
  SelectionOverlay overlay;
  const SelectionRect preset{20, 30, 219, 129};
  ASSERT_TRUE(overlay.Open(owner.get(), &preset));
  EXPECT_EQ(overlay.State().Stage(), 2);
  HWND w = overlay.handle();
  PostMessageW(owner.get(), WM_APP, 0, 0);
  PostMessageW(w, WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(overlay.RunModal(owner.get()));
  EXPECT_EQ(ownerEnabledDuringRun, 0);  // disabled while the overlay ran
  EXPECT_FALSE(IsWindow(w));
  EXPECT_TRUE(IsWindowEnabled(owner.get()));
}

}  // namespace
}  // namespace movrel
