#include "engine/resampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/float_vec.h"

namespace engine {
namespace {

using simd::kLanes;
using simd::load;
using simd::Vec;
static_assert(SincFilter::kTaps % kLanes == 0);  // whole vectors of taps

float total(Vec v) {
    float sum = 0;
    for (size_t i = 0; i < kLanes; ++i) {
        sum += v[i];
    }
    return sum;
}

// A filter narrowed by less than this would differ by nothing audible (its transition band is
// 9 % of Nyquist wide), and following another sound card's clock stays within it.
constexpr double kUnnarrowedSlack = 1.0 / 1024;

// Frames of history kept before the output time: enough for the widest filter.
constexpr size_t kHistory = Resampler::kMaxHalfTaps;

}  // namespace

Resampler::Resampler() : filter_(SincFilter::instance()) {
    reset(0);
}

void Resampler::reset(int64_t frame) {
    std::fill(left_, left_ + kHistory, 0.0f);
    std::fill(right_, right_ + kHistory, 0.0f);
    fill_ = kHistory;
    centre_ = kHistory;
    origin_ = frame - static_cast<int64_t>(kHistory);
    frac_ = 0;
    ramp_.land();
}

Resampler::Shape Resampler::shape() const {
    const double step = ramp_.step();
    if (step <= 1 + kUnnarrowedSlack) {
        return {1.0, SincFilter::kHalfTaps};
    }
    // Slower output than input: the filter narrows to the output's Nyquist frequency and
    // widens in time accordingly, in whole vectors.
    const double cutoff = std::max(1 / step, 1.0 / kMaxNarrowing);
    const auto half = static_cast<size_t>(std::ceil(SincFilter::kHalfTaps / cutoff));
    return {cutoff, (half + kLanes / 2 - 1) / (kLanes / 2) * (kLanes / 2)};
}

Resampler::Progress Resampler::process(const float* input, size_t inputFrames, float* output,
                                       size_t outputFrames, int64_t endFrame) {
    Progress done{0, 0};
    const auto end = static_cast<double>(endFrame);
    while (done.made < outputFrames && time() < end) {
        const Shape now = shape();
        if (fill_ < centre_ + now.halfTaps + 1) {
            if (done.used == inputFrames) {
                break;  // the caller brings more
            }
            done.used += take(input + 2 * done.used, inputFrames - done.used);
            continue;
        }
        interpolate(now, output + 2 * done.made);
        ++done.made;
        advance();
    }
    return done;
}

size_t Resampler::take(const float* input, size_t frames) {
    if (kCapacity - fill_ < kCapacity / 2) {
        makeRoom();
    }
    const size_t n = std::min(frames, kCapacity - fill_);
    for (size_t i = 0; i < n; ++i) {
        left_[fill_ + i] = input[2 * i];
        right_[fill_ + i] = input[2 * i + 1];
    }
    fill_ += n;
    return n;
}

void Resampler::makeRoom() {
    const size_t shift = std::min(centre_ - kHistory, fill_);
    std::memmove(left_, left_ + shift, (fill_ - shift) * sizeof(float));
    std::memmove(right_, right_ + shift, (fill_ - shift) * sizeof(float));
    fill_ -= shift;
    centre_ -= shift;
    origin_ += static_cast<int64_t>(shift);
}

void Resampler::interpolate(const Shape& shape, float* frame) {
    if (shape.cutoff < 1) {
        interpolateNarrowed(shape, frame);
        return;
    }
    if (frac_ == 0) {
        frame[0] = left_[centre_];  // what the filter gives here too, without the work
        frame[1] = right_[centre_];
        return;
    }
    const double x = frac_ * SincFilter::kPhases;
    const int phase = static_cast<int>(x);
    const auto w = static_cast<float>(x - phase);
    const float* a = filter_.phase(phase);
    const float* b = filter_.phase(phase + 1);
    const float* left = left_ + centre_ + 1 - SincFilter::kHalfTaps;
    const float* right = right_ + centre_ + 1 - SincFilter::kHalfTaps;
    Vec sumLeft{}, sumRight{};
    for (size_t t = 0; t < SincFilter::kTaps; t += kLanes) {
        const Vec below = load(a + t);
        const Vec c = below + w * (load(b + t) - below);
        sumLeft += c * load(left + t);
        sumRight += c * load(right + t);
    }
    frame[0] = total(sumLeft);
    frame[1] = total(sumRight);
}

void Resampler::interpolateNarrowed(const Shape& shape, float* frame) {
    const size_t taps = 2 * shape.halfTaps;
    const double first = (1 - static_cast<double>(shape.halfTaps) - frac_) * shape.cutoff;
    filter_.sample(first, shape.cutoff, taps, static_cast<float>(shape.cutoff), coefficients_);
    const float* left = left_ + centre_ + 1 - shape.halfTaps;
    const float* right = right_ + centre_ + 1 - shape.halfTaps;
    Vec sumLeft{}, sumRight{};
    for (size_t t = 0; t < taps; t += kLanes) {
        const Vec c = load(coefficients_ + t);
        sumLeft += c * load(left + t);
        sumRight += c * load(right + t);
    }
    frame[0] = total(sumLeft);
    frame[1] = total(sumRight);
}

void Resampler::advance() {
    frac_ += ramp_.next();
    const double whole = std::floor(frac_);
    frac_ -= whole;
    centre_ += static_cast<size_t>(whole);
}

}  // namespace engine
