#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include "common/file_path.h"
#include "temp_dir.h"

namespace movrel {

TempDir::TempDir() {
  // The name on disk is the UTF-8 form, as the program's host files use it.
  std::string pattern = FilePath::FromGbk("/tmp/movrel_config_運閉_XXXXXX").Utf8();
  if (mkdtemp(&pattern[0])) folder_ = FilePath::FromUtf8(pattern).Gbk();
}

TempDir::~TempDir() {
  for (const std::string& file : files_) {
    for (const char* suffix : {"", ".bak", ".tmp"}) std::remove(FilePath::FromGbk(file + suffix).Utf8().c_str());
  }
  if (!folder_.empty()) rmdir(FilePath::FromGbk(folder_).Utf8().c_str());
}

std::string TempDir::Path(const std::string& name) {
  files_.push_back(folder_ + "/" + name);
  return files_.back();
}

}  // namespace movrel
