// Rally: a leader's attempt to bring a routing unit of his command back into the fight, and the
// selection of a routing unit, which may be given no other order.
#include <algorithm>
#include <string>

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "game/rules/combat/combat.h"
#include "game/rules/roll.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {

// Cohesion hits a rally removes, by half the die roll and the unit's TQ band; -1 is no rally.
constexpr std::int16_t routAndRecovery[5][3] = {{1, 1, 1}, {2, 2, 2}, {2, 2, 2}, {-1, 3, 3}, {-1, 4, 4}};

int tqColumn(std::uint16_t TQ) {
    return TQ <= 3 ? 0 : TQ <= 5 ? 1 : 2;
}

} // namespace

std::int16_t Combat::registerRallyMessages() {
    noHighlight_ = 1;
    VaelUnit::registerSelectedMessages();
    if (!isConnected(RegisteredMessage::getId(msg::Rally), onRally)) connectNamed(msg::Rally, onRally);
    disconnect(LOGICAL_OBJECT_SELECTED, VaelUnit::onObjectSelected);
    disconnectNamed(msg::UnitDeselected, VaelUnit::onUnitDeselected);
    if (!isConnected(RegisteredMessage::getId(msg::UnitDeselected), onRoutingUnitDeselected))
        connectNamed(msg::UnitDeselected, onRoutingUnitDeselected);
    sendMenuItem(ENABLE_MENU_ITEM, 213);
    Container<List<short>> hexes(ownHexes());
    send(HIGHLIGHT_REGION, &hexes);
    dropAnswer(queryEmpty(INVALIDATE_VIEW));
    return 0;
}

ContainerBase* Combat::onRally(Component* target, BusMessage, ContainerBase* data) {
    auto* unit = dynamic_cast<Combat*>(handlerTarget(target, "ROUT", 836));
    if (!unit) return nullptr;
    callWithPayload<short>(data, "ROUT", 836,
                           [unit](const short& initiative) { unit->rallyOrder(initiative); });
    return nullptr;
}

ContainerBase* Combat::onRoutingUnitDeselected(Component* target, BusMessage, ContainerBase*) {
    if (auto* unit = dynamic_cast<Combat*>(handlerTarget(target, "ROUT", __LINE__)))
        unit->deselectRoutingUnit();
    return nullptr;
}

void Combat::rallyOrder(std::int16_t initiative) {
    potentialToBeOrdered_ = 0;
    doneForTurn_ = 1;
    disconnectNamed(msg::Rally, onRally);
    Container<unsigned short> number(unitNumber_);
    sendNamed(msg::UnitMovementDone, &number);
    rallyTried_ = 1;
    Container<List<short>> hexes(ownHexes());
    send(DEHIGHLIGHT_REGION, &hexes);
    // A unit whose elimination is already decided is past rallying; the order is spent all the same.
    if (mayRally() && attemptRally(initiative) == 1) refaceAfterRally();
    unregisterSelectedMessages();
    // The rally's own deselection handler goes with the selection: left behind, it would answer every
    // later deselection of another unit as if this one were still selected.
    disconnectNamed(msg::UnitDeselected, onRoutingUnitDeselected);
    noHighlight_ = 1;
    sendMenuItem(DISABLE_MENU_ITEM, 213);
}

std::int16_t Combat::attemptRally(std::int16_t initiative) {
    auto& trace = debugStream();
    const std::string failed =
        "\\B" + getName() + "\\b unsuccessfully rallied.  It is now terminally routing!";
    trace << getName() << " attempting rallying..." << std::endl;
    const int first = Roll::d10();
    trace << "Die roll == " << first << std::endl;
    if (first > initiative + 1) {
        sendCommentary(failed);
        RoutMove(99);
        trace << getName() << " is eliminated (and therefore doing a terminal rout)" << std::endl;
        return 0;
    }
    trace << "Successfully got past the leader initiative part." << std::endl;
    const int column = tqColumn(TQ_);
    trace << "On the Rout & Recovery chart, column == " << column << ", " << std::endl;
    const int second = Roll::d10();
    const int row = second / 2;
    trace << "Row == " << row << " (based on a die roll of " << second << ")." << std::endl;
    const std::int16_t removed = routAndRecovery[row][column];
    trace << "The result is " << removed << std::endl;
    if (removed == -1) {
        sendCommentary(failed);
        RoutMove(99);
        trace << "The unit is not rallied and should be doing a terminal rout." << std::endl;
        return 0;
    }
    trace << getName() << " has successfully rallied." << std::endl;
    sendCommentary("\\B" + getName() + "\\b has successfully rallied.");
    const auto hits = static_cast<std::uint16_t>(std::max(0, cohesionHits_ - removed));
    // The rally holds from this moment: the query below runs what was already queued (a friend's rout
    // through this unit, say) before its own handler, and all of that must meet a unit that stands.
    standFromRout(hits);
    Container<RestoreCohesionInfo> info(RestoreCohesionInfo{hits, unitNumber_});
    dropAnswer(queryNamed(msg::DoRestoreCohesion, &info));
    return 1;
}

void Combat::deselectRoutingUnit() {
    selected_ = 0;
    disconnectNamed(msg::UnitDeselected, onRoutingUnitDeselected);
    disconnectNamed(msg::Rally, onRally);
    unregisterSelectedMessages();
    Container<short> number(static_cast<short>(unitNumber_));
    send(LOGICAL_OBJECT_DESELECTED, &number);
    sendMenuItem(DISABLE_MENU_ITEM, 213);
    Container<short> first(static_cast<short>(hex_));
    send(DEHIGHLIGHT_REGION, &first);
    if (doubleSized_ && secondHex_ >= 0) {
        Container<short> second(secondHex_);
        send(DEHIGHLIGHT_REGION, &second);
    }
    sendEmpty(INVALIDATE_VIEW);
}

} // namespace vael
