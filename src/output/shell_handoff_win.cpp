#include "output/shell_handoff_win.h"

#include <shellapi.h>

#include <cstring>
#include <optional>
#include <vector>

#include "common/gbk_win.h"
#include "common/handle_win.h"
#include "output/explorer_command.h"
#include "output/html_clipboard.h"

namespace movrel {
namespace {

// Another program may hold the clipboard for a moment; try a few times
// before giving up.
bool OpenClipboardPatiently(std::optional<ClipboardGuard>* guard) {
  for (int attempt = 0; attempt < 20; ++attempt) {
    guard->emplace(nullptr);
    if ((*guard)->open()) return true;
    guard->reset();
    Sleep(10);
  }
  return false;
}

}  // namespace

bool PutImageOnClipboardAsHtml(const std::string& path, const std::string& extraHtml) {
  const std::string html = WideToUtf8(ToWide(HtmlImageFragment(ClipboardImageSource(path), extraHtml)));
  const std::string data = HtmlClipboardData(html);

  UINT format = RegisterClipboardFormatW(ToWide(kHtmlClipboardFormat).c_str());
  if (format == 0) return false;
  UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE, data.size() + 1));
  if (!block) return false;
  {
    GlobalLockGuard lock(block.get());
    if (!lock.data()) return false;
    memcpy(lock.data(), data.c_str(), data.size() + 1);  // with the terminating zero
  }
  std::optional<ClipboardGuard> clipboard;
  if (!OpenClipboardPatiently(&clipboard)) return false;
  if (!EmptyClipboard()) return false;
  if (!SetClipboardData(format, block.get())) return false;
  block.release();  // the clipboard owns the block now
  return true;
}

void OpenWithShell(const std::string& pathOrAddress) {
  ShellExecuteW(nullptr, L"open", ToWide(pathOrAddress).c_str(), L"", L"", SW_SHOWNORMAL);
}

DWORD ShowInExplorer(const std::string& path, bool newWindow, bool runExecutables, bool rootAtFolder, bool wait,
                     int showMode) {
  ExplorerLaunch launch = PlanExplorerLaunch(path, {newWindow, runExecutables, rootAtFolder});
  std::wstring program = ToWide(launch.program);
  std::wstring commandLine = ToWide(launch.commandLine);
  std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
  line.push_back(L'\0');  // CreateProcessW may write into its command line

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showMode);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return 0;
  }
  UniqueKernelHandle processHandle(process.hProcess);
  UniqueKernelHandle threadHandle(process.hThread);
  if (wait) WaitForSingleObject(process.hProcess, INFINITE);
  return process.dwProcessId;
}

}  // namespace movrel
