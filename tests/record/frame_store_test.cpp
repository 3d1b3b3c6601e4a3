// The frame store on real files, in a folder whose name has a GBK character
// with a "\" trail byte. Built natively and for Windows (run under Wine).
#include "record/frame_store.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#endif

#include <filesystem>
#include <thread>

#include "common/file_io.h"
#include "support/temp_folder.h"

namespace movrel {
namespace {

TEST(FrameStoreTest, StillFramesAreEntriesWithoutFiles) {
  test::TempFolder folder;
  FrameStore store;
  store.SetFolder(folder.Folder());
  EXPECT_TRUE(store.AppendFrame("picture one", 0));
  EXPECT_TRUE(store.AppendFrame("", 200));
  EXPECT_TRUE(store.AppendFrame("picture three", 400));
  EXPECT_EQ(store.Count(), 3);
  EXPECT_EQ(store.FramePath(17).Gbk(), folder.Path() + "17.TMP");
  EXPECT_TRUE(FileExists(store.FramePath(1)));
  EXPECT_FALSE(FileExists(store.FramePath(2)));
  EXPECT_EQ(store.ReadFrame(1), "picture one");
  EXPECT_EQ(store.ReadFrame(2), "");
  EXPECT_EQ(store.ReadFrame(3), "picture three");
  for (int outside : {0, -1, 4}) EXPECT_EQ(store.ReadFrame(outside), "") << outside;
}

TEST(FrameStoreTest, ReplaceRewritesOrDeletesAndKeepsTheCount) {
  test::TempFolder folder;
  FrameStore store;
  store.SetFolder(folder.Folder());
  store.AppendFrame("first", 0);
  store.AppendFrame("second", 210);
  EXPECT_TRUE(store.ReplaceFrame(2, "cropped"));
  EXPECT_EQ(store.ReadFrame(2), "cropped");
  EXPECT_TRUE(store.ReplaceFrame(1, ""));
  EXPECT_FALSE(FileExists(store.FramePath(1)));
  EXPECT_EQ(store.Count(), 2);
  EXPECT_TRUE(store.ReplaceFrame(1, ""));  // already still
  // A number outside the store appends, with an offset of its own.
  EXPECT_TRUE(store.ReplaceFrame(9, "third"));
  EXPECT_EQ(store.Count(), 3);
  EXPECT_EQ(store.ReadFrame(3), "third");
  EXPECT_EQ(store.Offset(3).left, 0);
  EXPECT_EQ(store.CaptureMs(3), 210);  // the last capture time: time never runs backwards
  EXPECT_EQ(store.CaptureMs(2), 210);
}

#ifndef _WIN32
// A disk that fills up while the changed-region pass rewrites a frame (here
// a file size limit): the frame keeps its whole picture.
TEST(FrameStoreTest, ARewriteThatFailsHalfWayKeepsTheOldPicture) {
  test::TempFolder folder;
  FrameStore store;
  store.SetFolder(folder.Folder());
  const std::string whole(100, 'w');
  store.AppendFrame(whole, 0);
  EXPECT_EXIT(
      {
        signal(SIGXFSZ, SIG_IGN);  // past the limit a write fails instead of ending the process
        rlimit limit;
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 50;
        setrlimit(RLIMIT_FSIZE, &limit);
        // Bytes that do not compress: the stored file is longer than 50.
        std::string noise(80, '\0');
        for (size_t i = 0; i < noise.size(); ++i) noise[i] = static_cast<char>((i * 2654435761u) >> 13);
        const bool replaced = store.ReplaceFrame(1, noise);
        std::exit(!replaced ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(store.ReadFrame(1), whole);
  EXPECT_TRUE(store.HasPicture(1));
  EXPECT_FALSE(FileExists(store.FramePath(1).Plus(u".new")));
}
#endif

TEST(FrameStoreTest, OffsetsAndCaptureTimesFollowTheFrames) {
  test::TempFolder folder;
  FrameStore store;
  store.SetFolder(folder.Folder());
  store.AppendFrame("a", 0);
  store.AppendFrame("b", 263);
  store.SetOffset(2, FrameOffset{12, 34});
  store.SetOffset(5, FrameOffset{1, 1});  // ignored
  EXPECT_EQ(store.Offset(2).left, 12);
  EXPECT_EQ(store.Offset(2).top, 34);
  EXPECT_EQ(store.Offset(1).left, 0);
  EXPECT_EQ(store.Offset(7).top, 0);
  EXPECT_EQ(store.CaptureMs(2), 263);
  for (int outside : {0, 3}) EXPECT_EQ(store.CaptureMs(outside), 0) << outside;
  store.ClearFrames();
  EXPECT_EQ(store.Count(), 0);
  EXPECT_EQ(store.CaptureMs(2), 0);
  EXPECT_EQ(store.ReadFrame(1), "");
  EXPECT_TRUE(FileExists(store.FramePath(1)));  // the folder is discarded as a whole instead
}

// A stored file cut short by a crash, or damaged on the disk, is no picture:
// the frame reads empty while it still counts as having one, which the save
// reports with its number. Plain BMP files of older stores read as they are.
TEST(FrameStoreTest, FilesAreCompressedWithTheirPlaceAndDamagedOnesReadAsNoPicture) {
  test::TempFolder folder;
  FrameStore store;
  store.SetFolder(folder.Folder());
  const std::string picture = "BM" + std::string(5000, 'p');
  store.AppendFrame(picture, 0, true, FrameOffset{-3, 70000});
  std::string file;
  ASSERT_TRUE(ReadWholeFile(store.FramePath(1), &file));
  EXPECT_LT(file.size(), 200u);
  std::string bmp;
  FrameOffset offset;
  ASSERT_TRUE(DecodeStoredFrame(file, &bmp, &offset));
  EXPECT_EQ(bmp, picture);
  EXPECT_EQ(offset, (FrameOffset{-3, 70000}));
  EXPECT_EQ(store.ReadFrame(1), picture);

  std::string flipped = file;
  flipped[flipped.size() / 2] ^= 0x40;
  const std::string damaged[] = {file.substr(0, file.size() - 1), file.substr(0, 19), flipped, file + "x",
                                 "MVF2" + file.substr(4), ""};
  for (const std::string& bytes : damaged) {
    ASSERT_TRUE(WriteWholeFile(store.FramePath(1), bytes));
    EXPECT_EQ(store.ReadFrame(1), "") << bytes.size();
    EXPECT_TRUE(store.HasPicture(1));
  }
  ASSERT_TRUE(WriteWholeFile(store.FramePath(1), picture));
  EXPECT_EQ(store.ReadFrame(1), picture);
}

// With a write queue the pictures are written on the store's own thread,
// the appends waiting for room: what is read back is what was appended, and
// the first picture that could not be written is told once, with its number
// and the reason read on the thread that failed.
TEST(FrameStoreTest, QueuedWritesReadBackAsAppendedAndTheFirstFailureIsToldOnce) {
  test::TempFolder folder;
  FrameStore store;
  store.SetFolder(folder.Folder());
  store.SetWriteQueueBytes(1000);
  std::thread::id failedOn;
  store.SetErrorText([&failedOn] {
    failedOn = std::this_thread::get_id();
    return std::string("磁盘已满。");
  });
  // Frames 4 and 6 cannot be written: folders have their names.
  for (int n : {4, 6}) std::filesystem::create_directory(std::filesystem::u8path(store.FramePath(n).Utf8()));
  auto picture = [](int n) { return std::string(300, static_cast<char>('a' + n)); };
  for (int n = 1; n <= 8; ++n) EXPECT_TRUE(store.AppendFrame(n == 7 ? std::string() : picture(n), n * 20));
  EXPECT_EQ(store.ReadFrame(8), picture(8));
  EXPECT_TRUE(store.WriteFailed());
  const FrameWriteFailure failure = store.FinishWrites();
  EXPECT_EQ(failure.frame, 4);
  EXPECT_EQ(failure.reason, "磁盘已满。");
  EXPECT_NE(failedOn, std::this_thread::get_id());
  EXPECT_FALSE(store.FinishWrites());
  for (int n : {1, 2, 3, 5}) EXPECT_EQ(store.ReadFrame(n), picture(n)) << n;
  EXPECT_EQ(store.ReadFrame(7), "");

  store.DropFramesFrom(4);
  EXPECT_EQ(store.Count(), 3);
  EXPECT_FALSE(FileExists(store.FramePath(5)));
  EXPECT_EQ(store.ReadFrame(3), picture(3));
  // The next append starts the writer again.
  std::filesystem::remove(std::filesystem::u8path(store.FramePath(4).Utf8()));
  EXPECT_TRUE(store.AppendFrame(picture(9), 200));
  EXPECT_EQ(store.ReadFrame(4), picture(9));
  EXPECT_FALSE(store.FinishWrites());
}

TEST(FrameStoreTest, MissingFolderMakesEveryFrameStill) {
  test::TempFolder folder;
  FrameStore store;
  store.SetFolder(folder.Folder().PlusGbk(std::string("gone") + folder.Separator()));
  EXPECT_FALSE(store.AppendFrame("lost", 0));
  EXPECT_EQ(store.Count(), 1);
  EXPECT_EQ(store.ReadFrame(1), "");
  EXPECT_TRUE(store.AppendFrame("", 200));
}

}  // namespace
}  // namespace movrel
