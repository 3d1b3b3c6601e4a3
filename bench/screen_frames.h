// Screen-like pictures for the codec benchmarks: a band of text-like strokes
// on a light background, a gradient band, flat window areas and a photo-like
// patch, at any size, optionally shifted so successive frames differ.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "gif/picture.h"

namespace movrel {
namespace bench {

inline void FillScreenLike(WorkingImage* image, int width, int height, int shift = 0) {
  image->Allocate(width, height);
  uint32_t noise = 12345u + static_cast<uint32_t>(shift);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = image->StoredRow(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      int sx = x + shift;
      uint8_t r, g, b;
      if (y < height / 4) {
        // Text: dark strokes in short words on white.
        bool stroke = ((sx / 3 + y / 5) % 7 == 0 || (sx % 11 == 0 && y % 14 < 9)) && (sx / 40) % 4 != 3 && y % 18 < 13;
        r = g = b = stroke ? 24 : 245;
      } else if (y < height / 2) {
        r = static_cast<uint8_t>(sx * 255 / (width + 64));
        g = static_cast<uint8_t>(y * 255 / height);
        b = 160;
      } else if (x < width / 2) {
        // Window chrome: flat panels and a title bar.
        bool bar = (y - height / 2) % 120 < 22;
        r = bar ? 40 : 236;
        g = bar ? 90 : 236;
        b = bar ? 200 : 240;
      } else {
        // Photo-like: smooth shapes with sensor noise.
        noise = noise * 1664525u + 1013904223u;
        int n = static_cast<int>(noise >> 28) - 8;
        double fx = sx * 0.021, fy = y * 0.017;
        int base = static_cast<int>(128 + 90 * std::sin(fx + std::cos(fy * 1.3)));
        r = static_cast<uint8_t>(std::min(255, std::max(0, base + n)));
        g = static_cast<uint8_t>(std::min(255, std::max(0, static_cast<int>(110 + 80 * std::cos(fy + fx * 0.7)) + n)));
        b = static_cast<uint8_t>(std::min(255, std::max(0, 255 - base + n)));
      }
      row[3 * x] = b;
      row[3 * x + 1] = g;
      row[3 * x + 2] = r;
    }
  }
}

// The same picture as a bottom-up 24-bit BMP file.
inline std::string ScreenLikeBmp(int width, int height, int shift = 0) {
  WorkingImage image;
  FillScreenLike(&image, width, height, shift);
  auto put32 = [](std::string* s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s->push_back(static_cast<char>(v >> (8 * i) & 0xFF));
  };
  std::string bmp = "BM";
  uint32_t pixelBytes = static_cast<uint32_t>(image.strideBytes() * height);
  put32(&bmp, 54 + pixelBytes);
  put32(&bmp, 0);
  put32(&bmp, 54);
  put32(&bmp, 40);
  put32(&bmp, static_cast<uint32_t>(width));
  put32(&bmp, static_cast<uint32_t>(height));
  put32(&bmp, 1 | 24 << 16);
  for (int i = 0; i < 6; ++i) put32(&bmp, 0);
  bmp.append(reinterpret_cast<const char*>(image.StoredRow(0)), pixelBytes);
  return bmp;
}

}  // namespace bench
}  // namespace movrel
