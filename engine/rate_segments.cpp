#include "engine/rate_segments.h"

extern "C" {
#include <libavutil/mathematics.h>
}

#include <algorithm>
#include <numeric>

#include "util/checked_arithmetic.h"

namespace engine {
namespace {

// Ticks a second of the clock that places segments: the rates' least common multiple (for
// the MPEG rates 14,112,000), up to this bound; rates beyond it round by a tick a segment.
constexpr int64_t kMaxTicksPerSecond = int64_t{1} << 40;

// Raw samples a fresh resampler reads before its output matches one that ran from the
// segment's start. It only ever upsamples (the timeline has the highest rate), so its filter
// spans 32 input samples; the rest is margin.
constexpr int64_t kResamplerWarmUp = 256;

}  // namespace

void RateSegments::append(int64_t count, int rate) {
    if (!segments_.empty() && segments_.back().rate == rate) {
        segments_.back().rawEnd = useful::CheckedAdd(segments_.back().rawEnd, count);
        return;
    }
    if (count > 0) {
        const int64_t start = segments_.empty() ? 0 : segments_.back().rawEnd;
        segments_.push_back({rate, start, useful::CheckedAdd(start, count), 0, 0});
    }
}

void RateSegments::place() {
    timelineRate_ = 0;
    int64_t ticksPerSecond = 1;
    for (const RateSegment& segment : segments_) {
        timelineRate_ = std::max(timelineRate_, segment.rate);
        const int64_t common = std::lcm(ticksPerSecond, int64_t{segment.rate});
        ticksPerSecond = common <= kMaxTicksPerSecond ? common : ticksPerSecond;
    }
    int64_t ticks = 0;
    for (RateSegment& segment : segments_) {
        segment.frameStart = av_rescale_rnd(ticks, timelineRate_, ticksPerSecond, AV_ROUND_UP);
        ticks = useful::CheckedAdd(
            ticks, av_rescale(segment.rawEnd - segment.rawStart, ticksPerSecond, segment.rate));
        segment.frameEnd = av_rescale_rnd(ticks, timelineRate_, ticksPerSecond, AV_ROUND_UP);
    }
}

const RateSegment& RateSegments::segmentOf(int64_t raw) const {
    auto after = std::upper_bound(segments_.begin(), segments_.end(), raw,
                                  [](int64_t r, const RateSegment& s) { return r < s.rawStart; });
    return after == segments_.begin() ? segments_.front() : *(after - 1);
}

int64_t RateSegments::toFrame(int64_t raw) const {
    if (segments_.empty()) {
        return raw;
    }
    const RateSegment& segment = segmentOf(raw);
    return useful::CheckedAdd(
        segment.frameStart,
        av_rescale_rnd(raw - segment.rawStart, timelineRate_, segment.rate, AV_ROUND_UP));
}

int64_t RateSegments::toRaw(int64_t frame) const {
    if (segments_.empty()) {
        return frame;
    }
    auto after = std::upper_bound(segments_.begin(), segments_.end(), frame,
                                  [](int64_t f, const RateSegment& s) { return f < s.frameStart; });
    const RateSegment& segment = after == segments_.begin() ? segments_.front() : *(after - 1);
    return segment.rawStart +
           av_rescale_rnd(frame - segment.frameStart, segment.rate, timelineRate_, AV_ROUND_DOWN);
}

int64_t RateSegments::warmStart(int64_t raw) const {
    if (segments_.empty()) {
        return raw;
    }
    const RateSegment& segment = segmentOf(raw);
    if (segment.rate == timelineRate_) {
        return raw;
    }
    // The resampler's phase repeats every rate/gcd input samples.
    const int64_t period = segment.rate / std::gcd(segment.rate, timelineRate_);
    const int64_t offset = raw - segment.rawStart - kResamplerWarmUp;
    return offset <= 0 ? segment.rawStart : segment.rawStart + offset / period * period;
}

}  // namespace engine
