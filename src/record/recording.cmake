# Frame store, recording controller, changed-region pass.
set(RECORDING_SOURCES recording_rules.cpp stored_frame.cpp kept_picture.cpp frame_store.cpp frame_edit.cpp recorder.cpp changed_rect.cpp input_marks.cpp)
set(RECORDING_WIN_SOURCES recording_win.cpp recording_window_win.cpp folders_win.cpp optimize_win.cpp input_watch_win.cpp)
set(RECORDING_WIN_LIBS shell32 ole32 comctl32 gdi32 user32)
