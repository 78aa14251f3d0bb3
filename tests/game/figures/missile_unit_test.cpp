// The missile sets and the base of the missile units: which set each kind and size opens, that a set
// nobody knows is empty rather than missing, that freeing leaves no stale set behind, and the resting
// missiles a unit makes.
#include "game/figures/missile_fixture.h"
#include "game/figures/p_missile_unit.h"
#include "support/rules/scripted_rolls.h"

namespace vael::test {
namespace {

using MissileUnitTest = MissileScene;

// A missile unit of any display kind whose fallen figure leaves its mount at will.
class MountedShooter : public PMissileUnit {
public:
    MountedShooter(std::int32_t kind)
        : PMissileUnit("Unit", "Unit (Half size)", "Unit (Quarter size)", 0, 1204, 1) {
        setKind(static_cast<DisplayKind>(kind));
    }
    void leave(std::int16_t hex, bool riders) { leaveMount(hex, riders); }
};

TEST_F(MissileUnitTest, EachKindAndSizeOpensItsNamedSet) {
    const char* names[5][3] = {
        {"Arrows", "Arrows (Half size)", "Arrows (Quarter size)"},
        {"Bolt", "Bolt (Half size)", "Bolt (Quarter size)"},
        {"Javelins", "Javelins (Half size)", "Javelins (Quarter size)"},
        {"Indian Javelin", "Indian Javelin (Half size)", "Indian Javelin (Quarter size)"},
        {"Stone", "Stone (Half size)", "Stone (Quarter size)"},
    };
    for (std::int16_t kind = 0; kind < 5; ++kind)
        for (int size = 0; size < 3; ++size) {
            SCOPED_TRACE(names[kind][size]);
            OIF<Bitmap>* set = projectileImageSet(kind, size);
            ASSERT_NE(set, nullptr);
            EXPECT_EQ(set->name(), names[kind][size]);
            // Only the arrows are known to this scene; the others are empty, not missing.
            EXPECT_EQ(set->groupCount(), kind == 0 ? 9 : 0);
        }
    EXPECT_EQ(projectileImageSet(0, 0)->imageCount(projectileImageSet(0, 0)->findGroup("NW")), 3);
}

TEST_F(MissileUnitTest, OutOfRangeKindsAndSizesHaveNoSet) {
    for (auto [kind, size] : std::vector<std::pair<std::int16_t, int>>{{-1, 0}, {5, 0}, {0, -1}, {0, 3}}) {
        SCOPED_TRACE(std::to_string(kind) + " " + std::to_string(size));
        EXPECT_EQ(projectileImageSet(kind, size), nullptr);
    }
    EXPECT_NE(projectileImageSet(4, 2), nullptr);
}

TEST_F(MissileUnitTest, FreeingEmptiesEveryCellSoNoLaterObjectTakesAFreedSet) {
    freeMissileImages();
    for (std::int16_t kind = 0; kind < 5; ++kind)
        for (int size = 0; size < 3; ++size)
            EXPECT_EQ(projectileImageSet(kind, size), nullptr) << kind << " " << size;
    PMissileUnit late("Unit", "Unit (Half size)", "Unit (Quarter size)", 0, 1204, 1);
    EXPECT_EQ(late.projectileImages[0], nullptr);
    // The scene frees them again at its end: a second free must be harmless.
    freeMissileImages();
}

TEST_F(MissileUnitTest, APrototypeMadeBeforeLoadingKeepsNullSetsAndItsClonesTakeArrows) {
    freeMissileImages();
    PMissileUnit proto("Unit", "Unit (Half size)", "Unit (Quarter size)", 3, -1, 1);
    loadMissileImages();
    for (int size = 0; size < 3; ++size)
        EXPECT_EQ(proto.projectileImages[static_cast<std::size_t>(size)], nullptr) << size;
    // A clone is of kind 0 whatever the prototype's kind.
    std::unique_ptr<VaelPhysicalObject> c(proto.clone(1204, 3));
    auto* m = dynamic_cast<PMissileUnit*>(c.get());
    ASSERT_NE(m, nullptr);
    for (int size = 0; size < 3; ++size)
        EXPECT_EQ(m->projectileImages[static_cast<std::size_t>(size)], projectileImageSet(0, size)) << size;
    EXPECT_EQ(m->region(), 1204);
    EXPECT_EQ(m->facing(), 3);
    EXPECT_EQ(m->projectileCount, 0);
    EXPECT_EQ(m->missileTarget, Point3D());
    for (const Point3D& p : m->launchOffsets)
        EXPECT_EQ(p, Point3D());
}

TEST_F(MissileUnitTest, APlainMissileUnitBuildsNothing) {
    PMissileUnit proto("Unit", "Unit (Half size)", "Unit (Quarter size)", 0, -1, 1);
    auto* m = attach<PMissileUnit>(std::unique_ptr<VaelPhysicalObject>(proto.clone(1204, 1)));
    EXPECT_EQ(m->spriteCount(), 0);
    EXPECT_EQ(m->projectileCount, 0);
}

TEST_F(MissileUnitTest, DefaultSpritesRestOnTheHexAndOnlyTheLastPlaysSounds) {
    for (std::int16_t count : {8, 6, 1}) {
        SCOPED_TRACE(count);
        PMissileUnit proto("Unit", "Unit (Half size)", "Unit (Quarter size)", 0, -1, 1);
        auto* m = attach<PMissileUnit>(std::unique_ptr<VaelPhysicalObject>(proto.clone(1204, 1)));
        layer.created.clear();
        m->createDefaultSprites(count);
        EXPECT_EQ(m->projectileCount, count);
        ASSERT_EQ(layer.created.size(), static_cast<std::size_t>(count));
        for (std::int16_t i = 0; i < count; ++i) {
            SCOPED_TRACE(i);
            VaelSprite* p = m->projectiles[i];
            EXPECT_EQ(layer.created[static_cast<std::size_t>(i)], p);
            EXPECT_EQ(p->frameInfo().name, "Default");
            EXPECT_EQ(p->frameInfo().index, 0);
            EXPECT_EQ(p->artwork(0), projectileImageSet(0, 0));
            EXPECT_EQ(p->artwork(2), projectileImageSet(0, 2));
            EXPECT_EQ(p->soundEnabledFlag(), i == count - 1 ? 1 : 0);
        }
    }
}

// Only the leak checker sees a missile left behind or one freed twice.
TEST_F(MissileUnitTest, TheDestructorFreesExactlyTheMissilesMadeLeakCheckedBySanitizer) {
    PMissileUnit proto("Unit", "Unit (Half size)", "Unit (Quarter size)", 0, -1, 1);
    { std::unique_ptr<VaelPhysicalObject> fresh(proto.clone(1204, 1)); }
    auto* m = attach<PMissileUnit>(std::unique_ptr<VaelPhysicalObject>(proto.clone(1204, 1)));
    m->createDefaultSprites(8);
    EXPECT_EQ(m->projectileCount, 8);
    objects.clear();
}

TEST_F(MissileUnitTest, ARunawayMountIsMadeBeforeItsDirectionIsDrawnForRiderAndChariotAlike) {
    adoptDebris();
    struct Row {
        const char* what;
        std::int32_t kind;
        bool riders;
        std::vector<int> rolls; // the chances, the new object's flag place, then the direction
        const char* debris;
        std::int32_t direction;
    };
    // Direction 2 % 8 + 1 = 3 for the horse, 4 % 8 + 1 = 5 for the chariot; drawn first, the flag's 0
    // would have sent both off in direction 1.
    const Row rows[] = {
        {"rider, 14 runs", 9, true, {14, 0, 2}, "Horse", 3},
        {"chariot, 24 leaves a wreck, 25 a running one", 7, false, {24, 25, 0, 4}, "Running Chariot", 5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        MountedShooter* u = attach<MountedShooter>(std::make_unique<MountedShooter>(r.kind));
        layer.land.lineDirections.clear();
        const std::size_t before = objects.size();
        ScriptedRolls rolls;
        for (int n : r.rolls)
            rolls.add({n});
        u->leave(1306, r.riders);
        EXPECT_EQ(rolls.left(), 0u);
        ASSERT_EQ(objects.size(), before + 1);
        EXPECT_EQ(objects.back()->images().name(), r.debris);
        EXPECT_EQ(layer.land.lineDirections, (std::vector<std::int32_t>{r.direction}));
    }
}

} // namespace
} // namespace vael::test
