// Native entry point: arguments are taken as the bytes the shell passed.
#include <cstdio>

#include "gifinspect.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string out, err;
  int status = movrel::RunGifInspect(args, &out, &err);
  std::fwrite(out.data(), 1, out.size(), stdout);
  std::fwrite(err.data(), 1, err.size(), stderr);
  return status;
}
