// A figure's walk along a hex path: the waypoints of level, uphill and downhill steps, the splashes, the
// straightened double steps and when they are not taken, the scatter of a unit in disorder with its dice
// in order, the faster flight of a destroyed unit, the lead-in of a first rout and an elephant's rampage
// hooks.
//
// The "Foot" record of slot 0 at facing 1 (see the fixture): step d, variant v (0 level, 1 uphill,
// 2 downhill), point k is (100 d + 10 v + k, 1) with time 1000 d + 100 v + 10 (k + 1); the home is (-5, 3).
#include "game/figures/figure_fixture.h"
#include "game/figures/figure_state_peer.h"
#include "game/figures/test_unit.h"

namespace vael::test {
namespace {

class WalkTest : public FigureScene {
protected:
    WalkTest() {
        // The screen neighbours the double steps ask for, all on the map unless a test takes one off.
        layer.land.neighbours = {{{1204, 8}, 1104}, {{1204, 2}, 1103}, {{1204, 6}, 1304}, {{1204, 4}, 1303}};
    }
    TestUnit* unit(std::int32_t kind = 0, int formation = 1) {
        return static_cast<TestUnit*>(
            attach(std::make_unique<TestUnit>("Unit", 1204, 1, kind, TestUnit::Script{}, formation)));
    }
    Lines walk(TestUnit& u, std::vector<short> hexes, std::int16_t rout = 0, std::int16_t firstRout = 0,
               std::int16_t member = 0) {
        List<short> path;
        for (short h : hexes)
            path.append(h);
        VaelSprite& s = *u.figure(member);
        const DirectionOffsets record = *u.walkingRecord(member);
        u.walkHexPath(member, s, path, layer.land, record, rout, firstRout);
        return eventsOf(s);
    }
    // The "Foot" record of a slot at facing 1, whatever the kind.
    static DirectionOffsets walkingRecordOf(int slot) { return walkingRecord(slot).facings[1]; }
};

TEST_F(WalkTest, LevelUphillAndDownhillStepsQueueTheirWaypointsAndSplashes) {
    struct Row {
        const char* name;
        std::map<std::int16_t, std::int16_t> heights;
        Lines expected;
    };
    const std::vector<Row> rows = {
        {"level",
         {},
         {"move 1303 (400,1) 4010 d-1 SE0 SE1", "move 1303 (-5,3) 4020 d-1 SE0 SE1", "sound 11 0",
          "once 1303 d-1 Standing0"}},
        // Out of the water: the splash starts with the walk and stops on the way up, in the start hex.
        {"uphill",
         {{1204, 0}, {1303, 1}},
         {"sound 13 0", "move 1204 (410,1) 4110 d-1 SE0 SE1", "sound 14 0",
          "move 1303 (411,1) 4120 d-1 SE0 SE1", "move 1303 (-5,3) 4130 d-1 SE0 SE1", "sound 11 0",
          "once 1303 d-1 Standing0"}},
        {"uphill dry",
         {{1204, 1}, {1303, 3}},
         {"move 1204 (410,1) 4110 d-1 SE0 SE1", "move 1303 (411,1) 4120 d-1 SE0 SE1",
          "move 1303 (-5,3) 4130 d-1 SE0 SE1", "sound 11 0", "once 1303 d-1 Standing0"}},
        {"downhill into water",
         {{1204, 2}, {1303, 0}},
         {"move 1303 (420,1) 4210 d-1 SE0 SE1", "move 1303 (421,1) 4220 d-1 SE0 SE1", "sound 13 0",
          "move 1303 (-5,3) 4230 d-1 SE0 SE1", "sound 11 0", "once 1303 d-1 Standing0"}},
        {"downhill dry",
         {{1204, 2}, {1303, 1}},
         {"move 1303 (420,1) 4210 d-1 SE0 SE1", "move 1303 (421,1) 4220 d-1 SE0 SE1",
          "move 1303 (-5,3) 4230 d-1 SE0 SE1", "sound 11 0", "once 1303 d-1 Standing0"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        layer.land.heights = r.heights;
        auto* u = unit();
        ScriptedRolls dice{3, 4}; // drawn, but a whole unit scatters nothing
        EXPECT_EQ(walk(*u, {1204, 1303}), r.expected);
        EXPECT_EQ(dice.left(), 0u);
        EXPECT_EQ(u->turnFacing(), 4);
    }
}

TEST_F(WalkTest, APathOfOneHexOrTheSameHexTwiceMovesNothing) {
    auto* u = unit();
    auto* again = unit();
    auto* wet = unit();
    auto* empty = unit();
    {
        ScriptedRolls none;
        EXPECT_EQ(walk(*u, {1204}), (Lines{"sound 11 0", "once 1204 d-1 Standing0"}));
    }
    {
        ScriptedRolls dice{0, 0};
        EXPECT_EQ(walk(*again, {1204, 1204}), (Lines{"sound 11 0", "once 1204 d-1 Standing0"}));
    }
    layer.land.heights = {{1204, 0}};
    ScriptedRolls none;
    EXPECT_EQ(walk(*wet, {1204}), (Lines{"sound 13 0", "sound 11 0", "once 1204 d-1 Standing0"}));
    EXPECT_TRUE(walk(*empty, {}).empty());
}

TEST_F(WalkTest, AZigZagWithAFurtherHexAndBothSideNeighboursOnTheMapBecomesOneDoubleStep) {
    auto* north = unit();
    auto* south = unit();
    ScriptedRolls dice{0, 0, 0, 0}; // a jitter for each leg
    // 1204 -> 1104 is side 8, 1104 -> 1004 side 2: north, through the side-8 neighbour (the home's x is
    // negative), on step 1's level points and then step 9's level step into 1004.
    EXPECT_EQ(walk(*north, {1204, 1104, 1004}),
              (Lines{"move 1104 (100,1) 1010 d-1 N0 N1", "move 1104 (101,1) 1020 d-1 N0 N1",
                     "move 1004 (900,1) 9010 d-1 N0 N1", "move 1004 (-5,3) 9020 d-1 N0 N1", "sound 11 0",
                     "once 1004 d-1 Standing0"}));
    EXPECT_EQ(dice.left(), 0u);
    EXPECT_EQ(north->turnFacing(), 1);

    // 6 then 4: south through the side-6 neighbour, then step 10.
    dice.add({0, 0, 0, 0});
    EXPECT_EQ(walk(*south, {1204, 1304, 1404}),
              (Lines{"move 1304 (500,1) 5010 d-1 S0 S1", "move 1304 (501,1) 5020 d-1 S0 S1",
                     "move 1404 (1000,1) 10010 d-1 S0 S1", "move 1404 (-5,3) 10020 d-1 S0 S1", "sound 11 0",
                     "once 1404 d-1 Standing0"}));
}

TEST_F(WalkTest, ADoubleStepsFirstLegClimbsOrDescendsIntoTheMiddleHex) {
    layer.land.heights = {{1204, 0}, {1104, 2}, {1004, 2}};
    auto* up = unit();
    auto* down = unit();
    ScriptedRolls dice{0, 0, 0, 0};
    EXPECT_EQ(walk(*up, {1204, 1104, 1004}),
              (Lines{"sound 13 0", "move 1204 (110,1) 1110 d-1 N0 N1", "sound 14 0",
                     "move 1104 (111,1) 1120 d-1 N0 N1", "move 1104 (112,1) 1130 d-1 N0 N1",
                     "move 1004 (900,1) 9010 d-1 N0 N1", "move 1004 (-5,3) 9020 d-1 N0 N1", "sound 11 0",
                     "once 1004 d-1 Standing0"}));
    layer.land.heights = {{1204, 2}, {1104, 0}, {1004, 0}};
    dice.add({0, 0, 0, 0});
    EXPECT_EQ(walk(*down, {1204, 1104, 1004}),
              (Lines{"move 1104 (120,1) 1210 d-1 N0 N1", "move 1104 (121,1) 1220 d-1 N0 N1", "sound 13 0",
                     "move 1104 (122,1) 1230 d-1 N0 N1", "move 1004 (900,1) 9010 d-1 N0 N1",
                     "move 1004 (-5,3) 9020 d-1 N0 N1", "sound 11 0", "once 1004 d-1 Standing0"}));
}

TEST_F(WalkTest, NoDoubleStepWithoutAFurtherHexOffTheMapOnAFirstRoutsFirstStepOrInARampage) {
    const Lines twoSingles = {"move 1104 (800,1) 8010 d-1 NW0 NW1",
                              "move 1104 (-5,3) 8020 d-1 NW0 NW1",
                              "move 1004 (200,1) 2010 d-1 NE0 NE1",
                              "move 1004 (-5,3) 2020 d-1 NE0 NE1",
                              "sound 11 0",
                              "once 1004 d-1 Standing0"};
    {
        auto* u = unit();
        ScriptedRolls dice{0, 0};
        EXPECT_EQ(walk(*u, {1204, 1104}),
                  (Lines{"move 1104 (800,1) 8010 d-1 NW0 NW1", "move 1104 (-5,3) 8020 d-1 NW0 NW1",
                         "sound 11 0", "once 1104 d-1 Standing0"}));
    }
    for (std::int16_t off : {1104, 1103}) {
        SCOPED_TRACE("off the map " + std::to_string(off));
        layer.land.offMap = {off};
        auto* u = unit();
        ScriptedRolls dice{0, 0, 0, 0};
        EXPECT_EQ(walk(*u, {1204, 1104, 1004}), twoSingles);
    }
    layer.land.offMap.clear();
    {
        // The first step of a first rout is walked singly; the rest may be doubled again. "Bare" has no
        // lead-in pictures, so only the standing frame tells it is a rout.
        auto* u = static_cast<TestUnit*>(
            attach(std::make_unique<TestUnit>("Bare", 1204, 1, 0, TestUnit::Script{}, 1)));
        ScriptedRolls dice{0, 0, 0, 0};
        Lines routed = twoSingles;
        routed[0] = "move 1104 (800,1) 8010 d-1 NW0";
        routed[1] = "move 1104 (-5,3) 8020 d-1 NW0";
        routed[2] = "move 1004 (200,1) 2010 d-1 NE0";
        routed[3] = "move 1004 (-5,3) 2020 d-1 NE0";
        routed[5] = "once 1004 d-1 StandingR0";
        EXPECT_EQ(walk(*u, {1204, 1104, 1004}, 1, 1), routed);
    }
}

TEST_F(WalkTest, ADisorderedUnitScattersEachWaypointYFirstThenX) {
    struct Row {
        std::int16_t percent;
        int yRoll, xRoll;
        Point jitter;
    };
    const std::vector<Row> rows = {
        // Tripled box (45, 15) at 100: y = 7 - 0, x = 22 - 44.
        {100, 0, 44, Point(-22, 7)},
        {100, 14, 0, Point(22, -7)},
        {120, 14, 0, Point(26, -8)}, // above 100 the scatter grows with it: (22 * 120 / 100, -7 * 120 / 100)
        // Box (15, 5) at 50: y = (2 - 0) * 50 / 100 = 1, x = (7 - 14) * 50 / 100 = -3 (toward zero).
        {50, 0, 14, Point(-3, 1)},
        {50, 4, 0, Point(3, -1)},
        {99, 0, 0, Point(6, 1)}, // 7 * 99 / 100 = 6, 2 * 99 / 100 = 1: the small box
        {1, 0, 0, Point(0, 0)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message()
                     << "percent " << r.percent << " rolls " << r.yRoll << ", " << r.xRoll);
        auto* u = unit();
        FigureStatePeer::setCasualtyPercent(*u, r.percent);
        ScriptedRolls dice{r.yRoll, r.xRoll};
        const Lines events = walk(*u, {1204, 1303});
        EXPECT_EQ(events[0], "move 1303 (" + std::to_string(400 + r.jitter.x) + "," +
                                 std::to_string(1 + r.jitter.y) + ") 4010 d-1 SE0 SE1");
        EXPECT_EQ(events[1], "move 1303 (" + std::to_string(-5 + r.jitter.x) + "," +
                                 std::to_string(3 + r.jitter.y) + ") 4020 d-1 SE0 SE1");
    }
}

TEST_F(WalkTest, ADestroyedUnitFleesFasterByItsKindsSinglePrecisionFactor) {
    struct Row {
        std::int32_t kind;
        std::string first, second;
    };
    const std::vector<Row> rows = {
        // 4010 * 0.9f = 3608.99990...: 3608, not 3609.
        {8, "3608", "3617"},
        {12, "3608", "3617"},
        // 4010 * 0.67f = 2686.70006...
        {0, "2686", "2693"},
        {15, "2686", "2693"},
        {7, "4010", "4020"},
        {14, "4010", "4020"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("kind " + std::to_string(r.kind));
        auto* u = unit(r.kind, 0);
        FigureStatePeer::setEliminated(*u, 1);
        ScriptedRolls dice{0, 0};
        // Kinds without a walking group of their own in the test data walk on slot 0 of "Foot".
        List<short> path;
        path.append(1204), path.append(1303);
        const DirectionOffsets record = walkingRecordOf(0);
        u->walkHexPath(0, *u->figure(0), path, layer.land, record, 0, 0);
        const Lines events = eventsOf(*u->figure(0));
        EXPECT_EQ(events[0], "move 1303 (400,1) " + r.first + " d-1 SE0 SE1");
        EXPECT_EQ(events[1], "move 1303 (-5,3) " + r.second + " d-1 SE0 SE1");
    }
}

TEST_F(WalkTest, TheFirstStepOfAFirstRoutLeadsInWithTheHelmetPicturesButNotStraightNorth) {
    auto* u = unit();
    auto* notFirst = unit();
    ScriptedRolls dice{0, 0};
    std::string helmets;
    for (int k = 0; k < 8; ++k)
        helmets += " HelmetSE" + std::to_string(k);
    // The walking group "SE" has two pictures: its third and fourth are not there to add.
    EXPECT_EQ(walk(*u, {1204, 1303}, 1, 1), (Lines{"lead 1303 (400,1) 4010 d-1 r10" + helmets + " SE0 SE1",
                                                   "lead 1303 (-5,3) 4020 d-1 r10" + helmets + " SE0 SE1",
                                                   "sound 11 0", "once 1303 d-1 StandingR0"}));
    dice.add({0, 0});
    EXPECT_EQ(walk(*notFirst, {1204, 1303}, 1, 0)[0], "move 1303 (400,1) 4010 d-1 SE0 SE1");
}

TEST_F(WalkTest, ARampagingElephantTakesNoDoubleStepAndNoStandingFrameAndCallsItsHooksOnEachHex) {
    auto* u = unit(13, 0);
    FigureStatePeer::setEliminated(*u, 1);
    ScriptedRolls dice{0, 0, 0, 0};
    List<short> path;
    for (short h : {1204, 1104, 1004})
        path.append(h);
    const DirectionOffsets record = walkingRecordOf(0);
    u->walkHexPath(0, *u->figure(0), path, layer.land, record, 0, 0);
    EXPECT_EQ(
        eventsOf(*u->figure(0)),
        (Lines{"move 1104 (800,1) 4005 d-1 NW0 NW1", "move 1104 (-5,3) 4010 d-1 NW0 NW1",
               "move 1004 (200,1) 1005 d-1 NE0 NE1", "move 1004 (-5,3) 1010 d-1 NE0 NE1", "sound 11 13"}));
    EXPECT_EQ(u->hooks, (std::vector<std::string>{"rear 1104 after 1", "trample 1104 after 2",
                                                  "rear 1004 after 3", "trample 1004 after 4"}));
}

TEST_F(WalkTest, DepthsFollowTheStepsDirectionAndTheStandingFrameTheFacing) {
    auto* u = unit(0, 8);
    ScriptedRolls dice{0, 0};
    // Figure 1 of eight: depth 4 facing side 4, depth 3 facing 1; its home (5, 3).
    EXPECT_EQ(walk(*u, {1204, 1303}, 0, 0, 1),
              (Lines{"move 1303 (400,1) 4010 d4 SE0 SE1", "move 1303 (5,3) 4020 d4 SE0 SE1", "sound 11 0",
                     "once 1303 d3 Standing0"}));
}

} // namespace
} // namespace vael::test
