#include <sys/resource.h>

#include <csignal>
#include <stdexcept>

#include "save_test_support.h"

namespace movrel {
namespace test {

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
