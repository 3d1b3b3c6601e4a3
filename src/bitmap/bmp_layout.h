// Byte layout of the pictures that a BitmapSurface holds: the packed DIB
// image (40-byte info header, colour table, pixel rows bottom row first) and
// the BMP file around it, and the program's one reading of BMP headers. No
// platform code, so the arithmetic is tested natively; the GDI side only
// creates sections from these bytes.
#pragma once

#include <cstddef>
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

// Fields of a packed DIB image, read by ReadPackedDib; 0 for bytes that are
// no readable image.
int ImageWidth(const std::string& image);
int ImageHeight(const std::string& image);
int ImageDepth(const std::string& image);
int ImageStride(const std::string& image);        // StrideFor(width x depth)
int ImagePaletteBytes(const std::string& image);  // 4 x colour-table entries
int ImagePixelOffset(const std::string& image);   // 40 + colour table
int ImagePixelBytes(const std::string& image);    // height x stride

// The BMP file of a packed DIB image: "BM", the file length, four zero bytes,
// the offset of the pixel rows, then the image unchanged. An empty image
// gives the bare 14-byte file header with length 14 and offset 54.
std::string BmpFileFromImage(const std::string& image);

// ---- reading ---------------------------------------------------------------
//
// The one reading of BMP headers that every part of the program asks. A file
// passes when the system's loader would load it and can be handed it safely:
// the signature, a header of 12 (core), 40, 52, 56, 108 or 124 bytes, a width
// and height of 1 or more whose picture at 4 bytes a pixel stays within 32
// bits, one plane, a depth of 1, 4, 8, 16, 24 or 32 bits, a compression that
// fits the depth (run-length only bottom-up at 8 or 4 bits, bit fields only
// at 16 or 32), a colour table inside the bytes, a pixel offset after the
// header (0: right behind the colour table) and, for rows that are not
// run-length, every row with its padding inside the bytes.

constexpr uint32_t kBmpRgb = 0;
constexpr uint32_t kBmpRle8 = 1;
constexpr uint32_t kBmpRle4 = 2;
constexpr uint32_t kBmpBitFields = 3;

enum class BmpVerdict {
  kNotBmp,     // does not start like a BMP file
  kReadable,   // sound, with plain or bit-field rows that the layout locates
  kOtherKind,  // sound, with run-length rows: only a decoder of those knows
               // their length
  kBroken,     // starts like a BMP file but does not pass
};

// What the headers of a readable picture say. Offsets count from the start
// of the bytes read.
struct BmpFileLayout {
  uint32_t headerBytes = 0;  // 12 for the core header
  int width = 0;
  int height = 0;  // rows, whatever their order
  bool topDown = false;
  int depth = 0;  // bits per pixel
  uint32_t compression = kBmpRgb;
  // Red, green and blue of 16- and 32-bit pixels: the file's bit fields, or
  // 5-5-5 and 8-8-8 for plain rows.
  uint32_t masks[3] = {0, 0, 0};
  size_t tableOffset = 0;
  int tableEntries = 0;     // 1 to 2^depth at 8 bits or fewer, else 0
  int tableEntryBytes = 4;  // blue, green, red (and 0); 3 after a core header
  size_t tableEnd = 0;      // behind the header, bit fields and colour table
  size_t pixelOffset = 0;
  size_t strideBytes = 0;  // of plain and bit-field rows
  size_t pixelBytes = 0;   // height x stride; 0 for run-length rows
};

// Reads the headers of a BMP file; `layout` is filled for kReadable and
// kOtherKind only.
BmpVerdict ReadBmpFile(const uint8_t* data, size_t size, BmpFileLayout* layout);
BmpVerdict ReadBmpFile(const std::string& bytes, BmpFileLayout* layout);

// The same for a packed DIB image (a file without its 14-byte file header,
// the rows right behind the colour table).
BmpVerdict ReadPackedDib(const std::string& image, BmpFileLayout* layout);

// A file that passes, with rows of any kind; fills `layout` when given.
bool IsLoadableBmpFile(const std::string& bytes, BmpFileLayout* layout = nullptr);

}  // namespace movrel
