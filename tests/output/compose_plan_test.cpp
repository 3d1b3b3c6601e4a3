// The delay plan and the records of a composition: speed change, delays
// from capture times, play counts and the looping block, frame groups, and
// a whole composition through the real maker decoded by the maker tests'
// independent GIF parser.
#include "output/compose_plan.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "../gif/maker_test_support.h"
#include "memory_frames.h"

namespace movrel {
namespace {

using test::MemoryFrames;

TEST(PlayCount, ItemsGiveTheirPlaysAndTheLoopingBlockTheRepeats) {
  struct Case {
    int index;
    const char* text;
    uint16_t plays;
    bool loopBlock;
    uint16_t repeats;  // the looping block's count; 0 is endless
  };
  const Case cases[] = {
      {0, "无限循环", 0, true, 0},
      {1, "1次", 1, false, 0},
      {2, "2次", 2, true, 1},
      {3, "4次", 4, true, 3},
      {7, "64次", 64, true, 63},
      {8, "指定次数..", 0, true, 0},
      {8, "指定次数(1)..", 1, false, 0},
      {8, "指定次数(0)..", 0, true, 0},
      {8, "指定次数(5)..", 5, true, 4},
      {8, "指定次数(65535)..", 65535, true, 65534},
      {8, "指定次数(70000)..", 65535, true, 65534},
      {8, "指定次数(-4)..", 0, true, 0},
      {8, "指定次数(7", 0, true, 0},
      {-1, "", 0, true, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlayCountOfItem(c.index, c.text), c.plays) << c.text;
    AnimationSettings animation = MakeAnimationSettings(10, 10, PlayCountOfItem(c.index, c.text));
    EXPECT_EQ(animation.loop, c.loopBlock) << c.text;
    if (c.loopBlock) {
      EXPECT_EQ(animation.loopCount, c.repeats) << c.text;
    }
  }
}

TEST(PlayCount, CustomItemTextShowsThePlaysTheGifGets) {
  const std::pair<const char*, const char*> cases[] = {
      {"12", "指定次数(12).."},  {" 3.9", "指定次数(3).."},  {"abc", "指定次数(0).."},
      {"", "指定次数(0).."},     {"-3", "指定次数(0).."},    {"99999", "指定次数(65535).."},
  };
  for (auto [input, item] : cases) {
    EXPECT_EQ(CustomLoopItemText(input), item) << input;
    EXPECT_EQ(PlayCountOfItem(kPlayCountCustomItem, item), PlayCountOfItem(0, CustomLoopNumberText(item)));
  }
  EXPECT_EQ(CustomLoopNumberText("指定次数(12).."), "12");
  EXPECT_EQ(CustomLoopNumberText("指定次数.."), "");
}

TEST(AnimationRecord, LogicalScreenAndComment) {
  EXPECT_EQ(AnimationComment(), "Movrel(https://movrel.example.org/)");
  AnimationSettings animation = MakeAnimationSettings(500, 300, 4);
  EXPECT_EQ(animation.widthPx, 500);
  EXPECT_EQ(animation.heightPx, 300);
  EXPECT_EQ(animation.comment, AnimationComment());
  EXPECT_FALSE(animation.interlace);
}

// ---- the file options --------------------------------------------------------

TEST(FileChoices, LossyLevelIsAWholeNumberUpTo100) {
  struct Case {
    const char* text;
    bool taken;
    int level;
  };
  const Case cases[] = {
      {"0", true, 0},    {"35", true, 35},   {"100", true, 100}, {" 7 ", true, 7},  {"", true, 0},
      {"  ", true, 0},   {"0100", true, 100}, {"101", false, 0}, {"-1", false, 0},  {"5.5", false, 0},
      {"abc", false, 0}, {"3x", false, 0},    {"+5", false, 0},  {"99999999999", false, 0},
  };
  for (const Case& c : cases) {
    int level = -1;
    EXPECT_EQ(ParseLossyLevel(c.text, &level), c.taken) << c.text;
    if (c.taken) {
      EXPECT_EQ(level, c.level) << c.text;
    }
  }
}

TEST(FileChoices, SizeLimitIsMegabytesWithDecimals) {
  struct Case {
    const char* text;
    bool taken;
    uint64_t bytes;
  };
  const Case cases[] = {
      {"", true, 0},
      {"0", true, 0},
      {"0.0", true, 0},
      {"10", true, 10 * kBytesPerMb},
      {"9.5", true, 9 * kBytesPerMb + kBytesPerMb / 2},
      {" .5", true, kBytesPerMb / 2},
      {"2.", true, 2 * kBytesPerMb},
      {"0.001", true, 1048},           // rounded down
      {"0.0000000001", true, 1},      // a limit, however small, is no "none"
      {"-1", false, 0},
      {"1e3", false, 0},
      {"10MB", false, 0},
      {"1,5", false, 0},
      {"1.2.3", false, 0},
      {".", false, 0},
      {"abc", false, 0},
  };
  for (const Case& c : cases) {
    uint64_t bytes = 12345;
    EXPECT_EQ(ParseSizeLimit(c.text, &bytes), c.taken) << c.text;
    if (c.taken) {
      EXPECT_EQ(bytes, c.bytes) << c.text;
    }
  }
  uint64_t huge = 0;
  EXPECT_TRUE(ParseSizeLimit("99999999999999999999999", &huge));
  EXPECT_GT(huge, uint64_t{1} << 62);
}

TEST(FileChoices, LossyAndDitherAreTheCompactLayoutsAndABadTextNamesItsSetting) {
  GifOptions options;
  uint64_t limit = 0;
  EXPECT_EQ(ReadFileChoices({true, true, "35", "9.5"}, &options, &limit), FileChoiceError::kNone);
  EXPECT_EQ(options.layout, GifLayout::kCompact);
  EXPECT_EQ(options.lossyLevel, 35);
  EXPECT_TRUE(options.dither);
  EXPECT_EQ(limit, 9 * kBytesPerMb + kBytesPerMb / 2);

  // The classic layout ignores the compact options, even a bad lossy text
  // (its edit is greyed out then); the limit holds for both.
  EXPECT_EQ(ReadFileChoices({false, true, "abc", "2"}, &options, &limit), FileChoiceError::kNone);
  EXPECT_EQ(options.layout, GifLayout::kClassic);
  EXPECT_EQ(options.lossyLevel, 0);
  EXPECT_FALSE(options.dither);
  EXPECT_EQ(limit, 2 * kBytesPerMb);

  EXPECT_EQ(ReadFileChoices({true, false, "101", ""}, &options, &limit), FileChoiceError::kLossyLevel);
  EXPECT_EQ(ReadFileChoices({false, false, "0", "-3"}, &options, &limit), FileChoiceError::kSizeLimit);
  for (FileChoiceError error : {FileChoiceError::kLossyLevel, FileChoiceError::kSizeLimit}) {
    const std::string name = FileChoiceName(error);
    EXPECT_NE(FileChoiceRefusal(error).find("“" + name + "”"), std::string::npos) << name;
  }
  EXPECT_EQ(std::string(FileChoiceName(FileChoiceError::kLossyLevel)), "有损压缩");
  EXPECT_EQ(std::string(FileChoiceName(FileChoiceError::kSizeLimit)), "大小上限");
  // Nothing fits: the limit as typed and the smallest size reached.
  const std::string tooLarge = SizeLimitRefusal(" 0.5 ", 3 * kBytesPerMb);
  EXPECT_NE(tooLarge.find("大小上限 0.5 MB"), std::string::npos) << tooLarge;
  EXPECT_NE(tooLarge.find(FormatFileSize(3 * kBytesPerMb)), std::string::npos) << tooLarge;
  EXPECT_EQ(SizeLimitRefusal("1", 0).find("最小"), std::string::npos);
}

// ---- the delay plan ---------------------------------------------------------

struct DelayCase {
  const char* name;
  const char* store;  // K kept, S still
  std::vector<int64_t> captureMs;
  DelaySettings settings;
  std::vector<PlannedGroup> groups;  // first, last, picture frame, delay in 1/100 s
};

std::vector<FrameTiming> Timings(const char* store, const std::vector<int64_t>& captureMs) {
  std::vector<FrameTiming> frames;
  for (size_t i = 0; store[i] != '\0'; ++i) frames.push_back({store[i] == 'S', captureMs.at(i)});
  return frames;
}

TEST(DelayPlan, GroupsLastFromCaptureToCaptureLessTheSpeedChange) {
  const StillFrames wait = StillFrames::kWait, skip = StillFrames::kSkip;
  const DelayCase cases[] = {
      {"two stills wait", "KSSK", {0, 200, 400, 600}, {200, 0, wait}, {{1, 3, 1, 60}, {4, 4, 4, 20}}},
      {"two stills skip", "KSSK", {0, 200, 400, 600}, {200, 0, skip}, {{1, 3, 1, 20}, {4, 4, 4, 20}}},
      {"late and early ticks", "KKSK", {0, 260, 400, 650}, {200, 0, wait}, {{1, 1, 1, 26}, {2, 3, 2, 39}, {4, 4, 4, 20}}},
      {"late still frame, skip", "KSK", {0, 180, 500}, {200, 0, skip}, {{1, 2, 1, 18}, {3, 3, 3, 20}}},
      {"55 ms frames carry their remainder", "KKKK", {0, 55, 110, 165}, {55, 0, wait},
       {{1, 1, 1, 6}, {2, 2, 2, 5}, {3, 3, 3, 6}, {4, 4, 4, 5}}},
      {"10 ms apart: the later picture wins", "KKK", {0, 10, 200}, {200, 0, wait}, {{1, 2, 2, 20}, {3, 3, 3, 20}}},
      {"a run of close frames", "KKKK", {0, 5, 10, 15}, {200, 0, wait}, {{1, 4, 4, 22}}},
      {"short last group joins the one before", "KK", {0, 200}, {10, 0, wait}, {{1, 2, 2, 21}}},
      {"short kept frame under skip", "KSK", {0, 5, 200}, {200, 0, skip}, {{1, 3, 3, 21}}},
      {"faster by 50", "KSK", {0, 200, 400}, {200, 50, wait}, {{1, 2, 1, 30}, {3, 3, 3, 15}}},
      {"slower by 100, skip", "KSK", {0, 200, 400}, {200, -100, skip}, {{1, 2, 1, 30}, {3, 3, 3, 30}}},
      {"speed change beyond the interval", "KSK", {0, 200, 400}, {200, 250, wait}, {{1, 2, 1, 2}, {3, 3, 3, 2}}},
      {"starts with a still, wait", "SKS", {0, 200, 400}, {200, 0, wait}, {{1, 1, 1, 20}, {2, 3, 2, 40}}},
      {"starts with stills, skip", "SSK", {0, 200, 400}, {200, 0, skip}, {{1, 2, 1, 20}, {3, 3, 3, 20}}},
      {"only stills", "SSS", {0, 200, 400}, {200, 0, wait}, {{1, 3, 1, 60}}},
      {"a wait beyond 16 bits", "KK", {0, 700000}, {200, 0, wait}, {{1, 1, 1, 70000}, {2, 2, 2, 20}}},
      {"a clock that went backwards", "KK", {500, 100}, {200, 0, wait}, {{1, 2, 2, 20}}},
      {"empty store", "", {}, {200, 0, wait}, {}},
  };
  for (const DelayCase& c : cases) {
    std::vector<PlannedGroup> groups = PlanDelays(Timings(c.store, c.captureMs), c.settings);
    ASSERT_EQ(groups.size(), c.groups.size()) << c.name;
    for (size_t g = 0; g < groups.size(); ++g) {
      const PlannedGroup& got = groups[g];
      EXPECT_EQ(got, c.groups[g]) << c.name << ", group " << g << ": " << got.firstFrame << "-" << got.lastFrame
                                  << " shows " << got.pictureFrame << " for " << got.delayCs;
    }
  }
}

TEST(DelayPlan, DelaysAddUpToTheRecordedTimeAndNoneIsBelowTwo) {
  // 300 uneven ticks, every eleventh only a few milliseconds after the one
  // before, every seventh frame still.
  for (int32_t intervalMs : {33, 55, 200}) {
    for (StillFrames still : {StillFrames::kWait, StillFrames::kSkip}) {
      std::vector<FrameTiming> frames;
      int64_t captureMs = 0;
      for (int n = 0; n < 300; ++n) {
        frames.push_back({n % 7 == 3, captureMs});
        captureMs += n % 11 == 5 ? 4 + n % 5 : intervalMs + n * 37 % 23 - 11;
      }
      std::vector<PlannedGroup> groups = PlanDelays(frames, {intervalMs, 0, still});
      int64_t delaysCs = 0;
      int nextFrame = 1;
      for (const PlannedGroup& g : groups) {
        EXPECT_GE(g.delayCs, 2) << intervalMs;
        EXPECT_EQ(g.firstFrame, nextFrame) << "the groups cover the store in order";
        EXPECT_GE(g.pictureFrame, g.firstFrame);
        EXPECT_LE(g.pictureFrame, g.lastFrame);
        nextFrame = g.lastFrame + 1;
        delaysCs += g.delayCs;
      }
      EXPECT_EQ(nextFrame, 301);
      const int64_t recordedMs = frames.back().captureMs + intervalMs;
      if (still == StillFrames::kWait) {
        EXPECT_LE(std::abs(delaysCs * 10 - recordedMs), 10) << intervalMs;
      } else {
        EXPECT_LT(delaysCs * 10, recordedMs - 42 * 20) << "the skipped still frames' time is gone";
      }
    }
  }
}

// ---- frame groups -----------------------------------------------------------

// The composition's frames are the plan's groups, told apart by whether a
// frame has a picture and when it was captured.
TEST(AnimationFrames, FollowTheDelayPlan) {
  struct Case {
    const char* store;
    std::vector<int64_t> captureMs;
    StillFrames still;
  };
  const Case cases[] = {
      {"KSSK", {0, 200, 400, 600}, StillFrames::kWait},
      {"KSSK", {0, 200, 400, 600}, StillFrames::kSkip},
      {"SKKSK", {0, 190, 200, 430, 600}, StillFrames::kWait},  // frame 2 merges into 3
      {"KKKK", {0, 5, 10, 15}, StillFrames::kWait},
      {"", {}, StillFrames::kWait},
  };
  for (const Case& c : cases) {
    MemoryFrames frames;
    for (size_t i = 0; c.store[i] != '\0'; ++i) {
      frames.AddAt(c.captureMs[i], c.store[i] == 'S' ? std::string() : "picture " + std::to_string(i + 1));
    }
    std::vector<AnimationFrame> planned = PlanAnimationFrames(frames, {200, 30, c.still});
    std::vector<PlannedGroup> groups = PlanDelays(Timings(c.store, c.captureMs), {200, 30, c.still});
    ASSERT_EQ(planned.size(), groups.size()) << c.store;
    for (size_t i = 0; i < groups.size(); ++i) {
      EXPECT_EQ(planned[i].lastFrame, groups[i].lastFrame) << c.store << " group " << i;
      EXPECT_EQ(planned[i].delayCs, groups[i].delayCs) << c.store << " group " << i;
    }
  }
}

}  // namespace
}  // namespace movrel
