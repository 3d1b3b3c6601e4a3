#include "select/follow_mouse.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace movrel {
namespace {

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The start that centres `size` on `mouse` and keeps it within [first,
// end): the last start that fits is end - size, so the last column or row
// can be reached; a rectangle larger than the monitor starts at `first`.
int64_t CentredStart(int mouse, int32_t size, int32_t first, int32_t end) {
  // Integer halves truncate toward zero, as every conversion does here.
  const int64_t start = static_cast<int64_t>(mouse) - size / 2;
  return std::max<int64_t>(first, std::min<int64_t>(start, static_cast<int64_t>(end) - size));
}

}  // namespace

void FollowMouse(RecordRect& rect, int mouseX, int mouseY, const DesktopBox& monitor) {
  rect.left = Clamp32(CentredStart(mouseX, rect.width, monitor.left, monitor.right));
  rect.top = Clamp32(CentredStart(mouseY, rect.height, monitor.top, monitor.bottom));
}

RecordRect FramePlacement(const RecordRect& rect) {
  RecordRect place;
  place.left = Clamp32(static_cast<int64_t>(rect.left) - kFrameMargin);
  place.top = Clamp32(static_cast<int64_t>(rect.top) - kFrameMargin);
  place.width = Clamp32(std::max<int64_t>(0, rect.width) + 2 * kFrameMargin);
  place.height = Clamp32(std::max<int64_t>(0, rect.height) + 2 * kFrameMargin);
  return place;
}

}  // namespace movrel
