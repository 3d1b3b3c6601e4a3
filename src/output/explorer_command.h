// What ShowInExplorer starts: the file manager, by its full path in the
// Windows folder, with a command line built from the options. No platform
// code.
#pragma once

#include <string>

#include "common/file_path.h"

namespace movrel {

struct ExplorerOptions {
  bool newWindow = false;     // "/n" (else "/e")
  bool selectItem = false;    // show the folder holding the path with the item selected
  bool rootAtFolder = false;  // cut the path to its folder and root the view there
};

struct ExplorerLaunch {
  FilePath program;            // the file manager's full path
  std::u16string commandLine;  // for CreateProcessW
};

// For `path`, without a trailing "\" (a drive root keeps its own):
// with rootAtFolder the path is first cut at its last "\" (the containing
// folder). The program is always `windowsFolder` + "\explorer.exe": never a
// program named by the path, whatever it ends in, and never one found by a
// bare name in the current folder. The command line is the program in double
// quotes + " " + ("/n" or "/e") + "," + ("/select," with selectItem, unless
// rootAtFolder) + ("/root," with rootAtFolder) + the path in double quotes.
ExplorerLaunch PlanExplorerLaunch(const FilePath& path, const ExplorerOptions& options,
                                  const FilePath& windowsFolder);

// The folder the file manager is asked to show for `path` under `options`,
// with the same trimming and cutting as PlanExplorerLaunch: without
// selectItem and rootAtFolder it is the path itself. Only an existing folder
// may be handed on.
FilePath ExplorerFolder(const FilePath& path, const ExplorerOptions& options);

}  // namespace movrel
