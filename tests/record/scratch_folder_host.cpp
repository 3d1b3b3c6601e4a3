#include <stdlib.h>

#include <filesystem>

#include "scratch_folder.h"

namespace movrel {

ScratchFolder::ScratchFolder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "movrel_store_運_XXXXXX").string();
  if (mkdtemp(&pattern[0])) path_ = pattern + "/";
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

const char* ScratchFolder::Separator() { return "/"; }

}  // namespace movrel
