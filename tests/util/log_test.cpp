#include "util/log.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::vector<std::string> LinesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class Log : public testing::Test {
  protected:
    void TearDown() override { useful::SetLogEnabled(false); }
};

TEST_F(Log, WritesOneStampedLineOnlyWhileOn) {
    useful::SetLogEnabled(false);
    testing::internal::CaptureStderr();
    useful::Log("audio", "device %d lost", 3);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    useful::SetLogEnabled(true);
    testing::internal::CaptureStderr();
    useful::Log("audio", "device %d lost\nfor good\n", 3);
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::regex_match(
        written, std::regex(R"(\d\d:\d\d:\d\d\.\d\d\d \[audio\] device 3 lost for good\n)")))
        << written;
}

TEST_F(Log, LinesFromSeveralThreadsStayWhole) {
    constexpr int kThreads = 8;
    constexpr int kLinesEach = 200;
    const std::string payload(300, 'x');
    useful::SetLogEnabled(true);
    testing::internal::CaptureStderr();
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&payload, t] {
            for (int i = 0; i < kLinesEach; ++i) {
                useful::Log("thread", "%d %s", t, payload.c_str());
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    const std::vector<std::string> lines = LinesOf(testing::internal::GetCapturedStderr());
    ASSERT_EQ(lines.size(), static_cast<size_t>(kThreads * kLinesEach));
    const std::regex whole(R"(\d\d:\d\d:\d\d\.\d\d\d \[thread\] \d x{300})");
    for (const std::string& line : lines) {
        ASSERT_TRUE(std::regex_match(line, whole)) << line;
    }
}

}  // namespace
