// The tray icon and the hotkeys;
// does nothing until its subsystem is built here.
#include "app/app_hooks_win.h"

namespace movrel {

void ShowIdleTrayIcon() {}
void RemoveTrayIcon() {}
void StartHotkeyPoller() {}

}  // namespace movrel
