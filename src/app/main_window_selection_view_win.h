// The main window as the region selection sees it: MainWindowSelectionView
// implements SelectionWindow (select/select_entry_win.h) over the window's
// controls.
#pragma once

namespace movrel {

// Gives the selection its view of the main window; once, before the window
// is created.
void ConnectSelectionView();

}  // namespace movrel
