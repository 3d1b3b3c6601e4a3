// The decisions of composing a recording into a GIF: the per-frame speed
// change, the frame groups with their delays (from the delay plan), the
// play count of 组合框播放次数 and its custom item, and the records handed
// to GifMaker. No platform code; the Win32 side only asks for the path and
// reports.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gif/gif_records.h"
#include "output/delay_plan.h"
#include "output/animation_writer.h"
#include "output/frame_source.h"

namespace movrel {

// 编辑框每帧变速 read as a single-precision number (text that is no number
// gives 0) times the unit's factor ("毫" 1, "秒" 1000, "分" 60000, "时"
// 3600000), truncated toward zero. Positive values make the animation faster.
int32_t SpeedChangeMs(const std::string& text, int unitIndex);

// How many times item `index` of 组合框播放次数 whose text is `itemText`
// plays the animation: the leading integer of the text ("无限循环" gives 0,
// endless), and for the custom item the number between "指定次数(" and
// ").." (none gives 0). Clamped to 16 bits. The custom item is
// kLoopItemCustom (app/control_table.h).
uint16_t PlayCountOfItem(int index, const std::string& itemText);

// The number text inside the custom item "指定次数(N)..", empty for the
// untouched "指定次数..": what the entry dialog is prefilled with.
std::string CustomLoopNumberText(const std::string& itemText);

// The custom item after the user typed `input`: "指定次数(" + its integer +
// ")..", the integer clamped to 0..65535 so that the item shows exactly how
// often the GIF will play (text that is no number gives 0, endless).
std::string CustomLoopItemText(const std::string& input);

// The animation comment: the product name and, in brackets, its web address.
std::string AnimationComment();

// The animation record for a logical screen of `width` x `height` that
// plays `playCount` times (0 endless). The looping block counts the repeats
// after the first play: N plays write N - 1, and a single play writes no
// looping block at all (a count of 0 there would mean endless).
AnimationInfo MakeAnimationInfo(int32_t width, int32_t height, uint16_t playCount);

struct ComposeSettings {
  int32_t startIntervalMs = 0;
  int32_t speedChangeMs = 0;
  StillFrames stillFrames = StillFrames::kWait;
};

// The GIF frames of the recording: the delay plan over the store's frames
// (still or not, and their capture times), one AnimationFrame per group,
// showing the store up to the group's last frame. Reads no picture.
std::vector<AnimationFrame> PlanAnimationFrames(const FrameSource& source, const ComposeSettings& settings);

// The same over only the `kept` frames (store numbers, ascending), as if the
// others had never been recorded: each kept frame lasts as long as it did in
// the recording, and a dropped frame's time goes with it. A kept frame counts
// as still only when nothing changed since the kept frame before it, so the
// change of a dropped frame shows from the next kept one on. The groups
// name store frames: composing them draws the dropped frames' changes too,
// which the kept frames after them are built on.
std::vector<AnimationFrame> PlanAnimationFrames(const FrameSource& source, const ComposeSettings& settings,
                                                const std::vector<int>& kept);

}  // namespace movrel
