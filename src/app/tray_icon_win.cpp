#include "app/tray_icon_win.h"

#include <shellapi.h>

#include <cwchar>

#include "app/app_globals.h"
#include "app/app_win.h"
#include "app/main_window_win.h"
#include "common/gbk_win.h"
#include "common/handle_win.h"
#include "output/compose_win.h"
#include "ui/message_box_win.h"

namespace movrel {
namespace {

constexpr UINT kTrayIconId = 1;

struct TrayIcon {
  // What the shell was last given, kept for the re-add after a restart of
  // the taskbar (its icon and tip are always the current ones).
  NOTIFYICONDATAW data{};
  std::string icoBytes;
  std::string tip;
  // The shell copies the icon it is given, so the program keeps only the
  // current one and destroys the one it replaces.
  UniqueIcon icon;
  std::string iconMadeFrom;
  WNDPROC previousProc = nullptr;  // set while the main window is subclassed
  HWND window = nullptr;
  void (*handler)(UINT) = nullptr;
  bool shown = false;
  bool added = false;   // the shell accepted the icon
  bool asking = false;  // the exit question is open
};

TrayIcon& Tray() {
  static TrayIcon tray = [] {
    TrayIcon t;
    t.icoBytes = TrayStateIcon(TrayState::kIdle);
    t.tip = TrayStateTip(TrayState::kIdle);
    return t;
  }();
  return tray;
}

bool Notify(DWORD command, const NOTIFYICONDATAW& data) {
  NOTIFYICONDATAW copy = data;
  return Shell_NotifyIconW(command, &copy) != FALSE;
}

void ShowCurrentContent(TrayIcon& t);

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  TrayIcon& t = Tray();
  WNDPROC previous = t.previousProc;
  if (message == WM_DESTROY) {
    RemoveTray();
    return CallWindowProcW(previous, window, message, wParam, lParam);
  }
  if (message == kTrayCallbackMessage) {
    if (t.handler) t.handler(static_cast<UINT>(lParam));
    return 0;
  }
  // A new taskbar knows no icons: give it ours again, with the current
  // state's image and tip (not while Alt+F12 keeps it hidden).
  if (message != 0 && message == Globals().taskbarCreatedMessage && !Globals().trayHidden) {
    t.added = Notify(NIM_ADD, t.data);
    ShowCurrentContent(t);
  }
  return CallWindowProcW(previous, window, message, wParam, lParam);
}

void AddIcon(TrayIcon& t) {
  HWND window = Main().window;
  if (!window || t.previousProc) return;
  auto previous = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TrayWindowProc)));
  if (!previous) return;  // not subclassed: the icon's messages would find no handler
  t.previousProc = previous;
  t.window = window;
  t.handler = OnTrayMouse;
  t.data = NOTIFYICONDATAW{};
  t.data.cbSize = NOTIFYICONDATAW_V2_SIZE;
  t.data.hWnd = window;
  t.data.uID = kTrayIconId;
  t.data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  t.data.uCallbackMessage = kTrayCallbackMessage;
  // The state's image once it has been made (the icon comes back after
  // Alt+F12 with the picture it had); before that the window's own small
  // icon stands in until the state's image is set.
  auto small = reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, ICON_SMALL, 0));
  if (!small) small = reinterpret_cast<HICON>(GetClassLongPtrW(window, GCLP_HICONSM));
  t.data.hIcon = t.icon ? t.icon.get() : small;
  t.added = Notify(NIM_ADD, t.data);
}

void ApplyImage(TrayIcon& t) {
  if (!t.icon || t.iconMadeFrom != t.icoBytes) {
    UniqueIcon made(IconFromIcoBytes(t.icoBytes, 0));
    if (!made) return;  // unusable bytes: the icon keeps its image
    t.data.hIcon = made.get();
    t.icon = std::move(made);
    t.iconMadeFrom = t.icoBytes;
  }
  NOTIFYICONDATAW change = t.data;
  change.uFlags = NIF_ICON;
  Notify(NIM_MODIFY, change);
}

void ApplyTip(TrayIcon& t) {
  std::wstring tip = ToWide(TrayTipText(t.tip));
  const size_t capacity = sizeof t.data.szTip / sizeof t.data.szTip[0];
  wcsncpy(t.data.szTip, tip.c_str(), capacity - 1);
  t.data.szTip[capacity - 1] = L'\0';
  NOTIFYICONDATAW change = t.data;
  change.uFlags = NIF_TIP;
  Notify(NIM_MODIFY, change);
}

void ShowCurrentContent(TrayIcon& t) {
  ApplyImage(t);
  ApplyTip(t);
}

}  // namespace

HICON IconFromIcoBytes(const std::string& ico, int index) {
  IcoImage image;
  if (!FindIcoImage(ico, index, &image)) return nullptr;
  std::string bits = ico.substr(image.offset, image.size);
  // At the image's own size: the plain CreateIconFromResource would stretch
  // it to the large icon size first and the shell would shrink it again.
  return CreateIconFromResourceEx(reinterpret_cast<PBYTE>(&bits[0]), static_cast<DWORD>(bits.size()), TRUE,
                                  0x00030000, image.width, image.height, LR_DEFAULTCOLOR);
}

void SetTrayContent(const std::string& icoBytes, const std::string& tip) {
  TrayIcon& t = Tray();
  t.icoBytes = icoBytes;
  t.tip = tip;
}

void SetTrayState(TrayState state) {
  SetTrayContent(TrayStateIcon(state), TrayStateTip(state));
  UpdateTrayIcon();
}

void UpdateTrayIcon() {
  TrayIcon& t = Tray();
  if (Globals().trayHidden) {
    if (t.shown) RemoveTray();
    t.shown = false;
    return;
  }
  if (!t.shown) {
    AddIcon(t);
  } else if (!t.added) {
    // The shell was not there when the icon was added (or refused it):
    // try again rather than leave the program without its icon.
    t.added = Notify(NIM_ADD, t.data);
  }
  if (!t.previousProc) return;  // no main window to attach the icon to yet
  ShowCurrentContent(t);
  t.shown = true;
}

void RemoveTray() {
  TrayIcon& t = Tray();
  if (t.previousProc) {
    SetWindowLongPtrW(t.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(t.previousProc));
    t.previousProc = nullptr;
  }
  t.handler = nullptr;
  if (t.data.hWnd) Notify(NIM_DELETE, t.data);
  t.added = false;
  t.shown = false;
}

bool TrayIconShown() {
  const TrayIcon& t = Tray();
  return t.shown && t.added;
}

namespace {

constexpr const char kExitWhileSavingText[] = "正在保存动画，请等保存完成后再退出。";

// The user asks to end the program: asked first, and refused while a save
// is under way (its dialog open, or its GIF being written), which an exit
// would cut off, the GIF half done beside its target.
void RequestExit() {
  if (ShuttingDown()) return;
  if (ComposingAnimation()) {
    ShowMessage(kExitWhileSavingText, kMbOk | kMbIconExclamation);
    return;
  }
  if (ShowMessage("确定要退出 Movrel 吗？", kMbOkCancel | kMbIconQuestion) != kResultOk) return;
  // A save may have begun while the question was open.
  if (ComposingAnimation()) {
    ShowMessage(kExitWhileSavingText, kMbOk | kMbIconExclamation);
    return;
  }
  ShutdownApplication();
}

}  // namespace

void HideMainWindowToTray() {
  if (TrayIconShown()) {
    ShowWindow(Main().window, SW_HIDE);
    return;
  }
  RequestExit();
}

void OnTrayMouse(UINT mouseMessage) {
  HWND main = Main().window;
  if (mouseMessage == WM_LBUTTONDOWN) {
    bool show = !IsWindowVisible(main);
    ShowWindow(main, show ? SW_SHOW : SW_HIDE);
    if (show) BringWindowToFront(main);
  } else if (mouseMessage == WM_RBUTTONDOWN) {
    // One question at a time: further right clicks while it is open do
    // nothing.
    TrayIcon& t = Tray();
    if (t.asking) return;
    t.asking = true;
    RequestExit();
    t.asking = false;
  }
}

}  // namespace movrel
