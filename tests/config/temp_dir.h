// A fresh folder for one test's files, removed with the files handed out by
// Path (and the backup and temporary file a settings file has beside it)
// when the test ends. Its name contains 運 and 閉, whose second bytes
// are "\" and "]", so every test also runs on a path that a byte search
// would cut.
#pragma once

#include <string>
#include <vector>

namespace movrel {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // GBK path of a file in the folder.
  std::string Path(const std::string& name);
  const std::string& Folder() const { return folder_; }

 private:
  std::string folder_;
  std::vector<std::string> files_;
};

}  // namespace movrel
