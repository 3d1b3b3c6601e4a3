// The preview's size estimate: the file a save would write, counted by the
// real encode into a byte counter on a thread of its own, so the window
// never waits for it. A new count cancels the one before; a finished count
// is posted to the window, which takes the result on its own thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "common/handle_win.h"
#include "output/compose_plan.h"
#include "output/frame_source.h"
#include "output/size_fit.h"

namespace movrel {

// What one count encodes: the kept frames (store numbers) as a save would
// write them. The recipe's cancel flag is the estimator's own.
struct EstimateJob {
  std::vector<int> kept;
  SaveRecipe recipe;
};

struct EstimateResult {
  FitOutcome outcome = FitOutcome::kNotComposable;
  SizeFit fit;  // the size written, or on kTooLarge the smallest counted
};

// The label's text for a result: "预计大小 ≈ 9.6 MB" and its variants.
// `beforeThePass`: counted in the classic layout over frames the
// changed-region pass has not cropped yet, which the save crops first, so
// the file will be smaller; the text says so. (The compact layout finds the
// changed pixels itself and counts the same either way.)
std::string EstimateText(const EstimateResult& result, bool beforeThePass);
constexpr const char kEstimatingText[] = "预计大小：计算中…";

class SizeEstimator {
 public:
  // Finished counts are posted to `window` as `message` (wParam: the
  // count's number).
  SizeEstimator(HWND window, UINT message);
  ~SizeEstimator();  // Stop
  SizeEstimator(const SizeEstimator&) = delete;
  SizeEstimator& operator=(const SizeEstimator&) = delete;

  // Cancels the count under way, which ends on its own and whose result is
  // dropped, and starts one of `job` over `source`. The source is read on
  // the count's thread until Stop: it must not change before. False when no
  // thread could be started.
  bool Start(const FrameSource& source, const EstimateJob& job);
  // Cancels the count under way without waiting for it.
  void Cancel();
  // Cancels every count and waits until each has ended: after it nothing
  // reads the source and nothing more is posted.
  void Stop();
  // For the posted message's wParam: true with the result when it comes
  // from the latest count, false for a count cancelled since.
  bool TakeResult(WPARAM number, EstimateResult* result);

 private:
  struct Count;
  static DWORD WINAPI CountThread(void* count);
  // Forgets the counts whose threads have ended, the latest one excepted.
  void DropEnded();

  HWND window_;
  UINT message_;
  WPARAM lastNumber_ = 0;
  std::vector<std::unique_ptr<Count>> counts_;  // the latest last
};

}  // namespace movrel
