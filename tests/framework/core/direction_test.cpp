#include <gtest/gtest.h>

#include "framework/core/bus_message.h"
#include "framework/core/direction.h"

namespace vael {
namespace {

TEST(Direction, RotatesClockwise) {
    EXPECT_EQ(rotateClockwise(NorthWest, 1), North);
    EXPECT_EQ(rotateClockwise(East, 10), South);
    EXPECT_EQ(rotateClockwise(North, 8), North);
    EXPECT_EQ(rotateClockwise(NoDirection, 5), NoDirection);
    EXPECT_EQ(rotateClockwise(static_cast<DIRECTION>(9), 1), NoDirection);
    EXPECT_EQ(rotateClockwise(static_cast<DIRECTION>(9), 0), 9);
    EXPECT_EQ(rotateClockwise(static_cast<DIRECTION>(-1), 1), NoDirection);
    EXPECT_EQ(rotateClockwise(SouthWest, 255), rotateClockwise(SouthWest, 7));
}

TEST(Direction, RotatesAnticlockwise) {
    EXPECT_EQ(rotateAnticlockwise(North, 1), NorthWest);
    EXPECT_EQ(rotateAnticlockwise(NorthEast, 1), North);
    EXPECT_EQ(rotateAnticlockwise(East, 10), North);
    EXPECT_EQ(rotateAnticlockwise(NoDirection, 3), NoDirection);
    EXPECT_EQ(rotateAnticlockwise(static_cast<DIRECTION>(12), 1), NoDirection);
    EXPECT_EQ(rotateAnticlockwise(static_cast<DIRECTION>(12), 0), 12);
    for (int d = North; d <= NorthWest; ++d)
        for (int s = 0; s < 20; ++s)
            EXPECT_EQ(rotateAnticlockwise(rotateClockwise(static_cast<DIRECTION>(d), s), s), d);
}

TEST(Direction, Names) {
    EXPECT_STREQ(directionName(NoDirection), "Unknown");
    EXPECT_STREQ(directionName(North), "North");
    EXPECT_STREQ(directionName(NorthEast), "NorthEast");
    EXPECT_STREQ(directionName(East), "East");
    EXPECT_STREQ(directionName(SouthEast), "SouthEast");
    EXPECT_STREQ(directionName(South), "South");
    EXPECT_STREQ(directionName(SouthWest), "SouthWest");
    EXPECT_STREQ(directionName(West), "West");
    EXPECT_STREQ(directionName(NorthWest), "NorthWest");
    EXPECT_STREQ(directionName(static_cast<DIRECTION>(9)), "Unknown");
    EXPECT_EQ(sizeof(DIRECTION), 4u);
}

TEST(BusMessage, SplitsIdAndMode) {
    BusMessage m(70, BusMessage::Send);
    EXPECT_EQ(m.id(), 70);
    EXPECT_EQ(m.mode(), 3);
    EXPECT_EQ(m.word(), 0x30000046u);
    EXPECT_EQ(BusMessage(27).word(), 27u);

    BusMessage negative(-1);
    EXPECT_EQ(negative.id(), -1);
    EXPECT_EQ(negative.mode(), 0);
    EXPECT_EQ(negative.word(), 0x0FFFFFFFu);

    BusMessage fromWord = BusMessage::fromWord(0xA8000001u);
    EXPECT_EQ(fromWord.id(), -134217727); // bit 27 set: sign-extended
    EXPECT_EQ(fromWord.mode(), 0xA);

    m.setMode(BusMessage::Query);
    EXPECT_EQ(m.word(), 0x20000046u);
    m.setId(-2);
    EXPECT_EQ(m.id(), -2);
    EXPECT_EQ(m.mode(), 2);
    EXPECT_EQ(BusMessage(5).withMode(BusMessage::Immediate).word(), 0x10000005u);
    EXPECT_EQ(BusMessage(0x12345678).id(), 0x02345678); // ids wider than 28 bits lose their top
}

TEST(BusMessage, EqualityIgnoresTheMode) {
    EXPECT_EQ(BusMessage(70, 3), BusMessage(70, 1));
    EXPECT_EQ(BusMessage(70, 2), 70);
    EXPECT_NE(BusMessage(70, 3), BusMessage(71, 3));
    EXPECT_EQ(BusMessage(), BusMessage(0));
}

} // namespace
} // namespace vael
