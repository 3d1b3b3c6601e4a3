#include "record/changed_rect.h"

#include <algorithm>
#include <climits>
#include <vector>

#include "bitmap/bmp_layout.h"
#include "common/byte_order.h"

namespace movrel {
namespace {

// One picture's pixels as the scans see them: changed(x, y) is true when the
// pixel's red, green or blue is not 0.
class PixelGrid {
 public:
  // Plain and bit-field rows only: run-length rows have no pixel grid.
  bool Parse(const std::string& b) {
    BmpFileLayout layout;
    if (ReadBmpFile(b, &layout) != BmpVerdict::kReadable) return false;
    width_ = layout.width;
    height_ = layout.height;
    depth_ = layout.depth;
    topDown_ = layout.topDown;
    if (depth_ <= 8) {
      // An index past the table counts as changed, so no data is dropped.
      nonBlackIndex_.assign(size_t{1} << depth_, true);
      for (int i = 0; i < layout.tableEntries; ++i) {
        const char* e = &b[layout.tableOffset + static_cast<size_t>(i) * layout.tableEntryBytes];
        nonBlackIndex_[i] = e[0] != 0 || e[1] != 0 || e[2] != 0;
      }
    }
    colourMask_ = layout.masks[0] | layout.masks[1] | layout.masks[2];
    stride_ = layout.strideBytes;
    pixels_ = reinterpret_cast<const uint8_t*>(b.data()) + layout.pixelOffset;
    return true;
  }

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }

  bool Changed(int32_t x, int32_t y) const {
    const uint8_t* row = pixels_ + stride_ * static_cast<size_t>(topDown_ ? y : height_ - 1 - y);
    switch (depth_) {
      case 24: {
        const uint8_t* p = row + static_cast<size_t>(x) * 3;
        return (p[0] | p[1] | p[2]) != 0;
      }
      case 32: {
        return (ReadLe32(row + static_cast<size_t>(x) * 4) & colourMask_) != 0;
      }
      case 16: {
        return (ReadLe16(row + static_cast<size_t>(x) * 2) & colourMask_) != 0;
      }
      case 8:
        return nonBlackIndex_[row[x]];
      case 4:
        return nonBlackIndex_[(row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F];
      default:
        return nonBlackIndex_[(row[x / 8] >> (7 - x % 8)) & 1];
    }
  }

 private:
  int32_t width_ = 0, height_ = 0;
  int depth_ = 0;
  bool topDown_ = false;
  size_t stride_ = 0;
  const uint8_t* pixels_ = nullptr;
  uint32_t colourMask_ = 0;
  std::vector<bool> nonBlackIndex_;
};

}  // namespace

ChangeScan FindChangedRect(const std::string& bmpBytes, int step, ChangedRect* rect) {
  PixelGrid grid;
  if (!grid.Parse(bmpBytes)) return ChangeScan::kUnreadable;
  if (step < 1) step = 1;
  const int32_t w = grid.Width(), h = grid.Height();

  // Left: no row is scanned past the leftmost change found so far, and a
  // row without a change stops one pixel beyond it.
  int32_t best = w - 1, left = INT32_MAX;
  for (int32_t y = 0; y < h; y += step) {
    int32_t x = 0;
    while (!grid.Changed(x, y)) {
      if (++x > best) break;
    }
    left = std::min(left, x);
    best = std::min(best, x);
  }
  // Every scanned row ran off its end: nothing changed.
  if (left > w - 1) return ChangeScan::kUnchanged;
  left = std::max(left, 0);

  // Right: never past the rightmost change so far, nor past `left`.
  best = 0;
  int32_t right = INT32_MIN;
  for (int32_t y = 0; y < h; y += step) {
    int32_t x = w - 1;
    while (!grid.Changed(x, y)) {
      if (--x < best || x <= left) break;
    }
    right = std::max(right, x);
    best = std::max(best, x);
  }
  right = std::max(std::min(right, w - 1), left);

  // Top and bottom: the same over the scanned columns.
  best = h - 1;
  int32_t top = INT32_MAX;
  for (int32_t x = 0; x < w; x += step) {
    int32_t y = 0;
    while (!grid.Changed(x, y)) {
      if (++y > best) break;
    }
    top = std::min(top, y);
    best = std::min(best, y);
  }
  top = std::max(std::min(top, h - 1), 0);

  best = 0;
  int32_t bottom = INT32_MIN;
  for (int32_t x = 0; x < w; x += step) {
    int32_t y = h - 1;
    while (!grid.Changed(x, y)) {
      if (--y < best || y <= top) break;
    }
    bottom = std::max(bottom, y);
    best = std::max(best, y);
  }
  bottom = std::max(std::min(bottom, h - 1), top);

  *rect = ChangedRect{left, top, right, bottom};
  return ChangeScan::kChanged;
}

}  // namespace movrel
