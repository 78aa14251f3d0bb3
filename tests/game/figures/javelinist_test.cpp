// The javelin troops: the two-leg throw by direction, the golden events of a volley with scripted dice,
// the throw's length for foot and mounted figures, the southward fall's picture and the shocking kind.
#include "game/figures/missile_fixture.h"
#include "game/figures/p_javelinist.h"

namespace vael::test {
namespace {

struct MountedJavelinist : PJavelinist {
    MountedJavelinist(std::int32_t kind)
        : PJavelinist("Unit", "Unit (Half size)", "Unit (Quarter size)", 0, 1204, 1) {
        mounted = 1;
        setKind(static_cast<DisplayKind>(kind));
    }
};

class JavelinistTest : public MissileScene {
protected:
    PJavelinist* foot(std::int16_t hex = 1204, std::int32_t facing = 1) {
        return cloneOf<PJavelinist>(0, hex, facing);
    }
};

TEST_F(JavelinistTest, TheThrowByDirection) {
    struct Row {
        DIRECTION d;
        std::int16_t target;
        Point3D aim, apex;
        std::int32_t up, down;
    };
    // From (120, 40); the legs' times are their lengths in whole pixels.
    const Row rows[] = {
        {East, 2004, {150, 40, 0}, {130, 30, 0}, 14, 22},
        {South, 1210, {130, 100, 0}, {125, 55, 0}, 15, 45},
        {West, 404, {60, 40, 0}, {95, 15, 0}, 35, 43},
        {NorthEast, 1303, {80, 30, 0}, {95, 25, 0}, 29, 15},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.d);
        auto* j = foot();
        j->missileTarget = j->hexToPixel(r.target);
        const PJavelinist::Arc arc = j->arcToward(Point3D(120, 40, 0), r.d);
        EXPECT_EQ(j->missileTarget, r.aim);
        EXPECT_EQ(Point3D(arc.apex), r.apex);
        EXPECT_EQ(Point3D(arc.land), r.aim);
        EXPECT_EQ(arc.apex.t, r.up);
        EXPECT_EQ(arc.land.t, r.down);
    }
}

TEST_F(JavelinistTest, AFootVolleyEastGoldenEvents) {
    auto* j = foot();
    EXPECT_EQ(j->projectileCount, 8);
    EXPECT_EQ(j->launchOffsets[2], Point3D(41, -5, 0));
    // Figure 0 late (4), the others not; figure 0's scatter x 10 - 0, y 10 - 20, the others none.
    ScriptedRolls rolls{4,  5,  5,  5,  5,  5,  5,  5,  0,  20, 10, 10,
                        10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
    LogicalCommandInfo c = fire(East, 2004);
    j->handleEvent(c);
    EXPECT_EQ(rolls.left(), 0u);
    const Point3D p = j->slotOffsets(j->figureSlot(0))[1];
    // The kind-9 delay prints as a silent sound.
    const Lines figure = {"sound 0 0", "move 1204 " + at(p, -6, 0) + " 0 d-1 Standing2 ME0",
                          "once 1204 d-1 ME1 ME1 ME1 ME1 ME1 ME2 ME3 ME3 ME3 ME3 ME3 ME3",
                          "move 1204 " + at(p, 0, 0) + " 0 d-1 Standing0"};
    EXPECT_EQ(eventsOf(*j->figure(0)), figure);
    // Apex (130, 30) and aim (150, 40) less the start (120, 40); launch (30, 5); half the scatter (5, -5).
    const Point3D home = j->slotOffsets(0)[1];
    const Lines javelin = {"move 1204 (0,0) 0 d-1 Default0",
                           "move 1204 " + at(p, 30, 5) + " 0 d-1 Default0",
                           "once 1204 d-1 Default0 Default0 Default0 Default0",
                           "sound 0 0",
                           "move 1204 " + at(p, 10 + 30 + 5, -10 + 5 - 5) + " 14 d-1 E0",
                           "sound 4 0",
                           "move 1204 " + at(p, 30 + 30 + 10, 0 + 5 - 10) + " 22 d-1 E1",
                           "move 1204 (0,0) 0 d-1 Default0",
                           "move 1204 " + at(home, 0, 0) + " 1000 d-1 Default0"};
    EXPECT_EQ(eventsOf(*j->projectiles[0]), javelin);
    EXPECT_EQ(eventsOf(*j->figure(1)).size(), 3u);
    EXPECT_EQ(j->activeSprites().count(), 17);
}

TEST_F(JavelinistTest, ThrowLengthWaitsAndHandBySort) {
    struct Row {
        const char* what;
        std::uint16_t mounted;
        std::int32_t kind;
        std::size_t throwFrames, waits;
        bool hand;
    };
    const Row rows[] = {
        {"foot", 0, 0, 12, 4, true}, {"chariot", 1, 7, 12, 4, false}, {"horse", 1, 8, 11, 3, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto* j = r.mounted ? attach<PJavelinist>(std::make_unique<MountedJavelinist>(r.kind)) : foot();
        EXPECT_EQ(framesOf(j->throwFrames(East)).size(), r.throwFrames);
        EXPECT_EQ(framesOf(j->throwFrames(East))[0].index, r.throwFrames == 12 ? 1 : 0);
        ScriptedRolls rolls{5,  5,  5,  5,  5,  5,  5,  5,  10, 10, 10, 10,
                            10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
        LogicalCommandInfo c = fire(East, 2004);
        j->handleEvent(c);
        const Lines events = eventsOf(*j->projectiles[0]);
        ASSERT_GE(events.size(), 3u);
        EXPECT_EQ(std::count(events[2].begin(), events[2].end(), 'D'), static_cast<long>(r.waits));
        const Point3D p = j->slotOffsets(j->figureSlot(0))[1];
        EXPECT_EQ(eventsOf(*j->figure(0))[0].rfind("move 1204 " + at(p, r.hand ? -6 : 0, 0) + " 0 ", 0), 0u);
    }
}

TEST_F(JavelinistTest, ASouthwardThrowFallsOnTheFirstPictureOfS) {
    auto* k = foot();
    auto* j = foot();
    {
        ScriptedRolls rolls{5,  5,  5,  5,  5,  5,  5,  5,  10, 10, 10, 10,
                            10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
        LogicalCommandInfo c = fire(South, 1210);
        j->handleEvent(c);
        const Lines events = eventsOf(*j->projectiles[3]);
        ASSERT_EQ(events.size(), 8u);
        EXPECT_NE(events[3].find(" S0"), std::string::npos);
        EXPECT_NE(events[5].find(" 45 d-1 S0"), std::string::npos);
    }
    // North-west: no hand offset even on foot.
    ScriptedRolls more{5,  5,  5,  5,  5,  5,  5,  5,  10, 10, 10, 10,
                       10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
    LogicalCommandInfo n = fire(NorthWest, 1101);
    k->handleEvent(n);
    const Point3D p = k->slotOffsets(k->figureSlot(0))[1];
    EXPECT_EQ(eventsOf(*k->figure(0))[0], "move 1204 " + at(p, 0, 0) + " 0 d-1 Standing7 MNW0");
}

TEST_F(JavelinistTest, KindsClonesAndTheShockingVariant) {
    PJavelinist medium("Unit Medium", "Unit Medium (Half size)", "Unit Medium (Quarter size)", 3, -1, 1);
    EXPECT_EQ(medium.unitKind(), 1);
    EXPECT_EQ(medium.mounted, 0);
    std::unique_ptr<VaelPhysicalObject> c(medium.clone(907, 2));
    auto* j = dynamic_cast<PJavelinist*>(c.get());
    ASSERT_NE(j, nullptr);
    EXPECT_EQ(j->missileKind, 3);
    EXPECT_EQ(j->projectileImages[0], projectileImageSet(3, 0));
    EXPECT_EQ(j->setupShield(0), nullptr);
    PShockingJavelinist shock("Unit", "Unit (Half size)", "Unit (Quarter size)", 2, -1, 1);
    EXPECT_EQ(shock.unitKind(), 0);
    std::unique_ptr<VaelPhysicalObject> s(shock.clone(907, 2));
    EXPECT_NE(dynamic_cast<PShockingJavelinist*>(s.get()), nullptr);
    EXPECT_EQ(static_cast<PJavelinist*>(s.get())->missileKind, 2);
}

} // namespace
} // namespace vael::test
