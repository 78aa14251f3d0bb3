// Mounted javelin throwers and javelin chariots: figures, javelins, sound leads, places, throws and walk.
#include "game/figures/missile_fixture.h"
#include "game/figures/p_mounted_javelinist.h"

namespace vael::test {
namespace {

class MountedJavelinistTest : public MissileScene {
protected:
    template <class T> T* made(std::int32_t facing = 1) { return cloneOf<T>(3, 1204, facing); }
};

template <class T> struct Walking : T {
    explicit Walking(std::int32_t walk) : T("Unit", "Unit (Half size)", "Unit (Quarter size)", 3, 1204, 1) {
        this->setTurnFacing(walk);
    }
};

TEST_F(MountedJavelinistTest, RidersAndChariotsBySort) {
    struct Row {
        const char* what;
        PJavelinist* object;
        std::int16_t count;
        std::int32_t kind;
        std::int16_t formation;
        std::size_t throwFrames;
        Point3D launchNE;
    };
    const Row rows[] = {{"horse", made<PMountedJavelinist>(), 6, 8, 2, 11, {10, -10, 0}},
                        {"chariot", made<PChariotJavelinist>(), 3, 7, 1, 12, {41, -5, 0}}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(r.object->spriteCount(), r.count);
        EXPECT_EQ(r.object->projectileCount, r.count);
        EXPECT_EQ(r.object->unitKind(), r.kind);
        EXPECT_EQ(r.object->survivors(), r.formation);
        EXPECT_EQ(r.object->mounted, 1);
        EXPECT_EQ(r.object->missileKind, 3);
        EXPECT_EQ(r.object->projectileImages[0], projectileImageSet(3, 0));
        EXPECT_EQ(r.object->launchOffsets[2], r.launchNE);
        EXPECT_EQ(framesOf(r.object->throwFrames(East)).size(), r.throwFrames);
        for (std::int16_t i = 0; i < r.count; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(r.object->figure(i)->soundEnabledFlag(), i == r.count - 1 ? 1 : 0);
            EXPECT_EQ(r.object->projectiles[i]->soundEnabledFlag(), i == r.count - 1 ? 1 : 0);
        }
    }
    EXPECT_EQ(rows[0].object->rearFigure(0), 3);
    EXPECT_EQ(rows[1].object->rearFigure(0), -1);
}

TEST_F(MountedJavelinistTest, AChariotVolleyThrowsThreeJavelinsWithoutAHandOffset) {
    auto* c = made<PChariotJavelinist>();
    ScriptedRolls rolls{5, 5, 5, 10, 10, 10, 10, 10, 10};
    LogicalCommandInfo f = fire(East, 2004);
    c->handleEvent(f);
    EXPECT_EQ(rolls.left(), 0u);
    // Chariot 0 faces north at (27, 16).
    EXPECT_EQ(eventsOf(*c->figure(0))[0], "move 1204 (27,16) 0 d-1 Standing2 ME0");
    EXPECT_EQ(eventsOf(*c->projectiles[2])[2], "once 1204 d-1 Default0 Default0 Default0 Default0");
    EXPECT_EQ(c->activeSprites().count(), 7);
}

TEST_F(MountedJavelinistTest, ChariotsFacingEastOrWestStandAtTheHexPoint) {
    for (std::int32_t facing : {3, 7}) {
        SCOPED_TRACE(facing);
        auto* c = made<PChariotJavelinist>(facing);
        for (std::int16_t k = 0; k < 3; ++k)
            EXPECT_EQ(c->slotOffsets(c->figureSlot(k))[static_cast<std::size_t>(facing)], Point3D()) << k;
    }
    auto* c = made<PChariotJavelinist>(5);
    EXPECT_EQ(c->slotOffsets(2)[5], Point3D(-11, 23, 0));
}

TEST_F(MountedJavelinistTest, TheyWalkTwiceAsFastAsFoot) {
    for (std::int32_t walk : {2, 3, 7, 8}) {
        SCOPED_TRACE(walk);
        const std::int16_t fast = walk == 3 || walk == 7 ? 260 : 166;
        EXPECT_EQ(Walking<PMountedJavelinist>(walk).turnRate(), fast);
        EXPECT_EQ(Walking<PChariotJavelinist>(walk).turnRate(), fast);
    }
}

} // namespace
} // namespace vael::test
