#include "output/explorer_command.h"

#include "common/gbk.h"

namespace movrel {
namespace {

// The path as it goes on the command line: a folder given with its
// trailing separator would end the command line in \", which command-line
// parsing reads as a quote inside the argument; the folder is the same
// without it. A drive root keeps it ("C:\").
std::string Trimmed(const std::string& path) {
  std::string target = path;
  while (target.size() > 3 && GbkEndsWith(target, '\\')) target.pop_back();
  return target;
}

std::string CutToFolder(const std::string& path) {
  size_t cut = GbkFindLast(path, '\\');
  if (cut == std::string::npos) return path;
  return cut == 2 && path[1] == ':' ? path.substr(0, 3) : path.substr(0, cut);  // "C:\a.gif" is in "C:\"
}

}  // namespace

ExplorerLaunch PlanExplorerLaunch(const std::string& path, const ExplorerOptions& options,
                                  const std::string& windowsFolder) {
  std::string target = Trimmed(path);
  if (options.rootAtFolder) target = CutToFolder(target);
  ExplorerLaunch launch;
  std::string folder = windowsFolder;
  while (GbkEndsWith(folder, '\\')) folder.pop_back();
  launch.program = folder + "\\explorer.exe";
  launch.commandLine = "\"" + launch.program + "\" ";
  launch.commandLine += options.newWindow ? "/n" : "/e";
  launch.commandLine += ",";
  if (options.selectItem && !options.rootAtFolder) launch.commandLine += "/select,";
  if (options.rootAtFolder) launch.commandLine += "/root,";
  launch.commandLine += "\"" + target + "\"";
  return launch;
}

std::string ExplorerFolder(const std::string& path, const ExplorerOptions& options) {
  std::string target = Trimmed(path);
  if (options.rootAtFolder || options.selectItem) target = CutToFolder(target);
  return target;
}

}  // namespace movrel
