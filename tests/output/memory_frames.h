// A recording held in memory for the output tests: frames given as
// pictures (any bytes; empty for a still frame) with their positions and
// capture times, and a count of the reads each frame got.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "output/frame_source.h"

namespace movrel {
namespace test {

class MemoryFrames : public FrameSource {
 public:
  // Frames added without a capture time come `intervalMs` apart from 0.
  explicit MemoryFrames(int64_t intervalMs = 200) : intervalMs_(intervalMs) {}
  // "K" for a kept frame (its picture is "picture <n>"), "S" for a still
  // one, "P" for a kept frame where only the pointer moved.
  explicit MemoryFrames(const std::string& pattern, int64_t intervalMs = 200) : intervalMs_(intervalMs) {
    for (char c : pattern) {
      Add(c == 'S' ? std::string() : "picture " + std::to_string(frames_.size() + 1));
      frames_.back().sceneChanged = c == 'K';
    }
  }

  void Add(const std::string& picture, FramePosition at = FramePosition()) {
    AddAt(static_cast<int64_t>(frames_.size()) * intervalMs_, picture, at);
  }
  void AddAt(int64_t captureMs, const std::string& picture, FramePosition at = FramePosition()) {
    frames_.push_back({picture, at, captureMs, !picture.empty()});
  }

  int FrameCount() const override { return static_cast<int>(frames_.size()); }
  std::string ReadFrame(int number) const override {
    ++reads_[number];
    if (number < 1 || number > FrameCount()) return std::string();
    return frames_[static_cast<size_t>(number - 1)].picture;
  }
  FramePosition Position(int number) const override {
    if (number < 1 || number > FrameCount()) return FramePosition();
    return frames_[static_cast<size_t>(number - 1)].at;
  }
  // Not counted as a read.
  bool SceneChanged(int number) const override {
    return number >= 1 && number <= FrameCount() && frames_[static_cast<size_t>(number - 1)].sceneChanged;
  }
  int64_t CaptureMs(int number) const override {
    if (number < 1 || number > FrameCount()) return 0;
    return frames_[static_cast<size_t>(number - 1)].captureMs;
  }

  int Reads(int number) const {
    auto found = reads_.find(number);
    return found == reads_.end() ? 0 : found->second;
  }

 private:
  struct Frame {
    std::string picture;
    FramePosition at;
    int64_t captureMs;
    bool sceneChanged;
  };
  int64_t intervalMs_;
  std::vector<Frame> frames_;
  mutable std::map<int, int> reads_;
};

}  // namespace test
}  // namespace movrel
