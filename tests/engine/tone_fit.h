#pragma once
// Measures a sine of known frequency in one channel of interleaved stereo: its amplitude,
// and everything else (harmonics, images, aliases, noise) relative to it. Shared by the
// engine tests and the sound benchmark.

#include <cstddef>
#include <vector>

namespace tonefit {

struct ToneFit {
    double amplitude;  // of the least-squares sine at the frequency
    double residual;   // RMS of what is left, over the sine's RMS: THD+N as a ratio
};

ToneFit fitTone(const std::vector<float>& stereo, int channel, int rate, double frequency,
                size_t from, size_t to);

double decibels(double ratio);

}  // namespace tonefit
