// A block landscape of the forged sample terrain shown by a landscape tile in the real window (run under
// Xvfb): after each scroll the colours read back from the display are those of a full repaint of the
// landscape at the tile's new origin.
#include <SDL.h>
#include <cstdlib>
#include <gtest/gtest.h>

#include "framework/core/bus.h"
#include "framework/display/application_palette.h"
#include "framework/display/block_landscape.h"
#include "framework/display/landscape_tile.h"
#include "framework/display/oif.h"
#include "framework/ui/placed_at.h"
#include "platform/sdl/x11_readback.h"
#include "support/display/sdl_data_app.h"

namespace vael::test {
namespace {

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

constexpr int Width = 192, Height = 96;

TEST(LandscapeScroll, TheTileShowsAFullRepaintAfterEveryScroll) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display: run this program under xvfb-run";
    std::string error;
    auto sdl = openDataPlatform(error);
    ASSERT_NE(sdl, nullptr) << error;
    ASSERT_TRUE(sdl->openWindow(Width, Height, "Landscape"));
    installApplicationPalette();
    auto app = std::make_unique<IndexedDataApp>(*sdl);
    {
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
            LogicalRegion r;
            r.id = static_cast<std::uint16_t>(i);
            r.position = Point3D(static_cast<std::int16_t>(i % 20), static_cast<std::int16_t>(i / 20), 0);
            land.createRegion(r);
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
        auto* palette = dynamic_cast<WindowsPalette*>(app->getPalette());
        ASSERT_NE(palette, nullptr);
        for (Dim step : {Dim(1, 0), Dim(3, 2), Dim(-2, 1), Dim(0, -3), Dim(20, 0), Dim(-5, -1)}) {
            SCOPED_TRACE(std::to_string(step.w) + "," + std::to_string(step.h));
            tile.scrollByCells(step);
            for (int i = 0; i < 20; ++i) {
                platform::Event e;
                while (sdl->pollEvent(e)) {
                }
                SDL_Delay(5);
            }
            Bitmap full(Dim(Width, Height), PixelOpaque);
            land.drawArea(full, tile.origin());
            for (int y = 1; y < Height; y += 19)
                for (int x = 3; x < Width; x += 23) {
                    const PaletteEntry& c = palette->handle()->entries[full.bits()[y * full.stride() + x]];
                    EXPECT_EQ(displayedColour(sdl->window(), x, y), std::uint32_t(c.red) << 16 | c.green << 8 | c.blue)
                        << x << "," << y;
                }
        }
        sample.unlockAll();
    }
    app.reset();
    WinApp::setPaletteMaker(nullptr, nullptr);
}

} // namespace
} // namespace vael::test
