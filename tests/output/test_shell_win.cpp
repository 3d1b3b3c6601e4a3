// The two calls of the main window that only Movrel.exe's start-up defines;
// the output tests use the subsystems without a main window.
#include "app/app_win.h"

namespace movrel {

void OnMainWindowCreated() {}
void OnMainWindowClose() {}

}  // namespace movrel
