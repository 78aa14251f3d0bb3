// The map's cursors as forged: every name the map asks for with "ChangeCursor", each a keyed 32 x 32
// picture whose hot spot lies on the drawing (the tip of an edge arrow toward its edge), and the archive
// found through the forged map file.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "framework/display/bitmap.h"
#include "tools/forge/cursor_art.h"

namespace vael::test {
namespace {

std::uint8_t pixel(const forge::ForgedImage& image, int x, int y) {
    const int stride = (image.size.w + 3) / 4 * 4;
    return image.pixels[static_cast<std::size_t>(y * stride + x)];
}

// Whether the picture covers the pixel or one of its eight neighbours.
bool drawnNear(const forge::ForgedImage& image, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) {
            const int px = x + dx, py = y + dy;
            if (px >= 0 && py >= 0 && px < image.size.w && py < image.size.h && pixel(image, px, py) != 0)
                return true;
        }
    return false;
}

TEST(CursorArt, EveryCursorTheMapAsksForIsAKeyedPictureWithItsHotSpotOnTheDrawing) {
    const forge::CursorArt art = forge::cursorArt();
    ASSERT_EQ(art.archive.groups.size(), 1u);
    EXPECT_EQ(art.archive.title, "Map Cursors");
    const forge::ForgedGroup& group = art.archive.groups[0];
    EXPECT_EQ(group.name, "Cursors");
    // Hot spots: the tip of each arrow lies 13 pixels from the middle (16, 16) toward its edge, rounded;
    // the weapons point to the top-left corner, the sling's stone sits a little further in.
    const struct {
        const char* name;
        Point hot;
    } rows[] = {
        {"MoveNorth", Point(16, 3)},      {"MoveNorthEast", Point(25, 7)}, {"MoveEast", Point(29, 16)},
        {"MoveSouthEast", Point(25, 25)}, {"MoveSouth", Point(16, 29)},    {"MoveSouthWest", Point(7, 25)},
        {"MoveWest", Point(3, 16)},       {"MoveNorthWest", Point(7, 7)},  {"Sword", Point(2, 2)},
        {"Arrow", Point(2, 2)},           {"Sling", Point(5, 5)},          {"Javelin", Point(2, 2)}};
    ASSERT_EQ(group.images.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].name);
        const forge::ForgedImage& image = group.images[i];
        EXPECT_EQ(image.name, rows[i].name);
        EXPECT_EQ(image.size, Dim(32, 32));
        EXPECT_EQ(image.kind, PixelKeyed);
        EXPECT_EQ(image.pixels.size(), 32u * 32u);
        EXPECT_EQ(image.hotSpot, rows[i].hot);
        EXPECT_TRUE(drawnNear(image, image.hotSpot.x, image.hotSpot.y));
        // The corner away from where the cursor points is clear, so the cursor does not look like a tile.
        std::set<std::uint8_t> colours;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                colours.insert(pixel(image, x, y));
        EXPECT_TRUE(colours.count(0));
        EXPECT_GE(colours.size(), 3u) << "a rim and a fill besides the clear pixels";
    }
}

TEST(CursorArt, AnEdgeArrowIsClearBehindItsTail) {
    const forge::CursorArt art = forge::cursorArt();
    // The pixel one step past the tip is clear, and so is the middle of the opposite edge.
    const forge::ForgedImage& north = art.archive.groups[0].images[0];
    EXPECT_NE(pixel(north, 16, 4), 0);
    EXPECT_EQ(pixel(north, 16, 1), 0);
    EXPECT_EQ(pixel(north, 16, 31), 0);
    const forge::ForgedImage& east = art.archive.groups[0].images[2];
    EXPECT_NE(pixel(east, 28, 16), 0);
    EXPECT_EQ(pixel(east, 31, 16), 0);
    EXPECT_EQ(pixel(east, 0, 16), 0);
}

} // namespace
} // namespace vael::test
