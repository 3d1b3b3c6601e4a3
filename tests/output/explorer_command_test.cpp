// What ShowInExplorer starts for each combination of options.
#include "output/explorer_command.h"

#include <gtest/gtest.h>

namespace movrel {
namespace {

constexpr const char kWindows[] = "C:\\windows";
constexpr const char kExplorer[] = "\"C:\\windows\\explorer.exe\" ";

TEST(ExplorerCommand, OnlyTheFileManagerStartsAndOnlyOnFolders) {
  struct Case {
    const char* name;
    const char* path;
    ExplorerOptions options;  // new window, select the item, root at the folder
    const char* arguments;
    const char* folder;  // what must be an existing folder
  };
  const Case cases[] = {
      {"frame folder in a new window", "C:\\Movrel\\帧文件夹", {true, false, false}, "/n,\"C:\\Movrel\\帧文件夹\"",
       "C:\\Movrel\\帧文件夹"},
      {"select the item", "C:\\T\\a.gif", {false, true, false}, "/e,/select,\"C:\\T\\a.gif\"", "C:\\T"},
      {"new window selecting", "C:\\T\\a.gif", {true, true, false}, "/n,/select,\"C:\\T\\a.gif\"", "C:\\T"},
      {"rooted at the folder", "C:\\T\\a.gif", {false, false, true}, "/e,/root,\"C:\\T\"", "C:\\T"},
      {"selected in a drive root", "C:\\a.gif", {false, true, false}, "/e,/select,\"C:\\a.gif\"", "C:\\"},
      // 運 and 閉 end in the bytes of "\" and "]": the cut is at the real separator.
      {"rooted, trail bytes", "C:\\運\\閉.gif", {false, false, true}, "/e,/root,\"C:\\運\"", "C:\\運"},
      {"rooted without separator", "a.gif", {false, false, true}, "/e,/root,\"a.gif\"", "a.gif"},
      // A text naming a program (the frame folder's text comes from the
      // settings file too) is handed to the file manager like any other.
      {"program path", "C:\\Tools\\Viewer.EXE\\", {true, false, false}, "/n,\"C:\\Tools\\Viewer.EXE\"",
       "C:\\Tools\\Viewer.EXE"},
      {"folder with its separator", "C:\\Movrel\\帧文件夹\\", {true, false, false}, "/n,\"C:\\Movrel\\帧文件夹\"",
       "C:\\Movrel\\帧文件夹"},
      {"separators doubled", "C:\\T\\\\", {true, false, false}, "/n,\"C:\\T\"", "C:\\T"},
      {"drive root", "C:\\", {true, false, false}, "/n,\"C:\\\"", "C:\\"},
      // 運 ends in the byte of "\": it is no separator to drop.
      {"trail byte at the end", "C:\\運", {true, false, false}, "/n,\"C:\\運\"", "C:\\運"},
  };
  for (const Case& c : cases) {
    const FilePath path = FilePath::FromGbk(c.path);
    ExplorerLaunch launch = PlanExplorerLaunch(path, c.options, FilePath::FromGbk(kWindows));
    EXPECT_EQ(launch.program.Gbk(), "C:\\windows\\explorer.exe") << c.name;
    EXPECT_EQ(FilePath(launch.commandLine).Gbk(), std::string(kExplorer) + c.arguments) << c.name;
    EXPECT_EQ(ExplorerFolder(path, c.options).Gbk(), c.folder) << c.name;
  }
  // The Windows folder as the system gives it, with or without its separator.
  EXPECT_EQ(PlanExplorerLaunch(FilePath(u"C:\\T"), {}, FilePath(u"D:\\WIN\\")).program.Units(), u"D:\\WIN\\explorer.exe");
  // A folder named in letters GBK lacks reaches the command line unchanged.
  ExplorerOptions rooted;
  rooted.rootAtFolder = true;
  EXPECT_EQ(PlanExplorerLaunch(FilePath(u"C:\\\uD55C\\a.gif"), rooted, FilePath(u"C:\\W")).commandLine,
            u"\"C:\\W\\explorer.exe\" /e,/root,\"C:\\\uD55C\"");
}

}  // namespace
}  // namespace movrel
