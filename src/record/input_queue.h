// The hand-over of input events from the hook thread to the recording
// thread: a bounded single-producer single-consumer ring. A low-level hook
// must return at once or the system drops it, so pushing never waits and
// never allocates; when the ring is full the event is dropped instead.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace movrel {

template <typename T, size_t Capacity>
class InputQueue {
  static_assert(Capacity > 0, "an input queue holds at least one item");

 public:
  // Producer side only. False when the queue is full; the item is dropped.
  bool Push(const T& item) {
    const size_t tail = tail_.load(std::memory_order_relaxed);
    const size_t next = Next(tail);
    if (next == head_.load(std::memory_order_acquire)) return false;
    slots_[tail] = item;
    tail_.store(next, std::memory_order_release);  // publishes the slot
    return true;
  }

  // Consumer side only. False when the queue is empty.
  bool Pop(T* item) {
    const size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return false;
    *item = slots_[head];
    head_.store(Next(head), std::memory_order_release);  // frees the slot
    return true;
  }

 private:
  // One slot more than the capacity stays free, so that "full" and "empty"
  // differ without a shared count.
  static constexpr size_t kSlots = Capacity + 1;
  static size_t Next(size_t index) { return index + 1 == kSlots ? 0 : index + 1; }

  std::array<T, kSlots> slots_{};
  std::atomic<size_t> head_{0};  // next slot to pop; written by the consumer
  std::atomic<size_t> tail_{0};  // next slot to push; written by the producer
};

}  // namespace movrel
