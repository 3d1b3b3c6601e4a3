// Pictures with known pixels for the bitmap tests, written straight into the
// packed layout so that the code under test is not used to make them.
#pragma once

#include <cstdint>
#include <string>

#include "bitmap/bmp_layout.h"

namespace movrel {
namespace test {

struct Rgb {
  int red, green, blue;
  bool operator==(const Rgb& o) const { return red == o.red && green == o.green && blue == o.blue; }
};

inline uint32_t Colorref(const Rgb& c) { return static_cast<uint32_t>(c.red | (c.green << 8) | (c.blue << 16)); }

// Offset of the first byte of row y (counted from the top) in a packed image.
inline size_t RowOffset(const std::string& image, int y) {
  return ImagePixelOffset(image) + static_cast<size_t>(ImageHeight(image) - 1 - y) * ImageStride(image);
}

// Writes one pixel: a colour-table index below 16 bits per pixel, else the
// pixel's bytes in file order (blue first).
inline void PutPixel(std::string* image, int x, int y, uint32_t value) {
  const int depth = ImageDepth(*image);
  const size_t row = RowOffset(*image, y);
  if (depth < 8) {
    const size_t bit = static_cast<size_t>(x) * depth;
    uint8_t& byte = reinterpret_cast<uint8_t&>((*image)[row + bit / 8]);
    const int shift = 8 - depth - static_cast<int>(bit % 8);
    byte = static_cast<uint8_t>((byte & ~(((1 << depth) - 1) << shift)) | (value << shift));
    return;
  }
  for (int i = 0; i < depth / 8; ++i) {
    (*image)[row + static_cast<size_t>(x) * (depth / 8) + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
}

// The colour of a 24-bit pixel read from a packed image or BMP pixel rows.
inline Rgb Pixel24(const std::string& image, int x, int y) {
  const auto* p = reinterpret_cast<const uint8_t*>(image.data()) + RowOffset(image, y) + 3 * x;
  return {p[2], p[1], p[0]};
}

// A gradient in which every pixel differs from its neighbours.
inline Rgb GradientColour(int x, int y) { return {(x * 4) & 0xFF, (y * 3) & 0xFF, (x + y) * 7 & 0xFF}; }

// A 24-bit packed image filled with `colour(x, y)`.
template <typename ColourFn>
std::string Image24(int width, int height, ColourFn colour) {
  std::string image;
  BuildImageBytes(width, height, 24, &image);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const Rgb c = colour(x, y);
      PutPixel(&image, x, y, static_cast<uint32_t>(c.blue | (c.green << 8) | (c.red << 16)));
    }
  }
  return image;
}

inline std::string GradientBmp(int width, int height) {
  return BmpFileFromImage(Image24(width, height, GradientColour));
}

}  // namespace test
}  // namespace movrel
