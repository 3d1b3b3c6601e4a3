#include "output/preview_player.h"

#include <algorithm>

#include "app/control_table.h"
#include "common/number.h"

namespace movrel {

std::string PreviewCaption(int frameCount, int frame, bool stillFrame) {
  return "总 " + std::to_string(frameCount) + " 帧，当前播放第 " + std::to_string(frame) + " 帧" +
         (stillFrame ? "（静止画面）" : "");
}

PreviewPlayer::PreviewPlayer(const FrameSource& source, PreviewView& view, int32_t startIntervalMs,
                             size_t canvasBudgetBytes)
    : source_(source), view_(view), startIntervalMs_(startIntervalMs), seeker_(source, view, canvasBudgetBytes) {}

void PreviewPlayer::Open(const PreviewSettings& settings) {
  sliderMaximum_ = std::max(0, source_.FrameCount());
  settings_ = settings;
  currentFrame_ = 0;
  atEnd_ = false;
  seeker_.Reset();
  view_.ShowPlaying(playing_);
  Tick();
  ApplyPlayState();
}

void PreviewPlayer::Tick() {
  if (sliderMaximum_ == 0) {
    Pause();
    return;
  }
  ++currentFrame_;
  if (currentFrame_ > sliderMaximum_) {
    if (!loop_) {
      atEnd_ = true;
      Pause();
      return;
    }
    currentFrame_ = 1;
  }
  std::string picture = source_.ReadFrame(currentFrame_);
  if (picture.empty()) {
    if (StillFramesFromIndex(settings_.stillFramesIndex) == StillFrames::kWait) {
      // The picture stays for one more tick, as the GIF lengthens the delay
      // of the frame before; the slider still follows playback.
      view_.SetCaption(PreviewCaption(sliderMaximum_, currentFrame_, true));
      SetSlider(currentFrame_);
      return;
    }
    int next = NextPictureFrame(currentFrame_ + 1, &picture);
    if (next == 0) {
      // Only still frames up to the end: they vanish from the GIF, so the
      // preview goes straight on to the start (or ends there).
      if (!loop_) {
        atEnd_ = true;
        Pause();
        return;
      }
      next = NextPictureFrame(1, &picture);
    }
    if (next != 0) currentFrame_ = next;
  }
  seeker_.SeekTo(currentFrame_, &picture);
  // Empty only when every frame is a still frame.
  view_.SetCaption(PreviewCaption(sliderMaximum_, currentFrame_, picture.empty()));
  SetSlider(currentFrame_);
}

void PreviewPlayer::ApplyPlayState() {
  if (playing_) {
    if (atEnd_ || sliderPosition_ == sliderMaximum_) {
      SetSlider(1);
      currentFrame_ = 0;
      atEnd_ = false;
    }
    timerIntervalMs_ = std::max<int32_t>(0, PlayingIntervalMs());
  } else {
    timerIntervalMs_ = 0;
  }
  view_.SetTimerInterval(timerIntervalMs_);
}

void PreviewPlayer::SetPlaying(bool playing) {
  playing_ = playing;
  view_.ShowPlaying(playing_);
  ApplyPlayState();
}

void PreviewPlayer::SetSpeedChangeText(const std::string& text) {
  settings_.speedChangeText = text;
  ApplyPlayState();
}

void PreviewPlayer::SetSpeedChangeUnit(int unit) {
  settings_.speedChangeUnit = unit;
  ApplyPlayState();
}

void PreviewPlayer::OnSliderMoved(int position) {
  if (sliderMaximum_ == 0) return;
  position = std::clamp(position, 1, sliderMaximum_);
  sliderPosition_ = position;
  atEnd_ = false;
  if (playing_) {
    // The next tick shows the chosen frame over the picture before it.
    currentFrame_ = position - 1;
    seeker_.SeekTo(currentFrame_);
  } else {
    currentFrame_ = position;
    seeker_.SeekTo(currentFrame_);
  }
}

int32_t PreviewPlayer::PlayingIntervalMs() const {
  double speedChangeMs = LeadingNumber(settings_.speedChangeText) *
                         static_cast<double>(TimeUnitFactorMs(settings_.speedChangeUnit));
  return TruncToInt(static_cast<double>(startIntervalMs_) - speedChangeMs);
}

void PreviewPlayer::Pause() {
  playing_ = false;
  view_.ShowPlaying(false);
  ApplyPlayState();
}

int PreviewPlayer::NextPictureFrame(int from, std::string* picture) const {
  for (int n = std::max(1, from); n <= sliderMaximum_; ++n) {
    *picture = source_.ReadFrame(n);
    if (!picture->empty()) return n;
  }
  picture->clear();
  return 0;
}

void PreviewPlayer::SetSlider(int position) {
  sliderPosition_ = std::clamp(position, 0, sliderMaximum_);
  view_.SetSliderPosition(sliderPosition_);
}

PreviewPlacement PlacePreviewWindow(int32_t screenWidth, int32_t screenHeight, int32_t frameWidth,
                                    int32_t frameHeight, int32_t nonClientWidth, int32_t nonClientHeight,
                                    int32_t barHeight, int32_t minClientWidth) {
  PreviewPlacement placement;
  PreviewRect& w = placement.window;
  w.width = std::max(frameWidth, minClientWidth) + nonClientWidth;
  w.height = frameHeight + barHeight + nonClientHeight;
  int32_t x = TruncToInt(screenWidth / 2.0 - w.width / 2.0);
  int32_t y = TruncToInt(screenHeight / 2.0 - w.height / 2.0);
  w.left = std::max(0, x);
  w.top = std::max(0, y);
  placement.maximized = x <= 0 || y <= 10;
  return placement;
}

PreviewLayout LayOutPreview(int32_t clientWidth, int32_t clientHeight, int32_t barHeight, PreviewRect slider) {
  PreviewLayout layout;
  layout.bar = {0, clientHeight - barHeight, clientWidth, barHeight};
  layout.slider = slider;
  layout.slider.width = std::max(0, clientWidth - slider.left);
  return layout;
}

}  // namespace movrel
