#include "platform/short_paths.h"

#include <algorithm>
#include <cstdio>

namespace platform {
namespace {

constexpr std::size_t kLongestKeptExtension = 8;
constexpr std::size_t kTableCapacity = 4096;

bool isPlainAscii(const std::string& path) {
    return std::all_of(path.begin(), path.end(),
                       [](char c) { return c > ' ' && c < 0x7F && c != '"' && c != '\''; });
}

// The extension with its dot, when it is short and alphanumeric; else "".
std::string keptExtension(const std::string& path) {
    const std::size_t dot = path.find_last_of("./");
    if (dot == std::string::npos || path[dot] != '.' || dot + 1 == path.size()) {
        return "";
    }
    const std::string extension = path.substr(dot + 1);
    const bool plain =
        extension.size() <= kLongestKeptExtension &&
        std::all_of(extension.begin(), extension.end(), [](char c) {
            return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        });
    return plain ? "." + extension : "";
}

uint64_t fnv1a(const std::string& text, uint64_t salt) {
    uint64_t hash = 14695981039346656037ULL ^ salt;
    for (unsigned char c : text) {
        hash = (hash ^ c) * 1099511628211ULL;
    }
    return hash;
}

std::string hexToken(uint64_t hash, const std::string& extension) {
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llX", static_cast<unsigned long long>(hash));
    return std::string("~") + digits + extension;
}

}  // namespace

ShortPathTable::ShortPathTable(std::size_t capacity) : capacity_(capacity) {}

std::string ShortPathTable::shortFormOf(const std::string& path) {
    if (path.size() <= kLongestPlainShortForm && isPlainAscii(path) && !path.starts_with('~')) {
        return path;
    }
    std::lock_guard lock(mutex_);
    const auto known = tokenByPath_.find(path);
    return known != tokenByPath_.end() ? known->second : issueToken(path);
}

std::optional<std::string> ShortPathTable::pathOfToken(const std::string& token) const {
    std::lock_guard lock(mutex_);
    const auto known = pathByToken_.find(token);
    if (known == pathByToken_.end()) {
        return std::nullopt;
    }
    return known->second;
}

std::string ShortPathTable::issueToken(const std::string& path) {
    if (issueOrder_.size() >= capacity_) {
        const std::string oldest = issueOrder_.front();
        issueOrder_.pop_front();
        pathByToken_.erase(tokenByPath_[oldest]);
        tokenByPath_.erase(oldest);
    }
    const std::string extension = keptExtension(path);
    std::string token;
    for (uint64_t salt = 0;; ++salt) {
        token = hexToken(fnv1a(path, salt), extension);
        if (!pathByToken_.contains(token)) {
            break;
        }
    }
    tokenByPath_[path] = token;
    pathByToken_[token] = path;
    issueOrder_.push_back(path);
    return token;
}

ShortPathTable& ShortPaths() {
    static ShortPathTable table(kTableCapacity);
    return table;
}

std::string ResolveShortPath(const std::string& shortOrLongPath) {
    return ShortPaths().pathOfToken(shortOrLongPath).value_or(shortOrLongPath);
}

}  // namespace platform
