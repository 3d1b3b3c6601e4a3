// GifReader (解析动画): loads an existing GIF file into memory, indexes its
// frames, reports the animation's and each frame's information, reads and
// changes colour-table entries, hands out a frame as a palette BMP and saves
// the edited file again. Edits are made in place in the loaded bytes; image
// data is never re-encoded, so only fixed-size fields can change.
//
// A GifReader variable is empty until Create and emptied again by Clear; every
// operation on an empty variable does nothing and fails without an error text
// (GetPalette returns -1, GetError "对象还未创建"). Frames are numbered from 1;
// frame 0 means the whole animation (the global colour table, the whole file).
// A colour is red in the lowest byte, green in the second, blue in the third.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gif/gif_records.h"

namespace movrel {

class GifReader {
 public:
  GifReader();
  ~GifReader();
  GifReader(GifReader&&) noexcept;
  GifReader& operator=(GifReader&&) noexcept;
  GifReader(const GifReader&) = delete;
  GifReader& operator=(const GifReader&) = delete;

  // Destroys any existing object and makes a new one without a file.
  bool Create();
  // Destroys the object and empties the variable.
  void Clear();
  bool IsCreated() const { return state_ != nullptr; }

  // Loads from the file at `path` when it is not empty, else from `bytes`.
  // False with the reason in GetError; a file whose blocks break is kept
  // loaded without frames ("GIF图片文件已经损坏").
  bool LoadGif(const std::string& path = std::string(), const std::string& bytes = std::string());

  std::string GetError() const;

  // The logical screen, looping block, background index, animation comment,
  // frame count and global table size; all zero or empty on failure.
  AnimationInfo GetGifInfo();
  // Writes Width, Depth and BgColorIndex, and LoopCount when the file has a
  // looping block and `info.LOOP` is true. A looping block is never added.
  bool SetGifInfo(const AnimationInfo& info);

  // Frame `frame` (1..FrameCount); zeroed on failure.
  FrameInfo GetFrameInfo(int frame);
  // Writes DelayTime, the disposal and transparency bits (when the frame has a
  // graphic control block), Left and Top.
  bool SetFrameInfo(const FrameInfo& info, int frame);

  // Entry `index` of the global table (frame 0) or of the frame's local
  // table; -1 on failure.
  int32_t GetPalette(int frame, int index);
  bool SetPalette(int frame, int index, int32_t colour);

  // Frame 0: the whole loaded file with every edit. Frame k: frame k decoded
  // to a BMP file of 1, 4 or 8 bits per pixel. Empty on failure.
  std::string GetGifData(int frame);

  // Creates or replaces the file at `path` with the loaded bytes.
  bool SaveGif(const std::string& path);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace movrel
