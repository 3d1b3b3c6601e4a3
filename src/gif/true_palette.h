// Colour tables of the compact layout, made from a frame's real colours: the
// exact colours when there are few enough, otherwise a median cut of the
// colours that occur, each entry the mean of the pixels it stands for, with
// every pixel mapped to its nearest entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace movrel {

// The distinct colours seen, up to a limit, each with its index in the
// order first seen and how often it was added. Adding one more than the
// limit marks the set as overflowed; it then holds no more.
class ColorSet {
 public:
  explicit ColorSet(size_t limit = 256);

  // False once the set has overflowed.
  bool Add(uint32_t rgb) {
    size_t slot = Find(rgb);
    if (slots_[slot] != kEmpty) {
      ++counts_[indexes_[slot]];
      return true;
    }
    return Insert(slot, rgb);
  }
  bool Overflowed() const { return overflowed_; }
  size_t size() const { return colors_.size(); }
  const std::vector<uint32_t>& colors() const { return colors_; }
  // The colours, the most often added first (ties in the order first seen).
  std::vector<uint32_t> ByUse() const;
  // The index of a colour in the set, or -1 when it is not there.
  int IndexOf(uint32_t rgb) const {
    size_t slot = Find(rgb);
    return slots_[slot] == kEmpty ? -1 : indexes_[slot];
  }
  bool Contains(uint32_t rgb) const { return slots_[Find(rgb)] != kEmpty; }
  void Clear();

 private:
  static constexpr uint32_t kEmpty = 0xFFFFFFFFu;  // no colour has its top byte set
  size_t Find(uint32_t rgb) const {
    size_t h = (rgb * 2654435761u) >> 22 & mask_;
    while (slots_[h] != kEmpty && slots_[h] != rgb) h = (h + 1) & mask_;
    return h;
  }
  bool Insert(size_t slot, uint32_t rgb);

  size_t limit_;
  size_t mask_;
  bool overflowed_ = false;
  std::vector<uint32_t> slots_;
  std::vector<uint16_t> indexes_;
  std::vector<uint32_t> colors_;
  std::vector<uint64_t> counts_;
};

// Builds a table of at most `maxColors` entries (1..256) for the pixels
// given by repeated Add calls, then maps colours to it.
class MedianCutPalette {
 public:
  MedianCutPalette();
  void Reset();
  void Add(uint32_t rgb) {
    Bucket& b = buckets_[BucketOf(rgb)];
    ++b.count;
    b.red += rgb >> 16 & 0xFF;
    b.green += rgb >> 8 & 0xFF;
    b.blue += rgb & 0xFF;
  }
  // Splits the colours seen into at most `maxColors` boxes; each entry is
  // its box's mean colour, refined by one pass of moving each entry to the
  // mean of the colours nearest to it.
  std::vector<uint32_t> Build(int maxColors);

 private:
  struct Bucket {
    uint32_t count = 0;
    uint64_t red = 0, green = 0, blue = 0;
  };
  // 6 bits of green, 5 of red and blue: the eye tells greens apart best.
  static size_t BucketOf(uint32_t rgb) {
    return (rgb >> 19 & 0x1F) << 11 | (rgb >> 10 & 0x3F) << 5 | (rgb >> 3 & 0x1F);
  }
  std::vector<Bucket> buckets_;
};

// The nearest entry of a table to any colour (smallest squared distance;
// the lowest index wins ties), with a cache for colours already asked.
class NearestColor {
 public:
  explicit NearestColor(const std::vector<uint32_t>& table);
  uint8_t Find(uint32_t rgb) {
    size_t h = (rgb * 2654435761u) >> 16 & (kCacheSize - 1);
    if (cacheKey_[h] == rgb) return cacheIndex_[h];
    uint8_t index = Search(rgb);
    cacheKey_[h] = rgb;
    cacheIndex_[h] = index;
    return index;
  }

 private:
  static constexpr size_t kCacheSize = 1 << 16;
  uint8_t Search(uint32_t rgb) const;

  struct Entry {
    int red, green, blue;
    uint8_t index;
  };
  std::vector<Entry> byGreen_;  // the table sorted by green, to stop the search early
  std::vector<uint32_t> cacheKey_;
  std::vector<uint8_t> cacheIndex_;
};

}  // namespace movrel
