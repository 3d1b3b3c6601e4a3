// The preview's playback and editing decisions: which frame each tick shows,
// what the caption and the slider say, when the timer runs and at what
// interval, what the edit buttons and keys do to the recording's cut, and
// the window's placement, layout and control bar. The player reads frames
// through a FrameSource and carries out its decisions through a
// PreviewView, so the whole logic runs natively; the preview window is the
// view on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/desktop.h"
#include "common/time_text.h"
#include "output/compose_plan.h"
#include "record/frame_edit.h"
#include "output/frame_seek.h"
#include "output/frame_source.h"

namespace movrel {

// Which edit buttons can act: setting the start or the end and dropping
// need two kept frames, trimming the still ends a trim that changes the
// cut, undoing a step to undo.
struct PreviewEditState {
  bool canCut = false;
  bool canTrim = false;
  bool canUndo = false;
};

// What the player asks of its window, besides its canvas.
class PreviewView : public FrameCanvas {
 public:
  virtual void SetCaption(const std::string& text) = 0;
  // The slider runs over every frame of the recording, 1..maximum (0..0
  // for none), and shows the kept range first..last as its selection, so
  // what the cut leaves of the whole recording is in view.
  virtual void SetSliderRange(int maximum, int keptFirst, int keptLast) = 0;
  // The store frame shown.
  virtual void SetSliderPosition(int position) = 0;
  // Starts the playback timer at `ms`, or stops it for 0.
  virtual void SetTimerInterval(int32_t ms) = 0;
  // The play button's state: playing or paused.
  virtual void ShowPlaying(bool playing) = 0;
  // Whether the edit buttons can act.
  virtual void ShowEditState(const PreviewEditState& state) = 0;
};

// What a key or an edit button asks of the player.
enum class PreviewAction {
  kNone,
  kFirstKept,      // Home
  kLastKept,       // End
  kStepBack,       // Left, while paused
  kStepForward,    // Right, while paused
  kSetStart,       // 设为起点, "["
  kSetEnd,         // 设为终点, "]"
  kDrop,           // 删除本帧, Delete
  kTrimStillEnds,  // 裁掉首尾, T
  kUndo,           // 撤销, Ctrl+Z
};

// Key numbers as Windows gives them with a key press.
constexpr uint32_t kKeyEnd = 0x23, kKeyHome = 0x24, kKeyLeft = 0x25, kKeyRight = 0x27, kKeyDelete = 0x2E,
                   kKeyT = 0x54, kKeyZ = 0x5A;
// The action of a pressed key; the brackets come as typed characters, so
// they work on any keyboard layout.
PreviewAction PreviewKeyAction(uint32_t key, bool ctrl);
PreviewAction PreviewCharAction(uint32_t character);

// The preview's own copies of the main window's speed change and still-frame
// handling, written back when it closes.
struct PreviewSettings {
  std::string speedChangeText = "0";
  TimeUnit speedChangeUnit = TimeUnit::kMilliseconds;
  StillFrames stillFrames = StillFrames::kWait;
};

// "总 " + count + " 帧，当前播放第 " + frame + " 帧", with "（静止画面）" after
// a still frame. The preview counts the kept frames, and `frame` is the
// shown frame's place among them.
std::string PreviewCaption(int frameCount, int frame, bool stillFrame);

// Plays only the kept frames of `cut` (the whole recording without one),
// each for its own time, and edits the cut. The canvas still composes every
// frame of the source, so a dropped frame's change shows under the kept
// frames after it, as in the saved GIF.
class PreviewPlayer {
 public:
  // `canvasBudgetBytes`: the memory for kept copies of the canvas, which
  // let the slider show any frame without drawing from frame 1.
  PreviewPlayer(const FrameSource& source, PreviewView& view, int32_t startIntervalMs, FrameEdit* cut = nullptr,
                size_t canvasBudgetBytes = FrameSeeker::kDefaultBudgetBytes);

  // Opening: the slider range, the settings, frame 0, a blank canvas, one
  // tick (the first kept frame) and the timer for the play state. A cut
  // over another frame count starts afresh.
  void Open(const PreviewSettings& settings);

  // The timer's tick: the next kept frame, past dropped ones.
  void Tick();
  // The play button, a change of the speed change or of its unit: restarts
  // at the first kept frame when playback had reached the end, and sets the
  // timer.
  void ApplyPlayState();

  // A key or an edit button, on the frame shown. After setting the start
  // or the end the frame stays; after a drop the next kept frame shows, or
  // the one before when the last was dropped; after trimming the still
  // ends the nearest kept frame shows; after an undo the frame stays.
  // False when nothing changed.
  bool Do(PreviewAction action);

  void SetPlaying(bool playing);  // the play button pressed into that state
  void SetLoop(bool loop) { loop_ = loop; }
  void SetPinned(bool pinned) { pinned_ = pinned; }
  void SetSpeedChangeText(const std::string& text);
  void SetSpeedChangeUnit(TimeUnit unit);
  void SetStillFrames(StillFrames mode) { settings_.stillFrames = mode; }

  // The slider moved to store frame `position` by the user: the nearest
  // kept frame is taken (the next one, or the one before past the last),
  // and the slider is put on it.
  void OnSliderMoved(int position);

  // Whether the control bar shows for the mouse at client height `mouseY`
  // when the bar's top edge is at `barTop`: at or below the edge, or pinned.
  bool ControlBarVisible(int mouseY, int barTop) const { return pinned_ || mouseY >= barTop; }

  // The nominal interval of the playing state: the frame interval minus the
  // speed change (double precision), truncated toward zero; 0 and below
  // stop the timer.
  int32_t PlayingIntervalMs() const;
  // How long kept frame `frame` shows while playing, as in the saved GIF:
  // until the next frame's capture (a dropped frame's time goes with it),
  // the last frame the frame interval, less the speed change and never
  // below kShortestGroupMs; 0 when PlayingIntervalMs stops the timer.
  int32_t FrameIntervalMs(int frame) const;

  bool Playing() const { return playing_; }
  bool Loop() const { return loop_; }
  bool Pinned() const { return pinned_; }
  // The store frame shown (0 before the first).
  int CurrentFrame() const { return currentFrame_; }
  const FrameEdit& Cut() const { return *cut_; }
  int SliderMaximum() const { return sliderMaximum_; }
  int SliderPosition() const { return sliderPosition_; }
  int32_t TimerIntervalMs() const { return timerIntervalMs_; }
  const PreviewSettings& Settings() const { return settings_; }
  // The frames composed on the canvas: 1..CanvasFrame() drawn in order.
  int CanvasFrame() const { return seeker_.CanvasFrame(); }
  const FrameSeeker& Seeker() const { return seeker_; }

 private:
  void Pause();
  int32_t SpeedChangeMs() const;
  // Whether a frame from the kept frame before `frame` up to `frame` has a
  // picture: otherwise `frame` shows what was shown and is a still frame.
  bool Changed(int frame) const;
  // The first kept frame at or after `from` that is no still frame; 0 when
  // there is none.
  int NextChangedKept(int from) const;
  // The kept frame nearest store frame `frame`: the next one, or the one
  // before past the last; 0 when none is kept.
  int NearestKept(int frame) const;
  // Shows kept frame `frame` with its caption and slider place; false for 0.
  bool Show(int frame, bool still);
  // The slider's range and the edit buttons, after the cut changed.
  void ShowCut();
  void SetSlider(int position);
  void SetFrameTimer();

  const FrameSource& source_;
  PreviewView& view_;
  FrameEdit ownCut_;
  FrameEdit* cut_;
  std::vector<bool> sceneChanged_;  // by frame number - 1, read on opening
  int32_t startIntervalMs_;
  PreviewSettings settings_;
  int sliderMaximum_ = 0;
  int sliderPosition_ = 0;
  int currentFrame_ = 0;
  FrameSeeker seeker_;
  int32_t timerIntervalMs_ = 0;
  bool atEnd_ = false;  // playback ran off the last frame with loop off
  bool playing_ = true;
  bool loop_ = true;
  bool pinned_ = false;
};

// ---- window geometry --------------------------------------------------------

struct PreviewRect {
  int32_t left = 0, top = 0, width = 0, height = 0;
  bool operator==(const PreviewRect& o) const {
    return left == o.left && top == o.top && width == o.width && height == o.height;
  }
};

struct PreviewPlacement {
  PreviewRect window;
  bool maximized = false;
};

// The window on opening: the client area holds the frame (at least
// `minClientWidth` wide, so the control bar's buttons fit) above the control
// bar; `frameWidth`/`frameHeight` are the non-client additions (borders and
// caption). The window is centred on `monitor` (the main window's), its
// corner kept on the monitor, and shown maximised when the frame does not
// fit (left at the monitor's left edge, or top within 10 pixels of its top).
PreviewPlacement PlacePreviewWindow(const DesktopBox& monitor, int32_t frameWidth,
                                    int32_t frameHeight, int32_t nonClientWidth, int32_t nonClientHeight,
                                    int32_t barHeight, int32_t minClientWidth);

struct PreviewLayout {
  PreviewRect bar;     // in the client area
  PreviewRect slider;  // in the bar
  PreviewRect edit;    // the edit buttons' row, in the bar
};

// The bar along the bottom of the client area at its full width; the edit
// buttons' row, `editWidth` wide, at the bar's right edge beside the slider,
// and the slider from its left position up to that row.
PreviewLayout LayOutPreview(int32_t clientWidth, int32_t clientHeight, int32_t barHeight, PreviewRect slider,
                            int32_t editWidth);

}  // namespace movrel
