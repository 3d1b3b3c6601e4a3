// Builds a recording in a real frame store from pictures painted with GDI,
// runs the changed-region pass in its window and composes the store into
// GIF files through the Windows maker, for the Pillow and ImageMagick check.
//
//   compose_probe OUTDIR
//
// writes OUTDIR\frame<n>.bmp (the frames as captured, still frames as the
// picture before them), OUTDIR\wait.gif, OUTDIR\skip.gif and
// OUTDIR\once.gif, and prints one JSON line describing the recording (with
// its uneven capture times) and the compositions.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bitmap/bitmap_surface_win.h"
#include "common/file_io.h"
#include "common/gbk_win.h"
#include "common/time_text.h"
#include "gif/byte_sink.h"
#include "output/animation_writer.h"
#include "output/compose_plan.h"
#include "output/store_frames.h"
#include "record/optimize_win.h"
#include "record/recorder.h"
#include "record/recording_context_win.h"

using namespace movrel;

namespace {

constexpr int kWidth = 60, kHeight = 40;
constexpr COLORREF kBackground = RGB(32, 64, 96);

struct Block {
  int x, y;
  COLORREF colour;
  bool cornerPixel;  // the last column's and row's pixel lit
};

// One captured frame: the background, a 10 x 8 block and maybe the corner.
std::string Paint(const Block& b) {
  BitmapSurface s;
  if (!s.CreateBlank(kWidth, kHeight, 24)) return std::string();
  HDC dc = s.GetMemoryDc();
  RECT all{0, 0, kWidth, kHeight}, block{b.x, b.y, b.x + 10, b.y + 8};
  HBRUSH back = CreateSolidBrush(kBackground), front = CreateSolidBrush(b.colour);
  FillRect(dc, &all, back);
  FillRect(dc, &block, front);
  DeleteObject(back);
  DeleteObject(front);
  GdiFlush();
  s.RefreshImage();
  if (b.cornerPixel) s.SetPixel(kWidth - 1, kHeight - 1, RGB(240, 240, 240));
  return s.ToBmpBytes();
}

int Fail(const char* what) {
  fprintf(stderr, "%s\n", what);
  return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return Fail("usage: compose_probe OUTDIR");
  const std::string out = ToGbk(argv[1]) + "\\";
  const COLORREF red = RGB(224, 32, 32), green = RGB(32, 224, 64);
  // A moving block, a still period, a colour change and a corner pixel.
  const char pattern[] = "KKSSKKSK";
  const Block blocks[] = {{5, 5, red, false},    {9, 7, red, false},    {9, 7, red, false},
                          {9, 7, red, false},    {20, 12, red, false},  {20, 12, green, false},
                          {20, 12, green, false}, {20, 12, green, true}};
  const int count = static_cast<int>(sizeof blocks / sizeof blocks[0]);
  // Ticks that came late and early, around a 200 ms interval: the delays
  // follow these, not the interval.
  const int64_t captureMs[] = {0, 230, 410, 655, 800, 1065, 1200, 1390};

  // The recording lives in a folder of its own, as a recording's does.
  const std::string folder = out + "store\\";
  CreateDirectoryW(ToWide(folder).c_str(), nullptr);
  RecordingContext recording;
  recording.frames.SetFolder(FilePath::FromGbk(folder));
  std::string previous;
  for (int i = 0; i < count; ++i) {
    std::string frame = Paint(blocks[i]);
    if (frame.empty()) return Fail("painting failed");
    if (!WriteWholeFile(out + "frame" + std::to_string(i + 1) + ".bmp", frame)) return Fail("frame not written");
    // The recorder's still test: the same bytes as the last kept frame.
    bool still = frame == previous;
    if (still != (pattern[i] == 'S')) return Fail("unexpected still test");
    recording.frames.AppendFrame(still ? std::string() : frame, captureMs[i]);
    if (!still) previous = frame;
  }
  RecorderState& state = recording.state;
  state.startIntervalMs = 200;
  state.frameSize = state.animationSize = PixelSize{kWidth, kHeight};
  state.hasRecording = true;
  state.framesOptimized = false;
  if (!OptimizeFrames(recording) || !state.framesOptimized) return Fail("optimisation did not run");

  std::string offsets;
  for (int n = 1; n <= recording.frames.Count(); ++n) {
    FrameOffset o = recording.frames.Offset(n);
    offsets += std::string(n > 1 ? "," : "") + "[" + std::to_string(o.left) + "," + std::to_string(o.top) + "]";
  }

  struct Composition {
    const char* name;
    StillFrames still;
    uint16_t plays;
    GifLayout layout;
  };
  const Composition compositions[] = {{"wait", StillFrames::kWait, 4, GifLayout::kClassic},
                                      {"skip", StillFrames::kSkip, 0, GifLayout::kClassic},
                                      {"once", StillFrames::kWait, 1, GifLayout::kClassic},
                                      {"compact", StillFrames::kWait, 4, GifLayout::kCompact}};
  for (const Composition& c : compositions) {
    ComposeSettings settings{state.startIntervalMs, TimeTextMs("50", TimeUnit::kMilliseconds), c.still};
    StoreFrames frames(recording.frames);
    FileSink file;
    std::string error;
    if (!file.Create(out + c.name + ".gif")) return Fail("cannot create the GIF");
    if (WriteAnimation(frames, PlanAnimationFrames(frames, settings), MakeAnimationSettings(kWidth, kHeight, c.plays),
                       c.layout, file, nullptr, &error) != AnimationOutcome::kWritten) {
      return Fail(error.c_str());
    }
    if (!file.Commit()) return Fail("cannot write the GIF");
  }
  std::string captures;
  for (int i = 0; i < count; ++i) captures += (i > 0 ? "," : "") + std::to_string(captureMs[i]);
  printf("{\"pattern\":\"%s\",\"interval\":200,\"speed_change\":50,\"captures\":[%s],"
         "\"plays\":{\"wait\":4,\"skip\":0,\"once\":1,\"compact\":4},\"offsets\":[%s]}\n",
         pattern, captures.c_str(), offsets.c_str());
  return 0;
}
