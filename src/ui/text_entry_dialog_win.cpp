#include "ui/text_entry_dialog_win.h"

#include <vector>

#include "common/desktop_win.h"
#include "common/gbk_win.h"
#include "ui/dialog_rules.h"
#include "ui/message_box_win.h"
#include "ui/ui_win.h"
#include "ui/window_win.h"

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

const WindowClass kDialogClass = {L"MovrelTextEntryDialog", 0, IDC_ARROW, COLOR_BTNFACE, true};
const char kImportFilter[] = "文本文本|*.txt;*.text;*.ini;*.htn;*.html|全部文件|*.*";

struct DialogState : Window {
  ~DialogState() override { Destroy(); }
  bool Open(const std::wstring& caption, DWORD style, int x, int y, int width, int height, HWND parent) {
    return Create(kDialogClass, WS_EX_DLGMODALFRAME, caption, style, x, y, width, height, parent);
  }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  std::string startText;
  bool readOnly = false;
  bool done = false;
  bool accepted = false;
  std::string result;
  HWND edit = nullptr;
  UniqueFont font;
};

bool dialogOpen = false;

std::string EditText(DialogState* s) { return GetWindowTextGbk(s->edit); }
void SetEditText(DialogState* s, const std::string& text) { SetWindowTextGbk(s->edit, text); }

void Import(DialogState* s, bool contents) {
  std::string title = std::string("选择多个文件，将导入其") + (contents ? "文件内容" : "文件路径");
  std::string text = EditText(s);
  if (!contents) {
    std::vector<std::string> paths;
    if (!AskOpenFile(s->handle(), title, kImportFilter, true, &paths)) return;
    for (const std::string& path : paths) AppendImportedItem(&text, path);
    SetEditText(s, text);
    return;
  }
  // The contents are read by the path as the system names it: only the text
  // goes into the window.
  std::vector<FilePath> files;
  if (!AskOpenFiles(s->handle(), title, kImportFilter, true, &files)) return;
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

LRESULT DialogState::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  DialogState* s = this;
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED) OnCommand(s, LOWORD(wParam));
      return 0;
    case WM_CLOSE:
      TryClose(s);
      return 0;
    case WM_CTLCOLORSTATIC:
      // The read-only text keeps a white page, easier to read than grey.
      if (reinterpret_cast<HWND>(lParam) == s->edit) {
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
      }
      break;
  }
  return Default(message, wParam, lParam);
}

HWND AddChild(DialogState* s, const wchar_t* cls, const std::string& text, DWORD style, int id, RECT place,
              UINT dpi) {
  HWND child = CreateWindowExW(cls == std::wstring(L"EDIT") ? WS_EX_CLIENTEDGE : 0, cls, ToWide(text).c_str(),
                               WS_CHILD | WS_VISIBLE | style, Scale(place.left, dpi), Scale(place.top, dpi),
                               Scale(place.right, dpi), Scale(place.bottom, dpi), s->handle(),
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(s->font.get()), FALSE);
  return child;
}

}  // namespace

bool TextEntryDialog(const std::string& prompt, const std::string& caption, const std::string& text, bool readOnly,
                     HWND parent, std::string* result) {
  if (dialogOpen) return false;
  dialogOpen = true;

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

  if (!s.Open(ToWide(MessageCaption(caption)), style, x, y, width, height, parent)) {
    dialogOpen = false;
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

  ShowWindow(s.handle(), SW_SHOW);
  SetForegroundWindow(s.handle());
  SetFocus(s.edit);
  if (!readOnly) SendMessageW(s.edit, EM_SETSEL, 0, 0);

  // Modal: the owner is disabled until the dialog has closed.
  ModalLoopOptions options;
  options.filter = [&s](MSG& msg) {
    // Enter in the multi-line text makes a line; Escape closes.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE && GetAncestor(msg.hwnd, GA_ROOT) == s.handle()) {
      TryClose(&s);
      return true;
    }
    return IsDialogMessageW(s.handle(), &msg) != FALSE;
  };
  RunModalLoop(parent, [&s] { return s.done || !s.handle(); }, options);
  s.Destroy();
  if (parent) SetForegroundWindow(parent);
  dialogOpen = false;
  if (s.accepted && result) *result = s.result;
  return s.accepted;
}

}  // namespace movrel
