// The compact layout: a GIF89a file that keeps the frames' true colours and
// stores only what changes. It is written frame by frame from whole
// pictures of the logical screen, so nothing but three screen-sized
// pictures is held however long the animation is.
//
// - A frame of at most 255 colours keeps exactly those colours (256 when no
//   pixel of it may stay as shown); one with more gets a median-cut table of
//   its own colours, ordered-dithered if asked.
// - Only the rectangle in which the picture changed is stored. Inside it a
//   pixel the viewer already shows in the right colour may be written as the
//   transparent index (index 0; frames are left in place for the next one)
//   or as its colour: the LZW coder takes whichever makes the longer string.
// - Tables are ordered by use and cut after the last index used, and each
//   frame's LZW code size follows the largest index it uses; when the whole
//   animation's colours fit in one table, every frame uses the global table.
// - At a lossy level the coder may also write, for a pixel that changed, any
//   table colour within an error that grows with the level.
// - A frame in which nothing changed lengthens the frame before it; a delay
//   beyond one frame's 655.35 s goes on in frames of one unchanged pixel.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gif/byte_sink.h"
#include "gif/gif_writer.h"
#include "gif/rgb_canvas.h"
#include "gif/true_palette.h"

namespace movrel {

// Colours up to which an animation can share one table: one index stays free
// for transparency.
constexpr size_t kMaxSharedColors = 255;

// What the compact layout may give up for a smaller file.
struct CompactOptions {
  // 0 exact; 1..100 the LZW coder may write, for a pixel that changed, any
  // table colour within an error that grows with the level, when that makes
  // a longer match.
  int lossyLevel = 0;
  // Ordered dithering where a frame's colours must be quantised.
  bool dither = false;
  // Entries one table may hold (2..256), the transparent one included.
  int maxColors = 256;
};

class CompactGifWriter {
 public:
  // `animation` gives the logical screen (both sides set), looping, comment
  // and interlacing. `sharedColors` are every colour the animation's
  // pictures show when they are at most kMaxSharedColors, the most used
  // first, to be the global table; empty when the frames carry tables of
  // their own. A frame showing a colour the shared table lacks gets a table
  // of its own.
  void Begin(const AnimationSettings& animation, const std::vector<uint32_t>& sharedColors,
             const CompactOptions& options, ByteSink& sink);

  // The whole logical screen as it is to be seen next, for `delayCs`; only
  // `area` can differ from the picture given before. Raises the sink's write
  // failure and kNoMemoryForBitmap.
  void AddFrame(const RgbCanvas& picture, uint32_t delayCs, const PixelRect& area);

  // Writes the last frame, the comment and the trailer. Without any frame
  // added nothing is written and the answer is false.
  bool Finish();

  // Frames in the file so far (a frame without change adds none).
  int FrameCount() const { return frames_ + (pending_.valid ? 1 : 0); }

 private:
  struct Pending {
    bool valid = false;
    uint32_t delayCs = 0;
    int transparentIndex = -1;
    std::string image;  // descriptor, local table and image data
    uint32_t cornerColor = 0;  // the top-left pixel as shown after it
  };
  struct Table;

  void WriteHead(bool animated);
  void Flush();
  void WriteControl(uint16_t delayCs, int transparentIndex);
  void Lengthen(uint32_t delayCs);
  // Chooses the frame's table and what each pixel of `rect` may be written
  // as, compresses it and keeps what the viewer then shows.
  std::string EncodeRect(const RgbCanvas& picture, const PixelRect& rect, const std::vector<uint8_t>& draw,
                         const PixelRect& changed, bool first, int* transparentIndex);
  std::string ImageBlock(const PixelRect& rect, const Table& table, int minCodeSize, const std::string& data);

  AnimationSettings animation_;
  CompactOptions options_;
  uint32_t lossBound_ = 0;  // squared distance a lossy pixel may be off
  ByteSink* sink_ = nullptr;
  std::vector<uint32_t> shared_;  // the global table, index 0 left transparent
  ColorSet sharedSet_{kMaxSharedColors};
  bool headWritten_ = false;
  bool seenFrame_ = false;
  int frames_ = 0;  // frames already in the sink
  Pending pending_;
  struct Work {
    std::vector<uint8_t> draw, primary, flags, second, written;
    std::vector<uint32_t> wanted, tolerance;
  };
  Work work_;
  RgbCanvas shown_;     // what a viewer shows after the frames so far
  RgbCanvas previous_;  // the last picture given
  MedianCutPalette cut_;
};

}  // namespace movrel
