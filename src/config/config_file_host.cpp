// Host stand-in for the settings file: a POSIX descriptor. POSIX has no share
// modes, so only the Windows build keeps other writers out.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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

  bool WriteAt(uint64_t offset, const std::string& bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Failed();
      if (n == 0) {
        SetConfigFileError("no progress writing");
        return false;
      }
      done += static_cast<size_t>(n);
    }
    return true;
  }

  bool Truncate(uint64_t size) override { return ftruncate(fd_, static_cast<off_t>(size)) == 0 || Failed(); }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<ConfigFile> OpenConfigFile(const FilePath& path, bool writable) {
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

}  // namespace movrel
