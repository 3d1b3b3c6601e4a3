#include "output/store_frames.h"

namespace movrel {

FrameEdit& RecordingCut() {
  static FrameEdit cut;
  const FrameStore& store = Frames();
  cut.Follow(store.Recording(), store.Count());
  return cut;
}

}  // namespace movrel
