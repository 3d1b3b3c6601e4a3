#include "output/frame_seek.h"

#include <algorithm>

namespace movrel {

FrameSeeker::FrameSeeker(const FrameSource& source, FrameCanvas& canvas, size_t budgetBytes)
    : source_(source), canvas_(canvas), budgetBytes_(budgetBytes) {}

void FrameSeeker::Reset() {
  kept_.clear();
  keptBytes_ = 0;
  interval_ = kFirstInterval;
  canvas_.ClearCanvas();
  canvasFrame_ = 0;
}

void FrameSeeker::SeekTo(int frame, const std::string* picture) {
  frame = std::clamp(frame, 0, std::max(0, source_.FrameCount()));
  if (frame == canvasFrame_) return;
  // The nearest kept picture at or before the frame; when the canvas is
  // already between it and the frame, drawing on from the canvas is
  // shorter.
  auto kept = kept_.upper_bound(frame);
  const bool haveKept = kept != kept_.begin();
  if (haveKept) --kept;
  const int keptFrame = haveKept ? kept->first : 0;
  if (frame < canvasFrame_ || keptFrame > canvasFrame_) {
    if (haveKept) {
      canvas_.RestoreCanvas(kept->second);
    } else {
      canvas_.ClearCanvas();
    }
    canvasFrame_ = keptFrame;
  }
  for (int n = canvasFrame_ + 1; n <= frame; ++n) {
    std::string bytes = (n == frame && picture) ? *picture : source_.ReadFrame(n);
    if (!bytes.empty()) canvas_.DrawPicture(bytes, source_.Position(n));
    canvasFrame_ = n;
    if (n % interval_ == 0 && kept_.find(n) == kept_.end()) Keep(n);
  }
}

void FrameSeeker::Keep(int frame) {
  std::string pixels = canvas_.SaveCanvas();
  if (pixels.empty()) return;
  // Over the budget: half the copies go and the distance doubles, so the
  // kept pictures stay evenly spread over what has been reached.
  while (keptBytes_ + pixels.size() > budgetBytes_ && !kept_.empty() && interval_ <= (1 << 29)) {
    interval_ *= 2;
    for (auto it = kept_.begin(); it != kept_.end();) {
      if (it->first % interval_ != 0) {
        keptBytes_ -= it->second.size();
        it = kept_.erase(it);
      } else {
        ++it;
      }
    }
  }
  if (frame % interval_ != 0 || keptBytes_ + pixels.size() > budgetBytes_) return;
  keptBytes_ += pixels.size();
  kept_.emplace(frame, std::move(pixels));
}

}  // namespace movrel
