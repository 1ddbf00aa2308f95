#pragma once
// Which media device serves a deck or the samples pad. A deck index of 0 is the
// left deck; every other index is the right one.

#include <cstdint>
#include <string>

namespace app {

inline int16_t DeckOf(int16_t index) {
    return index == 0 ? 0 : 1;
}

// The media alias of a deck's device.
inline std::string AliasOf(int16_t index) {
    return index == 0 ? "a" : "b";
}

inline constexpr const char* kSampleAlias = "c";
inline constexpr const char* kDeviceType = "MPEGVideo";

}  // namespace app
