// A rectangle and a size in screen pixels, as the capture, the selection and
// the record frame window share them.
#pragma once

#include <cstdint>

namespace movrel {

// The capture rectangle: its top-left corner and its size.
struct RecordRect {
  int32_t left = 0, top = 0, width = 0, height = 0;
};
// The size of a composed frame.
struct FrameSize {
  int32_t width = 0, height = 0;
};

}  // namespace movrel
