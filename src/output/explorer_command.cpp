#include "output/explorer_command.h"

namespace movrel {
namespace {

// Paths are UTF-16 here, where a "\\" unit is always a separator.

// The path as it goes on the command line: a folder given with its
// trailing separator would end the command line in \", which command-line
// parsing reads as a quote inside the argument; the folder is the same
// without it. A drive root keeps it ("C:\").
std::u16string Trimmed(const FilePath& path) {
  std::u16string target = path.Units();
  while (target.size() > 3 && target.back() == u'\\') target.pop_back();
  return target;
}

std::u16string CutToFolder(const std::u16string& path) {
  size_t cut = path.rfind(u'\\');
  if (cut == std::u16string::npos) return path;
  return cut == 2 && path[1] == u':' ? path.substr(0, 3) : path.substr(0, cut);  // "C:\a.gif" is in "C:\"
}

}  // namespace

ExplorerLaunch PlanExplorerLaunch(const FilePath& path, const ExplorerOptions& options,
                                  const FilePath& windowsFolder) {
  std::u16string target = Trimmed(path);
  if (options.rootAtFolder) target = CutToFolder(target);
  std::u16string folder = windowsFolder.Units();
  while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
  ExplorerLaunch launch;
  launch.program = FilePath(folder + u"\\explorer.exe");
  launch.commandLine = u"\"" + launch.program.Units() + u"\" ";
  launch.commandLine += options.newWindow ? u"/n" : u"/e";
  launch.commandLine += u",";
  if (options.selectItem && !options.rootAtFolder) launch.commandLine += u"/select,";
  if (options.rootAtFolder) launch.commandLine += u"/root,";
  launch.commandLine += u"\"" + target + u"\"";
  return launch;
}

FilePath ExplorerFolder(const FilePath& path, const ExplorerOptions& options) {
  std::u16string target = Trimmed(path);
  if (options.rootAtFolder || options.selectItem) target = CutToFolder(target);
  return FilePath(target);
}

}  // namespace movrel
