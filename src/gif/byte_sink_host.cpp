// Host files through the C library; the path's bytes are used as they are.
#include <cstdio>
#include <new>
#include <sys/stat.h>

#include "gif/byte_sink.h"
#include "gif/codec_failure.h"

namespace movrel {

namespace {
FILE* AsFile(void* file) { return static_cast<FILE*>(file); }
}  // namespace

FileSink::FileSink() = default;

FileSink::~FileSink() {
  if (file_) std::fclose(AsFile(file_));
}

bool FileSink::Create(const std::string& path) {
  if (file_) Close();
  path_ = path;
  file_ = std::fopen(path.c_str(), "wb");
  return file_ != nullptr;
}

bool FileSink::Write(const void* data, size_t size) {
  if (!file_) return false;
  return std::fwrite(data, 1, size, AsFile(file_)) == size;
}

bool FileSink::Close() {
  if (!file_) return false;
  bool ok = std::fflush(AsFile(file_)) == 0 && !std::ferror(AsFile(file_));
  ok = std::fclose(AsFile(file_)) == 0 && ok;
  file_ = nullptr;
  return ok;
}

std::string ReadPictureFile(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
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
