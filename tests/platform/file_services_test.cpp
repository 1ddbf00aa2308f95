#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/platform.h"

namespace {

namespace fs = std::filesystem;

TEST(FileServices, AttributesTellFoldersFilesAndMissingPaths) {
    const fs::path root =
        fs::temp_directory_path() / ("rotavox-attributes-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "samples");
    std::ofstream(root / "song.mp3") << "x";
    EXPECT_EQ(platform::GetFileAttributes((root / "samples").string()) &
                  platform::FILE_ATTRIBUTE_DIRECTORY,
              platform::FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(platform::GetFileAttributes((root / "song.mp3").string()) &
                  platform::FILE_ATTRIBUTE_DIRECTORY,
              0);
    EXPECT_EQ(platform::GetFileAttributes((root / "missing").string()), -1);
    EXPECT_EQ(platform::GetFileAttributes(""), -1);
    fs::remove_all(root);
}

TEST(FileServices, CreateFolderMakesOneLevelOnly) {
    const fs::path root =
        fs::temp_directory_path() / ("rotavox-create-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    EXPECT_TRUE(platform::CreateFolder((root / "samples").string()));
    EXPECT_TRUE(fs::is_directory(root / "samples"));
    EXPECT_FALSE(platform::CreateFolder((root / "samples").string()));
    EXPECT_FALSE(platform::CreateFolder((root / "a" / "b").string()));
    std::ofstream(root / "file") << "x";
    EXPECT_FALSE(platform::CreateFolder((root / "file").string()));
    fs::remove_all(root);
}

TEST(FileServices, ProgramFolderIsTheExecutablesFolder) {
    const std::string folder = platform::ProgramFolder();
    EXPECT_FALSE(folder.ends_with('/'));
    EXPECT_EQ(fs::canonical("/proc/self/exe").parent_path().string(), folder);
}

TEST(FileServices, ShellRefusesOtherVerbsAndEmptyAddresses) {
    EXPECT_LE(platform::ShellExecute(0, "Print", "https://example.org", "", "", 1), 32);
    EXPECT_LE(platform::ShellExecute(0, "Open", "", "", "", 1), 32);
}

}  // namespace
