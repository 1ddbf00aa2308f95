#pragma once
// A lock-free single-producer, single-consumer ring of fixed capacity.
//
// Threads: exactly one producer thread calls tryPush / beginWrite / commitWrite, and
// exactly one consumer thread calls tryPop / front / pop. size() may be read by either.
// Nothing here blocks, allocates or does I/O, so either side may be the audio callback.
//
// Memory ordering: the producer fills a slot, then publishes it with a release store of
// tail_; the consumer's acquire load of tail_ makes the slot's contents visible. The
// consumer hands a slot back with a release store of head_ after it has finished reading;
// the producer's acquire load of head_ guarantees that the read finished before the slot
// is overwritten. Each index is written by one side only, so relaxed loads of one's own
// index suffice.

#include <array>
#include <atomic>
#include <cstddef>

namespace engine {

template <typename T, size_t Capacity>
class SpscRing {
    static_assert(Capacity >= 2 && (Capacity & (Capacity - 1)) == 0, "power of two");

  public:
    // Producer side.
    bool tryPush(const T& value) {
        T* slot = beginWrite();
        if (slot == nullptr) {
            return false;
        }
        *slot = value;
        commitWrite();
        return true;
    }
    // The next free slot to fill in place, or nullptr when the ring is full.
    T* beginWrite() {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == Capacity) {
            return nullptr;
        }
        return &slots_[tail & (Capacity - 1)];
    }
    void commitWrite() {
        tail_.store(tail_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Consumer side.
    bool tryPop(T& value) {
        T* slot = front();
        if (slot == nullptr) {
            return false;
        }
        value = *slot;
        pop();
        return true;
    }
    // The oldest filled slot, or nullptr when the ring is empty.
    T* front() {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (tail_.load(std::memory_order_acquire) == head) {
            return nullptr;
        }
        return &slots_[head & (Capacity - 1)];
    }
    void pop() {
        head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Either side: the position of a slot from beginWrite or front, for storage kept
    // beside the ring.
    size_t indexOf(const T* slot) const { return static_cast<size_t>(slot - slots_.data()); }

    // Either side: a snapshot, exact only for the calling side's own view.
    size_t size() const {
        return tail_.load(std::memory_order_acquire) - head_.load(std::memory_order_acquire);
    }
    static constexpr size_t capacity() { return Capacity; }

  private:
    // Fixed storage: the audio callback is one of the sides and may not allocate.
    std::array<T, Capacity> slots_{};
    alignas(64) std::atomic<size_t> head_{0};  // next slot to read; written by the consumer
    alignas(64) std::atomic<size_t> tail_{0};  // next slot to write; written by the producer
};

}  // namespace engine
