// The battle tool's memory over a battle that goes on and on: a stand-off of our own on the demonstration
// map, two small armies at either edge whose plans only ever hold, so that nothing ends it but the turn
// cap. The tool plays it to turn 1,000 and to turn 10,000, each in a process of its own, and the peaks of
// both are reported (peak_1000_MB, peak_10000_MB) with their ratio (growth): aim, the same within a small
// margin, growth under 1.05, headless (argument 0) and with the display layers (1). Whatever the tool kept
// per turn (commentary, logs, histories, journals) would show here.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "game/rules/landscape/logical_map_file.h"
#include "run_process.h"
#include "tools/forge/scenario_writer.h"

namespace {

namespace fs = std::filesystem;

const char* const StandOff =
    R"(# Two small armies at the far edges of the Ghatmar map, both holding: nobody comes near enough to fight.
title The Long Watch
map ghatmar.map
note Benchmark battle
group 1 Watch
group 2 Wait
home 2 7 70
visitor 3 3 60
home-script watch_h.pln
home-script watch_h.pln
visitor-script watch_v.pln
visitor-script watch_v.pln
leader      2  10 1 1114 3   2 5 6 3   Orvanth the Patient
phalanx     2   6 1 402 3   8 7 1      Taxis of Selmar
phalanx     2   6 1 404 3   8 7 1      Taxis of Dorvin
skirmisher  2   8 1 406 3   2 5 0 1 0 0   Watch Bowmen
leader      3  10 2 2615 7  1 4 4 2   Kethrai the Still
elephant    3   6 2 2306 7   4 6 0 3 0 0 0   Elephant of the Watch
elephant    3   6 2 2307 7   4 6 0 3 0 0 0   Elephant of the Wait
)";

std::string plan(const std::string& group) {
    return "' Holds: steadies, shoots at what comes in range, fights what touches it, never advances.\n"
           "Hold {\n"
           "    import \"ghatmar_tactics.pln\";\n"
           "    Conditions { var always; always = 1; };\n"
           "    Orders for " +
           group + " { always Drill(1, -1); };\n}\n";
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The build's data set without its battles, and the stand-off with its plans; empty when it cannot be made.
std::string makeData() {
    const fs::path dir = fs::temp_directory_path() / ("vael-long-battle-" + std::to_string(getpid()));
    std::error_code error;
    fs::remove_all(dir, error);
    fs::create_directories(dir);
    for (const fs::directory_entry& entry : fs::directory_iterator(VAEL_BUILD_DATA_DIR)) {
        std::string lower = entry.path().filename().string();
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (lower.ends_with(".scn") || lower.ends_with(".var")) continue;
        fs::create_symlink(fs::absolute(entry.path()), dir / entry.path().filename(), error);
        if (error) return {};
    }
    vael::LogicalMapFile map;
    if (!map.readFile((dir / vael::forge::scenarioMapName(StandOff)).string())) return {};
    const vael::forge::Bytes bytes = vael::forge::scenarioBytes(StandOff, map.hexOffset());
    std::ofstream(dir / "watch.scn", std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    writeText(dir / "watch_h.pln", plan("Watch"));
    writeText(dir / "watch_v.pln", plan("Wait"));
    return dir.string();
}

// Plays the stand-off to the turn cap with its output thrown away; the exit code and peak resident KB.
bool runBattle(const std::string& data, int turns, bool display, int& exitCode, long& peakKB) {
    std::vector<std::string> args = {
        VAEL_BATTLE_PROGRAM, "watch.scn",           "--data",  data,        "--seed", "1",
        "--turns",           std::to_string(turns), "--tasks", "2000000000"};
    if (display) args.push_back("--display");
    return vael::bench::runProcess(std::move(args), exitCode, peakKB);
}

// Argument 1: with the display layers attached, whose journals and sprites would grow too.
void BM_TenThousandTurnsMemory(benchmark::State& state) {
    const bool display = state.range(0) != 0;
    const std::string data = makeData();
    if (data.empty()) {
        state.SkipWithError("the stand-off's data set could not be made");
        return;
    }
    long peak1000 = 0, peak10000 = 0;
    for (auto _ : state) {
        int code1000 = 0, code10000 = 0;
        long kb = 0;
        if (!runBattle(data, 1000, display, code1000, kb)) {
            state.SkipWithError("vael-battle could not be started");
            break;
        }
        peak1000 = std::max(peak1000, kb);
        if (!runBattle(data, 10000, display, code10000, kb)) {
            state.SkipWithError("vael-battle could not be started");
            break;
        }
        peak10000 = std::max(peak10000, kb);
        // The turn cap is the only way out (exit 1): a battle that ended or stalled measured nothing.
        if (code1000 != 1 || code10000 != 1) {
            state.SkipWithError("the stand-off did not run to its turn cap");
            break;
        }
    }
    std::error_code error;
    fs::remove_all(data, error);
    state.counters["peak_1000_MB"] = static_cast<double>(peak1000) / 1024.0;
    state.counters["peak_10000_MB"] = static_cast<double>(peak10000) / 1024.0;
    state.counters["growth"] =
        peak1000 ? static_cast<double>(peak10000) / static_cast<double>(peak1000) : 0.0;
}
BENCHMARK(BM_TenThousandTurnsMemory)->Arg(0)->Arg(1)->Unit(benchmark::kSecond)->UseRealTime()->Iterations(1);

} // namespace

BENCHMARK_MAIN();
