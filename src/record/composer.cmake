# Frame composer and watermarks.
set(COMPOSER_SOURCES)
set(COMPOSER_WIN_SOURCES composer_entry_win.cpp)
set(COMPOSER_WIN_LIBS)
