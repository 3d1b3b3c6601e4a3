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

PixelRect ScaleCanvas(const RgbCanvas& from, const PixelRect& rect, RgbCanvas* to) {
  const int64_t fw = from.width(), fh = from.height(), tw = to->width(), th = to->height();
  // The target pixels whose source boxes meet `rect`.
  PixelRect out;
  out.left = static_cast<int>(rect.left * tw / fw);
  out.top = static_cast<int>(rect.top * th / fh);
  const int right = static_cast<int>(std::min<int64_t>(tw, (rect.Right() * tw + fw - 1) / fw));
  const int bottom = static_cast<int>(std::min<int64_t>(th, (rect.Bottom() * th + fh - 1) / fh));
  out.width = right - out.left;
  out.height = bottom - out.top;
  for (int y = out.top; y < out.Bottom(); ++y) {
    const int y0 = static_cast<int>(y * fh / th);
    const int y1 = std::max(y0 + 1, static_cast<int>((y + 1) * fh / th));
    uint32_t* line = to->Row(y);
    for (int x = out.left; x < out.Right(); ++x) {
      const int x0 = static_cast<int>(x * fw / tw);
      const int x1 = std::max(x0 + 1, static_cast<int>((x + 1) * fw / tw));
      uint32_t r = 0, g = 0, b = 0;
      for (int sy = y0; sy < y1; ++sy) {
        const uint32_t* p = from.Row(sy);
        for (int sx = x0; sx < x1; ++sx) {
          r += RedOf(p[sx]);
          g += GreenOf(p[sx]);
          b += BlueOf(p[sx]);
        }
      }
      const uint32_t n = static_cast<uint32_t>((y1 - y0) * (x1 - x0));
      line[x] = PackRgb((r + n / 2) / n, (g + n / 2) / n, (b + n / 2) / n);
    }
  }
  return out;
}

}  // namespace movrel
