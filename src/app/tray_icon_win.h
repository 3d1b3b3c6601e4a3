// The notification-area icon of the main window: its image and tip show the
// recording state, a left click shows or hides the main window, a right
// click offers to quit, and the icon comes back by itself when the shell's
// taskbar is re-created. User-interface thread only.
#pragma once

#include <windows.h>

#include <string>

#include "app/tray_state.h"

namespace movrel {

// The private window message the shell sends the main window for mouse
// actions on the icon (lParam is the mouse message).
constexpr UINT kTrayCallbackMessage = 123456;

// An icon of its own size from image `index` of .ico file bytes; null when
// the bytes hold no such image or the system refuses it. The caller owns
// the icon.
HICON IconFromIcoBytes(const std::string& ico, int index);

// The recording controller's call on every state change and tick: makes the
// state's icon and tip current and shows them (nothing is added while the
// icon is hidden by Alt+F12; the state shows when it comes back).
void SetTrayState(TrayState state);

// Makes the given .ico bytes and tip current without showing them.
void SetTrayContent(const std::string& icoBytes, const std::string& tip);

// While `trayHidden`, removes the icon; otherwise adds it if it is not
// there and puts the current image and tip in place.
void UpdateTrayIcon();

// Takes the icon out of the notification area and gives the main window its
// own window procedure back.
void RemoveTray();

// The icon is meant to be in the notification area (not hidden by Alt+F12
// and added at least once).
bool TrayIconShown();

// The main window's close box: hides the window into the notification area.
// When the icon could not be put there the window would be lost, so the
// box then asks to exit instead, as it did before the tray existed.
void HideMainWindowToTray();

// A mouse message from the icon: left button down shows or hides the main
// window, right button down asks whether to exit.
void OnTrayMouse(UINT mouseMessage);

}  // namespace movrel
