#include "bitmap/bmp_layout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/temp_folder.h"
#include "test_pictures.h"

namespace movrel {
namespace {

uint32_t U32At(const std::string& s, size_t at) {
  const auto* p = reinterpret_cast<const uint8_t*>(s.data()) + at;
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void PutU32At(std::string* s, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

using test::PutPixel;
using test::Rgb;

Rgb PaletteEntry(int depth, int index) {
  const std::string& table = FixedPalette(depth);
  const auto* p = reinterpret_cast<const uint8_t*>(table.data()) + 4 * index;
  EXPECT_EQ(p[3], 0) << "entry " << index;
  return {p[2], p[1], p[0]};
}

std::string BlankBmp(int width, int height, int depth) {
  std::string image;
  EXPECT_TRUE(BuildImageBytes(width, height, depth, &image));
  return BmpFileFromImage(image);
}

TEST(BmpLayout, StridesSizesAndPixelOffsets) {
  struct Case {
    int width, height, depth, stride;
    size_t fileBytes;
    uint32_t pixelOffset;
  };
  const Case cases[] = {
      {100, 100, 24, 300, 30054, 54}, {1, 1, 24, 4, 58, 54},    {33, 1, 1, 8, 70, 62}, {32, 1, 1, 4, 66, 62},
      {9, 3, 4, 8, 142, 118},         {5, 4, 8, 8, 1110, 1078}, {3, 1, 16, 8, 62, 54}, {2, 2, 32, 8, 70, 54},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << "x" << c.depth);
    EXPECT_EQ(StrideFor(c.width * c.depth), c.stride);
    std::string image;
    ASSERT_TRUE(BuildImageBytes(c.width, c.height, c.depth, &image));
    EXPECT_EQ(ImageStride(image), c.stride);
    const std::string file = BmpFileFromImage(image);
    EXPECT_EQ(file.size(), c.fileBytes);
    EXPECT_EQ(U32At(file, 2), c.fileBytes);
    EXPECT_EQ(U32At(file, 10), c.pixelOffset);
    EXPECT_TRUE(IsLoadableBmpFile(file));
  }
  // An empty image still gives a file header, and nothing that loads.
  EXPECT_EQ(BmpFileFromImage(""), std::string("BM\x0E\0\0\0\0\0\0\0\x36\0\0\0", 14));
  EXPECT_EQ(ImagePixelBytes(""), 0);
}

TEST(BmpLayout, BlankThreeByTwoFileBytes) {
  std::string image;
  ASSERT_TRUE(BuildImageBytes(3, 2, 24, &image));
  const std::string file = BmpFileFromImage(image);
  // The header bytes are the file format's contract.
  const unsigned char header[54] = {'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,         // file header
                                    40,  0,   0,  0, 3, 0, 0, 0, 2, 0, 0,  0, 1, 0, 24, 0,  // size, w, h, planes, bits
                                    0,   0,   0,  0, 0, 0, 0, 0, 0, 0, 0,  0, 0, 0, 0,  0, 0, 0, 0, 0, 0, 0, 0, 0};
  ASSERT_EQ(file.size(), 78u);
  EXPECT_EQ(file.substr(0, 54), std::string(reinterpret_cast<const char*>(header), 54));
  EXPECT_EQ(file.substr(54), std::string(24, '\0'));
}

TEST(BmpLayout, ColourTablesHoldTheFixedColours) {
  EXPECT_TRUE(FixedPalette(16).empty());
  EXPECT_TRUE(FixedPalette(24).empty());
  struct Entry {
    int depth, index;
    Rgb colour;
  };
  const Entry entries[] = {
      {1, 0, {0, 0, 0}},         {1, 1, {255, 255, 255}},   {4, 7, {128, 128, 128}},   {4, 8, {192, 192, 192}},
      {4, 9, {255, 0, 0}},       {4, 15, {255, 255, 255}},  {8, 0, {0, 0, 0}},         {8, 7, {192, 192, 192}},
      {8, 8, {192, 220, 192}},   {8, 9, {166, 202, 240}},   {8, 10, {64, 32, 0}},      {8, 63, {224, 224, 0}},
      {8, 64, {0, 0, 64}},       {8, 200, {0, 32, 192}},    {8, 245, {160, 192, 192}}, {8, 246, {255, 251, 240}},
      {8, 247, {160, 160, 164}}, {8, 248, {128, 128, 128}}, {8, 249, {255, 0, 0}},     {8, 255, {255, 255, 255}},
  };
  for (const Entry& e : entries) EXPECT_EQ(PaletteEntry(e.depth, e.index), e.colour) << e.depth << ":" << e.index;

  std::string image;
  ASSERT_TRUE(BuildImageBytes(2, 2, 8, &image));
  EXPECT_EQ(image.substr(40, 1024), FixedPalette(8));
  EXPECT_EQ(ImagePaletteBytes(image), 1024);
}

TEST(BmpLayout, BuildRefusesWhatCannotBeAPicture) {
  std::string image = "unchanged";
  for (int depth : {0, 2, 3, 12, 15, 33, 64, -8}) EXPECT_FALSE(BuildImageBytes(4, 4, depth, &image)) << depth;
  EXPECT_FALSE(BuildImageBytes(0, 4, 24, &image));
  EXPECT_FALSE(BuildImageBytes(4, 0, 24, &image));
  EXPECT_FALSE(BuildImageBytes(-5, 4, 24, &image));
  EXPECT_FALSE(BuildImageBytes(4, -5, 24, &image));
  EXPECT_FALSE(BuildImageBytes(65536, 65536, 32, &image));  // 16 GiB
  EXPECT_FALSE(BuildImageBytes(INT32_MAX, 1, 32, &image));
  EXPECT_FALSE(BuildImageBytes(4, 4, 8, FixedPalette(4), &image));  // table of the wrong size
  EXPECT_FALSE(BuildImageBytes(4, 4, 24, FixedPalette(1), &image));
  EXPECT_EQ(image, "unchanged");
}

// A valid 2 x 2 picture at the given depth, edited by each case below.
std::string SmallBmp(int depth) { return BlankBmp(2, 2, depth); }

TEST(BmpValidation, AcceptsWhatTheLoaderReads) {
  for (int depth : {1, 4, 8, 16, 24, 32}) EXPECT_TRUE(IsLoadableBmpFile(SmallBmp(depth))) << depth;

  std::string topDown = SmallBmp(24);
  PutU32At(&topDown, 22, static_cast<uint32_t>(-2));
  EXPECT_TRUE(IsLoadableBmpFile(topDown));

  // Trailing bytes behind the pixel rows are harmless.
  EXPECT_TRUE(IsLoadableBmpFile(SmallBmp(24) + "xx"));

  // A 12-byte core header: 2 x 1 pixels, 24 bits, 16-bit sides.
  std::string core("BM\0\0\0\0\0\0\0\0\x1A\0\0\0\x0C\0\0\0\x02\0\x01\0\x01\0\x18\0", 26);
  core += std::string(8, '\x7F');
  BmpFileLayout layout;
  ASSERT_EQ(ReadBmpFile(core, &layout), BmpVerdict::kReadable);
  EXPECT_EQ(layout.width, 2);
  EXPECT_EQ(layout.height, 1);
  EXPECT_EQ(layout.depth, 24);
  EXPECT_EQ(layout.pixelOffset, 26u);

  // A pixel offset of 0: the rows start right behind the colour table.
  std::string noOffset = SmallBmp(4);
  PutU32At(&noOffset, 10, 0);
  ASSERT_EQ(ReadBmpFile(noOffset, &layout), BmpVerdict::kReadable);
  EXPECT_EQ(layout.pixelOffset, 14u + 40 + 16 * 4);

  // Run-length 8-bit data: its length is not bound to the picture's size,
  // so only a decoder of such rows can tell whether they are whole.
  std::string rle = SmallBmp(8).substr(0, 1078) + std::string("\x02\x05\x00\x00\x02\x05\x00\x01", 8);
  PutU32At(&rle, 30, 1);
  EXPECT_TRUE(IsLoadableBmpFile(rle));
  EXPECT_EQ(ReadBmpFile(rle, &layout), BmpVerdict::kOtherKind);
}

TEST(BmpValidation, RefusesMalformedFiles) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  auto edited = [](int depth, size_t at, uint32_t value) {
    std::string b = SmallBmp(depth);
    PutU32At(&b, at, value);
    return b;
  };
  const std::string good24 = SmallBmp(24);
  std::string twoPlanes = good24;
  twoPlanes[26] = 2;
  std::string depth12 = good24;
  depth12[28] = 12;
  std::string rleTopDown = edited(8, 30, 1);
  PutU32At(&rleTopDown, 22, static_cast<uint32_t>(-2));
  const Case cases[] = {
      {"empty", ""},
      {"signature only", "BM"},
      {"file header only", good24.substr(0, 14)},
      {"wrong signature", "MB" + good24.substr(2)},
      {"unknown header size", edited(24, 14, 41)},
      {"header longer than the file", edited(24, 14, 124).substr(0, 100)},
      {"zero width", edited(24, 18, 0)},
      {"negative width", edited(24, 18, static_cast<uint32_t>(-2))},
      {"zero height", edited(24, 22, 0)},
      {"most negative height", edited(24, 22, 0x80000000u)},
      {"two planes", twoPlanes},
      {"12 bits per pixel", depth12},
      {"JPEG compression", edited(24, 30, 4)},
      {"run-length 8 at 24 bits", edited(24, 30, 1)},
      {"run-length 4 at 8 bits", edited(8, 30, 2)},
      {"top-down run-length", rleTopDown},
      {"bit fields at 24 bits", edited(24, 30, 3)},
      {"OS/2 2.x header", edited(24, 14, 64)},
      {"pixel rows cut short", good24.substr(0, good24.size() - 1)},  // the last row's padding
      {"run-length rows starting at the end", edited(8, 30, 1).substr(0, 1078)},
      {"colour table cut short", SmallBmp(8).substr(0, 600)},
      {"pixel offset past the end", edited(24, 10, 1000)},
      {"pixel offset inside the header", edited(24, 10, 20)},
      {"huge picture claimed", edited(24, 18, 100000).replace(22, 4, std::string("\xA0\x86\x01\x00", 4))},
  };
  BmpFileLayout layout;
  for (const Case& c : cases) {
    EXPECT_FALSE(IsLoadableBmpFile(c.bytes)) << c.what;
    // Only bytes that start like a BMP file are broken ones; anything else
    // may still be a picture of another format.
    const bool bmpSignature = c.bytes.compare(0, 2, "BM") == 0;
    EXPECT_EQ(ReadBmpFile(c.bytes, &layout), bmpSignature ? BmpVerdict::kBroken : BmpVerdict::kNotBmp) << c.what;
  }
}

// --- Independent decoding: the bytes are handed to Pillow. ----------------

bool HavePillow() { return std::system("/usr/bin/python3 -c 'import PIL' >/dev/null 2>&1") == 0; }

TEST(BmpLayout, PillowDecodesEveryDepth) {
  if (!HavePillow()) GTEST_SKIP() << "no /usr/bin/python3 with Pillow";
  const int width = 13, height = 5;  // odd sizes exercise the row padding
  test::TempFolder folder;
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    std::string image;
    ASSERT_TRUE(BuildImageBytes(width, height, depth, &image));
    std::ostringstream expected;
    expected << "size " << width << " " << height << " BMP " << (depth == 16 ? 1 : 0) << "\n";
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        Rgb colour;
        if (depth <= 8) {
          const int index = (x * 7 + y * 31) % (1 << depth);
          PutPixel(&image, x, y, static_cast<uint32_t>(index));
          colour = PaletteEntry(depth, index);
        } else if (depth == 16) {
          const int r = (x * 2) & 31, g = (y * 6) & 31, b = (x + y) & 31;
          PutPixel(&image, x, y, static_cast<uint32_t>((r << 10) | (g << 5) | b));
          // Decoders widen five bits to eight with slightly different rounding.
          colour = {r * 255 / 31, g * 255 / 31, b * 255 / 31};
        } else {
          colour = {x * 19, y * 50, 255 - x * 9};
          PutPixel(&image, x, y, static_cast<uint32_t>(colour.blue | (colour.green << 8) | (colour.red << 16)));
        }
        expected << x << " " << y << " " << colour.red << " " << colour.green << " " << colour.blue << "\n";
      }
    }
    // The script takes the names as the system has them.
    const std::string base = folder.Folder().Utf8() + "movrel_bmp_" + std::to_string(depth);
    std::ofstream(base + ".bmp", std::ios::binary) << BmpFileFromImage(image);
    std::ofstream(base + ".txt") << expected.str();
    const std::string command =
        "/usr/bin/python3 " MOVREL_SOURCE_DIR "/tests/bitmap/check_picture.py " + base + ".bmp " + base + ".txt";
    EXPECT_EQ(std::system(command.c_str()), 0) << "depth " << depth;
  }
}

}  // namespace
}  // namespace movrel
