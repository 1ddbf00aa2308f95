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
    kMciOutOfRange = 282,
    kMciDuplicateAlias = 289,
    kMciMissingDeviceName = 292,
    kMciBadTimeFormat = 293,
    kMciNoClosingQuote = 294,
    kMciInvalidFile = 296,
    kMciNotApplicable = 302,
    kMciExtraCharacters = 305,
};

// The description of a code, at most 127 characters; nothing for an unknown code.
std::optional<std::string_view> MciErrorDescription(uint32_t code);

}  // namespace platform
