// Speed of the logical map's answers that the computer opponent asks thousands of times per turn: the
// movement fill and the hex distance.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "game/rules/logical_map_file.h"
#include "game/rules/map_file_builder.h"
#include "game/rules/vael_logical_landscape.h"

namespace {

using vael::VaelLogicalLandscape;

// A 40 x 40 battlefield with woods, marsh, rough ground, a stream and some hills.
std::unique_ptr<VaelLogicalLandscape> battlefield() {
    vael::MapFileBuilder b(40, 40);
    std::mt19937 rng(7);
    for (int column = 0; column < 40; ++column)
        for (int row = 0; row < 40; ++row) {
            const auto hex = static_cast<std::int16_t>(column * 100 + row);
            b.setHeight(hex, static_cast<std::uint8_t>(1 + (column / 10 + row / 13) % 3));
            switch (rng() % 10) {
            case 0:
                b.addTerrain(hex, 1);
                break;
            case 1:
                b.addTerrain(hex, 3);
                break;
            case 2:
                b.addTerrain(hex, 2);
                break;
            default:
                break;
            }
            if (column == 20) b.addSide(hex, 4, 6);
        }
    vael::LogicalMapFile file;
    const auto bytes = b.bytes();
    file.read(bytes.data(), bytes.size(), "battlefield.map");
    return std::make_unique<VaelLogicalLandscape>(file);
}

std::int16_t terrainCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* map, vael::VaelUnit*) {
    return map->stepCostBetween(from, to);
}

void BM_MovementFill12(benchmark::State& state) {
    auto map = battlefield();
    for (auto _ : state) {
        vael::List<short> reach;
        map->hexesWithinCost(reach, 2020, 12, VaelLogicalLandscape::unitStepCost);
        benchmark::DoNotOptimize(reach.count());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MovementFill12)->Unit(benchmark::kMicrosecond);

void BM_MovementFill12Terrain(benchmark::State& state) {
    auto map = battlefield();
    for (auto _ : state) {
        vael::List<short> reach;
        map->hexesWithinCost(reach, 2020, 12, terrainCost);
        benchmark::DoNotOptimize(reach.count());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MovementFill12Terrain)->Unit(benchmark::kMicrosecond);

void BM_HexDistance1000(benchmark::State& state) {
    auto map = battlefield();
    std::mt19937 rng(11);
    std::vector<std::pair<std::int16_t, std::int16_t>> pairs;
    for (int i = 0; i < 1000; ++i)
        pairs.emplace_back(static_cast<std::int16_t>((rng() % 40) * 100 + rng() % 39),
                           static_cast<std::int16_t>((rng() % 40) * 100 + rng() % 39));
    for (auto _ : state) {
        int sum = 0;
        for (const auto& p : pairs)
            sum += map->hexDistance(p.first, p.second);
        benchmark::DoNotOptimize(sum);
    }
    // Items are single hexDistance calls: the report's items/s gives the time of one call.
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_HexDistance1000);

} // namespace
