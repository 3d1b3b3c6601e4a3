// The program's monotonic clock in milliseconds: the performance counter,
// fine enough to time single frames (GetTickCount steps by 10-16 ms, as long
// as a fast frame interval). Any thread may read it; the recorder and the
// input hooks stamp their events with it, so their times compare.
#pragma once

#include <cstdint>

namespace movrel {

int64_t MonotonicMs();

}  // namespace movrel
