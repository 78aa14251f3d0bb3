#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "support/rules/test_maps.h"
#include "support/rules/test_units.h"
#include "support/temp_dir.h"

namespace vael {
namespace {

using namespace test;
const auto unitCost = VaelLogicalLandscape::unitStepCost;

// The neighbours of a hex in region directions 1, 2, 4, 5, 6, 8; -1 for none.
std::string sides(const VaelLogicalLandscape& map, int hex) {
    return answers({1, 2, 4, 5, 6, 8}, [&](int d) { return static_cast<short>(map.neighbourId(hex, d)); });
}

TEST(LogicalRegion, StartsClearedComparesByIdAndKeepsEachSideFlagToItsSide) {
    LogicalRegion r, other;
    EXPECT_EQ(values(r.position.x, r.position.y, r.position.z, r.edgeFlags,
                     answers(r.terrain, [](int t) { return t; })),
              "0 0 0 0 65535 65535 65535 65535 65535 65535 65535 65535 65535 65535");
    r.neighbours = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    r.neighbourCount = 5; // only the counted entries are neighbours
    other.id = 9;
    const bool sameBeforeId = r == other;
    r.id = 9; // equal by id alone
    EXPECT_EQ(values(r.hasNeighbour(4), r.hasNeighbour(5), sameBeforeId, r == other), "1 0 0 1");
    r.edgeFlags = 0xFFFFFFFFu; // directions without a side and flags past 4 read 0 whatever the word holds
    auto flag = [&](int direction, int k) { return r.getSideFlag(direction, k); };
    EXPECT_EQ(pairAnswers({3, 0, 7, 0, 0, 0, 9, 0, 2, 5, 2, -1, 2, 0, 8, 4}, flag), "0 0 0 0 0 0 1 16");
    const std::uint32_t before = 0xC0000000u | (1u << 10) | (1u << 13); // free bits; flags 0 and 3 of side 4
    r.edgeFlags = before;
    r.setSideFlag(2, 1, true);
    const std::uint32_t set = r.edgeFlags;
    r.setSideFlag(2, 1, false);
    r.setSideFlag(3, 0, true);
    r.setSideFlag(5, 5, true);
    EXPECT_EQ(values(set - before, r.edgeFlags == before), "64 1");
    r.clearSideFlags();
    for (int i = 0; i < 6; ++i)
        r.setSideFlag("\1\2\4\5\6\10"[i], i % 5, true);
    EXPECT_EQ(r.edgeFlags, 0xC3041041u); // bits 30 and 31 kept; 0, 6, 12, 18, 24 and 25 set
}

TEST(HexGeometry, TheMapsShapeNeighboursAndLatticePoints) {
    auto map = makeLandscape(10, 8), column = makeLandscape(1, 3), row = makeLandscape(3, 1),
         tall = makeLandscape(MapFileBuilder(3, 60).addTerrain(155, 3));
    // Odd columns are one hex shorter; the unused hex keeps its entry in the table; outside it, nothing.
    EXPECT_EQ(answers({-1, 907, 107, 1000, 8, 807, 906, 0}, [&](int h) { return map->isValidHex(h); }),
              "0 0 0 0 0 1 1 1");
    EXPECT_EQ(
        answers({107, -1, 1000, 8}, [&](int h) { return map->regionAt(h) ? map->regionAt(h)->id : -1; }),
        "107 -1 -1 -1");
    EXPECT_EQ(answers({0, 100, 106, 207}, [&](int h) { return sides(*map, h); }),
              "-1 -1 100 1 -1 -1 -1 200 201 101 1 0 105 206 207 -1 7 6 206 306 -1 -1 -1 106");
    EXPECT_EQ(answers({903, 906, 404, 505}, [&](int h) { return sides(*map, h); }),
              "902 -1 -1 904 804 803 905 -1 -1 -1 807 806 403 503 504 405 304 303 504 605 606 506 406 405");
    const LogicalRegion* r = map->regionAt(505);
    EXPECT_EQ(answers({0, 3, 7, 9}, [&](int d) { return static_cast<short>(r->neighbours[d]); }),
              "505 -1 -1 -1");
    EXPECT_EQ(values(r->neighbourCount, map->neighbourRegion(505, 2)->id, map->neighbourId(0, 12),
                     map->neighbourId(-1, 1), !map->neighbourRegion(0, 1), !map->regionAtIndex(80)),
              "10 605 65535 65535 1 1");
    // Entry 0 is never tried, and "no hex" is nobody's neighbour.
    auto direction = [&](int h) { return map->neighbourDirection(404, h); };
    EXPECT_EQ(
        answers({403, 503, 504, 405, 304, 303, 404, 406, -1}, direction) +
            values("", map->neighbourDirection(-1, 0), map->idOf(79), map->indexOf(907), map->indexOf(305)),
        "1 2 4 5 6 8 0 0 0 0 907 79 53");
    int offMapNeighbours = 0;
    for (int n = -1; n < 1100; ++n)
        offMapNeighbours +=
            !map->isValidHex(static_cast<std::int16_t>(n)) && map->regionAt(0)->hasNeighbour(n);
    EXPECT_EQ(values(map->regionAt(0)->hasNeighbour(0), offMapNeighbours), "1 0");
    // A one-column map has nothing east or west; a one-row map only its even columns, unlinked.
    EXPECT_EQ(answers({0, 1, 2}, [&](int h) { return sides(*column, h); }),
              "-1 -1 -1 1 -1 -1 0 -1 -1 2 -1 -1 1 -1 -1 -1 -1 -1");
    EXPECT_EQ(answers({0, 200}, [&](int h) { return sides(*row, h); }) + values("", row->isValidHex(100)),
              "-1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 -1 0");
    // Lattice points, their inverse (rounding toward zero), and centres of rows 50 and below.
    auto lattice = [&](int hex) { return values(tall->latticePoint(hex).x, tall->latticePoint(hex).y); };
    EXPECT_EQ(answers({0, 105, 155}, lattice), "2 2 4 24 4 224");
    EXPECT_EQ(values(tall->hexAtLatticePoint(Point(5, 25)), tall->hexAtLatticePoint(Point(2, 2)),
                     tall->hexDistance(49, 50), tall->bearingBetween(49, 50),
                     tall->neighbourDirection(149, 150), tall->hasTerrainCode(155, 3)),
              "105 0 1 12 5 1"); // the builder and the loader agree on the centre of 155
}

TEST(HexGeometry, BearingsFacingsFrontArcsDistancesAndLines) {
    auto map = makeLandscape(10, 10), wide = makeLandscape(255, 3);
    auto bearing = [&](int to) { return map->bearingBetween(505, to); };
    auto facing = [&](int to) { return map->facingTowards(505, to); };
    auto distance = [&](int to) { return map->hexDistance(505, to); };
    EXPECT_EQ(answers({504, 603, 604, 703, 605, 805, 705, 806, 606, 707, 607, 608, 506,
                       408, 407, 307, 406, 206, 305, 205, 405, 303, 404, 403, 505},
                      bearing),
              "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 20 21 22 23 -1");
    // The code whose arc begins at the side of each neighbour (not the facing whose right flank it is).
    EXPECT_EQ(answers({504, 605, 606, 506, 406, 405, 505}, facing), "2 3 4 6 7 8 2");
    // ax 4, ay 0 to 705; ax 2, ay 10 to 603; from 0: ax 2, ay 6 to 101; ax 18, ay 34 to 908.
    EXPECT_EQ(answers({504, 605, 606, 506, 406, 405, 505, 705, 603}, distance), "1 1 1 1 1 1 0 2 3");
    EXPECT_EQ(values(map->hexDistance(0, 101), map->hexDistance(0, 303), map->hexDistance(0, 908)), "2 5 13");
    auto arc = [&](int code) { return text(map->frontArc(code)); };
    EXPECT_EQ(answers({2, 3, 4, 6, 7, 8, 0, 1, 5, 9, -1}, arc),
              "[0 1 2 3 4] [4 5 6 7 8] [8 9 10 11 12] [12 13 14 15 16] [16 17 18 19 20] [20 21 22 23 0] [] "
              "[] [] [] []");
    // 404 to 403 is bearing 0: in the arcs of 2 and 8 only; the same hex has no bearing.
    auto inArc = [&](int code) { return map->inFrontArc(404, 403, code); };
    EXPECT_EQ(answers({2, 8, 3, 12}, inArc) + values("", map->inFrontArc(404, 404, 2)), "1 1 0 0 0");
    EXPECT_EQ(values(map->doubledTriangleArea(0, 303, 100), map->doubledTriangleArea(0, 303, 1),
                     map->doubledTriangleArea(505, 503, 504)),
              "16 24 0");
    // Two steps from 0 to 303 are ties between the two candidate sides, and a tie goes to the second.
    auto line = [&](int from, int to) { return text(map->hexLine(from, to)); };
    EXPECT_EQ(pairAnswers({505, 505, 505, 605, 505, 503, 0, 303, 0, 109, -1, 0, 0, 2000}, line),
              "[505] [505 605] [505 504 503] [0 100 101 202 203 303] [] [] []");
    // Along the top row of a map 255 columns wide the doubled area of the one existing candidate grows
    // past 1000, more than any fixed score that could stand for the missing one.
    for (std::int16_t from : {0, 2, 25402, 12701})
        for (std::int16_t to : {25400, 25402, 1, 12700, 100}) {
            const Hexes line = toVector(wide->hexLine(from, to));
            int steps = 0;
            for (std::size_t i = 1; i < line.size(); ++i)
                steps += wide->hexDistance(line[i - 1], line[i]);
            EXPECT_EQ(values(line.front(), line.back(), line.size() - 1, steps),
                      values(from, to, wide->hexDistance(from, to), wide->hexDistance(from, to)));
        }
}

TEST(HexGeometry, FlankNeighboursByFacingAndTheSecondHexOfADoubleSizedUnit) {
    auto map = makeLandscape(10, 14);
    TestCombat unit(UnitSetup(1, 412, map.get(), 1, 2, 1)), single(UnitSetup(2, 412, map.get()));
    const auto facings = {NorthEast, East, SouthEast, SouthWest, West, NorthWest, North};
    auto right = [&](int hex) {
        return answers(facings, [&](DIRECTION f) { return unit.rightFlankHex(hex, f); });
    };
    auto left = [&](int hex) {
        return answers(facings, [&](DIRECTION f) { return unit.leftFlankHex(hex, f); });
    };
    // Right flank: region direction facing + 2; left flank: facing - 2; -1 off the map or for no facing.
    EXPECT_EQ(right(412) + ", " + right(512), "512 413 312 311 411 511 -1, 613 -1 413 412 511 612 -1");
    EXPECT_EQ(left(412) + ", " + right(900), "311 411 511 512 413 312 -1, -1 901 801 800 -1 -1 -1");
    EXPECT_EQ(values(unit.rightFlankHex(-1, East), unit.rightFlankHex(412), unit.leftFlankHex(412),
                     unit.getSecondHex()),
              "-1 512 311 512");
    unit.setHex(0xFFFF);
    const int offMap = unit.getSecondHex();
    unit.setHex(900); // without a map test: the neighbour off the east edge is still named
    EXPECT_EQ(values(offMap, unit.getSecondHex(), single.getSecondHex()), "-1 1001 -1");
    // On a map of 100 rows, h + 1 from row 99 and h - 1 from row 0 are hexes of the map, but no neighbours.
    auto tall = makeLandscape(3, 100);
    TestCombat onTall(UnitSetup(3, 0, tall.get()));
    EXPECT_EQ(values(onTall.rightFlankHex(99, East), onTall.rightFlankHex(100, West),
                     onTall.rightFlankHex(200, NorthWest), onTall.rightFlankHex(298, East)),
              "-1 -1 -1 299");
}

// Step costs that a test sets hex by hex (1 for any other hex); every call is recorded.
struct CostTable {
    static inline std::vector<std::pair<short, short>> calls;
    static inline std::vector<std::pair<short, std::int16_t>> costs;
    static std::int16_t cost(std::int16_t from, std::int16_t to, VaelLogicalLandscape*, VaelUnit*) {
        calls.emplace_back(from, to);
        for (auto& c : costs)
            if (c.first == to) return c.second;
        return 1;
    }
    static long expansions(short hex) {
        return std::count_if(calls.begin(), calls.end(), [hex](auto& c) { return c.first == hex; });
    }
};

// The result of hexesAtExactCost (exact) or hexesWithinCost, with the costs given (1 for any other hex).
std::string ring(VaelLogicalLandscape& map, bool exact, int start, int budget,
                 std::vector<std::pair<short, std::int16_t>> costs = {}) {
    List<short> result;
    CostTable::calls.clear();
    CostTable::costs = std::move(costs);
    (map.*(exact ? &VaelLogicalLandscape::hexesAtExactCost : &VaelLogicalLandscape::hexesWithinCost))(
        result, static_cast<std::int16_t>(start), static_cast<std::int16_t>(budget), CostTable::cost);
    return text(result);
}

TEST(FloodFill, RingsBudgetsBarredStepsAndReexpansion) {
    auto map = makeLandscape(10, 10), column = makeLandscape(1, 5), narrow = makeLandscape(2, 6);
    EXPECT_EQ(ring(*map, true, 505, 1), "[505 405 504 605 606 506 406]"); // directions 8, 1, 2, 4, 5, 6
    EXPECT_EQ(values(ring(*map, true, 0, 1), ring(*map, false, 505, 0)), "[0 100 1] [505]");
    List<short> two, within;
    map->hexesAtExactCost(two, 505, 2, unitCost);
    map->hexesWithinCost(within, 505, 2, unitCost);
    Hexes sorted = toVector(two);
    std::sort(sorted.begin() + 1, sorted.end());
    EXPECT_EQ(values(answers(sorted, [](short h) { return h; }), within.count()),
              "505 304 305 306 404 407 503 507 604 607 704 705 706 19");
    // A barred hex is never entered nor expanded; a cost below -1 bars it too instead of handing out budget.
    EXPECT_EQ(ring(*column, false, 0, 4, {{2, -1}}), "[0 1]");
    EXPECT_EQ(CostTable::expansions(2), 0);
    EXPECT_EQ(ring(*column, false, 0, 1, {{2, -5}}), "[0 1]");
    // At exact cost a hex counts only when reached with nothing left.
    EXPECT_EQ(values(ring(*column, true, 0, 2, {{1, 2}}), ring(*column, true, 0, 3, {{1, 2}}),
                     ring(*column, false, 0, 3, {{1, 2}})),
              "[0 1] [0 2] [0 1 2]");
    // 0 -> 100 is dear, so 101 is first reached from 100 with nothing left, then from 1 with 2 left: it
    // is expanded a second time (four neighbours, twice). 102 is reached twice with 1 left, expanded once.
    EXPECT_EQ(ring(*narrow, false, 0, 4, {{100, 3}}), "[0 100 1 101 2 102 3 103 4]");
    EXPECT_EQ(answers({101, 102, 0}, CostTable::expansions), "8 4 2");
    // A fill from off the map finds nothing.
    for (std::int16_t start : {-1, 109, 1000, 10, 32000}) {
        List<short> formation;
        map->floodFillFormation(formation, listOf({South}), listOf({start}), 3, unitCost);
        EXPECT_EQ(ring(*map, false, start, 3) + text(formation), "[][]") << start;
    }
}

TEST(FloodFill, ADoubleSizedUnitsSecondHexFollowsItsHexAndEveryAcceptedHex) {
    auto map = makeLandscape(10, 10);
    TestCombat unit(UnitSetup(1, 505, map.get(), 1, 2, 1)); // facing north-east: second hex 606
    map->addToRegion(&unit, 505);
    List<short> north, sideways, raw;
    List<short> watch = listOf<short>({504, 300}); // loses hexes reached, gains second hexes not listed
    map->floodFill(north, listOf({North}), 505, 2, 1, unitCost, nullptr, &watch);
    map->floodFill(sideways, listOf({SouthEast, North}), 505, 1, 1, unitCost);
    EXPECT_EQ(values(north, watch, sideways),
              "[505 606 504 605 503 604] [300 605 604] [505 606 706 504 605]");
    // Over all six sides the start hex is itself some accepted hex's second hex and moves back.
    EXPECT_EQ(ring(*map, false, 505, 1), "[606 405 505 504 605 705 706 607 406 506]");
    // A second hex off the map is listed as -1, which the wrappers drop.
    map->removeFromRegion(&unit, 505);
    unit.setHex(900);
    map->addToRegion(&unit, 900);
    map->floodFill(raw, listOf({South}), 900, 1, 1, unitCost);
    EXPECT_EQ(values(raw, ring(*map, true, 900, 1)), "[900 -1 901] [800 900 801 901]");
}

TEST(FloodFill, PathsAndFormations) {
    auto column = makeLandscape(1, 4), map = makeLandscape(4, 6);
    // The result, then each path: a path ends where the budget runs out or the way ends.
    auto paths = [&](std::initializer_list<DIRECTION> ds, int budget, StepCostFunction cost) {
        List<short> result;
        List<List<short>> found;
        column->floodFill(result, listOf(ds), 0, static_cast<std::int16_t>(budget), 1, cost, &found);
        return text(result) + answers(toVector(found), [](const List<short>& path) { return text(path); }) +
               ";";
    };
    // Every way is followed, back over its own hexes too, and each accepted hex moves to the end. A step
    // dearer than what is left still finishes a path through the hex it could not enter, and the hex it
    // stopped on, having entered nothing, ends one more.
    const std::string cheap =
        paths({South}, 2, unitCost) + paths({South}, 5, unitCost) + paths({North, South}, 2, unitCost);
    CostTable::costs = {{2, 5}};
    EXPECT_EQ(cheap + paths({South}, 2, CostTable::cost),
              "[0 1 2][0 1 2];[0 1 2 3][0 1 2 3];[1 0 2][0 1 0] [0 1 2];[0 1][0 1 2] [0 1];");

    // A formation moves as one block at the cost of its dearest hex; a barred hex stops the whole block.
    auto block = [&](std::initializer_list<short> hexes, int budget,
                     std::vector<std::pair<short, std::int16_t>> costs = {}) {
        List<short> result;
        CostTable::costs = std::move(costs);
        map->floodFillFormation(result, listOf({South}), listOf(hexes), static_cast<std::int16_t>(budget),
                                CostTable::cost);
        return text(result);
    };
    // Units outside the leader's group block a move but do not stop the search.
    TestLeader leader(UnitSetup(0, 100, map.get()));
    TestCombat member(UnitSetup(1, 202, map.get())), stranger(UnitSetup(2, 202, map.get()));
    Group group(1, "Left wing");
    group.leader = &leader;
    group.units.append(&member);
    leader.setGroup(&group);
    const std::string free = values(block({100, 200}, 2), block({100, 200}, 2, {{201, 2}}),
                                    block({100, 200}, 3, {{202, -1}}), block({4, 5}, 3));
    map->addToRegion(&leader, 100);
    map->addToRegion(&stranger, 202);
    const std::string blocked = block({100, 200}, 3);
    map->removeFromRegion(&stranger, 202);
    map->addToRegion(&member, 202);
    EXPECT_EQ(values(free, blocked, block({100, 200}, 3)),
              "[100 101 102] [100 101] [100 101] [4] [100 101 103] [100 101 102 103]");
}

// What the result list held before a fill stays, in its order; a hex accepted again on a path leaves only
// its first place in it (as removing it from the list would), off-map numbers and later duplicates stay.
TEST(FloodFill, AResultThatHeldHexesKeepsThemAndLosesOnlyTheFirstPlaceOfAHexAcceptedAgain) {
    auto column = makeLandscape(1, 4);
    List<short> result = listOf<short>({1, -1, 1, 7});
    List<List<short>> found;
    column->floodFill(result, listOf({South}), 0, 2, 1, unitCost, &found);
    EXPECT_EQ(text(result) + answers(toVector(found), [](const List<short>& path) { return text(path); }),
              "[-1 1 7 0 1 2][0 1 2]");
    List<short> again = listOf<short>({3, 3});
    column->hexesWithinCost(again, 0, 1, unitCost);
    EXPECT_EQ(text(again), "[3 3 0 1]");
}

// A fill run by a step's cost inside another fill starts afresh, and the outer fill then reads the
// budgets the inner one left: here none for its own start, so it goes no further than its start.
TEST(FloodFill, AFillInsideAStepCostLeavesTheOuterFillTheBudgetsItLeft) {
    static VaelLogicalLandscape* inner = nullptr;
    static int nested = 0;
    auto column = makeLandscape(1, 5);
    inner = column.get();
    const StepCostFunction nesting = [](std::int16_t, std::int16_t, VaelLogicalLandscape*, VaelUnit*) {
        if (nested++ == 0) {
            List<short> elsewhere;
            inner->hexesWithinCost(elsewhere, 3, 0, VaelLogicalLandscape::unitStepCost);
        }
        return std::int16_t{1};
    };
    List<short> outer, plain;
    column->hexesWithinCost(outer, 0, 4, nesting);
    column->hexesWithinCost(plain, 0, 4, unitCost);
    EXPECT_EQ(values(outer, plain, nested), "[0] [0 1 2 3 4] 1");
}

TEST(StepCost, TerrainOfTheHexEnteredSidesCrossedAndRawHeights) {
    MapFileBuilder b(6, 6);
    b.addTerrain(102, 1).addTerrain(102, 3).addTerrain(202, 10).addTerrain(101, 5).addTerrain(300, 0);
    b.addTerrain(300, 2).addTerrain(201, 7).addTerrain(201, 12).addTerrain(201, 13).addTerrain(201, 14);
    b.addSide(301, 1, 6).addSide(302, 1, 11).addSide(1, 5, 20); // stream, barrier, impassable
    b.setHeight(3, 3).setHeight(103, 0).addSide(404, 2, 20).addSide(404, 4, 6).addSide(404, 5, 11);
    auto map = makeLandscape(b);
    map->regionAt(200)->setSideFlag(5, 1, true); // codes 6 and 8 on the side toward 201
    map->regionAt(200)->setSideFlag(5, 3, true);
    map->regionAt(0)->setSideFlag(4, 4, true); // code 9 on the side toward 100
    // Codes 7 and 12 to 14 of 201 are never looked at; 1 to 3 is two levels; 103 is the river at 0.
    auto cost = [&](int from, int to) { return map->stepCostBetween(from, to); };
    EXPECT_EQ(pairAnswers({101, 100, 101, 102, 102, 101, 201, 202, 202, 201, 100, 101, 200, 300, 301, 300,
                           300, 301, 302, 301, 1,   2,   200, 201, 0,   100, 2,   3,   3,   2,   102, 103},
                          cost),
              "1 2 2 2 1 2 1 2 2 99 1 3 2 3 3 2");
    // Feature codes ask side flags; a code the rules do not know asks flag 0, the impassable side.
    auto feature = [&](int side, int code) { return map->hasHexsideFeature(404, side, code) != 0; };
    auto toward = [&](int to) { return map->hasHexsideFeatureToward(404, to, 14) != 0; };
    EXPECT_EQ(answers({14, 6, 11, 8, 9, 3}, VaelLogicalLandscape::sideFlagOfCode), "0 1 2 3 4 0");
    EXPECT_EQ(pairAnswers({2, 14, 4, 6, 5, 11, 4, 11, 2, 7, 2, 0, 4, 7}, feature), "1 1 1 0 1 1 0");
    EXPECT_EQ(answers({503, 606, 404}, toward) +
                  values("", map->hasHexsideFeatureToward(503, 404, 14), map->hasHexsideFeature(-1, 2, 14)),
              "1 0 0 1 0");
}

using Bytes = std::vector<std::uint8_t>;

TEST(MapFileBuilder, WritesTheFormatByteForByteFromCallsOrItsTextForm) {
    MapFileBuilder b(1, 1);
    b.setName("A").setHexOffset(1000).setLandscapeStyle(2).setHeight(0, 3).addTerrain(0, 1).addSide(0, 1, 6);
    Bytes expected{0x01, 0x00, 'A', 0x01, 0x01, 0xE8, 0x03, 0x02, 0x00, 0x03};
    for (int r = 0; r < 4 * 5; ++r) { // record y * 4 + x: 2 is (2, 0), the north side of hex 0; 10 its centre
        expected.insert(expected.end(), {static_cast<std::uint8_t>(r == 2 || r == 10), 0});
        if (r == 2 || r == 10)
            expected.insert(expected.end(), {static_cast<std::uint8_t>(r == 2 ? 6 : 1), 0});
    }
    EXPECT_EQ(b.bytes(), expected);
    // A 2 x 2 map with a one-byte name: 9 header bytes, 4 heights, 6 x 9 empty records.
    EXPECT_EQ(MapFileBuilder(2, 2).setName("x").bytes().size(), 9u + 4u + 54u * 2u);

    const MapFileBuilder parsed = MapFileBuilder::fromText(R"(# a small field
name Ford of Tiren
offset 1000
style 2
heights
0 1 2
1 1 1
terrain
cwkmrRaop wm [4,12]
. . .
side 101 1 stream barrier
side 0 4 20 impassable 9
record 0 0 7 8
)");
    MapFileBuilder made(3, 2);
    made.setName("Ford of Tiren").setHexOffset(1000).setLandscapeStyle(2).setHeight(0, 0).setHeight(200, 2);
    for (std::uint16_t code : {0, 1, 2, 3, 4, 5, 10, 12, 13})
        made.addTerrain(0, code);
    made.addTerrain(100, 1).addTerrain(100, 3).addTerrain(200, 4).addTerrain(200, 12).addRecordValue(0, 0, 7);
    made.addSide(101, 1, 6).addSide(101, 1, 11).addSide(0, 4, 20).addSide(0, 4, 20).addSide(0, 4, 9);
    EXPECT_EQ(parsed.bytes(), made.addRecordValue(0, 0, 8).bytes());
    for (const char* text : {"terrain\n. .\n. .\n. .\n", "heights\n1 1\n1 1\n1 1\n", "size 2 3\n"})
        EXPECT_EQ(MapFileBuilder::fromText(text).bytes(), MapFileBuilder(2, 3).bytes()) << text;
}

TEST(MapFileBuilder, MalformedDescriptionsAreRefusedWithTheLineNumber) {
    auto refusal = [](const char* description) {
        try {
            return "accepted: " + text(MapFileBuilder::fromText(description).width());
        } catch (const std::invalid_argument& e) {
            return std::string(e.what()) + ";";
        }
    };
    EXPECT_EQ(
        answers({"", "size 1 1\nterrain\n-\n", "size 2 2\nside 1 3 6\n"}, refusal),
        "map description line 1: the map has no size, heights or terrain; map description line 3: unknown "
        "terrain letter '-'; map description line 2: region direction 3 names no side;");
    EXPECT_THROW(MapFileBuilder(2, 2).addTerrain(2, 1), std::out_of_range);
}

std::string repeated(const std::string& word, int times, const char* separator = " ") {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += (i ? separator : "") + word;
    return out;
}

// Whatever the map reader would refuse, the text form is refused for, naming the line; each limit is
// pinned from both sides.
TEST(MapFileBuilder, DescriptionsOfMapsTheReaderWouldRefuseAreRefusedWithTheLineNumber) {
    const std::string hundredRows = "heights\n" + repeated("1", 100, "\n"), tallName(32768, 'n');
    const std::tuple<std::string, std::string> rows[] = {
        {"size 255 100\n", "accepted 255 100"},
        {"size 1 101\n", "line 1: height 101 is outside 1..100"},
        {hundredRows + "\n", "accepted 1 100"},
        {hundredRows + "\n1\n", "line 102: a map has at most 100 rows"},
        {"terrain\n" + repeated("c", 255) + "\n", "accepted 255 1"},
        {"terrain\n" + repeated("c", 256) + "\n",
         "line 2: a map is at most 255 hexes wide, this row has 256"},
        {"size 1 1\nterrain\n[" + repeated("4", 10, ",") + "]\n", "accepted 1 1"},
        {"size 1 1\nterrain\n[" + repeated("4", 11, ",") + "]\n",
         "line 3: the terrain of hex 0 already holds 10 values, the most it can"},
        {"size 1 1\nterrain\nwwwwwmmmmmo\n",
         "line 3: the terrain of hex 0 already holds 10 values, the most it can"},
        {"size 1 1\nrecord 1 1 " + repeated("6", 12) + "\n", "accepted 1 1"},
        {"size 1 1\nrecord 1 1 " + repeated("6", 6) + "\nrecord 1 1 " + repeated("6", 7) + "\n",
         "line 3: the lattice record at (1, 1) already holds 12 values, the most it can"},
        {"size 2 2\nside 1 2 " + repeated("stream", 6) + "\nside 100 6 " + repeated("barrier", 6) + "\n",
         "accepted 2 2"}, // one side of two hexes
        {"size 2 2\nside 1 2 " + repeated("stream", 6) + "\nside 100 6 " + repeated("barrier", 7) + "\n",
         "line 3: side 6 of hex 100 already holds 12 values, the most it can"},
        // The unused last hex of an odd column has its lower sides off the lattice; its upper ones are on it.
        {"size 2 2\nside 101 1 6\nside 101 2 6\nside 101 8 6\n", "accepted 2 2"},
        {"size 2 2\nside 101 4 6\n", "line 2: lattice point (5, 9) is outside the lattice"},
        {"size 2 2\nside 101 5 6\n", "line 2: lattice point (4, 10) is outside the lattice"},
        {"size 2 2\nside 101 6 6\n", "line 2: lattice point (3, 9) is outside the lattice"},
        {"name " + std::string(32767, 'n') + "\nsize 1 1\n", "accepted 1 1"},
        {"size 1 1\n# a name\nname " + tallName + "\n",
         "line 3: a map name is at most 32767 bytes, not 32768"}};
    for (const auto& [description, answer] : rows) {
        SCOPED_TRACE(description.substr(0, 60));
        try {
            const MapFileBuilder built = MapFileBuilder::fromText(description);
            EXPECT_EQ(values("accepted", built.width(), built.height()), answer);
            const LogicalMapFile file = readMapFile(built);
            EXPECT_EQ(values(file.error(), file.width()), values("", built.width()));
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(e.what(), "map description " + answer);
        }
    }
}

// The calls refuse as the text form does, and leave the builder as it was.
TEST(MapFileBuilder, CallsRefuseWhatTheFileCannotHold) {
    auto made = [](auto&& build) {
        try {
            return values("made", build().bytes().size());
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
    };
    EXPECT_EQ(made([] { return MapFileBuilder(1, 0); }), "a map is 1 to 100 hexes high, not 0");
    EXPECT_EQ(made([] { return MapFileBuilder(0, 1); }), "a map is 1 to 255 hexes wide, not 0");
    EXPECT_EQ(made([] { return MapFileBuilder(1, 101); }), "a map is 1 to 100 hexes high, not 101");
    // 2 + 6 header bytes and the name "Map", 100 heights, 4 x 401 empty records.
    EXPECT_EQ(made([] { return MapFileBuilder(1, 100); }), "made 3319");
    EXPECT_EQ(made([] { return MapFileBuilder(1, 1).setName(std::string(32767, 'n')); }), "made 32816");
    EXPECT_EQ(made([] { return MapFileBuilder(1, 1).setName(std::string(65537, 'n')); }),
              "a map name is at most 32767 bytes, not 65537");
    MapFileBuilder full(1, 1);
    for (int i = 0; i < 10; ++i)
        full.addTerrain(0, 4);
    for (int i = 0; i < 12; ++i)
        full.addRecordValue(0, 0, 6).addSide(0, 1, 20);
    const auto before = full.bytes();
    EXPECT_EQ(made([&] { return full.addTerrain(0, 1); }),
              "the terrain of hex 0 already holds 10 values, the most it can");
    EXPECT_EQ(made([&] { return full.addRecordValue(0, 0, 1); }),
              "the lattice record at (0, 0) already holds 12 values, the most it can");
    EXPECT_EQ(made([&] { return full.addSide(0, 1, 1); }),
              "side 1 of hex 0 already holds 12 values, the most it can");
    EXPECT_EQ(full.bytes(), before);
}

TEST(LogicalMapFile, RefusesWhatIsNoMapNamingTheFile) {
    const Bytes good = MapFileBuilder(2, 2).setName("x").bytes();
    LogicalMapFile file;
    // Why a file is refused, after the file's name; and that a refusal leaves no map.
    auto refusal = [&](const Bytes& bytes) {
        static const std::uint8_t none = 0;
        file.read(good.data(), good.size(), "good.map");
        const bool read = file.read(bytes.empty() ? &none : bytes.data(), bytes.size(), "field.map");
        if (read) return std::string("read;");
        EXPECT_EQ(file.error().rfind("Map file \"field.map\" ", 0), 0u);
        return file.error().substr(21) + values(",", file.width(), file.height()) + ";";
    };
    auto cut = [&good](std::size_t size) { return Bytes(good.begin(), good.begin() + size); };
    Bytes longer = good, negative = good, flat = good,
          split = MapFileBuilder(1, 1).addRecordValue(3, 4, 6).bytes();
    longer.insert(longer.end(), 3, 0);
    negative[1] = 0x80;
    flat[3] = 0; // width
    split.resize(split.size() - 2);
    // A 1 x 1 map: no name, width, height, offset 1000, style 0, height level 1, then its 20 records.
    const Bytes oneHex{0x00, 0x00, 0x01, 0x01, 0xE8, 0x03, 0x00, 0x00, 0x01};
    Bytes twelve = oneHex, thirteen = oneHex;
    for (Bytes* b : {&twelve, &thirteen})
        b->insert(b->end(), 10, 0x00); // records 0 to 4, empty; record 5 is (1, 1)
    twelve.insert(twelve.end(), {0x0C, 0x00});
    thirteen.insert(thirteen.end(), {0x0D, 0x00});
    for (int v = 0; v < 13; ++v)
        twelve.insert(twelve.end(), {0x06, 0x00}), thirteen.insert(thirteen.end(), {0x06, 0x00});
    twelve.resize(twelve.size() - 2);
    twelve.insert(twelve.end(), 28, 0x00);                            // records 6 to 19
    const Bytes tall{0x00, 0x00, 0x01, 0x65, 0xE8, 0x03, 0x00, 0x00}; // 101 rows
    EXPECT_EQ(
        values(refusal(Bytes()), refusal(cut(8)), refusal(cut(11)), refusal(cut(13)),
               refusal(cut(good.size() - 1)), refusal(longer), refusal(negative), refusal(flat),
               refusal(tall), refusal(thirteen), refusal(split), refusal(MapFileBuilder(255, 100).bytes()),
               refusal(twelve)),
        "is too short to hold a map header, 0 0; is too short to hold a map header, 0 0; "
        "ends inside the height levels of its hexes, 0 0; ends before the lattice record at (0, 0), 0 0; "
        "ends before the lattice record at (5, 8), 0 0; has 3 bytes after the end of the map, 0 0; "
        "has a negative name length (-32767), 0 0; has no hexes (width 0, height 2), 0 0; "
        "has 101 rows; a map has at most 100, 0 0; "
        "has 13 values in the lattice record at (1, 1); a record holds at most 12, 0 0; "
        "ends inside the lattice record at (3, 4), 0 0; read; read;");
    ASSERT_EQ(refusal(twelve), "read;");
    // Outside the 1 x 1 map's lattice of 4 x 5 points.
    auto count = [&](int x, int y) { return file.recordCount(x, y); };
    EXPECT_EQ(pairAnswers({-1, 0, 4, 0, 0, 5, 0, -1}, count), "0 0 0 0");

    TempDir dir("vael-map-file");
    const std::string path = (dir / "written.map").string();
    std::string error;
    ASSERT_TRUE(MapFileBuilder(1, 1).addTerrain(0, 5).writeFile(path, &error)) << error;
    ASSERT_TRUE(file.readFile(path)) << file.error();
    EXPECT_EQ(values(file.recordCount(2, 2), *file.recordValues(2, 2)), "1 5");
}

// Files written by hand, byte by byte, rather than by the builder, which shares the loader's convention.
TEST(LogicalMapFile, ReadsHandWrittenFilesFieldByField) {
    // A 2 x 2 map named "x" at offset 2000 in style -2: 9 header bytes, 4 height levels in row order, then
    // 6 x 9 records: (0, 0) holds 7; hex 101's centre (4, 8), record 8 * 6 + 4 = 52, holds 4 and 0x0102.
    Bytes bytes{0x01, 0x00, 'x',  0x02, 0x02, 0xD0, 0x07, 0xFE, 0xFF,
                0x00, 0x01, 0x02, 0x03, 0x01, 0x00, 0x07, 0x00};
    bytes.insert(bytes.end(), 51 * 2, 0x00);
    bytes.insert(bytes.end(), {0x02, 0x00, 0x04, 0x00, 0x02, 0x01, 0x00, 0x00});
    LogicalMapFile file;
    ASSERT_TRUE(file.read(bytes.data(), bytes.size(), "hand.map")) << file.error();
    EXPECT_EQ(values(file.name(), file.width(), file.height(), file.hexOffset(), file.landscapeStyle(),
                     answers({0, 1, 2, 3}, [&](int i) { return file.heightLevel(i); })),
              "x 2 2 2000 -2 0 1 2 3");
    EXPECT_EQ(values(file.recordCount(0, 0), *file.recordValues(0, 0), file.recordCount(4, 8),
                     file.recordValues(4, 8)[0], file.recordValues(4, 8)[1], file.recordCount(5, 8),
                     file.recordValues(5, 8) == nullptr),
              "1 7 2 4 258 0 1");
    // The last record of a 1 x 1 map, (3, 4), counts 3 values: 5 bytes are short of them, 6 are exactly
    // them, 7 are one too many.
    const std::tuple<int, std::string> rows[] = {
        {5, "Map file \"short.map\" ends inside the lattice record at (3, 4)"},
        {6, ""},
        {7, "Map file \"short.map\" has 1 bytes after the end of the map"}};
    for (const auto& [left, error] : rows) {
        SCOPED_TRACE(left);
        Bytes oneHex{0x00, 0x00, 0x01, 0x01, 0xE8, 0x03, 0x00, 0x00, 0x01};
        oneHex.insert(oneHex.end(), 19 * 2, 0x00);
        oneHex.insert(oneHex.end(), {0x03, 0x00});
        oneHex.insert(oneHex.end(), static_cast<std::size_t>(left), 0x09);
        EXPECT_EQ(file.read(oneHex.data(), oneHex.size(), "short.map"), error.empty());
        EXPECT_EQ(values(file.error(), file.recordCount(3, 4)), values(error, error.empty() ? 3 : 0));
    }
}

TEST(MapLoading, RegionsInRowOrderWithTheirPositionTerrainAndTheHeaderWords) {
    auto small = makeLandscape(MapFileBuilder(2, 2).setName("x"));
    EXPECT_EQ(answers({0, 1, 2, 3}, [&](int i) { return small->regionAtIndex(i)->id; }), "0 100 1 101");
    EXPECT_EQ(values(small->isValidHex(101), small->getName()), "0 Vael Logical Landscape");
    MapFileBuilder b(3, 3);
    b.setHexOffset(2000).setLandscapeStyle(-2).setHeight(201, 5).setHeight(0, 0).setHeight(100, 0);
    b.addTerrain(100, 2).addTerrain(1, 1).addTerrain(1, 3).addTerrain(1, 10);
    for (std::uint16_t code = 0; code < 12; ++code) // more than the builder gives a hex, as the file allows
        b.addRecordValue(MapFileBuilder::latticeX(2), MapFileBuilder::latticeY(2),
                         static_cast<std::uint16_t>(20 + code))
            .addRecordValue(MapFileBuilder::latticeX(200), MapFileBuilder::latticeY(200),
                            static_cast<std::uint16_t>(40 + code));
    auto map = makeLandscape(b);
    const LogicalRegion* r =
        map->regionAt(201); // position without the lattice's + 2; the style sign-extended
    EXPECT_EQ(values(map->loadError(), map->getHexOffset(), map->getLandscapeStyle(), r->position.x,
                     r->position.y, r->position.z, map->regionAt(102)->position.y, r->neighbourCount),
              " 2000 4294967294 4 4 5 10 10");
    auto terrain = [&](int hex) {
        const LogicalRegion* r = map->regionAt(static_cast<std::int16_t>(hex));
        return values(r->terrainCount, ":", answers(r->terrain, [](std::uint16_t c) { return c; }));
    };
    // Level 0 presets the river, which survives an empty centre record although the count is 0; twelve
    // codes keep the first ten.
    const std::string none = " 65535 65535 65535 65535 65535 65535 65535";
    EXPECT_EQ(values(terrain(0), terrain(100), terrain(101)),
              "0 : 4 65535 65535" + none + " 1 : 2 65535 65535" + none + " 0 : 65535 65535 65535" + none);
    EXPECT_EQ(values(terrain(1), terrain(2), terrain(200)),
              "3 : 1 3 10" + none + " 10 : 20 21 22 23 24 25 26 27 28 29 10 : 40 41 42 43 44 45 46 47 48 49");
}

TEST(MapLoading, SideValuesFlagBothHexesOfTheSideAndOnlyTwentySixAndEleven) {
    MapFileBuilder b(6, 6);
    b.addSide(202, 1, 6).addSide(202, 1, 11); // the point between 202 and 201
    b.addSide(404, 2, 20).addSide(404, 4, 7).addSide(404, 4, 14).addSide(404, 4, 8).addSide(404, 6, 9);
    // 105 is off the map: the record at its north side only flags the south side of 104.
    b.addRecordValue(MapFileBuilder::latticeX(105), MapFileBuilder::latticeY(105) - 2, 20);
    auto map = makeLandscape(b);
    // Side 1 of 202 and side 5 of 201: flags 1 and 2; side 2 of 404 and side 6 of 503: flag 0.
    EXPECT_EQ(
        answers({202, 201, 404, 503, 504, 304, 105, 104}, [&](int h) { return map->regionAt(h)->edgeFlags; }),
        values((1u << 1) | (1u << 2), (1u << 16) | (1u << 17), 1u << 5, 1u << 20, 0, 0, 0, 1u << 15));
}

TEST(MapLoading, AMapThatCannotBeReadIsEmptySaysWhyAndAnswersSafely) {
    auto map = makeLandscape(3, 3);
    ASSERT_TRUE(map->loadMap(readMapFile(MapFileBuilder(5, 2).setHexOffset(500))));
    EXPECT_EQ(values(map->regionCount(), map->getHexOffset(), map->isValidHex(400)), "10 500 1");
    EXPECT_FALSE(map->loadMap("/nonexistent/dir/field.map"));
    List<short> fill;
    map->hexesWithinCost(fill, 0, 3, VaelLogicalLandscape::unitStepCost);
    EXPECT_EQ(values(map->loadError(), map->regionCount(), map->getSize().x, map->getSize().y,
                     map->getHexOffset(), map->idOf(3), map->isValidHex(0), !map->regionAt(0),
                     map->neighbourId(0, 1), fill, map->unitsInHex(0).count(), map->hexLine(0, 1)),
              "Map file \"/nonexistent/dir/field.map\" cannot be opened 0 0 0 1000 -1 0 1 65535 [] 0 []");
    EXPECT_EQ(VaelLogicalLandscape("/nonexistent/x.map").loadError(),
              "Map file \"/nonexistent/x.map\" cannot be opened");
    EXPECT_EQ(VaelLogicalLandscape(LogicalMapFile()).loadError(), "The map file holds no map");
}

} // namespace
} // namespace vael
