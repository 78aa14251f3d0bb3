// Formations at the three zoom levels with their depths and rear ranks, and the spear, shield and helmet
// overlays with their rolls, from the unit's own pictures or from the rout debris.
#include <fstream>
#include <iterator>
#include <tuple>

#include "framework/core/debug_stream.h"
#include "game/figures/figure_fixture.h"
#include "game/figures/test_unit.h"

namespace vael::test {
namespace {

class FormationTest : public FigureScene {
protected:
    FormationTest() { anchors.setAnchors(1204, Point(300, 200), Point(150, 100), Point(75, 50)); }
    TestUnit* unit(int formation, std::int32_t facing, std::int32_t kind = 0, const char* art = "Unit",
                   std::int16_t typeId = 0) {
        return static_cast<TestUnit*>(attach(
            std::make_unique<TestUnit>(art, 1204, facing, kind, TestUnit::Script{}, formation), typeId));
    }
};

using Levels = std::tuple<Point, Point, Point>;
Levels at(const VaelSprite& s) {
    return {s.position(0), s.position(1), s.position(2)};
}

TEST_F(FormationTest, EightFiguresStandAtTheirPlacesAndDepthsAtEveryZoom) {
    struct Row {
        std::int32_t facing;
        std::int16_t figure;
        Levels expected;
        std::uint16_t depth;
    };
    const std::vector<Row> rows = {
        // (-32, -5): halves -16, -2, quarters -8, -1 (toward zero).
        {1, 0, {Point(268, 195), Point(134, 98), Point(67, 49)}, 4},
        // (17, -3): 8, -1 and 4, 0.
        {8, 3, {Point(317, 197), Point(158, 99), Point(79, 50)}, 1},
        // (-49, 2): -24, 1 and -12, 0.
        {2, 4, {Point(251, 202), Point(126, 101), Point(63, 50)}, 2},
        // (-22, -6): -11, -3 and -5, -1.
        {6, 7, {Point(278, 194), Point(139, 97), Point(70, 49)}, 1},
        {5, 5, {Point(314, 195), Point(157, 98), Point(78, 49)}, 2},
        {4, 6, {Point(284, 214), Point(142, 107), Point(71, 53)}, 5},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "facing " << r.facing << " figure " << r.figure);
        auto* u = unit(8, r.facing);
        ASSERT_EQ(u->spriteCount(), 8);
        EXPECT_EQ(at(*u->figure(r.figure)), r.expected);
        EXPECT_EQ(u->figure(r.figure)->layer(), r.depth);
        EXPECT_EQ(u->figure(r.figure)->frameInfo(),
                  FrameInfo("Standing", static_cast<std::int16_t>(r.facing - 1)));
        EXPECT_EQ(u->figureSlot(r.figure), r.figure);
        EXPECT_EQ(u->fallenState(r.figure), 0);
    }
}

TEST_F(FormationTest, SixFiguresHaveNoDepthsAndTheRearRankStepsUpWithTheLastFigureLeadingTheSound) {
    auto* u = unit(6, 6);
    ASSERT_EQ(u->spriteCount(), 6);
    // Figure 5 at facing 6: (4, -7); halves 2, -3, quarters 1, -1.
    EXPECT_EQ(at(*u->figure(5)), (Levels{Point(304, 193), Point(152, 97), Point(76, 49)}));
    EXPECT_EQ(u->figure(0)->layer(), Sprite::NoLayer);
    EXPECT_FALSE(u->hasDepths());
    const std::vector<std::int16_t> rear = {3, 4, 5, -1, -1, -1, -1};
    for (std::int16_t i = 0; i < 7; ++i) {
        SCOPED_TRACE("figure " + std::to_string(i));
        EXPECT_EQ(u->rearFigure(i), rear[static_cast<std::size_t>(i)]);
        if (i < 6) {
            EXPECT_EQ(u->figure(i)->getFlag(), i == 5 ? 1 : 0);
        }
    }
    auto* eight = unit(8, 1);
    EXPECT_EQ(eight->rearFigure(3), 7);
    EXPECT_EQ(eight->rearFigure(4), -1);
    EXPECT_EQ(eight->figure(7)->getFlag(), 1);
    EXPECT_EQ(eight->figure(6)->getFlag(), 0);
}

TEST_F(FormationTest, ASingleFigureStandsBelowTheHexAtEveryFacingAndTheBaseFigureLeadsNoSound) {
    for (std::int32_t facing : {1, 4, 8}) {
        SCOPED_TRACE("facing " + std::to_string(facing));
        auto* single = unit(1, facing);
        EXPECT_EQ(at(*single->figure(0)), (Levels{Point(300, 211), Point(150, 105), Point(75, 52)}));
        EXPECT_EQ(single->figure(0)->layer(), 1);
        EXPECT_EQ(single->figure(0)->getFlag(), 1);
        auto* base = unit(0, facing);
        EXPECT_EQ(base->figure(0)->layer(), Sprite::NoLayer);
        EXPECT_EQ(base->figure(0)->getFlag(), 0);
    }
}

TEST_F(FormationTest, SpearsComeFromTheUnitsOwnGroupsOrFromTheDebrisWithTheirOffsetsByKind) {
    struct Row {
        const char* art;
        std::int32_t kind, facing;
        int roll;
        FrameInfo frame;
        Point3D location;
        bool own;
    };
    const std::vector<Row> rows = {
        // Foot, facing 1: (20, -40) + the figure's (0, 11); 5 % 3 = 2.
        {"Unit", 0, 1, 5, FrameInfo("SpearN", 2), Point3D(20, -29, 0), true},
        // Mounted, facing 2: (48, -18) + (0, 11); "SpearNE" has one image.
        {"Unit", 9, 2, 5, FrameInfo("SpearNE", 0), Point3D(48, -7, 0), true},
        // Phalanx, facing 8: (-67, -44) + (0, 11).
        {"Unit", 3, 8, 0, FrameInfo("SpearNW", 0), Point3D(-67, -33, 0), true},
        // No spears of its own: the debris "SpearN" has two; 3 % 2 = 1.
        {"Bare", 0, 1, 3, FrameInfo("SpearN", 1), Point3D(20, -29, 0), false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.art << " kind " << r.kind << " facing " << r.facing);
        auto* u = unit(1, r.facing, r.kind, r.art);
        ScriptedRolls dice{r.roll};
        std::unique_ptr<VaelSprite> spear(u->setupSpear(0));
        ASSERT_NE(spear, nullptr);
        EXPECT_EQ(dice.left(), 0u);
        EXPECT_EQ(spear->frameInfo(), r.frame);
        EXPECT_EQ(spear->location() - Point3D(300, 200, 0), r.location);
        EXPECT_EQ(spear->groupKey() != 0, r.own);
        EXPECT_EQ(spear->artwork(0), r.own ? u->normalSizeArtwork() : VaelPhysicalObject::debrisArtwork(0));
        EXPECT_EQ(spear->layer(), Sprite::NoLayer);
    }
}

TEST_F(FormationTest, ShieldsByFacingAndTypeAndNoneForMountedKinds) {
    struct Row {
        const char* art;
        std::int32_t kind, facing;
        std::int16_t typeId;
        int roll;
        FrameInfo frame;
        Point3D location;
    };
    const std::vector<Row> rows = {
        // Table 1, facing 1: (-21, -4); the unit has "Shield U" (one image).
        {"Unit", 0, 1, 0, 9, FrameInfo("Shield U", 0), Point3D(-21, 7, 0)},
        // Table 3 (type 37), facing 5: (17, -17); "Shield" has two images, 9 % 2 = 1.
        {"Unit", 0, 5, 37, 9, FrameInfo("Shield", 1), Point3D(17, -6, 0)},
        // Table 2 (type 3), facing 4: (13, 9).
        {"Unit", 0, 4, 3, 2, FrameInfo("Shield U", 0), Point3D(13, 20, 0)},
        // Table 3 (type 11), facing 8: (-13, -11).
        {"Unit", 0, 8, 11, 4, FrameInfo("Shield", 0), Point3D(-13, 0, 0)},
        // The debris' "Shield U" has three images: 4 % 3 = 1.
        {"Bare", 0, 2, 14, 4, FrameInfo("Shield U", 1), Point3D(-21, 3, 0)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.art << " facing " << r.facing << " type " << r.typeId);
        auto* u = unit(1, r.facing, r.kind, r.art, r.typeId);
        ScriptedRolls dice{r.roll};
        std::unique_ptr<VaelSprite> shield(u->setupShield(0));
        ASSERT_NE(shield, nullptr);
        EXPECT_EQ(shield->frameInfo(), r.frame);
        EXPECT_EQ(shield->location() - Point3D(300, 200, 0), r.location);
    }
    for (std::int32_t kind : {8, 10, 12}) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        auto* mounted = unit(1, 1, kind);
        ScriptedRolls none; // and nothing is drawn
        EXPECT_EQ(mounted->setupShield(0), nullptr);
    }
}

TEST_F(FormationTest, HelmetsTakeTheCallersDirectionAndNeedTheUnitsHelmetGroup) {
    auto* u = unit(1, 5);
    struct Row {
        std::int32_t direction;
        Point3D location;
    };
    for (const Row& r :
         std::vector<Row>{{0, Point3D(0, -1, 0)}, {2, Point3D(126, -64, 0)}, {7, Point3D(-151, -11, 0)}}) {
        SCOPED_TRACE("direction " + std::to_string(r.direction));
        ScriptedRolls dice{1};
        std::unique_ptr<VaelSprite> helmet(u->setupHelmet(0, r.direction));
        ASSERT_NE(helmet, nullptr);
        EXPECT_EQ(helmet->frameInfo(), FrameInfo("Helmet", 1));
        EXPECT_EQ(helmet->location() - Point3D(300, 200, 0), r.location);
    }
    auto* bare = unit(1, 5, 0, "Bare");
    ScriptedRolls none;
    EXPECT_EQ(bare->setupHelmet(0, 2), nullptr);
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

std::vector<std::int32_t> lockCounts(OIF<Bitmap>& art) {
    std::vector<std::int32_t> counts;
    for (std::int16_t i = 0; i < art.totalImages(); ++i)
        counts.push_back(art.image(i)->lockCount());
    return counts;
}

TEST_F(FormationTest, APreloadOfImagesFromElsewhereLeavesItsTraceLineOpenAndOneOfTheGamesOwnEndsIt) {
    auto* u = unit(1, 1);
    const std::filesystem::path trace = dir.path() / "preload-trace";
    const auto traced = [&] {
        debugStream().flush();
        std::ifstream in(trace, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    debugStream().rdbuf()->open(trace.c_str());
    VaelPhysicalObject::setPreloadDirectory("/elsewhere/");
    u->preload();
    u->preload();
    EXPECT_EQ(traced(), "Attempting to preload.....Attempting to preload.....");
    VaelPhysicalObject::setPreloadDirectory(dir.path().string());
    u->preload();
    EXPECT_EQ(traced(),
              "Attempting to preload.....Attempting to preload.....Attempting to preload.....Walking...\n");
    debugStream().rdbuf()->open(nullptr);
    VaelPhysicalObject::setPreloadDirectory("");
    u->releaseArtwork();
}

TEST_F(FormationTest, PreloadingLocksTheWalkingAndStandingPicturesOfTheGamesOwnImagesAndReleaseFreesThem) {
    auto* u = unit(1, 1);
    OIF<Bitmap>* arts[3] = {u->normalSizeArtwork(), u->halfSizeArtwork(), u->quarterSizeArtwork()};
    std::vector<std::int32_t> before[3];
    for (int level = 0; level < 3; ++level)
        before[level] = lockCounts(*arts[level]);

    VaelPhysicalObject::setPreloadDirectory("/elsewhere/");
    u->preload();
    for (int level = 0; level < 3; ++level) {
        std::vector<std::int32_t> expected = before[level];
        if (level == 0 && !expected.empty()) ++expected[0]; // the current image, looked at for its file
        EXPECT_EQ(lockCounts(*arts[level]), expected) << "level " << level;
    }

    u->releaseArtwork();
    VaelPhysicalObject::setPreloadDirectory(dir.path().string());
    u->preload();
    // The eight direction groups hold 18 pictures and "Standing" 8 after them; nothing else is locked, as
    // there are no combat or missile groups.
    for (int level = 0; level < 3; ++level) {
        const std::vector<std::int32_t> counts = lockCounts(*arts[level]);
        for (std::size_t i = 0; i < counts.size(); ++i) {
            SCOPED_TRACE(::testing::Message() << "level " << level << " image " << i);
            const std::int32_t expected = (i < 26 ? 1 : 0) + (level == 0 && i == 0 ? 1 : 0);
            EXPECT_EQ(counts[i], expected);
        }
    }
    u->releaseArtwork();
    for (int level = 0; level < 3; ++level)
        EXPECT_EQ(lockCounts(*arts[level]),
                  std::vector<std::int32_t>(static_cast<std::size_t>(arts[level]->totalImages()), 0));
    VaelPhysicalObject::setPreloadDirectory("");
}

} // namespace
} // namespace vael::test
