// The battle map's full-size landscape of the demonstration battle drawn into a 1024 x 768 tile from
// scratch (aim: under 4 ms), and one block redrawn with its overlays (aim: under 20 microseconds).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

#include "framework/display/image_index.h"
#include "framework/ui/win_app.h"
#include "game/map/pointed_vael_landscape.h"
#include "platform/headless/headless_platform.h"

bool demonstrationRegions(const std::string& mapFile, vael::List<vael::LogicalRegion>& regions,
                          vael::Point& size);

namespace {

using namespace vael;

class BenchApp : public WinApp {
public:
    explicit BenchApp(platform::Platform& platform) : WinApp("Iron Vigils", "", "", platform) {}
    void findDataFile(OIFBase* library, const std::uint8_t*& cursor, const std::uint8_t* end) override {
        findIndexedDataFile(library, cursor, end, VAEL_BUILD_DATA_DIR, "");
    }
    void routeMouseEvent(Display*, std::int16_t, const Point&) override {}
};

struct Scene {
    Scene() : app(platform) {
        index.read(VAEL_BUILD_DATA_DIR);
        List<LogicalRegion> regions;
        Point size;
        ok = demonstrationRegions(std::string(VAEL_BUILD_DATA_DIR) + "/ghatmar.map", regions, size);
        land = PointedVaelLandscape::create(0);
        land->attach(app);
        std::srand(1);
        land->beginLandscape(LandscapeDefinition{10, size, static_cast<std::int16_t>(size.x * size.y), 0});
        land->createRegions(regions);
        land->endLandscape();
    }
    platform::HeadlessPlatform platform;
    BenchApp app;
    ImageIndex index;
    std::unique_ptr<PointedVaelLandscape> land;
    bool ok = false;
};

void BM_DrawFullSizeTile(benchmark::State& state) {
    Scene scene;
    if (!scene.ok) state.SkipWithError("the demonstration map did not load");
    Bitmap tile(Dim(1024, 768), PixelOpaque);
    // The middle of the map, with the river, the ford and both banks in view.
    const Point origin(800, 400);
    for (auto _ : state) {
        scene.land->drawArea(tile, origin);
        benchmark::DoNotOptimize(tile.bits());
    }
}
BENCHMARK(BM_DrawFullSizeTile)->Unit(benchmark::kMillisecond);

void BM_RedrawOneBlock(benchmark::State& state) {
    Scene scene;
    if (!scene.ok) state.SkipWithError("the demonstration map did not load");
    Bitmap tile(Dim(1024, 768), PixelOpaque);
    // A road hex by the river: its picture, road and grid overlays, and a cliff or edge where it has one.
    const std::int32_t i = scene.land->hexToBlock(1310);
    const Point3D at = scene.land->block(i)->location();
    const Point origin(static_cast<std::int16_t>(at.x - 400), static_cast<std::int16_t>(at.y - 300));
    scene.land->showHexGrid(1);
    for (auto _ : state) {
        scene.land->drawBlock(tile, origin, i);
        benchmark::DoNotOptimize(tile.bits());
    }
}
BENCHMARK(BM_RedrawOneBlock)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
