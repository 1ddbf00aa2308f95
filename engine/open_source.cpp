// Which source plays a file: its first bytes decide, not its name.

#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "engine/ffmpeg_source.h"
#include "engine/library_logs.h"
#include "engine/midi_source.h"
#include "engine/source.h"

namespace engine {
namespace {

bool isMidiFile(const std::string& path) {
    // Only a regular file is looked into: reading a FIFO would block.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return false;
    }
    char magic[4] = {};
    std::ifstream in(path, std::ios::binary);
    return in.read(magic, sizeof magic) && std::memcmp(magic, "MThd", sizeof magic) == 0;
}

}  // namespace

std::unique_ptr<Source> OpenSource(const std::string& path, OpenError& error) {
    RouteLibraryLogs();
    if (isMidiFile(path)) {
        return MidiSource::open(path, MidiSource::kDefaultSoundFont, error);
    }
    return FfmpegSource::open(path, error);
}

}  // namespace engine
