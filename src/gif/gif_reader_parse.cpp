#include "gif/gif_reader_parse.h"

#include <cstring>

namespace movrel {
namespace {

constexpr uint8_t kExtensionIntroducer = 0x21;
constexpr uint8_t kImageSeparator = 0x2C;
constexpr uint8_t kTrailer = 0x3B;
constexpr uint8_t kPlainTextLabel = 0x01;
constexpr uint8_t kGraphicControlLabel = 0xF9;
constexpr uint8_t kCommentLabel = 0xFE;
constexpr uint8_t kApplicationLabel = 0xFF;

constexpr size_t kImageDescriptorBytes = 10;

// An application extension at `pos` (21 FF) that carries a loop count: the
// 11-byte identifier of one of the two looping applications, then a sub-block
// of 3 bytes whose first byte is 1. Any other 11-byte identifier (XMP data,
// ICC profiles, ...) is left alone: reading or writing a loop count there
// would read past short blocks and corrupt foreign data.
bool IsLoopingBlock(const std::string& data, size_t pos) {
  const size_t ident = pos + 3;
  // 21 FF 0B <11 bytes> 03 01 <count 2 bytes>
  if (pos + 3 + 11 + 4 > data.size()) return false;
  if (GifByte(data, pos + 2) != 11) return false;
  const char* id = data.data() + ident;
  if (std::memcmp(id, "NETSCAPE2.0", 11) != 0 && std::memcmp(id, "ANIMEXTS1.0", 11) != 0) return false;
  return GifByte(data, ident + 11) == 3 && GifByte(data, ident + 12) == 1;
}

bool IsBlockIntroducer(uint8_t byte) {
  return byte == kExtensionIntroducer || byte == kImageSeparator || byte == kTrailer;
}

// True when the sub-block chain at `pos` has exactly one data sub-block.
bool HasSingleSubBlock(const std::string& data, size_t pos) {
  if (pos >= data.size()) return false;
  size_t length = GifByte(data, pos);
  size_t terminator = pos + 1 + length;
  return length != 0 && terminator < data.size() && GifByte(data, terminator) == 0;
}

}  // namespace

size_t SkipGifSubBlocks(const std::string& data, size_t pos) {
  while (pos < data.size()) {
    size_t length = GifByte(data, pos);
    if (length == 0) return pos + 1;
    pos += 1 + length;
  }
  return kGifNone;
}

std::string ReadGifSubBlockText(const std::string& data, size_t pos) {
  std::string text;
  while (pos < data.size()) {
    size_t length = GifByte(data, pos);
    if (length == 0) break;
    size_t begin = pos + 1;
    size_t available = begin < data.size() ? data.size() - begin : 0;
    text.append(data, begin, length < available ? length : available);
    pos = begin + length;
  }
  size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return text;
}

GifIndex IndexGif(const std::string& data) {
  GifIndex index;
  if (data.size() < kGifScreenEnd) return index;
  size_t pos = kGifScreenEnd;
  uint8_t screenPacked = GifByte(data, 10);
  if (screenPacked & 0x80) pos += GifColorTableBytes(screenPacked);

  // A control block waits for its image; the next image belongs to it.
  bool controlPending = false;
  auto damaged = [&index]() {
    index.frames.clear();
    index.damaged = true;
    return index;
  };

  while (pos < data.size()) {
    uint8_t introducer = GifByte(data, pos);
    if (introducer == kTrailer) break;
    if (introducer == 0x00) {
      ++pos;
      continue;
    }
    if (introducer == kExtensionIntroducer) {
      if (pos + 1 >= data.size()) break;
      uint8_t label = GifByte(data, pos + 1);
      switch (label) {
        case kApplicationLabel:
          if (IsLoopingBlock(data, pos)) index.loopBlock = pos + 3;
          break;
        case kPlainTextLabel:
          break;
        case kGraphicControlLabel:
          if (pos + 2 < data.size() && GifByte(data, pos + 2) == 4) {
            index.frames.push_back(pos);
            controlPending = true;
          }
          break;
        case kCommentLabel:
          if (!controlPending && HasSingleSubBlock(data, pos + 2)) index.comment = pos;
          break;
        default:
          // An extension of a kind this reader does not know: its
          // sub-blocks carry it, so it is stepped over as decoders do.
          break;
      }
      size_t next = SkipGifSubBlocks(data, pos + 2);
      if (next == kGifNone) break;
      pos = next;
      continue;
    }
    if (introducer != kImageSeparator) return damaged();

    // Image: descriptor, optional local table, then the code-size byte must
    // all be present.
    if (pos + kImageDescriptorBytes > data.size()) return damaged();
    uint8_t packed = GifByte(data, pos + 9);
    size_t codeSize = pos + kImageDescriptorBytes;
    if (packed & 0x80) codeSize += GifColorTableBytes(packed);
    if (codeSize >= data.size()) return damaged();
    if (!controlPending) index.frames.push_back(pos);
    controlPending = false;
    // An image without data: the next block (or the trailer) follows the
    // descriptor where the code size should be. No code size is that large,
    // so the frame is listed and the walk goes on from there.
    if (IsBlockIntroducer(GifByte(data, codeSize))) {
      pos = codeSize;
      continue;
    }
    size_t next = SkipGifSubBlocks(data, codeSize + 1);
    if (next == kGifNone) break;
    pos = next;
  }
  return index;
}

GifFrameBlocks WalkGifFrame(const std::string& data, size_t start) {
  GifFrameBlocks blocks;
  size_t pos = start;
  while (pos < data.size()) {
    uint8_t introducer = GifByte(data, pos);
    if (introducer == kImageSeparator) {
      if (pos + kImageDescriptorBytes <= data.size()) blocks.image = pos;
      return blocks;
    }
    if (introducer == 0x00) {
      ++pos;
      continue;
    }
    if (introducer != kExtensionIntroducer || pos + 1 >= data.size()) return blocks;
    uint8_t label = GifByte(data, pos + 1);
    if (label == kGraphicControlLabel) {
      // Only the frame's own control block: a second one before the image
      // starts the next frame, which shares this image.
      if (blocks.control == kGifNone && pos + 8 <= data.size() && GifByte(data, pos + 2) == 4) blocks.control = pos;
    } else if (label == kCommentLabel) {
      blocks.comment = pos;
    }  // any other extension is stepped over by its sub-blocks
    size_t next = SkipGifSubBlocks(data, pos + 2);
    if (next == kGifNone) return blocks;
    pos = next;
  }
  return blocks;
}

}  // namespace movrel
