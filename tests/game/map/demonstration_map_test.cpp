// The demonstration battle's whole map drawn from the forged artwork at the three zooms in both views,
// trees and stones included, with no picture missing, written as PNGs into the build folder for people
// to look at.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "demonstration_regions.h"
#include "framework/display/image_index.h"
#include "hex_map_fixture.h"
#include "landscape_anchors.h"
#include "support/test_application.h"
#include "tools/forge/canvas.h"

namespace vael::test {
namespace {

TEST(DemonstrationMapTest, DrawsTheWholeMapAtThreeZoomsInBothViewsWithNoPictureMissing) {
    TestApplication app;
    app.onFindDataFile = [](OIFBase* library, const std::uint8_t*& at, const std::uint8_t* end) {
        findIndexedDataFile(library, at, end, VAEL_BUILD_DATA_DIR, "");
    };
    ImageIndex index;
    ASSERT_TRUE(index.read(VAEL_BUILD_DATA_DIR));
    List<LogicalRegion> regions;
    Point size;
    ASSERT_TRUE(demonstrationRegions(std::string(VAEL_BUILD_DATA_DIR) + "/ghatmar.map", regions, size));
    const int columns = size.x, rows = size.y;
    for (std::uint16_t view : {0, 4}) {
        std::srand(7);
        std::unique_ptr<PointedVaelLandscape> levels[3];
        for (int level = 0; level < 3; ++level) {
            levels[level] = PointedVaelLandscape::create(
                static_cast<std::uint16_t>(view | (level ? 1 << (level - 1) : 0)));
            levels[level]->attach(app);
        }
        LandscapeAnchors anchors(levels[0].get(), levels[1].get(), levels[2].get(), view ? 1 : 0);
        for (auto& l : levels)
            feed(*l, columns, rows, regions, 10);
        // A fight's marks: scars on every landscape, arrows and the debris of volleys on the full-size one.
        List<short> scarred;
        for (short hex : {1204, 1205, 1304, 1806, 1807})
            scarred.append(hex);
        for (auto& l : levels)
            l->addBattleScars(scarred);
        levels[0]->addBattleArrow(BattleArrowStruct{1204, 1304, 2, 0});
        levels[0]->addBattleArrow(BattleArrowStruct{1806, 1706, 6, 0});
        const std::pair<std::uint16_t, std::uint32_t> volleys[] = {{1305, 1}, {1106, 3}, {1907, 4}};
        for (const auto& [hex, type] : volleys)
            levels[0]->returnFromMissileFire(MissileDebrisStruct{hex, type, 0});
        // The quarter-size landscape makes the trees and stones for all three.
        std::vector<VaelSprite*> scenery;
        Item<Sprite*>* item = nullptr;
        for (levels[2]->sprites().firstItem(item); item; item = item->next)
            scenery.push_back(dynamic_cast<VaelSprite*>(item->value));
        EXPECT_GT(scenery.size(), 100u);
        for (levels[0]->sprites().firstItem(item); item; item = item->next)
            scenery.push_back(dynamic_cast<VaelSprite*>(item->value));
        EXPECT_EQ(levels[0]->sprites().count(), 5);
        for (int level = 0; level < 3; ++level) {
            SCOPED_TRACE(std::to_string(view) + "/" + std::to_string(level));
            PointedVaelLandscape& l = *levels[level];
            const Dim cell = l.cellStep();
            const int width = (2 * rows + 1) * cell.w, top = 4 * l.elevationStep() + 4;
            const int height = columns * 2 * cell.h + l.blockSize().h + top;
            const Point origin(0, static_cast<std::int16_t>(-top));
            Bitmap picture(Dim(static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)),
                           PixelOpaque);
            l.drawArea(picture, origin);
            EXPECT_EQ(l.lookupMisses(), 0u);
            std::stable_sort(scenery.begin(), scenery.end(), [level](VaelSprite* a, VaelSprite* b) {
                return a->position(level).y < b->position(level).y;
            });
            int missing = 0;
            for (VaelSprite* s : scenery) {
                ASSERT_NE(s, nullptr);
                if (!s->levelFrame(level)) ++missing;
                s->drawAt(picture, origin, level);
            }
            EXPECT_EQ(missing, 0);
            forge::Picture out(width, height);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    out.set(x, y, picture.bits()[static_cast<std::ptrdiff_t>(y) * picture.stride() + x]);
            const std::string name = std::string("demonstration_map_") + (view ? "reversed_" : "normal_") +
                                     (level == 1   ? "half"
                                      : level == 2 ? "quarter"
                                                   : "full") +
                                     ".png";
            EXPECT_TRUE(forge::writeContactSheet(std::filesystem::path(VAEL_BUILD_DIR) / name, {&out}, 1));
        }
    }
}

// The road runs from one map edge to another through the ford: every road hex's piece joins, on both of
// its sides, a road or ford hex or the map's edge, in both views. The pieces pinned here were worked out
// by hand from the map file's road (hexes 619, 718, 818, ... 1315, fords 1415 1514 1614, 1713 ... 2907).
TEST(DemonstrationMapTest, TheRoadIsOneRoadThroughTheFordInBothViews) {
    TestApplication app;
    List<LogicalRegion> regions;
    Point size;
    ASSERT_TRUE(demonstrationRegions(std::string(VAEL_BUILD_DATA_DIR) + "/ghatmar.map", regions, size));
    // Entry side (1 NW, 2 W, 3 SW) and exit side (4 NE, 7 E, 10 SE) of each piece, as directions.
    const std::int32_t entryOf[7] = {7, 6, 8, 7, 6, 8, 7}, exitOf[7] = {2, 2, 3, 3, 3, 4, 4};
    const struct {
        std::uint16_t view;
        std::int16_t hex, piece;
    } pinned[] = {
        {0, 619, 6},  // the west edge to SE
        {0, 718, 5},  // NW to SE
        {0, 1315, 5}, // into the ford
        {0, 1713, 5}, // out of the ford
        {0, 2907, 5}, // off the bottom edge: no SE block
        {4, 2907, 5}, // turned round: in from the top edge
        {4, 1713, 5}, // into the ford from the other bank
        {4, 619, 2},  // off the east edge: no E block
    };
    for (std::uint16_t view : {0, 4}) {
        std::srand(7);
        auto l = PointedVaelLandscape::create(view);
        l->attach(app);
        feed(*l, size.x, size.y, regions, 10);
        auto tagOf = [&](std::int32_t i) { return l->block(i) ? l->block(i)->tag() : -1; };
        int roads = 0, fords = 0, ends = 0;
        for (std::int32_t i = 0; i < size.x * size.y; ++i) {
            if (tagOf(i) == PointedVaelLandscape::TagFord) ++fords;
            if (tagOf(i) != PointedVaelLandscape::TagRoad) continue;
            ++roads;
            SCOPED_TRACE("view " + std::to_string(view) + " hex " + std::to_string(l->blockToHex(i)));
            const std::int16_t piece = l->roadPieceOf(i);
            ASSERT_GE(piece, 0);
            ASSERT_LT(piece, 7);
            for (std::int32_t side : {entryOf[piece], exitOf[piece]}) {
                const std::int32_t n = l->blockNeighbour(i, side);
                if (!l->block(n)) {
                    ++ends;
                    continue;
                }
                EXPECT_TRUE(tagOf(n) == PointedVaelLandscape::TagRoad ||
                            tagOf(n) == PointedVaelLandscape::TagFord)
                    << "side " << side << " leads to hex " << l->blockToHex(n);
            }
        }
        EXPECT_EQ(roads, 21);
        EXPECT_EQ(fords, 5); // the road's three and the two north of it
        EXPECT_EQ(ends, 2) << "one road, leaving the map at its two ends";
        for (const auto& p : pinned) {
            if (p.view != view) continue;
            SCOPED_TRACE("view " + std::to_string(view) + " hex " + std::to_string(p.hex));
            EXPECT_EQ(l->roadPieceOf(l->hexToBlock(p.hex)), p.piece);
        }
    }
}

} // namespace
} // namespace vael::test
