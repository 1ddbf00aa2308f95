// The process-wide engine: the master on the chosen SDL device (the default, or the clocked
// null output when none opens or the device is lost), and the headphones when chosen.

#include <cstdlib>

#include "engine/media_engine.h"
#include "engine/mixer_engine.h"
#include "engine/recording.h"
#include "engine/sound_outputs.h"
#include "engine/watched_output.h"

namespace engine {
namespace {

// The process engine's outputs, UI thread. The engine owns them; these point at them.
struct ProcessOutputs {
    OutputChoice choice;
    WatchedOutput* master = nullptr;
    WatchedOutput* headphones = nullptr;
};

ProcessOutputs& outputs() {
    static ProcessOutputs chosen;
    return chosen;
}

MixerEngine* gProcessEngine = nullptr;

void openHeadphones(MixerEngine& engine) {
    ProcessOutputs& chosen = outputs();
    if (chosen.choice.headphones.empty()) {
        chosen.headphones = nullptr;
        engine.setHeadphones(nullptr);
        return;
    }
    auto headphones = std::make_unique<WatchedOutput>(
        WatchedOutput::Role::Headphones,
        DeviceChoice{chosen.choice.headphones, chosen.choice.periodFrames}, engine.sampleRate());
    chosen.headphones = headphones.get();
    engine.setHeadphones(std::move(headphones));
}

}  // namespace

MediaEngine& ProcessEngine() {
    static MixerEngine* const engine = [] {
        ProcessOutputs& chosen = outputs();
        auto master = std::make_unique<WatchedOutput>(
            WatchedOutput::Role::Master,
            DeviceChoice{chosen.choice.master, chosen.choice.periodFrames});
        chosen.master = master.get();
        gProcessEngine = new MixerEngine(std::move(master));
        openHeadphones(*gProcessEngine);
        // Never destroyed (callers may run during static destruction), but at exit its
        // output stops and its devices are freed, so no thread runs into the teardown.
        std::atexit([] { gProcessEngine->shutdown(); });
        return gProcessEngine;
    }();
    return *engine;
}

void ShutDownProcessEngine() {
    if (gProcessEngine != nullptr) {
        gProcessEngine->shutdown();
    }
}

std::vector<std::string> PlaybackDeviceNames() {
    return SdlOutput::PlaybackDevices();
}

void ChooseOutputs(const OutputChoice& choice) {
    ProcessOutputs& chosen = outputs();
    const OutputChoice before = chosen.choice;
    chosen.choice = choice;
    if (gProcessEngine == nullptr) {
        return;
    }
    if (choice.master != before.master || choice.periodFrames != before.periodFrames) {
        chosen.master->switchTo({choice.master, choice.periodFrames});
    }
    if (choice.headphones != before.headphones || choice.periodFrames != before.periodFrames) {
        openHeadphones(*gProcessEngine);
    }
}

OutputChoice ChosenOutputs() {
    return outputs().choice;
}

std::string StartRecording(const std::string& path) {
    ProcessEngine();
    return gProcessEngine->startRecording(path);
}

RecordingStatus StopRecording() {
    return gProcessEngine != nullptr ? gProcessEngine->stopRecording() : RecordingStatus{};
}

RecordingStatus CurrentRecording() {
    return gProcessEngine != nullptr ? gProcessEngine->recording() : RecordingStatus{};
}

void RecordPicture(std::shared_ptr<const windowing::VideoFrame> picture) {
    if (gProcessEngine != nullptr) {
        gProcessEngine->recordPicture(std::move(picture));
    }
}

OutputState CurrentOutputs() {
    ProcessEngine();
    const ProcessOutputs& chosen = outputs();
    return {chosen.master->onDevice(),
            chosen.headphones != nullptr && chosen.headphones->onDevice()};
}

}  // namespace engine
