// The recording controller on the main window: F9 and F10, the recording
// timer and its tick, the countdown window and the waits that keep the
// windows alive, the frame folder's choice and the recording's temporary
// folder. What it reads from and shows in the main window goes through the
// recording window (record/recording_window_win.h). User-interface thread
// only. The waits are common/message_pump_win.h's WaitWithEvents.
#pragma once

#include <memory>
#include <string>

#include "common/message_pump_win.h"
#include "record/recorder.h"
#include "record/recording_context_win.h"

namespace movrel {

// The recorder of `recording`, made once by the shell. Its timer ticks on a
// message-only window of its own, which the destructor destroys.
class RecordingController {
 public:
  explicit RecordingController(RecordingContext& recording);
  ~RecordingController();
  RecordingController(const RecordingController&) = delete;
  RecordingController& operator=(const RecordingController&) = delete;

  // F9: start, pause or resume; F10 and the stop link: stop.
  void ToggleRecording() { recorder_.ToggleRecording(); }
  void StopRecording() { recorder_.StopRecording(); }
  // The recording timer's tick (also run once by every start and resume).
  void RecordTick() { recorder_.RecordTick(); }

  // The recording's temporary folder, deleted at exit.
  void DeleteRecordingFolder();

 private:
  class Host;
  RecordingContext& recording_;
  std::unique_ptr<Host> host_;
  Recorder recorder_;
};

// 按钮选择帧路径: the folder browser, opened at the folder the setting text
// `current` names (one starting with a single "\" lies in the program's
// folder). The setting text for the chosen folder; empty when cancelled or
// when the settings file cannot name the folder, which a message says.
std::string ChooseFrameFolder(const std::string& current);

}  // namespace movrel
