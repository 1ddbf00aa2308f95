// The command channel: every command text goes to one interpreter over the
// process's media engine, created on the first command.

#include "engine/media_engine.h"
#include "platform/command_interpreter.h"
#include "platform/media_service.h"
#include "platform/platform.h"

namespace platform {

uint32_t mciSendString(const std::string& command, char* returnBuffer, uint32_t returnLength,
                       int32_t /*callbackWindow*/) {
    static CommandInterpreter interpreter(engine::ProcessEngine());
    return interpreter.send(command, returnBuffer, returnLength);
}

void ShutDownMediaService() {
    engine::ShutDownProcessEngine();
}

}  // namespace platform
