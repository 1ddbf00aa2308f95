#pragma once
// The program's command line: --help, --version, --verbose, the sound devices' options (see
// output_options.h), and files to put on the left deck's playlist (as a file manager's
// "Open with" passes them).

#include <QStringList>
#include <string>
#include <vector>

#include "gui/output_options.h"

namespace gui {

struct CommandLine {
    std::vector<std::string> files;  // the named files that exist, absolute, in their order
    bool verbose = false;            // diagnostics on standard error
    OutputOptions outputs;
};

// Answers --help and --version itself (printing and ending the program).
CommandLine ReadCommandLine(const QStringList& arguments);

}  // namespace gui
