#include "game/flow/leader_activation.h"

#include <optional>
#include <utility>

#include "framework/core/answer.h"
#include "framework/core/application.h"
#include "framework/core/cb_task.h"
#include "framework/core/registered_message.h"
#include "framework/core/timer_callback.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "game/flow/flow_message_names.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "VAELLOG2";

VaelLogicalLayer* layerOf(Component* target, std::int16_t line) {
    auto* layer = dynamic_cast<VaelLogicalLayer*>(target);
    Assertion::check(layer != nullptr, BadPayloadMessage, sourceFile, line);
    return layer;
}

template <ActivationKind Kind>
ContainerBase* onLeaderActivated(Component* target, BusMessage, ContainerBase* data) {
    VaelLogicalLayer* layer = layerOf(target, __LINE__);
    if (!layer) return nullptr;
    callWithPayload<std::string>(data, sourceFile, __LINE__,
                                 [&](const std::string& name) { LeaderActivated(*layer, name, Kind); });
    return nullptr;
}

ContainerBase* onCombatDone(Component* target, BusMessage, ContainerBase*) {
    if (VaelLogicalLayer* layer = layerOf(target, __LINE__)) CombatDone(*layer);
    return nullptr;
}

ContainerBase* onDoneViewingCombatResults(Component* target, BusMessage, ContainerBase*) {
    if (VaelLogicalLayer* layer = layerOf(target, __LINE__)) DoneViewingCombatResults(*layer);
    return nullptr;
}

// How often the combats' wait for the display looks again: slower than the display's own steps, so that
// its timer never sets the pace of the program's clock.
constexpr std::uint16_t RestLookRate = 10;

ContainerBase* onRestLooked(Component* target, BusMessage, ContainerBase*) {
    VaelLogicalLayer* layer = layerOf(target, __LINE__);
    if (!layer || layer->displayOwesAReply()) return nullptr;
    // Asked again through the queue: a tick runs with no dispatch under way, and combats fought from it
    // would have each hit, rout and report their battles send carried out at once, inside the battle
    // that sent it.
    layer->killTimer(onRestLooked);
    layer->sendNamedEmpty(msg::PerformShock);
    return nullptr;
}

ContainerBase* onCombatPauseOver(Component* target, BusMessage, ContainerBase*) {
    if (VaelLogicalLayer* layer = layerOf(target, __LINE__)) CombatPauseOver(*layer);
    return nullptr;
}

ContainerBase* onEndOfGame(Component* target, BusMessage, ContainerBase* data) {
    VaelLogicalLayer* layer = layerOf(target, __LINE__);
    if (!layer) return nullptr;
    callWithPayload<EndOfGameResults>(data, sourceFile, __LINE__,
                                      [&](const EndOfGameResults& results) { EndOfGame(*layer, results); });
    return nullptr;
}

ContainerBase* onEndGame(Component* target, BusMessage, ContainerBase*) {
    if (VaelLogicalLayer* layer = layerOf(target, __LINE__)) OrdersEndWithTheBattle(*layer);
    return nullptr;
}

ContainerBase* onCreateGameControl(Component* target, BusMessage, ContainerBase* data) {
    VaelLogicalLayer* layer = layerOf(target, __LINE__);
    if (!layer) return nullptr;
    callWithPayload<short, std::uint32_t>(data, sourceFile, __LINE__, [layer](auto scenario) {
        layer->CreateGameControl(static_cast<std::uint32_t>(scenario));
    });
    return nullptr;
}

void synchronise(VaelLogicalLayer& layer, const std::string& doing) {
    Container<std::string> box(doing);
    layer.sendNamed(msg::SynchronizeGame, &box);
}

} // namespace

void connectLeaderActivation(VaelLogicalLayer& layer) {
    layer.connectNamed(msg::LeaderActivated, onLeaderActivated<ActivationKind::Activated>);
    layer.connectNamed(msg::LeaderResumed, onLeaderActivated<ActivationKind::Resumed>);
    layer.connectNamed(msg::CombatDone, onCombatDone);
    layer.connectNamed(msg::DoneViewingCombatResults, onDoneViewingCombatResults);
    layer.connectNamed(msg::EndOfGame, onEndOfGame);
    layer.connect(BusMessage(END_GAME), onEndGame);
    layer.connectNamed(msg::CreateGameControl, onCreateGameControl);
}

GameControl* VaelLogicalLayer::CreateGameControl(std::uint32_t scenario) {
    if (!getVaelLandscape()) return nullptr;
    gameControl_.reset(); // detaches the one before
    gameControl_ = std::make_unique<GameControl>();
    GameControl& control = *gameControl_;
    control.attach(*this);
    control.setVisitorTQLimit(static_cast<std::int16_t>(visitorTQPoints_));
    control.setHomeTQLimit(static_cast<std::int16_t>(homeTQPoints_));
    control.setHomeNation(homeNation_);
    control.setVisitorNation(visitorNation_);
    for (const LeaderUnitInfo& record : each(leaderRecords_))
        control.addLeader(record);
    control.setHomeUnits(static_cast<std::int16_t>(homeUnitCount_));
    control.setVisitorUnits(static_cast<std::int16_t>(visitorUnitCount_));
    control.setScenario(scenario);
    control.setLeaderOrderDialog(leaderOrderDialog_);
    return gameControl_.get();
}

void LeaderActivated(VaelLogicalLayer& layer, const std::string& leaderName, ActivationKind kind) {
    Leader* leader = layer.findLeaderByName(leaderName);
    if (!leader) return;
    if (!layer.isLocalLeader(leader)) {
        Container<short> none(1);
        dropAnswer(layer.queryNamed(msg::NoMoreOrders, &none));
    }
    Group* group = layer.findGroup(leader->getLeaderId());
    layer.setActiveGroup(group);
    // A game saved in the pause after the leader's combats waits that pause out again, and no more.
    if (kind == ActivationKind::Resumed && leader->resumesPauseAfterCombats()) {
        leader->forgetResumedOrders();
        DoneViewingCombatResults(layer);
        return;
    }
    // A unit the player had selected when he saved comes back selected, with all its selection answers (the
    // clicks that move it, its reach shown): with the flag alone it would refuse every click for the rest
    // of the battle, as a unit already selected.
    if (kind == ActivationKind::Resumed && group && layer.isLocalLeader(leader) &&
        !layer.isComputerLeader(leader))
        for (VaelUnit* unit : layer.allUnits())
            if (unit->isSelected() && (unit == leader || group->units.contains(unit)))
                unit->registerSelectedMessages();
    // A game saved before the leader began his orders (as a save at an activation, or the autosave, is)
    // resumes at the activation's start, and raises the flags the activation raised.
    const bool ordersGoOn = kind == ActivationKind::Resumed && leader->resumesComputerOrders();
    if (kind == ActivationKind::Resumed && !leader->isOrdersPhaseActive() && !ordersGoOn)
        kind = ActivationKind::Activated;
    // The computer's orders that go on had their flags raised by the activation that was saved; the display's
    // record keeps those still waving.
    if (group && !ordersGoOn) {
        RaiseFlagsStruct raise;
        raise.nation = leader->getNation();
        for (VaelUnit* unit : each(group->units)) {
            const bool qualifies = kind == ActivationKind::Activated
                                       ? !unit->hasRallied()
                                       : !unit->isDoneThisTurn() && !unit->hasSpentMovement();
            if (!qualifies) continue;
            raise.flags.append(unit->getUnitNum());
            if (unit->getUsedThisTurn()) raise.grayFlags.append(unit->getUnitNum());
        }
        raise.flags.append(leader->getUnitNum());
        Container<RaiseFlagsStruct> box(raise);
        layer.sendNamed(msg::RaiseFlags, &box);
    }
    if (layer.isComputerLeader(leader) && ordersGoOn) {
        leader->forgetResumedOrders();
        std::optional<ComputerOrders> orders = std::exchange(layer.resumedComputerOrders(), std::nullopt);
        // His orders were announced, and his group's cohesion restored, by the activation that was saved.
        if (group && orders && orders->leader == leader->getUnitNum()) {
            debugStream() << "Resuming the computer's orders" << std::endl;
            leader->reconnectOrderMessages();
            for (const bool visitor : {false, true})
                if (ComputerOpponent* opponent = layer.getOpponent(visitor);
                    opponent && opponent->resumeOrders(group, *orders))
                    return;
        }
        // No opponent takes them: he begins his orders as an activation does.
    }
    if (layer.isComputerLeader(leader)) {
        if (!group) return;
        debugStream() << "Posting InitAILeader" << std::endl;
        leader->registerOrderMessages();
        Container<std::string> text("\\B" + leader->getName() + " is now giving orders.  Please wait...\\b");
        layer.sendNamed(msg::AddCommentary, &text);
        Container<Group*> orders(group);
        layer.sendNamed(msg::InitAILeader, &orders);
        return;
    }
    layer.sendNamedEmpty(msg::InitLeader);
}

namespace {

bool localLeaderActs(const VaelLogicalLayer& layer) {
    const Group* group = layer.getActiveGroup();
    const auto* leader = group ? dynamic_cast<const Leader*>(group->leader) : nullptr;
    return leader && layer.isLocalLeader(leader);
}

} // namespace

void PerformShockAtRest(VaelLogicalLayer& layer) {
    layer.killTimer(onRestLooked);
    const Application* app = Application::instance();
    if (!layer.isBattleDecided() && app) {
        // The word goes to the buses above and below the layer too: its copies on their way there are no
        // step of the battle. Asked again once, behind everything else queued; asked again already, that
        // asking goes on.
        const auto shock = static_cast<std::int32_t>(RegisteredMessage::getId(msg::PerformShock));
        bool busy = false, askedAgain = false;
        app->forEachQueuedTask([&](const CBtask& task) {
            if (task.event.id() != shock)
                busy = true;
            else if (task.callback.component == &layer)
                askedAgain = true;
        });
        if (askedAgain) return;
        if (busy) return layer.sendNamedEmpty(msg::PerformShock);
        // A walk the display still plays ends with what it sets off (a reaction volley, a withdrawal): where
        // the orders were given, between two machines, the combats wait for it by the clock, and are asked
        // again once it has ended. The other machine plays what it is told, in the order told.
        if (layer.isPlayedOnTwoMachines() && localLeaderActs(layer) && layer.displayOwesAReply()) {
            debugStream() << "VaelLogicalLayer: the combats wait for the display to end what the orders set going"
                          << std::endl;
            layer.addTimer(onRestLooked, RestLookRate);
            return;
        }
    }
    layer.performShock();
}

namespace {

// Whether the layer's timer with this handler runs.
bool timerRuns(const VaelLogicalLayer& layer, HandlerFunction handler) {
    const Application* app = Application::instance();
    if (!app) return false;
    const Callback wanted(const_cast<VaelLogicalLayer*>(&layer), handler);
    for (int slot = 0; slot < Application::TimerSlots; ++slot)
        if (app->timer(slot).state != TimerCallback::Free && app->timer(slot).callback == wanted) return true;
    return false;
}

} // namespace

bool restAwaited(const VaelLogicalLayer& layer) {
    return timerRuns(layer, onRestLooked);
}

void CombatDone(VaelLogicalLayer& layer) {
    debugStream() << "VaelLogicalLayer in CombatDone" << std::endl;
    List<SingleCombatResult>& results = layer.getCombatResults();
    if (results.count() > 0) {
        List<short> scars;
        for (const SingleCombatResult& result : each(results))
            for (const List<short>* hexes : {&result.attackerHexes, &result.defenderHexes})
                for (short hex : each(*hexes))
                    if (!scars.contains(hex)) scars.append(hex);
        Container<List<short>> box(scars);
        layer.sendNamed(msg::AddBattleScars, &box);
        if (layer.getShowOCR() && layer.getDialogs().overallCombatResults) {
            layer.getDialogs().overallCombatResults(layer, results);
            return;
        }
    }
    layer.sendNamedEmpty(msg::DoneViewingCombatResults);
}

void DoneViewingCombatResults(VaelLogicalLayer& layer) {
    debugStream() << "VaelLogicalLayer in DoneViewingCombatResults" << std::endl;
    // A second report while the pause runs restarts it rather than taking a second timer.
    layer.killTimer(onCombatPauseOver);
    layer.addTimer(onCombatPauseOver, 2);
}

bool combatPauseUnderWay(const VaelLogicalLayer& layer) {
    return timerRuns(layer, onCombatPauseOver);
}

void endCombatPause(VaelLogicalLayer& layer) {
    layer.killTimer(onCombatPauseOver);
    layer.killTimer(onRestLooked);
}

void CombatPauseOver(VaelLogicalLayer& layer) {
    layer.killTimer(onCombatPauseOver);
    std::string doing;
    if (layer.getCombatResults().count() > 0) {
        doing = "viewing combat results";
        layer.getCombatResults().clear();
    }
    dropAnswer(layer.queryNamedEmpty(msg::ZoomOutAfterCombat));
    dropAnswer(layer.queryNamedEmpty(msg::FinishLeader));
    synchronise(layer, doing);
}

void OrdersEndWithTheBattle(VaelLogicalLayer& layer) {
    layer.battleDecided();
    // Alone, the battle's end is shown at once. Between machines it is shown once the activation under way
    // has ended on every machine, and a person giving orders here would go on ordering a battle already
    // decided: his orders end with the fall, as by his own Finish Leader, and his shock follows. Alone,
    // every leader of the battle is played here; between machines some are another machine's.
    if (layer.getLocalLeaders().count() >= layer.getLeaders().count()) return layer.standDown();
    const Group* group = layer.getActiveGroup();
    auto* leader = group ? dynamic_cast<Leader*>(group->leader) : nullptr;
    if (!leader || !leader->isOrdersPhaseActive() || !layer.isLocalLeader(leader) ||
        layer.isComputerLeader(leader) || leader->isComputerControlled())
        return;
    layer.sendNamedEmpty(msg::LeaderFinishLeader);
}

void EndOfGame(VaelLogicalLayer& layer, const EndOfGameResults& results) {
    // Once the end is shown nothing of the battle plays on, on any machine.
    layer.standDown();
    std::int16_t won = 0;
    std::uint32_t nation = 0;
    const std::optional<bool> visitorHere =
        layer.isPlayedOnTwoMachines() ? layer.visitorSideHere() : std::optional<bool>();
    if (layer.getLeaders().count() == 0) {
        won = 1;
        nation = results.winner;
    } else if (visitorHere) {
        // Sides shared between the machines: a player who leads some of each won or lost with his own side.
        nation = *visitorHere ? layer.getVisitorNation() : layer.getHomeNation();
        won = nation == results.winner ? 1 : 0;
    } else {
        // In network play the other machines' leaders are neither the computer's nor this machine's: only
        // the leaders played here say which nation this machine is.
        const bool someLocal = !layer.getLocalLeaders().isEmpty();
        for (Leader* leader : each(layer.getLeaders())) {
            if (leader->isComputerControlled() || layer.isComputerLeader(leader)) continue;
            if (someLocal && !layer.isLocalLeader(leader)) continue;
            nation = leader->getNation();
            if (nation == results.winner) {
                won = 1;
                break;
            }
        }
    }
    debugStream() << "VLL: My nation is " << nation << " and I " << (won ? "won" : "lost") << std::endl;
    Container<short> music(won);
    dropAnswer(layer.sendNowNamed(msg::EndGameMusic, &music));
    if (layer.getDialogs().endOfGame) layer.getDialogs().endOfGame(nation, won);
    synchronise(layer, "viewing end of game results");
}

} // namespace vael
