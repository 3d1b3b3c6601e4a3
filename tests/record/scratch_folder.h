// A fresh folder for one test, removed with everything in it at the end.
// Its name contains 運 (DF 5C), whose second byte is "\".
#pragma once

#include <string>

namespace movrel {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // GBK path of the folder, ending in the separator.
  const std::string& Path() const { return path_; }
  static const char* Separator();

 private:
  std::string path_;
};

}  // namespace movrel
