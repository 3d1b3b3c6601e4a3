// Turns a whole picture file held in memory into the 24-bit working image at
// the picture's natural size. The Windows build uses the system's OLE picture
// loader (BMP, JPEG, GIF and whatever else it reads); the host build reads
// BMP files with the codec's own decoder.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gif/picture.h"

namespace movrel {

// False when the bytes are not a picture this build can decode. Raises
// kNoMemoryForBitmap when the decoded picture does not fit in memory.
bool DecodePicture(const uint8_t* data, size_t size, WorkingImage* image);

}  // namespace movrel
