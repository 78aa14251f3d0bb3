// The forged sample archive drawn through the forged palette in the real window (run under Xvfb): the
// colours read back from the display are those of the palette entries the pictures hold, a shadow
// darkens the ground through the palette's dark table, and an animated water colour changes on screen.
#include <SDL.h>
#include <cstdlib>
#include <gtest/gtest.h>

#include "framework/display/application_palette.h"
#include "framework/display/image_index.h"
#include "framework/display/oif.h"
#include "framework/display/palette_animator.h"
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

    static constexpr int Width = 160, Height = 64;
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

} // namespace
} // namespace vael::test
