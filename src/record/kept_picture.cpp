#include "record/kept_picture.h"

#include <algorithm>
#include <cstring>

#include "bitmap/bmp_layout.h"

namespace movrel {
namespace {

// The first byte of pixel x in a row, and the byte past its last bit.
size_t ByteOf(int32_t x, int depth) { return static_cast<size_t>(x) * static_cast<size_t>(depth) / 8; }
size_t ByteEnd(int32_t x, int depth) { return ((static_cast<size_t>(x) + 1) * static_cast<size_t>(depth) + 7) / 8; }

// Whether pixel x of two rows has the same colour.
bool SameColour(const uint8_t* a, const uint8_t* b, int32_t x, int depth) {
  switch (depth) {
    case 32: {
      // The fourth byte is no colour.
      const uint8_t* p = a + 4 * static_cast<size_t>(x);
      const uint8_t* q = b + 4 * static_cast<size_t>(x);
      return p[0] == q[0] && p[1] == q[1] && p[2] == q[2];
    }
    case 24:
      return std::memcmp(a + 3 * static_cast<size_t>(x), b + 3 * static_cast<size_t>(x), 3) == 0;
    case 16: {
      // 5-5-5: the top bit is no colour.
      const size_t i = 2 * static_cast<size_t>(x);
      return a[i] == b[i] && (a[i + 1] & 0x7F) == (b[i + 1] & 0x7F);
    }
    case 8: {
      if (a[x] == b[x]) return true;
      // Two entries of the table may hold one colour.
      const std::string& table = FixedPalette(8);
      return std::memcmp(&table[4 * size_t{a[x]}], &table[4 * size_t{b[x]}], 3) == 0;
    }
    default:
      return true;  // below 8 bits whole rows are compared instead
  }
}

}  // namespace

std::string BmpOfBlock(const PixelRows& rows, const ChangedRect& r) {
  if (rows.empty() || r.left < 0 || r.top < 0 || r.right >= rows.width || r.bottom >= rows.height ||
      r.Width() < 1 || r.Height() < 1) {
    return std::string();
  }
  // Below 8 bits only blocks of whole rows start on a byte.
  if (rows.depth < 8 && (r.left != 0 || r.right != rows.width - 1)) return std::string();
  std::string image;
  if (!BuildImageBytes(r.Width(), r.Height(), rows.depth, &image)) return std::string();
  const size_t stride = static_cast<size_t>(ImageStride(image));
  const size_t first = ByteOf(r.left, rows.depth);
  const size_t length = std::min(ByteEnd(r.right, rows.depth), rows.stride) - first;
  char* out = &image[static_cast<size_t>(ImagePixelOffset(image))];
  for (int32_t j = 0; j < r.Height(); ++j) {
    // Row j of the block from the top is row Height - 1 - j from the bottom.
    const uint8_t* from = rows.data + rows.stride * static_cast<size_t>(rows.height - 1 - (r.top + j)) + first;
    std::memcpy(out + stride * static_cast<size_t>(r.Height() - 1 - j), from, std::min(length, stride));
  }
  return BmpFileFromImage(image);
}

ChangeScan KeptPicture::Compare(const PixelRows& now, ChangedRect* r) const {
  if (pixels_.empty() || now.width != width_ || now.height != height_ || now.depth != depth_ ||
      now.stride != stride_) {
    *r = now.Whole();
    return ChangeScan::kChanged;
  }
  const int depth = depth_;
  const size_t rowBytes = ByteEnd(width_ - 1, depth);
  auto keptRow = [&](int32_t y) {
    return reinterpret_cast<const uint8_t*>(pixels_.data()) + stride_ * static_cast<size_t>(height_ - 1 - y);
  };
  auto nowRow = [&](int32_t y) { return now.data + stride_ * static_cast<size_t>(height_ - 1 - y); };
  auto rowChanged = [&](int32_t y) {
    const uint8_t *a = keptRow(y), *b = nowRow(y);
    if (std::memcmp(a, b, rowBytes) == 0) return false;
    if (depth < 8) {
      // The last byte's bits past the row's end are padding.
      const int spare = static_cast<int>(rowBytes * 8 - static_cast<size_t>(width_) * depth);
      if (std::memcmp(a, b, rowBytes - 1) != 0) return true;
      const uint8_t mask = static_cast<uint8_t>(0xFF << spare);
      return ((a[rowBytes - 1] ^ b[rowBytes - 1]) & mask) != 0;
    }
    for (int32_t x = 0; x < width_; ++x) {
      if (!SameColour(a, b, x, depth)) return true;
    }
    return false;
  };
  int32_t top = 0;
  while (top < height_ && !rowChanged(top)) ++top;
  if (top == height_) return ChangeScan::kUnchanged;
  int32_t bottom = height_ - 1;
  while (bottom > top && !rowChanged(bottom)) --bottom;
  if (depth < 8) {
    *r = ChangedRect{0, top, width_ - 1, bottom};
    return ChangeScan::kChanged;
  }
  // Left and right: no row is scanned past the changes found so far.
  int32_t left = width_ - 1, right = 0;
  for (int32_t y = top; y <= bottom; ++y) {
    const uint8_t *a = keptRow(y), *b = nowRow(y);
    int32_t x = 0;
    while (x < left && SameColour(a, b, x, depth)) ++x;
    if (x < left || !SameColour(a, b, x, depth)) left = std::min(left, x);
    x = width_ - 1;
    while (x > right && SameColour(a, b, x, depth)) --x;
    if (x > right || !SameColour(a, b, x, depth)) right = std::max(right, x);
  }
  *r = ChangedRect{left, top, std::max(left, right), bottom};
  return ChangeScan::kChanged;
}

void KeptPicture::Take(const PixelRows& now, const ChangedRect& r) {
  if (now.empty()) return;
  const size_t bytes = now.stride * static_cast<size_t>(now.height);
  if (pixels_.size() != bytes || now.width != width_ || now.height != height_ || now.depth != depth_ ||
      now.stride != stride_) {
    pixels_.assign(reinterpret_cast<const char*>(now.data), bytes);
    width_ = now.width;
    height_ = now.height;
    depth_ = now.depth;
    stride_ = now.stride;
    return;
  }
  const size_t first = ByteOf(r.left, depth_);
  const size_t length = std::min(ByteEnd(r.right, depth_), stride_) - first;
  for (int32_t y = r.top; y <= r.bottom; ++y) {
    const size_t at = stride_ * static_cast<size_t>(height_ - 1 - y) + first;
    std::memcpy(&pixels_[at], now.data + at, length);
  }
}

}  // namespace movrel
