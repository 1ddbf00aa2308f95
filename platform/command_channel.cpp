// The command channel: every command text goes to one interpreter over the
// process's media engine, created on the first command.

#include <algorithm>
#include <cctype>

#include "engine/media_engine.h"
#include "platform/command_interpreter.h"
#include "platform/media_service.h"
#include "platform/platform.h"

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

void ShutDownMediaService() {
    engine::ShutDownProcessEngine();
}

}  // namespace platform
