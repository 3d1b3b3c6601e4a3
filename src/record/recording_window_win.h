// The main window as the recording sees it: the settings the recorder and
// the frame composer read from its controls, and what it shows of a
// recording. The shell implements it over the window's controls and hands
// it over once at start-up; the recording's own work (folders, capture,
// timer, countdown) stays here. User-interface thread only.
#pragma once

#include <windows.h>

#include <string>

#include "common/file_path.h"
#include "common/screen_rect.h"
#include "record/frame_composer_win.h"
#include "record/recorder.h"

namespace movrel {

// Each call's default is what a program without a main window gets: the
// default settings, nothing shown, a null handle.
class RecordingWindow {
 public:
  virtual ~RecordingWindow() = default;
  // The main window: owner of the countdown, the optimisation window and
  // the recording timer.
  virtual HWND Handle() { return nullptr; }
  // The program's folder, where a relative frame folder starts.
  virtual FilePath ProgramFolder() { return FilePath(); }
  virtual RecordingSettings ReadRecordingSettings() { return RecordingSettings(); }
  virtual ComposerSettings ReadComposerSettings() { return ComposerSettings(); }
  // Just before every grab: with `followMouse` the rectangle is centred on
  // the pointer, and the record frame window goes around it.
  virtual void PlaceCaptureRect(RecordRect& /*rect*/, bool /*followMouse*/) {}
  // Start caption and pictures, stop picture and link.
  virtual void ShowPhase(RecorderPhase) {}
  // 分组框1's caption: the recording's progress or a sample frame's size.
  virtual void SetGroupCaption(const std::string&) {}
  virtual void HideMainWindow() {}
  virtual void ShowMainWindow() {}
  // The notification-area icon is hidden (Alt+F12).
  virtual bool TrayHidden() { return false; }
  virtual void ShowTray(RecorderTrayState) {}
  // The settings groups while a recording runs; switching them back on
  // restores the check boxes' rules.
  virtual void EnableSettingsGroups(bool /*enabled*/) {}
  virtual void EnablePreviewAndSave(bool /*enabled*/) {}
};

// The window the recording works on from now on; the shell sets it once
// before its window is created. Until then, and after a null one, the
// defaults above stand in.
void SetRecordingWindow(RecordingWindow* window);
RecordingWindow& TheRecordingWindow();

}  // namespace movrel
