// The main window as saving, copying and the preview see it: the settings
// that shape the GIF, the save link's caption, the save dialog's last file
// and the loop-count item, and where the preview's own settings go back.
// The shell implements it over the window's controls and hands it over once
// at start-up. User-interface thread only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "output/compose_plan.h"
#include "output/preview_player.h"

namespace movrel {

// The main window's settings that shape the GIF.
struct OutputChoices {
  PreviewSettings playback;  // speed change and still-frame handling
  uint16_t playCount = 0;    // how often the GIF plays, 0 endless
  FileChoices file;  // the layout, dithering, the lossy level and the size limit
};

// Each call's default is what a program without a main window gets: the
// default settings, nothing shown, a null handle.
class OutputWindow {
 public:
  virtual ~OutputWindow() = default;
  // The main window: owner of the dialogs, the preview and the clipboard.
  virtual HWND Handle() { return nullptr; }
  virtual OutputChoices ReadChoices() { return OutputChoices(); }
  // 链接保存动画's caption: the composing progress, "已复制", its own again.
  virtual void SetSaveCaption(const std::string&) {}
  // The save dialog's last file name (GBK), which the settings file keeps.
  virtual std::string LastSavePath() { return std::string(); }
  virtual void SetLastSavePath(const std::string&) {}
  // The text of the play count list's custom item.
  virtual std::string CustomLoopItemText() { return std::string(); }
  virtual void SetCustomLoopItemText(const std::string&) {}
  // The preview's copies of the speed change and still-frame handling,
  // written back when it closes.
  virtual void KeepPreviewSettings(const PreviewSettings&) {}
};

// The window the output works on from now on; the shell sets it once before
// its window is created. Until then, and after a null one, the defaults
// above stand in.
void SetOutputWindow(OutputWindow* window);
OutputWindow& TheOutputWindow();

}  // namespace movrel
