// What the preview window's files share: the window's object and the
// constants its parts agree on. preview_window_win.cpp holds the window
// procedure and the window's state (playing, full screen, the size
// estimate); the canvas that shows the frame picture is in
// preview_canvas_win.cpp, the owner-drawn buttons in preview_buttons_win.cpp,
// and the control bar (its table of places, its controls and their layout) in
// preview_bar_win.cpp. Nothing outside those files includes it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "common/gbk_win.h"
#include "common/handle_win.h"
#include "output/preview_controls.h"
#include "output/preview_player.h"
#include "output/size_estimate_win.h"
#include "output/store_frames.h"
#include "record/recorder.h"
#include "record/recording_context_win.h"
#include "ui/ui_win.h"
#include "ui/window_win.h"

namespace movrel {
namespace preview_window {

using PC = PreviewControl;

constexpr UINT_PTR kPreviewTimerId = 1;  // 预览时钟
constexpr int kBarHeight96 = 64;
// The edit buttons sit in a row at the right end of the slider's row.
const PC kEditButtons[] = {PC::按钮设为起点, PC::按钮设为终点, PC::按钮删除本帧, PC::按钮裁掉首尾, PC::按钮撤销};

inline PC ControlFromId(int id) {
  int index = id - kFirstPreviewControlId;
  return index >= 0 && index < kPreviewControlCount ? static_cast<PC>(index) : PC::kCount;
}

class PreviewWindow;

// The child that shows the frame picture: paints the preview's canvas and
// tells it where the mouse is.
class PreviewCanvas : public Window {
 public:
  explicit PreviewCanvas(PreviewWindow& preview) : preview_(preview) {}
  ~PreviewCanvas() override { Destroy(); }
  bool Open(HWND parent, int id);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  PreviewWindow& preview_;
};

// The control bar: it only holds the controls, whose notifications go on to
// the window.
class PreviewBar : public Window {
 public:
  ~PreviewBar() override { Destroy(); }
  bool Open(HWND parent, int id);

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The open preview: its window and controls, the player that drives them
// and the size estimate beside them. It lives as long as its window.
class PreviewWindow : public PreviewView, public Window {
 public:
  explicit PreviewWindow(RecordingContext& recording)
      : recording_(recording), frames_(recording.frames),
        player_(frames_, *this, recording.state.startIntervalMs, &recording.Cut()) {}
  ~PreviewWindow() override { Destroy(); }

  bool Create();

  // PreviewView
  void ClearCanvas() override;
  void DrawPicture(const std::string& bmpBytes, FramePosition at) override;
  void SetCaption(const std::string& text) override { SetWindowTextGbk(handle(), text); }
  void SetSliderRange(int maximum, int keptFirst, int keptLast) override {
    HWND slider = Control(PC::滑块条);
    SendMessageW(slider, TBM_SETRANGEMIN, FALSE, maximum > 0 ? 1 : 0);
    SendMessageW(slider, TBM_SETRANGEMAX, FALSE, maximum);
    // The kept range is the slider's selection: the bar between its marks.
    SendMessageW(slider, TBM_SETSELSTART, FALSE, keptFirst);
    SendMessageW(slider, TBM_SETSELEND, TRUE, keptLast);
  }
  void SetSliderPosition(int position) override {
    SendMessageW(Control(PC::滑块条), TBM_SETPOS, TRUE, position);
  }
  void SetTimerInterval(int32_t ms) override {
    if (ms > 0) {
      SetTimer(handle(), kPreviewTimerId, static_cast<UINT>(ms), nullptr);
    } else {
      KillTimer(handle(), kPreviewTimerId);
    }
  }
  void ShowPlaying(bool playing) override { SetButtonOn(PC::按钮播放, playing); }
  void ShowEditState(const PreviewEditState& state) override;
  std::string SaveCanvas() const override;
  void RestoreCanvas(const std::string& pixels) override;

  void PaintCanvas(HWND canvas);
  void OnMouseAt(int clientY);
  // A key press (WM_KEYDOWN) or a typed character (WM_CHAR) on the window,
  // its canvas, buttons or slider; true when it was one of the preview's
  // keys.
  bool OnKey(UINT message, WPARAM key);

  // The size estimate: restarted after a change, stopped while the store
  // may change.
  void ScheduleEstimate();
  void StopEstimate();

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
  // The window's last message drops the preview.
  void OnDestroyed() override;

 private:
  HWND Control(PC control) const { return controls_[static_cast<int>(control)]; }
  int ListIndex(PC list) const { return static_cast<int>(SendMessageW(Control(list), CB_GETCURSEL, 0, 0)); }
  void SetListIndex(PC list, int index) { SendMessageW(Control(list), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
  bool CreateControls();
  bool CreateCanvasBuffer(int width, int height);
  void Place();
  void LayOut();
  void SetButtonOn(PC control, bool on);
  bool ButtonOn(PC control) const { return GetWindowLongPtrW(Control(control), GWLP_USERDATA) != 0; }
  void ShowBar(bool visible);
  void ToggleFullScreen();
  void OnCommand(PC control, int code);
  void OnSlider(int code);
  void ShowSliderPosition();
  void DrawButton(const DRAWITEMSTRUCT& item);
  void WriteBackAndClose();
  PreviewSettings ShownSettings() const;
  // A key or an edit button; the estimate follows a changed cut.
  void Act(PreviewAction action);
  void StartEstimate();
  void ShowEstimate(WPARAM number);
  void SetEstimateText(const std::string& text) { SetWindowTextGbk(Control(PC::标签预计大小), text); }
  int BarHeight() const { return Scale(kBarHeight96, dpi_); }

  HWND controls_[kPreviewControlCount] = {};
  HWND tooltip_ = nullptr;
  UINT dpi_ = 96;
  UniqueFont font_;
  RecordingContext& recording_;
  StoreFrames frames_;
  PreviewPlayer player_;
  bool loading_ = false;  // settings are being copied in: change handlers wait
  bool barVisible_ = true;
  PreviewCanvas canvas_{*this};
  PreviewBar bar_;
  // The canvas picture, kept at 24 bits so that frames are copied into it
  // pixel for pixel.
  OffscreenBuffer picture_;
  bool sliderMovePending_ = false;
  // Full screen: the bounds and style to go back to.
  bool fullScreen_ = false;
  WINDOWPLACEMENT savedPlacement_{};
  LONG savedStyle_ = 0;
  // Made with the window, which its counts are posted to.
  std::unique_ptr<SizeEstimator> estimator_;
  bool estimateBeforePass_ = false;  // the count under way is of uncropped classic frames
};

// The open preview, if any; its window's last message drops it.
extern std::unique_ptr<PreviewWindow> preview;

}  // namespace preview_window
}  // namespace movrel
