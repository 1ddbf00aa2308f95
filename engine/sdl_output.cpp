#include "engine/sdl_output.h"

#include <SDL.h>

#include <cstring>
#include <mutex>

#include "util/log.h"

namespace engine {
namespace {

// SDL's audio subsystem is not meant for several threads at once: the outputs' watchdogs
// and the UI thread take turns.
std::mutex& sdlMutex() {
    static std::mutex mutex;
    return mutex;
}

const char* driverName() {
    const char* name = SDL_GetCurrentAudioDriver();
    return name != nullptr ? name : "none";
}

}  // namespace

SdlOutput::~SdlOutput() {
    stop();
}

std::vector<std::string> SdlOutput::PlaybackDevices() {
    std::lock_guard lock(sdlMutex());
    std::vector<std::string> names;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        useful::Log("audio", "SDL audio did not start: %s", SDL_GetError());
        return names;
    }
    const int count = SDL_GetNumAudioDevices(0);
    for (int i = 0; i < count; ++i) {
        if (const char* name = SDL_GetAudioDeviceName(i, 0)) {
            names.emplace_back(name);
        }
    }
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return names;
}

bool SdlOutput::open(const std::string& name, int wantedRate, size_t wantedPeriod,
                     bool rateMayChange) {
    std::lock_guard lock(sdlMutex());
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        useful::Log("audio", "SDL audio did not start: %s", SDL_GetError());
        return false;
    }
    SDL_AudioSpec want{};
    want.freq = wantedRate;
    want.format = AUDIO_F32SYS;
    want.channels = 2;
    want.samples = static_cast<Uint16>(wantedPeriod);
    want.callback = &SdlOutput::audioCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    const char* device = name.empty() ? nullptr : name.c_str();
    device_ = SDL_OpenAudioDevice(device, 0, &want, &have,
                                  rateMayChange ? SDL_AUDIO_ALLOW_FREQUENCY_CHANGE : 0);
    if (device_ == 0) {
        useful::Log("audio", "%s did not open (driver %s): %s",
                    name.empty() ? "the default device" : name.c_str(), driverName(),
                    SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    sampleRate_ = have.freq;
    periodFrames_ = have.samples != 0 ? have.samples : wantedPeriod;
    useful::Log("audio", "%s opened (driver %s): %d Hz, %zu-frame periods",
                name.empty() ? "the default device" : name.c_str(), driverName(), sampleRate_,
                periodFrames_);
    return true;
}

bool SdlOutput::start(RenderCallback& callback) {
    if (device_ == 0) {
        return false;
    }
    callback_ = &callback;
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

void SdlOutput::stop() {
    std::lock_guard lock(sdlMutex());
    if (device_ != 0) {
        // Closing, not pausing: SDL guarantees the callback has returned and will not run.
        SDL_CloseAudioDevice(device_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        device_ = 0;
    }
}

bool SdlOutput::lost() const {
    std::lock_guard lock(sdlMutex());
    const bool gone = device_ != 0 && SDL_GetAudioDeviceStatus(device_) == SDL_AUDIO_STOPPED;
    if (gone) {
        useful::Log("audio", "device lost (unplugged, or its sound server ended)");
    }
    return gone;
}

void SdlOutput::audioCallback(void* self, uint8_t* stream, int bytes) {
    auto* output = static_cast<SdlOutput*>(self);
    const size_t frames = static_cast<size_t>(bytes) / (2 * sizeof(float));
    if (output->callback_ == nullptr) {
        std::memset(stream, 0, static_cast<size_t>(bytes));
        return;
    }
    output->callback_->renderPeriod(reinterpret_cast<float*>(stream), frames, false);
}

}  // namespace engine
