// The single place where the capture rectangle is final before a frame is
// grabbed: with "跟随鼠标" on, the composer hands the rectangle here before
// every frame. The selection subsystem defines it: the rectangle is centred
// on the pointer, as the record frame window places it.
#pragma once

#include "common/screen_rect.h"

namespace movrel {

void ApplyFollowMouse(RecordRect& rect);

}  // namespace movrel
