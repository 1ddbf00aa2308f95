#include "engine/device.h"

#include <algorithm>
#include <cassert>
#include <chrono>
#include <cmath>

namespace engine {
namespace {

constexpr uint64_t kPositionMask = (uint64_t{1} << 48) - 1;
// The callback shares these with other threads; a lock-based fallback would let it block.
static_assert(std::atomic<uint64_t>::is_always_lock_free);
static_assert(std::atomic<int64_t>::is_always_lock_free);
static_assert(std::atomic<uint32_t>::is_always_lock_free);
// Offline rendering waits at most this long for a reader before treating it as stuck.
constexpr auto kOfflineWaitLimit = std::chrono::seconds(5);

uint32_t packLevels(int32_t left, int32_t right) {
    const auto clampLevel = [](int32_t v) { return static_cast<uint32_t>(std::clamp(v, 0, 1000)); };
    return (clampLevel(left) << 16) | clampLevel(right);
}

}  // namespace

Device::Device(std::unique_ptr<FfmpegSource> source, int outputRate, size_t periodFrames)
    : fileRate_(source->sampleRate()),
      outputRate_(outputRate),
      periodFrames_(periodFrames),
      lengthFrames_(source->lengthFrames()),
      source_(std::move(source)) {
    int error = 0;
    resampler_ = src_new(SRC_SINC_FASTEST, 2, &error);
    rt_.ratio = static_cast<double>(outputRate_) / fileRate_;
    uiEnd_ = lengthFrames_;
    // The reader starts at epoch 1, frame 0, so that a play from 0 right after open finds
    // its sound already decoded. The callback adopts it with the first transport.
    reader_ = std::thread([this] { readerLoop(); });
}

Device::~Device() {
    {
        std::lock_guard lock(requestMutex_);
        quitReader_ = true;
    }
    source_->interrupt();
    requestChanged_.notify_all();
    if (reader_.joinable()) {
        reader_.join();
    }
    if (resampler_ != nullptr) {
        src_delete(resampler_);
    }
}

// ---------------------------------------------------------------- UI thread

int64_t Device::msToFrames(int64_t ms) const {
    return std::clamp<int64_t>((ms * fileRate_ + 500) / 1000, 0, lengthFrames_);
}

int64_t Device::framesToMs(int64_t frames) const {
    return (frames * 1000 + fileRate_ / 2) / fileRate_;
}

int64_t Device::lengthMs() const {
    return framesToMs(lengthFrames_);
}

Device::Snapshot Device::current() const {
    if (uiMode_ != Mode::Playing) {
        return {uiMode_, uiFrame_};
    }
    // endedSeq_ first: the callback publishes the position before the end, so a matching
    // end guarantees the position read next is the final one.
    const bool ended = endedSeq_.load(std::memory_order_acquire) == uiSeq_;
    const uint64_t word = published_.load(std::memory_order_acquire);
    const bool reflectsUs = (word >> 48) == (uiSeq_ & 0xFFFF);
    const int64_t frame = reflectsUs ? static_cast<int64_t>(word & kPositionMask) : uiFrame_;
    if (ended) {
        return {Mode::Stopped, reflectsUs ? frame : uiEnd_};
    }
    return {Mode::Playing, frame};
}

void Device::settle() {
    const Snapshot now = current();
    uiMode_ = now.mode;
    uiFrame_ = now.frame;
}

int64_t Device::positionMs() const {
    return framesToMs(current().frame);
}

Mode Device::mode() const {
    return current().mode;
}

// Seqlock without fences (ThreadSanitizer does not model them): the version turns odd,
// each field is stored with release (so the odd version is visible before any new field),
// then the version turns even with release. The reader loads the fields with acquire, so
// its second load of the version cannot move before them; a torn read shows as a changed
// version and is retried next period.
void Device::publishTransport() {
    ++uiSeq_;
    const uint32_t version = transportVersion_.load(std::memory_order_relaxed);
    transportVersion_.store(version + 1, std::memory_order_relaxed);
    tSeq_.store(uiSeq_, std::memory_order_release);
    tMode_.store(static_cast<uint32_t>(uiMode_), std::memory_order_release);
    tEpoch_.store(uiEpoch_, std::memory_order_release);
    tStart_.store(uiEpochStart_, std::memory_order_release);
    tEnd_.store(uiEnd_, std::memory_order_release);
    transportVersion_.store(version + 2, std::memory_order_release);
}

void Device::requestReader(uint32_t epoch, int64_t startFrame) {
    {
        std::lock_guard lock(requestMutex_);
        requestEpoch_ = epoch;
        requestStart_ = startFrame;
    }
    requestChanged_.notify_one();
}

void Device::play(int64_t fromMs, int64_t toMs) {
    settle();
    const int64_t from = msToFrames(fromMs);
    const int64_t to = std::max(from, msToFrames(toMs));
    if (!(uiEpochFresh_ && from == uiEpochStart_)) {
        ++uiEpoch_;
        uiEpochStart_ = from;
        requestReader(uiEpoch_, from);
    }
    uiEpochFresh_ = false;
    uiEnd_ = to;
    uiFrame_ = from;
    uiMode_ = from < to ? Mode::Playing : Mode::Stopped;
    publishTransport();
}

void Device::pause() {
    settle();
    if (uiMode_ != Mode::Playing) {
        return;
    }
    uiMode_ = Mode::Paused;
    publishTransport();
}

void Device::resume() {
    settle();
    if (uiMode_ != Mode::Paused) {
        return;
    }
    uiMode_ = Mode::Playing;
    publishTransport();
}

void Device::stop() {
    settle();
    if (uiMode_ == Mode::Stopped) {
        return;
    }
    uiMode_ = Mode::Stopped;
    publishTransport();
}

void Device::seek(int64_t positionMs) {
    settle();
    const int64_t frame = msToFrames(positionMs);
    ++uiEpoch_;
    uiEpochStart_ = frame;
    uiEpochFresh_ = true;
    requestReader(uiEpoch_, frame);  // decode ahead now: a play from here starts at once
    uiFrame_ = frame;
    uiEnd_ = lengthFrames_;
    uiMode_ = Mode::Stopped;
    publishTransport();
}

void Device::setLevels(int32_t left, int32_t right) {
    levels_.store(packLevels(left, right), std::memory_order_relaxed);
}

void Device::setSpeed(int32_t speed) {
    speed_.store(std::max(speed, 1), std::memory_order_relaxed);
}

void Device::requestClose() {
    closing_.store(true, std::memory_order_release);
    // The reader may stop now: the fade-out uses what is already decoded.
    {
        std::lock_guard lock(requestMutex_);
        quitReader_ = true;
    }
    source_->interrupt();
    requestChanged_.notify_one();
}

// ---------------------------------------------------------------- reader thread

void Device::readerLoop() {
    uint32_t epoch = 0;
    int64_t next = 0;
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
            source_->seek(wantStart);
            atEnd = false;
        }
        AudioBlock* block = ring_.beginWrite();
        if (block == nullptr) {
            // Full: the callback cannot signal (it may not lock), so look again shortly,
            // or at once when a new request comes.
            std::unique_lock lock(requestMutex_);
            requestChanged_.wait_for(lock, std::chrono::milliseconds(2),
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

// ---------------------------------------------------------------- audio callback

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
    rt_.bypass = false;
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
    rt_.ratio = std::clamp(
        static_cast<double>(outputRate_) * 1000.0 / (static_cast<double>(fileRate_) * speed),
        1.0 / 256.0, 256.0);
    if (rt_.phase != Phase::Sounding) {
        // Not sounding: levels and speed apply at once, so a fresh start has no ramp.
        rt_.gainLeft = rt_.targetLeft;
        rt_.gainRight = rt_.targetRight;
        rt_.gainRampLeft = 0;
        src_set_ratio(resampler_, rt_.ratio);
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

void Device::consumeInput(AudioBlock* block, long frames) {
    if (block == nullptr) {
        return;  // silence past the end
    }
    rt_.blockOffset += static_cast<size_t>(frames);
    rt_.fed += frames;
    if (rt_.blockOffset >= block->frames) {
        if (block->endOfStream) {
            rt_.inputEnded = true;
            rt_.end = std::min(rt_.end, rt_.fed);  // the sound ended early
        }
        ring_.pop();
        rt_.blockOffset = 0;
    }
}

void Device::remember(const float* input, size_t frames) {
    if (frames >= kHistoryFrames) {
        std::copy(input + 2 * (frames - kHistoryFrames), input + 2 * frames, rt_.history);
        rt_.historyFrames = kHistoryFrames;
        return;
    }
    const size_t keep = std::min(rt_.historyFrames, kHistoryFrames - frames);
    std::copy(rt_.history + 2 * (rt_.historyFrames - keep), rt_.history + 2 * rt_.historyFrames,
              rt_.history);
    std::copy(input, input + 2 * frames, rt_.history + 2 * keep);
    rt_.historyFrames = keep + frames;
}

void Device::engageResampler() {
    src_reset(resampler_);
    SRC_DATA data{};
    data.data_in = rt_.history;
    data.input_frames = static_cast<long>(rt_.historyFrames);
    data.data_out = rt_.discard;
    data.output_frames = static_cast<long>(kHistoryFrames + 16);
    data.src_ratio = 1.0;
    src_process(resampler_, &data);
    rt_.discardOut =
        rt_.historyFrames -
        std::min<size_t>(rt_.historyFrames, static_cast<size_t>(data.output_frames_gen));
    rt_.bypass = false;
}

size_t Device::produce(float* out, size_t frames, bool waitForData) {
    // Past the end of the range (or of the sound) the resampler is fed silence rather than
    // told "end of input": its output then stays aligned with the position, and the play
    // ends when the position reaches the end, on the exact output frame.
    static const float kSilence[kChunkFrames * 2] = {};
    size_t made = 0;
    while (made < frames) {
        const double left = static_cast<double>(rt_.end) - rt_.position;
        if (left <= 1e-6) {
            rt_.ended = true;
            break;
        }
        const long wanted = static_cast<long>(std::min<double>(static_cast<double>(frames - made),
                                                               std::ceil(left * rt_.ratio - 1e-6)));
        const float* input = kSilence;
        long inputFrames = static_cast<long>(kChunkFrames);
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
            inputFrames = static_cast<long>(
                std::min<int64_t>(block->frames - rt_.blockOffset, rt_.end - rt_.fed));
        }
        if (rt_.bypass && rt_.ratio != 1.0) {
            engageResampler();
        }
        if (rt_.bypass) {
            const long copied = std::min(std::max(wanted, 1L), inputFrames);
            std::copy(input, input + 2 * copied, out + 2 * made);
            remember(input, static_cast<size_t>(copied));
            consumeInput(block, copied);
            made += static_cast<size_t>(copied);
            rt_.position += static_cast<double>(copied);
            continue;
        }
        SRC_DATA data{};
        data.data_in = input;
        data.input_frames = inputFrames;
        data.end_of_input = 0;
        if (rt_.discardOut > 0) {
            // Warming after a bypass: drop what was already copied out.
            data.data_out = rt_.discard;
            data.output_frames = static_cast<long>(std::min(rt_.discardOut, kHistoryFrames + 16));
            data.src_ratio = 1.0;
        } else {
            data.data_out = out + 2 * made;
            data.output_frames = std::max(wanted, 1L);
            data.src_ratio = rt_.ratio;
        }
        if (src_process(resampler_, &data) != 0) {
            rt_.ended = true;
            break;
        }
        consumeInput(block, data.input_frames_used);
        if (rt_.discardOut > 0) {
            rt_.discardOut -= std::min(rt_.discardOut, static_cast<size_t>(data.output_frames_gen));
        } else {
            made += static_cast<size_t>(data.output_frames_gen);
            rt_.position += static_cast<double>(data.output_frames_gen) / rt_.ratio;
        }
        if (data.output_frames_gen == 0 && data.input_frames_used == 0) {
            break;
        }
    }
    if (static_cast<double>(rt_.end) - rt_.position <= 1e-6) {
        rt_.ended = true;
    }
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
                rt_.bypass = rt_.ratio == 1.0;
                if (!rt_.bypass) {
                    // Only now, and only if it will run: the reset clears the whole filter
                    // buffer, memory a deck at ratio 1 never touches otherwise.
                    src_reset(resampler_);
                }
                src_set_ratio(resampler_, rt_.ratio);
                rt_.historyFrames = 0;
                rt_.discardOut = 0;
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
