// Showing a whole 1024 x 768 frame of palette indexes in the window: the conversion through the palette
// and the upload, on the headless backend and on the SDL2 backend (run under xvfb-run for a display),
// beside a plain palette expansion of the same frame into memory. The aim: under 1 ms, within 4x of the
// plain expansion. And the screen's expansion alone with its rows and its code at several places: its
// speed must not hang on where the linker or the window's buffer happen to put them.
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "own_home.h"
#include "platform/headless/headless_platform.h"
#include "platform/indexed_screen.h"
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

// A band of the frame's rows as small as the first cache holds, so that the loop's cost shows and not the
// memory's, at column x into a target at offset bytes past a cache line.
constexpr std::int32_t BandHeight = 8;

void ExpandAtRowPlacement(benchmark::State& state) {
    const std::int32_t x = std::int32_t(state.range(0)), offset = std::int32_t(state.range(1));
    Frame frame;
    IndexedScreen screen([](Rgb c) { return std::uint32_t(c.r) << 16 | std::uint32_t(c.g) << 8 | c.b; });
    screen.resize(Width, Height);
    screen.setColours(frame.colours.data(), 0, 256);
    screen.copy(frame.surface(), 0, 0, nullptr, 0);
    constexpr std::int32_t Pitch = Width * 4 + 64;
    std::vector<std::uint8_t> target(std::size_t(Pitch) * Height + 128);
    auto* const lined = reinterpret_cast<std::uint8_t*>(
        (reinterpret_cast<std::uintptr_t>(target.data()) + 63) & ~std::uintptr_t(63));
    const Rect box{x, 0, Width - 8, BandHeight};
    for (auto _ : state) {
        screen.expand(box, lined + offset, Pitch);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ExpandAtRowPlacement)->ArgNames({"x", "offset"})->ArgsProduct({{0, 1, 3, 7}, {0, 4, 28, 60}});

// The row loop as the screen has it, its code Pad bytes further into a function that starts a cache line.
template <int Pad>
[[gnu::noinline, gnu::aligned(64)]] void expandPlaced(const std::uint8_t* from, std::uint32_t* to,
                                                      const std::uint32_t* table, std::int32_t width) {
    asm volatile(".skip %c0, 0x90" ::"i"(Pad));
    for (std::int32_t row = 0; row < BandHeight; ++row)
        expandRow(from + std::ptrdiff_t(row) * width, to + std::ptrdiff_t(row) * width, width, table);
}

template <int Pad> void ExpandAtCodePlacement(benchmark::State& state) {
    Frame frame;
    std::uint32_t table[256];
    for (int i = 0; i < 256; ++i)
        table[i] = std::uint32_t(frame.colours[i].r) << 16 | frame.colours[i].b;
    std::vector<std::uint32_t> out(std::size_t(Width) * BandHeight);
    for (auto _ : state) {
        expandPlaced<Pad>(frame.pixels.data(), out.data(), table, Width);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ExpandAtCodePlacement<0>);
BENCHMARK(ExpandAtCodePlacement<8>);
BENCHMARK(ExpandAtCodePlacement<16>);
BENCHMARK(ExpandAtCodePlacement<24>);
BENCHMARK(ExpandAtCodePlacement<32>);
BENCHMARK(ExpandAtCodePlacement<40>);
BENCHMARK(ExpandAtCodePlacement<48>);
BENCHMARK(ExpandAtCodePlacement<56>);

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
