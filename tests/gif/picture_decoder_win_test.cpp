// The OLE picture loader against the codec's own BMP decoder, and JPEG and
// GIF pictures, which only the Windows build reads.
#include <windows.h>

#include <gtest/gtest.h>

#include "gif/bmp_decoder.h"
#include "gif/byte_sink.h"
#include "gif/gif_maker.h"
#include "gif/picture_decoder.h"
#include "maker_test_support.h"

namespace movrel {
namespace {

using test::BmpHeader;
using test::BmpKind;
using test::Picture;
using test::Rgb;

const std::string kDataFolder = std::string(MOVREL_SOURCE_DIR) + "/tests/gif/data/";

bool SamePixels(const WorkingImage& a, const WorkingImage& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y) {
    if (!std::equal(a.StoredRow(y), a.StoredRow(y) + 3 * a.width(), b.StoredRow(y))) return false;
  }
  return true;
}

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

TEST(PictureDecoderWin, OleLoaderAndOwnDecoderGiveTheSamePixels) {
  const BmpKind kinds[] = {
      Kind(1, false),  Kind(1, true),  Kind(4, false),  Kind(4, true), Kind(8, false), Kind(8, true),
      Kind(8, false, BmpHeader::kCore12), Kind(16, false), Kind(16, true),
      Kind(16, false, BmpHeader::kInfo40, 0xF800, 0x07E0, 0x001F), Kind(24, false), Kind(24, true),
      Kind(24, false, BmpHeader::kV5), Kind(32, false), Kind(32, true),
  };
  for (const BmpKind& kind : kinds) {
    SCOPED_TRACE(testing::Message() << kind.bitsPerPixel << " bits, top-down " << kind.topDown);
    for (int width : {1, 13, 57}) {
      Picture p(width, 7);
      for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < width; ++x) {
          unsigned v = static_cast<unsigned>(x * 5 + y * 11);
          unsigned colors = kind.bitsPerPixel <= 8 ? (1u << kind.bitsPerPixel) : 256u;
          unsigned i = v % colors;
          if (kind.bitsPerPixel == 16) i = i / 8 * 8;  // channel values a 5-bit field keeps
          p.At(x, y) = Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2 * 2)};
        }
      }
      if (kind.bitsPerPixel == 16) {
        for (Rgb& c : p.pixels) c = Rgb{static_cast<uint8_t>(c.r | c.r >> 5), static_cast<uint8_t>(c.g & 0xF8), 0};
      }
      std::string bmp = test::MakeBmp(p, kind);
      const uint8_t* data = reinterpret_cast<const uint8_t*>(bmp.data());
      WorkingImage own, ole;
      ASSERT_TRUE(DecodeBmp(data, bmp.size(), &own));
      ASSERT_TRUE(DecodePicture(data, bmp.size(), &ole)) << "width " << width;
      EXPECT_TRUE(SamePixels(own, ole)) << "width " << width;
    }
  }
}

TEST(PictureDecoderWin, NonPicturesAreRefused) {
  std::string junk(200, 'j');
  WorkingImage image;
  EXPECT_FALSE(DecodePicture(reinterpret_cast<const uint8_t*>(junk.data()), junk.size(), &image));
  std::string bmp = test::MakeBmp(Picture(8, 8, Rgb{1, 2, 3}));
  bmp.resize(60);
  EXPECT_FALSE(DecodePicture(reinterpret_cast<const uint8_t*>(bmp.data()), bmp.size(), &image));
  EXPECT_FALSE(DecodePicture(nullptr, 0, &image));
}

TEST(PictureDecoderWin, JpegAsBytesAndAsFileGiveTheSameFrame) {
  std::string path = kDataFolder + "photo.jpg";
  std::string bytes = ReadPictureFile(path);
  ASSERT_GT(bytes.size(), 54u);
  for (FramePalette palette : {FramePalette::kPopularity, FramePalette::kDitheredCube}) {
    GifMaker maker;
    maker.Create(AnimationSettings());
    ASSERT_TRUE(maker.AddFrame(FrameRecord(), path, std::string(), palette)) << maker.GetError();
    ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", bytes, palette)) << maker.GetError();
    EXPECT_EQ(maker.Frame(0)->width(), 48);
    EXPECT_EQ(maker.Frame(0)->height(), 32);
    EXPECT_EQ(maker.Frame(0)->block(), maker.Frame(1)->block());
  }
}

TEST(PictureDecoderWin, GifPicturesAreRead) {
  // A GIF the maker wrote is a picture for the next composition.
  GifMaker first;
  first.Create(AnimationSettings());
  Picture p(9, 4);
  for (int x = 0; x < 9; ++x) p.At(x, 1) = Rgb{240, 16, 32};
  ASSERT_TRUE(first.AddFrame(FrameRecord(), "", test::MakeBmp(p)));
  MemorySink gif;
  ASSERT_TRUE(first.WriteGif(gif));

  GifMaker second;
  second.Create(AnimationSettings());
  ASSERT_TRUE(second.AddFrame(FrameRecord(), "", gif.bytes())) << second.GetError();
  EXPECT_EQ(second.Frame(0)->block(), first.Frame(0)->block());
}

}  // namespace
}  // namespace movrel
