#include "common/desktop.h"

#include <algorithm>
#include <limits>

namespace movrel {
namespace {

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The distance from `v` to the range [lo, hi).
int64_t Gap(int64_t v, int64_t lo, int64_t hi) {
  if (v < lo) return lo - v;
  if (v >= hi) return v - (hi - 1);
  return 0;
}

int64_t DistanceSquared(const DesktopBox& box, int64_t x, int64_t y) {
  // Capped so that the sum of squares of far-off points stays in 64 bits.
  constexpr int64_t kFar = int64_t{1} << 30;
  const int64_t dx = std::min(Gap(x, box.left, box.right), kFar), dy = std::min(Gap(y, box.top, box.bottom), kFar);
  return dx * dx + dy * dy;
}

bool Overlaps(const DesktopBox& a, const DesktopBox& b) { return !Intersection(a, b).Empty(); }

}  // namespace

DesktopBox Intersection(const DesktopBox& a, const DesktopBox& b) {
  const DesktopBox r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                     std::min(a.bottom, b.bottom)};
  return r.Empty() ? DesktopBox{} : r;
}

DesktopBox BoxOf(const RecordRect& rect) {
  return {rect.left, rect.top, Clamp32(int64_t{rect.left} + std::max(0, rect.width)),
          Clamp32(int64_t{rect.top} + std::max(0, rect.height))};
}

RecordRect RectOf(const DesktopBox& box) { return {box.left, box.top, box.Width(), box.Height()}; }

Desktop Desktop::Single(int32_t width, int32_t height) { return Desktop({{0, 0, width, height}}); }

Desktop::Desktop(std::vector<DesktopBox> monitors) {
  for (const DesktopBox& m : monitors) {
    if (!m.Empty()) monitors_.push_back(m);
  }
  if (monitors_.empty()) monitors_.push_back({0, 0, 1, 1});
  bounds_ = monitors_.front();
  for (const DesktopBox& m : monitors_) {
    bounds_ = {std::min(bounds_.left, m.left), std::min(bounds_.top, m.top), std::max(bounds_.right, m.right),
               std::max(bounds_.bottom, m.bottom)};
  }
}

bool Desktop::Covers(int64_t x, int64_t y) const {
  return std::any_of(monitors_.begin(), monitors_.end(), [&](const DesktopBox& m) { return m.Contains(x, y); });
}

const DesktopBox& Desktop::MonitorNear(int64_t x, int64_t y) const {
  const DesktopBox* best = &monitors_.front();
  int64_t bestDistance = DistanceSquared(*best, x, y);
  for (const DesktopBox& m : monitors_) {
    const int64_t d = DistanceSquared(m, x, y);
    if (d < bestDistance) {
      best = &m;
      bestDistance = d;
    }
  }
  return *best;
}

DesktopPoint Desktop::NearestCovered(int64_t x, int64_t y) const {
  const DesktopBox& m = MonitorNear(x, y);
  return {static_cast<int32_t>(std::clamp<int64_t>(x, m.left, m.right - 1)),
          static_cast<int32_t>(std::clamp<int64_t>(y, m.top, m.bottom - 1))};
}

std::vector<DesktopBox> Desktop::Uncovered(const DesktopBox& area) const {
  std::vector<DesktopBox> parts;
  if (area.Empty()) return parts;
  // The monitors' edges cut the area into a grid whose cells are either
  // wholly covered or wholly uncovered; uncovered cells of one band of rows
  // that touch are joined.
  std::vector<int32_t> xs{area.left, area.right}, ys{area.top, area.bottom};
  for (const DesktopBox& m : monitors_) {
    for (int32_t x : {m.left, m.right}) {
      if (x > area.left && x < area.right) xs.push_back(x);
    }
    for (int32_t y : {m.top, m.bottom}) {
      if (y > area.top && y < area.bottom) ys.push_back(y);
    }
  }
  for (auto* v : {&xs, &ys}) {
    std::sort(v->begin(), v->end());
    v->erase(std::unique(v->begin(), v->end()), v->end());
  }
  for (size_t j = 0; j + 1 < ys.size(); ++j) {
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      const DesktopBox cell{xs[i], ys[j], xs[i + 1], ys[j + 1]};
      if (std::any_of(monitors_.begin(), monitors_.end(), [&](const DesktopBox& m) { return Overlaps(m, cell); })) {
        continue;
      }
      if (!parts.empty() && parts.back().top == cell.top && parts.back().right == cell.left) {
        parts.back().right = cell.right;
      } else {
        parts.push_back(cell);
      }
    }
  }
  return parts;
}

RecordRect KeepOnDesktop(const RecordRect& rect, const Desktop& desktop) {
  // An empty rectangle is judged by its corner and keeps its size: the
  // start of a recording refuses it with a message.
  const DesktopBox box = BoxOf({rect.left, rect.top, std::max(1, rect.width), std::max(1, rect.height)});
  const auto& monitors = desktop.Monitors();
  if (std::any_of(monitors.begin(), monitors.end(), [&](const DesktopBox& m) { return Overlaps(m, box); })) {
    return rect;
  }
  const DesktopBox& primary = desktop.Primary();
  auto fit = [](int32_t start, int32_t size, int32_t lo, int32_t hi, int32_t* outStart, int32_t* outSize) {
    *outSize = std::min(size, hi - lo);
    *outStart = std::clamp(start, lo, hi - std::max(1, *outSize));
  };
  RecordRect moved;
  fit(rect.left, rect.width, primary.left, primary.right, &moved.left, &moved.width);
  fit(rect.top, rect.height, primary.top, primary.bottom, &moved.top, &moved.height);
  return moved;
}

}  // namespace movrel
