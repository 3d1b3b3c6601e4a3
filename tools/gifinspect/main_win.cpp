// Windows entry point: the command line is read as UTF-16 and handed on as
// GBK, so paths outside the ANSI code page still reach the reader.
#include <windows.h>
#include <shellapi.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "common/gbk_win.h"
#include "gifinspect.h"

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> args;
  for (int i = 1; argv && i < argc; ++i) args.push_back(movrel::ToGbk(argv[i]));
  if (argv) LocalFree(argv);
  std::string out, err;
  int status = movrel::RunGifInspect(args, &out, &err);
  // The output is GBK bytes with plain line feeds, whatever the console does.
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return status;
}
