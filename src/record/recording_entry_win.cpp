// The frame folder's right click: the folder that receives single frames,
// opened in a new file-manager window.
#include "app/app_globals.h"
#include "app/app_hooks_win.h"
#include "app/main_window_win.h"
#include "output/shell_handoff_win.h"
#include "record/recording_rules.h"

namespace movrel {

void OpenFrameFolder() {
  const std::string folder = ResolveFrameFolder(ControlText(编辑框保存路径), Globals().programFolder);
  ShowInExplorer(folder, true, true, false, false);
}

}  // namespace movrel
