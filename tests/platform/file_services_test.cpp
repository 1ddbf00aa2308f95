#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>

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

// Sets environment variables for one test and puts them back afterwards.
class ProgramFolderTest : public ::testing::Test {
  protected:
    void TearDown() override {
        for (const auto& [name, value] : saved_) {
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
        }
    }
    void set(const std::string& name, const char* value) {
        if (!saved_.contains(name)) {
            const char* old = std::getenv(name.c_str());
            saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
        }
        value ? ::setenv(name.c_str(), value, 1) : ::unsetenv(name.c_str());
    }
    fs::path root = fs::temp_directory_path() / ("rotavox-home-" + std::to_string(::getpid()));

  private:
    std::map<std::string, std::optional<std::string>> saved_;
};

TEST_F(ProgramFolderTest, IsTheUsersDataFolderMadeWithItsParents) {
    fs::remove_all(root);
    set("ROTAVOX_HOME", nullptr);
    set("XDG_DATA_HOME", nullptr);
    set("HOME", (root / "me").c_str());
    EXPECT_EQ(platform::ProgramFolder(), (root / "me/.local/share/rotavox").string());
    EXPECT_TRUE(fs::is_directory(root / "me/.local/share/rotavox"));

    set("XDG_DATA_HOME", (root / "data/").c_str());
    EXPECT_EQ(platform::ProgramFolder(), (root / "data/rotavox").string());
    set("XDG_DATA_HOME", "relative/data");  // not absolute: ignored
    EXPECT_EQ(platform::ProgramFolder(), (root / "me/.local/share/rotavox").string());

    set("ROTAVOX_HOME", (root / "portable/rotavox//").c_str());
    EXPECT_EQ(platform::ProgramFolder(), (root / "portable/rotavox").string());
    EXPECT_TRUE(fs::is_directory(root / "portable/rotavox"));
    fs::remove_all(root);
}

TEST(FileServices, ShellRefusesOtherVerbsAndEmptyAddresses) {
    EXPECT_LE(platform::ShellExecute(0, "Print", "https://example.org", "", "", 1), 32);
    EXPECT_LE(platform::ShellExecute(0, "Open", "", "", "", 1), 32);
}

}  // namespace
