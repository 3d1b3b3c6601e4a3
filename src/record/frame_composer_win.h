// The frame composer: turns the settings into a prepared state (capture
// rectangle, scale, depth, cursor picture, watermarks, work canvas) and then
// makes one frame at a time from the screen. When no overlay is needed the
// grab alone is the frame: no work canvas, no second encoding.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "bitmap/bitmap_surface_win.h"
#include "common/screen_rect.h"
#include "record/composer_rules.h"
#include "record/icon_picture_win.h"
#include "record/input_drawing_win.h"
#include "record/kept_picture.h"
#include "record/watermark_win.h"

namespace movrel {

// The settings the composer reads, as the main window's controls hold them.
struct ComposerSettings {
  bool recordArea = true;  // 录制区域(否则全屏幕)
  std::string leftText = "0", topText = "0", widthText = "500", heightText = "500";
  bool followMouse = false;           // 跟随鼠标
  bool standardQuality = true;        // 标准 (else 稍逊)
  std::string scaleItemText = "100%"; // the selected item of 组合框缩放
  bool showCursor = true;             // 显示鼠标
  std::string cursorFile;             // 编辑框光标文件 (GBK path)
  bool showClicks = false;            // 显示鼠标点击
  bool showKeys = false;              // 显示按键
  WatermarkSettings watermarks;
};

// The pixels of a surface as the recorder compares and stores them.
PixelRows PixelRowsOf(const BitmapSurface& surface);

class FrameComposer {
 public:
  // The rectangle comes from the edits, or is `fullScreen` (a whole
  // monitor); it is read wherever it lies on `desktop`, with black where no
  // monitor shows. The cursor picture is the chosen cursor file, or
  // the default cursor when there is no such file or it is refused (larger
  // than any cursor, unreadable); a file that is no cursor gives no cursor
  // picture. The cursor file and the watermark picture are read again only
  // when their paths or the files change.
  void Prepare(const ComposerSettings& settings, const Desktop& desktop, const DesktopBox& fullScreen);
  // What the user should be told of the files the preparations read: one
  // text for each refused file, once for each version of it.
  std::vector<std::string> TakeFileRefusals();
  // Frees the pictures and the work canvas.
  void Release();

  bool prepared() const { return prepared_; }
  const ComposerSettings& settings() const { return settings_; }
  // The capture rectangle; follow-mouse moves it between frames.
  RecordRect& rect() { return rect_; }
  bool followsMouse() const { return settings_.recordArea && settings_.followMouse; }
  int32_t scalePercent() const { return scalePercent_; }
  int depth() const { return depth_; }
  bool needsOverlay() const;
  const IconPicture& cursor() const { return cursor_; }
  const Watermarks& watermarks() const { return watermarks_; }

  // One frame of rect(), with the pointer at screen (pointerX, pointerY) and
  // the clicks and keys `marks` holds (drawn only when the settings ask for
  // them): its pixels, which the composer holds until the next frame or
  // Release. Empty, and frameSize() 0 x 0, when the rectangle or the scaled
  // frame has no pixels or a picture cannot be made.
  PixelRows ComposePixels(int32_t pointerX, int32_t pointerY, const InputMarks& marks = InputMarks());
  // The same frame as BMP file bytes; empty when there is none.
  std::string Compose(int32_t pointerX, int32_t pointerY, const InputMarks& marks = InputMarks());
  FrameSize frameSize() const { return frameSize_; }
  // Whether the screen under the last composed frame differed from the one
  // under the frame before it (the pointer, the marks and the watermarks
  // left out); true for the first frame after Prepare.
  bool sceneChanged() const { return sceneChanged_; }

 private:
  // Draws the overlay on the grab into frame_; false when no frame was made.
  bool Overlay(int32_t pointerX, int32_t pointerY, const InputMarks& marks);

  ComposerSettings settings_;
  Desktop desktop_ = Desktop::Single(1, 1);
  bool prepared_ = false;
  RecordRect rect_;
  int32_t scalePercent_ = 100;
  int depth_ = 24;
  IconPicture cursor_;
  Watermarks watermarks_;
  InputMarkPainter marks_;
  ComposerFile cursorFile_{kMaxCursorFileBytes};
  ComposerFile pictureFile_{kMaxWatermarkPictureBytes};
  BitmapSurface canvas_;  // 24 bits, the rectangle's size
  BitmapSurface grab_;    // the screen under the last frame
  BitmapSurface frame_;   // the last frame, when an overlay is drawn
  FrameSize frameSize_;
  bool sceneChanged_ = true;
  bool hasScene_ = false;  // sceneFingerprint_ is that of the last grab
  uint64_t sceneFingerprint_ = 0;
};

}  // namespace movrel
