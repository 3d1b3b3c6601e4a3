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

// The order in which a frame of `height` rows is written, as row numbers
// counted from the top.
std::vector<int> RowOrder(int height, bool interlace);

}  // namespace movrel
