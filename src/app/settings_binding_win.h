// The settings file behind the main window: the one ConfigStore of the
// process and the copy between it and the controls.
#pragma once

#include "config/config_store.h"

namespace movrel {

ConfigStore& SettingsStore();

// Opens "Movrel.ini" in the program's folder (held open until exit).
void OpenSettingsStore();

}  // namespace movrel
