// A picture as the compact writer works on it: top-down rows of one 32-bit
// value per pixel, 0x00RRGGBB, so that two pixels compare in one step. It is
// also the canvas on which cropped frames are put back together: each crop
// is pasted at its offset over what the frames before it left.
#pragma once

#include <cstdint>
#include <vector>

#include "gif/picture.h"

namespace movrel {

struct PixelRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool Empty() const { return width <= 0 || height <= 0; }
  int Right() const { return left + width; }    // one past the last column
  int Bottom() const { return top + height; }  // one past the last row
};

// The smallest rectangle holding both (an empty one holds nothing).
PixelRect UniteRects(const PixelRect& a, const PixelRect& b);

inline uint32_t PackRgb(unsigned red, unsigned green, unsigned blue) { return red << 16 | green << 8 | blue; }
inline unsigned RedOf(uint32_t rgb) { return rgb >> 16 & 0xFF; }
inline unsigned GreenOf(uint32_t rgb) { return rgb >> 8 & 0xFF; }
inline unsigned BlueOf(uint32_t rgb) { return rgb & 0xFF; }

class RgbCanvas {
 public:
  // Black, `width` x `height`. Raises kNoMemoryForBitmap when it cannot be
  // had; the sides must be 1..kMaxPictureSide.
  void Allocate(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  const uint32_t* Row(int y) const { return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
  uint32_t* Row(int y) { return pixels_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }

  // Draws `image` with its top-left corner at (left, top), clipped to the
  // canvas, and answers the part of the canvas it covered.
  PixelRect Paste(const WorkingImage& image, int left, int top);

  // The pixels of `rect` (inside the canvas) as a 24-bit working image.
  void CopyTo(const PixelRect& rect, WorkingImage* image) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// Scales the part `rect` of `from` into `to` (already allocated at the
// scaled size), each pixel the mean of the pixels it covers, and answers the
// part of `to` that changed with it.
PixelRect ScaleCanvas(const RgbCanvas& from, const PixelRect& rect, RgbCanvas* to);

}  // namespace movrel
