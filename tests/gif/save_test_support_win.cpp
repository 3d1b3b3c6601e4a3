#include <windows.h>

#include <stdexcept>

#include "common/gbk_win.h"
#include "common/handle_win.h"
#include "save_test_support.h"

namespace movrel {
namespace test {

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
