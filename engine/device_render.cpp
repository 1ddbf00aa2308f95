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
    out.seq = tSeq_.load(std::memory_order_acquire);
    out.mode = static_cast<Mode>(tMode_.load(std::memory_order_acquire));
    out.epoch = tEpoch_.load(std::memory_order_acquire);
    out.start = tStart_.load(std::memory_order_acquire);
    out.end = tEnd_.load(std::memory_order_acquire);
    return transportVersion_.load(std::memory_order_relaxed) == before;
}

void Device::startFade(float target, AfterFade after) {
    rt_.envTarget = target;
    rt_.envStep = 1.0f / static_cast<float>(periodFrames_);
    rt_.afterFade = after;
}

void Device::adopt(bool afterFadeOut) {
    rt_.epoch = rt_.want.epoch;
    rt_.seq = rt_.want.seq;
    rt_.position = static_cast<double>(rt_.want.start);
    rt_.fed = rt_.want.start;
    rt_.end = rt_.want.end;
    rt_.fresh = true;
    rt_.heard = false;
    rt_.ended = false;
    rt_.inputEnded = false;
    rt_.afterFade = AfterFade::Nothing;
    rt_.env = 0;
    rt_.envTarget = 0;
    // Drop what the reader decoded for earlier positions.
    while (AudioBlock* block = ring_.front()) {
        if (block->epoch >= rt_.epoch) {
            break;
        }
        ring_.pop();
        rt_.blockOffset = 0;
    }
    if (rt_.want.mode == Mode::Playing && rt_.want.start < rt_.want.end) {
        // A fresh start waits one period (no blurt); after a fade-out that period has
        // already passed, and the new sound follows the old at once.
        rt_.phase = Phase::Waiting;
        rt_.delayLeft = afterFadeOut ? 0 : periodFrames_;
    } else {
        rt_.phase = Phase::Idle;
    }
}

void Device::pollControls() {
    Transport t;
    if (readTransport(t) && t.seq != rt_.want.seq && !rt_.closing) {
        rt_.want = t;
        if (t.epoch != rt_.epoch) {
            if (rt_.phase == Phase::Sounding) {
                startFade(0, AfterFade::Adopt);
            } else {
                adopt(false);
            }
        } else {
            rt_.seq = t.seq;
            if (t.mode == Mode::Playing) {
                if (rt_.ended) {
                    endedSeq_.store(t.seq, std::memory_order_release);
                } else if (rt_.phase == Phase::Sounding) {
                    startFade(1, AfterFade::Nothing);  // a pause that is still fading: undo it
                } else if (rt_.phase == Phase::Idle) {
                    if (rt_.fresh) {
                        rt_.phase = Phase::Waiting;
                        rt_.delayLeft = periodFrames_;
                    } else {
                        rt_.phase = Phase::Sounding;
                        rt_.env = 0;
                        startFade(1, AfterFade::Nothing);
                    }
                }
            } else if (rt_.phase == Phase::Sounding) {
                startFade(0, AfterFade::Halt);
            } else if (rt_.phase == Phase::Waiting) {
                rt_.phase = Phase::Idle;
            }
        }
    }

    const uint32_t levels = levels_.load(std::memory_order_relaxed);
    if (levels != rt_.levelsSeen) {
        rt_.levelsSeen = levels;
        rt_.targetLeft = static_cast<float>(levels >> 16) / 1000.0f;
        rt_.targetRight = static_cast<float>(levels & 0xFFFF) / 1000.0f;
        rt_.gainRampLeft = periodFrames_;
        rt_.stepLeft = (rt_.targetLeft - rt_.gainLeft) / static_cast<float>(periodFrames_);
        rt_.stepRight = (rt_.targetRight - rt_.gainRight) / static_cast<float>(periodFrames_);
    }
    const int32_t speed = speed_.load(std::memory_order_relaxed);
    const double ratio = std::clamp(ratioAt(speed), 1.0 / kMaxRatio, kMaxRatio);
    const bool sounding = rt_.phase == Phase::Sounding;
    if (ratio != rt_.ratio) {
        rt_.ratio = ratio;
        resampler_.setRatio(ratio, sounding ? periodFrames_ : 0);
    }
    if (!sounding) {
        // Not sounding: levels and speed apply at once, so a fresh start has no ramp.
        rt_.gainLeft = rt_.targetLeft;
        rt_.gainRight = rt_.targetRight;
        rt_.gainRampLeft = 0;
    }
}

AudioBlock* Device::usableBlock(bool waitForData) {
    const auto deadline = std::chrono::steady_clock::now() + kOfflineWaitLimit;
    for (;;) {
        AudioBlock* block = ring_.front();
        if (block != nullptr && block->epoch < rt_.epoch) {
            ring_.pop();  // decoded for an earlier position
            rt_.blockOffset = 0;
            continue;
        }
        if (block != nullptr) {
            return block->epoch == rt_.epoch ? block : nullptr;
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
    rt_.blockOffset += frames;
    rt_.fed += static_cast<int64_t>(frames);
    if (rt_.blockOffset >= block->frames) {
        if (block->endOfStream) {
            rt_.inputEnded = true;
            rt_.end = std::min(rt_.end, rt_.fed);  // the sound ended early
        }
        ring_.pop();
        rt_.blockOffset = 0;
    }
}

size_t Device::produce(float* out, size_t frames, bool waitForData) {
    // Past the end of the range (or of the sound) the resampler is fed silence rather than
    // told "end of input": its output then stays aligned with the position, and the play
    // ends when the position reaches the end, on the exact output frame.
    static const float kSilence[kChunkFrames * 2] = {};
    size_t made = 0;
    while (made < frames && rt_.position < static_cast<double>(rt_.end)) {
        const float* input = kSilence;
        size_t inputFrames = kChunkFrames;
        AudioBlock* block = nullptr;
        if (!rt_.inputEnded && rt_.fed < rt_.end) {
            block = usableBlock(waitForData);
            if (block == nullptr) {
                break;  // underrun
            }
            if (rt_.blockOffset >= block->frames) {
                consumeInput(block, 0);
                continue;
            }
            input = block->samples + 2 * rt_.blockOffset;
            inputFrames = static_cast<size_t>(
                std::min<int64_t>(block->frames - rt_.blockOffset, rt_.end - rt_.fed));
        }
        const auto step =
            resampler_.process(input, inputFrames, out + 2 * made, frames - made, rt_.end);
        consumeInput(block, step.used);
        made += step.made;
        rt_.position = resampler_.time();
        if (step.used == 0 && step.made == 0) {
            break;
        }
    }
    rt_.ended = rt_.position >= static_cast<double>(rt_.end);
    return made;
}

void Device::publishPosition() {
    const auto frame =
        static_cast<uint64_t>(std::max<int64_t>(0, static_cast<int64_t>(rt_.position)));
    published_.store((static_cast<uint64_t>(rt_.seq & 0xFFFF) << 48) | (frame & kPositionMask),
                     std::memory_order_release);
}

bool Device::mixInto(float* mix, size_t frames, bool waitForData) noexcept {
    pollControls();
    if (!rt_.closing && closing_.load(std::memory_order_acquire)) {
        rt_.closing = true;
        if (rt_.phase == Phase::Sounding) {
            startFade(0, AfterFade::Retire);
        }
    }
    if (rt_.closing && rt_.phase != Phase::Sounding) {
        return true;
    }

    size_t done = 0;
    while (done < frames && rt_.phase != Phase::Idle) {
        if (rt_.phase == Phase::Waiting) {
            const size_t wait = std::min(rt_.delayLeft, frames - done);
            rt_.delayLeft -= wait;
            done += wait;
            if (rt_.delayLeft == 0) {
                // The first sample: levels and speed as they are now, no ramp; a start
                // inside the file fades in, a start at 0 keeps its attack.
                rt_.phase = Phase::Sounding;
                rt_.fresh = false;
                rt_.gainLeft = rt_.targetLeft;
                rt_.gainRight = rt_.targetRight;
                rt_.gainRampLeft = 0;
                resampler_.reset(rt_.fed);
                rt_.env = rt_.position > 0 ? 0.0f : 1.0f;
                startFade(1, AfterFade::Nothing);
            }
            continue;
        }

        size_t n = std::min(frames - done, kChunkFrames);
        const bool fading = rt_.env != rt_.envTarget;
        if (fading && rt_.envTarget == 0) {
            // Stop the chunk where the fade-out ends, so no sound goes out after it.
            n = std::min(n, static_cast<size_t>(std::ceil(rt_.env / rt_.envStep)) + 1);
        }
        const size_t made = produce(rt_.scratch, n, waitForData);
        float* target = mix + 2 * done;
        for (size_t i = 0; i < made; ++i) {
            if (rt_.gainRampLeft > 0) {
                rt_.gainLeft += rt_.stepLeft;
                rt_.gainRight += rt_.stepRight;
                if (--rt_.gainRampLeft == 0) {
                    rt_.gainLeft = rt_.targetLeft;
                    rt_.gainRight = rt_.targetRight;
                }
            }
            if (rt_.env < rt_.envTarget) {
                rt_.env = std::min(rt_.envTarget, rt_.env + rt_.envStep);
            } else if (rt_.env > rt_.envTarget) {
                rt_.env = std::max(rt_.envTarget, rt_.env - rt_.envStep);
            }
            target[2 * i] += rt_.scratch[2 * i] * rt_.gainLeft * rt_.env;
            target[2 * i + 1] += rt_.scratch[2 * i + 1] * rt_.gainRight * rt_.env;
        }
        done += n;

        if (rt_.ended) {
            // The range or the file is over: the position rests exactly on its end.
            rt_.phase = Phase::Idle;
            rt_.position = static_cast<double>(rt_.end);
            publishPosition();
            endedSeq_.store(rt_.seq, std::memory_order_release);
            if (rt_.closing) {
                return true;
            }
            if (rt_.afterFade == AfterFade::Adopt) {
                adopt(false);
            }
            continue;
        }
        rt_.heard = rt_.heard || made > 0;
        if (made < n) {
            // Underrun: silence for the rest, and a fade-in once sound is back. A first sound
            // that is only late keeps the envelope, so a start at 0 keeps its attack; unless
            // the play is fading out anyway, with nothing heard to fade.
            std::atomic<uint64_t>& gap = rt_.heard ? dropouts_ : lateStarts_;
            gap.store(gap.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
            if (rt_.heard || rt_.envTarget == 0) {
                rt_.env = 0;
            }
        }
        if (rt_.env == 0 && rt_.envTarget == 0) {
            switch (rt_.afterFade) {
                case AfterFade::Retire:
                    return true;
                case AfterFade::Adopt:
                    adopt(true);
                    break;
                case AfterFade::Halt:
                    rt_.phase = Phase::Idle;
                    rt_.afterFade = AfterFade::Nothing;
                    break;
                case AfterFade::Nothing:
                    break;
            }
        } else if (made < n && rt_.envTarget > 0) {
            startFade(1, AfterFade::Nothing);
        }
    }
    publishPosition();
    return false;
}

}  // namespace engine
