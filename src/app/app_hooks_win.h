// The main window's calls into the subsystems built around it that still
// reach back into it: output, tray, hotkeys and settings. The recording and
// the selection declare their own entries (record/recording_win.h,
// select/select_entry_win.h).
#pragma once

namespace movrel {

// Settings (read at start-up, written by "保存配置" and at shutdown).
void LoadAllSettings();
// True when every setting reached the file; otherwise the user has been
// told "配置保存失败！" with the file and the reason.
bool SaveAllSettings();

// Output: preview window, GIF save (or copy to the clipboard).
void OpenPreviewWindow();
void ComposeAndSave(bool copyToClipboard);
// 组合框播放次数's "指定次数.." item was chosen.
void OnCustomLoopCountChosen();
// At exit, before the settings are saved: an open preview writes its
// settings back, and the copies' temporary GIFs that nothing needs go.
void CloseOutputAtExit();

// Tray icon and hotkeys.
void ShowIdleTrayIcon();
void RemoveTrayIcon();
void StartHotkeyPoller();

}  // namespace movrel
