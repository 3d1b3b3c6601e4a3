#include "app/main_window_win.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>

#include "app/app_globals.h"
#include "app/app_hooks_win.h"
#include "app/app_win.h"
#include "app/hotkey_poll.h"
#include "app/pictures_win.h"
#include "app/recording_window_win.h"
#include "common/desktop_win.h"
#include "common/gbk_win.h"
#include "common/message_pump_win.h"
#include "common/product.h"
#include "output/compose_win.h"
#include "output/preview_window_win.h"
#include "record/composer_rules.h"
#include "record/recording_win.h"
#include "select/select_entry_win.h"
#include "ui/message_box_win.h"
#include "ui/text_entry_dialog_win.h"
#include "ui/ui_win.h"

namespace movrel {
namespace {

const wchar_t kMainClass[] = L"MovrelMainWindow";
const wchar_t kSampleViewClass[] = L"MovrelSampleView";
constexpr int kClientWidth = 652;
constexpr int kClientHeight = 608;
constexpr COLORREF kLinkColour = RGB(0, 0, 204);
constexpr COLORREF kStopLinkColour = RGB(128, 0, 160);  // violet while a recording can be stopped

bool IsLink(ControlIndex i) { return Control(i).kind == ControlKind::kLink; }
bool IsPicture(ControlIndex i) { return Control(i).kind == ControlKind::kPicture; }

// Edits whose text feeds the sample frame.
bool FeedsFrame(ControlIndex i) {
  switch (i) {
    case 编辑框左边:
    case 编辑框顶边:
    case 编辑框宽度:
    case 编辑框高度:
    case 编辑框边缘距离:
    case 编辑框光标文件:
    case 编辑框图像文件:
    case 编辑框文字内容:
      return true;
    default:
      return false;
  }
}

// Controls whose settings shape the saved file, and so the preview's size
// estimate.
bool ShapesFile(ControlIndex i) {
  switch (i) {
    case 选择框精简GIF:
    case 选择框抖动:
    case 编辑框有损压缩:
    case 编辑框大小上限:
    case 组合框播放次数:
      return true;
    default:
      return false;
  }
}

std::string ColourText(COLORREF colour) {
  if (colour == kTransparentColour) return "透明色";
  char text[16];
  snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
  return text;
}

// ---- creation and layout ------------------------------------------------

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

// ---- drawing ------------------------------------------------------------

void DrawColourPicker(const DRAWITEMSTRUCT& item, COLORREF colour) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  bool enabled = !(item.itemState & ODS_DISABLED);
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | ((item.itemState & ODS_SELECTED) ? DFCS_PUSHED : 0));
  InflateRect(&r, -4, -4);
  if (colour == kTransparentColour) {
    // A crossed white swatch stands for "no colour".
    FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
    UniquePen pen(CreatePen(PS_SOLID, 1, enabled ? RGB(220, 0, 0) : GetSysColor(COLOR_GRAYTEXT)));
    SelectGuard select(dc, pen.get());
    MoveToEx(dc, r.left, r.bottom - 1, nullptr);
    LineTo(dc, r.right, r.top - 1);
  } else {
    UniqueBrush brush(CreateSolidBrush(enabled ? colour : GetSysColor(COLOR_BTNFACE)));
    FillRect(dc, &r, brush.get());
  }
  FrameRect(dc, &r, GetSysColorBrush(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  if (item.itemState & ODS_FOCUS) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -2, -2);
    DrawFocusRect(dc, &focus);
  }
}

void DrawCanvas(MainWindow& w, const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  FillRect(dc, &r, GetSysColorBrush(COLOR_APPWORKSPACE));
  if (!w.sampleBitmap) return;
  BITMAP bm{};
  if (!GetObjectW(w.sampleBitmap.get(), sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return;
  // Fit the frame into the canvas, keeping its proportions; never enlarge.
  int areaW = r.right - r.left, areaH = r.bottom - r.top;
  double scale = std::min(1.0, std::min(static_cast<double>(areaW) / bm.bmWidth, static_cast<double>(areaH) / bm.bmHeight));
  int drawW = std::max(1, static_cast<int>(bm.bmWidth * scale));
  int drawH = std::max(1, static_cast<int>(bm.bmHeight * scale));
  int x = r.left + (areaW - drawW) / 2, y = r.top + (areaH - drawH) / 2;
  UniqueMemoryDc memory(CreateCompatibleDC(dc));
  SelectGuard select(memory.get(), w.sampleBitmap.get());
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, x, y, drawW, drawH, memory.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
}

void OnDrawItem(MainWindow& w, const DRAWITEMSTRUCT& item) {
  ControlIndex index = ControlFromId(static_cast<int>(item.CtlID));
  if (index == kControlCount) return;
  bool enabled = !(item.itemState & ODS_DISABLED) && IsWindowEnabled(item.hwndItem);
  switch (Control(index).kind) {
    case ControlKind::kColourPicker:
      DrawColourPicker(item, w.pickerColours[index]);
      return;
    case ControlKind::kCanvas:
      DrawCanvas(w, item);
      return;
    case ControlKind::kPictureButton: {
      RECT r = item.rcItem;
      DrawFrameControl(item.hDC, &r, DFC_BUTTON,
                       DFCS_BUTTONPUSH | ((item.itemState & ODS_SELECTED) ? DFCS_PUSHED : 0));
      DrawCommandPicture(item.hDC, item.rcItem, CommandPicture::kRectangle, enabled, w.hovered == index);
      if (item.itemState & ODS_FOCUS) {
        InflateRect(&r, -3, -3);
        DrawFocusRect(item.hDC, &r);
      }
      return;
    }
    case ControlKind::kPicture: {
      FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
      CommandPicture picture = CommandPicture::kStart;
      if (index == 图片框开始录制) picture = w.recording ? CommandPicture::kPause : CommandPicture::kStart;
      if (index == 图片框停止录制) picture = CommandPicture::kStop;
      if (index == 图片框预览播放) picture = CommandPicture::kPreview;
      if (index == 图片框保存动画) picture = CommandPicture::kSave;
      DrawCommandPicture(item.hDC, item.rcItem, picture, enabled, w.hovered == index);
      return;
    }
    default:
      return;
  }
}

// ---- the full-size view of the sample frame -----------------------------

LRESULT CALLBACK SampleViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PaintGuard paint(window);
      HBITMAP bitmap = Main().sampleBitmap.get();
      BITMAP bm{};
      if (bitmap && GetObjectW(bitmap, sizeof bm, &bm)) {
        UniqueMemoryDc memory(CreateCompatibleDC(paint.dc()));
        SelectGuard select(memory.get(), bitmap);
        BitBlt(paint.dc(), 0, 0, bm.bmWidth, bm.bmHeight, memory.get(), 0, 0, SRCCOPY);
      }
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_CLOSE:
      SetWindowLongPtrW(window, GWLP_USERDATA, 1);  // closes the modal loop
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) SetWindowLongPtrW(window, GWLP_USERDATA, 1);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void ShowSampleFullSize(MainWindow& w) {
  BITMAP bm{};
  if (!w.sampleBitmap || !GetObjectW(w.sampleBitmap.get(), sizeof bm, &bm)) return;
  RECT frame = {0, 0, bm.bmWidth, bm.bmHeight};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const POINT at = CentredOnHome(width, height);
  HWND view = CreateWindowExW(WS_EX_TOOLWINDOW, kSampleViewClass, L"", WS_POPUP | WS_BORDER, at.x, at.y, width, height,
                              w.window, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!view) return;
  ModalLoopGuard modal;
  EnableWindow(w.window, FALSE);
  ShowWindow(view, SW_SHOW);
  SetForegroundWindow(view);
  MSG msg;
  while (GetWindowLongPtrW(view, GWLP_USERDATA) == 0) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  EnableWindow(w.window, TRUE);
  DestroyWindow(view);
  SetForegroundWindow(w.window);
}

// ---- handlers -----------------------------------------------------------

// A picked file that the recording will read whole: refused with a message
// when it cannot be read or is larger than any file of its kind.
bool AcceptPickedFile(const std::string& path, uint64_t maxBytes) {
  std::string bytes;
  const ImportRead read = ReadImportFile(path, maxBytes, &bytes);
  if (read == ImportRead::kRead) return true;
  ShowMessage(ImportRefusedText(path, read == ImportRead::kTooLarge, maxBytes), kMbIconExclamation);
  return false;
}

void OnChooseCursorFile() {
  std::vector<std::string> paths;
  if (AskOpenFile(Main().window, "选择鼠标文件(CUR)", "鼠标指针(CUR)|*.cur", false, &paths) &&
      AcceptPickedFile(paths.front(), kMaxCursorFileBytes)) {
    SetControlText(编辑框光标文件, paths.front());
  }
}

void OnChooseImageFile() {
  std::vector<std::string> paths;
  if (AskOpenFile(Main().window, "选择用作水印的图片文件",
                  "BMP图片|*.bmp|JPG图片|*.jpg|GIF图片|*.gif|PNG图片|*.png|图标(ICO)|*.ico|鼠标指针(CUR)|*.cur|"
                  "所有支持文件|*.bmp;*.jpg;*.gif;*.ico;*.cur;*.png|全部文件|*.*",
                  false, &paths) &&
      AcceptPickedFile(paths.front(), kMaxWatermarkPictureBytes)) {
    SetControlText(编辑框图像文件, paths.front());
  }
}

void OnEnterWatermarkText() {
  std::string text;
  if (TextEntryDialog("请输入水印的文字内容，可以引用 #年、#月、#日、#时、#分、#秒", "",
                      ControlText(编辑框文字内容), false, Main().window, &text)) {
    SetControlText(编辑框文字内容, text);
  }
  RefreshFramePreview();
}

void OnChooseFont() {
  MainWindow& w = Main();
  // The dialog works in the window's DPI; the stored font is at 96 DPI.
  LOGFONTW lf = w.fontDialogFont;
  lf.lfHeight = MulDiv(lf.lfHeight, static_cast<int>(w.dpi), 96);
  CHOOSEFONTW cf{};
  cf.lStructSize = sizeof cf;
  cf.hwndOwner = w.window;
  cf.lpLogFont = &lf;
  cf.rgbColors = w.fontDialogColour;
  cf.Flags = CF_SCREENFONTS | CF_EFFECTS | CF_INITTOLOGFONTSTRUCT | CF_NOVERTFONTS;
  {
    ModalLoopGuard modal;
    if (!ChooseFontW(&cf)) return;
  }
  lf.lfHeight = MulDiv(lf.lfHeight, 96, static_cast<int>(w.dpi));
  w.fontDialogFont = lf;
  w.fontDialogColour = cf.rgbColors;
  WatermarkStyle style = w.watermark;
  style.font = lf;
  style.textColour = cf.rgbColors;
  SetWatermarkStyle(style);
  RefreshFramePreview();
}

bool AskColour(HWND owner, COLORREF* colour) {
  static COLORREF custom[16] = {};
  CHOOSECOLORW cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = owner;
  cc.rgbResult = *colour == kTransparentColour ? RGB(255, 255, 255) : *colour;
  cc.lpCustColors = custom;
  cc.Flags = CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR;
  ModalLoopGuard modal;
  if (!ChooseColorW(&cc)) return false;
  *colour = cc.rgbResult;
  return true;
}

void OnColourPickerClicked(ControlIndex index) {
  MainWindow& w = Main();
  COLORREF colour = w.pickerColours[index];
  enum { kPick = 1, kTransparent = 2 };
  int choice = kPick;
  if (Control(index).allowsTransparent) {
    // A small menu under the picker: a colour of the user's choice, or none.
    HMENU menu = CreatePopupMenu();
    AppendMenuW(menu, MF_STRING, kPick, ToWide("选择颜色..").c_str());
    AppendMenuW(menu, MF_STRING | (colour == kTransparentColour ? MF_CHECKED : 0), kTransparent,
                ToWide("透明色").c_str());
    RECT r{};
    GetWindowRect(w.controls[index], &r);
    {
      ModalLoopGuard modal;  // the menu's own loop
      choice = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN, r.left, r.bottom, 0, w.window,
                              nullptr);
    }
    DestroyMenu(menu);
  }
  if (choice == kTransparent) {
    colour = kTransparentColour;
  } else if (choice != kPick || !AskColour(w.window, &colour)) {
    return;
  }
  SetPickerColour(index, colour);
  if (index == 颜色选择器文字水印背景色) {
    WatermarkStyle style = w.watermark;
    style.backColour = colour;
    SetWatermarkStyle(style);
  }
  RefreshFramePreview();
}

void OnSaveSettingsClicked() {
  // A failed save has told the user why.
  if (SaveAllSettings()) ShowMessage("保存完毕！");
}

void OnFeatureNotesClicked() {
  std::string unused;
  TextEntryDialog("", "疑点说明", FeatureNotes(), true, Main().window, &unused);
}

void OnHomePageClicked() { ShellExecuteW(Main().window, L"open", ToWide(kHomePageUrl).c_str(), nullptr, nullptr, SW_SHOWNORMAL); }

int ModifierState() {
  int state = 0;
  if (GetKeyState(VK_CONTROL) < 0) state |= 1;
  if (GetKeyState(VK_SHIFT) < 0) state |= 2;
  if (GetKeyState(VK_MENU) < 0) state |= 4;
  return state;
}

void OnCheckBoxClicked(ControlIndex index) {
  if (ShapesFile(index)) RefreshSizeEstimate();
  for (const DependentGroup& group : DependentGroups()) {
    if (group.checkBox == index) {
      RefreshDependentControls(group.refreshesPreview);
      return;
    }
  }
  if (index == 选择框跟随鼠标 || index == 选择框显示外框) UpdateFrameWindow();
}

void OnClicked(ControlIndex index) {
  switch (index) {
    case 按钮选择光标: OnChooseCursorFile(); return;
    case 按钮选择图像: OnChooseImageFile(); return;
    case 按钮输入文字: OnEnterWatermarkText(); return;
    case 按钮设置字体: OnChooseFont(); return;
    case 按钮选择帧路径: OnFrameFolderClicked(); return;
    case 超级按钮矩形: SelectRectangle(ModifierState()); return;
    case 颜色选择器图像水印透明色:
    case 颜色选择器文字水印背景色: OnColourPickerClicked(index); return;
    case 单选框标准:
    case 单选框稍逊: RefreshFramePreview(); return;
    case 显示画板: ShowSampleFullSize(Main()); return;
    case 图片框开始录制:
    case 链接开始录制: OnStartRecordingClicked(); return;
    case 图片框停止录制:
    case 链接停止录制: StopRecording(); return;
    case 图片框预览播放:
    case 链接预览播放: ShowPreviewWindow(); return;
    case 图片框保存动画:
    case 链接保存动画: ComposeAndSave(false); return;
    case 链接保存配置: OnSaveSettingsClicked(); return;
    case 链接疑点说明: OnFeatureNotesClicked(); return;
    case 链接软件主页: OnHomePageClicked(); return;
    default:
      if (Control(index).kind == ControlKind::kCheckBox) OnCheckBoxClicked(index);
      return;
  }
}

void OnListChanged(ControlIndex index) {
  if (Globals().settingsLoading) return;
  if (index == 组合框播放次数 && ListIndex(index) == kPlayCountCustomItem) OnCustomLoopCountChosen();
  if (ShapesFile(index)) RefreshSizeEstimate();
  RefreshFramePreview();
}

void OnCommand(WPARAM wParam) {
  ControlIndex index = ControlFromId(LOWORD(wParam));
  if (index == kControlCount) return;
  int code = HIWORD(wParam);
  ControlKind kind = Control(index).kind;
  if (kind == ControlKind::kEdit || kind == ControlKind::kMultiLineEdit) {
    if (code == EN_CHANGE && FeedsFrame(index) && !Globals().settingsLoading) RefreshFramePreview();
    if (code == EN_CHANGE && ShapesFile(index)) RefreshSizeEstimate();
    return;
  }
  if (kind == ControlKind::kList) {
    if (code == CBN_SELCHANGE) OnListChanged(index);
    return;
  }
  // BN_CLICKED and STN_CLICKED are both 0.
  if (code == BN_CLICKED) OnClicked(index);
}

void OnContextMenu(HWND target) {
  MainWindow& w = Main();
  if (target == w.controls[链接保存动画] || target == w.controls[图片框保存动画]) {
    if (IsWindowEnabled(target)) ComposeAndSave(true);
  } else if (target == w.controls[按钮选择帧路径]) {
    if (IsWindowEnabled(target)) OnFrameFolderRightClicked();
  }
}

bool OnSetCursor(MainWindow& w, HWND target) {
  ControlIndex index = kControlCount;
  for (int i = 0; i < kControlCount; ++i) {
    if (w.controls[i] == target) index = static_cast<ControlIndex>(i);
  }
  bool pointer = index != kControlCount && (IsLink(index) || IsPicture(index) || index == 显示画板) &&
                 IsWindowEnabled(target);
  ControlIndex hovered = pointer ? index : kControlCount;
  if (hovered != w.hovered) {
    ControlIndex old = w.hovered;
    w.hovered = hovered;
    if (old != kControlCount) InvalidateRect(w.controls[old], nullptr, FALSE);
    if (hovered != kControlCount) InvalidateRect(w.controls[hovered], nullptr, FALSE);
  }
  if (!pointer) return false;
  SetCursor(LoadCursorW(nullptr, IDC_HAND));
  return true;
}

LRESULT OnCtlColorStatic(MainWindow& w, HDC dc, HWND control) {
  ControlIndex index = ControlFromId(GetDlgCtrlID(control));
  SetBkMode(dc, TRANSPARENT);
  if (index != kControlCount && IsLink(index) && IsWindowEnabled(control)) {
    bool stop = index == 链接停止录制;
    COLORREF colour = stop ? kStopLinkColour : kLinkColour;
    if (w.hovered == index) colour = RGB(255, 0, 0);
    SetTextColor(dc, colour);
  }
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MainWindow& w = Main();
  switch (message) {
    case WM_CREATE: {
      w.window = window;
      // Windows the program opens go to the monitor that holds this one.
      SetHomeWindow(window);
      w.dpi = WindowDpi(window);
      for (const ControlSpec& row : MainControls()) w.controls[row.index] = CreateControl(window, row);
      SetPickerColour(颜色选择器图像水印透明色, w.pickerColours[颜色选择器图像水印透明色]);
      SetPickerColour(颜色选择器文字水印背景色, w.pickerColours[颜色选择器文字水印背景色]);
      AddTips(w);
      ApplyFonts(w);
      LayOut(w);
      OnMainWindowCreated();
      return 0;
    }
    case WM_COMMAND:
      // Once the shutdown has begun, a click starts nothing it would cut off.
      if (lParam && !ShuttingDown()) OnCommand(wParam);
      return 0;
    case WM_DRAWITEM:
      OnDrawItem(w, *reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_CONTEXTMENU:
      OnContextMenu(reinterpret_cast<HWND>(wParam));
      return 0;
    case WM_SETCURSOR:
      if (OnSetCursor(w, reinterpret_cast<HWND>(wParam))) return TRUE;
      break;
    case WM_CTLCOLORSTATIC:
      return OnCtlColorStatic(w, reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLOREDIT:
      if (reinterpret_cast<HWND>(lParam) == w.controls[编辑框文字内容]) {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, w.watermark.textColour);
        COLORREF back = w.watermark.backColour == kTransparentColour ? GetSysColor(COLOR_WINDOW) : w.watermark.backColour;
        SetBkColor(dc, back);
        w.watermarkBackBrush.reset(CreateSolidBrush(back));
        return reinterpret_cast<LRESULT>(w.watermarkBackBrush.get());
      }
      break;
    case WM_DPICHANGED: {
      w.dpi = HIWORD(wParam);
      ApplyFonts(w);
      LayOut(w);
      const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
      SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                   suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
      InvalidateRect(window, nullptr, TRUE);
      return 0;
    }
    case WM_CLOSE:
      OnMainWindowClose();
      return 0;
    case WM_QUERYENDSESSION:
      // A save under way (its dialog open, or its GIF being written) would
      // be cut off, the GIF half done beside its target: the session waits,
      // and the system shows the user why.
      if (ComposingAnimation()) {
        ShutdownBlockReasonCreate(window, ToWide("Movrel 正在保存动画").c_str());
        return FALSE;
      }
      ShutdownBlockReasonDestroy(window);
      return TRUE;
    case WM_ENDSESSION:
      // Logging off or shutting down: the process may be ended as soon as
      // this returns, so it ends here as the exit does, settings saved and
      // the recording's folder removed.
      if (wParam) ShutdownApplication();
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterClasses() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  wc.lpszClassName = kMainClass;
  if (!RegisterClassExW(&wc)) return false;
  WNDCLASSEXW view{};
  view.cbSize = sizeof view;
  view.lpfnWndProc = SampleViewProc;
  view.hInstance = instance;
  view.hCursor = LoadCursorW(nullptr, IDC_HAND);
  view.lpszClassName = kSampleViewClass;
  return RegisterClassExW(&view) != 0;
}

}  // namespace

MainWindow& Main() {
  static MainWindow window;
  return window;
}

bool CreateMainWindow() {
  MainWindow& w = Main();
  // The watermark font starts as 15-pixel "宋体", GB2312, normal weight.
  w.watermark.font = LOGFONTW{};
  w.watermark.font.lfHeight = -15;
  w.watermark.font.lfWeight = FW_NORMAL;
  w.watermark.font.lfCharSet = GB2312_CHARSET;
  wcscpy(w.watermark.font.lfFaceName, L"\u5b8b\u4f53");
  w.fontDialogFont = w.watermark.font;
  w.pickerColours[颜色选择器图像水印透明色] = RGB(255, 255, 255);
  w.pickerColours[颜色选择器文字水印背景色] = kTransparentColour;
  if (!RegisterClasses()) return false;

  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  UINT dpi = WindowDpi(nullptr);
  RECT frame = {0, 0, Scale(kClientWidth, dpi), Scale(kClientHeight, dpi)};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  HWND window = CreateWindowExW(0, kMainClass, ToWide(kMainWindowTitle).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
  if (!window) return false;
  // The window may have come up on a monitor of another DPI than the
  // primary one: size the client area for the DPI it actually has.
  if (w.dpi != dpi) {
    RECT client = {0, 0, Scale(kClientWidth, w.dpi), Scale(kClientHeight, w.dpi)};
    AdjustWindowRectEx(&client, style, FALSE, 0);
    SetWindowPos(window, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return true;
}

HWND ControlWindow(ControlIndex index) { return (index >= 0 && index < kControlCount) ? Main().controls[index] : nullptr; }

std::string ControlText(ControlIndex index) { return GetWindowTextGbk(ControlWindow(index)); }

void SetControlText(ControlIndex index, const std::string& text) {
  HWND control = ControlWindow(index);
  if (!control || GetWindowTextGbk(control) == text) return;  // no change event for the same text
  SetWindowTextGbk(control, text);
}

bool IsChecked(ControlIndex index) { return SendMessageW(ControlWindow(index), BM_GETCHECK, 0, 0) == BST_CHECKED; }

void SetChecked(ControlIndex index, bool checked) {
  SendMessageW(ControlWindow(index), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  // Radios are exclusive even when set from code.
  if (checked && (index == 单选框标准 || index == 单选框稍逊)) {
    ControlIndex other = index == 单选框标准 ? 单选框稍逊 : 单选框标准;
    SendMessageW(ControlWindow(other), BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

int ListIndex(ControlIndex index) { return static_cast<int>(SendMessageW(ControlWindow(index), CB_GETCURSEL, 0, 0)); }

void SetListIndex(ControlIndex index, int item) { SendMessageW(ControlWindow(index), CB_SETCURSEL, static_cast<WPARAM>(item), 0); }

std::string ListItemText(ControlIndex index, int item) {
  HWND list = ControlWindow(index);
  LRESULT n = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0);
  if (n == CB_ERR) return std::string();
  std::wstring text(static_cast<size_t>(n) + 1, L'\0');
  SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<size_t>(n));
  return ToGbk(text);
}

void SetListItemText(ControlIndex index, int item, const std::string& text) {
  HWND list = ControlWindow(index);
  int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
  if (item < 0 || item >= count) return;
  int selected = ListIndex(index);
  SendMessageW(list, CB_DELETESTRING, static_cast<WPARAM>(item), 0);
  SendMessageW(list, CB_INSERTSTRING, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(ToWide(text).c_str()));
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

bool IsControlEnabled(ControlIndex index) { return IsWindowEnabled(ControlWindow(index)) != FALSE; }

void EnableControl(ControlIndex index, bool enabled) {
  HWND control = ControlWindow(index);
  if (!control || (IsWindowEnabled(control) != FALSE) == enabled) return;
  EnableWindow(control, enabled ? TRUE : FALSE);
  InvalidateRect(control, nullptr, TRUE);
}

COLORREF PickerColour(ControlIndex index) { return Main().pickerColours[index]; }

void SetPickerColour(ControlIndex index, COLORREF colour) {
  MainWindow& w = Main();
  w.pickerColours[index] = colour;
  // The caption is not drawn, but it names the colour for accessibility
  // tools and the test probe.
  SetWindowTextGbk(w.controls[index], ColourText(colour));
  InvalidateRect(w.controls[index], nullptr, TRUE);
}

void SetWatermarkStyle(const WatermarkStyle& style) {
  MainWindow& w = Main();
  w.watermark = style;
  LOGFONTW lf = style.font;
  lf.lfHeight = MulDiv(lf.lfHeight, static_cast<int>(w.dpi), 96);
  w.watermarkFont.reset(CreateFontIndirectW(&lf));
  HWND edit = w.controls[编辑框文字内容];
  if (edit) {
    SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(w.watermarkFont.get()), TRUE);
    InvalidateRect(edit, nullptr, TRUE);
  }
}

void RefreshDependentControls(bool refreshPreview) {
  for (const DependentGroup& group : DependentGroups()) {
    // A check box switched off with its settings group (while recording)
    // keeps its dependents off too, whatever it says.
    bool enabled = IsChecked(group.checkBox) && IsControlEnabled(group.checkBox);
    for (ControlIndex dependent : group.dependents) EnableControl(dependent, enabled);
  }
  if (refreshPreview) RefreshFramePreview();
}

void ShowSampleFrame(const std::string& bmpBytes) {
  MainWindow& w = Main();
  w.sampleFrame = bmpBytes;
  w.sampleBitmap = BitmapFromBmpBytes(bmpBytes);
  InvalidateRect(w.controls[显示画板], nullptr, FALSE);
}

void SetStartPictureLook(bool recording) {
  MainWindow& w = Main();
  w.recording = recording;
  InvalidateRect(w.controls[图片框开始录制], nullptr, FALSE);
}

}  // namespace movrel
