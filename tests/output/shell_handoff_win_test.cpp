// The clipboard's HTML data as another program reads it back, the copies'
// temporary files, and the process starts of ShowInExplorer, on a real Wine
// session.
#include "output/shell_handoff_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/file_io.h"
#include "common/gbk_win.h"
#include "support/temp_folder.h"

namespace movrel {
namespace {

// The bytes of the clipboard's "HTML Format" data, the zero included.
std::string ClipboardHtmlBytes() {
  UINT format = RegisterClipboardFormatW(L"HTML Format");
  std::string bytes;
  if (!OpenClipboard(nullptr)) return bytes;
  HANDLE data = GetClipboardData(format);
  if (data) {
    SIZE_T size = GlobalSize(data);
    const void* p = GlobalLock(data);
    if (p) bytes.assign(static_cast<const char*>(p), size);
    GlobalUnlock(data);
  }
  CloseClipboard();
  return bytes;
}

size_t Field(const std::string& data, const std::string& name) {
  size_t at = data.find(name + ":");
  EXPECT_NE(at, std::string::npos) << name;
  return at == std::string::npos ? 0 : std::stoul(data.substr(at + name.size() + 1, 10));
}

// A hidden window to own the clipboard, as the main window does.
class OwnerWindow {
 public:
  OwnerWindow() : window_(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr)) {}
  ~OwnerWindow() {
    if (window_) DestroyWindow(window_);
  }
  HWND get() const { return window_; }

 private:
  HWND window_;
};

TEST(ClipboardHtml, HeaderFragmentAndZeroAsAnotherProgramReadsThem) {
  struct Case {
    std::u16string path;
    std::string sourceUtf8;
  };
  const Case cases[] = {
      {u"C:\\T\\a.tmp", "file:///C:/T/a.tmp"},
      {u"C:\\录制\\運閉 #1\\动画.gif", "file:///C:/%E5%BD%95%E5%88%B6/%E9%81%8B%E9%96%89%20%231/%E5%8A%A8%E7%94%BB.gif"},
      {u"\\\\server\\share\\a&b.gif", "file://server/share/a%26b.gif"},
      {u"C:\\\uD55C\\a.gif", "file:///C:/%ED%95%9C/a.gif"},  // a letter GBK lacks
  };
  OwnerWindow owner;
  ASSERT_NE(owner.get(), nullptr);
  for (const Case& c : cases) {
    ASSERT_TRUE(PutImageOnClipboardAsHtml(owner.get(), FilePath(c.path))) << c.sourceUtf8;
    // Windows takes the data only from a clipboard emptied by an owner.
    EXPECT_EQ(GetClipboardOwner(), owner.get());
    std::string bytes = ClipboardHtmlBytes();
    // The block may be rounded up; the data ends at its first zero byte.
    size_t zero = bytes.find('\0');
    ASSERT_NE(zero, std::string::npos);
    std::string data = bytes.substr(0, zero);
    const std::string fragment = "<IMG src=\"" + c.sourceUtf8 + "\">";
    const std::string html = "<HTML><BODY><!--StartFragment-->" + fragment + "<!--EndFragment--></BODY></HTML>";
    EXPECT_EQ(data.substr(0, 12), "Version:0.9\r");
    size_t startHtml = Field(data, "StartHTML"), endHtml = Field(data, "EndHTML");
    size_t startFragment = Field(data, "StartFragment"), endFragment = Field(data, "EndFragment");
    EXPECT_EQ(endHtml, data.size());
    EXPECT_EQ(data.substr(startHtml), html);
    EXPECT_EQ(data.substr(startFragment, endFragment - startFragment), fragment);
  }
}

bool PutTextOnClipboard(HWND owner, const wchar_t* text) {
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool put = false;
  if (block) {
    memcpy(GlobalLock(block), text, bytes);
    GlobalUnlock(block);
    put = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    if (!put) GlobalFree(block);
  }
  CloseClipboard();
  return put;
}

TEST(CopiedAnimations, OnlyTheNewestCopyStaysAndOnlyWhileTheClipboardOffersIt) {
  test::TempFolder folder;
  const FilePath base = FilePath::FromGbk(folder.Path());
  const FilePath first = base.Plus(u"1.tmp"), second = base.Plus(u"2.tmp"), failed = base.Plus(u"3.tmp"),
                 refused = base.Plus(u"4.tmp");
  for (const FilePath& path : {first, second, failed, refused}) ASSERT_TRUE(WriteWholeFile(path, "GIF89a"));
  OwnerWindow owner;
  CopiedAnimations copies;
  ASSERT_TRUE(PutImageOnClipboardAsHtml(owner.get(), first));
  copies.Kept(first, true);
  ASSERT_TRUE(PutImageOnClipboardAsHtml(owner.get(), second));
  copies.Kept(second, true);
  EXPECT_FALSE(FileExists(first));
  EXPECT_TRUE(FileExists(second));
  CopiedAnimations::Failed(failed);
  EXPECT_FALSE(FileExists(failed));
  // At exit the clipboard still offers the newest copy: a later paste finds it.
  copies.Release();
  EXPECT_TRUE(FileExists(second));
  // Once something else was copied nothing needs it.
  ASSERT_TRUE(PutTextOnClipboard(owner.get(), L"other"));
  copies.Release();
  EXPECT_FALSE(FileExists(second));
  // A copy the clipboard would not take is the newest all the same (the
  // user was told where it is), and goes at exit.
  copies.Kept(refused, false);
  copies.Release();
  EXPECT_FALSE(FileExists(refused));
}

// What an earlier run left in the temporary folder goes at start-up, but
// not the copy the clipboard still offers, nor files that are not the
// copies' GIFs.
TEST(CopiedAnimations, LeftoversOfAnEarlierRunGoExceptTheOneOnTheClipboard) {
  test::TempFolder folder;
  const FilePath base = FilePath::FromGbk(folder.Path());
  const FilePath left = base.Plus(u"mvgA1.tmp"), offered = base.Plus(u"mvgB2.tmp"),
                 notGif = base.Plus(u"mvgC3.tmp"), other = base.Plus(u"xyzD4.tmp");
  for (const FilePath& path : {left, offered, other}) ASSERT_TRUE(WriteWholeFile(path, "GIF89a"));
  ASSERT_TRUE(WriteWholeFile(notGif, "someone else's"));
  OwnerWindow owner;
  ASSERT_TRUE(PutImageOnClipboardAsHtml(owner.get(), offered));
  RemoveLeftoverCopies(base);
  EXPECT_FALSE(FileExists(left));
  EXPECT_TRUE(FileExists(offered));
  EXPECT_TRUE(FileExists(notGif));
  EXPECT_TRUE(FileExists(other));
  ASSERT_TRUE(PutTextOnClipboard(owner.get(), L"other"));
  RemoveLeftoverCopies(base);
  EXPECT_FALSE(FileExists(offered));
  for (const FilePath& path : {notGif, other}) RemoveFile(path);
}

std::string SystemProgram(const char* name) {
  wchar_t folder[MAX_PATH];
  UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  return ToGbk(std::wstring(folder, n)) + "\\" + name;
}

TEST(ShowInExplorer, OpensOnlyFoldersAndOnlyWithTheSystemFileManager) {
  std::string program = SystemProgram("hostname.exe");
  ASSERT_NE(GetFileAttributesW(ToWide(program).c_str()), INVALID_FILE_ATTRIBUTES) << program;
  ExplorerOptions open;
  open.newWindow = true;
  // A program or a missing folder is refused; nothing starts.
  EXPECT_EQ(ShowInExplorer(FilePath::FromGbk(program), open, true, SW_HIDE), 0u);
  EXPECT_EQ(ShowInExplorer(FilePath::FromGbk(program + "\\"), open, true, SW_HIDE), 0u);
  EXPECT_EQ(ShowInExplorer(FilePath(u"C:\\no such folder"), open, true, SW_HIDE), 0u);
  test::TempFolder folder;
  wchar_t windows[MAX_PATH] = {};
  const std::wstring windowsFolder(windows, GetWindowsDirectoryW(windows, MAX_PATH));
  // Selecting a program shows its folder; the program does not run.
  ExplorerOptions select;
  select.selectItem = true;
  for (const auto& options : {open, select}) {
    const std::string target = options.selectItem ? program : folder.Path();
    DWORD id = ShowInExplorer(FilePath::FromGbk(target), options, false, SW_HIDE);
    ASSERT_NE(id, 0u) << target;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id);
    ASSERT_NE(process, nullptr);
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    EXPECT_TRUE(QueryFullProcessImageNameW(process, 0, image, &size));
    // Wine reports its file manager from the system folder below the
    // Windows folder.
    const std::wstring started(image, size);
    EXPECT_EQ(_wcsnicmp(started.c_str(), windowsFolder.c_str(), windowsFolder.size()), 0) << ToGbk(started);
    ASSERT_GT(started.size(), 13u);
    EXPECT_EQ(_wcsicmp(started.c_str() + started.size() - 13, L"\\explorer.exe"), 0) << ToGbk(started);
    TerminateProcess(process, 0);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
  }
}

}  // namespace
}  // namespace movrel
