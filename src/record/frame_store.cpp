#include "record/frame_store.h"

#include "common/file_io.h"

namespace movrel {

namespace {

bool WriteOrDelete(const FilePath& path, const std::string& file) {
  if (!file.empty()) return WriteWholeFile(path, file);
  return RemoveFile(path) || !FileExists(path);
}

}  // namespace

bool FrameStore::AppendFrame(const std::string& bytes, int64_t captureMs, bool sceneChanged, FrameOffset offset) {
  entries_.push_back(Entry{offset, captureMs, false, sceneChanged && !bytes.empty()});
  const std::string file = bytes.empty() ? std::string() : EncodeStoredFrame(bytes, offset);
  const bool written = (file.empty() == bytes.empty()) && WriteOrDelete(FramePath(Count()), file);
  entries_.back().picture = written && !bytes.empty();
  return written;
}

bool FrameStore::ReplaceFrame(int n, const std::string& bytes, FrameOffset offset) {
  if (n < 1 || n > Count()) return AppendFrame(bytes, CaptureMs(Count()), true, offset);
  // A new picture goes beside the old one and moves over it once whole: a
  // write that fails (a full disk) leaves the old picture, never none.
  const FilePath path = FramePath(n);
  const std::string file = bytes.empty() ? std::string() : EncodeStoredFrame(bytes, offset);
  if (file.empty() != bytes.empty()) return false;
  if (!(file.empty() ? WriteOrDelete(path, file) : ReplaceWholeFile(path, file))) return false;
  Entry& entry = entries_[static_cast<size_t>(n - 1)];
  entry.picture = !bytes.empty();
  entry.offset = offset;
  return true;
}

std::string FrameStore::ReadFrame(int n) const {
  std::string file, bmp;
  FrameOffset offset;
  if (n < 1 || n > Count() || !ReadWholeFile(FramePath(n), &file) || !DecodeStoredFrame(file, &bmp, &offset)) {
    return std::string();
  }
  return bmp;
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
