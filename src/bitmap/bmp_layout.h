// Byte layout of the pictures that a BitmapSurface holds: the packed DIB
// image (40-byte info header, colour table, pixel rows bottom row first) and
// the BMP file around it. No platform code, so the arithmetic is tested
// natively; the GDI side only creates sections from these bytes.
#pragma once

#include <cstdint>
#include <string>

namespace movrel {

constexpr int kFileHeaderBytes = 14;
constexpr int kInfoHeaderBytes = 40;

// The 40-byte BITMAPINFOHEADER as a plain record.
struct BmpInfoHeader {
  uint32_t size = kInfoHeaderBytes;
  int32_t width = 0;
  int32_t height = 0;  // positive: rows run bottom-up
  uint16_t planes = 1;
  uint16_t bitCount = 0;
  uint32_t compression = 0;  // BI_RGB
  uint32_t sizeImage = 0;
  int32_t xPelsPerMeter = 0;
  int32_t yPelsPerMeter = 0;
  uint32_t clrUsed = 0;
  uint32_t clrImportant = 0;
};

// The 14-byte BITMAPFILEHEADER as a plain record.
struct BmpFileHeader {
  uint16_t type = 0x4D42;  // "BM"
  uint32_t size = 0;
  uint16_t reserved1 = 0;
  uint16_t reserved2 = 0;
  uint32_t offBits = 0;
};

// 1, 4, 8, 16 (5-5-5), 24 and 32 bits per pixel.
bool IsSupportedDepth(int depth);

// Colour-table entries for a depth: 2, 16 or 256 for 1, 4 or 8 bits, else 0.
int PaletteEntriesForDepth(int depth);

// The same, read from the 16-bit bit count at offset 14 of a 40-byte info
// header.
int PaletteEntriesFor(const uint8_t* infoHeader);

// Bytes per pixel row: rows are padded to a multiple of 4 bytes.
int StrideFor(int bitsPerRow);

std::string InfoHeaderToBytes(const BmpInfoHeader& header);
std::string FileHeaderToBytes(const BmpFileHeader& header);

// The fixed colour tables (4-byte entries blue, green, red, 0) used for 1-,
// 4- and 8-bit pictures; an empty string for the other depths.
const std::string& FixedPalette(int depth);

// Fills `image` with a blank packed DIB image: the header, `colourTable`
// (which must hold exactly the depth's entries) and zeroed pixel rows. False,
// leaving `image` as it was, for an unsupported depth, a colour table of the
// wrong size, a width or height below 1, or a picture too large to address
// in 32 bits.
bool BuildImageBytes(int width, int height, int depth, const std::string& colourTable, std::string* image);

// The same with the fixed colour table of the depth.
bool BuildImageBytes(int width, int height, int depth, std::string* image);

// Fields of a packed DIB image; 0 for an image shorter than its header.
int ImageWidth(const std::string& image);
int ImageHeight(const std::string& image);
int ImageDepth(const std::string& image);
int ImageStride(const std::string& image);        // StrideFor(width x planes x depth)
int ImagePaletteBytes(const std::string& image);  // 4 x colour-table entries
int ImagePixelOffset(const std::string& image);   // 40 + colour table
int ImagePixelBytes(const std::string& image);    // height x stride

// The BMP file of a packed DIB image: "BM", the file length, four zero bytes,
// the offset of the pixel rows, then the image unchanged. An empty image
// gives the bare 14-byte file header with length 14 and offset 54.
std::string BmpFileFromImage(const std::string& image);

// True when `bytes` are a BMP file that the system loader can be handed
// safely: the signature, a known info-header size, a width and height of 1
// or more within 32-bit limits, one plane, a depth of 1, 4, 8, 16, 24 or 32
// bits, a compression that fits the depth, and a colour table and (for
// uncompressed pictures) pixel rows that lie inside the bytes.
bool IsLoadableBmpFile(const std::string& bytes);

}  // namespace movrel
