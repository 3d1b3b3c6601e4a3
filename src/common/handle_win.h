// Ownership of Win32 handles: one move-only owner template with a close
// function per handle kind, so releasing the wrong way does not compile.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <utility>

namespace movrel {

template <typename T, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(T handle) : handle_(handle) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  T get() const { return handle_; }
  explicit operator bool() const { return Traits::IsValid(handle_); }
  T release() {
    T h = handle_;
    handle_ = Traits::Invalid();
    return h;
  }
  void reset(T handle = Traits::Invalid()) {
    if (Traits::IsValid(handle_)) Traits::Close(handle_);
    handle_ = handle;
  }

 private:
  T handle_ = Traits::Invalid();
};

template <typename T>
struct NullInvalid {
  static T Invalid() { return nullptr; }
  static bool IsValid(T h) { return h != nullptr; }
};

struct GdiObjectTraits : NullInvalid<HGDIOBJ> {
  static void Close(HGDIOBJ h) { DeleteObject(h); }
};
template <typename T>
struct GdiTraits : NullInvalid<T> {
  static void Close(T h) { DeleteObject(h); }
};
struct MemoryDcTraits : NullInvalid<HDC> {
  static void Close(HDC h) { DeleteDC(h); }
};
struct IconTraits : NullInvalid<HICON> {
  static void Close(HICON h) { DestroyIcon(h); }
};
struct CursorTraits : NullInvalid<HCURSOR> {
  static void Close(HCURSOR h) { DestroyCursor(h); }
};
struct FileTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct FindTraits {
  static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(HANDLE h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(HANDLE h) { FindClose(h); }
};
struct KernelTraits : NullInvalid<HANDLE> {
  static void Close(HANDLE h) { CloseHandle(h); }
};
struct GlobalTraits : NullInvalid<HGLOBAL> {
  static void Close(HGLOBAL h) { GlobalFree(h); }
};
struct ModuleTraits : NullInvalid<HMODULE> {
  static void Close(HMODULE h) { FreeLibrary(h); }
};
struct WindowTraits : NullInvalid<HWND> {
  static void Close(HWND h) { DestroyWindow(h); }
};
struct MenuTraits : NullInvalid<HMENU> {
  static void Close(HMENU h) { DestroyMenu(h); }
};
// Memory the shell or COM allocated for the caller (an item ID list from
// the folder browser): given back with CoTaskMemFree (ole32).
template <typename T>
struct CoTaskMemoryTraits : NullInvalid<T> {
  static void Close(T p) { CoTaskMemFree(p); }
};

using UniqueBitmap = UniqueHandle<HBITMAP, GdiTraits<HBITMAP>>;
using UniqueFont = UniqueHandle<HFONT, GdiTraits<HFONT>>;
using UniqueBrush = UniqueHandle<HBRUSH, GdiTraits<HBRUSH>>;
using UniquePen = UniqueHandle<HPEN, GdiTraits<HPEN>>;
using UniqueRegion = UniqueHandle<HRGN, GdiTraits<HRGN>>;
using UniquePalette = UniqueHandle<HPALETTE, GdiTraits<HPALETTE>>;
using UniqueMemoryDc = UniqueHandle<HDC, MemoryDcTraits>;
using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueCursor = UniqueHandle<HCURSOR, CursorTraits>;
using UniqueFile = UniqueHandle<HANDLE, FileTraits>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelTraits>;
using UniqueFind = UniqueHandle<HANDLE, FindTraits>;  // FindFirstFileW
using UniqueGlobal = UniqueHandle<HGLOBAL, GlobalTraits>;
using UniqueModule = UniqueHandle<HMODULE, ModuleTraits>;
using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;
template <typename T>
using UniqueCoTaskMemory = UniqueHandle<T, CoTaskMemoryTraits<T>>;

// One reference to a COM interface, released when the owner goes.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  // Takes over a reference the caller holds.
  explicit ComPtr(T* p) : p_(p) {}
  ~ComPtr() { reset(); }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      reset();
      p_ = other.p_;
      other.p_ = nullptr;
    }
    return *this;
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For a function that hands out a new reference: releases the one held.
  T** put() {
    reset();
    return &p_;
  }
  void reset() {
    if (p_) p_->Release();
    p_ = nullptr;
  }

 private:
  T* p_ = nullptr;
};

// A DC from GetDC, given back to its window with ReleaseDC.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// Puts back what SelectObject displaced when the scope ends.
class SelectGuard {
 public:
  SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~SelectGuard() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectGuard(const SelectGuard&) = delete;
  SelectGuard& operator=(const SelectGuard&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// BeginPaint/EndPaint pair for WM_PAINT.
class PaintGuard {
 public:
  explicit PaintGuard(HWND window) : window_(window) { dc_ = BeginPaint(window, &ps_); }
  ~PaintGuard() { EndPaint(window_, &ps_); }
  PaintGuard(const PaintGuard&) = delete;
  PaintGuard& operator=(const PaintGuard&) = delete;
  HDC dc() const { return dc_; }
  const PAINTSTRUCT& paint() const { return ps_; }

 private:
  HWND window_;
  HDC dc_;
  PAINTSTRUCT ps_{};
};

// Lock/unlock of a movable global memory block.
class GlobalLockGuard {
 public:
  explicit GlobalLockGuard(HGLOBAL block) : block_(block), data_(block ? GlobalLock(block) : nullptr) {}
  ~GlobalLockGuard() {
    if (data_) GlobalUnlock(block_);
  }
  GlobalLockGuard(const GlobalLockGuard&) = delete;
  GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
  void* data() const { return data_; }

 private:
  HGLOBAL block_;
  void* data_;
};

// OpenClipboard/CloseClipboard pair.
class ClipboardGuard {
 public:
  explicit ClipboardGuard(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
  ~ClipboardGuard() {
    if (open_) CloseClipboard();
  }
  ClipboardGuard(const ClipboardGuard&) = delete;
  ClipboardGuard& operator=(const ClipboardGuard&) = delete;
  bool open() const { return open_; }

 private:
  bool open_;
};

}  // namespace movrel
