// The preview's control bar: the table of its controls' places, the
// controls themselves with their lists and tips, and their layout as the
// window's size changes.
#include "output/preview_window_internal_win.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace movrel {
namespace preview_window {
namespace {

constexpr int kEditButtonStep96 = 30;
constexpr int kEditRowWidth96 = static_cast<int>(std::size(kEditButtons)) * kEditButtonStep96 + 2;

// Places in the control bar at 96 DPI: the slider on the first row (its
// width follows the bar), the buttons and the preview's settings below.
struct BarPlace {
  PC control;
  int x, y, width, height;
};
const BarPlace kBarPlaces[] = {
    {PC::滑块条, 4, 4, 0, 28},
    {PC::按钮播放, 4, 34, 28, 26},
    {PC::按钮循环, 34, 34, 28, 26},
    {PC::按钮钉住, 64, 34, 28, 26},
    {PC::按钮全屏, 94, 34, 28, 26},
    {PC::按钮退出, 124, 34, 28, 26},
    {PC::标签每帧变速, 162, 39, 66, 16},
    {PC::编辑框每帧变速, 228, 35, 48, 22},
    {PC::组合框变速单位, 280, 35, 46, 200},
    {PC::标签静态画面, 336, 39, 66, 16},
    {PC::组合框静态画面, 402, 35, 80, 200},
    {PC::标签预计大小, 490, 39, 220, 16},
};

// The preview's keys on its buttons and slider: a focused button would
// ignore them and the slider would move by its own rules.
LRESULT CALLBACK ControlKeyProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR previewWindow) {
  auto* owner = reinterpret_cast<PreviewWindow*>(previewWindow);
  if ((message == WM_KEYDOWN || message == WM_CHAR) && owner->OnKey(message, wParam)) return 0;
  return DefSubclassProc(control, message, wParam, lParam);
}

}  // namespace

namespace {
const WindowClass kBarClass = {L"MovrelPreviewBar", 0, IDC_ARROW, COLOR_BTNFACE};
}  // namespace

bool PreviewBar::Open(HWND parent, int id) {
  return Create(kBarClass, 0, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, 0, 0, parent, id);
}

LRESULT PreviewBar::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_DRAWITEM:
      return SendMessageW(GetParent(handle()), message, wParam, lParam);
  }
  return Default(message, wParam, lParam);
}

bool PreviewWindow::CreateControls() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  auto make = [&](PC control, DWORD exStyle, const wchar_t* cls, const char* text, DWORD style, HWND parent) {
    HWND handle = CreateWindowExW(exStyle, cls, ToWide(text).c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0,
                                  parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(PreviewControlId(control))),
                                  instance, nullptr);
    controls_[static_cast<int>(control)] = handle;
    if (handle) SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return handle;
  };
  // The canvas first and the bar above it, where they overlap when the
  // window is smaller than the frame.
  const RecorderState& state = recording_.state;
  int width = std::max(1, state.animationSize.width), height = std::max(1, state.animationSize.height);
  if (!canvas_.Open(handle(), PreviewControlId(PC::画板)) || !bar_.Open(handle(), PreviewControlId(PC::外形框))) {
    return false;
  }
  HWND canvas = canvas_.handle(), bar = bar_.handle();
  controls_[static_cast<int>(PC::画板)] = canvas;
  controls_[static_cast<int>(PC::外形框)] = bar;
  SetWindowPos(bar, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  MoveWindow(canvas, 0, 0, width, height, FALSE);
  CreateCanvasBuffer(width, height);

  make(PC::滑块条, 0, TRACKBAR_CLASSW, "", TBS_HORZ | TBS_NOTICKS | TBS_ENABLESELRANGE | WS_TABSTOP, bar);
  make(PC::按钮播放, 0, L"BUTTON", "播放\\暂停", BS_OWNERDRAW | WS_TABSTOP, bar);
  make(PC::按钮循环, 0, L"BUTTON", "循环", BS_OWNERDRAW | WS_TABSTOP, bar);
  make(PC::按钮钉住, 0, L"BUTTON", "钉住", BS_OWNERDRAW | WS_TABSTOP, bar);
  make(PC::按钮全屏, 0, L"BUTTON", "全屏", BS_OWNERDRAW | WS_TABSTOP, bar);
  make(PC::按钮退出, 0, L"BUTTON", "退出", BS_OWNERDRAW | WS_TABSTOP, bar);
  make(PC::按钮设为起点, 0, L"BUTTON", "设为起点", BS_OWNERDRAW | WS_TABSTOP, bar);
  make(PC::按钮设为终点, 0, L"BUTTON", "设为终点", BS_OWNERDRAW | WS_TABSTOP, bar);
  make(PC::按钮删除本帧, 0, L"BUTTON", "删除本帧", BS_OWNERDRAW | WS_TABSTOP, bar);
  make(PC::按钮裁掉首尾, 0, L"BUTTON", "裁掉首尾", BS_OWNERDRAW | WS_TABSTOP, bar);
  make(PC::按钮撤销, 0, L"BUTTON", "撤销", BS_OWNERDRAW | WS_TABSTOP, bar);
  make(PC::标签每帧变速, 0, L"STATIC", "每帧变速：", SS_LEFT, bar);
  make(PC::编辑框每帧变速, WS_EX_CLIENTEDGE, L"EDIT", "", ES_AUTOHSCROLL | WS_TABSTOP, bar);
  HWND units = make(PC::组合框变速单位, 0, L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, bar);
  make(PC::标签静态画面, 0, L"STATIC", "静止画面：", SS_LEFT, bar);
  HWND still = make(PC::组合框静态画面, 0, L"COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, bar);
  make(PC::标签预计大小, 0, L"STATIC", kEstimatingText, SS_LEFT | SS_NOPREFIX, bar);
  for (HWND handle : controls_) {
    if (!handle) return false;
  }
  for (const char* item : TimeUnitItems()) {
    SendMessageW(units, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(item).c_str()));
  }
  for (const char* item : StillFramesItems()) {
    SendMessageW(still, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ToWide(item).c_str()));
  }
  for (const BarPlace& p : kBarPlaces) {
    MoveWindow(Control(p.control), Scale(p.x, dpi_), Scale(p.y, dpi_), Scale(p.width, dpi_), Scale(p.height, dpi_),
               FALSE);
  }
  for (PC control : {PC::滑块条, PC::按钮播放, PC::按钮循环, PC::按钮钉住, PC::按钮全屏, PC::按钮退出}) {
    SetWindowSubclass(Control(control), ControlKeyProc, 0, reinterpret_cast<DWORD_PTR>(this));
  }
  for (PC control : kEditButtons) SetWindowSubclass(Control(control), ControlKeyProc, 0, reinterpret_cast<DWORD_PTR>(this));

  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, handle(),
                             nullptr, instance, nullptr);
  const std::pair<PC, const char*> tips[] = {
      {PC::按钮播放, "播放\\暂停"}, {PC::按钮循环, "循环播放"}, {PC::按钮钉住, "钉住控制栏"},
      {PC::按钮全屏, "全屏\\还原"}, {PC::按钮退出, "退出预览"}, {PC::按钮设为起点, "设为起点 ["},
      {PC::按钮设为终点, "设为终点 ]"}, {PC::按钮删除本帧, "删除本帧 Delete"},
      {PC::按钮裁掉首尾, "去掉开头和结尾没有变化的帧 T"}, {PC::按钮撤销, "撤销 Ctrl+Z"},
  };
  if (tooltip_) {
    for (const auto& [control, tip] : tips) {
      std::wstring text = ToWide(tip);
      TOOLINFOW info{};
      info.cbSize = sizeof info;
      info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
      info.hwnd = bar;
      info.uId = reinterpret_cast<UINT_PTR>(Control(control));
      info.lpszText = text.data();
      SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
  }
  return true;
}

void PreviewWindow::LayOut() {
  RECT client{};
  GetClientRect(handle(), &client);
  PreviewLayout layout = LayOutPreview(client.right, client.bottom, BarHeight(),
                                       {Scale(4, dpi_), Scale(4, dpi_), 0, Scale(28, dpi_)},
                                       Scale(kEditRowWidth96, dpi_));
  MoveWindow(Control(PC::外形框), layout.bar.left, layout.bar.top, layout.bar.width, layout.bar.height, TRUE);
  MoveWindow(Control(PC::滑块条), layout.slider.left, layout.slider.top, layout.slider.width, layout.slider.height,
             TRUE);
  int x = layout.edit.left;
  for (PC control : kEditButtons) {
    MoveWindow(Control(control), x, layout.edit.top, Scale(28, dpi_), Scale(26, dpi_), TRUE);
    x += Scale(kEditButtonStep96, dpi_);
  }
}

}  // namespace preview_window
}  // namespace movrel
