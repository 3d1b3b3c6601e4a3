// The frame composer's decisions, apart from any drawing: which rectangle is
// captured, how large the frame comes out, whether the work canvas is needed
// at all, where the cursor and the watermarks go, and the caption that
// reports a sample frame. Portable, so all of it is tested natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/desktop.h"
#include "common/file_io.h"

namespace movrel {

// The quality radios: "标准" keeps 24 bits per pixel, "稍逊" 8.
inline int QualityDepth(bool standardQuality) { return standardQuality ? 24 : 8; }

// The scale of 组合框缩放's item text ("130%" gives 130). A text without a
// positive leading number, such as an empty selection, means no scaling.
int ScalePercentFromItem(const std::string& itemText);

// trunc(size / 100 * percent) in double precision, for each side.
FrameSize ScaledFrameSize(int32_t width, int32_t height, int32_t percent);

// The capture rectangle: the four edits' leading integers when a rectangle is
// recorded ("录制区域"), the whole monitor `fullScreen` otherwise.
RecordRect CaptureRectFor(bool recordArea, const std::string& leftText, const std::string& topText,
                          const std::string& widthText, const std::string& heightText,
                          const DesktopBox& fullScreen);

// The largest picture a frame may be, counted at 24 bits per pixel: the
// grab, the work canvas, the frame and its file bytes are all alive at once
// in a 32-bit process, so an edit of "99999" or a scale of "5000%" on a big
// rectangle gives no frame instead of exhausting the address space.
constexpr int64_t kMaxFramePixelBytes = int64_t{128} << 20;

// Both sides at least one pixel and the picture within kMaxFramePixelBytes.
bool FitsFrameLimit(int32_t width, int32_t height);
inline bool IsCapturable(const RecordRect& r) { return FitsFrameLimit(r.width, r.height); }

// Why a recorded rectangle cannot start a recording, naming the edit to
// change: no pixels, a frame past the limit, or no part on the desktop
// (`desktop` is its bounding box). Empty when it can be recorded; parts
// beyond the desktop or in gaps between monitors record as black.
std::string CaptureRectRefusal(const RecordRect& rect, const DesktopBox& desktop);

// What the overlay stage would draw. The grab alone is the frame unless at
// least one of these asks for the work canvas.
struct OverlayNeeds {
  bool cursor = false;          // "显示鼠标" on and its picture loaded
  bool imageWatermark = false;  // "图像水印" on and its picture loaded
  bool textWatermark = false;   // "文字水印" on
  bool inputMarks = false;      // "显示鼠标点击" or "显示按键" on
  int32_t scalePercent = 100;
};
bool NeedsOverlay(const OverlayNeeds& needs);

struct CanvasPoint {
  int32_t x = 0, y = 0;
};

// The cursor picture's top-left corner on the frame: the pointer minus the
// rectangle's corner; the hotspot plays no part.
CanvasPoint CursorDrawPoint(int32_t pointerX, int32_t pointerY, const RecordRect& rect);

// The nine places of 组合框水印方位, in the list's order.
enum WatermarkPlacement {
  kPlaceTopLeft,      // 左上
  kPlaceBottomLeft,   // 左下
  kPlaceTopRight,     // 右上
  kPlaceBottomRight,  // 右下
  kPlaceTopCentre,    // 中上
  kPlaceBottomCentre, // 中下
  kPlaceCentreLeft,   // 中左
  kPlaceCentreRight,  // 中右
  kPlaceCentre,       // 中间
};
// The list's items, in WatermarkPlacement's order.
const std::vector<const char*>& WatermarkPlacementItems();

// Watermark colours as COLORREF values (0x00BBGGRR).
constexpr uint32_t kDefaultWatermarkTextColour = 0x00FF0000;  // blue
constexpr uint32_t kDefaultWatermarkBackColour = 0x00FFFFFF;
// "透明色": no colour (no transparent colour in the picture, no background
// behind the text).
constexpr uint32_t kTransparentColour = 0xFF000000;

// The top-left corner of a markWidth x markHeight watermark on a canvas of
// canvasWidth x canvasHeight, `margin` pixels from the edges it is placed
// against. A centred coordinate ignores the margin and is computed exactly,
// then truncated toward zero. An index outside the list places like 左上.
CanvasPoint PlaceWatermark(int placement, int32_t canvasWidth, int32_t canvasHeight, int32_t markWidth,
                           int32_t markHeight, int32_t margin);

// The block that a multi-line text takes: as wide as its widest line, one
// line height per line. `lineWidths` holds each line's measured width.
struct TextBlock {
  int32_t width = 0, height = 0;
};
TextBlock MeasureTextBlock(const std::vector<int32_t>& lineWidths, int32_t lineHeight);

// "1.基本设置（单帧大小：1.5 KB 500×500）".
std::string SingleFrameCaption(size_t frameBytes, const FrameSize& size);

// A fingerprint of a grab's pixels, to tell whether the screen changed
// between two frames without keeping the frame before: equal pixels give
// equal fingerprints, and different ones almost never do.
uint64_t PixelFingerprint(const uint8_t* pixels, size_t byteCount);

// The most a cursor file and a watermark picture may hold. Beyond these a
// file is no file of its kind, and reading it whole could exhaust the 32-bit
// address space.
constexpr uint64_t kMaxCursorFileBytes = 4u * 1024u * 1024u;
constexpr uint64_t kMaxWatermarkPictureBytes = 64u * 1024u * 1024u;

// A file the composer draws from (the cursor, the watermark picture) as the
// settings name it. It is read through its limit only when the path or the
// file itself changes, since the frame preview prepares the composer at
// every keystroke in the edits; a path that names no file (an empty edit, a
// path half typed) gives no bytes and nothing to tell.
class ComposerFile {
 public:
  explicit ComposerFile(uint64_t maxBytes) : maxBytes_(maxBytes) {}
  // The file's bytes; empty when there is no file or it was refused.
  const std::string& Bytes(const FilePath& path);
  // Why the file last read was refused (too large or unreadable), once for
  // each version of it; kRead when there is nothing new to tell.
  FileRead TakeRefusal();
  uint64_t maxBytes() const { return maxBytes_; }

 private:
  uint64_t maxBytes_;
  bool known_ = false;
  bool present_ = false;
  FilePath path_;
  FileVersion version_;
  std::string bytes_;
  FileRead untold_ = FileRead::kRead;
};

// What the user is told of a refused cursor file or watermark picture: which
// file, why, and what the recording draws instead.
std::string CursorFileRefusedText(const std::string& path, FileRead read);
std::string WatermarkPictureRefusedText(const std::string& path, FileRead read);

}  // namespace movrel
