#include "util/checked_arithmetic.h"

#include <gtest/gtest.h>

#include <limits>

using useful::ArithmeticFailure;

TEST(RoundToInt32, RoundsHalvesToTheEvenNeighbour) {
    EXPECT_EQ(useful::RoundToInt32(2.5), 2);
    EXPECT_EQ(useful::RoundToInt32(3.5), 4);
    EXPECT_EQ(useful::RoundToInt32(-2.5), -2);
    EXPECT_EQ(useful::RoundToInt32(-3.5), -4);
    EXPECT_EQ(useful::RoundToInt32(12.5), 12);
    EXPECT_EQ(useful::RoundToInt32(99.5), 100);
    EXPECT_EQ(useful::RoundToInt32(2.4999), 2);
    EXPECT_EQ(useful::RoundToInt32(2.5001), 3);
    EXPECT_EQ(useful::RoundToInt32(-0.4), 0);
}

TEST(RoundToInt32, FailsOutsideItsRangeAndOnNonFiniteValues) {
    EXPECT_EQ(useful::RoundToInt32(2147483647.4), 2147483647);
    EXPECT_EQ(useful::RoundToInt32(-2147483648.0), std::numeric_limits<int32_t>::min());
    EXPECT_THROW(useful::RoundToInt32(2147483647.5), ArithmeticFailure);
    EXPECT_THROW(useful::RoundToInt32(-2147483649.0), ArithmeticFailure);
    EXPECT_THROW(useful::RoundToInt32(std::numeric_limits<double>::infinity()), ArithmeticFailure);
    EXPECT_THROW(useful::RoundToInt32(std::numeric_limits<double>::quiet_NaN()), ArithmeticFailure);
}

TEST(RoundToInt16, OverflowIsAFailure) {
    EXPECT_EQ(useful::RoundToInt16(32767.49), 32767);
    EXPECT_EQ(useful::RoundToInt16(-32768.0), -32768);
    EXPECT_EQ(useful::RoundToInt16(0.5), 0);
    EXPECT_EQ(useful::RoundToInt16(1.5), 2);
    EXPECT_THROW(useful::RoundToInt16(32767.5), ArithmeticFailure);
    EXPECT_THROW(useful::RoundToInt16(-32769.0), ArithmeticFailure);
    EXPECT_THROW(useful::RoundToInt16(-std::numeric_limits<double>::infinity()), ArithmeticFailure);
}

TEST(CheckedDivide, FailsOnZeroDivisorAndNonFiniteQuotient) {
    EXPECT_DOUBLE_EQ(useful::CheckedDivide(250, 10), 25.0);
    EXPECT_THROW(useful::CheckedDivide(1, 0), ArithmeticFailure);
    EXPECT_THROW(useful::CheckedDivide(0, 0), ArithmeticFailure);
    EXPECT_THROW(useful::CheckedDivide(1e308, 1e-308), ArithmeticFailure);
}

TEST(CheckedMultiply, FailsOnOverflow) {
    EXPECT_EQ(useful::CheckedMultiply(21474836, 100), 2147483600);
    EXPECT_EQ(useful::CheckedMultiply(-5, 10), -50);
    EXPECT_THROW(useful::CheckedMultiply(21474837, 100), ArithmeticFailure);
    EXPECT_THROW(useful::CheckedMultiply(std::numeric_limits<int32_t>::min(), -1),
                 ArithmeticFailure);
}
