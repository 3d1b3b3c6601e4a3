// The main window's painted parts: the owner-drawn controls (colour
// pickers, the sample frame, the rectangle button, the command pictures),
// the links' colours, and the sample frame's full-size view.
#include "app/main_window_internal_win.h"

#include <algorithm>

#include "app/pictures_win.h"
#include "common/desktop_win.h"
#include "common/handle_win.h"
#include "record/composer_rules.h"
#include "ui/window_win.h"

namespace movrel {
namespace main_window {
namespace {

constexpr COLORREF kLinkColour = RGB(0, 0, 204);
constexpr COLORREF kStopLinkColour = RGB(128, 0, 160);  // violet while a recording can be stopped

void DrawColourPicker(const DRAWITEMSTRUCT& item, COLORREF colour) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  bool enabled = !(item.itemState & ODS_DISABLED);
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | ((item.itemState & ODS_SELECTED) ? DFCS_PUSHED : 0));
  InflateRect(&r, -4, -4);
  if (colour == kTransparentColour) {
    // A crossed white swatch stands for "no colour".
    FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
    UniquePen pen(CreatePen(PS_SOLID, 1, enabled ? RGB(220, 0, 0) : GetSysColor(COLOR_GRAYTEXT)));
    SelectGuard select(dc, pen.get());
    MoveToEx(dc, r.left, r.bottom - 1, nullptr);
    LineTo(dc, r.right, r.top - 1);
  } else {
    UniqueBrush brush(CreateSolidBrush(enabled ? colour : GetSysColor(COLOR_BTNFACE)));
    FillRect(dc, &r, brush.get());
  }
  FrameRect(dc, &r, GetSysColorBrush(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  if (item.itemState & ODS_FOCUS) {
    RECT focus = item.rcItem;
    InflateRect(&focus, -2, -2);
    DrawFocusRect(dc, &focus);
  }
}

void DrawCanvas(MainWindow& w, const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  FillRect(dc, &r, GetSysColorBrush(COLOR_APPWORKSPACE));
  if (!w.sampleBitmap) return;
  BITMAP bm{};
  if (!GetObjectW(w.sampleBitmap.get(), sizeof bm, &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0) return;
  // Fit the frame into the canvas, keeping its proportions; never enlarge.
  int areaW = r.right - r.left, areaH = r.bottom - r.top;
  double scale = std::min(1.0, std::min(static_cast<double>(areaW) / bm.bmWidth, static_cast<double>(areaH) / bm.bmHeight));
  int drawW = std::max(1, static_cast<int>(bm.bmWidth * scale));
  int drawH = std::max(1, static_cast<int>(bm.bmHeight * scale));
  int x = r.left + (areaW - drawW) / 2, y = r.top + (areaH - drawH) / 2;
  UniqueMemoryDc memory(CreateCompatibleDC(dc));
  SelectGuard select(memory.get(), w.sampleBitmap.get());
  SetStretchBltMode(dc, HALFTONE);
  SetBrushOrgEx(dc, 0, 0, nullptr);
  StretchBlt(dc, x, y, drawW, drawH, memory.get(), 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
}

}  // namespace

void OnDrawItem(MainWindow& w, const DRAWITEMSTRUCT& item) {
  ControlIndex index = ControlFromId(static_cast<int>(item.CtlID));
  if (index == kControlCount) return;
  bool enabled = !(item.itemState & ODS_DISABLED) && IsWindowEnabled(item.hwndItem);
  switch (Control(index).kind) {
    case ControlKind::kColourPicker:
      DrawColourPicker(item, w.pickerColours[index]);
      return;
    case ControlKind::kCanvas:
      DrawCanvas(w, item);
      return;
    case ControlKind::kPictureButton: {
      RECT r = item.rcItem;
      DrawFrameControl(item.hDC, &r, DFC_BUTTON,
                       DFCS_BUTTONPUSH | ((item.itemState & ODS_SELECTED) ? DFCS_PUSHED : 0));
      DrawCommandPicture(item.hDC, item.rcItem, CommandPicture::kRectangle, enabled, w.hovered == index);
      if (item.itemState & ODS_FOCUS) {
        InflateRect(&r, -3, -3);
        DrawFocusRect(item.hDC, &r);
      }
      return;
    }
    case ControlKind::kPicture: {
      FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
      CommandPicture picture = CommandPicture::kStart;
      if (index == 图片框开始录制) picture = w.recordingLook ? CommandPicture::kPause : CommandPicture::kStart;
      if (index == 图片框停止录制) picture = CommandPicture::kStop;
      if (index == 图片框预览播放) picture = CommandPicture::kPreview;
      if (index == 图片框保存动画) picture = CommandPicture::kSave;
      DrawCommandPicture(item.hDC, item.rcItem, picture, enabled, w.hovered == index);
      return;
    }
    default:
      return;
  }
}

LRESULT OnCtlColorStatic(MainWindow& w, HDC dc, HWND control) {
  ControlIndex index = ControlFromId(GetDlgCtrlID(control));
  SetBkMode(dc, TRANSPARENT);
  if (index != kControlCount && IsLink(index) && IsWindowEnabled(control)) {
    bool stop = index == 链接停止录制;
    COLORREF colour = stop ? kStopLinkColour : kLinkColour;
    if (w.hovered == index) colour = RGB(255, 0, 0);
    SetTextColor(dc, colour);
  }
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

// ---- the full-size view of the sample frame -----------------------------

namespace {

const WindowClass kSampleViewClass = {L"MovrelSampleView", 0, IDC_HAND};

class SampleView : public Window {
 public:
  ~SampleView() override { Destroy(); }
  bool Open(int x, int y, int width, int height, HWND owner) {
    return Create(kSampleViewClass, WS_EX_TOOLWINDOW, L"", WS_POPUP | WS_BORDER, x, y, width, height, owner);
  }
  bool closed() const { return closed_; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_PAINT: {
        PaintGuard paint(handle());
        HBITMAP bitmap = Main().sampleBitmap.get();
        BITMAP bm{};
        if (bitmap && GetObjectW(bitmap, sizeof bm, &bm)) {
          UniqueMemoryDc memory(CreateCompatibleDC(paint.dc()));
          SelectGuard select(memory.get(), bitmap);
          BitBlt(paint.dc(), 0, 0, bm.bmWidth, bm.bmHeight, memory.get(), 0, 0, SRCCOPY);
        }
        return 0;
      }
      case WM_LBUTTONUP:
      case WM_RBUTTONUP:
      case WM_CLOSE:
        closed_ = true;
        return 0;
      case WM_KEYDOWN:
        if (wParam == VK_ESCAPE) closed_ = true;
        return 0;
    }
    return Default(message, wParam, lParam);
  }

 private:
  bool closed_ = false;
};

}  // namespace

void ShowSampleFullSize(MainWindow& w) {
  BITMAP bm{};
  if (!w.sampleBitmap || !GetObjectW(w.sampleBitmap.get(), sizeof bm, &bm)) return;
  RECT frame = {0, 0, bm.bmWidth, bm.bmHeight};
  AdjustWindowRectEx(&frame, WS_POPUP | WS_BORDER, FALSE, WS_EX_TOOLWINDOW);
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const POINT at = CentredOnHome(width, height);
  SampleView view;
  if (!view.Open(at.x, at.y, width, height, w.window)) return;
  ShowWindow(view.handle(), SW_SHOW);
  SetForegroundWindow(view.handle());
  RunModalLoop(w.window, [&view] { return view.closed() || !view.handle(); });
  view.Destroy();
  SetForegroundWindow(w.window);
}

}  // namespace main_window
}  // namespace movrel
