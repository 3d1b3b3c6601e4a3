// The main window as the region selection sees it (select/select_entry_win.h).
#pragma once

namespace movrel {

// Gives the selection its view of the main window; once, before the window
// is created.
void ConnectSelectionWindow();

}  // namespace movrel
