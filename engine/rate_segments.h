#pragma once
// A sound stream whose sample rate changes inside the file (recordings joined end to end,
// radio captures) is a run of segments, each at its own rate. The timeline runs at the
// highest of them, so no part loses its upper band; a segment at another rate is resampled
// to it and starts at the timeline frame where its exact start time falls, rounded up. Start
// times are sums kept in whole ticks of a clock every rate divides, so many segments do not
// drift. A stream at one rate is one segment, and the mapping is the identity.
//
// Units: "raw" samples count the decoder's output at each segment's own rate, in file
// order; "frames" are timeline frames at timelineRate().
//
// Built by the scan at open (UI thread); read-only afterwards (reader thread). Sums that
// overflow throw useful::ArithmeticFailure (the scan refuses the file).

#include <cstdint>
#include <vector>

namespace engine {

struct RateSegment {
    int rate = 0;
    int64_t rawStart = 0;
    int64_t rawEnd = 0;
    int64_t frameStart = 0;  // timeline frame of rawStart's time
    int64_t frameEnd = 0;    // the next segment's frameStart
};

class RateSegments {
  public:
    // During the scan, in file order: `count` raw samples at `rate` follow. A negative count
    // corrects the last segment (a recount of the last packet).
    void append(int64_t count, int rate);
    // After the scan: picks the timeline rate and places every segment on it.
    void place();

    int timelineRate() const { return timelineRate_; }
    // The segment holding `raw`; before the first the first, beyond the last the last.
    const RateSegment& segmentOf(int64_t raw) const;
    bool isLast(const RateSegment& segment) const { return &segment == &segments_.back(); }
    bool empty() const { return segments_.empty(); }
    // The first timeline frame at or after raw's time.
    int64_t toFrame(int64_t raw) const;
    // The last raw sample at or before the frame's time.
    int64_t toRaw(int64_t frame) const;
    // Where feeding must start so that, from `raw` on, a seek gives the samples of decoding
    // from the start: `raw` itself at the timeline rate, else a resampler warm-up before
    // it, at an offset from the segment's start where the resampler's phase is the same.
    int64_t warmStart(int64_t raw) const;

  private:
    std::vector<RateSegment> segments_;
    int timelineRate_ = 0;
};

}  // namespace engine
