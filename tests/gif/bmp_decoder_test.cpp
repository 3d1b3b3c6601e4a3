#include "gif/bmp_decoder.h"

#include <gtest/gtest.h>

#include "gif/codec_failure.h"
#include "maker_test_support.h"

namespace movrel {
namespace {

using test::BmpHeader;
using test::BmpKind;
using test::MakeBmp;
using test::Picture;
using test::Rgb;

bool Decode(const std::string& bmp, WorkingImage* image) {
  return DecodeBmp(reinterpret_cast<const uint8_t*>(bmp.data()), bmp.size(), image);
}

// A picture whose colours survive the given depth unchanged: few enough for
// a colour table, or channel values that a 5- or 6-bit field widens back.
Picture PictureFor(int bitsPerPixel, int width, int height, bool sixBitGreen = false) {
  Picture p(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      unsigned v = static_cast<unsigned>(x * 7 + y * 13);
      Rgb c;
      switch (bitsPerPixel) {
        case 1: c = (v % 2) ? Rgb{255, 200, 0} : Rgb{10, 20, 30}; break;
        case 4: c = Rgb{static_cast<uint8_t>(v % 16 * 16), static_cast<uint8_t>(255 - v % 16), 77}; break;
        case 8: c = Rgb{static_cast<uint8_t>(v % 200), static_cast<uint8_t>(v % 200 / 2), 5}; break;
        case 16: {
          auto five = [](unsigned f) { return static_cast<uint8_t>((f & 31) << 3 | (f & 31) >> 2); };
          auto six = [](unsigned f) { return static_cast<uint8_t>((f & 63) << 2 | (f & 63) >> 4); };
          c = Rgb{five(v), sixBitGreen ? six(v / 3) : five(v / 3), five(v / 7 + 11)};
          break;
        }
        default: c = Rgb{static_cast<uint8_t>(v), static_cast<uint8_t>(v * 3), static_cast<uint8_t>(255 - v)};
      }
      p.At(x, y) = c;
    }
  }
  return p;
}

void ExpectPixels(const Picture& p, const WorkingImage& image) {
  ASSERT_EQ(image.width(), p.width);
  ASSERT_EQ(image.height(), p.height);
  for (int y = 0; y < p.height; ++y) {
    // Stored row 0 is the bottom row.
    const uint8_t* row = image.StoredRow(p.height - 1 - y);
    for (int x = 0; x < p.width; ++x) {
      Rgb got{row[3 * x + 2], row[3 * x + 1], row[3 * x]};
      ASSERT_EQ(got, p.At(x, y)) << "pixel " << x << "," << y;
    }
  }
}

struct KindCase {
  const char* name;
  BmpKind kind;
};

BmpKind Kind(int bpp, bool topDown, BmpHeader header = BmpHeader::kInfo40, uint32_t r = 0, uint32_t g = 0,
             uint32_t b = 0) {
  BmpKind k;
  k.bitsPerPixel = bpp;
  k.topDown = topDown;
  k.header = header;
  k.masks[0] = r;
  k.masks[1] = g;
  k.masks[2] = b;
  return k;
}

TEST(BmpDecoder, EveryDepthHeaderAndRowOrder) {
  const KindCase cases[] = {
      {"1 bit", Kind(1, false)},
      {"1 bit top-down", Kind(1, true)},
      {"4 bits", Kind(4, false)},
      {"4 bits top-down", Kind(4, true)},
      {"8 bits", Kind(8, false)},
      {"8 bits top-down", Kind(8, true)},
      {"8 bits core header", Kind(8, false, BmpHeader::kCore12)},
      {"16 bits 5-5-5", Kind(16, false)},
      {"16 bits top-down", Kind(16, true)},
      {"16 bits 5-6-5 fields", Kind(16, false, BmpHeader::kInfo40, 0xF800, 0x07E0, 0x001F)},
      {"24 bits", Kind(24, false)},
      {"24 bits top-down", Kind(24, true)},
      {"24 bits core header", Kind(24, false, BmpHeader::kCore12)},
      {"24 bits V4 header", Kind(24, false, BmpHeader::kV4)},
      {"24 bits V5 header top-down", Kind(24, true, BmpHeader::kV5)},
      {"32 bits", Kind(32, false)},
      {"32 bits top-down", Kind(32, true)},
      {"32 bits RGBA fields", Kind(32, false, BmpHeader::kInfo40, 0xFF000000, 0x00FF0000, 0x0000FF00)},
      {"32 bits V5 fields", Kind(32, true, BmpHeader::kV5, 0x000000FF, 0x0000FF00, 0x00FF0000)},
  };
  for (const KindCase& c : cases) {
    SCOPED_TRACE(c.name);
    // Odd widths need row padding at every depth.
    for (int width : {1, 13, 33}) {
      bool sixBitGreen = c.kind.bitsPerPixel == 16 && c.kind.masks[1] == 0x07E0;
      Picture p = PictureFor(c.kind.bitsPerPixel, width, 5, sixBitGreen);
      WorkingImage image;
      ASSERT_TRUE(Decode(MakeBmp(p, c.kind), &image)) << "width " << width;
      ExpectPixels(p, image);
    }
  }
}

TEST(BmpDecoder, SmallBitFieldsAreWidenedToFullRange) {
  // 2-bit channels: 3 must become 255 and 1 must become 85.
  Picture p(2, 1);
  p.At(0, 0) = Rgb{255, 0, 255};
  p.At(1, 0) = Rgb{85, 170, 0};
  WorkingImage image;
  ASSERT_TRUE(Decode(MakeBmp(p, Kind(16, false, BmpHeader::kInfo40, 0x30, 0x0C, 0x03)), &image));
  ExpectPixels(p, image);
}

void Set32(std::string* s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}

// The headers' rules are ReadBmpFile's and tested with it; here what the
// decoder adds: its side limit, run-length rows it does not read, and an
// image left as it was.
TEST(BmpDecoder, RefusedFilesLeaveTheImageAlone) {
  const std::string good = MakeBmp(PictureFor(24, 4, 4));
  std::string runLength = MakeBmp(PictureFor(8, 4, 4), Kind(8, false));
  Set32(&runLength, 30, 1);
  // Complete rows, but wider than a frame can be.
  const std::string tooWide = MakeBmp(Picture(kMaxPictureSide + 1, 1));
  auto verdict = [](const std::string& s) {
    return InspectBmp(reinterpret_cast<const uint8_t*>(s.data()), s.size());
  };
  EXPECT_EQ(verdict(good), BmpVerdict::kReadable);
  EXPECT_EQ(verdict(runLength), BmpVerdict::kOtherKind);  // for the platform's loader
  EXPECT_EQ(verdict(tooWide), BmpVerdict::kBroken);
  EXPECT_EQ(verdict(std::string("\xFF\xD8\xFF\xE0 a JPEG")), BmpVerdict::kNotBmp);

  for (const std::string& bytes : {runLength, tooWide, good.substr(0, good.size() - 5), std::string("BM")}) {
    WorkingImage image;
    image.Allocate(2, 2);
    EXPECT_FALSE(Decode(bytes, &image));
    EXPECT_EQ(image.width(), 2);
  }
  EXPECT_FALSE(DecodeBmp(nullptr, 100, nullptr));
}

TEST(BmpDecoder, ShortColourTableGivesBlackForIndicesPastItsEnd) {
  Picture p(3, 1);
  p.At(0, 0) = Rgb{9, 8, 7};
  p.At(1, 0) = Rgb{1, 2, 3};
  p.At(2, 0) = Rgb{1, 2, 3};
  std::string bmp = MakeBmp(p, Kind(8, false));  // a table of 2 entries
  bmp[bmp.size() - 4 + 2] = 5;                      // third pixel: index 5
  WorkingImage image;
  ASSERT_TRUE(Decode(bmp, &image));
  const uint8_t* row = image.StoredRow(0);
  EXPECT_EQ(row[6] | row[7] | row[8], 0);
  EXPECT_EQ(row[2], 9);
}

}  // namespace
}  // namespace movrel
