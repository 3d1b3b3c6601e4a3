#include "record/input_drawing_win.h"

#include <algorithm>
#include <cstring>

#include "common/handle_win.h"
#include "record/mark_pixels.h"

namespace movrel {
namespace {

// The screen's DPI, which sets a ring's size as it sets the cursor's.
UINT ScreenDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// A top-down 32-bit section of width x height, its pixels zero.
bool MakeSection(HDC reference, int32_t width, int32_t height, DibSection* section) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  if (!section->Create(reference, &info)) return false;
  std::memset(section->pixelBits, 0, static_cast<size_t>(width) * height * 4);
  return true;
}

void BlendSection(HDC canvas, const DibSection& section, int x, int y, int width, int height) {
  BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(canvas, x, y, width, height, section.memoryDc.get(), 0, 0, width, height, blend);
}

}  // namespace

void InputMarkPainter::Draw(HDC canvas, const RecordRect& rect, const InputMarks& marks, const wchar_t* face) {
  DrawRings(canvas, rect, marks.rings);
  if (marks.caption.empty() || rect.width <= 0 || rect.height <= 0) return;
  std::wstring text;
  for (const std::u16string& entry : marks.caption) {
    if (!text.empty()) text += L"   ";
    text.append(entry.begin(), entry.end());
  }
  DrawCaption(canvas, rect, text, face && *face ? face : L"Arial");
}

void InputMarkPainter::Release() {
  caption_ = DibSection();
  captionText_.clear();
}

void InputMarkPainter::DrawRings(HDC canvas, const RecordRect& rect, const std::vector<ClickRing>& rings) {
  if (rings.empty()) return;
  if (dpi_ == 0) dpi_ = ScreenDpi();
  for (const ClickRing& ring : rings) {
    const int32_t diameter = RingDiameter(ring.level, dpi_);
    // Centred on the press point, in the canvas's coordinates; the canvas
    // clips what lies outside it.
    const int64_t x = int64_t{ring.x} - rect.left - diameter / 2;
    const int64_t y = int64_t{ring.y} - rect.top - diameter / 2;
    if (x < -diameter || y < -diameter || x > rect.width || y > rect.height) continue;
    const MarkPicture picture = RingPicture(diameter, RingColour(ring.button), ring.filled, ring.opacityPercent);
    DibSection section;
    if (!MakeSection(canvas, picture.side, picture.height, &section)) continue;
    std::memcpy(section.pixelBits, picture.pixels.data(), picture.pixels.size() * sizeof(uint32_t));
    GdiFlush();
    BlendSection(canvas, section, static_cast<int>(x), static_cast<int>(y), picture.side, picture.height);
  }
}

void InputMarkPainter::DrawCaption(HDC canvas, const RecordRect& rect, const std::wstring& text, const wchar_t* face) {
  if (text != captionText_ || face != captionFace_ || rect.width != canvasWidth_ || rect.height != canvasHeight_ ||
      !caption_.memoryDc) {
    captionText_ = text;
    captionFace_ = face;
    canvasWidth_ = rect.width;
    canvasHeight_ = rect.height;
    if (!MakeCaption(canvas, rect, text, face)) {
      caption_ = DibSection();
      return;
    }
  }
  BlendSection(canvas, caption_, captionX_, captionY_, captionWidth_, captionHeight_);
}

bool InputMarkPainter::MakeCaption(HDC canvas, const RecordRect& rect, const std::wstring& text, const wchar_t* face) {
  // A size that follows the frame's height, so that the caption stays
  // readable when the frame is scaled down to half.
  const int textHeight = std::clamp(rect.height / 16, 22, 72);
  LOGFONTW lf{};
  lf.lfHeight = -textHeight;
  lf.lfWeight = FW_BOLD;
  lf.lfCharSet = DEFAULT_CHARSET;
  lf.lfQuality = ANTIALIASED_QUALITY;  // grey smoothing: the mask below reads one channel
  wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  UniqueFont font(CreateFontIndirectW(&lf));
  if (!font) return false;
  const int length = static_cast<int>(text.size());
  RECT measured{0, 0, 0, 0};
  {
    SelectGuard selectFont(canvas, font.get());
    DrawTextW(canvas, text.c_str(), length, &measured, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  }
  const int padX = textHeight / 2, padY = textHeight / 4;
  captionWidth_ = std::min<int>(measured.right + 2 * padX, rect.width);
  captionHeight_ = std::min<int>(measured.bottom + 2 * padY, rect.height);
  captionX_ = (rect.width - captionWidth_) / 2;
  captionY_ = std::max(0, rect.height - captionHeight_ - rect.height / 20);

  // The text in white on black, whose grey is how much of each pixel the
  // text covers; a caption wider than the frame keeps its newest end.
  if (!MakeSection(canvas, captionWidth_, captionHeight_, &caption_)) return false;
  {
    SelectGuard selectFont(caption_.memoryDc.get(), font.get());
    SetBkMode(caption_.memoryDc.get(), TRANSPARENT);
    SetTextColor(caption_.memoryDc.get(), RGB(255, 255, 255));
    RECT box{padX, padY, captionWidth_ - padX, captionHeight_ - padY};
    const bool wider = measured.right > box.right - box.left;
    DrawTextW(caption_.memoryDc.get(), text.c_str(), length, &box,
              DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | (wider ? DT_RIGHT : DT_CENTER));
    GdiFlush();
  }
  const size_t count = static_cast<size_t>(captionWidth_) * captionHeight_;
  auto* pixels = reinterpret_cast<uint32_t*>(caption_.pixelBits);
  std::vector<uint8_t> coverage(count);
  for (size_t i = 0; i < count; ++i) coverage[i] = static_cast<uint8_t>((pixels[i] >> 8) & 0xFF);
  MarkPicture picture = RoundedBox(captionWidth_, captionHeight_, textHeight / 3, 0x202020, 75);
  PaintCoverage(&picture, coverage, 0xFFFFFF);
  std::memcpy(pixels, picture.pixels.data(), count * sizeof(uint32_t));
  GdiFlush();
  return true;
}

}  // namespace movrel
