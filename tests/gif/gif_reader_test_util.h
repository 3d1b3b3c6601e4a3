// Builders for hand-made GIF files: blocks as byte strings, a plain LZW
// encoder independent of the codec's, and a packer for raw code streams.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace movrel {
namespace test {

inline std::string Le16(unsigned value) {
  return std::string{static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}

inline std::string Header(uint16_t width, uint16_t height, uint8_t packed, uint8_t background = 0,
                          const char* signature = "GIF89a") {
  return std::string(signature, 6) + Le16(width) + Le16(height) + static_cast<char>(packed) +
         static_cast<char>(background) + '\0';
}

// `entries` colours; entry i is (i, 255 - i, 3 i) unless a seed shifts it.
inline std::string Table(int entries, int seed = 0) {
  std::string table;
  for (int i = 0; i < entries; ++i) {
    table += static_cast<char>(i + seed);
    table += static_cast<char>(255 - i - seed);
    table += static_cast<char>(3 * i + seed);
  }
  return table;
}

inline std::string SubBlocks(const std::string& raw) {
  std::string out;
  for (size_t i = 0; i < raw.size(); i += 255) {
    std::string chunk = raw.substr(i, 255);
    out += static_cast<char>(chunk.size());
    out += chunk;
  }
  return out + '\0';
}

inline std::string Control(uint8_t packed, uint16_t delayCs, uint8_t transparentIndex = 0) {
  return std::string("\x21\xF9\x04", 3) + static_cast<char>(packed) + Le16(delayCs) +
         static_cast<char>(transparentIndex) + '\0';
}

inline std::string Comment(const std::string& text) { return std::string("\x21\xFE", 2) + SubBlocks(text); }

inline std::string Application(const std::string& identifier, const std::string& data) {
  return std::string("\x21\xFF", 2) + static_cast<char>(identifier.size()) + identifier + SubBlocks(data);
}

inline std::string Looping(uint16_t count) { return Application("NETSCAPE2.0", "\x01" + Le16(count)); }

// Codes packed least significant bit first, each with its own width.
inline std::string PackCodes(const std::vector<std::pair<int, int>>& codes) {
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (auto [code, width] : codes) {
    bits |= static_cast<uint32_t>(code) << count;
    count += width;
    while (count >= 8) {
      out += static_cast<char>(bits & 0xFF);
      bits >>= 8;
      count -= 8;
    }
  }
  if (count > 0) out += static_cast<char>(bits & 0xFF);
  return out;
}

// A textbook LZW encoder: clear code first, the width grows when the next
// code no longer fits; a full table is cleared, or kept when `clearWhenFull`
// is false (a stream that some encoders write).
inline std::string LzwCodes(const std::vector<uint8_t>& pixels, int codeSize, bool clearWhenFull = true) {
  const int clear = 1 << codeSize;
  std::vector<std::pair<int, int>> codes;
  std::map<std::pair<int, int>, int> table;
  int next = clear + 2;
  int width = codeSize + 1;
  codes.push_back({clear, width});
  if (pixels.empty()) {
    codes.push_back({clear + 1, width});
    return PackCodes(codes);
  }
  int prefix = pixels[0];
  for (size_t i = 1; i < pixels.size(); ++i) {
    auto found = table.find({prefix, pixels[i]});
    if (found != table.end()) {
      prefix = found->second;
      continue;
    }
    codes.push_back({prefix, width});
    if (next < 4096) {
      table[{prefix, pixels[i]}] = next++;
      if (next > (1 << width) && width < 12) ++width;
    } else if (clearWhenFull) {
      codes.push_back({clear, width});
      table.clear();
      next = clear + 2;
      width = codeSize + 1;
    }
    prefix = pixels[i];
  }
  codes.push_back({prefix, width});
  // The decoder adds one more entry on reading the last code and may widen.
  if (next < 4096 && next + 1 > (1 << width) && width < 12) ++width;
  codes.push_back({clear + 1, width});
  return PackCodes(codes);
}

// Image descriptor, optional local table, code size and data sub-blocks.
inline std::string Image(uint16_t left, uint16_t top, uint16_t width, uint16_t height, uint8_t packed,
                         const std::string& localTable, int codeSize, const std::string& codeBytes) {
  return std::string("\x2C", 1) + Le16(left) + Le16(top) + Le16(width) + Le16(height) + static_cast<char>(packed) +
         localTable + static_cast<char>(codeSize) + SubBlocks(codeBytes);
}

// 4 × 2 pixels over a 4-entry table, as an image at (left, top).
inline std::vector<uint8_t> SmallPixels() { return {0, 1, 2, 3, 3, 2, 1, 0}; }
inline std::string SmallImage(uint16_t left = 0, uint16_t top = 0, uint8_t packed = 0, const std::string& local = "") {
  return Image(left, top, 4, 2, packed, local, 2, LzwCodes(SmallPixels(), 2));
}

inline std::string Trailer() { return std::string(1, '\x3B'); }

// Very small files get zero bytes after the trailer, which readers ignore, to
// reach the 34 bytes a GIF must have to be looked at.
inline std::string Padded(const std::string& gif) { return gif.size() >= 34 ? gif : gif + std::string(34 - gif.size(), '\0'); }

}  // namespace test
}  // namespace movrel
