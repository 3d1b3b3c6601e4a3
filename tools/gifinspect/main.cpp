// Native entry point: the terminal's UTF-8 arguments become the program's
// GBK texts, as the Windows entry point makes them from UTF-16.
#include <cstdio>

#include "common/file_path.h"
#include "gifinspect.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(movrel::FilePath::FromUtf8(argv[i]).Gbk());
  std::string out, err;
  int status = movrel::RunGifInspect(args, &out, &err);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return status;
}
