#include "record/recording_win.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <utility>

#include "common/clock_win.h"
#include "common/desktop_win.h"
#include "common/gbk_win.h"
#include "common/message_pump_win.h"
#include "common/system_error_win.h"
#include "record/composer_win.h"
#include "record/folders_win.h"
#include "record/input_watch_win.h"
#include "record/optimize_win.h"
#include "record/recording_window_win.h"
#include "ui/message_box_win.h"
#include "ui/ui_win.h"
#include "ui/window_win.h"

namespace movrel {

namespace {

constexpr UINT_PTR kRecordTimerId = 1;
constexpr UINT_PTR kCountdownTimerId = 1;
const WindowClass kCountdownClass = {L"MovrelCountdown"};
const WindowClass kRecordTimerClass = {L"MovrelRecordTimer"};

// ---- the countdown window ------------------------------------------------

struct Countdown : Window {
  ~Countdown() override { Destroy(); }
  bool Open(int x, int y, int side, HWND owner) {
    return Create(kCountdownClass, WS_EX_TOPMOST | WS_EX_TOOLWINDOW, L"", WS_POPUP | WS_BORDER, x, y, side, side,
                  owner);
  }
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  int seconds = 3;
  int elapsed = 0;
  int shown = 0;  // the number on the canvas; 0 before the first tick
  bool done = false;
};
Countdown* activeCountdown = nullptr;

void PaintCountdown(HWND window, const Countdown& c) {
  PaintGuard paint(window);
  RECT r{};
  GetClientRect(window, &r);
  HDC dc = paint.dc();
  FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const int size = std::min(r.right, r.bottom);
  // Two rings around the number.
  UniquePen outer(CreatePen(PS_SOLID, std::max(2, size / 24), RGB(220, 40, 40)));
  UniquePen inner(CreatePen(PS_DOT, 1, RGB(120, 120, 120)));
  {
    SelectGuard pen(dc, outer.get());
    SelectGuard brush(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, r.left + size / 12, r.top + size / 12, r.right - size / 12, r.bottom - size / 12);
  }
  {
    SelectGuard pen(dc, inner.get());
    SelectGuard brush(dc, GetStockObject(NULL_BRUSH));
    Ellipse(dc, r.left + size / 6, r.top + size / 6, r.right - size / 6, r.bottom - size / 6);
  }
  if (c.shown <= 0) return;
  LOGFONTW lf{};
  lf.lfHeight = -size / 2;
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = GB2312_CHARSET;
  wcscpy(lf.lfFaceName, L"\u5b8b\u4f53");  // 宋体
  UniqueFont font(CreateFontIndirectW(&lf));
  SelectGuard selectFont(dc, font.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(200, 0, 0));
  std::wstring number = std::to_wstring(c.shown);
  DrawTextW(dc, number.c_str(), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

LRESULT Countdown::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  Countdown* c = this;
  HWND window = handle();
  switch (message) {
    case WM_TIMER:
      if (wParam == kCountdownTimerId) {
        const int remaining = c->seconds - c->elapsed;
        if (remaining <= 0) {
          ShowWindow(window, SW_HIDE);
          KillTimer(window, kCountdownTimerId);
          c->done = true;
        } else {
          c->shown = remaining;
          // The caption names the number too, for accessibility tools.
          SetWindowTextW(window, std::to_wstring(remaining).c_str());
          InvalidateRect(window, nullptr, FALSE);
          ++c->elapsed;
        }
      }
      return 0;
    case WM_PAINT:
      PaintCountdown(window, *c);
      return 0;
    case WM_CLOSE:
      return 0;  // the countdown ends by itself
  }
  return Default(message, wParam, lParam);
}

// Ends the countdown that is showing, as if it had run out.
void CancelCountdownWindow() {
  if (!activeCountdown) return;
  ShowWindow(activeCountdown->handle(), SW_HIDE);
  KillTimer(activeCountdown->handle(), kCountdownTimerId);
  activeCountdown->done = true;
}

// Shows the countdown modally: N, N-1 ... 1 a second each, then closes.
// The main window stays enabled (its settings are already held) so that its
// stop link can cancel the countdown; F10 does too, and no other hotkey
// acts while it shows.
void RunCountdownWindow(int seconds) {
  Countdown c;
  c.seconds = seconds;
  HWND owner = TheRecordingWindow().Handle();
  const UINT dpi = WindowDpi(owner);
  const int side = Scale(220, dpi);
  // In the middle of the monitor the user works on.
  const DesktopBox area = HomeWorkArea();
  const POINT at = CentredOn(area, side, side, area);
  const int x = at.x, y = at.y;
  // Owned by the main window only while it is visible: a hidden owner would
  // hide the countdown with it.
  if (!c.Open(x, y, side, IsWindowVisible(owner) ? owner : nullptr)) return;
  HWND window = c.handle();
  Countdown* outer = activeCountdown;
  activeCountdown = &c;
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
  SetTimer(window, kCountdownTimerId, 1000, nullptr);
  // No owner is disabled: the main window's stop link cancels the countdown.
  ModalLoopOptions options;
  options.keys = ModalKeys::kStop;
  RunModalLoop(nullptr, [&c] { return c.done || !c.handle(); }, options);
  if (c.handle()) KillTimer(window, kCountdownTimerId);
  activeCountdown = outer;
  c.Destroy();
}

// ---- the recorder's host: the system here, the main window through the
// recording window ----------------------------------------------------------

// The system's text for an error code in GBK, without the line break the
// system ends it with; the number when the system has no text for it, and
// nothing for 0 (a failure the system did not see, such as an encoder's).
std::string SystemErrorText(DWORD code) {
  if (code == 0) return std::string();
  std::string text = SystemErrorMessage(code);
  return text.empty() ? "错误代码 " + std::to_string(code) : text;
}

// The recording timer's window: message-only, so that its WM_TIMER reaches
// the recorder that set it and no other window's timers.
class RecordTimerWindow : public Window {
 public:
  explicit RecordTimerWindow(std::function<void()> tick) : tick_(std::move(tick)) {
    Create(kRecordTimerClass, 0, L"", 0, 0, 0, 0, 0, HWND_MESSAGE);
  }
  void Set(int32_t intervalMs) {
    if (intervalMs > 0) {
      SetTimer(handle(), kRecordTimerId, static_cast<UINT>(intervalMs), nullptr);
    } else {
      KillTimer(handle(), kRecordTimerId);
    }
  }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_TIMER && wParam == kRecordTimerId) {
      tick_();
      return 0;
    }
    return Default(message, wParam, lParam);
  }

 private:
  std::function<void()> tick_;
};

}  // namespace

class RecordingController::Host : public RecorderHost {
 public:
  Host(FrameComposer& composer, std::function<void()> tick) : composer_(composer), timer_(std::move(tick)) {}

  int64_t NowMs() override { return MonotonicMs(); }
  RecordingSettings ReadSettings() override { return TheRecordingWindow().ReadRecordingSettings(); }
  FilePath ProgramFolder() override { return TheRecordingWindow().ProgramFolder(); }
  void ShowPhase(RecorderPhase phase) override { TheRecordingWindow().ShowPhase(phase); }
  void HideMainWindow() override { TheRecordingWindow().HideMainWindow(); }
  bool TrayHidden() override { return TheRecordingWindow().TrayHidden(); }
  void ShowMainWindow() override { TheRecordingWindow().ShowMainWindow(); }
  void EnableSettingsGroups(bool enabled) override { TheRecordingWindow().EnableSettingsGroups(enabled); }
  void EnablePreviewAndSave(bool enabled) override { TheRecordingWindow().EnablePreviewAndSave(enabled); }
  void RunCountdown(int seconds) override { RunCountdownWindow(seconds); }
  void CancelCountdown() override { CancelCountdownWindow(); }
  void WaitWithEvents(int ms) override { movrel::WaitWithEvents(ms); }
  void PumpEvents() override { PumpPendingMessages(); }
  void PrepareCapture() override {
    movrel::PrepareCapture(composer_);
    clicks_.Clear();
    keys_.Clear();
  }
  ComposedFrame ComposeFrame(int64_t captureMs) override {
    // The clicks and keys up to the frame's time, as far as the settings
    // held for this recording draw them.
    InputMarks marks;
    const ComposerSettings& settings = composer_.settings();
    if (settings.showClicks || settings.showKeys) {
      watch_.TakeEvents(&clicks_, &keys_);
      if (settings.showClicks) marks.rings = clicks_.RingsAt(captureMs);
      if (settings.showKeys) marks.caption = keys_.EntriesAt(captureMs);
    }
    ComposedFrame frame;
    frame.pixels = ComposeRecordingFrame(composer_, marks);
    frame.sceneChanged = composer_.sceneChanged();
    return frame;
  }
  void StartInputWatch(int64_t clockOriginMs) override {
    const ComposerSettings& settings = composer_.settings();
    // Without the hooks the recording goes on as one without marks.
    if (settings.showClicks || settings.showKeys) watch_.Start(settings.showClicks, settings.showKeys, clockOriginMs);
  }
  void StopInputWatch() override { watch_.Stop(); }
  void ReleaseComposer() override { composer_.Release(); }
  void SetRecordingTimer(int32_t intervalMs) override { timer_.Set(intervalMs); }
  void FitWorkCanvas(PixelSize size) override { movrel::FitWorkCanvas(size); }
  void SetGroupCaption(const std::string& text) override { TheRecordingWindow().SetGroupCaption(text); }
  void ShowWarning(const std::string& text) override { ShowMessage(text, kMbOk | kMbIconExclamation); }
  std::string LastErrorText() override { return SystemErrorText(GetLastError()); }
  void ShowTray(RecorderTrayState state, const std::string&) override { TheRecordingWindow().ShowTray(state); }
  void MakeDirectoryChain(const FilePath& path) override { movrel::MakeDirectoryChain(path); }
  void DeleteTreeInBackground(const FilePath& path) override { DeleteDirectoryTreeInBackground(path); }
  FilePath MakeRecordingTempDir() override { return movrel::MakeRecordingTempDir(); }
  FilePath TempFolder() override { return SystemTempFolder(); }
  bool SaveFrameToFolder(const std::string& bytes, const FilePath& folder, SaveFormat format) override {
    return !movrel::SaveFrameToFolder(bytes, folder, format).empty();
  }

 private:
  FrameComposer& composer_;
  RecordTimerWindow timer_;
  InputWatch watch_;
  ClickTimeline clicks_;
  KeyCaption keys_;
};

RecordingController::RecordingController(RecordingContext& recording)
    : recording_(recording),
      host_(std::make_unique<Host>(recording.composer, [this] { RecordTick(); })),
      recorder_(recording.state, recording.frames, *host_) {
  // The recording's pictures are compressed and written beside its tick.
  recording.frames.SetWriteQueueBytes(kRecordingWriteQueueBytes);
}

RecordingController::~RecordingController() = default;

// ---- the main window's calls ------------------------------------------

std::string ChooseFrameFolder(const std::string& current) {
  RecordingWindow& window = TheRecordingWindow();
  const FilePath program = window.ProgramFolder();
  const FilePath start = current.empty() ? FilePath() : ResolveFrameFolder(current, program);
  const FilePath chosen = BrowseForFolder(window.Handle(), FrameFolderBrowserTitle(), start);
  if (chosen.empty()) return std::string();
  std::string setting;
  if (!FrameFolderSetting(chosen, program, &setting)) {
    ShowMessage(UnstorablePathText(chosen.Gbk(), true), kMbOk | kMbIconExclamation);
    return std::string();
  }
  return setting;
}

void RecordingController::DeleteRecordingFolder() {
  // The background deletion of the folder before may not have finished;
  // the process ends right after this, so finish it here.
  if (!recording_.state.previousTempDir.empty()) DeleteDirectoryTree(recording_.state.previousTempDir);
  // No queued frame may land in the folder after it is gone.
  recording_.frames.FinishWrites();
  if (!recording_.frames.Folder().empty()) DeleteDirectoryTree(recording_.frames.Folder());
}

}  // namespace movrel
