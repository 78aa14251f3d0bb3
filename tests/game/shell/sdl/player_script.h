#pragma once
// A person at the game in the real window, as a script of steps: each step does what he does (a click, a
// key) once, then waits until what he expects is on the screen. A step that waits in vain is named as a
// fault and the game is left, so that a fault shows as a failed check rather than a test that never ends.
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/core/list.h"
#include "framework/ui/dialog.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/clicking_player.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/way_dialogs.h"
#include "platform/sdl/sdl_platform.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"
#include "watched_platform.h"
#include "x11_grab.h"

namespace vael::test {

class PlayerScript {
public:
    using Clock = std::chrono::steady_clock;
    // How long a step may wait for what it expects; the sanitizer build draws slowly.
    static constexpr std::chrono::seconds Patience{40};

    PlayerScript(platform::Platform& os, VaelGame& game) : os_(os), game_(game) {
        game_.onDialog = [this](Dialog& d, const std::string& name) {
            // The script leaves the game as by the close box: in a battle, the question it asks is answered
            // by leaving, and is the script's, not one of the game's dialogs it counts.
            const auto* question = dynamic_cast<InformationDlg*>(&d);
            if (leaving_ && question && !question->lines().empty() &&
                question->lines().front() == VaelGame::ExitQuestion)
                return clickOn(os_, d, Dialog::IdOk);
            shown_[name] = {&d, d.hwnd()};
            names.push_back(name);
            if (answer) answer(d, name);
        };
    }

    // A step: the action, done once, then the wait until `until` holds.
    void step(
        std::string name, std::function<void()> action, std::function<bool()> until = [] { return true; }) {
        steps_.push_back({std::move(name), std::move(action), std::move(until)});
    }
    // A moment for the screen to catch up with what was done, as a person looks before he goes on.
    void pause(std::chrono::milliseconds time = std::chrono::milliseconds(600)) {
        auto since = std::make_shared<Clock::time_point>();
        step(
            "a look at the screen", [since] { *since = Clock::now(); },
            [since, time] { return Clock::now() - *since > time; });
    }
    // Dialogs the script answers by itself (those along a battle's way), told as each opens.
    DialogShown answer;

    void idle() {
        if (at_ >= steps_.size()) return;
        Step& s = steps_[at_];
        if (!s.started) {
            s.started = true;
            since_ = Clock::now();
            if (s.action) s.action();
            return;
        }
        if (s.until()) {
            done.push_back(s.name);
            if (++at_ == steps_.size()) leave();
            return;
        }
        if (Clock::now() - since_ > Patience) {
            faults.push_back("waited in vain: " + s.name);
            at_ = steps_.size();
            leave();
        }
    }
    bool finished() const { return at_ >= steps_.size(); }

    // The game left as by the window's close box.
    void leave() {
        leaving_ = true;
        platform::Event close;
        close.kind = platform::EventKind::CloseRequest;
        os_.postEvent(close);
    }

    // The dialog of that template last opened, while it is still open; else null.
    Dialog* open(const std::string& name) const {
        const auto it = shown_.find(name);
        if (it == shown_.end()) return nullptr;
        const List<WindowHandle>& up = game_.app().modelessDialogs();
        return up.contains(it->second.second) ? it->second.first : nullptr;
    }
    bool closed(const std::string& name) const { return shown_.count(name) && !open(name); }

    void click(const std::string& dialog, std::int16_t id) {
        if (Dialog* d = open(dialog))
            clickOn(os_, *d, id);
        else
            faults.push_back("no " + dialog + " to click " + std::to_string(id) + " on");
    }
    // A click on a title of the frame's menu bar, then on an entry of its pull-down (separators count).
    void openMenu(std::size_t title) {
        VaelMainWindow& frame = game_.frame();
        clickAt(os_, onFrame(frame.menuTracker()->titleBox(title)));
    }
    void chooseEntry(std::size_t entry) {
        clickAt(os_, onFrame(game_.frame().menuTracker()->entryBox(0, entry)));
    }
    // Two steps: a click on a title of the menu bar, then, once its pull-down is open, on one of its
    // entries (separators count), waiting until `until` holds.
    void fromMenu(
        std::size_t title, std::string menu, std::size_t entry, std::string name,
        std::function<bool()> until = [] { return true; }) {
        step(
            std::move(menu), [this, title] { openMenu(title); }, [this, title] { return menuOpen(title); });
        step(
            std::move(name), [this, entry] { chooseEntry(entry); }, std::move(until));
    }
    // What a step waits for when it opens a dialog of that template.
    std::function<bool()> opened(const std::string& dialog) const {
        return [this, dialog] { return open(dialog) != nullptr; };
    }
    bool menuOpen(std::size_t title) const {
        const MenuTracker* tracker = game_.frame().menuTracker();
        return tracker && tracker->openTitle() == static_cast<int>(title);
    }
    void moveMouse(int x, int y) {
        platform::Event e;
        e.kind = platform::EventKind::MouseMove, e.x = x, e.y = y;
        os_.postEvent(e);
    }

    std::vector<std::string> names; // every dialog of the game, in the order they opened
    std::vector<std::string> done;  // the steps done
    std::vector<std::string> faults;

private:
    struct Step {
        std::string name;
        std::function<void()> action;
        std::function<bool()> until;
        bool started = false;
    };
    Point onFrame(const Box& box) const {
        const platform::Rect outer = WindowManager::instance().outerOnScreen(game_.frame().hwnd());
        return Point(static_cast<std::int16_t>(outer.x + box.x + box.w / 2),
                     static_cast<std::int16_t>(outer.y + box.y + box.h / 2));
    }

    platform::Platform& os_;
    VaelGame& game_;
    std::vector<Step> steps_;
    std::size_t at_ = 0;
    Clock::time_point since_ = Clock::now();
    std::map<std::string, std::pair<Dialog*, WindowHandle>> shown_;
    bool leaving_ = false;
};



// The map window's client area as the X server shows it; what other windows cover of it (the commentary
// floats above the map) is left black.
inline Grab grabMap(SDL_Window* window, VaelApp& app) {
    const Grab whole = grabWindow(window);
    VaelMapWindow* map = shownMapWindow(app);
    if (!map) return {};
    const platform::Rect r = WindowManager::instance().clientOnScreen(map->hwnd());
    Grab part{r.width, r.height, {}};
    for (int y = r.y; y < r.y + r.height; ++y)
        for (int x = r.x; x < r.x + r.width; ++x)
            part.rgb.push_back(x < whole.width && y < whole.height &&
                                       WindowManager::instance().windowAt(x, y) == map->hwnd()
                                   ? whole.rgb[std::size_t(y) * whole.width + x]
                                   : 0xFF000000u);
    return part;
}

// One game in the real window with its settings in the folder given.
struct GameWindow {
    GameWindow(const std::filesystem::path& folder, const std::string& data) {
        std::string error;
        sdl = platform::SdlPlatform::create(folder / "settings.ini", error);
        EXPECT_TRUE(sdl) << error;
        if (!sdl) return;
        watched = std::make_unique<WatchedPlatform>(*sdl);
        game = std::make_unique<VaelGame>(*watched, data);
        script = std::make_unique<PlayerScript>(*watched, *game);
        script->answer = [this](Dialog& d, const std::string& name) {
            if (alongTheWay(name) && !keep.count(name)) clickOn(*watched, d, Dialog::IdOk);
        };
        watched->idle = [this] { script->idle(); };
        // The script looks at the game whenever it waits; a tick of its own wakes it where nothing else
        // would (a dialog with no timer running).
        ticker = sdl->startTimer(50);
    }
    ~GameWindow() {
        if (sdl && ticker) sdl->stopTimer(ticker);
    }
    bool ready() const { return game && game->ready(); }
    VaelApp& app() { return game->app(); }

    std::unique_ptr<platform::SdlPlatform> sdl;
    std::unique_ptr<WatchedPlatform> watched;
    std::unique_ptr<VaelGame> game;
    std::unique_ptr<PlayerScript> script;
    std::set<std::string> keep; // dialogs along the way the test answers itself
    std::uint32_t ticker = 0;
};

// One game in the real window, of the build's data, with its settings and saved games in a folder of its own.
struct OwnFolder {
    explicit OwnFolder(const std::string& name) : dir(name), home(dir.path().string()) {}
    TempDir dir;
    DataHome home;
};
struct FolderGameWindow : OwnFolder, GameWindow {
    explicit FolderGameWindow(const std::string& name)
        : OwnFolder(name), GameWindow(dir.path(), VAEL_BUILD_DATA_DIR) {}
};

// The road from the start dialog into a battle with the home side to the player, by clicks.
inline void startBattle(GameWindow& w) {
    PlayerScript& s = *w.script;
    s.step("the start dialog", {}, [&s] { return s.open(StartGameDlg::TemplateName) != nullptr; });
    s.step(
        "Start Battle", [&s] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdStartBattle); },
        [&s] { return s.open(ScenarioDlg::TemplateName) != nullptr; });
    s.step(
        "the scenario's OK", [&s] { s.click(ScenarioDlg::TemplateName, Dialog::IdOk); },
        [&s] { return s.open(IntroDlg::TemplateName) != nullptr; });
    s.step(
        "the home side to the player",
        [&s] {
            s.click(IntroDlg::TemplateName, IntroDlg::IdHomePlayer);
            s.click(IntroDlg::TemplateName, Dialog::IdOk);
        },
        [&w] { return playersOrders(w.app()); });
}

} // namespace vael::test
