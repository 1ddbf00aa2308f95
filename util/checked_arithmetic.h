#pragma once
// Arithmetic whose failures the mixer's logic treats as failed steps. C++ would
// silently give infinities or undefined casts; these helpers throw instead.

#include <cstdint>
#include <stdexcept>

namespace useful {

// Thrown for a division by zero, a non-finite result or an integer conversion
// that does not fit. Handlers catch it through their failure mechanism.
class ArithmeticFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4).
int32_t RoundToInt32(double value);

// Rounds like RoundToInt32 and fails unless the result fits 16 bits.
int16_t RoundToInt16(double value);

// a / b, failing on a zero divisor or a non-finite quotient.
double CheckedDivide(double dividend, double divisor);

// a * b in 32 bits, failing on overflow.
int32_t CheckedMultiply(int32_t a, int32_t b);

// 64-bit sums and products of values read from a file (timestamps, durations, counts),
// failing on overflow.
int64_t CheckedAdd(int64_t a, int64_t b);
int64_t CheckedSubtract(int64_t a, int64_t b);
int64_t CheckedMultiply64(int64_t a, int64_t b);

}  // namespace useful
