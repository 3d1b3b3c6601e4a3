// The frame folder's right click: the folder that receives single frames,
// opened in a new file-manager window.
#include "app/app_globals.h"
#include "app/app_hooks_win.h"
#include "app/main_window_win.h"
#include "app/message_box_win.h"
#include "output/shell_handoff_win.h"
#include "record/recording_rules.h"

namespace movrel {

void OpenFrameFolder() {
  const FilePath folder = ResolveFrameFolder(ControlText(编辑框保存路径), Globals().programFolderPath);
  ExplorerOptions options;
  options.newWindow = true;
  // Only an existing folder is opened: the text may name a program or a
  // document (it comes from the settings file too), which must not start.
  if (ShowInExplorer(folder, options) == 0) {
    ShowMessage("无法打开帧文件夹：" + folder.Gbk() + "\r\n\r\n请检查该路径是否为已存在的文件夹。", kMbOk | kMbIconExclamation);
  }
}

}  // namespace movrel
