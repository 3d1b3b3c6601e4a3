#include <windows.h>

#include <algorithm>
#include <stdexcept>

#include "common/gbk_win.h"
#include "common/handle_win.h"
#include "save_test_support.h"

namespace movrel {
namespace test {

TempFolder::TempFolder() {
  wchar_t buffer[MAX_PATH];
  GetTempPathW(MAX_PATH, buffer);
  path_ = ToGbk(buffer) + "movrel_save_test_\xDF\x5C_" + std::to_string(GetCurrentProcessId());
  if (!CreateDirectoryW(ToWide(path_).c_str(), nullptr)) throw std::runtime_error("CreateDirectoryW failed");
  path_ += "\\";
}

TempFolder::~TempFolder() { RemoveDirectoryW(ToWide(path_).c_str()); }

std::vector<std::string> TempFolder::FileNames() const {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(ToWide(path_ + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = ToGbk(found.cFileName);
      if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  std::sort(names.begin(), names.end());
  return names;
}

struct SaveFailure::State {
  UniqueFile viewer;
};

SaveFailure::SaveFailure(const std::string& path, size_t) : state_(new State) {
  state_->viewer.reset(CreateFileW(ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!state_->viewer) throw std::runtime_error("cannot open the file to hold");
}

SaveFailure::~SaveFailure() = default;

}  // namespace test
}  // namespace movrel
