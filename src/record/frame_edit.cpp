#include "record/frame_edit.h"

#include <algorithm>

namespace movrel {

void FrameEdit::Reset(int frameCount) {
  count_ = std::max(frameCount, 0);
  start_ = 1;
  end_ = count_;
  dropped_.assign(static_cast<size_t>(count_), false);
  steps_.clear();
  keptCount_ = count_;
}

void FrameEdit::Follow(uint32_t recording, int frameCount) {
  if (recording == recording_ && frameCount == count_) return;
  recording_ = recording;
  Reset(frameCount);
}

bool FrameEdit::IsKept(int number) const {
  return number >= start_ && number <= end_ && !dropped_[static_cast<size_t>(number - 1)];
}

int FrameEdit::NextKept(int number) const {
  for (int n = std::max(number, start_); n <= end_; ++n) {
    if (!dropped_[static_cast<size_t>(n - 1)]) return n;
  }
  return 0;
}

int FrameEdit::PreviousKept(int number) const {
  for (int n = std::min(number, end_); n >= start_; --n) {
    if (!dropped_[static_cast<size_t>(n - 1)]) return n;
  }
  return 0;
}

int FrameEdit::KeptIndex(int number) const {
  if (!IsKept(number)) return 0;
  int index = 0;
  for (int n = start_; n <= number; ++n) index += dropped_[static_cast<size_t>(n - 1)] ? 0 : 1;
  return index;
}

std::vector<int> FrameEdit::KeptFrames() const {
  std::vector<int> kept;
  kept.reserve(static_cast<size_t>(keptCount_));
  for (int n = start_; n <= end_; ++n) {
    if (!dropped_[static_cast<size_t>(n - 1)]) kept.push_back(n);
  }
  return kept;
}

bool FrameEdit::SetStart(int number) {
  if (!IsKept(number) || number == FirstKept()) return false;
  steps_.push_back({StepKind::kStart, start_});
  start_ = number;
  Recount();
  return true;
}

bool FrameEdit::SetEnd(int number) {
  if (!IsKept(number) || number == LastKept()) return false;
  steps_.push_back({StepKind::kEnd, end_});
  end_ = number;
  Recount();
  return true;
}

bool FrameEdit::Drop(int number) {
  if (!IsKept(number) || keptCount_ <= 1) return false;
  steps_.push_back({StepKind::kDrop, number});
  dropped_[static_cast<size_t>(number - 1)] = true;
  --keptCount_;
  return true;
}

bool FrameEdit::StillEndsTrim(const std::vector<bool>& sceneChanged, int* start, int* end) const {
  const int known = std::min(count_, static_cast<int>(sceneChanged.size()));
  int firstChange = 0, lastChange = 0;
  for (int n = 2; n <= known; ++n) {
    if (!sceneChanged[static_cast<size_t>(n - 1)]) continue;
    if (firstChange == 0) firstChange = n;
    lastChange = n;
  }
  if (firstChange == 0) return false;
  // The frame before the first change is the picture the change starts from.
  *start = NextKept(std::max(start_, firstChange - 1));
  *end = PreviousKept(std::min(end_, lastChange));
  if (*start == 0 || *end == 0 || *start > *end) return false;
  return *start != FirstKept() || *end != LastKept();
}

bool FrameEdit::CanTrimStillEnds(const std::vector<bool>& sceneChanged) const {
  int start = 0, end = 0;
  return StillEndsTrim(sceneChanged, &start, &end);
}

bool FrameEdit::TrimStillEnds(const std::vector<bool>& sceneChanged) {
  int start = 0, end = 0;
  if (!StillEndsTrim(sceneChanged, &start, &end)) return false;
  steps_.push_back({StepKind::kStartAndEnd, start_, end_});
  start_ = start;
  end_ = end;
  Recount();
  return true;
}

bool FrameEdit::Undo() {
  if (steps_.empty()) return false;
  const Step step = steps_.back();
  steps_.pop_back();
  switch (step.kind) {
    case StepKind::kStart: start_ = step.number; break;
    case StepKind::kEnd: end_ = step.number; break;
    case StepKind::kDrop: dropped_[static_cast<size_t>(step.number - 1)] = false; break;
    case StepKind::kStartAndEnd:
      start_ = step.number;
      end_ = step.end;
      break;
  }
  Recount();
  return true;
}

void FrameEdit::Recount() {
  keptCount_ = 0;
  for (int n = start_; n <= end_; ++n) keptCount_ += dropped_[static_cast<size_t>(n - 1)] ? 0 : 1;
}

}  // namespace movrel
