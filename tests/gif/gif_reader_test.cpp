#include "gif/gif_reader.h"

#include <gtest/gtest.h>

#include <functional>

#include "common/file_io.h"
#include "gif/gif_reader_decode.h"
#include "gif_reader_test_util.h"

namespace movrel {
namespace {

using namespace gif_test;

// 4 × 2 pixels of index i % 4, with a 4-entry table.
std::vector<uint8_t> SmallPixels() { return {0, 1, 2, 3, 3, 2, 1, 0}; }
std::string SmallImage(uint16_t left = 0, uint16_t top = 0, uint8_t packed = 0, const std::string& local = "") {
  return Image(left, top, 4, 2, packed, local, 2, LzwCodes(SmallPixels(), 2));
}

// Three frames: control blocks with delays 10, 20, 30, a looping block with
// count 5, a frame comment on frame 2, a local table on frame 3 and an
// animation comment at the end.
std::string ThreeFrames() {
  return Header(20, 10, 0x81) + Table(4) + Looping(5) + Control(0x04, 10) + SmallImage() +
         Control(0x09, 20, 3) + Comment("second") + SmallImage(4, 2) + Control(0x00, 30) +
         SmallImage(8, 4, 0x81, Table(4, 100)) + Comment("whole") + Trailer();
}

GifReader Loaded(const std::string& bytes) {
  GifReader reader;
  reader.Create();
  EXPECT_TRUE(reader.LoadGif("", bytes)) << reader.GetError();
  return reader;
}

std::string TempPath(const std::string& name) {
  return std::string(::testing::TempDir()) + name;
}

TEST(GifReaderVariable, EmptyVariableFailsWithoutText) {
  GifReader reader;
  EXPECT_EQ(reader.GetError(), "对象还未创建");
  EXPECT_FALSE(reader.LoadGif("", ThreeFrames()));
  EXPECT_EQ(reader.GetGifInfo().FrameCount, 0);
  EXPECT_FALSE(reader.GetGifInfo().LOOP);
  EXPECT_EQ(reader.GetFrameInfo(1).DelayTime, 0);
  EXPECT_EQ(reader.GetPalette(0, 0), -1);
  EXPECT_FALSE(reader.SetPalette(0, 0, 0));
  EXPECT_TRUE(reader.GetGifData(0).empty());
  EXPECT_FALSE(reader.SaveGif(TempPath("never.gif")));
  EXPECT_EQ(reader.GetError(), "对象还未创建");

  reader = Loaded(ThreeFrames());
  reader.Clear();
  EXPECT_FALSE(reader.IsCreated());
  EXPECT_EQ(reader.GetError(), "对象还未创建");
}

TEST(GifReaderVariable, EveryOperationNeedsALoadedFile) {
  GifReader reader;
  ASSERT_TRUE(reader.Create());
  const std::vector<std::function<void()>> operations = {
      [&] { reader.GetGifInfo(); },         [&] { reader.SetGifInfo(AnimationInfo()); },
      [&] { reader.GetFrameInfo(1); },      [&] { reader.SetFrameInfo(FrameInfo(), 1); },
      [&] { reader.GetPalette(0, 0); },     [&] { reader.SetPalette(0, 0, 0); },
      [&] { reader.GetGifData(0); },        [&] { reader.SaveGif(TempPath("never.gif")); },
  };
  for (const auto& operation : operations) {
    operation();
    EXPECT_EQ(reader.GetError(), "还未载入GIF动画");
  }
  // A second Create drops a loaded file.
  ASSERT_TRUE(reader.LoadGif("", ThreeFrames()));
  ASSERT_TRUE(reader.Create());
  EXPECT_EQ(reader.GetPalette(0, 0), -1);
  EXPECT_EQ(reader.GetError(), "还未载入GIF动画");
}

TEST(GifReaderLoad, BytesAreCheckedBeforeAnEarlierFileIsReleased) {
  const std::string good = ThreeFrames();
  struct Case {
    std::string bytes;
    bool loads;
    const char* error;
  };
  const Case cases[] = {
      {"", false, "没有指定载入文件路径和图片数据"},
      {good.substr(0, 33), false, "不是有效的GIF图片数据"},
      {"PNG89a" + good.substr(6), false, "不是GIF图片数据"},
      {"GIF88a" + good.substr(6), false, "GIF图片版本号不正确"},
      {"GIF89b" + good.substr(6), false, "GIF图片版本号不正确"},
      {"gif89a" + good.substr(6), true, ""},
      {"GiF87A" + good.substr(6), true, ""},
  };
  for (const Case& c : cases) {
    GifReader reader = Loaded(Padded(Header(7, 7, 0) + SmallImage() + Trailer()));
    EXPECT_EQ(reader.LoadGif("", c.bytes), c.loads) << c.error;
    EXPECT_EQ(reader.GetError(), c.error);
    // Rejected bytes leave the earlier one-frame file in place.
    EXPECT_EQ(reader.GetGifInfo().FrameCount, c.loads ? 3 : 1) << c.error;
  }
}

TEST(GifReaderLoad, PathWinsAndBadFilesReleaseTheEarlierOne) {
  // 運 and 閉 carry 0x5C and 0x5D as trail bytes.
  const std::string path = TempPath("\xDF\x5C\xE9\x5D reader.gif");
  ASSERT_TRUE(WriteWholeFile(path, ThreeFrames()));
  GifReader reader = Loaded(Padded(Header(7, 7, 0) + SmallImage() + Trailer()));
  ASSERT_TRUE(reader.LoadGif(path, "not a gif"));
  EXPECT_EQ(reader.GetGifInfo().FrameCount, 3);

  const std::string missing = TempPath("missing-reader.gif");
  EXPECT_FALSE(reader.LoadGif(missing));
  EXPECT_NE(reader.GetError().find(missing), std::string::npos) << reader.GetError();
  EXPECT_EQ(reader.GetGifInfo().FrameCount, 3);

  // Too short: the earlier file stays. Wrong signature: it is gone.
  ASSERT_TRUE(WriteWholeFile(path, ThreeFrames().substr(0, 20)));
  EXPECT_FALSE(reader.LoadGif(path));
  EXPECT_EQ(reader.GetError(), "不是有效的GIF图片数据");
  EXPECT_EQ(reader.GetGifInfo().FrameCount, 3);
  ASSERT_TRUE(WriteWholeFile(path, "JFIF89a" + ThreeFrames()));
  EXPECT_FALSE(reader.LoadGif(path));
  EXPECT_EQ(reader.GetError(), "不是GIF图片数据");
  reader.GetGifInfo();
  EXPECT_EQ(reader.GetError(), "还未载入GIF动画");
  RemoveFile(path);
}

TEST(GifReaderLoad, BrokenBlocksKeepTheBytesWithoutFrames) {
  const std::string start = Header(20, 10, 0x81) + Table(4) + Control(0, 10) + SmallImage();
  for (const std::string& broken : {start + "\x21\x02\x01x\x00" + Trailer(),  // unknown extension
                                    start + "\x55" + SmallImage() + Trailer(),  // stray byte
                                    start + Image(0, 0, 4, 2, 0x87, Table(8), 2, "").substr(0, 40)}) {
    GifReader reader;
    reader.Create();
    EXPECT_FALSE(reader.LoadGif("", broken));
    EXPECT_EQ(reader.GetError(), "GIF图片文件已经损坏");
    EXPECT_EQ(reader.GetGifData(0), broken);
    EXPECT_EQ(reader.GetGifInfo().FrameCount, 0);
    EXPECT_EQ(reader.GetFrameInfo(1).Width, 0);
    EXPECT_EQ(reader.GetError(), "帧序号超出范围");
  }
}

TEST(GifReaderIndex, OneFramePerImage) {
  const std::string screen = Header(20, 10, 0x81) + Table(4);
  struct Case {
    const char* what;
    std::string body;
    std::vector<uint16_t> lefts;  // of the listed frames, in order
  };
  const Case cases[] = {
      {"single image", SmallImage(1), {1}},
      {"images without control blocks", SmallImage(1) + SmallImage(2) + SmallImage(3), {1, 2, 3}},
      {"bare image before controlled ones", SmallImage(1) + Control(0, 5) + SmallImage(2) + Control(0, 5) + SmallImage(3),
       {1, 2, 3}},
      {"controlled image then a bare one", Control(0, 5) + SmallImage(1) + SmallImage(2), {1, 2}},
      {"control block of another size", std::string("\x21\xF9\x03\x00\x05\x00\x00", 7) + SmallImage(1), {1}},
      {"padding bytes between blocks", std::string(3, '\0') + Control(0, 5) + std::string(2, '\0') + SmallImage(1), {1}},
  };
  for (const Case& c : cases) {
    GifReader reader = Loaded(screen + c.body + Trailer() + SmallImage(9));
    ASSERT_EQ(reader.GetGifInfo().FrameCount, static_cast<int>(c.lefts.size())) << c.what;
    for (size_t k = 0; k < c.lefts.size(); ++k) {
      EXPECT_EQ(reader.GetFrameInfo(static_cast<int>(k) + 1).Left, c.lefts[k]) << c.what;
    }
  }
}

TEST(GifReaderIndex, ControlBlockWithoutImageIsADamagedFrame) {
  GifReader reader = Loaded(Header(20, 10, 0x81) + Table(4) + Control(0, 5) + SmallImage() + Control(0, 7) + Trailer());
  ASSERT_EQ(reader.GetGifInfo().FrameCount, 2);
  EXPECT_EQ(reader.GetFrameInfo(2).DelayTime, 0);
  EXPECT_EQ(reader.GetError(), "当前帧已经损坏");
  EXPECT_TRUE(reader.GetGifData(2).empty());
  EXPECT_EQ(reader.GetError(), "当前帧已经损坏");
  EXPECT_EQ(reader.GetPalette(2, 0), -1);
  EXPECT_EQ(reader.GetError(), "当前帧已经损坏");
}

TEST(GifReaderIndex, LoopingBlockAndAnimationComment) {
  const std::string screen = Header(20, 10, 0x81) + Table(4);
  const std::string frame = Control(0, 5) + SmallImage();
  struct Case {
    const char* what;
    std::string body;
    bool loop;
    uint16_t loopCount;
    std::string comment;
  };
  const Case cases[] = {
      {"netscape", Looping(7) + frame, true, 7, ""},
      {"other looping application", Application("ANIMEXTS1.0", std::string("\x01\x02\x00", 3)) + frame, true, 2, ""},
      {"last looping block wins", Looping(1) + frame + Looping(9) + frame, true, 9, ""},
      {"xmp data is no looping block", Application("XMP DataXMP", "\x01\x02\x03\x04") + frame, false, 0, ""},
      {"identifier without loop sub-block", Application("NETSCAPE2.0", "") + frame, false, 0, ""},
      {"last comment wins", Comment("first") + frame + Comment("last"), false, 0, "last"},
      {"comment inside a frame is the frame's", frame + Control(0, 5) + Comment("frame") + SmallImage(), false, 0, ""},
      {"several sub-blocks are no animation comment", frame + Comment(std::string(300, 'x')), false, 0, ""},
      {"cut at a zero byte", frame + Comment(std::string("ab\0cd", 5)), false, 0, "ab"},
  };
  for (const Case& c : cases) {
    GifReader reader = Loaded(screen + c.body + Trailer());
    AnimationInfo info = reader.GetGifInfo();
    EXPECT_EQ(info.LOOP, c.loop) << c.what;
    EXPECT_EQ(info.LoopCount, c.loopCount) << c.what;
    EXPECT_EQ(info.exposition, c.comment) << c.what;
  }
}

TEST(GifReaderInfo, AnimationAndFrameFields) {
  GifReader reader = Loaded(ThreeFrames());
  AnimationInfo info = reader.GetGifInfo();
  EXPECT_EQ(reader.GetError(), "");
  EXPECT_EQ(info.Width, 20);
  EXPECT_EQ(info.Depth, 10);
  EXPECT_TRUE(info.LOOP);
  EXPECT_EQ(info.LoopCount, 5);
  EXPECT_EQ(info.exposition, "whole");
  EXPECT_EQ(info.FrameCount, 3);
  EXPECT_EQ(info.ColorNum, 4);
  EXPECT_FALSE(info.Interlace);

  FrameInfo second = reader.GetFrameInfo(2);
  EXPECT_EQ(second.DelayTime, 20);
  EXPECT_EQ(second.DisposalMethod, DisposalRestoreBackground);
  EXPECT_TRUE(second.Transparency);
  EXPECT_EQ(second.TransparencyIndex, 3);
  EXPECT_EQ(second.Left, 4);
  EXPECT_EQ(second.Top, 2);
  EXPECT_EQ(second.Width, 4);
  EXPECT_EQ(second.Depth, 2);
  EXPECT_EQ(second.exposition, "second");
  EXPECT_EQ(second.ColorNum, 0);
  EXPECT_EQ(reader.GetFrameInfo(3).ColorNum, 4);
  EXPECT_EQ(reader.GetFrameInfo(3).exposition, "");

  for (int outside : {0, 4, -1}) {
    EXPECT_EQ(reader.GetFrameInfo(outside).Width, 0);
    EXPECT_EQ(reader.GetError(), "帧序号超出范围");
  }
  for (int outside : {4, -1}) {
    EXPECT_TRUE(reader.GetGifData(outside).empty());
    EXPECT_EQ(reader.GetError(), "帧序号超出范围");
  }
}

TEST(GifReaderEdit, DelayEditChangesExactlyTwoBytes) {
  const std::string original = ThreeFrames();
  GifReader reader = Loaded(original);
  FrameInfo frame = reader.GetFrameInfo(1);
  ASSERT_EQ(frame.DelayTime, 10);
  frame.DelayTime = 50;
  ASSERT_TRUE(reader.SetFrameInfo(frame, 1));
  const std::string path = TempPath("delay-edit.gif");
  ASSERT_TRUE(reader.SaveGif(path));
  std::string saved;
  ASSERT_TRUE(ReadWholeFile(path, &saved));
  ASSERT_EQ(saved.size(), original.size());
  std::vector<size_t> changed;
  for (size_t i = 0; i < saved.size(); ++i) {
    if (saved[i] != original[i]) changed.push_back(i);
  }
  const size_t delay = original.find("\x21\xF9\x04") + 4;
  EXPECT_EQ(changed, (std::vector<size_t>{delay}));  // 10 -> 50: only the low byte differs
  EXPECT_EQ(Loaded(saved).GetFrameInfo(1).DelayTime, 50);
  RemoveFile(path);
}

TEST(GifReaderEdit, FrameFieldsKeepTheOtherBits) {
  // User-input bit (0x02) and reserved bits (0xE0) set in the original.
  const std::string bytes = Header(20, 10, 0x81) + Table(4) + Control(0xE2 | 0x04, 10, 7) + SmallImage() +
                            SmallImage(3, 3) + Trailer();
  GifReader reader = Loaded(bytes);
  FrameInfo info = reader.GetFrameInfo(1);
  info.DelayTime = 0x1234;
  info.DisposalMethod = 0x0B;  // only the low three bits go in
  info.Transparency = true;
  info.TransparencyIndex = 9;  // never written
  info.Left = 300;
  info.Top = 400;
  info.Width = 1;  // never written
  ASSERT_TRUE(reader.SetFrameInfo(info, 1));
  const std::string edited = reader.GetGifData(0);
  const size_t control = bytes.find("\x21\xF9\x04");
  EXPECT_EQ(static_cast<uint8_t>(edited[control + 3]), 0xE2 | (3 << 2) | 1);
  EXPECT_EQ(edited.substr(control + 4, 3), Le16(0x1234) + '\x07');
  FrameInfo read = reader.GetFrameInfo(1);
  EXPECT_EQ(read.Left, 300);
  EXPECT_EQ(read.Top, 400);
  EXPECT_EQ(read.Width, 4);
  EXPECT_EQ(read.TransparencyIndex, 7);

  // A frame without a control block only takes the offsets.
  FrameInfo bare = reader.GetFrameInfo(2);
  bare.DelayTime = 99;
  bare.Left = 11;
  ASSERT_TRUE(reader.SetFrameInfo(bare, 2));
  EXPECT_EQ(reader.GetFrameInfo(2).DelayTime, 0);
  EXPECT_EQ(reader.GetFrameInfo(2).Left, 11);
  EXPECT_EQ(reader.GetGifData(0).size(), bytes.size());
}

TEST(GifReaderEdit, ScreenFieldsAndLoopCount) {
  GifReader reader = Loaded(ThreeFrames());
  AnimationInfo info;
  info.Width = 640;
  info.Depth = 480;
  info.BgColorIndex = 3;
  info.LoopCount = 42;
  info.LOOP = false;  // the count is only written with LOOP
  ASSERT_TRUE(reader.SetGifInfo(info));
  EXPECT_EQ(reader.GetGifInfo().LoopCount, 5);
  info.LOOP = true;
  ASSERT_TRUE(reader.SetGifInfo(info));
  AnimationInfo read = reader.GetGifInfo();
  EXPECT_EQ(read.Width, 640);
  EXPECT_EQ(read.Depth, 480);
  EXPECT_EQ(read.BgColorIndex, 3);
  EXPECT_EQ(read.LoopCount, 42);

  // No looping block is ever added.
  GifReader once = Loaded(Header(20, 10, 0x81) + Table(4) + Control(0, 5) + SmallImage() + Trailer());
  const std::string before = once.GetGifData(0);
  ASSERT_TRUE(once.SetGifInfo(info));
  EXPECT_FALSE(once.GetGifInfo().LOOP);
  EXPECT_EQ(once.GetGifData(0).size(), before.size());
}

TEST(GifReaderPalette, TablesIndicesAndErrors) {
  GifReader reader = Loaded(ThreeFrames());
  EXPECT_EQ(reader.GetPalette(0, 1), 1 | (254 << 8) | (3 << 16));
  EXPECT_EQ(reader.GetPalette(3, 0), 100 | (155 << 8) | (100 << 16));
  ASSERT_TRUE(reader.SetPalette(0, 3, 0x00C0FFEE));
  EXPECT_EQ(reader.GetPalette(0, 3), 0x00C0FFEE);
  const std::string edited = reader.GetGifData(0);
  EXPECT_EQ(edited.substr(13 + 9, 3), "\xEE\xFF\xC0");

  struct Case {
    int frame, index;
    const char* error;
  };
  for (const Case& c : {Case{0, 4, "调色板序号超出范围"}, Case{0, -1, "调色板序号超出范围"},
                        Case{1, 0, "没有局部调色板"}, Case{4, 0, "帧序号超出范围"},
                        Case{-1, 0, "帧序号超出范围"}}) {
    EXPECT_EQ(reader.GetPalette(c.frame, c.index), -1);
    EXPECT_EQ(reader.GetError(), c.error);
    EXPECT_FALSE(reader.SetPalette(c.frame, c.index, 0));
    EXPECT_EQ(reader.GetError(), c.error);
  }
  EXPECT_EQ(reader.GetGifData(0), edited);

  GifReader noGlobal = Loaded(Padded(Header(4, 2, 0) + SmallImage() + Trailer()));
  EXPECT_EQ(noGlobal.GetPalette(0, 0), -1);
  EXPECT_EQ(noGlobal.GetError(), "没有全局调色板");
}

TEST(GifReaderSave, FailureNamesTheFileAndKeepsTheObjectUsable) {
  GifReader reader = Loaded(ThreeFrames());
  const std::string path = TempPath("no-such-folder/out.gif");
  EXPECT_FALSE(reader.SaveGif(path));
  EXPECT_NE(reader.GetError().find(path), std::string::npos);
  EXPECT_EQ(reader.GetGifInfo().FrameCount, 3);
  EXPECT_EQ(reader.GetError(), "");
}

}  // namespace
}  // namespace movrel
