// Entries of subsystems that are not part of the program yet. Each is
// replaced by its subsystem's own definition when that subsystem lands.
#include "app/app_hooks_win.h"

namespace movrel {

void RefreshFramePreview() {}
void ToggleRecording() {}
void StopRecording() {}
void OpenPreviewWindow() {}
void ComposeAndSave(bool) {}
void OnCustomLoopCountChosen() {}
void ChooseFrameFolder() {}
void OpenFrameFolder() {}
void SelectRectangle(int) {}
void CreateFrameWindow() {}
void UpdateFrameWindow() {}
void DestroyFrameWindow() {}
void ShowIdleTrayIcon() {}
void RemoveTrayIcon() {}
void StartHotkeyPoller() {}
void DeleteRecordingFolder() {}

}  // namespace movrel
