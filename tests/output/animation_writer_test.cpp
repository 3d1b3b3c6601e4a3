// A recording written as a GIF in both layouts, decoded by the maker tests'
// own parser and played back on a canvas the way a viewer does: every
// composited frame must be the screen as recorded (exactly where a frame
// holds at most 256 colours), and failures must say what went wrong.
#include "output/animation_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "../gif/maker_test_support.h"
#include "gif/gif_maker.h"
#include "memory_frames.h"
#include "output/compose_plan.h"
#include "record/frame_edit.h"
#include "output/size_fit.h"
#include "output/store_frames.h"
#include "support/temp_folder.h"

namespace movrel {
namespace {

using test::GifFile;
using test::GifFrame;
using test::MakeBmp;
using test::MemoryFrames;
using test::Picture;
using test::Rgb;

constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kInk{20, 20, 30};
constexpr Rgb kBlue{0, 120, 215};

// A window with a title bar and a line of "text" that grows by `chars`.
Picture Editor(int chars, int caretX = -1) {
  Picture p(64, 40, kWhite);
  for (int y = 0; y < 6; ++y) {
    for (int x = 0; x < 64; ++x) p.At(x, y) = kBlue;
  }
  for (int c = 0; c < chars; ++c) {
    for (int y = 12; y < 18; ++y) p.At(2 + 4 * c + (y % 3), y) = kInk;
  }
  if (caretX >= 0) {
    for (int y = 11; y < 19; ++y) p.At(caretX, y) = Rgb{200, 0, 0};
  }
  return p;
}

Picture Crop(const Picture& p, int left, int top, int width, int height) {
  Picture c(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) c.At(x, y) = p.At(left + x, top + y);
  }
  return c;
}

// What the store holds after the changed-region pass: the first picture
// whole, each later one as the rectangle that changed since the kept one
// before it, identical ones as still frames.
MemoryFrames StoreOf(const std::vector<Picture>& pictures) {
  MemoryFrames store;
  const Picture* last = nullptr;
  for (const Picture& p : pictures) {
    if (!last) {
      store.Add(MakeBmp(p));
      last = &p;
      continue;
    }
    int left = p.width, top = p.height, right = -1, bottom = -1;
    for (int y = 0; y < p.height; ++y) {
      for (int x = 0; x < p.width; ++x) {
        if (p.At(x, y) == last->At(x, y)) continue;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
    if (right < 0) {
      store.Add(std::string());
      continue;
    }
    store.Add(MakeBmp(Crop(p, left, top, right - left + 1, bottom - top + 1)), FramePosition{left, top});
    last = &p;
  }
  return store;
}

std::vector<AnimationFrame> OneEach(int count, uint16_t delayCs = 10) {
  std::vector<AnimationFrame> frames;
  for (int i = 1; i <= count; ++i) frames.push_back({i, delayCs});
  return frames;
}

struct Written {
  AnimationOutcome outcome;
  std::string bytes;
  std::string error;
};

Written Write(const FrameSource& store, const std::vector<AnimationFrame>& frames, const GifOptions& options,
              AnimationSettings animation = AnimationSettings()) {
  MemorySink sink;
  Written w;
  animation.comment = "Movrel";
  w.outcome = WriteAnimation(store, frames, animation, options, sink, nullptr, &w.error);
  w.bytes = sink.bytes();
  return w;
}

// Plays the file as a viewer does (frames stay in place, transparent pixels
// show what is under them) and answers the picture after every frame.
std::vector<Picture> Play(const GifFile& gif) {
  std::vector<Picture> shown;
  Picture canvas(gif.width, gif.height);
  for (const GifFrame& f : gif.frames) {
    const std::vector<Rgb>& table = f.localTable.empty() ? gif.globalTable : f.localTable;
    bool transparent = f.hasControl && (f.controlPacked & 1);
    for (int y = 0; y < f.height; ++y) {
      for (int x = 0; x < f.width; ++x) {
        uint8_t index = f.indices[static_cast<size_t>(y) * f.width + x];
        if (transparent && index == f.transparentIndex) continue;
        EXPECT_LT(index, table.size());
        if (index < table.size()) canvas.At(f.left + x, f.top + y) = table[index];
      }
    }
    shown.push_back(canvas);
  }
  return shown;
}

GifFile Parse(const std::string& bytes) {
  GifFile gif;
  std::string error;
  EXPECT_TRUE(test::ParseGif(bytes, &gif, &error)) << error;
  return gif;
}

int WorstChannelError(const Picture& a, const Picture& b) {
  int worst = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    worst = std::max({worst, std::abs(a.pixels[i].r - b.pixels[i].r), std::abs(a.pixels[i].g - b.pixels[i].g),
                      std::abs(a.pixels[i].b - b.pixels[i].b)});
  }
  return worst;
}

TEST(CompactLayout, ScreensOfFewColoursComeBackExactThroughSharedTableAndTransparency) {
  // Typing, and a recording that alternates between two screens: the
  // second must not be drawn over what the first left behind.
  const std::vector<std::vector<Picture>> recordings = {
      {Editor(0), Editor(1), Editor(2), Editor(3), Editor(3, 40)},
      {Editor(2), Editor(5, 10), Editor(2), Editor(5, 10), Editor(2)},
  };
  for (const std::vector<Picture>& pictures : recordings) {
    MemoryFrames store = StoreOf(pictures);
    Written w = Write(store, OneEach(store.FrameCount()), GifLayout::kCompact);
    ASSERT_EQ(w.outcome, AnimationOutcome::kWritten) << w.error;
    GifFile gif = Parse(w.bytes);
    std::vector<Picture> shown = Play(gif);
    ASSERT_EQ(shown.size(), pictures.size());
    for (size_t i = 0; i < shown.size(); ++i) EXPECT_TRUE(shown[i].pixels == pictures[i].pixels) << "frame " << i;
    // Five colours at most: one global table of 8 entries, codes of at most
    // 3 bits (fewer where a frame uses only the most used colours), no local
    // tables, and only the changed rectangles after the first frame.
    EXPECT_EQ(gif.globalTable.size(), 8u);
    for (size_t i = 0; i < gif.frames.size(); ++i) {
      EXPECT_TRUE(gif.frames[i].localTable.empty());
      EXPECT_LE(gif.frames[i].minCodeSize, 3);
      if (i > 0) {
        EXPECT_LT(gif.frames[i].width * gif.frames[i].height, 64 * 40 / 2) << "frame " << i;
      }
    }
  }
}

TEST(CompactLayout, ManyColoursGetATableOfTheirOwnColours) {
  // A gradient of some thousand colours and a flat white page beside it:
  // the white must stay white (not the low end of a bucket), and the
  // gradient comes close.
  Picture p(80, 40, kWhite);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      p.At(x, y) = Rgb{static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 6), static_cast<uint8_t>((x + y) * 3)};
    }
  }
  Picture q = p;
  q.At(70, 30) = kInk;
  MemoryFrames store = StoreOf({p, q});
  Written w = Write(store, OneEach(2), GifLayout::kCompact);
  ASSERT_EQ(w.outcome, AnimationOutcome::kWritten) << w.error;
  GifFile gif = Parse(w.bytes);
  std::vector<Picture> shown = Play(gif);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_TRUE(gif.globalTable.empty());
  EXPECT_EQ(gif.frames[0].localTable.size(), 256u);
  EXPECT_TRUE(shown[0].At(60, 10) == kWhite);
  EXPECT_LE(WorstChannelError(shown[0], p), 24);
  // The second frame stores the one pixel that changed, in a table of two.
  EXPECT_EQ(gif.frames[1].width * gif.frames[1].height, 1);
  EXPECT_EQ(gif.frames[1].localTable.size(), 2u);
  EXPECT_TRUE(shown[1].At(70, 30) == kInk);
}

TEST(ClassicLayout, UnmergedFramesAreTheMakersFileByteForByte) {
  const std::vector<Picture> pictures = {Editor(0), Editor(1), Editor(1), Editor(2, 30)};
  MemoryFrames store = StoreOf(pictures);
  std::vector<AnimationFrame> frames = {{1, 20}, {3, 40}, {4, 20}};  // frame 3 is still
  Written w = Write(store, frames, GifLayout::kClassic);
  ASSERT_EQ(w.outcome, AnimationOutcome::kWritten) << w.error;

  GifMaker maker;
  AnimationSettings animation;
  animation.comment = "Movrel";
  ASSERT_TRUE(maker.Create(animation));
  for (auto [number, delay] : {std::pair{1, 20}, {2, 40}, {4, 20}}) {
    FrameRecord frame;
    frame.delayCs = static_cast<uint16_t>(delay);
    FramePosition at = store.Position(number);
    frame.leftPx = static_cast<uint16_t>(at.left);
    frame.topPx = static_cast<uint16_t>(at.top);
    ASSERT_TRUE(maker.AddFrame(frame, std::string(), store.ReadFrame(number)));
  }
  MemorySink made;
  ASSERT_TRUE(maker.WriteGif(made));
  EXPECT_EQ(w.bytes, made.bytes());
}

TEST(BothLayouts, MergedFramesShowTheLaterPictureOverBothChanges) {
  // Frames 2 and 3 changed different places; one GIF frame shows frame 3.
  const std::vector<Picture> pictures = {Editor(0), Editor(1), Editor(2, 50), Editor(3, 50)};
  MemoryFrames store = StoreOf(pictures);
  for (GifLayout layout : {GifLayout::kClassic, GifLayout::kCompact}) {
    Written w = Write(store, {{1, 10}, {3, 20}, {4, 10}}, layout);
    ASSERT_EQ(w.outcome, AnimationOutcome::kWritten) << w.error;
    GifFile gif = Parse(w.bytes);
    std::vector<Picture> shown = Play(gif);
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(gif.frames[1].delayCs, 20);
    // The classic layout quantises to 4 bits a channel; these colours
    // survive that within 15.
    EXPECT_LE(WorstChannelError(shown[1], pictures[2]), layout == GifLayout::kCompact ? 0 : 15);
    EXPECT_LE(WorstChannelError(shown[2], pictures[3]), layout == GifLayout::kCompact ? 0 : 15);
  }
}

TEST(BothLayouts, KeptFramesShowTheScreensAsRecordedWithTheDroppedTimeGone) {
  // Frame 4 repeats frame 3 (a still frame in the store), frame 3 is
  // dropped, frames before 2 and after 5 are cut: frame 4 must still show
  // frame 3's change, and each kept frame keeps its own 200 ms.
  const std::vector<Picture> pictures = {Editor(0), Editor(1), Editor(2),    Editor(2),
                                         Editor(3), Editor(4), Editor(5, 40)};
  MemoryFrames store = StoreOf(pictures);
  FrameEdit edit;
  edit.Reset(store.FrameCount());
  ASSERT_TRUE(edit.SetStart(2));
  ASSERT_TRUE(edit.Drop(3));
  ASSERT_TRUE(edit.SetEnd(5));
  const std::vector<AnimationFrame> plan =
      PlanAnimationFrames(store, {200, 0, StillFrames::kWait}, edit.KeptFrames());
  ASSERT_EQ(plan.size(), 3u);
  for (GifLayout layout : {GifLayout::kClassic, GifLayout::kCompact}) {
    Written w = Write(store, plan, layout);
    ASSERT_EQ(w.outcome, AnimationOutcome::kWritten) << w.error;
    GifFile gif = Parse(w.bytes);
    std::vector<Picture> shown = Play(gif);
    ASSERT_EQ(shown.size(), 3u);
    const int kept[] = {2, 4, 5};
    for (size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(gif.frames[i].delayCs, 20) << i;
      EXPECT_LE(WorstChannelError(shown[i], pictures[static_cast<size_t>(kept[i] - 1)]),
                layout == GifLayout::kCompact ? 0 : 15)
          << "kept frame " << kept[i];
    }
  }
}

// A sink that takes `room` bytes and then refuses.
class FullSink : public ByteSink {
 public:
  explicit FullSink(size_t room) : room_(room) {}
  bool Write(const void*, size_t size) override {
    if (size > room_) return false;
    room_ -= size;
    return true;
  }
  std::string TargetName() const override { return "full.gif"; }

 private:
  size_t room_;
};

TEST(BothLayouts, FailuresSayWhatHappened) {
  MemoryFrames store = StoreOf({Editor(0), Editor(1), Editor(2)});
  MemoryFrames broken;
  broken.Add(store.ReadFrame(1));
  broken.Add("BM this is no picture at all, but it is long enough to be one", FramePosition{2, 12});
  broken.Add(store.ReadFrame(3), store.Position(3));
  MemoryFrames stillOnly("SS");
  for (GifLayout layout : {GifLayout::kClassic, GifLayout::kCompact}) {
    Written w = Write(broken, OneEach(3), layout);
    EXPECT_EQ(w.outcome, AnimationOutcome::kNotComposable);
    EXPECT_NE(w.error.find("第 2 帧"), std::string::npos) << w.error;

    EXPECT_EQ(Write(stillOnly, OneEach(2), layout).outcome, AnimationOutcome::kNotComposable);

    FullSink full(100);
    std::string error;
    EXPECT_EQ(WriteAnimation(store, OneEach(3), AnimationSettings(), layout, full, nullptr, &error),
              AnimationOutcome::kWriteFailed);
    EXPECT_NE(error.find("full.gif"), std::string::npos) << error;
  }
}

// A frame file that went from the disk between recording and saving (a temp
// cleaner, a quarantine) fails the save with its number, as one that does
// not decode: read as a still frame it would freeze the animation there.
TEST(BothLayouts, AFrameFileGoneBeforeTheSaveFailsIt) {
  const std::function<void(const std::filesystem::path&)> faults[] = {
      [](const std::filesystem::path& file) { std::filesystem::remove(file); },
      [](const std::filesystem::path& file) {
        std::filesystem::remove(file);
        std::filesystem::create_directory(file);  // a folder where the picture was
      },
  };
  for (GifLayout layout : {GifLayout::kClassic, GifLayout::kCompact}) {
    for (const auto& fault : faults) {
      test::TempFolder folder;
      FrameStore store;
      store.SetFolder(folder.Folder());
      const MemoryFrames pictures = StoreOf({Editor(0), Editor(1), Editor(2)});
      for (int n = 1; n <= 3; ++n) {
        ASSERT_TRUE(store.AppendFrame(pictures.ReadFrame(n), pictures.CaptureMs(n)));
        store.SetOffset(n, FrameOffset{pictures.Position(n).left, pictures.Position(n).top});
      }
      ASSERT_TRUE(store.AppendFrame(std::string(), 600));  // a still frame stays one
      fault(std::filesystem::path(store.FramePath(2).Units()));
      const StoreFrames frames(store);
      Written w = Write(frames, PlanAnimationFrames(frames, ComposeSettings{200}), layout);
      EXPECT_EQ(w.outcome, AnimationOutcome::kNotComposable);
      EXPECT_NE(w.error.find("第 2 帧"), std::string::npos) << w.error;
    }
  }
}

TEST(CompactLayout, EveryColourShownIsInTheTableItIsWrittenWith) {
  // A logical screen larger than the first picture shows black around it,
  // which no stored picture holds; and a frame of exactly 256 colours with
  // pixels that stay as they are is still stored exactly.
  Picture red(10, 10, Rgb{255, 0, 0});
  MemoryFrames framed;
  framed.Add(MakeBmp(red));
  framed.Add(MakeBmp(Picture(2, 2, kBlue)), FramePosition{14, 14});
  AnimationSettings screen;
  screen.widthPx = 20;
  screen.heightPx = 20;
  Written w = Write(framed, OneEach(2), GifLayout::kCompact, screen);
  ASSERT_EQ(w.outcome, AnimationOutcome::kWritten) << w.error;
  std::vector<Picture> shown = Play(Parse(w.bytes));
  ASSERT_EQ(shown.size(), 2u);
  Picture expected(20, 20, Rgb{0, 0, 0});
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) expected.At(x, y) = Rgb{255, 0, 0};
  }
  EXPECT_TRUE(shown[0].pixels == expected.pixels);
  for (int y = 14; y < 16; ++y) {
    for (int x = 14; x < 16; ++x) expected.At(x, y) = kBlue;
  }
  EXPECT_TRUE(shown[1].pixels == expected.pixels);

  auto key = [](int i) { return Rgb{static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)}; };
  Picture a(16, 16), b(16, 16);
  for (int i = 0; i < 256; ++i) {
    a.At(i % 16, i / 16) = key(i);
    b.At(i % 16, i / 16) = i % 7 == 0 ? key(i) : key((i + 1) % 256);
  }
  Written full = Write(StoreOf({a, b}), OneEach(2), GifLayout::kCompact);
  ASSERT_EQ(full.outcome, AnimationOutcome::kWritten) << full.error;
  shown = Play(Parse(full.bytes));
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_TRUE(shown[0].pixels == a.pixels);
  EXPECT_TRUE(shown[1].pixels == b.pixels);
}

// A band of close colours (at most 255 a frame, so the lossless file is
// exact) moving across a page with a line of text.
std::vector<Picture> GradientRecording() {
  std::vector<Picture> pictures;
  for (int f = 0; f < 6; ++f) {
    Picture p = Editor(f);
    for (int y = 20; y < 36; ++y) {
      for (int x = 0; x < 64; ++x) {
        const int v = (x * 3 + y * 5 + f * 7) % 120;
        p.At(x, y) = Rgb{static_cast<uint8_t>(60 + v), static_cast<uint8_t>(90 + v / 2), static_cast<uint8_t>(200 - v)};
      }
    }
    pictures.push_back(p);
  }
  return pictures;
}

int WorstSquaredError(const Picture& a, const Picture& b) {
  int worst = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i) {
    const int r = a.pixels[i].r - b.pixels[i].r, g = a.pixels[i].g - b.pixels[i].g, bl = a.pixels[i].b - b.pixels[i].b;
    worst = std::max(worst, r * r + g * g + bl * bl);
  }
  return worst;
}

TEST(SmallerFiles, ALossyLevelKeepsEveryPixelWithinItsErrorAndTheSameBytes) {
  const std::vector<Picture> pictures = GradientRecording();
  MemoryFrames store = StoreOf(pictures);
  size_t lossless = 0;
  for (int level : {0, 30, 80}) {
    GifOptions options(GifLayout::kCompact);
    options.lossyLevel = level;
    Written w = Write(store, OneEach(store.FrameCount()), options);
    ASSERT_EQ(w.outcome, AnimationOutcome::kWritten) << w.error;
    std::vector<Picture> shown = Play(Parse(w.bytes));
    ASSERT_EQ(shown.size(), pictures.size());
    // Level L lets a pixel be off by L / 2 over the three channels.
    for (size_t i = 0; i < shown.size(); ++i) {
      EXPECT_LE(WorstSquaredError(shown[i], pictures[i]), (level / 2) * (level / 2)) << "level " << level << " frame " << i;
    }
    if (level == 0) {
      lossless = w.bytes.size();
    } else {
      EXPECT_LT(w.bytes.size(), lossless) << "level " << level;
    }
    EXPECT_EQ(Write(store, OneEach(store.FrameCount()), options).bytes, w.bytes) << "level " << level;
  }
}

TEST(SmallerFiles, DitheringTouchesOnlyWhatChanges) {
  // Thousands of colours: quantised, so dithered; the second frame changes
  // one corner, and only that corner is stored again.
  Picture p(80, 40, kWhite);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 80; ++x) {
      p.At(x, y) = Rgb{static_cast<uint8_t>(x * 3), static_cast<uint8_t>(y * 6), static_cast<uint8_t>((x + y) * 2)};
    }
  }
  Picture q = p;
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) q.At(x, y) = kInk;
  }
  GifOptions options(GifLayout::kCompact);
  options.dither = true;
  Written w = Write(StoreOf({p, q}), OneEach(2), options);
  ASSERT_EQ(w.outcome, AnimationOutcome::kWritten) << w.error;
  GifFile gif = Parse(w.bytes);
  std::vector<Picture> shown = Play(gif);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_LE(WorstChannelError(shown[0], p), 32);
  EXPECT_LE(gif.frames[1].width * gif.frames[1].height, 16);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) shown[0].At(x, y) = kInk;
  }
  EXPECT_TRUE(shown[1].pixels == shown[0].pixels);
  // The pattern differs from the plain nearest colours.
  EXPECT_NE(Write(StoreOf({p, q}), OneEach(2), GifLayout::kCompact).bytes, w.bytes);
}

TEST(SmallerFiles, ASizeLimitIsKeptOrNothingIsWritten) {
  MemoryFrames store = StoreOf(GradientRecording());
  const std::vector<AnimationFrame> frames = OneEach(store.FrameCount());
  const size_t lossless = Write(store, frames, GifLayout::kCompact).bytes.size();
  for (GifLayout layout : {GifLayout::kClassic, GifLayout::kCompact}) {
    struct Case {
      uint64_t limit;
      FitOutcome outcome;
      bool reduced;
    };
    for (const Case& c : {Case{0, FitOutcome::kWritten, false}, Case{lossless * 4, FitOutcome::kWritten, false},
                          Case{lossless * 6 / 10, FitOutcome::kWritten, true}, Case{40, FitOutcome::kTooLarge, false}}) {
      MemorySink sink;
      SizeFit fit;
      std::string error;
      FitOutcome outcome =
          WriteAnimationWithin(store, frames, AnimationSettings(), layout, c.limit, sink, nullptr, &fit, &error);
      const std::string what = "limit " + std::to_string(c.limit) + (layout == GifLayout::kCompact ? " compact" : " classic");
      ASSERT_EQ(outcome, c.outcome) << what << ": " << error;
      if (outcome == FitOutcome::kTooLarge) {
        EXPECT_TRUE(sink.bytes().empty()) << what;
        EXPECT_GT(fit.bytes, c.limit) << what;
        continue;
      }
      EXPECT_EQ(fit.reduced, c.reduced) << what;
      EXPECT_EQ(fit.bytes, sink.bytes().size()) << what;
      if (c.limit > 0) {
        EXPECT_LE(sink.bytes().size(), c.limit) << what;
      }
      EXPECT_EQ(Play(Parse(sink.bytes())).size(), frames.size()) << what;
      if (c.reduced) {
        EXPECT_NE(SizeFitSummary(fit).find("有损"), std::string::npos) << SizeFitSummary(fit);
      }
    }
  }
}

TEST(BothLayouts, AWaitLongerThanAFrameHoldsGoesOnInMoreFrames) {
  MemoryFrames store = StoreOf({Editor(0), Editor(1)});
  for (GifLayout layout : {GifLayout::kClassic, GifLayout::kCompact}) {
    Written w = Write(store, {{1, 140000}, {2, 10}}, layout);
    ASSERT_EQ(w.outcome, AnimationOutcome::kWritten) << w.error;
    GifFile gif = Parse(w.bytes);
    std::vector<Picture> shown = Play(gif);
    uint32_t total = 0;
    for (size_t i = 0; i + 1 < gif.frames.size(); ++i) {
      total += gif.frames[i].delayCs;
      EXPECT_TRUE(WorstChannelError(shown[i], Editor(0)) <= (layout == GifLayout::kCompact ? 0 : 15)) << i;
    }
    EXPECT_EQ(total, 140000u);
    EXPECT_EQ(gif.frames.back().delayCs, 10);
  }
}

TEST(BothLayouts, ACancelledWriteStops) {
  MemoryFrames store = StoreOf({Editor(0), Editor(1), Editor(2)});
  std::atomic<bool> cancel{true};
  for (GifLayout layout : {GifLayout::kClassic, GifLayout::kCompact}) {
    GifOptions options(layout);
    options.cancel = &cancel;
    EXPECT_EQ(Write(store, OneEach(3), options).outcome, AnimationOutcome::kCancelled);
  }
}

}  // namespace
}  // namespace movrel
