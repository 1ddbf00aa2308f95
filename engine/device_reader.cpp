// Device, reader thread: decodes ahead from the requested start into the ring of blocks.

#include <chrono>

#include "engine/device.h"

namespace engine {
namespace {

// A ring full of this position's sound is topped up well before it runs low (64 blocks) when
// looked at this often: a few dozen wake-ups a second rather than hundreds.
constexpr auto kFullRingWait = std::chrono::milliseconds(10);
// A ring still full of an earlier position's sound (a seek the callback takes within a period
// or two, dropping it) is looked at again soon, so the new position's sound is not late.
constexpr auto kStaleRingWait = std::chrono::milliseconds(2);

}  // namespace

void Device::readerLoop() {
    uint32_t epoch = 0;
    int64_t next = 0;
    size_t blocksOfEpoch = 0;  // written since the last seek: once a ringful, none are stale
    bool atEnd = true;
    for (;;) {
        uint32_t wantEpoch = 0;
        int64_t wantStart = 0;
        {
            std::unique_lock lock(requestMutex_);
            if (atEnd) {
                requestChanged_.wait(lock, [&] { return quitReader_ || requestEpoch_ != epoch; });
            }
            if (quitReader_) {
                break;
            }
            wantEpoch = requestEpoch_;
            wantStart = requestStart_;
        }
        if (wantEpoch != epoch) {
            epoch = wantEpoch;
            next = wantStart;
            blocksOfEpoch = 0;
            source_->seek(wantStart);
            atEnd = false;
        }
        AudioBlock* block = ring_.beginWrite();
        if (block == nullptr) {
            // Full: the callback cannot signal (it may not lock), so look again later, or at
            // once when a new request comes.
            const auto wait = blocksOfEpoch >= kRingBlocks ? kFullRingWait : kStaleRingWait;
            std::unique_lock lock(requestMutex_);
            requestChanged_.wait_for(lock, wait,
                                     [&] { return quitReader_ || requestEpoch_ != epoch; });
            continue;
        }
        block->samples = blockSamples_[ring_.indexOf(block)].data();
        const size_t frames = source_->read(block->samples, kBlockFrames);
        block->epoch = epoch;
        block->startFrame = next;
        block->frames = static_cast<uint32_t>(frames);
        block->endOfStream = frames < kBlockFrames;
        ring_.commitWrite();
        ++blocksOfEpoch;
        next += static_cast<int64_t>(frames);
        atEnd = block->endOfStream;
        if (ring_.size() > kRingBlocks / 4) {
            // Enough is decoded ahead: fill the rest at a gentler pace than one burst, so a
            // seek on one deck does not flood the CPU the callback runs on.
            std::unique_lock lock(requestMutex_);
            requestChanged_.wait_for(lock, std::chrono::microseconds(500),
                                     [&] { return quitReader_ || requestEpoch_ != epoch; });
        }
    }
    readerStopped_.store(true, std::memory_order_release);
}

}  // namespace engine
