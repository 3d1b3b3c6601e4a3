// The end-to-end tests' window probe: finds the running program's windows
// and controls, reads their state and clicks them. Controls of the main
// window are named as in the program's control table. Output is UTF-8, one
// JSON object a line.
//
//   probe wait-window TITLE [SECONDS]      exit 0 once a visible window has that title
//   probe wait-gone TITLE [SECONDS]        exit 0 once no visible window has it
//   probe dump                             every main-window control, a line each
//   probe get NAME                         one control
//   probe click NAME                       clicks a control of the main window
//   probe right-click NAME                 right-clicks it
//   probe select NAME INDEX                chooses a list item as a user would
//   probe windows                          visible top-level windows of all programs
//   probe children TITLE                   the child controls of a window
//   probe press TITLE BUTTON               clicks the button with that caption in a window
//   probe close TITLE                      asks a window to close
//   probe move CLASS X Y WIDTH HEIGHT      places a window of that class, as a person would drag it
//   probe try-open PATH                    whether this process may read and write a file
//   probe tips                             the text of every tool tip on show
//   probe foreground                       the window in front
//   probe send TITLE MESSAGE WPARAM LPARAM posts a message to a window, hidden or not
//   probe watch-class CLASS [SECONDS]      each caption a window of that class shows until it closes
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/control_table.h"
#include "common/gbk_win.h"
#include "probe_output_win.h"

using namespace movrel;

namespace {

using movrel::test::Print;

std::string Json(const std::wstring& text) { return movrel::test::Json(WideToUtf8(text)); }

std::wstring Text(HWND window) { return movrel::test::WindowText(window, 1000); }

// A top-level window's caption, read without sending it a message, so a
// busy or stuck program cannot slow the search down.
std::wstring Caption(HWND window) {
  wchar_t buffer[1024];
  int n = GetWindowTextW(window, buffer, 1024);
  return std::wstring(buffer, static_cast<size_t>(n > 0 ? n : 0));
}

std::wstring ClassOf(HWND window) {
  wchar_t name[256];
  int n = GetClassNameW(window, name, 256);
  return std::wstring(name, static_cast<size_t>(n > 0 ? n : 0));
}

struct FindState {
  std::wstring title;
  HWND found = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND window, LPARAM param) {
  auto* state = reinterpret_cast<FindState*>(param);
  if (IsWindowVisible(window) && Caption(window) == state->title) {
    state->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND FindWindowByTitle(const std::wstring& title) {
  FindState state{title};
  EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&state));
  return state.found;
}

HWND MainWindowHandle() { return FindWindowByTitle(ToWide(kMainWindowTitle)); }

std::string Rect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  char text[96];
  snprintf(text, sizeof text, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
  return text;
}

std::string DescribeControl(HWND main, ControlIndex index) {
  HWND control = GetDlgItem(main, ControlId(index));
  std::string line = "{\"name\":" + Json(ToWide(ControlName(index)));
  if (!control) return line + ",\"missing\":true}";
  line += ",\"class\":" + Json(ClassOf(control));
  line += ",\"text\":" + Json(Text(control));
  line += std::string(",\"enabled\":") + (IsWindowEnabled(control) ? "true" : "false");
  line += std::string(",\"visible\":") + (IsWindowVisible(control) ? "true" : "false");
  line += ",\"rect\":" + Rect(control);
  ControlKind kind = Control(index).kind;
  if (kind == ControlKind::kCheckBox || kind == ControlKind::kRadio) {
    line += std::string(",\"checked\":") +
            (SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? "true" : "false");
  }
  if (kind == ControlKind::kList) {
    line += ",\"selected\":" + std::to_string(SendMessageW(control, CB_GETCURSEL, 0, 0));
    line += ",\"items\":[";
    LRESULT count = SendMessageW(control, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t item[512];
      LRESULT n = SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
      if (i) line += ",";
      line += Json(std::wstring(item, static_cast<size_t>(n > 0 ? n : 0)));
    }
    line += "]";
  }
  return line + "}";
}

ControlIndex NamedControl(const wchar_t* name) {
  ControlIndex index = FindControl(ToGbk(name));
  if (index == kControlCount) {
    fprintf(stderr, "no control named %s\n", WideToUtf8(name).c_str());
    exit(2);
  }
  return index;
}

HWND RequireMain() {
  HWND main = MainWindowHandle();
  if (!main) {
    fprintf(stderr, "main window not found\n");
    exit(3);
  }
  return main;
}

void ClickAtCentre(HWND control, UINT down, UINT up) {
  RECT r{};
  GetClientRect(control, &r);
  LPARAM at = MAKELPARAM((r.right - r.left) / 2, (r.bottom - r.top) / 2);
  PostMessageW(control, down, down == WM_LBUTTONDOWN ? MK_LBUTTON : MK_RBUTTON, at);
  PostMessageW(control, up, 0, at);
}

void Click(HWND control) {
  std::wstring cls = ClassOf(control);
  // Posted, so a click that opens a modal dialog does not block the probe.
  if (_wcsicmp(cls.c_str(), L"Button") == 0) {
    PostMessageW(control, BM_CLICK, 0, 0);
  } else {
    ClickAtCentre(control, WM_LBUTTONDOWN, WM_LBUTTONUP);
  }
}

bool WaitFor(const std::wstring& title, bool present, double seconds) {
  DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
  for (;;) {
    bool there = FindWindowByTitle(title) != nullptr;
    if (there == present) return true;
    if (static_cast<LONG>(GetTickCount() - deadline) > 0) return false;
    Sleep(100);
  }
}

BOOL CALLBACK PrintTopLevel(HWND window, LPARAM) {
  if (IsWindowVisible(window)) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    Print("{\"title\":" + Json(Caption(window)) + ",\"class\":" + Json(ClassOf(window)) +
          ",\"enabled\":" + (IsWindowEnabled(window) ? "true" : "false") + ",\"rect\":" + Rect(window) + "}");
  }
  return TRUE;
}

BOOL CALLBACK PrintChild(HWND window, LPARAM) {
  Print("{\"id\":" + std::to_string(GetDlgCtrlID(window)) + ",\"class\":" + Json(ClassOf(window)) +
        ",\"text\":" + Json(Text(window)) + ",\"enabled\":" + (IsWindowEnabled(window) ? "true" : "false") +
        ",\"visible\":" + (IsWindowVisible(window) ? "true" : "false") + ",\"rect\":" + Rect(window) + "}");
  return TRUE;
}

std::wstring WithoutMnemonic(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c != L'&') out += c;
  }
  return out;
}

struct ButtonSearch {
  std::wstring caption;
  HWND found = nullptr;
};

BOOL CALLBACK FindButton(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<ButtonSearch*>(param);
  // "确定" also finds "确定(&O)": captions may carry an access key.
  std::wstring text = WithoutMnemonic(Text(window)), wanted = WithoutMnemonic(search->caption);
  if (_wcsicmp(ClassOf(window).c_str(), L"Button") == 0 && IsWindowVisible(window) &&
      text.compare(0, wanted.size(), wanted) == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

int Usage() {
  fprintf(stderr, "usage: probe wait-window|wait-gone|dump|get|click|right-click|select|windows|children|press|close ...\n");
  return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Usage();
  std::wstring command = argv[1];
  if (command == L"wait-window" || command == L"wait-gone") {
    if (argc < 3) return Usage();
    double seconds = argc > 3 ? _wtof(argv[3]) : 30.0;
    return WaitFor(argv[2], command == L"wait-window", seconds) ? 0 : 1;
  }
  if (command == L"dump") {
    HWND main = RequireMain();
    for (int i = 0; i < kControlCount; ++i) Print(DescribeControl(main, static_cast<ControlIndex>(i)));
    return 0;
  }
  if (command == L"get" && argc > 2) {
    Print(DescribeControl(RequireMain(), NamedControl(argv[2])));
    return 0;
  }
  if ((command == L"click" || command == L"right-click") && argc > 2) {
    HWND control = GetDlgItem(RequireMain(), ControlId(NamedControl(argv[2])));
    if (command == L"click") {
      Click(control);
    } else {
      ClickAtCentre(control, WM_RBUTTONDOWN, WM_RBUTTONUP);
    }
    return 0;
  }
  if (command == L"select" && argc > 3) {
    HWND main = RequireMain();
    ControlIndex index = NamedControl(argv[2]);
    HWND list = GetDlgItem(main, ControlId(index));
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(_wtoi(argv[3])), 0);
    // A user's choice also tells the parent; CB_SETCURSEL alone does not.
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(ControlId(index), CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return 0;
  }
  if (command == L"windows") {
    EnumWindows(PrintTopLevel, 0);
    return 0;
  }
  if (command == L"children" && argc > 2) {
    HWND window = FindWindowByTitle(argv[2]);
    if (!window) return 1;
    EnumChildWindows(window, PrintChild, 0);
    return 0;
  }
  if (command == L"press" && argc > 3) {
    HWND window = FindWindowByTitle(argv[2]);
    if (!window) return 1;
    ButtonSearch search{argv[3]};
    EnumChildWindows(window, FindButton, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return 1;
    PostMessageW(search.found, BM_CLICK, 0, 0);
    return 0;
  }
  if (command == L"close" && argc > 2) {
    HWND window = FindWindowByTitle(argv[2]);
    if (!window) return 1;
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (command == L"move" && argc > 6) {
    HWND window = FindWindowW(argv[2], nullptr);
    if (!window) return 1;
    return SetWindowPos(window, nullptr, _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]), _wtoi(argv[6]),
                        SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
  }
  if (command == L"try-open" && argc > 2) {
    auto tryOpen = [&](DWORD access) {
      HANDLE file = CreateFileW(argv[2], access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
      if (file == INVALID_HANDLE_VALUE) return false;
      CloseHandle(file);
      return true;
    };
    Print(std::string("{\"read\":") + (tryOpen(GENERIC_READ) ? "true" : "false") +
          ",\"write\":" + (tryOpen(GENERIC_WRITE) ? "true" : "false") + "}");
    return 0;
  }
  if (command == L"send" && argc > 5) {
    // Posts a message to a top-level window found by its title, hidden or not.
    HWND window = FindWindowW(nullptr, argv[2]);
    if (!window) return 1;
    PostMessageW(window, static_cast<UINT>(_wtoi(argv[3])), static_cast<WPARAM>(_wtoi(argv[4])),
                 static_cast<LPARAM>(_wtoi(argv[5])));
    return 0;
  }
  if (command == L"send-wait" && argc > 5) {
    // Sends a message and prints what the window procedure answered.
    HWND window = FindWindowW(nullptr, argv[2]);
    if (!window) return 1;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, static_cast<UINT>(_wtoi(argv[3])), static_cast<WPARAM>(_wtoi(argv[4])),
                             static_cast<LPARAM>(_wtoi(argv[5])), SMTO_ABORTIFHUNG, 30000, &result)) {
      return 1;
    }
    Print("{\"result\":" + std::to_string(static_cast<long long>(result)) + "}");
    return 0;
  }
  if (command == L"watch-class" && argc > 2) {
    // Prints every caption the visible window of that class shows, a line
    // each, until the window has come and gone (exit 0) or time runs out.
    double seconds = argc > 3 ? _wtof(argv[3]) : 60;
    DWORD deadline = GetTickCount() + static_cast<DWORD>(seconds * 1000);
    bool seen = false;
    std::wstring last;
    Print("{\"watching\":true}");  // the caller may act once this line is out
    while (static_cast<LONG>(GetTickCount() - deadline) <= 0) {
      HWND window = FindWindowW(argv[2], nullptr);
      bool visible = window && IsWindowVisible(window);
      if (visible) {
        std::wstring caption = Caption(window);
        if (!seen || caption != last) Print("{\"title\":" + Json(caption) + "}");
        seen = true;
        last = caption;
      } else if (seen) {
        return 0;
      }
      Sleep(20);
    }
    return 1;
  }
  if (command == L"tips") {
    // Every tool tip on show (the shell's tip for a notification-area icon
    // among them): a tip window answers WM_GETTEXT with the text it shows.
    struct Tips {
      static BOOL CALLBACK Each(HWND window, LPARAM) {
        if (IsWindowVisible(window) && _wcsicmp(ClassOf(window).c_str(), L"tooltips_class32") == 0) {
          Print("{\"text\":" + Json(Text(window)) + ",\"rect\":" + Rect(window) + "}");
        }
        return TRUE;
      }
    };
    EnumWindows(Tips::Each, 0);
    return 0;
  }
  if (command == L"monitors") {
    // The desktop as the system reports it: the virtual screen, then each
    // monitor with its place and whether it is the primary.
    Print("{\"virtual\":[" + std::to_string(GetSystemMetrics(SM_XVIRTUALSCREEN)) + "," +
          std::to_string(GetSystemMetrics(SM_YVIRTUALSCREEN)) + "," +
          std::to_string(GetSystemMetrics(SM_CXVIRTUALSCREEN)) + "," +
          std::to_string(GetSystemMetrics(SM_CYVIRTUALSCREEN)) + "]}");
    struct Monitors {
      static BOOL CALLBACK Each(HMONITOR monitor, HDC, LPRECT, LPARAM) {
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (!GetMonitorInfoW(monitor, &info)) return TRUE;
        const RECT& r = info.rcMonitor;
        Print("{\"monitor\":[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
              std::to_string(r.right) + "," + std::to_string(r.bottom) + "],\"primary\":" +
              ((info.dwFlags & MONITORINFOF_PRIMARY) ? "true" : "false") + "}");
        return TRUE;
      }
    };
    EnumDisplayMonitors(nullptr, nullptr, Monitors::Each, 0);
    return 0;
  }
  if (command == L"foreground") {
    HWND window = GetForegroundWindow();
    Print("{\"title\":" + Json(window ? Caption(window) : std::wstring()) + ",\"class\":" +
          Json(window ? ClassOf(window) : std::wstring()) + "}");
    return 0;
  }
  return Usage();
}
