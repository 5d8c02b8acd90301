// The rows between the host's thread and the writer thread: a fixed ring for
// one producer and one consumer, without locks, so that a frame only copies
// its row and never waits on the writer.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace tasc::recorder {

template <typename Row, std::size_t Capacity>
class RowQueue {
  static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0, "a power of two");

 public:
  // Producer: false when the ring is full (the row is not taken).
  bool push(const Row& row) noexcept {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    if (tail - head_.load(std::memory_order_acquire) == Capacity) return false;
    rows_[tail & (Capacity - 1)] = row;
    tail_.store(tail + 1, std::memory_order_release);
    return true;
  }
  // Consumer: false when the ring is empty.
  bool pop(Row& row) noexcept {
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire)) return false;
    row = rows_[head & (Capacity - 1)];
    head_.store(head + 1, std::memory_order_release);
    return true;
  }
  // Rows waiting; exact on the producer's side, a lower bound elsewhere.
  std::size_t size() const noexcept {
    return tail_.load(std::memory_order_acquire) - head_.load(std::memory_order_acquire);
  }

 private:
  std::array<Row, Capacity> rows_{};
  // Apart, so that the two threads do not share a cache line for them.
  alignas(64) std::atomic<std::size_t> head_{0};
  alignas(64) std::atomic<std::size_t> tail_{0};
};

}  // namespace tasc::recorder
