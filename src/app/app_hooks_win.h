// The main window's calls into the shell's own parts: settings, tray and
// hotkeys. The recording, the selection and the output declare their own
// entries (record/recording_win.h, select/select_entry_win.h,
// output/compose_win.h, output/preview_window_win.h).
#pragma once

namespace movrel {

// Settings (read at start-up, written by "保存配置" and at shutdown).
void LoadAllSettings();
// True when every setting reached the file; otherwise the user has been
// told "配置保存失败！" with the file and the reason.
bool SaveAllSettings();

// Tray icon and hotkeys.
void ShowIdleTrayIcon();
void RemoveTrayIcon();
void StartHotkeyPoller();

}  // namespace movrel
