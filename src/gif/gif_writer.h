// The GIF89a writer: one pass, block by block, into a byte sink. With one
// frame the file is a still picture on the global colour table; with more,
// every frame has its graphic control block and its own colour table, and a
// looping block may follow the global table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gif/byte_sink.h"
#include "gif/picture.h"

namespace movrel {

// What the maker keeps of one added frame.
struct FrameRecord {
  uint16_t delayCs = 0;
  uint16_t left = 0;
  uint16_t top = 0;
  uint8_t disposalMethod = 0;
  bool transparent = false;
  std::string comment;  // at most 255 bytes
};

// The animation as a whole.
struct AnimationSettings {
  uint16_t width = 0;
  uint16_t depth = 0;
  bool loop = true;
  uint16_t loopCount = 0;
  std::string comment;
  bool interlace = false;
};

// A comment as the file holds it: the text up to its first zero byte, cut to
// 255 bytes without splitting a double-byte character.
std::string CommentBytes(const std::string& text);

// Writes the whole file. `records` and `images` are parallel and not empty.
// Raises the sink's write failure.
void WriteGif(const AnimationSettings& animation, const std::vector<FrameRecord>& records,
              const std::vector<FrameImage>& images, ByteSink& sink);

}  // namespace movrel
