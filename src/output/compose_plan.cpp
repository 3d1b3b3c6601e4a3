#include "output/compose_plan.h"

#include <algorithm>
#include <cfloat>
#include <limits>
#include <map>

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

int WalkFrameGroups(const FrameSource& source, const ComposeSettings& settings, const AddPlannedFrame& add) {
  DelayPlanner planner(DelaySettings{settings.startIntervalMs, settings.speedChangeMs, settings.stillFrames});
  std::map<int, std::string> pictures;  // by frame number, of the groups not handed on yet
  int groups = 0;
  auto handOnFinalGroups = [&] {
    for (const PlannedGroup& group : planner.TakeFinal()) {
      PlannedFrame plan;
      plan.frame = group.pictureFrame;
      plan.firstFrame = group.firstFrame;
      plan.lastFrame = group.lastFrame;
      plan.delayCs = group.delayCs;
      FramePosition at = source.Position(group.pictureFrame);
      plan.left = OffsetTo16Bits(at.left);
      plan.top = OffsetTo16Bits(at.top);
      std::string picture;
      auto found = pictures.find(group.pictureFrame);
      if (found != pictures.end()) picture.swap(found->second);
      pictures.erase(pictures.begin(), pictures.upper_bound(group.lastFrame));
      add(plan, picture);
      ++groups;
    }
    // A picture whose group merged into a later one is not shown.
    for (auto it = pictures.begin(); it != pictures.end();) {
      const bool needed = it->first == planner.HeldPictureFrame() || it->first == planner.CurrentPictureFrame();
      it = needed ? std::next(it) : pictures.erase(it);
    }
  };
  const int count = source.FrameCount();
  for (int n = 1; n <= count; ++n) {
    std::string picture = source.ReadFrame(n);
    const bool still = picture.empty();
    if (!still) pictures.emplace(n, std::move(picture));
    planner.Add(FrameTiming{still, source.CaptureMs(n)});
    handOnFinalGroups();
  }
  planner.Finish();
  handOnFinalGroups();
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
