#include "output/explorer_command.h"

#include "common/gbk.h"

namespace movrel {
namespace {

bool EndsWithExe(const std::string& path) {
  if (path.size() < 4) return false;
  // "." can never be the second byte of a double-byte character, so the
  // four bytes are four whole characters.
  std::string tail = path.substr(path.size() - 4);
  for (char& c : tail) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return tail == ".exe";
}

}  // namespace

ExplorerLaunch PlanExplorerLaunch(const std::string& path, const ExplorerOptions& options) {
  std::string target = path;
  // A folder given with its trailing separator would end the command line
  // in \", which command-line parsing reads as a quote inside the argument;
  // the folder is the same without it. A drive root keeps it ("C:\").
  while (target.size() > 3 && GbkEndsWith(target, '\\')) target.pop_back();
  if (options.rootAtFolder) {
    size_t cut = GbkFindLast(target, '\\');
    if (cut != std::string::npos) target.resize(cut);
  }
  ExplorerLaunch launch;
  if (options.runExecutables && EndsWithExe(target)) {
    launch.program = target;
    launch.commandLine = "\"" + target + "\"";
    return launch;
  }
  launch.commandLine = "explorer ";
  launch.commandLine += options.newWindow ? "/n" : "/e";
  launch.commandLine += ",";
  if (!options.runExecutables && !options.rootAtFolder) launch.commandLine += "/select,";
  if (options.rootAtFolder) launch.commandLine += "/root,";
  launch.commandLine += "\"" + target + "\"";
  return launch;
}

}  // namespace movrel
