#pragma once
// Writing an answer into a caller's fixed-size character buffer.

#include <cstdint>
#include <string_view>

namespace platform {

// Copies `text` NUL-terminated, cut to length - 1 bytes; writes nothing when
// the buffer is null or its length is 0. A cut never splits a UTF-8 character.
void CopyToBuffer(std::string_view text, char* buffer, uint32_t length);

}  // namespace platform
