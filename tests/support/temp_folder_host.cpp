#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <stdexcept>

#include "support/temp_folder.h"

namespace movrel {
namespace test {

TempFolder::TempFolder() {
  // The name on disk is the UTF-8 form, as the program's host files use it.
  std::string pattern = (std::filesystem::temp_directory_path().string() + "/") +
                        FilePath::FromGbk("movrel_test_運閉_XXXXXX").Utf8();
  if (!mkdtemp(&pattern[0])) throw std::runtime_error("cannot make a temporary folder: " + pattern);
  folder_ = FilePath::FromUtf8(pattern + "/");
  path_ = folder_.Gbk();
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(folder_.Utf8(), ignored);
}

std::vector<std::string> TempFolder::FileNames() const {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.Utf8(), ignored)) {
    names.push_back(FilePath::FromUtf8(entry.path().filename().string()).Gbk());
  }
  std::sort(names.begin(), names.end());
  return names;
}

const char* TempFolder::Separator() { return "/"; }

}  // namespace test
}  // namespace movrel
