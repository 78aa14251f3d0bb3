// Arbitrary bytes as the two records of a saved game that say how the battle stood within its turn: the
// running state ("VSTA") read over the battle's units and leaders, and what the display had under way
// ("VDSA") read over its two views, each alone and at once, over a displayed battle saved and loaded before
// the first input. A record refused says why and leaves the units' running state as it was; one taken is
// written again into a record that is taken too. The whole saved game costs a battle's load per input
// (saved_game): these records alone run as fast as the other readers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "battle_runner.h"
#include "game/flow/saved_game.h"
#include "game/map/vael_physical_layer.h"
#include "game/shell/vael_app.h"
#include "platform/headless/headless_platform.h"
#include "support/failed_checks.h"

namespace {

using namespace vael;

struct Battle {
    platform::HeadlessPlatform os;
    std::unique_ptr<VaelApp> app;
};

Battle& theBattle() {
    static Battle b;
    return b;
}

// The demonstration battle's seed 7 saved at its 5th activation with the display, the figures of 19
// units under way, and loaded again; the file goes with the folder it was written in.
void loadTheBattle() {
    test::continueOnFailedChecks();
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vael-fuzz-records-" + std::to_string(::getpid()));
    std::error_code ignored;
    std::filesystem::create_directories(dir, ignored);
    battle::BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = "GHATMAR.SCN";
    options.seed = 7;
    options.display = true;
    options.saveAt = 5;
    options.saveFile = (dir / "battle.vel").string();
    options.keepCommentary = false;
    battle::playBattle(options);
    Battle& b = theBattle();
    VaelApp::writeInstallSettings(b.os.settings(), VAEL_BUILD_DATA_DIR);
    b.app = std::make_unique<VaelApp>(b.os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::Shown);
    b.app->endOfGameDialog = [](std::uint32_t, bool) {};
    std::string error;
    const bool loaded = b.app->loadGame(options.saveFile, error);
    std::filesystem::remove_all(dir, ignored);
    if (!loaded || !b.app->views()) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    loadTheBattle();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    VaelApp* app = theBattle().app.get();
    if (!app) std::abort();
    const std::vector<std::uint8_t> bytes(data, data + size);
    VaelLogicalLayer& layer = app->logicalLayer();
    std::string error;
    const std::vector<std::uint8_t> before = runningStateRecord(layer);
    if (!readRunningStateRecord(layer, bytes, error)) {
        if (error.empty() || runningStateRecord(layer) != before) std::abort();
    } else {
        const std::vector<std::uint8_t> again = runningStateRecord(layer);
        if (!readRunningStateRecord(layer, again, error) || runningStateRecord(layer) != again) std::abort();
    }
    VaelPhysicalLayers& views = *app->views();
    if (!views.loadUnderWayRecord(bytes)) {
        if (views.underWayProblem().empty()) std::abort();
    } else if (const std::vector<std::uint8_t> again = views.underWayRecord(); !again.empty()) {
        if (!views.loadUnderWayRecord(again)) std::abort();
    }
    return 0;
}
