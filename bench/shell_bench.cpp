// The game's start and its first battle, as the program runs them, on the headless platform: from start
// to the start dialog drawn (aim: under 300 ms), and the demonstration battle loaded and begun up to its
// first activation (aim: under 500 ms; the battle map's sprites come with the map window). Each reports
// the process's peak resident memory (aim: the running game under 150 MB). And the map window scrolled, and
// the commentary filled to its cap with and without its window.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <cstdlib>

#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/ui/dialog.h"
#include "framework/ui/window_manager.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/scenario_records.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "own_home.h"
#include "platform/headless/headless_platform.h"

namespace {

// The game writes its settings, autosave and lock into a home of the benchmark's own, never the player's.
const vael::bench::OwnHome home;

double peakMegabytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// The start dialog is closed with Exit as soon as it is drawn: the run is the whole start and end.
void BM_StartToTheStartDialog(benchmark::State& state) {
    for (auto _ : state) {
        vael::platform::HeadlessPlatform platform;
        vael::VaelGame game(platform, VAEL_BUILD_DATA_DIR);
        game.onDialog = [](vael::Dialog& dialog, const std::string&) {
            dialog.close(vael::Dialog::IdCancel);
        };
        benchmark::DoNotOptimize(game.run());
    }
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_StartToTheStartDialog)->Unit(benchmark::kMillisecond);

void BM_DemonstrationBattleLoadedAndBegun(benchmark::State& state) {
    vael::platform::HeadlessPlatform platform;
    vael::VaelGame game(platform, VAEL_BUILD_DATA_DIR);
    // No autosave of the player's activation into the user's saved games.
    vael::Preferences quiet = game.app().preferences();
    quiet.autoSave = 0;
    game.app().setPreferences(quiet);
    // The player answers each box of the way in with OK, as he would press it: the Elite Initiative box
    // goes to the first of his leaders. A box nobody answers holds the battle for ever.
    game.onDialog = [](vael::Dialog& dialog, const std::string&) { dialog.command(vael::Dialog::IdOk, 0); };
    auto previous = vael::Assertion::setPrompt([](const std::string&, const std::string&) { return false; });
    std::string error;
    for (auto _ : state) {
        std::srand(1);
        // The player takes the home side: the battle waits at his first activation.
        if (!game.app().startBattle("GHATMAR.SCN", vael::VaelApp::CustomScenario, false, true, error))
            state.SkipWithError(error.c_str());
        state.PauseTiming();
        game.app().closeBattle();
        state.ResumeTiming();
    }
    vael::Assertion::setPrompt(std::move(previous));
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(BM_DemonstrationBattleLoadedAndBegun)->Unit(benchmark::kMillisecond);

// The map window at full size over the armies, scrolled one cell across and back: each step paints the
// exposed strips with the display objects on them, and the frame is presented through the palette (aim:
// under 2 ms a step; a frame at 60 Hz is 16.7 ms).
void BM_ScrollTheMapWindowOneCellAtFullSize(benchmark::State& state) {
    vael::platform::HeadlessPlatform platform;
    vael::VaelGame game(platform, VAEL_BUILD_DATA_DIR);
    game.onDialog = [](vael::Dialog& dialog, const std::string&) { dialog.close(vael::Dialog::IdOk); };
    auto previous = vael::Assertion::setPrompt([](const std::string&, const std::string&) { return false; });
    std::srand(1);
    std::string error;
    if (!game.app().startBattle("GHATMAR.SCN", vael::VaelApp::CustomScenario, false, false, error))
        return state.SkipWithError(error.c_str());
    vael::Container<vael::MapInfoStruct> map(game.app().mapInfo());
    game.app().send(vael::MAP_OPEN, &map);
    vael::Item<vael::Viewport*>* it = nullptr;
    game.app().views()->normal().viewports().firstItem(it);
    auto* window = it ? dynamic_cast<vael::VaelMapWindow*>(it->value->display()) : nullptr;
    if (!window) return state.SkipWithError("no map window");
    // Between the two armies, as the player watches a battle: the zoom keeps it in the middle.
    vael::Container<short> middle(1510);
    delete game.app().queryNamed("Center On Region", &middle);
    window->onCommand(vael::VaelMapWindow::ZoomIn, 0);
    vael::VaelLandscapeTile& tile = window->tile();
    vael::WindowManager& windows = vael::WindowManager::instance();
    std::int16_t step = 1;
    for (auto _ : state) {
        tile.scrollByCells(vael::Dim(step, 0));
        windows.repaint(windows.clientOnScreen(window->hwnd()));
        step = static_cast<std::int16_t>(-step);
    }
    state.counters["display_objects"] = game.app().views()->normal().objects().count();
    vael::Assertion::setPrompt(std::move(previous));
}
BENCHMARK(BM_ScrollTheMapWindowOneCellAtFullSize)->Unit(benchmark::kMillisecond);

// The commentary filled to the lines it keeps and past them, a line at a time as a battle adds them: the
// memory the kept lines take (heap_kB), without a window (argument 0) and with the commentary's window open
// and drawing each line as it comes (1): the window adds only what it draws by, not the lines again (aim:
// under 100 kB more). Each line is as long as a battle's usual ones, a name in bold among plain words.
void BM_CommentaryAtItsCap(benchmark::State& state) {
    vael::platform::HeadlessPlatform platform;
    vael::VaelGame game(platform, VAEL_BUILD_DATA_DIR);
    vael::CommentaryDlg& commentary = game.app().commentary();
    std::unique_ptr<vael::CommentaryWindow> window;
    if (state.range(0) != 0) {
        window = std::make_unique<vael::CommentaryWindow>(commentary);
        window->attach(game.app());
        window->createInFrame();
    }
    std::size_t grown = 0;
    for (auto _ : state) {
        commentary.clear();
        if (window) window->refresh();
        const std::size_t before = mallinfo2().uordblks;
        for (std::size_t i = 0; i < vael::CommentaryDlg::MaxLines + 500; ++i)
            commentary.addLine("The \\BTaxis of Selmar " + std::to_string(i) +
                               "\\b charges the elephants at hex 1510 and throws them back; the line holds.");
        grown = mallinfo2().uordblks - before;
    }
    state.counters["heap_kB"] = static_cast<double>(grown) / 1024.0;
    state.counters["lines"] = static_cast<double>(commentary.lines().size());
}
BENCHMARK(BM_CommentaryAtItsCap)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

} // namespace

BENCHMARK_MAIN();
