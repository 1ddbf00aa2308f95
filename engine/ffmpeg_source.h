#pragma once
// One open media file decoded through FFmpeg to interleaved stereo float at the file's
// own sample rate, on an exact timeline of "source frames".
//
// At open the whole file is scanned packet by packet: that gives the exact length (encoder
// delay and padding removed, as FFmpeg's skip-samples side data says), the length of a
// real video stream (cover art excluded), and an index of every sound packet (file
// position, timestamp, first sample). A packet's sample count comes from the codec (see
// packet_samples.h), never from a rounded container clock; the decoder counts the first
// and last packets, and any the codec cannot size. Sound that starts after the file's
// earliest stream starts that much later on the timeline. Seeks use that index, not FFmpeg's
// estimates: land a few packets before the target (decoder warm-up), decode forward and
// drop samples up to the exact target. Straight decoding runs the same path, so both give
// identical samples. A stream whose rate changes inside the file plays on a timeline at
// its highest rate, the other parts resampled (see rate_segments.h); "straight decoding" is
// then this source read from the start, and seeks match it sample for sample. Sound missing
// from the timeline (a corrupt packet) reads as silence; past the end of the sound, up to
// the length (a longer video), silence too.
//
// Threads: open() and the accessors on the UI thread (the accessors are immutable after
// open); after open, seek() and read() belong to one reader thread; interrupt() from any.

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "engine/media_engine.h"
#include "engine/rate_segments.h"
#include "engine/segment_resampler.h"
#include "engine/source.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

namespace engine {

class FfmpegSource final : public Source {
  public:
    static std::unique_ptr<FfmpegSource> open(const std::string& path, OpenError& error);
    ~FfmpegSource() override;
    FfmpegSource(const FfmpegSource&) = delete;
    FfmpegSource& operator=(const FfmpegSource&) = delete;

    // Immutable after open.
    int sampleRate() const override { return sampleRate_; }
    int64_t lengthFrames() const override { return lengthFrames_; }  // longest stream
    int64_t soundFrames() const { return soundFrames_; }             // decoded sound, delay removed
    bool hasSound() const { return audioStream_ >= 0; }

    // Reader thread. The next read() starts exactly at `frame` (0..lengthFrames).
    void seek(int64_t frame) override;
    // Fills up to `frames` stereo frames; fewer only at the length; 0 once there.
    size_t read(float* stereo, size_t frames) override;

    // Any thread: makes blocked I/O give up (the device is closing).
    void interrupt() override { quit_.store(true, std::memory_order_relaxed); }

  private:
    struct PacketEntry {
        int64_t pos;       // byte position in the file (-1 unknown)
        int64_t pts;       // in the stream's time base (AV_NOPTS_VALUE unknown)
        int64_t rawStart;  // first raw (undelayed) sample of this packet
    };

    struct SoundScan;
    struct VideoSpan {  // in the stream's time base
        int64_t first = std::numeric_limits<int64_t>::max();
        int64_t end = std::numeric_limits<int64_t>::min();
    };
    static constexpr int64_t kUnknownTime = std::numeric_limits<int64_t>::min();

    FfmpegSource() = default;
    OpenError openFile(const std::string& path);
    bool scan();
    bool readContainerIndex(SoundScan& sound, std::vector<VideoSpan>& video);
    void addSoundPacket(SoundScan& scan);
    void settleLastPacket(SoundScan& scan);
    struct Decoded {
        int64_t samples = 0;
        int rate = 0;
    };
    Decoded decode(const AVPacket* packet);
    void positionDemuxer(size_t packet);
    void resetDecoder();
    bool decodeMore();
    void emitFrame(const AVFrame* frame, int64_t rawStart);
    void appendRaw(const float* stereo, int64_t rawStart, int64_t count);
    void appendSilence(int64_t rawStart, int64_t count);
    void placeRaw(const float* stereo, int64_t raw, int64_t count);
    void resample(const RateSegment& segment, const float* stereo, int64_t count);
    void endResampling();
    void placeFrames(const float* stereo, int64_t frame, int64_t count);
    void placeSilence(int64_t frame, int64_t count);
    static int interruptCallback(void* self);

    // Immutable after open.
    int audioStream_ = -1;
    int sampleRate_ = 48000;  // the timeline's: the sound's highest
    int64_t lengthFrames_ = 0;
    int64_t soundFrames_ = 0;
    int64_t leadFrames_ = 0;  // silence before the sound starts on the file's timeline
    int64_t skipFrames_ = 0;  // codec delay: frames of decoded sound before the timeline's
    int prerollPackets_ = 4;
    bool byteSeek_ = false;        // raw formats (mp3, wav): seek by byte position, match by pos
    bool demuxFromStart_ = false;  // timestamps after a seek are not the scan's (Ogg)
    std::vector<PacketEntry> index_;
    RateSegments segments_;  // raw samples to timeline frames

    // Reader thread (the UI thread during open).
    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    SwrContext* swr_ = nullptr;
    int swrInRate_ = 0, swrInFormat_ = -1, swrInChannels_ = 0;
    std::vector<float> convert_;  // scratch for one converted frame
    std::vector<float> scratch_;  // resampled frames on their way to pending_
    SegmentResampler resampler_;
    std::vector<float> pending_;   // decoded frames on the timeline, not yet read
    size_t pendingRead_ = 0;       // frames of pending_ already read
    int64_t pendingSilence_ = 0;   // frames of silence (a gap) read before pending_
    bool placingSilence_ = false;  // appendSilence is placing a gap
    int64_t position_ = 0;         // timeline frame that read() returns next
    int64_t nextRaw_ = 0;          // raw sample the decoder is expected to produce next
    int64_t feedFromRaw_ = 0;      // raw samples before this are decoder warm-up
    int64_t dropBeforeFrame_ = 0;  // the seek target, counted like skipFrames_
    size_t nextPacket_ = 0;        // index of the next sound packet the demuxer returns
    size_t firstDecoded_ = 0;      // packets before this one are skipped undecoded
    bool matching_ = false;        // after a seek: looking for index_[nextPacket_]
    bool fellBack_ = false;        // a seek missed its packet once and restarted at 0
    bool decoderDrained_ = false;
    bool soundEnded_ = false;    // no more decoded sound: silence up to the length
    int64_t framesDecoded_ = 0;  // decoded frames so far (open checks that some decode)
    int64_t videoFrames_ = 0;    // length of the longest real video stream, at sampleRate

    // Shared.
    std::atomic<bool> quit_{false};
    std::atomic<int64_t> deadlineNs_{0};  // steady-clock deadline of open, 0 for none
};

}  // namespace engine
