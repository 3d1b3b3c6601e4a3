// The selection overlay: a borderless window over the whole desktop (every
// monitor) showing a frozen picture of it, in which the user marks the record rectangle. The
// decisions are SelectionState's; this window feeds it the mouse and the
// keys, moves the pointer when told, and paints the scene it answers from an
// off-screen buffer, only where something changed.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "bitmap/bitmap_surface_win.h"
#include "common/handle_win.h"
#include "select/selection_state.h"
#include "ui/window_win.h"

namespace movrel {

// Measures with a font selected into a memory DC.
class GdiTextMeasurer : public TextMeasurer {
 public:
  explicit GdiTextMeasurer(HFONT font);
  TextSize Measure(const std::string& text) const override;

 private:
  UniqueMemoryDc dc_;
  SelectGuard selectFont_;  // goes before the DC
};

// Paints the 20 x 20 pixels of `screen` around `centre` (in the picture's
// own pixels) as 5 x 5 blocks into
// `magnifier`, making it a blank 100 x 100 24-bit picture first when it is
// not one. Pixels beyond the screen's edge come out black.
bool PaintMagnifier(BitmapSurface& screen, BitmapSurface& magnifier, ScreenPoint centre);

// Paints the scene's marks (everything but the background picture) into
// `dc`, whose origin is the desktop's, with the magnifier's picture taken from `magnifierDc`.
void PaintSceneMarks(HDC dc, const SelectionScene& scene, HDC magnifierDc, HFONT font);

class SelectionOverlay : public Window {
 public:
  SelectionOverlay() = default;
  ~SelectionOverlay() override;
  SelectionOverlay(const SelectionOverlay&) = delete;
  SelectionOverlay& operator=(const SelectionOverlay&) = delete;

  // Takes the desktop's picture, with the parts no monitor shows darkened,
  // and shows the overlay over the whole desktop, in stage 2 on `preset` when one is given. `owner` (may be null)
  // owns the overlay while it is visible. False when it cannot be made.
  bool Open(HWND owner, const SelectionRect* preset);
  // Handles events with `disabledOwner` disabled until the user accepts or
  // cancels; the window is destroyed then. True when accepted.
  bool RunModal(HWND disabledOwner);

  const SelectionState& State() const { return state_; }

 protected:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void SyncHeldKeys();
  // Brings the view in line with the state: invalidates what changed,
  // repaints the magnifier's picture, sets the pointer.
  void UpdateView();
  void OnPaint();
  void OnKey(WPARAM key, bool down);
  void ShowHelp();
  void Close();
  // Desktop and window coordinates differ by the desktop's top-left corner,
  // which is negative where a monitor lies left of or above the primary.
  ScreenPoint ToDesktop(LPARAM lParam) const;
  RECT ToClient(const ScreenBox& box) const;

  SelectionState state_{Desktop::Single(1, 1)};
  ScreenPoint origin_;
  UniqueFont font_;
  std::unique_ptr<GdiTextMeasurer> measurer_;
  OffscreenBuffer back_;  // the frozen picture with the marks, copied to the window in one piece
  SelectionScene shown_;
  bool magnifierPainted_ = false;
  ScreenPoint magnifierPaintedFor_;
};

// Shows the overlay modally with `owner` disabled. True, with the chosen
// rectangle in *accepted, when the user accepted one.
bool RunSelectionOverlay(HWND owner, const SelectionRect& preset, bool startFromPreset, SelectionRect* accepted);

}  // namespace movrel
