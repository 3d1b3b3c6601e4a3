// The single place where the capture rectangle is final before a frame is
// grabbed: with "跟随鼠标" on, the composer hands the rectangle here before
// every frame. The selection subsystem defines it (moving the rectangle
// with the pointer); until it does, follow_mouse_default_win.cpp leaves the
// rectangle as it is.
#pragma once

#include "app/app_globals.h"

namespace movrel {

void ApplyFollowMouse(RecordRect& rect);

}  // namespace movrel
