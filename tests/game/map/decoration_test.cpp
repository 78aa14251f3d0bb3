// How each hex is decorated as the map arrives: bushes by level with their placement rolls, impassable
// river pieces, hidden scars, stream pieces by the codes of their sides in both views, and the trees and
// stones of the quarter-size landscape.
#include <gtest/gtest.h>

#include <cstdlib>

#include "forged_map_scene.h"
#include "game/map/vael_sprite.h"

namespace vael::test {
namespace {

class DecorationTest : public ForgedMapScene {
protected:
    // One landscape of a one-hex map.
    std::unique_ptr<PointedVaelLandscape> single(std::uint16_t mode, int level, std::uint16_t code = 0,
                                                 std::uint32_t sideFlags = 0) {
        auto l = PointedVaelLandscape::create(mode);
        l->attach(app);
        List<LogicalRegion> regions = mapRegions(1, 1, [level](int) { return level; });
        Item<LogicalRegion>* item = nullptr;
        regions.firstItem(item);
        if (code) item->value.terrain[0] = code, item->value.terrainCount = 1;
        item->value.edgeFlags = sideFlags;
        feed(*l, 1, 1, regions);
        return l;
    }
};

TEST_F(DecorationTest, ABushByTheRollsOfItsLevel) {
    // Level 1: 40 in 100. The bush (hot spot (15, 16)) goes at y = 3 % (38 - 16) + 19 + 16 = 38 and
    // x = 4 % (130 - 15) + 15 = 19; the scar is picture 1; the ground variant 0.
    Roll::script({39, 2, 3, 4, 1, 0});
    auto l = single(0, 1);
    const PhysicalBlock* b = l->block(0);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(
        (std::tuple{b->overlay(0, 0), b->overlayOffset(0, 0), b->overlay(1, 0), b->isOverlayVisible(1, 0)}),
        std::tuple(l->libraryOverlay(0, 2), Point(19, 38), l->libraryOverlay(4, 1), 0));
    EXPECT_EQ(Roll::scriptedLeft(), 0u);
    // The roll of 40 misses at level 1 and 8 hits at level 5 (8 in 100), which 8 misses.
    const struct {
        int level, roll;
        bool bush;
    } rows[] = {{1, 40, false}, {5, 7, true}, {5, 8, false}, {6, 0, false}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.level) + "/" + std::to_string(r.roll));
        Roll::endScript();
        Roll::script({r.roll}); // drawn at level 6 too, against no chance
        if (r.bush) Roll::script({0, 0, 0});
        Roll::script({0, 0});
        auto m = single(0, r.level);
        EXPECT_EQ(m->block(0)->overlay(0, 0) != nullptr, r.bush);
        EXPECT_EQ(Roll::scriptedLeft(), 0u);
    }
}

TEST_F(DecorationTest, AHexShowsItsOwnScarWhateverTheDiceStoodAtWhenTheMapWasMade) {
    // A game loaded from a saved one makes its map again at another point of the dice.
    const auto scarOf = [](PointedVaelLandscape& l) {
        for (int k = 0; k < 64 && l.block(0)->overlay(1, 0); ++k)
            if (l.block(0)->overlay(1, 0) == l.libraryOverlay(4, k)) return k;
        return -1;
    };
    std::srand(1);
    auto first = single(0, 1);
    const int scar = scarOf(*first);
    EXPECT_GE(scar, 0);
    for (unsigned seed : {2u, 7u, 1234u, 99999u}) {
        SCOPED_TRACE(seed);
        std::srand(seed);
        EXPECT_EQ(scarOf(*single(0, 1)), scar);
    }
}

TEST_F(DecorationTest, TheRiverBedAndRoadsGetNoBushAndTheRiverNoScar) {
    Roll::script({0, 0});
    auto river = single(0, 0, 2); // stones at level 0: an impassable river piece, picture 0
    EXPECT_EQ((std::tuple{river->block(0)->overlay(0, 8), river->block(0)->overlay(0, 0),
                          river->block(0)->overlay(1, 0)}),
              std::tuple(river->libraryOverlay(3, 0), nullptr, nullptr));
    Roll::endScript();
    Roll::script({2, 0}); // the scar and the ground; no roll for a bush
    auto road = single(0, 1, 12);
    EXPECT_EQ(
        (std::tuple{road->block(0)->overlay(0, 0), road->block(0)->overlay(1, 0), road->block(0)->tag()}),
        std::tuple(nullptr, road->libraryOverlay(4, 2), 12));
    EXPECT_EQ(Roll::scriptedLeft(), 0u);
}

TEST_F(DecorationTest, StreamPiecesByTheCodesOfTheirSidesInBothViews) {
    // Stream flag (1) on sides 4, 5 and 6 in the normal view: a = 7, b = 5, c = 1: full sides 0 and 1,
    // junction 7 at its place (65, 10) and the full side 5 for side 4 at (3, 57).
    auto flags = [](std::initializer_list<int> sides) {
        LogicalRegion r;
        for (int d : sides)
            r.setSideFlag(d, 1, true);
        return r.edgeFlags;
    };
    for (std::uint16_t mode : {0, 4}) {
        SCOPED_TRACE(mode);
        std::srand(3);
        auto l = single(mode, 1, 0, mode ? flags({8, 1, 2}) : flags({4, 5, 6}));
        const PhysicalBlock* b = l->block(0);
        EXPECT_EQ(
            (std::tuple{b->overlay(0, 2), b->overlayOffset(0, 2), b->overlay(0, 3), b->overlayOffset(0, 3)}),
            std::tuple(l->libraryOverlay(1, 0), Point(0, 27), l->libraryOverlay(1, 1), Point(3, 12)));
        EXPECT_EQ((std::tuple{b->overlay(0, 4), b->overlayOffset(0, 4), b->overlay(0, 5), b->overlay(0, 6),
                              b->overlay(0, 7), b->overlayOffset(0, 7)}),
                  std::tuple(l->libraryOverlay(2, 7), Point(65, 10), nullptr, nullptr,
                             l->libraryOverlay(1, 5), Point(3, 57)));
    }
}

TEST_F(DecorationTest, TreesAndStonesOnlyInTheQuarterSizeLandscape) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
        SCOPED_TRACE(seed);
        std::srand(seed);
        make(3, 3, [](int hex) { return hex == 201 ? 0 : 1; }, {{101, 1}, {0, 2}, {201, 2}});
        EXPECT_EQ((std::tuple{levels[0][0]->sprites().count(), levels[0][1]->sprites().count()}),
                  std::tuple(0, 0));
        PointedVaelLandscape& q = *levels[0][2];
        int trees = 0, stones = 0;
        VaelSprite* fixed = nullptr;
        Item<Sprite*>* item = nullptr;
        for (q.sprites().firstItem(item); item; item = item->next) {
            auto* s = dynamic_cast<VaelSprite*>(item->value);
            ASSERT_NE(s, nullptr);
            if (s->region() == 101) {
                ++trees;
                fixed = s;
            }
            if (s->region() == 0) ++stones;
            EXPECT_NE(s->region(), 201); // the river hex shows a river piece instead
        }
        EXPECT_TRUE(trees >= 8 && trees <= 10) << trees;
        EXPECT_TRUE(stones >= 5 && stones <= 8) << stones;
        EXPECT_EQ(q.optionalSprites().count(), trees - 1);
        ASSERT_NE(fixed, nullptr);
        // The last tree of the hex stands 21 pixels below the anchor with picture 0, and is not optional.
        const Point3D anchor = levels[0][0]->blockCenter(101);
        EXPECT_EQ(
            (std::tuple{fixed->frameInfo().index, fixed->position(0), q.optionalSprites().contains(fixed)}),
            std::tuple(0, Point(anchor.x, static_cast<std::int16_t>(anchor.y + 21)),
                       static_cast<std::int16_t>(0)));
        q.setOptionalHidden(1);
        int hidden = 0;
        for (q.sprites().firstItem(item); item; item = item->next)
            hidden += item->value->isHidden();
        EXPECT_EQ((std::tuple{hidden, fixed->isHidden()}), std::tuple(trees - 1, 0));
        q.setOptionalHidden(0);
        for (q.sprites().firstItem(item); item; item = item->next)
            EXPECT_EQ(item->value->isHidden(), 0);
    }
}

TEST_F(DecorationTest, ASparseSettingBeforeTheMapHidesTreesAsTheyAreMade) {
    auto q = PointedVaelLandscape::create(2);
    q->attach(app);
    q->setOptionalHidden(1);
    std::srand(9);
    feed(*q, 1, 1, mapRegions(1, 1, [](int) { return 1; }, {{0, 1}}));
    int shown = 0;
    Item<Sprite*>* item = nullptr;
    for (q->sprites().firstItem(item); item; item = item->next)
        shown += !item->value->isHidden();
    EXPECT_EQ(shown, 1);
}

} // namespace
} // namespace vael::test
