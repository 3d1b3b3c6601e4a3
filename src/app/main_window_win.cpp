// The main window itself: its window procedure, its class and creation, and
// the state behind the accessors of main_window_win.h. What it calls for its
// controls lives in the files main_window_internal_win.h names.
#include "app/main_window_win.h"

#include <cstring>

#include "app/app_win.h"
#include "app/main_window_internal_win.h"
#include "app/pictures_win.h"
#include "common/desktop_win.h"
#include "common/gbk_win.h"
#include "output/compose_win.h"
#include "record/composer_rules.h"
#include "record/composer_win.h"
#include "record/recorder.h"
#include "ui/ui_win.h"
#include "ui/window_win.h"

namespace movrel {
namespace main_window {
namespace {

const wchar_t kMainClass[] = L"MovrelMainWindow";
constexpr int kClientWidth = 652;
constexpr int kClientHeight = 636;

std::string ColourText(COLORREF colour) {
  if (colour == kTransparentColour) return "透明色";
  char text[16];
  snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(colour), GetGValue(colour), GetBValue(colour));
  return text;
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
  return RegisterWindowClass({kMainClass, CS_HREDRAW | CS_VREDRAW, IDC_ARROW, COLOR_BTNFACE, true}, MainWindowProc);
}

}  // namespace
}  // namespace main_window

using main_window::ColourText;
using main_window::kClientHeight;
using main_window::kClientWidth;
using main_window::kMainClass;
using main_window::RegisterClasses;

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

void RefreshFramePreview() {
  // While a recording runs or is paused, the composer's prepared state and
  // the group caption are the recording's; a preview would release the one
  // and overwrite the other.
  RecordingContext& recording = *Main().recording;
  if (recording.state.Underway()) return;
  ShowSampleFrame(ComposeFrame(recording.composer, true));
}

void ShowSampleFrame(const std::string& bmpBytes) {
  MainWindow& w = Main();
  w.sampleFrame = bmpBytes;
  w.sampleBitmap = BitmapFromBmpBytes(bmpBytes);
  InvalidateRect(w.controls[显示画板], nullptr, FALSE);
}

void SetStartPictureLook(bool recording) {
  MainWindow& w = Main();
  w.recordingLook = recording;
  InvalidateRect(w.controls[图片框开始录制], nullptr, FALSE);
}

}  // namespace movrel
