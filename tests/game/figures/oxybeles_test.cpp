// The bolt-thrower: its crew and bolt, the two legs of a bolt's flight (the last always 200 ms, none at
// all for a target in its own hex), the golden events of a shot 300 pixels north, a payload that is no
// direction of fire, and the combat shot into the neighbouring hex (its aim, the fall after the shot, and
// the map's edge).
#include "game/figures/missile_fixture.h"
#include "game/figures/p_oxybeles.h"
#include "game/figures/sprite_calls.h"

namespace vael::test {
namespace {

struct OpenOxybeles : POxybeles {
    using POxybeles::POxybeles;
    using VaelPhysicalObject::setFallen;
};

class OxybelesTest : public MissileScene {
protected:
    POxybeles* engine(std::int16_t hex = 1204, std::int32_t facing = 1) {
        return cloneOf<POxybeles>(1, hex, facing);
    }
    static const char* fireFrames(const char* set) {
        static std::string text;
        const std::string s = set;
        text = repeat(s + "0", 4) + repeat(s + "1", 6) + repeat(s + "2", 3);
        return text.c_str();
    }
};

TEST_F(OxybelesTest, OneCrewOneBoltTheMuzzleAndTheCrewsPlaceByFacing) {
    const Point3D muzzle[9] = {{0, 0, 0},    {-3, -109, 0}, {31, -59, 0},  {45, -48, 0}, {35, -34, 0},
                               {-2, -17, 0}, {-44, -27, 0}, {-50, -50, 0}, {-33, -62, 0}};
    for (std::int32_t facing : {1, 2, 4, 5, 6, 8}) {
        SCOPED_TRACE(facing);
        auto* o = engine(1204, facing);
        EXPECT_EQ(o->unitKind(), 14);
        EXPECT_EQ(o->spriteCount(), 1);
        EXPECT_EQ(o->projectileCount, 1);
        EXPECT_EQ(o->figure(0)->location(), Point3D(0, facing == 1 ? 45 : 20, 0));
        EXPECT_EQ(o->figure(0)->frameInfo(), FrameInfo("Standing", static_cast<std::int16_t>(facing - 1)));
        EXPECT_EQ(o->projectiles[0]->location(), Point3D(0, 0, 0));
        EXPECT_EQ(o->projectiles[0]->artwork(0), projectileImageSet(1, 0));
        EXPECT_EQ(o->figure(0)->soundEnabledFlag(), 1);
        EXPECT_EQ(o->projectiles[0]->soundEnabledFlag(), 1);
        EXPECT_EQ(o->rearFigure(0), -1);
        EXPECT_EQ(o->figureSlot(0), 0);
        for (int d = 0; d < 9; ++d)
            EXPECT_EQ(o->launchOffsets[static_cast<std::size_t>(d)], muzzle[d]) << d;
    }
}

TEST_F(OxybelesTest, EveryCloneShootsBoltsWhateverThePrototypesKind) {
    POxybeles proto("Unit", "Unit (Half size)", "Unit (Quarter size)", 4, -1, 1);
    std::unique_ptr<VaelPhysicalObject> c(proto.clone(907, 2));
    auto* o = dynamic_cast<POxybeles*>(c.get());
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(o->projectileImages[0], projectileImageSet(1, 0));
    EXPECT_EQ(o->projectileImages[1], projectileImageSet(1, 1));
    EXPECT_EQ(o->region(), 907);
    EXPECT_EQ(o->facing(), 2);
    EXPECT_EQ(o->unitKind(), 14);
}

TEST_F(OxybelesTest, TheFlightTimeAndTheApproachPoint200MillisecondsShort) {
    struct Row {
        const char* what;
        DIRECTION d;
        Point3D origin, target;
        std::int32_t time, approachTime;
        Point3D approach;
    };
    const Row rows[] = {
        {"300 pixels north at 300 a second", North, {120, 340, 0}, {120, 40, 0}, 1000, 800, {120, 100, 0}},
        {"100 pixels at 450: 222 ms, 22 to the approach",
         NorthEast,
         {120, 40, 0},
         {200, 100, 0},
         222,
         22,
         {127, 45, 0}},
        // 316 pixels: 702 ms; (-300, 100) * 502 / 702 is (-214.5, 71.5), truncated toward zero.
        {"south-west, truncated toward zero",
         SouthWest,
         {400, 40, 0},
         {100, 140, 0},
         702,
         502,
         {186, 111, 0}},
        {"30 pixels at 600: under 200 ms", East, {120, 40, 0}, {150, 40, 0}, 50, 0, {120, 40, 0}},
        {"its own hex: no flight time to divide by", South, {120, 40, 0}, {120, 40, 0}, 0, 0, {120, 40, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        const POxybeles::Flight f = POxybeles::flight(r.origin, r.target, r.d);
        EXPECT_EQ(f.time, r.time);
        EXPECT_EQ(f.approachTime, r.approachTime);
        EXPECT_EQ(f.approach, r.approach);
    }
}

TEST_F(OxybelesTest, AShot300PixelsNorthGoldenEvents) {
    auto* o = engine(1234, 1);
    // The spread, y first: y 10 - 0, x 10 - 20.
    ScriptedRolls rolls{0, 20};
    LogicalCommandInfo c = fire(North, 1204);
    o->handleEvent(c);
    EXPECT_EQ(rolls.left(), 0u);
    EXPECT_EQ(o->missileTarget, Point3D(120, 40, 0));
    EXPECT_EQ(o->flagStale(), 1);
    const Lines crew = {"sound 7 0", std::string("once 1234 d-1") + fireFrames("MN"),
                        "once 1234 d-1 Standing0"};
    EXPECT_EQ(eventsOf(*o->figure(0)), crew);
    // Muzzle (-3, -109) on the crew's (0, 45); the approach is 240 pixels up after 800 ms, the hit sound,
    // then the last 60 pixels in 200 ms; spread (-10, 10).
    const Lines bolt = {"move 1234 (0,0) 0 d-1 Default0",
                        "move 1234 (-3,-64) 0 d-1 Default0",
                        "once 1234 d-1" + repeat("Default0", 12),
                        "move 1234 (-10,-185) 800 d-1 N0",
                        "sound 8 0",
                        "move 1234 (-10,-245) 200 d-1 N0",
                        "move 1234 (0,0) 0 d-1 Default0"};
    EXPECT_EQ(eventsOf(*o->projectiles[0]), bolt);
    EXPECT_EQ(o->activeSprites().count(), 3);
}

TEST_F(OxybelesTest, AShotAtItsOwnHexJumpsToTheLastLegAndIsHeardAtOnce) {
    auto* o = engine(1204, 5);
    ScriptedRolls rolls{10, 10};
    LogicalCommandInfo c = fire(South, 1204);
    o->handleEvent(c);
    const Lines bolt = eventsOf(*o->projectiles[0]);
    ASSERT_EQ(bolt.size(), 7u);
    EXPECT_EQ(bolt[1], "move 1204 (-2,3) 0 d-1 Default0");
    EXPECT_EQ(bolt[3], "move 1204 (0,20) 0 d-1 S0");
    EXPECT_EQ(bolt[4], "sound 8 0");
    EXPECT_EQ(bolt[5], "move 1204 (0,20) 200 d-1 S0");
}

TEST_F(OxybelesTest, AFallenCrewNeitherFiresNorShootsAndAVolleyIsHeardOnceEach) {
    {
        auto* o = attach<OpenOxybeles>(
            std::make_unique<OpenOxybeles>("Unit", "Unit (Half size)", "Unit (Quarter size)", 1, 1204, 1));
        o->setFallen(0, true);
        ScriptedRolls rolls{10, 10};
        LogicalCommandInfo c = fire(North, 1201);
        o->handleEvent(c);
        EXPECT_EQ(rolls.left(), 2u);
        EXPECT_TRUE(eventsOf(*o->figure(0)).empty());
        EXPECT_TRUE(eventsOf(*o->projectiles[0]).empty());
        EXPECT_EQ(o->activeSprites().count(), 1); // the flag alone
    }
    auto* o = engine(1234, 1);
    layer.listenFor("UnitFired");
    layer.log.clear();
    queue(*o, new Container<DIRECTION>(North), 1204);
    const std::string id = std::to_string(o->getId());
    EXPECT_GT(runToIdle(*o), 0);
    EXPECT_EQ(layer.log, (Lines{"ACTIVATED " + id, "PhysicalObjectMoving " + id, "UnitFired 7",
                                "PhysicalObjectNotMoving " + id, "DEACTIVATED " + id}));
    EXPECT_EQ(sound.calls, (Lines{"playOxybelesShot", "playOxybelesHit"}));
}

TEST_F(OxybelesTest, AFirePayloadThatIsNoDirectionOfFireIsIgnoredAndTheCommandStillReports) {
    struct Row {
        const char* what;
        ContainerBase* payload;
    };
    const Row rows[] = {{"direction 0", new Container<DIRECTION>(NoDirection)},
                        {"direction 9", new Container<DIRECTION>(static_cast<DIRECTION>(9))},
                        {"direction -1", new Container<DIRECTION>(static_cast<DIRECTION>(-1))},
                        {"a short", new Container<short>(1)}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto* o = engine();
        layer.listenFor("UnitFired");
        layer.log.clear();
        queue(*o, r.payload, 1201); // the command owns the payload from here
        EXPECT_TRUE(eventsOf(*o->figure(0)).empty());
        EXPECT_TRUE(eventsOf(*o->projectiles[0]).empty());
        const std::string id = std::to_string(o->getId());
        EXPECT_EQ(runToIdle(*o), 2);
        EXPECT_EQ(layer.log, (Lines{"ACTIVATED " + id, "PhysicalObjectMoving " + id, "UnitFired 7",
                                    "PhysicalObjectNotMoving " + id, "DEACTIVATED " + id}));
        EXPECT_TRUE(sound.calls.empty());
    }
}

TEST_F(OxybelesTest, InCombatTheEngineShootsAcrossTheLeftDiagonalForAnEnemyAhead) {
    auto* o = engine(1204, 1);
    layer.land.neighbours[{1204, 8}] = 1103;
    layer.land.neighbours[{1204, 2}] = 1303;
    std::vector<std::int16_t> stepTime(1, -1), stepFrom(1, -1);
    ScriptedRolls rolls{10, 10};
    const List<FrameInfo> standing = sprite_calls::oneFrame("Standing", 0);
    o->animateCombatFigure(0, 1204, false, stepTime, stepFrom, 0, standing, North, 0, 0);
    EXPECT_EQ(rolls.left(), 0u);
    // The crew stands on the centre line: north becomes north-west, at (110, 30).
    EXPECT_EQ(o->missileTarget, Point3D(110, 30, 0));
    const Lines crew = {"plain 5",
                        "plain 5",
                        "sound 7 0",
                        std::string("once 1204 d-1") + fireFrames("MNW") + repeat("Standing7", 10),
                        "once 1204 d-1 Standing0",
                        "move 1204 (0,45) 0 d-1",
                        "sound 16 14",
                        "once 1204 d-1 Standing0"};
    EXPECT_EQ(eventsOf(*o->figure(0)), crew);
    // 14 pixels at the north-west's 450 a second: 31 ms, all of it the last leg. The muzzle and the look
    // are those of the enemy's side as the unit sees it (1, north).
    const Lines bolt = {"move 1204 (0,0) 0 d-1 Default0",
                        "move 1204 (-3,-64) 0 d-1 Default0",
                        "once 1204 d-1" + repeat("Default0", 12),
                        "move 1204 (0,45) 0 d-1 N0",
                        "sound 8 0",
                        "move 1204 (-10,35) 200 d-1 N0",
                        "move 1204 (0,0) 0 d-1 Default0",
                        "move 1204 (0,45) 1000 d-1 Default0"};
    EXPECT_EQ(eventsOf(*o->projectiles[0]), bolt);
    EXPECT_EQ(stepTime, std::vector<std::int16_t>{-1});
    EXPECT_EQ(stepFrom, std::vector<std::int16_t>{-1});
    EXPECT_EQ(o->activeSprites().count(), 2);
}

TEST_F(OxybelesTest, TheCombatAimTurnsWithTheFacing) {
    // Relative side 2 at facing 4 is south (4 + 1 steps): the centre line takes south-west.
    struct Row {
        std::int32_t facing, side;
        std::int32_t screen;
        const char* set;
    };
    const Row rows[] = {
        {4, 2, 6, "MSW"}, {1, 2, 2, "MNE"}, {5, 1, 6, "MSW"}, {2, 2, 3, "ME"}, {8, 8, 7, "MW"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "facing " << r.facing << " side " << r.side);
        auto* o = engine(1204, r.facing);
        layer.land.neighbours.clear();
        layer.land.neighbours[{1204, r.screen}] = 1305;
        std::vector<std::int16_t> stepTime(1, -1), stepFrom(1, -1);
        ScriptedRolls rolls{10, 10};
        o->animateCombatFigure(0, 1204, false, stepTime, stepFrom, 0,
                               sprite_calls::oneFrame("Standing", static_cast<std::int16_t>(r.facing - 1)),
                               r.side, 0, 0);
        EXPECT_EQ(o->missileTarget, Point3D(130, 50, 0));
        const Lines crew = eventsOf(*o->figure(0));
        ASSERT_GE(crew.size(), 4u);
        EXPECT_EQ(crew[3].rfind(std::string("once 1204 d-1 ") + r.set + "0", 0), 0u) << crew[3];
        EXPECT_EQ(eventsOf(*o->projectiles[0]).size(), 8u);
    }
}

TEST_F(OxybelesTest, AFallingCrewShootsFirstAndWithoutAnEnemyFallsAtOnce) {
    auto* o = engine(1204, 1);
    auto* q = engine(1204, 1);
    auto* r = engine(1204, 1);
    layer.land.neighbours[{1204, 8}] = 1103;
    std::vector<std::int16_t> stepTime(1, -1), stepFrom(1, -1);
    const List<FrameInfo> standing = sprite_calls::oneFrame("Standing", 0);
    ScriptedRolls rolls{10, 10, 77};
    o->animateCombatFigure(0, 1204, true, stepTime, stepFrom, 0, standing, North, 1, 0);
    Lines crew = eventsOf(*o->figure(0));
    ASSERT_EQ(crew.size(), 7u);
    EXPECT_EQ(crew[2], "sound 7 0");
    EXPECT_EQ(crew[5], "sound 17 14");
    EXPECT_EQ(crew[6], "once 1204 d0");
    EXPECT_TRUE(o->looseSprites().contains(o->figure(0)));
    EXPECT_FALSE(o->activeSprites().contains(o->figure(0)));
    EXPECT_TRUE(o->activeSprites().contains(o->projectiles[0]));

    q->animateCombatFigure(0, 1204, true, stepTime, stepFrom, 0, standing, 0, 1, 0);
    crew = eventsOf(*q->figure(0));
    ASSERT_GE(crew.size(), 3u);
    EXPECT_EQ(crew[0], "move 1204 (0,45) 0 d-1 Standing0");
    EXPECT_EQ(crew[1], "sound 17 14");
    EXPECT_EQ(crew[2], "once 1204 d0");
    EXPECT_TRUE(eventsOf(*q->projectiles[0]).empty());
    // Standing with no enemy before it: nothing at all.
    r->animateCombatFigure(0, 1204, false, stepTime, stepFrom, 0, standing, 0, 0, 0);
    EXPECT_TRUE(eventsOf(*r->figure(0)).empty());
    EXPECT_TRUE(eventsOf(*r->projectiles[0]).empty());
    EXPECT_EQ(rolls.left(), 1u);
}

TEST_F(OxybelesTest, AtTheMapsEdgeTheCrewWorksTheEngineButNoBoltFlies) {
    struct Row {
        const char* what;
        bool written, onMap;
    };
    const Row rows[] = {{"no neighbour", false, false}, {"a neighbour off the map", true, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto* o = engine(1204, 1);
        layer.land.neighbours.clear();
        layer.land.offMap.clear();
        if (r.written) layer.land.neighbours[{1204, 8}] = 1103;
        if (!r.onMap) layer.land.offMap.insert(1103);
        std::vector<std::int16_t> stepTime(1, -1), stepFrom(1, -1);
        ScriptedRolls rolls{5, 5};
        o->animateCombatFigure(0, 1204, false, stepTime, stepFrom, 0, sprite_calls::oneFrame("Standing", 0),
                               North, 0, 0);
        EXPECT_EQ(rolls.left(), 2u);
        EXPECT_EQ(eventsOf(*o->figure(0)).size(), 8u);
        EXPECT_TRUE(eventsOf(*o->projectiles[0]).empty());
        EXPECT_EQ(o->missileTarget, Point3D(0, 0, 0));
        EXPECT_EQ(o->activeSprites().count(), 1);
    }
}

} // namespace
} // namespace vael::test
