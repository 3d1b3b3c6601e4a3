#include "gif/picture.h"

#include <cstring>
#include <limits>
#include <new>

#include "common/byte_order.h"
#include "gif/codec_failure.h"

namespace movrel {

namespace {

// Sizes are worked out in 64 bits so that a 32-bit build refuses what it
// cannot address instead of wrapping round to a small block.
size_t CheckedBlockSize(uint64_t bytes) {
  if (bytes > static_cast<uint64_t>(std::numeric_limits<ptrdiff_t>::max())) throw CodecFailure(kNoMemoryForBitmap);
  return static_cast<size_t>(bytes);
}

void CheckSides(int width, int height) {
  if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) {
    throw CodecFailure(kNoMemoryForBitmap);
  }
}


}  // namespace

void WorkingImage::Allocate(int width, int height) {
  CheckSides(width, height);
  uint64_t stride = DibRowBytes(static_cast<uint64_t>(width), 24);
  size_t size = CheckedBlockSize(stride * static_cast<uint64_t>(height));
  try {
    pixels_.assign(size, 0);
  } catch (const std::bad_alloc&) {
    throw CodecFailure(kNoMemoryForBitmap);
  }
  width_ = width;
  height_ = height;
  strideBytes_ = static_cast<size_t>(stride);
}

void FrameImage::Allocate(int width, int height) {
  CheckSides(width, height);
  uint64_t rowBytes = DibRowBytes(static_cast<uint64_t>(width), 8);
  size_t size = CheckedBlockSize(kHeaderBytes + kColorTableBytes + rowBytes * static_cast<uint64_t>(height));
  try {
    block_.assign(size, 0);
  } catch (const std::bad_alloc&) {
    throw CodecFailure(kNoMemoryForBitmap);
  }
  width_ = width;
  height_ = height;
  rowBytes_ = static_cast<size_t>(rowBytes);
  // The working image's header with 8 bits per pixel: size 40, width, positive
  // height (bottom-up), 1 plane, 8 bits, no compression, every other field 0.
  uint8_t* h = block_.data();
  WriteLe32(h + 0, 40);
  WriteLe32(h + 4, static_cast<uint32_t>(width));
  WriteLe32(h + 8, static_cast<uint32_t>(height));
  WriteLe16(h + 12, 1);
  WriteLe16(h + 14, 8);
}

void FrameImage::SetColor(int index, uint8_t red, uint8_t green, uint8_t blue) {
  uint8_t* quad = ColorTable() + 4 * index;
  quad[0] = blue;
  quad[1] = green;
  quad[2] = red;
  quad[3] = 0;
}

}  // namespace movrel
