// The two pictures of the conversion: the 24-bit working image a decoded
// picture is read back into, and the 256-colour frame image made from it.
// Both are bottom-up: stored row 0 is the bottom row of the picture, and each
// stored row is padded to a multiple of 4 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace movrel {

// GIF sizes are 16-bit, so no picture may be wider or taller than this.
constexpr int kMaxPictureSide = 65535;

// Bytes of one stored row of `width` pixels at `bitsPerPixel`, padded to 4.
constexpr uint64_t DibRowBytes(uint64_t width, unsigned bitsPerPixel) {
  return (width * bitsPerPixel + 31) / 32 * 4;
}

// 24 bits per pixel, blue-green-red.
class WorkingImage {
 public:
  // Makes a zero-filled image. Raises kNoMemoryForBitmap when it cannot be
  // had; the sides must be 1..kMaxPictureSide.
  void Allocate(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  size_t strideBytes() const { return strideBytes_; }
  uint8_t* StoredRow(int y) { return pixels_.data() + static_cast<size_t>(y) * strideBytes_; }
  const uint8_t* StoredRow(int y) const { return pixels_.data() + static_cast<size_t>(y) * strideBytes_; }

 private:
  int width_ = 0;
  int height_ = 0;
  size_t strideBytes_ = 0;
  std::vector<uint8_t> pixels_;
};

// One block laid out as an 8-bit device-independent bitmap: a 40-byte header,
// 256 colour-table quads (blue, green, red, 0) and one byte per pixel. The
// writer reads frames in exactly this form.
class FrameImage {
 public:
  static constexpr size_t kHeaderBytes = 40;
  static constexpr size_t kColorCount = 256;
  static constexpr size_t kColorTableBytes = kColorCount * 4;

  // Makes the block with its header filled, the colour table black and the
  // pixels 0. Raises kNoMemoryForBitmap when it cannot be had.
  void Allocate(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  int bitsPerPixel() const { return 8; }
  size_t rowBytes() const { return rowBytes_; }

  // Entry i is at ColorTable()[4 * i]: blue, green, red, 0.
  uint8_t* ColorTable() { return block_.data() + kHeaderBytes; }
  const uint8_t* ColorTable() const { return block_.data() + kHeaderBytes; }
  void SetColor(int index, uint8_t red, uint8_t green, uint8_t blue);

  uint8_t* StoredRow(int y) { return PixelBase() + static_cast<size_t>(y) * rowBytes_; }
  const uint8_t* StoredRow(int y) const {
    return block_.data() + kHeaderBytes + kColorTableBytes + static_cast<size_t>(y) * rowBytes_;
  }
  // Row y counted from the top, as the GIF stores it.
  const uint8_t* TopRow(int y) const { return StoredRow(height_ - 1 - y); }

  // The whole block (header, colour table, rows).
  const std::vector<uint8_t>& block() const { return block_; }

 private:
  uint8_t* PixelBase() { return block_.data() + kHeaderBytes + kColorTableBytes; }

  int width_ = 0;
  int height_ = 0;
  size_t rowBytes_ = 0;
  std::vector<uint8_t> block_;
};

}  // namespace movrel
