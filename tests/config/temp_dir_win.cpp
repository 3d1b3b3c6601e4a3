#include <windows.h>

#include "common/gbk_win.h"
#include "temp_dir.h"

namespace movrel {

TempDir::TempDir() {
  wchar_t temp[MAX_PATH];
  DWORD length = GetTempPathW(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return;
  std::string base = ToGbk(temp) + "movrel_config_運閉_" + std::to_string(GetCurrentProcessId()) + "_";
  for (int n = 0; n < 1000; ++n) {
    std::string candidate = base + std::to_string(n);
    if (CreateDirectoryW(ToWide(candidate).c_str(), nullptr)) {
      folder_ = candidate;
      return;
    }
  }
}

TempDir::~TempDir() {
  for (const std::string& file : files_) {
    for (const char* suffix : {"", ".bak", ".tmp"}) {
      std::wstring wide = ToWide(file + suffix);
      SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(wide.c_str());
    }
  }
  if (!folder_.empty()) RemoveDirectoryW(ToWide(folder_).c_str());
}

std::string TempDir::Path(const std::string& name) {
  files_.push_back(folder_ + "\\" + name);
  return files_.back();
}

}  // namespace movrel
