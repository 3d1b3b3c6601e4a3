// Frames decoded to BMP, the LZW decoder's corner cases, and files built to
// break the reader. Decoding of other programs' files is checked against
// Pillow by gif_reader_peer_test.py.
#include <gtest/gtest.h>

#include <dirent.h>

#include "common/file_io.h"
#include "gif/gif_reader.h"
#include "gif/gif_reader_decode.h"
#include "gif_reader_test_util.h"

namespace movrel {
namespace {

using namespace test;

uint32_t Le32At(const std::string& s, size_t pos) {
  return static_cast<uint8_t>(s[pos]) | static_cast<uint8_t>(s[pos + 1]) << 8 | static_cast<uint8_t>(s[pos + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(s[pos + 3])) << 24;
}

std::string Le32(uint32_t value) { return Le16(value & 0xFFFF) + Le16(value >> 16); }

// The palette indices of a BMP the reader made, rows top to bottom.
std::vector<uint8_t> BmpIndices(const std::string& bmp) {
  const int width = static_cast<int>(Le32At(bmp, 18)), height = static_cast<int>(Le32At(bmp, 22));
  const int bits = static_cast<uint8_t>(bmp[28]);
  const size_t rowBytes = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
  std::vector<uint8_t> indices;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = reinterpret_cast<const uint8_t*>(bmp.data()) + Le32At(bmp, 10) + (height - 1 - y) * rowBytes;
    for (int x = 0; x < width; ++x) {
      int bit = x * bits;
      indices.push_back(static_cast<uint8_t>((row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1)));
    }
  }
  return indices;
}

// i % modulo, or pseudo-random below modulo when seeded.
std::vector<uint8_t> Pattern(size_t count, int modulo, uint32_t seed = 0) {
  std::vector<uint8_t> pixels(count);
  uint32_t state = seed;
  for (size_t i = 0; i < count; ++i) {
    state = state * 1103515245u + 12345u;
    pixels[i] = static_cast<uint8_t>(seed ? (state >> 16) % modulo : i % modulo);
  }
  return pixels;
}

std::string Frame1(const std::string& gif, std::string* error = nullptr) {
  GifReader reader;
  reader.Create();
  reader.LoadGif("", gif);
  std::string bmp = reader.GetGifData(1);
  if (error) *error = reader.GetError();
  return bmp;
}

// One image with a 256-entry global table.
std::string Gif256(int width, int height, const std::string& codes, bool interlaced = false) {
  return Header(width, height, 0x87) + Table(256) + Image(0, 0, width, height, interlaced ? 0x40 : 0, "", 8, codes) +
         Trailer();
}

TEST(GifReaderBmp, HeaderIsTheBmpLayout) {
  const std::string bmp = Frame1(Gif256(5, 3, LzwCodes(Pattern(15, 200), 8)));
  const std::string expected = "BM" + Le32(1102) + Le32(0) + Le32(1078) +                  // file header
                               Le32(40) + Le32(5) + Le32(3) + Le16(1) + Le16(8) + Le32(0) +  // size, planes, bits
                               Le32(24) + Le32(0) + Le32(0) + Le32(256) + Le32(0);           // image, colours
  ASSERT_EQ(bmp.size(), 1102u);
  EXPECT_EQ(bmp.substr(0, 54), expected);
  EXPECT_EQ(bmp.substr(54 + 4 * 2, 4), std::string("\x06\xFD\x02\x00", 4));  // blue, green, red, 0
  EXPECT_EQ(BmpIndices(bmp), Pattern(15, 200));
}

TEST(GifReaderBmp, DefaultTablesWithoutAnyColourTable) {
  const struct {
    uint8_t sizeField;  // of the screen descriptor, which has no table
    int bits, index;
    std::string bgr0;
  } cases[] = {{0, 1, 1, std::string("\xFF\xFF\xFF\x00", 4)}, {3, 4, 1, std::string("\x80\x00\x00\x00", 4)},
               {3, 4, 8, std::string("\xC0\xC0\xC0\x00", 4)}, {3, 4, 9, std::string("\xFF\x00\x00\x00", 4)},
               {1, 4, 12, std::string("\x00\x00\xFF\x00", 4)}, {7, 8, 77, std::string("\x4D\x4D\x4D\x00", 4)}};
  for (const auto& c : cases) {
    const std::string bmp = Frame1(Padded(Header(2, 1, c.sizeField) + Image(0, 0, 2, 1, 0, "", 2, LzwCodes({0, 1}, 2)) +
                                          Trailer()));
    ASSERT_FALSE(bmp.empty());
    EXPECT_EQ(bmp[28], c.bits);
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
    EXPECT_EQ(BmpIndices(Frame1(Gif256(3, height, LzwCodes(stored, 8), true))), display) << height;
  }
}

TEST(GifReaderLzw, CornerCasesOfTheCodeStream) {
  // Raw codes of a 2-bit image: clear 4, end 5, first free code 6.
  const struct {
    const char* what;
    std::vector<std::pair<int, int>> codes;  // code, width
    std::vector<uint16_t> pixels;
    LzwResult result;
  } cases[] = {
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
  for (const auto& c : cases) {
    struct Collect : LzwPixelSink {
      std::vector<uint16_t> pixels;
      bool Put(const uint16_t* p, size_t n) override {
        pixels.insert(pixels.end(), p, p + n);
        return true;
      }
    } sink;
    const std::string blocks = SubBlocks(PackCodes(c.codes));
    GifSubBlockReader input(blocks, 0);
    EXPECT_EQ(DecodeLzw(c.codes.front().second == 2 ? 1 : 2, input, sink), c.result) << c.what;
    EXPECT_EQ(sink.pixels, c.pixels) << c.what;
  }
}

TEST(GifReaderLzw, FullTablesWithAndWithoutClearCodes) {
  // Noise fills the table many times over, and its data spans several
  // refills of the decoder's window.
  const std::vector<uint8_t> noise = Pattern(300 * 300, 256, 9);
  for (bool clearWhenFull : {true, false}) {
    const std::string codes = LzwCodes(noise, 8, clearWhenFull);
    ASSERT_GT(codes.size(), 2 * GifSubBlockReader::kWindowBytes);
    EXPECT_EQ(BmpIndices(Frame1(Gif256(300, 300, codes))), noise) << clearWhenFull;
  }
}

TEST(GifReaderHostile, BadImagesFailClearlyOrDecodeWhatIsThere) {
  const struct {
    const char* what;
    std::string image;
    const char* error;  // empty: a BMP of the frame's own size
  } cases[] = {
      {"code size 0", Image(0, 0, 4, 2, 0, "", 0, "\x01"), "当前帧已经损坏"},
      {"code size 12", Image(0, 0, 4, 2, 0, "", 12, "\x01"), "当前帧已经损坏"},
      {"65535 x 65535", Image(0, 0, 65535, 65535, 0, "", 2, LzwCodes({1}, 2)), "未知错误"},
      {"no image data", Image(0, 0, 4, 2, 0, "", 2, ""), "当前帧已经损坏"},
      {"width 0", Image(0, 0, 0, 2, 0, "", 2, LzwCodes({1}, 2)), "当前帧已经损坏"},
      {"height 0", Image(0, 0, 4, 0, 0, "", 2, LzwCodes({1}, 2)), "当前帧已经损坏"},
      {"65535 x 1", Image(0, 0, 65535, 1, 0, "", 2, LzwCodes({1, 2, 3}, 2)), ""},
      {"larger than the screen", Image(90, 90, 60, 50, 0x81, Table(4, 40), 2, LzwCodes(Pattern(3000, 4), 2)), ""},
      {"indices the depth cannot hold", Image(0, 0, 4, 2, 0, "", 8, LzwCodes({200, 1, 2, 3}, 8)), ""},
  };
  for (const auto& c : cases) {
    GifReader reader;
    reader.Create();
    ASSERT_TRUE(reader.LoadGif("", Header(4, 2, 0x81) + Table(4) + c.image + Trailer())) << c.what;
    const std::string bmp = reader.GetGifData(1);
    EXPECT_EQ(reader.GetError(), c.error) << c.what;
    EXPECT_EQ(bmp.empty(), *c.error != '\0') << c.what;
    if (!bmp.empty()) {
      EXPECT_EQ(Le32At(bmp, 2), bmp.size()) << c.what;
      EXPECT_EQ(Le32At(bmp, 18), Le32At(c.image, 5) & 0xFFFF) << c.what;
      for (uint8_t index : BmpIndices(bmp)) ASSERT_LT(index, 4) << c.what;
    }
  }
}

// Cuts land inside the global table, the looping block, the comments, the
// descriptors and the data sub-blocks (whose lengths then run past the end).
TEST(GifReaderHostile, TruncatedAtEveryLength) {
  const std::string whole = Header(8, 4, 0x83) + Table(16) + Looping(2) + Control(0x04, 10) + Comment("c") +
                            Image(0, 0, 8, 4, 0, "", 2, LzwCodes(Pattern(32, 4, 1), 2)) + Control(0, 10) +
                            Image(2, 1, 3, 3, 0x81, Table(4, 9), 2, LzwCodes(Pattern(9, 4, 2), 2)) + Comment("end") +
                            Trailer();
  GifReader reader;
  reader.Create();
  for (size_t length = 1; length <= whole.size(); ++length) {
    const bool loaded = reader.LoadGif("", whole.substr(0, length));
    EXPECT_TRUE(loaded || reader.GetError() == "不是有效的GIF图片数据" || reader.GetError() == "GIF图片文件已经损坏")
        << length << ": " << reader.GetError();
    const int frames = reader.GetGifInfo().frameCount;
    for (int k = 0; k <= frames + 1; ++k) {
      reader.SetFrameInfo(reader.GetFrameInfo(k), k);
      reader.SetPalette(k, 1, reader.GetPalette(k, 1));
      reader.GetGifData(k);
    }
    if (length >= 34) {
      EXPECT_EQ(reader.GetGifData(0), whole.substr(0, length));
    }
  }
  ASSERT_TRUE(reader.LoadGif("", whole));
  EXPECT_EQ(BmpIndices(reader.GetGifData(2)), Pattern(9, 4, 2));
}

// Every input the fuzzer ever failed on stays here as a regression test: it
// is handled without a crash, and the object stays usable.
TEST(GifReaderHostile, FuzzRegressions) {
  const std::string folder = MOVREL_SOURCE_DIR "/tests/gif/fuzz/regressions/";
  DIR* dir = opendir(folder.c_str());
  ASSERT_NE(dir, nullptr);
  int files = 0;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    std::string bytes;
    if (name.size() < 5 || name.compare(name.size() - 4, 4, ".gif") != 0) continue;
    ASSERT_TRUE(ReadWholeFile(folder + name, &bytes)) << name;
    ++files;
    GifReader reader;
    reader.Create();
    reader.LoadGif("", bytes);
    for (int k = 0; k <= reader.GetGifInfo().frameCount; ++k) {
      reader.SetFrameInfo(reader.GetFrameInfo(k), k);
      reader.SetPalette(k, 0, reader.GetPalette(k, 0));
      reader.GetGifData(k);
    }
    EXPECT_TRUE(reader.LoadGif("", Header(20, 10, 0x81) + Table(4) + SmallImage() + Trailer())) << name;
  }
  closedir(dir);
  EXPECT_GT(files, 0);
}

}  // namespace
}  // namespace movrel
