#include "record/watermark_win.h"

#include "bitmap/image_format.h"
#include "bitmap/reencode_win.h"
#include "common/gbk.h"
#include "common/gbk_win.h"
#include "common/number.h"
#include "record/icon_picture_win.h"
#include "record/watermark_text.h"

namespace movrel {

void Watermarks::Prepare(const WatermarkSettings& settings, const std::string& pictureBytes, int canvasWidth,
                         int canvasHeight) {
  Release();
  settings_ = settings;
  const int32_t margin = LeadingInt(settings.marginText);
  if (settings.imageOn) {
    LoadPicture(pictureBytes);
    if (imageLoaded()) {
      imagePosition_ = PlaceWatermark(settings.placement, canvasWidth, canvasHeight, image_.GetWidth(),
                                      image_.GetHeight(), margin);
    }
  }
  if (settings.textOn) {
    font_.reset(CreateFontIndirectW(&settings.font));
    UniqueMemoryDc measure(CreateCompatibleDC(nullptr));
    SelectGuard select(measure.get(), font_.get());
    TEXTMETRICW metrics{};
    GetTextMetricsW(measure.get(), &metrics);
    lineHeight_ = metrics.tmHeight;
    // Measured as the text reads now; frames keep this place even when a
    // later expansion is longer.
    std::vector<int32_t> widths;
    for (const std::string& line : SplitLines(ExpandWatermarkText(settings.text))) {
      const std::wstring wide = ToWide(line);
      SIZE extent{};
      GetTextExtentPoint32W(measure.get(), wide.c_str(), static_cast<int>(wide.size()), &extent);
      widths.push_back(extent.cx);
    }
    textBlock_ = MeasureTextBlock(widths, lineHeight_);
    textPosition_ = PlaceWatermark(settings.placement, canvasWidth, canvasHeight, textBlock_.width,
                                   textBlock_.height, margin);
  }
}

void Watermarks::LoadPicture(const std::string& bytes) {
  if (bytes.empty()) return;
  // Icons and cursors are drawn over white, so with the default transparent
  // colour their transparent pixels stay transparent.
  IconPicture icon;
  if (icon.Load(bytes)) {
    image_.LoadFromIcon(icon.handle(), icon.width(), icon.height(), 32);
    return;
  }
  std::string bmp;
  if (ReencodeImage(bytes, kSaveBmp, &bmp)) image_.LoadFromBmpBytes(bmp);
}

void Watermarks::Release() {
  image_.Reset();
  font_.reset();
  settings_ = WatermarkSettings{};
  imagePosition_ = textPosition_ = CanvasPoint{};
  textBlock_ = TextBlock{};
  lineHeight_ = 0;
}

void Watermarks::DrawImageWatermark(HDC canvas) const {
  if (!settings_.imageOn || !imageLoaded()) return;
  const int w = image_.GetWidth(), h = image_.GetHeight();
  if (settings_.imageTransparent == kTransparentColour) {
    BitBlt(canvas, imagePosition_.x, imagePosition_.y, w, h, image_.GetMemoryDc(), 0, 0, SRCCOPY);
  } else {
    // Black is a colour like any other here: choosing it makes black
    // transparent.
    TransparentBlt(canvas, imagePosition_.x, imagePosition_.y, w, h, image_.GetMemoryDc(), 0, 0, w, h,
                   settings_.imageTransparent & 0xFFFFFF);
  }
}

void Watermarks::DrawTextWatermark(HDC canvas) const {
  if (settings_.textOn) DrawTextWatermark(canvas, ExpandWatermarkText(settings_.text));
}

void Watermarks::DrawTextWatermark(HDC canvas, const std::string& expandedText) const {
  if (!settings_.textOn || !font_) return;
  SelectGuard select(canvas, font_.get());
  SetTextColor(canvas, settings_.textColour & 0xFFFFFF);
  if (settings_.backColour == kTransparentColour) {
    SetBkMode(canvas, TRANSPARENT);
  } else {
    SetBkMode(canvas, OPAQUE);
    SetBkColor(canvas, settings_.backColour & 0xFFFFFF);
  }
  SetTextAlign(canvas, TA_LEFT | TA_TOP | TA_NOUPDATECP);
  int y = textPosition_.y;
  for (const std::string& line : SplitLines(expandedText)) {
    const std::wstring wide = ToWide(line);
    TextOutW(canvas, textPosition_.x, y, wide.c_str(), static_cast<int>(wide.size()));
    y += lineHeight_;
  }
}

}  // namespace movrel
