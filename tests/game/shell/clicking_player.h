#pragma once
// The player of the home side, by clicks at the screen points of hexes (worked out from the map window's
// tile and landscape), for the tests of the game on the headless platform and in the real window.
#include <algorithm>
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
#include "game/flow/single_combat_result.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/pointed_vael_landscape.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/combat_struct.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/commentary_dialog.h"
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

// The battle's map window, in whichever view it shows.
inline VaelMapWindow* shownMapWindow(VaelApp& app) {
    if (!app.views()) return nullptr;
    for (VaelPhysicalLayer* layer : {&app.views()->normal(), &app.views()->reversed()}) {
        Item<Viewport*>* v = nullptr;
        for (layer->viewports().firstItem(v); v; v = v->next)
            if (auto* w = dynamic_cast<VaelMapWindow*>(v->value->display())) return w;
    }
    return nullptr;
}

// Whether the player's leader stands ready for his orders, nothing moving on the map.
inline bool playersOrders(VaelApp& app) {
    GameControl* control = app.battleRunning() ? app.gameControl() : nullptr;
    if (!control || !shownMapWindow(app) || app.modalDepth() > 0) return false;
    const Leader* leader = control->leaderAt(control->getActiveLeader()).leader;
    return leader && !leader->isComputerControlled() && leader->isOrdersPhaseActive() &&
           app.views()->normal().movingObjects().count() == 0 &&
           app.views()->reversed().movingObjects().count() == 0;
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

// The pointer brought to a point, as the player's mouse passes over the map before he clicks.
inline void pointAt(platform::Platform& os, Point p) {
    platform::Event e;
    e.kind = platform::EventKind::MouseMove, e.x = p.x, e.y = p.y;
    os.postEvent(e);
}

// The pointer brought to a point and the left button pressed and released there.
inline void pointAndClickAt(platform::Platform& os, Point p) {
    pointAt(os, p);
    clickAt(os, p);
}

// A press and a release of the right button there.
inline void rightClickAt(platform::Platform& os, Point p) {
    for (platform::EventKind kind : {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp}) {
        platform::Event e;
        e.kind = kind, e.button = platform::ButtonRight, e.x = p.x, e.y = p.y;
        os.postEvent(e);
    }
}

// A key pressed and let go, with the modifiers given.
inline void pressKey(platform::Platform& os, std::int32_t key, std::uint16_t modifiers = 0) {
    for (platform::EventKind kind : {platform::EventKind::KeyDown, platform::EventKind::KeyUp}) {
        platform::Event e;
        e.kind = kind, e.key = key, e.modifiers = modifiers;
        os.postEvent(e);
    }
}

// The missile command's key, as the main window's accelerators know it.
inline void pressMissileKey(platform::Platform& os) {
    for (platform::EventKind kind : {platform::EventKind::KeyDown, platform::EventKind::KeyUp}) {
        platform::Event e;
        e.kind = kind, e.key = 'M', e.modifiers = platform::ModControl;
        os.postEvent(e);
    }
}

// The player of the home side, by clicks. At each of his activations, when asked, he first has a unit
// with missiles shoot (its click, the missile key, a click on a lit target; the volley's line awaited in
// the commentary) and a unit with an enemy in reach charge it (its click, a click on the enemy); then he
// clicks the first unit he may order, checks that it is selected with its moves lit, clicks the lit hex
// two rows on (or the first other one) and, once the unit stands there with no figure walking, finishes
// the leader through the leader menu's command. What he saw is kept for the test.
struct ClickingPlayer {
    enum class Step { Waiting, Aiming, Targeting, Firing, Charging, Closing, Selecting, Moving };
    platform::Platform* os = nullptr;
    VaelGame* game = nullptr;
    Step step = Step::Waiting;
    bool fire = false, shock = false; // shoots and charges where he can
    // The turn, leader index and momentum count last taken up: a leader who wins momentum is taken up again
    // in the same turn.
    std::tuple<int, int, int> handled{-1, -1, -1};
    Combat* unit = nullptr;
    short destination = -1;
    std::size_t linesBefore = 0;
    int waited = 0; // idle moments spent waiting for a charge to be declared
    int activations = 0, moves = 0, volleys = 0, charges = 0;
    std::vector<std::string> faults;
    std::vector<std::pair<int, short>> refused; // (unit, hex) of lit hexes clicked without a move
    int tries = 0;
    // Every order given: "unit>hex" for a move, "unit*hex" for a volley, "unit!hex" for a charge.
    std::vector<std::string> trail;
    // Each shock combat the rules fought, as "attackers>defenders" by name, and the units whose charges
    // were declared.
    std::vector<std::string> combats, chargers;
    bool isRefused(short hex) const {
        for (const auto& r : refused)
            if (unit && r.first == unit->getUnitNum() && r.second == hex) return true;
        return false;
    }
    // Which of his units he may pick to move; any when unset.
    std::function<bool(Combat&)> movable;
    // Asked when a leader is taken up (turn, activations so far): true saves the game there first.
    std::function<bool(int turn)> saveAt;
    // Told when the unit has arrived, before the leader is finished; true leaves him unfinished (the game
    // is then left by the test).
    std::function<bool()> arrived;

    void fault(const std::string& what) { faults.push_back(what); }

    // Whether the unit he clicked is selected; a fault when it is not.
    bool selected() {
        if (unit->isSelected()) return true;
        fault("a click on unit " + std::to_string(unit->getUnitNum()) + " did not select it");
        return false;
    }

    // The order given to the unit at the destination, in the trail with its mark.
    void note(char mark) {
        trail.push_back(std::to_string(unit->getUnitNum()) + mark + std::to_string(destination));
    }

    void noteCombats(VaelApp& app) {
        for (const SingleCombatResult& r : each(app.logicalLayer().getCombatResults())) {
            std::string seen;
            for (const std::string& n : each(r.attackerNames))
                seen += n + ";";
            seen += ">";
            for (const std::string& n : each(r.defenderNames))
                seen += n + ";";
            if (std::find(combats.begin(), combats.end(), seen) == combats.end()) combats.push_back(seen);
        }
    }

    // The leader giving his orders: game control's active one, or on a machine that joined a network battle
    // (which has no game control) the first of this machine's leaders whose orders phase is on.
    static const Leader* activeLeader(VaelApp& app) {
        if (GameControl* control = app.gameControl()) {
            const LeaderUnitInfo* active = control->activeLeaderInfo();
            return active ? active->leader : nullptr;
        }
        for (Leader* leader : each(app.logicalLayer().getLocalLeaders()))
            if (leader->isOrdersPhaseActive()) return leader;
        return nullptr;
    }

    // The first unit of his that he may order, whose order the active leader can still pay for (one order in
    // his group, two outside it) and that the test may be given, or null.
    Combat* firstOrderable(VaelApp& app, const std::function<bool(Combat&)>& also) const {
        const Leader* leader = activeLeader(app);
        if (!leader) return nullptr;
        Item<Combat*>* u = nullptr;
        for (app.logicalLayer().getUnits().firstItem(u); u; u = u->next) {
            Combat& c = *u->value;
            const bool inGroup = leader->getGroup() && leader->getGroup()->containsUnitNumber(
                                                           static_cast<std::int16_t>(c.getUnitNum()));
            if (c.getPotentialToBeOrdered() && !c.isOutOfPlay() && !c.isRouting() &&
                leader->ordersLeft() >= (inGroup ? 1 : 2) && also(c) &&
                screenPointOf(app, static_cast<std::int16_t>(c.getHex())))
                return &c;
        }
        return nullptr;
    }

    // Whether an enemy stands within the distance of the unit.
    static bool enemyWithin(VaelApp& app, const Combat& own, int distance) {
        const VaelLogicalLandscape* land = app.logicalLayer().getVaelLandscape();
        Item<Combat*>* u = nullptr;
        for (app.logicalLayer().getUnits().firstItem(u); u && land; u = u->next)
            if (u->value->getNation() != own.getNation() && !u->value->isOutOfPlay() &&
                land->hexDistance(static_cast<std::int16_t>(own.getHex()),
                                  static_cast<std::int16_t>(u->value->getHex())) <= distance)
                return true;
        return false;
    }

    // An enemy's hex of the list whose middle shows the hex itself, or -1.
    static short enemyHexIn(VaelApp& app, const List<short>& hexes, const Combat& own) {
        Item<short>* h = nullptr;
        for (hexes.firstItem(h); h; h = h->next) {
            PointedVaelLandscape* land = shownLandscape(app);
            if (!land || !clickable(app, h->value)) continue;
            Item<Combat*>* u = nullptr;
            for (app.logicalLayer().getUnits().firstItem(u); u; u = u->next)
                if (u->value->getHex() == static_cast<std::uint32_t>(h->value) &&
                    u->value->getNation() != own.getNation())
                    return h->value;
        }
        return -1;
    }

    bool clickUnit(VaelApp& app, Combat* which) {
        const auto at = which ? screenPointOf(app, static_cast<std::int16_t>(which->getHex())) : std::nullopt;
        if (!at) return false;
        unit = which;
        clickAt(*os, *at);
        return true;
    }

    void idle() {
        VaelApp& app = game->app();
        // A machine that joined a network battle has no game control of its own: its leaders say it plays.
        if (!app.battleRunning() && app.logicalLayer().getLocalLeaders().isEmpty()) return;
        // He gives no order while the save he chose waits to be written, as the status bar asks of him.
        if (game->saveWaits()) return;
        noteCombats(app);
        GameControl* control = app.gameControl();
        const Leader* leader = activeLeader(app);
        // In a network battle (where this machine's leaders are listed) the other machine's player orders
        // his own leaders.
        const List<Leader*>& local = app.logicalLayer().getLocalLeaders();
        if (!leader || leader->isComputerControlled() || !leader->isOrdersPhaseActive() ||
            (!local.isEmpty() && !app.logicalLayer().isLocalLeader(leader)))
            return;
        switch (step) {
        case Step::Waiting: {
            const std::tuple<int, int, int> key =
                control ? std::tuple<int, int, int>{control->getTurn(), control->getActiveLeader(),
                                                    control->getMomentumTries()}
                        : std::tuple<int, int, int>{-2, int(leader->getUnitNum()), 0};
            if (key == handled) return;
            handled = key;
            ++activations;
            if (saveAt && control && saveAt(control->getTurn())) {
                app.postMessage(WinApp::mainWindowHandle(), MessageCommand,
                                RegisteredMessage::getId(VaelToolbar::SaveCommand), 0);
                handled = {-1, -1, -1}; // taken up again once the game is saved
                saveAt = nullptr;
                return;
            }
            if (fire && clickUnit(app, firstOrderable(app, [](Combat& c) {
                                      auto* m = dynamic_cast<MissileCapable*>(&c);
                                      return m && m->getMissilesLeft() > 0 && !m->getFiredThisActivation();
                                  }))) {
                step = Step::Aiming;
                return;
            }
            return beginCharge(app);
        }
        case Step::Aiming:
            if (!selected()) return beginCharge(app);
            pressMissileKey(*os);
            step = Step::Targeting;
            return;
        case Step::Targeting: {
            auto* shooter = dynamic_cast<MissileCapable*>(unit);
            const short target = enemyHexIn(app, shooter->getTargetHexes(), *unit);
            if (target < 0) {
                // No target he can click: the key again takes the order back, if the unit waits for one.
                if (unit->isSelected() && shooter->isChoosingTarget()) pressMissileKey(*os);
                return beginCharge(app);
            }
            if (!shownLandscape(app)->blockCopy(target).highlight())
                fault("the target hex " + std::to_string(target) + " is not lit");
            linesBefore = app.commentary().lines().size();
            destination = target;
            clickAt(*os, *screenPointOf(app, target));
            step = Step::Firing;
            return;
        }
        case Step::Firing: {
            auto* shooter = dynamic_cast<MissileCapable*>(unit);
            if (!shooter->getFiredThisActivation()) {
                // A unit ordered again this turn may fail its test and not fire; any other must.
                if (!unit->getUsedThisTurn())
                    fault("a click on the lit target " + std::to_string(destination) + " did not fire");
                return beginCharge(app);
            }
            // The volley is resolved when the missiles land: its line names the shooter first.
            const auto& lines = app.commentary().lines();
            bool told = false;
            for (std::size_t k = std::min(linesBefore, lines.size()); k < lines.size() && !told; ++k)
                told = !lines[k].empty() && lines[k].front().text == unit->getName();
            if (!told || app.views()->normal().movingObjects().count() != 0) return;
            ++volleys;
            note('*');
            return beginCharge(app);
        }
        case Step::Charging: {
            if (!selected()) return beginMove(app);
            const short target = enemyHexIn(app, unit->getAttackHexes(), *unit);
            // Without an enemy in reach the unit he picked moves instead.
            if (target < 0) return beginMove(app, unit);
            destination = target;
            clickAt(*os, *screenPointOf(app, target));
            step = Step::Closing;
            return;
        }
        case Step::Closing: {
            if (unit->getOrderHex() != static_cast<std::uint16_t>(destination) && waited == 0) {
                fault("a click on the enemy at " + std::to_string(destination) + " gave unit " +
                      std::to_string(unit->getUnitNum()) + " no charge");
                return beginMove(app);
            }
            // The charge is declared when the unit has walked up to the enemy; the player waits for it
            // before he clicks another unit, which would take the selection from the walking one. An
            // enemy that slips away before the charger arrives leaves nothing to declare.
            bool declared = false;
            for (const CombatStruct& c : each(app.logicalLayer().combats()))
                declared = declared || c.attackers.contains(unit);
            if (!declared && ++waited < 200) return;
            waited = 0;
            ++charges;
            if (declared) chargers.push_back(unit->getName());
            note('!');
            return beginMove(app);
        }
        case Step::Selecting: {
            if (!selected()) return finish(app);
            // A hex whose middle a figure of another unit covers is clicked elsewhere by a person: the
            // player takes one whose middle shows the hex itself.
            const List<short>& moves = unit->getValidMoves();
            const short here = static_cast<short>(unit->getHex());
            destination = -1;
            const auto open = [&](short hex) {
                return contains(moves, hex) && !contains(unit->getBlockedMoves(), hex) && hex != here &&
                       !contains(unit->getAttackHexes(), hex) && clickable(app, hex);
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
            if (unit->getHex() != static_cast<std::uint32_t>(destination)) {
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
            note('>');
            if (arrived && arrived()) {
                step = Step::Waiting;
                return;
            }
            return finish(app);
        }
    }
    void beginCharge(VaelApp& app) {
        if (shock && clickUnit(app, firstOrderable(app, [&app](Combat& c) {
                                   return dynamic_cast<MissileCapable*>(&c) == nullptr &&
                                          enemyWithin(app, c, 3);
                               }))) {
            step = Step::Charging;
            return;
        }
        beginMove(app);
    }
    // Picks the unit to move (the one given, else the first he may order) and clicks it.
    void beginMove(VaelApp& app, Combat* given = nullptr) {
        tries = 0;
        if (given) {
            unit = given;
            step = Step::Selecting;
            return;
        }
        if (!clickUnit(app, firstOrderable(app, [this](Combat& c) { return !movable || movable(c); })))
            return finish(app);
        step = Step::Selecting;
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

// The units the active leader may order now, as the clicking player finds them.
inline std::vector<Combat*> orderable(VaelApp& app) {
    std::vector<Combat*> units;
    ClickingPlayer finder;
    while (Combat* c = finder.firstOrderable(
               app, [&units](Combat& u) { return std::find(units.begin(), units.end(), &u) == units.end(); }))
        units.push_back(c);
    return units;
}

} // namespace vael::test
