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
    empty_ = false;
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
  bool empty_ = true;
};

// The nearest entry of a table to any colour (smallest squared distance;
// the lowest index wins ties). The colour cube is cut into cells of 8 levels
// a channel; the first colour asked in a cell lists the entries that can be
// nearest to any colour of it, and every colour of the cell then looks at
// those alone.
class NearestColor {
 public:
  explicit NearestColor(const std::vector<uint32_t>& table);
  uint8_t Find(uint32_t rgb) {
    const size_t cell = (rgb >> 19 & 0x1F) << 10 | (rgb >> 11 & 0x1F) << 5 | (rgb >> 3 & 0x1F);
    if (cellStart_[cell] < 0) {
      // Listing a cell looks at every entry: worth it only for a cell asked
      // often, the others are searched through the entries by green.
      if (--cellStart_[cell] > -kAskedBeforeListing) return SearchByGreen(rgb);
      ListCell(cell);
    }
    const int red = static_cast<int>(rgb >> 16 & 0xFF), green = static_cast<int>(rgb >> 8 & 0xFF),
              blue = static_cast<int>(rgb & 0xFF);
    int best = 1 << 30;
    uint8_t bestIndex = 0;
    const uint8_t* c = &candidates_[static_cast<size_t>(cellStart_[cell])];
    for (int n = cellCount_[cell]; n > 0; --n, ++c) {
      const Entry& e = entries_[*c];
      const int dr = e.red - red, dg = e.green - green, db = e.blue - blue;
      const int d = dr * dr + dg * dg + db * db;
      // Candidates are listed by index, so the first of equals stays.
      if (d < best) {
        best = d;
        bestIndex = *c;
      }
    }
    return bestIndex;
  }

 private:
  static constexpr size_t kCells = 1 << 15;
  static constexpr int kAskedBeforeListing = 16;
  void ListCell(size_t cell);
  uint8_t SearchByGreen(uint32_t rgb) const;

  struct Entry {
    int red, green, blue;
  };
  struct Sorted {
    int red, green, blue;
    uint8_t index;
  };
  std::vector<Entry> entries_;
  std::vector<Sorted> byGreen_;  // the entries by green, to stop a search early
  std::vector<int> least_;       // scratch of ListCell
  std::vector<int32_t> cellStart_;  // into candidates_, -1 while not listed
  std::vector<uint16_t> cellCount_;
  std::vector<uint8_t> candidates_;
};

}  // namespace movrel
