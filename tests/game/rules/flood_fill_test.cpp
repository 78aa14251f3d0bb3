#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "support/rules/test_maps.h"
#include "support/rules/test_units.h"

namespace vael {
namespace {

using test::makeLandscape;

std::vector<short> toVector(const List<short>& list) {
    std::vector<short> out;
    ListIterator<short> it(const_cast<List<short>&>(list));
    for (short h = 0; it.next(h);)
        out.push_back(h);
    return out;
}

std::vector<short> sorted(std::vector<short> v) {
    std::sort(v.begin(), v.end());
    return v;
}

List<DIRECTION> directions(std::initializer_list<DIRECTION> ds) {
    List<DIRECTION> out;
    for (DIRECTION d : ds)
        out.append(d);
    return out;
}

const auto unitCost = VaelLogicalLandscape::unitStepCost;

TEST(FloodFill, OneStepAtExactCostIsTheHexAndItsNeighboursInTheFixedOrder) {
    auto map = makeLandscape(10, 10);
    List<short> ring;
    map->hexesAtExactCost(ring, 505, 1, unitCost);
    EXPECT_EQ(toVector(ring), (std::vector<short>{505, 405, 504, 605, 606, 506, 406}));
    List<short> corner;
    map->hexesAtExactCost(corner, 0, 1, unitCost);
    EXPECT_EQ(toVector(corner), (std::vector<short>{0, 100, 1}));
}

TEST(FloodFill, TwoStepsAtExactCostIsTheHexAndTheTwelveAtDistanceTwo) {
    auto map = makeLandscape(10, 10);
    List<short> ring;
    map->hexesAtExactCost(ring, 505, 2, unitCost);
    const auto hexes = toVector(ring);
    ASSERT_EQ(hexes.size(), 13u);
    EXPECT_EQ(hexes.front(), 505);
    EXPECT_EQ(sorted(hexes),
              (std::vector<short>{304, 305, 306, 404, 407, 503, 505, 507, 604, 607, 704, 705, 706}));
}

TEST(FloodFill, WithinCostIsEveryHexReachable) {
    auto map = makeLandscape(10, 10);
    List<short> none;
    map->hexesWithinCost(none, 505, 0, unitCost);
    EXPECT_EQ(toVector(none), (std::vector<short>{505}));
    List<short> two;
    map->hexesWithinCost(two, 505, 2, unitCost);
    EXPECT_EQ(two.count(), 19);
    ListIterator<short> it(two);
    for (short h = 0; it.next(h);)
        EXPECT_LE(map->hexDistance(505, h), 2) << h;
    List<short> corner;
    map->hexesWithinCost(corner, 0, 1, unitCost);
    EXPECT_EQ(toVector(corner), (std::vector<short>{0, 100, 1}));
}

TEST(FloodFill, AFillFromOffTheMapFindsNothing) {
    auto map = makeLandscape(10, 8);
    for (std::int16_t start : {-1, 107, 1000, 8, 32000}) {
        List<short> result;
        map->hexesWithinCost(result, start, 3, unitCost);
        EXPECT_TRUE(result.isEmpty()) << start;
        List<short> formation;
        formation.append(start);
        map->floodFillFormation(result, directions({South}), formation, 3, unitCost);
        EXPECT_TRUE(result.isEmpty()) << start;
    }
}

// Step costs that a test sets hex by hex; -1 bars entering the hex. Every call is recorded.
struct CostTable {
    static std::vector<std::pair<short, short>> calls;
    static std::vector<std::pair<short, std::int16_t>> costs;
    static std::int16_t cost(std::int16_t from, std::int16_t to, VaelLogicalLandscape*, VaelUnit*) {
        calls.emplace_back(from, to);
        for (auto& c : costs)
            if (c.first == to) return c.second;
        return 1;
    }
};
std::vector<std::pair<short, short>> CostTable::calls;
std::vector<std::pair<short, std::int16_t>> CostTable::costs;

TEST(FloodFill, ABarredNeighbourIsNeverEnteredNorExpanded) {
    auto map = makeLandscape(1, 5);
    CostTable::calls.clear();
    CostTable::costs = {{2, -1}};
    List<short> result;
    map->hexesWithinCost(result, 0, 4, CostTable::cost);
    EXPECT_EQ(toVector(result), (std::vector<short>{0, 1}));
    for (auto& call : CostTable::calls)
        EXPECT_NE(call.first, 2);
    // Costs below -1 bar the step as well instead of handing out budget.
    CostTable::costs = {{2, -5}};
    List<short> again;
    map->hexesWithinCost(again, 0, 1, CostTable::cost);
    EXPECT_EQ(toVector(again), (std::vector<short>{0, 1}));
}

TEST(FloodFill, ExactCostTakesOnlyHexesReachedWithNothingLeft) {
    auto map = makeLandscape(1, 5);
    CostTable::costs = {{1, 2}};
    List<short> two;
    map->hexesAtExactCost(two, 0, 2, CostTable::cost);
    EXPECT_EQ(toVector(two), (std::vector<short>{0, 1}));
    List<short> three;
    map->hexesAtExactCost(three, 0, 3, CostTable::cost);
    EXPECT_EQ(toVector(three), (std::vector<short>{0, 2}));
    List<short> within;
    map->hexesWithinCost(within, 0, 3, CostTable::cost);
    EXPECT_EQ(toVector(within), (std::vector<short>{0, 1, 2}));
}

TEST(FloodFill, AHexIsExpandedAgainOnlyWhenReachedWithMoreLeft) {
    // 0 -> 100 is dear, so 101 is first reached from 100 with nothing left, then from 1 with 2 left: it
    // is expanded a second time. 102 is reached twice with 1 left and expanded once.
    auto map = makeLandscape(2, 6);
    CostTable::calls.clear();
    CostTable::costs = {{100, 3}};
    List<short> result;
    map->hexesWithinCost(result, 0, 4, CostTable::cost);
    EXPECT_EQ(toVector(result), (std::vector<short>{0, 100, 1, 101, 2, 102, 3, 103, 4}));
    auto expansions = [](short hex) {
        return std::count_if(CostTable::calls.begin(), CostTable::calls.end(),
                             [hex](const std::pair<short, short>& c) { return c.first == hex; });
    };
    EXPECT_EQ(expansions(101), 8); // four neighbours, twice
    EXPECT_EQ(expansions(102), 4);
    EXPECT_EQ(expansions(0), 2);
}

TEST(FloodFill, ADoubleSizedUnitsSecondHexFollowsEveryAcceptedHex) {
    auto map = makeLandscape(10, 10);
    test::UnitSetup setup;
    setup.landscape = map.get();
    setup.hex = 505;
    test::TestCombat unit(setup, 2, 1); // facing north-east: second hex 606
    map->addToRegion(&unit, 505);
    map->addToRegion(&unit, 606);

    List<short> north;
    map->floodFill(north, directions({North}), 505, 2, 1, unitCost);
    EXPECT_EQ(toVector(north), (std::vector<short>{505, 606, 504, 605, 503, 604}));

    List<short> sideways;
    map->floodFill(sideways, directions({SouthEast, North}), 505, 1, 1, unitCost);
    EXPECT_EQ(toVector(sideways), (std::vector<short>{505, 606, 706, 504, 605}));

    // Over all six sides the start hex is itself some accepted hex's second hex and moves back.
    List<short> around;
    map->hexesWithinCost(around, 505, 1, unitCost);
    EXPECT_EQ(toVector(around), (std::vector<short>{606, 405, 505, 504, 605, 705, 706, 607, 406, 506}));
}

TEST(FloodFill, ASecondHexOffTheMapIsDroppedByTheWrappers) {
    auto map = makeLandscape(10, 10);
    test::UnitSetup setup;
    setup.landscape = map.get();
    setup.hex = 900;
    test::TestCombat unit(setup, 2, 1);
    map->addToRegion(&unit, 900);
    List<short> raw;
    map->floodFill(raw, directions({South}), 900, 1, 1, unitCost);
    EXPECT_EQ(toVector(raw), (std::vector<short>{900, -1, 901}));
    List<short> ring;
    map->hexesAtExactCost(ring, 900, 1, unitCost);
    EXPECT_EQ(toVector(ring), (std::vector<short>{800, 900, 801, 901}));
}

TEST(FloodFill, TheWatchListLosesHexesReachedAndGainsSecondHexesNotYetListed) {
    auto map = makeLandscape(10, 10);
    test::UnitSetup setup;
    setup.landscape = map.get();
    setup.hex = 505;
    test::TestCombat unit(setup, 2, 1);
    map->addToRegion(&unit, 505);
    List<short> result, watch;
    watch.append(504);
    watch.append(300);
    map->floodFill(result, directions({North}), 505, 2, 1, unitCost, nullptr, &watch);
    EXPECT_EQ(toVector(result), (std::vector<short>{505, 606, 504, 605, 503, 604}));
    EXPECT_EQ(toVector(watch), (std::vector<short>{300, 605, 604}));
}

std::vector<std::vector<short>> pathsOf(const List<List<short>>& paths) {
    std::vector<std::vector<short>> out;
    ListIterator<List<short>> it(const_cast<List<List<short>>&>(paths));
    for (List<short> p; it.next(p);)
        out.push_back(toVector(p));
    return out;
}

TEST(FloodFill, PathsEndWhereTheBudgetRunsOutOrTheWayEnds) {
    auto map = makeLandscape(1, 4);
    List<short> result;
    List<List<short>> paths;
    map->floodFill(result, directions({South}), 0, 2, 1, unitCost, &paths);
    EXPECT_EQ(toVector(result), (std::vector<short>{0, 1, 2}));
    EXPECT_EQ(pathsOf(paths), (std::vector<std::vector<short>>{{0, 1, 2}}));

    // A dead end: the way stops at the map's edge with budget left.
    auto shortMap = makeLandscape(1, 3);
    List<short> r2;
    List<List<short>> p2;
    shortMap->floodFill(r2, directions({South}), 0, 3, 1, unitCost, &p2);
    EXPECT_EQ(toVector(r2), (std::vector<short>{0, 1, 2}));
    EXPECT_EQ(pathsOf(p2), (std::vector<std::vector<short>>{{0, 1, 2}}));

    // With paths every way is followed, back over its own hexes too, and each accepted hex moves to the
    // end of the result.
    List<short> r3;
    List<List<short>> p3;
    map->floodFill(r3, directions({North, South}), 0, 2, 1, unitCost, &p3);
    EXPECT_EQ(toVector(r3), (std::vector<short>{1, 0, 2}));
    EXPECT_EQ(pathsOf(p3), (std::vector<std::vector<short>>{{0, 1, 0}, {0, 1, 2}}));

    // A step dearer than what is left still finishes a path through the hex it could not enter, and the
    // hex it stopped on, having entered nothing, ends one more.
    CostTable::costs = {{2, 5}};
    List<short> r4;
    List<List<short>> p4;
    map->floodFill(r4, directions({South}), 0, 2, 1, CostTable::cost, &p4);
    EXPECT_EQ(toVector(r4), (std::vector<short>{0, 1}));
    EXPECT_EQ(pathsOf(p4), (std::vector<std::vector<short>>{{0, 1, 2}, {0, 1}}));
}

TEST(FormationFill, AFormationMovesAsOneBlock) {
    auto map = makeLandscape(4, 6);
    List<short> formation;
    formation.append(100);
    formation.append(200);
    List<short> result;
    map->floodFillFormation(result, directions({South}), formation, 2, unitCost);
    EXPECT_EQ(toVector(result), (std::vector<short>{100, 101, 102}));
    // The dearest hex of the block sets the cost of a step.
    CostTable::costs = {{201, 2}};
    List<short> dear;
    map->floodFillFormation(dear, directions({South}), formation, 2, CostTable::cost);
    EXPECT_EQ(toVector(dear), (std::vector<short>{100, 101}));
    // A barred hex stops the whole block.
    CostTable::costs = {{202, -1}};
    List<short> barred;
    map->floodFillFormation(barred, directions({South}), formation, 3, CostTable::cost);
    EXPECT_EQ(toVector(barred), (std::vector<short>{100, 101}));
    // A block at the map's edge cannot step off it.
    List<short> edge;
    List<short> bottom;
    bottom.append(4);
    bottom.append(5);
    map->floodFillFormation(edge, directions({South}), bottom, 3, unitCost);
    EXPECT_EQ(toVector(edge), (std::vector<short>{4}));
}

TEST(FormationFill, UnitsOutsideTheLeadersGroupBlockButDoNotStopTheSearch) {
    auto map = makeLandscape(4, 6);
    test::UnitSetup leaderSpec;
    leaderSpec.landscape = map.get();
    leaderSpec.hex = 100;
    leaderSpec.number = 1;
    test::TestLeader leader(leaderSpec);
    map->addToRegion(&leader, 100);
    test::UnitSetup memberSpec = leaderSpec;
    memberSpec.number = 2;
    memberSpec.hex = 202;
    test::TestCombat member(memberSpec);
    test::UnitSetup strangerSpec = leaderSpec;
    strangerSpec.number = 3;
    strangerSpec.hex = 202;
    test::TestCombat stranger(strangerSpec);
    Group group(1, "Left wing");
    group.leader = &leader;
    group.units.append(&member);
    leader.setGroup(&group);

    List<short> formation;
    formation.append(100);
    formation.append(200);
    map->addToRegion(&stranger, 202);
    List<short> blocked;
    map->floodFillFormation(blocked, directions({South}), formation, 3, unitCost);
    EXPECT_EQ(toVector(blocked), (std::vector<short>{100, 101, 103}));

    map->removeFromRegion(&stranger, 202);
    map->addToRegion(&member, 202);
    List<short> open;
    map->floodFillFormation(open, directions({South}), formation, 3, unitCost);
    EXPECT_EQ(toVector(open), (std::vector<short>{100, 101, 102, 103}));
}

TEST(StepCost, TerrainOfTheHexEnteredSidesCrossedAndHeight) {
    MapFileBuilder b(4, 4);
    b.addTerrain(102, 1).addTerrain(102, 3); // woods and marsh: the dearer counts
    b.addTerrain(202, 10);                   // abatis
    b.addTerrain(201, 7).addTerrain(201, 12).addTerrain(201, 13).addTerrain(201, 14); // never looked at
    b.addSide(301, 1, 6);  // a stream between 301 and 300
    b.addSide(302, 1, 11); // a barrier between 302 and 301
    b.addSide(1, 5, 20);   // an impassable side: not a cost
    b.setHeight(3, 3).setHeight(103, 0);
    auto map = makeLandscape(b);
    EXPECT_EQ(map->stepCostBetween(101, 100), 1);
    EXPECT_EQ(map->stepCostBetween(101, 102), 2);
    EXPECT_EQ(map->stepCostBetween(102, 101), 1);
    EXPECT_EQ(map->stepCostBetween(201, 202), 2);
    EXPECT_EQ(map->stepCostBetween(202, 201), 1);
    EXPECT_EQ(map->stepCostBetween(301, 300), 2);
    EXPECT_EQ(map->stepCostBetween(300, 301), 2);
    EXPECT_EQ(map->stepCostBetween(302, 301), 99);
    EXPECT_EQ(map->stepCostBetween(1, 2), 1);
    // Two side features add their extra to the highest value.
    map->regionAt(301)->setSideFlag(1, 3, true); // code 8
    EXPECT_EQ(map->stepCostBetween(301, 300), 3);
    map->regionAt(301)->setSideFlag(1, 4, true); // code 9
    EXPECT_EQ(map->stepCostBetween(301, 300), 4);
    // Height levels count as stored: 1 to 3 is two levels; the river bed at 0 is one below 1.
    EXPECT_EQ(map->stepCostBetween(2, 3), 3);
    EXPECT_EQ(map->stepCostBetween(3, 2), 3);
    EXPECT_EQ(map->stepCostBetween(102, 103), 2);
    // Codes 0, 2, 4 and 5 of the hex entered.
    map->regionAt(200)->terrain[0] = 5;
    EXPECT_EQ(map->stepCostBetween(100, 200), 2);
    map->regionAt(200)->terrain[0] = 0;
    map->regionAt(200)->terrain[1] = 2;
    EXPECT_EQ(map->stepCostBetween(100, 200), 1);
}

TEST(StepCost, HexsideFeaturesByCode) {
    MapFileBuilder b(4, 4);
    b.addSide(101, 2, 20).addSide(101, 4, 6).addSide(101, 5, 11);
    auto map = makeLandscape(b);
    EXPECT_NE(map->hasHexsideFeature(101, 2, 14), 0u);
    EXPECT_NE(map->hasHexsideFeature(101, 4, 6), 0u);
    EXPECT_NE(map->hasHexsideFeature(101, 5, 11), 0u);
    EXPECT_EQ(map->hasHexsideFeature(101, 4, 11), 0u);
    // A code the rules do not know asks flag 0, the impassable side.
    EXPECT_NE(map->hasHexsideFeature(101, 2, 7), 0u);
    EXPECT_NE(map->hasHexsideFeature(101, 2, 0), 0u);
    EXPECT_EQ(map->hasHexsideFeature(101, 4, 7), 0u);
    EXPECT_NE(map->hasHexsideFeatureToward(101, 201, 14), 0u);
    EXPECT_NE(map->hasHexsideFeatureToward(201, 101, 14), 0u);
    EXPECT_NE(map->hasHexsideFeatureToward(101, 202, 6), 0u);
    EXPECT_EQ(map->hasHexsideFeatureToward(101, 303, 14), 0u); // not adjacent
    EXPECT_EQ(map->hasHexsideFeatureToward(101, 101, 14), 0u);
    EXPECT_EQ(map->hasHexsideFeature(-1, 2, 14), 0u);
    EXPECT_EQ(VaelLogicalLandscape::sideFlagOfCode(14), 0);
    EXPECT_EQ(VaelLogicalLandscape::sideFlagOfCode(6), 1);
    EXPECT_EQ(VaelLogicalLandscape::sideFlagOfCode(11), 2);
    EXPECT_EQ(VaelLogicalLandscape::sideFlagOfCode(8), 3);
    EXPECT_EQ(VaelLogicalLandscape::sideFlagOfCode(9), 4);
    EXPECT_EQ(VaelLogicalLandscape::sideFlagOfCode(3), 0);
}

} // namespace
} // namespace vael
