// Process-wide state of the application shell.
#pragma once

#include <string>

#include "common/file_path.h"

namespace movrel {

struct AppGlobals {
  FilePath programFolderPath;  // as the system names it, ends in "\"
  std::string programFolder;   // its GBK form, for texts shown or stored relative to it
  FilePath settingsFilePath;   // Movrel.ini beside the program, as the system names it
  unsigned taskbarCreatedMessage = 0;
  bool settingsLoading = false;  // change handlers do nothing while set
  bool trayHidden = false;       // Alt+F12
};

AppGlobals& Globals();

// Holds the change handlers off while the shell writes controls itself.
class SettingsLoadingGuard {
 public:
  SettingsLoadingGuard() : was_(Globals().settingsLoading) { Globals().settingsLoading = true; }
  ~SettingsLoadingGuard() { Globals().settingsLoading = was_; }
  SettingsLoadingGuard(const SettingsLoadingGuard&) = delete;
  SettingsLoadingGuard& operator=(const SettingsLoadingGuard&) = delete;

 private:
  bool was_;
};

}  // namespace movrel
