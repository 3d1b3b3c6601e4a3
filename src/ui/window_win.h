// The program's own windows: a class registered once, on first use, whose
// messages go to the object that made the window; the modal loop they run;
// and an off-screen buffer to paint them without flicker.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "bitmap/bitmap_surface_win.h"
#include "ui/modal_loop.h"

namespace movrel {

// A window class of the program's own. Fields left at their defaults give
// the system's arrow cursor, no background brush and no icon.
struct WindowClass {
  const wchar_t* name = nullptr;
  UINT style = 0;
  const wchar_t* cursor = IDC_ARROW;  // a system cursor; null for none
  int backgroundColour = -1;          // a system colour (COLOR_BTNFACE ...); -1 for none
  bool programIcon = false;           // the program's icon (resource 1), large and small
  int stockBackground = -1;           // instead, a stock brush (BLACK_BRUSH ...)
};

// A window whose messages, from WM_NCCREATE on, go to HandleMessage of the
// object that created it. The object may outlive its window (handle() is
// null again once the window is gone); destroying the object destroys a
// window still there. A subclass that handles messages sent while its window
// is destroyed (WM_DESTROY) calls Destroy() in its own destructor, as the
// base's destructor runs when the subclass is already gone.
class Window {
 public:
  Window() = default;
  virtual ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND handle() const { return handle_; }
  void Destroy();

 protected:
  // Registers `windowClass` unless it is, then creates the window. False,
  // with no window, when either fails or a window of this object is open.
  bool Create(const WindowClass& windowClass, DWORD exStyle, const std::wstring& title, DWORD style, int x, int y,
              int width, int height, HWND parent, int childId = 0);
  // The default handling is the system's. WM_NCDESTROY does not come here.
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The window is gone (its last message, WM_NCDESTROY, is handled and
  // handle() is null): an object that lives as long as its window may
  // delete itself here.
  virtual void OnDestroyed() {}
  LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(handle_, message, wParam, lParam);
  }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND handle_ = nullptr;
};

// Registers the class with the procedure given, unless a class of that name
// is registered already. For the few windows that are no Window object.
bool RegisterWindowClass(const WindowClass& windowClass, WNDPROC procedure);

struct ModalLoopOptions {
  ModalKeys keys = ModalKeys::kNone;
  // Sees every message first; true when it took the message (dialog
  // navigation, Escape), which then is not dispatched.
  std::function<bool(MSG&)> filter;
};

// Handles messages until `done` says so, as every modal loop of the program
// does: the modal guard is held throughout; `owner` (may be null) is
// disabled meanwhile and enabled again before returning, so it takes the
// activation back when the caller's window goes. A WM_QUIT ends the loop and
// is posted again for the main loop; false then.
bool RunModalLoop(HWND owner, const std::function<bool()>& done, const ModalLoopOptions& options = {});

// A picture to paint into first and then copy to a window in one piece: a
// bottom-up DIB section selected into its own memory DC for as long as the
// buffer lives, its pixel rows at hand.
class OffscreenBuffer {
 public:
  // Makes the buffer width x height at 24 or 32 bits per pixel unless it is
  // that already; new pixels are undefined. False, holding nothing, when it
  // cannot be made (a picture too large for memory).
  bool Fit(int width, int height, int bitsPerPixel = 32);
  void Release();
  HDC dc() const { return section_.memoryDc.get(); }
  explicit operator bool() const { return dc() != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }
  // The rows, bottom row first, each padded to four bytes.
  uint8_t* bits() const { return section_.pixelBits; }
  size_t byteCount() const { return byteCount_; }

 private:
  DibSection section_;
  int width_ = 0, height_ = 0, bitsPerPixel_ = 0;
  size_t byteCount_ = 0;
};

}  // namespace movrel
