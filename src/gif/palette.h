// Reduction of a 24-bit working image to a 256-colour frame image with its
// own colour table. Each frame gets its own palette, and index 0 is always the
// colour a transparent frame lets through: the most frequent colour of the
// popularity palette, the darkest colour of the cube.
#pragma once

#include "gif/picture.h"

namespace movrel {

// The 256 most frequent colours at 4 bits per channel; every other colour
// goes to the nearest of them. Allocates `frame` at the source's size.
void PopularityPalette(const WorkingImage& source, FrameImage* frame);

// A fixed 6×6×6 colour cube (levels 64, 96, …, 224) with 8×8 ordered
// dithering; entries 216 to 255 are black. Allocates `frame`.
void CubePalette(const WorkingImage& source, FrameImage* frame);

// The 12-bit colour key of the popularity palette: the top four bits of blue,
// green and red, and the colour a key stands for (low four bits 0).
inline unsigned ColorKey(unsigned blue, unsigned green, unsigned red) {
  return (blue >> 4) << 8 | (green >> 4) << 4 | red >> 4;
}
inline unsigned KeyRed(unsigned key) { return (key & 0x00F) << 4; }
inline unsigned KeyGreen(unsigned key) { return key & 0x0F0; }
inline unsigned KeyBlue(unsigned key) { return (key >> 4) & 0x0F0; }

}  // namespace movrel
