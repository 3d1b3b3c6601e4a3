// The preview window on real GDI under Wine, without the main window: a
// store holding a broken frame plays through without harm, closing leaves
// no window behind, the size estimate is the size a save writes, and
// trimming the still ends keeps the changing frames until undone.
#include "output/preview_window_win.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "bitmap/bitmap_surface_win.h"
#include "common/gbk_win.h"
#include "gif/byte_sink.h"
#include "output/compose_win.h"
#include "output/preview_controls.h"
#include "output/size_estimate_win.h"
#include "output/size_fit.h"
#include "output/store_frames.h"
#include "record/frame_store.h"
#include "record/recorder.h"
#include "record/recording_context_win.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"
#include "ui/ui_win.h"

namespace movrel {
namespace {

std::string Picture(int width, int height, COLORREF colour) {
  BitmapSurface s;
  EXPECT_TRUE(s.CreateBlank(width, height, 24));
  RECT all{0, 0, width, height};
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(s.GetMemoryDc(), &all, brush);
  DeleteObject(brush);
  GdiFlush();
  s.RefreshImage();
  return s.ToBmpBytes();
}

using test::WaitUntil;

// The preview plays and estimates on its own timers: its waits allow for a
// loaded machine.
constexpr int kWaitMs = 20000;

std::string Caption() {
  HWND window = FindWindowW(kPreviewWindowClass, nullptr);
  wchar_t text[256] = {};
  if (window) GetWindowTextW(window, text, 256);
  return ToGbk(text);
}

HWND BarControl(PreviewControl control) {
  HWND bar = GetDlgItem(FindWindowW(kPreviewWindowClass, nullptr), PreviewControlId(PreviewControl::外形框));
  return GetDlgItem(bar, PreviewControlId(control));
}

std::string EstimateLabel() { return GetWindowTextGbk(BarControl(PreviewControl::标签预计大小)); }

// The kept range as the slider's selection shows it.
std::pair<LRESULT, LRESULT> SliderSelection() {
  HWND slider = BarControl(PreviewControl::滑块条);
  return {SendMessageW(slider, TBM_GETSELSTART, 0, 0), SendMessageW(slider, TBM_GETSELEND, 0, 0)};
}

class PreviewWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    recording.frames.SetFolder(folder.Folder());
    RecorderState& state = recording.state;
    state.hasRecording = true;
    state.startIntervalMs = 50;
    state.frameSize = state.animationSize = PixelSize{40, 30};
  }
  void TearDown() override {
    ClosePreviewWindow();
    WaitUntil([] { return !PreviewWindowOpen(); }, kWaitMs);
  }
  test::TempFolder folder;
  RecordingContext recording;
};

TEST_F(PreviewWindowTest, BrokenAndMissingFramesPlayAsStillPictures) {
  std::string broken = Picture(10, 10, RGB(0, 0, 255));
  broken.resize(broken.size() / 2);  // the header promises rows that are not there
  recording.frames.AppendFrame(Picture(40, 30, RGB(255, 0, 0)), 0);
  recording.frames.AppendFrame("BM not a picture at all", 50);
  recording.frames.AppendFrame(broken, 100);
  recording.frames.AppendFrame(std::string(), 150);
  recording.frames.AppendFrame(Picture(8, 8, RGB(0, 255, 0)), 200);
  recording.frames.SetOffset(5, FrameOffset{60, 50});  // outside the canvas: clipped, not a fault

  ShowPreviewWindow(recording);
  ASSERT_TRUE(PreviewWindowOpen());
  EXPECT_EQ(Caption(), "总 5 帧，当前播放第 1 帧");
  // Every frame but the still one changed: nothing to trim.
  EXPECT_FALSE(IsWindowEnabled(BarControl(PreviewControl::按钮裁掉首尾)));
  // Playing and looping: every frame comes round, the last one included.
  EXPECT_TRUE(WaitUntil([] { return Caption() == "总 5 帧，当前播放第 5 帧"; }, kWaitMs)) << Caption();
  EXPECT_TRUE(WaitUntil([] { return Caption() == "总 5 帧，当前播放第 1 帧"; }, kWaitMs)) << Caption();

  // The exit button closes the window; nothing is left of it.
  HWND window = FindWindowW(kPreviewWindowClass, nullptr);
  ASSERT_NE(window, nullptr);
  HWND bar = GetDlgItem(window, PreviewControlId(PreviewControl::外形框));
  SendMessageW(GetDlgItem(bar, PreviewControlId(PreviewControl::按钮退出)), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitUntil([] { return !PreviewWindowOpen(); }, kWaitMs));
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(PreviewWindowTest, SizeEstimateIsWhatASaveWritesAndWaitsWhilePaused) {
  recording.frames.AppendFrame(Picture(40, 30, RGB(255, 0, 0)), 0);
  recording.frames.AppendFrame(Picture(12, 8, RGB(0, 255, 0)), 50);
  recording.frames.SetOffset(2, FrameOffset{20, 10});
  recording.frames.AppendFrame(std::string(), 100);
  recording.frames.AppendFrame(Picture(40, 30, RGB(0, 0, 255)), 150);
  // The file a save with the default settings writes, counted here.
  StoreFrames frames(recording.frames);
  SaveRecipe recipe;
  ASSERT_EQ(ReadSaveRecipe(recording.state, OutputChoices(), PreviewSettings(), &recipe), FileChoiceError::kNone);
  CountingSink sink;
  SizeFit fit;
  std::string error;
  ASSERT_EQ(WriteAnimationWithin(frames, PlanAnimationFrames(frames, recipe.compose, recording.Cut().KeptFrames()),
                                 recipe.animation, recipe.options, recipe.limitBytes, sink, [](int, int) {}, &fit, &error),
            FitOutcome::kWritten)
      << error;
  const std::string expected = "预计大小 ≈ " + FormatFileSize(sink.count());

  ShowPreviewWindow(recording);
  ASSERT_TRUE(PreviewWindowOpen());
  EXPECT_EQ(EstimateLabel(), kEstimatingText);
  EXPECT_TRUE(WaitUntil([&] { return EstimateLabel() == expected; }, kWaitMs)) << EstimateLabel();

  // Paused (a save runs), a change waits for the resume.
  PauseSizeEstimate();
  RefreshSizeEstimate();
  EXPECT_EQ(EstimateLabel(), kEstimatingText);
  WaitUntil([] { return false; }, 600);
  EXPECT_EQ(EstimateLabel(), kEstimatingText);
  ResumeSizeEstimate();
  EXPECT_TRUE(WaitUntil([&] { return EstimateLabel() == expected; }, kWaitMs)) << EstimateLabel();

  // Closed while a count may run: it is waited for, nothing is left.
  RefreshSizeEstimate();
  WaitUntil([] { return false; }, 350);
  ClosePreviewWindow();
  EXPECT_FALSE(PreviewWindowOpen());
}

TEST_F(PreviewWindowTest, TrimKeepsTheChangingFramesUntilUndoneAndIsOffWithNothingToTrim) {
  const std::string red = Picture(40, 30, RGB(255, 0, 0));
  // Frames 2 and 7 are pictures of the pointer moving only; 3 and 6 still.
  recording.frames.AppendFrame(red, 0);
  recording.frames.AppendFrame(red, 50, false);
  recording.frames.AppendFrame(std::string(), 100);
  recording.frames.AppendFrame(Picture(40, 30, RGB(0, 255, 0)), 150);
  recording.frames.AppendFrame(Picture(40, 30, RGB(0, 0, 255)), 200);
  recording.frames.AppendFrame(std::string(), 250);
  recording.frames.AppendFrame(red, 300, false);

  ShowPreviewWindow(recording);
  ASSERT_TRUE(PreviewWindowOpen());
  HWND trim = BarControl(PreviewControl::按钮裁掉首尾);
  ASSERT_NE(trim, nullptr);
  EXPECT_TRUE(IsWindowEnabled(trim));
  SendMessageW(trim, BM_CLICK, 0, 0);
  EXPECT_EQ(SliderSelection(), (std::pair<LRESULT, LRESULT>{3, 5}));
  EXPECT_EQ(Caption().rfind("总 3 帧，", 0), 0u) << Caption();
  EXPECT_FALSE(IsWindowEnabled(trim));  // nothing left to trim

  SendMessageW(BarControl(PreviewControl::按钮撤销), BM_CLICK, 0, 0);
  EXPECT_EQ(SliderSelection(), (std::pair<LRESULT, LRESULT>{1, 7}));
  EXPECT_EQ(Caption().rfind("总 7 帧，", 0), 0u) << Caption();
  EXPECT_FALSE(IsWindowEnabled(BarControl(PreviewControl::按钮撤销)));
  EXPECT_TRUE(IsWindowEnabled(trim));

  // The key does the same.
  SendMessageW(FindWindowW(kPreviewWindowClass, nullptr), WM_KEYDOWN, 'T', 0);
  EXPECT_EQ(SliderSelection(), (std::pair<LRESULT, LRESULT>{3, 5}));
  EXPECT_FALSE(IsWindowEnabled(trim));
}

TEST_F(PreviewWindowTest, EmptyStoreOpensPausedAndOnlyOnce) {
  ShowPreviewWindow(recording);
  ASSERT_TRUE(PreviewWindowOpen());
  HWND window = FindWindowW(kPreviewWindowClass, nullptr);
  HWND bar = GetDlgItem(window, PreviewControlId(PreviewControl::外形框));
  HWND play = GetDlgItem(bar, PreviewControlId(PreviewControl::按钮播放));
  EXPECT_EQ(GetWindowLongPtrW(play, GWLP_USERDATA), 0);  // paused at once
  ShowPreviewWindow(recording);  // a second opening brings the same window forward
  EXPECT_EQ(FindWindowW(kPreviewWindowClass, nullptr), window);
}

TEST_F(PreviewWindowTest, NothingOpensWithoutARecording) {
  recording.state.hasRecording = false;
  ShowPreviewWindow(recording);
  EXPECT_FALSE(PreviewWindowOpen());
}

}  // namespace
}  // namespace movrel
