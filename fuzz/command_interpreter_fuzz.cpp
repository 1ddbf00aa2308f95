// libFuzzer target: the input is a session of commands, one a line, run by a
// fresh interpreter over the in-memory engine. Besides crashes, hangs and
// sanitizer faults, it stops on a refusal without a description, an answer
// left behind by a refused command, and any breach of the engine's contract.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fake_media_engine.h"
#include "platform/command_interpreter.h"
#include "platform/platform.h"

namespace {

[[noreturn]] void fail(const std::string& what, std::string_view command) {
    std::fprintf(stderr, "%s after \"%.*s\"\n", what.c_str(), static_cast<int>(command.size()),
                 command.data());
    std::abort();
}

void runChecked(platform::CommandInterpreter& interpreter, const fake::FakeMediaEngine& engine,
                std::string_view command) {
    char answer[16] = "leftover";
    const uint32_t code = interpreter.send(std::string(command), answer, sizeof answer);
    char description[128];
    if (code != 0 && !platform::mciGetErrorString(code, description, sizeof description)) {
        fail("code " + std::to_string(code) + " has no description", command);
    }
    if (code != 0 && answer[0] != '\0') {
        fail("refused with an answer", command);
    }
    if (!engine.breaches().empty()) {
        fail("engine contract broken: " + engine.breaches().front(), command);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    fake::FakeMediaEngine engine;
    platform::CommandInterpreter interpreter(engine);
    runChecked(interpreter, engine, input);  // the whole input as one command
    std::size_t begin = 0;
    while (begin <= input.size()) {
        const std::size_t end = std::min(input.find('\n', begin), input.size());
        runChecked(interpreter, engine, input.substr(begin, end - begin));
        begin = end + 1;
    }
    return 0;
}
