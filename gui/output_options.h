#pragma once
// The command line's options for the sound devices, as typed: --list-outputs, --output
// NAME, --cue NAME, --period N. What they mean is decided once the sound system is asked
// (see output_choice.h).

#include <QCommandLineParser>
#include <optional>
#include <string>

namespace gui {

struct OutputOptions {
    bool list = false;
    std::optional<std::string> master;      // --output
    std::optional<std::string> headphones;  // --cue
    std::optional<std::string> period;      // --period
};

void AddOutputOptions(QCommandLineParser& parser);
OutputOptions ReadOutputOptions(const QCommandLineParser& parser);

}  // namespace gui
