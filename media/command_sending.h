#pragma once
// What every command routine shares: field widths, sending, and reporting.

#include <cstddef>
#include <cstdint>
#include <string>

namespace Media::detail {

inline constexpr std::size_t kOpenFieldWidth = 255;
inline constexpr std::size_t kCommandFieldWidth = 128;
inline constexpr uint32_t kAnswerBufferLength = 128;
inline constexpr uint32_t kErrorTextLength = 128;

// Sends without asking for an answer text; returns the platform's code.
uint32_t SendCode(const std::string& command);

// "Success" for code 0, else the platform's description of the code.
std::string ResultText(uint32_t code);

// Sends and reports.
std::string Send(const std::string& command);

// Sends `command` placed in a field of `width` characters, and reports.
std::string SendInField(const std::string& command, std::size_t width);

struct Answer {
    uint32_t code;
    std::string text;  // up to the first NUL
};

// Sends with the 128-character answer buffer.
Answer Query(const std::string& command);

// The decimal number the answer begins with (leading blanks skipped, none gives
// 0), rounded halves-to-even into 32 bits; -1 for a failed query or a number
// that does not fit.
int32_t NumericAnswer(const std::string& command);

}  // namespace Media::detail
