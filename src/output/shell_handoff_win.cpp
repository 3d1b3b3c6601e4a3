#include "output/shell_handoff_win.h"

#include <shellapi.h>

#include <cstring>
#include <optional>
#include <vector>

#include "common/file_io.h"
#include "common/file_path_win.h"
#include "common/gbk_win.h"
#include "common/handle_win.h"
#include "output/html_clipboard.h"

namespace movrel {
namespace {

// Another program may hold the clipboard for a moment; try a few times
// before giving up.
bool OpenClipboardPatiently(HWND owner, std::optional<ClipboardGuard>* guard) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    guard->emplace(owner);
    if ((*guard)->open()) return true;
    guard->reset();
    Sleep(10);
  }
  return false;
}

bool IsFolder(const FilePath& path) {
  DWORD attributes = GetFileAttributesW(WidePath(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Whether the file begins as a GIF does ("GIF87a", "GIF89a").
bool StartsAsGif(const FilePath& path) {
  UniqueFile file(CreateFileW(WidePath(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  char head[4] = {};
  DWORD got = 0;
  return file && ReadFile(file.get(), head, sizeof head, &got, nullptr) && got == sizeof head &&
         std::memcmp(head, "GIF8", 4) == 0;
}

FilePath WindowsFolder() {
  wchar_t folder[MAX_PATH + 1] = {};
  UINT n = GetWindowsDirectoryW(folder, MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return FilePath();
  return FilePathFromWide(std::wstring(folder, n));
}

}  // namespace

bool PutImageOnClipboardAsHtml(HWND owner, const FilePath& path, const std::string& extraHtml) {
  const std::string html = HtmlImageFragment(ClipboardImageSource(path.Utf8()), WideToUtf8(ToWide(extraHtml)));
  const std::string data = HtmlClipboardData(html);

  UINT format = RegisterClipboardFormatW(ToWide(kHtmlClipboardFormat).c_str());
  if (format == 0) return false;
  UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, data.size() + 1));
  if (!block) return false;
  {
    GlobalLockGuard lock(block.get());
    if (!lock.data()) return false;
    memcpy(lock.data(), data.c_str(), data.size() + 1);  // with the terminating zero
  }
  // The clipboard is opened with an owner: emptied while opened without one
  // it has no owner, and Windows then refuses SetClipboardData. Wine
  // accepts the ownerless form, so only the owner test below shows it.
  std::optional<ClipboardGuard> clipboard;
  if (!OpenClipboardPatiently(owner, &clipboard)) return false;
  if (!EmptyClipboard()) return false;
  if (!SetClipboardData(format, block.get())) return false;
  block.release();  // the clipboard owns the block now
  return true;
}

void CopiedAnimations::Kept(const FilePath& path, bool onClipboard) {
  if (!last_.empty() && last_ != path) RemoveFile(last_);
  last_ = path;
  onClipboard_ = onClipboard;
  clipboardSequence_ = GetClipboardSequenceNumber();
}

void CopiedAnimations::Failed(const FilePath& path) {
  if (!path.empty()) RemoveFile(path);
}

void CopiedAnimations::Release() {
  if (last_.empty()) return;
  if (onClipboard_ && GetClipboardSequenceNumber() == clipboardSequence_) return;
  RemoveFile(last_);
  last_ = FilePath();
}

void RemoveLeftoverCopies(const FilePath& folder) {
  // What the clipboard offers now, as another program would read it: the
  // copy it names is still wanted.
  std::string offered;
  const UINT format = RegisterClipboardFormatW(ToWide(kHtmlClipboardFormat).c_str());
  if (format != 0 && IsClipboardFormatAvailable(format)) {
    ClipboardGuard clipboard(nullptr);  // reading needs no owner
    HANDLE data = clipboard.open() ? GetClipboardData(format) : nullptr;
    GlobalLockGuard lock(data);
    if (lock.data()) {
      const char* text = static_cast<const char*>(lock.data());
      offered.assign(text, strnlen(text, GlobalSize(data)));
    }
  }
  const std::wstring base = WidePath(folder);
  WIN32_FIND_DATAW found;
  UniqueFind search(FindFirstFileW((base + kCopyFilePrefix + L"*.tmp").c_str(), &found));
  if (!search) return;
  do {
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    const FilePath path = FilePathFromWide(base + found.cFileName);
    if (!StartsAsGif(path)) continue;
    if (!offered.empty() && offered.find(ClipboardImageSource(path.Utf8())) != std::string::npos) continue;
    RemoveFile(path);
  } while (FindNextFileW(search.get(), &found));
}

void OpenWithShell(const FilePath& path) {
  ShellExecuteW(nullptr, L"open", WidePath(path), L"", L"", SW_SHOWNORMAL);
}

DWORD ShowInExplorer(const FilePath& path, const ExplorerOptions& options, bool wait, int showMode) {
  if (!IsFolder(ExplorerFolder(path, options))) return 0;
  const FilePath windows = WindowsFolder();
  if (windows.empty()) return 0;
  ExplorerLaunch launch = PlanExplorerLaunch(path, options, windows);
  const std::wstring program = ToWide(launch.program);
  std::vector<wchar_t> line(launch.commandLine.begin(), launch.commandLine.end());
  line.push_back(L'\0');  // CreateProcessW may write into its command line

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showMode);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return 0;
  }
  UniqueKernelHandle processHandle(process.hProcess);
  UniqueKernelHandle threadHandle(process.hThread);
  if (wait) WaitForSingleObject(process.hProcess, INFINITE);
  return process.dwProcessId;
}

}  // namespace movrel
