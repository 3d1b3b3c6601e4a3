// The LZW compressor: one frame image's pixels become GIF image data (the
// minimum code size, the codes in data sub-blocks, the block terminator).
#pragma once

#include <cstdint>
#include <vector>

#include "gif/byte_sink.h"
#include "gif/picture.h"

namespace movrel {

// Compresses the frame's pixels, rows top to bottom (or in the four interlace
// passes), and writes the image data to the sink. Raises the sink's write
// failure.
void WriteImageData(const FrameImage& frame, bool interlace, ByteSink& sink);

// The same for `height` rows of `width` index bytes stored top-down without
// padding, every index below 2^minCodeSize (2..8), as the optimised frames
// need: the minimum code size follows the colour table's size.
void WriteIndexedImageData(const uint8_t* pixels, int width, int height, int minCodeSize, bool interlace,
                           ByteSink& sink);

// What the compact layout's coder may write for each pixel of a frame of
// `width` x `height` (arrays of width * height, rows top-down): the index it
// writes when no choice makes a longer match, and the others that would
// show the pixel as well (the transparent index where the viewer already
// shows it closely enough, the pixel's own colour, and with a tolerance any
// table colour near the wanted one). At every code the coder takes the
// choices that give the longest string already in its table.
struct PixelChoices {
  int width = 0;
  int height = 0;
  const uint8_t* primary = nullptr;
  // Per pixel: kMayBeTransparent, kHasSecond.
  const uint8_t* flags = nullptr;
  const uint8_t* second = nullptr;  // another exact index, where kHasSecond
  int transparent = -1;             // the transparent index, or -1
  // With a tolerance: any table entry within tolerance[i] (a squared
  // distance) of wanted[i] will do. Null for exact frames.
  const uint32_t* wanted = nullptr;
  const uint32_t* tolerance = nullptr;
  const uint32_t* table = nullptr;  // colours of the indexes, 0xRRGGBB
  int tableSize = 0;
  // Whether a string may start with another choice than the primary. Taking
  // the longest string at every code is greedy: starting strings only with
  // the primary keeps the table to fewer, longer strings, which wins on some
  // frames and loses on others.
  bool choiceStarts = false;
};
constexpr uint8_t kMayBeTransparent = 1;
constexpr uint8_t kHasSecond = 2;

// Squared distance of two colours, the sum over the three channels.
inline uint32_t ColorDistance(uint32_t a, uint32_t b) {
  int r = static_cast<int>(a >> 16 & 0xFF) - static_cast<int>(b >> 16 & 0xFF);
  int g = static_cast<int>(a >> 8 & 0xFF) - static_cast<int>(b >> 8 & 0xFF);
  int bl = static_cast<int>(a & 0xFF) - static_cast<int>(b & 0xFF);
  return static_cast<uint32_t>(r * r + g * g + bl * bl);
}

// Compresses the choices and writes the image data; `written` (width *
// height) receives the index each pixel got. Every primary index is below
// 2^minCodeSize (2..8); other choices at or above it are not taken.
void WriteChosenImageData(const PixelChoices& choices, int minCodeSize, bool interlace, ByteSink& sink,
                          uint8_t* written);

// The order in which a frame of `height` rows is written, as row numbers
// counted from the top.
std::vector<int> RowOrder(int height, bool interlace);

}  // namespace movrel
