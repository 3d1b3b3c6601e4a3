// A GIF that keeps a size limit: the best file of the recording that is no
// larger than the limit. Lossless first; if that is too large, the lowest
// lossy level that fits; if even the highest level is too large, fewer
// colours, then the frames scaled down in steps. Every try is encoded into
// a byte counter, so only the chosen file reaches the sink.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gif/byte_sink.h"
#include "output/animation_writer.h"

namespace movrel {

// Bytes in one MB of a size limit, as the system's file sizes count them.
constexpr uint64_t kBytesPerMb = 1024 * 1024;

// What was chosen to fit.
struct SizeFit {
  bool reduced = false;  // anything but the options as given
  GifLayout layout = GifLayout::kCompact;
  int lossyLevel = 0;
  int maxColors = 256;
  int scalePercent = 100;
  uint64_t bytes = 0;  // the size of the file written (or counted)
};

enum class FitOutcome {
  kWritten,
  kTooLarge,  // nothing fits the limit; nothing was written
  kWriteFailed,
  kNotComposable,
  kCancelled,
};

// Writes the best file within `limitBytes` into `sink`; a limit of 0 writes
// the options as given. `progress` runs over all the tries. On kWritten
// `fit->bytes` is what reached the sink, never more than a limit given; on
// kTooLarge the sink may hold a partial file to discard.
FitOutcome WriteAnimationWithin(const FrameSource& source, const std::vector<AnimationFrame>& frames,
                                const AnimationSettings& animation, const GifOptions& options, uint64_t limitBytes,
                                ByteSink& sink, const AnimationProgress& progress, SizeFit* fit,
                                std::string* error);

// "已压缩到 9.6 MB：有损 35" (with "，128 色" and "，缩放 50%" where those
// were needed, or "精简GIF" where the compact layout alone did it): what a
// reduced save did.
std::string SizeFitSummary(const SizeFit& fit);

// "9.6 MB", "850 KB": a file size as the caption and the preview show it.
std::string FormatFileSize(uint64_t bytes);

}  // namespace movrel
