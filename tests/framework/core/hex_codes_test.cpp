// The hex codes shared by every layer: the six sides as region directions, and the number of no hex.
#include <gtest/gtest.h>

#include <array>

#include "framework/core/hex_codes.h"

namespace vael {
namespace {

TEST(HexCodes, TheSidesAreTheSixDirectionsThatAreNotCornersClockwiseFromNorth) {
    const std::array<std::int32_t, 6> expected = {1, 2, 4, 5, 6, 8};
    EXPECT_EQ(hexSides, expected);
}

TEST(HexCodes, NoHexIsTheLargestHexNumber) {
    EXPECT_EQ(noHex, 0xFFFFu);
    EXPECT_EQ(static_cast<std::int16_t>(noHex), -1);
}

} // namespace
} // namespace vael
