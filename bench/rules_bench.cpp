// Speed of the logical map's answers that the computer opponent asks thousands of times per turn: the
// movement fill, the hex distance, and the list of valid moves it asks of every unit it orders.
#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

#include "framework/core/bus.h"
#include "game/rules/combat/heavy_cav.h"
#include "game/rules/combat/heavy_infantry.h"
#include "game/rules/landscape/logical_map_file.h"
#include "game/rules/landscape/map_file_builder.h"
#include "game/rules/landscape/vael_logical_landscape.h"

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

// Sixty units on the battlefield: two lines facing each other across the middle, twenty-nine and thirty
// strong, and a cavalry unit of movement 8 in front of its own line: the list of its valid moves, with the
// zones of control of the enemy line and the terrain in its way.
void BM_CavalryValidMoves8(benchmark::State& state) {
    auto map = battlefield();
    vael::Bus bus("Bench");
    std::vector<std::unique_ptr<vael::Combat>> units;
    auto record = [&](int number, std::int16_t hex, std::uint32_t nation, vael::DIRECTION facing) {
        vael::HeavyCavUnitData r;
        r.name = "Unit " + std::to_string(number);
        r.unitNumber = static_cast<std::uint16_t>(number);
        r.hex = static_cast<std::uint16_t>(hex);
        r.nation = nation;
        r.facing = facing;
        r.movementAllowance = 8;
        r.TQ = 6;
        r.size = 4;
        r.landscape = map.get();
        return r;
    };
    for (int i = 0; i < 59; ++i) {
        const bool home = i < 29;
        const auto hex = static_cast<std::int16_t>((5 + (home ? i : i - 29)) * 100 + (home ? 12 : 26));
        auto r = record(i + 1, hex, home ? 1 : 2, home ? vael::SouthEast : vael::NorthWest);
        units.push_back(std::make_unique<vael::Hoplite>(r, r.name.c_str()));
        map->addToRegion(units.back().get(), hex);
    }
    auto r = record(60, 2016, 1, vael::SouthEast);
    units.push_back(std::make_unique<vael::HeavyCav>(r, r.name.c_str()));
    map->addToRegion(units.back().get(), 2016);
    for (auto& u : units) {
        u->attach(bus);
        u->updateSurroundings();
    }
    vael::Combat& cavalry = *units.back();
    for (auto _ : state) {
        vael::List<short> reach = cavalry.GetValidMovement();
        benchmark::DoNotOptimize(reach.count());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CavalryValidMoves8)->Unit(benchmark::kMicrosecond);

} // namespace
