#pragma once
// Four floats at a time, one SSE or NEON register, for the audio callback's inner loops
// (at -O2 the compiler vectorises no loop whose trip count it cannot see).

#include <cstddef>
#include <cstring>

namespace engine::simd {

using Vec = float __attribute__((vector_size(16)));
constexpr size_t kLanes = sizeof(Vec) / sizeof(float);

inline Vec load(const float* p) {
    Vec v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace engine::simd
