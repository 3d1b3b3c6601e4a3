#include "gif/lzw_encoder.h"

#include <algorithm>
#include <cstdint>
#include <cstddef>
#include <cstring>
#include <vector>

#include "gif/interlace.h"

namespace movrel {

namespace {

constexpr int kMaxCodeWidth = 12;
constexpr unsigned kCodeLimit = 1u << kMaxCodeWidth;  // codes stay below 4096

// A prime a little above the 4096 codes keeps the open-addressing probe
// sequences short.
constexpr int kSlots = 5051;
constexpr uint16_t kEmptySlot = 0xFFFF;

constexpr size_t kOutputBufferBytes = 32768;
constexpr size_t kSubBlockBytes = 255;

// Gathers data bytes into sub-blocks of at most 255 bytes and the closed
// sub-blocks into one output buffer per frame, so the sink sees few writes.
class SubBlockWriter {
 public:
  explicit SubBlockWriter(ByteSink& sink) : sink_(sink), buffer_(kOutputBufferBytes) {}

  void Byte(uint8_t b) {
    block_[blockFill_++] = b;
    if (blockFill_ == kSubBlockBytes) CloseBlock();
  }

  // Closes the partial sub-block (an empty one is not written) and hands the
  // rest of the buffer to the sink.
  void Finish() {
    CloseBlock();
    Flush();
  }

 private:
  void CloseBlock() {
    if (!blockFill_) return;
    if (fill_ + 256 >= kOutputBufferBytes) Flush();
    buffer_[fill_++] = static_cast<uint8_t>(blockFill_);
    std::memcpy(&buffer_[fill_], block_, blockFill_);
    fill_ += blockFill_;
    blockFill_ = 0;
  }

  void Flush() {
    WriteOrFail(sink_, buffer_.data(), fill_);
    fill_ = 0;
  }

  ByteSink& sink_;
  std::vector<uint8_t> buffer_;
  size_t fill_ = 0;
  uint8_t block_[kSubBlockBytes];
  size_t blockFill_ = 0;
};

// Codes go in least significant bit first.
class CodePacker {
 public:
  explicit CodePacker(SubBlockWriter& out) : out_(out) {}

  void Put(unsigned code, int width) {
    bits_ |= static_cast<uint32_t>(code) << pending_;
    pending_ += width;
    while (pending_ >= 8) {
      out_.Byte(static_cast<uint8_t>(bits_));
      bits_ >>= 8;
      pending_ -= 8;
    }
  }

  // Pads the last few bits with zeros into one byte.
  void Flush() {
    if (pending_ > 0) out_.Byte(static_cast<uint8_t>(bits_));
    bits_ = 0;
    pending_ = 0;
  }

 private:
  SubBlockWriter& out_;
  uint32_t bits_ = 0;
  int pending_ = 0;
};

// The string table: slot h holds the code of the string (prefix code, suffix
// pixel). Made once per frame; a slot keeps its three fields side by side so
// that a probe reads one place in memory.
class StringTable {
 public:
  StringTable() : slots_(kSlots) { Clear(); }

  void Clear() {
    for (Slot& slot : slots_) slot.code = kEmptySlot;
  }

  // The slot that holds (prefix, pixel), or the empty slot where it belongs.
  int Find(unsigned prefix, unsigned pixel) const {
    int h = static_cast<int>((pixel << 4) ^ prefix);
    int step = h == 0 ? 1 : kSlots - h;
    const Slot* slots = slots_.data();
    while (slots[h].code != kEmptySlot && (slots[h].prefix != prefix || slots[h].suffix != pixel)) {
      if (h < step) h += kSlots;
      h -= step;
    }
    return h;
  }

  bool Occupied(int slot) const { return slots_[slot].code != kEmptySlot; }
  unsigned Code(int slot) const { return slots_[slot].code; }
  void Store(int slot, unsigned code, unsigned prefix, unsigned pixel) {
    slots_[slot] = Slot{static_cast<uint16_t>(code), static_cast<uint16_t>(prefix), static_cast<uint8_t>(pixel)};
  }

 private:
  struct Slot {
    uint16_t code;
    uint16_t prefix;
    uint8_t suffix;
  };
  std::vector<Slot> slots_;
};

// Compresses `height` rows of `width` pixels, rows taken in `rows` order
// from `pixels` (row y, counted from the top, starts at pixels + y *
// strideBytes; a negative stride walks a bottom-up image). Every pixel is
// below 2^minCodeSize.
void Compress(const uint8_t* pixels, ptrdiff_t strideBytes, int columns, const std::vector<int>& rows,
              int minCodeSize, CodePacker& packer) {
  const unsigned clearCode = 1u << minCodeSize;
  const unsigned endCode = clearCode + 1;
  const unsigned firstFreeCode = clearCode + 2;
  StringTable table;
  int width = minCodeSize + 1;
  unsigned limit = 1u << width;
  unsigned nextCode = firstFreeCode;

  packer.Put(clearCode, width);
  unsigned prefix = pixels[rows[0] * strideBytes];
  int x = 1;
  for (int row : rows) {
    const uint8_t* line = pixels + row * strideBytes;
    for (; x < columns; ++x) {
      unsigned pixel = line[x];
      int slot = table.Find(prefix, pixel);
      if (table.Occupied(slot)) {
        prefix = table.Code(slot);
        continue;
      }
      packer.Put(prefix, width);
      unsigned code = nextCode;
      if (code < kCodeLimit) {
        table.Store(slot, code, prefix, pixel);
        nextCode = code + 1;
      }
      // The width grows right after code 2^width has been given out, which
      // is when a decoder, one code behind, needs the wider codes. A full
      // table starts over with a clear code.
      if (code == limit) {
        if (width < kMaxCodeWidth) {
          ++width;
          limit <<= 1;
        } else {
          packer.Put(clearCode, width);
          width = minCodeSize + 1;
          limit = 1u << width;
          nextCode = firstFreeCode;
          table.Clear();
        }
      }
      prefix = pixel;
    }
    x = 0;
  }
  packer.Put(prefix, width);
  // A decoder adds one more string after reading this last code and widens
  // its codes when that string's code reaches the limit; the end code must
  // then come at the wider width or it would be misread.
  if (nextCode == limit && width < kMaxCodeWidth) ++width;
  packer.Put(endCode, width);
  packer.Flush();
}

void WriteCompressed(const uint8_t* pixels, ptrdiff_t strideBytes, int width, int height, int minCodeSize,
                     bool interlace, ByteSink& sink) {
  const uint8_t codeSize = static_cast<uint8_t>(minCodeSize);
  WriteOrFail(sink, &codeSize, 1);
  SubBlockWriter blocks(sink);
  CodePacker packer(blocks);
  Compress(pixels, strideBytes, width, RowOrder(height, interlace), minCodeSize, packer);
  blocks.Finish();
  const uint8_t terminator = 0;
  WriteOrFail(sink, &terminator, 1);
}

}  // namespace

std::vector<int> RowOrder(int height, bool interlace) {
  std::vector<int> rows;
  rows.reserve(static_cast<size_t>(height));
  if (!interlace) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  for (const InterlacePass& pass : kInterlacePasses) {
    for (int y = pass.startRow; y < height; y += pass.rowStep) rows.push_back(y);
  }
  return rows;
}

void WriteImageData(const FrameImage& frame, bool interlace, ByteSink& sink) {
  // The frame is stored bottom-up: the top row is the last in memory.
  const ptrdiff_t stride = static_cast<ptrdiff_t>(frame.rowBytes());
  WriteCompressed(frame.TopRow(0), -stride, frame.width(), frame.height(), 8, interlace, sink);
}

void WriteIndexedImageData(const uint8_t* pixels, int width, int height, int minCodeSize, bool interlace,
                           ByteSink& sink) {
  WriteCompressed(pixels, width, width, height, minCodeSize, interlace, sink);
}

}  // namespace movrel
