#pragma once
// The benchmarks' two-deck mix: the VBR and the CBR song at speeds 1030 and 970, started
// and given time to settle.

#include <chrono>
#include <thread>

#include "bench_media.h"
#include "engine/mixer_engine.h"

namespace bench {

struct TwoDecks {
    engine::DeviceId a = 0;
    engine::DeviceId b = 0;
};

inline TwoDecks PlayTwoDecks(engine::MixerEngine& engine) {
    const TwoDecks decks{engine.open(songMp3Vbr(), 0).device, engine.open(songMp3Cbr(), 0).device};
    engine.setSpeed(decks.a, 1030);
    engine.setSpeed(decks.b, 970);
    engine.play(decks.a, 0, engine.lengthMs(decks.a));
    engine.play(decks.b, 0, engine.lengthMs(decks.b));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return decks;
}

}  // namespace bench
