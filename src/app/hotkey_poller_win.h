// The global hotkeys on Windows: a thread of its own samples the
// asynchronous key state and hands every action to the user-interface
// thread, waiting until it has been carried out.
#pragma once

#include <windows.h>

#include <atomic>

#include "app/hotkey_poll.h"
#include "common/handle_win.h"

namespace movrel {

// Whether a key is down now or was pressed since it was last asked about:
// the first query clears the "pressed since" report, the events waiting
// for this thread are handled, and the second query answers.
bool IsKeyDown(int virtualKey);

class HotkeyPoller {
 public:
  // `target` is called on the thread that calls Start.
  HotkeyPoller(HotkeyPoll::KeyReader isKeyDown, HotkeyTarget& target);
  ~HotkeyPoller();
  HotkeyPoller(const HotkeyPoller&) = delete;
  HotkeyPoller& operator=(const HotkeyPoller&) = delete;

  // Makes the hand-over window on the calling thread and starts polling.
  bool Start();
  // Ends the polling thread and waits for it, still carrying out an action
  // the thread is handing over meanwhile. Called on the starting thread.
  void Stop();

 private:
  static DWORD WINAPI ThreadMain(void* self);
  static LRESULT CALLBACK HandOverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  HotkeyPoll poll_;
  HotkeyTarget& target_;
  UniqueWindow handOver_;
  UniqueKernelHandle thread_;
  std::atomic<bool> stop_{false};
};

// The program's poller with the real keyboard and main window; started once
// by the main window and never stopped.
void StartProgramHotkeys();

}  // namespace movrel
