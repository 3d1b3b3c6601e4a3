#include "output/preview_window_win.h"

#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "bitmap/bmp_layout.h"
#include "common/desktop_win.h"
#include "common/gbk_win.h"
#include "common/handle_win.h"
#include "output/compose_win.h"
#include "output/output_window_win.h"
#include "output/preview_controls.h"
#include "output/preview_player.h"
#include "output/size_estimate_win.h"
#include "output/store_frames.h"
#include "record/recorder.h"
#include "ui/ui_win.h"

namespace movrel {
namespace {

using PC = PreviewControl;

const wchar_t kCanvasClass[] = L"MovrelPreviewCanvas";
const wchar_t kBarClass[] = L"MovrelPreviewBar";
constexpr UINT_PTR kPreviewTimerId = 1;  // 预览时钟
// A slider move is drawn once no other message waits: timer messages come
// only when the queue is otherwise empty, so a fast drag draws its latest
// position instead of every position it passed.
constexpr UINT_PTR kSliderTimerId = 2;
// A change starts the size estimate once no other change came for this
// long, so typing a number counts once, not once per digit.
constexpr UINT_PTR kEstimateTimerId = 3;
constexpr UINT kEstimateDelayMs = 300;
constexpr UINT kEstimateMessage = WM_APP + 1;  // a count finished; wParam its number
constexpr int kBarHeight96 = 64;
constexpr int kMinClientWidth96 = 716;
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
constexpr COLORREF kSymbolColour = RGB(48, 48, 56);
constexpr COLORREF kOnColour = RGB(196, 218, 250);
// The edit buttons sit in a row at the right end of the slider's row.
const PC kEditButtons[] = {PC::按钮设为起点, PC::按钮设为终点, PC::按钮删除本帧, PC::按钮撤销};
constexpr int kEditButtonStep96 = 30;
constexpr int kEditRowWidth96 = 4 * kEditButtonStep96 + 2;

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

PC ControlFromId(int id) {
  int index = id - kFirstPreviewControlId;
  return index >= 0 && index < kPreviewControlCount ? static_cast<PC>(index) : PC::kCount;
}

class PreviewWindow;
std::unique_ptr<PreviewWindow> preview;
// Pauses of the size estimate not yet resumed (PauseSizeEstimate).
int estimatePauses = 0;

class PreviewWindow : public PreviewView {
 public:
  PreviewWindow() : player_(frames_, *this, RecordingState().startIntervalMs, &RecordingCut()) {}
  ~PreviewWindow() override { ReleaseCanvas(); }

  bool Create();
  LRESULT Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND window() const { return window_; }

  // PreviewView
  void ClearCanvas() override;
  void DrawPicture(const std::string& bmpBytes, FramePosition at) override;
  void SetCaption(const std::string& text) override { SetWindowTextGbk(window_, text); }
  void SetSliderRange(int maximum, int keptFirst, int keptLast) override {
    HWND slider = Control(PC::滑块条);
    SendMessageW(slider, TBM_SETRANGEMIN, FALSE, maximum > 0 ? 1 : 0);
    SendMessageW(slider, TBM_SETRANGEMAX, FALSE, maximum);
    // The kept range is the slider's selection: the bar between its marks.
    SendMessageW(slider, TBM_SETSELSTART, FALSE, keptFirst);
    SendMessageW(slider, TBM_SETSELEND, TRUE, keptLast);
  }
  void SetSliderPosition(int position) override {
    SendMessageW(Control(PC::滑块条), TBM_SETPOS, TRUE, position);
  }
  void SetTimerInterval(int32_t ms) override {
    if (ms > 0) {
      SetTimer(window_, kPreviewTimerId, static_cast<UINT>(ms), nullptr);
    } else {
      KillTimer(window_, kPreviewTimerId);
    }
  }
  void ShowPlaying(bool playing) override { SetButtonOn(PC::按钮播放, playing); }
  void ShowEditState(bool canCut, bool canUndo) override;
  std::string SaveCanvas() const override;
  void RestoreCanvas(const std::string& pixels) override;

  void PaintCanvas(HWND canvas);
  void OnMouseAt(int clientY);
  // A key press (WM_KEYDOWN) or a typed character (WM_CHAR) on the window,
  // its canvas, buttons or slider; true when it was one of the preview's
  // keys.
  bool OnKey(UINT message, WPARAM key);

  // The size estimate: restarted after a change, stopped while the store
  // may change.
  void ScheduleEstimate();
  void StopEstimate();

 private:
  HWND Control(PC control) const { return controls_[static_cast<int>(control)]; }
  int ListIndex(PC list) const { return static_cast<int>(SendMessageW(Control(list), CB_GETCURSEL, 0, 0)); }
  void SetListIndex(PC list, int index) { SendMessageW(Control(list), CB_SETCURSEL, static_cast<WPARAM>(index), 0); }
  bool CreateControls();
  bool CreateCanvasBuffer(int width, int height);
  void ReleaseCanvas();
  void Place();
  void LayOut();
  void SetButtonOn(PC control, bool on);
  bool ButtonOn(PC control) const { return GetWindowLongPtrW(Control(control), GWLP_USERDATA) != 0; }
  void ShowBar(bool visible);
  void ToggleFullScreen();
  void OnCommand(PC control, int code);
  void OnSlider(int code);
  void ShowSliderPosition();
  void DrawButton(const DRAWITEMSTRUCT& item);
  void WriteBackAndClose();
  PreviewSettings ShownSettings() const;
  // A key or an edit button; the estimate follows a changed cut.
  void Act(PreviewAction action);
  void StartEstimate();
  void ShowEstimate(WPARAM number);
  void SetEstimateText(const std::string& text) { SetWindowTextGbk(Control(PC::标签预计大小), text); }
  int BarHeight() const { return Scale(kBarHeight96, dpi_); }

  HWND window_ = nullptr;
  HWND controls_[kPreviewControlCount] = {};
  HWND tooltip_ = nullptr;
  UINT dpi_ = 96;
  UniqueFont font_;
  StoreFrames frames_{Frames()};
  PreviewPlayer player_;
  bool loading_ = false;  // settings are being copied in: change handlers wait
  bool barVisible_ = true;
  // The canvas picture, kept in a 24-bit section so that frames are copied
  // into it pixel for pixel.
  UniqueMemoryDc canvasDc_;
  UniqueBitmap canvasBitmap_;
  HGDIOBJ canvasPrevious_ = nullptr;
  void* canvasBits_ = nullptr;
  size_t canvasBytes_ = 0;
  int canvasWidth_ = 0, canvasHeight_ = 0;
  bool sliderMovePending_ = false;
  // Full screen: the bounds and style to go back to.
  bool fullScreen_ = false;
  WINDOWPLACEMENT savedPlacement_{};
  LONG savedStyle_ = 0;
  // Made with the window, which its counts are posted to.
  std::unique_ptr<SizeEstimator> estimator_;
  bool estimateBeforePass_ = false;  // the count under way is of uncropped classic frames
};

LRESULT CALLBACK PreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  PreviewWindow* self = preview.get();
  if (!self) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    LRESULT result = DefWindowProcW(window, message, wParam, lParam);
    preview.reset();  // the last message the window gets
    return result;
  }
  return self->Handle(window, message, wParam, lParam);
}

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

// The bar only holds the controls; their notifications go to the window.
LRESULT CALLBACK BarProc(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
    case WM_HSCROLL:
    case WM_DRAWITEM:
      return SendMessageW(GetParent(bar), message, wParam, lParam);
  }
  return DefWindowProcW(bar, message, wParam, lParam);
}

// The preview's keys on its buttons and slider: a focused button would
// ignore them and the slider would move by its own rules.
LRESULT CALLBACK ControlKeyProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if ((message == WM_KEYDOWN || message == WM_CHAR) && preview && preview->OnKey(message, wParam)) return 0;
  return DefSubclassProc(control, message, wParam, lParam);
}

bool RegisterClasses() {
  static bool registered = false;
  if (registered) return true;
  INITCOMMONCONTROLSEX common{sizeof common, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&common);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW cls{};
  cls.cbSize = sizeof cls;
  cls.hInstance = instance;
  cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);

  cls.lpfnWndProc = PreviewProc;
  cls.lpszClassName = kPreviewWindowClass;
  cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  cls.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  if (!RegisterClassExW(&cls)) return false;

  cls.lpfnWndProc = CanvasProc;
  cls.lpszClassName = kCanvasClass;
  cls.hIcon = nullptr;
  cls.hbrBackground = nullptr;
  if (!RegisterClassExW(&cls)) return false;

  cls.lpfnWndProc = BarProc;
  cls.lpszClassName = kBarClass;
  cls.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  if (!RegisterClassExW(&cls)) return false;
  registered = true;
  return true;
}

bool PreviewWindow::Create() {
  if (!RegisterClasses()) return false;
  window_ = CreateWindowExW(0, kPreviewWindowClass, L"", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                            TheOutputWindow().Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
  if (!window_) return false;
  dpi_ = WindowDpi(window_);
  font_ = CreateUiFont(dpi_);
  if (!CreateControls()) return false;

  // The preview's own copies of the main window's settings.
  const PreviewSettings settings = TheOutputWindow().ReadChoices().playback;
  loading_ = true;
  SetWindowTextGbk(Control(PC::编辑框每帧变速), settings.speedChangeText);
  SetListIndex(PC::组合框变速单位, TimeUnitIndex(settings.speedChangeUnit));
  SetListIndex(PC::组合框静态画面, StillFramesIndex(settings.stillFrames));
  loading_ = false;

  Place();
  SetButtonOn(PC::按钮循环, player_.Loop());
  SetButtonOn(PC::按钮钉住, player_.Pinned());
  player_.Open(settings);
  estimator_ = std::make_unique<SizeEstimator>(window_, kEstimateMessage);
  ScheduleEstimate();
  return true;
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
  const RecorderState& state = RecordingState();
  int width = std::max(1, state.animationSize.width), height = std::max(1, state.animationSize.height);
  HWND canvas = make(PC::画板, 0, kCanvasClass, "", WS_CLIPSIBLINGS, window_);
  HWND bar = make(PC::外形框, 0, kBarClass, "", WS_CLIPSIBLINGS | WS_CLIPCHILDREN, window_);
  if (!canvas || !bar) return false;
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
    SetWindowSubclass(Control(control), ControlKeyProc, 0, 0);
  }
  for (PC control : kEditButtons) SetWindowSubclass(Control(control), ControlKeyProc, 0, 0);

  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, window_,
                             nullptr, instance, nullptr);
  const std::pair<PC, const char*> tips[] = {
      {PC::按钮播放, "播放\\暂停"}, {PC::按钮循环, "循环播放"}, {PC::按钮钉住, "钉住控制栏"},
      {PC::按钮全屏, "全屏\\还原"}, {PC::按钮退出, "退出预览"}, {PC::按钮设为起点, "设为起点 ["},
      {PC::按钮设为终点, "设为终点 ]"}, {PC::按钮删除本帧, "删除本帧 Delete"}, {PC::按钮撤销, "撤销 Ctrl+Z"},
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

void PreviewWindow::Place() {
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  const RecorderState& state = RecordingState();
  // Full screen and the first placement are on the main window's monitor.
  PreviewPlacement placement = PlacePreviewWindow(
      HomeMonitor(), std::max(1, state.animationSize.width),
      std::max(1, state.animationSize.height), frame.right - frame.left, frame.bottom - frame.top, BarHeight(),
      Scale(kMinClientWidth96, dpi_));
  const PreviewRect& r = placement.window;
  MoveWindow(window_, r.left, r.top, r.width, r.height, FALSE);
  LayOut();
  ShowWindow(window_, placement.maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  UpdateWindow(window_);
}

void PreviewWindow::LayOut() {
  RECT client{};
  GetClientRect(window_, &client);
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

void PreviewWindow::ShowEditState(bool canCut, bool canUndo) {
  for (PC control : kEditButtons) {
    HWND button = Control(control);
    const bool enabled = control == PC::按钮撤销 ? canUndo : canCut;
    // A disabled button cannot keep the focus: the window takes it, so the
    // keys still arrive.
    if (!enabled && GetFocus() == button) SetFocus(window_);
    EnableWindow(button, enabled);
  }
}

bool PreviewWindow::OnKey(UINT message, WPARAM key) {
  const PreviewAction action = message == WM_CHAR
                                   ? PreviewCharAction(static_cast<uint32_t>(key))
                                   : PreviewKeyAction(static_cast<uint32_t>(key), GetKeyState(VK_CONTROL) < 0);
  if (action == PreviewAction::kNone) return false;
  Act(action);
  return true;
}

void PreviewWindow::Act(PreviewAction action) {
  const bool edits = action == PreviewAction::kSetStart || action == PreviewAction::kSetEnd ||
                     action == PreviewAction::kDrop || action == PreviewAction::kUndo;
  if (player_.Do(action) && edits) ScheduleEstimate();
}

void PreviewWindow::ScheduleEstimate() {
  if (!estimator_) return;
  // A result on its way is already out of date.
  estimator_->Cancel();
  SetEstimateText(kEstimatingText);
  if (estimatePauses > 0) {
    KillTimer(window_, kEstimateTimerId);
    return;
  }
  SetTimer(window_, kEstimateTimerId, kEstimateDelayMs, nullptr);
}

void PreviewWindow::StopEstimate() {
  KillTimer(window_, kEstimateTimerId);
  if (estimator_) estimator_->Stop();
}

void PreviewWindow::StartEstimate() {
  KillTimer(window_, kEstimateTimerId);
  if (!estimator_ || estimatePauses > 0) return;
  EstimateJob job;
  job.kept = player_.Cut().KeptFrames();
  // The preview's own delays with the main window's file settings: the
  // file a save would write once the preview hands its settings back.
  const FileChoiceError bad = ReadSaveRecipe(TheOutputWindow().ReadChoices(), ShownSettings(), &job.recipe);
  if (bad != FileChoiceError::kNone) {
    estimator_->Cancel();
    SetEstimateText(std::string("预计大小：“") + FileChoiceName(bad) + "”无效");
    return;
  }
  estimateBeforePass_ = !RecordingState().framesOptimized && job.recipe.options.layout == GifLayout::kClassic;
  if (!estimator_->Start(frames_, job)) SetEstimateText("预计大小：无法计算");
}

void PreviewWindow::ShowEstimate(WPARAM number) {
  EstimateResult result;
  if (estimator_ && estimator_->TakeResult(number, &result)) {
    SetEstimateText(EstimateText(result, estimateBeforePass_));
  }
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

void PreviewWindow::OnMouseAt(int clientY) {
  RECT client{};
  GetClientRect(window_, &client);
  ShowBar(player_.ControlBarVisible(clientY, client.bottom - BarHeight()));
}

void PreviewWindow::ShowBar(bool visible) {
  if (visible == barVisible_) return;
  barVisible_ = visible;
  ShowWindow(Control(PC::外形框), visible ? SW_SHOWNA : SW_HIDE);
}

void PreviewWindow::SetButtonOn(PC control, bool on) {
  HWND button = Control(control);
  SetWindowLongPtrW(button, GWLP_USERDATA, on ? 1 : 0);
  InvalidateRect(button, nullptr, FALSE);
}

void PreviewWindow::ToggleFullScreen() {
  if (!fullScreen_) {
    savedPlacement_.length = sizeof savedPlacement_;
    GetWindowPlacement(window_, &savedPlacement_);
    savedStyle_ = GetWindowLongW(window_, GWL_STYLE);
    SetWindowLongW(window_, GWL_STYLE, savedStyle_ & ~(WS_CAPTION | WS_THICKFRAME));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(window_, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& r = monitor.rcMonitor;
    SetWindowPos(window_, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    fullScreen_ = true;
  } else {
    SetWindowLongW(window_, GWL_STYLE, savedStyle_);
    SetWindowPlacement(window_, &savedPlacement_);
    SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    fullScreen_ = false;
  }
  SetButtonOn(PC::按钮全屏, fullScreen_);
  LayOut();
}

void PreviewWindow::OnCommand(PC control, int code) {
  switch (control) {
    case PC::按钮播放:
      if (code == BN_CLICKED) player_.SetPlaying(!player_.Playing());
      return;
    case PC::按钮循环:
      if (code == BN_CLICKED) {
        player_.SetLoop(!player_.Loop());
        SetButtonOn(PC::按钮循环, player_.Loop());
      }
      return;
    case PC::按钮钉住:
      if (code == BN_CLICKED) {
        player_.SetPinned(!player_.Pinned());
        SetButtonOn(PC::按钮钉住, player_.Pinned());
        if (player_.Pinned()) ShowBar(true);
      }
      return;
    case PC::按钮全屏:
      if (code == BN_CLICKED) ToggleFullScreen();
      return;
    case PC::按钮退出:
      if (code == BN_CLICKED) PostMessageW(window_, WM_CLOSE, 0, 0);
      return;
    case PC::按钮设为起点:
      if (code == BN_CLICKED) Act(PreviewAction::kSetStart);
      return;
    case PC::按钮设为终点:
      if (code == BN_CLICKED) Act(PreviewAction::kSetEnd);
      return;
    case PC::按钮删除本帧:
      if (code == BN_CLICKED) Act(PreviewAction::kDrop);
      return;
    case PC::按钮撤销:
      if (code == BN_CLICKED) Act(PreviewAction::kUndo);
      return;
    case PC::编辑框每帧变速:
      if (code == EN_CHANGE && !loading_) {
        player_.SetSpeedChangeText(GetWindowTextGbk(Control(control)));
        ScheduleEstimate();
      }
      return;
    case PC::组合框变速单位:
      if (code == CBN_SELCHANGE && !loading_) {
        player_.SetSpeedChangeUnit(TimeUnitAt(ListIndex(control)));
        ScheduleEstimate();
      }
      return;
    case PC::组合框静态画面:
      if (code == CBN_SELCHANGE && !loading_) {
        player_.SetStillFrames(StillFramesFromIndex(ListIndex(control)));
        ScheduleEstimate();
      }
      return;
    default:
      return;
  }
}

void PreviewWindow::OnSlider(int code) {
  if (code == TB_ENDTRACK || code == TB_THUMBPOSITION) {
    // The end of a drag or a click: its final position is shown now.
    if (code == TB_THUMBPOSITION || sliderMovePending_) ShowSliderPosition();
    return;
  }
  if (!sliderMovePending_) {
    sliderMovePending_ = true;
    SetTimer(window_, kSliderTimerId, USER_TIMER_MINIMUM, nullptr);
  }
}

void PreviewWindow::ShowSliderPosition() {
  sliderMovePending_ = false;
  KillTimer(window_, kSliderTimerId);
  player_.OnSliderMoved(static_cast<int>(SendMessageW(Control(PC::滑块条), TBM_GETPOS, 0, 0)));
}

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

PreviewSettings PreviewWindow::ShownSettings() const {
  PreviewSettings settings;
  settings.speedChangeText = GetWindowTextGbk(Control(PC::编辑框每帧变速));
  settings.speedChangeUnit = TimeUnitAt(ListIndex(PC::组合框变速单位));
  settings.stillFrames = StillFramesFromIndex(ListIndex(PC::组合框静态画面));
  return settings;
}

void PreviewWindow::WriteBackAndClose() {
  TheOutputWindow().KeepPreviewSettings(ShownSettings());
  DestroyWindow(window_);
}

LRESULT PreviewWindow::Handle(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_TIMER:
      if (wParam == kPreviewTimerId) player_.Tick();
      if (wParam == kSliderTimerId) ShowSliderPosition();
      if (wParam == kEstimateTimerId) StartEstimate();
      return 0;
    case kEstimateMessage:
      ShowEstimate(wParam);
      return 0;
    case WM_COMMAND:
      if (lParam) OnCommand(ControlFromId(LOWORD(wParam)), HIWORD(wParam));
      return 0;
    case WM_HSCROLL:
      if (reinterpret_cast<HWND>(lParam) == Control(PC::滑块条)) OnSlider(LOWORD(wParam));
      return 0;
    case WM_DRAWITEM:
      DrawButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
      return TRUE;
    case WM_MOUSEMOVE:
      OnMouseAt(GET_Y_LPARAM(lParam));
      return 0;
    case WM_KEYDOWN:
    case WM_CHAR:
      if (OnKey(message, wParam)) return 0;
      break;
    case WM_SIZE:
      if (window_ && Control(PC::外形框)) LayOut();
      return 0;
    case WM_GETMINMAXINFO: {
      RECT frame{0, 0, Scale(kMinClientWidth96, dpi_), BarHeight()};
      AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize.x = frame.right - frame.left;
      info->ptMinTrackSize.y = frame.bottom - frame.top;
      return 0;
    }
    case WM_CLOSE:
      WriteBackAndClose();
      return 0;
    case WM_DESTROY:
      // No count may read the store once the window is gone: the next
      // recording empties it.
      StopEstimate();
      KillTimer(window, kPreviewTimerId);
      KillTimer(window, kSliderTimerId);
      if (tooltip_) DestroyWindow(tooltip_);
      tooltip_ = nullptr;
      return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void ShowPreviewWindow() {
  if (preview) {
    BringWindowToFront(preview->window());
    return;
  }
  if (!RecordingState().hasRecording) return;
  preview = std::make_unique<PreviewWindow>();
  if (!preview->Create()) {
    HWND window = preview->window();
    if (window) {
      DestroyWindow(window);  // its last message drops the object
    } else {
      preview.reset();
    }
  }
}

bool PreviewWindowOpen() { return preview != nullptr; }

void ClosePreviewWindow() {
  if (preview) SendMessageW(preview->window(), WM_CLOSE, 0, 0);
}

void RefreshSizeEstimate() {
  if (preview) preview->ScheduleEstimate();
}

void PauseSizeEstimate() {
  ++estimatePauses;
  if (preview) preview->StopEstimate();
}

void ResumeSizeEstimate() {
  if (estimatePauses > 0) --estimatePauses;
  if (estimatePauses == 0 && preview) preview->ScheduleEstimate();
}

}  // namespace movrel
