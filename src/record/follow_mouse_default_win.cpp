// Follow-mouse before the selection subsystem provides it: the rectangle
// stays where the settings put it. Drop this file from the composer's
// sources once ApplyFollowMouse is defined there.
#include "record/follow_mouse_hook_win.h"

namespace movrel {

void ApplyFollowMouse(RecordRect&) {}

}  // namespace movrel
