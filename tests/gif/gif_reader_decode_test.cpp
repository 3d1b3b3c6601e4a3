// Frames decoded to BMP, the LZW decoder's corner cases, and files built to
// break the reader.
#include <gtest/gtest.h>

#include <dirent.h>

#include <cstring>

#include "common/file_io.h"
#include "gif/gif_reader.h"
#include "gif/gif_reader_decode.h"
#include "gif/gif_reader_parse.h"
#include "gif_reader_test_util.h"

namespace movrel {
namespace {

using namespace gif_test;

uint32_t Le32At(const std::string& s, size_t pos) {
  return static_cast<uint8_t>(s[pos]) | static_cast<uint8_t>(s[pos + 1]) << 8 | static_cast<uint8_t>(s[pos + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[pos + 3])) << 24;
}

// Reads back a BMP the reader made: its palette indices, rows top to bottom.
std::vector<uint8_t> BmpIndices(const std::string& bmp) {
  const uint32_t offset = Le32At(bmp, 10);
  const int width = static_cast<int>(Le32At(bmp, 18));
  const int height = static_cast<int>(Le32At(bmp, 22));
  const int bits = static_cast<uint8_t>(bmp[28]);
  const size_t rowBytes = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
  std::vector<uint8_t> indices;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = reinterpret_cast<const uint8_t*>(bmp.data()) + offset + (height - 1 - y) * rowBytes;
    for (int x = 0; x < width; ++x) {
      int bitPos = x * bits;
      indices.push_back(static_cast<uint8_t>((row[bitPos / 8] >> (8 - bits - bitPos % 8)) & ((1 << bits) - 1)));
    }
  }
  return indices;
}

std::string Le32(uint32_t value) { return Le16(value & 0xFFFF) + Le16(value >> 16); }

std::vector<uint8_t> SmallPixels() { return {0, 1, 2, 3, 3, 2, 1, 0}; }

std::vector<uint8_t> Pattern(size_t count, int modulo, int seed = 0) {
  std::vector<uint8_t> pixels(count);
  uint32_t state = 12345u + seed;
  for (size_t i = 0; i < count; ++i) {
    state = state * 1103515245u + 12345u;
    pixels[i] = static_cast<uint8_t>(seed ? (state >> 16) % modulo : i % modulo);
  }
  return pixels;
}

// A one-image file of `width` × `height` with a global table of size field
// `sizeField` (none when negative) and the given pixels.
std::string OneImage(int width, int height, int sizeField, const std::vector<uint8_t>& pixels, int codeSize = 8,
                     bool interlaced = false) {
  std::string screen = sizeField >= 0 ? Header(width, height, 0x80 | sizeField) + Table(2 << sizeField)
                                      : Header(width, height, 0x07);
  return screen + Image(0, 0, width, height, interlaced ? 0x40 : 0, "", codeSize, LzwCodes(pixels, codeSize)) +
         Trailer();
}

std::string Frame1(const std::string& gif, std::string* error = nullptr) {
  GifReader reader;
  reader.Create();
  reader.LoadGif("", gif);
  std::string bmp = reader.GetGifData(1);
  if (error) *error = reader.GetError();
  return bmp;
}

TEST(GifReaderBmp, HeaderIsTheBmpLayout) {
  const std::string bmp = Frame1(OneImage(5, 3, 7, Pattern(15, 200)));
  ASSERT_EQ(bmp.size(), 14u + 40 + 1024 + 8 * 3);
  const std::string expected = "BM" + Le32(1102) + Le32(0) + Le32(1078) +                  // file header
                               Le32(40) + Le32(5) + Le32(3) + Le16(1) + Le16(8) + Le32(0) +  // size, planes, bits
                               Le32(24) + Le32(0) + Le32(0) + Le32(256) + Le32(0);           // image, colours
  EXPECT_EQ(bmp.substr(0, 54), expected);
  // Table entries are blue, green, red, 0.
  EXPECT_EQ(bmp.substr(54 + 4 * 2, 4), std::string("\x06\xFD\x02\x00", 4));
  EXPECT_EQ(BmpIndices(bmp), Pattern(15, 200));
}

TEST(GifReaderBmp, BitsPerPixelFollowTheTableSize) {
  for (int sizeField = 0; sizeField < 8; ++sizeField) {
    const int entries = 2 << sizeField;
    const int bits = entries == 2 ? 1 : entries <= 16 ? 4 : 8;
    // Odd widths exercise the row padding of every depth.
    for (int width : {1, 7, 33}) {
      const std::vector<uint8_t> pixels = Pattern(static_cast<size_t>(width) * 3, entries, sizeField + 1);
      const std::string bmp = Frame1(OneImage(width, 3, sizeField, pixels, sizeField < 2 ? 2 : sizeField + 1));
      ASSERT_FALSE(bmp.empty()) << entries;
      EXPECT_EQ(static_cast<uint8_t>(bmp[28]), bits) << entries;
      EXPECT_EQ(Le32At(bmp, 46), 1u << bits) << entries;
      EXPECT_EQ(BmpIndices(bmp), pixels) << entries << " entries, width " << width;
      // Entries beyond the file's table are zero.
      if ((1 << bits) > entries) {
        EXPECT_EQ(bmp.substr(54 + 4 * entries, 4), std::string(4, '\0'));
      }
    }
  }
}

TEST(GifReaderBmp, DefaultTablesWithoutAnyColourTable) {
  struct Case {
    uint8_t sizeField;
    int index;
    std::string bgr0;
  };
  for (const Case& c : {Case{0, 1, std::string("\xFF\xFF\xFF\x00", 4)}, Case{3, 1, std::string("\x80\x00\x00\x00", 4)},
                        Case{3, 8, std::string("\xC0\xC0\xC0\x00", 4)}, Case{3, 9, std::string("\xFF\x00\x00\x00", 4)},
                        Case{1, 12, std::string("\x00\x00\xFF\x00", 4)}, Case{7, 77, std::string("\x4D\x4D\x4D\x00", 4)}}) {
    const std::string gif = Padded(Header(2, 1, c.sizeField) + Image(0, 0, 2, 1, 0, "", 2, LzwCodes({0, 1}, 2)) + Trailer());
    const std::string bmp = Frame1(gif);
    ASSERT_FALSE(bmp.empty());
    EXPECT_EQ(bmp.substr(54 + 4 * c.index, 4), c.bgr0) << int(c.sizeField) << " entry " << c.index;
  }
}

TEST(GifReaderBmp, InterlacedRowsArePlacedByPass) {
  for (int height = 1; height <= 17; ++height) {
    // Row y of the picture is all index y; the file stores the rows in pass order.
    std::vector<uint8_t> display, stored;
    for (int y = 0; y < height; ++y) display.insert(display.end(), 3, static_cast<uint8_t>(y));
    for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
      for (int y = start; y < height; y += step) stored.insert(stored.end(), 3, static_cast<uint8_t>(y));
    }
    EXPECT_EQ(BmpIndices(Frame1(OneImage(3, height, 7, stored, 8, true))), display) << height;
  }
}

TEST(GifReaderBmp, LocalTableAndFramesBeyondTheScreen) {
  // A 6 × 4 frame on a 2 × 2 screen, with its own 4-entry table.
  const std::vector<uint8_t> pixels = Pattern(24, 4, 3);
  const std::string gif = Header(2, 2, 0x87) + Table(256) + Control(0, 1) +
                          Image(50, 60, 6, 4, 0x81, Table(4, 40), 2, LzwCodes(pixels, 2)) + Trailer();
  const std::string bmp = Frame1(gif);
  EXPECT_EQ(Le32At(bmp, 18), 6u);
  EXPECT_EQ(static_cast<uint8_t>(bmp[28]), 4);
  EXPECT_EQ(bmp.substr(54, 4), std::string("\x28\xD7\x28\x00", 4));
  EXPECT_EQ(BmpIndices(bmp), pixels);
}

// Decodes a raw code stream of a 2-bit image (clear 4, end 5) with 4-entry
// output, through the public decoder.
std::vector<uint16_t> DecodeCodes(const std::vector<std::pair<int, int>>& codes, int codeSize, LzwResult* result) {
  struct Collect : LzwPixelSink {
    std::vector<uint16_t> pixels;
    bool Put(const uint16_t* p, size_t n) override {
      pixels.insert(pixels.end(), p, p + n);
      return true;
    }
  } sink;
  const std::string blocks = SubBlocks(PackCodes(codes));
  GifSubBlockReader input(blocks, 0);
  *result = DecodeLzw(codeSize, input, sink);
  return sink.pixels;
}

TEST(GifReaderLzw, CornerCasesOfTheCodeStream) {
  struct Case {
    const char* what;
    std::vector<std::pair<int, int>> codes;
    std::vector<uint16_t> pixels;
    LzwResult result;
  };
  const Case cases[] = {
      {"code equal to the next free one", {{4, 3}, {1, 3}, {6, 3}, {5, 3}}, {1, 1, 1}, LzwResult::kEndCode},
      {"code above the next free one", {{4, 3}, {2, 3}, {7, 3}, {5, 3}}, {2, 2, 2}, LzwResult::kEndCode},
      {"no clear code first", {{3, 3}, {0, 3}, {6, 3}, {5, 4}}, {3, 0, 3, 0}, LzwResult::kEndCode},
      {"table code right after a clear code", {{4, 3}, {6, 3}, {1, 3}}, {}, LzwResult::kBadCode},
      {"data ends before the end code", {{4, 3}, {1, 3}, {2, 3}, {1, 3}, {6, 4}}, {1, 2, 1, 1, 2},
       LzwResult::kDataExhausted},
      {"width grows once code 7 is assigned", {{4, 3}, {0, 3}, {1, 3}, {2, 3}, {3, 4}, {6, 4}, {5, 4}},
       {0, 1, 2, 3, 0, 1}, LzwResult::kEndCode},
      {"code size 1", {{2, 2}, {1, 2}, {0, 2}, {4, 3}, {3, 3}}, {1, 0, 1, 0}, LzwResult::kEndCode},
  };
  for (const Case& c : cases) {
    LzwResult result;
    int codeSize = c.codes.front().second == 2 ? 1 : 2;
    EXPECT_EQ(DecodeCodes(c.codes, codeSize, &result), c.pixels) << c.what;
    EXPECT_EQ(result, c.result) << c.what;
  }
}

TEST(GifReaderLzw, FullTablesWithAndWithoutClearCodes) {
  // Noise over 256 colours fills the table many times over; the image data
  // also spans several refills of the decoder's window.
  const std::vector<uint8_t> noise = Pattern(300 * 300, 256, 9);
  for (bool clearWhenFull : {true, false}) {
    const std::string codes = LzwCodes(noise, 8, clearWhenFull);
    ASSERT_GT(codes.size(), 2 * GifSubBlockReader::kWindowBytes);
    const std::string gif = Header(300, 300, 0x87) + Table(256) + Image(0, 0, 300, 300, 0, "", 8, codes) + Trailer();
    EXPECT_EQ(BmpIndices(Frame1(gif)), noise) << clearWhenFull;
  }
}

TEST(GifReaderHostile, BadImagesFailClearly) {
  const std::string screen = Header(4, 2, 0x81) + Table(4);
  struct Case {
    const char* what;
    std::string image;
    const char* error;  // empty: a best-effort BMP
  };
  const Case cases[] = {
      {"code size 0", Image(0, 0, 4, 2, 0, "", 0, "\x01"), "当前帧已经损坏"},
      {"code size 12", Image(0, 0, 4, 2, 0, "", 12, "\x01"), "当前帧已经损坏"},
      {"no image data", Image(0, 0, 4, 2, 0, "", 2, ""), ""},
      {"65535 x 65535", Image(0, 0, 65535, 65535, 0, "", 2, LzwCodes({1}, 2)), "未知错误"},
      {"width 0", Image(0, 0, 0, 2, 0, "", 2, LzwCodes({1}, 2)), ""},
      {"height 0", Image(0, 0, 4, 0, 0, "", 2, LzwCodes({1}, 2)), ""},
      {"65535 x 1", Image(0, 0, 65535, 1, 0, "", 2, LzwCodes({1, 2, 3}, 2)), ""},
      {"indices the depth cannot hold", Image(0, 0, 4, 2, 0, "", 8, LzwCodes({200, 1, 2, 3}, 8)), ""},
  };
  for (const Case& c : cases) {
    GifReader reader;
    reader.Create();
    ASSERT_TRUE(reader.LoadGif("", screen + c.image + Trailer())) << c.what;
    const std::string bmp = reader.GetGifData(1);
    EXPECT_EQ(reader.GetError(), c.error) << c.what;
    EXPECT_EQ(bmp.empty(), *c.error != '\0') << c.what;
    if (!bmp.empty()) {
      EXPECT_EQ(bmp.size(), Le32At(bmp, 2)) << c.what;
      std::vector<uint8_t> indices = BmpIndices(bmp);
      for (uint8_t index : indices) EXPECT_LT(index, 4) << c.what;
    }
    // The object goes on working.
    EXPECT_EQ(reader.GetFrameInfo(1).Width, GifWord(c.image, 5)) << c.what;
  }
}

TEST(GifReaderHostile, TruncatedAtEveryLength) {
  const std::string whole = Header(8, 4, 0x81) + Table(4) + Looping(2) + Control(0x04, 10) + Comment("c") +
                            Image(0, 0, 8, 4, 0, "", 2, LzwCodes(Pattern(32, 4, 1), 2)) + Control(0, 10) +
                            Image(2, 1, 3, 3, 0x81, Table(4, 9), 2, LzwCodes(Pattern(9, 4, 2), 2)) +
                            Comment("end") + Trailer();
  GifReader reader;
  reader.Create();
  for (size_t length = 0; length <= whole.size(); ++length) {
    const std::string cut = whole.substr(0, length);
    bool loaded = reader.LoadGif("", cut);
    if (length < 34) {
      EXPECT_FALSE(loaded);
    }
    if (loaded) {
      EXPECT_EQ(reader.GetError(), "");
    }
    const int frames = reader.GetGifInfo().FrameCount;
    for (int k = 0; k <= frames + 1; ++k) {
      FrameInfo info = reader.GetFrameInfo(k);
      reader.SetFrameInfo(info, k);
      reader.GetPalette(k, 1);
      reader.SetPalette(k, 1, 0x123456);
      reader.GetGifData(k);
    }
    if (length >= 34) {
      EXPECT_EQ(reader.GetGifData(0).size(), length);
    }
  }
  // Still usable after every cut.
  ASSERT_TRUE(reader.LoadGif("", whole));
  EXPECT_EQ(reader.GetGifInfo().FrameCount, 2);
  EXPECT_EQ(BmpIndices(reader.GetGifData(2)), Pattern(9, 4, 2));
}

TEST(GifReaderHostile, RunawaySizesAndLengths) {
  const std::string frame = Control(0, 3) + Image(0, 0, 4, 2, 0, "", 2, LzwCodes(SmallPixels(), 2));
  struct Case {
    const char* what;
    std::string bytes;
    int frames;
  };
  const Case cases[] = {
      {"global table past the end", Header(4, 2, 0x87) + Table(4) + frame + Trailer(), 0},
      {"sub-block length past the end", Header(4, 2, 0x81) + Table(4) + frame + "\x21\xFE\xFFshort", 1},
      {"extension without terminator", Header(4, 2, 0x81) + Table(4) + frame + "\x21\xFF\x0BNETSCAPE2.0\x03\x01", 1},
      {"image data without terminator", Header(4, 2, 0x81) + Table(4) + frame.substr(0, frame.size() - 1), 1},
  };
  for (const Case& c : cases) {
    GifReader reader;
    reader.Create();
    EXPECT_TRUE(reader.LoadGif("", c.bytes)) << c.what << ": " << reader.GetError();
    EXPECT_EQ(reader.GetGifInfo().FrameCount, c.frames) << c.what;
    EXPECT_FALSE(reader.GetGifInfo().LOOP) << c.what;
    if (c.frames) {
      EXPECT_EQ(BmpIndices(reader.GetGifData(1)), SmallPixels()) << c.what;
    }
    EXPECT_EQ(reader.GetPalette(0, 200), -1) << c.what;
  }
}

std::vector<std::string> FilesIn(const std::string& folder, const char* suffix) {
  std::vector<std::string> paths;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name[0] != '.' && name.size() > strlen(suffix) && name.compare(name.size() - strlen(suffix), std::string::npos, suffix) == 0) {
        paths.push_back(folder + "/" + name);
      }
    }
    closedir(dir);
  }
  return paths;
}

// The fuzzer's seed files (other programs' and the maker's) load and decode
// here too, in both builds.
TEST(GifReaderFiles, SeedFilesLoadAndDecode) {
  const std::vector<std::string> seeds = FilesIn(MOVREL_SOURCE_DIR "/tests/gif/data", ".gif");
  ASSERT_GE(seeds.size(), 10u);
  for (const std::string& path : seeds) {
    GifReader reader;
    reader.Create();
    ASSERT_TRUE(reader.LoadGif(path)) << path << ": " << reader.GetError();
    const int frames = reader.GetGifInfo().FrameCount;
    EXPECT_GT(frames, 0) << path;
    for (int k = 1; k <= frames; ++k) {
      const std::string bmp = reader.GetGifData(k);
      ASSERT_GT(bmp.size(), 54u) << path << " frame " << k << ": " << reader.GetError();
      EXPECT_EQ(Le32At(bmp, 2), bmp.size());
    }
  }
}

// Every input the fuzzer ever failed on stays here as a regression test: it
// must be handled without a crash, and the object must stay usable.
TEST(GifReaderFiles, FuzzRegressions) {
  std::string good;
  ASSERT_TRUE(ReadWholeFile(MOVREL_SOURCE_DIR "/tests/gif/data/maker_anim.gif", &good));
  for (const std::string& path : FilesIn(MOVREL_SOURCE_DIR "/tests/gif/fuzz/regressions", "")) {
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(path, &bytes));
    GifReader reader;
    reader.Create();
    reader.LoadGif("", bytes);
    const int frames = reader.GetGifInfo().FrameCount;
    for (int k = 0; k <= frames; ++k) {
      reader.SetFrameInfo(reader.GetFrameInfo(k), k);
      reader.SetPalette(k, 0, reader.GetPalette(k, 0));
      reader.GetGifData(k);
    }
    EXPECT_TRUE(reader.LoadGif("", good)) << path;
    EXPECT_EQ(reader.GetGifInfo().FrameCount, 3) << path;
  }
}

}  // namespace
}  // namespace movrel
