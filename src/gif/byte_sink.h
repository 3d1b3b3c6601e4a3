// Where the GIF writer's bytes go: a file or a memory buffer. The writer
// checks every write and turns a refused one into a write failure naming the
// sink's target. The file side (and reading picture files) is per platform.
#pragma once

#include <cstddef>
#include <string>

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

// Creates or truncates a file and writes into it. Implemented per platform.
class FileSink : public ByteSink {
 public:
  FileSink();
  ~FileSink() override;
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  // Creates (or truncates) the file; false when it cannot be.
  bool Create(const std::string& path);
  bool Write(const void* data, size_t size) override;
  // Flushes and closes; false when the last bytes could not be written.
  bool Close();
  std::string TargetName() const override { return path_; }

 private:
  std::string path_;
  void* file_ = nullptr;  // FILE* on the host, HANDLE on Windows
};

// Writes to the sink or raises the write failure naming its target.
void WriteOrFail(ByteSink& sink, const void* data, size_t size);

// Reads a whole picture file, by GBK path like FileSink. Raises the open or
// read failure naming the path, or kNoMemoryForFile when its contents do not
// fit in memory.
std::string ReadPictureFile(const std::string& path);

}  // namespace movrel
