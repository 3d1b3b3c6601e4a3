// The settings file's share mode under a real Windows file system layer.
#include <windows.h>

#include <gtest/gtest.h>

#include "common/file_io.h"
#include "common/gbk_win.h"
#include "common/handle_win.h"
#include "config/config_store.h"
#include "support/temp_folder.h"

namespace movrel {
namespace {

UniqueFile OpenOther(const std::string& path, DWORD access, DWORD share) {
  return UniqueFile(CreateFileW(ToWide(path).c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
}

TEST(ConfigFileWin, OthersMayReadButNotWriteWhileOpen) {
  test::TempFolder dir;
  std::string path = dir / "Movrel.ini";
  ConfigStore store;
  ASSERT_TRUE(store.Open(FilePath::FromGbk(path)));
  store.SetSection("主界面");
  ASSERT_TRUE(store.WriteText("矩形.右边", "800"));

  const DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  UniqueFile writer = OpenOther(path, GENERIC_WRITE, shareAll);
  EXPECT_FALSE(writer);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_FALSE(OpenOther(path, GENERIC_READ | GENERIC_WRITE, shareAll));

  // A reader sees the file as current as the store's buffer.
  EXPECT_TRUE(OpenOther(path, GENERIC_READ, shareAll));
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, &bytes));
  EXPECT_EQ(bytes, "[主界面]\r\n矩形.右边=800");

  // A second store (a second copy of the program) can read but not write.
  ConfigStore second;
  EXPECT_FALSE(second.Open(FilePath::FromGbk(path)));
  second.SetSection("主界面");
  EXPECT_EQ(second.ReadText("矩形.右边", ""), "800");

  store.Close();
  EXPECT_TRUE(OpenOther(path, GENERIC_WRITE, shareAll));
}

// Runs a command line in another process and waits for it to end.
DWORD RunOtherProcess(const std::wstring& commandLine) {
  std::wstring line = commandLine;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                      &process)) {
    return 0xFFFFFFFF;
  }
  UniqueKernelHandle processHandle(process.hProcess);
  UniqueKernelHandle threadHandle(process.hThread);
  DWORD code = 0xFFFFFFFE;
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
  return code;
}

TEST(ConfigFileWin, AnotherProcessCopiesButCannotAppend) {
  test::TempFolder dir;
  std::string path = dir / "Movrel.ini";
  std::string copy = dir / "copy.ini";
  ConfigStore store;
  ASSERT_TRUE(store.Open(FilePath::FromGbk(path)));
  store.SetSection("主界面");
  ASSERT_TRUE(store.WriteText("帧间隔", "200"));

  EXPECT_EQ(RunOtherProcess(L"cmd.exe /c copy /y \"" + ToWide(path) + L"\" \"" + ToWide(copy) + L"\""), 0u);
  std::string copied;
  ASSERT_TRUE(ReadWholeFile(copy, &copied));
  EXPECT_EQ(copied, "[主界面]\r\n帧间隔=200");

  // The marker shows that the other process ran and tried the append.
  std::string marker = dir / "marker.txt";
  RunOtherProcess(L"cmd.exe /c echo x>>\"" + ToWide(path) + L"\" & echo ran>\"" + ToWide(marker) + L"\"");
  EXPECT_TRUE(FileExists(marker));
  EXPECT_EQ(store.Content(), "[主界面]\r\n帧间隔=200");
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, &bytes));
  EXPECT_EQ(bytes, "[主界面]\r\n帧间隔=200");
}

TEST(ConfigFileWin, FileLockedByAnotherProgramIsOnlyRead) {
  test::TempFolder dir;
  std::string path = dir / "Movrel.ini";
  ASSERT_TRUE(WriteWholeFile(path, "[主界面]\r\n帧间隔=100"));
  UniqueFile locker = OpenOther(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ);
  ASSERT_TRUE(locker);

  ConfigStore store;
  EXPECT_FALSE(store.Open(FilePath::FromGbk(path)));
  store.SetSection("主界面");
  EXPECT_EQ(store.ReadText("帧间隔", ""), "100");
  // The write is not saved, and the store says why in the system's words.
  EXPECT_FALSE(store.WriteText("帧间隔", "50"));
  EXPECT_NE(store.WriteError().find("（错误代码 32）"), std::string::npos) << store.WriteError();
  EXPECT_EQ(store.ReadText("帧间隔", ""), "50");
  locker.reset();
  std::string bytes;
  ASSERT_TRUE(ReadWholeFile(path, &bytes));
  EXPECT_EQ(bytes, "[主界面]\r\n帧间隔=100");
}

}  // namespace
}  // namespace movrel
