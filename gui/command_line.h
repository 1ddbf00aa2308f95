#pragma once
// The program's command line: --help, --version, --verbose, --projector[=SCREEN], and files to put
// on the left deck's playlist (as a file manager's "Open with" passes them).

#include <QStringList>
#include <optional>
#include <string>
#include <vector>

namespace gui {

struct CommandLine {
    std::vector<std::string> files;  // the named files that exist, absolute, in their order
    bool verbose = false;            // diagnostics on standard error
    // Open the projector at start: on the named screen, or at the remembered place ("").
    std::optional<std::string> projector;
};

// Answers --help and --version itself (printing and ending the program).
CommandLine ReadCommandLine(const QStringList& arguments);

}  // namespace gui
