// Control latency: from setLevels / setSpeed / a seek-and-play while playing, issued
// between two callbacks, to the first output sample that reflects it. Offline, so the
// figure is in output frames after the call; in real time add the wait for the next
// callback (0..1 period) and the device's buffer.

#include <cmath>
#include <cstdio>
#include <vector>

#include "bench_media.h"
#include "engine/mixer_engine.h"
#include "engine/offline_output.h"

namespace {

constexpr size_t kPeriod = 256;
constexpr int kRate = 48000;

struct Rig {
    Rig() {
        auto offline = std::make_unique<engine::OfflineOutput>(kRate, kPeriod);
        output = offline.get();
        engine = std::make_unique<engine::MixerEngine>(std::move(offline));
    }
    std::vector<float> render(size_t frames) {
        std::vector<float> out(2 * frames);
        output->render(out.data(), frames);
        return out;
    }
    engine::OfflineOutput* output;
    std::unique_ptr<engine::MixerEngine> engine;
};

// Renders `before` frames, calls `change` (or not), renders `after` frames.
template <typename Change>
std::vector<float> scenario(const std::string& path, Change change, bool apply) {
    Rig rig;
    const auto deck = rig.engine->open(path, 0).device;
    rig.engine->play(deck, 0, rig.engine->lengthMs(deck));
    rig.render(kPeriod * 40);
    if (apply) {
        change(*rig.engine, deck);
    }
    return rig.render(kPeriod * 8);
}

template <typename Change>
long firstDifference(const std::string& path, Change change) {
    const auto base = scenario(path, change, false);
    const auto changed = scenario(path, change, true);
    for (size_t i = 0; i < base.size(); ++i) {
        if (std::fabs(base[i] - changed[i]) > 1e-7f) {
            return static_cast<long>(i / 2);
        }
    }
    return -1;
}

}  // namespace

int main() {
    const std::string tone = bench::media(
        "latency.wav",
        "-f lavfi -i \"aevalsrc=0.5*sin(2*PI*1000*t)|-0.5*sin(2*PI*1000*t):s=48000:d=10:c=stereo\" "
        "-c:a pcm_s16le");
    const std::string song = bench::songMp3Vbr();
    const auto report = [](const char* what, long frames) {
        std::printf(
            "%-34s first changed output sample %ld frames after the call (%.2f ms; "
            "goal two periods = %zu frames)\n",
            what, frames, frames * 1000.0 / kRate, 2 * kPeriod);
    };
    for (const auto& [label, path] :
         {std::pair{"48 kHz wav", tone}, std::pair{"44.1 kHz mp3", song}}) {
        std::printf("%s:\n", label);
        report("  setLevels 1000 -> 500",
               firstDifference(path, [](engine::MediaEngine& e, engine::DeviceId d) {
                   e.setLevels(d, 500, 500);
               }));
        report("  setSpeed 1000 -> 1100",
               firstDifference(
                   path, [](engine::MediaEngine& e, engine::DeviceId d) { e.setSpeed(d, 1100); }));
        // A jump: the old sound fades out over one period, the new follows at once.
        long seekFrames = firstDifference(path, [](engine::MediaEngine& e, engine::DeviceId d) {
            e.seek(d, 5000);
            e.play(d, 5000, e.lengthMs(d));
        });
        report("  seek + play while playing (fade)", seekFrames);
        // When the new material first sounds: compare with a render that starts at 5000.
        Rig jumped;
        const auto deck = jumped.engine->open(path, 0).device;
        jumped.engine->play(deck, 0, jumped.engine->lengthMs(deck));
        jumped.render(kPeriod * 40);
        jumped.engine->seek(deck, 5000);
        jumped.engine->play(deck, 5000, jumped.engine->lengthMs(deck));
        const auto out = jumped.render(kPeriod * 8);
        size_t newSound = 0;
        for (size_t i = kPeriod; i < out.size() / 2; ++i) {
            if (out[2 * i] != 0.0f) {
                newSound = i;
                break;
            }
        }
        report("  seek + play: new position sounds", static_cast<long>(newSound));
    }
}
