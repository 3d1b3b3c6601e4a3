#include "record/icon_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace movrel {
namespace {

void Set32(std::string* b, size_t at, uint32_t v) { std::memcpy(&(*b)[at], &v, 4); }
void Set16(std::string* b, size_t at, uint16_t v) { std::memcpy(&(*b)[at], &v, 2); }

// The file's bytes are checked by Pillow and ImageMagick; here, that the
// reader finds its one image and hotspot.
TEST(DefaultCursor, ReadsAsOne32x32CursorWithHotspot2_4) {
  const std::optional<IconFileImage> image = ParseIconFile(DefaultCursorBytes());
  ASSERT_TRUE(image);
  EXPECT_EQ(DefaultCursorBytes().size(), 766u);
  EXPECT_EQ(image->fileType, kCursorFileType);
  EXPECT_EQ(image->width, 32);
  EXPECT_EQ(image->height, 32);
  EXPECT_EQ(image->hotspotX, 2);
  EXPECT_EQ(image->hotspotY, 4);
  EXPECT_EQ(image->offset, 22u);
  EXPECT_EQ(image->size, 744u);
}

// A two-image icon file: an 8 x 8 and a 16 x 16 picture at 32 bits.
std::string TwoImageIcon() {
  auto image = [](int side) {
    std::string d(40, '\0');
    Set32(&d, 0, 40);
    Set32(&d, 4, side);
    Set32(&d, 8, 2 * side);
    Set16(&d, 12, 1);
    Set16(&d, 14, 32);
    d += std::string(side * side * 4, '\x7f');  // colour rows
    d += std::string(side * 4, '\0');           // mask rows (4-byte aligned)
    return d;
  };
  const std::string small = image(8), large = image(16);
  std::string b(6 + 32, '\0');
  Set16(&b, 2, 1);
  Set16(&b, 4, 2);
  b[6] = 8;
  b[7] = 8;
  Set32(&b, 6 + 8, small.size());
  Set32(&b, 6 + 12, 38);
  b[22] = 16;
  b[23] = 16;
  Set32(&b, 22 + 8, large.size());
  Set32(&b, 22 + 12, 38 + small.size());
  return b + small + large;
}

TEST(ParseIconFile, ChoosesTheLargestImage) {
  const std::optional<IconFileImage> image = ParseIconFile(TwoImageIcon());
  ASSERT_TRUE(image);
  EXPECT_EQ(image->fileType, kIconFileType);
  EXPECT_EQ(image->width, 16);
  EXPECT_EQ(image->height, 16);
  EXPECT_EQ(image->hotspotX, 0);  // icons have none
}

TEST(ParseIconFile, AcceptsAPngImage) {
  std::string png = "\x89PNG\r\n\x1a\n" + std::string("\0\0\0\x0dIHDR", 8) + std::string("\0\0\0\x30\0\0\0\x18", 8);
  png += std::string(20, '\0');
  std::string b(22, '\0');
  Set16(&b, 2, 1);
  Set16(&b, 4, 1);
  Set32(&b, 14, png.size());
  Set32(&b, 18, 22);
  const std::optional<IconFileImage> image = ParseIconFile(b + png);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->width, 48);
  EXPECT_EQ(image->height, 24);
}

TEST(ParseIconFile, RefusesDamagedFiles) {
  using Edit = std::function<void(std::string*)>;
  const std::pair<const char*, Edit> cases[] = {
      {"empty", [](std::string* b) { b->clear(); }},
      {"cut inside the directory", [](std::string* b) { b->resize(5); }},
      {"cut inside the entry", [](std::string* b) { b->resize(20); }},
      {"cut inside the image", [](std::string* b) { b->resize(b->size() - 1); }},
      {"reserved word set", [](std::string* b) { Set16(b, 0, 1); }},
      {"unknown type", [](std::string* b) { Set16(b, 2, 3); }},
      {"no images", [](std::string* b) { Set16(b, 4, 0); }},
      {"more entries than bytes", [](std::string* b) { Set16(b, 4, 60); }},
      {"offset past the end", [](std::string* b) { Set32(b, 18, 5000); }},
      {"size past the end", [](std::string* b) { Set32(b, 14, 745); }},
      {"offset and size wrap around", [](std::string* b) { Set32(b, 18, 0xFFFFFFF0u); }},
      {"image is neither header nor PNG", [](std::string* b) { Set32(b, 22, 12); }},
      {"zero width", [](std::string* b) { Set32(b, 26, 0); }},
      {"wider than 256", [](std::string* b) { Set32(b, 26, 257); }},
      {"negative height", [](std::string* b) { Set32(b, 30, 0xFFFFFFC0u); }},
      {"rows beyond the image", [](std::string* b) { Set32(b, 30, 66); }},
      {"odd bit count", [](std::string* b) { Set16(b, 36, 3); }},
      {"compressed", [](std::string* b) { Set32(b, 38, 1); }},
      {"more colours than 4 bits hold", [](std::string* b) { Set32(b, 54, 17); }},
  };
  for (const auto& [what, edit] : cases) {
    std::string b = DefaultCursorBytes();
    edit(&b);
    EXPECT_FALSE(ParseIconFile(b)) << what;
  }
  EXPECT_FALSE(ParseIconFile("BM\x36\0\0\0"));
  EXPECT_FALSE(ParseIconFile(std::string(6, '\0')));
}

}  // namespace
}  // namespace movrel
