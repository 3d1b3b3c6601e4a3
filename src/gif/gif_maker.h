// GifMaker (合成动画): the command-line tools' way into the classic writer.
// It loads each picture from a file or from bytes, converts it to a
// 256-colour frame and hands the writer's own records (gif/gif_records.h)
// with the frames to WriteGif, as the program's save path does.
//
// The variable is empty until Create makes the object and Clear empties it
// again. On an empty variable AddFrame and SaveGif fail without a text, Reset
// and Clear do nothing and GetError answers "对象还未创建". Every failure of an
// operation leaves its text for GetError; nothing is thrown out of here.
#pragma once

#include <memory>
#include <string>

#include "gif/byte_sink.h"
#include "gif/gif_records.h"

namespace movrel {

// How a picture becomes a 256-colour frame (gif/palette.h).
enum class FramePalette {
  kPopularity,    // the picture's most frequent colours
  kDitheredCube,  // the fixed colour cube, ordered-dithered
};

struct GifMakerState;
class FrameImage;

class GifMaker {
 public:
  GifMaker();
  ~GifMaker();
  GifMaker(GifMaker&&) noexcept;
  GifMaker& operator=(GifMaker&&) noexcept;
  GifMaker(const GifMaker&) = delete;
  GifMaker& operator=(const GifMaker&) = delete;

  // Makes the object, or resets the existing one, and keeps `animation` for
  // the file.
  bool Create(const AnimationSettings& animation);

  // Converts one picture into a 256-colour frame and appends it with
  // `frame`. The picture comes from the file at `path` when one is given (the
  // file wins over the bytes), otherwise from `pictureBytes`, a whole
  // picture file in memory.
  bool AddFrame(const FrameRecord& frame, const std::string& path = std::string(),
                const std::string& pictureBytes = std::string(), FramePalette palette = FramePalette::kPopularity);

  // 保存GIF图片: writes the GIF89a file at `path`. The frames stay, so it may
  // be called again.
  bool SaveGif(const std::string& path);

  // Writes the same bytes SaveGif writes into any sink.
  bool WriteGif(ByteSink& sink);

  // 重置: drops every frame and returns the animation settings to their fresh
  // values; the last error text and the interlace choice stay.
  void Reset();

  // 清空: destroys the object and empties the variable.
  void Clear();

  // 取最后错误: the last failure's text.
  std::string GetError() const;

  bool IsCreated() const { return state_ != nullptr; }
  int FrameCount() const;
  // Frame `index` (from 0) as converted, or null.
  const FrameImage* Frame(int index) const;

 private:
  std::unique_ptr<GifMakerState> state_;
};

}  // namespace movrel
