#include "util/log.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace useful {
namespace {

bool onInTheEnvironment() {
    const char* value = std::getenv("ROTAVOX_LOG");
    return value != nullptr && *value != '\0' && std::string_view(value) != "0";
}

std::atomic<bool>& logSwitch() {
    static std::atomic<bool> on{onInTheEnvironment()};
    return on;
}

std::string timestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(millis));
    return text;
}

std::string formatted(const char* format, va_list arguments) {
    va_list measuring;
    va_copy(measuring, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, measuring);
    va_end(measuring);
    if (length <= 0) {
        return {};
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, arguments);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string oneLine(std::string message) {
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
        message.pop_back();
    }
    for (char& c : message) {
        c = c == '\n' || c == '\r' ? ' ' : c;
    }
    return message;
}

}  // namespace

void SetLogEnabled(bool on) {
    logSwitch().store(on, std::memory_order_relaxed);
}

bool LogEnabled() {
    return logSwitch().load(std::memory_order_relaxed);
}

void Log(std::string_view category, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    LogV(category, format, arguments);
    va_end(arguments);
}

void LogV(std::string_view category, const char* format, va_list arguments) {
    if (!LogEnabled()) {
        return;
    }
    std::string line = timestamp();
    line.append(" [").append(category).append("] ");
    line.append(oneLine(formatted(format, arguments))).push_back('\n');
    // One write a line: stderr's own lock keeps lines from several threads whole.
    std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace useful
