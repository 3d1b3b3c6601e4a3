#include "record/optimize_win.h"

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <functional>
#include <vector>

#include "bitmap/bitmap_surface_win.h"
#include "bitmap/bmp_layout.h"
#include "common/desktop_win.h"
#include "common/gbk_win.h"
#include "common/message_pump_win.h"
#include "record/changed_rect.h"
#include "record/frame_store.h"
#include "record/recording_window_win.h"
#include "ui/ui_win.h"
#include "ui/window_win.h"

namespace movrel {
namespace {

const WindowClass kOptimizeClass = {L"MovrelOptimize", 0, IDC_WAIT, COLOR_BTNFACE};
constexpr const char* kOptimizeTitle = "正在优化动画帧，以尽可能降低GIF文件大小..";

bool windowOpen = false;

// The hidden work canvas: a 32-bit picture on which two frames are combined.
BitmapSurface& WorkCanvas() {
  static BitmapSurface canvas;
  return canvas;
}

// Draws BMP file bytes at (0, 0) in their own size with the raster
// operation (SRCCOPY or SRCINVERT, the exclusive-or).
bool DrawFrame(HDC dc, const std::string& bmp, DWORD rop) {
  BmpFileLayout layout;
  if (!IsLoadableBmpFile(bmp, &layout)) return false;
  // The header and colour table go to GDI from an aligned copy.
  const size_t infoBytes = layout.tableEnd - kFileHeaderBytes;
  std::vector<uint32_t> info(infoBytes / 4 + 1, 0);
  std::memcpy(info.data(), bmp.data() + kFileHeaderBytes, infoBytes);
  const int w = layout.width, h = layout.height;
  return StretchDIBits(dc, 0, 0, w, h, 0, 0, w, h, bmp.data() + layout.pixelOffset,
                       reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, rop) != 0;
}

// The size of a frame as its headers say; 0 x 0 for one that is no readable
// picture.
PixelSize FrameSize(const std::string& bmp) {
  BmpFileLayout layout;
  if (!IsLoadableBmpFile(bmp, &layout)) return PixelSize{};
  return PixelSize{layout.width, layout.height};
}

// The difference of two whole frames on the work canvas, as BMP bytes;
// empty when either cannot be drawn.
std::string Difference(const std::string& previous, const std::string& current) {
  BitmapSurface& canvas = WorkCanvas();
  FitWorkCanvas(FrameSize(current));
  HDC dc = canvas.GetMemoryDc();
  if (!dc) return std::string();
  PatBlt(dc, 0, 0, canvas.GetWidth(), canvas.GetHeight(), BLACKNESS);
  if (!DrawFrame(dc, previous, SRCCOPY) || !DrawFrame(dc, current, SRCINVERT)) return std::string();
  GdiFlush();
  canvas.RefreshImage();
  return canvas.ToBmpBytes();
}

// The block of the frame as BMP bytes at the frame's own depth; empty on
// failure.
std::string Crop(const std::string& frame, const ChangedRect& r) {
  BitmapSurface whole, part;
  if (!whole.LoadFromBmpBytes(frame) || !whole.CopyRegionTo(part, r.left, r.top, r.Width(), r.Height())) {
    return std::string();
  }
  BmpFileLayout layout;
  IsLoadableBmpFile(frame, &layout);  // true: the frame has loaded
  if (part.GetDepth() != layout.depth && !part.ConvertDepth(layout.depth)) return std::string();
  return part.ToBmpBytes();
}

void RunPass(FrameStore& store, const std::function<void(int, int)>& progress) {
  std::string lastKept;
  const int count = store.Count();
  for (int i = 1; i <= count; ++i) {
    PumpPendingMessages();
    std::string data = store.ReadFrame(i);
    // A frame that is no readable picture is left as it is and compared
    // with nothing.
    if (IsLoadableBmpFile(data)) {
      if (lastKept.empty()) {
        lastKept = data;  // the first kept frame stays whole
      } else {
        const std::string difference = Difference(lastKept, data);
        // The next kept frame is compared with this one whole, not its crop.
        lastKept = data;
        ChangedRect r;
        switch (difference.empty() ? ChangeScan::kUnreadable : FindChangedRect(difference, 1, &r)) {
          case ChangeScan::kChanged: {
            const std::string cropped = Crop(data, r);
            if (!cropped.empty()) store.ReplaceFrame(i, cropped, FrameOffset{r.left, r.top});
            break;
          }
          case ChangeScan::kUnchanged:
            store.ReplaceFrame(i, std::string());
            break;
          case ChangeScan::kUnreadable:
            break;  // kept whole at {0, 0}
        }
      }
    }
    progress(i, count);
  }
}

// ---- the window ------------------------------------------------------------

struct OptimizeWindow : Window {
  ~OptimizeWindow() override { Destroy(); }
  bool Open();
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == WM_CLOSE) return 0;  // closes itself when the pass is done
    return Default(message, wParam, lParam);
  }

  HWND label = nullptr;
  HWND bar = nullptr;
  UniqueFont font;
};

bool OptimizeWindow::Open() {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&icc);
  HWND owner = TheRecordingWindow().Handle();
  const UINT dpi = WindowDpi(owner);
  const DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER;
  RECT frame = {0, 0, Scale(420, dpi), Scale(72, dpi)};
  AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME);
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  const POINT at = CentredOnHome(width, height);
  const int x = at.x, y = at.y;
  if (!Create(kOptimizeClass, WS_EX_DLGMODALFRAME, ToWide(kOptimizeTitle), style, x, y, width, height, owner)) {
    return false;
  }
  font = CreateUiFont(dpi);
  label = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_CENTER, Scale(12, dpi), Scale(10, dpi),
                             Scale(396, dpi), Scale(18, dpi), handle(), nullptr, instance, nullptr);
  bar = CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE, Scale(12, dpi), Scale(34, dpi),
                           Scale(396, dpi), Scale(24, dpi), handle(), nullptr, instance, nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
  ShowWindow(handle(), SW_SHOW);
  UpdateWindow(handle());
  return true;
}

}  // namespace

void FitWorkCanvas(PixelSize size) {
  BitmapSurface& canvas = WorkCanvas();
  if (size.width <= 0 || size.height <= 0) return;
  if (canvas.GetWidth() == size.width && canvas.GetHeight() == size.height && canvas.GetMemoryDc()) return;
  canvas.CreateBlank(size.width, size.height, 32);
}

bool OptimizeFrames(RecordingContext& recording) {
  if (windowOpen) return false;
  // A second pass would compare crops with whole frames and spoil them.
  if (recording.state.framesOptimized) return true;
  OptimizeWindow w;
  windowOpen = true;  // F9 does nothing meanwhile
  HWND owner = TheRecordingWindow().Handle();
  const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
  if (owner) EnableWindow(owner, FALSE);
  const bool shown = w.Open();
  const int count = recording.frames.Count();
  if (shown) SendMessageW(w.bar, PBM_SETRANGE32, 0, count);
  RunPass(recording.frames, [&](int i, int total) {
    if (!shown) return;
    SendMessageW(w.bar, PBM_SETPOS, static_cast<WPARAM>(i), 0);
    SetWindowTextGbk(w.label, "正在优化中..(" + std::to_string(i) + "\\" + std::to_string(total) + ")");
  });
  recording.state.framesOptimized = true;
  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  w.Destroy();
  windowOpen = false;
  return true;
}

bool OptimizationWindowShown() { return windowOpen; }

}  // namespace movrel
