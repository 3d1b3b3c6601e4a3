// The program's start-up file is not part of the library the tray and
// hotkey tests link; these are the few calls of it the library makes. A
// test that reached the shutdown would end the whole test program, so that
// ends it with a failure code.
#include <windows.h>

#include <cstdio>

#include "app/app_win.h"

namespace movrel {

void OnMainWindowCreated() {}
void OnMainWindowClose() {}

void ShutdownApplication() {
  std::fprintf(stderr, "ShutdownApplication was called by a test\n");
  std::fflush(stderr);
  ExitProcess(3);
}

}  // namespace movrel
