#include "select/follow_mouse.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace movrel {
namespace {

// The edge test is made in floating point, as a sum that comes within a
// hair of the screen size counts as reaching it.
bool ReachesEdge(double start, double size, double screenSize) { return start + size - screenSize >= -0.0000001; }

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace

void FollowMouse(RecordRect& rect, int mouseX, int mouseY, int screenWidth, int screenHeight) {
  // Integer halves truncate toward zero, as every conversion does here.
  int64_t left = static_cast<int64_t>(mouseX) - rect.width / 2;
  int64_t top = static_cast<int64_t>(mouseY) - rect.height / 2;
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  if (ReachesEdge(static_cast<double>(left), rect.width, screenWidth)) {
    left = static_cast<int64_t>(screenWidth) - rect.width - 1;
  }
  if (ReachesEdge(static_cast<double>(top), rect.height, screenHeight)) {
    top = static_cast<int64_t>(screenHeight) - rect.height - 1;
  }
  rect.left = Clamp32(left);
  rect.top = Clamp32(top);
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
