// The save path's cost on a real recording: captures a screen rectangle a
// number of times with the recorder's own capture, then builds a frame
// store from the pictures (with the recorder's still test), runs the
// changed-region pass and writes one GIF for each ENCODE from that store
// through WriteAnimationWithin, as a save does, timing each stage and
// reporting the process's peak working set.
// bench/compose_side_by_side.py drives it and sets other encoders beside it.
//
//   compose_bench capture X Y WIDTH HEIGHT COUNT INTERVAL_MS DIR [BACKDROP.bmp]
//   compose_bench compose DIR COUNT INTERVAL_MS [--pictures P] ENCODE...
//     ENCODE: classic|compact [--lossy N] [--dither] [--max-size BYTES|P%] OUT.gif
//
// With a backdrop the capture first covers the screen with that picture in
// a window of its own (below the target window, which stays on top), so the
// recording shows a desktop-like screen around the moving content.
//
// compose reads DIR's frame0001.bmp.. as the recording and prints one JSON
// line per encode, with what the size limit chose. A limit of P% is that
// share of the first encode's file, so a run can save within half of the
// lossless file it has just written. Given P pictures (fewer than COUNT), a
// store of COUNT frames is made from those pictures played forwards and
// backwards in turn, so every frame still differs from the one before it as
// in a real recording: a long recording without capturing it.
#include <windows.h>

#include <psapi.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "bitmap/bitmap_surface_win.h"
#include "common/file_io.h"
#include "common/gbk_win.h"
#include "gif/byte_sink.h"
#include "output/animation_writer.h"
#include "output/compose_plan.h"
#include "output/size_fit.h"
#include "output/store_frames.h"
#include "record/optimize_win.h"
#include "record/recorder.h"

using namespace movrel;

namespace {

std::string FramePath(const std::string& folder, int n) {
  char name[32];
  snprintf(name, sizeof name, "frame%04d.bmp", n);
  return folder + name;
}

// Picture file (from 1) of frame `n` when `pictures` files play forwards,
// backwards and forwards again: 1 2 .. P-1 P P-1 .. 2 1 2 ..
int PictureOfFrame(int n, int pictures) {
  if (pictures < 2) return 1;
  const int period = 2 * (pictures - 1);
  const int at = (n - 1) % period;
  return at < pictures ? at + 1 : period - at + 1;
}

size_t PeakWorkingSetBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
  return counters.PeakWorkingSetSize;
}

double NowMs() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Waits while handling this thread's window messages (the backdrop paints).
void WaitPumping(double ms) {
  double end = NowMs() + ms;
  for (double left = ms; left > 0; left = end - NowMs()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left) + 1, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
}

BitmapSurface* backdrop = nullptr;

LRESULT CALLBACK BackdropProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    BitBlt(dc, 0, 0, backdrop->GetWidth(), backdrop->GetHeight(), backdrop->GetMemoryDc(), 0, 0, SRCCOPY);
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND ShowBackdrop(const std::string& path) {
  static BitmapSurface picture;
  if (!picture.LoadFromFile(path)) return nullptr;
  backdrop = &picture;
  WNDCLASSW cls{};
  cls.lpfnWndProc = BackdropProc;
  cls.hInstance = GetModuleHandleW(nullptr);
  cls.lpszClassName = L"MovrelBenchBackdrop";
  RegisterClassW(&cls);
  HWND window = CreateWindowExW(WS_EX_NOACTIVATE, cls.lpszClassName, L"backdrop", WS_POPUP, 0, 0, picture.GetWidth(),
                                picture.GetHeight(), nullptr, nullptr, cls.hInstance, nullptr);
  if (!window) return nullptr;
  SetWindowPos(window, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  UpdateWindow(window);
  // Without a window manager a window shown last lies on top whatever its
  // order says: lift the recording tests' target window above the backdrop.
  // Mapping it again puts it on top.
  if (HWND target = FindWindowW(L"MovrelRecordTarget", nullptr)) {
    ShowWindow(target, SW_HIDE);
    ShowWindow(target, SW_SHOWNA);
  }
  WaitPumping(500);
  return window;
}

int Capture(int x, int y, int width, int height, int count, int intervalMs, const std::string& folder,
            const std::string& backdropPath) {
  HWND shown = nullptr;
  if (!backdropPath.empty() && !(shown = ShowBackdrop(backdropPath))) return fprintf(stderr, "no backdrop\n"), 1;
  for (int n = 1; n <= count; ++n) {
    double start = NowMs();
    BitmapSurface surface;
    if (!surface.CaptureScreen(x, y, width, height, 24)) return fprintf(stderr, "capture failed\n"), 1;
    if (!WriteWholeFile(FramePath(folder, n), surface.ToBmpBytes())) return fprintf(stderr, "write failed\n"), 1;
    WaitPumping(intervalMs - (NowMs() - start));
  }
  if (shown) DestroyWindow(shown);
  return 0;
}

// One file to write from the store.
struct Encode {
  GifOptions options;
  uint64_t limitBytes = 0;  // 0: the options as given
  int limitPercent = 0;     // of the first encode's file, when not 0
  std::string out;
};

// A whole decimal number in [low, high], or -1.
int64_t WholeNumber(const std::wstring& text, int64_t low, int64_t high) {
  if (text.empty() || text.size() > 18 || text.find_first_not_of(L"0123456789") != std::wstring::npos) return -1;
  const int64_t value = static_cast<int64_t>(wcstoull(text.c_str(), nullptr, 10));
  return value < low || value > high ? -1 : value;
}

// Reads the ENCODEs of the usage from `args`; false on anything else.
bool ParseEncodes(const std::vector<std::wstring>& args, std::vector<Encode>* encodes) {
  for (size_t i = 0; i < args.size(); ++i) {
    Encode encode;
    if (args[i] == L"classic") {
      encode.options.layout = GifLayout::kClassic;
    } else if (args[i] != L"compact") {
      return false;
    }
    for (++i; i < args.size() && args[i].compare(0, 2, L"--") == 0; ++i) {
      const bool valued = i + 1 < args.size();
      if (args[i] == L"--dither") {
        encode.options.dither = true;
      } else if (args[i] == L"--lossy" && valued) {
        const int64_t level = WholeNumber(args[++i], 0, kMaxLossyLevel);
        if (level < 0) return false;
        encode.options.lossyLevel = static_cast<int>(level);
      } else if (args[i] == L"--max-size" && valued) {
        std::wstring limit = args[++i];
        const bool percent = !limit.empty() && limit.back() == L'%';
        if (percent) limit.pop_back();
        const int64_t value = WholeNumber(limit, 1, percent ? 100 : INT64_MAX);
        if (value < 0 || (percent && encodes->empty())) return false;
        if (percent) {
          encode.limitPercent = static_cast<int>(value);
        } else {
          encode.limitBytes = static_cast<uint64_t>(value);
        }
      } else {
        return false;
      }
    }
    if (i == args.size()) return false;
    encode.out = ToGbk(args[i]);
    encodes->push_back(encode);
  }
  return !encodes->empty();
}

const char* FitOutcomeName(FitOutcome outcome) {
  switch (outcome) {
    case FitOutcome::kWritten: return "written";
    case FitOutcome::kTooLarge: return "too_large";
    case FitOutcome::kWriteFailed: return "write_failed";
    case FitOutcome::kNotComposable: return "not_composable";
    case FitOutcome::kCancelled: return "cancelled";
  }
  return "unknown";
}

const char* LayoutName(GifLayout layout) { return layout == GifLayout::kCompact ? "compact" : "classic"; }

int Compose(const std::string& folder, int count, int pictures, int intervalMs, const std::vector<Encode>& encodes) {
  // What showing and closing one captioned window costs in this session
  // (without a window manager the platform waits for the window to be
  // withdrawn): the pass opens and closes such a window once.
  double before = NowMs();
  HWND probe = CreateWindowExW(WS_EX_DLGMODALFRAME, L"STATIC", L"", WS_POPUP | WS_CAPTION | WS_BORDER, 0, 0, 200, 80,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (probe) {
    ShowWindow(probe, SW_SHOW);
    UpdateWindow(probe);
    DestroyWindow(probe);
  }
  const double windowMs = NowMs() - before;
  const std::string store = folder + "store\\";
  CreateDirectoryW(ToWide(store).c_str(), nullptr);
  RecordingContext recording;
  recording.frames.SetFolder(FilePath::FromGbk(store));
  double start = NowMs();
  std::string previous, frame;
  int kept = 0, width = 0, height = 0;
  for (int n = 1; n <= count; ++n) {
    const int picture = pictures > 0 ? PictureOfFrame(n, pictures) : n;
    if (!ReadWholeFile(FramePath(folder, picture), &frame) || frame.size() < 26) {
      return fprintf(stderr, "missing frame %d\n", picture), 1;
    }
    bool still = frame == previous;
    recording.frames.AppendFrame(still ? std::string() : frame, static_cast<int64_t>(n - 1) * intervalMs);
    if (!still) {
      previous.swap(frame);
      ++kept;
    }
    width = *reinterpret_cast<const int32_t*>(previous.data() + 18);
    height = *reinterpret_cast<const int32_t*>(previous.data() + 22);
  }
  previous = std::string();
  frame = std::string();
  double stored = NowMs();
  RecorderState& state = recording.state;
  state.startIntervalMs = intervalMs;
  state.frameSize = state.animationSize = PixelSize{width, height};
  state.hasRecording = true;
  state.framesOptimized = false;
  if (!OptimizeFrames(recording)) return fprintf(stderr, "optimisation did not run\n"), 1;
  double optimized = NowMs();

  // One GIF frame per frame group (a kept frame and the still frames after
  // it), waiting as long as the group's frames took.
  const StoreFrames source(recording.frames);
  const std::vector<AnimationFrame> plan = PlanAnimationFrames(source, {intervalMs, 0, StillFrames::kWait});
  const AnimationSettings animation = MakeAnimationSettings(width, height, 0);

  // Every encode reads the same store, as saving the recording again with
  // other choices does.
  uint64_t firstBytes = 0;
  for (const Encode& encode : encodes) {
    const uint64_t limit = encode.limitPercent ? firstBytes * encode.limitPercent / 100 : encode.limitBytes;
    double begun = NowMs();
    FitOutcome outcome;
    SizeFit fit;
    {
      FileSink sink;
      if (!sink.Create(encode.out)) return fprintf(stderr, "cannot create %s\n", encode.out.c_str()), 1;
      std::string error;
      outcome = WriteAnimationWithin(source, plan, animation, encode.options, limit, sink, nullptr, &fit, &error);
      if (outcome != FitOutcome::kWritten && outcome != FitOutcome::kTooLarge) {
        return fprintf(stderr, "%s\n", error.c_str()), 1;
      }
      // Nothing that fits leaves no file, as a save does.
      if (outcome == FitOutcome::kWritten && !sink.Commit()) {
        return fprintf(stderr, "cannot finish %s\n", encode.out.c_str()), 1;
      }
    }
    double saved = NowMs();
    const size_t peakBytes = PeakWorkingSetBytes();  // before the file is read back for its size
    std::string gif;
    if (outcome == FitOutcome::kWritten) ReadWholeFile(encode.out, &gif);
    if (&encode == &encodes.front()) firstBytes = gif.size();
    printf("{\"frames\":%d,\"kept\":%d,\"groups\":%zu,\"width\":%d,\"height\":%d,\"store_ms\":%.1f,"
           "\"optimize_ms\":%.1f,\"window_ms\":%.1f,\"layout\":\"%s\",\"lossy\":%d,\"dither\":%s,"
           "\"limit\":%llu,\"outcome\":\"%s\",\"encode_ms\":%.1f,\"bytes\":%zu,"
           "\"fit\":{\"reduced\":%s,\"lossy\":%d,\"colors\":%d,\"scale\":%d,\"bytes\":%llu},"
           "\"peak_working_set\":%zu}\n",
           count, kept, plan.size(), width, height, stored - start, optimized - stored, windowMs,
           LayoutName(encode.options.layout), encode.options.lossyLevel, encode.options.dither ? "true" : "false",
           static_cast<unsigned long long>(limit), FitOutcomeName(outcome), saved - begun, gif.size(),
           fit.reduced ? "true" : "false", fit.lossyLevel, fit.maxColors, fit.scalePercent,
           static_cast<unsigned long long>(fit.bytes), peakBytes);
    fflush(stdout);
  }
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring command = argc > 1 ? argv[1] : L"";
  if (command == L"capture" && (argc == 9 || argc == 10)) {
    return Capture(_wtoi(argv[2]), _wtoi(argv[3]), _wtoi(argv[4]), _wtoi(argv[5]), _wtoi(argv[6]), _wtoi(argv[7]),
                   ToGbk(argv[8]) + "\\", argc == 10 ? ToGbk(argv[9]) : std::string());
  }
  if (command == L"compose" && argc >= 5) {
    std::vector<std::wstring> rest(argv + 5, argv + argc);
    int pictures = 0;
    if (rest.size() >= 2 && rest[0] == L"--pictures") {
      pictures = _wtoi(rest[1].c_str());
      rest.erase(rest.begin(), rest.begin() + 2);
    }
    std::vector<Encode> encodes;
    if (ParseEncodes(rest, &encodes)) {
      return Compose(ToGbk(argv[2]) + "\\", _wtoi(argv[3]), pictures, _wtoi(argv[4]), encodes);
    }
  }
  fprintf(stderr,
          "usage: compose_bench capture X Y WIDTH HEIGHT COUNT INTERVAL_MS DIR [BACKDROP.bmp]\n"
          "       compose_bench compose DIR COUNT INTERVAL_MS [--pictures P] ENCODE...\n"
          "ENCODE: classic|compact [--lossy N] [--dither] [--max-size BYTES|P%%] OUT.gif\n"
          "(P%% of the first encode's file; --max-size 50%% needs an encode before it)\n");
  return 2;
}
