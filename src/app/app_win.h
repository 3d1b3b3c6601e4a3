// Start-up and shutdown of the program.
#pragma once

namespace movrel {

// Runs the program: global objects, settings file, main window, message loop.
int AppStartup();

// Called by the main window once its controls exist.
void OnMainWindowCreated();

// The main window's close box.
void OnMainWindowClose();

// Saves the settings, removes the tray icon, deletes the recording's
// temporary folder and ends the process with code 0.
[[noreturn]] void ShutdownApplication();

}  // namespace movrel
