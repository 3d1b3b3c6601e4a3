// A BMP decoder of its own, so pictures can be turned into frames without
// the platform's picture loader: 1, 4 and 8 bits with a colour table, 16 and
// 32 bits plain or with bit-field masks, 24 bits; bottom-up and top-down rows;
// the 12-byte core header and the 40-, 52-, 56-, 108- and 124-byte headers.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gif/picture.h"

namespace movrel {

// Decodes a whole BMP file into `image`. False for anything that is not a
// complete BMP of a supported kind (including compressed run-length rows and
// sides above kMaxPictureSide); `image` is then left unchanged. Raises
// kNoMemoryForBitmap when the decoded picture does not fit in memory.
bool DecodeBmp(const uint8_t* data, size_t size, WorkingImage* image);

enum class BmpVerdict {
  kNotBmp,      // does not start like a BMP file
  kReadable,    // complete, and DecodeBmp reads it
  kOtherKind,   // a kind DecodeBmp does not read (compressed rows, other
                // header sizes), for a platform loader to try
  kBroken,      // a BMP whose headers or rows are unusable: truncated rows,
                // sides of 0 or above kMaxPictureSide, impossible offsets
};

// Looks at a file's BMP headers without decoding. Lets a platform loader that
// is lenient with broken files refuse them the same way.
BmpVerdict InspectBmp(const uint8_t* data, size_t size);

}  // namespace movrel
