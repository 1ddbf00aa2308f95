#include "platform/text_buffer.h"

#include <algorithm>
#include <cstring>

namespace platform {

void CopyToBuffer(std::string_view text, char* buffer, uint32_t length) {
    if (buffer == nullptr || length == 0) {
        return;
    }
    std::size_t count = std::min<std::size_t>(text.size(), length - 1);
    while (count < text.size() && count > 0 &&
           (static_cast<unsigned char>(text[count]) & 0xC0) == 0x80) {
        --count;  // back to the start of the character the cut would split
    }
    std::memcpy(buffer, text.data(), count);
    buffer[count] = '\0';
}

}  // namespace platform
