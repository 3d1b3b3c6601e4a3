// The cut of a recording: which frames stay, what each step refuses, and
// undo back through every step.
#include "record/frame_edit.h"

#include <gtest/gtest.h>

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
