#pragma once
// The program's diagnostic log: one line per call on standard error,
//
//     14:03:27.518 [audio] no device opened: Connection refused
//
// (local time to the millisecond, the category, the message). Off unless turned on by
// --verbose on the command line or the environment variable ROTAVOX_LOG=1; while off a
// call costs one atomic load and formats nothing.
//
//     useful::Log("device", "%s: open failed (%d)", path.c_str(), code);
//
// Categories are short lower-case words naming the part that speaks ("audio", "ffmpeg",
// "window"). Any thread, but never the audio callback: a call formats into the heap and
// writes to a file. Lines from several threads never mix: each is written whole at once.

#include <cstdarg>
#include <string_view>

namespace useful {

// Turns the log on or off, whatever ROTAVOX_LOG said.
void SetLogEnabled(bool on);
bool LogEnabled();

// printf's format; a trailing newline is dropped and inner ones become blanks.
void Log(std::string_view category, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The same for callers that hold a va_list (libraries' log callbacks).
void LogV(std::string_view category, const char* format, va_list arguments)
    __attribute__((format(printf, 2, 0)));

}  // namespace useful
