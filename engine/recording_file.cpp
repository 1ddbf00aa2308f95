#include "engine/recording_file.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <filesystem>

#include "engine/library_logs.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace engine {
namespace {

constexpr int kPcmFrameSize = 4096;  // frames per write for codecs that take any number
constexpr int kSoundStream = 0;
constexpr int kPictureStream = 1;

// Float to 24-bit held in the top of 32 bits, as FFmpeg's FLAC encoder takes it.
int32_t to24Bit(float sample) {
    const float scaled = std::nearbyint(sample * 8388608.0f);
    return static_cast<int32_t>(std::clamp(scaled, -8388608.0f, 8388607.0f)) * 256;
}

}  // namespace

std::unique_ptr<RecordingFile> RecordingFile::create(const std::string& path, int sampleRate,
                                                     std::string& error) {
    // "Set.FLAC" is a FLAC file too, as every player takes it.
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    Kind kind = Kind::Flac;
    if (extension == ".wav") {
        kind = Kind::Wav;
    } else if (extension == ".mkv") {
        kind = Kind::Matroska;
    } else if (extension != ".flac") {
        error =
            "Unknown recording format \"" + extension + "\": name the file .flac, .wav or .mkv.";
        return nullptr;
    }
    RouteLibraryLogs();
    std::unique_ptr<RecordingFile> file(new RecordingFile);
    if (!file->open(path, sampleRate, kind)) {
        error = file->error_;
        return nullptr;
    }
    return file;
}

bool RecordingFile::open(const std::string& path, int sampleRate, Kind kind) {
    const char* muxers[] = {"flac", "wav", "matroska"};
    int code =
        avformat_alloc_output_context2(&format_, nullptr, muxers[static_cast<int>(kind)], nullptr);
    if (code < 0) {
        return fail("no muxer", code);
    }
    packet_ = av_packet_alloc();
    if (packet_ == nullptr) {
        return fail("no packet", AVERROR(ENOMEM));
    }
    if (!openSound(sampleRate, kind) || (kind == Kind::Matroska && !openPictures())) {
        return false;
    }
    if ((code = avio_open(&format_->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) {
        return fail(("cannot write " + path).c_str(), code);
    }
    AVDictionary* options = nullptr;
    av_dict_set(&options, "rf64", "auto", 0);  // WAV past 4 GB; the others ignore it
    code = avformat_write_header(format_, &options);
    av_dict_free(&options);
    return code >= 0 || fail("cannot write the header", code);
}

bool RecordingFile::addStream(AVCodecContext* codec) {
    if ((format_->oformat->flags & AVFMT_GLOBALHEADER) != 0) {
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    AVStream* stream = avformat_new_stream(format_, nullptr);
    if (stream == nullptr) {
        return fail("no stream", AVERROR(ENOMEM));
    }
    int code = avcodec_open2(codec, codec->codec, nullptr);
    if (code < 0 || (code = avcodec_parameters_from_context(stream->codecpar, codec)) < 0) {
        return fail("the encoder refused the format", code);
    }
    stream->time_base = codec->time_base;
    return true;
}

bool RecordingFile::openSound(int sampleRate, Kind kind) {
    const bool wav = kind == Kind::Wav;
    const AVCodec* codec = avcodec_find_encoder(wav ? AV_CODEC_ID_PCM_F32LE : AV_CODEC_ID_FLAC);
    sound_ = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
    soundFrame_ = av_frame_alloc();
    if (sound_ == nullptr || soundFrame_ == nullptr) {
        return fail("no sound encoder", AVERROR(ENOMEM));
    }
    sound_->sample_rate = sampleRate;
    av_channel_layout_default(&sound_->ch_layout, 2);
    sound_->sample_fmt = wav ? AV_SAMPLE_FMT_FLT : AV_SAMPLE_FMT_S32;
    sound_->bits_per_raw_sample = wav ? 32 : 24;
    sound_->time_base = {1, sampleRate};
    if (!addStream(sound_)) {
        return false;
    }
    frameSize_ = static_cast<size_t>(sound_->frame_size > 0 ? sound_->frame_size : kPcmFrameSize);
    soundFrame_->format = sound_->sample_fmt;
    soundFrame_->sample_rate = sampleRate;
    soundFrame_->nb_samples = static_cast<int>(frameSize_);
    av_channel_layout_copy(&soundFrame_->ch_layout, &sound_->ch_layout);
    const int code = av_frame_get_buffer(soundFrame_, 0);
    return code >= 0 || fail("no frame", code);
}

bool RecordingFile::openPictures() {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_H264);
    video_ = codec != nullptr ? avcodec_alloc_context3(codec) : nullptr;
    videoFrame_ = av_frame_alloc();
    if (video_ == nullptr || videoFrame_ == nullptr) {
        return fail("no H.264 encoder", AVERROR_ENCODER_NOT_FOUND);
    }
    video_->width = kPictureWidth;
    video_->height = kPictureHeight;
    video_->pix_fmt = AV_PIX_FMT_YUV420P;
    video_->time_base = {1, kPicturesPerSecond};
    video_->framerate = {kPicturesPerSecond, 1};
    video_->gop_size = 2 * kPicturesPerSecond;  // a key picture every 2 s: a cut file plays
    video_->max_b_frames = 0;  // each picture out as it goes in, flushed with the sound
    av_opt_set(video_->priv_data, "preset", "veryfast", 0);
    av_opt_set(video_->priv_data, "tune", "zerolatency", 0);
    video_->thread_count = 1;  // beside the mix and the window, on few cores
    if (!addStream(video_)) {
        return false;
    }
    videoFrame_->format = video_->pix_fmt;
    videoFrame_->width = kPictureWidth;
    videoFrame_->height = kPictureHeight;
    const int code = av_frame_get_buffer(videoFrame_, 0);
    return code >= 0 || fail("no picture", code);
}

RecordingFile::~RecordingFile() {
    if (format_ != nullptr && format_->pb != nullptr) {
        finish();
    }
    sws_freeContext(scaler_);
    av_packet_free(&packet_);
    av_frame_free(&soundFrame_);
    av_frame_free(&videoFrame_);
    avcodec_free_context(&sound_);
    avcodec_free_context(&video_);
    avformat_free_context(format_);
}

bool RecordingFile::fail(const char* what, int code) {
    char reason[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, reason, sizeof reason);
    if (!failed_) {
        error_ = std::string(what) + ": " + reason;
    }
    failed_ = true;
    return false;
}

bool RecordingFile::write(const float* stereo, size_t frames) {
    return encode(stereo, frames);
}

bool RecordingFile::writeSilence(size_t frames) {
    return encode(nullptr, frames);
}

// Fills the codec frame from `stereo` (silence for nullptr), sending each full one.
bool RecordingFile::encode(const float* stereo, size_t frames) {
    const bool wav = sound_->sample_fmt == AV_SAMPLE_FMT_FLT;
    while (frames > 0 && !failed_) {
        const int code = av_frame_make_writable(soundFrame_);  // the encoder may hold the last
        if (code < 0) {
            return fail("no frame", code);
        }
        const size_t n = std::min(frames, frameSize_ - filled_);
        const size_t at = 2 * filled_;
        for (size_t i = 0; i < 2 * n; ++i) {
            const float sample = stereo != nullptr ? stereo[i] : 0.0f;
            if (wav) {
                reinterpret_cast<float*>(soundFrame_->data[0])[at + i] = sample;
            } else {
                reinterpret_cast<int32_t*>(soundFrame_->data[0])[at + i] = to24Bit(sample);
            }
        }
        filled_ += n;
        frames -= n;
        if (stereo != nullptr) {
            stereo += 2 * n;
        }
        if (filled_ == frameSize_ && !sendSound()) {
            return false;
        }
    }
    return !failed_;
}

bool RecordingFile::sendSound() {
    soundFrame_->nb_samples = static_cast<int>(filled_);
    soundFrame_->pts = nextPts_;
    nextPts_ += static_cast<int64_t>(filled_);
    filled_ = 0;
    return sendFrame(sound_, kSoundStream, soundFrame_);
}

bool RecordingFile::writePicture(const windowing::VideoFrame* picture) {
    if (failed_ || video_ == nullptr) {
        return false;
    }
    int code = av_frame_make_writable(videoFrame_);
    if (code < 0) {
        return fail("no picture", code);
    }
    if (picture == nullptr || picture->width <= 0 || picture->height <= 0) {
        const ptrdiff_t linesizes[4] = {videoFrame_->linesize[0], videoFrame_->linesize[1],
                                        videoFrame_->linesize[2], 0};
        av_image_fill_black(videoFrame_->data, linesizes, AV_PIX_FMT_YUV420P, AVCOL_RANGE_MPEG,
                            kPictureWidth, kPictureHeight);
    } else {
        scaler_ = sws_getCachedContext(scaler_, picture->width, picture->height, AV_PIX_FMT_RGB32,
                                       kPictureWidth, kPictureHeight, AV_PIX_FMT_YUV420P,
                                       SWS_BILINEAR, nullptr, nullptr, nullptr);
        if (scaler_ == nullptr) {
            return fail("no picture scaler", AVERROR(EINVAL));
        }
        const auto* pixels = reinterpret_cast<const uint8_t*>(picture->pixels.data());
        const int stride = 4 * picture->width;
        sws_scale(scaler_, &pixels, &stride, 0, picture->height, videoFrame_->data,
                  videoFrame_->linesize);
    }
    videoFrame_->pts = nextPicture_++;
    return sendFrame(video_, kPictureStream, videoFrame_);
}

bool RecordingFile::sendFrame(AVCodecContext* codec, int stream, AVFrame* frame) {
    int code = avcodec_send_frame(codec, frame);
    while (code >= 0) {
        code = avcodec_receive_packet(codec, packet_);
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) {
            break;
        }
        if (code >= 0) {
            packet_->stream_index = stream;
            if (codec == video_ && packet_->duration == 0) {
                packet_->duration = 1;  // a picture's time: the file's length counts the last
            }
            av_packet_rescale_ts(packet_, codec->time_base, format_->streams[stream]->time_base);
            code = av_interleaved_write_frame(format_, packet_);
        }
    }
    if (code < 0 && code != AVERROR(EAGAIN) && code != AVERROR_EOF) {
        return fail("writing the recording failed", code);
    }
    return true;
}

bool RecordingFile::flush() {
    if (failed_) {
        return false;
    }
    avio_flush(format_->pb);
    return format_->pb->error >= 0 || fail("writing the recording failed", format_->pb->error);
}

bool RecordingFile::finish() {
    if (format_ == nullptr || format_->pb == nullptr) {
        return !failed_;
    }
    if (!failed_ && filled_ > 0) {
        sendSound();
    }
    if (!failed_) {
        sendFrame(sound_, kSoundStream, nullptr);  // the encoders' last packets
    }
    if (!failed_ && video_ != nullptr) {
        sendFrame(video_, kPictureStream, nullptr);
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
