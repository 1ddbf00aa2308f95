#include "engine/segment_resampler.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace engine {
namespace {

// A segment's output may fall short of its end by the resampler's rounding, a frame or two;
// the last value is held over that. A larger shortfall (the file changed since its scan)
// is left as it is.
constexpr int64_t kMaxShortfall = 8;

}  // namespace

SegmentResampler::~SegmentResampler() {
    swr_free(&swr_);
}

bool SegmentResampler::start(const RateSegment& segment, int timelineRate, int64_t firstFrame) {
    stop();
    AVChannelLayout stereo{};
    av_channel_layout_default(&stereo, 2);
    const int made = swr_alloc_set_opts2(&swr_, &stereo, AV_SAMPLE_FMT_FLT, timelineRate, &stereo,
                                         AV_SAMPLE_FMT_FLT, segment.rate, 0, nullptr);
    // Exact ratios: the phase depends only on the offset from the start, so a resampler
    // started at the same phase after a seek computes the same samples.
    if (made < 0 || av_opt_set_int(swr_, "exact_rational", 1, 0) < 0 || swr_init(swr_) < 0) {
        swr_free(&swr_);
        return false;
    }
    segment_ = &segment;
    nextFrame_ = firstFrame;
    last_[0] = last_[1] = 0;
    return true;
}

int64_t SegmentResampler::convert(const float* stereo, int64_t count, std::vector<float>& out) {
    const int capacity = swr_get_out_samples(swr_, static_cast<int>(count));
    out.resize(2 * static_cast<size_t>(std::max(capacity, 0)));
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(out.data())};
    const uint8_t* inPlanes[1] = {reinterpret_cast<const uint8_t*>(stereo)};
    return keep(out, swr_convert(swr_, outPlanes, capacity, inPlanes, static_cast<int>(count)));
}

int64_t SegmentResampler::finish(std::vector<float>& out) {
    const int capacity = swr_get_out_samples(swr_, 0);
    out.resize(2 * static_cast<size_t>(std::max(capacity, 0)));
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(out.data())};
    const int64_t first = keep(out, swr_convert(swr_, outPlanes, capacity, nullptr, 0));
    const int64_t shortfall = segment_->frameEnd - nextFrame_;
    if (shortfall > 0 && shortfall <= kMaxShortfall) {
        for (int64_t i = 0; i < shortfall; ++i) {
            out.insert(out.end(), last_, last_ + 2);
        }
        nextFrame_ += shortfall;
    }
    stop();
    return first;
}

void SegmentResampler::stop() {
    swr_free(&swr_);
    segment_ = nullptr;
}

// Keeps what lies before the segment's end.
int64_t SegmentResampler::keep(std::vector<float>& out, int made) {
    const int64_t first = nextFrame_;
    const int64_t kept = std::max<int64_t>(0, std::min<int64_t>(made, segment_->frameEnd - first));
    out.resize(2 * static_cast<size_t>(kept));
    if (kept > 0) {
        last_[0] = out[out.size() - 2];
        last_[1] = out[out.size() - 1];
    }
    nextFrame_ += kept;
    return first;
}

}  // namespace engine
