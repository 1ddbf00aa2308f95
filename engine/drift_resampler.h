#pragma once
// A stereo resampler for ratios within a fraction of a percent of 1: it makes one sound
// card's stream follow another's clock when both state the same rate and their crystals
// merely disagree. Cubic (Lagrange) interpolation over the four frames around the output
// time, a small share of the windowed sinc's work: at 1 kHz what is not the signal stays
// below -100 dB; towards 10 kHz the level wavers by up to half a decibel as the output time
// moves between frames, slowly at the ratios of two crystals; and so close to a ratio of 1
// nothing folds back.
//
// So close to 1, four output frames in a row nearly always fall on four input frames in a
// row: they are made together, one in each lane of a vector.
//
// Units as the Resampler's: "frames" are input frames on a timeline; the ratio is output
// frames per input frame, its changes ramped the same way.
//
// Threads: constructed on the UI thread; everything else runs on the audio callback and
// never locks, allocates, logs or does I/O. Its buffers are fixed arrays for that reason.

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/float_vec.h"
#include "engine/resampler.h"
#include "engine/step_ramp.h"

namespace engine {

class DriftResampler {
  public:
    // An output frame is made of the input frame at or just before its time (the centre
    // frame), the one before and the two after.
    static constexpr int kBehind = 1;
    static constexpr int kReach = 2;
    static constexpr size_t kPoints = kBehind + 1 + kReach;

    DriftResampler() { reset(0); }

    // Starts over at `frame` with silence before it; a pending ratio ramp ends at once.
    void reset(int64_t frame);
    // Moves to `ratio` (output frames per input frame) over `rampFrames` output frames.
    void setRatio(double ratio, size_t rampFrames) { ramp_.setRatio(ratio, rampFrames); }

    // Takes interleaved stereo input as it needs it and writes up to `outputFrames`
    // interleaved stereo frames.
    Resampler::Progress process(const float* input, size_t inputFrames, float* output,
                                size_t outputFrames);

    // Frames: the timeline position of the next output frame.
    double time() const { return static_cast<double>(centre_) + frac_; }

  private:
    static constexpr size_t kGroup = simd::kLanes;  // output frames made together
    static constexpr size_t kCapacity = 512;        // input frames buffered, per channel

    size_t take(const float* input, size_t frames, size_t keepFrom);
    size_t makeGroups(float* output, size_t frames);
    void makeOne(size_t oldest, float* output);

    // Deinterleaved. A vector read from the last buffered frames reaches past them, but not
    // past the arrays: the lanes it fills from there are dropped.
    std::array<float, kCapacity + kGroup - 1> left_{};
    std::array<float, kCapacity + kGroup - 1> right_{};
    size_t fill_ = 0;     // frames buffered
    int64_t origin_ = 0;  // timeline frame of the buffers' first
    int64_t centre_ = 0;  // timeline frame of the centre frame
    double frac_ = 0;     // output time past the centre frame, 0 <= frac_ < 1
    StepRamp ramp_;
};

}  // namespace engine
