#pragma once
// Resamples one segment of a file whose rate changes (see rate_segments.h) to the timeline
// rate, and states where its output lies: output frame j of a resampler started at a raw
// sample lies at that sample's timeline frame plus j. A segment's output ends exactly at
// its frameEnd, whatever the resampler's rounding, so the next segment follows seamlessly.
//
// Reader thread only (the UI thread during open). Interleaved stereo float in and out.

#include <cstdint>
#include <vector>

#include "engine/rate_segments.h"

struct SwrContext;

namespace engine {

class SegmentResampler {
  public:
    SegmentResampler() = default;
    ~SegmentResampler();
    SegmentResampler(const SegmentResampler&) = delete;
    SegmentResampler& operator=(const SegmentResampler&) = delete;

    // Starts afresh at `firstFrame`, the timeline frame of the raw sample fed first. False
    // when the resampler cannot be made (then the segment reads as silence).
    bool start(const RateSegment& segment, int timelineRate, int64_t firstFrame);
    // The segment being resampled, nullptr when none.
    const RateSegment* segment() const { return segment_; }
    // Resamples `count` frames into `out` (replaced); returns the timeline frame of out[0].
    int64_t convert(const float* stereo, int64_t count, std::vector<float>& out);
    // The rest of the segment into `out` (replaced); returns its first frame. Stops.
    int64_t finish(std::vector<float>& out);
    void stop();

  private:
    int64_t keep(std::vector<float>& out, int made);

    SwrContext* swr_ = nullptr;
    const RateSegment* segment_ = nullptr;
    int64_t nextFrame_ = 0;   // timeline frame of the next output
    float last_[2] = {0, 0};  // the last output frame, held over a rounding shortfall
};

}  // namespace engine
