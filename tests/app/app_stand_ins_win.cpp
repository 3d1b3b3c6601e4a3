// The program's start-up file (app_win.cpp) belongs to Movrel.exe only, yet
// the main window's and the tray's code call into it. Test programs link
// these stand-ins instead. No test creates the main window through them; a
// test that reached the shutdown would end the whole test program, so that
// ends it with a failure code.
#include <windows.h>

#include <cstdio>

#include "app/app_win.h"

namespace movrel {

void OnMainWindowCreated() {}
void OnMainWindowClose() {}
bool ShuttingDown() { return false; }

void ShutdownApplication() {
  std::fprintf(stderr, "ShutdownApplication was called by a test\n");
  std::fflush(stderr);
  ExitProcess(3);
}

}  // namespace movrel
