// The two plain records the GIF codec exchanges with its callers: the whole
// animation's information and one frame's information. The maker reads them
// when composing; the reader fills them when parsing a file.
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
struct AnimationInfo {
  // 图像宽度 / 图像高度: the logical screen. When composing, 0 takes the first
  // frame's width or height.
  uint16_t Width = 0;
  uint16_t Depth = 0;
  // 允许循环: a looping block is written (composing) or was found (parsing).
  bool LOOP = true;
  // 循环次数: repetitions, 0 = endless; only meaningful when LOOP is true.
  uint16_t LoopCount = 0;
  // 背景色索引: ignored when composing (the file always gets 0).
  uint8_t BgColorIndex = 0;
  // 动画注释: the animation comment; at most 255 bytes are written.
  std::string exposition;
  // 帧总数: ignored when composing.
  int32_t FrameCount = 0;
  // 调色板颜色数: entries of the global colour table, 0 = none; ignored when
  // composing.
  uint16_t ColorNum = 0;
  // Interlace交错方式: every frame's rows are written interlaced. Not filled
  // when parsing.
  bool Interlace = false;
};

// 帧信息: one frame.
struct FrameInfo {
  // 延迟时间: how long the frame stays, in 1/100 s.
  uint16_t DelayTime = 60;
  // 横向偏移 / 纵向偏移: the frame's place within the logical screen.
  uint16_t Left = 0;
  uint16_t Top = 0;
  // 重画方式: one of the Disposal* values.
  uint8_t DisposalMethod = DisposalUndefined;
  // 是否透明: colour index 0 of the frame is transparent.
  bool Transparency = false;
  // 透明色索引: ignored when composing (the index is always 0 then).
  uint8_t TransparencyIndex = 0;
  // 图像宽度 / 图像高度: ignored when composing (taken from the picture).
  uint16_t Width = 0;
  uint16_t Depth = 0;
  // 帧注释: the frame comment, cut to 255 bytes when composing.
  std::string exposition;
  // 调色板颜色数: entries of the local colour table, 0 = none; ignored when
  // composing.
  uint16_t ColorNum = 0;
  // 抖动算法: convert with the dithered colour cube instead of the popularity
  // palette. Not filled when parsing.
  bool Dither = false;
};

}  // namespace movrel
