#include "app/app_win.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/app_globals.h"
#include "app/app_hooks_win.h"
#include "app/main_window_win.h"
#include "app/message_box_win.h"
#include "app/settings_binding_win.h"
#include "app/tray_icon_win.h"
#include "app/ui_win.h"
#include "common/gbk.h"
#include "common/gbk_win.h"
#include "common/message_pump_win.h"

namespace movrel {
namespace {

std::string ProgramFolder() {
  std::wstring path(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  path.resize(n);
  size_t slash = path.find_last_of(L"\\/");
  return ToGbk(slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1));
}

}  // namespace

int AppStartup() {
  // Global objects come to life on first use.
  AppGlobals& g = Globals();
  // The taskbar tells running programs when it was re-created.
  g.taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
  // The settings file beside the program.
  g.programFolder = ProgramFolder();
  g.settingsFilePath = g.programFolder + "Movrel.ini";
  OpenSettingsStore();
  // The main window.
  if (!CreateMainWindow()) {
    ShowMessage("无法创建主窗口。", kMbIconError);
    return 1;
  }
  ShowWindow(Main().window, SW_SHOW);
  UpdateWindow(Main().window);
  // The message loop.
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(Main().window, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void OnMainWindowCreated() {
  CreateFrameWindow();
  // Loading ends with RefreshDependentControls and the sample frame.
  LoadAllSettings();
  SetStartPictureLook(false);
  ShowIdleTrayIcon();
  StartHotkeyPoller();
}

void OnMainWindowClose() {
  // The program lives on in the notification area; it ends through the
  // tray icon's exit.
  HideMainWindowToTray();
}

void ShutdownApplication() {
  CloseOutputAtExit();
  SaveAllSettings();
  ShowWindow(Main().window, SW_HIDE);
  RemoveTrayIcon();
  DeleteRecordingFolder();
  PumpPendingMessages();
  DestroyFrameWindow();
  ExitProcess(0);
}

}  // namespace movrel

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  OleInitialize(nullptr);
  int code = movrel::AppStartup();
  OleUninitialize();
  return code;
}
