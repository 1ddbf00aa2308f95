#pragma once
// A file's own extension, as a file manager shows it.

#include <string>

namespace useful {

// The one to eight letters and digits after the last dot of the path's file name, as
// written; "" when the name ends otherwise ("notes", "Take 1.2 final", "list.").
std::string ExtensionOf(const std::string& path);

}  // namespace useful
