// gifinspect: prints a GIF's animation and frame information, extracts a frame
// as BMP (or the whole file), and applies the reader's in-place edits.
//
//   gifinspect FILE.gif
//   gifinspect FILE.gif --extract K OUT.bmp
//   gifinspect FILE.gif [--set-delay K D] [--set-offset K X Y]
//                       [--set-palette K I RRGGBB] ... --save OUT.gif
//
// The command line arrives as GBK text; failures print the reader's error
// text. Exit status: 0 done, 1 the reader failed, 2 bad command line.
#pragma once

#include <string>
#include <vector>

namespace movrel {

// `args` without the program name. What the tool prints goes to `out` and
// `err`; the result is the exit status.
int RunGifInspect(const std::vector<std::string>& args, std::string* out, std::string* err);

}  // namespace movrel
