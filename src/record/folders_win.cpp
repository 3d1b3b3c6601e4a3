#include "record/folders_win.h"

#include <shlobj.h>

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "app/hotkey_poll.h"
#include "bitmap/reencode_win.h"
#include "common/file_io.h"
#include "common/file_path_win.h"
#include "common/gbk.h"
#include "common/gbk_win.h"
#include "record/recording_rules.h"

namespace movrel {
namespace {

constexpr wchar_t kRecordingFolderPrefix[] = L"KVGifRecord_";
constexpr wchar_t kLockFileName[] = L"KVGifRecord.lock";
// A folder without a lock file may be one another copy has just made and
// not yet locked; only older ones are taken for leftovers.
constexpr int64_t kUnlockedGraceSeconds = 60;

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int64_t LocalSecondsSince19700101At8() {
  SYSTEMTIME now;
  GetLocalTime(&now);
  return SecondsSince19700101At8(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond);
}

// The lock files of the recording folders this process made, each open
// without delete or write sharing until its folder is deleted: another copy
// that cannot delete the lock file knows the folder is in use.
class HeldLocks {
 public:
  void Add(const std::wstring& folder, UniqueFile lock) {
    std::lock_guard<std::mutex> guard(mutex_);
    locks_.emplace_back(folder, std::move(lock));
  }
  // Closes the lock of `folder` (no trailing separator), if this process holds it.
  void Release(const std::wstring& folder) {
    std::lock_guard<std::mutex> guard(mutex_);
    for (auto it = locks_.begin(); it != locks_.end(); ++it) {
      if (CompareStringOrdinal(it->first.c_str(), -1, folder.c_str(), -1, TRUE) == CSTR_EQUAL) {
        locks_.erase(it);
        return;
      }
    }
  }

 private:
  std::mutex mutex_;
  std::vector<std::pair<std::wstring, UniqueFile>> locks_;
};

HeldLocks& Locks() {
  static HeldLocks locks;
  return locks;
}

// Deletes what is inside `folder` (no trailing separator). A junction or
// symbolic link is a directory entry with a reparse point: it is removed as
// a link (RemoveDirectoryW or DeleteFileW on the entry itself), never
// entered, and its attributes are left alone, since SetFileAttributesW would
// reach through it to what it points to.
void DeleteTreeContents(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = folder + L"\\" + name;
    const DWORD attributes = found.dwFileAttributes;
    if (IsLinkEntry(attributes)) {
      if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveDirectoryW(path.c_str());
      } else {
        DeleteFileW(path.c_str());
      }
      continue;
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
      DeleteTreeContents(path);
      RemoveDirectoryW(path.c_str());
    } else {
      DeleteFileW(path.c_str());
    }
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

DWORD WINAPI DeleteTreeThread(void* parameter) {
  std::unique_ptr<FilePath> path(static_cast<FilePath*>(parameter));
  DeleteDirectoryTree(*path);
  return 0;
}

DWORD WINAPI RemoveStaleThread(void* parameter) {
  std::unique_ptr<FilePath> folder(static_cast<FilePath*>(parameter));
  RemoveStaleRecordingFolders(*folder);
  return 0;
}

int64_t SecondsSince(const FILETIME& time) {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  auto ticks = [](const FILETIME& t) { return (static_cast<int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
  return (ticks(now) - ticks(time)) / 10000000;
}

}  // namespace

bool IsLinkEntry(unsigned long attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

FilePath MakeRecordingTempDir(const FilePath& tempFolder) {
  const std::wstring base =
      ToWide(tempFolder) + kRecordingFolderPrefix + std::to_wstring(LocalSecondsSince19700101At8());
  // A name still held by an earlier folder (a second start within the same
  // second, or another copy) is skipped: CreateDirectoryW makes the folder
  // ours alone.
  std::wstring folder = base;
  for (int n = 1; n < 1000; ++n) {
    if (CreateDirectoryW(folder.c_str(), nullptr)) {
      UniqueFile lock(CreateFileW((folder + L"\\" + kLockFileName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (lock) Locks().Add(folder, std::move(lock));
      break;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    folder = base + L"_" + std::to_wstring(n);
  }
  return FilePathFromWide(folder + L"\\");
}

int RemoveStaleRecordingFolders(const FilePath& tempFolder) {
  const std::wstring temp = ToWide(tempFolder.WithoutTrailingSeparators());
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((temp + L"\\" + kRecordingFolderPrefix + L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int removed = 0;
  do {
    const DWORD attributes = found.dwFileAttributes;
    // Only real folders: a link named like a recording folder is not ours to
    // empty.
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || IsLinkEntry(attributes)) continue;
    const std::wstring folder = temp + L"\\" + found.cFileName;
    if (!DeleteFileW((folder + L"\\" + kLockFileName).c_str())) {
      // The lock is open in a running copy (a sharing violation), or there
      // is none: then only a folder past its grace time is a leftover.
      if (GetLastError() != ERROR_FILE_NOT_FOUND || SecondsSince(found.ftCreationTime) < kUnlockedGraceSeconds) {
        continue;
      }
    }
    if (DeleteDirectoryTree(FilePathFromWide(folder))) ++removed;
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return removed;
}

UniqueKernelHandle RemoveStaleRecordingFoldersInBackground(const FilePath& tempFolder) {
  auto copy = std::make_unique<FilePath>(tempFolder);
  HANDLE thread = CreateThread(nullptr, 0, RemoveStaleThread, copy.get(), 0, nullptr);
  if (thread) copy.release();  // the thread owns it now
  return UniqueKernelHandle(thread);
}

bool MakeDirectoryChain(const FilePath& path) {
  for (const FilePath& prefix : DirectoryChainPrefixes(path)) {
    const std::wstring wide = ToWide(prefix);
    if (PathExists(wide)) continue;
    if (!CreateDirectoryW(wide.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
  }
  return true;
}

bool DeleteDirectoryTree(const FilePath& path) {
  // The refusals read the GBK form: a letter GBK lacks turns into '?', which
  // is neither a blank, a separator nor a drive's ':', so the verdict holds.
  if (IsProtectedDeletePath(path.Gbk())) return false;
  std::u16string units = path.WithoutTrailingSeparators().Units();
  units.erase(0, units.find_first_not_of(u" \t"));
  const std::wstring folder = ToWide(FilePath(units));
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  Locks().Release(folder);
  // A link given as the tree itself is removed without looking inside.
  if (!IsLinkEntry(attributes)) {
    DeleteTreeContents(folder);
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(folder.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  }
  RemoveDirectoryW(folder.c_str());
  return !PathExists(folder);
}

UniqueKernelHandle DeleteDirectoryTreeInBackground(const FilePath& path) {
  auto copy = std::make_unique<FilePath>(path);
  HANDLE thread = CreateThread(nullptr, 0, DeleteTreeThread, copy.get(), 0, nullptr);
  if (thread) copy.release();  // the thread owns it now
  return UniqueKernelHandle(thread);
}

FilePath SaveFrameToFolder(const std::string& bmpBytes, const FilePath& folder, int formatIndex,
                           const std::string& extension) {
  std::string image = bmpBytes;
  if (formatIndex != 0) {
    std::string encoded;
    if (!ReencodeImage(bmpBytes, formatIndex + 1, &encoded) || encoded.empty()) return FilePath();
    image = std::move(encoded);
  }
  const FilePath& target = folder;
  // The clock is read again for every name tried. Each file is created only
  // where nothing is, so a file that appeared after its name was chosen is
  // skipped, never overwritten. The bound only guards against a file system
  // that reports every name as taken.
  for (int counter = 0; counter < 100000; ++counter) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    const FilePath name = target.PlusGbk(FrameFileName(
        std::string(), FrameFileStem(now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond), counter,
        extension));
    switch (WriteNewFile(name, image)) {
      case NewFileResult::kWritten: return name;
      case NewFileResult::kNameTaken: continue;
      case NewFileResult::kFailed: return FilePath();
    }
  }
  return FilePath();
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
