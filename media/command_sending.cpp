#include "media/command_sending.h"

#include <charconv>
#include <cstring>

#include "media/Media.h"
#include "platform/platform.h"
#include "util/checked_arithmetic.h"
#include "util/utf8.h"

namespace Media::detail {
namespace {

// The leading decimal number of `text`: sign, digits, fraction, exponent.
// Nothing when the text does not begin (after blanks) with a number.
bool leadingNumber(const std::string& text, double& number) {
    const char* begin = text.c_str();
    while (*begin == ' ' || *begin == '\t') {
        ++begin;
    }
    const char* cursor = begin + ((*begin == '-' || *begin == '+') ? 1 : 0);
    const char* digits = cursor;
    while (*cursor >= '0' && *cursor <= '9') {
        ++cursor;
    }
    if (*cursor == '.') {
        ++cursor;
        while (*cursor >= '0' && *cursor <= '9') {
            ++cursor;
        }
    }
    if (cursor == digits || (cursor == digits + 1 && *digits == '.')) {
        return false;
    }
    // from_chars takes no '+' and is independent of the process's locale.
    const char* parseFrom = *begin == '+' ? begin + 1 : begin;
    const char* end = parseFrom + std::strlen(parseFrom);
    return std::from_chars(parseFrom, end, number, std::chars_format::general).ec == std::errc{};
}

}  // namespace

uint32_t SendCode(const std::string& command) {
    return platform::mciSendString(command, nullptr, 0, 0);
}

std::string ResultText(uint32_t code) {
    if (code == 0) {
        return kSuccess;
    }
    char description[kErrorTextLength] = {};
    platform::mciGetErrorString(code, description, kErrorTextLength);
    return description;
}

std::string Send(const std::string& command) {
    return ResultText(SendCode(command));
}

std::string SendInField(const std::string& command, std::size_t width) {
    return Send(useful::FitToField(command, width));
}

Answer Query(const std::string& command) {
    char buffer[kAnswerBufferLength] = {};
    const uint32_t code = platform::mciSendString(command, buffer, kAnswerBufferLength, 0);
    buffer[kAnswerBufferLength - 1] = '\0';  // a platform that filled it all still ends here
    return {code, buffer};
}

int32_t NumericAnswer(const std::string& command) {
    const Answer answer = Query(command);
    if (answer.code != 0) {
        return -1;
    }
    double number = 0.0;
    if (!leadingNumber(answer.text, number)) {
        return 0;
    }
    try {
        return useful::RoundToInt32(number);
    } catch (const useful::ArithmeticFailure&) {
        return -1;
    }
}

}  // namespace Media::detail
