// Memory and tick time of a long recording: the real recorder with the real
// capture, still test, frame store and temporary folder, driven by a real
// window timer, records a window of its own whose block moves on every
// paint. It reports the process's working set after frame 100 and at the
// end (they should stay within a few MB of each other: frames live on disk,
// not in memory) and the time each tick takes against the interval.
// bench/recording_bench.py runs it under Wine.
//
//   recording_bench FRAMES INTERVAL_MS SIZE
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bitmap/bitmap_surface_win.h"
#include "common/file_io.h"
#include "record/folders_win.h"
#include "record/recorder.h"

using namespace movrel;

namespace {

double ClockMs() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double WorkingSetMb(bool peak) {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return static_cast<double>(peak ? counters.PeakWorkingSetSize : counters.WorkingSetSize) / (1024.0 * 1024.0);
}

int frameSide = 500;
int blockStep = 0;
HWND target = nullptr;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT all = {0, 0, frameSide, frameSide};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    int x = (blockStep * 3) % (frameSide - 40);
    RECT block = {x, x / 2, x + 40, x / 2 + 40};
    FillRect(dc, &block, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

FrameStore frameStore;
Recorder* recorder = nullptr;
RecorderState* state = nullptr;
std::vector<double> tickMs;
double workingSetAt100 = 0;

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  const double start = ClockMs();
  recorder->RecordTick();
  tickMs.push_back(ClockMs() - start);
  if (frameStore.Count() == 100) workingSetAt100 = WorkingSetMb(false);
  // The picture changes between ticks, so every frame is kept.
  ++blockStep;
  InvalidateRect(target, nullptr, FALSE);
  if (state->phase == RecorderPhase::kIdle) PostQuitMessage(0);
}

class BenchHost : public RecorderHost {
 public:
  RecordingSettings settings;
  int64_t NowMs() override { return static_cast<int64_t>(ClockMs()); }
  RecordingSettings ReadSettings() override { return settings; }
  FilePath ProgramFolder() override { return FilePath(); }
  void ShowPhase(RecorderPhase) override {}
  void HideMainWindow() override {}
  bool TrayHidden() override { return true; }
  void ShowMainWindow() override {}
  void EnableSettingsGroups(bool) override {}
  void EnablePreviewAndSave(bool) override {}
  void RunCountdown(int) override {}
  void CancelCountdown() override {}
  void WaitWithEvents(int) override {}
  void PumpEvents() override {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
  void PrepareCapture() override {}
  ComposedFrame ComposeFrame(int64_t) override {
    ComposedFrame frame;
    if (surface.CaptureScreen(0, 0, frameSide, frameSide, 24)) {
      frame.pixels = PixelRows{surface.GetPixelAddress(), surface.GetWidth(), surface.GetHeight(), surface.GetDepth(),
                               static_cast<size_t>(surface.GetStride())};
    }
    return frame;
  }
  BitmapSurface surface;
  void StartInputWatch(int64_t) override {}
  void StopInputWatch() override {}
  void ReleaseComposer() override {}
  void SetRecordingTimer(int32_t ms) override {
    if (ms > 0) {
      SetTimer(target, 1, static_cast<UINT>(ms), Tick);
    } else {
      KillTimer(target, 1);
    }
  }
  void FitWorkCanvas(PixelSize) override {}
  void SetGroupCaption(const std::string&) override {}
  void ShowTray(RecorderTrayState, const std::string&) override {}
  void ShowWarning(const std::string& text) override { fprintf(stderr, "warning: %s\n", text.c_str()); }
  std::string LastErrorText() override { return std::to_string(GetLastError()); }
  void MakeDirectoryChain(const FilePath& path) override { movrel::MakeDirectoryChain(path); }
  void DeleteTreeInBackground(const FilePath& path) override { DeleteDirectoryTreeInBackground(path); }
  FilePath MakeRecordingTempDir() override { return movrel::MakeRecordingTempDir(); }
  FilePath TempFolder() override { return SystemTempFolder(); }
  bool SaveFrameToFolder(const std::string&, const FilePath&, SaveFormat) override { return true; }
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: recording_bench FRAMES INTERVAL_MS SIZE\n");
    return 2;
  }
  const int frames = _wtoi(argv[1]);
  const int intervalMs = _wtoi(argv[2]);
  frameSide = std::max(64, _wtoi(argv[3]));

  WNDCLASSW wc{};
  wc.lpfnWndProc = TargetProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"MovrelRecordingBench";
  RegisterClassW(&wc);
  target = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0,
                           frameSide, frameSide, nullptr, nullptr, wc.hInstance, nullptr);
  if (!target) return 1;
  UpdateWindow(target);

  BenchHost host;
  host.settings.intervalText = std::to_string(intervalMs);
  host.settings.stopAtCount = true;
  host.settings.countText = std::to_string(frames);
  RecorderState recorderState;
  Recorder r(recorderState, frameStore, host);
  recorder = &r;
  state = &recorderState;

  const double start = ClockMs();
  r.ToggleRecording();
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  const double elapsed = ClockMs() - start;

  int kept = 0;
  for (int n = 1; n <= frameStore.Count(); ++n) kept += FileExists(frameStore.FramePath(n)) ? 1 : 0;
  const double workingSetEnd = WorkingSetMb(false);
  std::vector<double> sorted = tickMs;
  std::sort(sorted.begin(), sorted.end());
  double sum = 0;
  for (double t : tickMs) sum += t;
  const double mean = tickMs.empty() ? 0 : sum / static_cast<double>(tickMs.size());
  const double p95 = sorted.empty() ? 0 : sorted[sorted.size() * 95 / 100];
  const double worst = sorted.empty() ? 0 : sorted.back();
  printf("{\"frames\":%d,\"kept\":%d,\"size\":%d,\"interval_ms\":%d,\"elapsed_ms\":%.0f,"
         "\"mean_tick_ms\":%.2f,\"p95_tick_ms\":%.2f,\"worst_tick_ms\":%.2f,"
         "\"working_set_mb_at_100\":%.1f,\"working_set_mb_at_end\":%.1f,\"peak_working_set_mb\":%.1f}\n",
         frameStore.Count(), kept, frameSide, intervalMs, elapsed, mean, p95, worst, workingSetAt100, workingSetEnd,
         WorkingSetMb(true));
  DeleteDirectoryTree(frameStore.Folder());
  return 0;
}
