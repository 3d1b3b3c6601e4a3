#include "gif/rgb_canvas.h"

#include <algorithm>
#include <new>

#include "gif/codec_failure.h"

namespace movrel {

PixelRect UniteRects(const PixelRect& a, const PixelRect& b) {
  if (a.Empty()) return b;
  if (b.Empty()) return a;
  PixelRect united;
  united.left = std::min(a.left, b.left);
  united.top = std::min(a.top, b.top);
  united.width = std::max(a.Right(), b.Right()) - united.left;
  united.height = std::max(a.Bottom(), b.Bottom()) - united.top;
  return united;
}

void RgbCanvas::Allocate(int width, int height) {
  if (width < 1 || height < 1 || width > kMaxPictureSide || height > kMaxPictureSide) {
    throw CodecFailure(kNoMemoryForBitmap);
  }
  try {
    pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  } catch (const std::bad_alloc&) {
    throw CodecFailure(kNoMemoryForBitmap);
  }
  width_ = width;
  height_ = height;
}

PixelRect RgbCanvas::Paste(const WorkingImage& image, int left, int top) {
  PixelRect covered;
  covered.left = std::max(left, 0);
  covered.top = std::max(top, 0);
  covered.width = std::min(left + image.width(), width_) - covered.left;
  covered.height = std::min(top + image.height(), height_) - covered.top;
  if (covered.Empty()) return PixelRect();
  for (int y = covered.top; y < covered.Bottom(); ++y) {
    // The working image is bottom-up, blue-green-red.
    const uint8_t* p = image.StoredRow(image.height() - 1 - (y - top)) + 3 * (covered.left - left);
    uint32_t* out = Row(y) + covered.left;
    for (int x = 0; x < covered.width; ++x, p += 3) out[x] = PackRgb(p[2], p[1], p[0]);
  }
  return covered;
}

void RgbCanvas::CopyTo(const PixelRect& rect, WorkingImage* image) const {
  image->Allocate(rect.width, rect.height);
  for (int y = 0; y < rect.height; ++y) {
    const uint32_t* in = Row(rect.top + y) + rect.left;
    uint8_t* p = image->StoredRow(rect.height - 1 - y);
    for (int x = 0; x < rect.width; ++x, p += 3) {
      p[0] = static_cast<uint8_t>(BlueOf(in[x]));
      p[1] = static_cast<uint8_t>(GreenOf(in[x]));
      p[2] = static_cast<uint8_t>(RedOf(in[x]));
    }
  }
}

}  // namespace movrel
