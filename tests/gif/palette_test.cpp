#include "gif/palette.h"

#include <gtest/gtest.h>

#include <vector>

#include "maker_test_support.h"

namespace movrel {
namespace {

using test::Picture;
using test::Rgb;

WorkingImage Working(const Picture& p) {
  WorkingImage image;
  image.Allocate(p.width, p.height);
  for (int y = 0; y < p.height; ++y) {
    uint8_t* row = image.StoredRow(p.height - 1 - y);
    for (int x = 0; x < p.width; ++x) {
      row[3 * x] = p.At(x, y).b;
      row[3 * x + 1] = p.At(x, y).g;
      row[3 * x + 2] = p.At(x, y).r;
    }
  }
  return image;
}

Rgb Entry(const FrameImage& frame, int i) {
  const uint8_t* q = frame.ColorTable() + 4 * i;
  return Rgb{q[2], q[1], q[0]};
}

// Index at (x, y) counted from the top.
int IndexAt(const FrameImage& frame, int x, int y) { return frame.TopRow(y)[x]; }

// The key's colour as a picture colour, with some low-bit noise that the key
// ignores.
Rgb KeyColor(unsigned key, unsigned noise = 0) {
  return Rgb{static_cast<uint8_t>(KeyRed(key) | (noise & 15)), static_cast<uint8_t>(KeyGreen(key) | (noise >> 4 & 15)),
             static_cast<uint8_t>(KeyBlue(key) | (noise >> 8 & 15))};
}

// A one-row picture holding each key as often as its count says.
Picture WithCounts(const std::vector<std::pair<unsigned, int>>& keyCounts) {
  int n = 0;
  for (const auto& kc : keyCounts) n += kc.second;
  Picture p(n, 1);
  int x = 0;
  for (const auto& kc : keyCounts) {
    for (int i = 0; i < kc.second; ++i, ++x) p.At(x, 0) = KeyColor(kc.first, static_cast<unsigned>(x * 37));
  }
  return p;
}

Rgb OfKey(unsigned key) { return KeyColor(key); }

TEST(PopularityPalette, OneWhitePictureKeepsOnlyTheTopBitsAndFillsBlack) {
  Picture p(7, 3, Rgb{255, 255, 255});
  FrameImage frame;
  PopularityPalette(Working(p), &frame);
  EXPECT_EQ(Entry(frame, 0), (Rgb{240, 240, 240}));
  for (int i = 1; i < 256; ++i) ASSERT_EQ(Entry(frame, i), Rgb()) << i;
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 7; ++x) ASSERT_EQ(IndexAt(frame, x, y), 0);
  }
  // Row padding of the frame image: 7 pixels take 8 bytes.
  EXPECT_EQ(frame.rowBytes(), 8u);
}

TEST(PopularityPalette, OrderFollowsTheExchangeSortIncludingTies) {
  struct Case {
    const char* name;
    std::vector<std::pair<unsigned, int>> keyCounts;  // in any order in the picture
    std::vector<unsigned> expectedOrder;
  };
  const Case cases[] = {
      // Equal counts: the smaller key first.
      {"two equal", {{0xF00, 4}, {0x00F, 4}}, {0x00F, 0xF00}},
      {"most frequent first", {{0x001, 1}, {0x002, 5}, {0x003, 3}}, {0x002, 0x003, 0x001}},
      // Counts 1, 2, 2, 3 in key order: the exchanges carry the second 2
      // ahead of the first one, unlike a stable sort.
      {"exchange tie order", {{0x010, 1}, {0x020, 2}, {0x030, 2}, {0x040, 3}}, {0x040, 0x030, 0x020, 0x010}},
  };
  for (const Case& c : cases) {
    FrameImage frame;
    PopularityPalette(Working(WithCounts(c.keyCounts)), &frame);
    for (size_t i = 0; i < c.expectedOrder.size(); ++i) {
      EXPECT_EQ(Entry(frame, static_cast<int>(i)), OfKey(c.expectedOrder[i])) << c.name << " entry " << i;
    }
    EXPECT_EQ(Entry(frame, static_cast<int>(c.expectedOrder.size())), Rgb()) << c.name;
  }
}

// 256 frequent keys in the blue-green plane and `extra` rare ones.
std::vector<std::pair<unsigned, int>> Frequent256() {
  std::vector<std::pair<unsigned, int>> kc;
  for (unsigned i = 0; i < 256; ++i) kc.push_back({i << 4, 3});  // red 0: green and blue vary
  return kc;
}

TEST(PopularityPalette, ThreeHundredKeysMapTheRareOnesToTheNearestKeptColour) {
  auto kc = Frequent256();
  std::vector<unsigned> rare;
  for (unsigned i = 0; i < 44; ++i) rare.push_back((i * 5 % 256) << 4 | (1 + i % 3));  // red 16, 32 or 48
  for (unsigned key : rare) kc.push_back({key, 1});
  Picture p = WithCounts(kc);
  FrameImage frame;
  PopularityPalette(Working(p), &frame);
  // Every kept key is in the table; a rare key differs from its kept
  // neighbour (same green and blue, red 0) only in red, which is nearest.
  for (size_t i = 0; i < rare.size(); ++i) {
    int x = 256 * 3 + static_cast<int>(i);
    Rgb mapped = Entry(frame, IndexAt(frame, x, 0));
    EXPECT_EQ(mapped, OfKey(rare[i] & 0xFF0)) << "rare key " << rare[i];
  }
  for (int x = 0; x < 256 * 3; ++x) ASSERT_EQ(Entry(frame, IndexAt(frame, x, 0)), OfKey(kc[x / 3].first));
}

TEST(PopularityPalette, EqualDistancesGoToTheLowerIndex) {
  // Red 16 is as far from red 0 as from red 32; whichever of the two is more
  // frequent has the lower index and wins.
  for (bool zeroFirst : {true, false}) {
    std::vector<std::pair<unsigned, int>> kc = {{0x000, zeroFirst ? 10 : 9}, {0x002, zeroFirst ? 9 : 10}};
    for (unsigned i = 0; i < 254; ++i) kc.push_back({0x800 + i, 5});  // far away in blue
    kc.push_back({0x001, 1});
    ASSERT_EQ(kc.size(), 257u);
    FrameImage frame;
    PopularityPalette(Working(WithCounts(kc)), &frame);
    Rgb expected = OfKey(zeroFirst ? 0x000 : 0x002);
    ASSERT_EQ(Entry(frame, 0), expected);
    EXPECT_EQ(IndexAt(frame, frame.width() - 1, 0), 0) << "zero first: " << zeroFirst;
  }
}

TEST(CubePalette, TableAndFlatColours) {
  struct Case {
    Rgb color;
    int index;
  };
  const Case cases[] = {
      {{0, 0, 0}, 0},           // at or below 64: the lowest level
      {{64, 64, 64}, 0},
      {{255, 255, 255}, 215},   // capped at 224
      {{224, 224, 224}, 215},
      {{255, 0, 64}, 36 * 5},
  };
  for (const Case& c : cases) {
    Picture p(9, 9, c.color);
    FrameImage frame;
    CubePalette(Working(p), &frame);
    for (int y = 0; y < 9; ++y) {
      for (int x = 0; x < 9; ++x) ASSERT_EQ(IndexAt(frame, x, y), c.index) << int(c.color.r);
    }
  }
  FrameImage frame;
  CubePalette(Working(Picture(1, 1)), &frame);
  EXPECT_EQ(Entry(frame, 0), (Rgb{64, 64, 64}));
  EXPECT_EQ(Entry(frame, 43), (Rgb{96, 96, 96}));
  EXPECT_EQ(Entry(frame, 36 * 5 + 6 * 2 + 1), (Rgb{224, 128, 96}));
  EXPECT_EQ(Entry(frame, 215), (Rgb{224, 224, 224}));
  for (int i = 216; i < 256; ++i) EXPECT_EQ(Entry(frame, i), Rgb()) << i;
}

TEST(CubePalette, GreyEightyDithersThirtyOneToThirtyThreeCountingRowsFromTheBottom) {
  Picture p(16, 16, Rgb{80, 80, 80});
  FrameImage frame;
  CubePalette(Working(p), &frame);
  for (int cellY = 0; cellY < 2; ++cellY) {
    for (int cellX = 0; cellX < 2; ++cellX) {
      int low = 0, high = 0;
      for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
          int index = IndexAt(frame, cellX * 8 + x, cellY * 8 + y);
          low += index == 0;
          high += index == 43;
        }
      }
      EXPECT_EQ(low, 31);
      EXPECT_EQ(high, 33);
    }
  }
  // The matrix's row 0 belongs to the bottom row: threshold 0 there rounds up,
  // while the top row of a 16-row picture is stored row 15 (matrix row 7,
  // threshold 63) and rounds down.
  EXPECT_EQ(IndexAt(frame, 0, 15), 43);
  EXPECT_EQ(IndexAt(frame, 0, 0), 0);
  EXPECT_EQ(IndexAt(frame, 4, 14), 0);  // stored row 1, threshold 50

  // A multiple of 32 rounds up only where the threshold is 0.
  CubePalette(Working(Picture(8, 8, Rgb{96, 96, 96})), &frame);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 8; ++x) ASSERT_EQ(IndexAt(frame, x, y), x == 0 && y == 7 ? 86 : 43) << x << "," << y;
  }
}

}  // namespace
}  // namespace movrel
