// Numbers typed into edit boxes are read as their leading number: leading
// blanks are skipped, then an optional sign, digits and one decimal point are
// taken as far as they go. Empty or non-numeric text gives 0.
#pragma once

#include <cstdint>
#include <string>

namespace movrel {

double LeadingNumber(const std::string& text);

// The leading number truncated toward zero and clamped to the 32-bit range.
int32_t LeadingInt(const std::string& text);

// Truncation toward zero of a floating-point value, clamped to 32 bits (NaN
// gives 0), for every float-to-integer conversion of the program.
int32_t TruncToInt(double value);

}  // namespace movrel
