#include "record/input_watch_win.h"

#include <cwchar>

#include "common/clock_win.h"

namespace movrel {
namespace {

constexpr UINT kTranslateMessage = WM_APP + 1;

// A low-level hook procedure has no data of its own: the one running watch
// is found here. Only the hook thread reads it, and only while the watch it
// names is running.
std::vector<InputWatch::Raw>* activePending = nullptr;
DWORD activeThread = 0;

void Queue(UINT message, DWORD code, POINT at) {
  if (!activePending) return;
  activePending->push_back(InputWatch::Raw{MonotonicMs(), message, code, at});
  // The loop translates once this procedure has returned.
  PostThreadMessageW(activeThread, kTranslateMessage, 0, 0);
}

LRESULT CALLBACK MouseHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    switch (wParam) {
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_MBUTTONDOWN:
      case WM_MBUTTONUP:
        Queue(static_cast<UINT>(wParam), 0, reinterpret_cast<const MSLLHOOKSTRUCT*>(lParam)->pt);
        break;
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HC_ACTION) {
    Queue(static_cast<UINT>(wParam), reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam)->vkCode, POINT{});
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Whether the control with the keyboard focus in the foreground window is
// a password field: what is typed there must not show in a GIF.
bool FocusIsPassword() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  HWND foreground = GetForegroundWindow();
  if (!foreground || !GetGUIThreadInfo(GetWindowThreadProcessId(foreground, nullptr), &info)) return false;
  HWND focus = info.hwndFocus;
  if (!focus) return false;
  wchar_t name[16] = {};
  GetClassNameW(focus, name, 16);
  // ES_PASSWORD belongs to edit controls; other classes use the bit for
  // their own styles.
  return _wcsicmp(name, L"Edit") == 0 && (GetWindowLongPtrW(focus, GWL_STYLE) & ES_PASSWORD) != 0;
}

}  // namespace

bool InputWatch::Start(bool mouse, bool keys, int64_t clockOriginMs) {
  Stop();
  if (!mouse && !keys) return true;
  mouse_ = mouse;
  keys_ = keys;
  clockOriginMs_ = clockOriginMs;
  pending_.clear();
  shiftDown_[0] = shiftDown_[1] = false;
  // The hook thread has no keyboard state of its own: the lock's state is
  // read here, on a thread that has, and followed from the key presses.
  capsLock_ = (GetKeyState(VK_CAPITAL) & 1) != 0;
  // Whatever the last run left in the queues is no longer wanted.
  MouseEvent staleMouse;
  while (mouseEvents_.Pop(&staleMouse)) {
  }
  KeyEvent staleKey;
  while (keyEvents_.Pop(&staleKey)) {
  }
  started_ = false;
  ready_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!ready_) return false;
  thread_.reset(CreateThread(nullptr, 0, ThreadMain, this, 0, &threadId_));
  if (!thread_) {
    ready_.reset();
    return false;
  }
  WaitForSingleObject(ready_.get(), INFINITE);
  if (started_) return true;
  // The thread found no hook to install and has ended.
  WaitForSingleObject(thread_.get(), INFINITE);
  thread_.reset();
  ready_.reset();
  return false;
}

void InputWatch::Stop() {
  if (!thread_) return;
  PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
  WaitForSingleObject(thread_.get(), INFINITE);
  thread_.reset();
  ready_.reset();
  threadId_ = 0;
}

DWORD WINAPI InputWatch::ThreadMain(void* self) { return static_cast<InputWatch*>(self)->Run(); }

DWORD InputWatch::Run() {
  // The message queue exists before anyone posts to it.
  MSG msg;
  PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
  activePending = &pending_;
  activeThread = GetCurrentThreadId();
  HINSTANCE instance = GetModuleHandleW(nullptr);
  HHOOK mouseHook = mouse_ ? SetWindowsHookExW(WH_MOUSE_LL, MouseHook, instance, 0) : nullptr;
  HHOOK keyHook = keys_ ? SetWindowsHookExW(WH_KEYBOARD_LL, KeyboardHook, instance, 0) : nullptr;
  started_ = (!mouse_ || mouseHook) && (!keys_ || keyHook);
  if (!started_) {
    if (mouseHook) UnhookWindowsHookEx(mouseHook);
    if (keyHook) UnhookWindowsHookEx(keyHook);
    activePending = nullptr;
    SetEvent(ready_.get());
    return 1;
  }
  SetEvent(ready_.get());
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message != kTranslateMessage) continue;
    for (const Raw& raw : pending_) Translate(raw);
    pending_.clear();
  }
  if (mouseHook) UnhookWindowsHookEx(mouseHook);
  if (keyHook) UnhookWindowsHookEx(keyHook);
  activePending = nullptr;
  return 0;
}

void InputWatch::Translate(const Raw& raw) {
  const int64_t timeMs = raw.timeMs - clockOriginMs_;
  auto mouse = [&](MouseButton button, bool down) {
    MouseEvent e;
    e.timeMs = timeMs;
    e.button = button;
    e.down = down;
    e.x = raw.at.x;
    e.y = raw.at.y;
    mouseEvents_.Push(e);  // a full queue drops the event rather than wait
  };
  switch (raw.message) {
    case WM_LBUTTONDOWN: return mouse(MouseButton::kLeft, true);
    case WM_LBUTTONUP: return mouse(MouseButton::kLeft, false);
    case WM_RBUTTONDOWN: return mouse(MouseButton::kRight, true);
    case WM_RBUTTONUP: return mouse(MouseButton::kRight, false);
    case WM_MBUTTONDOWN: return mouse(MouseButton::kMiddle, true);
    case WM_MBUTTONUP: return mouse(MouseButton::kMiddle, false);
  }
  const bool down = raw.message == WM_KEYDOWN || raw.message == WM_SYSKEYDOWN;
  if (!down && raw.message != WM_KEYUP && raw.message != WM_SYSKEYUP) return;
  const DWORD vk = raw.code;
  if (vk == VK_LSHIFT || vk == VK_RSHIFT || vk == VK_SHIFT) shiftDown_[vk == VK_RSHIFT ? 1 : 0] = down;
  KeyEvent e;
  e.timeMs = timeMs;
  e.virtualKey = vk;
  e.down = down;
  if (down) {
    if (vk == VK_CAPITAL) capsLock_ = !capsLock_;
    e.character = TypedCharacter(vk, shiftDown_[0] || shiftDown_[1], capsLock_);
    e.password = e.character != 0 && FocusIsPassword();
  }
  keyEvents_.Push(e);
}

void InputWatch::TakeEvents(ClickTimeline* clicks, KeyCaption* keys) {
  MouseEvent m;
  while (mouseEvents_.Pop(&m)) clicks->Add(m);
  KeyEvent k;
  while (keyEvents_.Pop(&k)) keys->Add(k);
}

}  // namespace movrel
