# Tests of the frame composer and watermarks: the decisions and the default
# cursor natively, the drawing under Wine with real GDI and real windows.
movrel_test(composer_test
  SOURCES composer_rules_test.cpp watermark_text_test.cpp icon_file_test.cpp
  DEPS movrel_record)
if(NOT MOVREL_WIN)
  add_executable(default_cursor_dump default_cursor_dump.cpp)
  target_link_libraries(default_cursor_dump PRIVATE movrel_record)
  add_test(NAME default_cursor_check
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/default_cursor_check.py
            $<TARGET_FILE:default_cursor_dump> ${CMAKE_CURRENT_BINARY_DIR}/default_cursor_check)
  set_tests_properties(default_cursor_check PROPERTIES TIMEOUT 120)
endif()
if(MOVREL_WIN)
  movrel_test(composer_win_test SOURCES frame_composer_win_test.cpp DEPS movrel_record)
  # Not a test: ms per composed frame, run by hand under Wine (the speed
  # figures are reported, never asserted).
  add_executable(composer_bench composer_bench_win.cpp)
  target_link_libraries(composer_bench PRIVATE movrel_record)
endif()
