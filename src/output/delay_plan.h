// The GIF delays of a recording: which store frames form each GIF frame and
// how long it stays, from the frames' capture times, the still frames and
// the per-frame speed change. Portable; composition and the preview share it.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace movrel {

// What still frames do, in the order of 组合框静态画面.
enum class StillFrames {
  kWait = 0,  // "时间等待": each lengthens the frame before it by its own time
  kSkip = 1,  // "直接跳过": dropped without lengthening anything
};
// The list's items, in StillFrames' order.
const std::vector<const char*>& StillFramesItems();
// Index 1 skips; any other index (0, or none selected) waits.
StillFrames StillFramesFromIndex(int index);
inline int StillFramesIndex(StillFrames mode) { return static_cast<int>(mode); }

// One store frame as the plan sees it.
struct FrameTiming {
  bool still = false;     // no picture
  int64_t captureMs = 0;  // on the recording clock
};

struct DelaySettings {
  int32_t intervalMs = 0;  // the nominal frame interval: the last frame's time
  int32_t speedChangeMs = 0;
  StillFrames stillFrames = StillFrames::kWait;
};

// One GIF frame: store frames firstFrame..lastFrame (numbered from 1), shown
// as the picture of pictureFrame for delayCs hundredths of a second.
struct PlannedGroup {
  int firstFrame = 0;
  int lastFrame = 0;
  int pictureFrame = 0;
  uint32_t delayCs = 0;
  bool operator==(const PlannedGroup& o) const {
    return firstFrame == o.firstFrame && lastFrame == o.lastFrame && pictureFrame == o.pictureFrame &&
           delayCs == o.delayCs;
  }
};

// Browsers show a delay of 0 or 1 hundredths as 10, so no group is planned
// shorter than this.
constexpr int64_t kShortestGroupMs = 20;

// The plan, built frame by frame so that composition can hand each group on
// as soon as it is final and hold no more pictures than it must.
//
// Frame i lasts until the next frame's capture, the last frame the nominal
// interval. A group is a kept frame and the still frames after it (the first
// frame always starts one); it lasts its frames' times, or under kSkip its
// kept frame's time alone, less the speed change once per frame counted. A
// group shorter than kShortestGroupMs before the speed change merges into
// the next one, whose picture wins; a short last group merges into the one
// before it, and its picture wins too. The speed change never takes a group
// below kShortestGroupMs. Delays are rounded with the remainder carried, so
// their sum stays within 5 ms of the groups' total time. A delay may exceed
// a GIF frame's 16-bit field: the writer splits it.
class DelayPlanner {
 public:
  explicit DelayPlanner(const DelaySettings& settings) : settings_(settings) {}

  // The next store frame, in order.
  void Add(const FrameTiming& frame);
  // No more frames.
  void Finish();
  // The groups that became final since the last call, in order.
  std::vector<PlannedGroup> TakeFinal();

 private:
  struct Group {
    int firstFrame = 0;
    int lastFrame = 0;
    int pictureFrame = 0;
    int64_t timeMs = 0;      // before the speed change
    int64_t speedFrames = 0; // how many times the speed change applies
  };
  void AddTime(int frame, int64_t ms);
  void Close(bool last);
  void Emit(const Group& group);

  DelaySettings settings_;
  int count_ = 0;
  int64_t lastCaptureMs_ = 0;
  Group current_;
  std::optional<Group> carried_;  // short groups waiting for the next one
  std::optional<Group> held_;     // closed, final once a later group closes
  int64_t totalMs_ = 0;
  int64_t writtenCs_ = 0;
  std::vector<PlannedGroup> final_;
};

// The whole plan at once.
std::vector<PlannedGroup> PlanDelays(const std::vector<FrameTiming>& frames, const DelaySettings& settings);

}  // namespace movrel
