// The preview's playback decisions: which frame each tick shows, what the
// caption and the slider say, when the timer runs and at what interval, and
// the window's placement, layout and control bar. The player reads frames
// through a FrameSource and carries out its decisions through a
// PreviewView, so the whole logic runs natively; the preview window is the
// view on Windows.
#pragma once

#include <cstdint>
#include <string>

#include "output/compose_plan.h"
#include "output/frame_seek.h"
#include "output/frame_source.h"

namespace movrel {

// What the player asks of its window, besides its canvas.
class PreviewView : public FrameCanvas {
 public:
  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetSliderPosition(int position) = 0;
  // Starts the playback timer at `ms`, or stops it for 0.
  virtual void SetTimerInterval(int32_t ms) = 0;
  // The play button's state: playing or paused.
  virtual void ShowPlaying(bool playing) = 0;
};

// The preview's own copies of the main window's speed change and still-frame
// handling, written back when it closes.
struct PreviewSettings {
  std::string speedChangeText = "0";
  int speedChangeUnit = 0;
  int stillFramesIndex = 0;
};

// "总 " + count + " 帧，当前播放第 " + frame + " 帧", with "（静止画面）" after
// a still frame.
std::string PreviewCaption(int frameCount, int frame, bool stillFrame);

class PreviewPlayer {
 public:
  // `canvasBudgetBytes`: the memory for kept copies of the canvas, which
  // let the slider show any frame without drawing from frame 1.
  PreviewPlayer(const FrameSource& source, PreviewView& view, int32_t startIntervalMs,
                size_t canvasBudgetBytes = FrameSeeker::kDefaultBudgetBytes);

  // Opening: the slider range, the settings, frame 0, a blank canvas, one
  // tick (frame 1) and the timer for the play state.
  void Open(const PreviewSettings& settings);

  // The timer's tick.
  void Tick();
  // The play button, a change of the speed change or of its unit: restarts
  // at frame 1 when playback had reached the end, and sets the timer.
  void ApplyPlayState();

  void SetPlaying(bool playing);  // the play button pressed into that state
  void SetLoop(bool loop) { loop_ = loop; }
  void SetPinned(bool pinned) { pinned_ = pinned; }
  void SetSpeedChangeText(const std::string& text);
  void SetSpeedChangeUnit(int unit);
  void SetStillFramesIndex(int index) { settings_.stillFramesIndex = index; }

  // The slider moved to `position` by the user.
  void OnSliderMoved(int position);

  // Whether the control bar shows for the mouse at client height `mouseY`
  // when the bar's top edge is at `barTop`: at or below the edge, or pinned.
  bool ControlBarVisible(int mouseY, int barTop) const { return pinned_ || mouseY >= barTop; }

  // The timer interval of the playing state: the frame interval minus the
  // speed change (double precision), truncated toward zero; 0 and below
  // stop the timer.
  int32_t PlayingIntervalMs() const;

  bool Playing() const { return playing_; }
  bool Loop() const { return loop_; }
  bool Pinned() const { return pinned_; }
  int CurrentFrame() const { return currentFrame_; }
  int SliderMaximum() const { return sliderMaximum_; }
  int SliderPosition() const { return sliderPosition_; }
  int32_t TimerIntervalMs() const { return timerIntervalMs_; }
  const PreviewSettings& Settings() const { return settings_; }
  // The frames composed on the canvas: 1..CanvasFrame() drawn in order.
  int CanvasFrame() const { return seeker_.CanvasFrame(); }
  const FrameSeeker& Seeker() const { return seeker_; }

 private:
  void Pause();
  // The first frame at or after `from` that has a picture, with the
  // picture; 0 and empty when there is none.
  int NextPictureFrame(int from, std::string* picture) const;
  void SetSlider(int position);

  const FrameSource& source_;
  PreviewView& view_;
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
// caption). The window is centred on the screen, its corner raised to 0, and
// shown maximised when the frame does not fit (left at 0, or top at or above
// 10).
PreviewPlacement PlacePreviewWindow(int32_t screenWidth, int32_t screenHeight, int32_t frameWidth,
                                    int32_t frameHeight, int32_t nonClientWidth, int32_t nonClientHeight,
                                    int32_t barHeight, int32_t minClientWidth);

struct PreviewLayout {
  PreviewRect bar;     // in the client area
  PreviewRect slider;  // in the bar
};

// The bar along the bottom of the client area at its full width; the slider
// from its left position to the bar's right edge.
PreviewLayout LayOutPreview(int32_t clientWidth, int32_t clientHeight, int32_t barHeight, PreviewRect slider);

}  // namespace movrel
