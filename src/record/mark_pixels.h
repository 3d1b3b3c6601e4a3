// The pictures of the input marks drawn into frames, as premultiplied
// 32-bit pixels (B, G, R, A from the low byte up, rows top first) for the
// system's alpha blending: a click's ring and the key caption's box. Their
// edges are smoothed over one pixel, so they look round at any size.
#pragma once

#include <cstdint>
#include <vector>

#include "record/input_marks.h"

namespace movrel {

struct MarkPicture {
  int32_t side = 0;  // width and height; a ring's picture is square
  int32_t height = 0;
  std::vector<uint32_t> pixels;
};

// The ring's colour for each button: yellow, blue, green (0xRRGGBB).
uint32_t RingColour(MouseButton button);
// The ring's diameter in pixels for a screen of `dpi`: about 24 px at 96,
// larger for each further press of a double click.
int32_t RingDiameter(int level, uint32_t dpi);

// A ring of `diameter` with a line of about an eighth of it; filled, its
// inside is the colour at half strength. All of it at `opacityPercent`.
MarkPicture RingPicture(int32_t diameter, uint32_t rgb, bool filled, int opacityPercent);

// A box of width x height with corners of `radius`, in `rgb` at
// `opacityPercent`.
MarkPicture RoundedBox(int32_t width, int32_t height, int32_t radius, uint32_t rgb, int opacityPercent);

// Lays `rgb` over the picture where `coverage` (one byte a pixel, 255 for
// wholly covered) says: text drawn on the caption's box.
void PaintCoverage(MarkPicture* picture, const std::vector<uint8_t>& coverage, uint32_t rgb);

}  // namespace movrel
