// The changed region of a difference image: the smallest rectangle that
// holds every pixel whose colour is not black, found by four scans with
// early stops. Works on the BMP files that ReadBmpFile finds readable (every
// depth, either row order); no platform code.
#pragma once

#include <cstdint>
#include <string>

namespace movrel {

// Inclusive pixel coordinates, y growing downwards from the top row.
struct ChangedRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left + 1; }
  int32_t Height() const { return bottom - top + 1; }
};

enum class ChangeScan {
  kChanged,     // *rect holds the changed region
  kUnchanged,   // no scanned pixel differs
  kUnreadable,  // the bytes are no BMP file this scan can read
};

// Scans rows and columns 0, step, 2 step ... (a step below 1 counts as 1).
// With step 1 the rectangle is exactly the tightest one around every
// changed pixel.
ChangeScan FindChangedRect(const std::string& bmpBytes, int step, ChangedRect* rect);

}  // namespace movrel
