#include <gtest/gtest.h>

#include <algorithm>

#include "support/rules/test_maps.h"
#include "support/rules/test_units.h"

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

} // namespace
} // namespace vael
