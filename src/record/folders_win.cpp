#include "record/folders_win.h"

#include <shlobj.h>

#include <memory>

#include "app/hotkey_poll.h"
#include "bitmap/reencode_win.h"
#include "common/file_io.h"
#include "common/gbk.h"
#include "common/gbk_win.h"
#include "record/recording_rules.h"

namespace movrel {
namespace {

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string WithoutTrailingSlash(std::string path) {
  while (GbkEndsWith(path, '\\') || (!path.empty() && path.back() == '/')) path.pop_back();
  return path;
}

int64_t LocalSecondsSince19700101At8() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return SecondsSince19700101At8(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

// Deletes what is inside `folder` (no trailing separator), then the folder.
// Links are removed as links: a junction or symbolic link to a folder is a
// directory entry with a reparse point, and RemoveDirectoryW on it removes
// the link alone.
void DeleteTreeContents(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    const DWORD attributes = found.dwFileAttributes;
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(path.c_str());
      } else {
        DeleteFileW(path.c_str());
      }
    } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteTreeContents(path);
      RemoveDirectoryW(path.c_str());
    } else {
      DeleteFileW(path.c_str());
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

DWORD WINAPI DeleteTreeThread(void* parameter) {
  std::unique_ptr<std::string> path(static_cast<std::string*>(parameter));
  DeleteDirectoryTree(*path);
  return 0;
}

}  // namespace

std::string MakeRecordingTempDir() {
  wchar_t tempPath[MAX_PATH + 1] = {};
  wchar_t tempName[MAX_PATH + 1] = {};
  DWORD length = GetTempPathW(MAX_PATH, tempPath);
  // A nonzero unique number makes the system form the name without creating
  // the file; only its folder part is wanted.
  if (length == 0 || length > MAX_PATH || !GetTempFileNameW(tempPath, L"", GetTickCount() | 1, tempName)) {
    tempName[0] = 0;
  }
  const std::string base = RecordingFolderPath(ToGbk(tempName), LocalSecondsSince19700101At8());
  std::string folder = base;
  for (int n = 1; n < 1000 && PathExists(ToWide(WithoutTrailingSlash(folder))); ++n) {
    folder = WithoutTrailingSlash(base) + "_" + std::to_string(n) + "\\";
  }
  MakeDirectoryChain(folder);
  return folder;
}

bool MakeDirectoryChain(const std::string& path) {
  for (const std::string& prefix : DirectoryChainPrefixes(path)) {
    const std::wstring wide = ToWide(prefix);
    if (PathExists(wide)) continue;
    if (!CreateDirectoryW(wide.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return true;
}

bool DeleteDirectoryTree(const std::string& path) {
  if (IsProtectedDeletePath(path)) return false;
  const std::wstring folder = ToWide(WithoutTrailingSlash(SkipLeadingBlanks(path)));
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  // A link given as the tree itself is removed without looking inside.
  if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT)) DeleteTreeContents(folder);
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(folder.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  RemoveDirectoryW(folder.c_str());
  return !PathExists(folder);
}

UniqueKernelHandle DeleteDirectoryTreeInBackground(const std::string& path) {
  auto copy = std::make_unique<std::string>(path);
  HANDLE thread = CreateThread(nullptr, 0, DeleteTreeThread, copy.get(), 0, nullptr);
  if (thread) copy.release();  // the thread owns it now
  return UniqueKernelHandle(thread);
}

std::string SaveFrameToFolder(const std::string& bmpBytes, const std::string& folder, int formatIndex,
                              const std::string& extension) {
  std::string image = bmpBytes;
  if (formatIndex != 0) {
    std::string encoded;
    if (!ReencodeImage(bmpBytes, formatIndex + 1, &encoded) || encoded.empty()) return std::string();
    image = std::move(encoded);
  }
  std::string name;
  // The clock is read again for every name tried. The bound only guards
  // against a file system that reports every name as taken.
  for (int counter = 0; counter < 100000; ++counter) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    name = FrameFileName(folder, FrameFileStem(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond),
                         counter, extension);
    if (!PathExists(ToWide(name))) break;
  }
  return WriteWholeFile(name, image) ? name : std::string();
}

namespace {

int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED && data) SendMessageW(window, BFFM_SETSELECTIONW, TRUE, data);
  return 0;
}

std::string TrimBlanks(const std::string& text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::string BrowseForFolder(HWND owner, const std::string& title, const std::string& startFolder) {
  const std::wstring wideTitle = ToWide(title.empty() ? std::string("请选择一个文件夹") : title);
  const std::wstring start = ToWide(startFolder);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  PIDLIST_ABSOLUTE chosen;
  {
    ModalLoopGuard modal;  // no hotkey acts under the dialog
    chosen = SHBrowseForFolderW(&info);
  }
  if (!chosen) return std::string();
  wchar_t path[MAX_PATH] = {};
  bool ok = SHGetPathFromIDListW(chosen, path) != FALSE;
  CoTaskMemFree(chosen);
  return ok ? TrimBlanks(ToGbk(path)) : std::string();
}

std::string FrameFolderBrowserTitle() {
  return GbkReplaceAll("选择帧保存所在目录，''\\'' 开头表示相对于程序目录下：", "''", "\"");
}

}  // namespace movrel
