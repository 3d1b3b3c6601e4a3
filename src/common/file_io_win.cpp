#include <windows.h>

#include "common/file_io.h"
#include "common/file_path_win.h"
#include "common/handle_win.h"

namespace movrel {
namespace {

// Writes every byte into a file just created at `path`, or removes it again.
bool FillOrRemove(UniqueFile file, const FilePath& path, const std::string& bytes) {
  DWORD done = 0;
  bool ok = bytes.empty() ||
            (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size());
  ok = CloseHandle(file.release()) != FALSE && ok;
  if (!ok) DeleteFileW(WidePath(path));
  return ok;
}

}  // namespace

bool ReadWholeFile(const FilePath& path, std::string* bytes) {
  UniqueFile file(CreateFileW(WidePath(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
  std::string data(static_cast<size_t>(size.QuadPart), '\0');
  DWORD done = 0;
  if (!data.empty() && (!ReadFile(file.get(), &data[0], static_cast<DWORD>(data.size()), &done, nullptr) ||
                        done != data.size())) {
    return false;
  }
  *bytes = std::move(data);
  return true;
}

bool WriteWholeFile(const FilePath& path, const std::string& bytes) {
  UniqueFile file(
      CreateFileW(WidePath(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  return FillOrRemove(std::move(file), path, bytes);
}

NewFileResult WriteNewFile(const FilePath& path, const std::string& bytes) {
  UniqueFile file(CreateFileW(WidePath(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? NewFileResult::kNameTaken
                                                                       : NewFileResult::kFailed;
  }
  return FillOrRemove(std::move(file), path, bytes) ? NewFileResult::kWritten : NewFileResult::kFailed;
}

bool ReplaceWholeFile(const FilePath& path, const std::string& bytes) {
  const FilePath beside = path.Plus(u".new");
  if (!WriteWholeFile(beside, bytes)) return false;
  if (MoveFileExW(WidePath(beside), WidePath(path), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileW(WidePath(beside));
  return false;
}

FileRead ReadFileWithin(const FilePath& path, uint64_t maxBytes, std::string* bytes) {
  UniqueFile file(CreateFileW(WidePath(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size;
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return FileRead::kUnreadable;
  if (static_cast<uint64_t>(size.QuadPart) > maxBytes) return FileRead::kTooLarge;
  std::string data(static_cast<size_t>(size.QuadPart), '\0');
  size_t done = 0;
  while (done < data.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), &data[done], static_cast<DWORD>(data.size() - done), &got, nullptr) || got == 0) {
      return FileRead::kUnreadable;
    }
    done += got;
  }
  *bytes = std::move(data);
  return FileRead::kRead;
}

bool ReadFileVersion(const FilePath& path, FileVersion* version) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(WidePath(path), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return false;
  }
  version->size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  version->writeTime = static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                            data.ftLastWriteTime.dwLowDateTime);
  return true;
}

bool FileExists(const FilePath& path) {
  DWORD attributes = GetFileAttributesW(WidePath(path));
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const FilePath& path) { return DeleteFileW(WidePath(path)) != FALSE; }

}  // namespace movrel
