// The main window's calls into the subsystems built around it: recording,
// output, selection, tray, hotkeys and settings. Each subsystem defines its
// own; until a subsystem exists its entry does nothing.
#pragma once

namespace movrel {

// Settings (read at start-up, written by "保存配置" and at shutdown).
void LoadAllSettings();
// True when every setting reached the file; otherwise the user has been
// told "配置保存失败！" with the file and the reason.
bool SaveAllSettings();

// Sample frame of the current settings, shown in 显示画板.
void RefreshFramePreview();

// Recording: the F9 and F10 actions.
void ToggleRecording();
void StopRecording();

// Output: preview window, GIF save (or copy to the clipboard).
void OpenPreviewWindow();
void ComposeAndSave(bool copyToClipboard);
// 组合框播放次数's "指定次数.." item was chosen.
void OnCustomLoopCountChosen();
// At exit, before the settings are saved: an open preview writes its
// settings back, and the copies' temporary GIFs that nothing needs go.
void CloseOutputAtExit();

// Frame folder: choose it (click on 按钮选择帧路径) or open it (right click).
void ChooseFrameFolder();
void OpenFrameFolder();

// Tray icon and hotkeys.
void ShowIdleTrayIcon();
void RemoveTrayIcon();
void StartHotkeyPoller();

// The recording's temporary folder, deleted at exit.
void DeleteRecordingFolder();

}  // namespace movrel
