// The image and text watermarks of recorded frames: prepared once from the
// settings (picture loaded, font made, text measured, both placed), then
// drawn onto the frame composer's work canvas for every frame.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "bitmap/bitmap_surface_win.h"
#include "common/handle_win.h"
#include "record/composer_rules.h"

namespace movrel {

struct WatermarkSettings {
  bool imageOn = false;               // 图像水印
  std::string imageFile;              // GBK path
  COLORREF imageTransparent = RGB(255, 255, 255);  // kTransparentColour: none
  bool textOn = false;                // 文字水印
  std::string text;                   // with the variables #年 … #秒
  LOGFONTW font{};                    // in pixels at 96 DPI, as frames are drawn
  COLORREF textColour = kDefaultWatermarkTextColour;
  COLORREF backColour = kDefaultWatermarkBackColour;  // kTransparentColour: no background
  int placement = kPlaceCentre;       // 组合框水印方位
  std::string marginText = "5";       // 编辑框边缘距离
};

class Watermarks {
 public:
  // Loads the image watermark from `pictureBytes` (the bytes of the file
  // the settings name: any picture GDI+ decodes, or an icon or cursor file)
  // and measures the text watermark as it expands now, and places both on a
  // canvas of canvasWidth x canvasHeight. Bytes that do not decode give no
  // image watermark.
  void Prepare(const WatermarkSettings& settings, const std::string& pictureBytes, int canvasWidth,
               int canvasHeight);
  void Release();

  bool imageLoaded() const { return image_.GetHandle() != nullptr; }
  bool textOn() const { return settings_.textOn; }
  CanvasPoint imagePosition() const { return imagePosition_; }
  int imageWidth() const { return image_.GetWidth(); }
  int imageHeight() const { return image_.GetHeight(); }
  CanvasPoint textPosition() const { return textPosition_; }
  TextBlock textBlock() const { return textBlock_; }
  int lineHeight() const { return lineHeight_; }

  void DrawImageWatermark(HDC canvas) const;
  // The text expanded for this moment, at the position found when prepared.
  void DrawTextWatermark(HDC canvas) const;
  void DrawTextWatermark(HDC canvas, const std::string& expandedText) const;

 private:
  void LoadPicture(const std::string& bytes);

  WatermarkSettings settings_;
  BitmapSurface image_;
  CanvasPoint imagePosition_;
  UniqueFont font_;
  int lineHeight_ = 0;
  TextBlock textBlock_;
  CanvasPoint textPosition_;
};

}  // namespace movrel
