#pragma once
// A folder of the running test's own under the temporary folder, made empty and removed
// with this object: ctest runs the tests of a suite in parallel processes.

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

class TempFolder {
  public:
    explicit TempFolder(const std::string& kind) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = test->name();  // "Case/Parameter" for a parameterised test
        std::replace(name.begin(), name.end(), '/', '-');
        path_ = std::filesystem::temp_directory_path() /
                ("rotavox-" + kind + "-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};
