// The recording controller's decisions: the start, pause, resume and stop
// transitions, the timer tick with its still-frame test, the running totals,
// the tray state and the two automatic stops. Everything the controller needs
// from the windows, the composer and the folders goes through RecorderHost,
// so the whole state machine runs natively in tests; the Win32 side
// (recording_win.cpp) implements the host on the main window.
#pragma once

#include <cstdint>
#include <string>

#include "bitmap/image_format.h"
#include "common/desktop.h"
#include "common/time_text.h"
#include "record/frame_store.h"
#include "record/kept_picture.h"
#include "record/recording_rules.h"

namespace movrel {

struct PixelSize {
  int32_t width = 0;
  int32_t height = 0;
};

// What the recorder has done, for the program's lifetime.
struct RecorderState {
  // A recording is running or paused: the composer and the selection are
  // the recording's until it stops.
  bool Underway() const { return phase != RecorderPhase::kIdle; }


  KeptPicture previousFrame;     // the last frame that was no still frame
  int32_t totalTimeMs = 0;      // recorded: the latest frame's capture time plus one interval
  int32_t startIntervalMs = 0;  // the frame interval at the fresh start: the last frame's time
  bool hasRecording = false;    // a stopped recording exists
  // The kept frames after the first are their changed blocks: true for
  // every recording, which crops at capture; the changed-region pass is for
  // stores of whole frames only.
  bool framesOptimized = false;
  PixelSize frameSize;          // of the last captured frame of this recording
  PixelSize animationSize;      // frameSize at stop: the GIF's logical screen
  int32_t countdownSeconds = 0;
  FilePath frameFolder;         // ends in "\"; receives single frames
  FilePath previousTempDir;     // the folder handed to the background deletion
  RecorderPhase phase = RecorderPhase::kIdle;  // always what the start link reads
  int32_t timerIntervalMs = 0;  // the recording timer; 0 = stopped
  RecorderTrayState trayState = RecorderTrayState::kIdle;
  std::string trayTip = TrayTip(RecorderTrayState::kIdle);
};

// The settings the recorder reads, as the controls hold them.
struct RecordingSettings {
  std::string intervalText = "200";
  TimeUnit intervalUnit = TimeUnit::kMilliseconds;
  bool stopAtCount = false;
  std::string countText;
  bool stopAtTime = false;
  std::string timeText;
  TimeUnit timeUnit = TimeUnit::kMilliseconds;
  bool countdown = false;
  std::string countdownText;
  bool hideMainWindow = false;   // 缩到托盘
  bool saveFrames = false;       // 保存每帧图到
  std::string savePathText;
  SaveFormat saveFormat = kSaveBmp;
  bool autoClear = false;        // 自动清空帧
  bool recordArea = false;       // 录制区域(否则全屏幕)
  RecordRect rect;               // the four rectangle edits
  DesktopBox desktop;            // the bounding box of every monitor
};

// A frame as the composer made it: its pixels, held by the composer until
// the next frame (empty when none could be made), and whether the screen it
// shows changed since the frame before beyond the pointer moving (what the
// preview's trim of still ends looks at).
struct ComposedFrame {
  PixelRows pixels;
  bool sceneChanged = true;
};

class RecorderHost {
 public:
  virtual ~RecorderHost() = default;
  // A monotonic clock in milliseconds, fine enough to time single frames.
  virtual int64_t NowMs() = 0;
  virtual RecordingSettings ReadSettings() = 0;
  virtual FilePath ProgramFolder() = 0;
  // Start caption and pictures, stop picture and link.
  virtual void ShowPhase(RecorderPhase phase) = 0;
  virtual void HideMainWindow() = 0;
  virtual bool TrayHidden() = 0;
  virtual void ShowMainWindow() = 0;
  virtual void EnableSettingsGroups(bool enabled) = 0;
  virtual void EnablePreviewAndSave(bool enabled) = 0;
  // The modal countdown window; returns once it has closed, by itself or
  // by CancelCountdown.
  virtual void RunCountdown(int seconds) = 0;
  virtual void CancelCountdown() = 0;
  virtual void WaitWithEvents(int ms) = 0;
  virtual void PumpEvents() = 0;
  virtual void PrepareCapture() = 0;
  // The frame captured at `captureMs` on the recording clock.
  virtual ComposedFrame ComposeFrame(int64_t captureMs) = 0;
  // A run of the recording begins or ends (start, resume; pause, stop): the
  // clicks and keys it draws are watched only meanwhile. The recording clock
  // reads NowMs() - clockOriginMs during the run.
  virtual void StartInputWatch(int64_t clockOriginMs) = 0;
  virtual void StopInputWatch() = 0;
  virtual void ReleaseComposer() = 0;
  virtual void SetRecordingTimer(int32_t intervalMs) = 0;  // 0 stops it
  virtual void FitWorkCanvas(PixelSize size) = 0;
  virtual void SetGroupCaption(const std::string& text) = 0;
  // A modal warning: a refused start or a recording that had to stop.
  virtual void ShowWarning(const std::string& text) = 0;
  // The system's text for the last failed file operation on this thread.
  virtual std::string LastErrorText() = 0;
  virtual void ShowTray(RecorderTrayState state, const std::string& tip) = 0;
  // Folders (see folders_win.h).
  virtual void MakeDirectoryChain(const FilePath& path) = 0;
  virtual void DeleteTreeInBackground(const FilePath& path) = 0;
  // The recording's own new folder in the temporary folder; empty when none
  // could be made there (LastErrorText then says why).
  virtual FilePath MakeRecordingTempDir() = 0;
  virtual FilePath TempFolder() = 0;
  // False when the frame (BMP file bytes) could not be encoded or written.
  virtual bool SaveFrameToFolder(const std::string& bytes, const FilePath& folder, SaveFormat format) = 0;
};

class Recorder {
 public:
  // The store's failed writes are told with the host's text for the error.
  Recorder(RecorderState& state, FrameStore& store, RecorderHost& host);
  ~Recorder();
  Recorder(const Recorder&) = delete;
  Recorder& operator=(const Recorder&) = delete;

  // F9: start, pause or resume.
  void ToggleRecording();
  // F10, the stop link and the automatic stops.
  void StopRecording();
  // The recording timer's tick; also run once at every start and resume.
  void RecordTick();

  static int32_t FrameIntervalMs(const RecordingSettings& s) { return TimeTextMs(s.intervalText, s.intervalUnit); }
  static int32_t TimeLimitMs(const RecordingSettings& s) { return TimeTextMs(s.timeText, s.timeUnit); }

 private:
  // False when the recording did not begin: the countdown was cancelled
  // (the start is undone and the last recording is kept), or no folder could
  // be made for its frames (it has stopped with a message).
  bool FreshStart(const RecordingSettings& settings);
  // Stops the recording at the first frame that could not be written and
  // says why; the frames written before stay and can be saved.
  void StopForWriteFailure(const std::string& folder, const std::string& reason);
  // A modal message; toggles and stops arriving meanwhile are ignored.
  void Warn(const std::string& text);
  void SetTray(RecorderTrayState tray);
  void SetTimer(int32_t intervalMs);
  // The recording clock: runs from 0 at a fresh start while recording, and
  // stands still while paused.
  int64_t RecordingClockMs();


  RecorderState& state_;
  FrameStore& store_;
  RecorderHost& host_;
  bool starting_ = false;
  bool countingDown_ = false;
  bool countdownCancelled_ = false;
  bool inTick_ = false;
  bool warning_ = false;
  // The settings that steer the running recording, as they were at its
  // fresh start: a frame folder ticked or a clearing unticked mid-recording
  // would write frames where no folder was made, or offer a store whose
  // pictures are gone.
  RecordingSettings held_;
  int picturesKept_ = 0;  // frames of this recording whose picture is in the store
  // Whether state_.previousFrame's picture is in the store: the block of a
  // frame is stored only on top of a picture the store still has.
  bool previousStored_ = false;
  int64_t clockBeforeRunMs_ = 0;  // the recording clock when the current run began
  int64_t runStartMs_ = 0;        // NowMs() then
};

}  // namespace movrel
