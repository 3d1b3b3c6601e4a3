// Start-up and shutdown of the program.
#pragma once

namespace movrel {

// Runs the program: global objects, settings file, main window, message loop.
int AppStartup();

// Called by the main window once its controls exist.
void OnMainWindowCreated();

// The main window's close box.
void OnMainWindowClose();

// Stops a running recording (its timer first, so no tick can put the tray
// icon back or write a frame into the folder being deleted), saves the
// settings (a failure is told once), removes the tray icon, deletes the
// recording's temporary folder and ends the process with code 0. The exit
// question and the end of the user's session both come here. A call made by
// an event handled while the shutdown is under way returns at once.
void ShutdownApplication();
// True from the start of the shutdown on: hotkeys, clicks and commands then
// do nothing, so nothing starts that the shutdown would cut off.
bool ShuttingDown();

}  // namespace movrel
