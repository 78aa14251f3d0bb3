// The slingers: their figures and stones, the three legs of a stone by direction, the golden events of a
// volley with scripted dice, one sling and one hit heard a volley, a payload that is no direction of fire,
// and the close-combat throw into the neighbouring hex (its side by the figure's half of the block, the
// fall after the throw, and the map's edge).
#include "game/figures/missile_fixture.h"
#include "game/figures/p_slinger.h"
#include "game/figures/sprite_calls.h"

namespace vael::test {
namespace {

struct OpenSlinger : PSlinger {
    using PSlinger::PSlinger;
    using VaelPhysicalObject::setFallen;
};

class SlingerTest : public MissileScene {
protected:
    PSlinger* slinger(std::int16_t hex = 1204, std::int32_t facing = 1) {
        return cloneOf<PSlinger>(4, hex, facing);
    }
    OpenSlinger* open() {
        return attach<OpenSlinger>(
            std::make_unique<OpenSlinger>("Unit", "Unit (Half size)", "Unit (Quarter size)", 4, 1204, 1));
    }
};

TEST_F(SlingerTest, EightFiguresEightStonesTheLaunchOffsetsAndTheSoundLeads) {
    auto* s = slinger();
    EXPECT_EQ(s->spriteCount(), 8);
    EXPECT_EQ(s->projectileCount, 8);
    EXPECT_EQ(s->unitKind(), 0);
    const Point3D expected[9] = {{0, 0, 0},   {-3, -30, 0}, {41, 0, 0},    {59, 1, 0},  {25, 15, 0},
                                 {11, 25, 0}, {-45, 13, 0}, {-60, -25, 0}, {-48, -2, 0}};
    for (int d = 0; d < 9; ++d)
        EXPECT_EQ(s->launchOffsets[static_cast<std::size_t>(d)], expected[d]) << d;
    for (std::int16_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(s->figure(i)->soundEnabledFlag(), i == 7 ? 1 : 0);
        EXPECT_EQ(s->projectiles[i]->soundEnabledFlag(), i == 7 ? 1 : 0);
        EXPECT_EQ(s->projectiles[i]->artwork(0), projectileImageSet(4, 0));
        EXPECT_EQ(s->rearFigure(i), i < 4 ? i + 4 : -1);
    }
    EXPECT_EQ(s->setupSpear(0), nullptr);
    EXPECT_EQ(s->setupShield(0), nullptr);
}

TEST_F(SlingerTest, EveryCloneSlingsStonesWhateverThePrototypesKind) {
    PSlinger proto("Unit", "Unit (Half size)", "Unit (Quarter size)", 0, -1, 1);
    std::unique_ptr<VaelPhysicalObject> c(proto.clone(907, 5));
    auto* s = dynamic_cast<PSlinger*>(c.get());
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->projectileImages[0], projectileImageSet(4, 0));
    EXPECT_EQ(s->projectileImages[2], projectileImageSet(4, 2));
    EXPECT_EQ(s->region(), 907);
    EXPECT_EQ(s->facing(), 5);
    EXPECT_EQ(s->normalSizeArtwork()->name(), "Unit");
    EXPECT_EQ(s->quarterSizeArtwork()->name(), "Unit (Quarter size)");
}

TEST_F(SlingerTest, TheThreeLegsOfAStoneByDirection) {
    // From the hex point (120, 40); the third is taken from the point of release and truncated toward
    // zero; the legs take five milliseconds a whole pixel.
    struct Row {
        DIRECTION d;
        Point3D target, w1, w2;
        std::int32_t t1, t2, t3;
    };
    const Row rows[] = {
        // Release (131, 65): thirds of (-11, 35) are (-3, 11), not (-4, 11); legs 6, 38, 16 pixels.
        {South, {120, 100, 0}, {117, 46, 0}, {123, 84, 0}, 30, 190, 80},
        // Release (179, 41): thirds of (21, -1) are (7, 0); legs 8, 66, 8.
        {East, {200, 40, 0}, {127, 35, 0}, {193, 35, 0}, 40, 330, 40},
        // Release (60, 15): thirds of (-20, 25) are (-6, 8); legs 6, 69, 14.
        {West, {40, 40, 0}, {114, 43, 0}, {46, 27, 0}, 30, 345, 70},
        // Release (161, 40), rise (-5, -5): thirds of (-31, -10) are (-10, -3); legs 17, 30, 5.
        {NorthEast, {130, 30, 0}, {105, 32, 0}, {135, 28, 0}, 85, 150, 25},
        // The object's own hex still gives three legs.
        {North, {120, 40, 0}, {121, 45, 0}, {119, 25, 0}, 25, 100, 75},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.d);
        const PSlinger::Flight f =
            PSlinger::flight(Point3D(120, 40, 0), r.target, PSlinger::SlingLaunch[r.d], r.d);
        EXPECT_EQ(Point3D(f.w1), r.w1);
        EXPECT_EQ(Point3D(f.w2), r.w2);
        EXPECT_EQ(Point3D(f.w3), r.target);
        EXPECT_EQ(f.w1.t, r.t1);
        EXPECT_EQ(f.w2.t, r.t2);
        EXPECT_EQ(f.w3.t, r.t3);
    }
}

TEST_F(SlingerTest, AVolleySouthGoldenEvents) {
    auto* s = slinger();
    // Each stone's spread, y first: stone 0 gets y 15 - 0 and x 15 - 30, the others none (15, 15).
    ScriptedRolls rolls{0, 30, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15};
    LogicalCommandInfo c = fire(South, 1210);
    s->handleEvent(c);
    EXPECT_EQ(rolls.left(), 0u);
    EXPECT_EQ(s->missileTarget, Point3D(120, 100, 0));
    EXPECT_EQ(s->flagStale(), 1);
    // The one-update delays are empty kind-9 events, which the printer shows as silent sounds.
    const Lines figure = {"sound 0 0", "sound 0 0", "sound 5 0",
                          "once 1204 d-1 MS2 MS1 MS1 MS2 MS2 MS1 MS1 MS2 MS3 MS0", "once 1204 d-1 Standing0"};
    for (std::int16_t i = 0; i < 8; ++i)
        EXPECT_EQ(eventsOf(*s->figure(i)), figure) << i;
    // Released at the slot plus (11, 25); the way-points less the hex point are (-3, 6), (3, 44) and
    // (0, 60); the spread (-15, 15) adds a third (-5, 5), two thirds (-10, 10), then all of it.
    const Point3D p = s->slotOffsets(s->figureSlot(0))[1];
    const Lines stone0 = {"move 1204 (0,0) 0 d-1 Default0",
                          "move 1204 " + at(p, 11, 25) + " 0 d-1 Default0",
                          "once 1204 d-1" + repeat("Default0", 9),
                          "move 1204 " + at(p, -8, 11) + " 30 d-1 Stone0",
                          "move 1204 " + at(p, -7, 54) + " 190 d-1 Stone0",
                          "sound 6 0",
                          "move 1204 " + at(p, -15, 75) + " 80 d-1 Stone0",
                          "move 1204 (0,0) 0 d-1 Default0"};
    EXPECT_EQ(eventsOf(*s->projectiles[0]), stone0);
    // Stone 5 lands unscattered at the target less the hex point, in the shape of the block.
    const Point3D q = s->slotOffsets(s->figureSlot(5))[1];
    const Lines stone5 = eventsOf(*s->projectiles[5]);
    ASSERT_EQ(stone5.size(), 8u);
    EXPECT_EQ(stone5[3], "move 1204 " + at(q, -3, 6) + " 30 d-1 Stone0");
    EXPECT_EQ(stone5[6], "move 1204 " + at(q, 0, 60) + " 80 d-1 Stone0");
    // The flag, eight figures and eight stones wait on this volley.
    EXPECT_EQ(s->activeSprites().count(), 17);
}

TEST_F(SlingerTest, FallenSlingersNeitherSlingNorDrawASpreadAndTheirStonesRest) {
    auto* s = open();
    s->setFallen(2, true);
    s->setFallen(5, true);
    // Six spreads of two numbers, and one number more that must be left.
    ScriptedRolls rolls{15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 99};
    LogicalCommandInfo c = fire(East, 2004);
    s->handleEvent(c);
    EXPECT_EQ(rolls.left(), 1u);
    for (std::int16_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const bool stands = i != 2 && i != 5;
        EXPECT_EQ(eventsOf(*s->figure(i)).size(), stands ? 5u : 0u);
        EXPECT_EQ(eventsOf(*s->projectiles[i]).size(), stands ? 8u : 0u);
    }
    EXPECT_EQ(s->activeSprites().count(), 1 + 6 + 6);
}

TEST_F(SlingerTest, AVolleyIsHeardOnceAsASlingAndOnceAsAHitAndThenReports) {
    auto* s = slinger();
    layer.listenFor("UnitFired");
    layer.log.clear();
    queue(*s, new Container<DIRECTION>(East), 2004);
    const std::string id = std::to_string(s->getId());
    EXPECT_GT(runToIdle(*s), 0);
    EXPECT_EQ(layer.log, (Lines{"ACTIVATED " + id, "PhysicalObjectMoving " + id, "UnitFired 7",
                                "PhysicalObjectNotMoving " + id, "DEACTIVATED " + id}));
    EXPECT_EQ(std::count(sound.calls.begin(), sound.calls.end(), "playSlingShot"), 1);
    EXPECT_EQ(std::count(sound.calls.begin(), sound.calls.end(), "playRockHit"), 1);
    // The stones are back at rest on the hex point.
    for (std::int16_t i = 0; i < 8; ++i)
        EXPECT_EQ(s->projectiles[i]->frameInfo(), FrameInfo("Default", 0)) << i;
}

TEST_F(SlingerTest, AFirePayloadThatIsNoDirectionOfFireIsIgnoredAndTheCommandStillReports) {
    struct Row {
        const char* what;
        ContainerBase* payload;
    };
    const Row rows[] = {{"direction 0", new Container<DIRECTION>(NoDirection)},
                        {"direction 9", new Container<DIRECTION>(static_cast<DIRECTION>(9))},
                        {"a short", new Container<short>(3)},
                        {"no payload", nullptr}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto* s = slinger();
        layer.listenFor("UnitFired");
        layer.log.clear();
        queue(*s, r.payload, 2004); // the command owns the payload from here
        for (std::int16_t i = 0; i < 8; ++i) {
            EXPECT_TRUE(eventsOf(*s->figure(i)).empty());
            EXPECT_TRUE(eventsOf(*s->projectiles[i]).empty());
        }
        const std::string id = std::to_string(s->getId());
        EXPECT_EQ(runToIdle(*s), 2);
        EXPECT_EQ(layer.log, (Lines{"ACTIVATED " + id, "PhysicalObjectMoving " + id, "UnitFired 7",
                                    "PhysicalObjectNotMoving " + id, "DEACTIVATED " + id}));
        EXPECT_EQ(s->flagStale(), 0);
        EXPECT_TRUE(sound.calls.empty());
    }
}

TEST_F(SlingerTest, InCloseCombatEachHalfOfTheBlockSlingsAcrossItsOwnDiagonal) {
    auto* s = slinger();
    layer.land.neighbours[{1204, 2}] = 1303;
    layer.land.neighbours[{1204, 8}] = 1103;
    std::int16_t right = -1, left = -1;
    for (std::int16_t i = 0; i < 8; ++i)
        (s->slotOffsets(s->figureSlot(i))[1].x > 0 ? right : left) = i;
    ASSERT_GE(right, 0);
    ASSERT_GE(left, 0);
    std::vector<std::int16_t> stepTime(8, -1), stepFrom(8, -1);
    // The right-hand figure's spread: y 10 - 0, x 10 - 20.
    ScriptedRolls rolls{0, 20, 10, 10};
    const List<FrameInfo> standing = sprite_calls::oneFrame("Standing", 0);
    s->animateCombatFigure(right, 1204, false, stepTime, stepFrom, 0, standing, North, 0, 0);
    EXPECT_EQ(s->missileTarget, Point3D(130, 30, 0));
    const Point3D p = s->slotOffsets(s->figureSlot(right))[1];
    const Lines figure = {"plain 5",
                          "plain 5",
                          "sound 5 0",
                          "move 1204 " + at(p, -13, 8) + " 500 d-1 NE1 NE0",
                          "once 1204 d-1 MNE2 MNE2 MNE1 MNE1 MNE2 MNE2 MNE1 MNE1 MNE2 MNE3 MNE0" +
                              repeat("Standing1", 10),
                          "once 1204 d-1 Standing0",
                          "move 1204 " + at(p, 0, 0) + " 0 d-1",
                          "sound 16 0",
                          "once 1204 d-1 Standing0"};
    EXPECT_EQ(eventsOf(*s->figure(right)), figure);
    // To (130, 30) from (120, 40), released at (-3, -30) of the figure: thirds (4, 6), rise (-5, -5),
    // way-points (119, 41), (121, 19), (130, 30); legs 1, 22, 14 pixels. Spread (-10, 10).
    const Point3D home = s->slotOffsets(right)[1];
    const Lines stone = {"move 1204 (0,0) 0 d-1 Default0",
                         "move 1204 " + at(p, -3, -30) + " 0 d-1 Default0",
                         "once 1204 d-1" + repeat("Default0", 10),
                         "move 1204 " + at(p, -1 - 3, 1 + 3) + " 5 d-1 Stone0",
                         "move 1204 " + at(p, 1 - 6, -21 + 6) + " 110 d-1 Stone0",
                         "sound 6 0",
                         "move 1204 " + at(p, 10 - 10, -10 + 10) + " 70 d-1 Stone0",
                         "move 1204 (0,0) 0 d-1 Default0",
                         "move 1204 " + at(home, 0, 0) + " 1000 d-1 Default0"};
    EXPECT_EQ(eventsOf(*s->projectiles[right]), stone);

    s->animateCombatFigure(left, 1204, false, stepTime, stepFrom, 0, standing, North, 0, 0);
    EXPECT_EQ(rolls.left(), 0u);
    EXPECT_EQ(s->missileTarget, Point3D(110, 30, 0));
    const Point3D l = s->slotOffsets(s->figureSlot(left))[1];
    EXPECT_EQ(eventsOf(*s->figure(left))[3], "move 1204 " + at(l, 13, 8) + " 500 d-1 NW1 NW0");
    // Survivors and their stones hold the combat open.
    EXPECT_EQ(s->activeSprites().count(), 4);
    EXPECT_EQ(stepTime, std::vector<std::int16_t>(8, -1));
}

TEST_F(SlingerTest, ACasualtyWithAnEnemyThrowsFirstAndOneWithoutFallsAtOnce) {
    auto* s = slinger(1204, 1);
    layer.land.neighbours[{1204, 4}] = 1305;
    std::vector<std::int16_t> stepTime(8, -1), stepFrom(8, -1);
    const List<FrameInfo> standing = sprite_calls::oneFrame("Standing", 0);
    ScriptedRolls rolls{10, 10, 77};
    // Figure 0 faces an enemy to the south-east (relative 4 at facing 1): it slings, then falls hidden,
    // having no death picture; its rear figure 4 is marked to step up, with no time of its own.
    s->animateCombatFigure(0, 1204, true, stepTime, stepFrom, 0, standing, SouthEast, 1, 0);
    const Lines events = eventsOf(*s->figure(0));
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(events[2], "sound 5 0");
    EXPECT_EQ(events[5], "once 1204 d-1 Standing0");
    EXPECT_EQ(events[6], "sound 17 0");
    EXPECT_EQ(events[7], "plain 10");
    EXPECT_EQ(stepFrom[4], 0);
    EXPECT_EQ(stepTime[4], -1);
    EXPECT_TRUE(s->looseSprites().contains(s->figure(0)));
    EXPECT_FALSE(s->activeSprites().contains(s->figure(0)));
    EXPECT_TRUE(s->activeSprites().contains(s->projectiles[0]));
    EXPECT_EQ(rolls.left(), 1u);

    // Figure 1 has no enemy before it: it falls at once from its home point, drawing nothing.
    const Point3D p = s->slotOffsets(s->figureSlot(1))[1];
    s->animateCombatFigure(1, 1204, true, stepTime, stepFrom, 1, standing, 0, 1, 0);
    const Lines falls = eventsOf(*s->figure(1));
    ASSERT_GE(falls.size(), 3u);
    EXPECT_EQ(falls[0], "move 1204 " + at(p, 0, 0) + " 0 d-1 Standing0");
    EXPECT_EQ(falls[1], "sound 17 0");
    EXPECT_EQ(falls[2], "once 1204 d0");
    EXPECT_TRUE(eventsOf(*s->projectiles[1]).empty());
    EXPECT_EQ(stepFrom[5], 1);
    // Figure 2, standing with no enemy before it, gets nothing.
    s->animateCombatFigure(2, 1204, false, stepTime, stepFrom, 1, standing, 0, 1, 0);
    EXPECT_TRUE(eventsOf(*s->figure(2)).empty());
    EXPECT_TRUE(eventsOf(*s->projectiles[2]).empty());
    EXPECT_EQ(rolls.left(), 1u);
}

TEST_F(SlingerTest, AtTheMapsEdgeTheSlingerGoesThroughHisThrowButNoStoneFlies) {
    auto* s = slinger(1204, 1);
    // No neighbour to the north-east or north-west is written down: the landscape answers -1. Then a
    // neighbour that is not on the map.
    layer.land.neighbours[{1204, 8}] = 1103;
    layer.land.offMap.insert(1103);
    std::vector<std::int16_t> stepTime(8, -1), stepFrom(8, -1);
    const List<FrameInfo> standing = sprite_calls::oneFrame("Standing", 0);
    ScriptedRolls rolls{5, 5};
    for (std::int16_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        s->animateCombatFigure(i, 1204, false, stepTime, stepFrom, 0, standing, North, 0, 0);
        EXPECT_EQ(eventsOf(*s->figure(i)).size(), 9u);
        EXPECT_TRUE(eventsOf(*s->projectiles[i]).empty());
        EXPECT_FALSE(s->activeSprites().contains(s->projectiles[i]));
    }
    EXPECT_EQ(rolls.left(), 2u);
    EXPECT_EQ(s->missileTarget, Point3D(0, 0, 0));
    EXPECT_EQ(s->activeSprites().count(), 8);
}

} // namespace
} // namespace vael::test
