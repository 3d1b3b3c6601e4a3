#include "gif/bmp_decoder.h"

#include <cstring>
#include <utility>

namespace movrel {

namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kCompressionRgb = 0;
constexpr uint32_t kCompressionBitFields = 3;

uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | static_cast<uint32_t>(Get16(p + 2)) << 16; }

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

struct BmpLayout {
  int width = 0;
  int height = 0;
  bool topDown = false;
  unsigned bitsPerPixel = 0;
  uint32_t compression = kCompressionRgb;
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue
  // Colour table, as blue-green-red bytes with `paletteEntryBytes` per entry.
  const uint8_t* palette = nullptr;
  size_t paletteEntries = 0;
  size_t paletteEntryBytes = 4;
  const uint8_t* pixels = nullptr;
  uint64_t strideBytes = 0;
};

// Reads the headers. A file that starts with "BM" but cannot be read is
// kBroken; kinds not read here give kOtherKind when what can be checked is
// sound.
BmpVerdict ParseLayout(const uint8_t* data, size_t size, BmpLayout* out) {
  constexpr BmpVerdict kBroken = BmpVerdict::kBroken;
  if (size < 2 || data[0] != 'B' || data[1] != 'M') return BmpVerdict::kNotBmp;
  if (size < kFileHeaderBytes + 12) return kBroken;
  uint32_t pixelOffset = Get32(data + 10);
  const uint8_t* info = data + kFileHeaderBytes;
  uint32_t infoBytes = Get32(info);
  if (infoBytes > size - kFileHeaderBytes) return kBroken;

  BmpLayout layout;
  int64_t height;
  if (infoBytes == 12) {
    layout.width = Get16(info + 4);
    height = Get16(info + 6);
    layout.bitsPerPixel = Get16(info + 10);
    layout.paletteEntryBytes = 3;
  } else if (infoBytes == 40 || infoBytes == 52 || infoBytes == 56 || infoBytes == 108 || infoBytes == 124) {
    int32_t width = static_cast<int32_t>(Get32(info + 4));
    height = static_cast<int32_t>(Get32(info + 8));
    if (width <= 0 || width > kMaxPictureSide) return kBroken;
    layout.width = width;
    layout.bitsPerPixel = Get16(info + 14);
    layout.compression = Get32(info + 16);
    layout.paletteEntries = Get32(info + 32);
  } else {
    return infoBytes >= 12 ? BmpVerdict::kOtherKind : kBroken;
  }
  if (height < 0) {
    layout.topDown = true;
    height = -height;
  }
  if (layout.width < 1 || height < 1 || height > kMaxPictureSide) return kBroken;
  layout.height = static_cast<int>(height);

  // Compressed rows (run-length, JPEG or PNG inside a BMP) are not read
  // here; their length is only known by decoding them.
  if (layout.compression != kCompressionRgb && layout.compression != kCompressionBitFields) {
    return pixelOffset >= kFileHeaderBytes + infoBytes && pixelOffset < size ? BmpVerdict::kOtherKind : kBroken;
  }
  unsigned bpp = layout.bitsPerPixel;
  if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return kBroken;
  if (layout.compression == kCompressionBitFields && bpp != 16 && bpp != 32) return kBroken;

  size_t tableStart = kFileHeaderBytes + infoBytes;
  if (layout.compression == kCompressionBitFields) {
    // The masks follow a 40-byte header; the longer headers hold them.
    const uint8_t* masks = info + 40;
    if (infoBytes == 40) {
      if (size < tableStart + 12) return kBroken;
      tableStart += 12;
    }
    for (int i = 0; i < 3; ++i) layout.masks[i] = Get32(masks + 4 * i);
  } else if (bpp == 16) {
    layout.masks[0] = 0x7C00;
    layout.masks[1] = 0x03E0;
    layout.masks[2] = 0x001F;
  } else if (bpp == 32) {
    layout.masks[0] = 0xFF0000;
    layout.masks[1] = 0x00FF00;
    layout.masks[2] = 0x0000FF;
  }

  if (bpp <= 8) {
    size_t fullTable = size_t{1} << bpp;
    if (layout.paletteEntries == 0 || layout.paletteEntries > fullTable) layout.paletteEntries = fullTable;
    uint64_t tableEnd = tableStart + static_cast<uint64_t>(layout.paletteEntries) * layout.paletteEntryBytes;
    if (tableEnd > size) return kBroken;
    layout.palette = data + tableStart;
  } else {
    layout.paletteEntries = 0;
  }

  // The rows start where the file header says, which must lie after the
  // headers; the last row need not carry its padding.
  layout.strideBytes = DibRowBytes(static_cast<uint64_t>(layout.width), bpp);
  uint64_t lastRowBytes = (static_cast<uint64_t>(layout.width) * bpp + 7) / 8;
  uint64_t pixelBytes = layout.strideBytes * static_cast<uint64_t>(layout.height - 1) + lastRowBytes;
  if (pixelOffset < kFileHeaderBytes + infoBytes || pixelOffset > size || pixelBytes > size - pixelOffset) {
    return kBroken;
  }
  layout.pixels = data + pixelOffset;
  *out = layout;
  return BmpVerdict::kReadable;
}

// Converts one source row to blue-green-red.
void ConvertRow(const BmpLayout& layout, const uint8_t* src, const uint8_t (*palette)[3], const Channel* channels,
                uint8_t* dst) {
  int width = layout.width;
  switch (layout.bitsPerPixel) {
    case 1:
    case 4:
    case 8: {
      unsigned bpp = layout.bitsPerPixel;
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
        uint32_t pixel = Get16(src + 2 * x);
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
          uint32_t pixel = Get32(src + 4 * x);
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
  BmpLayout layout;
  if (!data || ParseLayout(data, size, &layout) != BmpVerdict::kReadable) return false;

  // Indices past the end of a short colour table give black.
  uint8_t palette[256][3] = {};
  for (size_t i = 0; i < layout.paletteEntries; ++i) {
    std::memcpy(palette[i], layout.palette + i * layout.paletteEntryBytes, 3);
  }
  const Channel channels[3] = {Channel(layout.masks[0]), Channel(layout.masks[1]), Channel(layout.masks[2])};

  WorkingImage decoded;
  decoded.Allocate(layout.width, layout.height);
  for (int y = 0; y < layout.height; ++y) {
    int sourceRow = layout.topDown ? layout.height - 1 - y : y;
    const uint8_t* src = layout.pixels + static_cast<uint64_t>(sourceRow) * layout.strideBytes;
    ConvertRow(layout, src, palette, channels, decoded.StoredRow(y));
  }
  *image = std::move(decoded);
  return true;
}

BmpVerdict InspectBmp(const uint8_t* data, size_t size) {
  BmpLayout layout;
  return data ? ParseLayout(data, size, &layout) : BmpVerdict::kNotBmp;
}

}  // namespace movrel
