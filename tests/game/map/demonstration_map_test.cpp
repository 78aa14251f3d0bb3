// The demonstration battle's whole map drawn from the forged artwork at the three zooms in both views,
// with no picture missing, written as PNGs into the build folder for people to look at.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework/display/image_index.h"
#include "game/rules/roll.h"
#include "demonstration_regions.h"
#include "hex_map_fixture.h"
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
    for (std::uint16_t mode : {0, 1, 2, 4, 5, 6}) {
        SCOPED_TRACE(mode);
        std::srand(7);
        auto l = PointedVaelLandscape::create(mode);
        feed(*l, columns, rows, regions, 10);
        const Dim cell = l->cellStep();
        const int width = (2 * rows + 1) * cell.w, top = 4 * l->elevationStep() + 4;
        const int height = columns * 2 * cell.h + l->blockSize().h + top;
        Bitmap picture(Dim(static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)), PixelOpaque);
        l->drawArea(picture, Point(0, static_cast<std::int16_t>(-top)));
        EXPECT_EQ(l->lookupMisses(), 0u);
        forge::Picture out(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                out.set(x, y, picture.bits()[static_cast<std::ptrdiff_t>(y) * picture.stride() + x]);
        const std::string name = std::string("demonstration_map_") + (mode & 4 ? "reversed_" : "normal_") +
                                 (mode & 1 ? "half" : mode & 2 ? "quarter" : "full") + ".png";
        EXPECT_TRUE(forge::writeContactSheet(std::filesystem::path(VAEL_BUILD_DIR) / name, {&out}, 1));
    }
}

} // namespace
} // namespace vael::test
