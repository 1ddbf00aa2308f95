#pragma once
// File and path rules shared by the window's handlers. No state; every routine
// ends in a fixed default instead of reporting a failure.

#include <cstdint>
#include <string>

namespace useful {

// True when the path exists and is a folder; false otherwise.
bool IsFolder(const std::string& path);

// The part after the last separator ('/' and '\' both count); "" on failure.
std::string FileNameOf(const std::string& path);

// Classify by the type key: the last three characters, lower-cased. No dot test,
// so "peg" matches .mpeg and .jpeg alike.
bool IsPlayableFile(const std::string& path);
bool IsVideoFile(const std::string& path);

// Hands a document or web address to the desktop's opener; the result is ignored.
void ShellOpen(const std::string& documentOrAddress, int32_t ownerWindow);

}  // namespace useful
