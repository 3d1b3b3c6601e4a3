#include "ui/window_win.h"

namespace movrel {

bool RegisterWindowClass(const WindowClass& windowClass, WNDPROC procedure) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExW(instance, windowClass.name, &existing)) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = windowClass.style;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = windowClass.cursor ? LoadCursorW(nullptr, windowClass.cursor) : nullptr;
  if (windowClass.backgroundColour >= 0) {
    wc.hbrBackground = GetSysColorBrush(windowClass.backgroundColour);
  } else if (windowClass.stockBackground >= 0) {
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(windowClass.stockBackground));
  }
  if (windowClass.programIcon) {
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
  }
  wc.lpszClassName = windowClass.name;
  return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

Window::~Window() { Destroy(); }

void Window::Destroy() {
  // WM_NCDESTROY clears handle_.
  if (handle_) DestroyWindow(handle_);
}

bool Window::Create(const WindowClass& windowClass, DWORD exStyle, const std::wstring& title, DWORD style, int x,
                    int y, int width, int height, HWND parent, int childId) {
  if (handle_ || !RegisterWindowClass(windowClass, Procedure)) return false;
  HMENU menuOrId = childId ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(childId)) : nullptr;
  // The procedure takes the handle at WM_NCCREATE; a window that failed to
  // finish its creation is gone again by the time this returns.
  CreateWindowExW(exStyle, windowClass.name, title.c_str(), style, x, y, width, height, parent, menuOrId,
                  GetModuleHandleW(nullptr), this);
  return handle_ != nullptr;
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return Default(message, wParam, lParam);
}

LRESULT CALLBACK Window::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->handle_ = window;
  }
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) find no object yet.
  auto* self = reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->handle_ = nullptr;
    self->OnDestroyed();  // may delete the object: nothing of it is used after
    return result;
  }
  return self->HandleMessage(message, wParam, lParam);
}

bool RunModalLoop(HWND owner, const std::function<bool()>& done, const ModalLoopOptions& options) {
  ModalLoopGuard modal(options.keys);
  const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  bool quit = false;
  MSG msg{};
  while (!done()) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      quit = got == 0;
      break;
    }
    if (options.filter && options.filter(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  // Left for the main loop, which ends the program.
  if (quit) PostQuitMessage(static_cast<int>(msg.wParam));
  return !quit;
}

bool OffscreenBuffer::Fit(int width, int height, int bitsPerPixel) {
  if (width <= 0 || height <= 0 || (bitsPerPixel != 24 && bitsPerPixel != 32)) {
    Release();
    return false;
  }
  if (*this && width == width_ && height == height_ && bitsPerPixel == bitsPerPixel_) return true;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = static_cast<WORD>(bitsPerPixel);
  info.bmiHeader.biCompression = BI_RGB;
  WindowDc screen(nullptr);
  if (!section_.Create(screen.get(), &info)) {
    Release();
    return false;
  }
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bitsPerPixel;
  const size_t stride = (static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel) / 8 + 3) & ~size_t{3};
  byteCount_ = stride * static_cast<size_t>(height);
  return true;
}

void OffscreenBuffer::Release() {
  section_.Release();
  width_ = height_ = bitsPerPixel_ = 0;
  byteCount_ = 0;
}

}  // namespace movrel
