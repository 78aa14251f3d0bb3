// Scrolling a full 1024 x 768 landscape tile of a 30 x 20 block landscape by one cell, repainted and
// presented into its window (aim: under 2 ms), beside a full repaint of the same tile in the same run.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "framework/core/bus.h"
#include "framework/display/block_landscape.h"
#include "framework/display/landscape_tile.h"
#include "framework/ui/windows_menu.h"

namespace {

using namespace vael;

class BenchWindow : public Display {
public:
    BenchWindow() : Display(Dim(1024, 768), "Window") {}
    Point cursorPosition() override { return {}; }
    void update() override {}
    Menu* loadMenu(const std::string&) override { return nullptr; }
};

Bitmap* solid(std::int16_t w, std::int16_t h, std::uint8_t colour, std::int32_t kind) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>((w + Bitmap::paddingFor(w)) * h), colour);
    for (std::size_t i = 0; i < bytes.size(); i += 7)
        if (kind == PixelKeyed) bytes[i] = 0;
    return new Bitmap(Dim(w, h), kind, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}

// Blocks of 72 x 54 on a 64 x 48 step, so that neighbours overlap, each with a keyed overlay over its
// picture, over a tiled background: a 1920 x 960 landscape.
struct Scene {
    Scene() {
        background.reset(solid(64, 64, 5, PixelOpaque));
        land.setBackground(background.get());
        for (int c = 0; c < 4; ++c)
            pictures.emplace_back(solid(72, 54, static_cast<std::uint8_t>(30 + c), PixelOpaque));
        overlay.reset(solid(40, 30, 90, PixelKeyed));
        land.addOverlay(0, std::make_unique<BlockOverlay>(overlay.get(), Box(0, 0, 40, 30)));
        land.attach(bus);
        land.beginLandscape(LandscapeDefinition{0, Point(1920, 960), 600, 0});
        for (int i = 0; i < 600; ++i) {
            LogicalRegion r;
            r.id = static_cast<std::uint16_t>(i);
            r.position = Point3D(static_cast<std::int16_t>(i % 30), static_cast<std::int16_t>(i / 30), 0);
            r.terrainCount = 1;
            r.terrain[0] = 0;
            land.createRegion(r);
            land.block(i)->setBitmap(pictures[static_cast<std::size_t>(i % 4)].get(), 0);
        }
        land.endLandscape();
        tile = std::make_unique<LandscapeTile>(Dim(32, 16), &sprites, Point(4, 4), Point(0, 0), "Tile");
        tile->attach(bus);
        TWindowMetrics m;
        m.x.set(lmLeft, lmAbsolute, nullptr, lmLeft, 0, lmPixels);
        m.y.set(lmTop, lmAbsolute, nullptr, lmTop, 0, lmPixels);
        m.width.set(lmWidth, lmAbsolute, nullptr, lmWidth, 1024, lmPixels);
        m.height.set(lmHeight, lmAbsolute, nullptr, lmHeight, 768, lmPixels);
        tile->setParent(&window, m);
    }
    ~Scene() { tile.reset(); }

    Bus bus{"Layer"};
    BlockLandscape land{Dim(72, 54), Dim(64, 48)};
    std::unique_ptr<Bitmap> background, overlay;
    std::vector<std::unique_ptr<Bitmap>> pictures;
    List<Sprite*> sprites;
    BenchWindow window;
    std::unique_ptr<LandscapeTile> tile;
};

void scrollBack(benchmark::State& state, Dim step) {
    Scene scene;
    bool forth = true;
    for (auto _ : state) {
        scene.tile->scrollByCells(forth ? step : Dim(static_cast<std::int16_t>(-step.w), static_cast<std::int16_t>(-step.h)));
        forth = !forth;
        benchmark::DoNotOptimize(scene.window.bits());
        benchmark::ClobberMemory();
    }
}

void BM_ScrollOneCell(benchmark::State& state) {
    scrollBack(state, Dim(1, 1));
}
BENCHMARK(BM_ScrollOneCell)->Unit(benchmark::kMillisecond);

void BM_FullRepaint(benchmark::State& state) {
    scrollBack(state, Dim(40, 0)); // past the tile's width: the whole tile is drawn again
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
