#include "output/delay_plan.h"

#include <algorithm>
#include <limits>

namespace movrel {
namespace {

// No frame counts longer than this (about 24 days, far beyond the longest
// delay), so that sums over any number of frames cannot overflow whatever
// the capture times say.
constexpr int64_t kLongestFrameMs = int64_t{1} << 31;

// The time from `fromMs` to `toMs`: 0 when the clock went backwards.
int64_t Elapsed(int64_t fromMs, int64_t toMs) {
  if (toMs <= fromMs) return 0;
  uint64_t ms = static_cast<uint64_t>(toMs) - static_cast<uint64_t>(fromMs);
  return static_cast<int64_t>(std::min<uint64_t>(ms, kLongestFrameMs));
}

}  // namespace

const std::vector<const char*>& StillFramesItems() {
  static const std::vector<const char*> items = {"时间等待", "直接跳过"};
  return items;
}

StillFrames StillFramesFromIndex(int index) { return index == 1 ? StillFrames::kSkip : StillFrames::kWait; }

void DelayPlanner::Add(const FrameTiming& frame) {
  const int n = ++count_;
  if (n > 1) AddTime(n - 1, Elapsed(lastCaptureMs_, frame.captureMs));
  lastCaptureMs_ = frame.captureMs;
  if (n > 1 && frame.still) {
    current_.lastFrame = n;
    if (settings_.stillFrames == StillFrames::kWait) ++current_.speedFrames;
    return;
  }
  if (n > 1) Close(false);
  current_ = Group{n, n, n, 0, 1};
  if (carried_) {
    current_.firstFrame = carried_->firstFrame;
    current_.timeMs += carried_->timeMs;
    current_.speedFrames += carried_->speedFrames;
    carried_.reset();
  }
}

void DelayPlanner::Finish() {
  if (count_ == 0) return;
  AddTime(count_, std::clamp<int64_t>(settings_.intervalMs, 0, kLongestFrameMs));
  Close(true);
  count_ = 0;  // a second Finish adds nothing
}

std::vector<PlannedGroup> DelayPlanner::TakeFinal() {
  std::vector<PlannedGroup> groups;
  groups.swap(final_);
  return groups;
}

void DelayPlanner::AddTime(int frame, int64_t ms) {
  // Skipped still frames take their time with them.
  if (settings_.stillFrames == StillFrames::kWait || frame == current_.pictureFrame) current_.timeMs += ms;
}

void DelayPlanner::Close(bool last) {
  const bool shortGroup = current_.timeMs < kShortestGroupMs;
  if (shortGroup && !last) {
    carried_ = current_;
    return;
  }
  if (shortGroup && held_) {
    held_->lastFrame = current_.lastFrame;
    held_->pictureFrame = current_.pictureFrame;
    held_->timeMs += current_.timeMs;
    held_->speedFrames += current_.speedFrames;
    Emit(*held_);
    held_.reset();
    return;
  }
  // The held group is final now: only a short last group would change it.
  if (held_) Emit(*held_);
  held_.reset();
  if (last) {
    Emit(current_);
  } else {
    held_ = current_;
  }
}

void DelayPlanner::Emit(const Group& group) {
  const int64_t speedMs = static_cast<int64_t>(settings_.speedChangeMs) * group.speedFrames;
  totalMs_ += std::max(kShortestGroupMs, group.timeMs - speedMs);
  // Rounded on the running total, so each group's remainder moves on to the
  // next instead of being lost (55 ms frames would otherwise play as 50).
  const int64_t delayCs = (totalMs_ + 5) / 10 - writtenCs_;
  writtenCs_ += delayCs;
  PlannedGroup planned;
  planned.firstFrame = group.firstFrame;
  planned.lastFrame = group.lastFrame;
  planned.pictureFrame = group.pictureFrame;
  planned.delayCs = static_cast<uint32_t>(std::clamp<int64_t>(delayCs, 0, std::numeric_limits<uint32_t>::max()));
  final_.push_back(planned);
}

std::vector<PlannedGroup> PlanDelays(const std::vector<FrameTiming>& frames, const DelaySettings& settings) {
  DelayPlanner planner(settings);
  for (const FrameTiming& frame : frames) planner.Add(frame);
  planner.Finish();
  return planner.TakeFinal();
}

}  // namespace movrel
