#include "record/frame_store.h"

#include "common/file_io.h"

namespace movrel {

namespace {

bool WriteOrDelete(const FilePath& path, const std::string& bytes) {
  if (!bytes.empty()) return WriteWholeFile(path, bytes);
  return RemoveFile(path) || !FileExists(path);
}

}  // namespace

bool FrameStore::AppendFrame(const std::string& bytes, int64_t captureMs, bool sceneChanged) {
  entries_.push_back(Entry{FrameOffset{}, captureMs, false, sceneChanged && !bytes.empty()});
  const bool written = WriteOrDelete(FramePath(Count()), bytes);
  entries_.back().picture = written && !bytes.empty();
  return written;
}

bool FrameStore::ReplaceFrame(int n, const std::string& bytes) {
  if (n < 1 || n > Count()) return AppendFrame(bytes, CaptureMs(Count()));
  // A new picture goes beside the old one and moves over it once whole: a
  // write that fails (a full disk) leaves the old picture, never none.
  const FilePath path = FramePath(n);
  if (!(bytes.empty() ? WriteOrDelete(path, bytes) : ReplaceWholeFile(path, bytes))) return false;
  entries_[static_cast<size_t>(n - 1)].picture = !bytes.empty();
  return true;
}

std::string FrameStore::ReadFrame(int n) const {
  std::string bytes;
  if (n < 1 || n > Count() || !ReadWholeFile(FramePath(n), &bytes)) return std::string();
  return bytes;
}

bool FrameStore::HasPicture(int n) const {
  return n >= 1 && n <= Count() && entries_[static_cast<size_t>(n - 1)].picture;
}

bool FrameStore::SceneChanged(int n) const {
  return n >= 1 && n <= Count() && entries_[static_cast<size_t>(n - 1)].sceneChanged;
}

FrameOffset FrameStore::Offset(int n) const {
  if (n < 1 || n > Count()) return FrameOffset{};
  return entries_[static_cast<size_t>(n - 1)].offset;
}

void FrameStore::SetOffset(int n, FrameOffset offset) {
  if (n >= 1 && n <= Count()) entries_[static_cast<size_t>(n - 1)].offset = offset;
}

int64_t FrameStore::CaptureMs(int n) const {
  if (n < 1 || n > Count()) return 0;
  return entries_[static_cast<size_t>(n - 1)].captureMs;
}

}  // namespace movrel
