// Drawing speed: a 64 x 48 run-length sprite with shadow (aim: under 5 times a memcpy of its 64 x 48
// bytes) and a full 1024 x 768 opaque blit (aim: within 2 times a memcpy of its bytes), each beside its
// memcpy in the same run. BM_RunLengthSpriteOverMemcpy draws the sprite and copies its bytes in turn
// and prints the ratio of their processor times (sprite_over_memcpy), so that a loaded machine weighs
// on both sides alike.
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstring>
#include <vector>

#include "framework/display/bitmap.h"
#include "tools/forge/picture.h"

namespace {

using namespace vael;

// A figure over a transparent ground: a body of literal pixels, a shield, a shadow under it.
forge::Picture sprite() {
    forge::Picture p(64, 48);
    p.fillEllipse(32, 44, 24, 3, 255);
    p.fillRect(22, 10, 20, 32, 70);
    p.fillEllipse(18, 26, 9, 11, 90);
    p.fillEllipse(32, 8, 6, 7, 120);
    p.line(50, 0, 50, 44, 140);
    return p;
}

void BM_RunLengthSprite(benchmark::State& state) {
    const forge::Bytes rows = sprite().runLengthRows(true);
    Bitmap image(Dim(64, 48), PixelRunLengthShadow, rows.data(), static_cast<std::uint32_t>(rows.size()));
    Bitmap surface(Dim(256, 128), PixelOpaque);
    surface.fill(40);
    for (auto _ : state) {
        benchmark::DoNotOptimize(surface.drawWholeBitmap(Point(100, 40), image, 1));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 64 * 48);
}
BENCHMARK(BM_RunLengthSprite);

void BM_RunLengthSpriteMemcpy(benchmark::State& state) {
    std::vector<std::uint8_t> from(64 * 48, 7), to(64 * 48);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 64 * 48);
}
BENCHMARK(BM_RunLengthSpriteMemcpy);

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

void BM_RunLengthSpriteOverMemcpy(benchmark::State& state) {
    constexpr int batch = 2000;
    const forge::Bytes rows = sprite().runLengthRows(true);
    Bitmap image(Dim(64, 48), PixelRunLengthShadow, rows.data(), static_cast<std::uint32_t>(rows.size()));
    Bitmap surface(Dim(256, 128), PixelOpaque);
    surface.fill(40);
    std::vector<std::uint8_t> from(64 * 48, 7), to(64 * 48);
    double spriteSeconds = 0, memcpySeconds = 0;
    for (auto _ : state) {
        const double start = threadSeconds();
        for (int i = 0; i < batch; ++i) {
            benchmark::DoNotOptimize(surface.drawWholeBitmap(Point(100, 40), image, 1));
            benchmark::ClobberMemory();
        }
        const double middle = threadSeconds();
        for (int i = 0; i < batch; ++i) {
            std::memcpy(to.data(), from.data(), from.size());
            benchmark::ClobberMemory();
        }
        spriteSeconds += middle - start;
        memcpySeconds += threadSeconds() - middle;
    }
    if (memcpySeconds > 0) state.counters["sprite_over_memcpy"] = spriteSeconds / memcpySeconds;
}
BENCHMARK(BM_RunLengthSpriteOverMemcpy)->Unit(benchmark::kMillisecond);

void BM_FullScreenOpaqueBlit(benchmark::State& state) {
    Bitmap source(Dim(1024, 768), PixelOpaque);
    source.fill(9);
    Bitmap target(Dim(1024, 768), PixelOpaque);
    for (auto _ : state) {
        benchmark::DoNotOptimize(target.drawWholeBitmap(Point(0, 0), source, 1));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 1024 * 768);
}
BENCHMARK(BM_FullScreenOpaqueBlit);

void BM_FullScreenMemcpy(benchmark::State& state) {
    std::vector<std::uint8_t> from(1024 * 768, 9), to(1024 * 768);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 1024 * 768);
}
BENCHMARK(BM_FullScreenMemcpy);

} // namespace

BENCHMARK_MAIN();
