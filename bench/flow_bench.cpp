// Loading the demonstration battle through "LoadScenario" up to "ScenarioLoaded": the scenario file, its
// map, the plan scripts' kinds and every unit and leader. It is part of the program's start-up, which
// must stay far under 200 ms.
#include <benchmark/benchmark.h>

#include "support/failed_checks.h"
#include "support/flow/test_shell.h"

namespace {

void BM_LoadDemonstrationBattle(benchmark::State& state) {
    vael::test::TestShell shell("", nullptr, VAEL_BUILD_DATA_DIR);
    vael::VaelLogicalLayer layer;
    shell.adopt(layer);
    // The missile kinds not yet made are reported; the reports go nowhere here.
    vael::test::FailedChecks quiet;
    const vael::ScenarioInfoStruct info{10, "Ghatmar", "ghatmar.scn", 0};
    for (auto _ : state) {
        if (!layer.LoadScenario(info)) state.SkipWithError("the demonstration battle did not load");
        benchmark::DoNotOptimize(layer.getUnitCounter());
        layer.CloseGame();
    }
}
BENCHMARK(BM_LoadDemonstrationBattle)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
