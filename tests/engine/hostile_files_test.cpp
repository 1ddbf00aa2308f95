// Hostile files, each put through the workout the media fuzz target (fuzz/media_file_fuzz.cpp)
// gives a file, so that they replay as the fuzzer meets them. A file's name says what about
// it is hostile.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "file_workout.h"

namespace enginetest {
namespace {

std::vector<std::string> hostileFiles() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(ROTAVOX_HOSTILE_FILES)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class HostileFile : public ::testing::TestWithParam<std::string> {};

TEST_P(HostileFile, KeepsTheEngineContract) {
    const std::string path = std::string(ROTAVOX_HOSTILE_FILES) + "/" + GetParam();
    for (const uint8_t knob : {0, 128, 255}) {
        EXPECT_EQ(workOut(path, knob), "") << GetParam() << " with knob " << int{knob};
    }
}

std::string caseName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    std::replace_if(
        name.begin(), name.end(), [](unsigned char c) { return std::isalnum(c) == 0; }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Found, HostileFile, ::testing::ValuesIn(hostileFiles()), caseName);

}  // namespace
}  // namespace enginetest
