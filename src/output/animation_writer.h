// Writes a stopped recording as one GIF, frame group by frame group, into a
// byte sink. The store holds the first kept frame whole and every later one
// as the rectangle that changed, so each frame is put back together on a
// canvas of the logical screen before it is encoded; only that canvas and
// one stored frame are held at a time, whatever the recording's length.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "gif/byte_sink.h"
#include "gif/gif_records.h"
#include "output/frame_source.h"

namespace movrel {

// One frame of the GIF: it shows the store's frames up to `lastFrame`
// (numbers from 1; the frames after the previous GIF frame's lastFrame are
// drawn in order, so a frame merged away still leaves its change), for
// `delayCs`.
struct AnimationFrame {
  int lastFrame = 0;
  uint16_t delayCs = 0;
};

enum class GifLayout {
  // Every frame with its own 256-colour popularity table, cropped to the
  // rectangle that changed, codes from 9 bits.
  kClassic,
  // True colours, only changed pixels stored, the smallest tables (see
  // gif/compact_writer.h).
  kCompact,
};

// Called after each step with the steps done and the steps in all.
using AnimationProgress = std::function<void(int done, int total)>;

enum class AnimationOutcome {
  kWritten,
  kWriteFailed,    // the sink refused a write
  kNotComposable,  // a stored picture cannot be read, memory ran out, or
                   // the recording holds no picture at all
};

// Writes the whole file. `info` gives the logical screen (0 takes the first
// picture's size), the looping block, the comment and interlacing. On a
// failure `error` says what happened, and the sink holds a partial file
// that the caller must discard.
AnimationOutcome WriteAnimation(const FrameSource& source, const std::vector<AnimationFrame>& frames, const AnimationInfo& info,
                    GifLayout layout, ByteSink& sink, const AnimationProgress& progress, std::string* error);

}  // namespace movrel
