#include "tools/forge/canvas.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include "tools/forge/forge_palette.h"

namespace vael::forge {
namespace {

TEST(Canvas, ReducesArtShadowAndEmptyPixelsToTheirBytes) {
    Canvas canvas(4, 1);
    // Pixel 0: opaque art in a palette colour; 1: half-covered art (below the cut); 2: shadow only;
    // 3: shadow under opaque art (art wins).
    setSource(canvas.art(), shade(Grass, 5));
    cairo_rectangle(canvas.art(), 0, 0, 1, 1);
    cairo_fill(canvas.art());
    setSource(canvas.art(), shade(Grass, 5), 0.4);
    cairo_rectangle(canvas.art(), 1, 0, 1, 1);
    cairo_fill(canvas.art());
    cairo_set_source_rgba(canvas.shadow(), 0, 0, 0, 1);
    cairo_rectangle(canvas.shadow(), 2, 0, 2, 1);
    cairo_fill(canvas.shadow());
    setSource(canvas.art(), shade(NationRed, 9));
    cairo_rectangle(canvas.art(), 3, 0, 1, 1);
    cairo_fill(canvas.art());

    PaletteMatcher matcher = PaletteMatcher::art();
    const Picture withShadow = canvas.reduce(matcher);
    EXPECT_EQ(withShadow.at(0, 0), shade(Grass, 5));
    EXPECT_EQ(withShadow.at(1, 0), colour::Transparent);
    EXPECT_EQ(withShadow.at(2, 0), colour::Shadow);
    EXPECT_EQ(withShadow.at(3, 0), shade(NationRed, 9));
    EXPECT_EQ(canvas.reduce(matcher, false).at(2, 0), colour::Transparent);
}

TEST(Canvas, LeavesTheWaterColoursToTheMatcherThatAllowsThem) {
    const auto colours = paletteColours();
    const RgbQuad& water = colours[colour::WaterFirst + 4];
    PaletteMatcher art = PaletteMatcher::art(), withWater = PaletteMatcher::artWithWater();
    EXPECT_EQ(withWater.nearest(water.red, water.green, water.blue), colour::WaterFirst + 4);
    const std::uint8_t dry = art.nearest(water.red, water.green, water.blue);
    EXPECT_TRUE(dry < colour::WaterFirst || dry > colour::WaterLast) << int(dry);
}

} // namespace
} // namespace vael::forge
