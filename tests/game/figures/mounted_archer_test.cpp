// Horse archers, archer chariots and shocking archers: their figures, missiles, sound leads, kinds,
// chariot places, launch offsets and turning speeds.
#include "game/figures/missile_fixture.h"
#include "game/figures/p_mounted_archer.h"

namespace vael::test {
namespace {

class MountedArcherTest : public MissileScene {
protected:
    template <class T> T* made(std::int32_t facing = 1) { return cloneOf<T>(4, 1204, facing); }
};

TEST_F(MountedArcherTest, FiguresMissilesAndSoundLeadsBySort) {
    struct Row {
        const char* what;
        PArcher* object;
        std::int16_t count;
        std::int32_t kind;
        std::int16_t formation;
    };
    const Row rows[] = {{"horse", made<PMountedArcher>(), 6, 8, 2},
                        {"chariot", made<PChariotArcher>(), 3, 7, 1},
                        {"shocking", made<PShockingArcher>(), 8, 1, 3}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        EXPECT_EQ(r.object->spriteCount(), r.count);
        EXPECT_EQ(r.object->projectileCount, r.count);
        EXPECT_EQ(r.object->unitKind(), r.kind);
        EXPECT_EQ(r.object->survivors(), r.formation);
        // Clones shoot arrows whatever their prototype's kind.
        EXPECT_EQ(r.object->projectileImages[0], projectileImageSet(0, 0));
        for (std::int16_t i = 0; i < r.count; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(r.object->figure(i)->soundEnabledFlag(), i == r.count - 1 ? 1 : 0);
            EXPECT_EQ(r.object->projectiles[i]->soundEnabledFlag(), i == r.count - 1 ? 1 : 0);
        }
    }
    EXPECT_EQ(rows[0].object->rearFigure(0), 3);
    EXPECT_EQ(rows[0].object->rearFigure(2), 5);
    EXPECT_EQ(rows[0].object->rearFigure(3), -1);
    // Archers drop no shield; the shocking ones carry one as plain troops do.
    EXPECT_EQ(rows[0].object->setupShield(0), nullptr);
    EXPECT_EQ(rows[1].object->setupShield(0), nullptr);
}

TEST_F(MountedArcherTest, LaunchOffsetsOfHorseAndChariot) {
    auto* h = made<PMountedArcher>();
    auto* c = made<PChariotArcher>();
    const Point3D horse[9] = {{0, 0, 0}, {0, 0, 0},   {10, -10, 0}, {30, -5, 0}, {10, -45, 0},
                              {0, 0, 0}, {0, -35, 0}, {0, -5, 0},   {-10, 10, 0}};
    const Point3D chariot[9] = {{0, 0, 0}, {0, 0, 0},     {0, 0, 0},   {0, -20, 0}, {0, -10, 0},
                                {0, 0, 0}, {-25, -30, 0}, {0, -20, 0}, {0, 0, 0}};
    for (std::size_t d = 0; d < 9; ++d) {
        SCOPED_TRACE(d);
        EXPECT_EQ(h->launchOffsets[d], horse[d]);
        EXPECT_EQ(c->launchOffsets[d], chariot[d]);
    }
}

TEST_F(MountedArcherTest, ChariotsStandOnTheirOwnPlacesByFacing) {
    struct Row {
        std::int32_t facing;
        Point3D places[3];
    };
    const Row rows[] = {
        {1, {{27, 16, 0}, {-49, 16, 0}, {-11, 3, 0}}}, {2, {{24, 20, 0}, {-23, -9, 0}, {13, -2, 0}}},
        {4, {{-32, 18, 0}, {15, -12, 0}, {4, 8, 0}}},  {5, {{-49, 10, 0}, {27, 10, 0}, {-11, 23, 0}}},
        {6, {{-13, -9, 0}, {34, 20, 0}, {-3, 11, 0}}}, {8, {{20, -12, 0}, {-27, 16, 0}, {-17, -3, 0}}},
        {3, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.facing);
        auto* c = made<PChariotArcher>(r.facing);
        for (std::int16_t k = 0; k < 3; ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(c->figureSlot(k), k);
            EXPECT_EQ(c->slotOffsets(k)[static_cast<std::size_t>(r.facing)], r.places[k]);
            EXPECT_EQ(c->figure(k)->frameInfo().name, "Standing");
            EXPECT_EQ(c->figure(k)->frameInfo().index, r.facing - 1);
        }
        EXPECT_EQ(c->rearFigure(0), -1);
    }
}

template <class T> struct Walking : T {
    explicit Walking(std::int32_t walk) : T("Unit", "Unit (Half size)", "Unit (Quarter size)", 0, 1204, 1) {
        this->setTurnFacing(walk);
    }
};

TEST_F(MountedArcherTest, RidersAndChariotsTurnTwiceAsFastAsFoot) {
    for (std::int32_t walk : {2, 3, 7, 8}) {
        SCOPED_TRACE(walk);
        const std::int16_t fast = walk == 3 || walk == 7 ? 260 : 166;
        EXPECT_EQ(Walking<PMountedArcher>(walk).turnRate(), fast);
        EXPECT_EQ(Walking<PChariotArcher>(walk).turnRate(), fast);
        EXPECT_EQ(Walking<PShockingArcher>(walk).turnRate(), walk == 3 || walk == 7 ? 130 : 83);
    }
}

} // namespace
} // namespace vael::test
