#pragma once
// The player of the home side, by clicks at the screen points of hexes (worked out from the map window's
// tile and landscape), for the tests of the game on the headless platform and in the real window.
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "framework/core/registered_message.h"
#include "framework/display/viewport.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/pointed_vael_landscape.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/combat.h"
#include "game/rules/leader.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_toolbar.h"

namespace vael::test {

// The normal view's map window.
inline VaelMapWindow* mapWindow(VaelApp& app) {
    if (!app.views()) return nullptr;
    Item<Viewport*>* v = nullptr;
    for (app.views()->normal().viewports().firstItem(v); v; v = v->next)
        if (auto* w = dynamic_cast<VaelMapWindow*>(v->value->display())) return w;
    return nullptr;
}

inline PointedVaelLandscape* shownLandscape(VaelApp& app) {
    VaelMapWindow* w = mapWindow(app);
    return w ? dynamic_cast<PointedVaelLandscape*>(w->tile().landscape()) : nullptr;
}

// Where on the screen the middle of a hex shows, the view scrolled to it first as "Center On Unit" does:
// the hex's centre in the landscape shown, less the tile's origin, in the map window's client area.
inline std::optional<Point> screenPointOf(VaelApp& app, std::int16_t hex) {
    VaelMapWindow* w = mapWindow(app);
    PointedVaelLandscape* land = shownLandscape(app);
    if (!w || !land) return std::nullopt;
    app.views()->normal().centreOn(hex, false);
    const Point3D c = land->blockCenter(hex);
    const Point origin = w->tile().origin();
    const platform::Rect client = WindowManager::instance().clientOnScreen(w->hwnd());
    const std::int32_t x = client.x + c.x - origin.x, y = client.y + c.y - origin.y;
    if (x < client.x || y < client.y || x >= client.x + client.width || y >= client.y + client.height)
        return std::nullopt;
    // A window over the map there (the commentary floats above it) would take the click.
    if (WindowManager::instance().windowAt(x, y) != w->hwnd()) return std::nullopt;
    return Point(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
}

// A press and a release of the left button there, as the player's mouse gives them.
inline void clickAt(platform::Platform& os, Point p) {
    for (platform::EventKind kind : {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp}) {
        platform::Event e;
        e.kind = kind, e.button = platform::ButtonLeft, e.x = p.x, e.y = p.y;
        os.postEvent(e);
    }
}

inline bool contains(const List<short>& list, short value) {
    Item<short>* i = nullptr;
    for (list.firstItem(i); i; i = i->next)
        if (i->value == value) return true;
    return false;
}

// The player of the home side, by clicks: at each of his activations he clicks the first unit he may
// order, checks that it is selected with its moves lit, clicks the lit hex two rows on (or the first
// other one) and, once the unit stands there with no figure walking, finishes the leader through the
// leader menu's command. What he saw is kept for the test.
struct ClickingPlayer {
    enum class Step { Waiting, Selecting, Moving };
    platform::Platform* os = nullptr;
    VaelGame* game = nullptr;
    Step step = Step::Waiting;
    // The turn, leader index and momentum count last taken up: a leader who wins momentum is taken up again
    // in the same turn.
    std::tuple<int, int, int> handled{-1, -1, -1};
    Combat* unit = nullptr;
    short destination = -1;
    int activations = 0, moves = 0;
    std::vector<std::string> faults;
    std::vector<std::pair<int, short>> refused; // (unit, hex) of lit hexes clicked without a move
    int tries = 0;
    std::vector<std::string> trail; // unit>hex of every move made
    bool isRefused(short hex) const {
        for (const auto& r : refused)
            if (unit && r.first == unit->getUnitNum() && r.second == hex) return true;
        return false;
    }
    // Asked when a leader is taken up (turn, activations so far): true saves the game there first.
    std::function<bool(int turn)> saveAt;
    // Told when the unit has arrived, before the leader is finished; true leaves him unfinished (the game
    // is then left by the test).
    std::function<bool()> arrived;

    void fault(const std::string& what) { faults.push_back(what); }

    void idle() {
        VaelApp& app = game->app();
        if (!app.battleRunning() || !app.gameControl()) return;
        GameControl* control = app.gameControl();
        const Leader* leader = control->leaderAt(control->getActiveLeader()).leader;
        if (!leader || leader->isComputerControlled() || !leader->isOrdersPhaseActive()) return;
        switch (step) {
        case Step::Waiting: {
            const std::tuple<int, int, int> key{control->getTurn(), control->getActiveLeader(),
                                                control->getMomentumTries()};
            if (key == handled) return;
            handled = key;
            ++activations;
            if (saveAt && saveAt(control->getTurn())) {
                app.postMessage(WinApp::mainWindowHandle(), MessageCommand,
                                RegisteredMessage::getId(VaelToolbar::SaveCommand), 0);
                handled = {-1, -1, -1}; // taken up again once the game is saved
                saveAt = nullptr;
                return;
            }
            unit = nullptr;
            Item<Combat*>* u = nullptr;
            for (app.logicalLayer().getUnits().firstItem(u); u && !unit; u = u->next)
                if (u->value->getPotentialToBeOrdered() && !u->value->isOutOfPlay()) unit = u->value;
            const auto at =
                unit ? screenPointOf(app, static_cast<std::int16_t>(unit->getHex())) : std::nullopt;
            if (!at) return finish(app);
            clickAt(*os, *at);
            tries = 0;
            step = Step::Selecting;
            return;
        }
        case Step::Selecting: {
            if (!unit->isSelected()) {
                fault("a click on unit " + std::to_string(unit->getUnitNum()) + " did not select it");
                return finish(app);
            }
            // A hex whose middle a figure of another unit covers is clicked elsewhere by a person: the
            // player takes one whose middle shows the hex itself.
            const List<short>& moves = unit->getValidMoves();
            const short here = static_cast<short>(unit->getHex());
            destination = -1;
            const auto open = [&](short hex) {
                return contains(moves, hex) && !contains(unit->getBlockedMoves(), hex) && hex != here &&
                       clickable(app, hex);
            };
            if (open(static_cast<short>(here + 200)) && !isRefused(static_cast<short>(here + 200)))
                destination = static_cast<short>(here + 200);
            Item<short>* m = nullptr;
            for (moves.firstItem(m); m && destination < 0; m = m->next)
                if (open(m->value) && !isRefused(m->value)) destination = m->value;
            PointedVaelLandscape* land = shownLandscape(app);
            if (destination < 0 || !land) return finish(app);
            if (!land->blockCopy(destination).highlight())
                fault("the move hex " + std::to_string(destination) + " is not lit");
            const auto at = screenPointOf(app, destination);
            if (!at) return finish(app);
            clickAt(*os, *at);
            step = Step::Moving;
            return;
        }
        case Step::Moving:
            if (unit->getHex() != destination) {
                // The rules may refuse a lit hex (an order they turn down on the way); the player picks
                // the unit again and tries another, but never a third time.
                refused.push_back({unit->getUnitNum(), destination});
                if (++tries > 2) {
                    fault("clicks on lit hexes did not move unit " + std::to_string(unit->getUnitNum()));
                    return finish(app);
                }
                const auto at = screenPointOf(app, static_cast<std::int16_t>(unit->getHex()));
                if (!at) return finish(app);
                if (!unit->isSelected()) clickAt(*os, *at);
                step = Step::Selecting;
                return;
            }
            if (app.views()->normal().movingObjects().count() != 0) return;
            ++moves;
            trail.push_back(std::to_string(unit->getUnitNum()) + ">" + std::to_string(destination));
            if (arrived && arrived()) {
                step = Step::Waiting;
                return;
            }
            return finish(app);
        }
    }
    static bool clickable(VaelApp& app, short hex) {
        PointedVaelLandscape* land = shownLandscape(app);
        VaelMapWindow* w = mapWindow(app);
        if (!land || !w || !screenPointOf(app, hex)) return false;
        const Point3D c = land->blockCenter(hex);
        return app.views()->normal().regionAtPoint(PointInfo{Point(c.x, c.y), w->tile().zoomIndex()}) == hex;
    }
    void finish(VaelApp& app) {
        step = Step::Waiting;
        app.postMessage(WinApp::mainWindowHandle(), MessageCommand, 224, 0);
    }
};

} // namespace vael::test
