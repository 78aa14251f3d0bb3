#include "game/flow/vael_logical_layer.h"
#include "game/flow/saved_game.h"

#include <algorithm>

#include <type_traits>

#include "framework/core/application.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "framework/core/message_names.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "game/flow/flow_message_names.h"
#include "game/flow/phase_handlers.h"
#include "game/rules/combat/battle_arrow_struct.h"
#include "game/rules/combat/combat_records.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_payloads.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "VAELLOGI";

// The receiver of every handler below; anything else is reported as bad data.
VaelLogicalLayer* layerOf(Component* target, std::int16_t line) {
    auto* layer = dynamic_cast<VaelLogicalLayer*>(target);
    Assertion::check(layer != nullptr, BadPayloadMessage, sourceFile, line);
    return layer;
}

// Unit numbers come boxed as short from the units and as u16 from elsewhere; both name the same unit.
bool unitNumberOf(const ContainerBase* data, std::uint16_t& number, std::int16_t line) {
    return callWithPayload<unsigned short, short>(data, sourceFile, line, [&](auto value) {
        number = static_cast<std::uint16_t>(value);
        return true;
    });
}

// A unit number, boxed as short by the units and as u16 by the others.
struct Number {};

// The layer's handlers: the receiver must be the layer and the payload a box of T (or, for Number, a
// unit number of either sign); anything else is reported as bad data from the handler's line.
template <class T, class Worker>
ContainerBase* handled(Component* target, ContainerBase* data, std::int16_t line, Worker&& worker) {
    VaelLogicalLayer* layer = layerOf(target, line);
    if (!layer) return nullptr;
    if constexpr (std::is_same_v<T, void>) {
        return worker(*layer);
    } else if constexpr (std::is_same_v<T, Number>) {
        std::uint16_t number = 0;
        return unitNumberOf(data, number, line) ? worker(*layer, number) : nullptr;
    } else {
        return callWithPayload<T>(data, sourceFile, line,
                                  [&](const T& value) -> ContainerBase* { return worker(*layer, value); });
    }
}

ContainerBase* onCanTerminate(Component*, BusMessage, ContainerBase*) {
    return new Container<short>(1);
}

ContainerBase* onInZOC(Component* target, BusMessage, ContainerBase* data) {
    return handled<ZOCStructure>(target, data, __LINE__, [](VaelLogicalLayer& layer, const ZOCStructure& z) {
        return new Container<short>(layer.isInEnemyZOC(static_cast<std::int16_t>(z.hex), z.nation) ? 1 : 0);
    });
}

ContainerBase* onNearestLeader(Component* target, BusMessage, ContainerBase* data) {
    return handled<const VaelUnit*>(
        target, data, __LINE__, [](VaelLogicalLayer& layer, const VaelUnit* unit) -> ContainerBase* {
            for (Group* group : each(layer.getGroups()))
                if (holds(group->units, unit))
                    return group->leader ? new Container<short>(group->leader->getId()) : nullptr;
            return nullptr;
        });
}

ContainerBase* onCloseGame(Component* target, BusMessage, ContainerBase* data) {
    return handled<void>(target, data, __LINE__, [](VaelLogicalLayer& layer) -> ContainerBase* {
        layer.CloseGame();
        return nullptr;
    });
}

ContainerBase* onLoadScenario(Component* target, BusMessage, ContainerBase* data) {
    return handled<ScenarioInfoStruct>(
        target, data, __LINE__,
        [](VaelLogicalLayer& layer, const ScenarioInfoStruct& info) -> ContainerBase* {
            layer.LoadScenario(info);
            return nullptr;
        });
}

ContainerBase* onActiveGroup(Component* target, BusMessage, ContainerBase* data) {
    return handled<void>(target, data, __LINE__, [](VaelLogicalLayer& layer) {
        return new Container<Group*>(layer.getActiveGroup());
    });
}

ContainerBase* onFindLeader(Component* target, BusMessage, ContainerBase* data) {
    return handled<Number>(target, data, __LINE__, [](VaelLogicalLayer& layer, std::uint16_t group) {
        for (Leader* leader : each(layer.getLeaders()))
            if (leader->getLeaderId() == group)
                return new Container<short>(static_cast<short>(leader->getHex()));
        return new Container<short>(-1);
    });
}

// The computer opponents' conditions run here once there are computer opponents.
ContainerBase* onUnitMovementDone(Component* target, BusMessage, ContainerBase* data) {
    return handled<void>(target, data, __LINE__, [](VaelLogicalLayer& layer) -> ContainerBase* {
        layer.runOpponentsConditions();
        return nullptr;
    });
}

ContainerBase* onRemoveFromCombat(Component* target, BusMessage, ContainerBase* data) {
    return handled<Number>(target, data, __LINE__,
                           [](VaelLogicalLayer& layer, std::uint16_t number) -> ContainerBase* {
                               layer.RemoveFromCombat(number);
                               return nullptr;
                           });
}

ContainerBase* onChangeFacing(Component* target, BusMessage, ContainerBase* data) {
    return handled<ChangeFacingStruct>(
        target, data, __LINE__,
        [](VaelLogicalLayer& layer, const ChangeFacingStruct& order) -> ContainerBase* {
            VaelUnit* unit = layer.findUnit(order.unitNumber);
            debugStream() << "Here in VaelLogicalLayer::ChangeFacing" << std::endl;
            return unit ? new Container<short>(unit->ChangeFacing(order.sense, order.numTurns)) : nullptr;
        });
}

ContainerBase* onTQHit(Component* target, BusMessage, ContainerBase* data) {
    return handled<TQHitInfo>(target, data, __LINE__,
                              [](VaelLogicalLayer& layer, const TQHitInfo& hit) -> ContainerBase* {
                                  Combat* unit = layer.findCombatUnit(hit.unitNumber);
                                  debugStream() << "Here in VaelLogicalLayer::TQHit" << std::endl;
                                  // A volley or a move still under way when the battle was decided
                                  // hurts nobody: nothing it would set off (a rout, a rampage) is
                                  // played or counted after the end.
                                  if (unit && !layer.isBattleDecided()) unit->CohesionHit(hit.hits, hit.cause);
                                  return nullptr;
                              });
}

template <void (*Set)(std::uint16_t)>
ContainerBase* onSwitch(Component* target, BusMessage, ContainerBase* data) {
    return handled<Number>(target, data, __LINE__,
                           [](VaelLogicalLayer&, std::uint16_t value) -> ContainerBase* {
                               Set(value);
                               return nullptr;
                           });
}

ContainerBase* onShowOCR(Component* target, BusMessage, ContainerBase* data) {
    return handled<Number>(target, data, __LINE__,
                           [](VaelLogicalLayer& layer, std::uint16_t value) -> ContainerBase* {
                               layer.setShowOCR(value);
                               return nullptr;
                           });
}

ContainerBase* onUnitEliminated(Component* target, BusMessage, ContainerBase* data) {
    return handled<EliminateUnitData>(
        target, data, __LINE__,
        [](VaelLogicalLayer& layer, const EliminateUnitData& record) -> ContainerBase* {
            layer.UnitEliminated(record);
            return nullptr;
        });
}

ContainerBase* onGetUnitByNum(Component* target, BusMessage, ContainerBase* data) {
    return handled<Number>(target, data, __LINE__, [](VaelLogicalLayer& layer, std::uint16_t number) {
        return new Container<VaelUnit*>(layer.findUnit(number));
    });
}

ContainerBase* onAddBogusLeader(Component* target, BusMessage, ContainerBase* data) {
    return handled<Leader*>(target, data, __LINE__,
                            [](VaelLogicalLayer& layer, Leader* leader) -> ContainerBase* {
                                layer.AddBogusLeader(leader);
                                return nullptr;
                            });
}

struct Registration {
    const char* name;
    HandlerFunction handler;
};

// The order of registration is the order in which the layer's handlers run beside others of one message.
const Registration registrations[] = {
    {msg::InZOC, onInZOC},
    {msg::NearestLeader, onNearestLeader},
    {msg::CloseGame, onCloseGame},
    {msg::LoadScenario, onLoadScenario},
    {msg::ActiveGroup, onActiveGroup},
    {msg::FindLeader, onFindLeader},
    {msg::UnitMovementDone, onUnitMovementDone},
    {msg::RemoveFromCombat, onRemoveFromCombat},
    {msg::ChangeFacing, onChangeFacing},
    {msg::TQHit, onTQHit},
    {msg::SetLeaderCheat, onSwitch<&Leader::setLeaderCheat>},
    {msg::SetWoundCheat, onSwitch<&Leader::setWoundCheat>},
    {msg::SetDeadCheat, onSwitch<&Leader::setDeadCheat>},
    {msg::ShowFinishLeader, onSwitch<&Leader::setShowFinishLeader>},
    {msg::ShowOCR, onShowOCR},
    {msg::UnitEliminated, onUnitEliminated},
    {msg::GetUnitByNum, onGetUnitByNum},
    {msg::AddBogusLeader, onAddBogusLeader},
};

// Messages between the layer's own components that must not leak to the buses above and below it.
const char* const keptToTheLayer[] = {
    msg::CreateLeader,   msg::LegalUnits,       msg::LegalToShock,   msg::DesignateShock,
    msg::EndOrdersPhase, msg::UnitMovementDone, msg::MovementDone,   msg::InZOC,
    msg::UnitSelected,   msg::UnitDeselected,   msg::HomeTeam,       msg::VisitorTeam,
    msg::HomeTQPoints,   msg::VisitorTQPoints,  msg::BeginOWSegment, msg::EndOWSegment,
    msg::ResolveOW,      msg::UnitOW,           msg::OWResolved,     msg::NearestLeader,
    msg::Rally,          msg::FinishLeader,     msg::InitLeader,     msg::FindLeader,
    msg::ActiveGroup,    msg::GetUnitByNum,     msg::AddBogusLeader};

} // namespace

VaelLogicalLayer::VaelLogicalLayer(const char* name) : LogicalLayer(name ? name : "Vael LogicalLayer Bus") {}

VaelLogicalLayer::~VaelLogicalLayer() {
    gameControl_.reset();
    deleteBattle();
}

void VaelLogicalLayer::connectParent() {
    LogicalLayer::connectParent();
    if (isConnected(RegisteredMessage::getId(msg::InZOC), onInZOC)) return; // attached before
    connect(CAN_TERMINATE, onCanTerminate);
    RegisteredMessage::registerWithId(229, msg::GameOverview);
    for (const Registration& r : registrations)
        connectNamed(r.name, r.handler);
    blockForwarding(BEGIN_GAME, 2);
    for (const char* name : keptToTheLayer)
        blockForwardingNamed(name, 2);
    connectLeaderActivation(*this);
    connectPhaseHandlers(*this);
    connectSideControl(*this);
    connectSavedGame(*this);
}

void VaelLogicalLayer::deleteBattle() {
    // The links go first, so that nothing still lists what is being deleted.
    homeLeaders_.clear(), visitorLeaders_.clear(), computerLeaders_.clear(), localLeaders_.clear();
    homeUnits_.clear(), visitorUnits_.clear();
    groups_.clear();
    allLeaders_.clear();
    bogusLeaders_.clear();
    allUnits_.clear();
    setLandscape(nullptr);
    vaelLandscape_ = nullptr;
}

void VaelLogicalLayer::setOpponent(bool visitor, std::unique_ptr<ComputerOpponent> opponent) {
    (visitor ? visitorAI_ : homeAI_) = std::move(opponent);
}

void VaelLogicalLayer::setScriptFileName(const std::string& name) {
    const std::size_t n = std::min(name.size(), sizeof(scriptFileName_) - 1);
    name.copy(scriptFileName_, n);
    scriptFileName_[n] = '\0';
}

void VaelLogicalLayer::runOpponentsConditions() {
    for (ComputerOpponent* opponent : {homeAI_.get(), visitorAI_.get()})
        if (opponent) opponent->runConditions();
}

std::optional<bool> VaelLogicalLayer::visitorSideHere() const {
    // The player's own leaders count; where the computer plays every leader here, the computer's.
    for (const bool computerToo : {false, true}) {
        int home = 0, visitor = 0;
        std::optional<bool> commander;
        for (Leader* leader : each(localLeaders_)) {
            if (!computerToo && (isComputerLeader(leader) || leader->isComputerControlled())) continue;
            const bool onVisitor = onVisitorSide(leader->getNation());
            ++(onVisitor ? visitor : home);
            if (Leader::isCommanderName(leader->getName()) && !commander) commander = onVisitor;
        }
        if (home == 0 && visitor == 0) continue;
        if (home != visitor) return visitor > home;
        return commander.value_or(false);
    }
    return std::nullopt;
}

void VaelLogicalLayer::CloseGame() {
    endCombatPause(*this);
    gameControl_.reset();
    homeAI_.reset();
    visitorAI_.reset();
    homePlanName_.clear();
    disconnectEliteInitiative(*this);
    deleteBattle();
    combats_.clear();
    combatResults_.clear();
    leaderRecords_.clear();
    scenarioName_.clear();
    mapFileName_[0] = '\0';
    unitCounter_ = 0;
    hexOffset_ = -1;
    homeNation_ = visitorNation_ = 0;
    homeRoutDirection_ = visitorRoutDirection_ = 0;
    homeTQPoints_ = visitorTQPoints_ = 0;
    homeUnitCount_ = visitorUnitCount_ = 0;
    scriptFileName_[0] = '\0';
    activeGroup_ = nullptr;
    battleDecided_ = false;
    stoodDown_ = false;
    playedOnTwoMachines_ = false;
}

bool VaelLogicalLayer::isBattleSettled() const {
    if (battleDecided_) return true;
    for (const Leader* leader : each(getLeaders()))
        if (Leader::isCommanderName(leader->getName()) &&
            (leader->isEliminationDue() || leader->isEliminated()))
            return true;
    return false;
}

void VaelLogicalLayer::standDown() {
    battleDecided_ = true;
    if (stoodDown_) return;
    stoodDown_ = true;
    Application* app = Application::instance();
    auto silence = [app](Component* component) {
        if (!component) return;
        component->disconnectAll();
        if (app) app->forgetComponent(component);
    };
    for (VaelUnit* unit : allUnits()) {
        unit->standDown();
        silence(unit);
    }
    for (ComputerOpponent* opponent : {homeAI_.get(), visitorAI_.get()}) {
        if (opponent) opponent->standDown();
        silence(opponent);
    }
}

VaelUnit* VaelLogicalLayer::findUnit(std::uint16_t unitNumber) const {
    if (Combat* unit = findCombatUnit(unitNumber)) return unit;
    return findLeader(unitNumber);
}

Combat* VaelLogicalLayer::findCombatUnit(std::uint16_t unitNumber) const {
    for (const List<Combat*>* side : {&visitorUnits_, &homeUnits_})
        for (Combat* unit : each(*side))
            if (unit->getUnitNum() == unitNumber) return unit;
    return nullptr;
}

Combat* VaelLogicalLayer::findCombatUnitByName(const std::string& name) const {
    for (const List<Combat*>* side : {&visitorUnits_, &homeUnits_})
        for (Combat* unit : each(*side))
            if (unit->getName() == name) return unit;
    return nullptr;
}

Leader* VaelLogicalLayer::findLeader(std::uint16_t unitNumber) const {
    for (Leader* leader : each(allLeaders_.links()))
        if (leader->getUnitNum() == unitNumber) return leader;
    return nullptr;
}

Leader* VaelLogicalLayer::findLeaderByName(const std::string& name) const {
    for (Leader* leader : each(allLeaders_.links()))
        if (leader->getName() == name) return leader;
    return nullptr;
}

Group* VaelLogicalLayer::findGroup(std::uint16_t number) const {
    for (Group* group : each(groups_.links()))
        if (group->number == number) return group;
    return nullptr;
}

std::int16_t VaelLogicalLayer::isInEnemyZOC(std::int16_t hex, std::uint32_t nation) const {
    const List<Combat*>& enemies = onVisitorSide(nation) ? homeUnits_ : visitorUnits_;
    for (Combat* unit : each(enemies))
        if (unit->isHexInZOC(hex)) return 1;
    return 0;
}

void VaelLogicalLayer::RemoveFromCombat(std::uint16_t unitNumber) {
    Combat* unit = findCombatUnit(unitNumber);
    if (!unit) return;
    Item<CombatStruct>* item = nullptr;
    for (combats_.firstItem(item); item; item = item->next) {
        CombatStruct& combat = item->value;
        for (int first = 1; first >= 0; --first) {
            List<const VaelUnit*>& own = first ? combat.attackers : combat.defenders;
            List<const VaelUnit*>& other = first ? combat.defenders : combat.attackers;
            if (!own.contains(unit)) continue;
            if (first) {
                // The charge flags run beside the attackers; the unit's goes with it.
                Item<const VaelUnit*>* a = nullptr;
                Item<short>* flag = nullptr;
                own.firstItem(a), combat.moved.firstItem(flag);
                for (; a && a->value != unit; a = a->next)
                    flag = flag ? flag->next : nullptr;
                if (flag) combat.moved.removeItem(flag);
            }
            own.remove(unit);
            for (const VaelUnit* enemy : each(other)) {
                auto from = static_cast<std::int16_t>(unit->getHex());
                const auto to = static_cast<std::int16_t>(enemy->getHex());
                if (vaelLandscape_ && unit->isDoubleSized() && !vaelLandscape_->neighbourDirection(from, to))
                    from = unit->getSecondHex();
                const std::uint32_t direction =
                    vaelLandscape_ ? static_cast<std::uint32_t>(vaelLandscape_->neighbourDirection(from, to))
                                   : 0;
                Container<BattleArrowStruct> arrow(BattleArrowStruct{
                    static_cast<std::uint16_t>(from), static_cast<std::uint16_t>(to), direction, 0});
                sendNamed(msg::RemoveBattleArrow, &arrow);
            }
            if (own.count() == 0) combats_.removeItem(item);
            return;
        }
    }
}

void VaelLogicalLayer::UnitEliminated(const EliminateUnitData& record) {
    // A leader's record (type -1) is not a combat unit's; his group keeps him as its leader.
    if (record.unitType == 0xFFFFFFFF) {
        if (const Leader* leader = findLeader(record.unitNumber))
            debugStream() << leader->getName() << " has fallen; his side loses him." << std::endl;
        return;
    }
    Combat* unit = findCombatUnit(record.unitNumber);
    if (!unit) return;
    if (Group* group = findGroup(unit->getLeaderId())) {
        group->removeUnit(unit);
        debugStream() << "Removed " << unit->getName() << " from his group since he was eliminated."
                      << std::endl;
    }
}

void VaelLogicalLayer::AddBogusLeader(Leader* leader) {
    if (!leader || bogusLeaders_.contains(leader)) return;
    bogusLeaders_.adopt(std::unique_ptr<Leader>(leader));
    (onVisitorSide(leader->getNation()) ? visitorLeaders_ : homeLeaders_).append(leader);
}

std::vector<VaelUnit*> VaelLogicalLayer::allUnits() const {
    std::vector<VaelUnit*> units;
    units.reserve(
        static_cast<std::size_t>(homeUnits_.count() + visitorUnits_.count() + allLeaders_.links().count()));
    for (Combat* unit : each(homeUnits_))
        units.push_back(unit);
    for (Combat* unit : each(visitorUnits_))
        units.push_back(unit);
    for (Leader* leader : each(allLeaders_.links()))
        units.push_back(leader);
    return units;
}

} // namespace vael
