#pragma once
// Reads a file's sound on its timeline (see sound_index.h) as interleaved stereo float,
// from any frame. Seeks use the scan's index, not FFmpeg's estimates: land a few packets
// before the target (decoder warm-up), decode forward and drop samples up to the exact
// target. Straight decoding runs the same path, so both give identical samples. Segments at
// another rate than the timeline's are resampled to it (see rate_segments.h). Sound missing
// from the timeline (a corrupt packet) reads as silence; before the sound starts and past
// its end, up to the length (a longer video), silence too.
//
// Threads: one reader thread (the UI thread during open).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/segment_resampler.h"
#include "engine/sound_index.h"
#include "engine/stereo_converter.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;

namespace engine {

class SoundReader {
  public:
    // `format` demuxes the file `index` describes; both must outlive the reader.
    SoundReader(AVFormatContext* format, const SoundIndex& index);
    ~SoundReader();
    SoundReader(const SoundReader&) = delete;
    SoundReader& operator=(const SoundReader&) = delete;

    // The next read() starts exactly at `frame` (0..lengthFrames).
    void seek(int64_t frame);
    // Fills up to `frames` stereo frames; fewer only at the length; 0 once there.
    size_t read(float* stereo, size_t frames);
    // The frame read() returns next.
    int64_t position() const { return position_; }
    // Whether any sound has decoded since the reader was made.
    bool decodedAny() const { return framesDecoded_ > 0; }

  private:
    void positionDemuxer(size_t packet);
    bool decodeMore();
    bool matchesSeekTarget();
    void drainDecoder();
    void emitFrame(const AVFrame* frame, int64_t rawStart);
    void appendRaw(const float* stereo, int64_t rawStart, int64_t count, bool silence);
    void appendSilence(int64_t rawStart, int64_t count);
    void placeRaw(const float* stereo, int64_t raw, int64_t count, bool silence);
    void resample(const RateSegment& segment, const float* stereo, int64_t count);
    void endResampling();
    void placeFrames(const float* stereo, int64_t frame, int64_t count);
    void placeSilence(int64_t frame, int64_t count);
    size_t readPending(float* stereo, size_t room);

    // Immutable.
    AVFormatContext* const format_;
    const SoundIndex& index_;
    const int prerollPackets_;
    const bool byteSeek_;        // raw formats (mp3, wav): seek by byte position, match by pos
    const bool demuxFromStart_;  // timestamps after a seek are not the scan's (Ogg)

    AVCodecContext* decoder_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    StereoConverter converter_;
    std::vector<float> convert_;  // one converted frame
    std::vector<float> scratch_;  // resampled frames on their way to pending_
    SegmentResampler resampler_;
    std::vector<float> pending_;   // decoded frames on the timeline, not yet read
    size_t pendingRead_ = 0;       // frames of pending_ already read
    int64_t pendingSilence_ = 0;   // frames of silence (a gap) read before pending_
    int64_t position_ = 0;         // timeline frame that read() returns next
    int64_t nextRaw_ = 0;          // raw sample the decoder is expected to produce next
    int64_t feedFromRaw_ = 0;      // raw samples before this are decoder warm-up
    int64_t dropBeforeFrame_ = 0;  // the seek target, counted like skipFrames
    size_t nextPacket_ = 0;        // index of the next sound packet the demuxer returns
    size_t firstDecoded_ = 0;      // packets before this one are skipped undecoded
    bool matching_ = false;        // after a seek: looking for packets[nextPacket_]
    bool fellBack_ = false;        // a seek missed its packet once and restarted at 0
    bool decoderDrained_ = false;
    bool soundEnded_ = true;     // no more decoded sound: silence up to the length
    int64_t framesDecoded_ = 0;  // decoded frames so far
};

}  // namespace engine
