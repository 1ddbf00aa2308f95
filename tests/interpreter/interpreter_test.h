#pragma once
// Base fixture: a fresh interpreter over a fresh fake engine, with the mixer's
// three devices open. Every test ends by checking that the interpreter kept the
// engine's contract.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_media_engine.h"
#include "platform/command_interpreter.h"

// A command in a field of fixed width, filled with blanks as the mixer sends it.
inline std::string padded(std::string command, std::size_t width) {
    command.resize(width, ' ');
    return command;
}

class InterpreterTest : public ::testing::Test {
  protected:
    static constexpr int64_t kLengthA = 5120;

    void SetUp() override {
        engine.addFile("/music/a.mp3", kLengthA);
        ASSERT_EQ(send("open /music/a.mp3 type MPEGVideo Alias a"), 0u);
    }
    void TearDown() override { EXPECT_EQ(engine.breaches(), std::vector<std::string>{}); }

    // The code of a command; its answer lands in `answer`.
    uint32_t send(const std::string& command) { return interpreter.execute(command, answer); }

    // The answer of a command that must succeed.
    std::string ask(const std::string& command) {
        EXPECT_EQ(send(command), 0u) << command;
        return answer;
    }

    const fake::FakeDevice& deviceA() const { return engine.deviceOf("/music/a.mp3"); }

    fake::FakeMediaEngine engine;
    platform::CommandInterpreter interpreter{engine};
    std::string answer;
};
