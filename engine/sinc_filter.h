#pragma once
// The resampler's interpolation filter: a Kaiser-windowed sinc whose zero crossings fall on
// the samples of the lower of the two rates, tabulated finely enough that linear
// interpolation between table points stays below the filter's own stopband.
//
// The transition band is centred on that rate's Nyquist frequency and is 9 % of it wide
// on each side: 20 kHz stays flat at 44.1 kHz, and whatever folds back lands above 91 %
// of Nyquist, where nobody hears it.
//
// Threads: built once, on first use (on the UI thread, when the first device opens);
// immutable afterwards, so the audio callback reads it freely.

#include <cstddef>

namespace engine {

class SincFilter {
  public:
    static constexpr int kHalfTaps = 36;  // zero crossings on each side of the centre
    static constexpr int kTaps = 2 * kHalfTaps;
    static constexpr int kPhases = 256;  // table points per zero crossing

    static const SincFilter& instance();

    // The kTaps coefficients for an output time phase / kPhases of a frame after the centre
    // frame, applied to input frames centre - kHalfTaps + 1 ... centre + kHalfTaps;
    // phase 0 ... kPhases.
    const float* phase(int phase) const { return &bank_[static_cast<size_t>(phase) * kTaps]; }
    // `count` coefficients, times `gain`, at distances first, first + step, ... (in
    // samples of the lower rate) from the centre; |first| and the last distance at most
    // kHalfTaps + kMargin.
    void sample(double first, double step, size_t count, float gain, float* out) const;
    static constexpr int kMargin = 8;

  private:
    SincFilter();
    // The table runs from -(kHalfTaps + kMargin) to kHalfTaps + kMargin, zero outside the
    // filter, so that sampling needs no range checks.
    static constexpr int kReach = kHalfTaps + kMargin;
    static constexpr size_t kPoints = static_cast<size_t>(2 * kReach) * kPhases + 2;
    float table_[kPoints];
    float bank_[(kPhases + 1) * kTaps];  // the filter's own span, one row per phase
};

}  // namespace engine
