#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "common/file_io.h"

namespace movrel {

bool ReadWholeFile(const FilePath& path, std::string* bytes) {
  FILE* f = std::fopen(path.Utf8().c_str(), "rb");
  if (!f) return false;
  std::string data;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) data.append(buffer, n);
  bool ok = !std::ferror(f);
  std::fclose(f);
  if (ok) *bytes = std::move(data);
  return ok;
}

bool WriteWholeFile(const FilePath& path, const std::string& bytes) {
  const std::string name = path.Utf8();
  FILE* f = std::fopen(name.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = (std::fclose(f) == 0) && ok;
  if (!ok) std::remove(name.c_str());
  return ok;
}

NewFileResult WriteNewFile(const FilePath& path, const std::string& bytes) {
  const std::string name = path.Utf8();
  int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EEXIST ? NewFileResult::kNameTaken : NewFileResult::kFailed;
  size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = close(fd) == 0 && ok;
  if (!ok) unlink(name.c_str());
  return ok ? NewFileResult::kWritten : NewFileResult::kFailed;
}

bool ReplaceWholeFile(const FilePath& path, const std::string& bytes) {
  const FilePath beside = path.Plus(u".new");
  if (!WriteWholeFile(beside, bytes)) return false;
  if (std::rename(beside.Utf8().c_str(), path.Utf8().c_str()) == 0) return true;
  std::remove(beside.Utf8().c_str());
  return false;
}

FileRead ReadFileWithin(const FilePath& path, uint64_t maxBytes, std::string* bytes) {
  FILE* f = std::fopen(path.Utf8().c_str(), "rb");
  if (!f) return FileRead::kUnreadable;
  struct stat st;
  FileRead result = FileRead::kUnreadable;
  if (fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode)) {
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
      result = FileRead::kTooLarge;
    } else {
      std::string data(static_cast<size_t>(st.st_size), '\0');
      if (std::fread(&data[0], 1, data.size(), f) == data.size()) {
        *bytes = std::move(data);
        result = FileRead::kRead;
      }
    }
  }
  std::fclose(f);
  return result;
}

bool ReadFileVersion(const FilePath& path, FileVersion* version) {
  struct stat st;
  if (stat(path.Utf8().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  version->size = static_cast<uint64_t>(st.st_size);
  version->writeTime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

bool FileExists(const FilePath& path) {
  struct stat st;
  return stat(path.Utf8().c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool RemoveFile(const FilePath& path) { return std::remove(path.Utf8().c_str()) == 0; }

}  // namespace movrel
