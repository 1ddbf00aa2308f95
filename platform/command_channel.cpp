// The command channel: every command text goes to one interpreter over the
// process's media engine, created on the first command; the headphones' levels and the
// choice of sound devices and the recording go to the same engine.

#include <algorithm>
#include <cctype>

#include "engine/media_engine.h"
#include "platform/command_interpreter.h"
#include "platform/headphones.h"
#include "platform/media_service.h"
#include "platform/platform.h"
#include "platform/recording.h"
#include "platform/sound_outputs.h"

namespace platform {
namespace {

CommandInterpreter& Interpreter() {
    static CommandInterpreter interpreter(engine::ProcessEngine());
    return interpreter;
}

}  // namespace

uint32_t mciSendString(const std::string& command, char* returnBuffer, uint32_t returnLength,
                       int32_t /*callbackWindow*/) {
    return Interpreter().send(command, returnBuffer, returnLength);
}

std::shared_ptr<const windowing::FrameTap> FrameTapOf(const std::string& alias) {
    std::string name = alias;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return Interpreter().frameTap(name);
}

bool ReadAhead(const std::string& path, std::chrono::milliseconds wait,
               std::function<void()> answered) {
    return engine::ProcessEngine().readAhead(path, wait, std::move(answered));
}

void SetCue(const std::string& alias, bool cued, int32_t level) {
    Interpreter().setCue(alias, cued, level);
}

std::vector<std::string> SoundOutputNames() {
    return engine::PlaybackDeviceNames();
}

void ChooseSoundOutputs(const OutputChoice& choice) {
    engine::ChooseOutputs(choice);
}

OutputChoice ChosenSoundOutputs() {
    return engine::ChosenOutputs();
}

OutputState SoundOutputState() {
    return engine::CurrentOutputs();
}

std::string StartRecording(const std::string& path) {
    return engine::StartRecording(path);
}

RecordingStatus StopRecording() {
    return engine::StopRecording();
}

RecordingStatus CurrentRecording() {
    return engine::CurrentRecording();
}

void RecordPicture(std::shared_ptr<const windowing::VideoFrame> picture) {
    engine::RecordPicture(std::move(picture));
}

void ShutDownMediaService() {
    engine::ShutDownProcessEngine();
}

}  // namespace platform
