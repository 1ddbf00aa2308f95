#pragma once
// The program's command line: --help, --version, --verbose, and files to put on the left
// deck's playlist (as a file manager's "Open with" passes them).

#include <QStringList>
#include <string>
#include <vector>

namespace gui {

struct CommandLine {
    std::vector<std::string> files;  // the named files that exist, absolute, in their order
    bool verbose = false;            // diagnostics on standard error
};

// Answers --help and --version itself (printing and ending the program).
CommandLine ReadCommandLine(const QStringList& arguments);

}  // namespace gui
