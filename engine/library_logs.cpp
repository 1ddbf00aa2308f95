#include "engine/library_logs.h"

#include <fluidsynth.h>

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>
#include <mutex>

#include "util/log.h"

namespace engine {
namespace {

void ffmpegMessage(void* context, int level, const char* format, va_list arguments) {
    if (level > AV_LOG_WARNING) {
        return;
    }
    char line[1024];
    int printPrefix = 1;  // every message gets its "[decoder @ 0x...]" origin
    av_log_format_line2(context, level, format, arguments, line, sizeof line, &printPrefix);
    useful::Log("ffmpeg", "%s", line);
}

void fluidSynthMessage(int /*level*/, const char* message, void* /*data*/) {
    useful::Log("fluidsynth", "%s", message);
}

void route() {
    const bool on = useful::LogEnabled();
    if (on) {
        av_log_set_callback(ffmpegMessage);
    } else {
        av_log_set_level(AV_LOG_FATAL);
    }
    for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
        fluid_set_log_function(level, on && level <= FLUID_WARN ? fluidSynthMessage : nullptr,
                               nullptr);
    }
}

}  // namespace

void RouteLibraryLogs() {
    static std::once_flag routed;
    std::call_once(routed, route);
}

}  // namespace engine
