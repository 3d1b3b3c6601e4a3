#include "bitmap/bmp_layout.h"

#include <cstdlib>
#include <limits>
#include <new>

#include "common/byte_order.h"

namespace movrel {
namespace {

// Every size of a picture, the BMP file length included, stays a positive
// 32-bit number.
constexpr int64_t kMaxFileBytes = std::numeric_limits<int32_t>::max();

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

struct Rgb {
  int red, green, blue;
};

std::string TableFrom(const Rgb* colours, int count) {
  std::string table;
  for (int i = 0; i < count; ++i) {
    table.push_back(static_cast<char>(colours[i].blue));
    table.push_back(static_cast<char>(colours[i].green));
    table.push_back(static_cast<char>(colours[i].red));
    table.push_back('\0');
  }
  return table;
}

std::string MakePalette1() {
  const Rgb colours[] = {{0, 0, 0}, {255, 255, 255}};
  return TableFrom(colours, 2);
}

std::string MakePalette4() {
  const Rgb colours[] = {{0, 0, 0},     {128, 0, 0},     {0, 128, 0},     {128, 128, 0},  {0, 0, 128}, {128, 0, 128},
                         {0, 128, 128}, {128, 128, 128}, {192, 192, 192}, {255, 0, 0},    {0, 255, 0}, {255, 255, 0},
                         {0, 0, 255},   {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
  return TableFrom(colours, 16);
}

// The system's twenty static colours at both ends, a regular colour cube in
// between.
std::string MakePalette8() {
  const Rgb low[] = {{0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
                     {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
  const Rgb high[] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
                      {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
  Rgb cube[236];
  for (int i = 10; i <= 245; ++i) cube[i - 10] = {32 * (i % 8), 32 * ((i / 8) % 8), 64 * (i / 64)};
  return TableFrom(low, 10) + TableFrom(cube, 236) + TableFrom(high, 10);
}

}  // namespace

bool IsSupportedDepth(int depth) {
  switch (depth) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32:
      return true;
    default:
      return false;
  }
}

int PaletteEntriesForDepth(int depth) {
  switch (depth) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

int StrideFor(int bitsPerRow) { return ((bitsPerRow + 31) >> 5) << 2; }

std::string InfoHeaderToBytes(const BmpInfoHeader& header) {
  std::string out;
  out.reserve(kInfoHeaderBytes);
  AppendLe32(&out, header.size);
  AppendLe32(&out, static_cast<uint32_t>(header.width));
  AppendLe32(&out, static_cast<uint32_t>(header.height));
  AppendLe16(&out, header.planes);
  AppendLe16(&out, header.bitCount);
  AppendLe32(&out, header.compression);
  AppendLe32(&out, header.sizeImage);
  AppendLe32(&out, static_cast<uint32_t>(header.xPelsPerMeter));
  AppendLe32(&out, static_cast<uint32_t>(header.yPelsPerMeter));
  AppendLe32(&out, header.clrUsed);
  AppendLe32(&out, header.clrImportant);
  return out;
}

std::string FileHeaderToBytes(const BmpFileHeader& header) {
  std::string out;
  out.reserve(kFileHeaderBytes);
  AppendLe16(&out, header.type);
  AppendLe32(&out, header.size);
  AppendLe16(&out, header.reserved1);
  AppendLe16(&out, header.reserved2);
  AppendLe32(&out, header.offBits);
  return out;
}

const std::string& FixedPalette(int depth) {
  static const std::string palette1 = MakePalette1();
  static const std::string palette4 = MakePalette4();
  static const std::string palette8 = MakePalette8();
  static const std::string none;
  switch (depth) {
    case 1:
      return palette1;
    case 4:
      return palette4;
    case 8:
      return palette8;
    default:
      return none;
  }
}

bool BuildImageBytes(int width, int height, int depth, const std::string& colourTable, std::string* image) {
  if (!IsSupportedDepth(depth) || width < 1 || height < 1) return false;
  if (colourTable.size() != static_cast<size_t>(4 * PaletteEntriesForDepth(depth))) return false;
  const int64_t strideBytes = ((int64_t{width} * depth + 31) >> 5) << 2;
  const int64_t paletteBytes = 4 * PaletteEntriesForDepth(depth);
  const int64_t pixelBytes = strideBytes * height;
  const int64_t total = kInfoHeaderBytes + paletteBytes + pixelBytes;
  if (kFileHeaderBytes + total > kMaxFileBytes) return false;

  BmpInfoHeader header;
  header.width = width;
  header.height = height;
  header.bitCount = static_cast<uint16_t>(depth);
  std::string built;
  try {
    built.reserve(static_cast<size_t>(total));
    built = InfoHeaderToBytes(header);
    built += colourTable;
    built.resize(static_cast<size_t>(total), '\0');
  } catch (const std::bad_alloc&) {
    return false;
  }
  image->swap(built);
  return true;
}

bool BuildImageBytes(int width, int height, int depth, std::string* image) {
  return BuildImageBytes(width, height, depth, FixedPalette(depth), image);
}

namespace {

// A packed image's layout; zeros for bytes that are no readable image.
BmpFileLayout ImageLayout(const std::string& image) {
  BmpFileLayout layout;
  if (ReadPackedDib(image, &layout) != BmpVerdict::kReadable) layout = BmpFileLayout();
  return layout;
}

}  // namespace

int ImageWidth(const std::string& image) { return ImageLayout(image).width; }
int ImageHeight(const std::string& image) { return ImageLayout(image).height; }
int ImageDepth(const std::string& image) { return ImageLayout(image).depth; }
int ImageStride(const std::string& image) { return static_cast<int>(ImageLayout(image).strideBytes); }

int ImagePaletteBytes(const std::string& image) {
  const BmpFileLayout layout = ImageLayout(image);
  return layout.tableEntries * layout.tableEntryBytes;
}

int ImagePixelOffset(const std::string& image) { return static_cast<int>(ImageLayout(image).pixelOffset); }
int ImagePixelBytes(const std::string& image) { return static_cast<int>(ImageLayout(image).pixelBytes); }

std::string BmpFileFromImage(const std::string& image) {
  BmpFileHeader header;
  header.size = static_cast<uint32_t>(kFileHeaderBytes + image.size());
  header.offBits = static_cast<uint32_t>(kFileHeaderBytes + kInfoHeaderBytes + ImagePaletteBytes(image));
  std::string file = FileHeaderToBytes(header);
  file += image;
  return file;
}

namespace {

constexpr int kCoreHeaderBytes = 12;

// The headers from `infoAt` on; `pixelField` is the file header's pixel
// offset (0 when there is none).
BmpVerdict ReadLayout(const uint8_t* p, size_t size, size_t infoAt, uint32_t pixelField, BmpFileLayout* out) {
  constexpr BmpVerdict kBroken = BmpVerdict::kBroken;
  const int64_t length = static_cast<int64_t>(size);
  if (length < static_cast<int64_t>(infoAt) + kCoreHeaderBytes) return kBroken;
  const uint8_t* info = p + infoAt;
  BmpFileLayout layout;
  layout.headerBytes = ReadLe32(info);
  switch (layout.headerBytes) {
    case 12:   // BITMAPCOREHEADER
    case 40:   // BITMAPINFOHEADER
    case 52:   // with RGB masks
    case 56:   // with RGBA masks
    case 108:  // BITMAPV4HEADER
    case 124:  // BITMAPV5HEADER
      break;
    default:
      return kBroken;
  }
  const int64_t headerEnd = static_cast<int64_t>(infoAt) + layout.headerBytes;
  if (length < headerEnd) return kBroken;

  int64_t width, height;
  uint32_t planes, coloursUsed = 0;
  if (layout.headerBytes == kCoreHeaderBytes) {
    width = ReadLe16(info + 4);
    height = ReadLe16(info + 6);
    planes = ReadLe16(info + 8);
    layout.depth = ReadLe16(info + 10);
    layout.tableEntryBytes = 3;
  } else {
    width = static_cast<int32_t>(ReadLe32(info + 4));
    height = static_cast<int32_t>(ReadLe32(info + 8));
    planes = ReadLe16(info + 12);
    layout.depth = ReadLe16(info + 14);
    layout.compression = ReadLe32(info + 16);
    coloursUsed = ReadLe32(info + 32);
  }
  layout.topDown = height < 0;
  height = std::llabs(height);
  if (width < 1 || height < 1 || planes != 1 || !IsSupportedDepth(layout.depth)) return kBroken;
  // The loader makes a bitmap of the display's depth, up to 4 bytes a pixel.
  if (width * height > kMaxFileBytes / 4) return kBroken;
  layout.width = static_cast<int>(width);
  layout.height = static_cast<int>(height);

  int64_t maskBytes = 0;
  switch (layout.compression) {
    case kBmpRgb:
      break;
    case kBmpRle8:
    case kBmpRle4:
      // Run-length pictures are bottom-up only, at their own depth.
      if (layout.topDown || layout.depth != (layout.compression == kBmpRle8 ? 8 : 4)) return kBroken;
      break;
    case kBmpBitFields:
      if (layout.depth != 16 && layout.depth != 32) return kBroken;
      // The masks follow a 40-byte header; the longer headers hold them.
      if (layout.headerBytes == kInfoHeaderBytes) maskBytes = 12;
      break;
    default:
      return kBroken;
  }

  if (layout.depth <= 8) {
    const uint32_t full = 1u << layout.depth;
    layout.tableEntries = static_cast<int>(coloursUsed == 0 || coloursUsed > full ? full : coloursUsed);
  }
  layout.tableOffset = static_cast<size_t>(headerEnd + maskBytes);
  const int64_t tableEnd = headerEnd + maskBytes + int64_t{layout.tableEntries} * layout.tableEntryBytes;
  if (tableEnd > length) return kBroken;
  layout.tableEnd = static_cast<size_t>(tableEnd);

  if (layout.compression == kBmpBitFields) {
    for (int i = 0; i < 3; ++i) layout.masks[i] = ReadLe32(info + kInfoHeaderBytes + 4 * i);
  } else if (layout.depth == 16) {
    layout.masks[0] = 0x7C00;
    layout.masks[1] = 0x03E0;
    layout.masks[2] = 0x001F;
  } else if (layout.depth == 32) {
    layout.masks[0] = 0xFF0000;
    layout.masks[1] = 0x00FF00;
    layout.masks[2] = 0x0000FF;
  }

  const int64_t pixelStart = pixelField == 0 ? tableEnd : int64_t{pixelField};
  if (pixelStart < headerEnd || pixelStart >= length) return kBroken;
  layout.pixelOffset = static_cast<size_t>(pixelStart);
  if (layout.compression == kBmpRle8 || layout.compression == kBmpRle4) {
    *out = layout;
    return BmpVerdict::kOtherKind;
  }
  const int64_t strideBytes = ((width * layout.depth + 31) >> 5) << 2;
  if (strideBytes * height > length - pixelStart) return kBroken;
  layout.strideBytes = static_cast<size_t>(strideBytes);
  layout.pixelBytes = static_cast<size_t>(strideBytes * height);
  *out = layout;
  return BmpVerdict::kReadable;
}

}  // namespace

BmpVerdict ReadBmpFile(const uint8_t* data, size_t size, BmpFileLayout* layout) {
  if (!data || size < 2 || data[0] != 'B' || data[1] != 'M') return BmpVerdict::kNotBmp;
  if (size < kFileHeaderBytes) return BmpVerdict::kBroken;
  return ReadLayout(data, size, kFileHeaderBytes, ReadLe32(data + 10), layout);
}

BmpVerdict ReadBmpFile(const std::string& bytes, BmpFileLayout* layout) {
  return ReadBmpFile(Bytes(bytes), bytes.size(), layout);
}

BmpVerdict ReadPackedDib(const std::string& image, BmpFileLayout* layout) {
  return ReadLayout(Bytes(image), image.size(), 0, 0, layout);
}

bool IsLoadableBmpFile(const std::string& bytes, BmpFileLayout* layout) {
  BmpFileLayout unused;
  const BmpVerdict verdict = ReadBmpFile(bytes, layout ? layout : &unused);
  return verdict == BmpVerdict::kReadable || verdict == BmpVerdict::kOtherKind;
}

}  // namespace movrel
