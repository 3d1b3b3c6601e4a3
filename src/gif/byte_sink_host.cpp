// Host files through the C library and POSIX, named by the paths' UTF-8
// form.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "gif/byte_sink.h"
#include "gif/codec_failure.h"

namespace movrel {

// The temporary file of a save; removed again unless it became the target.
struct FileSink::Temporary {
  std::string path;
  FILE* file = nullptr;
  bool remove = false;  // true from its creation until it was moved
  ~Temporary() {
    if (file) std::fclose(file);
    if (remove) unlink(path.c_str());
  }
};

FileSink::FileSink() = default;

FileSink::~FileSink() = default;

bool FileSink::Create(const FilePath& path) {
  Discard();
  path_ = path;
  struct stat st;
  if (stat(path.Utf8().c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return false;
  auto temporary = std::make_unique<Temporary>();
  std::string pattern = path.FolderPart().Utf8() + ".movrel-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return false;
  temporary->path = name.data();
  temporary->remove = true;
  // mkstemp makes the file private to its owner; the saved picture gets the
  // permissions any new file gets.
  mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  temporary->file = fdopen(fd, "wb");
  if (!temporary->file) {
    close(fd);
    return false;
  }
  temporary_ = std::move(temporary);
  return true;
}

bool FileSink::Write(const void* data, size_t size) {
  if (!temporary_ || failed_) return false;
  if (std::fwrite(data, 1, size, temporary_->file) == size) return true;
  failed_ = true;
  return false;
}

bool FileSink::Commit() {
  if (!temporary_) return false;
  std::unique_ptr<Temporary> temporary = std::move(temporary_);
  FILE* file = temporary->file;
  temporary->file = nullptr;
  // On the disk before the rename, or a crash could leave an empty target.
  bool ok = !failed_ && std::fflush(file) == 0 && !std::ferror(file) && fsync(fileno(file)) == 0;
  ok = std::fclose(file) == 0 && ok;
  failed_ = false;
  if (ok) ok = std::rename(temporary->path.c_str(), path_.Utf8().c_str()) == 0;
  if (ok) temporary->remove = false;
  return ok;
}

void FileSink::Discard() {
  temporary_.reset();
  failed_ = false;
}

std::string ReadPictureFile(const std::string& path) {
  FILE* f = std::fopen(FilePath::FromGbk(path).Utf8().c_str(), "rb");
  if (!f) throw FileFailure(FileFailureKind::kOpen, path);
  struct FileCloser {
    FILE* f;
    ~FileCloser() { std::fclose(f); }
  } closer{f};

  struct stat st;
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) throw FileFailure(FileFailureKind::kRead, path);
  std::string bytes;
  try {
    bytes.resize(static_cast<size_t>(st.st_size));
  } catch (const std::exception&) {
    throw CodecFailure(kNoMemoryForFile);
  }
  if (!bytes.empty() && std::fread(&bytes[0], 1, bytes.size(), f) != bytes.size()) {
    throw FileFailure(FileFailureKind::kRead, path);
  }
  return bytes;
}

}  // namespace movrel
