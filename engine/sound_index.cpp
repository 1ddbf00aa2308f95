#include "engine/sound_index.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/intreadwrite.h>
}

#include <algorithm>
#include <limits>
#include <string_view>

#include "engine/media_input.h"
#include "engine/packet_samples.h"
#include "engine/sound_decoder.h"
#include "util/checked_arithmetic.h"

namespace engine {
using useful::CheckedAdd;
using useful::CheckedMultiply64;
using useful::CheckedSubtract;

namespace {

constexpr int64_t kUnknownTime = std::numeric_limits<int64_t>::min();

// A packet's stated time, presentation first.
int64_t packetTime(const AVPacket* packet) {
    return packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
}

struct VideoSpan {  // in the stream's time base
    int64_t first = std::numeric_limits<int64_t>::max();
    int64_t end = std::numeric_limits<int64_t>::min();
    bool known() const { return end > first; }
};

// Reads a file once at open into a SoundIndex. The last two sound packets are kept to count
// the last one again (see settleLastPacket).
class Scanner {
  public:
    Scanner(MediaInput& input, const SoundStream& sound);
    ~Scanner();
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    std::optional<SoundIndex> scan();

  private:
    bool readPackets();
    bool readContainerIndex();
    bool readSoundIndexEntries(AVStream* sound);
    int entriesInFile(AVStream* stream) const;
    int64_t indexedEnd(AVStream* stream) const;
    void addSoundPacket();
    void addVideoPacket();
    void settleLastPacket();
    void dropSound();
    void placeOnTimeline();

    MediaInput& input_;
    AVFormatContext* format_;
    int64_t fileSize_;                   // -1 unknown
    AVCodecContext* decoder_ = nullptr;  // counts what the codec cannot size
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    SoundIndex index_;
    int rate_ = 0;  // the sound's rate as known so far (a stream beyond the probe: none yet)
    std::vector<VideoSpan> video_;
    std::vector<bool> isVideo_;

    int64_t raw_ = 0;  // raw samples so far
    int64_t startSkip_ = 0;
    int64_t endSkip_ = 0;
    int64_t firstTime_ = kUnknownTime;  // the first timed packet's time, in the stream's base
    int64_t firstTimeRaw_ = 0;          // its first raw sample
    AVPacket* previous_ = nullptr;
    AVPacket* last_ = nullptr;
    int64_t lastCount_ = 0;    // samples counted for the last packet
    int lastRate_ = 0;         // and their rate
    int64_t lastEndSkip_ = 0;  // padding its side data states
    bool lastDecoded_ = false;
    bool rateless_ = false;  // some sound decoded with no sample rate: it cannot be placed
};

Scanner::Scanner(MediaInput& input, const SoundStream& sound)
    : input_(input),
      format_(input.format()),
      fileSize_(avio_size(format_->pb)),
      packet_(av_packet_alloc()),
      frame_(av_frame_alloc()),
      video_(format_->nb_streams),
      isVideo_(format_->nb_streams, false),
      previous_(av_packet_alloc()),
      last_(av_packet_alloc()) {
    if (sound.stream >= 0) {
        decoder_ = OpenSoundDecoder(format_->streams[sound.stream], sound.codec);
    }
    if (decoder_ != nullptr) {
        index_.sound = sound;
        rate_ = decoder_->sample_rate;
    }
}

Scanner::~Scanner() {
    av_packet_free(&previous_);
    av_packet_free(&last_);
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&decoder_);
}

std::optional<SoundIndex> Scanner::scan() {
    if (packet_ == nullptr || frame_ == nullptr || previous_ == nullptr || last_ == nullptr) {
        return std::nullopt;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        AVStream* stream = format_->streams[i];
        isVideo_[i] = IsRealVideo(stream);
        if (!isVideo_[i] && static_cast<int>(i) != index_.sound.stream) {
            stream->discard = AVDISCARD_ALL;
        }
    }
    if (!readContainerIndex() && !readPackets()) {
        return std::nullopt;  // stalled or interrupted
    }
    index_.segments.place();
    if (!index_.segments.empty()) {
        rate_ = index_.segments.timelineRate();
    }
    index_.skipFrames = index_.segments.toFrame(std::min(startSkip_, raw_));
    index_.soundFrames = std::max<int64_t>(
        0, CheckedSubtract(index_.segments.toFrame(CheckedSubtract(raw_, endSkip_)),
                           index_.skipFrames));
    if (index_.hasSound() && (index_.soundFrames == 0 || rate_ <= 0 || rateless_)) {
        dropSound();
    }
    // A silent video plays silence at the usual output rate.
    index_.sampleRate = index_.hasSound() ? rate_ : 48000;
    placeOnTimeline();
    return std::move(index_);
}

bool Scanner::readPackets() {
    int result = 0;
    while ((result = av_read_frame(format_, packet_)) >= 0) {
        const int stream = packet_->stream_index;
        if (stream == index_.sound.stream) {
            addSoundPacket();
        } else if (isVideo_[stream]) {
            addVideoPacket();
        }
        av_packet_unref(packet_);
        input_.madeProgress();
    }
    if (MediaInput::gaveUp(result)) {
        return false;
    }
    if (index_.hasSound()) {
        settleLastPacket();
    }
    return true;
}

void Scanner::addVideoPacket() {
    const int64_t time = packetTime(packet_);
    if (time != AV_NOPTS_VALUE) {
        VideoSpan& span = video_[packet_->stream_index];
        span.first = std::min(span.first, time);
        span.end = std::max(span.end, CheckedAdd(time, std::max<int64_t>(packet_->duration, 0)));
    }
}

void Scanner::addSoundPacket() {
    const AVStream* stream = format_->streams[index_.sound.stream];
    // The first packet counts what a fresh decoder gives (Vorbis gives nothing); later ones
    // what the codec fixes, or an exact container clock, or failing both the decoder. A
    // packet at another rate starts a segment at that rate.
    PacketSamples known;
    if (!index_.packets.empty() && rate_ > 0) {
        known = packetSamples(*packet_, *stream->codecpar, stream->time_base, rate_);
    }
    const bool decoded = known.count < 0;
    if (decoded) {
        const DecodedCount frames = DecodeAndCount(decoder_, packet_, frame_);
        if (rate_ == 0) {
            rate_ = frames.rate;  // the container did not say it
        }
        known = {frames.samples, frames.rate > 0 ? frames.rate : rate_};
    }
    const int64_t count = known.count;
    if (known.rate <= 0 && count > 0) {
        rateless_ = true;  // samples with no rate have no place on a timeline
        return;
    }
    int64_t endSkip = 0;
    size_t size = 0;
    const uint8_t* skip = av_packet_get_side_data(packet_, AV_PKT_DATA_SKIP_SAMPLES, &size);
    if (skip != nullptr && size >= 8) {
        startSkip_ += AV_RL32(skip);
        endSkip = AV_RL32(skip + 4);
    }
    // As FFmpeg's own decoding does: padding longer than the packet is not padding.
    endSkip_ += endSkip <= count ? endSkip : 0;
    const int64_t time = packetTime(packet_);
    if (firstTime_ == kUnknownTime && count > 0 && time != AV_NOPTS_VALUE) {
        firstTime_ = time;
        firstTimeRaw_ = raw_;
    }
    index_.packets.push_back({packet_->pos, time, raw_});
    index_.segments.append(count, known.rate);
    raw_ = CheckedAdd(raw_, count);
    av_packet_unref(previous_);
    av_packet_move_ref(previous_, last_);
    av_packet_ref(last_, packet_);
    lastCount_ = count;
    lastRate_ = known.rate;
    lastEndSkip_ = endSkip;
    lastDecoded_ = decoded;
}

// A container may state its last packet shorter than the frame the decoder gives (MP4 edit
// lists, Ogg granules) and may state the same padding again as side data. The decoder's
// count holds; what the container left out is padding.
void Scanner::settleLastPacket() {
    if (index_.packets.empty() || lastDecoded_) {
        return;
    }
    RenewSoundDecoder(decoder_, format_->streams[index_.sound.stream]);
    if (previous_->size > 0) {
        DecodeAndCount(decoder_, previous_, frame_);
    }
    const int64_t actual = DecodeAndCount(decoder_, last_, frame_).samples;
    const int64_t stated = lastCount_;
    if (actual <= 0 || actual == stated) {
        return;
    }
    // A stated count above the decoder's is a wrapped or wild duration (Ogg files of a
    // few samples): the decoder's count holds then too.
    raw_ += actual - stated;
    index_.segments.append(actual - stated, lastRate_);
    endSkip_ -= lastEndSkip_ <= stated ? lastEndSkip_ : 0;
    endSkip_ += std::max(lastEndSkip_ <= actual ? lastEndSkip_ : 0, actual - stated);
}

// MP4, MOV and AVI with an index read every packet's position and time into their index at
// open: the sound's index comes from there without reading the data, so opening does not
// take longer with the file's size. False, with nothing changed, where that index cannot
// state every sound packet exactly (then the scan reads the packets).
bool Scanner::readContainerIndex() {
    const std::string_view name = format_->iformat->name;
    if (name != "avi" && name.find("mp4") == std::string_view::npos) {
        return false;
    }
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        AVStream* stream = format_->streams[i];
        if (stream->discard != AVDISCARD_ALL && static_cast<int>(i) != index_.sound.stream) {
            if (stream->start_time == AV_NOPTS_VALUE || stream->duration <= 0) {
                return false;
            }
            if (entriesInFile(stream) > 0) {
                video_[i] = {stream->start_time, indexedEnd(stream)};
            }
        }
    }
    return !index_.hasSound() || readSoundIndexEntries(format_->streams[index_.sound.stream]);
}

bool Scanner::readSoundIndexEntries(AVStream* sound) {
    const bool avi = std::string_view(format_->iformat->name) == "avi";
    const int count = entriesInFile(sound);
    const AVRational base = sound->time_base;
    // A tick is samplesPerTick / base.den samples. MP4 ticks divide a sample period (its clock
    // runs at the sound's rate, mostly); AVI ticks once a chunk of a fixed number of samples
    // (its header's scale), so its index must hold every chunk, one a tick.
    const int64_t samplesPerTick = static_cast<int64_t>(base.num) * rate_;
    const bool exactClock = samplesPerTick > 0 &&
                            (avi ? samplesPerTick % base.den == 0 : base.den % samplesPerTick == 0);
    if (count <= 0 || !exactClock || sound->start_time == AV_NOPTS_VALUE || sound->duration <= 0) {
        return false;
    }
    const int64_t end = indexedEnd(sound);
    std::vector<SoundPacket> entries;
    int64_t raw = 0;
    for (int i = 0; i < count; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(sound, i);
        const int64_t next =
            i + 1 < count ? avformat_index_get_entry(sound, i + 1)->timestamp : end;
        const int64_t span = CheckedSubtract(next, entry->timestamp);
        const int64_t ticks = span > 0 ? CheckedMultiply64(span, samplesPerTick) : 0;
        if (span <= 0 || ticks % base.den != 0 || (avi && span != 1)) {
            return false;
        }
        entries.push_back({entry->pos, entry->timestamp, raw});
        raw = CheckedAdd(raw, ticks / base.den);
    }
    const int64_t first = avformat_index_get_entry(sound, 0)->timestamp;
    index_.packets = std::move(entries);
    raw_ = raw;
    startSkip_ = std::max<int64_t>(
        0, CheckedMultiply64(CheckedSubtract(sound->start_time, first), samplesPerTick) / base.den);
    firstTime_ = first;
    index_.segments.append(raw, rate_);
    return true;
}

// A file cut short (a copy or a download that stopped) keeps the index of its whole length:
// the entries from the first whose data lies beyond the file's end are not the file's.
int Scanner::entriesInFile(AVStream* stream) const {
    const int count = avformat_index_get_entries_count(stream);
    for (int i = 0; fileSize_ >= 0 && i < count; ++i) {
        const AVIndexEntry* entry = avformat_index_get_entry(stream, i);
        if (entry->pos < 0 || entry->size < 0 || entry->pos > fileSize_ - entry->size) {
            return i;
        }
    }
    return count;
}

// Where a stream's indexed data ends: its stated end, or the time of its first entry beyond
// the file's end.
int64_t Scanner::indexedEnd(AVStream* stream) const {
    const int kept = entriesInFile(stream);
    if (kept < avformat_index_get_entries_count(stream)) {
        return avformat_index_get_entry(stream, kept)->timestamp;
    }
    return CheckedAdd(stream->start_time, stream->duration);
}

void Scanner::dropSound() {
    index_.sound = {};
    index_.packets.clear();
    index_.soundFrames = 0;
}

// Every stream on one timeline: frame 0 is where the earliest one starts.
void Scanner::placeOnTimeline() {
    const AVRational frameBase{1, index_.sampleRate};
    const bool soundTimed = index_.hasSound() && firstTime_ != kUnknownTime;
    const int64_t soundStart =
        soundTimed
            ? CheckedAdd(
                  CheckedSubtract(
                      av_rescale_q(firstTime_, format_->streams[index_.sound.stream]->time_base,
                                   frameBase),
                      index_.segments.toFrame(firstTimeRaw_)),
                  index_.skipFrames)
            : 0;
    int64_t origin = index_.hasSound() ? soundStart : std::numeric_limits<int64_t>::max();
    int64_t videoEnd = std::numeric_limits<int64_t>::min();
    for (unsigned i = 0; i < format_->nb_streams; ++i) {
        if (isVideo_[i]) {
            format_->streams[i]->discard = AVDISCARD_ALL;  // the picture's decoder reads them
        }
        if (isVideo_[i] && video_[i].known()) {
            const AVRational base = format_->streams[i]->time_base;
            origin = std::min(origin, av_rescale_q(video_[i].first, base, frameBase));
            videoEnd = std::max(videoEnd, av_rescale_q(video_[i].end, base, frameBase));
        }
    }
    index_.originFrames = origin == std::numeric_limits<int64_t>::max() ? 0 : origin;
    index_.videoFrames = videoEnd == std::numeric_limits<int64_t>::min()
                             ? 0
                             : CheckedSubtract(videoEnd, index_.originFrames);
    index_.leadFrames = soundTimed ? CheckedSubtract(soundStart, index_.originFrames) : 0;
    index_.lengthFrames =
        std::max(CheckedAdd(index_.leadFrames, index_.soundFrames), index_.videoFrames);
}

}  // namespace

SoundIndex SoundIndex::withoutSound() const {
    SoundIndex silent = *this;
    silent.sound = {};
    silent.packets.clear();
    silent.soundFrames = 0;
    silent.leadFrames = 0;
    silent.lengthFrames = videoFrames;
    return silent;
}

std::optional<SoundIndex> ScanFile(MediaInput& input, const SoundStream& sound) {
    try {
        return Scanner(input, sound).scan();
    } catch (const useful::ArithmeticFailure&) {
        return std::nullopt;  // times or counts beyond any real file's
    }
}

}  // namespace engine
