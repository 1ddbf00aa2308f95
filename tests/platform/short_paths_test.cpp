#include "platform/short_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

class ShortPaths : public ::testing::Test {
  protected:
    void SetUp() override {
        // One folder per test and process: ctest runs the tests of this suite in parallel.
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        root_ = fs::temp_directory_path() /
                ("rotavox-short-" + std::to_string(::getpid()) + "-" + test->name());
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }

    std::string makeFile(const fs::path& relative) {
        const fs::path path = root_ / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "x";
        return path.string();
    }

    static std::string shortFormOf(const std::string& path) {
        char buffer[255] = {};
        const uint32_t length = platform::GetShortPathName(path, buffer, sizeof buffer);
        EXPECT_GT(length, 0u) << path;
        EXPECT_LT(length, 255u) << path;
        return std::string(buffer, length);
    }

    fs::path root_;
};

TEST_F(ShortPaths, EveryAwkwardPathSurvivesTheRoundTrip) {
    std::string deep;
    while (deep.size() < 3900) {
        deep += std::string(200, 'd') + "/";
    }
    const std::string paths[] = {
        makeFile("plain.mp3"),
        makeFile("with blanks/My Song.mp3"),
        makeFile("quote\"d/it's.mp3"),
        makeFile("100%/50% mix.wav"),
        makeFile("caf\xC3\xA9/Bj\xC3\xB6rk \xE2\x99\xAA.mp3"),
        makeFile(deep + "deep.mp3"),
    };
    for (const std::string& path : paths) {
        const std::string shortForm = shortFormOf(path);
        EXPECT_EQ(shortForm.find_first_of(" \"'"), std::string::npos) << shortForm;
        EXPECT_LE(shortForm.size(), platform::kLongestPlainShortForm);
        EXPECT_EQ(platform::ResolveShortPath(shortForm), path);
        EXPECT_EQ(shortFormOf(path), shortForm) << "the same path gets the same form";
    }
    EXPECT_GT(paths[5].size(), 4000u);
}

TEST_F(ShortPaths, TokensKeepAPlainExtension) {
    EXPECT_TRUE(shortFormOf(makeFile("a b.MP3")).ends_with(".MP3"));
    EXPECT_EQ(shortFormOf(makeFile("a b.wav")).find('.'), 17u);  // "~" + 16 hex digits
}

TEST_F(ShortPaths, AMissingPathHasNoShortForm) {
    char buffer[255] = {};
    EXPECT_EQ(platform::GetShortPathName((root_ / "missing.mp3").string(), buffer, 255), 0u);
    EXPECT_EQ(platform::GetShortPathName("", buffer, 255), 0u);
}

TEST_F(ShortPaths, ATooSmallBufferGetsTheNeededSize) {
    const std::string path = makeFile("plain.mp3");
    char buffer[4] = {'z', 'z', 'z', 'z'};
    EXPECT_EQ(platform::GetShortPathName(path, buffer, 4), path.size() + 1);
}

TEST_F(ShortPaths, PlainPathsAndUnknownTokensResolveToThemselves) {
    EXPECT_EQ(platform::ResolveShortPath("/music/a.mp3"), "/music/a.mp3");
    EXPECT_EQ(platform::ResolveShortPath("~0000000000000000.mp3"), "~0000000000000000.mp3");
}

TEST(ShortPathTable, EvictsTheOldestWhenFull) {
    platform::ShortPathTable table(2);
    const std::string first = table.shortFormOf("/a b/1.mp3");
    const std::string second = table.shortFormOf("/a b/2.mp3");
    table.shortFormOf("/a b/3.mp3");
    EXPECT_FALSE(table.pathOfToken(first).has_value());
    EXPECT_EQ(table.pathOfToken(second), "/a b/2.mp3");
    EXPECT_EQ(table.shortFormOf("/a b/1.mp3"), first) << "a path's token is stable";
}

}  // namespace
