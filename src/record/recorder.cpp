#include "record/recorder.h"

#include <algorithm>
#include <limits>

#include "common/number.h"

namespace movrel {

RecorderState& RecordingState() {
  static RecorderState state;
  return state;
}

void Recorder::SetTray(RecorderTrayState tray) {
  state_.trayState = tray;
  state_.trayTip = TrayTip(tray);
  host_.ShowTray(tray, state_.trayTip);
}

void Recorder::SetTimer(int32_t intervalMs) {
  // A negative interval is as unusable as 0: the timer stays stopped.
  state_.timerIntervalMs = intervalMs > 0 ? intervalMs : 0;
  host_.SetRecordingTimer(state_.timerIntervalMs);
}

int64_t Recorder::RecordingClockMs() {
  if (state_.phase != RecorderPhase::kRecording) return clockBeforeRunMs_;
  return clockBeforeRunMs_ + std::max<int64_t>(0, host_.NowMs() - runStartMs_);
}

void Recorder::ToggleRecording() {
  // The countdown and the waits of a start let other events run; a second F9
  // then must not pause a recording that has not begun.
  if (starting_) return;
  if (state_.phase == RecorderPhase::kRecording) {
    clockBeforeRunMs_ = RecordingClockMs();
    state_.phase = RecorderPhase::kPaused;
    host_.ShowPhase(RecorderPhase::kPaused);
    SetTimer(0);
    SetTray(RecorderTrayState::kPaused);
    return;
  }
  const bool fresh = state_.phase == RecorderPhase::kIdle;
  state_.phase = RecorderPhase::kRecording;
  host_.ShowPhase(RecorderPhase::kRecording);
  if (fresh) FreshStart(host_.ReadSettings());
  SetTimer(FrameIntervalMs(host_.ReadSettings()));
  // The clock starts (or goes on) with the frame taken at once.
  runStartMs_ = host_.NowMs();
  RecordTick();
  // The first tick may already have stopped the recording (a frame limit of
  // 0 or 1); the tray then keeps the idle state the stop gave it.
  if (state_.phase == RecorderPhase::kRecording) SetTray(RecorderTrayState::kRecording);
}

void Recorder::FreshStart(const RecordingSettings& settings) {
  starting_ = true;
  if (settings.hideMainWindow) host_.HideMainWindow();
  if (settings.saveFrames) {
    state_.frameFolder = ResolveFrameFolder(settings.savePathText, host_.ProgramFolder());
    host_.MakeDirectoryChain(state_.frameFolder);  // a folder that cannot be made only makes the saves fail
  }
  store_.ClearFrames();
  state_.hasRecording = false;
  state_.framesOptimized = false;
  state_.previousFrame.clear();
  host_.EnablePreviewAndSave(false);
  if (settings.countdown) {
    state_.countdownSeconds = LeadingInt(settings.countdownText);
    host_.RunCountdown(CountdownStartSeconds(state_.countdownSeconds));
    host_.WaitWithEvents(500);
  }
  host_.PumpEvents();
  host_.EnableSettingsGroups(false);
  host_.PrepareCapture();
  state_.totalTimeMs = 0;
  state_.startIntervalMs = FrameIntervalMs(settings);
  clockBeforeRunMs_ = 0;
  if (!store_.Folder().empty()) {
    state_.previousTempDir = store_.Folder();
    host_.DeleteTreeInBackground(state_.previousTempDir);
  }
  store_.SetFolder(host_.MakeRecordingTempDir());
  starting_ = false;
}

void Recorder::RecordTick() {
  // A tick after pause or stop does nothing, and neither does a tick that
  // arrives while the events of this one are being processed.
  if (state_.timerIntervalMs == 0 || inTick_) return;
  inTick_ = true;
  const int64_t captureMs = RecordingClockMs();
  PixelSize size;
  const std::string frame = host_.ComposeFrame(&size);
  state_.frameSize = size;
  host_.PumpEvents();

  // A frame that could not be captured or written is a still frame: the
  // store keeps an empty entry, and the comparison goes on against the last
  // frame that really is in the store.
  bool still = frame == state_.previousFrame || frame.empty();
  if (!store_.AppendFrame(still ? std::string() : frame, captureMs)) still = true;
  const int n = store_.Count();
  host_.FitWorkCanvas(size);

  const RecordingSettings settings = host_.ReadSettings();
  if (!still) {
    if (settings.saveFrames) {
      host_.SaveFrameToFolder(frame, state_.frameFolder, settings.saveFormatIndex, settings.saveFormatText);
      if (settings.autoClear) store_.ReplaceFrame(n, std::string());
    }
    state_.previousFrame = frame;
  }
  // The latest frame lasts until the next tick: one interval, as far as is known.
  state_.totalTimeMs = static_cast<int32_t>(std::clamp<int64_t>(captureMs + state_.startIntervalMs, 0,
                                                                std::numeric_limits<int32_t>::max()));
  host_.SetGroupCaption(RunningCaption(n, state_.totalTimeMs, still));

  if (state_.phase == RecorderPhase::kPaused) {
    SetTray(RecorderTrayState::kPaused);
  } else if (state_.phase == RecorderPhase::kRecording) {
    SetTray(still ? RecorderTrayState::kRecordingStill : RecorderTrayState::kRecording);
  }

  if (settings.stopAtCount && n >= LeadingInt(settings.countText)) {
    StopRecording();
  } else if (settings.stopAtTime && state_.totalTimeMs >= TimeLimitMs(settings)) {
    StopRecording();
  }
  inTick_ = false;
}

void Recorder::StopRecording() {
  // Nothing to stop: without this a stop while idle would announce a
  // recording that does not exist and enable saving an empty store.
  if (starting_ || state_.phase == RecorderPhase::kIdle) return;
  SetTimer(0);
  state_.phase = RecorderPhase::kIdle;
  host_.ShowPhase(RecorderPhase::kIdle);
  state_.hasRecording = true;
  const RecordingSettings settings = host_.ReadSettings();
  if (!(settings.saveFrames && settings.autoClear)) host_.EnablePreviewAndSave(true);
  state_.animationSize = state_.frameSize;
  host_.EnableSettingsGroups(true);
  SetTray(RecorderTrayState::kIdle);
  host_.ReleaseComposer();
  if (!host_.TrayHidden()) host_.ShowMainWindow();
}

}  // namespace movrel
