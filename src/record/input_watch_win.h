// Watches the mouse buttons and keys of the whole desktop while a recording
// that draws them runs: low-level hooks on a thread of their own, with its
// own message loop. The hook procedures only stamp each event on the
// monotonic clock and queue it, so the system never finds them slow; the
// hook thread then adds what the event meant (the typed character, a
// password field) and hands it to the recording thread through a queue that
// neither side waits on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/handle_win.h"
#include "record/input_marks.h"
#include "record/input_queue.h"

namespace movrel {

class InputWatch {
 public:
  InputWatch() = default;
  ~InputWatch() { Stop(); }
  InputWatch(const InputWatch&) = delete;
  InputWatch& operator=(const InputWatch&) = delete;

  // Installs the hooks asked for; events are stamped MonotonicMs() -
  // clockOriginMs. A watch already running is stopped first. False, with no
  // hook left behind, when the thread or a hook cannot be made.
  bool Start(bool mouse, bool keys, int64_t clockOriginMs);
  // Removes the hooks and ends the thread; nothing when none runs.
  void Stop();
  bool running() const { return static_cast<bool>(thread_); }

  // On the recording thread: moves the events that came since the last call
  // into the timelines.
  void TakeEvents(ClickTimeline* clicks, KeyCaption* keys);

  // The hook thread's side, reached from the hook procedures.
  struct Raw {
    int64_t timeMs;
    UINT message;
    DWORD code;  // the virtual key, or the mouse data
    POINT at;
  };

 private:
  static DWORD WINAPI ThreadMain(void* self);
  DWORD Run();
  void Translate(const Raw& raw);

  UniqueKernelHandle thread_;
  DWORD threadId_ = 0;
  UniqueKernelHandle ready_;
  bool started_ = false;  // set by the thread before `ready_`: its hooks are in
  bool mouse_ = false, keys_ = false;
  int64_t clockOriginMs_ = 0;
  // The hook thread's own: what the procedures queued for its loop, and the
  // state of the keys it has seen.
  std::vector<Raw> pending_;
  bool shiftDown_[2] = {false, false};
  bool capsLock_ = false;
  InputQueue<MouseEvent, 1024> mouseEvents_;
  InputQueue<KeyEvent, 1024> keyEvents_;
};

}  // namespace movrel
