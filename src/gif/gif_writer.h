// The GIF89a writer: one pass, block by block, into a byte sink. With one
// frame the file is a still picture on the global colour table; with more,
// every frame has its graphic control block and its own colour table, and a
// looping block may follow the global table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gif/byte_sink.h"
#include "gif/gif_records.h"
#include "gif/picture.h"

namespace movrel {

// A comment as the file holds it: the text up to its first zero byte, cut to
// 255 bytes without splitting a double-byte character.
std::string CommentBytes(const std::string& text);

// Writes the classic layout frame by frame, so a long animation never has
// to be held: the first frame waits until the second shows whether the file
// is a still picture or an animation, every later frame goes to the sink at
// once. The bytes are exactly those WriteGif writes for the same frames.
// Raises the sink's write failure.
class ClassicGifStream {
 public:
  // A screen side of 0 takes the first frame's.
  void Begin(const AnimationSettings& animation, ByteSink& sink);
  void AddFrame(const FrameRecord& record, const FrameImage& image);
  // Writes what is left and the trailer; at least one frame must be added.
  void Finish();
  int FrameCount() const { return frames_; }

 private:
  void WriteHead(const FrameImage& first);
  void WriteAnimated(const FrameRecord& record, const FrameImage& image);

  AnimationSettings animation_;
  ByteSink* sink_ = nullptr;
  FrameRecord firstRecord_;
  FrameImage first_;
  int frames_ = 0;
};

// Writes the whole file. `records` and `images` are parallel and not empty.
// Raises the sink's write failure.
void WriteGif(const AnimationSettings& animation, const std::vector<FrameRecord>& records,
              const std::vector<FrameImage>& images, ByteSink& sink);

}  // namespace movrel
