// Sound quality through the offline mix: THD+N of loud tones (one deck near full scale, two
// decks summing beyond it) and the frequency response of a 44.1 kHz file on a 48 kHz
// output at two speeds, with everything that is not the tone (images, aliases, noise).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_media.h"
#include "engine/mixer_engine.h"
#include "engine/offline_output.h"
#include "tone_fit.h"

namespace {

constexpr int kRate = 48000;
constexpr size_t kPeriod = 256;

// A stereo sine, left + and right -, one second; `hz` may be an expression.
std::string tone(const std::string& name, const std::string& hz, double amplitude, int rate) {
    const std::string a = std::to_string(amplitude), f = "sin(2*PI*" + hz + "*t)";
    return bench::media(name, "-f lavfi -i \"aevalsrc=" + a + "*" + f + "|-" + a + "*" + f +
                                  ":s=" + std::to_string(rate) + ":d=1:c=stereo\" -c:a pcm_f32le");
}

// Half a second of `decks` copies of `path` playing together from 0 at `speed`.
std::vector<float> play(const std::string& path, int decks, int32_t speed) {
    auto offline = std::make_unique<engine::OfflineOutput>(kRate, kPeriod);
    engine::OfflineOutput* output = offline.get();
    engine::MixerEngine mixer(std::move(offline));
    for (int i = 0; i < decks; ++i) {
        const auto deck = mixer.open(path, 0).device;
        mixer.setSpeed(deck, speed);
        mixer.play(deck, 0, 1000);
    }
    std::vector<float> out(kRate);  // 24000 stereo frames
    output->render(out.data(), out.size() / 2);
    return out;
}

void loudness(const char* what, const std::string& path, int decks) {
    const auto out = play(path, decks, 1000);
    float peak = 0;
    for (float s : out) {
        peak = std::max(peak, std::fabs(s));
    }
    const auto fit = tonefit::fitTone(out, 0, kRate, 1000, kRate / 10, out.size() / 2);
    std::printf("%-44s peak %.4f, THD+N %.4f %% (%.1f dB)\n", what, peak, 100 * fit.residual,
                tonefit::decibels(fit.residual));
}

}  // namespace

int main() {
    loudness("one deck, 1 kHz at 0.99 peak:", tone("thd-099.wav", "1000", 0.99, kRate), 1);
    loudness(
        "two decks, 1 kHz at 0.75 each (1.5 x full):", tone("thd-075.wav", "1000", 0.75, kRate), 2);
    std::printf("frequency response, 44.1 kHz file on a 48 kHz output (tone at 0.5):\n");
    for (int32_t speed : {1000, 1500}) {
        for (int hz : {1000, 10000, 15000, 17000, 18500, 20000}) {
            const std::string fileHz = std::to_string(hz) + "*1000/" + std::to_string(speed);
            const auto path =
                tone("fr-" + std::to_string(hz) + "-" + std::to_string(speed) + ".wav", fileHz, 0.5,
                     44100);
            const auto out = play(path, 1, speed);
            const auto fit = tonefit::fitTone(out, 0, kRate, hz, 2 * kPeriod, out.size() / 2);
            std::printf("  speed %d, %5.1f kHz out: level %+7.3f dB, everything else %7.1f dB\n",
                        speed, hz / 1000.0, tonefit::decibels(fit.amplitude / 0.5),
                        tonefit::decibels(fit.residual));
        }
    }
}
