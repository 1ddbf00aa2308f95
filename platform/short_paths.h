#pragma once
// Linux has no 8.3 names, yet the open command carries its path unquoted inside
// a 255-character field. A short form is therefore blank-free and bounded: the
// path itself when it is plain printable ASCII of at most 120 characters, else a
// generated token ("~" + 16 hex digits + the file's extension) that this table
// maps back to the path.

#include <cstddef>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

namespace platform {

class ShortPathTable {
  public:
    explicit ShortPathTable(std::size_t capacity);

    // The short form of `path`; the same path always gets the same form while it
    // stays in the table. Tokens are made from a hash, so they are also the same
    // across runs unless two paths collide.
    std::string shortFormOf(const std::string& path);

    // The path behind a token issued by this table; nothing for other texts.
    std::optional<std::string> pathOfToken(const std::string& token) const;

  private:
    std::string issueToken(const std::string& path);

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, std::string> tokenByPath_;
    std::unordered_map<std::string, std::string> pathByToken_;
    std::deque<std::string> issueOrder_;  // oldest first, evicted when full
};

constexpr std::size_t kLongestPlainShortForm = 120;

// The process-wide table behind GetShortPathName.
ShortPathTable& ShortPaths();

// Turns a short form back into the path it names; any other text (a plain
// absolute or relative path) comes back unchanged.
std::string ResolveShortPath(const std::string& shortOrLongPath);

}  // namespace platform
