// The command channel. The media engine is not part of this build yet, so every
// command is refused with a clear description rather than pretending to play.

#include "platform/mci_errors.h"
#include "platform/platform.h"
#include "platform/text_buffer.h"

namespace platform {

uint32_t mciSendString(const std::string& command, char* returnBuffer, uint32_t returnLength,
                       int32_t /*callbackWindow*/) {
    CopyToBuffer("", returnBuffer, returnLength);
    return command.find_first_not_of(' ') == std::string::npos ? kMciMissingCommandString
                                                               : kMciUnsupportedFunction;
}

}  // namespace platform
