// The main window as saving, copying and the preview see it:
// MainWindowOutputView implements OutputWindow (output/output_window_win.h)
// over the window's controls.
#pragma once

namespace movrel {

// Gives the output its view of the main window; once, before the window is
// created.
void ConnectOutputView();

}  // namespace movrel
