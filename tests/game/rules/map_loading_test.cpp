#include <gtest/gtest.h>

#include <filesystem>

#include "support/rules/test_maps.h"

namespace vael {
namespace {

using test::makeLandscape;
using test::readMapFile;

TEST(MapLoading, ATwoByTwoMapHasItsRegionsInRowOrder) {
    MapFileBuilder b(2, 2);
    b.setName("x");
    auto map = makeLandscape(b);
    EXPECT_EQ(map->loadError(), "");
    ASSERT_EQ(map->regionCount(), 4);
    EXPECT_EQ(map->regionAtIndex(0)->id, 0);
    EXPECT_EQ(map->regionAtIndex(1)->id, 100);
    EXPECT_EQ(map->regionAtIndex(2)->id, 1);
    EXPECT_EQ(map->regionAtIndex(3)->id, 101);
    EXPECT_FALSE(map->isValidHex(101));
    EXPECT_EQ(map->getName(), "Vael Logical Landscape");
    EXPECT_EQ(map->getHexOffset(), 1000);
    EXPECT_EQ(map->getLandscapeStyle(), 0u);
}

TEST(MapLoading, RegionsKeepPositionHeightCountsAndTheHeaderWords) {
    MapFileBuilder b(3, 3);
    b.setHexOffset(2000).setLandscapeStyle(-2).setHeight(201, 5).setHeight(102, 3);
    auto map = makeLandscape(b);
    EXPECT_EQ(map->getHexOffset(), 2000);
    EXPECT_EQ(map->getLandscapeStyle(), 0xFFFFFFFEu); // the style word is kept sign-extended
    const LogicalRegion* r = map->regionAt(201);
    EXPECT_EQ(r->position, Point3D(4, 4, 5)); // no + 2 of the lattice
    EXPECT_EQ(map->regionAt(101)->position, Point3D(2, 6, 1));
    EXPECT_EQ(map->regionAt(102)->position, Point3D(2, 10, 3));
    EXPECT_EQ(r->neighbourCount, 10);
    EXPECT_EQ(r->terrainCount, 0);
    for (auto t : r->terrain)
        EXPECT_EQ(t, 0xFFFF);
    EXPECT_EQ(r->edgeFlags, 0u);
}

TEST(MapLoading, LevelZeroIsRiverUnlessTheHexListsCodesOfItsOwn) {
    MapFileBuilder b(3, 3);
    b.setHeight(0, 0).setHeight(100, 0).addTerrain(100, 2);
    auto map = makeLandscape(b);
    const LogicalRegion* bare = map->regionAt(0);
    EXPECT_EQ(bare->hasTerrain(4), 1);
    EXPECT_EQ(bare->terrainCount, 0); // the code survives although the count is the record's
    EXPECT_EQ(bare->terrain[0], 4);
    EXPECT_EQ(map->hasTerrainCode(0, 4), 1);
    const LogicalRegion* listed = map->regionAt(100);
    EXPECT_EQ(listed->hasTerrain(4), 0);
    EXPECT_EQ(listed->hasTerrain(2), 1);
    EXPECT_EQ(listed->terrainCount, 1);
    EXPECT_EQ(map->regionAt(1)->hasTerrain(4), 0);
}

TEST(MapLoading, CentreRecordsBecomeTheTerrainListAndKeepAtMostTenCodes) {
    MapFileBuilder b(2, 2);
    for (std::uint16_t c : {1, 3, 10})
        b.addTerrain(1, c);
    for (std::uint16_t c = 0; c < 12; ++c)
        b.addTerrain(0, static_cast<std::uint16_t>(c + 20));
    for (std::uint16_t c = 0; c < 11; ++c)
        b.addTerrain(100, static_cast<std::uint16_t>(c + 40));
    auto map = makeLandscape(b);
    const LogicalRegion* three = map->regionAt(1);
    EXPECT_EQ(three->terrainCount, 3);
    EXPECT_EQ(three->terrain[0], 1);
    EXPECT_EQ(three->terrain[1], 3);
    EXPECT_EQ(three->terrain[2], 10);
    EXPECT_EQ(three->terrain[3], 0xFFFF);
    const LogicalRegion* twelve = map->regionAt(0);
    EXPECT_EQ(twelve->terrainCount, 10);
    EXPECT_EQ(twelve->terrain[9], 29);
    EXPECT_EQ(twelve->hasTerrain(30), 0);
    EXPECT_EQ(map->regionAt(100)->terrainCount, 10);
    EXPECT_EQ(map->regionAt(100)->hasTerrain(50), 0);
}

TEST(MapLoading, ASideRecordFlagsTheSideOfBothHexesThatShareIt) {
    MapFileBuilder b(4, 4);
    b.addSide(202, 1, 6).addSide(202, 1, 11); // the point between 202 and 201
    auto map = makeLandscape(b);
    const LogicalRegion* h = map->regionAt(202);
    const LogicalRegion* above = map->regionAt(201);
    EXPECT_NE(h->getSideFlag(1, 1), 0u);
    EXPECT_NE(h->getSideFlag(1, 2), 0u);
    EXPECT_EQ(h->getSideFlag(1, 0), 0u);
    EXPECT_NE(above->getSideFlag(5, 1), 0u);
    EXPECT_NE(above->getSideFlag(5, 2), 0u);
    EXPECT_EQ(h->edgeFlags, (1u << 1) | (1u << 2));
    EXPECT_EQ(above->edgeFlags, (1u << 16) | (1u << 17));
}

TEST(MapLoading, SideValuesSetFlagsZeroOneAndTwoAndNothingElse) {
    MapFileBuilder b(4, 4);
    b.addSide(101, 2, 20).addSide(101, 4, 7).addSide(101, 4, 14).addSide(101, 4, 8).addSide(101, 6, 9);
    auto map = makeLandscape(b);
    const LogicalRegion* h = map->regionAt(101);
    EXPECT_EQ(h->edgeFlags, 1u << 5);                     // only the 20 on side 2
    EXPECT_EQ(map->regionAt(201)->getSideFlag(6, 0), 1u); // its side toward 101
    // Every other side value leaves the neighbours untouched too.
    EXPECT_EQ(map->regionAt(202)->edgeFlags, 0u);
    EXPECT_EQ(map->regionAt(2)->edgeFlags, 0u);
}

TEST(MapLoading, SidesOfTheUnusedHexOfAnOddColumnAreNotRead) {
    MapFileBuilder b(2, 2);
    // 101 is off the map: the record at its north side midpoint (4, 6) flags only 100's south side.
    b.addRecordValue(MapFileBuilder::latticeX(101), MapFileBuilder::latticeY(101) - 2, 20);
    auto map = makeLandscape(b);
    EXPECT_EQ(map->regionAt(101)->edgeFlags, 0u);
    EXPECT_EQ(map->regionAt(100)->getSideFlag(5, 0), 1u);
}

TEST(MapLoading, AFileThatCannotBeReadLeavesAnEmptyMapAndSaysWhy) {
    const auto missing = (std::filesystem::temp_directory_path() / "vael-no-such-map.map").string();
    VaelLogicalLandscape map(missing.c_str());
    EXPECT_EQ(map.loadError(), "Map file \"" + missing + "\" cannot be opened");
    EXPECT_EQ(map.regionCount(), 0);
    EXPECT_EQ(map.getSize(), Point(0, 0));
    EXPECT_EQ(map.getHexOffset(), 1000);
    // Every question on the empty map is answered safely.
    EXPECT_FALSE(map.isValidHex(0));
    EXPECT_EQ(map.regionAt(0), nullptr);
    EXPECT_EQ(map.neighbourId(0, 1), 0xFFFF);
    EXPECT_TRUE(map.unitsInHex(0).isEmpty());
    EXPECT_TRUE(map.hexLine(0, 1).isEmpty());
    List<short> fill;
    map.hexesWithinCost(fill, 0, 3, VaelLogicalLandscape::unitStepCost);
    EXPECT_TRUE(fill.isEmpty());
    EXPECT_EQ(map.idOf(3), -1);

    LogicalMapFile unread;
    VaelLogicalLandscape fromNothing(unread);
    EXPECT_EQ(fromNothing.loadError(), "The map file holds no map");
}

TEST(MapLoading, ReloadingReplacesTheMapAndAFailedLoadEmptiesIt) {
    auto map = makeLandscape(3, 3);
    MapFileBuilder other(5, 2);
    other.setHexOffset(500);
    ASSERT_TRUE(map->loadMap(readMapFile(other)));
    EXPECT_EQ(map->regionCount(), 10);
    EXPECT_EQ(map->getHexOffset(), 500);
    EXPECT_TRUE(map->isValidHex(400));
    EXPECT_FALSE(map->loadMap("/nonexistent/dir/field.map"));
    EXPECT_EQ(map->regionCount(), 0);
    EXPECT_EQ(map->getHexOffset(), 1000);
    EXPECT_FALSE(map->isValidHex(0));
}

} // namespace
} // namespace vael
