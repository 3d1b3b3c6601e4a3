// The settings file as the configuration store sees it: read whole when the
// store loads, held open from then on so that no other copy of the program
// writes it, and replaced whole at every save. A save writes the new text to
// a temporary file beside it, flushes that to the disk and moves it over the
// settings file, so a crash, a power loss or a write that fails half-way
// leaves the old file or the new one, never a mix. The previous file is kept
// beside it as "<name>.bak". The platform files supply the steps; the order
// of them is portable.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/file_path.h"

namespace movrel {

// A settings file is a few kilobytes. Anything beyond this is not a file the
// program wrote: it is neither loaded nor held open, so a huge file cannot
// exhaust the 32-bit address space.
constexpr uint64_t kMaxConfigFileBytes = 4u * 1024u * 1024u;

// An open settings file.
class ConfigFile {
 public:
  virtual ~ConfigFile() = default;

  virtual bool Size(uint64_t* size) = 0;
  // Reads exactly `count` bytes at `offset`; false on a short read.
  virtual bool ReadAt(uint64_t offset, size_t count, std::string* bytes) = 0;

  // The whole file; false when it cannot be read or exceeds
  // kMaxConfigFileBytes.
  bool ReadAll(std::string* bytes);
};

// The file operations behind a store, one system step each, so that a test
// can make any one of them fail. The platform files implement them on the
// system's files; each failure records its reason (ConfigFileError).
class ConfigDisk {
 public:
  virtual ~ConfigDisk() = default;

  // Opens the file at `path`. Writable: read and write access, created when
  // missing, content kept; other processes may read it but not write it
  // while it is open. Not writable: read access to an existing file only,
  // sharing both ways. Null when the file cannot be opened so.
  virtual std::unique_ptr<ConfigFile> Open(const FilePath& path, bool writable);
  // Creates the file or empties it, writes every byte and flushes them to
  // the disk. False when any of that failed; what was written stays.
  virtual bool WriteFlushed(const FilePath& path, const std::string& bytes);
  // Moves `from` over `to` in one step: at every moment `to` names the old
  // file or the new one. Windows refuses while `to` is open.
  virtual bool MoveOver(const FilePath& from, const FilePath& to);
  // Removes the file if it is there; records no reason.
  virtual void Remove(const FilePath& path);
};

// The system's files.
ConfigDisk& SystemConfigDisk();

// Where the previous settings file is kept, and where a save's text waits
// until it is whole.
inline FilePath ConfigBackupPath(const FilePath& path) { return path.Plus(u".bak"); }
inline FilePath ConfigTemporaryPath(const FilePath& path) { return path.Plus(u".tmp"); }

// Writes `bytes` to the temporary file beside `path`, flushed, and moves it
// over `path`; `beforeMove` runs just before the move. False when anything
// failed: `path` is then as it was and the temporary file is gone.
bool ReplaceConfigFile(ConfigDisk& disk, const FilePath& path, const std::string& bytes,
                       const std::function<void()>& beforeMove = nullptr);

// Whether a file's bytes cannot be the settings text that any program wrote
// or a person edited: a NUL byte (a write cut short by a power loss leaves
// zeros) or bytes that do not decode as GBK. Unknown keys, stray lines and
// lone "\n" line ends are text all the same.
bool IsTornConfigText(const std::string& bytes);

// Why the last ConfigDisk or file operation of this thread that failed did
// so, in the system's words (GBK); empty when nothing has failed since the
// last ClearConfigFileError. The platform files set it on every failure, so
// the user can be told what kept the settings from the disk.
const std::string& ConfigFileError();
void SetConfigFileError(const std::string& reason);
void ClearConfigFileError();

}  // namespace movrel
