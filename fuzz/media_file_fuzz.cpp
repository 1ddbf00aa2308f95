// libFuzzer target: the input is the content of a media file. It is written to a file
// whose extension comes from ROTAVOX_FUZZ_EXT (mp3, wav, wma, m4a, mp4, avi, mov, mpg,
// mid; mp3 when unset) and put through the engine's workout (tests/engine/file_workout.h).
// Besides crashes, hangs and sanitizer faults, it stops on any breach of the engine's
// contract the workout reports. A finding becomes a file in tests/engine/hostile-files/.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "file_workout.h"

namespace {

const std::string& inputPath() {
    static const std::string path = [] {
        const char* extension = std::getenv("ROTAVOX_FUZZ_EXT");
        const std::string folder = std::filesystem::temp_directory_path().string() +
                                   "/rotavox-fuzz-" + std::to_string(::getpid());
        std::filesystem::create_directories(folder);
        return folder + "/input." + (extension != nullptr ? extension : "mp3");
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = inputPath();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const std::string failure = enginetest::workOut(path, size > 0 ? data[size / 2] : 0);
    if (!failure.empty()) {
        std::fprintf(stderr, "engine contract broken: %s\n", failure.c_str());
        std::abort();
    }
    return 0;
}
