// Command-line probe for the Pillow checks: it writes the files that the
// surface and the re-encoder produce, so an independent decoder can read them.
//
//   bitmap_probe reencode INPUT FORMAT OUTPUT   ReencodeImage with OUTPUT as file name
//   bitmap_probe screen OUTPUT DEPTH            CaptureScreen of a 64 x 48 pattern window
//   bitmap_probe window OUTPUT DEPTH            CaptureWindow of a framed 160 x 48 one
//
// The pattern windows are those of pattern_window_win.h. Exit status 0 on
// success, 1 when the operation failed, 2 for a wrong command line.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bitmap/bitmap_surface_win.h"
#include "bitmap/reencode_win.h"
#include "common/file_io.h"
#include "common/gbk_win.h"
#include "pattern_window_win.h"

namespace movrel {
namespace {

std::vector<std::string> Arguments() {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 0; i < count; ++i) args.push_back(ToGbk(wide[i]));
  LocalFree(wide);
  return args;
}

int Reencode(const std::string& input, int format, const std::string& output) {
  std::string bytes, encoded;
  if (!ReadWholeFile(input, &bytes)) return 1;
  return ReencodeImage(bytes, format, output, &encoded) ? 0 : 1;
}

int Capture(bool framed, const std::string& output, int depth) {
  // A framed window has a minimum width; 160 is above it everywhere.
  const int width = framed ? 160 : 64;
  test::PatternWindow window(30, 40, width, 48, framed ? WS_OVERLAPPEDWINDOW : WS_POPUP);
  if (!window.ShowAndWaitPainted()) return 1;
  BitmapSurface surface;
  const bool captured =
      framed ? surface.CaptureWindow(window.get(), 0, 0, 0, 0, depth) : surface.CaptureScreen(30, 40, width, 48, depth);
  return captured && WriteWholeFile(output, surface.ToBmpBytes()) ? 0 : 1;
}

int Main() {
  const std::vector<std::string> args = Arguments();
  if (args.size() == 5 && args[1] == "reencode") return Reencode(args[2], std::atoi(args[3].c_str()), args[4]);
  if (args.size() == 4 && (args[1] == "screen" || args[1] == "window")) {
    return Capture(args[1] == "window", args[2], std::atoi(args[3].c_str()));
  }
  std::fprintf(stderr,
               "usage: bitmap_probe reencode INPUT FORMAT OUTPUT | screen OUTPUT DEPTH | window OUTPUT DEPTH\n");
  return 2;
}

}  // namespace
}  // namespace movrel

int main() { return movrel::Main(); }
