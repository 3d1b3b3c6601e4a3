#include "app/app_win.h"

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/app_globals.h"
#include "app/app_hooks_win.h"
#include "app/main_window_win.h"
#include "app/main_window_output_view_win.h"
#include "app/main_window_recording_view_win.h"
#include "app/main_window_selection_view_win.h"
#include "app/settings_binding_win.h"
#include "app/tray_icon_win.h"
#include "common/file_path_win.h"
#include "common/gbk.h"
#include "common/gbk_win.h"
#include "common/message_pump_win.h"
#include "output/compose_win.h"
#include "record/folders_win.h"
#include "record/recording_win.h"
#include "select/select_entry_win.h"
#include "ui/message_box_win.h"
#include "ui/ui_win.h"

namespace movrel {
namespace {

// The program's folder as the system names it, ending in "\".
FilePath ProgramFolder() {
  std::wstring path(32768, L'\0');
  DWORD n = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
  path.resize(n < path.size() ? n : 0);
  return FilePathFromWide(path).FolderPart();
}

}  // namespace

int AppStartup() {
  // The recording lives as long as the program; the windows are handed it.
  RecordingContext recording;
  RecordingController recorder(recording);
  Main().recording = &recording;
  Main().recorder = &recorder;
  // Global objects come to life on first use.
  AppGlobals& g = Globals();
  // The taskbar tells running programs when it was re-created.
  g.taskbarCreatedMessage = RegisterWindowMessageW(L"TaskbarCreated");
  // The settings file beside the program.
  const FilePath programFolder = ProgramFolder();
  g.programFolderPath = programFolder;
  g.programFolder = programFolder.Gbk();
  g.settingsFilePath = programFolder.Plus(u"Movrel.ini");
  // Recording folders that crashed or killed copies left behind.
  RemoveStaleRecordingFoldersInBackground(SystemTempFolder());
  OpenSettingsStore();
  // The subsystems' view of the main window, before it exists.
  ConnectRecordingView();
  ConnectOutputView();
  ConnectSelectionView();
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
  RemoveLeftoverCopiesAtStart();
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

namespace {
bool shuttingDown = false;
}  // namespace

bool ShuttingDown() { return shuttingDown; }

void ShutdownApplication() {
  // Saving pumps window events, and a message box may be up: a second exit
  // request meanwhile must not end the process under the first.
  if (shuttingDown) return;
  shuttingDown = true;
  // The recording stops before anything else: its timer would otherwise go
  // on ticking through the saving's pumps and the failure message, put the
  // icon back after it was removed and write frames into the folder that is
  // being deleted.
  Main().recorder->StopRecording();
  CloseOutputAtExit();
  SaveAllSettings();
  ShowWindow(Main().window, SW_HIDE);
  RemoveTrayIcon();
  Main().recorder->DeleteRecordingFolder();
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
