// Host stand-in for the settings file: POSIX descriptors. POSIX has no share
// modes, so only the Windows build keeps other writers out.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "config/config_file.h"

namespace movrel {
namespace {

bool Failed() {
  SetConfigFileError(std::strerror(errno));
  return false;
}

class HostConfigFile : public ConfigFile {
 public:
  explicit HostConfigFile(int fd) : fd_(fd) {}
  ~HostConfigFile() override { close(fd_); }
  HostConfigFile(const HostConfigFile&) = delete;
  HostConfigFile& operator=(const HostConfigFile&) = delete;

  bool Size(uint64_t* size) override {
    struct stat st;
    if (fstat(fd_, &st) != 0) return Failed();
    *size = static_cast<uint64_t>(st.st_size);
    return true;
  }

  bool ReadAt(uint64_t offset, size_t count, std::string* bytes) override {
    std::string data(count, '\0');
    size_t done = 0;
    while (done < count) {
      ssize_t n = pread(fd_, &data[done], count - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Failed();
      if (n == 0) {
        SetConfigFileError("file shorter than its size");
        return false;
      }
      done += static_cast<size_t>(n);
    }
    *bytes = std::move(data);
    return true;
  }

 private:
  int fd_;
};

// Writes every byte to the descriptor and flushes them to the disk.
bool FillAndFlush(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failed();
    if (n == 0) {
      SetConfigFileError("no progress writing");
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return fsync(fd) == 0 || Failed();
}

}  // namespace

std::unique_ptr<ConfigFile> ConfigDisk::Open(const FilePath& path, bool writable) {
  const std::string name = path.Utf8();
  int fd = writable ? open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644) : open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    Failed();
    return nullptr;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    SetConfigFileError("not a regular file");
    close(fd);
    return nullptr;
  }
  return std::make_unique<HostConfigFile>(fd);
}

bool ConfigDisk::WriteFlushed(const FilePath& path, const std::string& bytes) {
  int fd = open(path.Utf8().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return Failed();
  bool ok = FillAndFlush(fd, bytes);
  if (close(fd) != 0 && ok) ok = Failed();
  return ok;
}

bool ConfigDisk::MoveOver(const FilePath& from, const FilePath& to) {
  return std::rename(from.Utf8().c_str(), to.Utf8().c_str()) == 0 || Failed();
}

void ConfigDisk::Remove(const FilePath& path) { unlink(path.Utf8().c_str()); }

}  // namespace movrel
