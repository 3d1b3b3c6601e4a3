#include "common/byte_order.h"
#include "record/icon_file.h"

#include <cstring>
#include <vector>

namespace movrel {
namespace {

constexpr size_t kDirectoryBytes = 6;
constexpr size_t kEntryBytes = 16;
constexpr size_t kInfoHeaderBytes = 40;
const char kPngSignature[] = "\x89PNG\r\n\x1a\n";

// The default cursor, drawn pixel by pixel: '.' transparent, 'K' black
// outline, 'W' white body, 'S' grey shadow. The tip is at the hotspot (2, 4).
const char* const kCursorPicture[32] = {
    "................................",
    "................................",
    "................................",
    "................................",
    "..K.............................",
    "..KK............................",
    "..KWK...........................",
    "..KWWK..........................",
    "..KWWWK.........................",
    "..KWWWWK........................",
    "..KWWWWWK.......................",
    "..KWWWWWWK......................",
    "..KWWWWWWWK.....................",
    "..KWWWWWWWWK....................",
    "..KWWWWWWWWWK...................",
    "..KWWWWWWKKKKKS.................",
    "..KWWWKWWKSSSSS.................",
    "..KWWKSKWWKS....................",
    "..KWKS.KWWKS....................",
    "..KKS...KWWKS...................",
    "..KS....KWWKS...................",
    "...S.....KWWKS..................",
    ".........KWWKS..................",
    "..........KKSS..................",
    "...........SS...................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
};

// The 16 colours of the classic 4-bit table, blue, green, red, 0 each.
const uint8_t kPalette16[16][3] = {
    {0, 0, 0},       {0, 0, 128},     {0, 128, 0},   {0, 128, 128}, {128, 0, 0},   {128, 0, 128},
    {128, 128, 0},   {192, 192, 192}, {128, 128, 128}, {0, 0, 255}, {0, 255, 0},   {0, 255, 255},
    {255, 0, 0},     {255, 0, 255},   {255, 255, 0}, {255, 255, 255},
};

uint8_t PaletteIndex(char c) {
  switch (c) {
    case 'W': return 15;
    case 'S': return 8;
    default: return 0;  // black, and the colour under transparent pixels
  }
}

std::string BuildDefaultCursor() {
  constexpr int kSide = 32;
  constexpr uint32_t kXorStride = kSide / 2;  // 4 bits a pixel
  constexpr uint32_t kAndStride = kSide / 8;  // 1 bit a pixel, already a multiple of 4
  constexpr uint32_t kImageBytes = kInfoHeaderBytes + 16 * 4 + kXorStride * kSide + kAndStride * kSide;
  std::string b;
  // Directory: reserved, type 2 (cursor), one image.
  AppendLe16(&b, 0);
  AppendLe16(&b, kCursorFileType);
  AppendLe16(&b, 1);
  // Entry: width, height, colour count, reserved, hotspot x and y, size, offset.
  b.push_back(static_cast<char>(kSide));
  b.push_back(static_cast<char>(kSide));
  b.push_back(16);
  b.push_back(0);
  AppendLe16(&b, kDefaultCursorHotspotX);
  AppendLe16(&b, kDefaultCursorHotspotY);
  AppendLe32(&b, kImageBytes);
  AppendLe32(&b, static_cast<uint32_t>(kDirectoryBytes + kEntryBytes));
  // Info header: the height counts the colour rows and the mask rows.
  AppendLe32(&b, kInfoHeaderBytes);
  AppendLe32(&b, kSide);
  AppendLe32(&b, kSide * 2);
  AppendLe16(&b, 1);
  AppendLe16(&b, 4);
  AppendLe32(&b, 0);
  AppendLe32(&b, kXorStride * kSide + kAndStride * kSide);
  AppendLe32(&b, 0);
  AppendLe32(&b, 0);
  AppendLe32(&b, 16);
  AppendLe32(&b, 0);
  for (const auto& c : kPalette16) {
    b.push_back(static_cast<char>(c[0]));
    b.push_back(static_cast<char>(c[1]));
    b.push_back(static_cast<char>(c[2]));
    b.push_back(0);
  }
  // Colour rows, bottom row first; two pixels a byte, the left one high.
  for (int y = kSide - 1; y >= 0; --y) {
    for (int x = 0; x < kSide; x += 2) {
      const uint8_t left = PaletteIndex(kCursorPicture[y][x]), right = PaletteIndex(kCursorPicture[y][x + 1]);
      b.push_back(static_cast<char>((left << 4) | right));
    }
  }
  // Mask rows, bottom row first: a set bit leaves the screen as it is.
  for (int y = kSide - 1; y >= 0; --y) {
    for (int x = 0; x < kSide; x += 8) {
      uint8_t bits = 0;
      for (int i = 0; i < 8; ++i) {
        if (kCursorPicture[y][x + i] == '.') bits |= static_cast<uint8_t>(0x80 >> i);
      }
      b.push_back(static_cast<char>(bits));
    }
  }
  return b;
}

// The image data is either an info header with colour table, colour rows
// and mask rows (its height counts both kinds of rows), or a PNG file. Sizes
// come from the data itself, which the system trusts over the directory.
bool CheckImageData(const std::string& bytes, IconFileImage* image) {
  const size_t at = image->offset;
  if (image->size >= 24 && std::memcmp(bytes.data() + at, kPngSignature, 8) == 0) {
    // IHDR follows the signature: big-endian width and height.
    auto big32 = [&](size_t p) {
      return (static_cast<uint32_t>(static_cast<uint8_t>(bytes[p])) << 24) |
             (static_cast<uint32_t>(static_cast<uint8_t>(bytes[p + 1])) << 16) |
             (static_cast<uint32_t>(static_cast<uint8_t>(bytes[p + 2])) << 8) | static_cast<uint8_t>(bytes[p + 3]);
    };
    const uint32_t w = big32(at + 16), h = big32(at + 20);
    if (w < 1 || w > 256 || h < 1 || h > 256) return false;
    image->width = static_cast<int>(w);
    image->height = static_cast<int>(h);
    return true;
  }
  if (image->size < kInfoHeaderBytes || ReadLe32(bytes, at) != kInfoHeaderBytes) return false;
  const int32_t w = static_cast<int32_t>(ReadLe32(bytes, at + 4));
  const int32_t doubleHeight = static_cast<int32_t>(ReadLe32(bytes, at + 8));
  const uint16_t bits = ReadLe16(bytes, at + 14);
  const uint32_t compression = ReadLe32(bytes, at + 16);
  const uint32_t used = ReadLe32(bytes, at + 32);
  if (w < 1 || w > 256 || doubleHeight < 2 || doubleHeight > 512 || compression != 0) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const uint32_t maxColours = bits <= 8 ? (1u << bits) : 0;
  if (used > maxColours && bits <= 8) return false;
  const uint32_t colours = bits <= 8 ? (used ? used : maxColours) : 0;
  const uint64_t h = static_cast<uint64_t>(doubleHeight / 2);
  const uint64_t colourStride = (static_cast<uint64_t>(w) * bits + 31) / 32 * 4;
  const uint64_t maskStride = (static_cast<uint64_t>(w) + 31) / 32 * 4;
  if (kInfoHeaderBytes + 4ull * colours + (colourStride + maskStride) * h > image->size) return false;
  image->width = w;
  image->height = static_cast<int>(h);
  return true;
}

}  // namespace

std::optional<IconFileImage> ParseIconFile(const std::string& bytes) {
  if (bytes.size() < kDirectoryBytes || ReadLe16(bytes, 0) != 0) return std::nullopt;
  const uint16_t type = ReadLe16(bytes, 2);
  const uint16_t count = ReadLe16(bytes, 4);
  if ((type != kIconFileType && type != kCursorFileType) || count == 0) return std::nullopt;
  if (bytes.size() < kDirectoryBytes + size_t{count} * kEntryBytes) return std::nullopt;
  std::optional<IconFileImage> best;
  for (uint16_t i = 0; i < count; ++i) {
    const size_t at = kDirectoryBytes + size_t{i} * kEntryBytes;
    IconFileImage image;
    image.fileType = type;
    if (type == kCursorFileType) {
      image.hotspotX = ReadLe16(bytes, at + 4);
      image.hotspotY = ReadLe16(bytes, at + 6);
    }
    image.size = ReadLe32(bytes, at + 8);
    image.offset = ReadLe32(bytes, at + 12);
    // The image must lie inside the file and hold what its header promises.
    if (image.offset > bytes.size() || image.size > bytes.size() - image.offset) return std::nullopt;
    if (!CheckImageData(bytes, &image)) return std::nullopt;
    if (!best || image.width * image.height > best->width * best->height) best = image;
  }
  return best;
}

const std::string& DefaultCursorBytes() {
  static const std::string bytes = BuildDefaultCursor();
  return bytes;
}

}  // namespace movrel
