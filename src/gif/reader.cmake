# The GIF reader side: indexing and frame walk, the LZW decoder with the BMP
# output, and the GifReader object. All portable.
set(GIF_READER_SOURCES
  gif_reader.cpp
  gif_reader_parse.cpp
  gif_reader_decode.cpp)
set(GIF_READER_HOST_SOURCES)
set(GIF_READER_WIN_SOURCES)
