#include "gif/gif_reader_decode.h"

#include <algorithm>
#include <array>

#include "common/byte_order.h"
#include "gif/gif_reader_parse.h"
#include "gif/interlace.h"

namespace movrel {

GifSubBlockReader::GifSubBlockReader(const std::string& data, size_t firstLengthByte)
    : data_(data), pos_(firstLengthByte), window_(kWindowBytes) {}

bool GifSubBlockReader::Refill() {
  windowPos_ = 0;
  windowFill_ = 0;
  while (!finished_ && windowFill_ < kWindowBytes) {
    if (leftInBlock_ == 0) {
      if (pos_ >= data_.size()) {
        finished_ = true;
        break;
      }
      leftInBlock_ = GifByte(data_, pos_++);
      if (leftInBlock_ == 0) {
        finished_ = true;
        break;
      }
    }
    size_t available = data_.size() - std::min(pos_, data_.size());
    size_t take = std::min({leftInBlock_, kWindowBytes - windowFill_, available});
    if (take == 0) {
      // The sub-block claims more bytes than the data holds.
      finished_ = true;
      break;
    }
    std::copy_n(reinterpret_cast<const uint8_t*>(data_.data()) + pos_, take, window_.data() + windowFill_);
    windowFill_ += take;
    pos_ += take;
    leftInBlock_ -= take;
  }
  return windowFill_ > 0;
}

LzwResult DecodeLzw(int codeSize, GifSubBlockReader& input, LzwPixelSink& sink) {
  constexpr int kMaxCodes = 4096;
  constexpr int kMaxWidth = 12;
  const int clearCode = 1 << codeSize;
  const int endCode = clearCode + 1;
  const int firstFree = clearCode + 2;

  // Entry e (firstFree <= e < next) is the string of prefix[e] followed by
  // suffix[e]; literal codes below clearCode are one pixel each.
  std::vector<uint16_t> prefix(kMaxCodes), suffix(kMaxCodes), first(kMaxCodes), length(kMaxCodes);
  std::array<uint16_t, kMaxCodes> text;
  auto firstOf = [&](int code) { return code < clearCode ? static_cast<uint16_t>(code) : first[code]; };
  auto lengthOf = [&](int code) { return code < clearCode ? 1 : static_cast<int>(length[code]); };

  int next = firstFree;
  int width = codeSize + 1;
  int previous = -1;  // none right after a clear code
  uint32_t bits = 0;
  int bitCount = 0;

  for (;;) {
    while (bitCount < width) {
      int byte = input.Next();
      if (byte < 0) return LzwResult::kDataExhausted;
      bits |= static_cast<uint32_t>(byte) << bitCount;
      bitCount += 8;
    }
    int code = static_cast<int>(bits & ((1u << width) - 1));
    bits >>= width;
    bitCount -= width;

    if (code == clearCode) {
      next = firstFree;
      width = codeSize + 1;
      previous = -1;
      continue;
    }
    if (code == endCode) return LzwResult::kEndCode;

    int current = code;
    if (previous < 0) {
      // After a clear code the table holds only the literals.
      if (code > clearCode) return LzwResult::kBadCode;
    } else if (next < kMaxCodes) {
      // A code not yet in the table (the encoder's newest string, or any
      // larger code in a broken stream) is the previous string plus its own
      // first pixel; it becomes the entry added now.
      bool known = code < next;
      uint16_t tail = known ? firstOf(code) : firstOf(previous);
      prefix[next] = static_cast<uint16_t>(previous);
      suffix[next] = tail;
      first[next] = firstOf(previous);
      length[next] = static_cast<uint16_t>(lengthOf(previous) + 1);
      if (!known) current = next;
      ++next;
      if (next >= (1 << width) && width < kMaxWidth) ++width;
    }

    int count = lengthOf(current);
    int at = count;
    int walk = current;
    while (walk >= firstFree) {
      text[--at] = suffix[walk];
      walk = prefix[walk];
    }
    text[--at] = static_cast<uint16_t>(walk);
    if (!sink.Put(text.data(), static_cast<size_t>(count))) return LzwResult::kOutputFull;
    previous = current;
  }
}

namespace {

// Places pixels arriving in stream order into rows of the picture, in the
// four-pass order for interlaced images, and packs them into bottom-up BMP
// rows of 1, 4 or 8 bits.
class BmpRowPlacer : public LzwPixelSink {
 public:
  BmpRowPlacer(uint8_t* pixels, size_t rowBytes, int width, int height, int bitsPerPixel, bool interlaced)
      : pixels_(pixels),
        rowBytes_(rowBytes),
        width_(width),
        height_(height),
        bits_(bitsPerPixel),
        interlaced_(interlaced) {
    row_ = RowStart();
  }

  bool Put(const uint16_t* values, size_t count) override {
    const uint16_t limit = static_cast<uint16_t>(1u << bits_);
    for (size_t i = 0; i < count; ++i) {
      if (row_ < 0) return false;
      uint16_t value = values[i] < limit ? values[i] : 0;
      // The first row of the picture is the last row stored.
      uint8_t* line = pixels_ + static_cast<size_t>(height_ - 1 - row_) * rowBytes_;
      switch (bits_) {
        case 8:
          line[x_] = static_cast<uint8_t>(value);
          break;
        case 4:
          line[x_ >> 1] |= static_cast<uint8_t>(value << ((x_ & 1) ? 0 : 4));
          break;
        default:
          line[x_ >> 3] |= static_cast<uint8_t>(value << (7 - (x_ & 7)));
          break;
      }
      if (++x_ == width_) {
        x_ = 0;
        NextRow();
      }
    }
    return row_ >= 0;
  }

 private:
  int RowStart() {
    if (!interlaced_) return height_ > 0 ? 0 : -1;
    for (pass_ = 0; pass_ < 4; ++pass_) {
      if (kInterlacePasses[pass_].startRow < height_) return kInterlacePasses[pass_].startRow;
    }
    return -1;
  }

  void NextRow() {
    if (!interlaced_) {
      row_ = row_ + 1 < height_ ? row_ + 1 : -1;
      return;
    }
    row_ += kInterlacePasses[pass_].rowStep;
    while (row_ >= height_) {
      if (++pass_ == 4) {
        row_ = -1;
        return;
      }
      row_ = kInterlacePasses[pass_].startRow;
    }
  }

  uint8_t* pixels_;
  size_t rowBytes_;
  int width_;
  int height_;
  int bits_;
  bool interlaced_;
  int pass_ = 0;
  int row_ = -1;  // -1 once every row is full
  int x_ = 0;
};

// The standard 16 colours, red, green, blue, used when a file has no colour
// table at all.
constexpr uint8_t kDefault16[16][3] = {
    {0, 0, 0},     {0, 0, 128},   {0, 128, 0},   {0, 128, 128}, {128, 0, 0},     {128, 0, 128},
    {128, 128, 0}, {128, 128, 128}, {192, 192, 192}, {0, 0, 255}, {0, 255, 0},     {0, 255, 255},
    {255, 0, 0},   {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};

}  // namespace

BmpDecodeResult DecodeGifImageToBmp(const std::string& data, size_t imagePos, std::string* bmp) {
  bmp->clear();
  if (data.size() < kGifScreenEnd || imagePos + 10 > data.size()) return BmpDecodeResult::kBadImage;

  // The colour table in force: the local one, else the global one. Without
  // either, the screen descriptor's size field still gives the entry count.
  uint8_t screenPacked = GifByte(data, 10);
  uint8_t imagePacked = GifByte(data, imagePos + 9);
  size_t tablePos = kGifNone;
  uint8_t sizeField = screenPacked & 7;
  if (screenPacked & 0x80) tablePos = kGifScreenEnd;
  size_t codeSizePos = imagePos + 10;
  if (imagePacked & 0x80) {
    tablePos = imagePos + 10;
    sizeField = imagePacked & 7;
    codeSizePos += GifColorTableBytes(imagePacked);
  }
  const size_t tableEntries = size_t{1} << (sizeField + 1);
  const int bitsPerPixel = tableEntries == 2 ? 1 : tableEntries <= 16 ? 4 : 8;
  const size_t bmpEntries = size_t{1} << bitsPerPixel;

  const int width = ReadLe16(data, imagePos + 5);
  const int height = ReadLe16(data, imagePos + 7);
  const bool interlaced = (imagePacked & 0x40) != 0;
  const size_t rowBytes = (static_cast<size_t>(width) * bitsPerPixel + 31) / 32 * 4;
  if (height != 0 && rowBytes > kMaxBmpPixelBytes / static_cast<size_t>(height)) return BmpDecodeResult::kTooLarge;
  const size_t pixelBytes = rowBytes * static_cast<size_t>(height);

  if (codeSizePos >= data.size()) return BmpDecodeResult::kBadImage;
  const int codeSize = GifByte(data, codeSizePos);
  // Code sizes beyond 11 would need codes wider than 12 bits; 0 leaves no
  // room for a literal besides the clear code.
  if (codeSize < 1 || codeSize > 11) return BmpDecodeResult::kBadImage;
  // A frame without pixels, or without a single data byte, has no picture to
  // give; the rest of the file stays readable.
  if (width == 0 || height == 0) return BmpDecodeResult::kBadImage;
  if (codeSizePos + 1 >= data.size() || GifByte(data, codeSizePos + 1) == 0) return BmpDecodeResult::kBadImage;

  const size_t headerBytes = 14 + 40 + 4 * bmpEntries;
  std::string out;
  out.reserve(headerBytes + pixelBytes);
  out += "BM";
  AppendLe32(&out, static_cast<uint32_t>(headerBytes + pixelBytes));
  AppendLe32(&out, 0);
  AppendLe32(&out, static_cast<uint32_t>(headerBytes));
  AppendLe32(&out, 40);
  AppendLe32(&out, static_cast<uint32_t>(width));
  AppendLe32(&out, static_cast<uint32_t>(height));
  AppendLe16(&out, 1);
  AppendLe16(&out, static_cast<uint32_t>(bitsPerPixel));
  AppendLe32(&out, 0);  // no compression
  AppendLe32(&out, static_cast<uint32_t>(pixelBytes));
  AppendLe32(&out, 0);
  AppendLe32(&out, 0);
  AppendLe32(&out, static_cast<uint32_t>(bmpEntries));
  AppendLe32(&out, 0);

  for (size_t i = 0; i < bmpEntries; ++i) {
    uint8_t rgb[3] = {0, 0, 0};
    if (tablePos != kGifNone) {
      size_t entry = tablePos + 3 * i;
      if (i < tableEntries && entry + 3 <= data.size()) {
        for (int c = 0; c < 3; ++c) rgb[c] = GifByte(data, entry + c);
      }
    } else if (bmpEntries == 2) {
      rgb[0] = rgb[1] = rgb[2] = i == 0 ? 0 : 255;
    } else if (bmpEntries == 16) {
      for (int c = 0; c < 3; ++c) rgb[c] = kDefault16[i][c];
    } else {
      rgb[0] = rgb[1] = rgb[2] = static_cast<uint8_t>(i);
    }
    out.push_back(static_cast<char>(rgb[2]));
    out.push_back(static_cast<char>(rgb[1]));
    out.push_back(static_cast<char>(rgb[0]));
    out.push_back('\0');
  }

  out.resize(headerBytes + pixelBytes, '\0');
  BmpRowPlacer placer(reinterpret_cast<uint8_t*>(&out[headerBytes]), rowBytes, width, height, bitsPerPixel,
                      interlaced);
  GifSubBlockReader input(data, codeSizePos + 1);
  DecodeLzw(codeSize, input, placer);
  *bmp = std::move(out);
  return BmpDecodeResult::kOk;
}

}  // namespace movrel
