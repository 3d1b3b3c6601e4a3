#include "output/size_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace movrel {

namespace {

// Files up to this size are kept in memory while they are tried, so the
// chosen one need not be encoded twice.
constexpr uint64_t kKeptTryBytes = 64 * kBytesPerMb;

// Counts every byte and keeps them while they stay within `keep`.
class TrySink : public ByteSink {
 public:
  explicit TrySink(uint64_t keep) : keep_(keep) {}
  bool Write(const void* data, size_t size) override {
    count_ += size;
    if (count_ <= keep_) {
      bytes_.append(static_cast<const char*>(data), size);
    } else if (!bytes_.empty()) {
      std::string().swap(bytes_);
    }
    return true;
  }
  std::string TargetName() const override { return "内存"; }
  uint64_t count() const { return count_; }
  bool Kept() const { return count_ <= keep_; }
  std::string& bytes() { return bytes_; }

 private:
  uint64_t keep_;
  uint64_t count_ = 0;
  std::string bytes_;
};

FitOutcome FitOutcomeOf(AnimationOutcome outcome) {
  switch (outcome) {
    case AnimationOutcome::kWritten: return FitOutcome::kWritten;
    case AnimationOutcome::kWriteFailed: return FitOutcome::kWriteFailed;
    case AnimationOutcome::kCancelled: return FitOutcome::kCancelled;
    case AnimationOutcome::kNotComposable: break;
  }
  return FitOutcome::kNotComposable;
}

class Fitter {
 public:
  Fitter(const FrameSource& source, const std::vector<AnimationFrame>& frames, const AnimationInfo& info,
         uint64_t limit, const AnimationProgress& progress, std::string* error)
      : source_(source), frames_(frames), info_(info), limit_(limit), progress_(progress), error_(error) {}

  // Encodes `options` into a counter; false when the encode failed.
  bool Try(const GifOptions& options, uint64_t* bytes) {
    TrySink sink(std::min(limit_, kKeptTryBytes));
    AnimationOutcome outcome = WriteAnimation(source_, frames_, info_, options, sink, progress_, error_);
    if (outcome != AnimationOutcome::kWritten) {
      failed_ = FitOutcomeOf(outcome);
      return false;
    }
    *bytes = sink.count();
    smallest_ = std::min(smallest_, *bytes);
    if (*bytes <= limit_) {
      best_ = options;
      bestBytes_ = *bytes;
      found_ = true;
      keptBytes_.clear();
      if (sink.Kept()) keptBytes_.swap(sink.bytes());
    }
    return true;
  }

  FitOutcome failed_ = FitOutcome::kWritten;
  bool found_ = false;
  GifOptions best_;
  uint64_t bestBytes_ = 0;
  uint64_t smallest_ = UINT64_MAX;
  std::string keptBytes_;

 private:
  const FrameSource& source_;
  const std::vector<AnimationFrame>& frames_;
  const AnimationInfo& info_;
  uint64_t limit_;
  const AnimationProgress& progress_;
  std::string* error_;
};

// Counts what goes on to the sink.
class SizedSink : public ByteSink {
 public:
  explicit SizedSink(ByteSink& sink) : sink_(sink) {}
  bool Write(const void* data, size_t size) override {
    if (!sink_.Write(data, size)) return false;
    count_ += size;
    return true;
  }
  std::string TargetName() const override { return sink_.TargetName(); }
  uint64_t count() const { return count_; }

 private:
  ByteSink& sink_;
  uint64_t count_ = 0;
};

// The lowest level in (tooLarge, fits] whose file fits, by interpolating on
// the logarithm of the size, halving where that does not narrow the range.
void SearchLevels(Fitter& fitter, GifOptions options, int tooLarge, uint64_t tooLargeBytes, int fits,
                  uint64_t fitsBytes, uint64_t limit) {
  bool halve = false;
  while (fits - tooLarge > 1) {
    int level;
    if (halve || fitsBytes >= tooLargeBytes) {
      level = (tooLarge + fits) / 2;
    } else {
      const double a = std::log(static_cast<double>(tooLargeBytes)), b = std::log(static_cast<double>(fitsBytes));
      const double t = (a - std::log(static_cast<double>(limit))) / (a - b);
      level = tooLarge + static_cast<int>(std::ceil(t * (fits - tooLarge)));
    }
    level = std::clamp(level, tooLarge + 1, fits - 1);
    options.lossyLevel = level;
    uint64_t bytes = 0;
    if (!fitter.Try(options, &bytes)) return;
    const int before = fits - tooLarge;
    if (bytes <= limit) {
      fits = level;
      fitsBytes = bytes;
    } else {
      tooLarge = level;
      tooLargeBytes = bytes;
    }
    // Interpolation that moved one end by little is followed by a halving.
    halve = !halve && (fits - tooLarge) * 4 > before * 3;
  }
}

}  // namespace

FitOutcome WriteAnimationWithin(const FrameSource& source, const std::vector<AnimationFrame>& frames,
                                const AnimationInfo& info, const GifOptions& options, uint64_t limitBytes,
                                ByteSink& sink, const AnimationProgress& progress, SizeFit* fit,
                                std::string* error) {
  *fit = SizeFit();
  fit->lossyLevel = options.lossyLevel;
  fit->maxColors = options.maxColors;
  fit->scalePercent = options.scalePercent;
  if (limitBytes == 0) {
    SizedSink sized(sink);
    AnimationOutcome outcome = WriteAnimation(source, frames, info, options, sized, progress, error);
    fit->bytes = sized.count();
    return FitOutcomeOf(outcome);
  }

  Fitter fitter(source, frames, info, limitBytes, progress, error);
  uint64_t given = 0;
  if (!fitter.Try(options, &given)) return fitter.failed_;
  if (!fitter.found_) {
    // Beyond the options as given the compact layout's means apply.
    GifOptions compact = options;
    compact.layout = GifLayout::kCompact;
    uint64_t lossless = given;
    if (options.layout != GifLayout::kCompact && !fitter.Try(compact, &lossless)) return fitter.failed_;
    if (!fitter.found_ && compact.lossyLevel < kMaxLossyLevel) {
      GifOptions most = compact;
      most.lossyLevel = kMaxLossyLevel;
      uint64_t bytes = 0;
      if (!fitter.Try(most, &bytes)) return fitter.failed_;
      if (fitter.found_) {
        SearchLevels(fitter, compact, compact.lossyLevel, lossless, kMaxLossyLevel, bytes, limitBytes);
        if (fitter.failed_ != FitOutcome::kWritten) return fitter.failed_;
      }
    }
    // Fewer colours, then smaller frames, at the highest level.
    static const int kColors[] = {128, 64, 32};
    static const int kScales[] = {75, 50, 35, 25, 15, 10};
    GifOptions reduced = compact;
    reduced.lossyLevel = kMaxLossyLevel;
    for (int colors : kColors) {
      if (fitter.found_ || colors >= reduced.maxColors) continue;
      reduced.maxColors = colors;
      uint64_t bytes = 0;
      if (!fitter.Try(reduced, &bytes)) return fitter.failed_;
    }
    for (int scale : kScales) {
      if (fitter.found_ || scale >= reduced.scalePercent) continue;
      reduced.scalePercent = scale;
      uint64_t bytes = 0;
      if (!fitter.Try(reduced, &bytes)) return fitter.failed_;
    }
  }
  if (!fitter.found_) {
    fit->bytes = fitter.smallest_;
    *error = "无法压缩到 " + FormatFileSize(limitBytes) + " 以内（最小 " + FormatFileSize(fitter.smallest_) + "）";
    return FitOutcome::kTooLarge;
  }

  const GifOptions& best = fitter.best_;
  fit->reduced = best.layout != options.layout || best.lossyLevel != options.lossyLevel ||
                 best.maxColors != options.maxColors || best.scalePercent != options.scalePercent;
  fit->lossyLevel = best.lossyLevel;
  fit->maxColors = best.maxColors;
  fit->scalePercent = best.scalePercent;
  fit->bytes = fitter.bestBytes_;
  if (fitter.keptBytes_.size() == fitter.bestBytes_) {
    if (!sink.Write(fitter.keptBytes_.data(), fitter.keptBytes_.size())) {
      *error = "无法写入文件";
      return FitOutcome::kWriteFailed;
    }
    return FitOutcome::kWritten;
  }
  SizedSink sized(sink);
  AnimationOutcome outcome = WriteAnimation(source, frames, info, best, sized, progress, error);
  return FitOutcomeOf(outcome);
}

std::string FormatFileSize(uint64_t bytes) {
  char text[32];
  if (bytes >= kBytesPerMb) {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / kBytesPerMb);
  } else if (bytes >= 1024) {
    std::snprintf(text, sizeof text, "%.0f KB", static_cast<double>(bytes) / 1024);
  } else {
    std::snprintf(text, sizeof text, "%u B", static_cast<unsigned>(bytes));
  }
  return text;
}

std::string SizeFitSummary(const SizeFit& fit) {
  std::string text = "已压缩到 " + FormatFileSize(fit.bytes) + "：有损 " + std::to_string(fit.lossyLevel);
  if (fit.maxColors < 256) text += "，" + std::to_string(fit.maxColors) + " 色";
  if (fit.scalePercent < 100) text += "，缩放 " + std::to_string(fit.scalePercent) + "%";
  return text;
}

}  // namespace movrel
