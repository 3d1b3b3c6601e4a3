#include "bitmap/image_format.h"

#include <gtest/gtest.h>

namespace movrel {
namespace {

TEST(ImageFormat, NamesAreTrimmedOfSpacesOnly) {
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(TrimSpaces("  a b.png "), "a b.png");
  EXPECT_EQ(TrimSpaces("運 "), "運");
  EXPECT_EQ(TrimSpaces("\ta\t"), "\ta\t");
  EXPECT_EQ(EncoderClassIdText(0), "");
  EXPECT_EQ(EncoderClassIdText(6), "");
}

// Header and screen descriptor of a 1 x 1 GIF without a global colour table.
const std::string kHead = std::string("GIF89a\x01\0\x01\0\0\0\0", 13);
// Image descriptor with a 2-entry local table, code size 2, one data block.
const std::string kImage =
    std::string("\x2C\0\0\0\0\x01\0\x01\0\x80", 10) + std::string(6, '\0') + std::string("\x02\x02\x44\x01\0;", 6);

TEST(GifHasImageData, WalksToTheFirstImagesData) {
  struct Case {
    const char* what;
    std::string bytes;
    bool hasImage;
  };
  const std::string withTable = std::string("GIF87a\x01\0\x01\0\x81\0\0", 13) + std::string(12, '\x10');
  const std::string extension = std::string("\x21\xF9\x04\x01\x0A\0\0\0", 8);
  const Case cases[] = {
      {"image right after the header", kHead + kImage, true},
      {"global colour table of 4 entries", withTable + kImage, true},
      {"extension before the image", kHead + extension + kImage, true},
      {"image descriptor without data", kHead + std::string("\x2C\0\0\0\0\x1F\0\x11\0\0;", 11), false},
      {"empty first data block", kHead + kImage.substr(0, 16) + std::string("\x02\0;", 3), false},
      {"data block cut short", kHead + kImage.substr(0, 19), false},
      {"code size out of range", kHead + kImage.substr(0, 16) + std::string("\x0D\x01\x44\0;", 5), false},
      {"trailer only", kHead + ";", false},
      {"unterminated extension", kHead + extension.substr(0, 5), false},
      {"colour table past the end", withTable.substr(0, 20), false},
      {"not a GIF", "PNG" + kImage, false},
      {"empty", "", false},
  };
  for (const Case& c : cases) EXPECT_EQ(GifHasImageData(c.bytes), c.hasImage) << c.what;
}

}  // namespace
}  // namespace movrel
