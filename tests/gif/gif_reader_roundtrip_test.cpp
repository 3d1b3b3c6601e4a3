// Files written by the codec's own maker come back through the reader as
// they were written.
#include <gtest/gtest.h>

#include <functional>

#include "gif/byte_sink.h"
#include "gif/gif_maker.h"
#include "gif/gif_reader.h"
#include "gif/picture.h"
#include "gif_reader_test_util.h"

namespace movrel {
namespace {

using gif_test::Le16;

// A 24-bit bottom-up BMP file whose pixel (x, y), y from the top, is rgb(x, y).
std::string Bmp24(int width, int height, const std::function<uint32_t(int, int)>& rgb) {
  const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  const uint32_t size = static_cast<uint32_t>(54 + rowBytes * height);
  auto le32 = [](uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); };
  std::string bmp = "BM" + le32(size) + le32(0) + le32(54) + le32(40) + le32(width) + le32(height) + Le16(1) +
                    Le16(24) + le32(0) + le32(static_cast<uint32_t>(rowBytes * height)) + le32(0) + le32(0) +
                    le32(0) + le32(0);
  for (int stored = 0; stored < height; ++stored) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      uint32_t c = rgb(x, height - 1 - stored);
      row += static_cast<char>(c & 0xFF);          // blue
      row += static_cast<char>((c >> 8) & 0xFF);   // green
      row += static_cast<char>((c >> 16) & 0xFF);  // red
    }
    row.resize(rowBytes, '\0');
    bmp += row;
  }
  return bmp;
}

struct Made {
  std::string gif;
  GifMaker maker;  // keeps the frame images for comparison
};

void Make(const AnimationInfo& animation, const std::vector<std::pair<FrameInfo, std::string>>& frames, Made* made) {
  ASSERT_TRUE(made->maker.Create(animation));
  for (const auto& [frame, picture] : frames) ASSERT_TRUE(made->maker.AddFrame(frame, "", picture)) << made->maker.GetError();
  MemorySink sink;
  ASSERT_TRUE(made->maker.WriteGif(sink)) << made->maker.GetError();
  made->gif = sink.bytes();
}

FrameInfo Frame(uint16_t delayCs, uint16_t left, uint16_t top, uint8_t disposal, bool transparent,
                const std::string& comment) {
  FrameInfo frame;
  frame.DelayTime = delayCs;
  frame.Left = left;
  frame.Top = top;
  frame.DisposalMethod = disposal;
  frame.Transparency = transparent;
  frame.exposition = comment;
  return frame;
}

// The reader's BMP of frame k holds the maker's frame image: the same colour
// table and the same padded rows, after the 14-byte file header.
void ExpectSamePicture(GifReader& reader, const GifMaker& maker, int k) {
  const std::string bmp = reader.GetGifData(k);
  ASSERT_FALSE(bmp.empty()) << reader.GetError();
  const std::vector<uint8_t>& block = maker.Frame(k - 1)->block();
  EXPECT_EQ(bmp.substr(14 + 40), std::string(block.begin() + 40, block.end())) << "frame " << k;
  for (int i : {0, 1, 100, 255}) {
    const uint8_t* quad = maker.Frame(k - 1)->ColorTable() + 4 * i;
    EXPECT_EQ(reader.GetPalette(k, i), quad[2] | quad[1] << 8 | quad[0] << 16) << "frame " << k << " entry " << i;
  }
}

TEST(GifReaderRoundTrip, AnimationComesBackAsWritten) {
  for (bool interlaced : {false, true}) {
    AnimationInfo animation;
    animation.LoopCount = 4;
    animation.exposition = "动画注释 for the whole";
    animation.Interlace = interlaced;
    Made made;
    Make(animation,
         {{Frame(10, 0, 0, DisposalUndefined, false, ""), Bmp24(37, 21, [](int x, int y) { return x * 7 << 16 | y * 12; })},
          {Frame(20, 5, 3, DisposalRestoreBackground, true, "第二帧"), Bmp24(9, 17, [](int x, int y) { return (x ^ y) * 0x10101; })},
          {Frame(300, 30, 4, DisposalLeave, false, "third"), Bmp24(7, 1, [](int x, int) { return x * 0x2000; })}},
         &made);
    GifReader reader;
    reader.Create();
    ASSERT_TRUE(reader.LoadGif("", made.gif)) << reader.GetError();
    AnimationInfo info = reader.GetGifInfo();
    EXPECT_EQ(info.Width, 37);
    EXPECT_EQ(info.Depth, 21);
    EXPECT_TRUE(info.LOOP);
    EXPECT_EQ(info.LoopCount, 4);
    EXPECT_EQ(info.exposition, animation.exposition);
    EXPECT_EQ(info.FrameCount, 3);
    EXPECT_EQ(info.ColorNum, 256);

    const struct {
      uint16_t delay, left, top, width, depth;
      uint8_t disposal;
      bool transparent;
      const char* comment;
    } expected[] = {{10, 0, 0, 37, 21, 0, false, ""}, {20, 5, 3, 9, 17, 2, true, "第二帧"}, {300, 30, 4, 7, 1, 1, false, "third"}};
    for (int k = 1; k <= 3; ++k) {
      FrameInfo frame = reader.GetFrameInfo(k);
      const auto& e = expected[k - 1];
      EXPECT_EQ(frame.DelayTime, e.delay) << k;
      EXPECT_EQ(frame.Left, e.left) << k;
      EXPECT_EQ(frame.Top, e.top) << k;
      EXPECT_EQ(frame.Width, e.width) << k;
      EXPECT_EQ(frame.Depth, e.depth) << k;
      EXPECT_EQ(frame.DisposalMethod, e.disposal) << k;
      EXPECT_EQ(frame.Transparency, e.transparent) << k;
      EXPECT_EQ(frame.exposition, e.comment) << k;
      EXPECT_EQ(frame.ColorNum, 256) << k;
      ExpectSamePicture(reader, made.maker, k);
    }
  }
}

TEST(GifReaderRoundTrip, SingleFrameAndNoLooping) {
  Made single;
  Make(AnimationInfo(), {{Frame(70, 9, 9, 2, true, "dropped"), Bmp24(640, 3, [](int x, int y) { return x * 0x010305 + y; })}},
       &single);
  GifReader reader;
  reader.Create();
  ASSERT_TRUE(reader.LoadGif("", single.gif));
  EXPECT_EQ(reader.GetGifInfo().FrameCount, 1);
  EXPECT_FALSE(reader.GetGifInfo().LOOP);
  FrameInfo frame = reader.GetFrameInfo(1);
  EXPECT_EQ(frame.DelayTime, 0);
  EXPECT_EQ(frame.Width, 640);
  EXPECT_EQ(frame.Depth, 3);
  EXPECT_EQ(frame.ColorNum, 0);
  EXPECT_EQ(reader.GetPalette(1, 0), -1);
  EXPECT_EQ(reader.GetError(), "没有局部调色板");
  // The frame uses the global table, which the BMP carries.
  const std::string bmp = reader.GetGifData(1);
  const std::vector<uint8_t>& block = single.maker.Frame(0)->block();
  EXPECT_EQ(bmp.substr(54), std::string(block.begin() + 40, block.end()));

  AnimationInfo once;
  once.LOOP = false;
  Made two;
  Make(once, {{Frame(5, 0, 0, 0, false, ""), Bmp24(4, 4, [](int, int) { return 0xFF0000; })},
              {Frame(5, 0, 0, 0, false, ""), Bmp24(4, 4, [](int, int) { return 0x00FF00; })}},
       &two);
  ASSERT_TRUE(reader.LoadGif("", two.gif));
  EXPECT_EQ(reader.GetGifInfo().FrameCount, 2);
  EXPECT_FALSE(reader.GetGifInfo().LOOP);
}

TEST(GifReaderRoundTrip, DelayEditOfAMakerFileChangesTwoBytes) {
  Made made;
  Make(AnimationInfo(), {{Frame(10, 0, 0, 0, false, ""), Bmp24(8, 8, [](int x, int) { return x * 0x1F1F1F; })},
                         {Frame(10, 0, 0, 0, false, ""), Bmp24(8, 8, [](int, int y) { return y * 0x1F1F1F; })}},
       &made);
  GifReader reader;
  reader.Create();
  ASSERT_TRUE(reader.LoadGif("", made.gif));
  FrameInfo frame = reader.GetFrameInfo(2);
  frame.DelayTime = 300;  // 0x012C: both bytes change
  ASSERT_TRUE(reader.SetFrameInfo(frame, 2));
  const std::string edited = reader.GetGifData(0);
  ASSERT_EQ(edited.size(), made.gif.size());
  const size_t delay = made.gif.find("\x21\xF9\x04", made.gif.find("\x21\xF9\x04") + 1) + 4;
  for (size_t i = 0; i < edited.size(); ++i) {
    if (i == delay || i == delay + 1) continue;
    ASSERT_EQ(edited[i], made.gif[i]) << "byte " << i;
  }
  EXPECT_EQ(edited.substr(delay, 2), Le16(300));
}

}  // namespace
}  // namespace movrel
