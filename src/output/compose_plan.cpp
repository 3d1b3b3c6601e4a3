#include "output/compose_plan.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <limits>

#include "common/gbk.h"
#include "common/number.h"
#include "common/product.h"

namespace movrel {
namespace {

constexpr const char kCustomLoopOpen[] = "指定次数(";
constexpr const char kCustomLoopClose[] = ")..";

uint16_t ClampTo16Bits(int64_t value) {
  return static_cast<uint16_t>(std::clamp<int64_t>(value, 0, std::numeric_limits<uint16_t>::max()));
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The text without the blanks around it.
std::string Trimmed(const std::string& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string CustomLoopNumberText(const std::string& itemText) {
  size_t open = GbkFindText(itemText, kCustomLoopOpen);
  if (open == std::string::npos) return std::string();
  size_t start = open + sizeof kCustomLoopOpen - 1;
  size_t close = GbkFindText(itemText, kCustomLoopClose, start);
  if (close == std::string::npos) return std::string();
  return itemText.substr(start, close - start);
}

const std::vector<const char*>& PlayCountItems() {
  static const std::vector<const char*> items = {"无限循环", "1次",  "2次",  "4次",       "8次",
                                                 "16次",     "32次", "64次", "指定次数.."};
  return items;
}

uint16_t PlayCountOfItem(int index, const std::string& itemText) {
  const std::string number = index == kPlayCountCustomItem ? CustomLoopNumberText(itemText) : itemText;
  return ClampTo16Bits(LeadingInt(number));
}

std::string CustomLoopItemText(const std::string& input) {
  return kCustomLoopOpen + std::to_string(ClampTo16Bits(LeadingInt(input))) + kCustomLoopClose;
}

bool ParseLossyLevel(const std::string& text, int* level) {
  const std::string digits = Trimmed(text);
  if (digits.empty()) {
    *level = 0;
    return true;
  }
  // At most four digits: "0100" is still 100, and nothing longer can be
  // in range.
  if (digits.size() > 4 || !std::all_of(digits.begin(), digits.end(), IsDigit)) return false;
  const int value = std::stoi(digits);
  if (value > kMaxLossyLevel) return false;
  *level = value;
  return true;
}

bool ParseSizeLimit(const std::string& text, uint64_t* limitBytes) {
  const std::string number = Trimmed(text);
  if (number.empty()) {
    *limitBytes = 0;
    return true;
  }
  // Digits with at most one decimal point, and at least one digit.
  size_t digits = 0, points = 0;
  for (char c : number) {
    if (IsDigit(c)) {
      ++digits;
    } else if (c == '.') {
      ++points;
    } else {
      return false;
    }
  }
  if (digits == 0 || points > 1) return false;
  const double mb = std::strtod(number.c_str(), nullptr);
  const double bytes = std::floor(mb * static_cast<double>(kBytesPerMb));
  // Beyond any file a 32-bit program writes; the cap keeps the conversion
  // defined.
  constexpr double kMostBytes = 9.0e18;
  if (bytes >= kMostBytes) {
    *limitBytes = static_cast<uint64_t>(kMostBytes);
  } else {
    // A limit of a few bytes is still a limit, not "none".
    *limitBytes = mb > 0 ? std::max<uint64_t>(1, static_cast<uint64_t>(bytes)) : 0;
  }
  return true;
}

FileChoiceError ReadFileChoices(const FileChoices& choices, GifOptions* options, uint64_t* limitBytes) {
  *options = GifOptions(choices.compact ? GifLayout::kCompact : GifLayout::kClassic);
  if (choices.compact) {
    if (!ParseLossyLevel(choices.lossyText, &options->lossyLevel)) return FileChoiceError::kLossyLevel;
    options->dither = choices.dither;
  }
  if (!ParseSizeLimit(choices.limitText, limitBytes)) return FileChoiceError::kSizeLimit;
  return FileChoiceError::kNone;
}

const char* FileChoiceName(FileChoiceError error) {
  switch (error) {
    case FileChoiceError::kLossyLevel: return "有损压缩";
    case FileChoiceError::kSizeLimit: return "大小上限";
    case FileChoiceError::kNone: break;
  }
  return "";
}

std::string FileChoiceRefusal(FileChoiceError error) {
  switch (error) {
    case FileChoiceError::kLossyLevel:
      return "“有损压缩”必须是0到100之间的整数（0为不使用），请修改后再保存动画。";
    case FileChoiceError::kSizeLimit:
      return "“大小上限”必须是不小于0的数，单位MB，可带小数（空或0为不限大小），请修改后再保存动画。";
    case FileChoiceError::kNone: break;
  }
  return std::string();
}

std::string SizeLimitRefusal(const std::string& limitText, uint64_t smallestBytes) {
  std::string text = "本次录制的动画无法压缩到大小上限 " + Trimmed(limitText) + " MB 以内";
  if (smallestBytes > 0) text += "（最小也有 " + FormatFileSize(smallestBytes) + "）";
  return text + "。\r\n请调高大小上限，或删减帧后再试。";
}

std::string AnimationComment() { return std::string(kProductName) + "(" + kHomePageUrl + ")"; }

AnimationSettings MakeAnimationSettings(int32_t width, int32_t height, uint16_t playCount) {
  AnimationSettings animation;
  animation.widthPx = ClampTo16Bits(width);
  animation.heightPx = ClampTo16Bits(height);
  animation.loop = playCount != 1;
  animation.loopCount = playCount == 0 ? 0 : static_cast<uint16_t>(playCount - 1);
  animation.comment = AnimationComment();
  return animation;
}

std::vector<AnimationFrame> PlanAnimationFrames(const FrameSource& source, const ComposeSettings& settings) {
  std::vector<int> all(static_cast<size_t>(std::max(source.FrameCount(), 0)));
  for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<int>(i) + 1;
  return PlanAnimationFrames(source, settings, all);
}

std::vector<AnimationFrame> PlanAnimationFrames(const FrameSource& source, const ComposeSettings& settings,
                                                const std::vector<int>& kept) {
  const int count = source.FrameCount();
  // How long store frame n stayed on the screen: until the next capture,
  // the last frame one interval.
  auto lasted = [&](int n) -> int64_t {
    return n < count ? source.CaptureMs(n + 1) - source.CaptureMs(n) : settings.startIntervalMs;
  };
  std::vector<FrameTiming> timings;
  std::vector<int> numbers;  // the store frame of each timing
  timings.reserve(kept.size());
  numbers.reserve(kept.size());
  int64_t clockMs = 0;
  int previous = 0;
  for (int n : kept) {
    if (n <= previous || n > count) continue;
    if (!timings.empty()) clockMs += lasted(previous);
    bool still = true;
    for (int m = previous + 1; m <= n && still; ++m) still = !source.HasPicture(m);
    timings.push_back(FrameTiming{still, clockMs});
    numbers.push_back(n);
    previous = n;
  }
  if (timings.empty()) return {};
  // The planner gives the last frame the interval: here the last kept
  // frame's own time.
  const int64_t lastMs = std::clamp<int64_t>(lasted(previous), 0, std::numeric_limits<int32_t>::max());
  const DelaySettings delays{static_cast<int32_t>(lastMs), settings.speedChangeMs, settings.stillFrames};
  std::vector<AnimationFrame> frames;
  for (const PlannedGroup& group : PlanDelays(timings, delays)) {
    frames.push_back(AnimationFrame{numbers[static_cast<size_t>(group.lastFrame - 1)], group.delayCs});
  }
  return frames;
}

}  // namespace movrel
