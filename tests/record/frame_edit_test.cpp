// The cut of a recording: which frames stay, what each step refuses, and
// undo back through every step.
#include "record/frame_edit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace movrel {
namespace {

using Frames = std::vector<int>;

TEST(FrameEdit, StartEndAndDropsKeepTheFramesBetween) {
  FrameEdit edit;
  edit.Reset(8);
  EXPECT_TRUE(edit.SetStart(3));
  EXPECT_TRUE(edit.SetEnd(7));
  EXPECT_TRUE(edit.Drop(5));
  EXPECT_EQ(edit.KeptFrames(), (Frames{3, 4, 6, 7}));
  EXPECT_EQ(edit.KeptCount(), 4);
  EXPECT_EQ(edit.KeptIndex(6), 3);
  EXPECT_EQ(edit.KeptIndex(5), 0);
  EXPECT_EQ(edit.NextKept(5), 6);
  EXPECT_EQ(edit.PreviousKept(5), 4);
  EXPECT_EQ(edit.NextKept(8), 0);
  EXPECT_EQ(edit.PreviousKept(2), 0);
  // Dropping the first kept frame moves the first kept frame on.
  EXPECT_TRUE(edit.Drop(3));
  EXPECT_EQ(edit.FirstKept(), 4);
}

TEST(FrameEdit, StepsThatWouldBreakTheCutAreRefused) {
  FrameEdit edit;
  edit.Reset(5);
  ASSERT_TRUE(edit.SetEnd(3));
  // A start after the end, an end before the start, frames cut away, frames
  // outside the recording, the present start and end again.
  EXPECT_FALSE(edit.SetStart(4));
  EXPECT_TRUE(edit.SetStart(2));
  EXPECT_FALSE(edit.SetEnd(1));
  EXPECT_FALSE(edit.Drop(1));
  EXPECT_FALSE(edit.Drop(0));
  EXPECT_FALSE(edit.Drop(6));
  EXPECT_FALSE(edit.SetStart(2));
  EXPECT_FALSE(edit.SetEnd(3));
  // The last kept frame stays, whichever way it was reached.
  EXPECT_TRUE(edit.Drop(3));
  EXPECT_FALSE(edit.Drop(2));
  EXPECT_FALSE(edit.SetStart(2));
  EXPECT_EQ(edit.KeptFrames(), (Frames{2}));

  FrameEdit empty;
  empty.Reset(0);
  EXPECT_FALSE(empty.Drop(1));
  EXPECT_EQ(empty.FirstKept(), 0);
  EXPECT_TRUE(empty.KeptFrames().empty());
}

TEST(FrameEdit, UndoTakesBackEveryStepInTurnAndNoMore) {
  FrameEdit edit;
  edit.Reset(6);
  EXPECT_FALSE(edit.Undo());
  ASSERT_TRUE(edit.Drop(4));
  ASSERT_TRUE(edit.SetStart(2));
  ASSERT_TRUE(edit.SetStart(3));
  ASSERT_TRUE(edit.SetEnd(5));
  EXPECT_EQ(edit.KeptFrames(), (Frames{3, 5}));
  EXPECT_TRUE(edit.Undo());
  EXPECT_EQ(edit.KeptFrames(), (Frames{3, 5, 6}));
  EXPECT_TRUE(edit.Undo());
  EXPECT_EQ(edit.KeptFrames(), (Frames{2, 3, 5, 6}));
  EXPECT_TRUE(edit.Undo());
  EXPECT_TRUE(edit.Undo());
  EXPECT_EQ(edit.KeptFrames(), (Frames{1, 2, 3, 4, 5, 6}));
  EXPECT_FALSE(edit.CanUndo());
  EXPECT_FALSE(edit.Undo());
  EXPECT_EQ(edit.KeptCount(), 6);
}

// One letter a frame: "x" its screen changed since the frame before, "."
// not (frame 1's letter means nothing).
std::vector<bool> Changes(const std::string& letters) {
  std::vector<bool> changed;
  for (char c : letters) changed.push_back(c == 'x');
  return changed;
}

TEST(FrameEdit, TrimStillEndsKeepsFromBeforeTheFirstChangeToTheLastInOneStep) {
  struct Case {
    const char* name;
    int count;
    const char* changes;
    int start, end;  // the cut before, 0 for none
    Frames drops;
    Frames kept;  // empty: refused
  };
  const Case cases[] = {
      {"changes in the middle", 8, "x..x.x..", 0, 0, {}, {3, 4, 5, 6}},
      {"a change at frame 2", 8, "xx...x..", 0, 0, {}, {1, 2, 3, 4, 5, 6}},
      {"a change at the last frame", 8, "x..x...x", 0, 0, {}, {3, 4, 5, 6, 7, 8}},
      {"no change at all", 8, "x.......", 0, 0, {}, {}},
      {"every frame changed", 4, "xxxx", 0, 0, {}, {}},
      {"a single frame", 1, "x", 0, 0, {}, {}},
      {"flags missing for the later frames", 6, "..x", 0, 0, {}, {2, 3}},
      {"no flags at all", 5, "", 0, 0, {}, {}},
      {"a cut narrower than the trim", 8, "x.x...x.", 4, 5, {}, {}},
      {"a cut narrower at one end", 8, "xx....x.", 3, 0, {}, {3, 4, 5, 6, 7}},
      {"dropped frames at the new ends", 8, "x..x..x.", 0, 0, {3, 7}, {4, 5, 6}},
      {"every frame between dropped", 6, "x...x.", 0, 0, {4, 5}, {}},
  };
  for (const Case& c : cases) {
    FrameEdit edit;
    edit.Reset(c.count);
    if (c.start) {
      ASSERT_TRUE(edit.SetStart(c.start)) << c.name;
    }
    if (c.end) {
      ASSERT_TRUE(edit.SetEnd(c.end)) << c.name;
    }
    for (int n : c.drops) ASSERT_TRUE(edit.Drop(n)) << c.name;
    const Frames before = edit.KeptFrames();
    const bool undoable = edit.CanUndo();
    const std::vector<bool> changed = Changes(c.changes);
    EXPECT_EQ(edit.CanTrimStillEnds(changed), !c.kept.empty()) << c.name;
    EXPECT_EQ(edit.TrimStillEnds(changed), !c.kept.empty()) << c.name;
    if (c.kept.empty()) {
      EXPECT_EQ(edit.KeptFrames(), before) << c.name;
      EXPECT_EQ(edit.CanUndo(), undoable) << c.name;
      continue;
    }
    EXPECT_EQ(edit.KeptFrames(), c.kept) << c.name;
    EXPECT_FALSE(edit.CanTrimStillEnds(changed)) << c.name;  // trimmed once, nothing is left to trim
    // One undo puts back both ends.
    EXPECT_TRUE(edit.Undo()) << c.name;
    EXPECT_EQ(edit.KeptFrames(), before) << c.name;
    EXPECT_EQ(edit.CanUndo(), undoable) << c.name;
  }
}

TEST(FrameEdit, FollowKeepsTheCutOfTheSameRecordingOnly) {
  FrameEdit edit;
  edit.Follow(1, 4);
  ASSERT_TRUE(edit.Drop(2));
  edit.Follow(1, 4);
  EXPECT_EQ(edit.KeptCount(), 3);
  edit.Follow(2, 4);  // a fresh recording of as many frames
  EXPECT_EQ(edit.KeptCount(), 4);
  EXPECT_FALSE(edit.CanUndo());
}

}  // namespace
}  // namespace movrel
