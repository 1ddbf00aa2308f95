#include "tone_fit.h"

#include <cmath>
#include <numbers>

namespace tonefit {

ToneFit fitTone(const std::vector<float>& stereo, int channel, int rate, double frequency,
                size_t from, size_t to) {
    // y ~ a sin + b cos: the 2x2 normal equations, exact on any window length.
    const double w = 2 * std::numbers::pi * frequency / rate;
    double ss = 0, cc = 0, sc = 0, ys = 0, yc = 0;
    for (size_t i = from; i < to; ++i) {
        const double s = std::sin(w * static_cast<double>(i)),
                     c = std::cos(w * static_cast<double>(i));
        const double y = stereo[2 * i + static_cast<size_t>(channel)];
        ss += s * s;
        cc += c * c;
        sc += s * c;
        ys += y * s;
        yc += y * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double rest = 0;
    for (size_t i = from; i < to; ++i) {
        const double phase = w * static_cast<double>(i);
        const double r = stereo[2 * i + static_cast<size_t>(channel)] -
                         (a * std::sin(phase) + b * std::cos(phase));
        rest += r * r;
    }
    const double amplitude = std::hypot(a, b);
    const double restRms = std::sqrt(rest / static_cast<double>(to - from));
    return {amplitude, restRms / (amplitude / std::numbers::sqrt2)};
}

double decibels(double ratio) {
    return 20 * std::log10(ratio);
}

}  // namespace tonefit
