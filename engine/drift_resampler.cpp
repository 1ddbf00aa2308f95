#include "engine/drift_resampler.h"

#include <algorithm>

#include "engine/float_vec.h"

namespace engine {
namespace {

constexpr int kPoints = DriftResampler::kPoints;
static_assert(kPoints % 2 == 0);

// A vector holds two stereo frames, or two frames' weights each twice over.
using simd::load;
using simd::Vec;
constexpr size_t kPairs = kPoints / 2;

// Where the window's frame k lies from the centre frame, in frames.
constexpr int offset(int k) {
    return k - DriftResampler::kBehind;
}

// The Lagrange weight of each of the window's frames as a polynomial in the output time x
// past the centre frame (1 at its own frame, 0 at the others), arranged for Horner's rule
// on vectors: kCoefficients[p][v] holds the x^p coefficients of frames 2v and 2v + 1, each
// twice (left, right).
using Coefficients = std::array<std::array<std::array<float, 4>, kPairs>, kPoints>;
constexpr Coefficients coefficients() {
    Coefficients result{};
    for (int k = 0; k < kPoints; ++k) {
        std::array<double, kPoints> poly{1};  // multiplied out one factor at a time
        for (int j = 0, degree = 0; j < kPoints; ++j) {
            if (j == k) {
                continue;
            }
            const double scale = 1.0 / (offset(k) - offset(j));
            for (int p = ++degree; p >= 0; --p) {
                poly[p] = ((p > 0 ? poly[p - 1] : 0) - offset(j) * poly[p]) * scale;
            }
        }
        for (int p = 0; p < kPoints; ++p) {
            auto& lanes = result[p][k / 2];
            lanes[2 * (k % 2)] = lanes[2 * (k % 2) + 1] = static_cast<float>(poly[p]);
        }
    }
    return result;
}
constexpr Coefficients kCoefficients = coefficients();

// One output frame from the window's kPoints interleaved frames, `x` past its centre frame.
void interpolate(const float* window, float x, float* frame) {
    Vec sum{};
#pragma GCC unroll 8
    for (size_t v = 0; v < kPairs; ++v) {
        Vec weights = load(kCoefficients[kPoints - 1][v].data());
#pragma GCC unroll 8
        for (size_t p = kPoints - 1; p-- > 0;) {
            weights = weights * x + load(kCoefficients[p][v].data());
        }
        sum += weights * load(window + 4 * v);
    }
    frame[0] = sum[0] + sum[2];
    frame[1] = sum[1] + sum[3];
}

}  // namespace

void DriftResampler::reset(int64_t frame) {
    std::fill_n(buffer_.begin(), 2 * kBehind, 0.0f);
    fill_ = kBehind;
    origin_ = frame - kBehind;
    centre_ = frame;
    frac_ = 0;
    ramp_.land();
}

Resampler::Progress DriftResampler::process(const float* input, size_t inputFrames, float* output,
                                            size_t outputFrames) {
    // The output time on locals, kept in registers while the output is written.
    int64_t centre = centre_;
    double frac = frac_;
    StepRamp ramp = ramp_;
    Resampler::Progress done{0, 0};
    while (done.made < outputFrames) {
        // The buffer index of the window's oldest frame, which is never before the buffer.
        const auto oldest = static_cast<size_t>(centre - kBehind - origin_);
        if (oldest + kPoints > fill_) {  // the window is not all here
            if (done.used == inputFrames) {
                break;  // the caller brings more
            }
            done.used += take(input + 2 * done.used, inputFrames - done.used, oldest);
            continue;
        }
        interpolate(&buffer_[2 * oldest], static_cast<float>(frac), output + 2 * done.made);
        ++done.made;
        for (frac += ramp.next(); frac >= 1; frac -= 1) {
            ++centre;  // a step is near 1 frame: a loop is quicker than std::floor
        }
    }
    centre_ = centre;
    frac_ = frac;
    ramp_ = ramp;
    return done;
}

// Keeps the buffered frames from index `keepFrom` on, and appends what fits of `input`.
size_t DriftResampler::take(const float* input, size_t frames, size_t keepFrom) {
    const size_t drop = std::min(keepFrom, fill_);
    std::copy(buffer_.begin() + 2 * drop, buffer_.begin() + 2 * fill_, buffer_.begin());
    fill_ -= drop;
    origin_ += static_cast<int64_t>(drop);
    const size_t n = std::min(frames, buffer_.size() / 2 - fill_);
    std::copy_n(input, 2 * n, buffer_.begin() + 2 * fill_);
    fill_ += n;
    return n;
}

}  // namespace engine
