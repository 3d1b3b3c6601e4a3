// A fresh folder for one test, removed with everything in it at the end.
// Its name contains 運 (DF 5C), whose second byte is "\".
#pragma once

#include <string>

#include "common/file_path.h"

namespace movrel {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // GBK path of the folder, ending in the separator.
  const std::string& Path() const { return path_; }
  // The same as the system names it.
  const FilePath& Folder() const { return folder_; }
  static const char* Separator();

 private:
  std::string path_;
  FilePath folder_;
};

}  // namespace movrel
