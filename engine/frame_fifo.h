#pragma once
// A lock-free single-producer, single-consumer queue of interleaved stereo float frames,
// for sound that crosses from one audio callback to another in batches.
//
// Threads: one producer calls write, one consumer calls readable / consume; size() may be
// read by either. Nothing here blocks, allocates or does I/O. The ordering is SpscRing's:
// a release store of the index a side owns publishes the frames it wrote or let go.

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace engine {

template <size_t Frames>
class FrameFifo {
    static_assert(Frames >= 2 && (Frames & (Frames - 1)) == 0, "power of two");

  public:
    // Producer: appends up to `frames` frames; returns how many fitted.
    size_t write(const float* stereo, size_t frames) {
        const uint64_t tail = tail_.load(std::memory_order_relaxed);
        const size_t n = std::min(frames, room());
        const auto slot = static_cast<size_t>(tail & (Frames - 1));
        const size_t beforeEnd = std::min(n, Frames - slot);  // then on from the start
        std::copy_n(stereo, 2 * beforeEnd, &samples_[2 * slot]);
        std::copy_n(stereo + 2 * beforeEnd, 2 * (n - beforeEnd), samples_.data());
        tail_.store(tail + n, std::memory_order_release);
        return n;
    }

    // Producer: the timeline index of the next frame to write (frames ever written).
    uint64_t written() const { return tail_.load(std::memory_order_relaxed); }
    // Producer: room for this many frames.
    size_t room() const {
        return Frames - static_cast<size_t>(tail_.load(std::memory_order_relaxed) -
                                            head_.load(std::memory_order_acquire));
    }

    // Consumer: the oldest frames that lie in one run of storage (up to the storage's end),
    // and how many; nothing is taken until consume().
    const float* readable(size_t& frames) const {
        const uint64_t head = head_.load(std::memory_order_relaxed);
        const auto filled = static_cast<size_t>(tail_.load(std::memory_order_acquire) - head);
        const auto slot = static_cast<size_t>(head & (Frames - 1));
        frames = std::min(filled, Frames - slot);
        return &samples_[2 * slot];
    }
    // Consumer: lets go of the oldest `frames` frames (at most size()).
    void consume(size_t frames) {
        head_.store(head_.load(std::memory_order_relaxed) + frames, std::memory_order_release);
    }
    // Consumer: the timeline index of the oldest frame (frames ever written before it).
    uint64_t headIndex() const { return head_.load(std::memory_order_relaxed); }

    // Either side: a snapshot of the frames queued.
    size_t size() const {
        return static_cast<size_t>(tail_.load(std::memory_order_acquire) -
                                   head_.load(std::memory_order_acquire));
    }
    static constexpr size_t capacity() { return Frames; }

  private:
    std::array<float, 2 * Frames> samples_{};
    alignas(64) std::atomic<uint64_t> head_{0};  // frames consumed; written by the consumer
    alignas(64) std::atomic<uint64_t> tail_{0};  // frames written; written by the producer
};

}  // namespace engine
