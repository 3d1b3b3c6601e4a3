#include "gif/gif_reader.h"

#include <gtest/gtest.h>

#include "common/file_io.h"
#include "gif_reader_test_util.h"
#include "save_test_support.h"
#include "support/temp_folder.h"

namespace movrel {
namespace {

using namespace test;

// Three frames: control blocks with delays 10, 20, 30, a looping block with
// count 5, a frame comment on frame 2, a local table on frame 3 and an
// animation comment at the end.
std::string ThreeFrames() {
  return Header(20, 10, 0x81) + Table(4) + Looping(5) + Control(0x04, 10) + SmallImage() + Control(0x09, 20, 3) +
         Comment("second") + SmallImage(4, 2) + Control(0x00, 30) + SmallImage(8, 4, 0x81, Table(4, 100)) +
         Comment("whole") + Trailer();
}

std::string OneFrame() { return Padded(Header(7, 7, 0) + SmallImage() + Trailer()); }

GifReader Loaded(const std::string& bytes) {
  GifReader reader;
  reader.Create();
  EXPECT_TRUE(reader.LoadGif("", bytes)) << reader.GetError();
  return reader;
}

TEST(GifReaderVariable, EmptyOrWithoutFile) {
  GifReader reader;
  EXPECT_FALSE(reader.LoadGif("", ThreeFrames()));
  EXPECT_FALSE(reader.GetGifInfo().loop);  // zeroed, not the record's defaults
  EXPECT_EQ(reader.GetFrameInfo(1).delayCs, 0);
  EXPECT_EQ(reader.GetPalette(0, 0), -1);
  EXPECT_EQ(reader.GetError(), "对象还未创建");

  ASSERT_TRUE(reader.Create());
  EXPECT_EQ(reader.GetError(), "");
  std::string errors;
  test::TempFolder folder;
  reader.GetGifInfo(), errors += reader.GetError() + "|";
  reader.SetGifInfo(GifFileInfo()), errors += reader.GetError() + "|";
  reader.SetFrameInfo(FrameRecord(), 1), errors += reader.GetError() + "|";
  reader.SetPalette(0, 0, 0), errors += reader.GetError() + "|";
  reader.GetGifData(0), errors += reader.GetError() + "|";
  reader.SaveGif(folder / "never.gif"), errors += reader.GetError();
  EXPECT_EQ(errors, "还未载入GIF动画|还未载入GIF动画|还未载入GIF动画|还未载入GIF动画|还未载入GIF动画|还未载入GIF动画");

  // A second Create drops the loaded file; Clear empties the variable.
  ASSERT_TRUE(reader.LoadGif("", ThreeFrames()));
  ASSERT_TRUE(reader.Create());
  EXPECT_EQ(reader.GetPalette(0, 0), -1);
  EXPECT_EQ(reader.GetError(), "还未载入GIF动画");
  reader.Clear();
  EXPECT_EQ(reader.GetError(), "对象还未创建");
}

TEST(GifReaderLoad, BadBytesKeepTheEarlierFile) {
  const std::string good = ThreeFrames();
  const struct {
    std::string bytes;
    const char* error;
  } cases[] = {
      {"", "没有指定载入文件路径和图片数据"},        {good.substr(0, 33), "不是有效的GIF图片数据"},
      {"PNG89a" + good.substr(6), "不是GIF图片数据"}, {"GIF88a" + good.substr(6), "GIF图片版本号不正确"},
      {"GIF89b" + good.substr(6), "GIF图片版本号不正确"}, {"gif89a" + good.substr(6), ""},
      {"GiF87A" + good.substr(6), ""},
  };
  for (const auto& c : cases) {
    GifReader reader = Loaded(OneFrame());
    EXPECT_EQ(reader.LoadGif("", c.bytes), *c.error == '\0') << c.error;
    EXPECT_EQ(reader.GetError(), c.error);
    EXPECT_EQ(reader.GetGifInfo().frameCount, *c.error ? 1 : 3) << c.error;
  }
}

TEST(GifReaderLoad, FilesByGbkPath) {
  // 運 and 閉 carry 0x5C and 0x5D as trail bytes.
  test::TempFolder folder;
  const std::string path = folder / "\xDF\x5C\xE9\x5D reader.gif";
  ASSERT_TRUE(WriteWholeFile(path, ThreeFrames()));
  GifReader reader = Loaded(OneFrame());
  ASSERT_TRUE(reader.LoadGif(path, "the path wins"));
  EXPECT_EQ(reader.GetGifInfo().frameCount, 3);

  const std::string missing = folder / "missing-reader.gif";
  EXPECT_FALSE(reader.LoadGif(missing));
  EXPECT_NE(reader.GetError().find(missing), std::string::npos) << reader.GetError();
  EXPECT_FALSE(reader.SaveGif(missing + "/in-a-file.gif"));
  EXPECT_NE(reader.GetError().find("in-a-file.gif"), std::string::npos) << reader.GetError();
  EXPECT_EQ(reader.GetGifInfo().frameCount, 3);

  // A too short file leaves the earlier one; a wrong signature releases it.
  ASSERT_TRUE(WriteWholeFile(path, ThreeFrames().substr(0, 20)));
  EXPECT_FALSE(reader.LoadGif(path));
  EXPECT_EQ(reader.GetGifInfo().frameCount, 3);
  ASSERT_TRUE(WriteWholeFile(path, "JFIF89a" + ThreeFrames()));
  EXPECT_FALSE(reader.LoadGif(path));
  EXPECT_EQ(reader.GetError(), "不是GIF图片数据");
  reader.GetGifInfo();
  EXPECT_EQ(reader.GetError(), "还未载入GIF动画");
  RemoveFile(path);
}

TEST(GifReaderSave, ReplacesTheFileOnlyWhenAllIsWritten) {
  test::TempFolder folder;
  const std::string path = folder / "\xDF\x5C\xE9\x5D saved.gif";
  const std::vector<std::string> onlyTheTarget = {"\xDF\x5C\xE9\x5D saved.gif"};
  const std::string old = OneFrame();
  ASSERT_TRUE(WriteWholeFile(path, old));
  GifReader reader = Loaded(ThreeFrames());
  {
    test::SaveFailure failure(path, ThreeFrames().size() / 2);
    EXPECT_FALSE(reader.SaveGif(path));
    EXPECT_EQ(reader.GetError(), "无法写入文件：" + path);
  }
  std::string now;
  ASSERT_TRUE(ReadWholeFile(path, &now));
  EXPECT_TRUE(now == old) << "the old file changed";
  EXPECT_EQ(folder.FileNames(), onlyTheTarget);

  ASSERT_TRUE(reader.SaveGif(path)) << reader.GetError();
  ASSERT_TRUE(ReadWholeFile(path, &now));
  EXPECT_EQ(now, ThreeFrames());
  EXPECT_EQ(folder.FileNames(), onlyTheTarget);
  RemoveFile(path);
}

TEST(GifReaderLoad, BrokenBlocksKeepTheBytesWithoutFrames) {
  const std::string start = Header(20, 10, 0x81) + Table(4) + Control(0, 10) + SmallImage();
  for (const std::string& broken : {start + "\x55" + SmallImage() + Trailer(),              // stray byte
                                    start + SmallImage(0, 0, 0x87).substr(0, 40)}) {        // table cut short
    GifReader reader;
    reader.Create();
    EXPECT_FALSE(reader.LoadGif("", broken));
    EXPECT_EQ(reader.GetError(), "GIF图片文件已经损坏");
    EXPECT_EQ(reader.GetGifData(0), broken);
    EXPECT_EQ(reader.GetGifInfo().frameCount, 0);
  }
}

TEST(GifReaderIndex, OneFramePerImage) {
  const std::string unknownExtension("\x21\x02\x01x\x00", 5);
  // A descriptor with no data after it.
  const auto bare = [](uint16_t left) { return "\x2C" + Le16(left) + Le16(0) + Le16(4) + Le16(2) + '\0'; };
  const struct {
    const char* what;
    std::string body;
    std::vector<uint16_t> lefts;  // of the listed frames, in order
    std::string pictures = "";    // per frame: P decodes, - reports a damaged frame; empty: all decode
  } cases[] = {
      {"images without control blocks", SmallImage(1) + SmallImage(2) + SmallImage(3), {1, 2, 3}},
      {"bare image before controlled ones", SmallImage(1) + Control(0, 5) + SmallImage(2) + Control(0, 5) + SmallImage(3),
       {1, 2, 3}},
      {"controlled image then a bare one", Control(0, 5) + SmallImage(1) + SmallImage(2), {1, 2}},
      {"control block of another size", std::string("\x21\xF9\x03\x00\x05\x00\x00", 7) + SmallImage(1), {1}},
      {"padding between blocks", std::string(3, '\0') + Control(0, 5) + std::string(2, '\0') + SmallImage(1), {1}},
      {"control block without image", Control(0, 5) + SmallImage(1) + Control(0, 7), {1, 0}, "P-"},
      {"extensions of unknown kinds", unknownExtension + Control(0, 5) + unknownExtension + SmallImage(1), {1}},
      {"image without data before the next block", bare(1) + Control(0, 5) + bare(2) + SmallImage(3), {1, 2, 3},
       "--P"},
      {"image without data before the trailer", SmallImage(1) + Control(0, 5) + bare(2), {1, 2}, "P-"},
  };
  for (const auto& c : cases) {
    GifReader reader = Loaded(Header(20, 10, 0x81) + Table(4) + c.body + Trailer() + SmallImage(9));
    ASSERT_EQ(reader.GetGifInfo().frameCount, static_cast<int>(c.lefts.size())) << c.what;
    const std::string pictures = c.pictures.empty() ? std::string(c.lefts.size(), 'P') : c.pictures;
    for (size_t k = 0; k < c.lefts.size(); ++k) {
      const int frame = static_cast<int>(k) + 1;
      EXPECT_EQ(reader.GetFrameInfo(frame).leftPx, c.lefts[k]) << c.what;
      const std::string bmp = reader.GetGifData(frame);
      EXPECT_EQ(bmp.empty() ? reader.GetError() : "P", pictures[k] == 'P' ? "P" : "当前帧已经损坏")
          << c.what << " frame " << frame;
    }
  }
  GifReader reader = Loaded(Header(20, 10, 0x81) + Table(4) + Control(0, 7) + Trailer() + SmallImage());
  for (std::string error : {(reader.GetFrameInfo(1), reader.GetError()), (reader.GetGifData(1), reader.GetError()),
                            (reader.GetPalette(1, 0), reader.GetError())}) {
    EXPECT_EQ(error, "当前帧已经损坏");
  }
}

TEST(GifReaderIndex, LoopingBlockAndAnimationComment) {
  const std::string frame = Control(0, 5) + SmallImage();
  const struct {
    const char* what;
    std::string body;
    int loopCount;  // -1: no looping block
    std::string comment;
  } cases[] = {
      {"netscape", Looping(7) + frame, 7, ""},
      {"other looping application", Application("ANIMEXTS1.0", std::string("\x01\x02\x00", 3)) + frame, 2, ""},
      {"last looping block wins", Looping(1) + frame + Looping(9) + frame, 9, ""},
      {"xmp data is no looping block", Application("XMP DataXMP", std::string("\x01\x02\x00", 3)) + frame, -1, ""},
      {"identifier without loop sub-block", Application("NETSCAPE2.0", "") + frame, -1, ""},
      {"last comment wins", Comment("first") + frame + Comment("last"), -1, "last"},
      {"comment inside a frame is the frame's", frame + Control(0, 5) + Comment("frame") + SmallImage(), -1, ""},
      {"several sub-blocks are no animation comment", frame + Comment(std::string(300, 'x')), -1, ""},
      {"cut at a zero byte", frame + Comment(std::string("ab\0cd", 5)), -1, "ab"},
  };
  for (const auto& c : cases) {
    GifReader reader = Loaded(Header(20, 10, 0x81) + Table(4) + c.body + Trailer());
    GifFileInfo info = reader.GetGifInfo();
    EXPECT_EQ(info.loop, c.loopCount >= 0) << c.what;
    EXPECT_EQ(info.loopCount, c.loopCount >= 0 ? c.loopCount : 0) << c.what;
    EXPECT_EQ(info.comment, c.comment) << c.what;
  }
}

TEST(GifReaderInfo, FrameNumbersOutsideTheFile) {
  GifReader reader = Loaded(ThreeFrames());
  EXPECT_EQ(reader.GetFrameInfo(2).comment, "second");
  EXPECT_EQ(reader.GetFrameInfo(3).colourCount, 4);
  for (int outside : {0, 4, -1}) {
    EXPECT_EQ(reader.GetFrameInfo(outside).widthPx, 0);
    EXPECT_EQ(reader.GetError(), "帧序号超出范围");
  }
  EXPECT_TRUE(reader.GetGifData(4).empty());
  EXPECT_EQ(reader.GetError(), "帧序号超出范围");
}

TEST(GifReaderEdit, FrameFieldsKeepTheOtherBits) {
  // User-input bit (0x02), reserved bits (0xE0) and transparency set in the original.
  const std::string bytes = Header(20, 10, 0x81) + Table(4) + Control(0xE2 | 0x04 | 0x01, 10, 7) + SmallImage() +
                            SmallImage(3, 3) + Trailer();
  GifReader reader = Loaded(bytes);
  GifFrameInfo info = reader.GetFrameInfo(1);
  info.delayCs = 0x1234;
  info.disposalMethod = 0x0B;  // only the low three bits go in
  info.transparent = false;
  info.transparentIndex = 9;  // never written, nor the size
  info.widthPx = 1;
  info.leftPx = 300;
  info.topPx = 400;
  ASSERT_TRUE(reader.SetFrameInfo(info, 1));
  std::string expected = bytes;
  const size_t control = bytes.find("\x21\xF9\x04");
  expected.replace(control + 3, 3, '\xEE' + Le16(0x1234));
  expected.replace(control + 9, 4, Le16(300) + Le16(400));
  EXPECT_EQ(reader.GetGifData(0), expected);
  info.transparent = true;
  ASSERT_TRUE(reader.SetFrameInfo(info, 1));
  expected[control + 3] = '\xEF';
  EXPECT_EQ(reader.GetGifData(0), expected);

  // A frame without a control block only takes the offsets.
  GifFrameInfo bare = reader.GetFrameInfo(2);
  bare.delayCs = 99;
  bare.leftPx = 11;
  ASSERT_TRUE(reader.SetFrameInfo(bare, 2));
  expected.replace(control + 8 + SmallImage().size() + 1, 2, Le16(11));
  EXPECT_EQ(reader.GetGifData(0), expected);
}

TEST(GifReaderEdit, ScreenFieldsAndLoopCount) {
  GifReader reader = Loaded(ThreeFrames());
  GifFileInfo info;
  info.widthPx = 640;
  info.heightPx = 480;
  info.backgroundIndex = 3;
  info.loopCount = 42;
  info.loop = false;  // the count is only written with loop
  ASSERT_TRUE(reader.SetGifInfo(info));
  EXPECT_EQ(reader.GetGifInfo().loopCount, 5);
  info.loop = true;
  ASSERT_TRUE(reader.SetGifInfo(info));
  GifFileInfo read = reader.GetGifInfo();
  EXPECT_EQ(std::make_tuple(read.widthPx, read.heightPx, read.backgroundIndex, read.loopCount),
            std::make_tuple(640, 480, 3, 42));

  // No looping block is ever added.
  GifReader once = Loaded(Header(20, 10, 0x81) + Table(4) + Control(0, 5) + SmallImage() + Trailer());
  ASSERT_TRUE(once.SetGifInfo(info));
  EXPECT_FALSE(once.GetGifInfo().loop);
}

TEST(GifReaderPalette, TablesIndicesAndErrors) {
  GifReader reader = Loaded(ThreeFrames());
  EXPECT_EQ(reader.GetPalette(0, 1), 1 | (254 << 8) | (3 << 16));
  EXPECT_EQ(reader.GetPalette(3, 0), 100 | (155 << 8) | (100 << 16));
  ASSERT_TRUE(reader.SetPalette(0, 3, 0x00C0FFEE));
  EXPECT_EQ(reader.GetGifData(0).substr(13 + 9, 3), "\xEE\xFF\xC0");

  const struct {
    int frame, index;
    const char* error;
  } cases[] = {{0, 4, "调色板序号超出范围"}, {0, -1, "调色板序号超出范围"}, {1, 0, "没有局部调色板"},
               {4, 0, "帧序号超出范围"},     {-1, 0, "帧序号超出范围"}};
  for (const auto& c : cases) {
    EXPECT_EQ(reader.GetPalette(c.frame, c.index), -1);
    EXPECT_EQ(reader.GetError(), c.error);
    EXPECT_FALSE(reader.SetPalette(c.frame, c.index, 0));
    EXPECT_EQ(reader.GetError(), c.error);
  }
  GifReader noGlobal = Loaded(Padded(Header(4, 2, 0) + SmallImage() + Trailer()));
  EXPECT_EQ(noGlobal.GetPalette(0, 0), -1);
  EXPECT_EQ(noGlobal.GetError(), "没有全局调色板");
}

}  // namespace
}  // namespace movrel
