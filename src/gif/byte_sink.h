// Where the GIF writer's bytes go: a file or a memory buffer. The writer
// checks every write and turns a refused one into a write failure naming the
// sink's target. The file side (and reading picture files) is per platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "common/file_path.h"

namespace movrel {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes all `size` bytes or reports false.
  virtual bool Write(const void* data, size_t size) = 0;
  // The target a write failure names (a file path).
  virtual std::string TargetName() const = 0;
};

// Collects the bytes in memory; never refuses them unless memory runs out.
class MemorySink : public ByteSink {
 public:
  bool Write(const void* data, size_t size) override;
  std::string TargetName() const override { return "内存"; }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// Counts the bytes and keeps none: the size a file would have.
class CountingSink : public ByteSink {
 public:
  bool Write(const void*, size_t size) override {
    count_ += size;
    return true;
  }
  std::string TargetName() const override { return "内存"; }
  uint64_t count() const { return count_; }

 private:
  uint64_t count_ = 0;
};

// Saves a file so that a failed save never destroys the one already there:
// the bytes go into a fresh temporary file beside the target (same folder, so
// the final move is a rename on one volume), and only Commit, when every write
// succeeded, moves it over the target. Destroying the sink without a
// successful Commit removes the temporary file and leaves the target as it
// was. Implemented per platform.
class FileSink : public ByteSink {
 public:
  FileSink();
  ~FileSink() override;  // discards an uncommitted file
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  // Opens a new temporary file in `path`'s folder (discarding one still open).
  // False when it cannot be made, or when `path` is something a file cannot
  // replace (a folder; on Windows also a read-only file).
  bool Create(const FilePath& path);
  // For a GBK path the user typed.
  bool Create(const std::string& gbkPath) { return Create(FilePath::FromGbk(gbkPath)); }
  // Takes all bytes or reports false; after one refused write every later
  // write is refused too and Commit fails.
  bool Write(const void* data, size_t size) override;
  // Flushes and closes the temporary file and, when every write succeeded,
  // moves it over the target. False (the temporary file removed, the target
  // untouched) when anything failed or nothing is open.
  bool Commit();
  // Closes and removes the temporary file; the target is not touched.
  void Discard();
  std::string TargetName() const override { return path_.Gbk(); }

 private:
  struct Temporary;  // the open temporary file, per platform
  FilePath path_;
  std::unique_ptr<Temporary> temporary_;
  bool failed_ = false;
};

// Writes to the sink or raises the write failure naming its target.
void WriteOrFail(ByteSink& sink, const void* data, size_t size);

// Reads a whole picture file, by GBK path like FileSink. Raises the open or
// read failure naming the path, or kNoMemoryForFile when its contents do not
// fit in memory.
std::string ReadPictureFile(const std::string& path);

}  // namespace movrel
