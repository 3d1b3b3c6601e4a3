#include <windows.h>

#include "common/file_io.h"
#include "common/gbk_win.h"
#include "common/handle_win.h"

namespace movrel {

bool ReadWholeFile(const std::string& path, std::string* bytes) {
  UniqueFile file(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
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

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  std::wstring widePath = ToWide(path);
  bool ok;
  {
    UniqueFile file(
        CreateFileW(widePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD done = 0;
    ok = bytes.empty() ||
         (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size());
  }
  if (!ok) DeleteFileW(widePath.c_str());
  return ok;
}

bool FileExists(const std::string& path) {
  DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RemoveFile(const std::string& path) { return DeleteFileW(ToWide(path).c_str()) != FALSE; }

}  // namespace movrel
