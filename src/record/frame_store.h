// The frame store: the frames of the current recording, one file per frame
// ("n.TMP", numbered from 1, in the format of record/stored_frame.h) in the
// recording's own folder, so that a long recording does not grow the
// process. In memory it keeps only the frame
// count and, per frame, its offset, its capture time and whether it has a
// picture. A still frame is an entry without a file; reading it (or any
// frame whose file is missing or unreadable) gives empty bytes. Whether a
// frame has a picture is what was written, not what is on the disk now, so
// a picture that a temp cleaner took away is told from a still frame.
//
// A recording's pictures may be compressed and written on a thread of the
// store's own (SetWriteQueueBytes), so that the recording's tick waits for
// neither zlib nor the disk. Everything else runs on the thread that owns
// the store, and waits for the queued writes first: what is read, rewritten
// or deleted is always what was appended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/file_path.h"
#include "record/stored_frame.h"

namespace movrel {

// The first picture of the recording that could not be written.
struct FrameWriteFailure {
  int frame = 0;       // its number; 0 when every write succeeded
  std::string reason;  // the system's text for it, read where the write failed
  explicit operator bool() const { return frame > 0; }
};

// The write queue of a recording's store: a few whole full-HD frames, enough
// to ride out a slow moment of the disk and little for a 32-bit process.
constexpr size_t kRecordingWriteQueueBytes = 32u << 20;

class FrameStore {
 public:
  FrameStore();
  ~FrameStore();  // finishes the queued writes
  FrameStore(const FrameStore&) = delete;
  FrameStore& operator=(const FrameStore&) = delete;

  // Pictures of up to `bytes` in all may wait to be written on the store's
  // writer thread; AppendFrame waits while the queue is that full, so a slow
  // disk slows the recording instead of losing frames or growing the
  // process. 0, the default, writes every picture before AppendFrame returns.
  void SetWriteQueueBytes(size_t bytes);
  // What a failed write is told with: the system's text for the last error,
  // called on the thread whose write failed.
  void SetErrorText(std::function<std::string()> errorText);

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
  // moving; a still frame changed nothing. With a write queue the picture
  // is queued and true returned: a failure is told by WriteFailed.
  bool AppendFrame(std::string bytes, int64_t captureMs, bool sceneChanged = true, FrameOffset offset = {});
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
  // Whether a picture appended since the last FinishWrites could not be
  // written; does not wait for the queue.
  bool WriteFailed() const;
  // Waits until every queued picture is written and ends the writer thread
  // (the next AppendFrame starts it again). Returns the first failed write
  // since the last call, and forgets it.
  FrameWriteFailure FinishWrites();
  // Takes frames n..count off the list and deletes their files: a recording
  // ends with the frame before the first that could not be written.
  void DropFramesFrom(int n);
  // Empties the frame list with its offsets and capture times; the files
  // stay (the whole folder is discarded instead).
  void ClearFrames();
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
  class Writer;
  // Waits for the queued writes, so that the files are what was appended.
  void Settle() const;

  FilePath folder_;
  std::unique_ptr<Writer> writer_;
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
