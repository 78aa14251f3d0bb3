// The activation of a leader and the orders he spends: what he tells his units and the game when he is
// activated, resumed and finished, and what each order costs him.
#include <string>

#include "framework/core/answer.h"
#include "framework/core/application.h"
#include "framework/core/assertion.h"
#include "framework/core/debug_stream.h"
#include "framework/core/message_names.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/leaders/leader_records.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_payloads.h"
#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "LEADER";

enum MenuCommand : std::uint16_t {
    GroupMoveCommand = 212,
    RallyCommand = 213,
    RestoreCohesionCommand = 214,
    RotateLeftCommand = 220,
    RotateRightCommand = 221,
    AboutFaceCommand = 235,
};

// Only a leader registers these handlers; anything else is reported and left alone.
Leader* asLeader(Component* target, std::int16_t line) {
    auto* leader = dynamic_cast<Leader*>(target);
    Assertion::check(leader != nullptr, BadPayloadMessage, sourceFile, line);
    return leader;
}

// The handlers of a leader's own number: a number that is not his leaves him alone.
template <std::int16_t (Leader::*Worker)()>
ContainerBase* ownNumberHandler(Component* target, BusMessage, ContainerBase* data) {
    Leader* leader = asLeader(target, __LINE__);
    if (!leader) return nullptr;
    callWithPayload<unsigned short>(data, sourceFile, __LINE__, [&](unsigned short number) {
        if (number == leader->getUnitNum()) (leader->*Worker)();
    });
    return nullptr;
}

template <std::int16_t (Leader::*Worker)()>
ContainerBase* plainHandler(Component* target, BusMessage, ContainerBase*) {
    if (Leader* leader = asLeader(target, __LINE__)) (leader->*Worker)();
    return nullptr;
}

ContainerBase* onCenterOnLeader(Component* target, BusMessage, ContainerBase*) {
    if (Leader* leader = asLeader(target, __LINE__)) leader->centerOnLeader();
    return nullptr;
}

// "UnitMovementDone" and "CohesionRestored": the unit's order is over and is charged now.
ContainerBase* onOrderDone(Component* target, BusMessage, ContainerBase* data) {
    Leader* leader = asLeader(target, __LINE__);
    if (!leader) return nullptr;
    callWithPayload<unsigned short>(data, sourceFile, __LINE__,
                                    [&](unsigned short number) { leader->chargeOrder(number); });
    return nullptr;
}

ContainerBase* onMissileVolley(Component* target, BusMessage, ContainerBase* data) {
    Leader* leader = asLeader(target, __LINE__);
    if (!leader) return nullptr;
    // Missile units announce their volley with their number as an unsigned short; a short is the same.
    callWithPayload<unsigned short, short>(
        data, sourceFile, __LINE__, [&](auto number) { leader->MissileVolley(static_cast<short>(number)); });
    return nullptr;
}

ContainerBase* onFollowerEndOWSegment(Component* target, BusMessage, ContainerBase* data) {
    Leader* leader = asLeader(target, __LINE__);
    if (!leader) return nullptr;
    callWithPayload<EndOWStruct>(data, sourceFile, __LINE__,
                                 [&](const EndOWStruct& end) { leader->commandRangeAfterOW(end.happened); });
    return nullptr;
}

// The hexes of one list that the other lacks.
List<short> without(const List<short>& hexes, const List<short>& others) {
    List<short> out;
    for (short h : hexes)
        if (!others.contains(h)) out.append(h);
    return out;
}

const auto onActivateLeader = ownNumberHandler<&Leader::activateLeader>;
const auto onActivateRemoteLeader = ownNumberHandler<&Leader::activateRemoteLeader>;
const auto onResumeActiveLeader = ownNumberHandler<&Leader::resumeActiveLeader>;
const auto onInitLeader = plainHandler<&Leader::initLeader>;
const auto onEndOrdersPhase = plainHandler<&Leader::endOrdersPhase>;
const auto onFinishLeader = plainHandler<&Leader::finishLeader>;
const auto onFinishRemoteLeader = plainHandler<&Leader::finishRemoteLeader>;
const auto onRallyUnit = plainHandler<&Leader::rallyUnit>;
const auto onRestoreCohesion = plainHandler<&Leader::restoreCohesion>;
const auto onLeaderFinishLeader = plainHandler<&Leader::leaderFinishLeader>;
const auto onLeaderGroupMove = plainHandler<&Leader::attemptGroupMove>;

// The handlers of an orders phase, which the end of the phase and the end of the leader take away.
struct Registration {
    const char* name;
    HandlerFunction handler;
};

void disconnectEach(Leader& leader, std::initializer_list<Registration> registrations) {
    for (const Registration& r : registrations)
        leader.disconnectNamed(r.name, r.handler);
}

} // namespace

void Leader::connectOnce(const char* name, HandlerFunction handler) {
    if (!isConnected(RegisteredMessage::getId(name), handler)) connectNamed(name, handler);
}

void Leader::enableMenu(std::uint16_t command, bool on) {
    Container<BusMessage> box{BusMessage(command)};
    send(on ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM, &box);
}

void Leader::sendHexes(BusMessage event, List<short>* hexes, bool asQuery) {
    Container<List<short>*> box(hexes);
    if (asQuery)
        dropAnswer(query(event, &box));
    else
        send(event, &box);
}

void Leader::askNoMoreOrders(std::int16_t value) {
    Container<short> box(value);
    dropAnswer(queryNamed(msg::NoMoreOrders, &box));
}

void Leader::sendLegalUnits() {
    Container<PossibleMoveData> box(
        PossibleMoveData{nation_, std::make_shared<const List<short>>(commandHexes_)});
    sendNamed(msg::LegalUnits, &box);
}

void Leader::putUpFinishPrompt() {
    if (finishPrompt_) finishPrompt_(*this);
}

void Leader::initLocalLeader() {
    debugStream() << "Initializing local leader: " << name_ << std::endl;
    connectOnce(msg::ActivateLeader, onActivateLeader);
    connectOnce(msg::ResumeActiveLeader, onResumeActiveLeader);
}

void Leader::initRemoteLeader() {
    debugStream() << "Initializing remote leader: " << name_ << std::endl;
    connectOnce(msg::ActivateLeader, onActivateRemoteLeader);
}

void Leader::takeTheActivation(const char* announcement) {
    connectOnce(msg::InitLeader, onInitLeader);
    connectOnce(msg::EndOrdersPhase, onEndOrdersPhase);
    connectOnce(msg::LeaderCenterOnLeader, onCenterOnLeader);
    connectOnce(msg::FinishLeader, onFinishLeader);
    Container<std::string> name(name_);
    sendNamed(announcement, &name);
}

std::int16_t Leader::activateLeader() {
    debugStream() << "Activating Local Leader: " << name_ << std::endl;
    return beginActivation(msg::LeaderActivated);
}

std::int16_t Leader::beginActivation(const char* announcement) {
    ordersUsed_ = 0;
    lastOrderedUnit_ = NobodyOrdered;
    groupMoveGranted_ = 0;
    groupMoveTried_ = 0;
    refillCommandHexes();
    sendLegalUnits();
    centerOnLeader();
    showStatus();
    takeTheActivation(announcement);
    if (initiative_ == 0) sendNamedEmpty(msg::EndMovementSegment);
    return 0;
}

std::int16_t Leader::activateRemoteLeader() {
    debugStream() << "Activating Remote Leader: " << name_ << std::endl;
    ordersUsed_ = 0;
    centerOnLeader();
    showStatus();
    connectOnce(msg::LeaderCenterOnLeader, onCenterOnLeader);
    connectOnce(msg::FinishLeader, onFinishRemoteLeader);
    return 0;
}

std::int16_t Leader::resumeActiveLeader() {
    // Saved in the pause after his combats, he finishes when it is over, as the saved one would have.
    if (resumingPause_) {
        connectOnce(msg::LeaderCenterOnLeader, onCenterOnLeader);
        connectOnce(msg::FinishLeader, onFinishLeader);
        Container<std::string> name(name_);
        sendNamed(msg::LeaderResumed, &name);
        return 0;
    }
    // A computer leader saved in the middle of his orders goes on with them: his orders spent, his command
    // hexes and what each unit may still be ordered came with the file.
    if (resumingOrders_) {
        centerOnLeader();
        showStatus();
        takeTheActivation(msg::LeaderResumed);
        return 0;
    }
    // Saved before he began his orders (at his activation, as the autosave is), he begins them as the
    // activation did, told as a resumption: the game that saved went on so, and a loaded one must too.
    if (!ordersPhaseActive_) return beginActivation(msg::LeaderResumed);
    refillCommandHexes();
    const std::int16_t spent = ordersUsed_ == initiative_;
    askNoMoreOrders(spent);
    if (spent && showFinishLeader_) putUpFinishPrompt();
    sendLegalUnits();
    sendHexes(HALF_HIGHLIGHT_REGION, &commandHexes_, false);
    sendEmpty(INVALIDATE_VIEW);
    showStatus();
    takeTheActivation(msg::LeaderResumed);
    return 0;
}

std::int16_t Leader::initLeader() {
    if (Application* app = Application::instance()) app->endWait();
    ordersPhaseActive_ = 1;
    connectOrderHandlers();
    connectOnce(msg::RestoreCohesion, onRestoreCohesion);
    connectOnce(msg::EndOWSegment, onFollowerEndOWSegment);
    connectOnce(msg::LeaderFinishLeader, onLeaderFinishLeader);
    sendNamedEmpty(msg::UnblockLeaderMenu);
    // Only a group that stands ready as one body, every member orderable, unused and facing the first
    // member's way, may move together.
    std::size_t ready = 0;
    std::size_t members = 0;
    if (group_ && !group_->units.isEmpty()) {
        ListIterator<VaelUnit*> it(group_->units);
        VaelUnit* first = nullptr;
        group_->units.first(first);
        groupFacing_ = first ? first->getFacing() : NoDirection;
        bool counting = true;
        for (VaelUnit* member = nullptr; it.next(member);) {
            ++members;
            if (counting && member && memberReadyForGroupMove(*member))
                ++ready;
            else
                counting = false;
        }
    }
    if (members == 0 || ready < members) {
        enableMenu(GroupMoveCommand, false);
    } else {
        enableMenu(GroupMoveCommand, true);
        connectOnce(msg::LeaderGroupMove, onLeaderGroupMove);
    }
    sendHexes(HALF_HIGHLIGHT_REGION, &commandHexes_, false);
    sendEmpty(INVALIDATE_VIEW);
    replenishGroup();
    return 0;
}

void Leader::connectOrderHandlers() {
    connectOnce(msg::UnitMovementDone, onOrderDone);
    connectOnce(msg::CohesionRestored, onOrderDone);
    connectOnce(msg::MissileVolley, onMissileVolley);
    connectOnce(msg::RallyUnit, onRallyUnit);
}

void Leader::stopChargingEachOrder() {
    disconnectNamed(msg::UnitMovementDone, onOrderDone);
}

void Leader::reconnectOrderMessages() {
    connectOrderHandlers();
    sendEmpty(INVALIDATE_VIEW);
}

void Leader::registerOrderMessages() {
    reconnectOrderMessages();
    replenishGroup();
}

std::int16_t Leader::chargeOrder(std::uint16_t unitNumber) {
    enableMenu(GroupMoveCommand, false);
    if (unitNumber == lastOrderedUnit_) return 0;
    lastOrderedUnit_ = unitNumber;
    if (groupMoveGranted_) {
        ordersUsed_ = initiative_;
    } else {
        // A leader without a group commands only himself: every other unit is outside his group.
        const bool inGroup = group_ ? group_->containsUnitNumber(unitNumber) != 0 : unitNumber == unitNumber_;
        const int charged = ordersUsed_ + 1 + (inGroup ? 0 : 1);
        ordersUsed_ = static_cast<std::uint16_t>(charged > initiative_ ? initiative_ : charged);
    }
    showStatus();
    if (ordersUsed_ == initiative_) {
        if (!computerControlled_ && showFinishLeader_) {
            debugStream() << "Now putting up the LeaderAlmostDoneDlg" << std::endl;
            putUpFinishPrompt();
        }
        askNoMoreOrders(1);
    }
    if (movementLeft_ < movementAllowance_) faceGroup();
    return 0;
}

std::int16_t Leader::chargeOrderFor(std::int16_t unitNumber) {
    Container<short> number(unitNumber);
    const auto answer = owned(sendNowNamed(msg::GetUnitByNum, &number));
    VaelUnit* unit = nullptr;
    takeAnswer(answer.get(), unit, sourceFile, __LINE__);
    if (unit && unit->isCombatUnit()) {
        const auto* combat = dynamic_cast<const Combat*>(unit);
        if (combat && combat->getUnitType() == AT) return 0;
    }
    return chargeOrder(static_cast<std::uint16_t>(unitNumber));
}

std::int16_t Leader::rallyUnit() {
    Container<short> initiative(static_cast<short>(initiative_));
    sendNamed(msg::Rally, &initiative);
    return 0;
}

std::int16_t Leader::restoreCohesion() {
    Container<short> initiative(static_cast<short>(initiative_));
    sendNamed(msg::UnitRestoreCohesion, &initiative);
    return 0;
}

std::int16_t Leader::leaderFinishLeader() {
    disconnectNamed(msg::LeaderFinishLeader, onLeaderFinishLeader);
    sendNamedEmpty(msg::UnitDeselected);
    sendHexes(HALF_DEHIGHLIGHT_REGION, &commandHexes_, false);
    sendEmpty(INVALIDATE_VIEW);
    sendNamedEmpty(msg::EndOrdersPhase);
    return 0;
}

std::int16_t Leader::endOrdersPhase() {
    disconnectEach(*this, {{msg::EndOrdersPhase, onEndOrdersPhase},
                           {msg::UnitMovementDone, onOrderDone},
                           {msg::MissileVolley, onMissileVolley},
                           {msg::RallyUnit, onRallyUnit},
                           {msg::RestoreCohesion, onRestoreCohesion},
                           {msg::CohesionRestored, onOrderDone},
                           {msg::LeaderGroupMove, onLeaderGroupMove}});
    disconnectCommandRangeFollower();
    askNoMoreOrders(1);
    const std::int16_t momentum = groupMoveTried_ == 0 && ordersUsed_ != 0 && hex_ != offMap;
    Container<short> box(momentum);
    dropAnswer(queryNamed(msg::CanAttemptMomentum, &box));
    debugStream() << "Posted CanAttemptMomentum = " << momentum << std::endl;
    ordersPhaseActive_ = 0;
    sendNamedEmpty(msg::PerformShock);
    debugStream() << "PerformShock being posted from Leader::EndOrdersPhase" << std::endl;
    return 0;
}

std::int16_t Leader::finishLeader() {
    debugStream() << name_ << " in FinishLeader" << std::endl;
    disconnectNamed(msg::FinishLeader, onFinishLeader);
    for (std::uint16_t command :
         {RotateLeftCommand, RotateRightCommand, AboutFaceCommand, RallyCommand, RestoreCohesionCommand})
        enableMenu(command, false);
    if (!groupMoveTried_)
        failedGroupMoves_ = 0;
    else if (!groupMoveGranted_)
        failedGroupMoves_ = static_cast<std::uint16_t>(failedGroupMoves_ < 2 ? failedGroupMoves_ + 1 : 2);
    else
        failedGroupMoves_ = 0;
    groupMoveGranted_ = 0;
    disconnectEach(*this, {{msg::InitLeader, onInitLeader},
                           {msg::LeaderCenterOnLeader, onCenterOnLeader},
                           {msg::LeaderFinishLeader, onLeaderFinishLeader},
                           {msg::LeaderGroupMove, onLeaderGroupMove},
                           {msg::EndOrdersPhase, onEndOrdersPhase},
                           {msg::UnitMovementDone, onOrderDone},
                           {msg::MissileVolley, onMissileVolley},
                           {msg::RallyUnit, onRallyUnit},
                           {msg::RestoreCohesion, onRestoreCohesion},
                           {msg::CohesionRestored, onOrderDone}});
    dropAnswer(queryNamedEmpty(msg::BlockLeaderMenu));
    sendNamedEmpty(msg::LeaderFinished);
    return 0;
}

std::int16_t Leader::finishRemoteLeader() {
    debugStream() << name_ << " in FinishRemoteLeader" << std::endl;
    disconnectNamed(msg::FinishLeader, onFinishRemoteLeader);
    disconnectNamed(msg::LeaderCenterOnLeader, onCenterOnLeader);
    return 0;
}

bool Leader::memberReadyForGroupMove(const VaelUnit& member) const {
    return member.getPotentialToBeOrdered() && member.getFacing() == groupFacing_ &&
           !member.getUsedThisTurn();
}

void Leader::disconnectCommandRangeFollower() {
    disconnectNamed(msg::EndOWSegment, onFollowerEndOWSegment);
}

std::int16_t Leader::commandRangeAfterOW(std::uint16_t withdrew) {
    if (!withdrew) return 0;
    List<short> before = commandHexes_;
    refillCommandHexes();
    List<short> lost = without(before, commandHexes_);
    List<short> gained = without(commandHexes_, before);
    sendHexes(HALF_DEHIGHLIGHT_REGION, &lost, true);
    sendHexes(HALF_HIGHLIGHT_REGION, &gained, true);
    return 0;
}

std::uint16_t Leader::movementFinished(const List<short>& path, BusMessage doneEvent,
                                       const ContainerBase* donePayload, std::uint16_t) {
    if (selected_) sendHexes(HALF_DEHIGHLIGHT_REGION, &commandHexes_, true);
    const std::uint16_t left = VaelUnit::movementFinished(path, doneEvent, donePayload, 0);
    if (hex_ != offMap && selected_) {
        refillCommandHexes();
        if (!computerControlled_) sendHexes(HALF_HIGHLIGHT_REGION, &commandHexes_, false);
        sendLegalUnits();
    }
    return left;
}

std::int16_t Leader::MovementDone(std::uint32_t kind, std::uint16_t unitNumber) {
    if (unitNumber != unitNumber_) return 0;
    dropAnswer(queryNamedEmpty(msg::UnblockLeaderMenu));
    return VaelUnit::MovementDone(kind, unitNumber);
}

void Leader::replenishGroup() {
    int replenished = 0;
    if (group_) {
        ListIterator<VaelUnit*> it(group_->units);
        for (VaelUnit* member = nullptr; it.next(member);) {
            if (!member || member == this || !member->getPotentialToBeOrdered() || member->isRouting() ||
                !member->isMissileCapable())
                continue;
            auto* shooter = dynamic_cast<MissileCapable*>(member);
            if (!shooter || shooter->getMissilesLeft() != 0) continue;
            shooter->replenish();
            debugStream() << shooter->getName() << " replenished missiles." << std::endl;
            Container<short> number(static_cast<short>(shooter->getUnitNum()));
            sendNamed(msg::UnitReplenished, &number);
            ++replenished;
        }
    }
    debugStream() << "There were " << replenished << " unit(s) that rallied/replenished." << std::endl;
    // Refilling a large part of the group takes the leader's attention: it costs an order, never more
    // than he has.
    if (replenished > 2 && ordersUsed_ < initiative_) ++ordersUsed_;
}

Leader::FacingTurn Leader::turnTowardGroup(DIRECTION own, const std::uint16_t (&facings)[9]) {
    DIRECTION best = own;
    std::uint16_t most = 0;
    for (int d = North; d <= NorthWest; ++d)
        if (facings[d] > most) most = facings[d], best = static_cast<DIRECTION>(d);
    if (best == North || best == South) best = rotateClockwise(best, 1);
    // Count the facing steps either way round; North and South are corners no unit faces.
    auto steps = [&](bool clockwise) {
        int count = 0;
        for (DIRECTION d = own; d != best && count < 8;) {
            d = clockwise ? rotateClockwise(d, 1) : rotateAnticlockwise(d, 1);
            if (d != North && d != South) ++count;
        }
        return count;
    };
    if (own == best || own == NoDirection) return {0, 0};
    const int clockwise = steps(true);
    const int anticlockwise = steps(false);
    if (clockwise < anticlockwise) return {2, static_cast<std::uint16_t>(clockwise)};
    if (anticlockwise > 0) return {1, static_cast<std::uint16_t>(anticlockwise)};
    return {0, 0};
}

void Leader::faceGroup() {
    if (!group_) return;
    std::uint16_t facings[9] = {};
    ListIterator<VaelUnit*> it(group_->units);
    for (VaelUnit* member = nullptr; it.next(member);) {
        if (!member || (member->isCombatUnit() && member->isRouting())) continue;
        const DIRECTION f = member->getFacing();
        if (f >= North && f <= NorthWest) ++facings[f];
    }
    const FacingTurn turn = turnTowardGroup(facing_, facings);
    if (turn.sense == 0) return;
    Container<ChangeFacingStruct> change(ChangeFacingStruct{turn.sense, 0, turn.steps, unitNumber_});
    sendNamed(msg::ChangeFacing, &change);
}

} // namespace vael
