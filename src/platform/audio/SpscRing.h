#pragma once
// A bounded single-producer single-consumer queue without locks. Push and pop never allocate,
// so the audio thread may use either end. Capacity is rounded up to a power of two.

#include <atomic>
#include <cstddef>
#include <memory>
#include <type_traits>

namespace valdorin::audio {

template <typename T>
class SpscRing {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    explicit SpscRing(std::size_t capacity) {
        std::size_t n = 2;
        while (n < capacity)
            n <<= 1;
        mask_ = n - 1;
        slots_ = std::make_unique<T[]>(n);
    }

    // Producer side. False when the queue is full.
    bool push(const T& value) {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) > mask_)
            return false;
        slots_[head & mask_] = value;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }

    // Consumer side. False when the queue is empty.
    bool pop(T& value) {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire))
            return false;
        value = slots_[tail & mask_];
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer side: the oldest element, or nullptr; drop() discards it.
    const T* front() const {
        const std::size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire))
            return nullptr;
        return &slots_[tail & mask_];
    }
    void drop() {
        tail_.store(tail_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Producer side: the slot the next push fills, or nullptr when full; commit() publishes it.
    T* reserve() {
        const std::size_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) > mask_)
            return nullptr;
        return &slots_[head & mask_];
    }
    void commit() {
        head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    std::size_t capacity() const { return mask_ + 1; }

  private:
    std::unique_ptr<T[]> slots_;
    std::size_t mask_ = 0;
    alignas(64) std::atomic<std::size_t> head_{0};
    alignas(64) std::atomic<std::size_t> tail_{0};
};

}  // namespace valdorin::audio
