// The battle tool as a whole process on the demonstration battle: start-up, loading, and play to the end
// (the turn cap of 40 is a safety net: every battle ends before it), with its peak memory. Aim: under
// 45 ms and 32 MB a battle (Release). The same seeds with the game's display layers attached (--display),
// whose display objects play every animation on the virtual clock: aim under 1.5 times the time without
// them and 16 MB. BM_DisplayedOverHeadless plays each seed both ways in turn and prints the ratio of the
// times (display_over_headless) and both peaks, so that the ratio comes from one run on a loaded machine.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "run_process.h"

namespace {

// Runs the tool once with its output thrown away; the exit code, and the peak resident memory in KB.
bool runBattle(const std::string& seed, bool display, int& exitCode, long& peakKB) {
    std::vector<std::string> args = {VAEL_BATTLE_PROGRAM, "ghatmar.scn", "--seed", seed, "--turns", "40"};
    if (display) args.push_back("--display");
    return vael::bench::runProcess(std::move(args), exitCode, peakKB);
}

void wholeBattles(benchmark::State& state, bool display) {
    long peakKB = 0;
    int ended = 0, runs = 0;
    std::uint32_t seed = 0;
    for (auto _ : state) {
        int code = 0;
        long kb = 0;
        if (!runBattle(std::to_string(++seed), display, code, kb)) {
            state.SkipWithError("vael-battle could not be started");
            return;
        }
        peakKB = std::max(peakKB, kb);
        ended += code == 0;
        ++runs;
    }
    state.counters["peak_MB"] = static_cast<double>(peakKB) / 1024.0;
    state.counters["ended"] = runs ? static_cast<double>(ended) / runs : 0.0;
}
void BM_WholeDemonstrationBattle(benchmark::State& state) {
    wholeBattles(state, false);
}
// Both play the seeds 1 to 20 (the display's own dice may make a seed's battle go otherwise).
BENCHMARK(BM_WholeDemonstrationBattle)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

void BM_WholeDemonstrationBattleDisplayed(benchmark::State& state) {
    wholeBattles(state, true);
}
BENCHMARK(BM_WholeDemonstrationBattleDisplayed)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

// Each seed headless, then displayed; the iteration's time is the displayed battle's.
void BM_DisplayedOverHeadless(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    long headlessPeakKB = 0, displayPeakKB = 0;
    double headlessSeconds = 0, displaySeconds = 0;
    std::uint32_t seed = 0;
    for (auto _ : state) {
        const std::string name = std::to_string(++seed);
        int code = 0;
        long kb = 0;
        const auto start = Clock::now();
        if (!runBattle(name, false, code, kb)) {
            state.SkipWithError("vael-battle could not be started");
            return;
        }
        const auto between = Clock::now();
        headlessPeakKB = std::max(headlessPeakKB, kb);
        if (!runBattle(name, true, code, kb)) {
            state.SkipWithError("vael-battle could not be started");
            return;
        }
        const auto end = Clock::now();
        displayPeakKB = std::max(displayPeakKB, kb);
        headlessSeconds += std::chrono::duration<double>(between - start).count();
        const double displayed = std::chrono::duration<double>(end - between).count();
        displaySeconds += displayed;
        state.SetIterationTime(displayed);
    }
    state.counters["display_over_headless"] = headlessSeconds > 0 ? displaySeconds / headlessSeconds : 0.0;
    state.counters["headless_peak_MB"] = static_cast<double>(headlessPeakKB) / 1024.0;
    state.counters["display_peak_MB"] = static_cast<double>(displayPeakKB) / 1024.0;
}
BENCHMARK(BM_DisplayedOverHeadless)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(20);

} // namespace

BENCHMARK_MAIN();
