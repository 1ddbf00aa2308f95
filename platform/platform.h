#pragma once
// The operating-system services the mixer relies on. These names and signatures
// are a contract: the real platform, the test fake and every caller use them.

#include <cstdint>
#include <string>

#include "windowing/window_host.h"

namespace platform {

// Executes one command text synchronously. 0 on success, else an error code.
// The answer (if any) is written NUL-terminated into returnBuffer, cut to
// returnLength - 1 characters; with returnLength 0 nothing is written.
uint32_t mciSendString(const std::string& command, char* returnBuffer, uint32_t returnLength,
                       int32_t callbackWindow);

// Description of an error code, NUL-terminated, cut to length - 1. false if unknown.
bool mciGetErrorString(uint32_t code, char* buffer, uint32_t length);

// Short, blank-free form of an existing path, naming the same file; returns its
// length, 0 when the path does not exist, the needed size when length is too small.
uint32_t GetShortPathName(const std::string& longPath, char* buffer, uint32_t length);

constexpr int32_t FILE_ATTRIBUTE_DIRECTORY = 16;
int32_t GetFileAttributes(const std::string& path);  // -1 when the query fails
std::string ProgramFolder();                 // the program's own writable folder, no trailing '/'
bool CreateFolder(const std::string& path);  // one level

using Rect = windowing::Rect;                    // the window hosts' own
bool GetWindowRect(int32_t window, Rect& rect);  // outer rectangle, pixels

int32_t ShellExecute(int32_t owner, const std::string& verb, const std::string& file,
                     const std::string& parameters, const std::string& directory,
                     int32_t showCommand);

}  // namespace platform
