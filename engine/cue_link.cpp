#include "engine/cue_link.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace engine {
namespace {

// The lag's error is smoothed over this long, and corrected at this rate: a critically damped
// loop that settles in about a second and keeps a 200 ppm disagreement to 0.2 ms of error.
constexpr double kSmoothingSeconds = 0.25;
constexpr double kCorrectionPerSecond = 1.0;  // ratio change per second of error
// Within the band where the resampler keeps its full-width filter (see Resampler::shape).
constexpr double kMostCorrection = 0.0009;
// Further off than this (a stall, the master's output changed) the headphones line up anew.
constexpr double kLostSeconds = 0.1;

}  // namespace

void CueLink::configure(int masterRate, size_t masterPeriod, const Output& headphones) {
    masterRate_ = masterRate;
    headphoneRate_ = headphones.sampleRate();
    headphones_ = &headphones;
    sameRates_ = headphoneRate_ == masterRate;
    nominalRatio_ = static_cast<double>(headphones.sampleRate()) / masterRate;
    const double headphonePeriod = static_cast<double>(headphones.periodFrames()) / nominalRatio_;
    // A period of each side, and the windowed sinc's reach ahead twice: room for the
    // callbacks to come late by up to a master period without running dry. The cubic
    // interpolator reaches less far ahead and keeps the same lag: the rest is margin.
    targetFrames_ = static_cast<double>(masterPeriod) + headphonePeriod +
                    2.0 * static_cast<double>(SincFilter::kHalfTaps);
    fadeStep_ = 1.0f / static_cast<float>(headphones.periodFrames());
    restart();
}

void CueLink::restart() {
    phase_ = Phase::Flush;
}

void CueLink::push(const float* stereo, size_t frames, int64_t nowNs) noexcept {
    if (queue_.room() < frames) {
        return;  // nobody is taking it: the frame numbers stay where they are
    }
    const uint64_t first = queue_.written();
    queue_.write(stereo, frames);
    stamps_.tryPush({first, nowNs});
}

void CueLink::readStamp() {
    Stamp stamp;
    while (stamps_.tryPop(stamp)) {
        lastFrame_ = stamp.frame;
        lastNs_ = stamp.ns;
        stamped_ = true;
    }
}

double CueLink::masterFrameAt(int64_t nowNs) const {
    return static_cast<double>(lastFrame_) +
           static_cast<double>(nowNs - lastNs_) * 1e-9 * masterRate_;
}

void CueLink::renderPeriod(float* out, size_t frames, bool /*waitForData*/) noexcept {
    const int64_t now = headphones_->clockNs();
    readStamp();
    if (phase_ == Phase::Flush) {
        queue_.consume(queue_.size());
        phase_ = Phase::LineUp;
    }
    if (phase_ == Phase::LineUp) {
        lineUp(now);
    }
    size_t made = 0;
    if (phase_ == Phase::Running) {
        followClock(now, frames);
    }
    if (phase_ == Phase::Running) {
        made = resample(out, frames);
        if (made < frames) {
            dryRuns_.store(dryRuns_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
            phase_ = Phase::Flush;
        }
    }
    std::fill(out + 2 * made, out + 2 * frames, 0.0f);
}

// Starts playing the target's distance behind the master once that much sound is queued.
void CueLink::lineUp(int64_t nowNs) {
    if (!stamped_) {
        return;
    }
    const double wanted = masterFrameAt(nowNs) - targetFrames_;
    const uint64_t head = queue_.headIndex();
    if (wanted < static_cast<double>(head)) {
        return;  // not that much queued yet
    }
    const auto start = static_cast<uint64_t>(wanted);
    if (start - head > queue_.size()) {
        return;  // the stamp is older than the queue: wait for a fresh one
    }
    queue_.consume(static_cast<size_t>(start - head));
    if (sameRates_) {
        drift_.setRatio(nominalRatio_, 0);
        drift_.reset(static_cast<int64_t>(start));
    } else {
        resampler_.setRatio(nominalRatio_, 0);
        resampler_.reset(static_cast<int64_t>(start));
    }
    smoothedError_ = 0;
    fade_ = 0;
    phase_ = Phase::Running;
}

// Steers the ratio so that the headphones' lag behind the master stays on the target.
void CueLink::followClock(int64_t nowNs, size_t frames) {
    const double lag = masterFrameAt(nowNs) - playTime();
    const double error = (lag - targetFrames_) / masterRate_;
    if (std::fabs(error) > kLostSeconds) {
        phase_ = Phase::Flush;
        return;
    }
    const double share =
        std::min(1.0, static_cast<double>(frames) / (kSmoothingSeconds * headphoneRate_));
    smoothedError_ += share * (error - smoothedError_);
    const double correction =
        std::clamp(kCorrectionPerSecond * smoothedError_, -kMostCorrection, kMostCorrection);
    const double ratio = nominalRatio_ / (1 + correction);
    if (sameRates_) {
        drift_.setRatio(ratio, frames);
    } else {
        resampler_.setRatio(ratio, frames);
    }
}

double CueLink::playTime() const {
    return sameRates_ ? drift_.time() : resampler_.time();
}

size_t CueLink::resample(float* out, size_t frames) {
    const size_t made = sameRates_ ? pull(drift_, out, frames) : pull(resampler_, out, frames);
    for (size_t i = 0; i < made && fade_ < 1; ++i) {  // a period's fade-in after lining up
        fade_ = std::min(1.0f, fade_ + fadeStep_);
        out[2 * i] *= fade_;
        out[2 * i + 1] *= fade_;
    }
    return made;
}

// Up to `frames` frames through `resampler`, as far as the queue goes.
template <class AnyResampler>
size_t CueLink::pull(AnyResampler& resampler, float* out, size_t frames) {
    size_t made = 0;
    while (made < frames) {
        size_t available = 0;
        const float* input = queue_.readable(available);
        const auto step = resampler.process(input, available, out + 2 * made, frames - made);
        queue_.consume(step.used);
        made += step.made;
        if (step.used == 0 && step.made == 0) {
            break;
        }
    }
    return made;
}

}  // namespace engine
