#include "engine/sinc_filter.h"

#include <cmath>
#include <cstdint>
#include <numbers>

namespace engine {
namespace {

// Kaiser window shape for about 100 dB of stopband attenuation.
constexpr double kBeta = 10.0;

// The zeroth-order modified Bessel function of the first kind, by its power series.
double besselI0(double x) {
    double sum = 1, term = 1;
    for (int k = 1; term > 1e-12 * sum; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

double windowedSinc(double u) {
    const double edge = u / SincFilter::kHalfTaps;
    if (std::fabs(edge) >= 1) {
        return 0;
    }
    const double window = besselI0(kBeta * std::sqrt(1 - edge * edge)) / besselI0(kBeta);
    if (u == std::round(u)) {
        return u == 0 ? 1 : 0;  // exact zeros, so a whole-sample delay copies bit for bit
    }
    const double x = std::numbers::pi * u;
    return window * std::sin(x) / x;
}

}  // namespace

const SincFilter& SincFilter::instance() {
    static const SincFilter filter;
    return filter;
}

SincFilter::SincFilter() {
    for (size_t i = 0; i < kPoints; ++i) {
        table_[i] = static_cast<float>(windowedSinc(static_cast<double>(i) / kPhases - kReach));
    }
    // Row p, tap t: distance t - kHalfTaps + 1 - p / kPhases.
    for (int p = 0; p <= kPhases; ++p) {
        for (int t = 0; t < kTaps; ++t) {
            bank_[static_cast<size_t>(p * kTaps + t)] =
                table_[static_cast<size_t>((t + 1 + kMargin) * kPhases - p)];
        }
    }
}

void SincFilter::sample(double first, double step, size_t count, float gain, float* out) const {
    // Table positions in 32.32 fixed point: whole steps stay exact over the whole span.
    constexpr double kOne = 4294967296.0;
    auto x = static_cast<uint64_t>((first + kReach) * kPhases * kOne);
    const auto dx = static_cast<uint64_t>(step * kPhases * kOne);
    for (size_t k = 0; k < count; ++k, x += dx) {
        const size_t i = x >> 32;
        const float w = static_cast<float>(x & 0xFFFFFFFFu) * (1.0f / 4294967296.0f);
        out[k] = gain * (table_[i] + w * (table_[i + 1] - table_[i]));
    }
}

}  // namespace engine
