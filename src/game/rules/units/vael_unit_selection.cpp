// The unit's standing bus handlers, its selection and the orders it may be given.
#include "framework/core/answer.h"
#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/vael_unit.h"

namespace vael {

namespace {

constexpr const char* sourceFile = "VAELUNIT";

// A worker that takes no payload.
#define VAEL_PLAIN_HANDLER(name, call)                                                                       \
    ContainerBase* name(Component* target, BusMessage, ContainerBase*) {                                     \
        if (VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__)) unit->call;              \
        return nullptr;                                                                                      \
    }

ContainerBase* onUnitSelected(Component* target, BusMessage, ContainerBase* data) {
    VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__);
    if (!unit) return nullptr;
    return callWithPayload<short>(data, sourceFile, __LINE__, [unit](const short& hex) -> ContainerBase* {
        return new Container<short>(unit->UnitSelected(hex));
    });
}

ContainerBase* onLegalUnits(Component* target, BusMessage, ContainerBase* data) {
    VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__);
    if (!unit) return nullptr;
    callWithPayload<PossibleMoveData>(data, sourceFile, __LINE__, [unit](const PossibleMoveData& d) {
        if (d.hexes) {
            unit->LegalUnits(d.nation, *d.hexes);
        } else {
            unit->LegalUnits(d.nation, List<short>());
        }
    });
    return nullptr;
}

ContainerBase* onUnitOW(Component* target, BusMessage, ContainerBase* data) {
    VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__);
    if (!unit) return nullptr;
    callWithPayload<OWStruct>(data, sourceFile, __LINE__, [unit](const OWStruct& ow) { unit->UnitOW(ow); });
    return nullptr;
}

ContainerBase* onNoMoreOrders(Component* target, BusMessage, ContainerBase* data) {
    if (!VaelUnit::handlerTarget(target, sourceFile, __LINE__)) return nullptr;
    callWithPayload<short>(data, sourceFile, __LINE__, [](const short& mode) {
        VaelUnit::setGlobalOrderMode(static_cast<std::uint16_t>(mode));
    });
    return nullptr;
}

} // namespace

// The display's echo of the selection: only the unit it names registers its selected-unit handlers, once.
ContainerBase* VaelUnit::onObjectSelected(Component* target, BusMessage, ContainerBase* data) {
    VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__);
    if (!unit) return nullptr;
    callWithPayload<LogicalCommandInfo>(data, sourceFile, __LINE__, [unit](const LogicalCommandInfo& c) {
        if (c.command == unit->getUnitNum() && !unit->isSelected()) unit->registerSelectedMessages();
    });
    return nullptr;
}

ContainerBase* VaelUnit::onUnitDeselected(Component* target, BusMessage, ContainerBase*) {
    if (VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__))
        unit->unregisterSelectedMessages();
    return nullptr;
}

namespace {

VAEL_PLAIN_HANDLER(onBeginTurn, BeginTurn())
VAEL_PLAIN_HANDLER(onBeginOrdersPhase, beginOrdersPhase())
VAEL_PLAIN_HANDLER(onUnitViewDetails, viewDetails())
VAEL_PLAIN_HANDLER(onRotateLeft, rotateLeft())
VAEL_PLAIN_HANDLER(onRotateRight, rotateRight())
VAEL_PLAIN_HANDLER(onUnitAboutFace, UnitAboutFace())

ContainerBase* onCenterOnUnit(Component* target, BusMessage, ContainerBase*) {
    if (VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__)) {
        Container<short> hex(static_cast<short>(unit->getHex()));
        dropAnswer(unit->sendNowNamed(msg::CenterOnRegion, &hex));
    }
    return nullptr;
}

ContainerBase* onAnotherUnitGone(Component* target, BusMessage, ContainerBase*) {
    if (VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__)) unit->refigureValidMovement();
    return nullptr;
}

#undef VAEL_PLAIN_HANDLER

struct Standing {
    const char* name;
    HandlerFunction handler;
};
const Standing standing[] = {{msg::UnitSelected, onUnitSelected},
                             {msg::BeginTurn, onBeginTurn},
                             {msg::LegalUnits, onLegalUnits},
                             {msg::UnitOW, onUnitOW},
                             {msg::BeginLeaderOrdersPhase, onBeginOrdersPhase},
                             {msg::NoMoreOrders, onNoMoreOrders}};
const Standing whileSelected[] = {{msg::UnitDeselected, VaelUnit::onUnitDeselected},
                                  {msg::UnitCenterOnUnit, onCenterOnUnit},
                                  {msg::UnitViewDetails, onUnitViewDetails},
                                  {msg::RotateLeft, onRotateLeft},
                                  {msg::RotateRight, onRotateRight},
                                  {msg::UnitAboutFace, onUnitAboutFace},
                                  {msg::RoutingDone, onAnotherUnitGone},
                                  {msg::UnitEliminated, onAnotherUnitGone}};

} // namespace

ContainerBase* VaelUnit::onRegionSelected(Component* target, BusMessage, ContainerBase* data) {
    VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__);
    if (!unit) return nullptr;
    callWithPayload<short>(data, sourceFile, __LINE__, [unit](const short& hex) { unit->hexChosen(hex); });
    return nullptr;
}

ContainerBase* VaelUnit::onRegionFlyby(Component* target, BusMessage, ContainerBase* data) {
    VaelUnit* unit = VaelUnit::handlerTarget(target, sourceFile, __LINE__);
    if (!unit) return nullptr;
    callWithPayload<short>(data, sourceFile, __LINE__,
                           [unit](const short& hex) { unit->showHexToMoveTo(hex); });
    return nullptr;
}

void VaelUnit::connectHandlers() {
    for (const Standing& s : standing)
        connectNamed(s.name, s.handler);
}

void VaelUnit::disconnectHandlers() {
    for (const Standing& s : standing)
        disconnectNamed(s.name, s.handler);
    outOfPlay_ = 1;
    if (landscape_) landscape_->noteChange();
}

void VaelUnit::returnToPlay() {
    if (!outOfPlay_) return;
    VaelUnit::connectHandlers();
    outOfPlay_ = 0;
    eliminationDue_ = 0;
    if (landscape_) landscape_->noteChange();
    hex_ = offMap;
    secondHex_ = -1;
}

void VaelUnit::sendMenuItem(BusMessage event, std::int16_t command) {
    // The menus take the command as a message word, as the leaders send it.
    Container<BusMessage> item{BusMessage(command)};
    send(event, &item);
}

void VaelUnit::showMarker(const char* message, std::int16_t hex) {
    Container<short> box(hex);
    sendNamed(message, &box);
}

void VaelUnit::highlightValidMoves(bool recompute) {
    if (recompute) validMoves_ = GetValidMovement();
    Container<List<short>> moves(validMoves_);
    send(HIGHLIGHT_REGION, &moves);
    sendEmpty(INVALIDATE_VIEW);
}

void VaelUnit::refigureValidMovement() {
    debugStream() << "AnotherUnitRouted -- refigure valid movement" << std::endl;
    Container<List<short>> old(validMoves_);
    send(DEHIGHLIGHT_REGION, &old);
    highlightValidMoves(true);
}

std::int16_t VaelUnit::LegalUnits(std::uint32_t nation, const List<short>& hexes) {
    if (doneForTurn_) {
        debugStream()
            << getName()
            << " can't be ordered again because the leader already commanded him and he (the leader) "
               "only moved"
            << std::endl;
        potentialToBeOrdered_ = 0;
        return 0;
    }
    potentialToBeOrdered_ = 0;
    if (nation != nation_ || movementLeft_ != movementAllowance_ || rallied_) return 0;
    if (hexes.contains(static_cast<short>(hex_))) {
        potentialToBeOrdered_ = 1;
        debugStream() << getName() << ": potentialToBeOrdered = True" << std::endl;
    } else if (doubleSized_ && secondHex_ >= 0 && hexes.contains(secondHex_)) {
        potentialToBeOrdered_ = 1;
        debugStream() << getName() << " (by virtue of being double sized): potentialToBeOrdered = True"
                      << std::endl;
    }
    return 0;
}

std::string VaelUnit::whyNotOrderable() {
    // The tests of LegalUnits and UnitSelected; a unit that moved is told so first, whatever else holds.
    if (selected_) return "";
    if (movementLeft_ != movementAllowance_) return getName() + " has already moved this turn.";
    if (doneForTurn_) return getName() + " has had its orders this turn.";
    if (rallied_) return getName() + " rallied this turn and may take no other order.";
    if (!potentialToBeOrdered_) return getName() + " is out of command: it stands beyond the command range of the leader giving orders.";
    if (globalOrderMode_ != 0 && !hasEnemyContact())
        return getName() + " is not in contact with the enemy: only units in contact may be ordered now.";
    return "";
}

std::int16_t VaelUnit::UnitSelected(std::int16_t hex) {
    if (!potentialToBeOrdered_ || movementLeft_ != movementAllowance_ || selected_) return 0;
    if (globalOrderMode_ != 0 && !hasEnemyContact()) return 0;
    orderMode_ = globalOrderMode_;
    noHighlight_ = 0;
    selectedOnOwnHex_ = static_cast<std::uint16_t>(hex) == hex_;
    if (!isConnected(LOGICAL_OBJECT_SELECTED, VaelUnit::onObjectSelected))
        connect(LOGICAL_OBJECT_SELECTED, VaelUnit::onObjectSelected);
    dropAnswer(queryNamedEmpty(msg::UnitDeselected));
    LogicalCommandInfo command(unitNumber_, nullptr, hex_);
    Container<LogicalCommandInfo> box(command);
    send(LOGICAL_OBJECT_SELECTED, &box);
    selectedHex_ = static_cast<std::uint16_t>(hex);
    return 1;
}

std::int16_t VaelUnit::registerSelectedMessages() {
    selected_ = 1;
    if (!isConnected(REGION_SELECTED, onRegionSelected)) connect(REGION_SELECTED, onRegionSelected);
    for (const Standing& s : whileSelected)
        if (!isConnected(RegisteredMessage::getId(s.name), s.handler)) connectNamed(s.name, s.handler);
    if (usedThisTurn_) postUnitState();
    sendMenuItem(ENABLE_MENU_ITEM, 222);
    if (!isLeader()) sendMenuItem(ENABLE_MENU_ITEM, 225);
    if (!noHighlight_) {
        if (orderMode_ == 0) {
            validMoves_ = GetValidMovement();
        } else {
            validMoves_.clear();
            validMoves_.append(static_cast<short>(hex_));
            if (doubleSized_) validMoves_.append(secondHex_);
        }
        highlightValidMoves(false);
        if (!isConnected(REGION_FLYBY, onRegionFlyby)) connect(REGION_FLYBY, onRegionFlyby);
        markedHex_ = hex_;
        markedSecondHex_ = static_cast<std::uint16_t>(secondHex_);
        showMarker(msg::ShowHexToMoveTo, static_cast<std::int16_t>(hex_));
        if (doubleSized_) showMarker(msg::ShowHexToMoveTo, secondHex_);
    }
    return 0;
}

std::int16_t VaelUnit::hexChosen(std::int16_t hex) {
    disconnect(REGION_SELECTED, onRegionSelected);
    if (static_cast<std::uint16_t>(hex) == hex_ || (doubleSized_ && hex == secondHex_)) {
        sendNamedEmpty(msg::UnitDeselected);
        return 0;
    }
    if (validMoves_.contains(hex) && !blockedMoves_.contains(hex))
        BeginMove(hex, 1);
    else if (!noHighlight_)
        // Refused, the unit keeps the selection and the map shows it so: the outline back on the unit (a
        // hex no unit stands on is out of every reach).
        VaelUnit::showHexToMoveTo(static_cast<std::int16_t>(offMap));
    if (!isConnected(REGION_SELECTED, onRegionSelected)) connect(REGION_SELECTED, onRegionSelected);
    return 0;
}

std::int16_t VaelUnit::unregisterSelectedMessages() {
    selected_ = 0;
    disconnect(LOGICAL_OBJECT_SELECTED, VaelUnit::onObjectSelected);
    disconnect(REGION_SELECTED, onRegionSelected);
    if (!noHighlight_) {
        if (static_cast<std::int16_t>(markedHex_) >= 0) {
            showMarker(msg::HideHexToMoveTo, static_cast<std::int16_t>(markedHex_));
            if (doubleSized_ && static_cast<std::int16_t>(markedSecondHex_) >= 0)
                showMarker(msg::HideHexToMoveTo, static_cast<std::int16_t>(markedSecondHex_));
        }
        disconnect(REGION_FLYBY, onRegionFlyby);
    }
    for (const Standing& s : whileSelected)
        disconnectNamed(s.name, s.handler);
    sendMenuItem(DISABLE_MENU_ITEM, 235);
    Container<List<short>> moves(validMoves_);
    send(DEHIGHLIGHT_REGION, &moves);
    sendEmpty(INVALIDATE_VIEW);
    Container<short> number(static_cast<short>(unitNumber_));
    send(LOGICAL_OBJECT_DESELECTED, &number);
    sendMenuItem(DISABLE_MENU_ITEM, 222);
    sendMenuItem(DISABLE_MENU_ITEM, 225);
    if (movementLeft_ != movementAllowance_) {
        sendNamed(msg::UsedThisTurn, &number);
        movementLeft_ = 0;
        if (globalOrderMode_ != 0) sendNamedEmpty(msg::LastOrderDeselected);
    }
    return 0;
}

std::int16_t VaelUnit::showHexToMoveTo(std::int16_t h) {
    const std::int16_t other = doubleSized_ ? rightFlankHex(h) : std::int16_t(-1);
    const auto hideMarkers = [this] {
        if (static_cast<std::int16_t>(markedHex_) >= 0)
            showMarker(msg::HideHexToMoveTo, static_cast<std::int16_t>(markedHex_));
        if (doubleSized_ && static_cast<std::int16_t>(markedSecondHex_) >= 0)
            showMarker(msg::HideHexToMoveTo, static_cast<std::int16_t>(markedSecondHex_));
    };
    if (!validMoves_.contains(h)) {
        // Beyond its reach the outline goes back to the unit itself, so that a selected unit never looks
        // let go while the pointer is elsewhere (and a hex no unit can stand on puts it there after a move).
        const bool onUnit = markedHex_ == hex_ && (!doubleSized_ || markedSecondHex_ == secondHex_);
        if (!onUnit) {
            hideMarkers();
            showMarker(msg::ShowHexToMoveTo, static_cast<std::int16_t>(hex_));
            if (doubleSized_) showMarker(msg::ShowHexToMoveTo, secondHex_);
        }
        markedHex_ = hex_;
        if (doubleSized_) markedSecondHex_ = static_cast<std::uint16_t>(secondHex_);
        return 0;
    } else if (static_cast<std::int16_t>(markedHex_) >= 0 && static_cast<std::int16_t>(markedHex_) != h) {
        hideMarkers();
        if (!doubleSized_) {
            showMarker(msg::ShowHexToMoveTo, h);
        } else if (validMoves_.contains(other) && !blockedMoves_.contains(h)) {
            showMarker(msg::ShowHexToMoveTo, other);
            showMarker(msg::ShowHexToMoveTo, h);
        }
    }
    markedHex_ = static_cast<std::uint16_t>(h);
    if (doubleSized_) markedSecondHex_ = static_cast<std::uint16_t>(other);
    return 0;
}

std::int16_t VaelUnit::BeginTurn() {
    potentialToBeOrdered_ = doneForTurn_ = usedThisTurn_ = rallied_ = 0;
    movementLeft_ = movementAllowance_;
    postUnitState();
    return 0;
}

namespace {
VaelUnit::DetailsView& detailsView() {
    static VaelUnit::DetailsView view;
    return view;
}
} // namespace

void VaelUnit::setDetailsView(DetailsView view) {
    detailsView() = std::move(view);
}

std::int16_t VaelUnit::viewDetails() {
    // A copy: the overview may take the view away while it runs.
    if (DetailsView view = detailsView()) view(*this);
    return 0;
}

std::int16_t VaelUnit::beginOrdersPhase() {
    movementLeft_ = movementAllowance_;
    globalOrderMode_ = 0;
    doneForTurn_ = 0;
    return 0;
}

} // namespace vael
