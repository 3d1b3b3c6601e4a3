// Memory and tick time of a long recording: the real recorder with the real
// composer (capture and cursor), still test, frame store with its writer
// thread and temporary folder, driven by a real window timer, records a
// window of its own whose block moves on every paint. It reports the
// process's working set after frame 100 and at the end (they should stay
// within a few MB of each other: frames live on disk, not in memory) and
// the time each tick takes against the interval. Before the recording it
// times the parts of a tick one by one on the same picture: composing,
// comparing with the kept frame, cutting the changed block, keeping it,
// compressing and writing it (the last two are on the writer thread in the
// recording), and beside them what the store of whole frames did instead:
// a whole BMP file made and written on the tick. bench/recording_bench.py
// runs it under Wine.
//
//   recording_bench FRAMES INTERVAL_MS WIDTH [HEIGHT]
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/desktop_win.h"
#include "common/file_io.h"
#include "record/folders_win.h"
#include "record/frame_composer_win.h"
#include "record/recorder.h"
#include "record/kept_picture.h"
#include "record/stored_frame.h"

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

int frameWidth = 500, frameHeight = 500;
int blockStep = 0;
HWND target = nullptr;

LRESULT CALLBACK TargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT all = {0, 0, frameWidth, frameHeight};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
    const int x = (blockStep * 3) % (frameWidth - 40), y = (blockStep * 2) % (frameHeight - 40);
    RECT block = {x, y, x + 40, y + 40};
    FillRect(dc, &block, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

FrameStore frameStore;
FrameComposer composer;
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
    const double start = ClockMs();
    ComposedFrame frame;
    frame.pixels = ComposeAt(blockStep);
    composeMs.push_back(ClockMs() - start);
    return frame;
  }
  // The pointer circles over the picture, so the cursor is drawn in every frame.
  static PixelRows ComposeAt(int step) {
    return composer.ComposePixels(frameWidth / 2 + (step * 7) % 200, frameHeight / 2 + (step * 5) % 150);
  }
  std::vector<double> composeMs;
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

struct Part {
  const char* name;
  double mean = 0, p95 = 0, worst = 0;
};

Part Summary(const char* name, std::vector<double> ms) {
  Part part{name};
  if (ms.empty()) return part;
  double sum = 0;
  for (double t : ms) sum += t;
  std::sort(ms.begin(), ms.end());
  part.mean = sum / static_cast<double>(ms.size());
  part.p95 = ms[ms.size() * 95 / 100];
  part.worst = ms.back();
  return part;
}

// Composes `frames` frames of the moving picture and takes each through the
// recorder's steps: compare with the kept picture, cut the changed block
// (the whole frame first), keep it, compress it and write it.
std::vector<Part> TimeTickParts(int frames) {
  std::vector<double> composeMs, compareMs, blockMs, keepMs, encodeMs, writeMs, wholeMs;
  KeptPicture keptPicture;
  const FilePath folder = MakeRecordingTempDir();
  for (int i = 0; i < frames; ++i) {
    blockStep = i;
    InvalidateRect(target, nullptr, FALSE);
    UpdateWindow(target);
    double at = ClockMs();
    auto lap = [&at](std::vector<double>& part) {
      const double now = ClockMs();
      part.push_back(now - at);
      at = now;
    };
    const PixelRows rows = BenchHost::ComposeAt(i);
    lap(composeMs);
    ChangedRect changed;
    const bool still = keptPicture.Compare(rows, &changed) == ChangeScan::kUnchanged;
    lap(compareMs);
    if (still) continue;
    const std::string bmp = BmpOfBlock(rows, i == 0 ? rows.Whole() : changed);
    lap(blockMs);
    keptPicture.Take(rows, changed);
    lap(keepMs);
    const std::string file = EncodeStoredFrame(bmp, FrameOffset{changed.left, changed.top});
    lap(encodeMs);
    WriteWholeFile(folder.PlusGbk(std::to_string(i + 1) + ".TMP"), file);
    lap(writeMs);
    // The store before blocks and compression: every kept frame a whole,
    // plain BMP file, written on the tick.
    const std::string whole = BmpOfBlock(rows, rows.Whole());
    WriteWholeFile(folder.PlusGbk(std::to_string(i + 1) + ".BMP"), whole);
    lap(wholeMs);
  }
  DeleteDirectoryTree(folder);
  return {Summary("compose", composeMs), Summary("compare", compareMs), Summary("block", blockMs),
          Summary("keep", keepMs),       Summary("encode", encodeMs),   Summary("write", writeMs),
          Summary("whole", wholeMs)};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: recording_bench FRAMES INTERVAL_MS WIDTH [HEIGHT]\n");
    return 2;
  }
  const int frames = _wtoi(argv[1]);
  const int intervalMs = _wtoi(argv[2]);
  frameWidth = std::max(64, _wtoi(argv[3]));
  frameHeight = argc > 4 ? std::max(64, _wtoi(argv[4])) : frameWidth;

  WNDCLASSW wc{};
  wc.lpfnWndProc = TargetProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"MovrelRecordingBench";
  RegisterClassW(&wc);
  target = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0,
                           frameWidth, frameHeight, nullptr, nullptr, wc.hInstance, nullptr);
  if (!target) return 1;
  UpdateWindow(target);

  ComposerSettings composerSettings;
  composerSettings.widthText = std::to_string(frameWidth);
  composerSettings.heightText = std::to_string(frameHeight);
  composer.Prepare(composerSettings, ReadDesktop(), HomeMonitor());

  // The parts of a tick, one by one, on the same moving picture.
  const std::vector<Part> parts = TimeTickParts(std::min(frames, 200));

  BenchHost host;
  host.settings.intervalText = std::to_string(intervalMs);
  host.settings.stopAtCount = true;
  host.settings.countText = std::to_string(frames);
  RecorderState recorderState;
  // The store writes as the program's does: on its thread, with its queue.
  frameStore.SetWriteQueueBytes(kRecordingWriteQueueBytes);
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
  const Part tick = Summary("tick", tickMs), compose = Summary("compose", host.composeMs);
  printf("{\"frames\":%d,\"kept\":%d,\"width\":%d,\"height\":%d,\"interval_ms\":%d,\"elapsed_ms\":%.0f,"
         "\"mean_tick_ms\":%.2f,\"p95_tick_ms\":%.2f,\"worst_tick_ms\":%.2f,"
         "\"mean_compose_ms\":%.2f,\"p95_compose_ms\":%.2f,"
         "\"working_set_mb_at_100\":%.1f,\"working_set_mb_at_end\":%.1f,\"peak_working_set_mb\":%.1f,\"parts\":[",
         frameStore.Count(), kept, frameWidth, frameHeight, intervalMs, elapsed, tick.mean, tick.p95, tick.worst,
         compose.mean, compose.p95, workingSetAt100, workingSetEnd, WorkingSetMb(true));
  for (size_t i = 0; i < parts.size(); ++i) {
    printf("%s{\"part\":\"%s\",\"mean_ms\":%.2f,\"p95_ms\":%.2f}", i ? "," : "", parts[i].name, parts[i].mean,
           parts[i].p95);
  }
  printf("]}\n");
  composer.Release();
  DeleteDirectoryTree(frameStore.Folder());
  return 0;
}
