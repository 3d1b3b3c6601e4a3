// The program's start-up file is not in the libraries the composer's tests
// link, yet the main window's code refers to these calls of it. No test
// creates the main window; one that reached the shutdown ends the test
// program with a failure code.
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
