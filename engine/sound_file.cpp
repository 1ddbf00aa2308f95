#include "engine/sound_file.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace engine {
namespace {

constexpr int kPcmFrameSize = 4096;  // frames per write for codecs that take any number

// Float to 24-bit held in the top of 32 bits, as FFmpeg's FLAC encoder takes it.
int32_t to24Bit(float sample) {
    const float scaled = std::nearbyint(sample * 8388608.0f);
    return static_cast<int32_t>(std::clamp(scaled, -8388608.0f, 8388607.0f)) * 256;
}

}  // namespace

std::unique_ptr<SoundFile> SoundFile::create(const std::string& path, int sampleRate,
                                             std::string& error) {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension != ".flac" && extension != ".wav") {
        error = "Unknown recording format \"" + extension + "\": name the file .flac or .wav.";
        return nullptr;
    }
    std::unique_ptr<SoundFile> file(new SoundFile);
    if (!file->open(path, sampleRate, extension == ".flac")) {
        error = file->error_;
        return nullptr;
    }
    return file;
}

bool SoundFile::open(const std::string& path, int sampleRate, bool flac) {
    int code = avformat_alloc_output_context2(&format_, nullptr, flac ? "flac" : "wav", nullptr);
    if (code < 0) {
        return fail("no muxer", code);
    }
    const AVCodec* codec = avcodec_find_encoder(flac ? AV_CODEC_ID_FLAC : AV_CODEC_ID_PCM_F32LE);
    AVStream* stream = avformat_new_stream(format_, nullptr);
    codec_ = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
    if (stream == nullptr || codec_ == nullptr) {
        return fail("no encoder", AVERROR(ENOMEM));
    }
    codec_->sample_rate = sampleRate;
    av_channel_layout_default(&codec_->ch_layout, 2);
    codec_->sample_fmt = flac ? AV_SAMPLE_FMT_S32 : AV_SAMPLE_FMT_FLT;
    codec_->bits_per_raw_sample = flac ? 24 : 32;
    codec_->time_base = {1, sampleRate};
    if ((code = avcodec_open2(codec_, codec, nullptr)) < 0 ||
        (code = avcodec_parameters_from_context(stream->codecpar, codec_)) < 0) {
        return fail("the encoder refused the format", code);
    }
    stream->time_base = codec_->time_base;
    if ((code = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) {
        return fail(("cannot write " + path).c_str(), code);
    }
    AVDictionary* options = nullptr;
    av_dict_set(&options, "rf64", "auto", 0);  // WAV past 4 GB; the FLAC muxer ignores it
    code = avformat_write_header(format_, &options);
    av_dict_free(&options);
    if (code < 0) {
        return fail("cannot write the header", code);
    }
    frameSize_ = static_cast<size_t>(codec_->frame_size > 0 ? codec_->frame_size : kPcmFrameSize);
    frame_ = av_frame_alloc();
    packet_ = av_packet_alloc();
    if (frame_ == nullptr || packet_ == nullptr) {
        return fail("no frame", AVERROR(ENOMEM));
    }
    frame_->format = codec_->sample_fmt;
    frame_->sample_rate = sampleRate;
    frame_->nb_samples = static_cast<int>(frameSize_);
    av_channel_layout_copy(&frame_->ch_layout, &codec_->ch_layout);
    if ((code = av_frame_get_buffer(frame_, 0)) < 0) {
        return fail("no frame", code);
    }
    return true;
}

SoundFile::~SoundFile() {
    if (format_ != nullptr && format_->pb != nullptr) {
        finish();
    }
    av_packet_free(&packet_);
    av_frame_free(&frame_);
    avcodec_free_context(&codec_);
    avformat_free_context(format_);
}

bool SoundFile::fail(const char* what, int code) {
    char reason[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, reason, sizeof reason);
    if (!failed_) {
        error_ = std::string(what) + ": " + reason;
    }
    failed_ = true;
    return false;
}

bool SoundFile::write(const float* stereo, size_t frames) {
    return encode(stereo, frames);
}

bool SoundFile::writeSilence(size_t frames) {
    return encode(nullptr, frames);
}

// Fills the codec frame from `stereo` (silence for nullptr), sending each full one.
bool SoundFile::encode(const float* stereo, size_t frames) {
    const bool flac = codec_->sample_fmt == AV_SAMPLE_FMT_S32;
    while (frames > 0 && !failed_) {
        const int code = av_frame_make_writable(frame_);  // the encoder may hold the last one
        if (code < 0) {
            return fail("no frame", code);
        }
        const size_t n = std::min(frames, frameSize_ - filled_);
        const size_t at = 2 * filled_;
        for (size_t i = 0; i < 2 * n; ++i) {
            const float sample = stereo != nullptr ? stereo[i] : 0.0f;
            if (flac) {
                reinterpret_cast<int32_t*>(frame_->data[0])[at + i] = to24Bit(sample);
            } else {
                reinterpret_cast<float*>(frame_->data[0])[at + i] = sample;
            }
        }
        filled_ += n;
        frames -= n;
        if (stereo != nullptr) {
            stereo += 2 * n;
        }
        if (filled_ == frameSize_ && !sendFrame(frame_)) {
            return false;
        }
    }
    return !failed_;
}

bool SoundFile::sendFrame(AVFrame* frame) {
    if (frame != nullptr) {
        frame->nb_samples = static_cast<int>(filled_);
        frame->pts = nextPts_;
        nextPts_ += static_cast<int64_t>(filled_);
        filled_ = 0;
    }
    int code = avcodec_send_frame(codec_, frame);
    while (code >= 0) {
        code = avcodec_receive_packet(codec_, packet_);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) {
            break;
        }
        if (code >= 0) {
            av_packet_rescale_ts(packet_, codec_->time_base, format_->streams[0]->time_base);
            code = av_interleaved_write_frame(format_, packet_);
        }
    }
    if (code < 0 && code != AVERROR(EAGAIN) && code != AVERROR_EOF) {
        return fail("writing the recording failed", code);
    }
    return true;
}

bool SoundFile::flush() {
    if (failed_) {
        return false;
    }
    avio_flush(format_->pb);
    return format_->pb->error >= 0 || fail("writing the recording failed", format_->pb->error);
}

bool SoundFile::finish() {
    if (format_ == nullptr || format_->pb == nullptr) {
        return !failed_;
    }
    if (!failed_ && filled_ > 0) {
        sendFrame(frame_);
    }
    if (!failed_) {
        sendFrame(nullptr);  // the encoder's last packets
    }
    // After a failure too: the trailer states the length where the file still takes it.
    const int trailer = av_write_trailer(format_);
    if (trailer < 0) {
        fail("finishing the recording failed", trailer);
    }
    const int closed = avio_closep(&format_->pb);
    if (closed < 0) {
        fail("closing the recording failed", closed);
    }
    return !failed_;
}

}  // namespace engine
