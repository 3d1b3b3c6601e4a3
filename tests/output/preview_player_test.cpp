// The preview's playback over a recording in memory: which frame each tick
// shows, the caption, the slider, the play state and the timer, the edits
// of the cut by buttons and keys, and the window's placement and layout.
#include "output/preview_player.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "memory_frames.h"

namespace movrel {
namespace {

using test::MemoryFrames;

// Keeps what the player asked for; the canvas as the list of pictures drawn
// on it since it was last cleared.
class RecordingView : public PreviewView {
 public:
  void ClearCanvas() override { canvas.clear(); }
  void DrawPicture(const std::string& bytes, FramePosition at) override {
    canvas.push_back(bytes + "@" + std::to_string(at.left) + "," + std::to_string(at.top));
    ++draws;
  }
  void SetCaption(const std::string& text) override { caption = text; }
  void SetSliderRange(int maximum, int first, int last) override {
    sliderMaximum = maximum;
    keptFirst = first;
    keptLast = last;
  }
  void SetSliderPosition(int position) override { slider = position; }
  void SetTimerInterval(int32_t ms) override { timerMs = ms; }
  void ShowPlaying(bool isPlaying) override { playing = isPlaying; }
  void ShowEditState(const PreviewEditState& state) override {
    canCut = state.canCut;
    canTrim = state.canTrim;
    canUndo = state.canUndo;
  }

  std::vector<std::string> canvas;
  int draws = 0;
  std::string caption;
  int slider = -1;
  int sliderMaximum = -1;
  int keptFirst = -1, keptLast = -1;
  int32_t timerMs = -1;
  bool playing = false;
  bool canCut = false;
  bool canTrim = false;
  bool canUndo = false;
};

std::string At0(int frame) { return "picture " + std::to_string(frame) + "@0,0"; }

PreviewSettings Still(int index) {
  PreviewSettings settings;
  settings.stillFrames = StillFramesFromIndex(index);
  return settings;
}

TEST(PreviewTick, StillFramesWaitOneTickOrVanish) {
  {
    MemoryFrames frames("KSK");
    RecordingView view;
    PreviewPlayer player(frames, view, 200);
    player.Open(Still(0));
    EXPECT_EQ(view.caption, "总 3 帧，当前播放第 1 帧");
    EXPECT_EQ(view.canvas, (std::vector<std::string>{At0(1)}));
    EXPECT_EQ(view.slider, 1);
    player.Tick();
    EXPECT_EQ(view.caption, "总 3 帧，当前播放第 2 帧（静止画面）");
    EXPECT_EQ(view.canvas, (std::vector<std::string>{At0(1)}));  // unchanged for this tick
    EXPECT_EQ(view.draws, 1);
    player.Tick();
    EXPECT_EQ(view.caption, "总 3 帧，当前播放第 3 帧");
    EXPECT_EQ(view.canvas, (std::vector<std::string>{At0(1), At0(3)}));
    EXPECT_EQ(view.slider, 3);
  }
  {
    MemoryFrames frames("KSK");
    RecordingView view;
    PreviewPlayer player(frames, view, 200);
    player.Open(Still(1));
    EXPECT_EQ(view.caption, "总 3 帧，当前播放第 1 帧");
    player.Tick();
    EXPECT_EQ(view.caption, "总 3 帧，当前播放第 3 帧");
    EXPECT_EQ(view.canvas, (std::vector<std::string>{At0(1), At0(3)}));
    player.Tick();  // loops round to frame 1, a whole picture again
    EXPECT_EQ(view.caption, "总 3 帧，当前播放第 1 帧");
    EXPECT_EQ(view.canvas, (std::vector<std::string>{At0(1)}));
  }
}

TEST(PreviewTick, TrailingStillFramesVanishWhenSkippedAsInTheGif) {
  MemoryFrames frames("KKSS");
  RecordingView view;
  PreviewPlayer player(frames, view, 200);
  player.Open(Still(1));
  player.Tick();
  EXPECT_EQ(player.CurrentFrame(), 2);
  player.Tick();
  EXPECT_EQ(player.CurrentFrame(), 1);
  EXPECT_EQ(view.caption, "总 4 帧，当前播放第 1 帧");

  player.SetLoop(false);
  player.Tick();
  player.Tick();  // nothing but still frames left: playback ends
  EXPECT_FALSE(player.Playing());
  EXPECT_EQ(view.timerMs, 0);
  player.SetPlaying(true);
  player.Tick();
  EXPECT_EQ(player.CurrentFrame(), 1);
}

TEST(PreviewTick, PlaysOnlyTheKeptFramesOverEveryFramesChange) {
  MemoryFrames frames("KKKSKK");
  FrameEdit cut;
  cut.Reset(6);
  cut.SetStart(2);
  cut.SetEnd(5);
  cut.Drop(3);  // kept: 2, 4 (a still frame after the dropped change), 5
  for (int still : {0, 1}) {
    RecordingView view;
    PreviewPlayer player(frames, view, 200, &cut);
    player.Open(Still(still));
    EXPECT_EQ((std::tuple{view.sliderMaximum, view.keptFirst, view.keptLast}), (std::tuple{6, 2, 5}));
    EXPECT_EQ(view.caption, "总 3 帧，当前播放第 1 帧");
    EXPECT_EQ(player.CurrentFrame(), 2);
    // The dropped frame's change is what kept frame 4 shows: no still
    // frame, not even skipping.
    player.Tick();
    EXPECT_EQ(view.caption, "总 3 帧，当前播放第 2 帧") << still;
    EXPECT_EQ(view.canvas, (std::vector<std::string>{At0(1), At0(2), At0(3)}));
    player.Tick();
    EXPECT_EQ(view.caption, "总 3 帧，当前播放第 3 帧");
    EXPECT_EQ(view.slider, 5);  // the store frame, within the kept range
    EXPECT_EQ(view.canvas, (std::vector<std::string>{At0(1), At0(2), At0(3), At0(5)}));
    player.Tick();  // round to the first kept frame
    EXPECT_EQ(player.CurrentFrame(), 2);
    EXPECT_EQ(view.canvas, (std::vector<std::string>{At0(1), At0(2)}));
  }
  // Without frame 3's change, frame 4 is a still frame of the cut.
  MemoryFrames quiet("KKSSK");
  cut.Reset(5);
  cut.Drop(3);
  RecordingView view;
  PreviewPlayer player(quiet, view, 200, &cut);
  player.Open(Still(0));
  player.Tick();
  player.Tick();
  EXPECT_EQ(view.caption, "总 4 帧，当前播放第 3 帧（静止画面）");
}

TEST(PlayState, LoopOffPausesAfterTheLastFrameAndPlayRestartsAtTheFirst) {
  const char* stores[] = {"KK", "KS"};  // the last frame a picture, or a still frame shown by waiting
  for (const char* store : stores) {
    MemoryFrames frames(store);
    RecordingView view;
    PreviewPlayer player(frames, view, 200);
    player.SetLoop(false);
    player.Open(Still(0));
    EXPECT_TRUE(view.playing);
    EXPECT_EQ(view.timerMs, 200);
    player.Tick();
    EXPECT_EQ(player.CurrentFrame(), 2);
    player.Tick();
    EXPECT_FALSE(player.Playing()) << store;
    EXPECT_FALSE(view.playing);
    EXPECT_EQ(view.timerMs, 0);
    player.SetPlaying(true);
    EXPECT_EQ(view.slider, 1);
    EXPECT_EQ(view.timerMs, 200);
    player.Tick();
    EXPECT_EQ(view.caption, "总 2 帧，当前播放第 1 帧") << store;
    EXPECT_EQ(view.canvas, (std::vector<std::string>{At0(1)}));
  }
}

TEST(PlayState, EmptyStorePausesAtOnce) {
  MemoryFrames frames;
  RecordingView view;
  PreviewPlayer player(frames, view, 200);
  player.Open(Still(0));
  EXPECT_FALSE(player.Playing());
  EXPECT_FALSE(view.playing);
  EXPECT_EQ(view.timerMs, 0);
  EXPECT_EQ(view.draws, 0);
  player.SetPlaying(true);
  player.Tick();
  EXPECT_FALSE(player.Playing());
  player.OnSliderMoved(3);  // nothing to move to
  EXPECT_EQ(player.CurrentFrame(), 0);
}

TEST(PlayState, TimerIntervalIsTheFrameIntervalMinusTheSpeedChange) {
  struct Case {
    const char* text;
    int unit;
    int32_t timerMs;
  };
  const Case cases[] = {
      {"0", 0, 200},      {"50", 0, 150},   {"-100", 0, 300}, {"-0.1", 1, 300}, {"0.5", 0, 200},  // as the save counts it
      {"abc", 0, 200},    {"200", 0, 0},    {"250", 0, 0},    {"1", 2, 0},
  };
  for (const Case& c : cases) {
    MemoryFrames frames("KK");
    RecordingView view;
    PreviewPlayer player(frames, view, 200);
    player.Open(Still(0));
    player.SetSpeedChangeText(c.text);
    player.SetSpeedChangeUnit(TimeUnitAt(c.unit));
    EXPECT_EQ(view.timerMs, c.timerMs) << c.text;
    EXPECT_EQ(player.Settings().speedChangeText, c.text);
    EXPECT_EQ(player.Settings().speedChangeUnit, TimeUnitAt(c.unit));
  }
  MemoryFrames frames("KK");
  RecordingView view;
  PreviewPlayer player(frames, view, 200);
  player.Open(Still(0));
  player.SetPlaying(false);
  player.SetSpeedChangeText("50");
  EXPECT_EQ(view.timerMs, 0);  // paused: the timer stays stopped
  EXPECT_EQ(player.PlayingIntervalMs(), 150);

  // Each kept frame for its own time, as the GIF shows it: a dropped
  // frame's time goes with it, the last frame lasts the interval, and the
  // speed change takes no frame below the shortest GIF delay.
  MemoryFrames uneven;
  for (int64_t ms : {0, 300, 340, 400}) uneven.AddAt(ms, "p" + std::to_string(ms));
  FrameEdit cut;
  cut.Reset(4);
  cut.Drop(2);
  RecordingView timed;
  PreviewPlayer times(uneven, timed, 200, &cut);
  times.Open(Still(0));
  EXPECT_EQ(timed.timerMs, 300);
  times.Tick();
  EXPECT_EQ(times.CurrentFrame(), 3);
  EXPECT_EQ(timed.timerMs, 60);
  times.SetSpeedChangeText("50");
  EXPECT_EQ(timed.timerMs, 20);
  times.Tick();
  EXPECT_EQ(timed.timerMs, 150);
}

TEST(Slider, PausedShowsTheChosenFrameAndPlayingShowsItNext) {
  MemoryFrames frames;
  frames.Add("whole");
  frames.Add("a", {1, 1});
  frames.Add("");
  frames.Add("b", {2, 2});
  RecordingView view;
  PreviewPlayer player(frames, view, 200);
  player.Open(Still(0));
  player.SetPlaying(false);
  player.OnSliderMoved(4);
  EXPECT_EQ(player.CurrentFrame(), 4);
  EXPECT_EQ(view.canvas, (std::vector<std::string>{"whole@0,0", "a@1,1", "b@2,2"}));
  // Backwards: the picture is built again from the first frame, so no stale
  // surroundings of a cropped frame remain.
  player.OnSliderMoved(2);
  EXPECT_EQ(view.canvas, (std::vector<std::string>{"whole@0,0", "a@1,1"}));
  EXPECT_EQ(view.caption, "总 4 帧，当前播放第 1 帧");  // a move while paused leaves the caption

  player.SetPlaying(true);
  player.OnSliderMoved(2);
  EXPECT_EQ(player.CurrentFrame(), 1);
  EXPECT_EQ(view.canvas, (std::vector<std::string>{"whole@0,0"}));
  player.Tick();
  EXPECT_EQ(view.caption, "总 4 帧，当前播放第 2 帧");
  EXPECT_EQ(view.canvas, (std::vector<std::string>{"whole@0,0", "a@1,1"}));
  player.OnSliderMoved(99);  // clamped to the last frame
  player.Tick();
  EXPECT_EQ(player.CurrentFrame(), 4);
}

// A canvas of kWidth x kHeight one-byte pixels: a picture is a run of
// pixels drawn along one row from its position, clipped at the edge.
class PixelView : public RecordingView {
 public:
  static constexpr int kWidth = 16, kHeight = 4;
  void ClearCanvas() override { pixels.assign(kWidth * kHeight, '.'); }
  void DrawPicture(const std::string& bytes, FramePosition at) override {
    for (size_t i = 0; i < bytes.size() && at.left + static_cast<int>(i) < kWidth; ++i) {
      pixels[static_cast<size_t>(at.top * kWidth + at.left) + i] = bytes[i];
    }
  }
  std::string SaveCanvas() const override { return pixels; }
  void RestoreCanvas(const std::string& saved) override { pixels = saved; }
  std::string pixels;
};

// `count` frames of different sizes and places, every seventh a still frame.
MemoryFrames MixedFrames(int count) {
  MemoryFrames frames;
  frames.Add(std::string(PixelView::kWidth * PixelView::kHeight, 'A'));
  uint32_t seed = 12345;
  for (int n = 2; n <= count; ++n) {
    seed = seed * 1103515245u + 12345u;
    const int length = 1 + static_cast<int>(seed >> 8) % 6;
    const FramePosition at{static_cast<int32_t>((seed >> 12) % PixelView::kWidth),
                           static_cast<int32_t>((seed >> 20) % PixelView::kHeight)};
    frames.Add(n % 7 == 0 ? std::string() : std::string(static_cast<size_t>(length), static_cast<char>('a' + n % 26)),
               at);
  }
  return frames;
}

int TotalReads(const MemoryFrames& frames) {
  int total = 0;
  for (int n = 1; n <= frames.FrameCount(); ++n) total += frames.Reads(n);
  return total;
}

TEST(PreviewSeek, AnyReachedFrameReadsAtMostAnIntervalAndLooksAsPlayedFromTheStart) {
  constexpr int kFrames = 300;
  const MemoryFrames frames = MixedFrames(kFrames);
  // The picture of each frame as drawn in order from frame 1.
  std::vector<std::string> played(kFrames + 1);
  {
    PixelView reference;
    reference.ClearCanvas();
    played[0] = reference.pixels;
    for (int n = 1; n <= kFrames; ++n) {
      const std::string bytes = frames.ReadFrame(n);
      if (!bytes.empty()) reference.DrawPicture(bytes, frames.Position(n));
      played[n] = reference.pixels;
    }
  }
  const size_t canvasBytes = PixelView::kWidth * PixelView::kHeight;
  // Room for every copy at the first interval, and room for only five.
  for (size_t budget : {canvasBytes * 100, canvasBytes * 5}) {
    MemoryFrames source = MixedFrames(kFrames);
    PixelView view;
    FrameSeeker seeker(source, view, budget);
    seeker.Reset();
    seeker.SeekTo(kFrames);  // the first pass reads each frame once
    EXPECT_EQ(TotalReads(source), kFrames);
    EXPECT_EQ(view.pixels, played[kFrames]);
    EXPECT_LE(seeker.KeptBytes(), budget);
    EXPECT_EQ(seeker.Interval(), budget > canvasBytes * 50 ? FrameSeeker::kFirstInterval : 64) << budget;
    // A drag back to the start, then jumps both ways.
    std::vector<int> targets;
    for (int k = kFrames; k >= 0; k -= 3) targets.push_back(k);
    for (int k : {150, 7, 299, 64, 65, 1, 0, 200, 128}) targets.push_back(k);
    for (int k : targets) {
      const int before = TotalReads(source);
      seeker.SeekTo(k);
      EXPECT_LE(TotalReads(source) - before, seeker.Interval()) << "to " << k << ", budget " << budget;
      EXPECT_EQ(view.pixels, played[k]) << "to " << k << ", budget " << budget;
      EXPECT_EQ(seeker.CanvasFrame(), k);
    }
  }
}

TEST(PreviewSeek, SliderMovesBackwardsUseTheKeptPictures) {
  MemoryFrames frames = MixedFrames(120);
  PixelView view;
  PreviewPlayer player(frames, view, 200);
  player.Open(Still(0));
  player.SetPlaying(false);
  player.OnSliderMoved(120);
  for (int k = 119; k >= 1; --k) {
    const int before = TotalReads(frames);
    player.OnSliderMoved(k);
    EXPECT_LE(TotalReads(frames) - before, player.Seeker().Interval()) << k;
    EXPECT_EQ(player.CanvasFrame(), k);
  }
  // A canvas that keeps no copies still shows the right picture.
  MemoryFrames plain("KKK");
  RecordingView recording;
  FrameSeeker seeker(plain, recording);
  seeker.Reset();
  seeker.SeekTo(3);
  seeker.SeekTo(2);
  EXPECT_EQ(recording.canvas, (std::vector<std::string>{At0(1), At0(2)}));
  EXPECT_EQ(seeker.KeptCount(), 0);
}

TEST(PreviewEdit, ButtonsAndKeysCutAtTheShownFrameAndUndoEveryStep) {
  MemoryFrames frames("KKKKKK");
  FrameEdit cut;
  RecordingView view;
  PreviewPlayer player(frames, view, 200, &cut);
  player.Open(Still(0));
  player.SetPlaying(false);
  EXPECT_TRUE(view.canCut);
  EXPECT_FALSE(view.canUndo);
  EXPECT_FALSE(player.Do(PreviewAction::kSetStart));  // already the first kept frame

  player.OnSliderMoved(2);
  EXPECT_TRUE(player.Do(PreviewAction::kSetStart));
  EXPECT_EQ(view.caption, "总 5 帧，当前播放第 1 帧");
  // The slider keeps the whole recording and marks the kept range.
  EXPECT_EQ(view.sliderMaximum, 6);
  EXPECT_EQ((std::pair{view.keptFirst, view.keptLast}), (std::pair{2, 6}));
  EXPECT_TRUE(view.canUndo);
  EXPECT_TRUE(player.Do(PreviewAction::kLastKept));
  EXPECT_TRUE(player.Do(PreviewAction::kStepBack));
  EXPECT_TRUE(player.Do(PreviewAction::kSetEnd));  // kept 2..5
  EXPECT_EQ(player.CurrentFrame(), 5);
  EXPECT_FALSE(player.Do(PreviewAction::kStepForward));
  // The slider snaps to kept frames: before the start it takes the first.
  player.OnSliderMoved(1);
  EXPECT_EQ(view.slider, 2);
  EXPECT_EQ(player.CurrentFrame(), 2);
  // A drop shows the next kept frame, or the one before after the last.
  player.OnSliderMoved(3);
  EXPECT_TRUE(player.Do(PreviewAction::kDrop));
  EXPECT_EQ(player.CurrentFrame(), 4);
  EXPECT_EQ(view.caption, "总 3 帧，当前播放第 2 帧");
  EXPECT_EQ(view.slider, 4);
  player.OnSliderMoved(3);  // the dropped frame: the next kept one
  EXPECT_EQ(view.slider, 4);
  EXPECT_EQ(view.canvas, (std::vector<std::string>{At0(1), At0(2), At0(3), At0(4)}));
  EXPECT_TRUE(player.Do(PreviewAction::kLastKept));
  EXPECT_TRUE(player.Do(PreviewAction::kDrop));
  EXPECT_EQ(player.CurrentFrame(), 4);
  EXPECT_TRUE(player.Do(PreviewAction::kDrop));
  EXPECT_EQ(player.CurrentFrame(), 2);
  EXPECT_EQ((std::pair{view.keptFirst, view.keptLast}), (std::pair{2, 2}));
  EXPECT_FALSE(view.canCut);
  EXPECT_FALSE(player.Do(PreviewAction::kDrop));  // the last kept frame stays

  // Undo goes back step by step; the frame shown stays.
  int undone = 0;
  while (player.Do(PreviewAction::kUndo)) ++undone;
  EXPECT_EQ(undone, 5);
  EXPECT_EQ(player.CurrentFrame(), 2);
  EXPECT_EQ(view.caption, "总 6 帧，当前播放第 2 帧");
  EXPECT_EQ((std::pair{view.keptFirst, view.keptLast}), (std::pair{1, 6}));
  EXPECT_TRUE(view.canCut);
  EXPECT_FALSE(view.canUndo);

  // Playing: the keys jump and cut, but do not step.
  player.SetPlaying(true);
  EXPECT_FALSE(player.Do(PreviewAction::kStepForward));
  EXPECT_TRUE(player.Do(PreviewAction::kFirstKept));
  EXPECT_TRUE(player.Do(PreviewAction::kDrop));
  EXPECT_EQ(player.CurrentFrame(), 2);
  player.Tick();
  EXPECT_EQ(view.caption, "总 5 帧，当前播放第 2 帧");
  EXPECT_EQ(player.CurrentFrame(), 3);
}

TEST(PreviewEdit, TrimKeepsTheChangingFramesAndOneUndoBringsBothEndsBack) {
  // Frame 4's picture is only the pointer moving: no change of the screen.
  MemoryFrames frames("KSKPKSS");
  FrameEdit cut;
  RecordingView view;
  PreviewPlayer player(frames, view, 200, &cut);
  player.Open(Still(0));
  player.SetPlaying(false);
  EXPECT_TRUE(view.canTrim);
  EXPECT_TRUE(player.Do(PreviewAction::kTrimStillEnds));
  EXPECT_EQ(cut.KeptFrames(), (std::vector<int>{2, 3, 4, 5}));
  EXPECT_EQ((std::pair{view.keptFirst, view.keptLast}), (std::pair{2, 5}));
  // Frame 1 was cut away: the nearest kept frame shows.
  EXPECT_EQ(player.CurrentFrame(), 2);
  EXPECT_EQ(view.caption, "总 4 帧，当前播放第 1 帧");
  EXPECT_FALSE(view.canTrim);
  EXPECT_FALSE(player.Do(PreviewAction::kTrimStillEnds));
  EXPECT_TRUE(player.Do(PreviewAction::kUndo));
  EXPECT_EQ((std::pair{view.keptFirst, view.keptLast}), (std::pair{1, 7}));
  EXPECT_FALSE(view.canUndo);
  EXPECT_TRUE(view.canTrim);
  EXPECT_EQ(player.CurrentFrame(), 2);

  MemoryFrames changing("KKKK");
  RecordingView nothing;
  PreviewPlayer all(changing, nothing, 200);
  all.Open(Still(0));
  EXPECT_FALSE(nothing.canTrim);
}

TEST(PreviewEdit, KeysMapToActions) {
  struct Case {
    uint32_t key;
    bool ctrl;
    PreviewAction action;
  };
  const Case cases[] = {
      {kKeyHome, false, PreviewAction::kFirstKept}, {kKeyEnd, false, PreviewAction::kLastKept},
      {kKeyLeft, false, PreviewAction::kStepBack},  {kKeyRight, false, PreviewAction::kStepForward},
      {kKeyDelete, false, PreviewAction::kDrop},    {kKeyZ, true, PreviewAction::kUndo},
      {kKeyZ, false, PreviewAction::kNone},         {0x41, true, PreviewAction::kNone},
      {kKeyT, false, PreviewAction::kTrimStillEnds}, {kKeyT, true, PreviewAction::kNone},
  };
  for (const Case& c : cases) EXPECT_EQ(PreviewKeyAction(c.key, c.ctrl), c.action) << c.key;
  EXPECT_EQ(PreviewCharAction('['), PreviewAction::kSetStart);
  EXPECT_EQ(PreviewCharAction(']'), PreviewAction::kSetEnd);
  EXPECT_EQ(PreviewCharAction('z'), PreviewAction::kNone);
}

TEST(ControlBar, ShowsForTheMouseOnTheBarOrWhenPinned) {
  MemoryFrames frames("K");
  RecordingView view;
  PreviewPlayer player(frames, view, 200);
  EXPECT_TRUE(player.Playing());  // opening states: playing, looping, not pinned
  EXPECT_TRUE(player.Loop());
  EXPECT_FALSE(player.Pinned());
  EXPECT_FALSE(player.ControlBarVisible(99, 100));
  EXPECT_TRUE(player.ControlBarVisible(100, 100));
  EXPECT_TRUE(player.ControlBarVisible(130, 100));
  player.SetPinned(true);
  EXPECT_TRUE(player.ControlBarVisible(0, 100));
}

TEST(PreviewGeometry, PlacementCentresAndMaximisesWhenTheFrameDoesNotFit) {
  struct Case {
    const char* name;
    int32_t screenW, screenH, frameW, frameH;
    PreviewRect window;
    bool maximized;
  };
  // Borders 16 x 39, bar 60, at least 480 wide.
  const Case cases[] = {
      {"fits", 1280, 1024, 500, 500, {382, 212, 516, 599}, false},
      {"narrow frame gets the bar's width", 1280, 1024, 100, 80, {392, 422, 496, 179}, false},
      {"wider than the screen", 1280, 1024, 1300, 200, {0, 362, 1316, 299}, true},
      {"just too tall", 1280, 1024, 500, 904, {382, 10, 516, 1003}, true},
      {"screen size", 1280, 1024, 1280, 1024, {0, 0, 1296, 1123}, true},
  };
  for (const Case& c : cases) {
    PreviewPlacement p = PlacePreviewWindow({0, 0, c.screenW, c.screenH}, c.frameW, c.frameH, 16, 39, 60, 480);
    EXPECT_EQ(p.window, c.window) << c.name << ": " << p.window.left << "," << p.window.top << " "
                                  << p.window.width << "x" << p.window.height;
    EXPECT_EQ(p.maximized, c.maximized) << c.name;
  }
  // On a monitor left of the primary the window opens there.
  const PreviewPlacement left = PlacePreviewWindow({-1280, -100, 0, 924}, 500, 500, 16, 39, 60, 480);
  EXPECT_EQ(left.window, (PreviewRect{-898, 112, 516, 599}));
  EXPECT_FALSE(left.maximized);
}

TEST(PreviewGeometry, BarAlongTheBottomAndSliderUpToTheEditButtons) {
  PreviewLayout layout = LayOutPreview(640, 480, 60, {8, 4, 10, 24}, 120);
  EXPECT_EQ(layout.bar, (PreviewRect{0, 420, 640, 60}));
  EXPECT_EQ(layout.slider, (PreviewRect{8, 4, 512, 24}));
  EXPECT_EQ(layout.edit, (PreviewRect{520, 4, 120, 24}));
  PreviewLayout narrow = LayOutPreview(100, 30, 60, {8, 4, 10, 24}, 120);
  EXPECT_EQ(narrow.slider.width, 0);
  EXPECT_EQ(narrow.edit, (PreviewRect{8, 4, 92, 24}));
}

}  // namespace
}  // namespace movrel
