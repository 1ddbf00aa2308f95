#include "platform/command_parser.h"

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <span>
#include <vector>

#include "platform/command_words.h"
#include "platform/mci_errors.h"

namespace platform {
namespace {

constexpr int64_t kAnyPosition = std::numeric_limits<int64_t>::max();
constexpr int64_t kInt32Lowest = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32Highest = std::numeric_limits<int32_t>::max();
constexpr int64_t kUint32Highest = std::numeric_limits<uint32_t>::max();

// Walks the words of one command; every fault it meets is thrown as its code.
class WordReader {
  public:
    explicit WordReader(std::vector<CommandWord> words) : words_(std::move(words)) {}

    bool atEnd() const { return next_ == words_.size(); }
    const CommandWord& peek() const { return words_.at(next_); }

    // The next word; 273 when there is none.
    const CommandWord& take() {
        if (atEnd()) {
            throw CommandError{kMciMissingParameter};
        }
        return words_[next_++];
    }

    bool takeKeyword(std::string_view keyword) {
        if (atEnd() || !IsKeyword(peek(), keyword)) {
            return false;
        }
        ++next_;
        return true;
    }

    // 273 when the keyword is missing, 259 when another word stands in its place.
    void expectKeyword(std::string_view keyword) {
        if (!IsKeyword(take(), keyword)) {
            throw CommandError{kMciUnrecognizedKeyword};
        }
    }

    int64_t number(int64_t lowest, int64_t highest) {
        const int64_t value = ParseInteger(take().text);
        if (value < lowest || value > highest) {
            throw CommandError{kMciOutOfRange};
        }
        return value;
    }

    int32_t number32(int64_t lowest, int64_t highest) {
        return static_cast<int32_t>(number(lowest, highest));
    }

    // Words left after a form that is complete are 305.
    void expectEnd() const {
        if (!atEnd()) {
            throw CommandError{kMciExtraCharacters};
        }
    }

  private:
    std::vector<CommandWord> words_;
    std::size_t next_ = 0;
};

// A device name in lower case. "all" means every device, which only close accepts:
// the other verbs answer for one device.
std::string checkedDeviceName(const std::string& written, bool acceptsAll) {
    if (written.empty()) {
        throw CommandError{kMciMissingDeviceName};
    }
    std::string name = LowerCase(written);
    if (name == "all" && !acceptsAll) {
        throw CommandError{kMciCannotUseAll};
    }
    return name;
}

struct Option {
    std::string_view keyword;
    std::function<void()> readValue;
};

const Option* findOption(const CommandWord& word, std::span<const Option> options) {
    const auto found = std::find_if(options.begin(), options.end(), [&](const Option& option) {
        return IsKeyword(word, option.keyword);
    });
    return found == options.end() ? nullptr : &*found;
}

// Reads keyword options in any order until the words end: an unknown word is 259,
// an option given twice 295 (which of the two would count is anyone's guess).
void readOptions(WordReader& words, std::span<const Option> options) {
    std::vector<std::string_view> seen;
    while (!words.atEnd()) {
        const Option* option = findOption(words.take(), options);
        if (option == nullptr) {
            throw CommandError{kMciUnrecognizedKeyword};
        }
        if (std::find(seen.begin(), seen.end(), option->keyword) != seen.end()) {
            throw CommandError{kMciDuplicateFlags};
        }
        seen.push_back(option->keyword);
        option->readValue();
    }
}

Command parseOpen(WordReader& words) {
    if (words.atEnd()) {
        throw CommandError{kMciMissingDeviceName};
    }
    OpenCommand open;
    std::optional<std::string> alias;
    const std::array<Option, 5> options{{
        // One device type plays every file; any other type names no device here.
        {"type",
         [&] {
             if (!IsKeyword(words.take(), "mpegvideo")) {
                 throw CommandError{kMciInvalidDeviceName};
             }
         }},
        {"alias", [&] { alias = words.take().text; }},
        {"parent", [&] { open.parentWindow = words.number32(kInt32Lowest, kInt32Highest); }},
        // The picture is always a child of the parent window, so the style is checked
        // and otherwise has no effect.
        {"style",
         [&] {
             if (!words.takeKeyword("child")) {
                 words.number(0, kUint32Highest);
             }
         }},
        // Every command is carried out before it returns: waiting is what happens anyway.
        {"wait", [] {}},
    }};
    // An option word where the file belongs means the file part is empty, as when
    // a file has no short form; quote a file that is really named like an option.
    if (findOption(words.peek(), options) == nullptr) {
        open.path = words.take().text;
    }
    readOptions(words, options);
    if (open.path.empty()) {
        throw CommandError{kMciFilenameRequired};
    }
    // Without an alias the device is named by its file, as written.
    open.deviceName = checkedDeviceName(alias.value_or(open.path), false);
    return open;
}

Command parseClose(WordReader& words, std::string device) {
    readOptions(words, {});
    return CloseCommand{std::move(device)};
}

template <TransportVerb verb>
Command parseTransport(WordReader& words, std::string device) {
    readOptions(words, {});
    return TransportCommand{std::move(device), verb};
}

Command parsePlay(WordReader& words, std::string device) {
    PlayCommand play{std::move(device), {}, {}};
    const std::array<Option, 2> options{{
        {"from", [&] { play.from = words.number(-kAnyPosition, kAnyPosition); }},
        {"to", [&] { play.to = words.number(-kAnyPosition, kAnyPosition); }},
    }};
    readOptions(words, options);
    return play;
}

Command parseSeek(WordReader& words, std::string device) {
    SeekCommand seek{std::move(device), {}};
    bool targetGiven = false;
    const std::array<Option, 1> options{{
        {"to",
         [&] {
             targetGiven = true;
             if (words.takeKeyword("start")) {
                 seek.position = 0;
             } else if (!words.takeKeyword("end")) {
                 seek.position = words.number(-kAnyPosition, kAnyPosition);
             }
         }},
    }};
    readOptions(words, options);
    if (!targetGiven) {
        throw CommandError{kMciMissingParameter};
    }
    return seek;
}

StatusItem readStatusItem(WordReader& words) {
    constexpr std::array<std::pair<std::string_view, StatusItem>, 6> kItems{{
        {"mode", StatusItem::Mode},
        {"length", StatusItem::Length},
        {"position", StatusItem::Position},
        {"ready", StatusItem::Ready},
        {"volume", StatusItem::Volume},
        {"speed", StatusItem::Speed},
    }};
    for (const auto& [keyword, item] : kItems) {
        if (words.takeKeyword(keyword)) {
            return item;
        }
    }
    words.expectKeyword("time");
    words.expectKeyword("format");
    return StatusItem::TimeFormat;
}

Command parseStatus(WordReader& words, std::string device) {
    const StatusItem item = readStatusItem(words);
    words.expectEnd();
    return StatusCommand{std::move(device), item};
}

TimeFormat readTimeFormat(WordReader& words) {
    const std::string format = LowerCase(words.take().text);
    if (format == "frames") {
        return TimeFormat::Frames;
    }
    if (format == "ms" || format == "milliseconds") {
        return TimeFormat::Milliseconds;
    }
    throw CommandError{kMciBadTimeFormat};
}

Command parseSet(WordReader& words, std::string device) {
    Command command;
    if (words.takeKeyword("speed")) {
        command = SetSpeedCommand{std::move(device), words.number32(kSlowestSpeed, kFastestSpeed)};
    } else {
        words.expectKeyword("time");
        words.expectKeyword("format");
        command = SetTimeFormatCommand{std::move(device), readTimeFormat(words)};
    }
    words.expectEnd();
    return command;
}

Command parseSetAudio(WordReader& words, std::string device) {
    Channels channels = Channels::Both;
    if (words.takeKeyword("left")) {
        channels = Channels::Left;
    } else if (words.takeKeyword("right")) {
        channels = Channels::Right;
    }
    words.expectKeyword("volume");
    words.expectKeyword("to");
    const int32_t level = words.number32(kLowestLevel, kHighestLevel);
    words.expectEnd();
    return SetAudioCommand{std::move(device), channels, level};
}

Command parsePut(WordReader& words, std::string device) {
    words.expectKeyword("window");
    words.expectKeyword("at");
    PutWindowCommand put{std::move(device), 0, 0, 0, 0};
    put.x = words.number32(kInt32Lowest, kInt32Highest);
    put.y = words.number32(kInt32Lowest, kInt32Highest);
    // A negative size has no picture to show.
    put.cx = words.number32(0, kInt32Highest);
    put.cy = words.number32(0, kInt32Highest);
    words.expectEnd();
    return put;
}

struct DeviceVerb {
    std::string_view name;
    Command (*parse)(WordReader&, std::string device);
    bool acceptsAll;
};

constexpr std::array<DeviceVerb, 10> kDeviceVerbs{{
    {"close", parseClose, true},
    {"play", parsePlay, false},
    {"pause", parseTransport<TransportVerb::Pause>, false},
    {"resume", parseTransport<TransportVerb::Resume>, false},
    {"stop", parseTransport<TransportVerb::Stop>, false},
    {"seek", parseSeek, false},
    {"status", parseStatus, false},
    {"set", parseSet, false},
    {"setaudio", parseSetAudio, false},
    {"put", parsePut, false},
}};

}  // namespace

Command ParseCommand(std::string_view text) {
    WordReader words(SplitCommandWords(text));
    if (words.atEnd()) {
        throw CommandError{kMciMissingCommandString};
    }
    const CommandWord verb = words.take();
    if (IsKeyword(verb, "open")) {
        return parseOpen(words);
    }
    const auto known = std::find_if(kDeviceVerbs.begin(), kDeviceVerbs.end(),
                                    [&](const DeviceVerb& v) { return IsKeyword(verb, v.name); });
    if (known == kDeviceVerbs.end()) {
        throw CommandError{kMciUnrecognizedCommand};
    }
    if (words.atEnd()) {
        throw CommandError{kMciMissingDeviceName};
    }
    std::string device = checkedDeviceName(words.take().text, known->acceptsAll);
    return known->parse(words, std::move(device));
}

}  // namespace platform
