// The user's cut of a stopped recording before it is saved: the first and
// the last frame kept, and single frames dropped between them. Every step
// can be undone, back to the whole recording. Frames are numbered as the
// store numbers them (1..count); the store itself is never changed, so a
// dropped frame is only hidden, and composition still draws its change
// under the frames after it.
#pragma once

#include <cstdint>
#include <vector>

namespace movrel {

class FrameEdit {
 public:
  // A recording of `frameCount` frames, all kept, nothing to undo.
  void Reset(int frameCount);
  // Resets when `recording` (any number that changes with each fresh
  // recording) or the frame count is not the one followed so far; keeps the
  // cut otherwise.
  void Follow(uint32_t recording, int frameCount);

  int FrameCount() const { return count_; }
  bool IsKept(int number) const;
  int KeptCount() const { return keptCount_; }
  // The first kept frame at or after `number`, or at or before it; 0 when
  // there is none.
  int NextKept(int number) const;
  int PreviousKept(int number) const;
  int FirstKept() const { return NextKept(1); }
  int LastKept() const { return PreviousKept(count_); }
  // Where kept frame `number` stands among the kept frames (1-based), 0
  // when it is not kept.
  int KeptIndex(int number) const;
  std::vector<int> KeptFrames() const;

  // Each step takes a kept frame and is refused (false, nothing changes)
  // for any other number or when it would change nothing. Setting the start
  // drops every frame before `number`, setting the end every frame after
  // it. The last kept frame cannot be dropped.
  bool SetStart(int number);
  bool SetEnd(int number);
  bool Drop(int number);
  // Leaves out the still ends in one step: keeps from the last frame before
  // the first change up to the first frame after the last change, where
  // `sceneChanged[n - 1]` says whether frame n's screen differs from frame
  // n - 1's (frame 1's flag means nothing; frames past the list changed
  // nothing). Only ever narrows the cut, each end moved inwards onto a kept
  // frame. Refused when nothing changed at all, when the cut would lose
  // every frame, or when the kept frames would stay as they are. One Undo
  // puts back both ends.
  bool TrimStillEnds(const std::vector<bool>& sceneChanged);
  bool CanTrimStillEnds(const std::vector<bool>& sceneChanged) const;
  // Takes back the latest step not yet undone; false when there is none.
  bool Undo();
  bool CanUndo() const { return !steps_.empty(); }

 private:
  enum class StepKind { kStart, kEnd, kDrop, kStartAndEnd };
  struct Step {
    StepKind kind;
    int number;   // the dropped frame, or the start (kStartAndEnd too) or end it replaced
    int end = 0;  // kStartAndEnd: the end it replaced
  };
  // The first and last kept frame a trim of the still ends would leave;
  // false when it is refused.
  bool StillEndsTrim(const std::vector<bool>& sceneChanged, int* start, int* end) const;
  void Recount();

  int count_ = 0;
  int start_ = 1;
  int end_ = 0;
  int keptCount_ = 0;
  std::vector<bool> dropped_;  // by frame number - 1
  std::vector<Step> steps_;
  uint32_t recording_ = 0;
};

}  // namespace movrel
