// Number and size formatting for captions and messages.
#pragma once

#include <cstdint>
#include <string>

namespace movrel {

// `value` rounded to at most `decimals` places, written without trailing
// zeros or a trailing point ("1.5", "2", "-0.25").
std::string FormatNumber(double value, int decimals);

// A byte count as "n B", or in KB, MB, GB, TB or PB with two decimals at
// most ("1.5 KB", "1 MB").
std::string FormatByteSize(uint64_t bytes);

}  // namespace movrel
