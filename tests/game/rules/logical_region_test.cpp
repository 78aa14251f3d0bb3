#include <gtest/gtest.h>

#include "game/rules/logical_region.h"

namespace vael {
namespace {

TEST(LogicalRegion, StartsCleared) {
    LogicalRegion r;
    EXPECT_EQ(r.position, Point3D(0, 0, 0));
    EXPECT_EQ(r.edgeFlags, 0u);
    for (auto t : r.terrain)
        EXPECT_EQ(t, 0xFFFF);
    EXPECT_EQ(r.hasTerrain(4), 0);
}

TEST(LogicalRegion, RegionsAreEqualByIdAlone) {
    LogicalRegion a, b;
    a.id = b.id = 305;
    a.position = Point3D(1, 2, 3);
    b.terrain[0] = 4;
    EXPECT_TRUE(a == b);
    b.id = 306;
    EXPECT_FALSE(a == b);
}

TEST(LogicalRegion, HasNeighbourLooksAtTheCountedEntriesOnly) {
    LogicalRegion r;
    r.id = 0;
    r.neighbourCount = 10;
    r.neighbours = {0, 0xFFFF, 0xFFFF, 0xFFFF, 100, 1, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
    EXPECT_EQ(r.hasNeighbour(0), 1); // a hex is its own neighbour in slot 0
    EXPECT_EQ(r.hasNeighbour(100), 1);
    EXPECT_EQ(r.hasNeighbour(1), 1);
    // A corner hex knows no off-map number, "no hex" included.
    EXPECT_EQ(r.hasNeighbour(0xFFFF), 0);
    EXPECT_EQ(r.hasNeighbour(101), 0);
    r.neighbourCount = 5;
    EXPECT_EQ(r.hasNeighbour(1), 0);
    EXPECT_EQ(r.hasNeighbour(100), 1);
}

TEST(LogicalRegion, HasTerrainExaminesAllTenEntriesWhateverTheCount) {
    LogicalRegion r;
    r.terrain[9] = 11;
    r.terrainCount = 0;
    EXPECT_EQ(r.hasTerrain(11), 1);
    EXPECT_EQ(r.hasTerrain(0), 0);
}

TEST(LogicalRegion, SideFlagsOfDirectionsWithoutASideOrFlagsAboveFourReadZero) {
    LogicalRegion r;
    r.edgeFlags = 0xFFFFFFFFu;
    EXPECT_EQ(r.getSideFlag(3, 0), 0u);
    EXPECT_EQ(r.getSideFlag(7, 0), 0u);
    EXPECT_EQ(r.getSideFlag(0, 0), 0u);
    EXPECT_EQ(r.getSideFlag(9, 0), 0u);
    EXPECT_EQ(r.getSideFlag(2, 5), 0u);
    EXPECT_EQ(r.getSideFlag(2, -1), 0u);
    // The answer is the flag's bit within the five.
    EXPECT_EQ(r.getSideFlag(2, 0), 1u);
    EXPECT_EQ(r.getSideFlag(8, 4), 16u);
}

TEST(LogicalRegion, SettingAndClearingAFlagRestoresTheWordExactly) {
    LogicalRegion r;
    r.edgeFlags = 0xC0000000u; // the two free bits
    r.setSideFlag(4, 0, true);
    r.setSideFlag(4, 3, true);
    const std::uint32_t before = r.edgeFlags;
    EXPECT_EQ(before, 0xC0000000u | (1u << 10) | (1u << 13));
    r.setSideFlag(2, 1, true);
    EXPECT_EQ(r.edgeFlags, before | (1u << 6));
    EXPECT_EQ(r.getSideFlag(2, 1), 2u);
    r.setSideFlag(2, 1, false);
    EXPECT_EQ(r.edgeFlags, before);
    // No side, or no such flag: nothing changes.
    r.setSideFlag(3, 0, true);
    r.setSideFlag(5, 5, true);
    EXPECT_EQ(r.edgeFlags, before);
    r.clearSideFlags();
    EXPECT_EQ(r.edgeFlags, 0xC0000000u);
}

TEST(LogicalRegion, EachSideOwnsItsFiveBits) {
    const int directions[] = {1, 2, 4, 5, 6, 8};
    for (int i = 0; i < 6; ++i) {
        LogicalRegion r;
        for (int k = 0; k < 5; ++k)
            r.setSideFlag(directions[i], k, true);
        EXPECT_EQ(r.edgeFlags, 0x1Fu << (5 * i)) << directions[i];
    }
}

} // namespace
} // namespace vael
