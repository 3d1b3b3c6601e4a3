#include "bitmap/bmp_layout.h"

#include <cstdlib>
#include <limits>
#include <new>

namespace movrel {
namespace {

// Every size of a picture, the BMP file length included, stays a positive
// 32-bit number.
constexpr int64_t kMaxFileBytes = std::numeric_limits<int32_t>::max();

void PutU16(std::string* out, uint32_t value) {
  out->push_back(static_cast<char>(value & 0xFF));
  out->push_back(static_cast<char>((value >> 8) & 0xFF));
}

void PutU32(std::string* out, uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

uint32_t GetU16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t GetU32(const uint8_t* p) { return GetU16(p) | (GetU16(p + 2) << 16); }

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

int PaletteEntriesFor(const uint8_t* infoHeader) {
  return PaletteEntriesForDepth(static_cast<int>(GetU16(infoHeader + 14)));
}

int StrideFor(int bitsPerRow) { return ((bitsPerRow + 31) >> 5) << 2; }

std::string InfoHeaderToBytes(const BmpInfoHeader& header) {
  std::string out;
  out.reserve(kInfoHeaderBytes);
  PutU32(&out, header.size);
  PutU32(&out, static_cast<uint32_t>(header.width));
  PutU32(&out, static_cast<uint32_t>(header.height));
  PutU16(&out, header.planes);
  PutU16(&out, header.bitCount);
  PutU32(&out, header.compression);
  PutU32(&out, header.sizeImage);
  PutU32(&out, static_cast<uint32_t>(header.xPelsPerMeter));
  PutU32(&out, static_cast<uint32_t>(header.yPelsPerMeter));
  PutU32(&out, header.clrUsed);
  PutU32(&out, header.clrImportant);
  return out;
}

std::string FileHeaderToBytes(const BmpFileHeader& header) {
  std::string out;
  out.reserve(kFileHeaderBytes);
  PutU16(&out, header.type);
  PutU32(&out, header.size);
  PutU16(&out, header.reserved1);
  PutU16(&out, header.reserved2);
  PutU32(&out, header.offBits);
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

int ImageWidth(const std::string& image) {
  return image.size() < kInfoHeaderBytes ? 0 : static_cast<int32_t>(GetU32(Bytes(image) + 4));
}

int ImageHeight(const std::string& image) {
  return image.size() < kInfoHeaderBytes ? 0 : static_cast<int32_t>(GetU32(Bytes(image) + 8));
}

int ImageDepth(const std::string& image) {
  return image.size() < kInfoHeaderBytes ? 0 : static_cast<int>(GetU16(Bytes(image) + 14));
}

int ImageStride(const std::string& image) {
  if (image.size() < kInfoHeaderBytes) return 0;
  const int planes = static_cast<int>(GetU16(Bytes(image) + 12));
  return StrideFor(ImageWidth(image) * planes * ImageDepth(image));
}

int ImagePaletteBytes(const std::string& image) {
  return image.size() < kInfoHeaderBytes ? 0 : 4 * PaletteEntriesFor(Bytes(image));
}

int ImagePixelOffset(const std::string& image) {
  return image.size() < kInfoHeaderBytes ? 0 : kInfoHeaderBytes + ImagePaletteBytes(image);
}

int ImagePixelBytes(const std::string& image) { return ImageHeight(image) * ImageStride(image); }

std::string BmpFileFromImage(const std::string& image) {
  BmpFileHeader header;
  header.size = static_cast<uint32_t>(kFileHeaderBytes + image.size());
  header.offBits = static_cast<uint32_t>(kFileHeaderBytes + kInfoHeaderBytes + ImagePaletteBytes(image));
  std::string file = FileHeaderToBytes(header);
  file += image;
  return file;
}

bool IsLoadableBmpFile(const std::string& bytes) {
  const int64_t length = static_cast<int64_t>(bytes.size());
  constexpr int kCoreHeaderBytes = 12;
  if (length < kFileHeaderBytes + kCoreHeaderBytes || bytes[0] != 'B' || bytes[1] != 'M') return false;
  const uint8_t* p = Bytes(bytes);
  const uint32_t headerBytes = GetU32(p + 14);
  switch (headerBytes) {
    case 12:   // BITMAPCOREHEADER
    case 40:   // BITMAPINFOHEADER
    case 52:   // with RGB masks
    case 56:   // with RGBA masks
    case 108:  // BITMAPV4HEADER
    case 124:  // BITMAPV5HEADER
      break;
    default:
      return false;
  }
  if (length < kFileHeaderBytes + int64_t{headerBytes}) return false;

  int64_t width, height;
  uint32_t planes, depth, compression = 0, coloursUsed = 0;
  int entryBytes = 4;
  if (headerBytes == kCoreHeaderBytes) {
    width = GetU16(p + 18);
    height = GetU16(p + 20);
    planes = GetU16(p + 22);
    depth = GetU16(p + 24);
    entryBytes = 3;
  } else {
    width = static_cast<int32_t>(GetU32(p + 18));
    height = static_cast<int32_t>(GetU32(p + 22));
    planes = GetU16(p + 26);
    depth = GetU16(p + 28);
    compression = GetU32(p + 30);
    coloursUsed = GetU32(p + 46);
  }
  const bool topDown = height < 0;
  height = std::llabs(height);
  if (width < 1 || height < 1 || planes != 1 || !IsSupportedDepth(static_cast<int>(depth))) return false;
  // The loader makes a bitmap of the display's depth, up to 4 bytes a pixel.
  if (width * height > kMaxFileBytes / 4) return false;

  constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3;
  int64_t maskBytes = 0;
  switch (compression) {
    case kRgb:
      break;
    case kRle8:
    case kRle4:
      // Run-length pictures are bottom-up only, at their own depth.
      if (topDown || depth != (compression == kRle8 ? 8u : 4u)) return false;
      break;
    case kBitFields:
      if (depth != 16 && depth != 32) return false;
      if (headerBytes == kInfoHeaderBytes) maskBytes = 12;
      break;
    default:
      return false;
  }

  int64_t entries = 0;
  if (depth <= 8) {
    const int64_t full = int64_t{1} << depth;
    entries = (coloursUsed == 0 || coloursUsed > full) ? full : coloursUsed;
  }
  const int64_t tableEnd = kFileHeaderBytes + headerBytes + maskBytes + entries * entryBytes;
  if (tableEnd > length) return false;

  int64_t pixelStart = GetU32(p + 10);
  if (pixelStart == 0) pixelStart = tableEnd;
  if (pixelStart < kFileHeaderBytes + int64_t{headerBytes} || pixelStart >= length) return false;
  if (compression == kRle8 || compression == kRle4) return true;
  const int64_t pixelBytes = (((width * depth + 31) >> 5) << 2) * height;
  return pixelBytes <= length - pixelStart;
}

}  // namespace movrel
