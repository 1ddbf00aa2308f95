#include "fakes/fake_platform.h"

#include <memory>

#include "platform/headphones.h"
#include "platform/media_service.h"
#include "platform/text_buffer.h"

namespace fake {
namespace {

std::unique_ptr<FakePlatform>& instance() {
    static std::unique_ptr<FakePlatform> platform = std::make_unique<FakePlatform>();
    return platform;
}

}  // namespace

FakePlatform& Platform() {
    return *instance();
}

void ResetPlatform() {
    instance() = std::make_unique<FakePlatform>();
}

std::string Trimmed(const std::string& text) {
    const std::size_t end = text.find_last_not_of(' ');
    return end == std::string::npos ? "" : text.substr(0, end + 1);
}

void FakePlatform::answer(const std::string& command, uint32_t code, const std::string& text) {
    standing_[command] = {code, text};
}

void FakePlatform::answerOnce(const std::string& command, uint32_t code, const std::string& text) {
    queued_[command].push_back({code, text});
}

std::vector<std::string> FakePlatform::commands() const {
    std::vector<std::string> texts;
    for (const SentCommand& command : sent) {
        texts.push_back(Trimmed(command.text));
    }
    return texts;
}

void FakePlatform::addFile(const std::string& path, int32_t fileAttributes) {
    attributes[path] = fileAttributes;
}

void FakePlatform::answerFile(const std::string& path) {
    const auto waiting = slowFiles.find(path);
    if (waiting == slowFiles.end()) {
        return;
    }
    const std::vector<std::function<void()>> waiters = std::move(waiting->second);
    slowFiles.erase(waiting);
    for (const auto& answered : waiters) {
        answered();
    }
}

void FakePlatform::addFolder(const std::string& path) {
    attributes[path] = platform::FILE_ATTRIBUTE_DIRECTORY;
}

void FakePlatform::setShortPath(const std::string& path, const std::string& shortForm) {
    shortPaths[path] = shortForm;
}

std::string FakePlatform::describe(uint32_t code) {
    return "error " + std::to_string(code);
}

ScriptedAnswer FakePlatform::take(const std::string& command) {
    const std::string key = Trimmed(command);
    auto queued = queued_.find(key);
    if (queued != queued_.end() && !queued->second.empty()) {
        ScriptedAnswer next = queued->second.front();
        queued->second.pop_front();
        return next;
    }
    const auto standing = standing_.find(key);
    return standing == standing_.end() ? ScriptedAnswer{} : standing->second;
}

}  // namespace fake

namespace platform {

uint32_t mciSendString(const std::string& command, char* returnBuffer, uint32_t returnLength,
                       int32_t /*callbackWindow*/) {
    fake::Platform().sent.push_back({command, returnLength});
    const fake::ScriptedAnswer answer = fake::Platform().take(command);
    CopyToBuffer(answer.text, returnBuffer, returnLength);
    return answer.code;
}

bool mciGetErrorString(uint32_t code, char* buffer, uint32_t length) {
    CopyToBuffer(fake::FakePlatform::describe(code), buffer, length);
    return true;
}

uint32_t GetShortPathName(const std::string& longPath, char* buffer, uint32_t length) {
    auto& files = fake::Platform().attributes;
    if (!files.contains(longPath)) {
        return 0;
    }
    const auto known = fake::Platform().shortPaths.find(longPath);
    const std::string shortForm =
        known == fake::Platform().shortPaths.end() ? longPath : known->second;
    if (shortForm.size() >= length) {
        return static_cast<uint32_t>(shortForm.size() + 1);
    }
    CopyToBuffer(shortForm, buffer, length);
    return static_cast<uint32_t>(shortForm.size());
}

int32_t GetFileAttributes(const std::string& path) {
    const auto& files = fake::Platform().attributes;
    const auto found = files.find(path);
    return found == files.end() ? -1 : found->second;
}

std::string ProgramFolder() {
    return fake::Platform().programFolder;
}

bool CreateFolder(const std::string& path) {
    fake::FakePlatform& fake = fake::Platform();
    if (fake.uncreatableFolders.contains(path) || fake.attributes.contains(path)) {
        return false;
    }
    fake.createdFolders.push_back(path);
    fake.addFolder(path);
    return true;
}

bool GetWindowRect(int32_t window, Rect& rect) {
    const auto& rects = fake::Platform().windowRects;
    const auto found = rects.find(window);
    if (found == rects.end()) {
        return false;
    }
    rect = found->second;
    return true;
}

int32_t ShellExecute(int32_t owner, const std::string& verb, const std::string& file,
                     const std::string& parameters, const std::string& directory,
                     int32_t showCommand) {
    fake::Platform().shellCalls.push_back({owner, verb, file, parameters, directory, showCommand});
    return 42;
}

bool ReadAhead(const std::string& path, std::chrono::milliseconds /*wait*/,
               std::function<void()> answered) {
    auto& slow = fake::Platform().slowFiles;
    const auto waiting = slow.find(path);
    if (waiting == slow.end()) {
        return true;
    }
    waiting->second.push_back(std::move(answered));
    return false;
}

void SetCue(const std::string& alias, bool cued, int32_t level) {
    fake::Platform().cueCalls.push_back({alias, cued, level});
}

}  // namespace platform
