# Tests of the GIF reader side; all of them run in both builds (under Wine in
# the Windows one).
movrel_test(gif_reader_test
  SOURCES ${GIF_SAVE_TEST_SUPPORT} gif_reader_test.cpp gif_reader_decode_test.cpp gif_reader_roundtrip_test.cpp
  DEPS movrel_gif)

# gifinspect against other programs' files and decoders (Pillow, ImageMagick,
# gifsicle). The Windows build runs the same script with gifinspect.exe under
# Wine, which also passes paths that need the GBK conversion of its command
# line.
if(MOVREL_WIN)
  set(GIF_READER_PEER_RUNNER --runner ${WINE_PROGRAM})
endif()
add_test(NAME gif_reader_peer_test
  COMMAND /usr/bin/python3 ${CMAKE_CURRENT_SOURCE_DIR}/gif_reader_peer_test.py
          --gifinspect $<TARGET_FILE:gifinspect> ${GIF_READER_PEER_RUNNER})
set_tests_properties(gif_reader_peer_test PROPERTIES TIMEOUT 600)
