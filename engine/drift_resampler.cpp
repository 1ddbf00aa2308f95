#include "engine/drift_resampler.h"

#include <algorithm>
#include <cstring>

namespace engine {
namespace {

using simd::load;
using simd::Vec;
static_assert(DriftResampler::kPoints == 4, "the weights below are for four frames");

// The cubic Lagrange weights of the frames one before, at, one after and two after the
// centre frame, for output times `x` past it: each 1 at its own frame and 0 at the others.
std::array<Vec, 4> weights(Vec x) {
    const Vec before = x + 1, after = x - 1, twoAfter = x - 2;
    const Vec p = x * after * (1.0f / 6), q = before * twoAfter * 0.5f;
    return {-p * twoAfter, q * after, -q * x, p * before};
}

// Moves the centre frame on (or back) until the output time lies within a frame past it.
void settle(int64_t& centre, double& frac) {
    for (; frac >= 1; frac -= 1) {
        ++centre;
    }
    for (; frac < 0; frac += 1) {
        --centre;
    }
}

struct Stereo {
    Vec left, right;
};

// Lane i: the output frame `x[i]` past the centre frame of the four frames from `left + i`
// and `right + i` on. Inlined, so that the vectors stay in registers.
[[gnu::always_inline]] inline Stereo interpolate(const float* left, const float* right, Vec x) {
    const std::array<Vec, 4> w = weights(x);
    return {
        w[0] * load(left) + w[1] * load(left + 1) + w[2] * load(left + 2) + w[3] * load(left + 3),
        w[0] * load(right) + w[1] * load(right + 1) + w[2] * load(right + 2) +
            w[3] * load(right + 3)};
}

}  // namespace

void DriftResampler::reset(int64_t frame) {
    std::fill_n(left_.begin(), kBehind, 0.0f);
    std::fill_n(right_.begin(), kBehind, 0.0f);
    fill_ = kBehind;
    origin_ = frame - kBehind;
    centre_ = frame;
    frac_ = 0;
    ramp_.land();
}

Resampler::Progress DriftResampler::process(const float* input, size_t inputFrames, float* output,
                                            size_t outputFrames) {
    Resampler::Progress done{0, 0};
    for (;;) {
        done.made += makeGroups(output + 2 * done.made, outputFrames - done.made);
        if (done.made == outputFrames) {
            break;
        }
        // The buffer index of the oldest frame the next output frame is made of.
        const auto oldest = static_cast<size_t>(centre_ - kBehind - origin_);
        if (oldest + kPoints <= fill_) {
            makeOne(oldest, output + 2 * done.made);
            ++done.made;
        } else if (done.used < inputFrames) {
            done.used += take(input + 2 * done.used, inputFrames - done.used, oldest);
        } else {
            break;  // the caller brings more
        }
    }
    return done;
}

// Keeps the buffered frames from index `keepFrom` on, and appends what fits of `input`:
// two vectors of interleaved frames at a time, shuffled into one of each channel.
size_t DriftResampler::take(const float* input, size_t frames, size_t keepFrom) {
    const size_t drop = std::min(keepFrom, fill_);
    std::copy(left_.begin() + drop, left_.begin() + fill_, left_.begin());
    std::copy(right_.begin() + drop, right_.begin() + fill_, right_.begin());
    fill_ -= drop;
    origin_ += static_cast<int64_t>(drop);
    const size_t n = std::min(frames, kCapacity - fill_);
    size_t i = 0;
    for (; i + simd::kLanes <= n; i += simd::kLanes) {
        const Vec a = load(input + 2 * i), b = load(input + 2 * i + simd::kLanes);
        const Vec left = __builtin_shufflevector(a, b, 0, 2, 4, 6);
        const Vec right = __builtin_shufflevector(a, b, 1, 3, 5, 7);
        std::memcpy(&left_[fill_ + i], &left, sizeof left);
        std::memcpy(&right_[fill_ + i], &right, sizeof right);
    }
    for (; i < n; ++i) {
        left_[fill_ + i] = input[2 * i];
        right_[fill_ + i] = input[2 * i + 1];
    }
    fill_ += n;
    return n;
}

// Output frames kGroup at a time, into `output` (room for `frames`), for as long as each
// group's frames fall on as many centre frames in a row, the ramp does not end within it
// and its input is buffered. Returns the frames made. On locals, kept in registers.
size_t DriftResampler::makeGroups(float* output, size_t frames) {
    int64_t centre = centre_;
    double frac = frac_;
    StepRamp ramp = ramp_;
    size_t made = 0;
    for (; made + kGroup <= frames && ramp.steadyFor(kGroup); made += kGroup) {
        const auto oldest = static_cast<size_t>(centre - kBehind - origin_);
        if (oldest + kPoints + kGroup - 1 > fill_) {
            break;
        }
        // Each frame's time is a step on, less the frame the centre moves on by: the step
        // less 1 (s), and the ramp's change (d) once more each frame.
        const double s = ramp.step() - 1, d = ramp.change();
        const double x1 = frac + s + d, x2 = x1 + s + 2 * d, x3 = x2 + s + 3 * d;
        if (std::min({x1, x2, x3}) < 0 || std::max({x1, x2, x3}) >= 1) {
            break;
        }
        const Stereo group = interpolate(&left_[oldest], &right_[oldest],
                                         Vec{static_cast<float>(frac), static_cast<float>(x1),
                                             static_cast<float>(x2), static_cast<float>(x3)});
#pragma GCC unroll 4
        for (size_t i = 0; i < kGroup; ++i) {
            output[2 * (made + i)] = group.left[i];
            output[2 * (made + i) + 1] = group.right[i];
        }
        frac = x3 + s + 4 * d;
        centre += static_cast<int64_t>(kGroup);
        ramp.skip(kGroup);
        settle(centre, frac);
    }
    centre_ = centre;
    frac_ = frac;
    ramp_ = ramp;
    return made;
}

void DriftResampler::makeOne(size_t oldest, float* output) {
    const auto x = static_cast<float>(frac_);
    const Stereo made = interpolate(&left_[oldest], &right_[oldest], Vec{x, x, x, x});
    output[0] = made.left[0];  // the other lanes were made of frames further on
    output[1] = made.right[0];
    frac_ += ramp_.next();
    settle(centre_, frac_);
}

}  // namespace engine
