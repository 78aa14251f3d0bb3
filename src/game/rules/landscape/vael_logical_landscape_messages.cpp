// The logical map's bus handlers and the occupant rules around a hex.
#include <functional>
#include <string>

#include "framework/core/answer.h"
#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/hex_codes.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "game/rules/combat/combat.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_type.h"
#include "game/rules/units/vael_unit.h"

namespace vael {

namespace {

constexpr std::uint16_t none = LogicalRegion::none;
constexpr const char* sourceFile = "VELLGLND";

const Combat* asCombat(const VaelUnit* unit) {
    return unit && unit->isCombatUnit() ? dynamic_cast<const Combat*>(unit) : nullptr;
}

VaelLogicalLandscape* receiver(Component* target) {
    return dynamic_cast<VaelLogicalLandscape*>(target);
}

ContainerBase* regionSelectedHandler(Component* target, BusMessage, ContainerBase* data) {
    VaelLogicalLandscape* map = receiver(target);
    if (!map) return nullptr;
    callWithPayload<short>(data, sourceFile, __LINE__,
                           [map](const short& hex) { map->chooseGroupToOrder(hex); });
    return nullptr;
}

ContainerBase* regionFlybyHandler(Component* target, BusMessage, ContainerBase* data) {
    VaelLogicalLandscape* map = receiver(target);
    if (!map) return nullptr;
    callWithPayload<short>(data, sourceFile, __LINE__, [map](const short& hex) { map->describeHex(hex); });
    return nullptr;
}

ContainerBase* unitMovementHandler(Component* target, BusMessage, ContainerBase* data) {
    VaelLogicalLandscape* map = receiver(target);
    if (!map) return nullptr;
    bool played = false;
    callWithPayload<LogicalCommandInfo>(
        data, sourceFile, __LINE__,
        [map, &played](const LogicalCommandInfo& c) { played = map->UnitMovement(c); });
    // 1: the map took the move and handed it to the display; 0: it was refused and nothing changed.
    return new Container<short>(played ? 1 : 0);
}

ContainerBase* unitRemovedHandler(Component* target, BusMessage, ContainerBase* data) {
    VaelLogicalLandscape* map = receiver(target);
    if (!map) return nullptr;
    callWithPayload<UnitRemovedStruct>(
        data, sourceFile, __LINE__, [map](const UnitRemovedStruct& removed) { map->UnitRemoved(removed); });
    return nullptr;
}

ContainerBase* viewDetailsHandler(Component* target, BusMessage, ContainerBase*) {
    if (VaelLogicalLandscape* map = receiver(target)) map->showOfferedDetails();
    return nullptr;
}

constexpr std::int16_t ViewDetailsItem = 225;

} // namespace

void VaelLogicalLandscape::connectHandlers() {
    connect(REGION_SELECTED, regionSelectedHandler);
    selectionConnected_ = 1;
    connect(REGION_FLYBY, regionFlybyHandler);
    connectNamed(msg::UnitMovement, unitMovementHandler);
    connectNamed(msg::UnitRemoved, unitRemovedHandler);
    connectNamed(msg::UnitViewDetails, viewDetailsHandler);
}

void VaelLogicalLandscape::sendMenuItem(BusMessage event, std::int16_t command) {
    Container<BusMessage> item{BusMessage(command)};
    send(event, &item);
}

bool VaelLogicalLandscape::anySelected() const {
    for (const List<const VaelUnit*>& hex : occupants_)
        for (const VaelUnit* u : each(hex))
            if (u->isSelected()) return true;
    return false;
}

void VaelLogicalLandscape::offerDetails(const VaelUnit& unit) {
    if (unit.isLeader()) return;
    detailsOffered_ = unit.getUnitNum();
    sendMenuItem(ENABLE_MENU_ITEM, ViewDetailsItem);
}

void VaelLogicalLandscape::withdrawDetails() {
    if (detailsOffered_ < 0) return;
    detailsOffered_ = -1;
    // A selected unit keeps the item for its own details.
    if (!anySelected()) sendMenuItem(DISABLE_MENU_ITEM, ViewDetailsItem);
}

void VaelLogicalLandscape::showOfferedDetails() {
    if (detailsOffered_ < 0 || anySelected()) return;
    // Found by its number on the map: a unit gone from it since has nothing to show.
    for (const List<const VaelUnit*>& hex : occupants_)
        for (const VaelUnit* u : each(hex))
            if (u->getUnitNum() == detailsOffered_ && !u->isLeader()) {
                const_cast<VaelUnit*>(u)->viewDetails();
                return;
            }
}

void VaelLogicalLandscape::pauseSelection() {
    disconnect(REGION_SELECTED, regionSelectedHandler);
    selectionConnected_ = 0;
}

void VaelLogicalLandscape::resumeSelection() {
    if (selectionConnected_) return;
    connect(REGION_SELECTED, regionSelectedHandler);
    selectionConnected_ = 1;
}

// Whether some unit on a hex next to hex (sides visited in the order 1, 2, 4, 5, 6, 8) passes the test.
// A template rather than a std::function: the zone-of-control test runs for every step of every fill.
template <class Test> bool VaelLogicalLandscape::anyUnitNextTo(std::int16_t hex, const Test& test) const {
    const std::int32_t centre = lookupIndex(hex);
    if (!regionAtTableIndex(centre)) return false;
    const std::int32_t* around = &neighbourIndex_[static_cast<std::size_t>(centre) * LogicalRegion::slots];
    for (std::int32_t d : hexSides) {
        const std::int32_t index = around[d];
        if (index < 0) continue;
        Item<const VaelUnit*>* item = nullptr;
        if (occupants_[static_cast<std::size_t>(index)].firstItem(item))
            for (; item; item = item->next)
                if (test(item->value)) return true;
    }
    return false;
}

bool VaelLogicalLandscape::unitNextTo(std::int16_t hex, std::uint32_t nation) const {
    return anyUnitNextTo(hex, [&](const VaelUnit* unit) { return unit->isOtherNation(nation) != 0; });
}

bool VaelLogicalLandscape::zoneReaches(std::int16_t hex, std::uint32_t nation) const {
    // Skirmishers slip through any zone of control.
    const Combat* first = asCombat(firstOccupant(hex));
    if (first && first->getUnitType() == SK) return false;
    return anyUnitNextTo(
        hex, [&](const VaelUnit* unit) { return unit->isOtherNation(nation) && unit->isHexInZOC(hex); });
}

VaelLogicalLandscape::NationAnswers& VaelLogicalLandscape::freshAnswersFor(std::uint32_t nation) const {
    lastAnswers_ = nationAnswers_.size();
    for (std::size_t i = 0; i < nationAnswers_.size(); ++i)
        if (nationAnswers_[i].nation == nation) lastAnswers_ = i;
    if (lastAnswers_ == nationAnswers_.size()) {
        nationAnswers_.emplace_back();
        nationAnswers_.back().nation = nation;
        nationAnswers_.back().madeAt = changes_ + 1;
    }
    NationAnswers* answers = &nationAnswers_[lastAnswers_];
    if (answers->madeAt != changes_ || answers->adjacent.size() != occupants_.size()) {
        answers->adjacent.assign(occupants_.size(), 0);
        answers->inZone.assign(occupants_.size(), 0);
        answers->madeAt = changes_;
    }
    return *answers;
}

namespace {

// An answer kept in table for the hex's index, worked out by ask the first time.
template <class Ask> bool keptAnswer(std::vector<std::uint8_t>& table, std::int32_t index, const Ask& ask) {
    if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return ask();
    std::uint8_t& kept = table[static_cast<std::size_t>(index)];
    if (kept == 0) kept = static_cast<std::uint8_t>(1 + ask());
    return kept == 2;
}

} // namespace

bool VaelLogicalLandscape::enemyAdjacent(std::int16_t hex, std::uint32_t nation, bool leadersOnly) const {
    if (leadersOnly)
        return anyUnitNextTo(
            hex, [&](const VaelUnit* unit) { return unit->isOtherNation(nation) && unit->isLeader(); });
    return keptAnswer(answersFor(nation).adjacent, lookupIndex(hex), [&] { return unitNextTo(hex, nation); });
}

bool VaelLogicalLandscape::isInEnemyZOC(std::int16_t hex, std::uint32_t nation) const {
    return keptAnswer(answersFor(nation).inZone, lookupIndex(hex), [&] { return zoneReaches(hex, nation); });
}

bool VaelLogicalLandscape::findOWCandidates(std::int16_t hex, std::uint32_t nation, const VaelUnit* mover) {
    if (!mover || mover->isLeader()) return false;
    const Combat* moverCombat = asCombat(mover);
    const std::int32_t moverType = moverCombat ? static_cast<std::int32_t>(moverCombat->getUnitType()) : -1;
    const bool moverCavalry = moverCombat && Combat::isCavalry(moverCombat->getUnitType());
    const std::int16_t moverSecond = mover->isDoubleSized() ? mover->getSecondHex() : std::int16_t(-2);

    List<short> ring;
    hexesAtExactCost(ring, hex, 1, unitStepCost);
    ring.removeAll(hex);
    if (mover->isDoubleSized()) ring.removeAll(moverSecond);

    ListIterator<short> rings(ring);
    for (short r = 0; rings.next(r);) {
        // A copy: the perimeter fills below must not disturb the walk over this hex's units.
        List<const VaelUnit*> units = unitsInHex(r);
        ListIterator<const VaelUnit*> it(units);
        for (const VaelUnit* u = nullptr; it.next(u);) {
            if (!u->isOtherNation(nation)) continue;
            // A commander who fell with nobody in his place is no longer there to step aside.
            if (u->isOutOfPlay() && !u->standsOutOfPlay()) continue;
            debugStream() << "    Found a unit that could potentially OW: " << u->getName() << std::endl;
            List<short> perimeter;
            hexesAtExactCost(perimeter, r, 1, unitStepCost);
            perimeter.removeAll(r);
            perimeter.removeAll(hex);
            if (mover->isDoubleSized()) perimeter.removeAll(moverSecond);
            debugStream() << "    Looking in his perimeter for being in someone's ZOC" << std::endl;
            bool pinned = false;
            ListIterator<short> around(perimeter);
            for (short p = 0; !pinned && around.next(p);) {
                List<const VaelUnit*>& there = unitsInHex(p);
                ListIterator<const VaelUnit*> others(there);
                for (const VaelUnit* v = nullptr; others.next(v);) {
                    if (v->isCombatUnit() && v->isOtherNation(u->getNation()) && v->isHexInZOC(r)) {
                        debugStream()
                            << "    He is in the ZOC of " << v->getName() << ".  Can't OW" << std::endl;
                        pinned = true;
                        break;
                    }
                }
            }
            if (pinned) continue;
            const Combat* uCombat = asCombat(u);
            if ((!uCombat || moverCavalry) && u->isLeader()) return true;
            if (uCombat && !moverCavalry && Combat::isCavalry(uCombat->getUnitType())) return true;
            if (uCombat && uCombat->getUnitType() == SK && (moverType == PH || moverType == HI)) return true;
        }
    }
    return false;
}

namespace {

// The leader whose group the unit belongs to, found on his hex; null when he is not on the map.
const Leader* leaderOf(VaelLogicalLandscape& map, const VaelUnit& unit) {
    Container<unsigned short> group(unit.getLeaderId());
    const auto answer = owned(map.sendNowNamed(msg::FindLeader, &group));
    short leaderHex = -1;
    if (!answer || !Container<short>::fromMessage(answer.get(), leaderHex) || !map.isValidHex(leaderHex))
        return nullptr;
    ListIterator<const VaelUnit*> there(map.unitsInHex(leaderHex));
    for (const VaelUnit* u = nullptr; there.next(u);)
        if (u->isLeader() && u->getLeaderId() == unit.getLeaderId()) return dynamic_cast<const Leader*>(u);
    return nullptr;
}

} // namespace

void VaelLogicalLandscape::chooseGroupToOrder(std::int16_t hex) {
    withdrawDetails();
    VaelUnit* unit = const_cast<VaelUnit*>(firstOccupant(hex));
    if (!unit) return;
    debugStream() << "Choosing " << unit->getName() << " to give orders to" << std::endl;
    // Only the player at his orders hears why a unit of his side will not take one; that a unit has moved
    // this turn is true whoever asks, and is told without asking for the active group. Told why, he may
    // still read its details.
    bool told = unit->hasSpentMovement();
    const auto refuse = [&](const std::string& why) {
        if (!told || why.empty()) return;
        showRefusal(hex, why);
        offerDetails(*unit);
    };
    if (!unit->hasSpentMovement()) {
        const auto answer = owned(sendNowNamedEmpty(msg::ActiveGroup));
        Group* group = nullptr;
        takeAnswer(answer.get(), group, sourceFile, __LINE__);
        const Leader* leader = group ? dynamic_cast<const Leader*>(group->leader) : nullptr;
        if (leader) {
            told = leader->isOrdersPhaseActive() && !unit->isOtherNation(leader->getNation());
            // A leader orders only his own nation's troops: an ally of the player's, under another of his
            // leaders, is told whose orders it waits for.
            const Leader* own =
                told || !leader->isOrdersPhaseActive() || leader->isComputerControlled() || unit->isLeader()
                    ? nullptr
                    : leaderOf(*this, *unit);
            if (own && own != leader && !own->isComputerControlled()) {
                // A leader of the other side is the enemy's, whoever plays him: his unit is told as the
                // enemy's, never as one the leader giving orders could have.
                const bool ally =
                    !onVisitorSide || onVisitorSide(own->getNation()) == onVisitorSide(leader->getNation());
                showRefusal(hex, ally ? unit->getName() + " answers to " + own->getName() + ", not to " +
                                            leader->getName() + "."
                                      : unit->getName() + " is of the enemy's army, under " + own->getName() +
                                            ".");
                return offerDetails(*unit);
            }
            if (!group->contains(unit)) {
                if (leader->isGroupMoveGranted())
                    return refuse(unit->getName() + " is not of " + leader->getName() +
                                  "'s group, which is on a group move.");
                if (unit->isLeader())
                    return refuse(unit->getName() + " is not the leader giving orders now.");
                if (leader->ordersLeft() < 2) {
                    if (!unit->isOtherNation(leader->getNation())) showNotEnoughOrders();
                    return;
                }
            } else if (leader->isGroupMoveGranted() && unit != leader) {
                return refuse(unit->getName() + " moves only with " + leader->getName() + "'s group move.");
            }
        }
    }
    Container<short> where(hex);
    List<VectorBusResponse> answers =
        queryToNamed(static_cast<std::uint16_t>(unit->getId()), msg::UnitSelected, &where);
    bool selected = false;
    ListIterator<VectorBusResponse> it(answers);
    for (VectorBusResponse r; it.next(r);) {
        short taken = 0;
        if (r.result && Container<short>::fromMessage(r.result, taken) && taken) selected = true;
        delete r.result;
    }
    if (!selected && !unit->isLeader()) refuse(unit->whyNotOrderable());
}

bool VaelLogicalLandscape::UnitMovement(const LogicalCommandInfo& command) {
    if (command.event.id() != LOGICAL_OBJECT_MOVED) return false;
    debugStream() << "VLL: UnitMovement (LOGICAL_OBJECT_MOVED)" << std::endl;
    List<short> path;
    if (!callWithPayload<List<short>>(command.payload.get(), sourceFile, __LINE__,
                                      [&](const List<short>& steps) {
                                          path = steps;
                                          return true;
                                      }))
        return false;
    short from = 0, to = 0;
    if (!path.first(from) || !path.last(to)) return false;
    // A move nothing will play is answered here, or whoever ordered it would wait for its end for ever.
    // The orderer hears the refusal in the message's answer, beside the reply it waits for.
    const auto unplayed = [&](const std::string& why) {
        Assertion::check(false, why, sourceFile, static_cast<std::int16_t>(__LINE__));
        if (command.replyEvent.id() != NULL_EVENT) send(command.replyEvent, command.extra.get());
        return false;
    };

    VaelUnit* unit = nullptr;
    ListIterator<const VaelUnit*> it(unitsInHex(from));
    for (const VaelUnit* u = nullptr; it.next(u);)
        if (u->getUnitNum() == command.command) {
            unit = const_cast<VaelUnit*>(u);
            break;
        }
    if (!unit)
        return unplayed("Unit " + std::to_string(command.command) + " is not on hex " + std::to_string(from) +
                        ", where its move begins");

    // Both hexes are checked before either list changes: a move refused on its second hex leaves the
    // unit whole where it stood, not its first hex moved and its second behind.
    const std::int16_t oldSecond = unit->isDoubleSized() ? unit->rightFlankHex(from) : std::int16_t(-1);
    if (unit->isDoubleSized() && !unitsInHex(oldSecond).contains(unit))
        return unplayed(unit->getName() + " is not on its second hex " + std::to_string(oldSecond) +
                        ", where its move begins");

    removeFromRegion(unit, from);
    addToRegion(unit, to);
    unit->setHex(static_cast<std::uint16_t>(to));
    if (unit->isDoubleSized()) {
        removeFromRegion(unit, oldSecond);
        addToRegion(unit, unit->rightFlankHex(to));
    }
    unit->Animate(command);
    if (auto* combat = dynamic_cast<Combat*>(unit)) combat->updateSurroundings();
    return true;
}

void VaelLogicalLandscape::UnitRemoved(const UnitRemovedStruct& removed) {
    debugStream() << "Here in VaelLogicalLandscape::UnitRemoved" << std::endl;
    const VaelUnit* unit =
        removeUnitById(static_cast<std::int16_t>(removed.unitId), static_cast<std::int16_t>(removed.hex));
    if (removed.secondHex != -1) {
        const VaelUnit* second = removeUnitById(static_cast<std::int16_t>(removed.unitId), removed.secondHex);
        if (!unit) unit = second;
    }
    // A unit that stands on neither hex is not on the map: there is nobody to tell the display about.
    if (!unit) return;
    LogicalCommandInfo command(unit->getUnitNum(), nullptr, unit->getHex(),
                               BusMessage(RegisteredMessage::getId(msg::UnitRemoved)), BusMessage(0),
                               nullptr);
    Container<LogicalCommandInfo> box(command);
    send(LOGICAL_COMMAND, &box);
    const_cast<VaelUnit*>(unit)->setHex(Unit::offMap);
}

} // namespace vael
