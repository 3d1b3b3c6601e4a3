// Files written by the codec's own maker come back through the reader as
// they were written. (The maker's one-frame and non-looping files are among
// the peer files of gif_reader_peer_test.py.)
#include <gtest/gtest.h>

#include <functional>

#include "gif/byte_sink.h"
#include "gif/gif_maker.h"
#include "gif/gif_reader.h"
#include "gif/picture.h"
#include "gif_reader_test_util.h"
#include "support/temp_folder.h"

namespace movrel {
namespace {

using test::Le16;

// A 24-bit bottom-up BMP file whose pixel (x, y), y from the top, is rgb(x, y).
std::string Bmp24(int width, int height, const std::function<uint32_t(int, int)>& rgb) {
  const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  auto le32 = [](size_t v) { return Le16(v & 0xFFFF) + Le16((v >> 16) & 0xFFFF); };
  std::string bmp = "BM" + le32(54 + rowBytes * height) + le32(0) + le32(54) + le32(40) + le32(width) + le32(height) +
                    Le16(1) + Le16(24) + le32(0) + le32(rowBytes * height) + std::string(16, '\0');
  for (int stored = 0; stored < height; ++stored) {
    std::string row;
    for (int x = 0; x < width; ++x) {
      uint32_t c = rgb(x, height - 1 - stored);
      row += {static_cast<char>(c), static_cast<char>(c >> 8), static_cast<char>(c >> 16)};
    }
    row.resize(rowBytes, '\0');
    bmp += row;
  }
  return bmp;
}

FrameRecord Frame(uint16_t delayCs, uint16_t left, uint16_t top, uint8_t disposal, bool transparent,
                const std::string& comment) {
  FrameRecord frame;
  frame.delayCs = delayCs;
  frame.leftPx = left;
  frame.topPx = top;
  frame.disposalMethod = disposal;
  frame.transparent = transparent;
  frame.comment = comment;
  return frame;
}

std::string Write(GifMaker& maker) {
  MemorySink sink;
  EXPECT_TRUE(maker.WriteGif(sink)) << maker.GetError();
  return sink.bytes();
}

TEST(GifReaderRoundTrip, AnimationComesBackAsWritten) {
  const std::vector<FrameRecord> frames = {Frame(10, 0, 0, DisposalUndefined, false, ""),
                                         Frame(20, 5, 3, DisposalRestoreBackground, true, "第二帧"),
                                         Frame(300, 30, 4, DisposalLeave, false, "third")};
  const std::string pictures[] = {Bmp24(37, 21, [](int x, int y) { return x * 7 << 16 | y * 12; }),
                                  Bmp24(9, 17, [](int x, int y) { return (x ^ y) * 0x10101; }),
                                  Bmp24(7, 1, [](int x, int) { return x * 0x2000; })};
  for (bool interlaced : {false, true}) {
    AnimationSettings animation;
    animation.loopCount = 4;
    animation.comment = "动画注释 of the whole";
    animation.interlace = interlaced;
    GifMaker maker;
    ASSERT_TRUE(maker.Create(animation));
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(maker.AddFrame(frames[i], "", pictures[i])) << maker.GetError();
    GifReader reader;
    reader.Create();
    ASSERT_TRUE(reader.LoadGif("", Write(maker))) << reader.GetError();

    GifFileInfo info = reader.GetGifInfo();
    EXPECT_EQ(std::make_tuple(info.widthPx, info.heightPx, info.loop, info.loopCount, info.comment, info.frameCount,
                              info.colourCount),
              std::make_tuple(37, 21, true, 4, animation.comment, 3, 256));
    for (int k = 1; k <= 3; ++k) {
      const FrameRecord& w = frames[k - 1];
      GifFrameInfo r = reader.GetFrameInfo(k);
      EXPECT_EQ(std::make_tuple(r.delayCs, r.leftPx, r.topPx, r.disposalMethod, r.transparent, r.comment,
                                r.widthPx, r.heightPx, r.colourCount),
                std::make_tuple(w.delayCs, w.leftPx, w.topPx, w.disposalMethod, w.transparent, w.comment,
                                maker.Frame(k - 1)->width(), maker.Frame(k - 1)->height(), 256))
          << k;
      // The BMP holds the maker's frame image: its colour table and padded
      // rows follow the 14-byte file header and the 40-byte info header.
      const std::vector<uint8_t>& block = maker.Frame(k - 1)->block();
      EXPECT_EQ(reader.GetGifData(k).substr(54), std::string(block.begin() + 40, block.end())) << k;
      const uint8_t* quad = maker.Frame(k - 1)->ColorTable() + 4 * 200;
      EXPECT_EQ(reader.GetPalette(k, 200), quad[2] | quad[1] << 8 | quad[0] << 16) << k;
    }
  }
}

TEST(GifReaderRoundTrip, DelayEditChangesOnlyItsTwoBytes) {
  GifMaker maker;
  ASSERT_TRUE(maker.Create(AnimationSettings()));
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(maker.AddFrame(Frame(10, 0, 0, 0, false, ""), "",
                               Bmp24(8, 8, [i](int x, int y) { return (i ? x : y) * 0x1F1F1F; })));
  }
  const std::string written = Write(maker);
  GifReader reader;
  reader.Create();
  ASSERT_TRUE(reader.LoadGif("", written));
  test::TempFolder folder;
  for (uint16_t delay : {50, 300}) {  // 300 = 0x012C changes both bytes
    GifFrameInfo frame = reader.GetFrameInfo(2);
    frame.delayCs = delay;
    ASSERT_TRUE(reader.SetFrameInfo(frame, 2));
    const std::string path = folder / "delay-edit.gif";
    ASSERT_TRUE(reader.SaveGif(path));
    GifReader saved;
    saved.Create();
    ASSERT_TRUE(saved.LoadGif(path));
    std::string expected = written;
    const size_t control = written.find("\x21\xF9\x04", written.find("\x21\xF9\x04") + 1);
    expected.replace(control + 4, 2, Le16(delay));
    EXPECT_EQ(saved.GetGifData(0), expected) << delay;
  }
}

}  // namespace
}  // namespace movrel
