#include "record/mark_pixels.h"

#include <algorithm>
#include <cmath>

namespace movrel {
namespace {

// A premultiplied pixel of `rgb` at `alpha` (0..1).
uint32_t Premultiplied(uint32_t rgb, double alpha) {
  alpha = std::clamp(alpha, 0.0, 1.0);
  auto channel = [&](int shift) { return static_cast<uint32_t>(std::lround(((rgb >> shift) & 0xFF) * alpha)); };
  const uint32_t a = static_cast<uint32_t>(std::lround(255 * alpha));
  return (a << 24) | (channel(16) << 16) | (channel(8) << 8) | channel(0);
}

// How much of the pixel at distance `d` from an edge lies inside, for a
// shape that is inside where d < 0: a one-pixel ramp.
double Coverage(double d) { return std::clamp(0.5 - d, 0.0, 1.0); }

}  // namespace

uint32_t RingColour(MouseButton button) {
  switch (button) {
    case MouseButton::kLeft: return 0xFFD200;
    case MouseButton::kRight: return 0x1E90FF;
    case MouseButton::kMiddle: return 0x28C850;
  }
  return 0xFFD200;
}

int32_t RingDiameter(int level, uint32_t dpi) {
  const double base = 24.0 * (dpi > 0 ? dpi : 96) / 96.0;
  return static_cast<int32_t>(std::lround(base * (1.0 + 0.5 * std::clamp(level, 0, 2))));
}

MarkPicture RingPicture(int32_t diameter, uint32_t rgb, bool filled, int opacityPercent) {
  MarkPicture p;
  diameter = std::max(diameter, 4);
  p.side = p.height = diameter;
  p.pixels.assign(static_cast<size_t>(diameter) * diameter, 0);
  const double opacity = std::clamp(opacityPercent, 0, 100) / 100.0;
  const double outer = diameter / 2.0;
  const double line = std::max(2.0, diameter / 8.0);
  const double inner = outer - line;
  for (int y = 0; y < diameter; ++y) {
    for (int x = 0; x < diameter; ++x) {
      const double d = std::hypot(x + 0.5 - outer, y + 0.5 - outer);
      // The line between the two circles, and the inside at half strength.
      const double onLine = std::min(Coverage(d - outer), Coverage(inner - d));
      const double inside = filled ? 0.5 * Coverage(d - inner) * (1.0 - onLine) : 0.0;
      p.pixels[static_cast<size_t>(y) * diameter + x] = Premultiplied(rgb, (onLine + inside) * opacity);
    }
  }
  return p;
}

MarkPicture RoundedBox(int32_t width, int32_t height, int32_t radius, uint32_t rgb, int opacityPercent) {
  MarkPicture p;
  width = std::max(width, 1);
  height = std::max(height, 1);
  // At least one pixel, so that the inside is wholly covered.
  radius = std::clamp(radius, 1, std::max(1, std::min(width, height) / 2));
  p.side = width;
  p.height = height;
  p.pixels.assign(static_cast<size_t>(width) * height, 0);
  const double opacity = std::clamp(opacityPercent, 0, 100) / 100.0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      // The distance beyond the corner's circle, for pixels in a corner.
      const double cx = std::clamp(x + 0.5, static_cast<double>(radius), static_cast<double>(width - radius));
      const double cy = std::clamp(y + 0.5, static_cast<double>(radius), static_cast<double>(height - radius));
      const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) - radius;
      p.pixels[static_cast<size_t>(y) * width + x] = Premultiplied(rgb, Coverage(d) * opacity);
    }
  }
  return p;
}

void PaintCoverage(MarkPicture* picture, const std::vector<uint8_t>& coverage, uint32_t rgb) {
  const size_t count = std::min(picture->pixels.size(), coverage.size());
  for (size_t i = 0; i < count; ++i) {
    const uint32_t c = coverage[i];
    if (c == 0) continue;
    // Premultiplied "over": the colour at c/255, the box under the rest.
    const uint32_t under = picture->pixels[i];
    auto mix = [&](int shift, uint32_t top) {
      return (top * c + ((under >> shift) & 0xFF) * (255 - c) + 127) / 255;
    };
    picture->pixels[i] = (mix(24, 255) << 24) | (mix(16, (rgb >> 16) & 0xFF) << 16) |
                         (mix(8, (rgb >> 8) & 0xFF) << 8) | mix(0, rgb & 0xFF);
  }
}

}  // namespace movrel
