#include "app/hotkey_poller_win.h"

#include "app/app_globals.h"
#include "app/app_win.h"
#include "app/main_window_win.h"
#include "app/tray_icon_win.h"
#include "common/message_pump_win.h"
#include "record/optimize_win.h"
#include "record/recording_win.h"
#include "select/select_entry_win.h"

namespace movrel {
namespace {

const wchar_t kHandOverClass[] = L"MovrelHotkeyHandOver";
constexpr UINT kRunHotkeyMessage = WM_APP + 1;

// The main window as the hotkeys see it.
class ProgramHotkeys : public HotkeyTarget {
 public:
  bool OptimizationWindowOpen() override { return OptimizationWindowShown(); }
  bool StopPictureEnabled() override { return IsControlEnabled(图片框停止录制); }
  bool RectangleButtonEnabled() override { return IsControlEnabled(超级按钮矩形); }
  void ToggleRecording() override { OnStartRecordingClicked(); }
  void StopRecording() override { Main().recorder->StopRecording(); }
  void ToggleOutline() override {
    // Setting the check from code sends no click, so the frame window is
    // told here.
    SetChecked(选择框显示外框, !IsChecked(选择框显示外框));
    UpdateFrameWindow();
  }
  void SelectRectangle(int modifierState) override { movrel::SelectRectangle(modifierState); }
  void ToggleTrayHidden() override {
    AppGlobals& g = Globals();
    g.trayHidden = !g.trayHidden;
    UpdateTrayIcon();
    HWND main = Main().window;
    ShowWindow(main, g.trayHidden ? SW_HIDE : SW_SHOW);
    if (!g.trayHidden) BringWindowToFront(main);
  }
};

}  // namespace

bool IsKeyDown(int virtualKey) {
  GetAsyncKeyState(virtualKey);
  PumpPendingMessages();
  return GetAsyncKeyState(virtualKey) != 0;
}

HotkeyPoller::HotkeyPoller(HotkeyPoll::KeyReader isKeyDown, HotkeyTarget& target)
    : poll_(std::move(isKeyDown)), target_(target) {}

HotkeyPoller::~HotkeyPoller() { Stop(); }

bool HotkeyPoller::Start() {
  if (thread_) return true;
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = HandOverProc;
  wc.hInstance = instance;
  wc.lpszClassName = kHandOverClass;
  // A second poller (in tests) finds the class already there.
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  // A message-only window of this thread: what is sent to it runs here.
  handOver_.reset(CreateWindowExW(0, kHandOverClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr));
  if (!handOver_) return false;
  SetWindowLongPtrW(handOver_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  stop_ = false;
  thread_.reset(CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr));
  if (!thread_) {
    handOver_.reset();
    return false;
  }
  return true;
}

void HotkeyPoller::Stop() {
  if (!thread_) return;
  stop_ = true;
  // The thread may be waiting for this thread to carry out an action, so
  // keep taking sent messages while waiting for it to end.
  HANDLE thread = thread_.get();
  while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  thread_.reset();
  handOver_.reset();
}

DWORD WINAPI HotkeyPoller::ThreadMain(void* param) {
  auto* self = static_cast<HotkeyPoller*>(param);
  HotkeyLoop loop;
  loop.wait = [self](int32_t ms) { WaitWithEvents(ms, &self->stop_); };
  loop.deliver = [self](const HotkeyHit& hit) {
    // SendMessage returns once the user-interface thread has run the action.
    SendMessageW(self->handOver_.get(), kRunHotkeyMessage, 0, reinterpret_cast<LPARAM>(&hit));
  };
  loop.stopRequested = [self] { return self->stop_.load(); };
  RunHotkeyLoop(self->poll_, loop);
  return 0;
}

LRESULT CALLBACK HotkeyPoller::HandOverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kRunHotkeyMessage) {
    auto* self = reinterpret_cast<HotkeyPoller*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self && !ShuttingDown()) RunHotkey(*reinterpret_cast<const HotkeyHit*>(lParam), self->target_);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void StartProgramHotkeys() {
  // Lives until the process ends: the thread is never stopped, so neither
  // the poller nor its target may be destroyed at exit.
  static HotkeyPoller* poller = nullptr;
  if (poller) return;
  poller = new HotkeyPoller(IsKeyDown, *new ProgramHotkeys);
  poller->Start();
}

}  // namespace movrel
