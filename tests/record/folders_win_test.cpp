// The recording's folders on real files under Wine.
#include "record/folders_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "common/file_io.h"
#include "common/file_path_win.h"
#include "common/gbk_win.h"
#include "gif/byte_sink.h"
#include "record/frame_store.h"
#include "record/recording_rules.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

namespace movrel {
namespace {

bool IsFolder(const std::string& path) {
  DWORD a = GetFileAttributesW(ToWide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFolder(const FilePath& path) {
  DWORD a = GetFileAttributesW(WidePath(path));
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

FilePath Gbk(const std::string& path) { return FilePath::FromGbk(path); }

TEST(DirectoryChainTest, CreatesOnlyComponentsEndingInASeparator) {
  test::TempFolder s;
  EXPECT_TRUE(MakeDirectoryChain(FilePath::FromGbk(s.Path() + "a\\運\\")));
  EXPECT_TRUE(IsFolder(s.Path() + "a"));
  EXPECT_TRUE(IsFolder(s.Path() + "a\\運"));
  EXPECT_TRUE(MakeDirectoryChain(FilePath::FromGbk(s.Path() + "c\\d")));
  EXPECT_TRUE(IsFolder(s.Path() + "c"));
  EXPECT_FALSE(IsFolder(s.Path() + "c\\d"));
  EXPECT_TRUE(MakeDirectoryChain(FilePath::FromGbk(s.Path() + "a\\運\\")));  // all there already
  // A file in the way cannot become a folder.
  ASSERT_TRUE(WriteWholeFile(s.Path() + "file", "x"));
  EXPECT_FALSE(MakeDirectoryChain(FilePath::FromGbk(s.Path() + "file\\sub\\")));
}

TEST(DeleteDirectoryTreeTest, RefusesRootsAndBlanksAndTouchesNothing) {
  test::TempFolder s;
  ASSERT_TRUE(WriteWholeFile(s.Path() + "keep", "x"));
  for (const char* path : {"", "   ", "C:", "C:\\", "  C:\\", "\\", "\\\\server\\share"}) {
    EXPECT_FALSE(DeleteDirectoryTree(Gbk(path))) << "[" << path << "]";
  }
  EXPECT_TRUE(FileExists(s.Path() + "keep"));
  EXPECT_TRUE(IsFolder("C:\\windows"));
  EXPECT_FALSE(DeleteDirectoryTree(Gbk(s.Path() + "missing\\")));
}

TEST(DeleteDirectoryTreeTest, DeletesANestedTreeWithReadOnlyFiles) {
  test::TempFolder s;
  const std::string root = s.Path() + "KVGifRecord_1\\";
  ASSERT_TRUE(MakeDirectoryChain(FilePath::FromGbk(root + "運\\deep\\")));
  ASSERT_TRUE(WriteWholeFile(root + "1.TMP", "frame"));
  ASSERT_TRUE(WriteWholeFile(root + "運\\deep\\2.TMP", "frame"));
  SetFileAttributesW(ToWide(root + "運\\deep\\2.TMP").c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_TRUE(DeleteDirectoryTree(Gbk("  " + root)));
  EXPECT_FALSE(IsFolder(root));
  EXPECT_TRUE(IsFolder(s.Path()));
}

// Symbolic links made by a test, removed again at its end. Under Wine,
// whose CreateSymbolicLinkW reports success and makes nothing, a Unix program
// makes them, as another process on the machine could, and removes them: a
// Wine program cannot delete a link without reaching through it.
class Links {
 public:
  ~Links() {
    if (!UnixName() || made_.empty()) return;
    RunUnix(L"rm", L"-f", made_);
    for (const FilePath& link : made_) Exists(link, false);
  }
  // False when no link was made.
  bool Make(const FilePath& link, const FilePath& target, bool folder) {
    if (!UnixName()) {
      CreateSymbolicLinkW(WidePath(link), WidePath(target), folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0);
      return GetFileAttributesW(WidePath(link)) != INVALID_FILE_ATTRIBUTES;
    }
    RunUnix(L"ln", L"-s", {target, link});
    made_.push_back(link);
    return Exists(link, true);
  }

 private:
  using UnixNameFn = char*(CDECL*)(const wchar_t*);
  static UnixNameFn UnixName() {
    return reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  }
  // Runs /bin/`program` (Wine's drive Z: is the Unix root) on the Unix names
  // of `paths`.
  static void RunUnix(const std::wstring& program, const std::wstring& option, const std::vector<FilePath>& paths) {
    std::wstring command = program + L" " + option;
    for (const FilePath& path : paths) {
      char* name = UnixName()(WidePath(path));
      if (!name) return;
      command += L" \"" + ToWide(FilePath::FromUtf8(name)) + L"\"";
      HeapFree(GetProcessHeap(), 0, name);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW((L"Z:\\bin\\" + program).c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  // Wine's handle to a Unix process does not wait for its end: the test
  // waits for what it does instead.
  static bool Exists(const FilePath& path, bool wanted) {
    return test::WaitUntil([&] { return (GetFileAttributesW(WidePath(path)) != INVALID_FILE_ATTRIBUTES) == wanted; });
  }

  std::vector<FilePath> made_;
};

// What links in a recording folder point to is the user's: a deletion of
// the folder removes the links or leaves them, never what they reach.
TEST(DeleteDirectoryTreeTest, RemovesLinksWithoutFollowingThem) {
  test::TempFolder s;
  const FilePath outside = s.Folder().Plus(u"outside\\");
  const FilePath emptyOutside = s.Folder().Plus(u"empty outside");
  const FilePath preciousFile = s.Folder().Plus(u"precious 運.txt");
  ASSERT_TRUE(CreateDirectoryW(WidePath(outside), nullptr));
  ASSERT_TRUE(CreateDirectoryW(WidePath(emptyOutside), nullptr));
  ASSERT_TRUE(WriteWholeFile(outside.Plus(u"precious"), "keep me"));
  ASSERT_TRUE(WriteWholeFile(preciousFile, "keep me too"));
  const FilePath tree = s.Folder().Plus(u"KVGifRecord_1\\");
  ASSERT_TRUE(MakeDirectoryChain(tree.Plus(u"運\\")));
  ASSERT_TRUE(WriteWholeFile(tree.Plus(u"1.TMP"), "frame"));
  Links links;
  const FilePath treeLink = s.Folder().Plus(u"KVGifRecord_2");
  if (!links.Make(tree.Plus(u"運\\folder link"), outside.WithoutTrailingSeparators(), true) ||
      !links.Make(tree.Plus(u"empty folder link"), emptyOutside, true) ||
      !links.Make(tree.Plus(u"file link"), preciousFile, false) || !links.Make(treeLink, emptyOutside, true)) {
    GTEST_SKIP() << "this system makes no links";
  }

  // Windows removes each link itself; Wine cannot open a link as itself, so
  // there the links stay, and with them the folders that hold them.
  const bool gone = DeleteDirectoryTree(tree);
  EXPECT_EQ(gone, !IsFolder(tree));
  EXPECT_FALSE(FileExists(tree.Plus(u"1.TMP")));
  DeleteDirectoryTree(treeLink);  // a link given as the tree itself
  EXPECT_TRUE(FileExists(outside.Plus(u"precious")));
  EXPECT_TRUE(FileExists(preciousFile));
  EXPECT_TRUE(IsFolder(emptyOutside));
}

// Restores TMP when the test ends.
class TmpVariable {
 public:
  TmpVariable() : length_(GetEnvironmentVariableW(L"TMP", saved_, MAX_PATH)) {}
  ~TmpVariable() { SetEnvironmentVariableW(L"TMP", length_ ? saved_ : nullptr); }
  TmpVariable(const TmpVariable&) = delete;
  TmpVariable& operator=(const TmpVariable&) = delete;

 private:
  wchar_t saved_[MAX_PATH] = {};
  DWORD length_;
};

TEST(RecordingTempDirTest, FreshLockedFolderInTheTemporaryFolder) {
  const FilePath temp = SystemTempFolder();
  ASSERT_TRUE(temp.EndsWithSeparator());
  const FilePath first = MakeRecordingTempDir();
  const FilePath second = MakeRecordingTempDir();
  EXPECT_EQ(first.Units().rfind(temp.Plus(u"KVGifRecord_").Units(), 0), 0u) << first.Utf8();
  EXPECT_TRUE(first.EndsWithSeparator());
  EXPECT_TRUE(IsFolder(first));
  EXPECT_TRUE(IsFolder(second));
  EXPECT_NE(first, second);  // even within the same second
  // The lock is held: no one can delete it while the folder is ours.
  EXPECT_FALSE(DeleteFileW(WidePath(first.Plus(u"KVGifRecord.lock"))));
  EXPECT_TRUE(FileExists(first.Plus(u"KVGifRecord.lock")));
  EXPECT_TRUE(DeleteDirectoryTree(first));
  EXPECT_TRUE(DeleteDirectoryTree(second));
}

int64_t LocalSeconds() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return SecondsSince19700101At8(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

// Only a folder this copy made is used; none at all when none can be made.
TEST(RecordingTempDirTest, NoFolderWhenNoneOfItsOwnCanBeMade) {
  test::TempFolder s;
  SetLastError(0);
  EXPECT_TRUE(MakeRecordingTempDir(s.Folder().Plus(u"missing\\")).empty());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  // Other copies hold every name of the second.
  const int64_t second = LocalSeconds();
  const std::string text = std::to_string(second);
  const FilePath base = s.Folder().Plus(u"KVGifRecord_" + std::u16string(text.begin(), text.end()));
  CreateDirectoryW(WidePath(base), nullptr);
  for (int n = 1; n < 1000; ++n) {
    const std::string suffix = "_" + std::to_string(n);
    CreateDirectoryW(WidePath(base.Plus(std::u16string(suffix.begin(), suffix.end()))), nullptr);
  }
  const FilePath made = MakeRecordingTempDir(s.Folder(), second);
  EXPECT_TRUE(made.empty()) << made.Utf8();
}

// A user profile named in letters GBK lacks: the temporary folder comes from
// TMP as the system spells it, and frames, a saved file and the deletion
// all reach the real folder.
TEST(RecordingTempDirTest, TemporaryFolderNamedInLettersGbkLacks) {
  const FilePath base = SystemTempFolder().Plus(u"movrel_녹화_\u0D05\\");
  ASSERT_EQ(base.Gbk().find('?') != std::string::npos, true) << "the name must hold letters GBK lacks";
  CreateDirectoryW(WidePath(base), nullptr);
  ASSERT_TRUE(IsFolder(base));
  FilePath folder;
  {
    TmpVariable keep;
    ASSERT_TRUE(SetEnvironmentVariableW(L"TMP", WidePath(base.WithoutTrailingSeparators())));
    ASSERT_EQ(SystemTempFolder(), base);
    folder = MakeRecordingTempDir();
  }
  EXPECT_EQ(folder.Units().rfind(base.Units(), 0), 0u) << folder.Utf8();
  ASSERT_TRUE(IsFolder(folder));

  FrameStore store;
  store.SetFolder(folder);
  EXPECT_TRUE(store.AppendFrame("frame one", 0));
  EXPECT_TRUE(store.AppendFrame("frame two", 100));
  EXPECT_EQ(store.ReadFrame(1), "frame one");
  EXPECT_EQ(store.ReadFrame(2), "frame two");
  EXPECT_TRUE(store.HasPicture(2));

  const FilePath gif = folder.Plus(u"녹화.gif");
  {
    FileSink sink;
    ASSERT_TRUE(sink.Create(gif));
    ASSERT_TRUE(sink.Write("GIF89a", 6));
    ASSERT_TRUE(sink.Commit());
  }
  std::string saved;
  ASSERT_TRUE(ReadWholeFile(gif, &saved));
  EXPECT_EQ(saved, "GIF89a");

  EXPECT_TRUE(DeleteDirectoryTree(folder));
  EXPECT_FALSE(IsFolder(folder));
  EXPECT_TRUE(RemoveDirectoryW(WidePath(base)));
}

TEST(RemoveStaleRecordingFoldersTest, RemovesLeftoversAndKeepsWhatACopyHolds) {
  test::TempFolder s;
  const FilePath temp = s.Folder();
  // Left by a killed copy: its lock file is there but no one holds it.
  const FilePath stale = temp.Plus(u"KVGifRecord_1700000000\\");
  ASSERT_TRUE(CreateDirectoryW(WidePath(stale), nullptr));
  ASSERT_TRUE(CreateDirectoryW(WidePath(stale.Plus(u"sub")), nullptr));
  ASSERT_TRUE(WriteWholeFile(stale.Plus(u"KVGifRecord.lock"), ""));
  ASSERT_TRUE(WriteWholeFile(stale.Plus(u"1.TMP"), "frame"));
  ASSERT_TRUE(WriteWholeFile(stale.Plus(u"sub\\2.TMP"), "frame"));
  // A running copy's folder (this process holds its lock), and one another
  // copy has just made and not locked yet.
  const FilePath live = MakeRecordingTempDir(temp);
  ASSERT_TRUE(WriteWholeFile(live.Plus(u"1.TMP"), "frame"));
  const FilePath fresh = temp.Plus(u"KVGifRecord_1700000001\\");
  ASSERT_TRUE(CreateDirectoryW(WidePath(fresh), nullptr));
  // Not a recording folder at all.
  const FilePath other = temp.Plus(u"Other_1\\");
  ASSERT_TRUE(CreateDirectoryW(WidePath(other), nullptr));

  EXPECT_EQ(RemoveStaleRecordingFolders(temp), 1);
  EXPECT_FALSE(IsFolder(stale));
  EXPECT_TRUE(FileExists(live.Plus(u"1.TMP")));
  EXPECT_TRUE(IsFolder(fresh));
  EXPECT_TRUE(IsFolder(other));
  // Once its copy lets go, the live folder is a leftover too.
  EXPECT_TRUE(DeleteDirectoryTree(live));
  EXPECT_EQ(RemoveStaleRecordingFolders(temp), 0);

  // The background form, as at start-up.
  ASSERT_TRUE(CreateDirectoryW(WidePath(stale), nullptr));
  ASSERT_TRUE(WriteWholeFile(stale.Plus(u"KVGifRecord.lock"), ""));
  UniqueKernelHandle thread = RemoveStaleRecordingFoldersInBackground(temp);
  ASSERT_TRUE(thread);
  EXPECT_EQ(WaitForSingleObject(thread.get(), 30000), WAIT_OBJECT_0);
  EXPECT_FALSE(IsFolder(stale));
}

TEST(RemoveStaleRecordingFoldersTest, NeverFollowsLinks) {
  // Links are entries with a reparse point; plain folders and files are not.
  EXPECT_TRUE(IsLinkEntry(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
  EXPECT_TRUE(IsLinkEntry(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(IsLinkEntry(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  test::TempFolder s;
  const FilePath outside = s.Folder().Plus(u"outside\\");
  ASSERT_TRUE(CreateDirectoryW(WidePath(outside), nullptr));
  ASSERT_TRUE(WriteWholeFile(outside.Plus(u"KVGifRecord.lock"), ""));
  ASSERT_TRUE(WriteWholeFile(outside.Plus(u"precious"), "keep me"));
  const FilePath link = s.Folder().Plus(u"KVGifRecord_1700000002");
  Links links;
  if (!links.Make(link, outside.WithoutTrailingSeparators(), true)) GTEST_SKIP() << "this system makes no links";
  RemoveStaleRecordingFolders(s.Folder());
  EXPECT_TRUE(FileExists(outside.Plus(u"precious")));
  EXPECT_TRUE(FileExists(outside.Plus(u"KVGifRecord.lock")));
}

std::string Stem(const FilePath& path, const std::string& folder) {
  std::string name = path.Gbk().substr(folder.size());
  return name.substr(0, 19);  // "2026-12-06 17-46-14"
}

TEST(SaveFrameToFolderTest, DateTimeNamesWithACounterWithinOneSecond) {
  test::TempFolder s;
  const std::string folder = s.Path() + "帧\\";
  ASSERT_TRUE(MakeDirectoryChain(FilePath::FromGbk(folder)));
  // Two saves in a row fall into one second almost always; try again when
  // the clock turned between them.
  FilePath a, b;
  for (int attempt = 0; attempt < 5; ++attempt) {
    a = SaveFrameToFolder("BM frame", FilePath::FromGbk(folder), kSaveBmp);
    b = SaveFrameToFolder("BM frame", FilePath::FromGbk(folder), kSaveBmp);
    if (Stem(a, folder) == Stem(b, folder)) break;
  }
  ASSERT_FALSE(a.empty());
  ASSERT_EQ(Stem(a, folder), Stem(b, folder));
  EXPECT_EQ(a.Gbk(), folder + Stem(a, folder) + ".BMP");
  EXPECT_EQ(b.Gbk(), folder + Stem(a, folder) + "(1).BMP");
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(b, &bytes));
  EXPECT_EQ(bytes, "BM frame");  // BMP is written as it is
  EXPECT_EQ(Stem(a, folder)[4], '-');
  EXPECT_EQ(Stem(a, folder)[13], '-');
}

// "2026-12-06 17-46-14" of the local time `seconds` from now.
std::string StemIn(int seconds) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  FILETIME time;
  SystemTimeToFileTime(&now, &time);
  ULARGE_INTEGER ticks{{time.dwLowDateTime, time.dwHighDateTime}};
  ticks.QuadPart += static_cast<ULONGLONG>(seconds) * 10000000;
  time = FILETIME{ticks.LowPart, ticks.HighPart};
  FileTimeToSystemTime(&time, &now);
  return FrameFileStem(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

TEST(SaveFrameToFolderTest, AFileAtTheChosenNameIsLeftAsItIs) {
  test::TempFolder s;
  // Files at every name the next seconds would choose first.
  std::vector<std::string> earlier;
  for (int second = 0; second < 3; ++second) {
    earlier.push_back(s.Path() + StemIn(second) + ".BMP");
    ASSERT_TRUE(WriteWholeFile(earlier.back(), "earlier file " + std::to_string(second)));
  }
  const FilePath saved = SaveFrameToFolder("BM frame", FilePath::FromGbk(s.Path()), kSaveBmp);
  ASSERT_FALSE(saved.empty());
  EXPECT_EQ(saved.Gbk().substr(saved.Gbk().size() - 7), "(1).BMP") << saved.Gbk();
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(saved, &bytes));
  EXPECT_EQ(bytes, "BM frame");
  for (size_t i = 0; i < earlier.size(); ++i) {
    ASSERT_TRUE(ReadWholeFile(earlier[i], &bytes));
    EXPECT_EQ(bytes, "earlier file " + std::to_string(i));
  }
}

TEST(SaveFrameToFolderTest, FailuresWriteNothing) {
  // Re-encoded formats are decoded by Pillow in the end-to-end tests.
  test::TempFolder s;
  EXPECT_TRUE(SaveFrameToFolder("not a picture", FilePath::FromGbk(s.Path()), kSaveJpeg).empty());
  EXPECT_TRUE(SaveFrameToFolder("BM frame", FilePath::FromGbk(s.Path() + "no such folder\\"), kSaveBmp).empty());
}

}  // namespace
}  // namespace movrel
