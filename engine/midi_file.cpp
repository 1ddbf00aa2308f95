#include "engine/midi_file.h"

#include <algorithm>
#include <cmath>

namespace engine {
namespace {

constexpr uint32_t kDefaultTempo = 500000;  // microseconds a quarter note: 120 beats a minute
constexpr double kLongestSongSeconds = 24 * 3600.0;  // beyond this a file is taken as damaged

// Big-endian fields and variable-length quantities, never past the end.
class ByteReader {
  public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}
    bool atEnd() const { return at_ >= bytes_.size(); }
    size_t offset() const { return at_; }
    bool byte(uint8_t& value) {
        if (atEnd()) {
            return false;
        }
        value = static_cast<uint8_t>(bytes_[at_++]);
        return true;
    }
    bool number(size_t width, uint32_t& value) {
        value = 0;
        for (size_t i = 0; i < width; ++i) {
            uint8_t b = 0;
            if (!byte(b)) {
                return false;
            }
            value = (value << 8) | b;
        }
        return true;
    }
    bool quantity(uint32_t& value) {  // at most four bytes of seven bits
        value = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b = 0;
            if (!byte(b)) {
                return false;
            }
            value = (value << 7) | (b & 0x7F);
            if ((b & 0x80) == 0) {
                return true;
            }
        }
        return false;
    }
    bool skip(size_t count) {
        if (bytes_.size() - at_ < count) {
            return false;
        }
        at_ += count;
        return true;
    }
    std::string_view take(size_t count) {
        count = std::min(count, bytes_.size() - at_);  // a truncated chunk keeps what is there
        const std::string_view part = bytes_.substr(at_, count);
        at_ += count;
        return part;
    }

  private:
    std::string_view bytes_;
    size_t at_ = 0;
};

struct TickedEvent {
    uint64_t tick;
    MidiEvent event;
};

struct TempoChange {
    uint64_t tick;
    uint32_t microsPerQuarter;
};

struct Tracks {
    std::vector<TickedEvent> events;  // track after track, each in its own order
    std::vector<TempoChange> tempos;
    uint64_t endTick = 0;
};

size_t dataBytes(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// A meta event (tempo and end of track matter) or a system exclusive message (skipped).
// false at the end of the track or on damage.
bool readSystemEvent(ByteReader& in, uint8_t status, uint64_t tick, Tracks& out) {
    uint8_t type = 0;
    if (status == 0xFF && !in.byte(type)) {
        return false;
    }
    uint32_t length = 0;
    if (!in.quantity(length)) {
        return false;
    }
    if (status == 0xFF && type == 0x2F) {
        return false;
    }
    if (status == 0xFF && type == 0x51 && length == 3) {
        uint32_t tempo = 0;
        if (!in.number(3, tempo)) {
            return false;
        }
        if (tempo > 0) {
            out.tempos.push_back({tick, tempo});
        }
        return true;
    }
    return in.skip(length);
}

void readTrack(std::string_view data, Tracks& out) {
    ByteReader in(data);
    uint64_t tick = 0;
    uint8_t running = 0;
    for (;;) {
        uint32_t delta = 0;
        uint8_t first = 0;
        if (!in.quantity(delta) || !in.byte(first)) {
            break;
        }
        tick += delta;
        if (first == 0xFF || first == 0xF0 || first == 0xF7) {
            running = 0;  // system messages cancel running status
            if (!readSystemEvent(in, first, tick, out)) {
                break;
            }
            continue;
        }
        MidiEvent event;
        uint8_t data1 = first;
        if ((first & 0x80) != 0) {
            if (first >= 0xF0 || !in.byte(data1)) {
                break;  // a system common message has no place in a file
            }
            running = first;
        }
        if (running == 0 || (data1 & 0x80) != 0) {
            break;
        }
        event.status = running;
        event.data1 = data1;
        if (dataBytes(running) == 2 && (!in.byte(event.data2) || (event.data2 & 0x80) != 0)) {
            break;
        }
        if ((running & 0xF0) == 0x90 && event.data2 == 0) {
            event.status = static_cast<uint8_t>(0x80 | (running & 0x0F));
            event.data2 = 64;
        }
        out.events.push_back({tick, event});
    }
    out.endTick = std::max(out.endTick, tick);
}

// Seconds of each tick under the tempo changes (metrical time) or a fixed frame clock
// (SMPTE time, where tempo does not apply).
class TickClock {
  public:
    TickClock(uint16_t division, std::vector<TempoChange> tempos) {
        if ((division & 0x8000) != 0) {
            const int framesPerSecond = -static_cast<int8_t>(division >> 8);
            const double rate = framesPerSecond == 29 ? 30000.0 / 1001.0 : framesPerSecond;
            segments_.push_back({0, 0.0, 1.0 / (rate * (division & 0xFF))});
            return;
        }
        std::stable_sort(tempos.begin(), tempos.end(),
                         [](const auto& a, const auto& b) { return a.tick < b.tick; });
        segments_.push_back({0, 0.0, kDefaultTempo / 1e6 / division});
        for (const TempoChange& change : tempos) {
            const Segment& last = segments_.back();
            const double start = secondsIn(last, change.tick);
            if (change.tick == last.tick) {
                segments_.pop_back();
            }
            segments_.push_back({change.tick, start, change.microsPerQuarter / 1e6 / division});
        }
    }
    bool valid() const {
        const double perTick = segments_.front().secondsPerTick;
        return std::isfinite(perTick) && perTick > 0;
    }
    double seconds(uint64_t tick) const {
        const auto after =
            std::upper_bound(segments_.begin(), segments_.end(), tick,
                             [](uint64_t t, const Segment& s) { return t < s.tick; });
        return secondsIn(*(after - 1), tick);
    }

  private:
    struct Segment {
        uint64_t tick;
        double startSeconds;
        double secondsPerTick;
    };
    static double secondsIn(const Segment& segment, uint64_t tick) {
        return segment.startSeconds +
               static_cast<double>(tick - segment.tick) * segment.secondsPerTick;
    }
    std::vector<Segment> segments_;
};

}  // namespace

std::optional<MidiSong> ReadMidiFile(std::string_view bytes, int framesPerSecond) {
    ByteReader in(bytes);
    uint32_t magic = 0, headerLength = 0, format = 0, trackCount = 0, division = 0;
    if (!in.number(4, magic) || magic != 0x4D546864 /* MThd */ || !in.number(4, headerLength) ||
        headerLength < 6 || !in.number(2, format) || !in.number(2, trackCount) ||
        !in.number(2, division) || !in.skip(headerLength - 6) || format > 2 || division == 0) {
        return std::nullopt;
    }
    Tracks tracks;
    for (uint32_t found = 0; found < trackCount && !in.atEnd();) {
        uint32_t chunk = 0, length = 0;
        if (!in.number(4, chunk) || !in.number(4, length)) {
            break;
        }
        const std::string_view data = in.take(length);
        if (chunk == 0x4D54726B /* MTrk */) {
            readTrack(data, tracks);
            ++found;
        }
    }
    // One timeline: the tracks merge by time, and within one time keep the file's order.
    std::stable_sort(tracks.events.begin(), tracks.events.end(),
                     [](const auto& a, const auto& b) { return a.tick < b.tick; });
    const TickClock clock(static_cast<uint16_t>(division), std::move(tracks.tempos));
    const double lengthSeconds = clock.seconds(tracks.endTick);
    const bool anyNote = std::any_of(tracks.events.begin(), tracks.events.end(),
                                     [](const auto& e) { return (e.event.status & 0xF0) == 0x90; });
    if (!clock.valid() || !anyNote || !(lengthSeconds <= kLongestSongSeconds)) {
        return std::nullopt;
    }
    const auto toFrame = [framesPerSecond](double seconds) {
        return static_cast<int64_t>(std::llround(seconds * framesPerSecond));
    };
    MidiSong song;
    song.events.reserve(tracks.events.size());
    for (const TickedEvent& ticked : tracks.events) {
        MidiEvent event = ticked.event;
        event.frame = toFrame(clock.seconds(ticked.tick));
        song.events.push_back(event);
    }
    song.lengthFrames = toFrame(lengthSeconds);
    return song;
}

}  // namespace engine
