// The host composer: paths, comment texts and the maker's messages are
// converted between the terminal's UTF-8 and the program's GBK.
#include <iconv.h>

#include <cstdio>
#include <string>
#include <vector>

#include "compose.h"

namespace {

std::string Convert(const std::string& text, const char* to, const char* from) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return text;
  std::string out;
  std::string in = text;
  char* inPtr = in.empty() ? nullptr : &in[0];
  size_t inLeft = in.size();
  char buffer[256];
  while (inLeft > 0) {
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    out.append(buffer, sizeof buffer - outLeft);
    if (r == static_cast<size_t>(-1) && outLeft == sizeof buffer) {
      // A byte that does not convert is kept as it is.
      out.push_back(*inPtr++);
      --inLeft;
    }
  }
  iconv_close(cd);
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  movrel::ComposeRequest request;
  std::string error;
  if (!movrel::ParseComposeArgs(args, &request, &error)) {
    std::fprintf(stderr, "gifcompose: %s\n%s", error.c_str(), movrel::kComposeUsage);
    return 2;
  }
  request.animation.comment = Convert(request.animation.comment, "GBK", "UTF-8");
  request.output = Convert(request.output, "GBK", "UTF-8");
  for (movrel::ComposedPicture& picture : request.pictures) {
    picture.frame.comment = Convert(picture.frame.comment, "GBK", "UTF-8");
    picture.path = Convert(picture.path, "GBK", "UTF-8");
  }
  std::string where, makerError, report;
  int rc = movrel::RunCompose(request, &where, &makerError, &report);
  if (!report.empty()) std::printf("%s\n", report.c_str());
  if (rc != 0) {
    std::fprintf(stderr, "gifcompose: %s: %s\n", where.c_str(), Convert(makerError, "UTF-8", "GBK").c_str());
  }
  return rc;
}
