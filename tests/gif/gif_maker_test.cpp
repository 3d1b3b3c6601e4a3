#include "gif/gif_maker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/file_io.h"
#include "gif/picture.h"
#include "maker_test_support.h"
#include "save_test_support.h"
#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>

#include "common/gbk_win.h"
#include "common/handle_win.h"
#endif

namespace movrel {
namespace {

using test::GifFile;
using test::MakeBmp;
using test::Picture;
using test::Rgb;
using test::TempFolder;

GifFile Parse(const std::string& bytes) {
  GifFile gif;
  std::string error;
  EXPECT_TRUE(test::ParseGif(bytes, &gif, &error)) << error;
  return gif;
}

std::string Written(GifMaker& maker) {
  MemorySink sink;
  EXPECT_TRUE(maker.WriteGif(sink)) << maker.GetError();
  return sink.bytes();
}

const std::string kRedBmp = MakeBmp(Picture(4, 3, Rgb{255, 0, 0}));

TEST(GifMaker, EmptyVariableDoesNothing) {
  GifMaker maker;
  EXPECT_FALSE(maker.IsCreated());
  EXPECT_EQ(maker.GetError(), "对象还未创建");
  EXPECT_FALSE(maker.AddFrame(FrameRecord(), "", kRedBmp));
  EXPECT_FALSE(maker.SaveGif("never.gif"));
  MemorySink sink;
  EXPECT_FALSE(maker.WriteGif(sink));
  EXPECT_TRUE(sink.bytes().empty());
  maker.Reset();
  maker.Clear();
  EXPECT_EQ(maker.GetError(), "对象还未创建");

  EXPECT_TRUE(maker.Create(AnimationSettings()));
  EXPECT_EQ(maker.GetError(), "");
  maker.Clear();
  EXPECT_FALSE(maker.IsCreated());
  EXPECT_EQ(maker.GetError(), "对象还未创建");
}

TEST(GifMaker, BadPicturesGiveTheirTextAndAddNoFrame) {
  TempFolder folder;
  std::string truncated = kRedBmp.substr(0, kRedBmp.size() - 3);
  std::string huge = kRedBmp;
  huge[18] = huge[22] = static_cast<char>(0xA0);  // 100000 = 0x186A0
  huge[19] = huge[23] = static_cast<char>(0x86);
  huge[20] = huge[24] = 0x01;
  std::string zeroWide = kRedBmp;
  zeroWide[18] = 0;
  std::string notPicture(54, 'x');
  std::string truncatedPath = folder / "截断.bmp";
  ASSERT_TRUE(WriteWholeFile(truncatedPath, truncated));
  std::string emptyPath = folder / "empty.bmp";
  ASSERT_TRUE(WriteWholeFile(emptyPath, ""));
  std::string missing = folder / "運閉_missing.bmp";

  struct Case {
    const char* name;
    std::string path;
    std::string bytes;
    std::string error;
  };
  const Case cases[] = {
      {"nothing", "", "", "没有指定载入文件路径和图片数据"},
      {"53 bytes", "", kRedBmp.substr(0, 53), "不是有效的图片数据"},
      {"54 bytes of no picture", "", notPicture, "读入图片文件失败"},
      {"truncated rows", "", truncated, "读入图片文件失败"},
      {"100000 x 100000", "", huge, "读入图片文件失败"},
      {"zero width", "", zeroWide, "读入图片文件失败"},
      {"missing file", missing, kRedBmp, "无法打开文件：" + missing},
      {"truncated file", truncatedPath, "", "读入图片文件失败"},
      {"empty file", emptyPath, "", "读入图片文件失败"},
  };
  GifMaker maker;
  maker.Create(AnimationSettings());
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", kRedBmp));
  std::string before = Written(maker);
  for (const Case& c : cases) {
    EXPECT_FALSE(maker.AddFrame(FrameRecord(), c.path, c.bytes)) << c.name;
    EXPECT_EQ(maker.GetError(), c.error) << c.name;
    EXPECT_EQ(maker.FrameCount(), 1) << c.name;
  }
  EXPECT_TRUE(Written(maker) == before);
  // The next success clears the text.
  EXPECT_TRUE(maker.AddFrame(FrameRecord(), "", kRedBmp));
  EXPECT_EQ(maker.GetError(), "");
  RemoveFile(truncatedPath);
  RemoveFile(emptyPath);
}

TEST(GifMaker, AFolderAsPictureIsAFileError) {
  TempFolder folder;
  std::string path = folder / "";
  path.pop_back();
  GifMaker maker;
  maker.Create(AnimationSettings());
  EXPECT_FALSE(maker.AddFrame(FrameRecord(), path));
  EXPECT_NE(maker.GetError().find(path), std::string::npos) << maker.GetError();
  EXPECT_EQ(maker.FrameCount(), 0);
}

TEST(GifMaker, TheFileWinsOverTheBytes) {
  TempFolder folder;
  std::string path = folder / "運.bmp";
  ASSERT_TRUE(WriteWholeFile(path, MakeBmp(Picture(6, 2, Rgb{0, 0, 255}))));
  GifMaker maker;
  maker.Create(AnimationSettings());
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), path, kRedBmp)) << maker.GetError();
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), path, "short")) << maker.GetError();
  EXPECT_EQ(maker.Frame(0)->width(), 6);
  GifFile gif = Parse(Written(maker));
  EXPECT_EQ(gif.globalTable[0], (Rgb{0, 0, 240}));
  RemoveFile(path);
}

TEST(GifMaker, LogicalScreenComesFromCreateOrTheFirstFrame) {
  struct Case {
    uint16_t width, height;
    int expectedWidth, expectedHeight;
  };
  const Case cases[] = {{0, 0, 320, 200}, {400, 0, 400, 200}, {0, 50, 320, 50}, {10, 10, 10, 10}};
  std::string big = MakeBmp(Picture(320, 200, Rgb{1, 1, 1}));
  std::string small = MakeBmp(Picture(100, 50, Rgb{2, 2, 2}));
  for (const Case& c : cases) {
    AnimationSettings animation;
    animation.widthPx = c.width;
    animation.heightPx = c.height;
    GifMaker maker;
    maker.Create(animation);
    ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", big));
    ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", small));
    GifFile gif = Parse(Written(maker));
    EXPECT_EQ(gif.width, c.expectedWidth);
    EXPECT_EQ(gif.height, c.expectedHeight);
    // Frames larger than the screen are written as they are.
    EXPECT_EQ(gif.frames[0].width, 320);
  }
}

TEST(GifMaker, CreateAgainAndResetStartOverButKeepInterlacing) {
  AnimationSettings animation;
  animation.widthPx = 999;
  animation.loop = false;
  animation.comment = "old";
  animation.interlace = true;
  GifMaker maker;
  maker.Create(animation);
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", kRedBmp));
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", kRedBmp));
  EXPECT_FALSE(maker.AddFrame(FrameRecord(), "", "tiny"));

  maker.Reset();
  EXPECT_EQ(maker.FrameCount(), 0);
  EXPECT_EQ(maker.GetError(), "不是有效的图片数据");  // the text stays
  std::string green = MakeBmp(Picture(7, 5, Rgb{0, 255, 0}));
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", green));
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", green));
  GifFile gif = Parse(Written(maker));
  EXPECT_EQ(gif.width, 7);
  EXPECT_EQ(gif.height, 5);
  EXPECT_TRUE(gif.hasLoop);
  EXPECT_EQ(gif.loopCount, 0);
  EXPECT_TRUE(gif.trailingComment.empty());
  EXPECT_EQ(gif.frames.size(), 2u);
  EXPECT_EQ(gif.frames[0].descriptorPacked & 0x40, 0x40);

  // A second Create drops the frames and takes the new settings.
  animation.interlace = false;
  animation.widthPx = 0;
  maker.Create(animation);
  EXPECT_EQ(maker.FrameCount(), 0);
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", kRedBmp));
  gif = Parse(Written(maker));
  EXPECT_EQ(gif.frames.size(), 1u);
  EXPECT_EQ(gif.width, 4);
  EXPECT_EQ(gif.frames[0].descriptorPacked & 0x40, 0);
  EXPECT_EQ(gif.trailingComment, "old");
}

TEST(GifMaker, FrameCommentIsKeptAsItsFirst255Bytes) {
  FrameRecord frame;
  frame.comment = std::string(300, 'f');
  GifMaker maker;
  maker.Create(AnimationSettings());
  ASSERT_TRUE(maker.AddFrame(frame, "", kRedBmp));
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", kRedBmp));
  GifFile gif = Parse(Written(maker));
  EXPECT_EQ(gif.frames[0].comment, std::string(255, 'f'));
  EXPECT_EQ(gif.frames[1].comment, "");
}

TEST(GifMaker, SaveGifNeedsFramesAndAWritablePlace) {
  TempFolder folder;
  GifMaker maker;
  maker.Create(AnimationSettings());
  EXPECT_FALSE(maker.SaveGif(folder / "x.gif"));
  EXPECT_EQ(maker.GetError(), "还没有加入任何图片");

  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", kRedBmp));
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", MakeBmp(Picture(2, 9, Rgb{5, 80, 160}))));
  std::string missingFolder = folder / "no such folder/運閉.gif";
#ifdef _WIN32
  missingFolder = folder / "no such folder\\運閉.gif";
#endif
  EXPECT_FALSE(maker.SaveGif(missingFolder));
  EXPECT_EQ(maker.GetError(), "无法创建文件：" + missingFolder);

  // Saving twice gives the same file, with the bytes WriteGif gives.
  std::string path = folder / "運閉.gif";
  ASSERT_TRUE(maker.SaveGif(path)) << maker.GetError();
  EXPECT_EQ(maker.GetError(), "");
  std::string first, second;
  ASSERT_TRUE(ReadWholeFile(path, &first));
  ASSERT_TRUE(maker.SaveGif(path));
  ASSERT_TRUE(ReadWholeFile(path, &second));
  EXPECT_EQ(second, first);
  EXPECT_EQ(first, Written(maker));
  RemoveFile(path);
}

TEST(GifMaker, AFailedSaveKeepsTheOldFileByteForByte) {
  TempFolder folder;
  const std::string path = folder / "運閉.gif";
  const std::vector<std::string> onlyTheTarget = {"運閉.gif"};
  GifMaker maker;
  maker.Create(AnimationSettings());
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", kRedBmp));
  ASSERT_TRUE(maker.SaveGif(path)) << maker.GetError();
  std::string old, now;
  ASSERT_TRUE(ReadWholeFile(path, &old));

  // Noise compresses badly: the new file runs well past the limit.
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", MakeBmp(test::Noise(120, 120, 7))));
  {
    test::SaveFailure failure(path, old.size() + 2000);
    EXPECT_FALSE(maker.SaveGif(path));
    EXPECT_EQ(maker.GetError(), "无法写入文件：" + path);
  }
  ASSERT_TRUE(ReadWholeFile(path, &now));
  EXPECT_TRUE(now == old) << "the old file changed";
  EXPECT_EQ(folder.FileNames(), onlyTheTarget);
#ifdef _WIN32
  // A read-only file cannot be replaced; that is known before writing.
  ASSERT_TRUE(SetFileAttributesW(ToWide(path).c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(maker.SaveGif(path));
  EXPECT_EQ(maker.GetError(), "无法创建文件：" + path);
  ASSERT_TRUE(SetFileAttributesW(ToWide(path).c_str(), FILE_ATTRIBUTE_NORMAL));
  ASSERT_TRUE(ReadWholeFile(path, &now));
  EXPECT_TRUE(now == old) << "the old file changed";
  EXPECT_EQ(folder.FileNames(), onlyTheTarget);
  // What a save ended in the middle (a killed process) leaves beside the
  // target goes with the next save there; the file of a save still running
  // is held open without sharing and stays.
  const std::string running = folder / "~movrel-7-2.tmp";
  ASSERT_TRUE(WriteWholeFile(folder / "~movrel-7-1.tmp", "half a GIF"));
  ASSERT_TRUE(WriteWholeFile(running, "being written"));
  {
    UniqueFile held(CreateFileW(ToWide(running).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    ASSERT_TRUE(maker.SaveGif(path)) << maker.GetError();
  }
  EXPECT_EQ(folder.FileNames(), (std::vector<std::string>{"~movrel-7-2.tmp", "運閉.gif"}));
  RemoveFile(running);
#endif

  ASSERT_TRUE(maker.SaveGif(path)) << maker.GetError();
  ASSERT_TRUE(ReadWholeFile(path, &now));
  EXPECT_EQ(now, Written(maker));
  EXPECT_EQ(folder.FileNames(), onlyTheTarget);
  RemoveFile(path);
}

// Takes `budget` bytes, then refuses everything.
class FailingSink : public ByteSink {
 public:
  explicit FailingSink(size_t budget) : budget_(budget) {}
  bool Write(const void*, size_t size) override {
    if (size > budget_) return false;
    budget_ -= size;
    return true;
  }
  std::string TargetName() const override { return "坏盘.gif"; }

 private:
  size_t budget_;
};

TEST(GifMaker, ARefusedWriteAnywhereFailsTheSaveAndKeepsTheFrames) {
  GifMaker maker;
  AnimationSettings animation;
  animation.comment = "end";
  maker.Create(animation);
  FrameRecord frame;
  frame.comment = "c";
  ASSERT_TRUE(maker.AddFrame(frame, "", MakeBmp(test::Noise(300, 300, 1))));
  ASSERT_TRUE(maker.AddFrame(frame, "", kRedBmp));
  std::string good = Written(maker);
  // Every cut point up to the whole file: the header, the tables, the
  // compressed data, the comment and the trailer.
  for (size_t budget : {size_t{0}, size_t{5}, size_t{800}, size_t{790}, size_t{2000}, size_t{40000},
                        good.size() - 10, good.size() - 1}) {
    FailingSink sink(budget);
    EXPECT_FALSE(maker.WriteGif(sink)) << budget;
    EXPECT_EQ(maker.GetError(), "无法写入文件：坏盘.gif") << budget;
  }
  FailingSink enough(good.size());
  EXPECT_TRUE(maker.WriteGif(enough));
  EXPECT_EQ(maker.FrameCount(), 2);
  EXPECT_EQ(Written(maker), good);
}

TEST(GifMaker, FrameImageLayout) {
  GifMaker maker;
  maker.Create(AnimationSettings());
  ASSERT_TRUE(maker.AddFrame(FrameRecord(), "", MakeBmp(Picture(5, 3, Rgb{7, 7, 7}))));
  const FrameImage* frame = maker.Frame(0);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(maker.Frame(1), nullptr);
  const std::vector<uint8_t>& block = frame->block();
  ASSERT_EQ(block.size(), 40u + 1024u + 3u * 8u);
  const uint8_t header[16] = {40, 0, 0, 0, 5, 0, 0, 0, 3, 0, 0, 0, 1, 0, 8, 0};
  EXPECT_TRUE(std::equal(header, header + 16, block.begin()));
  for (size_t i = 16; i < 40; ++i) EXPECT_EQ(block[i], 0) << i;
}

}  // namespace
}  // namespace movrel
