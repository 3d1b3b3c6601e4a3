// The settings file on Windows through the W API. The held handle has write
// access, so a file the program may not write is known when it loads; other
// processes may open it for reading (with write sharing, because of that
// access) but never for writing.
#include <windows.h>

#include "common/file_path_win.h"
#include "common/handle_win.h"
#include "common/system_error_win.h"
#include "config/config_file.h"

namespace movrel {
namespace {

// The system's text for the calling thread's last error, with its number,
// as the settings failure message shows it.
std::string SystemErrorText() {
  const DWORD code = GetLastError();
  const std::string message = SystemErrorMessage(code);
  return (message.empty() ? std::string("系统错误") : message) + "（错误代码 " + std::to_string(code) + "）";
}

// Records why a file call failed and answers false.
bool Failed() {
  SetConfigFileError(SystemErrorText());
  return false;
}

class WinConfigFile : public ConfigFile {
 public:
  explicit WinConfigFile(UniqueFile file) : file_(std::move(file)) {}

  bool Size(uint64_t* size) override {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(file_.get(), &value) || value.QuadPart < 0) return Failed();
    *size = static_cast<uint64_t>(value.QuadPart);
    return true;
  }

  bool ReadAt(uint64_t offset, size_t count, std::string* bytes) override {
    std::string data(count, '\0');
    size_t done = 0;
    while (done < count) {
      DWORD chunk = static_cast<DWORD>(count - done > 0x10000000 ? 0x10000000 : count - done);
      DWORD got = 0;
      // A synchronous handle reads at the offset an OVERLAPPED names, so no
      // read depends on where a previous one left the file pointer.
      OVERLAPPED at{};
      at.Offset = static_cast<DWORD>((offset + done) & 0xFFFFFFFFu);
      at.OffsetHigh = static_cast<DWORD>((offset + done) >> 32);
      if (!ReadFile(file_.get(), &data[done], chunk, &got, &at)) return Failed();
      if (got == 0) {
        SetConfigFileError("文件比它报告的大小短");
        return false;
      }
      done += got;
    }
    *bytes = std::move(data);
    return true;
  }

 private:
  UniqueFile file_;
};

// Writes every byte to the file and flushes them to the disk.
bool FillAndFlush(HANDLE file, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD chunk = static_cast<DWORD>(bytes.size() - done > 0x10000000 ? 0x10000000 : bytes.size() - done);
    DWORD put = 0;
    if (!WriteFile(file, bytes.data() + done, chunk, &put, nullptr)) return Failed();
    if (put == 0) {
      SetConfigFileError("写入没有进展（磁盘可能已满）");
      return false;
    }
    done += put;
  }
  return FlushFileBuffers(file) != FALSE || Failed();
}

}  // namespace

std::unique_ptr<ConfigFile> ConfigDisk::Open(const FilePath& path, bool writable) {
  const wchar_t* widePath = WidePath(path);
  UniqueFile file(writable ? CreateFileW(widePath, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)
                           : CreateFileW(widePath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    Failed();
    return nullptr;
  }
  if (GetFileType(file.get()) != FILE_TYPE_DISK) {
    SetConfigFileError("不是磁盘上的文件");
    return nullptr;
  }
  return std::make_unique<WinConfigFile>(std::move(file));
}

bool ConfigDisk::WriteFlushed(const FilePath& path, const std::string& bytes) {
  UniqueFile file(CreateFileW(WidePath(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return Failed();
  bool ok = FillAndFlush(file.get(), bytes);
  if (!CloseHandle(file.release()) && ok) ok = Failed();
  return ok;
}

bool ConfigDisk::MoveOver(const FilePath& from, const FilePath& to) {
  return MoveFileExW(WidePath(from), WidePath(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE ||
         Failed();
}

void ConfigDisk::Remove(const FilePath& path) { DeleteFileW(WidePath(path)); }

}  // namespace movrel
