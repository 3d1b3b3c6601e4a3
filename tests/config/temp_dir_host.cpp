#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include "temp_dir.h"

namespace movrel {

TempDir::TempDir() {
  std::string pattern = "/tmp/movrel_config_運閉_XXXXXX";
  if (mkdtemp(&pattern[0])) folder_ = pattern;
}

TempDir::~TempDir() {
  for (const std::string& file : files_) std::remove(file.c_str());
  if (!folder_.empty()) rmdir(folder_.c_str());
}

std::string TempDir::Path(const std::string& name) {
  files_.push_back(folder_ + "/" + name);
  return files_.back();
}

}  // namespace movrel
