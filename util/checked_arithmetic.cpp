#include "util/checked_arithmetic.h"

#include <cmath>
#include <limits>

namespace useful {
namespace {

double roundHalfEven(double value) {
    if (!std::isfinite(value)) {
        throw ArithmeticFailure("non-finite value");
    }
    const double floor = std::floor(value);
    const double fraction = value - floor;
    if (fraction < 0.5) {
        return floor;
    }
    if (fraction > 0.5) {
        return floor + 1.0;
    }
    return std::fmod(floor, 2.0) == 0.0 ? floor : floor + 1.0;
}

template <typename Integer>
Integer roundInto(double value) {
    const double rounded = roundHalfEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<Integer>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Integer>::max())) {
        throw ArithmeticFailure("integer overflow");
    }
    return static_cast<Integer>(rounded);
}

}  // namespace

int32_t RoundToInt32(double value) {
    return roundInto<int32_t>(value);
}

int16_t RoundToInt16(double value) {
    return roundInto<int16_t>(value);
}

double CheckedDivide(double dividend, double divisor) {
    if (divisor == 0.0) {
        throw ArithmeticFailure("division by zero");
    }
    const double quotient = dividend / divisor;
    if (!std::isfinite(quotient)) {
        throw ArithmeticFailure("non-finite quotient");
    }
    return quotient;
}

namespace {

void failOnOverflow(bool overflowed) {
    if (overflowed) {
        throw ArithmeticFailure("integer overflow");
    }
}

}  // namespace

int32_t CheckedMultiply(int32_t a, int32_t b) {
    int32_t product = 0;
    failOnOverflow(__builtin_mul_overflow(a, b, &product));
    return product;
}

int64_t CheckedAdd(int64_t a, int64_t b) {
    int64_t sum = 0;
    failOnOverflow(__builtin_add_overflow(a, b, &sum));
    return sum;
}

int64_t CheckedSubtract(int64_t a, int64_t b) {
    int64_t difference = 0;
    failOnOverflow(__builtin_sub_overflow(a, b, &difference));
    return difference;
}

int64_t CheckedMultiply64(int64_t a, int64_t b) {
    int64_t product = 0;
    failOnOverflow(__builtin_mul_overflow(a, b, &product));
    return product;
}

}  // namespace useful
