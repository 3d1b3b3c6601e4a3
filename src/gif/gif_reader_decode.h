// Decoding one GIF image to a palette BMP file: the LZW decoder, the window
// over the image's data sub-blocks and the BMP layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace movrel {

// Reads the data bytes of a sub-block chain through a fixed window that is
// refilled from the chain as it is used up, so the decoder never holds more
// than one window of compressed data. A sub-block that runs past the end of
// the data yields what is there.
class GifSubBlockReader {
 public:
  static constexpr size_t kWindowBytes = 32768;

  GifSubBlockReader(const std::string& data, size_t firstLengthByte);

  // The next data byte, or -1 at the block terminator or the end of the data.
  int Next() {
    if (windowPos_ == windowFill_ && !Refill()) return -1;
    return window_[windowPos_++];
  }

 private:
  bool Refill();

  const std::string& data_;
  size_t pos_;            // next unread byte of the chain in data_
  size_t leftInBlock_ = 0;  // data bytes of the current sub-block not yet copied
  bool finished_ = false;
  std::vector<uint8_t> window_;
  size_t windowPos_ = 0;
  size_t windowFill_ = 0;
};

enum class LzwResult {
  kEndCode,       // the end code was read
  kOutputFull,    // every pixel was written; the rest of the data is ignored
  kDataExhausted, // the data ended before the end code
  kBadCode,       // a code that names no string (a table code right after a
                  // clear code); decoding stops there
};

// Receives decoded pixel indices in stream order.
class LzwPixelSink {
 public:
  virtual ~LzwPixelSink() = default;
  // Takes `count` pixels; false once the sink wants no more.
  virtual bool Put(const uint16_t* pixels, size_t count) = 0;
};

// Decodes the LZW stream with minimum code size `codeSize` (1..11) from
// `input`. Codes at or above the next free code decode as the previous string
// plus its first pixel; a stream that does not begin with a clear code is read
// as if it did; once the table holds 4096 entries nothing is added until the
// next clear code.
LzwResult DecodeLzw(int codeSize, GifSubBlockReader& input, LzwPixelSink& sink);

// Largest pixel array (rows × row size) a decoded frame may have. A GIF frame
// can claim 65535 × 65535 pixels in ten bytes; beyond this limit the frame is
// refused instead of allocating gigabytes.
constexpr size_t kMaxBmpPixelBytes = size_t{64} << 20;

enum class BmpDecodeResult { kOk, kBadImage, kTooLarge };

// Decodes the image whose descriptor (0x2C) is at `imagePos` into a BMP file of
// 1, 4 or 8 bits per pixel with the colour table in force (the local table,
// else the global one, else a default table). A frame of zero width or
// height, or without any image data, is a bad image. Pixels the data does not
// reach stay 0; an index the BMP's bit depth cannot hold is written as 0.
BmpDecodeResult DecodeGifImageToBmp(const std::string& data, size_t imagePos, std::string* bmp);

}  // namespace movrel
