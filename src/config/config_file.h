// The settings file as the configuration store sees it: a byte file held
// open for the program's whole life and edited in place. The platform files
// supply four primitives; the in-place edit built on them is portable.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/file_path.h"

namespace movrel {

// A settings file is a few kilobytes. Anything beyond this is not a file the
// program wrote: it is neither loaded nor held open, so a huge file can
// neither exhaust the 32-bit address space nor make every write move
// megabytes of tail.
constexpr uint64_t kMaxConfigFileBytes = 4u * 1024u * 1024u;

class ConfigFile {
 public:
  virtual ~ConfigFile() = default;

  virtual bool Size(uint64_t* size) = 0;
  // Reads exactly `count` bytes at `offset`; false on a short read.
  virtual bool ReadAt(uint64_t offset, size_t count, std::string* bytes) = 0;
  // Writes every byte of `bytes` at `offset`; false on a short write.
  virtual bool WriteAt(uint64_t offset, const std::string& bytes) = 0;
  // Cuts or extends the file to `size` bytes.
  virtual bool Truncate(uint64_t size) = 0;

  // The whole file; false when it cannot be read or exceeds
  // kMaxConfigFileBytes.
  bool ReadAll(std::string* bytes);

  // Replaces the `removeCount` bytes at `offset` by `bytes`; what follows
  // them moves up or back. Bytes before `offset` are never written, and a
  // replacement of equal length writes only its own bytes.
  bool Replace(uint64_t offset, uint64_t removeCount, const std::string& bytes);
};

// Opens the file at `path`. Writable: read and write access,
// created when missing, content kept; other processes may read it but not
// write it while it is open. Not writable: read access to an existing file
// only, sharing both ways. Null when the file cannot be opened so.
std::unique_ptr<ConfigFile> OpenConfigFile(const FilePath& path, bool writable);

// Why the last OpenConfigFile or file operation of this thread that failed
// did so, in the system's words (GBK); empty when nothing has failed since
// the last ClearConfigFileError. The platform files set it on every failure,
// so the user can be told what kept the settings from the disk.
const std::string& ConfigFileError();
void SetConfigFileError(const std::string& reason);
void ClearConfigFileError();

}  // namespace movrel
