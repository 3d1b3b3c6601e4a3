#include "ui/text_entry_dialog_win.h"

#include <vector>

#include "common/desktop_win.h"
#include "common/gbk_win.h"
#include "ui/dialog_rules.h"
#include "ui/message_box_win.h"
#include "ui/modal_loop.h"
#include "ui/ui_win.h"

namespace movrel {
namespace {

enum ButtonId {
  kIdPrompt = 100,
  kIdText,
  kIdOk = IDOK,
  kIdClose = IDCANCEL,
  kIdClear = 110,
  kIdPaste,
  kIdRestore,
  kIdImportContents,
  kIdImportPaths,
};

struct ButtonRow {
  int id;
  const char* caption;
  RECT place;  // left, top, width, height at 96 DPI
  bool entryOnly;
};

const ButtonRow kButtons[] = {
    {kIdClear, "清空(&L)", {10, 330, 70, 26}, true},
    {kIdPaste, "粘贴(&V)", {84, 330, 70, 26}, true},
    {kIdRestore, "还原(&R)", {158, 330, 70, 26}, true},
    {kIdImportContents, "导入文件内容(&I)", {232, 330, 120, 26}, true},
    {kIdImportPaths, "导入文件路径(&P)", {356, 330, 120, 26}, true},
    {kIdOk, "确定(&O)", {316, 364, 96, 26}, true},
    {kIdClose, "关闭(&C)", {416, 364, 96, 26}, false},
};

const wchar_t kClassName[] = L"MovrelTextEntryDialog";
const char kImportFilter[] = "文本文本|*.txt;*.text;*.ini;*.htn;*.html|全部文件|*.*";

struct DialogState {
  std::string startText;
  bool readOnly = false;
  bool done = false;
  bool accepted = false;
  std::string result;
  HWND window = nullptr;
  HWND edit = nullptr;
  UniqueFont font;
};

bool g_dialogOpen = false;

std::string EditText(DialogState* s) { return GetWindowTextGbk(s->edit); }
void SetEditText(DialogState* s, const std::string& text) { SetWindowTextGbk(s->edit, text); }

void Import(DialogState* s, bool contents) {
  std::string title = std::string("选择多个文件，将导入其") + (contents ? "文件内容" : "文件路径");
  std::string text = EditText(s);
  if (!contents) {
    std::vector<std::string> paths;
    if (!AskOpenFile(s->window, title, kImportFilter, true, &paths)) return;
    for (const std::string& path : paths) AppendImportedItem(&text, path);
    SetEditText(s, text);
    return;
  }
  // The contents are read by the path as the system names it: only the text
  // goes into the window.
  std::vector<FilePath> files;
  if (!AskOpenFiles(s->window, title, kImportFilter, true, &files)) return;
  for (const FilePath& file : files) {
    // The whole text, imported files included, stays within the limit.
    const uint64_t room = text.size() < kMaxImportedTextBytes ? kMaxImportedTextBytes - text.size() : 0;
    std::string bytes;
    const ImportRead read = ReadFileWithin(file, room, &bytes);
    if (read == ImportRead::kRead) {
      AppendImportedItem(&text, ImportedFileText(bytes));
    } else {
      ShowMessage(ImportRefusedText(file.Gbk(), read == ImportRead::kTooLarge, kMaxImportedTextBytes),
                  kMbIconExclamation);
    }
  }
  SetEditText(s, text);
}

// Closing without accepting: an edited text asks first.
void TryClose(DialogState* s) {
  if (!s->readOnly && EditText(s) != s->startText) {
    if (ShowMessage("内容已被改动，是否要放弃？", kMbYesNo | kMbIconQuestion) != kResultYes) return;
  }
  s->done = true;
}

void OnCommand(DialogState* s, int id) {
  switch (id) {
    case kIdOk:
      if (s->readOnly) {
        s->done = true;
        return;
      }
      s->result = EditText(s);
      s->accepted = true;
      s->done = true;
      return;
    case kIdClose:
      TryClose(s);
      return;
    case kIdClear:
      SetEditText(s, "");
      return;
    case kIdPaste:
      SendMessageW(s->edit, WM_PASTE, 0, 0);
      return;
    case kIdRestore:
      if (s->startText.empty()) {
        ShowMessage("启动值为空！");
      } else {
        SetEditText(s, s->startText);
      }
      return;
    case kIdImportContents:
      Import(s, true);
      return;
    case kIdImportPaths:
      Import(s, false);
      return;
  }
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* s = reinterpret_cast<DialogState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE: {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_COMMAND:
      if (s && HIWORD(wParam) == BN_CLICKED) OnCommand(s, LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      if (s) TryClose(s);
      return 0;
    case WM_CTLCOLORSTATIC:
      // The read-only text keeps a white page, easier to read than grey.
      if (s && reinterpret_cast<HWND>(lParam) == s->edit) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterDialogClass() {
  static bool registered = false;
  if (registered) return;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DialogProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
  wc.lpszClassName = kClassName;
  registered = RegisterClassExW(&wc) != 0;
}

HWND AddChild(DialogState* s, const wchar_t* cls, const std::string& text, DWORD style, int id, RECT place,
              UINT dpi) {
  HWND child = CreateWindowExW(cls == std::wstring(L"EDIT") ? WS_EX_CLIENTEDGE : 0, cls, ToWide(text).c_str(),
                               WS_CHILD | WS_VISIBLE | style, Scale(place.left, dpi), Scale(place.top, dpi),
                               Scale(place.right, dpi), Scale(place.bottom, dpi), s->window,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(s->font.get()), FALSE);
  return child;
}

}  // namespace

bool TextEntryDialog(const std::string& prompt, const std::string& caption, const std::string& text, bool readOnly,
                     HWND parent, std::string* result) {
  if (g_dialogOpen) return false;
  g_dialogOpen = true;
  ModalLoopGuard modal;
  RegisterDialogClass();

  DialogState s;
  s.startText = text;
  s.readOnly = readOnly;

  UINT dpi = WindowDpi(parent);
  RECT frame = {0, 0, Scale(522, dpi), Scale(400, dpi)};
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  // Over a visible owner on its own monitor, else on the home monitor.
  POINT at = CentredOnHome(width, height);
  RECT owner{};
  if (parent && IsWindowVisible(parent) && GetWindowRect(parent, &owner)) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (GetMonitorInfoW(MonitorFromWindow(parent, MONITOR_DEFAULTTONEAREST), &monitor)) {
      at = CentredOn(ToDesktopBox(owner), width, height, ToDesktopBox(monitor.rcWork));
    }
  }
  const int x = at.x, y = at.y;

  s.window = CreateWindowExW(WS_EX_DLGMODALFRAME, kClassName, ToWide(MessageCaption(caption)).c_str(), style, x, y,
                             width, height, parent, nullptr, GetModuleHandleW(nullptr), &s);
  if (!s.window) {
    g_dialogOpen = false;
    return false;
  }
  s.font = CreateUiFont(dpi);
  AddChild(&s, L"STATIC", TextEntryPrompt(prompt, readOnly), SS_LEFT, kIdPrompt, {10, 8, 500, 18}, dpi);
  DWORD editStyle = WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
  if (readOnly) editStyle |= ES_READONLY;
  s.edit = AddChild(&s, L"EDIT", text, editStyle, kIdText, {10, 30, 502, 290}, dpi);
  for (const ButtonRow& b : kButtons) {
    if (readOnly && b.entryOnly) continue;
    const char* label = (readOnly && b.id == kIdClose) ? "关闭(&G)" : b.caption;
    AddChild(&s, L"BUTTON", label, WS_TABSTOP | (b.id == kIdOk ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), b.id, b.place,
             dpi);
  }

  // Modal: the owner is disabled until the dialog has closed.
  bool ownerWasEnabled = parent && IsWindowEnabled(parent);
  if (ownerWasEnabled) EnableWindow(parent, FALSE);
  ShowWindow(s.window, SW_SHOW);
  SetForegroundWindow(s.window);
  SetFocus(s.edit);
  if (!readOnly) SendMessageW(s.edit, EM_SETSEL, 0, 0);

  MSG msg;
  bool quit = false;
  while (!s.done) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      quit = got == 0;
      break;
    }
    // Enter in the multi-line text makes a line; Escape closes.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && GetAncestor(msg.hwnd, GA_ROOT) == s.window) {
      TryClose(&s);
      continue;
    }
    if (!IsDialogMessageW(s.window, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  if (ownerWasEnabled) EnableWindow(parent, TRUE);
  DestroyWindow(s.window);
  if (parent) SetForegroundWindow(parent);
  if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
  g_dialogOpen = false;
  if (s.accepted && result) *result = s.result;
  return s.accepted;
}

}  // namespace movrel
