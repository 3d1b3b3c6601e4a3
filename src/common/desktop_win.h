// The desktop as the system reports it, and the monitor that windows open
// on: the one that holds the main window (the home window).
#pragma once

#include <windows.h>

#include "common/desktop.h"

namespace movrel {

// Every monitor, the primary first, in physical pixels (the program is
// per-monitor DPI aware). A failed enumeration falls back to the primary
// screen's size.
Desktop ReadDesktop();

DesktopBox ToDesktopBox(const RECT& r);

// The window that decides where the program's windows open. Set once by
// the main window; windows opened before that, or after it is gone, use
// the primary monitor.
void SetHomeWindow(HWND window);
HWND HomeWindow();

// The whole monitor of the home window (full-screen things) and its work
// area (centred windows, without the taskbar).
DesktopBox HomeMonitor();
DesktopBox HomeWorkArea();

// The top-left corner that centres a width x height window on `anchor`,
// kept inside `area` where the window fits there (else at its top-left).
POINT CentredOn(const DesktopBox& anchor, int width, int height, const DesktopBox& area);

// A window `width` x `height` centred on the visible home window, or on the
// home monitor's work area when the home window is hidden, kept on that
// monitor.
POINT CentredOnHome(int width, int height);

}  // namespace movrel
