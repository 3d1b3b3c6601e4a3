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

// What a file says of its animation: the settings it was written with (the
// logical screen, the looping block, the comment; `interlace` is not
// filled) and what only a file shows.
struct GifFileInfo : AnimationSettings {
  uint8_t backgroundIndex = 0;
  int32_t frameCount = 0;
  // Entries of the global colour table, 0 = none.
  uint16_t colourCount = 0;
};

// What a file says of one frame: its record and what the image block shows.
struct GifFrameInfo : FrameRecord {
  uint8_t transparentIndex = 0;
  uint16_t widthPx = 0;
  uint16_t heightPx = 0;
  // Entries of the local colour table, 0 = none.
  uint16_t colourCount = 0;
};

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
  GifFileInfo GetGifInfo();
  // Writes the logical screen and the background index, and the loop count
  // when the file has a looping block and `info.loop` is true. A looping
  // block is never added.
  bool SetGifInfo(const GifFileInfo& info);

  // Frame `frame` (1..FrameCount); zeroed on failure.
  GifFrameInfo GetFrameInfo(int frame);
  // Writes the delay, the disposal and transparency bits (when the frame has
  // a graphic control block) and the place.
  bool SetFrameInfo(const FrameRecord& info, int frame);

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
