// The capture operations of BitmapSurface: each one resets the surface,
// builds the byte image, makes the section and fills it with a single
// SRCCOPY block transfer, which also converts to the requested depth. A
// screen capture of the size and depth the surface already has reuses its
// section.
#include "bitmap/bitmap_surface_win.h"

namespace movrel {

bool BitmapSurface::CaptureScreen(int x, int y, int width, int height, int depth) {
  if (width == 0 || height == 0 || depth == 0) {
    DEVMODEW mode = {};
    mode.dmSize = sizeof(mode);
    if (!EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode)) {
      Reset();
      return false;
    }
    if (depth == 0) depth = static_cast<int>(mode.dmBitsPerPel & 0xFFFF);
    if (width == 0) width = static_cast<int>(mode.dmPelsWidth & 0xFFFF) - x;
    if (height == 0) height = static_cast<int>(mode.dmPelsHeight & 0xFFFF) - y;
  }
  // A recording grabs the same rectangle many times a second: a surface
  // that already holds a section of this size and depth (with its fixed
  // colour table) is grabbed into again, sparing a new section and byte
  // image of a full screen each time. The transfer covers every pixel.
  if (section.dibHandle && section.pixelBits && GetWidth() == width && GetHeight() == height &&
      GetDepth() == depth) {
    // A fresh screen DC all the same, as Reset takes one: the display may
    // have changed since the last grab.
    screenDc.reset();
    screenDc.emplace(nullptr);
    bitsChanged = false;
    return FinishAttach(BitBlt(section.memoryDc.get(), 0, 0, width, height, ScreenDc(), x, y, SRCCOPY) != FALSE);
  }
  Reset();
  if (!IsSupportedDepth(depth)) return false;
  if (!BuildImage(width, height, depth) || !AttachSection(ScreenDc())) return false;
  // SRCCOPY alone: CAPTUREBLT would also grab layered windows such as the
  // record frame window that outlines this very rectangle.
  return FinishAttach(BitBlt(section.memoryDc.get(), 0, 0, width, height, ScreenDc(), x, y, SRCCOPY) != FALSE);
}

bool BitmapSurface::CaptureWindow(HWND window, int x, int y, int width, int height, int depth) {
  Reset();
  if (IsIconic(window) || !IsWindowVisible(window)) return false;
  if (depth == 0) depth = 24;
  if (!IsSupportedDepth(depth)) return false;

  RECT client;
  if (!GetClientRect(window, &client)) return false;
  UniqueMemoryDc printDc(CreateCompatibleDC(ScreenDc()));
  UniqueBitmap printed(CreateCompatibleBitmap(ScreenDc(), client.right, client.bottom));
  if (!printDc || !printed) return false;
  SelectGuard select(printDc.get(), printed.get());
  // The window paints itself, so covered or partly off-screen windows come
  // out whole. Only the client area is asked for: where the whole window is
  // printed, not every system draws the frame and offsets the client area
  // by it, while client-only printing puts the client origin at (0, 0)
  // everywhere.
  if (!PrintWindow(window, printDc.get(), PW_CLIENTONLY)) return false;

  if (width == 0) width = client.right - x;
  if (height == 0) height = client.bottom - y;
  if (!BuildImage(width, height, depth) || !AttachSection(ScreenDc())) return false;
  return FinishAttach(BitBlt(section.memoryDc.get(), 0, 0, width, height, printDc.get(), x, y, SRCCOPY) != FALSE);
}

bool BitmapSurface::CaptureDc(HDC dc, const RECT& rect, int depth) {
  Reset();
  if (!IsSupportedDepth(depth)) return false;
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  // Memory DC and section belong to the given DC here, not to the screen.
  if (!BuildImage(width, height, depth) || !AttachSection(dc)) return false;
  return FinishAttach(BitBlt(section.memoryDc.get(), 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY) != FALSE);
}

bool BitmapSurface::LoadFromIcon(HICON icon, int width, int height, int depth) {
  Reset();
  if (width == 0) width = 32;
  if (height == 0) height = 32;
  if (depth == 0) depth = 32;
  if (!icon || width < 1 || height < 1) return false;

  UniqueMemoryDc drawDc(CreateCompatibleDC(ScreenDc()));
  UniqueBitmap canvas(CreateCompatibleBitmap(ScreenDc(), width, height));
  UniqueBrush white(CreateSolidBrush(RGB(255, 255, 255)));
  if (!drawDc || !canvas || !white) return false;
  SelectGuard select(drawDc.get(), canvas.get());
  RECT area = {0, 0, width, height};
  FillRect(drawDc.get(), &area, white.get());
  // Mask and image: transparent pixels keep the white. A cursor is drawn the
  // same way; its hot spot plays no part.
  if (!DrawIconEx(drawDc.get(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL)) return false;
  CaptureDc(drawDc.get(), area, depth);
  return static_cast<bool>(section.dibHandle);
}

}  // namespace movrel

namespace movrel {

bool CaptureDesktopArea(BitmapSurface& surface, const RecordRect& rect, const Desktop& desktop, int depth) {
  const DesktopBox area = BoxOf(rect);
  const std::vector<DesktopBox> unseen = desktop.Uncovered(area);
  if (unseen.empty()) return surface.CaptureScreen(rect.left, rect.top, rect.width, rect.height, depth);
  // A new section starts black; the visible part is copied in, and the
  // unseen parts are blacked out again, since what a screen read gives
  // there differs between systems.
  if (!surface.CreateBlank(rect.width, rect.height, depth)) return false;
  HDC target = surface.GetMemoryDc();
  const DesktopBox visible = Intersection(area, desktop.Bounds());
  if (!visible.Empty()) {
    WindowDc screen(nullptr);
    if (!screen || !BitBlt(target, visible.left - area.left, visible.top - area.top, visible.Width(),
                           visible.Height(), screen.get(), visible.left, visible.top, SRCCOPY)) {
      return false;
    }
  }
  for (const DesktopBox& part : unseen) {
    PatBlt(target, part.left - area.left, part.top - area.top, part.Width(), part.Height(), BLACKNESS);
  }
  surface.RefreshImage();
  return true;
}

}  // namespace movrel
