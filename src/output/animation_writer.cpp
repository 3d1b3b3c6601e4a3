#include "output/animation_writer.h"

#include <algorithm>
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
// Raises the failure to read it when it should be there but cannot be read
// (its file has gone) or is no picture.
bool LoadStored(const FrameSource& source, int number, WorkingImage* image) {
  std::string bytes = source.ReadFrame(number);
  if (bytes.empty()) {
    if (source.HasPicture(number)) throw CodecFailure(UnreadableFrame(number));
    return false;
  }
  if (!DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), image)) {
    throw CodecFailure(UnreadableFrame(number));
  }
  return true;
}

// The first picture's size, for a logical screen left at 0.
void TakeScreenSize(const WorkingImage& image, AnimationSettings* animation) {
  if (animation->widthPx == 0) animation->widthPx = static_cast<uint16_t>(image.width());
  if (animation->heightPx == 0) animation->heightPx = static_cast<uint16_t>(image.height());
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

// Raised by a step that finds the cancel flag set.
struct Cancelled {};

// A GIF frame's delay field holds at most 655.35 s.
constexpr uint32_t kLongestFrameCs = 65535;

class Writer {
 public:
  Writer(const FrameSource& source, const std::vector<AnimationFrame>& frames,
         const AnimationSettings& animation, const GifOptions& options, ByteSink& sink,
         const AnimationProgress& progress)
      : source_(source), frames_(frames), animation_(animation), options_(options), sink_(sink),
        progress_(progress) {
    last_ = frames.empty() ? 0 : frames.back().lastFrame;
    if (last_ > source.FrameCount()) last_ = source.FrameCount();
    compact_ = options.layout == GifLayout::kCompact;
    steps_ = compact_ ? 2 * last_ : last_;
  }

  void Run() {
    std::vector<uint32_t> shared;
    if (compact_) shared = GatherColors();
    int next = 1;  // the next store frame to draw
    bool began = false;
    PixelRect dirty;
    for (const AnimationFrame& frame : frames_) {
      for (; next <= frame.lastFrame && next <= last_; ++next) {
        WorkingImage& image = image_;
        if (LoadStored(source_, next, &image)) {
          if (!began) {
            Begin(image, shared);
            began = true;
          }
          FramePosition at = source_.Position(next);
          dirty = UniteRects(dirty, canvas_.Paste(image, at.left, at.top));
        }
        Step();
      }
      // Nothing drawn yet (a recording that starts with still frames) or
      // nothing the picture could show: no frame to write.
      if (!began || (!compact_ && dirty.Empty())) continue;
      if (compact_) {
        if (scaled_) {
          if (!dirty.Empty()) dirty = ScaleCanvas(canvas_, dirty, &scaledCanvas_);
          compactWriter_.AddFrame(scaledCanvas_, frame.delayCs, dirty);
        } else {
          compactWriter_.AddFrame(canvas_, frame.delayCs, dirty);
        }
      } else {
        WriteClassic(dirty, frame.delayCs);
      }
      dirty = PixelRect();
    }
    if (!began) throw CodecFailure("录制中没有可以保存的画面");
    if (compact_) {
      compactWriter_.Finish();
    } else {
      classic_.Finish();
    }
  }

 private:
  void Step() {
    if (options_.cancel && options_.cancel->load(std::memory_order_relaxed)) throw Cancelled();
    ++done_;
    if (progress_) progress_(done_, steps_);
  }

  // The logical screen comes from the first picture when it is not given.
  void Begin(const WorkingImage& first, std::vector<uint32_t>& shared) {
    TakeScreenSize(first, &animation_);
    canvas_.Allocate(animation_.widthPx, animation_.heightPx);
    if (!compact_) {
      classic_.Begin(animation_, sink_);
      return;
    }
    // The canvas starts black: where the first picture leaves it so, black
    // is one of the colours shown.
    FramePosition at = source_.Position(1);
    const bool coversScreen = at.left <= 0 && at.top <= 0 && at.left + first.width() >= animation_.widthPx &&
                              at.top + first.height() >= animation_.heightPx;
    if (!coversScreen && !shared.empty()) AddColor(&shared, 0);
    AnimationSettings written = animation_;
    const int percent = std::clamp(options_.scalePercent, 1, 100);
    if (percent < 100) {
      written.widthPx = static_cast<uint16_t>(std::max(1, (animation_.widthPx * percent + 50) / 100));
      written.heightPx = static_cast<uint16_t>(std::max(1, (animation_.heightPx * percent + 50) / 100));
      scaledCanvas_.Allocate(written.widthPx, written.heightPx);
      scaled_ = true;
    }
    CompactOptions compact;
    compact.lossyLevel = std::clamp(options_.lossyLevel, 0, kMaxLossyLevel);
    compact.dither = options_.dither;
    compact.maxColors = std::clamp(options_.maxColors, 2, 256);
    // Scaling mixes colours, so the stored pictures' colours are not the
    // written ones.
    compactWriter_.Begin(written, scaled_ ? std::vector<uint32_t>() : shared, compact, sink_);
  }

  static void AddColor(std::vector<uint32_t>* colors, uint32_t rgb) {
    for (uint32_t c : *colors) {
      if (c == rgb) return;
    }
    if (colors->size() < kMaxSharedColors) {
      colors->push_back(rgb);
    } else {
      colors->clear();  // one too many for a shared table
    }
  }

  // The colours of every stored picture, while they fit one table, those
  // in the most pictures first: a frame that shows only common colours then
  // needs only low indexes and short codes.
  std::vector<uint32_t> GatherColors() {
    ColorSet colors(kMaxSharedColors);
    ColorSet picture(kMaxSharedColors);
    bool fits = true;
    for (int n = 1; n <= last_; ++n) {
      WorkingImage& image = image_;
      if (fits && LoadStored(source_, n, &image)) {
        picture.Clear();
        for (int y = 0; y < image.height() && !picture.Overflowed(); ++y) {
          const uint8_t* p = image.StoredRow(y);
          for (int x = 0; x < image.width(); ++x, p += 3) picture.Add(PackRgb(p[2], p[1], p[0]));
        }
        for (uint32_t c : picture.colors()) colors.Add(c);
        fits = !picture.Overflowed() && !colors.Overflowed();
      }
      Step();
    }
    return fits ? colors.ByUse() : std::vector<uint32_t>();
  }

  // The classic frame: what changed since the last GIF frame, cut from the
  // canvas, with its own popularity table. Unmerged, that is exactly the
  // stored crop. A delay beyond one frame's field goes on in frames of one
  // unchanged pixel.
  void WriteClassic(const PixelRect& rect, uint32_t delayCs) {
    WriteClassicPart(rect, static_cast<uint16_t>(std::min(delayCs, kLongestFrameCs)));
    for (uint32_t left = delayCs > kLongestFrameCs ? delayCs - kLongestFrameCs : 0; left > 0;) {
      const uint32_t part = std::min(left, kLongestFrameCs);
      WriteClassicPart(PixelRect{0, 0, 1, 1}, static_cast<uint16_t>(part));
      left -= part;
    }
  }

  void WriteClassicPart(const PixelRect& rect, uint16_t delayCs) {
    WorkingImage crop;
    canvas_.CopyTo(rect, &crop);
    FrameImage image;
    PopularityPalette(crop, &image);
    FrameRecord record;
    record.delayCs = delayCs;
    record.leftPx = static_cast<uint16_t>(rect.left);
    record.topPx = static_cast<uint16_t>(rect.top);
    classic_.AddFrame(record, image);
  }

  const FrameSource& source_;
  const std::vector<AnimationFrame>& frames_;
  AnimationSettings animation_;
  const GifOptions& options_;
  bool compact_ = true;
  ByteSink& sink_;
  const AnimationProgress& progress_;
  int last_ = 0;
  int steps_ = 0;
  int done_ = 0;
  // One picture at a time, its memory kept for the next.
  WorkingImage image_;
  RgbCanvas canvas_;
  bool scaled_ = false;
  RgbCanvas scaledCanvas_;
  CompactGifWriter compactWriter_;
  ClassicGifStream classic_;
};

}  // namespace

AnimationOutcome WriteAnimation(const FrameSource& source, const std::vector<AnimationFrame>& frames,
                                const AnimationSettings& animation, const GifOptions& options, ByteSink& sink,
                                const AnimationProgress& progress, std::string* error) {
  WatchedSink watched(sink);
  try {
    Writer writer(source, frames, animation, options, watched, progress);
    writer.Run();
    return AnimationOutcome::kWritten;
  } catch (const Cancelled&) {
    *error = "已取消";
    return AnimationOutcome::kCancelled;
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
