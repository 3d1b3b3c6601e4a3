// Showing any frame of a recording quickly. Frame k's picture is frames
// 1..k drawn in order, each over what the ones before left (as the GIF shows
// it), so going back means starting again from an earlier picture. The
// seeker keeps a copy of the canvas every Interval() frames within a memory
// budget; a frame already reached is shown again after reading at most
// Interval() frames, and going forward draws only the frames in between.
// Portable: frames come from a FrameSource and go to a FrameCanvas, so an
// edited recording (a list of kept frames) is just another FrameSource.
#pragma once

#include <cstddef>
#include <map>
#include <string>

#include "output/frame_source.h"

namespace movrel {

// The picture the frames are composed on.
class FrameCanvas {
 public:
  virtual ~FrameCanvas() = default;
  // Blanks the canvas (black).
  virtual void ClearCanvas() = 0;
  // Copies a picture (BMP file bytes) onto the canvas at `at`, over what is
  // there; bytes that are no picture draw nothing.
  virtual void DrawPicture(const std::string& bmpBytes, FramePosition at) = 0;
  // A copy of the canvas's pixels for RestoreCanvas; empty when the canvas
  // keeps none (then going back always starts from a blank canvas).
  virtual std::string SaveCanvas() const { return std::string(); }
  // Puts back pixels that SaveCanvas gave.
  virtual void RestoreCanvas(const std::string& pixels) { (void)pixels; }
};

class FrameSeeker {
 public:
  static constexpr size_t kDefaultBudgetBytes = size_t{128} << 20;
  static constexpr int kFirstInterval = 8;

  FrameSeeker(const FrameSource& source, FrameCanvas& canvas, size_t budgetBytes = kDefaultBudgetBytes);

  // A blank canvas before frame 1; the kept copies are dropped.
  void Reset();
  // Brings the canvas to the picture of frames 1..frame (clamped to
  // 0..FrameCount). `picture`, when given, is frame `frame`'s bytes,
  // already read.
  void SeekTo(int frame, const std::string* picture = nullptr);

  int CanvasFrame() const { return canvasFrame_; }
  // The distance between kept copies: it starts at kFirstInterval and
  // doubles (dropping every other copy) whenever the budget would be
  // exceeded.
  int Interval() const { return interval_; }
  size_t KeptBytes() const { return keptBytes_; }
  int KeptCount() const { return static_cast<int>(kept_.size()); }

 private:
  // Keeps a copy of the canvas, now showing frame `frame`.
  void Keep(int frame);

  const FrameSource& source_;
  FrameCanvas& canvas_;
  size_t budgetBytes_;
  int interval_ = kFirstInterval;
  int canvasFrame_ = 0;
  std::map<int, std::string> kept_;  // frame -> the canvas after drawing it
  size_t keptBytes_ = 0;
};

}  // namespace movrel
