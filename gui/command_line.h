#pragma once
// The program's command line: --help, --version, and files to put on the left deck's
// playlist (as a file manager's "Open with" passes them).

#include <QStringList>
#include <string>
#include <vector>

namespace gui {

// Answers --help and --version itself (printing and ending the program). Returns the
// named files that exist, as absolute paths, in their order.
std::vector<std::string> FilesToOpen(const QStringList& arguments);

}  // namespace gui
