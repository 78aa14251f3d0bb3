// Loading the demonstration battle through "LoadScenario" up to "ScenarioLoaded": the scenario file, its
// map, the plan scripts' kinds and every unit and leader. It is part of the program's start-up, which
// must stay far under 200 ms. Closing it again follows. The application is the windows application on
// the headless platform, its data directory chosen as the program chooses it.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "framework/core/assertion.h"
#include "framework/ui/win_app.h"
#include "game/flow/data_files.h"
#include "game/flow/unit_prototypes.h"
#include "game/flow/vael_logical_layer.h"
#include "platform/headless/headless_platform.h"

namespace {

class BenchApp : public vael::WinApp {
public:
    explicit BenchApp(vael::platform::Platform& platform) : WinApp("Iron Vigils", "", "", platform) {
        dataPath() = vael::chooseDataDirectory(dataPath(), std::getenv("VAEL_DATA"), VAEL_BUILD_DATA_DIR);
    }
    void findDataFile(vael::OIFBase*, const std::uint8_t*&, const std::uint8_t*) override {}
    void routeMouseEvent(vael::Display*, std::int16_t, const vael::Point&) override {}
};

void BM_LoadDemonstrationBattle(benchmark::State& state) {
    vael::platform::HeadlessPlatform platform;
    BenchApp app(platform);
    vael::VaelLogicalLayer layer;
    vael::registerUnitPrototypes(layer);
    layer.attach(app);
    // The units of kinds not made yet are reported and left out; the reports go nowhere here.
    auto previous = vael::Assertion::setPrompt([](const std::string&, const std::string&) { return false; });
    const vael::ScenarioInfoStruct info{10, "Ghatmar", "ghatmar.scn", 0};
    for (auto _ : state) {
        if (!layer.LoadScenario(info)) state.SkipWithError("the demonstration battle did not load");
        benchmark::DoNotOptimize(layer.getUnitCounter());
        layer.CloseGame();
    }
    vael::Assertion::setPrompt(std::move(previous));
}
BENCHMARK(BM_LoadDemonstrationBattle)->Unit(benchmark::kMillisecond);

// Closing the demonstration battle through "CloseGame": every unit, leader and group leaves the bus. Goal:
// under 1 ms; closing must grow with the number of handlers, not with their square.
void BM_CloseDemonstrationBattle(benchmark::State& state) {
    vael::platform::HeadlessPlatform platform;
    BenchApp app(platform);
    vael::VaelLogicalLayer layer;
    vael::registerUnitPrototypes(layer);
    layer.attach(app);
    auto previous = vael::Assertion::setPrompt([](const std::string&, const std::string&) { return false; });
    const vael::ScenarioInfoStruct info{10, "Ghatmar", "ghatmar.scn", 0};
    for (auto _ : state) {
        state.PauseTiming();
        if (!layer.LoadScenario(info)) state.SkipWithError("the demonstration battle did not load");
        state.ResumeTiming();
        layer.CloseGame();
        benchmark::DoNotOptimize(layer.getUnitCounter());
    }
    vael::Assertion::setPrompt(std::move(previous));
}
BENCHMARK(BM_CloseDemonstrationBattle)->Unit(benchmark::kMicrosecond);

// Destroying a battle of its own that no application holds, as the saved game's check of a file does.
void BM_DestroyCheckBattle(benchmark::State& state) {
    vael::platform::HeadlessPlatform platform;
    BenchApp app(platform);
    auto previous = vael::Assertion::setPrompt([](const std::string&, const std::string&) { return false; });
    const vael::ScenarioInfoStruct info{10, "Ghatmar", "ghatmar.scn", 0};
    for (auto _ : state) {
        state.PauseTiming();
        auto* layer = new vael::VaelLogicalLayer("Saved game check");
        vael::registerUnitPrototypes(*layer);
        if (!layer->LoadScenario(info)) state.SkipWithError("the demonstration battle did not load");
        state.ResumeTiming();
        delete layer;
    }
    vael::Assertion::setPrompt(std::move(previous));
}
BENCHMARK(BM_DestroyCheckBattle)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
