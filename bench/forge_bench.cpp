// The forge's speed: every figure archive the display catalogue names, with the projectiles, debris and
// flags, drawn at every size on one core (aim: the whole of it under 10 s), and the heaviest single
// archives beside it.
#include <benchmark/benchmark.h>

#include "game/figures/display_catalogue.h"
#include "tools/forge/archive_writer.h"
#include "tools/forge/figure_art.h"

namespace {

using namespace vael;

const DisplayCatalogue& catalogue() {
    static const DisplayCatalogue c = [] {
        DisplayCatalogue loaded;
        if (!loaded.load(VAEL_DISPLAY_CATALOGUE)) std::abort();
        return loaded;
    }();
    return c;
}

void BM_EveryFigureArchiveOnOneCore(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto all = forge::figureArtwork(catalogue(), 1);
        for (const auto& art : all)
            for (const auto& size : art.sizes)
                bytes += forge::archiveBytes(size).size();
        benchmark::DoNotOptimize(all.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_EveryFigureArchiveOnOneCore)->Unit(benchmark::kSecond)->Iterations(1);

void BM_OneUnitArchive(benchmark::State& state) {
    const DisplayCatalogueEntry* e = catalogue().find(static_cast<std::uint16_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(forge::unitArtwork(*e).sizes[0].groups.size());
    state.SetLabel(e->archive);
}
// The phalanx (most images), the elephant and the chariot (the largest pictures).
BENCHMARK(BM_OneUnitArchive)->Arg(17)->Arg(40)->Arg(22)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
