// Rectangle selection and the record frame window;
// does nothing until its subsystem is built here.
#include "app/app_hooks_win.h"

namespace movrel {

void SelectRectangle(int) {}
void CreateFrameWindow() {}
void UpdateFrameWindow() {}
void DestroyFrameWindow() {}

}  // namespace movrel
