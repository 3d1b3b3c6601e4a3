// Process-wide state of the application shell.
#pragma once

#include <cstdint>
#include <string>

#include "common/file_path.h"

namespace movrel {

// The capture rectangle and frame size, in screen pixels; the frame composer
// fills them.
struct RecordRect {
  int32_t left = 0, top = 0, width = 0, height = 0;
};
struct FrameSize {
  int32_t width = 0, height = 0;
};

struct AppGlobals {
  FilePath programFolderPath;  // as the system names it, ends in "\"
  std::string programFolder;   // its GBK form, for texts shown or stored relative to it
  FilePath settingsFilePath;   // Movrel.ini beside the program, as the system names it
  unsigned taskbarCreatedMessage = 0;
  bool settingsLoading = false;  // change handlers do nothing while set
  bool trayHidden = false;       // Alt+F12
  RecordRect recordRect;
  FrameSize frameSize;
};

AppGlobals& Globals();

}  // namespace movrel
