#include "record/composer_rules.h"

#include <algorithm>
#include <cstring>

#include "common/format.h"
#include "common/number.h"

namespace movrel {

int ScalePercentFromItem(const std::string& itemText) {
  const int32_t percent = LeadingInt(itemText);
  return percent > 0 ? percent : 100;
}

FrameSize ScaledFrameSize(int32_t width, int32_t height, int32_t percent) {
  return {TruncToInt(width / 100.0 * percent), TruncToInt(height / 100.0 * percent)};
}

RecordRect CaptureRectFor(bool recordArea, const std::string& leftText, const std::string& topText,
                          const std::string& widthText, const std::string& heightText,
                          const DesktopBox& fullScreen) {
  if (!recordArea) return RectOf(fullScreen);
  return {LeadingInt(leftText), LeadingInt(topText), LeadingInt(widthText), LeadingInt(heightText)};
}

bool FitsFrameLimit(int32_t width, int32_t height) {
  if (width < 1 || height < 1) return false;
  const int64_t strideBytes = (int64_t{width} * 3 + 3) / 4 * 4;
  // One row within the limit keeps the product inside 64 bits.
  return strideBytes <= kMaxFramePixelBytes && strideBytes * height <= kMaxFramePixelBytes;
}

std::string CaptureRectRefusal(const RecordRect& rect, const DesktopBox& desktop) {
  const char* const kAdvice = "，请修改后再开始录制。";
  if (rect.width < 1) return std::string("“宽度”必须是大于0的像素数") + kAdvice;
  if (rect.height < 1) return std::string("“高度”必须是大于0的像素数") + kAdvice;
  if (!FitsFrameLimit(rect.width, rect.height)) {
    return "“宽度”和“高度”太大：一帧不能超过" + std::to_string(kMaxFramePixelBytes >> 20) + " MB" + kAdvice;
  }
  const DesktopBox box = BoxOf(rect);
  if (box.right <= desktop.left || box.left >= desktop.right) {
    return std::string("“左边”使录制区域完全落在桌面之外") + kAdvice;
  }
  if (box.bottom <= desktop.top || box.top >= desktop.bottom) {
    return std::string("“顶边”使录制区域完全落在桌面之外") + kAdvice;
  }
  return std::string();
}

bool NeedsOverlay(const OverlayNeeds& needs) {
  return needs.cursor || needs.imageWatermark || needs.textWatermark || needs.inputMarks || needs.scalePercent != 100;
}

CanvasPoint CursorDrawPoint(int32_t pointerX, int32_t pointerY, const RecordRect& rect) {
  // In 64 bits: a far-off rectangle must not wrap the difference around.
  auto clamp = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); };
  return {clamp(int64_t{pointerX} - rect.left), clamp(int64_t{pointerY} - rect.top)};
}

const std::vector<const char*>& WatermarkPlacementItems() {
  static const std::vector<const char*> items = {"左上", "左下", "右上", "右下", "中上", "中下", "中左", "中右", "中间"};
  return items;
}

CanvasPoint PlaceWatermark(int placement, int32_t canvasWidth, int32_t canvasHeight, int32_t markWidth,
                           int32_t markHeight, int32_t margin) {
  const double cw = canvasWidth, ch = canvasHeight, w = markWidth, h = markHeight, m = margin;
  const double left = m, top = m;
  const double right = cw - w - m, bottom = ch - h - m;
  const double centreX = cw / 2 - w / 2, centreY = ch / 2 - h / 2;
  double x = left, y = top;
  switch (placement) {
    case kPlaceBottomLeft: y = bottom; break;
    case kPlaceTopRight: x = right; break;
    case kPlaceBottomRight: x = right; y = bottom; break;
    case kPlaceTopCentre: x = centreX; break;
    case kPlaceBottomCentre: x = centreX; y = bottom; break;
    case kPlaceCentreLeft: y = centreY; break;
    case kPlaceCentreRight: x = right; y = centreY; break;
    case kPlaceCentre: x = centreX; y = centreY; break;
    default: break;  // 左上, and any index the list does not have
  }
  return {TruncToInt(x), TruncToInt(y)};
}

TextBlock MeasureTextBlock(const std::vector<int32_t>& lineWidths, int32_t lineHeight) {
  if (lineWidths.empty()) return {};
  const int32_t widest = *std::max_element(lineWidths.begin(), lineWidths.end());
  const int64_t height = int64_t{lineHeight} * static_cast<int64_t>(lineWidths.size());
  return {widest, static_cast<int32_t>(std::min<int64_t>(height, INT32_MAX))};
}

std::string SingleFrameCaption(size_t frameBytes, const FrameSize& size) {
  return "1.基本设置（单帧大小：" + FormatByteSize(frameBytes) + " " + std::to_string(size.width) + "×" +
         std::to_string(size.height) + "）";
}

const std::string& ComposerFile::Bytes(const FilePath& path) {
  FileVersion version;
  const bool present = !path.empty() && ReadFileVersion(path, &version);
  if (known_ && path == path_ && present == present_ && (!present || version == version_)) return bytes_;
  known_ = true;
  path_ = path;
  present_ = present;
  version_ = version;
  bytes_.clear();
  untold_ = present ? ReadFileWithin(path, maxBytes_, &bytes_) : FileRead::kRead;
  return bytes_;
}

FileRead ComposerFile::TakeRefusal() {
  const FileRead refusal = untold_;
  untold_ = FileRead::kRead;
  return refusal;
}

std::string CursorFileRefusedText(const std::string& path, FileRead read) {
  return "无法使用鼠标指针文件：" + path + "\r\n原因：" + FileRefusalReason(read, kMaxCursorFileBytes) +
         "\r\n录制时将画出默认的鼠标指针。";
}

std::string WatermarkPictureRefusedText(const std::string& path, FileRead read) {
  return "无法使用水印图片：" + path + "\r\n原因：" + FileRefusalReason(read, kMaxWatermarkPictureBytes) +
         "\r\n录制时不画图像水印。";
}

uint64_t PixelFingerprint(const uint8_t* pixels, size_t byteCount) {
  // Four lanes of 32-bit words, each through a multiply and a shift: the
  // program is 32-bit, where one 64-bit multiply is three, and the lanes run
  // side by side, so a full-HD grab takes well under a millisecond. Each
  // step is one-to-one, so a single changed word always changes its lane.
  uint32_t lane[4] = {0x9E3779B9u ^ static_cast<uint32_t>(byteCount), 0x85EBCA6Bu, 0xC2B2AE35u, 0x27D4EB2Fu};
  size_t i = 0;
  for (; i + 16 <= byteCount; i += 16) {
    uint32_t words[4];
    std::memcpy(words, pixels + i, 16);
    for (int k = 0; k < 4; ++k) {
      uint32_t h = (lane[k] ^ words[k]) * 0x9E3779B1u;
      lane[k] = h ^ (h >> 15);
    }
  }
  for (; i < byteCount; ++i) lane[i % 4] = (lane[i % 4] ^ pixels[i]) * 0x01000193u;
  const uint64_t low = lane[0] ^ (static_cast<uint64_t>(lane[1]) << 32);
  const uint64_t high = lane[2] ^ (static_cast<uint64_t>(lane[3]) << 32);
  return low ^ (high * 0xFF51AFD7ED558CCDull) ^ (high >> 29);
}

}  // namespace movrel
