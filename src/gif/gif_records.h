// The two plain records every writer of the codec takes: the animation as a
// whole and one frame. The program's save path, the command-line tools and
// the benchmarks all fill these; the reader reports a file in records built
// on them (gif/gif_reader.h).
#pragma once

#include <cstdint>
#include <string>

namespace movrel {

// What happens to a frame's area after it has been shown. The value goes into
// the file's disposal field unchanged; only its low three bits are written.
constexpr uint8_t DisposalUndefined = 0;          // 没有定义
constexpr uint8_t DisposalLeave = 1;              // 离开
constexpr uint8_t DisposalRestoreBackground = 2;  // 恢复背景
constexpr uint8_t DisposalRestoreForeground = 3;  // 恢复前景

// 动画信息: the animation as a whole.
struct AnimationSettings {
  // The logical screen; 0 takes the first frame's side.
  uint16_t widthPx = 0;
  uint16_t heightPx = 0;
  // A looping block is written, repeating `loopCount` times (0 endless).
  bool loop = true;
  uint16_t loopCount = 0;
  // Written before the trailer, cut to 255 bytes (see CommentBytes).
  std::string comment;
  // Every frame's rows are written interlaced.
  bool interlace = false;
};

// 帧信息: one frame.
struct FrameRecord {
  uint16_t delayCs = 0;
  // The frame's place within the logical screen.
  uint16_t leftPx = 0;
  uint16_t topPx = 0;
  // One of the Disposal* values.
  uint8_t disposalMethod = DisposalUndefined;
  // Colour index 0 of the frame lets the frames below show through.
  bool transparent = false;
  // Written before the frame, cut to 255 bytes (see CommentBytes).
  std::string comment;
};

}  // namespace movrel
