#pragma once
// Decoded sound frames of any sample format and channel layout to interleaved stereo float
// at the same rate. Mono plays at its own level on both channels; surround is downmixed
// normalised, so correlated channels do not sum to several times full scale; samples that
// no file means to make (NaN, infinities, 1e38s) are tamed before they reach a resampler.
//
// Threads: the reader thread that decodes (the UI thread during open).

#include <cstdint>
#include <vector>

struct AVFrame;
struct SwrContext;

namespace engine {

class StereoConverter {
  public:
    StereoConverter() = default;
    ~StereoConverter();
    StereoConverter(const StereoConverter&) = delete;
    StereoConverter& operator=(const StereoConverter&) = delete;

    // Converts `frame` into `stereo` (replaced); returns the frames converted, 0 when the
    // frame has no sound or no converter can be made for it.
    int64_t convert(const AVFrame* frame, int sampleRate, std::vector<float>& stereo);

  private:
    bool prepare(const AVFrame* frame, int sampleRate);

    SwrContext* swr_ = nullptr;
    int inFormat_ = -1, inChannels_ = 0, rate_ = 0;
};

}  // namespace engine
