// The changed-region pass on real GDI under Wine: frames are real BMP
// pictures in a real store, compared on the work canvas and cropped through
// BitmapSurface.
#include "record/optimize_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "app/app_win.h"
#include "bitmap/bitmap_surface_win.h"
#include "bitmap/bmp_layout.h"
#include "record/kept_picture.h"
#include "support/temp_folder.h"

namespace movrel {
namespace {

constexpr int kW = 40, kH = 30;

// A frame of the depth: grey with the given pixels painted.
std::string Frame(int depth, const std::function<void(BitmapSurface&)>& paint = nullptr) {
  BitmapSurface s;
  EXPECT_TRUE(s.CreateBlank(kW, kH, 24));
  RECT all = {0, 0, kW, kH};
  HBRUSH grey = CreateSolidBrush(RGB(128, 128, 128));
  FillRect(s.GetMemoryDc(), &all, grey);
  DeleteObject(grey);
  GdiFlush();
  s.RefreshImage();
  if (paint) paint(s);
  if (depth != 24) {
    EXPECT_TRUE(s.ConvertDepth(depth));
  }
  return s.ToBmpBytes();
}

COLORREF PixelOf(const std::string& bmp, int x, int y) {
  BitmapSurface s;
  EXPECT_TRUE(s.LoadFromBmpBytes(bmp));
  return s.GetPixel(x, y);
}

BmpFileLayout LayoutOf(const std::string& bmp) {
  BmpFileLayout layout;
  EXPECT_TRUE(IsLoadableBmpFile(bmp, &layout));
  return layout;
}
int WidthOf(const std::string& bmp) { return LayoutOf(bmp).width; }
int HeightOf(const std::string& bmp) { return LayoutOf(bmp).height; }
int DepthOf(const std::string& bmp) { return LayoutOf(bmp).depth; }

// The same 24-bit picture behind the 12-byte core header, whose sides are
// 16-bit fields at other offsets.
std::string WithCoreHeader(const std::string& bmp) {
  const BmpFileLayout layout = LayoutOf(bmp);
  std::string core("BM\0\0\0\0\0\0\0\0\x1A\0\0\0\x0C\0\0\0", 18);
  for (int side : {layout.width, layout.height}) core += std::string{static_cast<char>(side & 0xFF), static_cast<char>(side >> 8)};
  core += std::string("\x01\0\x18\0", 4);
  return core + bmp.substr(layout.pixelOffset);
}

class OptimizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recording.frames.ClearFrames();
    recording.frames.SetFolder(folder.Folder());
    recording.state.framesOptimized = false;
    recording.state.frameSize = PixelSize{kW, kH};
  }
  void TearDown() override {
    recording.frames.ClearFrames();
    recording.frames.SetFolder(FilePath());
  }
  test::TempFolder folder;
  RecordingContext recording;
};

TEST_F(OptimizeTest, KeptFramesBecomeTheirChangedRectangles) {
  for (int depth : {24, 8}) {
    SCOPED_TRACE(depth);
    SetUp();
    const std::string first = Frame(depth);
    const std::string onePixel = Frame(depth, [](BitmapSurface& s) { s.SetPixel(7, 5, RGB(255, 0, 0)); });
    const std::string corner = Frame(depth, [](BitmapSurface& s) {
      s.SetPixel(7, 5, RGB(255, 0, 0));
      s.SetPixel(kW - 1, kH - 1, RGB(0, 0, 255));
      s.SetPixel(30, 20, RGB(0, 255, 0));
    });
    FrameStore& store = recording.frames;
    store.AppendFrame(first, 0);        // 1: stays whole
    store.AppendFrame("", 200);         // 2: still
    store.AppendFrame(onePixel, 400);   // 3: 1 x 1 at (7, 5)
    store.AppendFrame(onePixel, 600);   // 4: same picture again: becomes still
    store.AppendFrame("", 800);         // 5: still
    store.AppendFrame(corner, 1000);    // 6: compared with frame 3 whole, not its crop
    ASSERT_TRUE(OptimizeFrames(recording));
    EXPECT_TRUE(recording.state.framesOptimized);
    EXPECT_FALSE(OptimizationWindowShown());
    ASSERT_EQ(store.Count(), 6);

    EXPECT_EQ(store.ReadFrame(1), first);
    EXPECT_EQ(store.ReadFrame(2), "");
    const std::string crop3 = store.ReadFrame(3);
    EXPECT_EQ(WidthOf(crop3), 1);
    EXPECT_EQ(HeightOf(crop3), 1);
    EXPECT_EQ(DepthOf(crop3), depth);
    EXPECT_EQ(PixelOf(crop3, 0, 0), PixelOf(onePixel, 7, 5));
    EXPECT_EQ(store.Offset(3).left, 7);
    EXPECT_EQ(store.Offset(3).top, 5);
    EXPECT_EQ(store.ReadFrame(4), "");
    EXPECT_EQ(store.ReadFrame(5), "");
    const std::string crop6 = store.ReadFrame(6);
    EXPECT_EQ(WidthOf(crop6), kW - 30);
    EXPECT_EQ(HeightOf(crop6), kH - 20);
    EXPECT_EQ(store.Offset(6).left, 30);
    EXPECT_EQ(store.Offset(6).top, 20);
    EXPECT_EQ(PixelOf(crop6, kW - 1 - 30, kH - 1 - 20), PixelOf(corner, kW - 1, kH - 1));
    EXPECT_EQ(PixelOf(crop6, 0, 0), PixelOf(corner, 30, 20));
    // Once per recording: a second call leaves the crops alone.
    ASSERT_TRUE(OptimizeFrames(recording));
    EXPECT_EQ(store.ReadFrame(6), crop6);
    EXPECT_EQ(store.Offset(6).left, 30);
    TearDown();
  }
}

// A recording crops each frame against the last kept one as it records; the
// blocks and places it stores are exactly those the pass makes of the same
// frames stored whole, so both give the same animation.
TEST_F(OptimizeTest, CroppingAtCaptureStoresWhatThePassMakes) {
  for (int depth : {24, 8}) {
    SCOPED_TRACE(depth);
    SetUp();
    const std::vector<std::string> frames = {
        Frame(depth),
        Frame(depth, [](BitmapSurface& s) { s.SetPixel(7, 5, RGB(255, 0, 0)); }),
        Frame(depth, [](BitmapSurface& s) { s.SetPixel(7, 5, RGB(255, 0, 0)); }),
        Frame(depth, [](BitmapSurface& s) {
          for (auto [x, y] : {std::pair{0, 9}, {kW - 1, 3}, {12, 0}, {20, kH - 1}}) s.SetPixel(x, y, RGB(0, 0, 255));
        }),
        Frame(depth, [](BitmapSurface& s) { s.SetPixel(kW - 1, kH - 1, RGB(0, 255, 0)); }),
    };
    KeptPicture kept;
    std::vector<std::string> blocks;
    std::vector<FrameOffset> places;
    for (const std::string& bmp : frames) {
      recording.frames.AppendFrame(bmp, 0);
      const BmpFileLayout layout = LayoutOf(bmp);
      const PixelRows rows{reinterpret_cast<const uint8_t*>(bmp.data()) + layout.pixelOffset, layout.width,
                           layout.height, layout.depth, layout.strideBytes};
      ChangedRect r;
      const bool still = kept.Compare(rows, &r) == ChangeScan::kUnchanged;
      blocks.push_back(still ? std::string() : BmpOfBlock(rows, r));
      places.push_back(still ? FrameOffset{} : FrameOffset{r.left, r.top});
      if (!still) kept.Take(rows, r);
    }
    ASSERT_TRUE(OptimizeFrames(recording));
    for (int n = 1; n <= static_cast<int>(frames.size()); ++n) {
      EXPECT_EQ(recording.frames.ReadFrame(n), blocks[n - 1]) << n;
      EXPECT_EQ(recording.frames.Offset(n), places[n - 1]) << n;
    }
    EXPECT_EQ(WidthOf(blocks[3]), kW);  // touches every edge
    EXPECT_EQ(HeightOf(blocks[3]), kH);
    TearDown();
  }
}

TEST_F(OptimizeTest, OneKeptFrameAndStillsAreLeftAlone) {
  const std::string only = Frame(24, [](BitmapSurface& s) { s.SetPixel(1, 1, RGB(9, 9, 9)); });
  recording.frames.AppendFrame("", 0);
  recording.frames.AppendFrame(only, 200);
  recording.frames.AppendFrame("", 400);
  ASSERT_TRUE(OptimizeFrames(recording));
  EXPECT_EQ(recording.frames.ReadFrame(1), "");
  EXPECT_EQ(recording.frames.ReadFrame(2), only);
  EXPECT_EQ(recording.frames.ReadFrame(3), "");
  EXPECT_EQ(recording.frames.Offset(2).left, 0);
}

TEST_F(OptimizeTest, CoreHeaderFramesAreReadAtTheirSize) {
  const std::string dot = Frame(24, [](BitmapSurface& s) { s.SetPixel(7, 5, RGB(255, 0, 0)); });
  recording.frames.AppendFrame(Frame(24), 0);
  recording.frames.AppendFrame(WithCoreHeader(dot), 200);
  ASSERT_TRUE(OptimizeFrames(recording));
  const std::string crop = recording.frames.ReadFrame(2);
  EXPECT_EQ(WidthOf(crop), 1);
  EXPECT_EQ(HeightOf(crop), 1);
  EXPECT_EQ(PixelOf(crop, 0, 0), PixelOf(dot, 7, 5));
  EXPECT_EQ(recording.frames.Offset(2).left, 7);
}

TEST_F(OptimizeTest, UnreadableFramesAreKeptAsTheyAre) {
  const std::string a = Frame(24);
  const std::string b = Frame(24, [](BitmapSurface& s) { s.SetPixel(3, 4, RGB(255, 255, 255)); });
  recording.frames.AppendFrame(a, 0);
  recording.frames.AppendFrame("BM not really a picture", 200);
  recording.frames.AppendFrame(b, 400);
  ASSERT_TRUE(OptimizeFrames(recording));
  EXPECT_EQ(recording.frames.ReadFrame(2), "BM not really a picture");
  EXPECT_EQ(WidthOf(recording.frames.ReadFrame(3)), 1);  // compared with frame 1
  EXPECT_EQ(recording.frames.Offset(3).left, 3);
  EXPECT_EQ(recording.frames.Offset(3).top, 4);
}

}  // namespace

}  // namespace movrel
