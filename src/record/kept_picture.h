// The recorder's side of cropping at capture: each new frame's pixels are
// compared with those of the last kept frame, and only the block that holds
// every changed pixel goes into the store, with its place. The block is the
// tightest rectangle around the pixels whose colour differs, the same that
// the changed-region pass finds afterwards for frames stored whole. No
// platform code: the composer hands its pixels over as they lie in its
// picture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "record/changed_rect.h"

namespace movrel {

// A picture's pixels where they lie: bottom-up rows of `depth` bits (1, 4,
// 8, 16, 24 or 32), `stride` bytes apart, with the fixed colour table of
// bmp_layout.h at 8 bits or fewer. Valid while its owner keeps the picture.
struct PixelRows {
  const uint8_t* data = nullptr;  // nullptr: no picture
  int32_t width = 0;
  int32_t height = 0;
  int depth = 24;
  size_t stride = 0;
  bool empty() const { return data == nullptr || width <= 0 || height <= 0; }
  ChangedRect Whole() const { return ChangedRect{0, 0, width - 1, height - 1}; }
};

// The BMP file of the block `r` (inside the picture) of `rows` at their
// depth; empty when the picture or the block has no pixels.
std::string BmpOfBlock(const PixelRows& rows, const ChangedRect& r);

// A copy of the last kept frame's pixels.
class KeptPicture {
 public:
  bool empty() const { return pixels_.empty(); }
  void Clear() { pixels_.clear(); }

  // kUnchanged when every pixel of `now` has the kept colour; else kChanged
  // with the block around the changed pixels, which is the whole picture
  // when nothing is kept or the size or depth differ. Below 8 bits a block
  // spans whole rows.
  ChangeScan Compare(const PixelRows& now, ChangedRect* r) const;
  // Makes `now` the kept picture, of which the block `r` is all that
  // changed since the last Take (the whole picture is copied when the size
  // or depth differ).
  void Take(const PixelRows& now, const ChangedRect& r);

 private:
  std::string pixels_;  // bottom-up rows, stride_ apart
  int32_t width_ = 0, height_ = 0;
  int depth_ = 0;
  size_t stride_ = 0;
};

}  // namespace movrel
