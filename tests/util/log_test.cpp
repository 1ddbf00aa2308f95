#include "util/log.h"

#include <gtest/gtest.h>

#include <cctype>
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

// "HH:MM:SS.mmm " at the start of a line, then `rest`.
bool StampedLine(const std::string& line, const std::string& rest) {
    const std::string stamp = line.substr(0, 13);
    for (size_t i = 0; i < stamp.size(); ++i) {
        const bool separator = i == 2 || i == 5 || i == 8 || i == 12;
        const char expected = i == 12 ? ' ' : (i == 8 ? '.' : ':');
        if (separator ? stamp[i] != expected
                      : !std::isdigit(static_cast<unsigned char>(stamp[i]))) {
            return false;
        }
    }
    return stamp.size() == 13 && line.substr(13) == rest;
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
    EXPECT_TRUE(StampedLine(written, "[audio] device 3 lost for good\n")) << written;
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
    for (const std::string& line : lines) {
        ASSERT_TRUE(StampedLine(line, "[thread] " + line.substr(22, 1) + " " + payload)) << line;
    }
}

}  // namespace
