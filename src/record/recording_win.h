// The recording controller on the main window: F9 and F10, the recording
// timer and its tick, the countdown window and the waits that keep the
// windows alive, the frame folder's choice and the recording's temporary
// folder. What it reads from and shows in the main window goes through the
// recording window (record/recording_window_win.h). User-interface thread
// only. The waits are common/message_pump_win.h's WaitWithEvents.
#pragma once

#include <string>

#include "common/message_pump_win.h"
#include "record/recorder.h"

namespace movrel {

// F9: start, pause or resume; F10 and the stop link: stop.
void ToggleRecording();
void StopRecording();

// The recording timer's tick (also run once by every start and resume).
void RecordTick();

// 按钮选择帧路径: the folder browser, opened at the folder the setting text
// `current` names (one starting with a single "\" lies in the program's
// folder). The setting text for the chosen folder; empty when cancelled or
// when the settings file cannot name the folder, which a message says.
std::string ChooseFrameFolder(const std::string& current);

// The recording's temporary folder, deleted at exit.
void DeleteRecordingFolder();

}  // namespace movrel
