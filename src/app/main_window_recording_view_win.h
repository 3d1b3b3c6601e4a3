// The main window as the recording sees it: MainWindowRecordingView
// implements RecordingWindow (record/recording_window_win.h) over the
// window's controls.
#pragma once

namespace movrel {

// Gives the recording its view of the main window; once, before the window
// is created.
void ConnectRecordingView();

}  // namespace movrel
