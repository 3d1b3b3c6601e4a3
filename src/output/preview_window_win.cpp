// The preview window itself: its window procedure and state (the player,
// full screen, the shown bar, the slider's moves, the size estimate), its
// classes and placement, and the entry points of preview_window_win.h. Its
// canvas, buttons and control bar are in the files
// preview_window_internal_win.h names.
#include "output/preview_window_win.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>

#include "common/desktop_win.h"
#include "output/compose_win.h"
#include "output/output_window_win.h"
#include "output/preview_window_internal_win.h"

namespace movrel {
namespace preview_window {
namespace {

// A slider move is drawn once no other message waits: timer messages come
// only when the queue is otherwise empty, so a fast drag draws its latest
// position instead of every position it passed.
constexpr UINT_PTR kSliderTimerId = 2;
// A change starts the size estimate once no other change came for this
// long, so typing a number counts once, not once per digit.
constexpr UINT_PTR kEstimateTimerId = 3;
constexpr UINT kEstimateDelayMs = 300;
constexpr UINT kEstimateMessage = WM_APP + 1;  // a count finished; wParam its number
constexpr int kMinClientWidth96 = 716;
constexpr DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

// Pauses of the size estimate not yet resumed (PauseSizeEstimate).
int estimatePauses = 0;

const WindowClass kPreviewClass = {kPreviewWindowClass, 0, IDC_ARROW, -1, true, BLACK_BRUSH};

}  // namespace

std::unique_ptr<PreviewWindow> preview;

bool PreviewWindow::Create() {
  INITCOMMONCONTROLSEX common{sizeof common, ICC_BAR_CLASSES | ICC_TAB_CLASSES};
  InitCommonControlsEx(&common);
  if (!Window::Create(kPreviewClass, 0, L"", kWindowStyle, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                      TheOutputWindow().Handle())) {
    return false;
  }
  dpi_ = WindowDpi(handle());
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
  estimator_ = std::make_unique<SizeEstimator>(handle(), kEstimateMessage);
  ScheduleEstimate();
  return true;
}

void PreviewWindow::Place() {
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, kWindowStyle, FALSE, 0);
  const RecorderState& state = recording_.state;
  // Full screen and the first placement are on the main window's monitor.
  PreviewPlacement placement = PlacePreviewWindow(
      HomeMonitor(), std::max(1, state.animationSize.width),
      std::max(1, state.animationSize.height), frame.right - frame.left, frame.bottom - frame.top, BarHeight(),
      Scale(kMinClientWidth96, dpi_));
  const PreviewRect& r = placement.window;
  MoveWindow(handle(), r.left, r.top, r.width, r.height, FALSE);
  LayOut();
  ShowWindow(handle(), placement.maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
  UpdateWindow(handle());
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
                     action == PreviewAction::kDrop || action == PreviewAction::kTrimStillEnds ||
                     action == PreviewAction::kUndo;
  if (player_.Do(action) && edits) ScheduleEstimate();
}

void PreviewWindow::ScheduleEstimate() {
  if (!estimator_) return;
  // A result on its way is already out of date.
  estimator_->Cancel();
  SetEstimateText(kEstimatingText);
  if (estimatePauses > 0) {
    KillTimer(handle(), kEstimateTimerId);
    return;
  }
  SetTimer(handle(), kEstimateTimerId, kEstimateDelayMs, nullptr);
}

void PreviewWindow::StopEstimate() {
  KillTimer(handle(), kEstimateTimerId);
  if (estimator_) estimator_->Stop();
}

void PreviewWindow::StartEstimate() {
  KillTimer(handle(), kEstimateTimerId);
  if (!estimator_ || estimatePauses > 0) return;
  EstimateJob job;
  job.kept = player_.Cut().KeptFrames();
  // The preview's own delays with the main window's file settings: the
  // file a save would write once the preview hands its settings back.
  const FileChoiceError bad = ReadSaveRecipe(recording_.state, TheOutputWindow().ReadChoices(), ShownSettings(), &job.recipe);
  if (bad != FileChoiceError::kNone) {
    estimator_->Cancel();
    SetEstimateText(std::string("预计大小：“") + FileChoiceName(bad) + "”无效");
    return;
  }
  estimateBeforePass_ = !recording_.state.framesOptimized && job.recipe.options.layout == GifLayout::kClassic;
  if (!estimator_->Start(frames_, job)) SetEstimateText("预计大小：无法计算");
}

void PreviewWindow::ShowEstimate(WPARAM number) {
  EstimateResult result;
  if (estimator_ && estimator_->TakeResult(number, &result)) {
    SetEstimateText(EstimateText(result, estimateBeforePass_));
  }
}

void PreviewWindow::OnMouseAt(int clientY) {
  RECT client{};
  GetClientRect(handle(), &client);
  ShowBar(player_.ControlBarVisible(clientY, client.bottom - BarHeight()));
}

void PreviewWindow::ShowBar(bool visible) {
  if (visible == barVisible_) return;
  barVisible_ = visible;
  ShowWindow(Control(PC::外形框), visible ? SW_SHOWNA : SW_HIDE);
}

void PreviewWindow::ToggleFullScreen() {
  if (!fullScreen_) {
    savedPlacement_.length = sizeof savedPlacement_;
    GetWindowPlacement(handle(), &savedPlacement_);
    savedStyle_ = GetWindowLongW(handle(), GWL_STYLE);
    SetWindowLongW(handle(), GWL_STYLE, savedStyle_ & ~(WS_CAPTION | WS_THICKFRAME));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(handle(), MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& r = monitor.rcMonitor;
    SetWindowPos(handle(), HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top,
                 SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    fullScreen_ = true;
  } else {
    SetWindowLongW(handle(), GWL_STYLE, savedStyle_);
    SetWindowPlacement(handle(), &savedPlacement_);
    SetWindowPos(handle(), nullptr, 0, 0, 0, 0,
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
      if (code == BN_CLICKED) PostMessageW(handle(), WM_CLOSE, 0, 0);
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
    case PC::按钮裁掉首尾:
      if (code == BN_CLICKED) Act(PreviewAction::kTrimStillEnds);
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
    SetTimer(handle(), kSliderTimerId, USER_TIMER_MINIMUM, nullptr);
  }
}

void PreviewWindow::ShowSliderPosition() {
  sliderMovePending_ = false;
  KillTimer(handle(), kSliderTimerId);
  player_.OnSliderMoved(static_cast<int>(SendMessageW(Control(PC::滑块条), TBM_GETPOS, 0, 0)));
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
  DestroyWindow(handle());
}

void PreviewWindow::OnDestroyed() { preview.reset(); }

LRESULT PreviewWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = handle();
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
      if (Control(PC::外形框)) LayOut();
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
  return Default(message, wParam, lParam);
}

}  // namespace preview_window

using preview_window::estimatePauses;
using preview_window::preview;
using preview_window::PreviewWindow;

void ShowPreviewWindow(RecordingContext& recording) {
  if (preview) {
    BringWindowToFront(preview->handle());
    return;
  }
  if (!recording.state.hasRecording) return;
  preview = std::make_unique<PreviewWindow>(recording);
  if (!preview->Create()) {
    HWND window = preview->handle();
    if (window) {
      DestroyWindow(window);  // its last message drops the object
    } else {
      preview.reset();
    }
  }
}

bool PreviewWindowOpen() { return preview != nullptr; }

void ClosePreviewWindow() {
  if (preview) SendMessageW(preview->handle(), WM_CLOSE, 0, 0);
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
