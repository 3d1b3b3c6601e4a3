// The row order of an interlaced GIF image, shared by the writer and the
// reader: four passes, each taking every rowStep-th row from startRow.
#pragma once

namespace movrel {

struct InterlacePass {
  int startRow;
  int rowStep;
};

constexpr InterlacePass kInterlacePasses[4] = {{0, 8}, {4, 8}, {2, 4}, {1, 2}};

}  // namespace movrel
