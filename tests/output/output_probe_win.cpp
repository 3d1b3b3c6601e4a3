// The saving and preview end-to-end tests' probe: reads the preview window
// and its controls (by the names of the preview's control table), acts on
// them as a user's click, choice or slider move would, and reads the
// clipboard's HTML data. Output is UTF-8, one JSON object a line.
//
//   output_probe preview                  the preview window, then one line per control
//   output_probe preview-click NAME       clicks a button of the preview
//   output_probe preview-select NAME I    chooses item I of a list of the preview
//   output_probe preview-slide POSITION   moves the slider there
//   output_probe clipboard-html           the "HTML Format" data on the clipboard
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "common/gbk_win.h"
#include "output/preview_controls.h"
#include "probe_output_win.h"

using namespace movrel;

namespace {

using movrel::test::Json;
using movrel::test::Print;

std::string Text(HWND window) { return WideToUtf8(movrel::test::WindowText(window, 2000)); }

std::string Rect(const RECT& r) {
  char text[96];
  snprintf(text, sizeof text, "[%ld,%ld,%ld,%ld]", r.left, r.top, r.right, r.bottom);
  return text;
}

const char* Bool(bool b) { return b ? "true" : "false"; }

HWND Preview() { return FindWindowW(kPreviewWindowClass, nullptr); }

struct Search {
  int id;
  HWND found = nullptr;
};

BOOL CALLBACK FindById(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  if (GetDlgCtrlID(window) == search->id) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

HWND Named(HWND preview, const wchar_t* name, PreviewControl* which = nullptr) {
  std::string gbk = ToGbk(name);
  for (int i = 0; i < kPreviewControlCount; ++i) {
    auto control = static_cast<PreviewControl>(i);
    if (gbk == PreviewControlName(control)) {
      Search search{PreviewControlId(control)};
      EnumChildWindows(preview, FindById, reinterpret_cast<LPARAM>(&search));
      if (which) *which = control;
      return search.found;
    }
  }
  return nullptr;
}

std::string Describe(HWND preview, PreviewControl control) {
  Search search{PreviewControlId(control)};
  EnumChildWindows(preview, FindById, reinterpret_cast<LPARAM>(&search));
  std::string line = "{\"name\":" + Json(WideToUtf8(ToWide(PreviewControlName(control))));
  HWND handle = search.found;
  if (!handle) return line + ",\"missing\":true}";
  RECT r{};
  GetWindowRect(handle, &r);
  line += ",\"text\":" + Json(Text(handle)) + ",\"visible\":" + Bool(IsWindowVisible(handle)) +
          ",\"enabled\":" + Bool(IsWindowEnabled(handle)) + ",\"rect\":" + Rect(r);
  wchar_t cls[64] = {};
  GetClassNameW(handle, cls, 64);
  if (_wcsicmp(cls, L"Button") == 0) {
    // The two-state buttons keep their state in their user data.
    line += std::string(",\"on\":") + Bool(GetWindowLongPtrW(handle, GWLP_USERDATA) != 0);
  } else if (_wcsicmp(cls, TRACKBAR_CLASSW) == 0) {
    line += ",\"position\":" + std::to_string(SendMessageW(handle, TBM_GETPOS, 0, 0)) +
            ",\"minimum\":" + std::to_string(SendMessageW(handle, TBM_GETRANGEMIN, 0, 0)) +
            ",\"maximum\":" + std::to_string(SendMessageW(handle, TBM_GETRANGEMAX, 0, 0)) +
            ",\"selection\":[" + std::to_string(SendMessageW(handle, TBM_GETSELSTART, 0, 0)) + "," +
            std::to_string(SendMessageW(handle, TBM_GETSELEND, 0, 0)) + "]";
  } else if (_wcsicmp(cls, L"ComboBox") == 0) {
    line += ",\"selected\":" + std::to_string(SendMessageW(handle, CB_GETCURSEL, 0, 0)) + ",\"items\":[";
    LRESULT count = SendMessageW(handle, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
      wchar_t item[256];
      LRESULT n = SendMessageW(handle, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
      line += (i ? "," : "") + Json(WideToUtf8(std::wstring(item, static_cast<size_t>(n > 0 ? n : 0))));
    }
    line += "]";
  }
  return line + "}";
}

int Fail(const char* why) {
  fprintf(stderr, "%s\n", why);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"clipboard-html") {
    UINT format = RegisterClipboardFormatW(L"HTML Format");
    if (!OpenClipboard(nullptr)) return Fail("clipboard busy");
    std::string data;
    bool present = false;
    if (HANDLE block = GetClipboardData(format)) {
      present = true;
      if (const char* p = static_cast<const char*>(GlobalLock(block))) {
        data.assign(p, GlobalSize(block));
        GlobalUnlock(block);
      }
    }
    CloseClipboard();
    size_t zero = data.find('\0');
    Print(std::string("{\"present\":") + Bool(present) + ",\"terminated\":" + Bool(zero != std::string::npos) +
          ",\"data\":" + Json(data.substr(0, zero)) + "}");
    return 0;
  }
  HWND preview = Preview();
  if (!preview) return Fail("no preview window");
  if (command == L"preview") {
    RECT r{}, client{};
    GetWindowRect(preview, &r);
    GetClientRect(preview, &client);
    LONG style = GetWindowLongW(preview, GWL_STYLE);
    Print("{\"title\":" + Json(Text(preview)) + ",\"rect\":" + Rect(r) + ",\"client\":" + Rect(client) +
          ",\"visible\":" + Bool(IsWindowVisible(preview)) + ",\"maximized\":" + Bool(IsZoomed(preview)) +
          ",\"caption\":" + Bool((style & WS_CAPTION) == WS_CAPTION) + ",\"owner_is_main\":" +
          Bool(GetWindow(preview, GW_OWNER) != nullptr) + "}");
    for (int i = 0; i < kPreviewControlCount; ++i) Print(Describe(preview, static_cast<PreviewControl>(i)));
    return 0;
  }
  if (command == L"preview-click" && argc > 2) {
    HWND button = Named(preview, argv[2]);
    if (!button) return Fail("no such control");
    PostMessageW(button, BM_CLICK, 0, 0);
    return 0;
  }
  if (command == L"preview-select" && argc > 3) {
    HWND list = Named(preview, argv[2]);
    if (!list) return Fail("no such control");
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(_wtoi(argv[3])), 0);
    // A user's choice also tells the parent; CB_SETCURSEL alone does not.
    PostMessageW(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
    return 0;
  }
  if (command == L"preview-slide" && argc > 2) {
    HWND slider = Named(preview, L"滑块条");
    if (!slider) return Fail("no slider");
    int position = _wtoi(argv[2]);
    SendMessageW(slider, TBM_SETPOS, TRUE, position);
    PostMessageW(GetParent(slider), WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                 reinterpret_cast<LPARAM>(slider));
    return 0;
  }
  fprintf(stderr, "usage: output_probe preview|preview-click|preview-select|preview-slide|clipboard-html ...\n");
  return 2;
}
