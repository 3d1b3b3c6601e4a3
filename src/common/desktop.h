// The desktop as the monitors make it up: each monitor a box in the
// virtual screen's pixels (the primary's top-left corner is 0, 0, so a
// monitor left of or above it has negative coordinates). Between monitors
// of different sizes the bounding box has gaps that no monitor shows.
// Portable; the Win32 side reads the monitors from the system.
#pragma once

#include <cstdint>
#include <vector>

#include "common/screen_rect.h"

namespace movrel {

// A box on the desktop: right and bottom excluded.
struct DesktopBox {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool Empty() const { return right <= left || bottom <= top; }
  bool Contains(int64_t x, int64_t y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const DesktopBox& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  bool operator!=(const DesktopBox& o) const { return !(*this == o); }
};

struct DesktopPoint {
  int32_t x = 0, y = 0;
  bool operator==(const DesktopPoint& o) const { return x == o.x && y == o.y; }
};

// The overlap of two boxes; empty (all zero) when they do not meet.
DesktopBox Intersection(const DesktopBox& a, const DesktopBox& b);

// The box a capture rectangle covers, computed in 64 bits and clamped so
// that a huge width cannot wrap around.
DesktopBox BoxOf(const RecordRect& rect);
RecordRect RectOf(const DesktopBox& box);

class Desktop {
 public:
  // One monitor of width x height at the origin; used where the system
  // cannot be asked and as the fallback of a failed enumeration.
  static Desktop Single(int32_t width, int32_t height);
  // The primary first. Empty boxes are dropped; no monitor at all gives a
  // 1 x 1 primary, so every question below has an answer.
  explicit Desktop(std::vector<DesktopBox> monitors);

  const std::vector<DesktopBox>& Monitors() const { return monitors_; }
  const DesktopBox& Primary() const { return monitors_.front(); }
  // The bounding box of every monitor: the virtual screen.
  const DesktopBox& Bounds() const { return bounds_; }

  bool Covers(int64_t x, int64_t y) const;
  // The monitor that holds (x, y), or the one nearest to it when the point
  // lies in a gap or beyond the desktop.
  const DesktopBox& MonitorNear(int64_t x, int64_t y) const;
  // The point on a monitor nearest to (x, y); (x, y) itself when covered.
  DesktopPoint NearestCovered(int64_t x, int64_t y) const;
  // The parts of `area` that no monitor shows (gaps and whatever lies
  // beyond the bounding box), as boxes that do not overlap.
  std::vector<DesktopBox> Uncovered(const DesktopBox& area) const;

 private:
  std::vector<DesktopBox> monitors_;
  DesktopBox bounds_;
};

// A rectangle from the settings that lies on no monitor (the monitor it
// was drawn on is gone) is moved onto the primary at the nearest place,
// keeping its size where it fits and cut to the primary's size where it
// does not. A rectangle that touches any monitor is returned as it is; an
// empty one is judged by its corner and keeps its size.
RecordRect KeepOnDesktop(const RecordRect& rect, const Desktop& desktop);

}  // namespace movrel
