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
  Fitter(const FrameSource& source, const std::vector<AnimationFrame>& frames, const AnimationSettings& animation,
         uint64_t limit, const AnimationProgress& progress, std::string* error)
      : source_(source), frames_(frames), animation_(animation), limit_(limit), progress_(progress), error_(error) {}

  // Encodes `options` into a counter; false when the encode failed.
  bool Try(const GifOptions& options, uint64_t* bytes) {
    TrySink sink(std::min(limit_, kKeptTryBytes));
    AnimationOutcome outcome = WriteAnimation(source_, frames_, animation_, options, sink, progress_, error_);
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
  const AnimationSettings& animation_;
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

// Four levels apart (two steps of the error, which grows every second
// level) is near enough: a file between them is within a few hundredths of
// either, and every try costs a whole encode.
constexpr int kLevelsApart = 4;
// A reduction that leaves more than this share of the size is not pursued.
constexpr double kWorthwhileShare = 0.95;
constexpr int kMostScaleTries = 4;
constexpr double kSmallestScalePercent = 5;
constexpr int kMostLevelTries = 8;
// A lossy level that leaves more than this share of the lossless size.
constexpr double kUselessShare = 0.97;

// The lowest level above `tooLarge` whose file fits, if any does, to within
// kLevelsApart. The logarithm of the size falls about as the level to the
// power 1.5 (the error allowed grows with the level, and so does the share
// of pixels it lets go), so each try interpolates on that scale between the
// nearest level known too large and the nearest known to fit; until one is
// known to fit, the highest level is taken to give 0.58 of the lossless
// size, as it does on a desktop with photographs.
bool SearchLevels(Fitter& fitter, GifOptions options, int tooLarge, uint64_t tooLargeBytes, uint64_t limit) {
  const uint64_t lossless = tooLargeBytes;
  auto scale = [](int level) { return std::pow(static_cast<double>(level), 1.5); };
  int fits = kMaxLossyLevel;
  double fitsBytes = static_cast<double>(tooLargeBytes) * 0.58;
  bool fitsKnown = false;
  for (int tries = 0; tries < kMostLevelTries && fits - tooLarge > (fitsKnown ? kLevelsApart : 0); ++tries) {
    int level;
    if (!fitsKnown && tooLarge > 0) {
      // The curve so far, carried on to the highest level, says whether
      // any level can fit.
      const double slope = std::log(static_cast<double>(tooLargeBytes) / static_cast<double>(lossless)) / scale(tooLarge);
      fitsBytes = static_cast<double>(lossless) * std::exp(slope * scale(kMaxLossyLevel));
    }
    if (!fitsKnown && fitsBytes > static_cast<double>(limit)) {
      // Even the highest level looks too large: it is the one to try, as
      // the fewer colours and smaller frames go on from it.
      level = kMaxLossyLevel;
    } else if (fitsBytes >= static_cast<double>(tooLargeBytes)) {
      level = (tooLarge + fits + 1) / 2;
    } else {
      const double a = std::log(static_cast<double>(tooLargeBytes)), b = std::log(fitsBytes);
      const double t = (a - std::log(static_cast<double>(limit))) / (a - b);
      const double u = scale(tooLarge) + t * (scale(fits) - scale(tooLarge));
      level = static_cast<int>(std::ceil(std::pow(u, 1.0 / 1.5)));
    }
    // Near a level known to fit, the level just far enough below it settles
    // the search in one try either way.
    if (fitsKnown && level >= fits - kLevelsApart) level = fits - kLevelsApart;
    if (level <= tooLarge + kLevelsApart && tooLarge + kLevelsApart < fits) level = tooLarge + kLevelsApart;
    level = std::clamp(level, tooLarge + 1, fitsKnown ? fits - 1 : fits);
    options.lossyLevel = level;
    uint64_t bytes = 0;
    if (!fitter.Try(options, &bytes)) return true;
    if (bytes <= limit) {
      fits = level;
      fitsBytes = static_cast<double>(bytes);
      fitsKnown = true;
    } else {
      // Not even the highest level fits; or the levels barely shrink the
      // file (a screen of few, distant colours), so none would.
      if (static_cast<double>(bytes) > static_cast<double>(lossless) * kUselessShare) return false;
      if (level == kMaxLossyLevel) return true;
      tooLarge = level;
      tooLargeBytes = bytes;
    }
  }
  return true;
}

}  // namespace

FitOutcome WriteAnimationWithin(const FrameSource& source, const std::vector<AnimationFrame>& frames,
                                const AnimationSettings& animation, const GifOptions& options, uint64_t limitBytes,
                                ByteSink& sink, const AnimationProgress& progress, SizeFit* fit,
                                std::string* error) {
  *fit = SizeFit();
  fit->layout = options.layout;
  fit->lossyLevel = options.lossyLevel;
  fit->maxColors = options.maxColors;
  fit->scalePercent = options.scalePercent;
  if (limitBytes == 0) {
    SizedSink sized(sink);
    AnimationOutcome outcome = WriteAnimation(source, frames, animation, options, sized, progress, error);
    fit->bytes = sized.count();
    return FitOutcomeOf(outcome);
  }

  Fitter fitter(source, frames, animation, limitBytes, progress, error);
  uint64_t given = 0;
  if (!fitter.Try(options, &given)) return fitter.failed_;
  if (!fitter.found_) {
    // Beyond the options as given the compact layout's means apply.
    GifOptions compact = options;
    compact.layout = GifLayout::kCompact;
    uint64_t lossless = given;
    if (options.layout != GifLayout::kCompact && !fitter.Try(compact, &lossless)) return fitter.failed_;
    bool levelsServe = true;
    if (!fitter.found_ && compact.lossyLevel < kMaxLossyLevel) {
      levelsServe = SearchLevels(fitter, compact, compact.lossyLevel, lossless, limitBytes);
      if (fitter.failed_ != FitOutcome::kWritten) return fitter.failed_;
    }
    // Fewer colours, then smaller frames, at the highest level. A step that
    // gains little is not pursued: a screen of few colours gets nothing
    // from a smaller table.
    GifOptions reduced = compact;
    if (levelsServe) reduced.lossyLevel = kMaxLossyLevel;
    uint64_t reachedBytes = fitter.smallest_;
    for (int colors : {128, 64, 32}) {
      // Colours too far apart for the lossy levels are too few for a
      // smaller table to gain anything.
      if (fitter.found_ || !levelsServe || colors >= reduced.maxColors) break;
      GifOptions fewer = reduced;
      fewer.maxColors = colors;
      uint64_t bytes = 0;
      if (!fitter.Try(fewer, &bytes)) return fitter.failed_;
      if (fitter.found_) break;
      if (static_cast<double>(bytes) > static_cast<double>(reachedBytes) * kWorthwhileShare) break;
      reduced = fewer;
      reachedBytes = bytes;
    }
    // The size goes as a power of the scale, taken as 1.5 (less than the
    // area's 2: smaller frames blur, which costs bytes) until two tries
    // measure it.
    double exponent = 1.5;
    double scale = reduced.scalePercent;
    for (int tries = 0; !fitter.found_ && tries < kMostScaleTries; ++tries) {
      const double next = std::floor(
          scale * std::pow(static_cast<double>(limitBytes) / static_cast<double>(reachedBytes), 1 / exponent) * 0.97);
      if (next < kSmallestScalePercent) break;
      const uint64_t before = reachedBytes;
      reduced.scalePercent = static_cast<int>(std::min(next, scale - 1));
      if (!fitter.Try(reduced, &reachedBytes)) return fitter.failed_;
      const double measured = std::log(static_cast<double>(reachedBytes) / static_cast<double>(before)) /
                              std::log(reduced.scalePercent / scale);
      if (measured > 0.3 && measured < 4) exponent = measured;
      scale = reduced.scalePercent;
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
  fit->layout = best.layout;
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
  AnimationOutcome outcome = WriteAnimation(source, frames, animation, best, sized, progress, error);
  fit->bytes = sized.count();
  // The same frames and options give the same bytes, so this never happens
  // unless the recording changed under the save; it must not pass as fitting.
  if (outcome == AnimationOutcome::kWritten && fit->bytes > limitBytes) {
    *error = "无法压缩到 " + FormatFileSize(limitBytes) + " 以内";
    return FitOutcome::kTooLarge;
  }
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
  std::string means;
  auto add = [&](const std::string& part) { means += (means.empty() ? "" : "，") + part; };
  if (fit.lossyLevel > 0) add("有损 " + std::to_string(fit.lossyLevel));
  if (fit.maxColors < 256) add(std::to_string(fit.maxColors) + " 色");
  if (fit.scalePercent < 100) add("缩放 " + std::to_string(fit.scalePercent) + "%");
  if (means.empty()) add("精简GIF");
  return "已压缩到 " + FormatFileSize(fit.bytes) + "：" + means;
}

}  // namespace movrel
