// The preview's canvas: the frame picture in a 24-bit section, drawn into
// from the player's BMP frames, saved and restored whole, and painted onto
// the canvas window.
#include "output/preview_window_internal_win.h"

#include <windowsx.h>

#include <cstring>
#include <vector>

#include "bitmap/bmp_layout.h"

namespace movrel {
namespace preview_window {

LRESULT CALLBACK CanvasProc(HWND canvas, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      if (preview) {
        preview->PaintCanvas(canvas);
        return 0;
      }
      break;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      // The keys go to the window again after a button or the slider had
      // the focus.
      SetFocus(GetParent(canvas));
      return 0;
    case WM_MOUSEMOVE:
      if (preview) {
        POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        MapWindowPoints(canvas, GetParent(canvas), &at, 1);
        preview->OnMouseAt(at.y);
      }
      return 0;
  }
  return DefWindowProcW(canvas, message, wParam, lParam);
}

bool PreviewWindow::CreateCanvasBuffer(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  WindowDc screen(nullptr);
  void* bits = nullptr;
  UniqueMemoryDc dc(CreateCompatibleDC(screen.get()));
  UniqueBitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  // A frame too large for memory leaves the canvas without a picture.
  if (!dc || !bitmap) return false;
  canvasPrevious_ = SelectObject(dc.get(), bitmap.get());
  canvasDc_ = std::move(dc);
  canvasBitmap_ = std::move(bitmap);
  canvasBits_ = bits;
  canvasBytes_ = static_cast<size_t>((width * 3 + 3) & ~3) * static_cast<size_t>(height);
  canvasWidth_ = width;
  canvasHeight_ = height;
  return true;
}

void PreviewWindow::ReleaseCanvas() {
  // The section is put back out of the DC before either is deleted.
  if (canvasDc_ && canvasPrevious_) SelectObject(canvasDc_.get(), canvasPrevious_);
  canvasPrevious_ = nullptr;
  canvasBits_ = nullptr;
  canvasBytes_ = 0;
  canvasBitmap_ = UniqueBitmap();
  canvasDc_ = UniqueMemoryDc();
}

void PreviewWindow::ClearCanvas() {
  if (!canvasDc_) return;
  PatBlt(canvasDc_.get(), 0, 0, canvasWidth_, canvasHeight_, BLACKNESS);
  InvalidateRect(Control(PC::画板), nullptr, FALSE);
}

void PreviewWindow::DrawPicture(const std::string& bmpBytes, FramePosition at) {
  // The one reading of BMP headers says where the rows are and that they
  // lie inside the bytes.
  BmpFileLayout layout;
  if (!canvasDc_ || !IsLoadableBmpFile(bmpBytes, &layout)) return;
  const auto* file = reinterpret_cast<const uint8_t*>(bmpBytes.data());
  const size_t pixelOffset = layout.pixelOffset;
  if (pixelOffset <= kFileHeaderBytes || pixelOffset >= bmpBytes.size()) return;
  // GDI gets the header and colour table from an aligned copy.
  std::vector<uint32_t> header((pixelOffset - kFileHeaderBytes + 3) / 4, 0);
  memcpy(header.data(), file + kFileHeaderBytes, pixelOffset - kFileHeaderBytes);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(header.data());
  const int width = layout.width, height = layout.height;
  SetDIBitsToDevice(canvasDc_.get(), at.left, at.top, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                    static_cast<UINT>(height), file + pixelOffset, info, DIB_RGB_COLORS);
  GdiFlush();
  RECT changed{at.left, at.top, at.left + width, at.top + height};
  InvalidateRect(Control(PC::画板), &changed, FALSE);
}

std::string PreviewWindow::SaveCanvas() const {
  if (!canvasBits_) return std::string();
  GdiFlush();  // the section's bytes are complete only after GDI's batch ran
  return std::string(static_cast<const char*>(canvasBits_), canvasBytes_);
}

void PreviewWindow::RestoreCanvas(const std::string& pixels) {
  if (!canvasBits_ || pixels.size() != canvasBytes_) return;
  GdiFlush();
  memcpy(canvasBits_, pixels.data(), canvasBytes_);
  InvalidateRect(Control(PC::画板), nullptr, FALSE);
}

void PreviewWindow::PaintCanvas(HWND canvas) {
  PaintGuard paint(canvas);
  const RECT& r = paint.paint().rcPaint;
  if (canvasDc_) {
    BitBlt(paint.dc(), r.left, r.top, r.right - r.left, r.bottom - r.top, canvasDc_.get(), r.left, r.top, SRCCOPY);
  } else {
    FillRect(paint.dc(), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
}

}  // namespace preview_window
}  // namespace movrel
