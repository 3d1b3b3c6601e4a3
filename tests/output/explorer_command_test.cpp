// What ShowInExplorer starts for each combination of options.
#include "output/explorer_command.h"

#include <gtest/gtest.h>

namespace movrel {
namespace {

TEST(ExplorerCommand, OptionsBuildTheFileManagerCommandLine) {
  struct Case {
    const char* name;
    const char* path;
    ExplorerOptions options;
    const char* program;
    const char* commandLine;
  };
  const Case cases[] = {
      {"frame folder: new window, run executables", "C:\\Movrel\\帧文件夹", {true, true, false}, "",
       "explorer /n,\"C:\\Movrel\\帧文件夹\""},
      {"select the item", "C:\\T\\a.gif", {false, false, false}, "", "explorer /e,/select,\"C:\\T\\a.gif\""},
      {"new window selecting", "C:\\T\\a.gif", {true, false, false}, "", "explorer /n,/select,\"C:\\T\\a.gif\""},
      {"rooted at the folder", "C:\\T\\a.gif", {false, false, true}, "", "explorer /e,/root,\"C:\\T\""},
      // 運 and 閉 end in the bytes of "\" and "]": the cut is at the real separator.
      {"rooted, trail bytes", "C:\\運\\閉.gif", {false, false, true}, "", "explorer /e,/root,\"C:\\運\""},
      {"rooted without separator", "a.gif", {false, false, true}, "", "explorer /e,/root,\"a.gif\""},
      {"program started itself", "C:\\Tools\\Viewer.EXE", {true, true, false}, "C:\\Tools\\Viewer.EXE",
       "\"C:\\Tools\\Viewer.EXE\""},
      {"program only selected without the option", "C:\\Tools\\viewer.exe", {false, false, false}, "",
       "explorer /e,/select,\"C:\\Tools\\viewer.exe\""},
      {"short name", "exe", {false, true, false}, "", "explorer /e,\"exe\""},
      {"folder with its separator", "C:\\Movrel\\帧文件夹\\", {true, true, false}, "",
       "explorer /n,\"C:\\Movrel\\帧文件夹\""},
      {"separators doubled", "C:\\T\\\\", {true, true, false}, "", "explorer /n,\"C:\\T\""},
      {"drive root", "C:\\", {true, true, false}, "", "explorer /n,\"C:\\\""},
      // 運 ends in the byte of "\": it is no separator to drop.
      {"trail byte at the end", "C:\\運", {true, true, false}, "", "explorer /n,\"C:\\運\""},
  };
  for (const Case& c : cases) {
    ExplorerLaunch launch = PlanExplorerLaunch(c.path, c.options);
    EXPECT_EQ(launch.program, c.program) << c.name;
    EXPECT_EQ(launch.commandLine, c.commandLine) << c.name;
  }
}

}  // namespace
}  // namespace movrel
