// The file layout and the compressed stream, through the maker's own entry
// (pictures as BMP bytes in, GIF bytes out into memory).
#include "gif/gif_writer.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "gif/gif_maker.h"
#include "gif/lzw_encoder.h"
#include "maker_test_support.h"

namespace movrel {
namespace {

using test::Bytes;
using test::GifFile;
using test::Picture;
using test::Rgb;

struct Shot {
  FrameRecord frame;
  Picture picture;
};

std::string Compose(const AnimationSettings& animation, const std::vector<Shot>& shots) {
  GifMaker maker;
  maker.Create(animation);
  for (const Shot& s : shots) {
    EXPECT_TRUE(maker.AddFrame(s.frame, "", test::MakeBmp(s.picture))) << maker.GetError();
  }
  MemorySink sink;
  EXPECT_TRUE(maker.WriteGif(sink)) << maker.GetError();
  return sink.bytes();
}

GifFile Parse(const std::string& bytes) {
  GifFile gif;
  std::string error;
  EXPECT_TRUE(test::ParseGif(bytes, &gif, &error)) << error;
  return gif;
}

// Codes packed least significant bit first, as sub-blocks of up to 255 bytes.
std::string PackCodes(const std::vector<std::pair<int, int>>& codesAndWidths) {
  std::string data;
  uint32_t bits = 0;
  int pending = 0;
  for (auto [code, width] : codesAndWidths) {
    bits |= static_cast<uint32_t>(code) << pending;
    for (pending += width; pending >= 8; pending -= 8, bits >>= 8) data.push_back(static_cast<char>(bits & 0xFF));
  }
  if (pending) data.push_back(static_cast<char>(bits & 0xFF));
  std::string blocks;
  for (size_t i = 0; i < data.size(); i += 255) {
    std::string part = data.substr(i, 255);
    blocks.push_back(static_cast<char>(part.size()));
    blocks += part;
  }
  return blocks;
}

Shot Flat(int w, int h, Rgb c, FrameRecord frame = FrameRecord()) { return Shot{frame, Picture(w, h, c)}; }

const size_t kAfterGlobalTable = 6 + 7 + 768;

TEST(GifWriter, SingleFrameOfOneColourByteForByte) {
  AnimationSettings animation;
  animation.comment = "";
  FrameRecord frame;
  frame.leftPx = 5;  // a single frame keeps no offset, delay or comment
  frame.comment = "ignored";
  frame.transparent = true;
  std::string gif = Compose(animation, {Flat(10, 10, Rgb{255, 255, 255}, frame)});

  std::string expected = "GIF89a" + Bytes({10, 0, 10, 0, 0xF7, 0, 0});
  std::string table(768, '\0');
  table[0] = table[1] = table[2] = static_cast<char>(0xF0);
  expected += table;
  expected += Bytes({0x2C, 0, 0, 0, 0, 10, 0, 10, 0, 0x07, 0x08});
  // 100 pixels of index 0: runs of 1, 2, …, 13 pixels and one of 9.
  std::vector<std::pair<int, int>> codes = {{256, 9}, {0, 9}};
  for (int code = 258; code <= 269; ++code) codes.push_back({code, 9});
  codes.push_back({265, 9});
  codes.push_back({257, 9});
  expected += PackCodes(codes) + Bytes({0x00, 0x3B});
  EXPECT_EQ(gif, expected);
}

TEST(GifWriter, LoopingBlockFollowsTheGlobalTableOnlyWhenLooping) {
  AnimationSettings animation;
  std::vector<Shot> two = {Flat(4, 4, Rgb{1, 2, 3}), Flat(4, 4, Rgb{200, 0, 0})};
  std::string looping = Compose(animation, two);
  EXPECT_EQ(looping.substr(kAfterGlobalTable, 19),
            Bytes({0x21, 0xFF, 0x0B}) + "NETSCAPE2.0" + Bytes({0x03, 0x01, 0x00, 0x00, 0x00}));
  animation.loopCount = 513;
  EXPECT_EQ(looping.size(), Compose(animation, two).size());
  EXPECT_EQ(Compose(animation, two).substr(kAfterGlobalTable + 16, 2), Bytes({0x01, 0x02}));

  animation.loop = false;
  std::string once = Compose(animation, two);
  EXPECT_EQ(once.substr(kAfterGlobalTable, 3), Bytes({0x21, 0xF9, 0x04}));
  EXPECT_FALSE(Parse(once).hasLoop);
}

TEST(GifWriter, GraphicControlBlock) {
  struct Case {
    uint8_t disposal;
    bool transparent;
    uint16_t delay;
    std::string expected;
  };
  const Case cases[] = {
      {DisposalRestoreBackground, true, 15, Bytes({0x21, 0xF9, 0x04, 0x09, 0x0F, 0x00, 0x00, 0x00})},
      {DisposalUndefined, false, 60, Bytes({0x21, 0xF9, 0x04, 0x00, 0x3C, 0x00, 0x00, 0x00})},
      {DisposalLeave, false, 300, Bytes({0x21, 0xF9, 0x04, 0x04, 0x2C, 0x01, 0x00, 0x00})},
      {DisposalRestoreForeground, true, 0, Bytes({0x21, 0xF9, 0x04, 0x0D, 0x00, 0x00, 0x00, 0x00})},
      // Only the low three bits of the disposal are written.
      {9, false, 1, Bytes({0x21, 0xF9, 0x04, 0x04, 0x01, 0x00, 0x00, 0x00})},
  };
  for (const Case& c : cases) {
    FrameRecord frame;
    frame.disposalMethod = c.disposal;
    frame.transparent = c.transparent;
    frame.delayCs = c.delay;
    AnimationSettings animation;
    animation.loop = false;
    std::string gif = Compose(animation, {Flat(3, 3, Rgb{9, 9, 9}, frame), Flat(3, 3, Rgb{9, 9, 9})});
    EXPECT_EQ(gif.substr(kAfterGlobalTable, 8), c.expected) << int(c.disposal);
  }
}

TEST(GifWriter, FramesCarryOffsetsLocalTablesAndComments) {
  FrameRecord first;
  first.comment = "abc";
  first.leftPx = 2;
  first.topPx = 300;
  FrameRecord second;
  second.comment = std::string(300, 'x');
  AnimationSettings animation;
  animation.loop = false;
  std::string gif = Compose(animation, {Flat(5, 3, Rgb{0, 0, 255}, first), Flat(2, 7, Rgb{0, 255, 0}, second)});

  EXPECT_EQ(gif.substr(kAfterGlobalTable + 8, 17),
            Bytes({0x21, 0xFE, 0x03, 'a', 'b', 'c', 0x00, 0x2C, 2, 0, 0x2C, 1, 5, 0, 3, 0, 0x87}));
  GifFile parsed = Parse(gif);
  ASSERT_EQ(parsed.frames.size(), 2u);
  EXPECT_EQ(parsed.frames[1].comment, std::string(255, 'x'));
  for (const auto& f : parsed.frames) {
    ASSERT_EQ(f.localTable.size(), 256u);
    EXPECT_EQ(f.descriptorPacked, 0x87);
  }
  // The first frame's local table equals the global one.
  EXPECT_EQ(parsed.frames[0].localTable, parsed.globalTable);
  EXPECT_EQ(parsed.frames[1].localTable[0], (Rgb{0, 240, 0}));
  EXPECT_EQ(parsed.width, 5);
  EXPECT_EQ(parsed.height, 3);
  EXPECT_TRUE(parsed.trailingComment.empty());
}

TEST(GifWriter, AnimationCommentStandsBeforeTheTrailerCutTo255Bytes) {
  AnimationSettings animation;
  animation.comment = std::string(300, 'c');
  std::string gif = Compose(animation, {Flat(2, 2, Rgb())});
  EXPECT_EQ(gif.substr(gif.size() - 260), Bytes({0x21, 0xFE, 0xFF}) + std::string(255, 'c') + Bytes({0x00, 0x3B}));

  // A double-byte character across the 255th byte is left out whole rather
  // than cut in half.
  animation.comment = std::string(254, 'c') + "录制";
  gif = Compose(animation, {Flat(2, 2, Rgb())});
  EXPECT_EQ(Parse(gif).trailingComment, std::string(254, 'c'));
  EXPECT_EQ(CommentBytes(std::string("ab\0cd", 5)), "ab");
}

TEST(GifWriter, CodeWidthClimbsToTwelveClearsAndStartsAgainAtNine) {
  Picture p = test::Noise(256, 128, 5);
  GifMaker maker;
  maker.Create(AnimationSettings());
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", test::MakeBmp(p)));
  MemorySink sink;
  ASSERT_TRUE(maker.WriteGif(sink));
  GifFile gif = Parse(sink.bytes());
  ASSERT_EQ(gif.frames.size(), 1u);
  const test::GifFrame& f = gif.frames[0];

  ASSERT_GE(f.codes.size(), 2u);
  EXPECT_EQ(f.codes.front(), 256);
  EXPECT_EQ(f.codes.back(), 257);
  int clearsAt12 = 0;
  for (size_t i = 1; i < f.codes.size(); ++i) {
    if (f.codes[i] == 256) {
      EXPECT_EQ(f.codeWidths[i], 12);
      ++clearsAt12;
      ASSERT_LT(i + 1, f.codes.size());
      EXPECT_EQ(f.codeWidths[i + 1], 9);
    }
  }
  EXPECT_GE(clearsAt12, 1);
  for (int w = 9; w <= 12; ++w) {
    EXPECT_NE(std::find(f.codeWidths.begin(), f.codeWidths.end(), w), f.codeWidths.end()) << w;
  }
  // Codes 258 to 4095 are all given out, one per code written, before the
  // next code written is followed by the clear code: 3839 codes between the
  // first two clear codes.
  auto second = std::find(f.codes.begin() + 1, f.codes.end(), 256);
  ASSERT_NE(second, f.codes.end());
  EXPECT_EQ(second - f.codes.begin() - 1, 3839);

  // Every pixel decodes back; all sub-blocks but the last are full.
  const FrameImage* frame = maker.Frame(0);
  for (int y = 0; y < frame->height(); ++y) {
    for (int x = 0; x < frame->width(); ++x) {
      ASSERT_EQ(f.indices[static_cast<size_t>(y) * frame->width() + x], frame->TopRow(y)[x]);
    }
  }
  for (size_t i = 0; i + 1 < f.subBlockSizes.size(); ++i) ASSERT_EQ(f.subBlockSizes[i], 255);
  EXPECT_GT(sink.bytes().size(), 32768u);  // more than one output buffer
}

TEST(GifWriter, EndCodeWidensWithTheDecoderAfterTheLastCode) {
  // After reading the last code a decoder adds one more string; when that
  // string's code is 512, 1024 or 2048 it reads the end code one bit wider.
  // The bit position of that end code depends only on how many codes came
  // before: after five table resets and 255 more codes, a narrow end code
  // would close a byte exactly, and the decoder would run out of bits. Rows
  // of random indices, one pixel longer each time, walk through that case
  // (five resets take a little under 20 000 of these pixels).
  std::vector<uint8_t> noise(20400);
  uint32_t state = 99;
  for (uint8_t& v : noise) {
    state = state * 1664525u + 1013904223u;
    v = static_cast<uint8_t>(state >> 24);
  }
  int widenedAtByteEnd = 0;
  for (int width = 19800; width <= 20400 && !widenedAtByteEnd; ++width) {
    FrameImage frame;
    frame.Allocate(width, 1);
    std::copy(noise.begin(), noise.begin() + width, frame.StoredRow(0));
    MemorySink sink;
    WriteImageData(frame, false, sink);
    test::GifFrame decoded;
    std::string error;
    ASSERT_TRUE(test::DecodeImageData(sink.bytes(), static_cast<size_t>(width), &decoded, &error))
        << "width " << width << ": " << error;
    ASSERT_TRUE(std::equal(decoded.indices.begin(), decoded.indices.end(), frame.StoredRow(0)));
    const auto& widths = decoded.codeWidths;
    if (widths.back() > widths[widths.size() - 2] && decoded.endBit % 8 == 1) ++widenedAtByteEnd;
  }
  EXPECT_EQ(widenedAtByteEnd, 1);
}

TEST(GifWriter, InterlacedRowsComeInPassOrderEachOnce) {
  struct Case {
    int height;
    std::vector<int> order;
  };
  const Case cases[] = {
      {1, {0}},
      {2, {0, 1}},
      {3, {0, 2, 1}},
      {4, {0, 2, 1, 3}},
      {5, {0, 4, 2, 1, 3}},
      {9, {0, 8, 4, 2, 6, 1, 3, 5, 7}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RowOrder(c.height, true), c.order) << c.height;
    // Each row a colour of its own, so the stream shows the order.
    Picture p(3, c.height);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < 3; ++x) p.At(x, y) = Rgb{static_cast<uint8_t>(16 * y + 16), 0, 0};
    }
    AnimationSettings animation;
    animation.interlace = true;
    GifMaker maker;
    maker.Create(animation);
    ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", test::MakeBmp(p)));
    MemorySink sink;
    ASSERT_TRUE(maker.WriteGif(sink));
    GifFile gif = Parse(sink.bytes());
    const test::GifFrame& f = gif.frames[0];
    EXPECT_EQ(f.descriptorPacked, 0x47);
    for (size_t i = 0; i < c.order.size(); ++i) {
      Rgb color = gif.globalTable[f.indices[3 * i]];
      EXPECT_EQ(color.r, 16 * c.order[i] + 16) << "height " << c.height << " position " << i;
    }
  }
  EXPECT_EQ(RowOrder(3, false), (std::vector<int>{0, 1, 2}));
}

// A picture without pixels has no first pixel to read: each coder writes a
// clear code and the end code, and nothing else.
TEST(GifWriter, PicturesWithoutPixelsAreAClearAndAnEndCode) {
  enum Coder { kFrame, kIndexed, kChosen };
  struct Case {
    Coder coder;
    int width, height;
    bool interlace;
  };
  const Case cases[] = {
      {kFrame, 0, 0, false},  {kFrame, 0, 0, true},  // a frame image never allocated
      {kIndexed, 4, 0, false}, {kIndexed, 0, 3, true}, {kChosen, 4, 0, false}, {kChosen, 0, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "coder " << c.coder << ", " << c.width << " x " << c.height);
    MemorySink sink;
    std::vector<uint8_t> none;
    int minCodeSize = 8;
    if (c.coder == kFrame) {
      WriteImageData(FrameImage(), c.interlace, sink);
    } else if (c.coder == kIndexed) {
      minCodeSize = 2;
      WriteIndexedImageData(none.data(), c.width, c.height, minCodeSize, c.interlace, sink);
    } else {
      minCodeSize = 3;
      PixelChoices choices;
      choices.width = c.width;
      choices.height = c.height;
      choices.primary = choices.flags = choices.second = none.data();
      WriteChosenImageData(choices, minCodeSize, c.interlace, sink, none.data());
    }
    test::GifFrame decoded;
    std::string error;
    ASSERT_TRUE(test::DecodeImageData(sink.bytes(), 0, &decoded, &error)) << error;
    EXPECT_EQ(decoded.minCodeSize, minCodeSize);
    EXPECT_EQ(decoded.codes, (std::vector<int>{1 << minCodeSize, (1 << minCodeSize) + 1}));
  }
}

// The compact layout's coder: whatever it chooses, a decoder must read back
// exactly the indexes it says it wrote, each one of the pixel's choices.
TEST(ChoiceCoder, EveryPixelDecodesToAChoiceItWasGiven) {
  enum Kind { kNoise, kText, kTextThenNoise };
  struct Case {
    const char* name;
    Kind kind;
    int width, height, minCodeSize;
    bool interlace, tolerant;
    bool keepsFullTable;  // the table fills up and is never started over
  };
  const Case cases[] = {
      {"noise", kNoise, 300, 200, 8, false, false, false},
      {"noise, interlaced, tolerant", kNoise, 257, 131, 6, true, true, false},
      {"text", kText, 1200, 900, 3, false, false, true},
      {"text then noise, tolerant", kTextThenNoise, 1200, 1100, 4, false, true, false},
      {"one pixel", kNoise, 1, 1, 2, true, false, false},
  };
  for (const Case& c : cases) {
    const size_t n = static_cast<size_t>(c.width) * c.height;
    const unsigned colours = (1u << c.minCodeSize) - 1;  // index 0 is transparent
    std::vector<uint8_t> primary(n), flags(n), second(n), written(n, 0xFF);
    std::vector<uint32_t> wanted(n), tolerance(n), table(colours + 1);
    uint32_t state = 7;
    auto random = [&](uint32_t range) {
      state = state * 1664525u + 1013904223u;
      return (state >> 8) % range;
    };
    for (uint32_t& t : table) t = random(1u << 24);
    for (int y = 0; y < c.height; ++y) {
      // Lines of strokes at varying places on a flat page.
      const bool noise = c.kind == kNoise || (c.kind == kTextThenNoise && y >= c.height / 2);
      for (int x = 0; x < c.width; ++x) {
        const size_t i = static_cast<size_t>(y) * c.width + x;
        uint8_t v = 1;
        if (noise) {
          v = static_cast<uint8_t>(1 + random(colours));
        } else if (y % 16 < 7 && (x * 7 + y * 3 + (x / 9) * (y / 16)) % 29 == 0) {
          v = static_cast<uint8_t>(1 + (x / 5 + y / 12) % colours);
        }
        primary[i] = v;
        const uint32_t r = random(10);
        if (r < 3) flags[i] |= kMayBeTransparent;
        if (r >= 2 && r < 4) {
          flags[i] |= kHasSecond;
          second[i] = static_cast<uint8_t>(1 + v % colours);
        }
        wanted[i] = table[v];
        tolerance[i] = random(3) == 0 ? random(40000) : 0;
      }
    }
    PixelChoices choices;
    choices.width = c.width;
    choices.height = c.height;
    choices.primary = primary.data();
    choices.flags = flags.data();
    choices.second = second.data();
    choices.transparent = 0;
    if (c.tolerant) {
      choices.wanted = wanted.data();
      choices.tolerance = tolerance.data();
    }
    choices.table = table.data();
    choices.tableSize = static_cast<int>(table.size());
    MemorySink sink;
    WriteChosenImageData(choices, c.minCodeSize, c.interlace, sink, written.data());

    test::GifFrame decoded;
    std::string error;
    ASSERT_TRUE(test::DecodeImageData(sink.bytes(), n, &decoded, &error)) << c.name << ": " << error;
    const std::vector<int> rows = RowOrder(c.height, c.interlace);
    for (size_t k = 0; k < n; ++k) {
      const size_t i = static_cast<size_t>(rows[k / c.width]) * c.width + k % c.width;
      const uint8_t w = written[i];
      ASSERT_EQ(decoded.indices[k], w) << c.name << ", pixel " << i;
      const bool allowed = w == primary[i] || (w == 0 && (flags[i] & kMayBeTransparent)) ||
                           ((flags[i] & kHasSecond) && w == second[i]) ||
                           (c.tolerant && w != 0 && ColorDistance(table[w], wanted[i]) <= tolerance[i]);
      ASSERT_TRUE(allowed) << c.name << ", pixel " << i << " got " << int{w};
    }
    const size_t clears = static_cast<size_t>(std::count(decoded.codes.begin(), decoded.codes.end(), 1 << c.minCodeSize));
    if (c.keepsFullTable) {
      EXPECT_EQ(clears, 1u) << c.name;
      EXPECT_GT(decoded.codes.size(), 4096u) << c.name;
    } else if (n > 10000) {
      EXPECT_GT(clears, 1u) << c.name;
    }
  }
}

}  // namespace
}  // namespace movrel
