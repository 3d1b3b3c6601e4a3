#include "gif/bmp_decoder.h"

#include <cstring>
#include <utility>

#include "common/byte_order.h"

namespace movrel {

namespace {

// One colour channel described by a bit-field mask, widened to 8 bits by
// repeating its bits so that a full field gives 255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (!m) return;
    while (!(m & 1)) {
      m >>= 1;
      ++shift;
    }
    while (m & 1) {
      m >>= 1;
      ++bits;
    }
  }

  uint8_t Extract(uint32_t pixel) const {
    if (!bits) return 0;
    uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
    uint32_t wide = v;
    int wideBits = bits;
    while (wideBits < 8) {
      wide = wide << bits | v;
      wideBits += bits;
    }
    return static_cast<uint8_t>(wide >> (wideBits - 8));
  }
};

// The headers' verdict with the codec's own limit on the sides.
BmpVerdict ReadLayout(const uint8_t* data, size_t size, BmpFileLayout* layout) {
  const BmpVerdict verdict = ReadBmpFile(data, size, layout);
  if (verdict == BmpVerdict::kReadable || verdict == BmpVerdict::kOtherKind) {
    if (layout->width > kMaxPictureSide || layout->height > kMaxPictureSide) return BmpVerdict::kBroken;
  }
  return verdict;
}

// Converts one source row to blue-green-red.
void ConvertRow(const BmpFileLayout& layout, const uint8_t* src, const uint8_t (*palette)[3], const Channel* channels,
                uint8_t* dst) {
  int width = layout.width;
  switch (layout.depth) {
    case 1:
    case 4:
    case 8: {
      const unsigned bpp = static_cast<unsigned>(layout.depth);
      unsigned perByte = 8 / bpp;
      unsigned mask = (1u << bpp) - 1;
      for (int x = 0; x < width; ++x) {
        unsigned shift = 8 - bpp * (x % perByte + 1);
        unsigned index = (src[x / perByte] >> shift) & mask;
        std::memcpy(dst + 3 * x, palette[index], 3);
      }
      break;
    }
    case 24:
      std::memcpy(dst, src, static_cast<size_t>(width) * 3);
      break;
    case 16:
      for (int x = 0; x < width; ++x) {
        uint32_t pixel = ReadLe16(src + 2 * x);
        dst[3 * x] = channels[2].Extract(pixel);
        dst[3 * x + 1] = channels[1].Extract(pixel);
        dst[3 * x + 2] = channels[0].Extract(pixel);
      }
      break;
    case 32:
      if (layout.masks[0] == 0xFF0000 && layout.masks[1] == 0xFF00 && layout.masks[2] == 0xFF) {
        for (int x = 0; x < width; ++x) std::memcpy(dst + 3 * x, src + 4 * x, 3);
      } else {
        for (int x = 0; x < width; ++x) {
          uint32_t pixel = ReadLe32(src + 4 * x);
          dst[3 * x] = channels[2].Extract(pixel);
          dst[3 * x + 1] = channels[1].Extract(pixel);
          dst[3 * x + 2] = channels[0].Extract(pixel);
        }
      }
      break;
  }
}

}  // namespace

bool DecodeBmp(const uint8_t* data, size_t size, WorkingImage* image) {
  BmpFileLayout layout;
  if (ReadLayout(data, size, &layout) != BmpVerdict::kReadable) return false;

  // Indices past the end of a short colour table give black.
  uint8_t palette[256][3] = {};
  const uint8_t* table = data + layout.tableOffset;
  for (int i = 0; i < layout.tableEntries; ++i) std::memcpy(palette[i], table + i * layout.tableEntryBytes, 3);
  const Channel channels[3] = {Channel(layout.masks[0]), Channel(layout.masks[1]), Channel(layout.masks[2])};

  WorkingImage decoded;
  decoded.Allocate(layout.width, layout.height);
  for (int y = 0; y < layout.height; ++y) {
    int sourceRow = layout.topDown ? layout.height - 1 - y : y;
    const uint8_t* src = data + layout.pixelOffset + static_cast<uint64_t>(sourceRow) * layout.strideBytes;
    ConvertRow(layout, src, palette, channels, decoded.StoredRow(y));
  }
  *image = std::move(decoded);
  return true;
}

BmpVerdict InspectBmp(const uint8_t* data, size_t size) {
  BmpFileLayout layout;
  return ReadLayout(data, size, &layout);
}

}  // namespace movrel
