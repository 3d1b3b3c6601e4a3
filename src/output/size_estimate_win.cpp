#include "output/size_estimate_win.h"

#include <cstddef>

#include "gif/byte_sink.h"
#include "output/animation_writer.h"

namespace movrel {

// Owned by the estimator; the thread only uses it until it posts.
struct SizeEstimator::Count {
  const FrameSource* source = nullptr;
  EstimateJob job;
  std::atomic<bool> cancel{false};
  EstimateResult result;
  HWND window = nullptr;
  UINT message = 0;
  WPARAM number = 0;
  UniqueKernelHandle thread;
};

namespace {

// Cancelled counts still running beyond this many are waited for before a
// new one starts: each holds a canvas of the whole screen.
constexpr size_t kMostEndingCounts = 2;

bool Ended(HANDLE thread) { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }

}  // namespace

std::string EstimateText(const EstimateResult& result, bool beforeThePass) {
  switch (result.outcome) {
    case FitOutcome::kWritten: {
      std::string text = "预计大小 ≈ " + FormatFileSize(result.fit.bytes);
      if (result.fit.reduced && beforeThePass) return text + "（已压缩，优化前）";
      if (result.fit.reduced) return text + "（已压缩）";
      return beforeThePass ? text + "（优化前）" : text;
    }
    case FitOutcome::kTooLarge:
      return result.fit.bytes > 0 ? "预计大小：超出上限（最小 " + FormatFileSize(result.fit.bytes) + "）"
                                  : std::string("预计大小：超出上限");
    case FitOutcome::kCancelled: return kEstimatingText;
    case FitOutcome::kWriteFailed:
    case FitOutcome::kNotComposable: break;
  }
  return "预计大小：无法计算";
}

DWORD WINAPI SizeEstimator::CountThread(void* param) {
  Count& count = *static_cast<Count*>(param);
  const SaveRecipe& recipe = count.job.recipe;
  const std::vector<AnimationFrame> plan = PlanAnimationFrames(*count.source, recipe.compose, count.job.kept);
  GifOptions options = recipe.options;
  options.cancel = &count.cancel;
  CountingSink sink;
  std::string error;
  count.result.outcome = plan.empty() ? FitOutcome::kNotComposable
                                      : WriteAnimationWithin(*count.source, plan, recipe.animation, options,
                                                             recipe.limitBytes, sink, [](int, int) {},
                                                             &count.result.fit, &error);
  if (count.result.outcome == FitOutcome::kWritten) count.result.fit.bytes = sink.count();
  PostMessageW(count.window, count.message, count.number, 0);
  return 0;
}

SizeEstimator::SizeEstimator(HWND window, UINT message) : window_(window), message_(message) {}

SizeEstimator::~SizeEstimator() { Stop(); }

bool SizeEstimator::Start(const FrameSource& source, const EstimateJob& job) {
  Cancel();
  DropEnded();
  while (counts_.size() > kMostEndingCounts) {
    WaitForSingleObject(counts_.front()->thread.get(), INFINITE);
    counts_.erase(counts_.begin());
  }
  auto count = std::make_unique<Count>();
  count->source = &source;
  count->job = job;
  count->window = window_;
  count->message = message_;
  count->number = ++lastNumber_;
  count->thread.reset(CreateThread(nullptr, 0, CountThread, count.get(), 0, nullptr));
  if (!count->thread) return false;
  counts_.push_back(std::move(count));
  return true;
}

void SizeEstimator::Cancel() {
  if (!counts_.empty()) counts_.back()->cancel = true;
}

void SizeEstimator::Stop() {
  for (auto& count : counts_) count->cancel = true;
  // The threads only post, never send, to this thread: plain waits cannot
  // block them.
  for (auto& count : counts_) WaitForSingleObject(count->thread.get(), INFINITE);
  counts_.clear();
}

bool SizeEstimator::TakeResult(WPARAM number, EstimateResult* result) {
  DropEnded();
  if (counts_.empty() || number != lastNumber_ || counts_.back()->number != number) return false;
  Count& count = *counts_.back();
  if (count.cancel) return false;
  // Posting is the thread's last step: it ends at once.
  WaitForSingleObject(count.thread.get(), INFINITE);
  *result = count.result;
  counts_.pop_back();
  return true;
}

void SizeEstimator::DropEnded() {
  for (size_t i = 0; i + 1 < counts_.size();) {
    if (Ended(counts_[i]->thread.get())) {
      counts_.erase(counts_.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
}

}  // namespace movrel
