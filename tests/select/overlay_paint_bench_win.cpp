// Benchmark of the selection overlay's repaint on the real screen: run it on
// a display of the size of interest (for example a 1920 x 1080 Xvfb under
// Wine). It opens the overlay, then times a whole repaint, a stage-2 drag
// step and a stage-0 pointer step, each up to the moment the window's
// contents are flushed. Not a test: it reports times and checks nothing.
#include <windows.h>

#include <cstdio>
#include <functional>

#include "select/selection_overlay_win.h"

using namespace movrel;

namespace {

double NowMs() {
  LARGE_INTEGER f, t;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t);
  return 1000.0 * static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

void Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
}

// Mean time of `step` over `rounds` runs, after a few warm-up runs.
double MeanMs(int rounds, const std::function<void(int)>& step) {
  for (int i = 0; i < 3; ++i) step(i);
  const double start = NowMs();
  for (int i = 0; i < rounds; ++i) step(i);
  return (NowMs() - start) / rounds;
}

}  // namespace

int wmain() {
  SetProcessDPIAware();
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  const SelectionRect preset{width / 4, height / 4, width * 3 / 4, height * 3 / 4};
  SelectionOverlay overlay;
  if (!overlay.Open(nullptr, &preset)) {
    fprintf(stderr, "the overlay could not be opened\n");
    return 1;
  }
  HWND w = overlay.handle();
  Pump();
  auto flush = [w] {
    UpdateWindow(w);
    GdiFlush();
  };
  const int rounds = 40;

  const double full = MeanMs(rounds, [&](int) {
    InvalidateRect(w, nullptr, FALSE);
    flush();
  });

  // A drag of the whole rectangle by one pixel per step: the outline,
  // handles, label and magnifier move; the rest of the screen stays.
  const int cx = width / 2, cy = height / 2;
  SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(cx, cy));
  SendMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cx, cy));
  flush();
  const double drag = MeanMs(rounds, [&](int i) {
    SendMessageW(w, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(cx + 1 + i % 50, cy + (i / 50)));
    flush();
  });
  SendMessageW(w, WM_LBUTTONUP, 0, MAKELPARAM(cx + 1, cy));
  flush();

  // Pointer moves over a set rectangle (button up): the hit test and the
  // pointer shape only.
  const double hover = MeanMs(rounds, [&](int i) {
    SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(cx + 100 + i % 50, cy));
    flush();
  });

  // Stage 0: the cross lines span the screen, and the magnifier is redrawn.
  SendMessageW(w, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(cx, cy));
  flush();
  const double cross = MeanMs(rounds, [&](int i) {
    SendMessageW(w, WM_MOUSEMOVE, 0, MAKELPARAM(cx + 1 + i % 50, cy + 1 + i % 7));
    flush();
  });

  BitmapSurface screen, magnifier;
  screen.CaptureScreen(0, 0, width, height);
  const double magnify = MeanMs(rounds, [&](int i) { PaintMagnifier(screen, magnifier, {cx + i, cy}); });

  printf("screen %d x %d\n", width, height);
  printf("stage 2, whole repaint:         %7.2f ms\n", full);
  printf("stage 2, drag step (1 px):      %7.2f ms\n", drag);
  printf("stage 2, pointer move:          %7.2f ms\n", hover);
  printf("stage 0, pointer step (1 px):   %7.2f ms\n", cross);
  printf("magnifier picture (GetPixel/SetPixel): %7.2f ms\n", magnify);
  SendMessageW(w, WM_KEYDOWN, VK_ESCAPE, 0);
  return 0;
}
