#include "config/config_file.h"

#include "common/gbk.h"

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

ConfigDisk& SystemConfigDisk() {
  static ConfigDisk disk;
  return disk;
}

bool ReplaceConfigFile(ConfigDisk& disk, const FilePath& path, const std::string& bytes,
                       const std::function<void()>& beforeMove) {
  const FilePath temporary = ConfigTemporaryPath(path);
  bool ok = disk.WriteFlushed(temporary, bytes);
  if (ok) {
    if (beforeMove) beforeMove();
    ok = disk.MoveOver(temporary, path);
  }
  if (!ok) disk.Remove(temporary);
  return ok;
}

bool IsTornConfigText(const std::string& bytes) {
  for (size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (c == 0 || c == 0xFF) return true;
    if (!IsGbkLeadByte(c)) continue;  // ASCII, or 0x80: the euro sign in code page 936
    if (i + 1 == bytes.size() || !IsGbkTrailByte(static_cast<unsigned char>(bytes[i + 1]))) return true;
    ++i;
  }
  return false;
}

}  // namespace movrel
