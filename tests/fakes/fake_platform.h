#pragma once
// A scripted stand-in for platform/platform.h. It records every command text
// exactly as sent (field padding included) and answers from a per-test script;
// it also fakes file attributes, short paths, files slow to answer, window rectangles and the
// shell, and records the headphones' levels.

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake {

struct SentCommand {
    std::string text;  // byte for byte, padding included
    uint32_t returnLength;
};

struct ScriptedAnswer {
    uint32_t code = 0;
    std::string text;
};

struct CueCall {
    std::string alias;
    bool cued;
    int32_t level;
    bool operator==(const CueCall&) const = default;
};

struct ShellCall {
    int32_t owner;
    std::string verb, file, parameters, directory;
    int32_t showCommand;
};

class FakePlatform {
  public:
    // Answers for a command, matched on its text with trailing blanks removed.
    // A queued answer is used once, before the standing one.
    void answer(const std::string& command, uint32_t code, const std::string& text = "");
    void answerOnce(const std::string& command, uint32_t code, const std::string& text = "");

    // The commands sent so far, trailing blanks removed, in order.
    std::vector<std::string> commands() const;

    // Files: a path with attributes, optionally with a short form of its own
    // (otherwise its short form is the path itself).
    void addFile(const std::string& path, int32_t attributes = 128);
    void addFolder(const std::string& path);
    void setShortPath(const std::string& path, const std::string& shortForm);

    // A file that does not answer a read-ahead until answerFile(path), which runs what
    // waited for it, on the calling thread.
    void makeSlow(const std::string& path) { slowFiles[path]; }
    void answerFile(const std::string& path);

    // What the fake's error descriptions look like: "error <code>".
    static std::string describe(uint32_t code);

    std::vector<SentCommand> sent;
    std::map<int32_t, platform::Rect> windowRects;
    std::vector<ShellCall> shellCalls;
    std::vector<CueCall> cueCalls;
    std::vector<std::string> createdFolders;
    std::string programFolder = "/opt/rotavox";
    std::set<std::string> uncreatableFolders;

    // Used by the fake's platform functions.
    ScriptedAnswer take(const std::string& command);
    std::map<std::string, int32_t> attributes;
    std::map<std::string, std::string> shortPaths;
    std::map<std::string, std::vector<std::function<void()>>> slowFiles;  // with their waiters

  private:
    std::map<std::string, ScriptedAnswer> standing_;
    std::map<std::string, std::deque<ScriptedAnswer>> queued_;
};

// The one instance the platform functions use; a fresh one per test.
FakePlatform& Platform();
void ResetPlatform();

// Trailing blanks removed.
std::string Trimmed(const std::string& text);

}  // namespace fake
