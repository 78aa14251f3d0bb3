// vael-balance [--seeds N] [--data DIR] [SCENARIO...] Plays every battle of the data directory (or the
// scenarios named) with the computer on both sides over seeds 1 to N (100) and prints the balance table:
// wins per side, battles nobody won, average turns and losses. Exits 1 when a battle does not end or one
// side wins more than 80% of the seeds.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "balance.h"
#include "game/flow/data_files.h"
#include "game/shell/game_dialogs.h"
#include "framework/core/version.h"

namespace {

constexpr const char* Synopsis = "usage: vael-balance [--seeds N] [--data DIR] [SCENARIO...]\n";
constexpr std::int32_t MostWinShare = 80;

int usage(const std::string& why) {
    std::cerr << "vael-balance: " << why << "\n" << Synopsis << "Try 'vael-balance --help' for more.\n";
    return 2;
}

// What --help and --version print is all they do: output that did not reach its reader is a failure.
int printed() {
    if (std::cout.flush()) return 0;
    std::cerr << "vael-balance: cannot write the standard output\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string dataDir = vael::chooseDataDirectory("", std::getenv("VAEL_DATA"), VAEL_BUILD_DATA_DIR);
    std::int32_t seeds = 100;
    std::vector<std::string> named;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::cout
                << Synopsis
                << "Plays each battle over seeds 1 to N (100) with the computer on both sides and prints\n"
                   "wins per side, battles nobody won, average turns and troop quality lost. Exits 1\n"
                   "when a battle does not end or a side wins more than 80% of the seeds.\n\n"
                   "  --seeds N         play seeds 1 to N (100)\n"
                   "  --data DIR        the data directory (else $VAEL_DATA, else the build's)\n"
                   "  --help            show this and exit\n"
                   "  --version         show the version and exit\n";
            return printed();
        }
        if (arg == "--version") {
            std::cout << "vael-balance " << vael::VaelVersion << "\n";
            return printed();
        }
        if (arg == "--seeds" || arg == "--data") {
            if (i + 1 >= argc) return usage(arg + " needs a value");
            const std::string value = argv[++i];
            if (arg == "--data") {
                dataDir = value;
                continue;
            }
            char* end = nullptr;
            const long n = std::strtol(value.c_str(), &end, 10);
            if (end == value.c_str() || *end || n < 1 || n > 100000) return usage("bad number of seeds");
            seeds = static_cast<std::int32_t>(n);
        } else if (!arg.empty() && arg[0] == '-') {
            return usage("unknown option " + arg);
        } else {
            named.push_back(arg);
        }
    }
    std::vector<vael::battle::BalanceRow> rows;
    bool fair = true;
    for (const vael::ScenarioChoice& scenario : vael::findScenarios(dataDir)) {
        if (!named.empty()) {
            const std::string path = vael::findDataFile(dataDir, scenario.fileName);
            bool wanted = false;
            for (const std::string& name : named)
                wanted = wanted || vael::findDataFile(dataDir, name) == path;
            if (!wanted) continue;
        }
        vael::battle::BattleOptions options;
        options.dataDir = dataDir;
        options.scenario = scenario.fileName;
        vael::battle::BalanceRow row = vael::battle::playSeeds(options, seeds);
        row.title = scenario.title;
        for (const std::string& why : row.unfinishedWhy)
            std::cerr << "vael-balance: " << row.title << ", " << why << "\n";
        fair = fair && row.unfinished == 0 && vael::battle::topWinShare(row) <= MostWinShare;
        rows.push_back(row);
    }
    if (rows.empty()) {
        std::cerr << "vael-balance: no battle to play in " << dataDir << "\n";
        return 1;
    }
    vael::battle::printBalance(rows, std::cout);
    return fair ? 0 : 1;
}
