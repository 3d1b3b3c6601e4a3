// The decisions of composing a recording into a GIF: the per-frame speed
// change, the frame groups with their delays (from the delay plan), the
// play count of 组合框播放次数 and its custom item, the animation record
// handed to the writer, and the file options of the compact GIF (lossy level, dithering)
// and the size limit as the user typed them. No platform code; the Win32
// side only asks for the path and reports.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gif/gif_records.h"
#include "output/delay_plan.h"
#include "output/animation_writer.h"
#include "output/frame_source.h"
#include "output/size_fit.h"

namespace movrel {


// The items of 组合框播放次数 as a new list shows them; the last,
// kPlayCountCustomItem, is the custom count "指定次数..", whose text then
// carries the number the user typed.
const std::vector<const char*>& PlayCountItems();
constexpr int kPlayCountCustomItem = 8;

// How many times item `index` of 组合框播放次数 whose text is `itemText`
// plays the animation: the leading integer of the text ("无限循环" gives 0,
// endless), and for the custom item the number between "指定次数(" and
// ").." (none gives 0). Clamped to 16 bits.
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
AnimationSettings MakeAnimationSettings(int32_t width, int32_t height, uint16_t playCount);

struct ComposeSettings {
  int32_t startIntervalMs = 0;
  int32_t speedChangeMs = 0;
  StillFrames stillFrames = StillFrames::kWait;
};

// Everything a save takes besides the frames: the delays, the records, the
// file options and the size limit (bytes, 0 for none).
struct SaveRecipe {
  ComposeSettings compose;
  AnimationSettings animation;
  GifOptions options;
  uint64_t limitBytes = 0;
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

// 编辑框有损压缩: a whole number 0..kMaxLossyLevel, blanks around it
// allowed; an empty edit is 0 (off). False for anything else ("5.5", "-1",
// "101", "abc").
bool ParseLossyLevel(const std::string& text, int* level);

// 编辑框大小上限 in MB, decimals allowed ("9.5", ".5", "9."), blanks around
// it allowed, as bytes (MB x kBytesPerMb, rounded down but at least 1 for a
// limit above 0). Empty or 0 is 0: no limit. False for a negative number or
// any text that is no plain number ("1e3", "10MB", "1,5").
bool ParseSizeLimit(const std::string& text, uint64_t* limitBytes);

// What the main window's file settings ask for.
struct FileChoices {
  bool compact = true;    // 选择框精简GIF
  bool dither = false;    // 选择框抖动
  std::string lossyText;  // 编辑框有损压缩
  std::string limitText;  // 编辑框大小上限 (MB)
};

// The setting whose text cannot be taken.
enum class FileChoiceError { kNone, kLossyLevel, kSizeLimit };

// The options and the limit (bytes, 0 for none) that `choices` ask for.
// Dithering and the lossy level are the compact layout's: without it they
// are neither used nor checked. On an error the outputs are unspecified.
FileChoiceError ReadFileChoices(const FileChoices& choices, GifOptions* options, uint64_t* limitBytes);

// The setting's name as its label shows it: "有损压缩", "大小上限".
const char* FileChoiceName(FileChoiceError error);

// The refusal of a save or copy: names the setting and what it takes.
std::string FileChoiceRefusal(FileChoiceError error);

// Why nothing was written when no GIF of the recording keeps the limit:
// the limit as typed in 编辑框大小上限 and the smallest size reached (0 when
// unknown).
std::string SizeLimitRefusal(const std::string& limitText, uint64_t smallestBytes);

}  // namespace movrel
