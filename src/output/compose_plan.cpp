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

uint16_t OffsetTo16Bits(int32_t value) { return ClampTo16Bits(value); }

}  // namespace

StillFrames StillFramesFromIndex(int index) { return index == 1 ? StillFrames::kSkip : StillFrames::kWait; }

int32_t SpeedChangeMs(const std::string& text, int unitIndex) {
  // The edit's number goes through single precision first, as the other
  // time settings do; out-of-range values saturate instead of overflowing.
  double number = std::clamp(LeadingNumber(text), -static_cast<double>(FLT_MAX), static_cast<double>(FLT_MAX));
  float single = static_cast<float>(number);
  return TruncToInt(static_cast<double>(single) * static_cast<double>(TimeUnitFactorMs(unitIndex)));
}

int64_t FrameTimeMs(int32_t startIntervalMs, int32_t speedChangeMs) {
  return static_cast<int64_t>(startIntervalMs) - static_cast<int64_t>(speedChangeMs);
}

uint16_t DelayCentiseconds(int64_t ms) { return ClampTo16Bits(ms / 10); }

std::string CustomLoopNumberText(const std::string& itemText) {
  size_t open = GbkFindText(itemText, kCustomLoopOpen);
  if (open == std::string::npos) return std::string();
  size_t start = open + sizeof kCustomLoopOpen - 1;
  size_t close = GbkFindText(itemText, kCustomLoopClose, start);
  if (close == std::string::npos) return std::string();
  return itemText.substr(start, close - start);
}

uint16_t LoopCountOfItem(int index, const std::string& itemText) {
  const std::string number = index == kLoopItemCustom ? CustomLoopNumberText(itemText) : itemText;
  return ClampTo16Bits(LeadingInt(number));
}

std::string CustomLoopItemText(const std::string& input) {
  return kCustomLoopOpen + std::to_string(ClampTo16Bits(LeadingInt(input))) + kCustomLoopClose;
}

std::string AnimationComment() { return std::string(kProductName) + "(" + kHomePageUrl + ")"; }

AnimationInfo MakeAnimationInfo(int32_t width, int32_t height, uint16_t loopCount) {
  AnimationInfo info;
  info.Width = ClampTo16Bits(width);
  info.Depth = ClampTo16Bits(height);
  info.LOOP = true;
  info.LoopCount = loopCount;
  info.exposition = AnimationComment();
  return info;
}

int WalkFrameGroups(const FrameSource& source, const ComposeSettings& settings, const AddPlannedFrame& add) {
  const int count = source.FrameCount();
  const int64_t frameTimeMs = FrameTimeMs(settings.startIntervalMs, settings.speedChangeMs);
  int groups = 0;
  std::string picture = count > 0 ? source.ReadFrame(1) : std::string();
  int i = 1;
  while (i <= count) {
    PlannedFrame plan;
    plan.frame = i;
    int64_t waitMs = frameTimeMs;
    // Still frames after the group's first frame belong to the group; the
    // first picture that is not empty starts the next one.
    std::string next;
    while (++i <= count) {
      next = source.ReadFrame(i);
      if (!next.empty()) break;
      ++plan.stillFrames;
      if (settings.stillFrames == StillFrames::kWait) waitMs += frameTimeMs;
    }
    plan.delayCs = DelayCentiseconds(waitMs);
    FramePosition at = source.Position(plan.frame);
    plan.left = OffsetTo16Bits(at.left);
    plan.top = OffsetTo16Bits(at.top);
    add(plan, picture);
    ++groups;
    picture.swap(next);
  }
  return groups;
}

bool ComposeGif(const FrameSource& source, const ComposeSettings& settings, const AnimationInfo& info,
                GifMaker* maker, const std::function<void()>& afterFrame) {
  if (!maker->Create(info)) return false;
  FrameInfo frame;  // one record for all frames: only delay and place change
  WalkFrameGroups(source, settings, [&](const PlannedFrame& plan, const std::string& picture) {
    frame.DelayTime = plan.delayCs;
    frame.Left = plan.left;
    frame.Top = plan.top;
    // A picture the maker cannot read (a still first frame, a lost file)
    // is simply missing from the GIF.
    if (!picture.empty()) maker->AddFrame(frame, std::string(), picture);
    if (afterFrame) afterFrame();
  });
  return true;
}

}  // namespace movrel
