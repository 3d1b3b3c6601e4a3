// The main window's calls that belong to the frame folder's right click;
// it does nothing until its subsystem is built here.
#include "app/app_hooks_win.h"

namespace movrel {

void OpenFrameFolder() {}

}  // namespace movrel
