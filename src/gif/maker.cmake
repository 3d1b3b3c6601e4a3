# The maker side of the codec: records, palette conversion, LZW, the GIF89a
# writer and picture decoding (the codec's own BMP decoder on the host, the
# OLE picture loader on Windows).
set(GIF_MAKER_SOURCES
  gif_maker.cpp
  gif_writer.cpp
  compact_writer.cpp
  rgb_canvas.cpp
  true_palette.cpp
  lzw_encoder.cpp
  palette.cpp
  picture.cpp
  bmp_decoder.cpp
  byte_sink.cpp
  codec_failure.cpp)
set(GIF_MAKER_HOST_SOURCES
  picture_decoder_host.cpp
  byte_sink_host.cpp)
set(GIF_MAKER_WIN_SOURCES
  picture_decoder_win.cpp
  byte_sink_win.cpp)
set(GIF_WIN_LIBS ole32 oleaut32 uuid gdi32)
