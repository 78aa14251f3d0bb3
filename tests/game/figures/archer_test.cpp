// The foot archers: their figures and arrows, the arc of a volley by direction, the golden event lists of
// a volley with scripted dice, which sprites play sounds, and the bow a routing archer drops.
#include "game/figures/missile_fixture.h"
#include "game/figures/p_archer.h"
#include "game/figures/p_javelinist.h"
#include "game/figures/p_mounted_archer.h"
#include "game/figures/p_slinger.h"
#include "game/figures/sprite_calls.h"

namespace vael::test {
namespace {

// An archer whose losses a test can mark directly.
struct OpenArcher : PArcher {
    using PArcher::PArcher;
    using VaelPhysicalObject::setFallen;
};

class ArcherTest : public MissileScene {
protected:
    PArcher* archer(std::int16_t hex = 1204, std::int32_t facing = 1) {
        return cloneOf<PArcher>(0, hex, facing);
    }
};

// Enemies on both front diagonals (from 1204: 1303 up right, 1103 up left) stay two sides for exactly the
// foot skirmisher classes; any other class, one derived from them among them, sees them as its front.
TEST_F(ArcherTest, OnlyTheFootSkirmisherClassesKeepBothFrontDiagonals) {
    struct Row {
        const char* what;
        VaelPhysicalObject* object;
        std::vector<int> sides;
    } rows[] = {
        {"archer", cloneOf<PArcher>(0, 1204, 1), {2, 8}},
        {"javelinist", cloneOf<PJavelinist>(2, 1204, 1), {2, 8}},
        {"slinger", cloneOf<PSlinger>(4, 1204, 1), {2, 8}},
        {"horse archer", cloneOf<PMountedArcher>(0, 1204, 1), {1}},
        {"shocking javelinist", cloneOf<PShockingJavelinist>(2, 1204, 1), {1}},
    };
    List<short> enemies;
    enemies.append(1303), enemies.append(1103);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::int16_t engaged[9];
        r.object->engagedSides(enemies, engaged);
        std::vector<int> sides;
        for (int d = 0; d < 9; ++d)
            if (engaged[d]) sides.push_back(d);
        EXPECT_EQ(sides, r.sides);
    }
}

TEST_F(ArcherTest, EightFiguresEightArrowsAndTheLaunchOffsets) {
    auto* a = archer();
    EXPECT_EQ(a->spriteCount(), 8);
    EXPECT_EQ(a->projectileCount, 8);
    const Point3D expected[9] = {{0, 0, 0}, {0, 0, 0}, {10, 0, 0}, {30, 5, 0},  {10, -20, 0},
                                 {0, 0, 0}, {0, 0, 0}, {0, 0, 0},  {-10, 20, 0}};
    for (int d = 0; d < 9; ++d)
        EXPECT_EQ(a->launchOffsets[static_cast<std::size_t>(d)], expected[d]) << d;
    for (std::int16_t i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(a->figure(i)->soundEnabledFlag(), i == 7 ? 1 : 0);
        EXPECT_EQ(a->projectiles[i]->soundEnabledFlag(), i == 7 ? 1 : 0);
    }
    for (std::int16_t i = 0; i < 8; ++i)
        EXPECT_EQ(a->rearFigure(i), i < 4 ? i + 4 : -1) << i;
    EXPECT_EQ(a->setupShield(0), nullptr);
}

TEST_F(ArcherTest, TheArcByDirection) {
    // The unit stands at (120, 40); the stand-in map puts hex h at (h / 100 * 10, h % 100 * 10).
    struct Row {
        DIRECTION d;
        std::int16_t target;
        Point3D aim, w1, w2;
        std::int32_t t1, t2, t3;
    };
    const Row rows[] = {
        // South, slowest: thirds (0, 20); legs 10, 20, 50 pixels at 150 per second.
        {South, 1210, {120, 100, 0}, {120, 30, 0}, {120, 50, 0}, 66, 133, 333},
        // East: aimed 15 pixels short, thirds (21, 0); legs 49, 23, 49 at 250.
        {East, 2004, {185, 40, 0}, {141, -5, 0}, {164, -5, 0}, 196, 92, 196},
        // West: the third of -70 is -23, not -24; legs 50, 24, 50 at 250.
        {West, 404, {50, 40, 0}, {97, -5, 0}, {73, -5, 0}, 200, 96, 200},
        // North-west: shifted (10, 10) to (70, 10), thirds (-16, -10); legs 34, 20, 18 at 200.
        {NorthWest, 600, {70, 10, 0}, {104, 10, 0}, {86, 0, 0}, 170, 100, 90},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.d);
        auto* a = archer();
        a->missileTarget = a->hexToPixel(r.target);
        const PArcher::Arc arc = a->arcToward(a->hexToPixel(1204), r.d);
        EXPECT_EQ(a->missileTarget, r.aim);
        EXPECT_EQ(Point3D(arc.w1), r.w1);
        EXPECT_EQ(Point3D(arc.w2), r.w2);
        EXPECT_EQ(Point3D(arc.w3), r.aim);
        EXPECT_EQ(arc.w1.t, r.t1);
        EXPECT_EQ(arc.w2.t, r.t2);
        EXPECT_EQ(arc.w3.t, r.t3);
    }
}

TEST_F(ArcherTest, AVolleyEastGoldenEvents) {
    auto* a = archer();
    // Marks: figure 0 late (4), the others not (5); then each arrow's scatter, y first: figure 0 gets
    // y 10 - 0 and x 10 - 20, the others none (10, 10).
    ScriptedRolls rolls{4,  5,  5,  5,  5,  5,  5,  5,  0,  20, 10, 10,
                        10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
    LogicalCommandInfo c = fire(East, 2004);
    a->handleEvent(c);
    EXPECT_EQ(rolls.left(), 0u);
    // The one-update delay is an empty kind-9 event, which the printer shows as a silent sound.
    const Lines figure0 = {"sound 0 0", "once 1204 d-1 ME0", "sound 1 0",
                           "once 1204 d-1 ME1 ME2 ME2 ME2 ME2 ME2 ME2 ME3 ME3 ME3",
                           "once 1204 d-1 Standing0"};
    Lines figure1(figure0.begin() + 1, figure0.end());
    EXPECT_EQ(eventsOf(*a->figure(0)), figure0);
    EXPECT_EQ(eventsOf(*a->figure(1)), figure1);
    // Arrow 0: launched at its slot plus (30, 5); J = (-10, 10), so J/3 = (-3, 3) and 2J/3 = (-6, 6); the
    // way-points less the start (120, 40): (21, -45), (44, -45), (65, 0).
    const Point3D p = a->slotOffsets(a->figureSlot(0))[1];
    const Lines arrow0 = {"move 1204 (0,0) 0 d-1 Default0",
                          "move 1204 " + at(p, 30, 5) + " 0 d-1 Default0",
                          "once 1204 d-1 Default0 Default0 Default0 Default0 Default0 Default0 Default0",
                          "sound 0 0",
                          "move 1204 " + at(p, 21 - 3 + 30, -45 + 3 + 5) + " 196 d-1 E0",
                          "move 1204 " + at(p, 44 - 6 + 30, -45 + 6 + 5) + " 92 d-1 E1",
                          "sound 2 0",
                          "move 1204 " + at(p, 65 - 10, 10) + " 196 d-1 E2",
                          "move 1204 (0,0) 1000 d-1 Default0"};
    EXPECT_EQ(eventsOf(*a->projectiles[0]), arrow0);
    // Arrow 1 starts with the others and lands without scatter.
    const Point3D q = a->slotOffsets(a->figureSlot(1))[1];
    const Lines arrow1 = eventsOf(*a->projectiles[1]);
    ASSERT_EQ(arrow1.size(), 8u);
    EXPECT_EQ(arrow1[3], "move 1204 " + at(q, 21 + 30, -45 + 5) + " 196 d-1 E0");
    EXPECT_EQ(arrow1[6], "move 1204 " + at(q, 65, 0) + " 196 d-1 E2");
    EXPECT_EQ(a->missileTarget, Point3D(185, 40, 0));
    // The flag, eight figures and eight arrows wait on this volley.
    EXPECT_EQ(a->activeSprites().count(), 17);
}

TEST_F(ArcherTest, ARoutingArcherDropsABowOrImageZeroWithoutOne) {
    auto* a = archer(1204, 3);
    // The scene's debris has no "Bow" group: image 0 and no roll drawn.
    ScriptedRolls none{};
    std::unique_ptr<VaelSprite> bow(a->setupSpear(0));
    ASSERT_NE(bow, nullptr);
    EXPECT_EQ(bow->frameInfo().name, "Bow");
    EXPECT_EQ(bow->frameInfo().index, 0);
    EXPECT_EQ(bow->artwork(0), VaelPhysicalObject::debrisArtwork(0));
    EXPECT_EQ(a->setupSpear(-1), nullptr);
}

TEST_F(ArcherTest, AClonedArcherIsAnArcherOfArrows) {
    PArcher proto("Unit", "Unit (Half size)", "Unit (Quarter size)", 3, -1, 1);
    std::unique_ptr<VaelPhysicalObject> c(proto.clone(907, 5));
    auto* a = dynamic_cast<PArcher*>(c.get());
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->projectileImages[0], projectileImageSet(0, 0));
    EXPECT_EQ(a->facing(), 5);
}

TEST_F(ArcherTest, WhenFigureSevenFallsItsArrowHandsTheHitSoundToTheNewLeadersArrow) {
    auto* a = attach<OpenArcher>(
        std::make_unique<OpenArcher>("Unit", "Unit (Half size)", "Unit (Quarter size)", 0, 1204, 1));
    ASSERT_EQ(a->projectiles[7]->soundEnabledFlag(), 1);
    a->setFallen(7, true);
    LogicalCommandInfo c(0, nullptr, 0,
                         BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("CohesionHit"))));
    a->commandFinished(c);
    ASSERT_EQ(a->figure(7), nullptr);
    ASSERT_TRUE(sprite_calls::isSoundLead(*a->figure(0)));
    for (std::int16_t i = 0; i < 8; ++i)
        EXPECT_EQ(a->projectiles[i]->soundEnabledFlag(), i == 0 ? 1 : 0) << i;
    // With the leader standing nothing moves.
    a->commandFinished(c);
    EXPECT_EQ(a->projectiles[0]->soundEnabledFlag(), 1);
}

TEST_F(ArcherTest, APointBlankShotAcrossTheSideOnTheFiguresOwnHalf) {
    auto* a = archer();
    layer.land.neighbours[{1204, 2}] = 1303;
    layer.land.neighbours[{1204, 8}] = 1103;
    std::int16_t right = -1, left = -1;
    for (std::int16_t i = 0; i < 8; ++i) {
        const Point3D p = a->slotOffsets(a->figureSlot(i))[1];
        (p.x > 0 ? right : left) = i;
    }
    ASSERT_GE(right, 0);
    ASSERT_GE(left, 0);
    std::vector<std::int16_t> stepTime(8, -1), stepFrom(8, -1);
    // No scatter: y and x both 10 - 10.
    ScriptedRolls rolls{10, 10, 10, 10};
    const List<FrameInfo> standing = sprite_calls::oneFrame("Standing", 0);
    a->animateCombatFigure(right, 1204, false, stepTime, stepFrom, 0, standing, North, 0, 0);
    const Point3D p = a->slotOffsets(a->figureSlot(right))[1];
    // An enemy to the north: the right half shoots north-east at (130, 30) from (120, 40); thirds (3, -3),
    // way-points (118, 17), (122, 13), (130, 30); legs 23, 5, 18 pixels at 200 per second.
    const Lines figure = {
        "plain 5",
        "plain 5",
        "move 1204 " + at(p, -13, 8) + " 500 d-1 NE1 NE0",
        "once 1204 d-1 MNE0",
        "sound 1 0",
        "once 1204 d-1 MNE1 MNE2 MNE2 MNE2 MNE2 MNE2 MNE2 MNE3 MNE3 MNE3 Standing1 Standing1 "
        "Standing1 Standing1 Standing1 Standing1 Standing1 Standing1 Standing1 Standing1",
        "once 1204 d-1 Standing0",
        "move 1204 " + at(p, 0, 0) + " 0 d-1",
        "sound 16 0",
        "once 1204 d-1 Standing0"};
    EXPECT_EQ(eventsOf(*a->figure(right)), figure);
    const Lines arrow = {
        "move 1204 (0,0) 0 d-1 Default0",
        "move 1204 " + at(p, 10, 0) + " 0 d-1 Default0",
        "once 1204 d-1 Default0 Default0 Default0 Default0 Default0 Default0 Default0 Default0 "
        "Default0 Default0 Default0",
        "move 1204 " + at(p, 8, -23) + " 115 d-1 NE0",
        "move 1204 " + at(p, 12, -27) + " 25 d-1 NE1",
        "sound 2 0",
        "move 1204 " + at(p, 10, -10) + " 90 d-1 NE2",
        "move 1204 (0,0) 0 d-1 Default0"};
    EXPECT_EQ(eventsOf(*a->projectiles[right]), arrow);
    EXPECT_EQ(a->missileTarget, Point3D(130, 30, 0));
    // The left half shoots north-west at (110, 30), aimed 10 right and 10 down: the unit's own point.
    a->animateCombatFigure(left, 1204, false, stepTime, stepFrom, 0, standing, North, 0, 0);
    EXPECT_EQ(a->missileTarget, Point3D(120, 40, 0));
    EXPECT_EQ(eventsOf(*a->figure(left))[2].substr(0, 9), "move 1204");
    EXPECT_NE(eventsOf(*a->figure(left))[2].find("500 d-1 NW1 NW0"), std::string::npos);
    EXPECT_EQ(rolls.left(), 0u);
    // Figure then arrow, for each shooter.
    ASSERT_EQ(a->activeSprites().count(), 4);
}

TEST_F(ArcherTest, MissileFireAtTheEndOfACommandRunsNoCleanUp) {
    auto* a = attach<OpenArcher>(
        std::make_unique<OpenArcher>("Unit", "Unit (Half size)", "Unit (Quarter size)", 0, 1204, 1));
    a->setFallen(7, true);
    LogicalCommandInfo c = fire(East, 2004);
    a->commandFinished(c);
    EXPECT_NE(a->figure(7), nullptr);
}

} // namespace
} // namespace vael::test
