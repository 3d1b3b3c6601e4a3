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

namespace {
const WindowClass kCanvasClass = {L"MovrelPreviewCanvas"};
}  // namespace

bool PreviewCanvas::Open(HWND parent, int id) {
  return Create(kCanvasClass, 0, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent, id);
}

LRESULT PreviewCanvas::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      preview_.PaintCanvas(handle());
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_LBUTTONDOWN:
      // The keys go to the window again after a button or the slider had
      // the focus.
      SetFocus(GetParent(handle()));
      return 0;
    case WM_MOUSEMOVE: {
      POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
      MapWindowPoints(handle(), GetParent(handle()), &at, 1);
      preview_.OnMouseAt(at.y);
      return 0;
    }
  }
  return Default(message, wParam, lParam);
}

bool PreviewWindow::CreateCanvasBuffer(int width, int height) {
  // A frame too large for memory leaves the canvas without a picture.
  return picture_.Fit(width, height, 24);
}

void PreviewWindow::ClearCanvas() {
  if (!picture_) return;
  PatBlt(picture_.dc(), 0, 0, picture_.width(), picture_.height(), BLACKNESS);
  InvalidateRect(Control(PC::画板), nullptr, FALSE);
}

void PreviewWindow::DrawPicture(const std::string& bmpBytes, FramePosition at) {
  // The one reading of BMP headers says where the rows are and that they
  // lie inside the bytes.
  BmpFileLayout layout;
  if (!picture_ || !IsLoadableBmpFile(bmpBytes, &layout)) return;
  const auto* file = reinterpret_cast<const uint8_t*>(bmpBytes.data());
  const size_t pixelOffset = layout.pixelOffset;
  if (pixelOffset <= kFileHeaderBytes || pixelOffset >= bmpBytes.size()) return;
  // GDI gets the header and colour table from an aligned copy.
  std::vector<uint32_t> header((pixelOffset - kFileHeaderBytes + 3) / 4, 0);
  memcpy(header.data(), file + kFileHeaderBytes, pixelOffset - kFileHeaderBytes);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(header.data());
  const int width = layout.width, height = layout.height;
  SetDIBitsToDevice(picture_.dc(), at.left, at.top, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                    static_cast<UINT>(height), file + pixelOffset, info, DIB_RGB_COLORS);
  GdiFlush();
  RECT changed{at.left, at.top, at.left + width, at.top + height};
  InvalidateRect(Control(PC::画板), &changed, FALSE);
}

std::string PreviewWindow::SaveCanvas() const {
  if (!picture_.bits()) return std::string();
  GdiFlush();  // the section's bytes are complete only after GDI's batch ran
  return std::string(reinterpret_cast<const char*>(picture_.bits()), picture_.byteCount());
}

void PreviewWindow::RestoreCanvas(const std::string& pixels) {
  if (!picture_.bits() || pixels.size() != picture_.byteCount()) return;
  GdiFlush();
  memcpy(picture_.bits(), pixels.data(), picture_.byteCount());
  InvalidateRect(Control(PC::画板), nullptr, FALSE);
}

void PreviewWindow::PaintCanvas(HWND canvas) {
  PaintGuard paint(canvas);
  const RECT& r = paint.paint().rcPaint;
  if (picture_) {
    BitBlt(paint.dc(), r.left, r.top, r.right - r.left, r.bottom - r.top, picture_.dc(), r.left, r.top, SRCCOPY);
  } else {
    FillRect(paint.dc(), &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
}

}  // namespace preview_window
}  // namespace movrel
