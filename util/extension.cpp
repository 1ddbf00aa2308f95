#include "util/extension.h"

#include <algorithm>

#include "util/useful.h"

namespace useful {
namespace {

constexpr std::size_t kLongestExtension = 8;

bool isLetterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

std::string ExtensionOf(const std::string& path) {
    const std::string name = FileNameOf(path);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return "";
    }
    const std::string extension = name.substr(dot + 1);
    const bool plain = !extension.empty() && extension.size() <= kLongestExtension &&
                       std::all_of(extension.begin(), extension.end(), isLetterOrDigit);
    return plain ? extension : "";
}

}  // namespace useful
