// The preview's owner-drawn buttons: each one's symbol, its on state
// (loop, pin, full screen) and which of the edit buttons can be pressed.
#include "output/preview_window_internal_win.h"

#include <algorithm>

namespace movrel {
namespace preview_window {
namespace {

constexpr COLORREF kSymbolColour = RGB(48, 48, 56);
constexpr COLORREF kOnColour = RGB(196, 218, 250);

void DrawSymbol(HDC dc, PC control, const RECT& box, bool playing, bool enabled) {
  const int w = box.right - box.left, h = box.bottom - box.top;
  const int s = std::max(6, std::min(w, h) - 12);  // the symbol's square
  const int x = box.left + (w - s) / 2, y = box.top + (h - s) / 2;
  const COLORREF colour = enabled ? kSymbolColour : GetSysColor(COLOR_GRAYTEXT);
  UniqueBrush brush(CreateSolidBrush(colour));
  UniquePen pen(CreatePen(PS_SOLID, std::max(2, s / 7), colour));
  SelectGuard brushGuard(dc, brush.get());
  SelectGuard penGuard(dc, pen.get());
  switch (control) {
    case PC::按钮播放:
      if (playing) {  // what a click does: pause
        RECT left{x + s / 8, y, x + s * 3 / 8 + 1, y + s + 1}, right{x + s * 5 / 8, y, x + s * 7 / 8 + 1, y + s + 1};
        FillRect(dc, &left, brush.get());
        FillRect(dc, &right, brush.get());
      } else {  // play
        POINT triangle[] = {{x + s / 6, y}, {x + s / 6, y + s}, {x + s, y + s / 2}};
        Polygon(dc, triangle, 3);
      }
      break;
    case PC::按钮循环: {
      // A circle open between the right and the upper right, run
      // counterclockwise, with an arrow head at its end pointing on.
      const int cy = y + s / 2;
      Arc(dc, x, y, x + s, y + s, x + s * 3 / 4, y, x + s, cy);
      POINT head[] = {{x + s - s / 5, cy}, {x + s + s / 5, cy}, {x + s, cy - s / 3}};
      Polygon(dc, head, 3);
      break;
    }
    case PC::按钮钉住: {
      // A pushpin: a round head and a needle.
      Ellipse(dc, x + s / 4, y, x + s * 3 / 4 + 1, y + s / 2 + 1);
      RECT collar{x + s / 8, y + s / 2 - 1, x + s * 7 / 8 + 1, y + s / 2 + 2};
      FillRect(dc, &collar, brush.get());
      MoveToEx(dc, x + s / 2, y + s / 2, nullptr);
      LineTo(dc, x + s / 2, y + s);
      break;
    }
    case PC::按钮全屏: {
      // Four corners pointing outwards.
      const int c = s / 3;
      const POINT corners[4][3] = {{{x, y + c}, {x, y}, {x + c, y}},
                                   {{x + s - c, y}, {x + s, y}, {x + s, y + c}},
                                   {{x + s, y + s - c}, {x + s, y + s}, {x + s - c, y + s}},
                                   {{x + c, y + s}, {x, y + s}, {x, y + s - c}}};
      for (const auto& corner : corners) Polyline(dc, corner, 3);
      break;
    }
    case PC::按钮退出:
      MoveToEx(dc, x, y, nullptr);
      LineTo(dc, x + s, y + s);
      MoveToEx(dc, x + s, y, nullptr);
      LineTo(dc, x, y + s);
      break;
    case PC::按钮设为起点:
    case PC::按钮设为终点: {
      // A bracket where the kept frames begin or end, and the kept frames
      // running on from it.
      const bool start = control == PC::按钮设为起点;
      const int edge = start ? x + s / 6 : x + s - s / 6, lip = start ? s / 3 : -s / 3;
      const POINT bracket[] = {{edge + lip, y}, {edge, y}, {edge, y + s}, {edge + lip, y + s}};
      Polyline(dc, bracket, 4);
      MoveToEx(dc, start ? edge + s / 3 : x, y + s / 2, nullptr);
      LineTo(dc, start ? x + s : edge - s / 3, y + s / 2);
      break;
    }
    case PC::按钮删除本帧: {
      // A frame struck through.
      const POINT frame[] = {{x + s / 6, y}, {x + s - s / 6, y}, {x + s - s / 6, y + s}, {x + s / 6, y + s},
                             {x + s / 6, y}};
      Polyline(dc, frame, 5);
      MoveToEx(dc, x, y + s, nullptr);
      LineTo(dc, x + s, y);
      break;
    }
    case PC::按钮裁掉首尾: {
      // Both brackets at once, the kept frames running between them.
      const int left = x + s / 8, right = x + s - s / 8, lip = s / 4;
      const POINT start[] = {{left + lip, y}, {left, y}, {left, y + s}, {left + lip, y + s}};
      const POINT end[] = {{right - lip, y}, {right, y}, {right, y + s}, {right - lip, y + s}};
      Polyline(dc, start, 4);
      Polyline(dc, end, 4);
      MoveToEx(dc, left + s / 4, y + s / 2, nullptr);
      LineTo(dc, right - s / 4 + 1, y + s / 2);
      break;
    }
    case PC::按钮撤销: {
      // An arc over the top, run from the right to the left, with an arrow
      // head at its end pointing down.
      const int cy = y + s * 2 / 3;
      Arc(dc, x, y, x + s, y + s * 4 / 3, x + s, cy, x, cy);
      const POINT head[] = {{x - s / 5, cy - s / 6}, {x + s / 5, cy - s / 6}, {x, cy + s / 4}};
      Polygon(dc, head, 3);
      break;
    }
    default:
      break;
  }
}

}  // namespace

void PreviewWindow::DrawButton(const DRAWITEMSTRUCT& item) {
  PC control = ControlFromId(static_cast<int>(item.CtlID));
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  // The two-state buttons show their on state sunken and tinted; the play
  // button shows its state by its symbol.
  bool on = control != PC::按钮播放 && ButtonOn(control);
  bool down = (item.itemState & ODS_SELECTED) != 0;
  if (on) {
    UniqueBrush tint(CreateSolidBrush(kOnColour));
    FillRect(dc, &r, tint.get());
  } else {
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  }
  DrawEdge(dc, &r, (on || down) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  RECT box = r;
  if (down) OffsetRect(&box, 1, 1);
  DrawSymbol(dc, control, box, ButtonOn(PC::按钮播放), (item.itemState & ODS_DISABLED) == 0);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = r;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(dc, &focus);
  }
}

void PreviewWindow::SetButtonOn(PC control, bool on) {
  HWND button = Control(control);
  SetWindowLongPtrW(button, GWLP_USERDATA, on ? 1 : 0);
  InvalidateRect(button, nullptr, FALSE);
}

void PreviewWindow::ShowEditState(const PreviewEditState& state) {
  for (PC control : kEditButtons) {
    HWND button = Control(control);
    const bool enabled = control == PC::按钮撤销     ? state.canUndo
                         : control == PC::按钮裁掉首尾 ? state.canTrim
                                                      : state.canCut;
    // A disabled button cannot keep the focus: the window takes it, so the
    // keys still arrive.
    if (!enabled && GetFocus() == button) SetFocus(handle());
    EnableWindow(button, enabled);
  }
}

}  // namespace preview_window
}  // namespace movrel
