#include "config/config_file.h"

namespace movrel {
namespace {

thread_local std::string lastConfigFileError;

}  // namespace

const std::string& ConfigFileError() { return lastConfigFileError; }
void SetConfigFileError(const std::string& reason) { lastConfigFileError = reason; }
void ClearConfigFileError() { lastConfigFileError.clear(); }

bool ConfigFile::ReadAll(std::string* bytes) {
  uint64_t size = 0;
  if (!Size(&size)) return false;
  if (size > kMaxConfigFileBytes) {
    SetConfigFileError("文件大于4 MiB，不是本程序写的配置文件");
    return false;
  }
  return ReadAt(0, static_cast<size_t>(size), bytes);
}

bool ConfigFile::Replace(uint64_t offset, uint64_t removeCount, const std::string& bytes) {
  uint64_t size = 0;
  if (!Size(&size)) return false;
  if (offset > size || removeCount > size - offset) {
    SetConfigFileError("文件已被其他程序改短");
    return false;
  }
  if (removeCount == bytes.size()) return bytes.empty() || WriteAt(offset, bytes);

  // The tail behind the removed range moves: read it before anything is
  // overwritten, then write the new bytes and the tail in one go.
  uint64_t tailStart = offset + removeCount;
  std::string tail;
  if (size - tailStart > kMaxConfigFileBytes) {
    SetConfigFileError("文件大于4 MiB，不是本程序写的配置文件");
    return false;
  }
  if (!ReadAt(tailStart, static_cast<size_t>(size - tailStart), &tail)) return false;
  std::string moved = bytes + tail;
  if (!moved.empty() && !WriteAt(offset, moved)) return false;
  uint64_t newSize = offset + moved.size();
  return newSize >= size || Truncate(newSize);
}

}  // namespace movrel
