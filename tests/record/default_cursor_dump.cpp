// Writes the program's default cursor file to the path given, for the
// independent decoders of default_cursor_check.py.
#include <cstdio>

#include "common/file_io.h"
#include "record/icon_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: default_cursor_dump FILE.cur\n");
    return 2;
  }
  return movrel::WriteWholeFile(argv[1], movrel::DefaultCursorBytes()) ? 0 : 1;
}
