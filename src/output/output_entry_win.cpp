// Preview, saving and the loop-count dialog;
// does nothing until its subsystem is built here.
#include "app/app_hooks_win.h"

namespace movrel {

void OpenPreviewWindow() {}
void ComposeAndSave(bool) {}
void OnCustomLoopCountChosen() {}

}  // namespace movrel
