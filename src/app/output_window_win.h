// The main window as saving, copying and the preview see it
// (output/output_window_win.h).
#pragma once

namespace movrel {

// Gives the output its view of the main window; once, before the window is
// created.
void ConnectOutputWindow();

}  // namespace movrel
