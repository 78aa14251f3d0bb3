// The forged sample archive drawn through the forged palette in the real window (run under Xvfb): the
// colours read back from the display are those of the palette entries the pictures hold, a shadow
// darkens the ground through the palette's dark table, an animated water colour changes on screen, and a
// block landscape of the sample terrain shown by a landscape tile reads back as a full repaint of the
// landscape after each scroll.
#include <SDL.h>
#include <cstdlib>
#include <gtest/gtest.h>

#include "../landscape_scene.h"
#include "framework/core/bus.h"
#include "framework/display/application_palette.h"
#include "framework/display/block_landscape.h"
#include "framework/display/image_index.h"
#include "framework/display/landscape_tile.h"
#include "framework/display/oif.h"
#include "framework/display/palette_animator.h"
#include "framework/ui/placed_at.h"
#include "framework/ui/win_app.h"
#include "platform/sdl/sdl_platform.h"
#include "platform/sdl/x11_readback.h"
#include "support/display/sdl_data_app.h"
#include "tools/forge/forge_palette.h"

namespace vael::test {
namespace {

class SampleScreenshotTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display: run this program under xvfb-run";
        std::string error;
        sdl = openDataPlatform(error);
        ASSERT_NE(sdl, nullptr) << error;
        ASSERT_TRUE(sdl->openWindow(Width, Height, "Sample"));
        installApplicationPalette();
        app = std::make_unique<IndexedDataApp>(*sdl);
    }
    void TearDown() override {
        app.reset();
        WinApp::setPaletteMaker(nullptr, nullptr);
    }
    void settle() { drainPlatformEvents(*sdl); }
    std::uint32_t displayed(int x, int y) { return displayedColour(sdl->window(), x, y); }
    std::uint32_t colourOf(std::uint8_t index) {
        return paletteColour(*dynamic_cast<WindowsPalette*>(app->getPalette()), index);
    }

    static constexpr int Width = 192, Height = 96;
    std::unique_ptr<platform::SdlPlatform> sdl;
    std::unique_ptr<IndexedDataApp> app;
};

TEST_F(SampleScreenshotTest, TheSampleImagesShowInThePalettesColours) {
    auto* palette = dynamic_cast<WindowsPalette*>(app->getPalette());
    ASSERT_TRUE(palette && palette->fromFile());
    OIF<Bitmap> sample("Sample");
    ASSERT_EQ(sample.totalImages(), 6);
    Bitmap* grass = sample.lockImage("Grass", "Terrain");
    Bitmap* water = sample.lockImage("Water", "Terrain");
    Bitmap* soldier = sample.lockImage("Standing", "Soldier");
    const std::uint8_t ground = 30;
    Bitmap screen(Dim(Width, Height), PixelOpaque);
    screen.fill(ground);
    screen.drawWholeBitmap(Point(0, 0), *grass, 1);
    screen.drawWholeBitmap(Point(64, 0), *water, 1);
    screen.drawWholeBitmap(Point(140, 50), *soldier, 1); // hot spot (12, 37): top-left at (128, 13)
    sdl->present({screen.bits(), Width, Height, screen.stride()}, 0, 0, nullptr, 0);
    settle();
    struct Row {
        const char* name;
        int x, y;
        std::uint8_t index;
    } rows[] = {
        {"grass tile corner", 0, 0, grass->bits()[0]},
        {"grass tile far corner", 63, 31, grass->bits()[31 * grass->stride() + 63]},
        {"water tile centre", 96, 16, water->bits()[16 * water->stride() + 32]},
        {"water tile's transparent corner", 64, 0, ground},
        {"spear tip", 128 + 19, 13, forge::shade(forge::Steel, 11)},
        {"shadow on the ground", 128 + 3, 13 + 37, palette->darkRemap()[ground]},
        {"untouched ground", 120, 60, ground},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(displayed(r.x, r.y), colourOf(r.index));
    }
}

TEST_F(SampleScreenshotTest, AnimatedWaterChangesOnScreen) {
    auto* palette = dynamic_cast<WindowsPalette*>(app->getPalette());
    std::vector<std::uint8_t> band(Width * Height, 202);
    sdl->present({band.data(), Width, Height, Width}, 0, 0, nullptr, 0);
    AsynchronousBus bus("Display");
    PaletteAnimator animator(palette, 1, 202, 210);
    animator.attach(bus);
    animator.setEntry(0, 202, PaletteEntry{10, 200, 30, PC_RESERVED});
    animator.start();
    animator.resume();
    app->tickTimers(200);
    settle();
    EXPECT_EQ(displayed(80, 30), 0x0AC81Eu);
}

// The window the tile lives in: what it is asked to update goes to the screen whole.
class ScreenWindow : public Display {
public:
    ScreenWindow(platform::SdlPlatform& sdl, const Dim& size) : Display(size, "Screen"), sdl_(sdl) {}
    Point cursorPosition() override { return {}; }
    void update() override { sdl_.present(surface(), 0, 0, nullptr, 0); }
    Menu* loadMenu(const std::string&) override { return nullptr; }

private:
    platform::SdlPlatform& sdl_;
};

TEST_F(SampleScreenshotTest, ALandscapeTileShowsAFullRepaintAfterEveryScroll) {
    OIF<Bitmap> sample("Sample");
    Bitmap* grass = sample.lockImage("Grass", "Terrain");
    Bitmap* water = sample.lockImage("Water", "Terrain");
    ASSERT_TRUE(grass && water);
    Bus bus("Layer");
    BlockLandscape land(grass->size(), Dim(48, 24));
    land.setBackground(grass);
    land.attach(bus);
    land.beginLandscape(LandscapeDefinition{0, Point(960, 480), 200, 0});
    for (int i = 0; i < 200; ++i) {
        land.createRegion(regionAt(static_cast<std::uint16_t>(i), static_cast<std::int16_t>(i % 20),
                                   static_cast<std::int16_t>(i / 20)));
        land.block(i)->setBitmap((i * 7) % 3 ? grass : water, 0);
    }
    land.endLandscape();
    land.highlightBlock(23, 1);
    List<Sprite*> sprites;
    ScreenWindow window(*sdl, Dim(Width, Height));
    LandscapeTile tile(Dim(16, 8), &sprites, Point(0, 0), Point(0, 0), "Tile");
    tile.attach(bus);
    tile.setParent(&window, placedAt(Box(0, 0, Width, Height)));
    tile.invalidateView();
    for (Dim step : {Dim(1, 0), Dim(3, 2), Dim(-2, 1), Dim(0, -3), Dim(20, 0), Dim(-5, -1)}) {
        SCOPED_TRACE(std::to_string(step.w) + "," + std::to_string(step.h));
        tile.scrollByCells(step);
        settle();
        Bitmap full(Dim(Width, Height), PixelOpaque);
        land.drawArea(full, tile.origin());
        for (int y = 1; y < Height; y += 19)
            for (int x = 3; x < Width; x += 23)
                EXPECT_EQ(displayed(x, y), colourOf(full.bits()[y * full.stride() + x])) << x << "," << y;
    }
}

} // namespace
} // namespace vael::test
