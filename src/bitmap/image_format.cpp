#include "bitmap/image_format.h"

#include <cstdint>

namespace movrel {

const std::vector<const char*>& SaveFormatItems() {
  static const std::vector<const char*> items = {"BMP", "JPG", "GIF", "TIFF", "PNG"};
  return items;
}

SaveFormat SaveFormatAt(int listIndex) {
  return listIndex >= 0 && listIndex < static_cast<int>(SaveFormatItems().size())
             ? static_cast<SaveFormat>(listIndex + 1)
             : kSaveBmp;
}

std::string SaveFormatExtension(SaveFormat format) {
  const int index = SaveFormatIndex(format);
  return index >= 0 && index < static_cast<int>(SaveFormatItems().size()) ? SaveFormatItems()[index] : "BMP";
}

std::string EncoderClassIdText(int saveFormat) {
  switch (saveFormat) {
    case kSaveBmp:
      return "{557CF400-1A04-11D3-9A73-0000F81EF32E}";
    case kSaveJpeg:
      return "{557CF401-1A04-11D3-9A73-0000F81EF32E}";
    case kSaveGif:
      return "{557CF402-1A04-11D3-9A73-0000F81EF32E}";
    case kSaveTiff:
      return "{557CF405-1A04-11D3-9A73-0000F81EF32E}";
    case kSavePng:
      return "{557CF406-1A04-11D3-9A73-0000F81EF32E}";
    default:
      return std::string();
  }
}

bool GifHasImageData(const std::string& bytes) {
  const size_t length = bytes.size();
  const auto at = [&](size_t i) { return static_cast<uint8_t>(bytes[i]); };
  if (length < 13 || (bytes.compare(0, 6, "GIF87a") != 0 && bytes.compare(0, 6, "GIF89a") != 0)) return false;
  const auto tableBytes = [](uint8_t flags) { return (flags & 0x80) ? size_t{3} << ((flags & 7) + 1) : size_t{0}; };
  size_t pos = 13 + tableBytes(at(10));
  while (pos < length) {
    const uint8_t introducer = at(pos);
    if (introducer == 0x21) {  // extension: label, then sub-blocks up to an empty one
      pos += 2;
      while (pos < length && at(pos) != 0) pos += 1 + at(pos);
      if (pos >= length) return false;
      ++pos;
    } else if (introducer == 0x2C) {  // image descriptor, colour table, code size, data
      if (pos + 10 > length) return false;
      pos += 10 + tableBytes(at(pos + 9));
      if (pos + 1 >= length) return false;
      const uint8_t codeSize = at(pos);
      const size_t firstBlock = at(pos + 1);
      return codeSize >= 1 && codeSize <= 11 && firstBlock > 0 && pos + 2 + firstBlock <= length;
    } else {
      return false;  // the trailer or garbage before any image
    }
  }
  return false;
}

// Only the ASCII space: a GBK trail byte is never 0x20, so no character can
// be cut in half.
std::string TrimSpaces(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace movrel
