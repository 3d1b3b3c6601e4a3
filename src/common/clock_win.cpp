#include "common/clock_win.h"

#include <windows.h>

namespace movrel {

int64_t MonotonicMs() {
  static const int64_t frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f.QuadPart;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  // Split so the product cannot overflow.
  return now.QuadPart / frequency * 1000 + now.QuadPart % frequency * 1000 / frequency;
}

}  // namespace movrel
