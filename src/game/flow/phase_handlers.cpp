// The layer's handlers of the phases that game control and the rules drive: shock combat, the turn
// overview, the rout phase, and the relays that turn a message naming a unit into the unit's own
// operation. The relays run on every machine, each on its own copy of the unit.
#include "game/flow/phase_handlers.h"

#include <array>
#include <type_traits>

#include "framework/core/answer.h"
#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "game/flow/flow_message_names.h"
#include "game/flow/leader_activation.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/combat_name_struct.h"
#include "game/rules/combat/elephant.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/leaders/leader_records.h"
#include "game/rules/rout/rout_records.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_payloads.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "VAELLOG5";

// A unit number, boxed as short by the units and as u16 by the others.
struct Number {};

// The receiver must be the layer and the payload a box of T (a unit number of either sign for Number;
// anything for void); anything else is reported as bad data from the handler's line.
template <class T, class Worker>
ContainerBase* handled(Component* target, ContainerBase* data, int line, Worker&& worker) {
    auto* layer = dynamic_cast<VaelLogicalLayer*>(target);
    Assertion::check(layer != nullptr, BadPayloadMessage, sourceFile, static_cast<std::int16_t>(line));
    if (!layer) return nullptr;
    if constexpr (std::is_same_v<T, void>) {
        worker(*layer);
    } else if constexpr (std::is_same_v<T, Number>) {
        callWithPayload<unsigned short, short>(
            data, sourceFile, static_cast<std::int16_t>(line),
            [&](auto number) { worker(*layer, static_cast<unsigned short>(number)); });
    } else {
        callWithPayload<T>(data, sourceFile, static_cast<std::int16_t>(line),
                           [&](const T& value) { worker(*layer, value); });
    }
    return nullptr;
}

ContainerBase* onAddCombatants(Component* target, BusMessage, ContainerBase* data) {
    return handled<CombatNameStruct>(
        target, data, __LINE__,
        [](VaelLogicalLayer& layer, const CombatNameStruct& c) { layer.AddCombatants(c); });
}

ContainerBase* onPerformShock(Component* target, BusMessage, ContainerBase* data) {
    return handled<void>(target, data, __LINE__, [](VaelLogicalLayer& layer) { PerformShockAtRest(layer); });
}

ContainerBase* onRoutingDone(Component* target, BusMessage, ContainerBase* data) {
    return handled<short>(target, data, __LINE__,
                          [](VaelLogicalLayer& layer, short v) { layer.RoutingDone(v); });
}

ContainerBase* onUnitDoneRouting(Component* target, BusMessage, ContainerBase* data) {
    return handled<short>(target, data, __LINE__,
                          [](VaelLogicalLayer& layer, short v) { layer.UnitDoneRouting(v); });
}

ContainerBase* onSomeCombatDone(Component* target, BusMessage, ContainerBase* data) {
    return handled<void>(target, data, __LINE__, [](VaelLogicalLayer& layer) { layer.SomeCombatDone(); });
}

ContainerBase* onCombatResults(Component* target, BusMessage, ContainerBase* data) {
    return handled<SingleCombatResult>(
        target, data, __LINE__,
        [](VaelLogicalLayer& layer, const SingleCombatResult& r) { layer.getCombatResults().append(r); });
}

ContainerBase* onResolveOW(Component* target, BusMessage, ContainerBase* data) {
    return handled<OWStruct>(target, data, __LINE__, [](VaelLogicalLayer& layer, const OWStruct& record) {
        Container<OWStruct> box(record);
        layer.sendToNamed(record.unitId, msg::UnitOW, &box);
    });
}

ContainerBase* onGameOverview(Component* target, BusMessage, ContainerBase* data) {
    return handled<void>(target, data, __LINE__, [](VaelLogicalLayer& layer) {
        auto& trace = debugStream();
        trace << "VLL::GameOverview - posting GetGameResults" << std::endl;
        const auto reply = owned(layer.queryNamedEmpty(msg::GetGameResults));
        trace << "VLL::GameOverview - returned from GetGameResults" << std::endl;
        EndOfGameResults results;
        if (takeAnswer(reply.get(), results, sourceFile, __LINE__) && layer.getPhaseDialogs().gameOverview)
            layer.getPhaseDialogs().gameOverview(results);
    });
}

ContainerBase* onEndOfTurn(Component* target, BusMessage, ContainerBase* data) {
    return handled<EndOfGameResults>(
        target, data, __LINE__,
        [](VaelLogicalLayer& layer, const EndOfGameResults& r) { layer.EndOfTurn(r); });
}

ContainerBase* onRoutPhase(Component* target, BusMessage, ContainerBase* data) {
    return handled<void>(target, data, __LINE__, [](VaelLogicalLayer& layer) { layer.RoutPhase(); });
}

ContainerBase* onDoRout(Component* target, BusMessage, ContainerBase* data) {
    return handled<RoutInfo>(target, data, __LINE__, [](VaelLogicalLayer& layer, const RoutInfo& info) {
        debugStream() << "VaelLogicalLayer::DoRout" << std::endl;
        if (Combat* unit = layer.findCombatUnit(info.unitNumber)) unit->DoRout(info.path, info.terminal);
    });
}

ContainerBase* onDoRampagingActions(Component* target, BusMessage, ContainerBase* data) {
    return handled<DoRampageStruct>(
        target, data, __LINE__, [](VaelLogicalLayer& layer, const DoRampageStruct& run) {
            debugStream() << "VaelLogicalLayer::DoRampagingActions" << std::endl;
            auto* elephant = dynamic_cast<Elephant*>(layer.findCombatUnit(run.unitNumber));
            if (!elephant) return;
            elephant->showRampage(run.path);
            // The other machine acts next on the state this one hands it, whatever this display still
            // plays: the beast leaves play now, as it does with nothing shown, so that both machines have
            // it gone when the other takes over.
            if (layer.isPlayedOnTwoMachines()) elephant->endRampageAsShown();
        });
}

ContainerBase* onEntryReactionFire(Component* target, BusMessage, ContainerBase* data) {
    return handled<Number>(target, data, __LINE__, [](VaelLogicalLayer& layer, unsigned short hex) {
        layer.EntryReactionFire(static_cast<std::int16_t>(hex));
    });
}

ContainerBase* onAttemptRefaceFromCharge(Component* target, BusMessage, ContainerBase* data) {
    return handled<RefaceFromChargeStruct>(target, data, __LINE__,
                                           [](VaelLogicalLayer& layer, const RefaceFromChargeStruct& record) {
                                               layer.AttemptRefaceFromCharge(record);
                                           });
}

ContainerBase* onDoMissileFire(Component* target, BusMessage, ContainerBase* data) {
    return handled<MissileFireStruct>(
        target, data, __LINE__, [](VaelLogicalLayer& layer, const MissileFireStruct& f) {
            if (auto* unit = dynamic_cast<MissileCapable*>(layer.findCombatUnit(f.unitNumber)))
                unit->fireMissiles(static_cast<std::int16_t>(f.targetHex));
        });
}

ContainerBase* onDoRestoreCohesion(Component* target, BusMessage, ContainerBase* data) {
    return handled<RestoreCohesionInfo>(target, data, __LINE__,
                                        [](VaelLogicalLayer& layer, const RestoreCohesionInfo& info) {
                                            // A unit out of play has nothing to restore: its figures
                                            // would stand up again on the map.
                                            Combat* unit = layer.findCombatUnit(info.unitNumber);
                                            if (unit && !unit->isOutOfPlay())
                                                unit->setCohesionHits(info.hits);
                                        });
}

ContainerBase* onWoundedLeader(Component* target, BusMessage, ContainerBase* data) {
    return handled<WoundedLeaderInfo>(target, data, __LINE__,
                                      [](VaelLogicalLayer& layer, const WoundedLeaderInfo& w) {
                                          if (Leader* leader = layer.findLeader(w.unitNumber))
                                              leader->wound(w.amount);
                                      });
}

ContainerBase* onFinishedLeader(Component* target, BusMessage, ContainerBase* data) {
    return handled<Number>(target, data, __LINE__, [](VaelLogicalLayer& layer, unsigned short number) {
        if (Leader* leader = layer.findLeader(number)) leader->setFinished();
    });
}

ContainerBase* onEliminateUnit(Component* target, BusMessage, ContainerBase* data) {
    return handled<Number>(target, data, __LINE__, [](VaelLogicalLayer& layer, unsigned short number) {
        // A battle that has ended takes nobody off the field: its losses were counted when it was decided.
        if (layer.hasStoodDown()) return;
        if (Combat* unit = layer.findCombatUnit(number)) {
            // Two causes can name the same unit in one exchange; it leaves play, and scores, once.
            if (!unit->isOutOfPlay()) unit->eliminate(static_cast<std::uint16_t>(unit->pointValue()));
        } else if (Leader* leader = layer.findLeader(number)) {
            // Two volleys of one step can both kill a commander: he falls, and counts, once.
            if (!leader->hasLeftTheField()) leader->eliminate();
        }
    });
}

ContainerBase* onUsedThisTurn(Component* target, BusMessage, ContainerBase* data) {
    return handled<Number>(target, data, __LINE__, [](VaelLogicalLayer& layer, unsigned short number) {
        if (VaelUnit* unit = layer.findUnit(number)) unit->setUsedThisTurn(1);
    });
}

struct Registration {
    const char* name;
    HandlerFunction handler;
};

const Registration registrations[] = {
    {msg::ResolveOW, onResolveOW},
    {msg::AddCombatants, onAddCombatants},
    {msg::PerformShock, onPerformShock},
    {msg::CombatResults, onCombatResults},
    {msg::GameOverview, onGameOverview},
    {msg::EndOfTurn, onEndOfTurn},
    {msg::RoutingDone, onRoutingDone},
    {msg::RoutPhase, onRoutPhase},
    {msg::EntryReactionFire, onEntryReactionFire},
    {msg::AttemptRefaceFromCharge, onAttemptRefaceFromCharge},
    {msg::DoMissileFire, onDoMissileFire},
    {msg::DoRestoreCohesion, onDoRestoreCohesion},
    {msg::DoRout, onDoRout},
    {msg::DoRampagingActions, onDoRampagingActions},
    {msg::WoundedLeader, onWoundedLeader},
    {msg::FinishedLeader, onFinishedLeader},
    {msg::EliminateUnit, onEliminateUnit},
    {msg::UsedThisTurn, onUsedThisTurn},
    {msg::SomeCombatDone, onSomeCombatDone},
};

// Hexes of the river valley whose occupation by the armies earns the video at the end of a turn.
constexpr std::array<std::int16_t, 107> videoHexes = {
    43,  42,  143, 141, 243, 342, 442, 541, 642, 643, 543, 40,  240, 440, 640, 38,  238, 438,
    638, 439, 36,  35,  134, 334, 534, 635, 636, 536, 336, 136, 33,  233, 433, 532, 632, 631,
    530, 430, 230, 30,  531, 331, 27,  26,  127, 126, 125, 228, 428, 628, 225, 425, 625, 326,
    123, 323, 322, 523, 623, 622, 23,  22,  20,  19,  18,  219, 419, 619, 16,  216, 416, 616,
    14,  214, 414, 614, 415, 112, 312, 311, 512, 612, 611, 12,  11,  8,   208, 408, 507, 607,
    506, 406, 206, 6,   4,   204, 404, 604, 2,   202, 402, 602, 1,   100, 300, 500, 601};

} // namespace

void connectPhaseHandlers(VaelLogicalLayer& layer) {
    for (const Registration& r : registrations)
        layer.connectNamed(r.name, r.handler);
}

void disconnectPhaseHandler(VaelLogicalLayer& layer, const std::string& message) {
    for (const Registration& r : registrations)
        if (message == r.name) layer.disconnectNamed(r.name, r.handler);
}

void VaelLogicalLayer::EndOfTurn(const EndOfGameResults& results) {
    debugStream() << "VaelLogicalLayer::EndOfTurn" << std::endl;
    if (phaseDialogs_.gameOverview) phaseDialogs_.gameOverview(results);
    if (phaseDialogs_.scenario && phaseDialogs_.scenario() == 5 && vaelLandscape_) {
        bool held = true;
        for (std::int16_t hex : videoHexes)
            held = held && vaelLandscape_->isHexOccupied(hex);
        if (held && phaseDialogs_.video) phaseDialogs_.video("320vael.avi");
    }
    Container<std::string> doing("viewing end of turn results");
    sendNamed(msg::SynchronizeGame, &doing);
}

void VaelLogicalLayer::RoutPhase() {
    // A turn whose end was already decided routs nobody: the outcome stands as it was decided.
    if (battleDecided_) return;
    auto& trace = debugStream();
    disconnectNamed(msg::RoutingDone, onRoutingDone);
    connectNamed(msg::RoutingDone, onUnitDoneRouting);
    routingCount_ = 0;
    // A rout can take other units with it; only those routing when the phase began run now.
    List<Combat*> running;
    for (Combat* unit : each(allUnits_.links()))
        if (unit->isRouting()) running.append(unit);
    for (Combat* unit : each(running)) {
        routingCount_ = static_cast<std::int16_t>(routingCount_ + 1);
        unit->RoutMove(static_cast<std::int16_t>(unit->getMovementAllowance()));
    }
    if (routingCount_ == 0) {
        trace << "RoutingDone being deregistered for UnitDoneRouting and registering for RoutingDone from "
                 "doRout"
              << std::endl;
        disconnectNamed(msg::RoutingDone, onUnitDoneRouting);
        connectNamed(msg::RoutingDone, onRoutingDone);
        sendNamedEmpty(msg::EndOfTurnRoutingDone);
        return;
    }
    dropAnswer(queryNamedEmpty(msg::ZoomOutForRout));
}

void VaelLogicalLayer::UnitDoneRouting(short) {
    if (routingCount_ <= 0) return;
    routingCount_ = static_cast<std::int16_t>(routingCount_ - 1);
    if (routingCount_ > 0) return;
    debugStream() << "Now deregistering RoutingDone from UnitDoneRouting and registering in RoutingDone"
                  << std::endl;
    disconnectNamed(msg::RoutingDone, onUnitDoneRouting);
    connectNamed(msg::RoutingDone, onRoutingDone);
    dropAnswer(queryNamedEmpty(msg::ZoomInAfterRout));
    sendNamedEmpty(msg::EndOfTurnRoutingDone);
}

} // namespace vael
