#pragma once
// Error codes of the media command language (base 256) and their descriptions.

#include <cstdint>
#include <optional>
#include <string_view>

namespace platform {

enum MciError : uint32_t {
    kMciOk = 0,
    kMciUnrecognizedKeyword = 259,
    kMciUnrecognizedCommand = 261,
    kMciHardware = 262,
    kMciInvalidDeviceName = 263,
    kMciOutOfMemory = 264,
    kMciCannotLoadDriver = 266,
    kMciMissingCommandString = 267,
    kMciParamOverflow = 268,
    kMciMissingStringArgument = 269,
    kMciBadInteger = 270,
    kMciMissingParameter = 273,
    kMciUnsupportedFunction = 274,
    kMciFileNotFound = 275,
    kMciDeviceNotReady = 276,
    kMciInternal = 277,
    kMciCannotUseAll = 279,
    kMciOutOfRange = 282,
    kMciDuplicateAlias = 289,
    kMciMissingDeviceName = 292,
    kMciBadTimeFormat = 293,
    kMciNoClosingQuote = 294,
    kMciDuplicateFlags = 295,
    kMciInvalidFile = 296,
    kMciNotApplicable = 302,
    kMciFilenameRequired = 304,
    kMciExtraCharacters = 305,
};

// Thrown by the code that reads and runs a command to refuse it; the command
// channel answers with its code.
struct CommandError {
    uint32_t code;
};

// The description of a code, at most 127 characters; nothing for an unknown code.
std::optional<std::string_view> MciErrorDescription(uint32_t code);

}  // namespace platform
