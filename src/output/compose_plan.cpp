#include "output/compose_plan.h"

#include <algorithm>
#include <cfloat>
#include <limits>

#include "app/control_table.h"
#include "common/gbk.h"
#include "common/number.h"

namespace movrel {
namespace {

constexpr const char kCustomLoopOpen[] = "指定次数(";
constexpr const char kCustomLoopClose[] = ")..";

uint16_t ClampTo16Bits(int64_t value) {
  return static_cast<uint16_t>(std::clamp<int64_t>(value, 0, std::numeric_limits<uint16_t>::max()));
}


}  // namespace

int32_t SpeedChangeMs(const std::string& text, int unitIndex) {
  // The edit's number goes through single precision first, as the other
  // time settings do; out-of-range values saturate instead of overflowing.
  double number = std::clamp(LeadingNumber(text), -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX));
  float single = static_cast<float>(number);
  return TruncToInt(static_cast<double>(single) * static_cast<double>(TimeUnitFactorMs(unitIndex)));
}

std::string CustomLoopNumberText(const std::string& itemText) {
  size_t open = GbkFindText(itemText, kCustomLoopOpen);
  if (open == std::string::npos) return std::string();
  size_t start = open + sizeof kCustomLoopOpen - 1;
  size_t close = GbkFindText(itemText, kCustomLoopClose, start);
  if (close == std::string::npos) return std::string();
  return itemText.substr(start, close - start);
}

uint16_t PlayCountOfItem(int index, const std::string& itemText) {
  const std::string number = index == kLoopItemCustom ? CustomLoopNumberText(itemText) : itemText;
  return ClampTo16Bits(LeadingInt(number));
}

std::string CustomLoopItemText(const std::string& input) {
  return kCustomLoopOpen + std::to_string(ClampTo16Bits(LeadingInt(input))) + kCustomLoopClose;
}

std::string AnimationComment() { return std::string(kProductName) + "(" + kHomePageUrl + ")"; }

AnimationInfo MakeAnimationInfo(int32_t width, int32_t height, uint16_t playCount) {
  AnimationInfo info;
  info.Width = ClampTo16Bits(width);
  info.Depth = ClampTo16Bits(height);
  info.LOOP = playCount != 1;
  info.LoopCount = playCount == 0 ? 0 : static_cast<uint16_t>(playCount - 1);
  info.exposition = AnimationComment();
  return info;
}

std::vector<AnimationFrame> PlanAnimationFrames(const FrameSource& source, const ComposeSettings& settings) {
  std::vector<FrameTiming> timings;
  const int count = source.FrameCount();
  timings.reserve(static_cast<size_t>(count));
  for (int n = 1; n <= count; ++n) timings.push_back(FrameTiming{!source.HasPicture(n), source.CaptureMs(n)});
  std::vector<AnimationFrame> frames;
  for (const PlannedGroup& group :
       PlanDelays(timings, DelaySettings{settings.startIntervalMs, settings.speedChangeMs, settings.stillFrames})) {
    frames.push_back(AnimationFrame{group.lastFrame, group.delayCs});
  }
  return frames;
}

}  // namespace movrel
