# Frame composer and watermarks. The decisions (placement, scaling, overlay
# need, captions, date-time texts, icon files and the default cursor) are
# portable; the drawing is GDI.
set(COMPOSER_SOURCES composer_rules.cpp icon_file.cpp mark_pixels.cpp watermark_text.cpp)
set(COMPOSER_WIN_SOURCES
  composer_win.cpp
  frame_composer_win.cpp
  icon_picture_win.cpp
  input_drawing_win.cpp
  watermark_win.cpp)
# The clock: the system's local time on Windows, the C library's natively.
if(MOVREL_WIN)
  list(APPEND COMPOSER_WIN_SOURCES local_time_win.cpp)
else()
  list(APPEND COMPOSER_SOURCES local_time_host.cpp)
endif()
set(COMPOSER_WIN_LIBS msimg32 gdi32 user32)
