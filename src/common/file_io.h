// Whole-file reads and writes by path. The Windows build passes the UTF-16
// units to the W functions; the host build gives the C library their UTF-8
// form. The GBK overloads are for paths the user typed or the settings file
// holds; they convert once and do the same.
#pragma once

#include <cstdint>
#include <string>

#include "common/file_path.h"

namespace movrel {

// True and the file's bytes, or false when it cannot be opened or read.
bool ReadWholeFile(const FilePath& path, std::string* bytes);

// Creates or replaces the file. False when any byte could not be written; a
// half-written file is removed again.
bool WriteWholeFile(const FilePath& path, const std::string& bytes);

// Creates the file only when nothing has the name yet, so a file that
// appeared after the name was chosen is never overwritten.
enum class NewFileResult { kWritten, kNameTaken, kFailed };
NewFileResult WriteNewFile(const FilePath& path, const std::string& bytes);

// Replaces the file whole in one step: the bytes go to a file beside it
// ("<name>.new"), which then moves over it. On any failure the file is as
// it was and the file beside it is gone, so the file is never half the new
// bytes or none of the old ones.
bool ReplaceWholeFile(const FilePath& path, const std::string& bytes);

// A file read only when it holds at most `maxBytes`: a file named in the
// settings may be any size, and reading a huge one whole would exhaust the
// 32-bit address space.
enum class FileRead { kRead, kTooLarge, kUnreadable };
FileRead ReadFileWithin(const FilePath& path, uint64_t maxBytes, std::string* bytes);

// What tells one version of a file from another without reading it.
struct FileVersion {
  uint64_t size = 0;
  int64_t writeTime = 0;  // in the system's units
  bool operator==(const FileVersion& o) const { return size == o.size && writeTime == o.writeTime; }
  bool operator!=(const FileVersion& o) const { return !(*this == o); }
};
// False when the path names no file.
bool ReadFileVersion(const FilePath& path, FileVersion* version);

bool FileExists(const FilePath& path);
bool RemoveFile(const FilePath& path);

inline bool ReadWholeFile(const std::string& gbkPath, std::string* bytes) {
  return ReadWholeFile(FilePath::FromGbk(gbkPath), bytes);
}
inline bool WriteWholeFile(const std::string& gbkPath, const std::string& bytes) {
  return WriteWholeFile(FilePath::FromGbk(gbkPath), bytes);
}
inline bool FileExists(const std::string& gbkPath) { return FileExists(FilePath::FromGbk(gbkPath)); }
inline bool RemoveFile(const std::string& gbkPath) { return RemoveFile(FilePath::FromGbk(gbkPath)); }

}  // namespace movrel
