#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <stdexcept>

#include "common/file_path.h"
#include "save_test_support.h"

namespace movrel {
namespace test {

TempFolder::TempFolder() {
  // The name on disk is the UTF-8 form, as the program's host files use it.
  std::string pattern = FilePath::FromGbk("/tmp/movrel_save_test_\xDF\x5C_XXXXXX").Utf8();
  if (!mkdtemp(&pattern[0])) throw std::runtime_error("mkdtemp failed");
  path_ = FilePath::FromUtf8(pattern + "/").Gbk();
}

TempFolder::~TempFolder() { rmdir(FilePath::FromGbk(path_).Utf8().c_str()); }

std::vector<std::string> TempFolder::FileNames() const {
  std::vector<std::string> names;
  if (DIR* dir = opendir(FilePath::FromGbk(path_).Utf8().c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(FilePath::FromUtf8(name).Gbk());
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct SaveFailure::State {
  rlimit previousLimit;
  void (*previousHandler)(int);
};

SaveFailure::SaveFailure(const std::string&, size_t maxBytes) : state_(new State) {
  // Without this, writing past the limit kills the process.
  state_->previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  getrlimit(RLIMIT_FSIZE, &state_->previousLimit);
  rlimit limit = state_->previousLimit;
  limit.rlim_cur = maxBytes;
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("setrlimit failed");
}

SaveFailure::~SaveFailure() {
  setrlimit(RLIMIT_FSIZE, &state_->previousLimit);
  std::signal(SIGXFSZ, state_->previousHandler);
}

}  // namespace test
}  // namespace movrel
