#include "app/pictures_win.h"

#include <algorithm>
#include <cstring>

namespace movrel {
namespace {

COLORREF Lighter(COLORREF c) {
  return RGB((GetRValue(c) + 255) / 2, (GetGValue(c) + 255) / 2, (GetBValue(c) + 255) / 2);
}

}  // namespace

void DrawCommandPicture(HDC dc, const RECT& area, CommandPicture picture, bool enabled, bool hovered) {
  int size = std::min(area.right - area.left, area.bottom - area.top) * 2 / 3;
  if (size < 6) size = 6;
  int cx = (area.left + area.right) / 2, cy = (area.top + area.bottom) / 2;
  RECT box = {cx - size / 2, cy - size / 2, cx - size / 2 + size, cy - size / 2 + size};
  COLORREF colour = RGB(0, 0, 0);
  switch (picture) {
    case CommandPicture::kStart: colour = RGB(220, 0, 0); break;
    case CommandPicture::kPause: colour = RGB(230, 120, 0); break;
    case CommandPicture::kStop: colour = RGB(128, 0, 160); break;
    case CommandPicture::kPreview: colour = RGB(0, 150, 0); break;
    case CommandPicture::kSave: colour = RGB(0, 80, 200); break;
    case CommandPicture::kRectangle: colour = RGB(0, 80, 200); break;
  }
  if (!enabled) colour = GetSysColor(COLOR_GRAYTEXT);
  else if (hovered) colour = Lighter(colour);

  UniqueBrush brush(CreateSolidBrush(colour));
  UniquePen pen(CreatePen(PS_SOLID, 1, enabled ? RGB(60, 60, 60) : colour));
  SelectGuard selectBrush(dc, brush.get());
  SelectGuard selectPen(dc, pen.get());
  switch (picture) {
    case CommandPicture::kStart:
      Ellipse(dc, box.left, box.top, box.right, box.bottom);
      break;
    case CommandPicture::kPause: {
      int bar = std::max(2, size / 3);
      Rectangle(dc, box.left, box.top, box.left + bar, box.bottom);
      Rectangle(dc, box.right - bar, box.top, box.right, box.bottom);
      break;
    }
    case CommandPicture::kStop:
      Rectangle(dc, box.left, box.top, box.right, box.bottom);
      break;
    case CommandPicture::kPreview: {
      POINT points[3] = {{box.left, box.top}, {box.right, cy}, {box.left, box.bottom}};
      Polygon(dc, points, 3);
      break;
    }
    case CommandPicture::kSave: {
      Rectangle(dc, box.left, box.top, box.right, box.bottom);
      RECT label = {box.left + size / 4, box.top + 1, box.right - size / 4, box.top + size / 3};
      FillRect(dc, &label, GetSysColorBrush(COLOR_WINDOW));
      RECT slot = {box.left + size / 5, box.bottom - size / 3, box.right - size / 5, box.bottom - 1};
      FillRect(dc, &slot, GetSysColorBrush(COLOR_WINDOW));
      break;
    }
    case CommandPicture::kRectangle: {
      // A dashed selection with its corner handles.
      UniquePen dash(CreatePen(PS_DOT, 1, colour));
      SelectGuard selectDash(dc, dash.get());
      SelectGuard hollow(dc, GetStockObject(NULL_BRUSH));
      Rectangle(dc, box.left, box.top, box.right, box.bottom);
      int h = std::max(2, size / 6);
      POINT corners[4] = {{box.left, box.top}, {box.right - 1, box.top}, {box.left, box.bottom - 1}, {box.right - 1, box.bottom - 1}};
      for (const POINT& p : corners) {
        RECT handle = {p.x - h / 2 - 1, p.y - h / 2 - 1, p.x + h / 2 + 1, p.y + h / 2 + 1};
        FillRect(dc, &handle, brush.get());
      }
      break;
    }
  }
}

UniqueBitmap BitmapFromBmpBytes(const std::string& bmp) {
  if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') return UniqueBitmap();
  uint32_t pixelOffset = 0;
  std::memcpy(&pixelOffset, bmp.data() + 10, 4);
  const auto* info = reinterpret_cast<const BITMAPINFO*>(bmp.data() + 14);
  const BITMAPINFOHEADER& h = info->bmiHeader;
  if (h.biSize < 40 || h.biWidth <= 0 || h.biHeight == 0 || pixelOffset >= bmp.size()) return UniqueBitmap();
  long long rows = h.biHeight < 0 ? -static_cast<long long>(h.biHeight) : h.biHeight;
  long long stride = ((static_cast<long long>(h.biWidth) * h.biBitCount + 31) >> 5) << 2;
  if (static_cast<long long>(bmp.size() - pixelOffset) < stride * rows) return UniqueBitmap();
  void* bits = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return UniqueBitmap();
  std::memcpy(bits, bmp.data() + pixelOffset, static_cast<size_t>(stride * rows));
  GdiFlush();
  return bitmap;
}

}  // namespace movrel
