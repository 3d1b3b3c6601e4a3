// The delay plan and the records of a composition: speed change, delays,
// loop counts, frame groups, and a whole composition through the real maker
// decoded by the maker tests' independent GIF parser.
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

TEST(SpeedChange, DelaysAreHundredthsTruncatedAndKeptInsideSixteenBits) {
  EXPECT_EQ(FrameTimeMs(200, 50), 150);
  EXPECT_EQ(FrameTimeMs(200, -100), 300);
  EXPECT_EQ(FrameTimeMs(std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()),
            -int64_t{4294967295});
  const std::pair<int64_t, uint16_t> cases[] = {
      {600, 60}, {599, 59}, {9, 0}, {0, 0}, {-50, 0}, {-5000000000, 0}, {655350, 65535}, {655369, 65535},
      {655370, 65535}, {int64_t{1} << 40, 65535},
  };
  for (auto [ms, cs] : cases) EXPECT_EQ(DelayCentiseconds(ms), cs) << ms;
}

TEST(LoopCount, ItemsGiveTheirLeadingNumberAndTheCustomItemItsBracket) {
  struct Case {
    int index;
    const char* text;
    uint16_t count;
  };
  const Case cases[] = {
      {0, "无限循环", 0},          {1, "1次", 1},
      {6, "32次", 32},             {7, "64次", 64},
      {8, "指定次数..", 0},        {8, "指定次数(5)..", 5},
      {8, "指定次数(0)..", 0},     {8, "指定次数(65535)..", 65535},
      {8, "指定次数(70000)..", 65535}, {8, "指定次数(-4)..", 0},
      {8, "指定次数(7", 0},        {-1, "", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(LoopCountOfItem(c.index, c.text), c.count) << c.text;
}

TEST(LoopCount, CustomItemTextShowsTheCountTheGifGets) {
  const std::pair<const char*, const char*> cases[] = {
      {"12", "指定次数(12).."},  {" 3.9", "指定次数(3).."},  {"abc", "指定次数(0).."},
      {"", "指定次数(0).."},     {"-3", "指定次数(0).."},    {"99999", "指定次数(65535).."},
  };
  for (auto [input, item] : cases) {
    EXPECT_EQ(CustomLoopItemText(input), item) << input;
    EXPECT_EQ(LoopCountOfItem(kLoopItemCustom, item), LoopCountOfItem(0, CustomLoopNumberText(item)));
  }
  EXPECT_EQ(CustomLoopNumberText("指定次数(12).."), "12");
  EXPECT_EQ(CustomLoopNumberText("指定次数.."), "");
}

TEST(AnimationRecord, LogicalScreenLoopAndComment) {
  EXPECT_EQ(AnimationComment(), "Movrel(https://movrel.example.org/)");
  AnimationInfo info = MakeAnimationInfo(500, 300, 4);
  EXPECT_EQ(info.Width, 500);
  EXPECT_EQ(info.Depth, 300);
  EXPECT_TRUE(info.LOOP);
  EXPECT_EQ(info.LoopCount, 4);
  EXPECT_EQ(info.exposition, AnimationComment());
  EXPECT_FALSE(info.Interlace);
  EXPECT_EQ(info.BgColorIndex, 0);
  EXPECT_EQ(info.ColorNum, 0);
}

// ---- frame groups -----------------------------------------------------------

struct GroupCase {
  const char* name;
  const char* store;  // K kept, S still
  int32_t intervalMs;
  int32_t speedChangeMs;
  StillFrames still;
  std::vector<std::pair<int, uint16_t>> groups;  // first frame, delay in 1/100 s
};

std::vector<std::pair<int, uint16_t>> Plan(const MemoryFrames& frames, const ComposeSettings& settings) {
  std::vector<std::pair<int, uint16_t>> groups;
  WalkFrameGroups(frames, settings, [&](const PlannedFrame& plan, const std::string& picture) {
    EXPECT_EQ(picture, frames.ReadFrame(plan.frame)) << "frame " << plan.frame;
    groups.push_back({plan.frame, plan.delayCs});
  });
  return groups;
}

TEST(FrameGroups, DelaysFollowTheStillFramesAndTheSpeedChange) {
  const StillFrames wait = StillFrames::kWait, skip = StillFrames::kSkip;
  const GroupCase cases[] = {
      {"two stills wait", "KSSK", 200, 0, wait, {{1, 60}, {4, 20}}},
      {"two stills skip", "KSSK", 200, 0, skip, {{1, 20}, {4, 20}}},
      {"starts with a still, wait", "SKS", 200, 0, wait, {{1, 20}, {2, 40}}},
      {"starts with stills, wait", "SSK", 200, 0, wait, {{1, 40}, {3, 20}}},
      {"starts with stills, skip", "SSK", 200, 0, skip, {{1, 20}, {3, 20}}},
      {"faster by 50", "KSK", 200, 50, wait, {{1, 30}, {3, 15}}},
      {"slower by 100", "KSK", 200, -100, wait, {{1, 60}, {3, 30}}},
      {"slower by 100, skip", "KSK", 200, -100, skip, {{1, 30}, {3, 30}}},
      {"every frame kept", "KKK", 200, 0, wait, {{1, 20}, {2, 20}, {3, 20}}},
      {"only stills", "SSS", 200, 0, wait, {{1, 60}}},
      {"speed change above the interval", "KSK", 200, 250, wait, {{1, 0}, {3, 0}}},
      {"odd interval truncates", "KK", 155, 0, wait, {{1, 15}, {2, 15}}},
      {"empty store", "", 200, 0, wait, {}},
  };
  for (const GroupCase& c : cases) {
    MemoryFrames frames(c.store);
    EXPECT_EQ(Plan(frames, {c.intervalMs, c.speedChangeMs, c.still}), c.groups) << c.name;
  }
}

TEST(FrameGroups, ReadEveryFrameOnceAndCarryItsOffset) {
  MemoryFrames frames;
  frames.Add("whole");
  frames.Add("");
  frames.Add("crop", {7, 3});
  frames.Add("");
  frames.Add("far", {70000, -2});  // offsets beyond 16 bits are kept inside them
  std::vector<PlannedFrame> plans;
  int groups = WalkFrameGroups(frames, {200, 0, StillFrames::kWait},
                               [&](const PlannedFrame& plan, const std::string&) { plans.push_back(plan); });
  ASSERT_EQ(groups, 3);
  ASSERT_EQ(plans.size(), 3u);
  EXPECT_EQ(plans[0].stillFrames, 1);
  EXPECT_EQ(plans[1].frame, 3);
  EXPECT_EQ(plans[1].left, 7);
  EXPECT_EQ(plans[1].top, 3);
  EXPECT_EQ(plans[1].stillFrames, 1);
  EXPECT_EQ(plans[2].left, 65535);
  EXPECT_EQ(plans[2].top, 0);
  for (int n = 1; n <= 5; ++n) EXPECT_EQ(frames.Reads(n), 1) << "frame " << n;
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
  EXPECT_EQ(gif.loopCount, 3);
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
