#include <stdlib.h>

#include <filesystem>

#include "scratch_folder.h"

namespace movrel {

ScratchFolder::ScratchFolder() {
  // The name on disk is the UTF-8 form, as the program's host files use it.
  std::string pattern = (std::filesystem::temp_directory_path().string() + "/") +
                        FilePath::FromGbk("movrel_store_運_XXXXXX").Utf8();
  if (!mkdtemp(&pattern[0])) return;
  folder_ = FilePath::FromUtf8(pattern + "/");
  path_ = folder_.Gbk();
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_.Utf8(), ignored);
}

const char* ScratchFolder::Separator() { return "/"; }

}  // namespace movrel
