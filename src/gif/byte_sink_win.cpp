// Windows files through the W functions.
#include <windows.h>

#include <memory>
#include <new>
#include <string>

#include "common/file_path_win.h"
#include "common/gbk_win.h"
#include "common/handle_win.h"
#include "gif/byte_sink.h"
#include "gif/codec_failure.h"

namespace movrel {

namespace {

LONG temporaryCounter = 0;

// Removes the temporary files that saves into `folder` left behind when
// their program was ended in the middle (a crash, a killed process). A save
// still running holds its file open without sharing, so the system refuses
// to remove that one.
void RemoveLeftoverTemporaries(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  UniqueFind search(FindFirstFileW((folder + L"~movrel-*.tmp").c_str(), &found));
  if (!search) return;
  do {
    if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
      DeleteFileW((folder + found.cFileName).c_str());
    }
  } while (FindNextFileW(search.get(), &found));
}

}  // namespace

// The temporary file of a save; removed again unless it became the target.
struct FileSink::Temporary {
  std::wstring path;
  UniqueFile file;
  bool remove = false;  // true from its creation until it was moved
  ~Temporary() {
    file.reset();
    if (remove) DeleteFileW(path.c_str());
  }
};

FileSink::FileSink() = default;

FileSink::~FileSink() = default;

bool FileSink::Create(const FilePath& path) {
  Discard();
  path_ = path;
  // Nothing can move over a folder, and Windows refuses to move over a
  // read-only file (Wine replaces it): fail both before writing anything.
  DWORD attributes = GetFileAttributesW(WidePath(path));
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))) {
    return false;
  }
  auto temporary = std::make_unique<Temporary>();
  const std::wstring folder = ToWide(path.FolderPart());
  RemoveLeftoverTemporaries(folder);
  // CREATE_NEW makes the name ours alone; a name someone else holds (another
  // save, a file left by a crash) is skipped.
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary->path = folder + L"~movrel-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                      std::to_wstring(InterlockedIncrement(&temporaryCounter)) + L".tmp";
    temporary->file.reset(CreateFileW(temporary->path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    if (temporary->file) break;
    DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return false;
  }
  if (!temporary->file) return false;
  temporary->remove = true;
  temporary_ = std::move(temporary);
  return true;
}

bool FileSink::Write(const void* data, size_t size) {
  if (!temporary_ || failed_) return false;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD done = 0;
    if (!WriteFile(temporary_->file.get(), bytes, chunk, &done, nullptr) || done != chunk) {
      failed_ = true;
      return false;
    }
    bytes += chunk;
    size -= chunk;
  }
  return true;
}

bool FileSink::Commit() {
  if (!temporary_) return false;
  std::unique_ptr<Temporary> temporary = std::move(temporary_);
  // A network drive may report a lost write only when the data is flushed.
  bool ok = !failed_ && FlushFileBuffers(temporary->file.get()) != FALSE;
  ok = CloseHandle(temporary->file.release()) != FALSE && ok;
  failed_ = false;
  if (ok) {
    ok = MoveFileExW(temporary->path.c_str(), WidePath(path_),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
  }
  if (ok) temporary->remove = false;
  return ok;
}

void FileSink::Discard() {
  temporary_.reset();
  failed_ = false;
}

std::string ReadPictureFile(const std::string& path) {
  UniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) throw FileFailure(FileFailureKind::kOpen, path);
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size)) throw FileFailure(FileFailureKind::kRead, path);
  // A 32-bit process cannot hold more than this in one block anyway.
  if (size.QuadPart > 0x7FFFFFFF) throw CodecFailure(kNoMemoryForFile);
  std::string bytes;
  try {
    bytes.resize(static_cast<size_t>(size.QuadPart));
  } catch (const std::exception&) {
    throw CodecFailure(kNoMemoryForFile);
  }
  DWORD done = 0;
  if (!bytes.empty() &&
      (!ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &done, nullptr) || done != bytes.size())) {
    throw FileFailure(FileFailureKind::kRead, path);
  }
  return bytes;
}

}  // namespace movrel
