// What ShowInExplorer starts: either an executable itself or the file
// manager with a command line built from the options. No platform code.
#pragma once

#include <string>

namespace movrel {

struct ExplorerOptions {
  bool newWindow = false;       // "/n" (else "/e")
  bool runExecutables = false;  // a path ending in ".exe" is started itself
  bool rootAtFolder = false;    // cut the path to its folder and root the view there
};

struct ExplorerLaunch {
  std::string program;      // the executable to start; empty: taken from the command line
  std::string commandLine;  // GBK
};

// For `path` (GBK), without a trailing "\" (a drive root keeps its own):
// with rootAtFolder the path is first cut at its last "\"
// (the containing folder, no trailing "\"). With runExecutables a path whose
// last four characters are ".exe" in any case is started directly. Otherwise
// the command line is "explorer " + ("/n" or "/e") + "," + ("/select," when
// neither runExecutables nor rootAtFolder is set) + ("/root," with
// rootAtFolder) + the path in double quotes.
ExplorerLaunch PlanExplorerLaunch(const std::string& path, const ExplorerOptions& options);

}  // namespace movrel
