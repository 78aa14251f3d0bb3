// Showing a whole 1024 x 768 frame of palette indexes in the window: the conversion through the palette
// and the upload, on the headless backend and on the SDL2 backend (run under xvfb-run for a display),
// beside a plain palette expansion of the same frame into memory. The aim: under 1 ms, within 4x of the
// plain expansion.
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <vector>

#include "own_home.h"
#include "platform/headless/headless_platform.h"
#include "platform/sdl/sdl_platform.h"

namespace {

// The SDL backend's sound library keeps its files in a home of the benchmark's own, never the player's.
const vael::bench::OwnHome home;

using namespace vael::platform;

constexpr int Width = 1024, Height = 768;

struct Frame {
    std::vector<std::uint8_t> pixels = std::vector<std::uint8_t>(std::size_t(Width) * Height);
    PaletteColours colours;
    Frame() {
        std::uint32_t seed = 12345;
        for (auto& p : pixels)
            p = std::uint8_t((seed = seed * 1103515245 + 12345) >> 16);
        for (int i = 0; i < 256; ++i)
            colours[i] = {std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t(i * 7)};
    }
    Surface surface() const { return {pixels.data(), Width, Height, Width}; }
};

void PlainPaletteExpansion(benchmark::State& state) {
    Frame frame;
    std::uint32_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = std::uint32_t(frame.colours[i].r) << 16 | std::uint32_t(frame.colours[i].g) << 8 |
                   frame.colours[i].b;
    std::vector<std::uint32_t> out(frame.pixels.size());
    for (auto _ : state) {
        for (std::size_t i = 0; i < frame.pixels.size(); ++i)
            out[i] = table[frame.pixels[i]];
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(PlainPaletteExpansion)->Unit(benchmark::kMicrosecond);

void PresentHeadless(benchmark::State& state) {
    Frame frame;
    HeadlessPlatform platform;
    platform.openWindow(Width, Height, "Bench");
    platform.setPalette(frame.colours.data(), 0, 256);
    for (auto _ : state) {
        platform.present(frame.surface(), 0, 0, nullptr, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(PresentHeadless)->Unit(benchmark::kMicrosecond);

void PresentSdl(benchmark::State& state) {
    std::string error;
    auto platform = std::getenv("DISPLAY") ? SdlPlatform::create({}, error) : nullptr;
    if (!platform || !platform->openWindow(Width, Height, "Bench")) {
        state.SkipWithError("no display: run under xvfb-run");
        return;
    }
    Frame frame;
    platform->setPalette(frame.colours.data(), 0, 256);
    for (auto _ : state)
        platform->present(frame.surface(), 0, 0, nullptr, 0);
}
BENCHMARK(PresentSdl)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
