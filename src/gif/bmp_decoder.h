// A BMP decoder of its own, so pictures can be turned into frames without
// the platform's picture loader: every picture whose headers ReadBmpFile
// finds readable (1, 4 and 8 bits with a colour table, 16 and 32 bits plain
// or with bit-field masks, 24 bits; either row order; every header size).
#pragma once

#include <cstddef>
#include <cstdint>

#include "bitmap/bmp_layout.h"
#include "gif/picture.h"

namespace movrel {

// Decodes a whole BMP file into `image`. False for anything that
// ReadBmpFile does not find readable (run-length rows included) and for
// sides above kMaxPictureSide; `image` is then left unchanged. Raises
// kNoMemoryForBitmap when the decoded picture does not fit in memory.
bool DecodeBmp(const uint8_t* data, size_t size, WorkingImage* image);

// The headers' verdict (ReadBmpFile), with sides above kMaxPictureSide
// broken as well: lets a platform loader that is lenient with broken files
// refuse them the same way.
BmpVerdict InspectBmp(const uint8_t* data, size_t size);

}  // namespace movrel
