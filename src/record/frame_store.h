// The frame store: the frames of the current recording, one file per frame
// ("n.TMP", numbered from 1, in the format of record/stored_frame.h) in the
// recording's own folder, so that a long recording does not grow the
// process. In memory it keeps only the frame
// count and, per frame, its offset, its capture time and whether it has a
// picture. A still frame is an entry without a file; reading it (or any
// frame whose file is missing or unreadable) gives empty bytes. Whether a
// frame has a picture is what was written, not what is on the disk now, so
// a picture that a temp cleaner took away is told from a still frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/file_path.h"
#include "record/stored_frame.h"

namespace movrel {

class FrameStore {
 public:
  // The recording's folder (tempDir), ending in the path separator; empty
  // until the first recording.
  void SetFolder(const FilePath& folder) { folder_ = folder; }
  const FilePath& Folder() const { return folder_; }

  int Count() const { return static_cast<int>(entries_.size()); }

  // Adds frame n = count + 1 with its picture (BMP file bytes) at `offset`,
  // captured at `captureMs` on the recording clock; writes the picture to
  // its file, or deletes the file for empty bytes (a still frame). False
  // when non-empty bytes could not be written: the entry is there all the
  // same and reads as a still frame. `sceneChanged` says whether the screen
  // under the frame changed since the frame before, beyond the pointer
  // moving; a still frame changed nothing.
  bool AppendFrame(const std::string& bytes, int64_t captureMs, bool sceneChanged = true, FrameOffset offset = {});
  // For 1 <= n <= count rewrites frame n's file whole with the picture at
  // `offset` (a failed write leaves the old one), or deletes it for empty
  // bytes (the frame becomes a still frame); any other n appends, at the
  // last frame's capture time. False when the file could not be written or
  // deleted.
  bool ReplaceFrame(int n, const std::string& bytes, FrameOffset offset = {});
  // Frame n's picture as BMP file bytes; empty for a still frame, a missing,
  // unreadable or damaged file, and an n outside 1..count (HasPicture tells
  // a lost picture from a still frame).
  std::string ReadFrame(int n) const;
  // Whether frame n was given a picture (a still frame has none), even when
  // its file has gone since. A failed rewrite leaves it true: whatever the
  // file now holds, the frame was no still frame.
  bool HasPicture(int n) const;
  // Takes the last entry off the list (its file, if any, stays).
  void DropLastFrame() {
    if (!entries_.empty()) entries_.pop_back();
  }
  // Empties the frame list with its offsets and capture times; the files
  // stay (the whole folder is discarded instead).
  void ClearFrames() {
    entries_.clear();
    ++recording_;
  }
  // Changes with every ClearFrames: tells one recording from the next even
  // when both have as many frames.
  uint32_t Recording() const { return recording_; }

  // What AppendFrame was told of frame n's screen; false outside 1..count.
  bool SceneChanged(int n) const;

  // Offset of frame n; {0, 0} outside 1..count.
  FrameOffset Offset(int n) const;
  void SetOffset(int n, FrameOffset offset);
  // When frame n was captured; 0 outside 1..count.
  int64_t CaptureMs(int n) const;

  FilePath FramePath(int n) const { return folder_.PlusGbk(std::to_string(n) + ".TMP"); }

 private:
  FilePath folder_;
  struct Entry {
    FrameOffset offset;
    int64_t captureMs = 0;
    bool picture = false;
    bool sceneChanged = false;
  };
  std::vector<Entry> entries_;  // one per frame: its length is the frame count
  uint32_t recording_ = 0;
};

}  // namespace movrel
