#include "gif/palette.h"

#include <cstdint>
#include <utility>

namespace movrel {

namespace {

constexpr int kKeyCount = 4096;

struct KeyCount {
  uint16_t key;
  uint32_t count;
};

// Palette positions for every key, chosen by popularity. `counts` is the
// histogram of the picture's keys.
void ChoosePopularColors(const uint32_t* counts, FrameImage* frame, uint8_t* keyToIndex) {
  // The keys that occur, in ascending key order.
  KeyCount list[kKeyCount];
  int n = 0;
  for (int key = 0; key < kKeyCount; ++key) {
    if (counts[key]) list[n++] = {static_cast<uint16_t>(key), counts[key]};
  }

  // Largest count first by exchanging whenever a later entry is strictly
  // larger; equal counts never swap, which fixes the order of ties. Only the
  // first 256 positions decide anything (the palette, and which keys are left
  // over), and the later rounds of the exchange never touch them.
  int kept = n < 256 ? n : 256;
  for (int i = 0; i < kept && i < n - 1; ++i) {
    for (int j = i + 1; j < n; ++j) {
      if (list[j].count > list[i].count) std::swap(list[i], list[j]);
    }
  }

  for (int i = 0; i < kept; ++i) {
    unsigned key = list[i].key;
    frame->SetColor(i, static_cast<uint8_t>(KeyRed(key)), static_cast<uint8_t>(KeyGreen(key)),
                    static_cast<uint8_t>(KeyBlue(key)));
    keyToIndex[key] = static_cast<uint8_t>(i);
  }
  // The rest of the table stays black, as FrameImage::Allocate left it.

  // A left-over key takes the kept colour at the smallest squared distance;
  // only a strictly smaller distance replaces the best so far, so the lowest
  // index wins ties.
  for (int pos = kept; pos < n; ++pos) {
    unsigned key = list[pos].key;
    int red = static_cast<int>(KeyRed(key));
    int green = static_cast<int>(KeyGreen(key));
    int blue = static_cast<int>(KeyBlue(key));
    long best = 1000000000L;
    int bestIndex = 0;
    for (int i = 0; i < 256; ++i) {
      unsigned other = list[i].key;
      int dr = red - static_cast<int>(KeyRed(other));
      int dg = green - static_cast<int>(KeyGreen(other));
      int db = blue - static_cast<int>(KeyBlue(other));
      long distance = static_cast<long>(dr) * dr + static_cast<long>(dg) * dg + static_cast<long>(db) * db;
      if (distance < best) {
        best = distance;
        bestIndex = i;
      }
    }
    keyToIndex[key] = static_cast<uint8_t>(bestIndex);
  }
}

// Threshold matrix of the ordered dither, indexed [stored row % 8][column % 8]
// with stored rows counted from the bottom of the picture.
constexpr uint8_t kThreshold[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},   {63, 31, 55, 23, 61, 29, 53, 21},
};

// Cube level 0..5 of channel value v under threshold t.
uint8_t CubeLevel(unsigned v, unsigned t) {
  if (v <= 64) return 0;
  unsigned base = v / 32 * 32;
  unsigned level = (2 * (v % 32) < t) ? base : base + 32;
  if (level > 224) level = 224;
  return static_cast<uint8_t>((level - 64) / 32);
}

struct CubeTables {
  // levels[t][v], pre-multiplied for red (36), green (6) and blue (1).
  uint8_t red[64][256];
  uint8_t green[64][256];
  uint8_t blue[64][256];
  CubeTables() {
    for (unsigned t = 0; t < 64; ++t) {
      for (unsigned v = 0; v < 256; ++v) {
        uint8_t level = CubeLevel(v, t);
        red[t][v] = static_cast<uint8_t>(36 * level);
        green[t][v] = static_cast<uint8_t>(6 * level);
        blue[t][v] = level;
      }
    }
  }
};

}  // namespace

void PopularityPalette(const WorkingImage& source, FrameImage* frame) {
  frame->Allocate(source.width(), source.height());
  int width = source.width();
  int height = source.height();

  uint32_t counts[kKeyCount] = {};
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = source.StoredRow(y);
    for (int x = 0; x < width; ++x, p += 3) ++counts[ColorKey(p[0], p[1], p[2])];
  }

  uint8_t keyToIndex[kKeyCount] = {};
  ChoosePopularColors(counts, frame, keyToIndex);

  for (int y = 0; y < height; ++y) {
    const uint8_t* p = source.StoredRow(y);
    uint8_t* out = frame->StoredRow(y);
    for (int x = 0; x < width; ++x, p += 3) out[x] = keyToIndex[ColorKey(p[0], p[1], p[2])];
  }
}

void CubePalette(const WorkingImage& source, FrameImage* frame) {
  static const CubeTables tables;
  frame->Allocate(source.width(), source.height());
  for (int r = 0; r < 6; ++r) {
    for (int g = 0; g < 6; ++g) {
      for (int b = 0; b < 6; ++b) {
        frame->SetColor(36 * r + 6 * g + b, static_cast<uint8_t>(64 + 32 * r), static_cast<uint8_t>(64 + 32 * g),
                        static_cast<uint8_t>(64 + 32 * b));
      }
    }
  }
  int width = source.width();
  int height = source.height();
  for (int y = 0; y < height; ++y) {
    const uint8_t* p = source.StoredRow(y);
    uint8_t* out = frame->StoredRow(y);
    const uint8_t* thresholds = kThreshold[y % 8];
    for (int x = 0; x < width; ++x, p += 3) {
      unsigned t = thresholds[x % 8];
      out[x] = static_cast<uint8_t>(tables.red[t][p[2]] + tables.green[t][p[1]] + tables.blue[t][p[0]]);
    }
  }
}

}  // namespace movrel
