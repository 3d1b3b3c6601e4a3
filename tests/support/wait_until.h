// The one wait of the tests: asks `done` again and again (on Windows handling
// this thread's window messages between the asks, so the windows under test
// keep painting and timers keep firing) until it answers true or `timeoutMs`
// passed. Answers whether `done` did; `[] { return false; }` makes it a wait
// that keeps handling messages.
#pragma once

#include <functional>

namespace movrel {
namespace test {

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

}  // namespace test
}  // namespace movrel
