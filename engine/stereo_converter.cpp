#include "engine/stereo_converter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cmath>

namespace engine {
namespace {

// Decoded samples beyond this magnitude (+24 dB over full scale) are no sound a file means
// to make: a hostile float file's infinities, NaNs and 1e38s would poison the resampler's
// state and the mix for good. Sound within it passes untouched.
constexpr float kLoudestSample = 16.0f;

void tameSamples(float* samples, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const float s = samples[i];
        samples[i] = std::isnan(s) ? 0.0f : std::clamp(s, -kLoudestSample, kLoudestSample);
    }
}

}  // namespace

StereoConverter::~StereoConverter() {
    swr_free(&swr_);
}

bool StereoConverter::prepare(const AVFrame* frame, int sampleRate) {
    const int channels = frame->ch_layout.nb_channels;
    if (swr_ != nullptr && inFormat_ == frame->format && inChannels_ == channels &&
        rate_ == sampleRate) {
        return true;
    }
    swr_free(&swr_);
    AVChannelLayout in{};
    if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        av_channel_layout_default(&in, channels);
    } else {
        av_channel_layout_copy(&in, &frame->ch_layout);
    }
    // Mono is converted to mono and duplicated by hand: swresample would spread it at
    // -3 dB per side, and a mono file must sound at its own level on both channels.
    AVChannelLayout out{};
    av_channel_layout_default(&out, channels == 1 ? 1 : 2);
    const int made =
        swr_alloc_set_opts2(&swr_, &out, AV_SAMPLE_FMT_FLT, sampleRate, &in,
                            static_cast<AVSampleFormat>(frame->format), sampleRate, 0, nullptr);
    av_channel_layout_uninit(&in);
    // Normalised downmix (stereo to stereo stays the identity).
    if (made >= 0) {
        av_opt_set_double(swr_, "rematrix_maxval", 1.0, 0);
    }
    if (made < 0 || swr_init(swr_) < 0) {
        swr_free(&swr_);
        return false;
    }
    inFormat_ = frame->format;
    inChannels_ = channels;
    rate_ = sampleRate;
    return true;
}

int64_t StereoConverter::convert(const AVFrame* frame, int sampleRate, std::vector<float>& stereo) {
    const int channels = frame->ch_layout.nb_channels;
    const int count = frame->nb_samples;
    if (channels <= 0 || count <= 0 || !prepare(frame, sampleRate)) {
        return 0;
    }
    stereo.resize(static_cast<size_t>(count) * 2);
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(stereo.data())};
    const int converted = swr_convert(swr_, outPlanes, count,
                                      const_cast<const uint8_t**>(frame->extended_data), count);
    if (converted <= 0) {
        return 0;
    }
    tameSamples(stereo.data(), static_cast<size_t>(converted) * (channels == 1 ? 1 : 2));
    if (channels == 1) {
        for (int i = converted - 1; i >= 0; --i) {
            const float s = stereo[static_cast<size_t>(i)];
            stereo[2 * static_cast<size_t>(i)] = s;
            stereo[2 * static_cast<size_t>(i) + 1] = s;
        }
    }
    return converted;
}

}  // namespace engine
