#pragma once
// Writing a whole file so that nobody ever finds half of it.

#include <string>
#include <string_view>

namespace useful {

// Replaces the file at `path` with `bytes`: a new file beside it is written, flushed to
// the disk and renamed over it, keeping the old file's permissions. On a failure (a full
// disk, a folder that may not be written) the old file is left as it was and the new one
// removed. Returns "" on success, else what failed and why.
std::string ReplaceFile(const std::string& path, std::string_view bytes);

}  // namespace useful
