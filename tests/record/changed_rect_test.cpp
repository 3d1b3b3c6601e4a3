#include "record/changed_rect.h"

#include <gtest/gtest.h>

#include "bitmap/bmp_layout.h"

namespace movrel {
namespace {

// A BMP file of the depth, all black, with a setter for single pixels
// (x, y from the top row).
class TestPicture {
 public:
  TestPicture(int width, int height, int depth) : width_(width), height_(height), depth_(depth) {
    EXPECT_TRUE(BuildImageBytes(width, height, depth, &image_));
    // A colour-table entry that is not black, for the indexed depths.
    const std::string& table = FixedPalette(depth);
    for (size_t i = 0; i < table.size() / 4; ++i) {
      if (table[i * 4] || table[i * 4 + 1] || table[i * 4 + 2]) {
        colourIndex_ = static_cast<int>(i);
        break;
      }
    }
  }
  void Set(int x, int y) {
    const int stride = ImageStride(image_);
    const size_t row = static_cast<size_t>(ImagePixelOffset(image_)) + static_cast<size_t>(height_ - 1 - y) * stride;
    uint8_t* p = reinterpret_cast<uint8_t*>(&image_[row]);
    switch (depth_) {
      case 32: p[x * 4 + 2] = 0x01; break;  // red only
      case 24: p[x * 3] = 0x80; break;      // blue only
      case 16: p[x * 2 + 1] = 0x04; break;  // the lowest bit of 5-5-5 red
      case 8: p[x] = static_cast<uint8_t>(colourIndex_); break;
      case 4: p[x / 2] |= static_cast<uint8_t>(colourIndex_ << (x % 2 ? 0 : 4)); break;
      case 1: p[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8)); break;
    }
  }
  std::string Bytes() const { return BmpFileFromImage(image_); }

 private:
  int width_, height_, depth_;
  int colourIndex_ = 1;
  std::string image_;
};

ChangedRect Scan(const TestPicture& picture, int step = 1) {
  ChangedRect r{-1, -1, -1, -1};
  EXPECT_EQ(FindChangedRect(picture.Bytes(), step, &r), ChangeScan::kChanged);
  return r;
}

void ExpectRect(const ChangedRect& r, int left, int top, int right, int bottom) {
  EXPECT_EQ(r.left, left);
  EXPECT_EQ(r.top, top);
  EXPECT_EQ(r.right, right);
  EXPECT_EQ(r.bottom, bottom);
}

TEST(FindChangedRectTest, TightRectangleAtEveryDepth) {
  for (int depth : {1, 4, 8, 16, 24, 32}) {
    SCOPED_TRACE(depth);
    {
      TestPicture one(37, 23, depth);  // odd sizes: padded rows
      one.Set(9, 14);
      ChangedRect r = Scan(one);
      ExpectRect(r, 9, 14, 9, 14);
      EXPECT_EQ(r.Width(), 1);
      EXPECT_EQ(r.Height(), 1);
    }
    {
      TestPicture spread(37, 23, depth);
      spread.Set(5, 20);
      spread.Set(30, 2);
      spread.Set(12, 11);
      ExpectRect(Scan(spread), 5, 2, 30, 20);
    }
    {
      TestPicture corner(37, 23, depth);
      corner.Set(36, 22);  // last column and last row
      ExpectRect(Scan(corner), 36, 22, 36, 22);
    }
    {
      TestPicture edges(37, 23, depth);
      edges.Set(0, 0);
      edges.Set(36, 22);
      ExpectRect(Scan(edges), 0, 0, 36, 22);
    }
    ChangedRect unused;
    EXPECT_EQ(FindChangedRect(TestPicture(37, 23, depth).Bytes(), 1, &unused), ChangeScan::kUnchanged);
  }
}

TEST(FindChangedRectTest, StepSamplesRowsAndColumns) {
  TestPicture picture(40, 40, 24);
  picture.Set(4, 6);
  picture.Set(10, 12);
  ExpectRect(Scan(picture, 2), 4, 6, 10, 12);  // all on even rows and columns
  ExpectRect(Scan(picture, 0), 4, 6, 10, 12);  // below 1 counts as 1
  TestPicture odd(40, 40, 24);
  odd.Set(5, 5);  // never sampled with step 2
  ChangedRect r;
  EXPECT_EQ(FindChangedRect(odd.Bytes(), 2, &r), ChangeScan::kUnchanged);
  odd.Set(8, 20);
  ExpectRect(Scan(odd, 2), 8, 20, 8, 20);
}

TEST(FindChangedRectTest, TopDownRowsAndMaskedPixels) {
  TestPicture picture(8, 6, 24);
  picture.Set(2, 1);
  std::string bytes = picture.Bytes();
  // The same rows read top-down put the pixel at the mirrored row.
  int32_t negative = -6;
  memcpy(&bytes[22], &negative, 4);
  ChangedRect r;
  ASSERT_EQ(FindChangedRect(bytes, 1, &r), ChangeScan::kChanged);
  ExpectRect(r, 2, 4, 2, 4);
  // 32-bit pixels whose only non-zero byte is the unused fourth one are black.
  TestPicture x32(4, 4, 32);
  std::string b32 = x32.Bytes();
  b32[b32.size() - 1] = static_cast<char>(0xFF);
  EXPECT_EQ(FindChangedRect(b32, 1, &r), ChangeScan::kUnchanged);
}

// Which bytes are a picture is ReadBmpFile's rule, tested with it; the scan
// adds that run-length rows have no pixels to scan.
TEST(FindChangedRectTest, MalformedBytesAreUnreadable) {
  std::string good = [] {
    TestPicture p(16, 16, 8);
    p.Set(1, 1);
    return p.Bytes();
  }();
  std::string rle = good;
  rle[30] = 1;
  for (const std::string& bytes : {std::string(), std::string("BM"), good.substr(0, good.size() - 10), rle}) {
    ChangedRect r;
    EXPECT_EQ(FindChangedRect(bytes, 1, &r), ChangeScan::kUnreadable);
  }
}

}  // namespace
}  // namespace movrel
