#include "record/folders_win.h"

#include <shlobj.h>

#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "bitmap/reencode_win.h"
#include "common/file_io.h"
#include "common/file_path_win.h"
#include "common/gbk.h"
#include "common/gbk_win.h"
#include "record/recording_rules.h"
#include "ui/modal_loop.h"

namespace movrel {
namespace {

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

// The system's own name of what `handle` is open on ("\\?\C:\..."); empty
// when it cannot tell.
std::wstring FinalPath(HANDLE handle) {
  DWORD length = GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
  if (length == 0) return std::wstring();
  std::wstring path(length, L'\0');
  length = GetFinalPathNameByHandleW(handle, &path[0], length, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= path.size()) return std::wstring();
  path.resize(length);
  return path;
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// The names in the folder open as `folder`, read through the handle; as many
// as could be read.
std::vector<std::wstring> ListFolder(HANDLE folder) {
  std::vector<std::wstring> names;
  std::vector<LONGLONG> buffer(8192);  // 64 KiB, aligned as the records are
  const DWORD size = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
  while (GetFileInformationByHandleEx(folder, FileIdBothDirectoryInfo, buffer.data(), size)) {
    const char* at = reinterpret_cast<const char*>(buffer.data());
    for (;;) {
      const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
      std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") names.push_back(std::move(name));
      if (entry->NextEntryOffset == 0) break;
      at += entry->NextEntryOffset;
    }
  }
  return names;
}

// Opens the entry at `path` as the entry itself: a link is opened as the
// link, not as what it points to. No delete sharing, so while the handle is
// open no one can rename the entry or put something else at its name.
UniqueFile OpenEntry(const std::wstring& path) {
  return UniqueFile(CreateFileW(path.c_str(),
                                DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

bool DeleteEntry(const std::wstring& path);

// Deletes what is inside the folder open as `folder`, whose final path is
// `folderPath`. Each entry is reached through that path, never through the
// name the caller gave: a folder swapped for a link after it was opened is
// not walked into.
void DeleteFolderContents(HANDLE folder, const std::wstring& folderPath) {
  for (const std::wstring& name : ListFolder(folder)) DeleteEntry(folderPath + L"\\" + name);
}

// Deletes the entry at `path` (a folder's final path, "\" and a name it
// lists) through a handle to the entry itself: a junction or symbolic link
// goes as the link, a folder after what it holds. The decision is made on
// the open handle, so an entry replaced after it was listed is judged as
// what is there now. Whether the deletion was accepted.
bool DeleteEntry(const std::wstring& path) {
  UniqueFile entry = OpenEntry(path);
  FILE_BASIC_INFO basic;
  if (!entry || !GetFileInformationByHandleEx(entry.get(), FileBasicInfo, &basic, sizeof basic)) return false;
  // Windows opens a link itself and says so in the handle's attributes.
  // Wine, asked for the link itself, still opens what a Unix symbolic link
  // points to and reports no reparse point on the handle (its listings show
  // one only for links to folders). The handle's own path then is the
  // target's, not this entry's; such an entry is left where it is, since
  // deleting through the handle would delete the target.
  if (!SamePath(FinalPath(entry.get()), path)) return false;
  const DWORD attributes = basic.FileAttributes;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLinkEntry(attributes)) DeleteFolderContents(entry.get(), path);
  if (attributes & FILE_ATTRIBUTE_READONLY) {
    // Through the handle this changes the entry itself, a link included.
    constexpr DWORD kSettable = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
    FILE_BASIC_INFO writable{};  // zero times are left as they are
    writable.FileAttributes = (attributes & kSettable) ? attributes & kSettable : FILE_ATTRIBUTE_NORMAL;
    SetFileInformationByHandle(entry.get(), FileBasicInfo, &writable, sizeof writable);
  }
  // The entry goes when the handle closes.
  FILE_DISPOSITION_INFO disposition{TRUE};
  return SetFileInformationByHandle(entry.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
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

FilePath MakeRecordingTempDir(const FilePath& tempFolder, int64_t seconds) {
  const std::wstring base = ToWide(tempFolder) + ToWide(kRecordingFolderPrefix) +
                            std::to_wstring(seconds < 0 ? LocalSecondsSince19700101At8() : seconds);
  // A name still held by an earlier folder (a second start within the same
  // second, or another copy) is skipped: only a folder CreateDirectoryW made
  // here is ours alone.
  for (int n = 0; n < 1000; ++n) {
    const std::wstring folder = n == 0 ? base : base + L"_" + std::to_wstring(n);
    if (!CreateDirectoryW(folder.c_str(), nullptr)) {
      if (GetLastError() == ERROR_ALREADY_EXISTS) continue;
      return FilePath();  // the system's error says why
    }
    UniqueFile lock(CreateFileW((folder + L"\\" + kLockFileName).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (lock) {
      Locks().Add(folder, std::move(lock));
      return FilePathFromWide(folder + L"\\");
    }
    // Without its lock the folder would look like a leftover to the start-up
    // sweep of another copy, which deletes it a minute later while it is
    // recording. It goes, and the next name is tried.
    const DWORD error = GetLastError();
    RemoveDirectoryW(folder.c_str());
    SetLastError(error);
  }
  return FilePath();
}

int RemoveStaleRecordingFolders(const FilePath& tempFolder) {
  const std::wstring temp = ToWide(tempFolder.WithoutTrailingSeparators());
  WIN32_FIND_DATAW found;
  UniqueFind find(FindFirstFileW((temp + L"\\" + ToWide(kRecordingFolderPrefix) + L"*").c_str(), &found));
  if (!find) return 0;
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
  } while (FindNextFileW(find.get(), &found));
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
  const FilePath tree(units);
  const std::wstring folder = ToWide(tree);
  WIN32_FIND_DATAW found;
  if (!UniqueFind(FindFirstFileW(folder.c_str(), &found))) return false;
  if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  Locks().Release(folder);
  // The tree is deleted as an entry of the folder that holds it, by that
  // folder's final path and the name it lists, so the tree itself is checked
  // as every entry inside it is (a link given as the tree goes as a link).
  UniqueFile parent(CreateFileW(WidePath(tree.FolderPart()), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const std::wstring parentPath = parent ? FinalPath(parent.get()) : std::wstring();
  if (parentPath.empty()) return false;
  DeleteEntry((parentPath.back() == L'\\' ? parentPath : parentPath + L"\\") + found.cFileName);
  return !PathExists(folder);
}

UniqueKernelHandle DeleteDirectoryTreeInBackground(const FilePath& path) {
  auto copy = std::make_unique<FilePath>(path);
  HANDLE thread = CreateThread(nullptr, 0, DeleteTreeThread, copy.get(), 0, nullptr);
  if (thread) copy.release();  // the thread owns it now
  return UniqueKernelHandle(thread);
}

FilePath SaveFrameToFolder(const std::string& bmpBytes, const FilePath& folder, SaveFormat format) {
  const std::string extension = SaveFormatExtension(format);
  std::string image = bmpBytes;
  if (format != kSaveBmp) {
    std::string encoded;
    if (!ReencodeImage(bmpBytes, format, &encoded) || encoded.empty()) return FilePath();
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

FilePath TrimBlanks(const std::u16string& units) {
  const size_t first = units.find_first_not_of(u" \t");
  if (first == std::u16string::npos) return FilePath();
  return FilePath(units.substr(first, units.find_last_not_of(u" \t") - first + 1));
}

}  // namespace

FilePath BrowseForFolder(HWND owner, const std::string& title, const FilePath& startFolder) {
  const std::wstring wideTitle = ToWide(title.empty() ? std::string("请选择一个文件夹") : title);
  const std::wstring start = ToWide(startFolder);
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.lpszTitle = wideTitle.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  info.lpfn = BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  UniqueCoTaskMemory<PIDLIST_ABSOLUTE> chosen;
  {
    ModalLoopGuard modal;  // no hotkey acts under the dialog
    chosen.reset(SHBrowseForFolderW(&info));
  }
  if (!chosen) return FilePath();
  wchar_t path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(chosen.get(), path) != FALSE;
  return ok ? TrimBlanks(FilePathFromWide(path).Units()) : FilePath();
}

std::string FrameFolderBrowserTitle() {
  return GbkReplaceAll("选择帧保存所在目录，''\\'' 开头表示相对于程序目录下：", "''", "\"");
}

}  // namespace movrel
