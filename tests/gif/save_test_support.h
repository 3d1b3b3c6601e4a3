// A real failure of a save, made the way each platform allows, for the
// saving tests.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace movrel {
namespace test {

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
