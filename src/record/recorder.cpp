#include "record/recorder.h"

#include <algorithm>
#include <limits>

#include "common/number.h"
#include "record/composer_rules.h"

namespace movrel {

namespace {

// What a recording has lasted: its latest frame shows until the next tick,
// one interval as far as is known.
int32_t RecordedTimeMs(int64_t latestCaptureMs, int32_t intervalMs) {
  return static_cast<int32_t>(std::clamp<int64_t>(latestCaptureMs + intervalMs, 0, std::numeric_limits<int32_t>::max()));
}

}  // namespace

Recorder::Recorder(RecorderState& state, FrameStore& store, RecorderHost& host)
    : state_(state), store_(store), host_(host) {
  store_.SetErrorText([this] { return host_.LastErrorText(); });
}

// The writer thread may still be writing a frame: it is done, and no longer
// calls the host, before the host can go.
Recorder::~Recorder() { store_.SetErrorText(nullptr); }

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

void Recorder::Warn(const std::string& text) {
  warning_ = true;
  host_.ShowWarning(text);
  warning_ = false;
}

void Recorder::ToggleRecording() {
  // The countdown and the waits of a start let other events run; a second F9
  // then must not pause a recording that has not begun.
  if (starting_ || warning_) return;
  if (state_.phase == RecorderPhase::kRecording) {
    clockBeforeRunMs_ = RecordingClockMs();
    host_.StopInputWatch();
    state_.phase = RecorderPhase::kPaused;
    host_.ShowPhase(RecorderPhase::kPaused);
    SetTimer(0);
    SetTray(RecorderTrayState::kPaused);
    return;
  }
  const bool fresh = state_.phase == RecorderPhase::kIdle;
  if (fresh) {
    const RecordingSettings settings = host_.ReadSettings();
    if (FrameIntervalMs(settings) <= 0) {
      Warn(kIntervalRefusal);
      return;
    }
    const std::string rectRefusal = settings.recordArea ? CaptureRectRefusal(settings.rect, settings.desktop) : "";
    if (!rectRefusal.empty()) {
      Warn(rectRefusal);
      return;
    }
    if (settings.countdown && LeadingInt(settings.countdownText) > kMaxCountdownSeconds) {
      Warn(kCountdownRefusal);
      return;
    }
    held_ = settings;
  }
  state_.phase = RecorderPhase::kRecording;
  host_.ShowPhase(RecorderPhase::kRecording);
  if (fresh && !FreshStart(held_)) return;
  SetTimer(FrameIntervalMs(held_));
  // The clock starts (or goes on) with the frame taken at once.
  runStartMs_ = host_.NowMs();
  host_.StartInputWatch(runStartMs_ - clockBeforeRunMs_);
  RecordTick();
  // The first tick may already have stopped the recording (a frame limit of
  // 0 or 1); the tray then keeps the idle state the stop gave it.
  if (state_.phase == RecorderPhase::kRecording) SetTray(RecorderTrayState::kRecording);
}

bool Recorder::FreshStart(const RecordingSettings& settings) {
  starting_ = true;
  if (settings.hideMainWindow) host_.HideMainWindow();
  if (settings.saveFrames) {
    state_.frameFolder = ResolveFrameFolder(settings.savePathText, host_.ProgramFolder());
    host_.MakeDirectoryChain(state_.frameFolder);  // a folder that cannot be made fails the first save
  }
  host_.EnablePreviewAndSave(false);
  host_.PumpEvents();
  host_.EnableSettingsGroups(false);
  if (settings.countdown) {
    // F10 and the stop link cancel the countdown, and with it the start:
    // the last recording is still there, so nothing of it may go before.
    countingDown_ = true;
    countdownCancelled_ = false;
    state_.countdownSeconds = LeadingInt(settings.countdownText);
    host_.RunCountdown(CountdownStartSeconds(state_.countdownSeconds));
    if (!countdownCancelled_) host_.WaitWithEvents(500);
    countingDown_ = false;
    if (countdownCancelled_) {
      starting_ = false;
      state_.phase = RecorderPhase::kIdle;
      host_.ShowPhase(RecorderPhase::kIdle);
      if (state_.hasRecording && picturesKept_ > 0) host_.EnablePreviewAndSave(true);
      host_.EnableSettingsGroups(true);
      if (!host_.TrayHidden()) host_.ShowMainWindow();
      return false;
    }
  }
  store_.ClearFrames();
  picturesKept_ = 0;
  state_.hasRecording = false;
  state_.framesOptimized = true;  // cropped as it is recorded
  state_.previousFrame.Clear();
  previousStored_ = false;
  state_.frameSize = PixelSize{};
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
  if (!store_.Folder().empty()) return true;
  // No folder of its own for the frames: the start ends as when the first
  // frame cannot be written, with the system's reason read before anything
  // else can overwrite it.
  const std::string reason = host_.LastErrorText();
  StopForWriteFailure(host_.TempFolder().Gbk(), reason);
  return false;
}

void Recorder::RecordTick() {
  // A tick after pause or stop does nothing, and neither does a tick that
  // arrives while the events of this one are being processed.
  if (state_.timerIntervalMs == 0 || inTick_) return;
  inTick_ = true;
  const uint32_t recording = store_.Recording();
  const int64_t captureMs = RecordingClockMs();
  const ComposedFrame composed = host_.ComposeFrame(captureMs);
  const PixelRows& frame = composed.pixels;
  host_.PumpEvents();
  // The events may have stopped the recording this frame was taken for, and
  // a start among them a new one, whose first frame this tick kept its own
  // start from taking. The frame belongs to neither: it goes, and the new
  // recording gets its first frame now, on its own clock.
  if (state_.phase == RecorderPhase::kIdle || store_.Recording() != recording) {
    inTick_ = false;
    if (store_.Recording() != recording) RecordTick();
    return;
  }
  if (frame.empty()) {
    inTick_ = false;
    StopRecording();
    Warn(kCaptureFailureMessage);
    return;
  }
  const PixelSize size{frame.width, frame.height};
  state_.frameSize = size;

  // A frame whose pixels all equal those of the last frame that was no still
  // frame is a still frame: the store keeps an empty entry. Any other frame
  // is stored as the block that changed, at its place; whole when it is the
  // first, or when the store no longer has the picture the block would be
  // drawn on.
  ChangedRect changed;
  const bool still = state_.previousFrame.Compare(frame, &changed) == ChangeScan::kUnchanged;
  std::string picture;
  FrameOffset offset;
  std::string failedFolder, reason;
  bool cleared = false;
  if (!still) {
    const ChangedRect block = previousStored_ ? changed : frame.Whole();
    picture = BmpOfBlock(frame, block);
    offset = FrameOffset{block.left, block.top};
    if (held_.saveFrames) {
      // The frame folder gets whole pictures. A frame it refused stays in
      // the store, being in no other place; one it took leaves the store
      // when 自动清空帧 says so.
      if (!host_.SaveFrameToFolder(previousStored_ ? BmpOfBlock(frame, frame.Whole()) : picture, state_.frameFolder,
                                   held_.saveFormat)) {
        reason = host_.LastErrorText();
        failedFolder = state_.frameFolder.Gbk();
      } else if (held_.autoClear) {
        cleared = true;
        picture.clear();
        offset = FrameOffset{};
      }
    }
  }
  store_.AppendFrame(std::move(picture), captureMs, composed.sceneChanged, offset);
  if (store_.WriteFailed()) {
    // The stop ends the recording with the frame before the one that failed.
    inTick_ = false;
    StopRecording();
    return;
  }
  const int n = store_.Count();
  host_.FitWorkCanvas(size);

  if (!still) {
    picturesKept_ += cleared ? 0 : 1;
    previousStored_ = !cleared;
    state_.previousFrame.Take(frame, changed);
  }
  state_.totalTimeMs = RecordedTimeMs(captureMs, state_.startIntervalMs);
  host_.SetGroupCaption(RunningCaption(n, state_.totalTimeMs, still));

  if (state_.phase == RecorderPhase::kPaused) {
    SetTray(RecorderTrayState::kPaused);
  } else if (state_.phase == RecorderPhase::kRecording) {
    SetTray(still ? RecorderTrayState::kRecordingStill : RecorderTrayState::kRecording);
  }

  // The limits stay live: their group is usable while recording.
  const RecordingSettings settings = host_.ReadSettings();
  if (settings.stopAtCount && n >= LeadingInt(settings.countText)) {
    StopRecording();
  } else if (settings.stopAtTime && state_.totalTimeMs >= TimeLimitMs(settings)) {
    StopRecording();
  }
  inTick_ = false;
  if (!failedFolder.empty()) StopForWriteFailure(failedFolder, reason);
}

void Recorder::StopForWriteFailure(const std::string& folder, const std::string& reason) {
  StopRecording();
  // Shown once the recording has stopped: no tick can come while it is open.
  Warn(FrameWriteFailureMessage(folder, reason));
}

void Recorder::StopRecording() {
  if (countingDown_) {
    countdownCancelled_ = true;
    host_.CancelCountdown();
    return;
  }
  // Nothing to stop: without this a stop while idle would announce a
  // recording that does not exist and enable saving an empty store.
  if (starting_ || warning_ || state_.phase == RecorderPhase::kIdle) return;
  SetTimer(0);
  host_.StopInputWatch();
  // The pictures still queued are on the disk before the recording counts
  // as stopped. One that could not be written ends the recording with the
  // frame before it, whatever came after.
  const FrameWriteFailure failure = store_.FinishWrites();
  if (failure) {
    store_.DropFramesFrom(failure.frame);
    picturesKept_ = 0;
    for (int i = 1; i <= store_.Count(); ++i) picturesKept_ += store_.HasPicture(i) ? 1 : 0;
    const int n = store_.Count();
    state_.totalTimeMs = n == 0 ? 0 : RecordedTimeMs(store_.CaptureMs(n), state_.startIntervalMs);
    host_.SetGroupCaption(RunningCaption(n, state_.totalTimeMs, false));
  }
  state_.phase = RecorderPhase::kIdle;
  host_.ShowPhase(RecorderPhase::kIdle);
  state_.hasRecording = true;
  // Saving follows what happened to the pictures: none are left when every
  // frame was cleared after going to the frame folder, or none could be written.
  if (picturesKept_ > 0) host_.EnablePreviewAndSave(true);
  state_.animationSize = state_.frameSize;
  host_.EnableSettingsGroups(true);
  SetTray(RecorderTrayState::kIdle);
  host_.ReleaseComposer();
  if (!host_.TrayHidden()) host_.ShowMainWindow();
  // Shown once stopped: no tick can come while it is open.
  if (failure) Warn(FrameWriteFailureMessage(store_.Folder().Gbk(), failure.reason));
}

}  // namespace movrel
