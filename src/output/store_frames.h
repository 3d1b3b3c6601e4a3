// The recording's frame store seen as a FrameSource.
#pragma once

#include "output/frame_source.h"
#include "record/frame_store.h"

namespace movrel {

class StoreFrames : public FrameSource {
 public:
  explicit StoreFrames(const FrameStore& store) : store_(store) {}
  int FrameCount() const override { return store_.Count(); }
  std::string ReadFrame(int number) const override { return store_.ReadFrame(number); }
  bool HasPicture(int number) const override { return store_.HasPicture(number); }
  bool SceneChanged(int number) const override { return store_.SceneChanged(number); }
  FramePosition Position(int number) const override {
    FrameOffset offset = store_.Offset(number);
    return {offset.left, offset.top};
  }
  int64_t CaptureMs(int number) const override { return store_.CaptureMs(number); }

 private:
  const FrameStore& store_;
};

}  // namespace movrel
