#include "record/frame_composer_win.h"

#include <new>

#include "common/file_path.h"
#include "record/icon_file.h"

namespace movrel {

void FrameComposer::Prepare(const ComposerSettings& settings, const Desktop& desktop, const DesktopBox& fullScreen) {
  Release();
  settings_ = settings;
  desktop_ = desktop;
  scalePercent_ = ScalePercentFromItem(settings.scaleItemText);
  depth_ = QualityDepth(settings.standardQuality);
  rect_ = CaptureRectFor(settings.recordArea, settings.leftText, settings.topText, settings.widthText,
                         settings.heightText, fullScreen);
  if (settings.showCursor) {
    const std::string& bytes = cursorFile_.Bytes(FilePath::FromGbk(settings.cursorFile));
    cursor_.Load(bytes.empty() ? DefaultCursorBytes() : bytes);
  }
  static const std::string kNoPicture;
  watermarks_.Prepare(settings.watermarks,
                      settings.watermarks.imageOn ? pictureFile_.Bytes(FilePath::FromGbk(settings.watermarks.imageFile))
                                                  : kNoPicture,
                      rect_.width, rect_.height);
  if (needsOverlay() && IsCapturable(rect_)) canvas_.CreateBlank(rect_.width, rect_.height, 24);
  hasScene_ = false;
  sceneChanged_ = true;
  prepared_ = true;
}

std::vector<std::string> FrameComposer::TakeFileRefusals() {
  std::vector<std::string> texts;
  const FileRead cursor = cursorFile_.TakeRefusal();
  if (cursor != FileRead::kRead) texts.push_back(CursorFileRefusedText(settings_.cursorFile, cursor));
  const FileRead picture = pictureFile_.TakeRefusal();
  if (picture != FileRead::kRead) {
    texts.push_back(WatermarkPictureRefusedText(settings_.watermarks.imageFile, picture));
  }
  return texts;
}

void FrameComposer::Release() {
  watermarks_.Release();
  marks_.Release();
  cursor_.Reset();
  canvas_.Reset();
  grab_.Reset();
  frame_.Reset();
  prepared_ = false;
}

bool FrameComposer::needsOverlay() const {
  OverlayNeeds needs;
  needs.cursor = settings_.showCursor && cursor_.loaded();
  needs.imageWatermark = settings_.watermarks.imageOn && watermarks_.imageLoaded();
  needs.textWatermark = settings_.watermarks.textOn;
  needs.inputMarks = settings_.showClicks || settings_.showKeys;
  needs.scalePercent = scalePercent_;
  return NeedsOverlay(needs);
}

PixelRows PixelRowsOf(const BitmapSurface& surface) {
  PixelRows rows;
  rows.data = surface.GetPixelAddress();
  rows.width = surface.GetWidth();
  rows.height = surface.GetHeight();
  rows.depth = surface.GetDepth();
  rows.stride = static_cast<size_t>(surface.GetStride());
  return rows;
}

std::string FrameComposer::Compose(int32_t pointerX, int32_t pointerY, const InputMarks& marks) {
  const PixelRows rows = ComposePixels(pointerX, pointerY, marks);
  return BmpOfBlock(rows, rows.Whole());
}

PixelRows FrameComposer::ComposePixels(int32_t pointerX, int32_t pointerY, const InputMarks& marks) {
  frameSize_ = {};
  if (!prepared_ || !IsCapturable(rect_)) return PixelRows();
  try {
    // The grab is made at the quality's depth, so "稍逊" frames are reduced
    // to the fixed 8-bit table even when nothing else is drawn.
    if (!CaptureDesktopArea(grab_, rect_, desktop_, depth_)) return PixelRows();
    // The grab's byte image is up to date once it is made.
    const uint64_t scene = PixelFingerprint(grab_.GetPixelAddress(), static_cast<size_t>(grab_.GetPixelSize()));
    sceneChanged_ = !hasScene_ || scene != sceneFingerprint_;
    hasScene_ = true;
    sceneFingerprint_ = scene;
    if (!needsOverlay()) {
      frameSize_ = {rect_.width, rect_.height};
      return PixelRowsOf(grab_);
    }
    if (!Overlay(pointerX, pointerY, marks)) return PixelRows();
    return PixelRowsOf(frame_);
  } catch (const std::bad_alloc&) {
    // Memory ran out for a picture within the limit: no frame this time.
    frameSize_ = {};
    return PixelRows();
  }
}

// Sets frameSize_ only when it makes a frame.
bool FrameComposer::Overlay(int32_t pointerX, int32_t pointerY, const InputMarks& marks) {
  const int w = rect_.width, h = rect_.height;
  if (canvas_.GetWidth() != w || canvas_.GetHeight() != h) {
    if (!canvas_.CreateBlank(w, h, 24)) return false;
  }
  HDC canvas = canvas_.GetMemoryDc();
  // The grab covers the whole canvas, so nothing of the last frame remains;
  // a copy that fails would leave the last frame there, so it is no frame.
  if (!BitBlt(canvas, 0, 0, w, h, grab_.GetMemoryDc(), 0, 0, SRCCOPY)) return false;
  // Under the watermarks and the cursor, as the screen showed them.
  InputMarks shown;
  if (settings_.showClicks) shown.rings = marks.rings;
  if (settings_.showKeys) shown.caption = marks.caption;
  if (!shown.empty()) marks_.Draw(canvas, rect_, shown, settings_.watermarks.font.lfFaceName);
  watermarks_.DrawImageWatermark(canvas);
  watermarks_.DrawTextWatermark(canvas);
  if (settings_.showCursor && cursor_.loaded()) {
    const CanvasPoint at = CursorDrawPoint(pointerX, pointerY, rect_);
    cursor_.Draw(canvas, at.x, at.y);
  }

  const FrameSize size = scalePercent_ == 100 ? FrameSize{w, h} : ScaledFrameSize(w, h, scalePercent_);
  // The frame's section is made again only when its size or depth changes.
  if (!FitsFrameLimit(size.width, size.height)) return false;
  if (frame_.GetWidth() != size.width || frame_.GetHeight() != size.height || frame_.GetDepth() != depth_ ||
      !frame_.GetMemoryDc()) {
    if (!frame_.CreateBlank(size.width, size.height, depth_)) return false;
  }
  // The block transfer into the frame's section also brings the picture to
  // the quality's depth. Scaling drops or repeats whole pixels, so a frame
  // gains no colours that the canvas did not have.
  bool copied;
  if (scalePercent_ == 100) {
    copied = BitBlt(frame_.GetMemoryDc(), 0, 0, w, h, canvas, 0, 0, SRCCOPY) != FALSE;
  } else {
    SetStretchBltMode(frame_.GetMemoryDc(), COLORONCOLOR);
    copied = StretchBlt(frame_.GetMemoryDc(), 0, 0, size.width, size.height, canvas, 0, 0, w, h, SRCCOPY) != FALSE;
  }
  if (!copied) return false;
  frame_.RefreshImage();
  frameSize_ = size;
  return true;
}

}  // namespace movrel
