// Recording (F9/F10) and the frame folder;
// does nothing until its subsystem is built here.
#include "app/app_hooks_win.h"

namespace movrel {

void ToggleRecording() {}
void StopRecording() {}
void ChooseFrameFolder() {}
void OpenFrameFolder() {}
void DeleteRecordingFolder() {}

}  // namespace movrel
