// The main window's controls: made from the control table, given their
// fonts and tips, and placed at the window's DPI.
#include "app/main_window_internal_win.h"

#include <commctrl.h>

#include "common/gbk_win.h"
#include "ui/ui_win.h"

namespace movrel {
namespace main_window {

HWND CreateControl(HWND parent, const ControlSpec& row) {
  const wchar_t* cls = L"STATIC";
  DWORD style = WS_CHILD | (row.visible ? WS_VISIBLE : 0);
  DWORD exStyle = 0;
  // Every control but the second radio button starts a group, so the two
  // quality radios form one group of their own.
  if (row.index != 单选框稍逊) style |= WS_GROUP;
  switch (row.kind) {
    case ControlKind::kGroupBox:
      cls = L"BUTTON";
      style |= BS_GROUPBOX;
      break;
    case ControlKind::kLabel:
      style |= SS_LEFT;
      break;
    case ControlKind::kCheckBox:
      cls = L"BUTTON";
      style |= BS_AUTOCHECKBOX | WS_TABSTOP;
      break;
    case ControlKind::kRadio:
      cls = L"BUTTON";
      style |= BS_AUTORADIOBUTTON | WS_TABSTOP;
      break;
    case ControlKind::kEdit:
      cls = L"EDIT";
      style |= ES_AUTOHSCROLL | WS_TABSTOP;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case ControlKind::kMultiLineEdit:
      cls = L"EDIT";
      style |= ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP;
      exStyle |= WS_EX_CLIENTEDGE;
      break;
    case ControlKind::kList:
      cls = L"COMBOBOX";
      style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
      break;
    case ControlKind::kButton:
      cls = L"BUTTON";
      style |= BS_PUSHBUTTON | WS_TABSTOP;
      break;
    case ControlKind::kPictureButton:
    case ControlKind::kColourPicker:
      cls = L"BUTTON";
      style |= BS_OWNERDRAW | WS_TABSTOP;
      break;
    case ControlKind::kCanvas:
      style |= SS_OWNERDRAW | SS_NOTIFY;
      if (row.visible) exStyle |= WS_EX_STATICEDGE;
      break;
    case ControlKind::kPicture:
      style |= SS_OWNERDRAW | SS_NOTIFY;
      break;
    case ControlKind::kLink:
      style |= SS_LEFT | SS_NOTIFY;
      break;
  }
  HWND control = CreateWindowExW(exStyle, cls, ToWide(row.caption ? row.caption : "").c_str(), style, 0, 0, 0, 0,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(row.index))),
                                 GetModuleHandleW(nullptr), nullptr);
  if (!control) return nullptr;
  if (row.kind == ControlKind::kList) {
    for (const char* item : row.items) SendMessageW(control, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(item).c_str()));
    SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(row.initialIndex), 0);
  }
  if (row.kind == ControlKind::kCheckBox || row.kind == ControlKind::kRadio) {
    SendMessageW(control, BM_SETCHECK, row.initialIndex ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  if (!row.initiallyEnabled) EnableWindow(control, FALSE);
  return control;
}

void ApplyFonts(MainWindow& w) {
  w.uiFont = CreateUiFont(w.dpi);
  w.linkFont = CreateUiFont(w.dpi, true);
  for (int i = 0; i < kControlCount; ++i) {
    auto index = static_cast<ControlIndex>(i);
    if (index == 编辑框文字内容) continue;
    HFONT font = IsLink(index) ? w.linkFont.get() : w.uiFont.get();
    SendMessageW(w.controls[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  SetWatermarkStyle(w.watermark);  // recreates the edit's font at this DPI
}

void LayOut(MainWindow& w) {
  HDWP defer = BeginDeferWindowPos(kControlCount);
  for (const ControlSpec& row : MainControls()) {
    const ControlPlace& p = row.place;
    HWND control = w.controls[row.index];
    if (!control) continue;
    if (defer) {
      defer = DeferWindowPos(defer, control, nullptr, Scale(p.x, w.dpi), Scale(p.y, w.dpi), Scale(p.width, w.dpi),
                             Scale(p.height, w.dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  if (defer) EndDeferWindowPos(defer);
  // Drop-down lists size their closed box from the font; keep the edits of
  // the same row level with them.
  SendMessageW(w.tooltip, TTM_SETMAXTIPWIDTH, 0, Scale(320, w.dpi));
}

void AddTips(MainWindow& w) {
  w.tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, w.window, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  if (!w.tooltip) return;
  for (const ControlSpec& row : MainControls()) {
    if (!row.tip) continue;
    std::wstring tip = ToWide(row.tip);
    TOOLINFOW ti{};
    ti.cbSize = sizeof ti;
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = w.window;
    ti.uId = reinterpret_cast<UINT_PTR>(w.controls[row.index]);
    ti.lpszText = &tip[0];
    SendMessageW(w.tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  }
}

}  // namespace main_window
}  // namespace movrel
