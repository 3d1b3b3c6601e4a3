#include "ui/message_box_win.h"

#include <windows.h>

#include "common/desktop_win.h"
#include "common/gbk_win.h"
#include "ui/modal_loop.h"

namespace movrel {
namespace {

// The system centres a message box on the monitor of its owner, or on the
// primary when it has none (the main window hidden in the tray, a
// recording with the window hidden). A thread-local CBT hook moves the box,
// as it is activated, onto the main window's monitor when it came up on
// another one.
class HomeMonitorPlacer {
 public:
  HomeMonitorPlacer() : outer_(active_), hook_(SetWindowsHookExW(WH_CBT, Proc, nullptr, GetCurrentThreadId())) {
    active_ = this;
  }
  ~HomeMonitorPlacer() {
    if (hook_) UnhookWindowsHookEx(hook_);
    active_ = outer_;
  }
  HomeMonitorPlacer(const HomeMonitorPlacer&) = delete;
  HomeMonitorPlacer& operator=(const HomeMonitorPlacer&) = delete;

 private:
  static LRESULT CALLBACK Proc(int code, WPARAM wParam, LPARAM lParam) {
    HomeMonitorPlacer* self = active_;
    if (code == HCBT_ACTIVATE && self && !self->placed_) {
      self->placed_ = true;
      Place(reinterpret_cast<HWND>(wParam));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }

  static void Place(HWND box) {
    wchar_t className[16] = {};
    // Only the dialog the message box makes: "#32770".
    if (!GetClassNameW(box, className, 16) || lstrcmpW(className, L"#32770") != 0) return;
    const DesktopBox home = HomeMonitor();
    RECT r{};
    if (!GetWindowRect(box, &r)) return;
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(box, MONITOR_DEFAULTTONEAREST), &monitor)) return;
    if (ToDesktopBox(monitor.rcMonitor) == home) return;
    const DesktopBox area = HomeWorkArea();
    const POINT at = CentredOn(area, r.right - r.left, r.bottom - r.top, area);
    SetWindowPos(box, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  static thread_local HomeMonitorPlacer* active_;
  HomeMonitorPlacer* outer_;
  HHOOK hook_;
  bool placed_ = false;
};

thread_local HomeMonitorPlacer* HomeMonitorPlacer::active_ = nullptr;

}  // namespace

int ShowMessage(const std::string& text, unsigned flags, const std::string& caption) {
  // The box runs a modal loop of its own: no hotkey acts meanwhile.
  ModalLoopGuard modal;
  HomeMonitorPlacer placer;
  // Owned by the thread's active window so that the box stays in front of
  // whatever the user was working in.
  int id = MessageBoxW(GetActiveWindow(), ToWide(text).c_str(), ToWide(MessageCaption(caption)).c_str(),
                       MessageBoxStyle(flags));
  return MessageResultFromId(id);
}

}  // namespace movrel
