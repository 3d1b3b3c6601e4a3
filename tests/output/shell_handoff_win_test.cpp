// The clipboard's HTML data as another program reads it back, and the
// process starts of ShowInExplorer, on a real Wine session.
#include "output/shell_handoff_win.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/gbk_win.h"

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

TEST(ClipboardHtml, HeaderFragmentAndZeroAsAnotherProgramReadsThem) {
  struct Case {
    std::string path;  // GBK
    std::string sourceUtf8;
  };
  const Case cases[] = {
      {"C:\\T\\a.tmp", "file:///C:\\T\\a.tmp"},
      {"C:\\录制\\運閉\\动画.gif", u8"file:///C:\\录制\\運閉\\动画.gif"},
      {"\\\\server\\share\\a.gif", "\\\\server\\share\\a.gif"},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(PutImageOnClipboardAsHtml(c.path)) << c.sourceUtf8;
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

std::string SystemProgram(const char* name) {
  wchar_t folder[MAX_PATH];
  UINT n = GetSystemDirectoryW(folder, MAX_PATH);
  return ToGbk(std::wstring(folder, n)) + "\\" + name;
}

TEST(ShowInExplorer, ExecutablesStartThemselvesAndAreWaitedFor) {
  std::string program = SystemProgram("hostname.exe");
  ASSERT_NE(GetFileAttributesW(ToWide(program).c_str()), INVALID_FILE_ATTRIBUTES) << program;
  DWORD before = GetTickCount();
  DWORD id = ShowInExplorer(program, false, true, false, true, SW_HIDE);
  EXPECT_NE(id, 0u);
  // The process has ended: its ID no longer opens a running process.
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
  if (process) {
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
    CloseHandle(process);
  }
  EXPECT_LT(GetTickCount() - before, 60000u);
  EXPECT_EQ(ShowInExplorer("C:\\no such folder\\missing.exe", false, true, false, true, SW_HIDE), 0u);
}

}  // namespace
}  // namespace movrel
