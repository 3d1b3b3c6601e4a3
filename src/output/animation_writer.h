// Writes a stopped recording as one GIF, frame group by frame group, into a
// byte sink. The store holds the first kept frame whole and every later one
// as the rectangle that changed, so each frame is put back together on a
// canvas of the logical screen before it is encoded; only that canvas and
// one stored frame are held at a time, whatever the recording's length.
#pragma once

#include <atomic>
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
  // Longer than a GIF frame's 655.35 s, the frame is written as several.
  uint32_t delayCs = 0;
};

enum class GifLayout {
  // Every frame with its own 256-colour popularity table, cropped to the
  // rectangle that changed, codes from 9 bits.
  kClassic,
  // True colours, only changed pixels stored, the smallest tables (see
  // gif/compact_writer.h).
  kCompact,
};

// How the file is made. The lossy level, dithering, the colour limit and
// the scale are the compact layout's; a classic file ignores them.
struct GifOptions {
  GifOptions(GifLayout fileLayout = GifLayout::kCompact) : layout(fileLayout) {}  // NOLINT: a layout alone is options
  GifLayout layout;
  // 0 stores every pixel exactly as the compact layout does; 1..100 let the
  // LZW coder take a longer match whose pixels are within an error that
  // grows with the level. The same frames and level give the same bytes.
  int lossyLevel = 0;
  // Ordered dithering of the frames that must be quantised (more colours
  // than their table holds). A fixed pattern keeps an unchanged pixel
  // unchanged from frame to frame, so transparency still works.
  bool dither = false;
  // Colours one table may hold, 2..256: fewer makes smaller files.
  int maxColors = 256;
  // The frames scaled to this percentage of the logical screen (1..100).
  int scalePercent = 100;
  // Set from another thread to stop the write (kCancelled).
  const std::atomic<bool>* cancel = nullptr;
};

constexpr int kMaxLossyLevel = 100;

// Called after each step with the steps done and the steps in all.
using AnimationProgress = std::function<void(int done, int total)>;

enum class AnimationOutcome {
  kWritten,
  kWriteFailed,    // the sink refused a write
  kNotComposable,  // a stored picture cannot be read, memory ran out, or
                   // the recording holds no picture at all
  kCancelled,      // the options' cancel flag was set
};

// Writes the whole file. `animation` gives the logical screen (0 takes the
// first picture's size), the looping block, the comment and interlacing. On a
// failure `error` says what happened, and the sink holds a partial file
// that the caller must discard.
AnimationOutcome WriteAnimation(const FrameSource& source, const std::vector<AnimationFrame>& frames,
                                const AnimationSettings& animation, const GifOptions& options, ByteSink& sink,
                                const AnimationProgress& progress, std::string* error);

}  // namespace movrel
