// Draws what a frame shows of the user's input onto the work canvas, before
// the watermarks and the cursor: a ring at each click, and the caption of
// the keys near the bottom centre. Drawn at the screen's size, they go
// through the frame's scaling with the rest of the picture.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "bitmap/bitmap_surface_win.h"
#include "common/screen_rect.h"
#include "record/input_marks.h"

namespace movrel {

// What a frame shows of the input at its capture time.
struct InputMarks {
  std::vector<ClickRing> rings;          // in screen coordinates
  std::vector<std::u16string> caption;   // the entries, oldest first
  bool empty() const { return rings.empty() && caption.empty(); }
};

class InputMarkPainter {
 public:
  // `canvas` holds the picture of `rect`. The caption uses the font face
  // `face` (the text watermark's).
  void Draw(HDC canvas, const RecordRect& rect, const InputMarks& marks, const wchar_t* face);
  void Release();

 private:
  void DrawRings(HDC canvas, const RecordRect& rect, const std::vector<ClickRing>& rings);
  void DrawCaption(HDC canvas, const RecordRect& rect, const std::wstring& text, const wchar_t* face);
  bool MakeCaption(HDC canvas, const RecordRect& rect, const std::wstring& text, const wchar_t* face);

  UINT dpi_ = 0;
  // The caption as last made, ready to blend: made again only when its text,
  // its face or the canvas's size changes, so that a caption that stands
  // for a second costs one blend a frame.
  std::wstring captionText_, captionFace_;
  int32_t canvasWidth_ = 0, canvasHeight_ = 0;
  DibSection caption_;
  int32_t captionX_ = 0, captionY_ = 0, captionWidth_ = 0, captionHeight_ = 0;
};

}  // namespace movrel
