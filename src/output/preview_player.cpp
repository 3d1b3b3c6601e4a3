#include "output/preview_player.h"

#include <algorithm>

#include "common/number.h"
#include "common/time_text.h"

namespace movrel {

std::string PreviewCaption(int frameCount, int frame, bool stillFrame) {
  return "总 " + std::to_string(frameCount) + " 帧，当前播放第 " + std::to_string(frame) + " 帧" +
         (stillFrame ? "（静止画面）" : "");
}

PreviewAction PreviewKeyAction(uint32_t key, bool ctrl) {
  switch (key) {
    case kKeyHome: return PreviewAction::kFirstKept;
    case kKeyEnd: return PreviewAction::kLastKept;
    case kKeyLeft: return PreviewAction::kStepBack;
    case kKeyRight: return PreviewAction::kStepForward;
    case kKeyDelete: return PreviewAction::kDrop;
    case kKeyT: return ctrl ? PreviewAction::kNone : PreviewAction::kTrimStillEnds;
    case kKeyZ: return ctrl ? PreviewAction::kUndo : PreviewAction::kNone;
    default: return PreviewAction::kNone;
  }
}

PreviewAction PreviewCharAction(uint32_t character) {
  switch (character) {
    case '[': return PreviewAction::kSetStart;
    case ']': return PreviewAction::kSetEnd;
    default: return PreviewAction::kNone;
  }
}

PreviewPlayer::PreviewPlayer(const FrameSource& source, PreviewView& view, int32_t startIntervalMs, FrameEdit* cut,
                             size_t canvasBudgetBytes)
    : source_(source),
      view_(view),
      cut_(cut ? cut : &ownCut_),
      startIntervalMs_(startIntervalMs),
      seeker_(source, view, canvasBudgetBytes) {}

void PreviewPlayer::Open(const PreviewSettings& settings) {
  const int count = std::max(0, source_.FrameCount());
  if (cut_->FrameCount() != count) cut_->Reset(count);
  // The store does not change while the preview is open: a fresh recording
  // closes it first.
  sceneChanged_.assign(static_cast<size_t>(count), false);
  for (int n = 1; n <= count; ++n) sceneChanged_[static_cast<size_t>(n - 1)] = source_.SceneChanged(n);
  settings_ = settings;
  currentFrame_ = 0;
  atEnd_ = false;
  seeker_.Reset();
  ShowCut();
  view_.ShowPlaying(playing_);
  Tick();
  ApplyPlayState();
}

void PreviewPlayer::Tick() {
  if (sliderMaximum_ == 0) {
    Pause();
    return;
  }
  int next = cut_->NextKept(currentFrame_ + 1);
  if (next == 0) {
    if (!loop_) {
      atEnd_ = true;
      Pause();
      return;
    }
    next = cut_->FirstKept();
  }
  bool still = !Changed(next);
  if (still && settings_.stillFrames == StillFrames::kSkip) {
    // Skipped still frames vanish from the GIF, trailing ones too: the
    // preview goes on to the next change, or round to the start (or ends).
    int changed = NextChangedKept(next);
    if (changed == 0) {
      if (!loop_) {
        atEnd_ = true;
        Pause();
        return;
      }
      changed = NextChangedKept(cut_->FirstKept());
    }
    // None at all only when every kept frame is a still frame.
    if (changed != 0) {
      next = changed;
      still = false;
    }
  }
  // A waiting still frame keeps the picture for its own time, as the GIF
  // lengthens the frame before; the caption and the slider still follow.
  Show(next, still);
  SetFrameTimer();
}

void PreviewPlayer::ApplyPlayState() {
  if (playing_) {
    if (atEnd_ || (currentFrame_ != 0 && currentFrame_ == cut_->LastKept())) {
      SetSlider(cut_->FirstKept());
      currentFrame_ = 0;
      atEnd_ = false;
    }
    timerIntervalMs_ = FrameIntervalMs(currentFrame_);
  } else {
    timerIntervalMs_ = 0;
  }
  view_.SetTimerInterval(timerIntervalMs_);
}

bool PreviewPlayer::Do(PreviewAction action) {
  if (cut_->KeptCount() == 0) return false;
  const int shown = currentFrame_ != 0 ? currentFrame_ : cut_->FirstKept();
  int after = shown;
  switch (action) {
    case PreviewAction::kNone:
      return false;
    case PreviewAction::kFirstKept:
      return Show(cut_->FirstKept(), !Changed(cut_->FirstKept()));
    case PreviewAction::kLastKept:
      return Show(cut_->LastKept(), !Changed(cut_->LastKept()));
    case PreviewAction::kStepBack:
    case PreviewAction::kStepForward: {
      if (playing_) return false;
      const int to = action == PreviewAction::kStepBack ? cut_->PreviousKept(shown - 1) : cut_->NextKept(shown + 1);
      return to != 0 && Show(to, !Changed(to));
    }
    case PreviewAction::kSetStart:
      if (!cut_->SetStart(shown)) return false;
      break;
    case PreviewAction::kSetEnd:
      if (!cut_->SetEnd(shown)) return false;
      break;
    case PreviewAction::kDrop:
      if (!cut_->Drop(shown)) return false;
      after = cut_->NextKept(shown + 1);
      if (after == 0) after = cut_->PreviousKept(shown - 1);
      break;
    case PreviewAction::kTrimStillEnds:
      if (!cut_->TrimStillEnds(sceneChanged_)) return false;
      after = NearestKept(shown);
      break;
    case PreviewAction::kUndo:
      if (!cut_->Undo()) return false;
      break;
  }
  ShowCut();
  Show(after, !Changed(after));
  return true;
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

void PreviewPlayer::SetSpeedChangeUnit(TimeUnit unit) {
  settings_.speedChangeUnit = unit;
  ApplyPlayState();
}

void PreviewPlayer::OnSliderMoved(int position) {
  if (cut_->KeptCount() == 0) return;
  const int frame = NearestKept(position);
  if (frame != position) {
    SetSlider(frame);
  } else {
    sliderPosition_ = frame;
  }
  atEnd_ = false;
  // Playing, the next tick shows the chosen frame over the picture before
  // it.
  currentFrame_ = playing_ ? cut_->PreviousKept(frame - 1) : frame;
  seeker_.SeekTo(currentFrame_);
}

int32_t PreviewPlayer::SpeedChangeMs() const {
  // The save's number, so the preview plays what the GIF will.
  return TimeTextMs(settings_.speedChangeText, settings_.speedChangeUnit);
}

int32_t PreviewPlayer::PlayingIntervalMs() const {
  return TruncToInt(static_cast<double>(startIntervalMs_) - SpeedChangeMs());
}

int32_t PreviewPlayer::FrameIntervalMs(int frame) const {
  const int32_t nominalMs = PlayingIntervalMs();
  if (nominalMs <= 0) return 0;
  const int count = source_.FrameCount();
  if (frame < 1 || frame > count) return nominalMs;
  const int64_t ownMs = frame < count ? source_.CaptureMs(frame + 1) - source_.CaptureMs(frame) : startIntervalMs_;
  const int32_t ms = TruncToInt(static_cast<double>(ownMs) - SpeedChangeMs());
  return std::max<int32_t>(ms, static_cast<int32_t>(kShortestGroupMs));
}

void PreviewPlayer::Pause() {
  playing_ = false;
  view_.ShowPlaying(false);
  ApplyPlayState();
}

bool PreviewPlayer::Changed(int frame) const {
  for (int n = cut_->PreviousKept(frame - 1) + 1; n <= frame; ++n) {
    if (source_.HasPicture(n)) return true;
  }
  return false;
}

int PreviewPlayer::NextChangedKept(int from) const {
  for (int n = cut_->NextKept(from); n != 0; n = cut_->NextKept(n + 1)) {
    if (Changed(n)) return n;
  }
  return 0;
}

int PreviewPlayer::NearestKept(int frame) const {
  if (cut_->KeptCount() == 0) return 0;
  const int within = std::clamp(frame, cut_->FirstKept(), cut_->LastKept());
  const int next = cut_->NextKept(within);
  return next != 0 ? next : cut_->PreviousKept(within);
}

bool PreviewPlayer::Show(int frame, bool still) {
  if (frame == 0) return false;
  atEnd_ = false;
  currentFrame_ = frame;
  seeker_.SeekTo(frame);
  view_.SetCaption(PreviewCaption(cut_->KeptCount(), cut_->KeptIndex(frame), still));
  SetSlider(frame);
  return true;
}

void PreviewPlayer::ShowCut() {
  sliderMaximum_ = cut_->KeptCount() > 0 ? cut_->FrameCount() : 0;
  view_.SetSliderRange(sliderMaximum_, cut_->FirstKept(), cut_->LastKept());
  PreviewEditState edit;
  edit.canCut = cut_->KeptCount() > 1;
  edit.canTrim = cut_->CanTrimStillEnds(sceneChanged_);
  edit.canUndo = cut_->CanUndo();
  view_.ShowEditState(edit);
}

void PreviewPlayer::SetSlider(int position) {
  sliderPosition_ = std::clamp(position, 0, sliderMaximum_);
  view_.SetSliderPosition(sliderPosition_);
}

void PreviewPlayer::SetFrameTimer() {
  if (!playing_) return;
  const int32_t ms = FrameIntervalMs(currentFrame_);
  if (ms == timerIntervalMs_) return;
  timerIntervalMs_ = ms;
  view_.SetTimerInterval(ms);
}

PreviewPlacement PlacePreviewWindow(const DesktopBox& monitor, int32_t frameWidth,
                                    int32_t frameHeight, int32_t nonClientWidth, int32_t nonClientHeight,
                                    int32_t barHeight, int32_t minClientWidth) {
  PreviewPlacement placement;
  PreviewRect& w = placement.window;
  w.width = std::max(frameWidth, minClientWidth) + nonClientWidth;
  w.height = frameHeight + barHeight + nonClientHeight;
  // Worked out from the monitor's top-left corner.
  int32_t x = TruncToInt(monitor.Width() / 2.0 - w.width / 2.0);
  int32_t y = TruncToInt(monitor.Height() / 2.0 - w.height / 2.0);
  w.left = monitor.left + std::max(0, x);
  w.top = monitor.top + std::max(0, y);
  placement.maximized = x <= 0 || y <= 10;
  return placement;
}

PreviewLayout LayOutPreview(int32_t clientWidth, int32_t clientHeight, int32_t barHeight, PreviewRect slider,
                            int32_t editWidth) {
  PreviewLayout layout;
  layout.bar = {0, clientHeight - barHeight, clientWidth, barHeight};
  layout.edit = {std::max(slider.left, clientWidth - editWidth), slider.top, 0, slider.height};
  layout.edit.width = std::max(0, clientWidth - layout.edit.left);
  layout.slider = slider;
  layout.slider.width = layout.edit.left - slider.left;
  return layout;
}

}  // namespace movrel
