# Tests of the GIF maker side: the unit tests run in both builds (under Wine
# in the Windows build); the independent-decoder checks of gifcompose's files
# run with Pillow and ImageMagick, and in headless Chromium, in the host build.
movrel_test(gif_maker_test
  SOURCES maker_test_support.cpp ${GIF_SAVE_TEST_SUPPORT} bmp_decoder_test.cpp palette_test.cpp gif_writer_test.cpp
          gif_maker_test.cpp
  DEPS movrel_gif)
if(MOVREL_WIN)
  movrel_test(gif_maker_win_test
    SOURCES maker_test_support.cpp picture_decoder_win_test.cpp
    DEPS movrel_gif)
  # The Windows composer itself: a JPEG through the OLE loader, and a missing
  # picture reported with the maker's text.
  add_test(NAME gif_compose_win_test
    COMMAND gifcompose --loop 2 ${CMAKE_CURRENT_BINARY_DIR}/compose_win.gif
            ${CMAKE_CURRENT_SOURCE_DIR}/data/photo.jpg --dither ${CMAKE_CURRENT_SOURCE_DIR}/data/photo.jpg)
  add_test(NAME gif_compose_win_missing_test
    COMMAND gifcompose ${CMAKE_CURRENT_BINARY_DIR}/never.gif ${CMAKE_CURRENT_SOURCE_DIR}/data/missing.jpg)
  set_tests_properties(gif_compose_win_missing_test PROPERTIES PASS_REGULAR_EXPRESSION "无法打开文件")
else()
  add_test(NAME gif_compose_decode_test
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/compose_decode_test.py $<TARGET_FILE:gifcompose>)
  set_tests_properties(gif_compose_decode_test PROPERTIES TIMEOUT 600)
  # The first run also installs puppeteer-core into build/browser-tools.
  add_test(NAME gif_browser_decode_test
    COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/browser_decode_test.py $<TARGET_FILE:gifcompose>)
  set_tests_properties(gif_browser_decode_test PROPERTIES TIMEOUT 300)
endif()
