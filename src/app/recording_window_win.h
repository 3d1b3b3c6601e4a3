// The main window as the recording sees it (record/recording_window_win.h),
// and the main window's handlers that join the recording with the output.
#pragma once

namespace movrel {

// Gives the recording its view of the main window; once, before the window
// is created.
void ConnectRecordingWindow();

// F9 and the start link: start, pause or resume. A fresh start empties the
// frame store, so it waits for no save and closes an open preview first.
void OnStartRecordingClicked();

// 按钮选择帧路径: a click chooses the frame folder, a right click opens it in
// a new file-manager window.
void OnFrameFolderClicked();
void OnFrameFolderRightClicked();

}  // namespace movrel
