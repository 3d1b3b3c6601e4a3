// A fresh folder for one test's files, removed with everything in it when
// the test ends. Its name contains 運 (DF 5C) and 閉 (E9 5D), whose second
// bytes are "\" and "]", so every test that writes files also runs on a path
// that a byte search would cut.
#pragma once

#include <string>
#include <vector>

#include "common/file_path.h"

namespace movrel {
namespace test {

class TempFolder {
 public:
  // Fails the test (an exception the test framework reports) when no folder
  // can be made.
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // GBK path of the folder, ending in the separator.
  const std::string& Path() const { return path_; }
  // The same as the system names it.
  const FilePath& Folder() const { return folder_; }
  // GBK path of `name` inside the folder.
  std::string operator/(const std::string& name) const { return path_ + name; }
  // The names of the entries inside (files and folders), sorted.
  std::vector<std::string> FileNames() const;
  // The separator the folder's path ends in.
  static const char* Separator();

 private:
  std::string path_;
  FilePath folder_;
};

}  // namespace test
}  // namespace movrel
