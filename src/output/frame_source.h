// The recording as the output side sees it: a numbered run of frames, each
// either an encoded picture (BMP file bytes) or a still frame with no
// picture, with one offset per frame in the animation's logical screen and
// one capture time per frame on the recording clock.
// Composition and the preview read frames through this interface only, so
// both run natively over a store held in memory.
#pragma once

#include <cstdint>
#include <string>

namespace movrel {

struct FramePosition {
  int32_t left = 0;
  int32_t top = 0;
};

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  virtual int FrameCount() const = 0;
  // Frame `number` (1..FrameCount) as BMP file bytes; empty for a still
  // frame and for a frame that cannot be read.
  virtual std::string ReadFrame(int number) const = 0;
  virtual FramePosition Position(int number) const = 0;
  // Whether frame `number` holds a picture (it is no still frame), without
  // reading it where the source can tell. A frame that has a picture but
  // reads empty could not be read: saving it as a still frame would freeze
  // the animation there.
  virtual bool HasPicture(int number) const { return !ReadFrame(number).empty(); }
  // Whether frame `number`'s screen changed since the frame before beyond
  // the pointer moving. A source that was not told takes every picture for
  // a change.
  virtual bool SceneChanged(int number) const { return HasPicture(number); }
  // Milliseconds on the recording clock (pauses left out) when frame
  // `number` was captured; the first frame of a recording is at 0.
  virtual int64_t CaptureMs(int number) const = 0;
};

}  // namespace movrel
