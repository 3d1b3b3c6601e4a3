// Helpers of the saving tests: a fresh folder whose name holds 運 (its trail
// byte is '\'), and a real failure of a save, made the way each platform
// allows.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace movrel {
namespace test {

// Created by the constructor and removed by the destructor; each test removes
// its own files first.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string operator/(const std::string& name) const { return path_ + name; }
  // The names of the files inside, sorted.
  std::vector<std::string> FileNames() const;

 private:
  std::string path_;  // ends in the separator
};

// While it lives, a save over `path` fails for a real reason. On the host no
// file may grow past `maxBytes` (RLIMIT_FSIZE, as on a full disk), so the
// save fails partway through writing. On Windows another program holds `path`
// open without sharing its deletion, as a viewer may, so the finished file
// cannot be moved over it.
class SaveFailure {
 public:
  SaveFailure(const std::string& path, size_t maxBytes);
  ~SaveFailure();
  SaveFailure(const SaveFailure&) = delete;
  SaveFailure& operator=(const SaveFailure&) = delete;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace test
}  // namespace movrel
