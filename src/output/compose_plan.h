// The decisions of composing a recording into a GIF: the frame time from the
// frame interval and the per-frame speed change, the frame groups (a kept
// frame and the still frames after it) with their delays, the loop count of
// 组合框播放次数 and its custom item, and the records handed to GifMaker.
// No platform code; the Win32 side only asks for the path and reports.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "gif/gif_maker.h"
#include "gif/gif_records.h"
#include "output/frame_source.h"

namespace movrel {

// What still frames do (the index of 组合框静态画面).
enum class StillFrames {
  kWait = 0,  // "时间等待": each lengthens the frame before it by one frame time
  kSkip = 1,  // "直接跳过": dropped without lengthening anything
};
// Index 1 skips; any other index (0, or none selected) waits.
StillFrames StillFramesFromIndex(int index);

// 编辑框每帧变速 read as a single-precision number (text that is no number
// gives 0) times the unit's factor ("毫" 1, "秒" 1000, "分" 60000, "时"
// 3600000), truncated toward zero. Positive values make the animation faster.
int32_t SpeedChangeMs(const std::string& text, int unitIndex);

// How long one frame stays: the frame interval minus the speed change. Wide,
// because a group of many still frames multiplies it.
int64_t FrameTimeMs(int32_t startIntervalMs, int32_t speedChangeMs);

// A duration as a GIF delay in hundredths of a second, truncated toward
// zero. A frame time at or below zero (speed change at or above the
// interval) gives 0, and a wait longer than the 16-bit field can hold
// (655.35 s) gives its maximum rather than a wrapped value.
uint16_t DelayCentiseconds(int64_t ms);

// The loop count of item `index` of 组合框播放次数 whose text is
// `itemText`: the leading integer of the text ("无限循环" gives 0, endless),
// and for the custom item the number between "指定次数(" and ").." (none
// gives 0). Clamped to the 16 bits of the looping block. The custom item
// is kLoopItemCustom (app/control_table.h).
uint16_t LoopCountOfItem(int index, const std::string& itemText);

// The number text inside the custom item "指定次数(N)..", empty for the
// untouched "指定次数..": what the entry dialog is prefilled with.
std::string CustomLoopNumberText(const std::string& itemText);

// The custom item after the user typed `input`: "指定次数(" + its integer +
// ")..", the integer clamped to 0..65535 so that the item shows exactly the
// count the GIF will get (text that is no number gives 0, endless).
std::string CustomLoopItemText(const std::string& input);

// The animation comment: the product name and, in brackets, its web address.
std::string AnimationComment();

// The animation record for a logical screen of `width` x `height`.
AnimationInfo MakeAnimationInfo(int32_t width, int32_t height, uint16_t loopCount);

struct ComposeSettings {
  int32_t startIntervalMs = 0;
  int32_t speedChangeMs = 0;
  StillFrames stillFrames = StillFrames::kWait;
};

// One GIF frame of the plan: the store's frame number of the group's kept
// frame, and its delay and place.
struct PlannedFrame {
  int frame = 0;
  int stillFrames = 0;  // still frames that follow it in the store
  uint16_t delayCs = 0;
  uint16_t left = 0;
  uint16_t top = 0;
};

// Walks the store's frame groups in order and calls `add` once per group
// with its plan and the picture of its first frame. Every frame is read
// once, and at most two are held at a time. The first frame of the store
// always starts a group, even when it is a still frame (its picture is then
// empty). Returns the number of groups.
using AddPlannedFrame = std::function<void(const PlannedFrame& plan, const std::string& pictureBytes)>;
int WalkFrameGroups(const FrameSource& source, const ComposeSettings& settings, const AddPlannedFrame& add);

// The whole composition into `maker`: Create with `info`, then AddFrame for
// every group with one reused FrameInfo (delay and place set per frame,
// everything else as a fresh FrameInfo has it), calling `afterFrame` after
// each so the caller can process window events. A frame the maker cannot
// read is left out of the GIF. False only when the maker cannot be created.
bool ComposeGif(const FrameSource& source, const ComposeSettings& settings, const AnimationInfo& info,
                GifMaker* maker, const std::function<void()>& afterFrame = nullptr);

}  // namespace movrel
