#include "record/frame_store.h"

#include <algorithm>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "common/file_io.h"

namespace movrel {

namespace {

bool WriteOrDelete(const FilePath& path, const std::string& file) {
  if (!file.empty()) return WriteWholeFile(path, file);
  return RemoveFile(path) || !FileExists(path);
}

// Frame n's file for the picture, or none for no picture.
struct WriteJob {
  int n = 0;
  FilePath path;
  std::string bmp;
  FrameOffset offset;
  // What the job holds of the queue: still frames count too, so that a long
  // run of them cannot queue without bound.
  size_t Cost() const { return bmp.size() + sizeof(WriteJob); }
};

}  // namespace

// The writes of the store, on the owner's thread or, with a queue, on a
// thread of its own that takes the jobs in order. Only the queue, its
// counters and the failure are shared, under the one mutex.
class FrameStore::Writer {
 public:
  ~Writer() { Stop(); }

  // False when the picture was written at once and could not be.
  bool Write(WriteJob job) {
    if (limit_ == 0) return Run(job);
    std::unique_lock<std::mutex> lock(mutex_);
    const size_t cost = job.Cost();
    changed_.wait(lock, [&] { return queuedBytes_ == 0 || queuedBytes_ + cost <= limit_; });
    queuedBytes_ += cost;
    jobs_.push_back(std::move(job));
    if (!thread_.joinable()) thread_ = std::thread([this] { Loop(); });
    changed_.notify_all();
    return true;
  }
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return queuedBytes_ == 0; });
  }
  // Writes what is queued, then ends the thread.
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
    quit_ = false;
  }
  bool Failed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<bool>(failure_);
  }
  FrameWriteFailure TakeFailure() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(failure_, FrameWriteFailure{});
  }
  // Only while nothing is queued: the writer thread reads neither.
  void SetLimit(size_t bytes) { limit_ = bytes; }
  void SetErrorText(std::function<std::string()> errorText) { errorText_ = std::move(errorText); }

 private:
  void Loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [&] { return quit_ || !jobs_.empty(); });
      if (jobs_.empty()) return;
      WriteJob job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      Run(job);
      lock.lock();
      queuedBytes_ -= job.Cost();
      changed_.notify_all();
    }
  }
  // Compresses and writes the picture, or deletes the file of a still
  // frame; a failed delete leaves a file no entry reads, so only a picture
  // that is not on the disk counts as a failure.
  bool Run(const WriteJob& job) {
    const std::string file = job.bmp.empty() ? std::string() : EncodeStoredFrame(job.bmp, job.offset);
    if (file.empty() == job.bmp.empty() && WriteOrDelete(job.path, file)) return true;
    if (job.bmp.empty()) return true;
    // Read at once, on this thread: the system's error is the thread's own.
    std::string reason = errorText_ ? errorText_() : std::string();
    std::lock_guard<std::mutex> lock(mutex_);
    if (!failure_) failure_ = FrameWriteFailure{job.n, std::move(reason)};
    return false;
  }

  size_t limit_ = 0;
  std::function<std::string()> errorText_;
  std::mutex mutex_;
  std::condition_variable changed_;  // a job queued or done, or the thread told to end
  std::deque<WriteJob> jobs_;
  size_t queuedBytes_ = 0;  // of the jobs queued and the one being written
  bool quit_ = false;
  FrameWriteFailure failure_;
  std::thread thread_;
};

FrameStore::FrameStore() : writer_(std::make_unique<Writer>()) {}

FrameStore::~FrameStore() = default;

void FrameStore::SetWriteQueueBytes(size_t bytes) {
  Settle();
  writer_->SetLimit(bytes);
}

void FrameStore::SetErrorText(std::function<std::string()> errorText) {
  writer_->Stop();
  writer_->SetErrorText(std::move(errorText));
}

void FrameStore::Settle() const { writer_->Wait(); }

bool FrameStore::WriteFailed() const { return writer_->Failed(); }

FrameWriteFailure FrameStore::FinishWrites() {
  writer_->Stop();
  return writer_->TakeFailure();
}

void FrameStore::DropFramesFrom(int n) {
  Settle();
  for (int i = Count(); i >= std::max(n, 1); --i) {
    RemoveFile(FramePath(i));
    entries_.pop_back();
  }
}

void FrameStore::ClearFrames() {
  FinishWrites();
  entries_.clear();
  ++recording_;
}

bool FrameStore::AppendFrame(std::string bytes, int64_t captureMs, bool sceneChanged, FrameOffset offset) {
  entries_.push_back(Entry{offset, captureMs, !bytes.empty(), sceneChanged && !bytes.empty()});
  const bool written = writer_->Write(WriteJob{Count(), FramePath(Count()), std::move(bytes), offset});
  if (!written) entries_.back().picture = false;
  return written;
}

bool FrameStore::ReplaceFrame(int n, const std::string& bytes, FrameOffset offset) {
  if (n < 1 || n > Count()) return AppendFrame(bytes, CaptureMs(Count()), true, offset);
  Settle();
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
  Settle();
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
