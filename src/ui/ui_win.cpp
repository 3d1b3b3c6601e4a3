#include "ui/ui_win.h"

#include <commdlg.h>

#include "common/file_path_win.h"
#include "common/gbk_win.h"
#include "common/message_pump_win.h"
#include "ui/message_box_win.h"
#include "ui/modal_loop.h"

namespace movrel {

UINT WindowDpi(HWND window) {
  // GetDpiForWindow is missing before Windows 10; look it up at run time.
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  static GetDpiForWindowFn getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow && window) {
    UINT dpi = getDpiForWindow(window);
    if (dpi) return dpi;
  }
  WindowDc screen(nullptr);
  int dpi = screen ? GetDeviceCaps(screen.get(), LOGPIXELSX) : 96;
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UniqueFont CreateUiFont(UINT dpi, bool underline) {
  LOGFONTW lf{};
  lf.lfHeight = -MulDiv(13, static_cast<int>(dpi), 96);
  lf.lfWeight = FW_NORMAL;
  lf.lfUnderline = underline ? TRUE : FALSE;
  lf.lfCharSet = GB2312_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;
  wcscpy(lf.lfFaceName, L"\u5b8b\u4f53");  // 宋体
  return UniqueFont(CreateFontIndirectW(&lf));
}

std::string GetWindowTextGbk(HWND window) {
  int n = GetWindowTextLengthW(window);
  if (n <= 0) return std::string();
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  n = GetWindowTextW(window, &text[0], n + 1);
  text.resize(static_cast<size_t>(n > 0 ? n : 0));
  return ToGbk(text);
}

void SetWindowTextGbk(HWND window, const std::string& text) { SetWindowTextW(window, ToWide(text).c_str()); }

std::wstring FileDialogFilter(const std::string& pairs) {
  // Converted first, then split: a GBK trail byte can equal '|'.
  std::wstring filter = ToWide(pairs);
  for (wchar_t& c : filter) {
    if (c == L'|') c = L'\0';
  }
  filter.push_back(L'\0');
  filter.push_back(L'\0');
  return filter;
}

bool AskOpenFiles(HWND owner, const std::string& title, const std::string& filter, bool multiSelect,
                  std::vector<FilePath>* paths) {
  std::wstring filterW = FileDialogFilter(filter);
  std::wstring titleW = ToWide(title);
  std::vector<wchar_t> buffer(multiSelect ? 65536 : MAX_PATH * 2, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filterW.c_str();
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrTitle = titleW.c_str();
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (multiSelect) ofn.Flags |= OFN_ALLOWMULTISELECT;
  {
    ModalLoopGuard modal;
    if (!GetOpenFileNameW(&ofn)) return false;
  }
  paths->clear();
  // Multi-select answers "folder\0name\0name\0\0", or one full path.
  const wchar_t* p = buffer.data();
  std::wstring first = p;
  p += first.size() + 1;
  if (!multiSelect || *p == L'\0') {
    paths->push_back(FilePathFromWide(first));
    return true;
  }
  std::wstring folder = first;
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  while (*p) {
    std::wstring name = p;
    paths->push_back(FilePathFromWide(folder + name));
    p += name.size() + 1;
  }
  return true;
}

bool AskOpenFile(HWND owner, const std::string& title, const std::string& filter, bool multiSelect,
                 std::vector<std::string>* paths) {
  std::vector<FilePath> chosen;
  if (!AskOpenFiles(owner, title, filter, multiSelect, &chosen)) return false;
  paths->clear();
  for (const FilePath& path : chosen) {
    if (path.FitsGbk()) {
      paths->push_back(path.Gbk());
    } else {
      ShowMessage(UnstorablePathText(path.Gbk(), false), kMbOk | kMbIconExclamation);
    }
  }
  return !paths->empty();
}

ImportRead ReadImportFile(const std::string& path, uint64_t maxBytes, std::string* bytes) {
  return ReadFileWithin(FilePath::FromGbk(path), maxBytes, bytes);
}

void BringWindowToFront(HWND window) {
  bool wasTopmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  if (wasTopmost) SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  PumpPendingMessages();
  if (!IsWindowVisible(window)) ShowWindow(window, SW_SHOW);
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  // Topmost for a moment lifts the window above every other, then it goes
  // back to its own place in the order.
  SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  if (!wasTopmost) SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(window);
  SetFocus(window);
}

}  // namespace movrel
