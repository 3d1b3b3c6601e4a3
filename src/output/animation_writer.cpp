#include "output/animation_writer.h"

#include <exception>
#include <new>

#include "gif/bmp_decoder.h"
#include "gif/codec_failure.h"
#include "gif/compact_writer.h"
#include "gif/gif_writer.h"
#include "gif/palette.h"
#include "gif/rgb_canvas.h"

namespace movrel {

namespace {

std::string UnreadableFrame(int number) { return "第 " + std::to_string(number) + " 帧的图片无法读取"; }

// Frame `number`'s stored picture; false for a still frame (no picture).
// Raises the failure to read it when it is there but is no picture.
bool LoadStored(const FrameSource& source, int number, WorkingImage* image) {
  std::string bytes = source.ReadFrame(number);
  if (bytes.empty()) return false;
  if (!DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image)) {
    throw CodecFailure(UnreadableFrame(number));
  }
  return true;
}

// The first picture's size, for a logical screen left at 0.
void TakeScreenSize(const WorkingImage& image, AnimationSettings* animation) {
  if (animation->width == 0) animation->width = static_cast<uint16_t>(image.width());
  if (animation->height == 0) animation->height = static_cast<uint16_t>(image.height());
}

// Tells a refused write from the other failures.
class WatchedSink : public ByteSink {
 public:
  explicit WatchedSink(ByteSink& sink) : sink_(sink) {}
  bool Write(const void* data, size_t size) override {
    if (sink_.Write(data, size)) return true;
    refused_ = true;
    return false;
  }
  std::string TargetName() const override { return sink_.TargetName(); }
  bool refused() const { return refused_; }

 private:
  ByteSink& sink_;
  bool refused_ = false;
};

class Writer {
 public:
  Writer(const FrameSource& source, const std::vector<AnimationFrame>& frames, const AnimationInfo& info,
         GifLayout layout, ByteSink& sink, const AnimationProgress& progress)
      : source_(source), frames_(frames), animation_(AnimationSettingsOf(info)), layout_(layout), sink_(sink),
        progress_(progress) {
    last_ = frames.empty() ? 0 : frames.back().lastFrame;
    if (last_ > source.FrameCount()) last_ = source.FrameCount();
    steps_ = layout == GifLayout::kCompact ? 2 * last_ : last_;
  }

  void Run() {
    std::vector<uint32_t> shared;
    if (layout_ == GifLayout::kCompact) shared = GatherColors();
    int next = 1;  // the next store frame to draw
    bool began = false;
    PixelRect dirty;
    for (const AnimationFrame& frame : frames_) {
      for (; next <= frame.lastFrame && next <= last_; ++next) {
        WorkingImage image;
        if (LoadStored(source_, next, &image)) {
          if (!began) {
            TakeScreenSize(image, &animation_);
            canvas_.Allocate(animation_.width, animation_.height);
            if (layout_ == GifLayout::kCompact) {
              compact_.Begin(animation_, shared, sink_);
            } else {
              classic_.Begin(animation_, sink_);
            }
            began = true;
          }
          FramePosition at = source_.Position(next);
          dirty = UniteRects(dirty, canvas_.Paste(image, at.left, at.top));
        }
        Step();
      }
      // Nothing drawn yet (a recording that starts with still frames) or
      // nothing the picture could show: no frame to write.
      if (!began || (layout_ == GifLayout::kClassic && dirty.Empty())) continue;
      if (layout_ == GifLayout::kCompact) {
        compact_.AddFrame(canvas_, frame.delayCs);
      } else {
        WriteClassic(dirty, frame.delayCs);
        dirty = PixelRect();
      }
    }
    if (!began) throw CodecFailure("录制中没有可以保存的画面");
    if (layout_ == GifLayout::kCompact) {
      compact_.Finish();
    } else {
      classic_.Finish();
    }
  }

 private:
  void Step() {
    ++done_;
    if (progress_) progress_(done_, steps_);
  }

  // The colours of every stored picture, while they fit one table.
  std::vector<uint32_t> GatherColors() {
    ColorSet colors(kMaxSharedColors);
    for (int n = 1; n <= last_; ++n) {
      WorkingImage image;
      if (!colors.Overflowed() && LoadStored(source_, n, &image)) {
        for (int y = 0; y < image.height() && !colors.Overflowed(); ++y) {
          const uint8_t* p = image.StoredRow(y);
          for (int x = 0; x < image.width(); ++x, p += 3) colors.Add(PackRgb(p[2], p[1], p[0]));
        }
      }
      Step();
    }
    return colors.Overflowed() ? std::vector<uint32_t>() : colors.colors();
  }

  // The classic frame: what changed since the last GIF frame, cut from the
  // canvas, with its own popularity table. Unmerged, that is exactly the
  // stored crop.
  void WriteClassic(const PixelRect& rect, uint16_t delayCs) {
    WorkingImage crop;
    canvas_.CopyTo(rect, &crop);
    FrameImage image;
    PopularityPalette(crop, &image);
    FrameRecord record;
    record.delayCs = delayCs;
    record.left = static_cast<uint16_t>(rect.left);
    record.top = static_cast<uint16_t>(rect.top);
    classic_.AddFrame(record, image);
  }

  const FrameSource& source_;
  const std::vector<AnimationFrame>& frames_;
  AnimationSettings animation_;
  GifLayout layout_;
  ByteSink& sink_;
  const AnimationProgress& progress_;
  int last_ = 0;
  int steps_ = 0;
  int done_ = 0;
  RgbCanvas canvas_;
  CompactGifWriter compact_;
  ClassicGifStream classic_;
};

}  // namespace

AnimationOutcome WriteAnimation(const FrameSource& source, const std::vector<AnimationFrame>& frames,
                                const AnimationInfo& info, GifLayout layout, ByteSink& sink,
                                const AnimationProgress& progress, std::string* error) {
  WatchedSink watched(sink);
  try {
    Writer writer(source, frames, info, layout, watched, progress);
    writer.Run();
    return AnimationOutcome::kWritten;
  } catch (const CodecFailure& failure) {
    *error = failure.text();
  } catch (const std::bad_alloc&) {
    *error = kNoMemoryForBitmap;
  } catch (const std::exception&) {
    *error = "未知错误";
  }
  return watched.refused() ? AnimationOutcome::kWriteFailed : AnimationOutcome::kNotComposable;
}

}  // namespace movrel
