// Milliseconds per frame of the frame composer in recording mode, on the
// real screen under Wine: at 500 x 500 and at full screen, once with no
// overlay (one grab, one encoding) and once with the cursor, a text
// watermark and 50% scaling, and then with three click rings and a key
// caption besides, which should add at most a millisecond. A plain
// full-screen frame should cost well under a tenth of the default 200 ms
// frame interval.
//
//   composer_bench [FRAMES]
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "record/watermark_text.h"
#include "common/desktop_win.h"
#include "record/frame_composer_win.h"

using namespace movrel;

namespace {

ComposerSettings Settings(bool fullScreen, bool overlays, bool standard) {
  ComposerSettings s;
  s.recordArea = !fullScreen;
  s.standardQuality = standard;
  s.showCursor = overlays;
  s.cursorFile = "";
  if (overlays) {
    s.scaleItemText = "50%";
    s.watermarks.textOn = true;
    s.watermarks.text = kDefaultWatermarkText;
    s.watermarks.font.lfHeight = -15;
    s.watermarks.font.lfCharSet = GB2312_CHARSET;
    wcscpy(s.watermarks.font.lfFaceName, L"\u5b8b\u4f53");
  }
  return s;
}

void Run(const char* name, const ComposerSettings& settings, int frames, const InputMarks& marks = InputMarks()) {
  FrameComposer composer;
  composer.Prepare(settings, ReadDesktop(), HomeMonitor());
  size_t bytes = composer.Compose(700, 400, marks).size();  // warm-up
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < frames; ++i) bytes += composer.Compose(700 + i, 400, marks).size();
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-44s %5dx%-5d %8.2f ms/frame  (%zu bytes/frame)\n", name, composer.frameSize().width,
              composer.frameSize().height, ms / frames, bytes / (frames + 1));
  composer.Release();
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
  std::printf("screen %dx%d, %d frames each\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), frames);
  Run("500x500, no overlay, standard", Settings(false, false, true), frames);
  Run("500x500, cursor + text + 50%, standard", Settings(false, true, true), frames);
  Run("full screen, no overlay, standard", Settings(true, false, true), frames);
  Run("full screen, no overlay, lower", Settings(true, false, false), frames);
  Run("full screen, cursor + text + 50%, standard", Settings(true, true, true), frames);
  Run("full screen, cursor + text + 50%, lower", Settings(true, true, false), frames);
  ComposerSettings marked = Settings(true, true, true);
  marked.showClicks = marked.showKeys = true;
  InputMarks marks;
  marks.rings = {ClickRing{300, 300, MouseButton::kLeft, true, 100, 0},
                 ClickRing{600, 400, MouseButton::kRight, false, 60, 0},
                 ClickRing{604, 402, MouseButton::kRight, false, 100, 1}};
  marks.caption = {u"hello world", u"Ctrl+Shift+S", u"Enter"};
  Run("full screen, the same + 3 rings + caption", marked, frames, marks);
  return 0;
}
