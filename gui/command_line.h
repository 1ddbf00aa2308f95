#pragma once
// The program's command line: --help, --version, --verbose, --new-window,
// --projector [SCREEN], --record FILE, the sound devices' options (see output_options.h), and
// files to put on the left deck's playlist (as a file manager's "Open with" passes them).

#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "gui/output_options.h"

namespace gui {

struct CommandLine {
    std::vector<std::string> files;  // the named files that exist, as absolute paths, in order
    bool verbose = false;            // diagnostics on standard error
    bool newWindow = false;          // a mixer of its own instead of the running one
    // Open the projector at start: on the named screen, or at the remembered place ("").
    std::optional<std::string> projector;
    std::optional<std::string> record;  // record the mix into this file (absolute) from the start
    OutputOptions outputs;
};

// Answers --help and --version itself, printing and ending the program: options that
// only inform are answered here, before any running mixer is asked for anything.
CommandLine ReadCommandLine(const QStringList& arguments);

}  // namespace gui
