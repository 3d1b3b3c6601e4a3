// Placement rules of the record frame: the rectangle centred on the mouse
// pointer ("跟随鼠标") and the outline window 5 pixels around it. Portable;
// the Win32 side supplies the pointer and the screen size.
#pragma once

#include "common/desktop.h"

namespace movrel {

// The border lies this far outside the rectangle on every side, so the
// captured pixels are covered only by the window's transparent inside.
constexpr int kFrameMargin = 5;

// Centres `rect` on the pointer (mouseX, mouseY) in place, keeping its size,
// and keeps it on `monitor`, the one under the pointer: the left lies
// between monitor.left and monitor.right - width (the rectangle may touch
// the last column), the top likewise; a rectangle wider or taller than the
// monitor starts at its left or top edge.
void FollowMouse(RecordRect& rect, int mouseX, int mouseY, const DesktopBox& monitor);

// Where the frame window goes for `rect`: {left, top, width, height}.
// Negative sizes count as 0.
RecordRect FramePlacement(const RecordRect& rect);

}  // namespace movrel
