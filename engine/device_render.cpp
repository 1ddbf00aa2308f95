// Device, audio callback: reads the transport, plays the ring's blocks through the
// resampler with gains and fades, and publishes the position. Never locks, allocates,
// logs or does I/O (offline rendering's bounded wait for the reader aside).

#include <algorithm>
#include <chrono>
#include <cmath>

#include "engine/device.h"

namespace engine {
namespace {

// The callback shares these with other threads; a lock-based fallback would let it block.
static_assert(std::atomic<uint64_t>::is_always_lock_free);
static_assert(std::atomic<int64_t>::is_always_lock_free);
static_assert(std::atomic<uint32_t>::is_always_lock_free);
// Offline rendering waits at most this long for a reader before treating it as stuck.
constexpr auto kOfflineWaitLimit = std::chrono::seconds(5);

}  // namespace

bool Device::readTransport(Transport& out) const {
    const uint32_t before = transportVersion_.load(std::memory_order_acquire);
    if ((before & 1) != 0) {
        return false;  // the UI is writing: take it next period, never wait
    }
    out.seq = transportSeq_.load(std::memory_order_acquire);
    out.mode = static_cast<Mode>(transportMode_.load(std::memory_order_acquire));
    out.epoch = transportEpoch_.load(std::memory_order_acquire);
    out.start = transportStart_.load(std::memory_order_acquire);
    out.end = transportEnd_.load(std::memory_order_acquire);
    return transportVersion_.load(std::memory_order_relaxed) == before;
}

void Device::fadeIn() {
    callback_.envelope.fadeIn();
    callback_.afterFade = AfterFade::Nothing;
}

void Device::fadeOut(AfterFade then) {
    callback_.envelope.fadeOut();
    callback_.afterFade = then;
}

void Device::startNewPosition(bool afterFadeOut) {
    const Transport& requested = callback_.requested;
    callback_.epoch = requested.epoch;
    callback_.seq = requested.seq;
    callback_.position = static_cast<double>(requested.start);
    callback_.fed = requested.start;
    callback_.end = requested.end;
    callback_.fresh = true;
    callback_.heard = false;
    callback_.ended = false;
    callback_.inputEnded = false;
    callback_.afterFade = AfterFade::Nothing;
    callback_.envelope.silence();
    // Drop what the reader decoded for earlier positions.
    while (AudioBlock* block = ring_.front()) {
        if (block->epoch >= callback_.epoch) {
            break;
        }
        ring_.pop();
        callback_.blockOffset = 0;
    }
    if (requested.mode == Mode::Playing && requested.start < requested.end) {
        // A fresh start waits one period (no blurt); after a fade-out that period has
        // already passed, and the new sound follows the old at once.
        callback_.phase = Phase::Waiting;
        callback_.startDelay = afterFadeOut ? 0 : periodFrames_;
    } else {
        callback_.phase = Phase::Idle;
    }
}

void Device::pollControls() {
    Transport transport;
    if (readTransport(transport) && transport.seq != callback_.requested.seq &&
        !callback_.closing) {
        callback_.requested = transport;
        if (transport.epoch == callback_.epoch) {
            followSamePosition(transport);
        } else if (callback_.phase == Phase::Sounding) {
            fadeOut(AfterFade::StartNewPosition);
        } else {
            startNewPosition(false);
        }
    }
    pollLevelsAndSpeed();
}

// A transport that keeps the start position: play, pause, resume or stop.
void Device::followSamePosition(const Transport& transport) {
    callback_.seq = transport.seq;
    if (transport.mode != Mode::Playing) {
        if (callback_.phase == Phase::Sounding) {
            fadeOut(AfterFade::Halt);
        } else if (callback_.phase == Phase::Waiting) {
            callback_.phase = Phase::Idle;
        }
    } else if (callback_.ended) {
        endedSeq_.store(transport.seq, std::memory_order_release);
    } else if (callback_.phase == Phase::Sounding) {
        fadeIn();  // a pause that is still fading: undo it
    } else if (callback_.phase == Phase::Idle && callback_.fresh) {
        callback_.phase = Phase::Waiting;
        callback_.startDelay = periodFrames_;
    } else if (callback_.phase == Phase::Idle) {
        callback_.phase = Phase::Sounding;
        callback_.envelope.jumpTo(0);
        fadeIn();
    }
}

void Device::pollLevelsAndSpeed() {
    const uint32_t levels = levels_.load(std::memory_order_relaxed);
    if (levels != callback_.levelsSeen) {
        callback_.levelsSeen = levels;
        callback_.levels.rampTo(static_cast<float>(levels >> 16) / 1000.0f,
                                static_cast<float>(levels & 0xFFFF) / 1000.0f);
    }
    const int32_t cueLevel = cueLevel_.load(std::memory_order_relaxed);
    if (cueLevel != callback_.cueLevelSeen) {
        callback_.cueLevelSeen = cueLevel;
        const float gain = static_cast<float>(cueLevel) / 1000.0f;
        callback_.cueLevels.rampTo(gain, gain);
    }
    const int32_t speed = speed_.load(std::memory_order_relaxed);
    const double ratio = std::clamp(ratioAt(speed), 1.0 / kMaxRatio, kMaxRatio);
    // Not sounding: levels and speed apply at once, so a fresh start has no ramp.
    const bool sounding = callback_.phase == Phase::Sounding;
    if (ratio != callback_.ratio) {
        callback_.ratio = ratio;
        resampler_.setRatio(ratio, sounding ? periodFrames_ : 0);
    }
    if (!sounding) {
        callback_.levels.jump();
        callback_.cueLevels.jump();
    }
}

void Device::pollClose() {
    if (!callback_.closing && closing_.load(std::memory_order_acquire)) {
        callback_.closing = true;
        if (callback_.phase == Phase::Sounding) {
            fadeOut(AfterFade::Retire);
        }
    }
}

AudioBlock* Device::usableBlock(bool waitForData) {
    const auto deadline = std::chrono::steady_clock::now() + kOfflineWaitLimit;
    for (;;) {
        AudioBlock* block = ring_.front();
        if (block != nullptr && block->epoch < callback_.epoch) {
            ring_.pop();  // decoded for an earlier position
            callback_.blockOffset = 0;
            continue;
        }
        if (block != nullptr) {
            return block->epoch == callback_.epoch ? block : nullptr;
        }
        if (!waitForData || readerStopped_.load(std::memory_order_acquire) ||
            std::chrono::steady_clock::now() > deadline) {
            return nullptr;  // an underrun: silence now, a fade-in when sound is back
        }
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
}

void Device::consumeInput(AudioBlock* block, size_t frames) {
    if (block == nullptr) {
        return;  // silence past the end
    }
    callback_.blockOffset += frames;
    callback_.fed += static_cast<int64_t>(frames);
    if (callback_.blockOffset >= block->frames) {
        if (block->endOfStream) {
            callback_.inputEnded = true;
            callback_.end = std::min(callback_.end, callback_.fed);  // the sound ended early
        }
        ring_.pop();
        callback_.blockOffset = 0;
    }
}

size_t Device::produce(float* out, size_t frames, bool waitForData) {
    // Past the end of the range (or of the sound) the resampler is fed silence rather than
    // told "end of input": its output then stays aligned with the position, and the play
    // ends when the position reaches the end, on the exact output frame.
    static const float kSilence[kChunkFrames * 2] = {};
    size_t made = 0;
    while (made < frames && callback_.position < static_cast<double>(callback_.end)) {
        const float* input = kSilence;
        size_t inputFrames = kChunkFrames;
        AudioBlock* block = nullptr;
        if (!callback_.inputEnded && callback_.fed < callback_.end) {
            block = usableBlock(waitForData);
            if (block == nullptr) {
                break;  // underrun
            }
            if (callback_.blockOffset >= block->frames) {
                consumeInput(block, 0);
                continue;
            }
            input = block->samples + 2 * callback_.blockOffset;
            inputFrames = static_cast<size_t>(std::min<int64_t>(
                block->frames - callback_.blockOffset, callback_.end - callback_.fed));
        }
        const auto step =
            resampler_.process(input, inputFrames, out + 2 * made, frames - made, callback_.end);
        consumeInput(block, step.used);
        made += step.made;
        callback_.position = resampler_.time();
        if (step.used == 0 && step.made == 0) {
            break;
        }
    }
    callback_.ended = callback_.position >= static_cast<double>(callback_.end);
    return made;
}

void Device::publishPosition() {
    const auto frame =
        static_cast<uint64_t>(std::max<int64_t>(0, static_cast<int64_t>(callback_.position)));
    published_.store(
        (static_cast<uint64_t>(callback_.seq & 0xFFFF) << 48) | (frame & kPositionMask),
        std::memory_order_release);
}

// Waiting: up to `frames` of the silence before a start; returns the frames it took.
size_t Device::waitToStart(size_t frames) {
    const size_t wait = std::min(callback_.startDelay, frames);
    callback_.startDelay -= wait;
    if (callback_.startDelay == 0) {
        // The first sample: levels and speed as they are now, no ramp; a start inside the
        // file fades in, a start at 0 keeps its attack.
        callback_.phase = Phase::Sounding;
        callback_.fresh = false;
        callback_.levels.jump();
        resampler_.reset(callback_.fed);
        callback_.envelope.jumpTo(callback_.position > 0 ? 0.0f : 1.0f);
        fadeIn();
    }
    return wait;
}

void Device::addWithGains(float* mix, float* cue, size_t frames) {
    if (cue == nullptr) {
        callback_.cueLevels.jump();  // no cued sum in the making: nothing to ramp
    }
    if (cue == nullptr || callback_.cueLevels.silent()) {
        addFrames<false>(mix, cue, frames);
    } else {
        addFrames<true>(mix, cue, frames);
    }
}

template <bool kToHeadphones>
void Device::addFrames(float* mix, float* cue, size_t frames) {
    LevelRamp& levels = callback_.levels;
    LevelRamp& cueLevels = callback_.cueLevels;
    FadeEnvelope& envelope = callback_.envelope;
    const float* sound = callback_.scratch;
    for (size_t i = 0; i < frames; ++i) {
        levels.step();
        envelope.step();
        mix[2 * i] += sound[2 * i] * levels.left() * envelope.value();
        mix[2 * i + 1] += sound[2 * i + 1] * levels.right() * envelope.value();
        if constexpr (kToHeadphones) {
            cueLevels.step();
            cue[2 * i] += sound[2 * i] * cueLevels.left() * envelope.value();
            cue[2 * i + 1] += sound[2 * i + 1] * cueLevels.right() * envelope.value();
        }
    }
}

// Sounding: `frames` output frames into `mix`. Returns true once the device may be dropped.
bool Device::soundChunk(float* mix, float* cue, size_t frames, bool waitForData) {
    const size_t made = produce(callback_.scratch, frames, waitForData);
    addWithGains(mix, cue, made);
    if (callback_.ended) {
        return finishPlay();
    }
    callback_.heard = callback_.heard || made > 0;
    if (made < frames) {
        noteUnderrun();
    }
    return callback_.envelope.fadedOut() && finishFadeOut();
}

// The range or the file is over: the position rests exactly on its end. Returns true when
// the device may be dropped.
bool Device::finishPlay() {
    callback_.phase = Phase::Idle;
    callback_.position = static_cast<double>(callback_.end);
    publishPosition();
    endedSeq_.store(callback_.seq, std::memory_order_release);
    if (callback_.closing) {
        return true;
    }
    if (callback_.afterFade == AfterFade::StartNewPosition) {
        startNewPosition(false);
    }
    return false;
}

// Silence for the rest of the chunk, and a fade-in once sound is back. A first sound that is
// only late keeps the envelope, so a start at 0 keeps its attack; unless the play is fading
// out anyway, with nothing heard to fade.
void Device::noteUnderrun() {
    std::atomic<uint64_t>& gap = callback_.heard ? dropouts_ : lateStarts_;
    gap.store(gap.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    if (callback_.heard || callback_.envelope.fadingOut()) {
        callback_.envelope.jumpTo(0);
    }
}

// What follows a fade-out that is over. Returns true when the device may be dropped.
bool Device::finishFadeOut() {
    switch (callback_.afterFade) {
        case AfterFade::Retire:
            return true;
        case AfterFade::StartNewPosition:
            startNewPosition(true);
            break;
        case AfterFade::Halt:
            callback_.phase = Phase::Idle;
            callback_.afterFade = AfterFade::Nothing;
            break;
        case AfterFade::Nothing:
            break;
    }
    return false;
}

bool Device::mixInto(float* mix, float* cue, size_t frames, bool waitForData) noexcept {
    pollControls();
    pollClose();
    if (callback_.closing && callback_.phase != Phase::Sounding) {
        return true;
    }
    size_t done = 0;
    while (done < frames && callback_.phase != Phase::Idle) {
        if (callback_.phase == Phase::Waiting) {
            done += waitToStart(frames - done);
            continue;
        }
        // A chunk stops where a fade-out ends, so no sound goes out after it.
        const size_t n = callback_.envelope.clipToFadeOut(std::min(frames - done, kChunkFrames));
        if (soundChunk(mix + 2 * done, cue != nullptr ? cue + 2 * done : nullptr, n, waitForData)) {
            return true;
        }
        done += n;
    }
    publishPosition();
    return false;
}

}  // namespace engine
