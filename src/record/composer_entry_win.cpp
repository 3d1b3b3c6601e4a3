// The sample frame of the main window;
// does nothing until its subsystem is built here.
#include "app/app_hooks_win.h"

namespace movrel {

void RefreshFramePreview() {}

}  // namespace movrel
