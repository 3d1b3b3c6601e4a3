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
#include "app/control_table.h"
#include "memory_frames.h"

namespace movrel {
namespace {

using test::MemoryFrames;

TEST(SpeedChange, EditTextTimesUnitTruncatedThroughSinglePrecision) {
  struct Case {
    const char* text;
    int unit;
    int32_t ms;
  };
  const Case cases[] = {
      {"0", 0, 0},
      {"50", 0, 50},
      {"-100", 0, -100},
      {"1.5", 1, 1500},
      {"0.3", 1, 300},        // 0.3f is a hair above 0.3: still 300
      {"-0.0015", 1, -1},     // truncated toward zero, not down
      {"0.1", 2, 6000},
      {" 2", 3, 7200000},
      {"16777217", 0, 16777216},  // single precision has 24 bits
      {"abc", 1, 0},
      {"", 0, 0},
      {"12abc", 0, 12},
      {"99999999999", 3, std::numeric_limits<int32_t>::max()},
      {"-99999999999", 3, std::numeric_limits<int32_t>::min()},
      {"5", 9, 5},  // an unknown unit counts in milliseconds
  };
  for (const Case& c : cases) EXPECT_EQ(SpeedChangeMs(c.text, c.unit), c.ms) << c.text << " unit " << c.unit;
}

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
    AnimationInfo info = MakeAnimationInfo(10, 10, PlayCountOfItem(c.index, c.text));
    EXPECT_EQ(info.LOOP, c.loopBlock) << c.text;
    if (c.loopBlock) {
      EXPECT_EQ(info.LoopCount, c.repeats) << c.text;
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
    EXPECT_EQ(PlayCountOfItem(kLoopItemCustom, item), PlayCountOfItem(0, CustomLoopNumberText(item)));
  }
  EXPECT_EQ(CustomLoopNumberText("指定次数(12).."), "12");
  EXPECT_EQ(CustomLoopNumberText("指定次数.."), "");
}

TEST(AnimationRecord, LogicalScreenAndComment) {
  EXPECT_EQ(AnimationComment(), "Movrel(https://movrel.example.org/)");
  AnimationInfo info = MakeAnimationInfo(500, 300, 4);
  EXPECT_EQ(info.Width, 500);
  EXPECT_EQ(info.Depth, 300);
  EXPECT_EQ(info.exposition, AnimationComment());
  EXPECT_FALSE(info.Interlace);
  EXPECT_EQ(info.BgColorIndex, 0);
  EXPECT_EQ(info.ColorNum, 0);
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
      {"a wait beyond 16 bits", "KK", {0, 700000}, {200, 0, wait}, {{1, 1, 1, 65535}, {2, 2, 2, 20}}},
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

// The walk hands on the plan's groups with the picture each one shows.
TEST(FrameGroups, FollowTheDelayPlanWithThePictureOfEachGroup) {
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
    const ComposeSettings settings{200, 30, c.still};
    std::vector<PlannedGroup> walked;
    int groups = WalkFrameGroups(frames, settings, [&](const PlannedFrame& plan, const std::string& picture) {
      EXPECT_EQ(picture, frames.ReadFrame(plan.frame)) << c.store << ", frame " << plan.frame;
      walked.push_back({plan.firstFrame, plan.lastFrame, plan.frame, plan.delayCs});
    });
    EXPECT_EQ(walked, PlanDelays(Timings(c.store, c.captureMs), {200, 30, c.still})) << c.store;
    EXPECT_EQ(groups, static_cast<int>(walked.size()));
  }
}

TEST(FrameGroups, ReadEveryFrameOnceAndCarryItsOffset) {
  MemoryFrames frames;
  frames.Add("whole");
  frames.Add("");
  frames.Add("crop", {7, 3});
  frames.Add("");
  frames.Add("far", {70000, -2});  // offsets beyond 16 bits are kept inside them
  frames.AddAt(1000, "merged away", {1, 1});
  frames.AddAt(1005, "last", {9, 4});  // 5 ms later: its picture and place win
  std::vector<PlannedFrame> plans;
  int groups = WalkFrameGroups(frames, {200, 0, StillFrames::kWait},
                               [&](const PlannedFrame& plan, const std::string&) { plans.push_back(plan); });
  ASSERT_EQ(groups, 4);
  ASSERT_EQ(plans.size(), 4u);
  EXPECT_EQ(plans[0].lastFrame, 2);
  EXPECT_EQ(plans[1].frame, 3);
  EXPECT_EQ(plans[1].left, 7);
  EXPECT_EQ(plans[1].top, 3);
  EXPECT_EQ(plans[1].lastFrame, 4);
  EXPECT_EQ(plans[2].left, 65535);
  EXPECT_EQ(plans[2].top, 0);
  EXPECT_EQ(plans[3].firstFrame, 6);
  EXPECT_EQ(plans[3].frame, 7);
  EXPECT_EQ(plans[3].left, 9);
  for (int n = 1; n <= 7; ++n) EXPECT_EQ(frames.Reads(n), 1) << "frame " << n;
}

// ---- a whole composition ----------------------------------------------------

TEST(ComposeGif, HandMadeStoreBecomesTheGifItDescribes) {
  // Channels with a clear low nibble come through the popularity palette
  // unchanged.
  test::Picture whole(8, 6, {192, 32, 48});
  whole.At(0, 0) = {0, 0, 0};
  test::Picture crop(2, 3, {16, 64, 224});
  crop.At(1, 2) = {240, 240, 0};

  MemoryFrames frames;
  frames.Add(test::MakeBmp(whole));
  frames.Add("");
  frames.Add("");
  frames.Add(test::MakeBmp(crop), {5, 2});
  frames.Add("not a picture", {1, 1});  // lost: missing from the GIF
  frames.Add("");

  GifMaker maker;
  int events = 0;
  ASSERT_TRUE(ComposeGif(frames, {200, 0, StillFrames::kWait}, MakeAnimationInfo(8, 6, 3), &maker,
                         [&] { ++events; }));
  EXPECT_EQ(events, 3);
  MemorySink sink;
  ASSERT_TRUE(maker.WriteGif(sink)) << maker.GetError();

  test::GifFile gif;
  std::string error;
  ASSERT_TRUE(test::ParseGif(sink.bytes(), &gif, &error)) << error;
  EXPECT_EQ(gif.width, 8);
  EXPECT_EQ(gif.height, 6);
  EXPECT_TRUE(gif.hasLoop);
  EXPECT_EQ(gif.loopCount, 2);  // three plays: two repeats
  EXPECT_EQ(gif.trailingComment, "Movrel(https://movrel.example.org/)");
  ASSERT_EQ(gif.frames.size(), 2u);
  const test::GifFrame& first = gif.frames[0];
  const test::GifFrame& second = gif.frames[1];
  EXPECT_EQ(first.delayCs, 60);
  EXPECT_EQ(first.left, 0);
  EXPECT_EQ(first.top, 0);
  EXPECT_EQ(first.width, 8);
  EXPECT_EQ(first.controlPacked, 0);  // no disposal, no transparency
  EXPECT_EQ(second.delayCs, 20);
  EXPECT_EQ(second.left, 5);
  EXPECT_EQ(second.top, 2);
  EXPECT_EQ(second.width, 2);
  EXPECT_EQ(second.height, 3);
  auto colour = [](const test::GifFrame& f, int x, int y) {
    return f.localTable[f.indices[static_cast<size_t>(y) * f.width + x]];
  };
  EXPECT_EQ(colour(first, 0, 0), (test::Rgb{0, 0, 0}));
  EXPECT_EQ(colour(first, 7, 5), (test::Rgb{192, 32, 48}));
  EXPECT_EQ(colour(second, 0, 0), (test::Rgb{16, 64, 224}));
  EXPECT_EQ(colour(second, 1, 2), (test::Rgb{240, 240, 0}));
}

TEST(ComposeGif, EmptyStoreMakesAMakerWithoutFrames) {
  MemoryFrames frames;
  GifMaker maker;
  ASSERT_TRUE(ComposeGif(frames, {200, 0, StillFrames::kWait}, MakeAnimationInfo(4, 4, 0), &maker));
  EXPECT_EQ(maker.FrameCount(), 0);
  MemorySink sink;
  EXPECT_FALSE(maker.WriteGif(sink));  // nothing to write: SaveGif reports the failure
}

}  // namespace
}  // namespace movrel
