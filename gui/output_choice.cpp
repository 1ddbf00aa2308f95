#include "gui/output_choice.h"

#include <QSettings>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace gui {
namespace {

constexpr int kUsageError = 2;

QSettings settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, "rotavox", "rotavox");
}

platform::OutputChoice remembered() {
    const QSettings stored = settings();
    platform::OutputChoice choice;
    choice.master = stored.value("outputs/master").toString().toStdString();
    choice.headphones = stored.value("outputs/headphones").toString().toStdString();
    const auto period = static_cast<size_t>(stored.value("outputs/period", 256).toUInt());
    if (std::find(std::begin(kPeriods), std::end(kPeriods), period) != std::end(kPeriods)) {
        choice.periodFrames = period;
    }
    return choice;
}

void remember(const platform::OutputChoice& choice) {
    QSettings stored = settings();
    stored.setValue("outputs/master", QString::fromStdString(choice.master));
    stored.setValue("outputs/headphones", QString::fromStdString(choice.headphones));
    stored.setValue("outputs/period", static_cast<unsigned>(choice.periodFrames));
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

[[noreturn]] void refuse(const std::string& problem, const std::vector<std::string>& choices) {
    std::fprintf(stderr, "rotavox: %s\nThe choices are:\n", problem.c_str());
    for (const std::string& choice : choices) {
        std::fprintf(stderr, "  %s\n", choice.c_str());
    }
    std::exit(kUsageError);
}

std::string deviceNamed(const std::vector<std::string>& names, const std::string& wanted) {
    std::string problem;
    std::string found = MatchDevice(names, wanted, problem);
    if (found.empty()) {
        refuse(problem, names);
    }
    return found;
}

size_t periodOf(const std::string& typed) {
    for (const size_t period : kPeriods) {
        if (typed == std::to_string(period)) {
            return period;
        }
    }
    std::vector<std::string> periods;
    for (const size_t period : kPeriods) {
        periods.push_back(std::to_string(period));
    }
    refuse("the period " + typed + " is not one of them", periods);
}

}  // namespace

std::string MatchDevice(const std::vector<std::string>& names, const std::string& wanted,
                        std::string& problem) {
    std::vector<std::string> fitting;
    for (const std::string& name : names) {
        if (lower(name) == lower(wanted)) {
            return name;
        }
        if (!wanted.empty() && lower(name).find(lower(wanted)) != std::string::npos) {
            fitting.push_back(name);
        }
    }
    if (fitting.size() == 1) {
        return fitting.front();
    }
    problem = fitting.empty() ? "no sound device is called \"" + wanted + "\""
                              : "\"" + wanted + "\" fits several sound devices";
    return "";
}

void ApplyOutputOptions(const OutputOptions& options) {
    if (options.list) {
        for (const std::string& name : platform::SoundOutputNames()) {
            std::printf("%s\n", name.c_str());
        }
        std::exit(0);
    }
    platform::OutputChoice choice = remembered();
    const bool named = options.master || options.headphones;
    const std::vector<std::string> names =
        named ? platform::SoundOutputNames() : std::vector<std::string>{};
    if (options.master) {
        choice.master = deviceNamed(names, *options.master);
    }
    if (options.headphones) {
        choice.headphones =
            lower(*options.headphones) == "none" ? "" : deviceNamed(names, *options.headphones);
    }
    if (options.period) {
        choice.periodFrames = periodOf(*options.period);
    }
    ChooseAndRemember(choice);
}

void ChooseAndRemember(const platform::OutputChoice& choice) {
    platform::ChooseSoundOutputs(choice);
    remember(choice);
}

}  // namespace gui
