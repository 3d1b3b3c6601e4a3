// The main window's sample frame: one frame composed from the settings as
// they are now, shown in 显示画板 with its size in 分组框1's caption.
#include "app/app_hooks_win.h"
#include "app/main_window_win.h"
#include "record/composer_win.h"
#include "record/recorder.h"

namespace movrel {

void RefreshFramePreview() {
  // While a recording runs or is paused, the composer's prepared state and
  // the group caption are the recording's; a preview would release the one
  // and overwrite the other.
  if (RecordingUnderway()) return;
  ShowSampleFrame(ComposeFrame(true));
}

}  // namespace movrel
