#include "record/changed_rect.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace movrel {
namespace {

uint32_t U16(const std::string& b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}
uint32_t U32(const std::string& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

// One picture's pixels as the scans see them: changed(x, y) is true when the
// pixel's red, green or blue is not 0.
class PixelGrid {
 public:
  bool Parse(const std::string& b) {
    if (b.size() < 14 + 40 || b[0] != 'B' || b[1] != 'M') return false;
    const uint32_t offBits = U32(b, 10);
    const uint32_t headerBytes = U32(b, 14);
    if (headerBytes < 40 || headerBytes > b.size() - 14) return false;
    width_ = static_cast<int32_t>(U32(b, 18));
    const int32_t rawHeight = static_cast<int32_t>(U32(b, 22));
    depth_ = static_cast<int>(U16(b, 28));
    const uint32_t compression = U32(b, 30);
    uint32_t colours = U32(b, 46);
    if (width_ < 1 || rawHeight == 0 || rawHeight == INT32_MIN || U16(b, 26) != 1) return false;
    topDown_ = rawHeight < 0;
    height_ = topDown_ ? -rawHeight : rawHeight;
    size_t tableAt = 14 + headerBytes;
    switch (depth_) {
      case 1: case 4: case 8: {
        if (compression != 0) return false;
        const uint32_t full = 1u << depth_;
        if (colours == 0 || colours > full) colours = full;
        if (tableAt + size_t{colours} * 4 > b.size()) return false;
        // An index past the table counts as changed, so no data is dropped.
        nonBlackIndex_.assign(full, true);
        for (uint32_t i = 0; i < colours; ++i) {
          const char* e = &b[tableAt + i * 4];
          nonBlackIndex_[i] = e[0] != 0 || e[1] != 0 || e[2] != 0;
        }
        break;
      }
      case 16: case 32:
        if (compression == 0) {
          colourMask_ = depth_ == 16 ? 0x7FFFu : 0xFFFFFFu;
        } else if (compression == 3) {
          // The masks follow a 40-byte header, or sit inside a longer one.
          size_t masksAt = 14 + 40;
          if (masksAt + 12 > b.size()) return false;
          colourMask_ = U32(b, masksAt) | U32(b, masksAt + 4) | U32(b, masksAt + 8);
        } else {
          return false;
        }
        break;
      case 24:
        if (compression != 0) return false;
        break;
      default:
        return false;
    }
    const uint64_t stride = ((uint64_t{static_cast<uint32_t>(width_)} * static_cast<uint32_t>(depth_) + 31) / 32) * 4;
    const uint64_t pixelBytes = stride * static_cast<uint64_t>(height_);
    if (offBits > b.size() || pixelBytes > b.size() - offBits) return false;
    stride_ = static_cast<size_t>(stride);
    pixels_ = reinterpret_cast<const uint8_t*>(b.data()) + offBits;
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
        uint32_t v;
        std::memcpy(&v, row + static_cast<size_t>(x) * 4, 4);
        return (v & colourMask_) != 0;
      }
      case 16: {
        const uint8_t* p = row + static_cast<size_t>(x) * 2;
        return ((p[0] | p[1] << 8) & colourMask_) != 0;
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
