// The Windows composer: arguments come as UTF-16 and become GBK, the
// program's text; messages go out as UTF-16 to a console or as UTF-8 to a
// pipe or file.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/gbk_win.h"
#include "compose.h"

namespace {

void PrintError(const std::wstring& text) {
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  DWORD mode = 0;
  DWORD done = 0;
  if (GetConsoleMode(err, &mode)) {
    WriteConsoleW(err, text.c_str(), static_cast<DWORD>(text.size()), &done, nullptr);
  } else {
    std::string utf8 = movrel::WideToUtf8(text);
    WriteFile(err, utf8.data(), static_cast<DWORD>(utf8.size()), &done, nullptr);
  }
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> args;
  for (int i = 1; argv && i < argc; ++i) args.push_back(movrel::ToGbk(argv[i]));
  if (argv) LocalFree(argv);

  movrel::ComposeRequest request;
  std::string error;
  if (!movrel::ParseComposeArgs(args, &request, &error)) {
    PrintError(L"gifcompose: " + movrel::ToWide(error) + L"\n" + movrel::ToWide(movrel::kComposeUsage));
    return 2;
  }
  std::string where, makerError, report;
  int rc = movrel::RunCompose(request, &where, &makerError, &report);
  if (!report.empty()) std::printf("%s\n", report.c_str());
  if (rc != 0) PrintError(L"gifcompose: " + movrel::ToWide(where) + L": " + movrel::ToWide(makerError) + L"\n");
  return rc;
}
