// The main window's calls into the tray icon and the hotkeys.
#include "app/app_hooks_win.h"
#include "app/hotkey_poller_win.h"
#include "app/tray_icon_win.h"

namespace movrel {

void ShowIdleTrayIcon() { SetTrayState(TrayState::kIdle); }

void RemoveTrayIcon() { RemoveTray(); }

void StartHotkeyPoller() { StartProgramHotkeys(); }

}  // namespace movrel
