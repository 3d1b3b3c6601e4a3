# Frame store, recording controller, changed-region pass.
set(RECORDING_SOURCES)
set(RECORDING_WIN_SOURCES recording_entry_win.cpp)
set(RECORDING_WIN_LIBS)
