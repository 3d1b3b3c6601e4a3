// Windows files through the W functions with the GBK path converted.
#include <windows.h>

#include <new>

#include "common/gbk_win.h"
#include "common/handle_win.h"
#include "gif/byte_sink.h"
#include "gif/codec_failure.h"

namespace movrel {

FileSink::FileSink() = default;

FileSink::~FileSink() {
  if (file_) CloseHandle(static_cast<HANDLE>(file_));
}

bool FileSink::Create(const std::string& path) {
  if (file_) Close();
  path_ = path;
  HANDLE h = CreateFileW(ToWide(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  file_ = h;
  return true;
}

bool FileSink::Write(const void* data, size_t size) {
  if (!file_) return false;
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    DWORD done = 0;
    if (!WriteFile(static_cast<HANDLE>(file_), bytes, chunk, &done, nullptr) || done != chunk) return false;
    bytes += chunk;
    size -= chunk;
  }
  return true;
}

bool FileSink::Close() {
  if (!file_) return false;
  bool ok = CloseHandle(static_cast<HANDLE>(file_)) != FALSE;
  file_ = nullptr;
  return ok;
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
