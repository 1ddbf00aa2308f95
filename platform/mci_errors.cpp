#include "platform/mci_errors.h"

#include <array>
#include <utility>

#include "platform/platform.h"
#include "platform/text_buffer.h"

namespace platform {
namespace {

constexpr std::array<std::pair<uint32_t, std::string_view>, 26> kDescriptions = {{
    {kMciUnrecognizedKeyword, "The command contains a word this device does not understand."},
    {kMciUnrecognizedCommand, "The command's verb is not one the media engine knows."},
    {kMciHardware, "The audio output failed. Check the sound device and try again."},
    {kMciInvalidDeviceName, "No device is open under that name, or no device type has that name."},
    {kMciOutOfMemory, "There is not enough memory to carry out the command."},
    {kMciCannotLoadDriver,
     "The media engine could not start its decoder for this file (MIDI needs a General MIDI "
     "sound font installed)."},
    {kMciMissingCommandString, "The command text is empty."},
    {kMciParamOverflow, "The answer does not fit the buffer given for it."},
    {kMciMissingStringArgument, "The command lacks a text argument it needs."},
    {kMciBadInteger, "A number in the command is not a whole decimal number."},
    {kMciMissingParameter, "The command lacks a value it needs."},
    {kMciUnsupportedFunction, "The media engine cannot carry out this command."},
    {kMciFileNotFound, "The file does not exist or cannot be read."},
    {kMciDeviceNotReady, "The device is not ready yet."},
    {kMciInternal, "The media engine failed inside. The command was not carried out."},
    {kMciCannotUseAll, "The name \"all\" cannot be used with this command."},
    {kMciOutOfRange, "A value in the command is outside the range the device accepts."},
    {kMciDuplicateAlias, "That alias is already in use by an open device."},
    {kMciMissingDeviceName, "The command does not name a device."},
    {kMciBadTimeFormat, "That time format is not known."},
    {kMciNoClosingQuote, "A quoted argument has no closing quotation mark."},
    {kMciDuplicateFlags, "The command gives the same keyword twice."},
    {kMciInvalidFile, "The file is not a playable media file, or it is damaged."},
    {kMciNotApplicable, "The command cannot be used in the device's present mode."},
    {kMciFilenameRequired, "The open command names no file to open."},
    {kMciExtraCharacters, "The command has more words than its form allows."},
}};

}  // namespace

std::optional<std::string_view> MciErrorDescription(uint32_t code) {
    for (const auto& [known, description] : kDescriptions) {
        if (known == code) {
            return description;
        }
    }
    return std::nullopt;
}

bool mciGetErrorString(uint32_t code, char* buffer, uint32_t length) {
    const auto description = MciErrorDescription(code);
    CopyToBuffer(description.value_or(""), buffer, length);
    return description.has_value();
}

}  // namespace platform
