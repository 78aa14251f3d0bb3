// A leader's movement: where he may go alone, the group move with its chances, the destinations of a
// whole group in formation and its execution, and the leader's own choice of path.
#include <algorithm>
#include <string>
#include <utility>

#include "framework/core/answer.h"
#include "framework/core/application.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/hex_codes.h"
#include "framework/core/registered_message.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/roll.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {

constexpr std::uint16_t GroupMoveCommand = 212;
constexpr DIRECTION sectorFacings[6] = {NorthEast, East, SouthEast, SouthWest, West, NorthWest};

std::int16_t neighbourOf(const VaelLogicalLandscape* landscape, std::int16_t hex, std::int32_t side) {
    if (hex < 0 || side <= 0) return -1;
    const std::uint16_t n = landscape->neighbourId(hex, side);
    if (n == LogicalRegion::none || !landscape->isValidHex(static_cast<std::int16_t>(n))) return -1;
    return static_cast<std::int16_t>(n);
}

// Region directions turn over the six hex sides; 3 and 7 are corners.
std::int32_t sideTurned(std::int32_t side, bool clockwise) {
    for (int i = 0; i < 6; ++i)
        if (hexSides[i] == side) return hexSides[(i + (clockwise ? 1 : 5)) % 6];
    return 0;
}

void beginWait() {
    if (Application* app = Application::instance()) app->beginWait();
}

void endWait() {
    if (Application* app = Application::instance()) app->endWait();
}

// The formation of a group: the leader's hex, then every member's hex (both of a double-sized one).
List<short> formationOf(const Leader& leader, const Group* group) {
    List<short> formation;
    formation.append(static_cast<short>(leader.getHex()));
    if (!group) return formation;
    for (VaelUnit* member : group->units) {
        if (!member || member->getHex() == Unit::offMap) continue;
        formation.append(static_cast<short>(member->getHex()));
        if (member->isDoubleSized() && member->getSecondHex() >= 0) formation.append(member->getSecondHex());
    }
    return formation;
}

} // namespace

List<DIRECTION> Leader::frontDirections(DIRECTION facing) {
    List<DIRECTION> out;
    const auto both = [&out](std::int32_t a, std::int32_t b) {
        out.append(static_cast<DIRECTION>(a));
        out.append(static_cast<DIRECTION>(b));
    };
    switch (facing) {
    case NorthEast:
        both(1, 2);
        break;
    case East:
        both(2, 4);
        break;
    case SouthEast:
        both(4, 5);
        break;
    case SouthWest:
        both(5, 6);
        break;
    case West:
        both(6, 8);
        break;
    case NorthWest:
        both(8, 1);
        break;
    default:
        break;
    }
    return out;
}

std::int16_t Leader::fullGroupMoveCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape* landscape,
                                       VaelUnit* unit) {
    const std::int32_t d = landscape->neighbourDirection(from, to);
    if (unit && d != 0) {
        const std::int32_t l = sideTurned(d, false), r = sideTurned(d, true);
        const std::int16_t ahead = neighbourOf(landscape, to, d);
        const std::int16_t watched[5] = {neighbourOf(landscape, ahead, d), neighbourOf(landscape, ahead, l),
                                         neighbourOf(landscape, ahead, r),
                                         neighbourOf(landscape, neighbourOf(landscape, to, l), l),
                                         neighbourOf(landscape, neighbourOf(landscape, to, r), r)};
        for (std::int16_t h : watched)
            if (h >= 0 && landscape->otherNationInHex(h, unit->getNation())) return -1;
    }
    return ownStepCost(from, to, landscape, unit);
}

std::int16_t Leader::attemptGroupMove() {
    auto& trace = debugStream();
    dropAnswer(queryNamedEmpty(msg::UnitDeselected));
    std::string text = "\\B" + name_ + "\\b";
    beginWait();
    if (group_ && landscape_) {
        ListIterator<VaelUnit*> it(group_->units);
        for (VaelUnit* member = nullptr; it.next(member);) {
            if (!member || member->getHex() == offMap) continue;
            List<short> near;
            landscape_->hexesWithinCost(near, static_cast<std::int16_t>(member->getHex()), 2,
                                        VaelLogicalLandscape::unitStepCost);
            bool enemy = false;
            ListIterator<short> hexes(near);
            for (short h = 0; hexes.next(h) && !enemy;)
                enemy = landscape_->otherNationInHex(h, nation_);
            if (!enemy) continue;
            trace << "Found a unit who has an enemy within 2 hexes: " << member->getName() << std::endl;
            Container<std::string> line(text +
                                        " cannot attempt group move: unit is within 2 hexes of enemy.");
            sendNamed(msg::AddCommentary, &line);
            endWait();
            enableMenu(GroupMoveCommand, false);
            return 0;
        }
    }
    endWait();
    groupMoveTried_ = 1;
    const int base = (static_cast<int>(initiative_) - 2) * 20;
    const int full = std::min(100, base + 30);
    const int oneHex = std::min(100, base + 50);
    trace << name_ << " is attempting a group move:" << std::endl
          << "His chances for full group move: " << full << std::endl
          << "His chances for a one hex group move: " << oneHex << std::endl;
    int roll = Roll::d100();
    trace << "The initial dieroll == " << roll << std::endl;
    if (failedGroupMoves_ == 1) {
        roll = std::max(0, roll - 30);
        trace << "Increasing chances by 30% since he moved last time: " << roll << std::endl;
    } else if (failedGroupMoves_ >= 2) {
        roll = 0;
        trace << "He tried twice before and failed.  Automatic this time..." << std::endl;
    }
    fullGroupMove_ = 0;
    if (roll < full) {
        fullGroupMove_ = 1;
        trace << "Full move was a success..." << std::endl;
    } else if (roll < oneHex) {
        trace << "Succeeded in a one hex move " << std::endl;
    } else {
        Container<std::string> line(text + " failed to make a group move.");
        sendNamed(msg::AddCommentary, &line);
        trace << "Failed in the group move altogether..." << std::endl;
        sendHexes(HALF_DEHIGHLIGHT_REGION, &commandHexes_, false);
        sendEmpty(INVALIDATE_VIEW);
        sendNamedEmpty(msg::EndOrdersPhase);
        return 0;
    }
    Container<std::string> line(text + " can do a" +
                                (fullGroupMove_ ? " full group move." : " one hex group move."));
    sendNamed(msg::AddCommentary, &line);
    groupMoveGranted_ = 1;
    stopChargingEachOrder();
    enableMenu(GroupMoveCommand, false);
    if (selected_) unregisterSelectedMessages();
    Container<short> here(static_cast<short>(hex_));
    send(REGION_SELECTED, &here);
    return 0;
}

std::int16_t Leader::unregisterSelectedMessages() {
    if (Application* app = Application::instance(); app && std::exchange(refusalShown_, false))
        app->setStatusText("", 2);
    return VaelUnit::unregisterSelectedMessages();
}

std::int16_t Leader::registerSelectedMessages() {
    if (groupMoveGranted_ && movementLeft_ == movementAllowance_) {
        std::uint16_t allowance = 1;
        if (fullGroupMove_) {
            allowance = movementAllowance_;
            if (group_) {
                ListIterator<VaelUnit*> it(group_->units);
                for (VaelUnit* member = nullptr; it.next(member);)
                    if (member) allowance = std::min(allowance, member->getMovementAllowance());
            }
        }
        movementLeft_ = allowance;
        debugStream() << "The new movement allowance = " << allowance << std::endl;
    }
    return VaelUnit::registerSelectedMessages();
}

List<short> Leader::GetValidMovement(DIRECTION, std::uint16_t allowance) {
    debugStream() << "Leader::GetValidMovement -- " << name_ << std::endl;
    List<short> moves;
    if (!landscape_ || hex_ == offMap) return moves;
    const auto budget = static_cast<std::int16_t>(allowance ? allowance : movementLeft_);
    if (groupMoveGranted_) {
        landscape_->floodFillFormation(moves, frontDirections(groupFacing_), formationOf(*this, group_),
                                       budget, fullGroupMove_ ? fullGroupMoveCost : plainCost);
        return moves;
    }
    // Alone, the leader's reach depends on the map and who stands where, his hex and his budget.
    const bool keepable = reachKeepable();
    ReachKey key;
    if (keepable) key = ownReachKey(NoDirection, static_cast<std::uint16_t>(budget));
    if (const KeptReach* kept = keepable ? keptReachFor(key) : nullptr) return kept->reach;
    List<DIRECTION> directions;
    for (DIRECTION d : {North, NorthEast, SouthEast, South, SouthWest, NorthWest})
        directions.append(d);
    List<short> reached;
    landscape_->floodFill(reached, directions, static_cast<std::int16_t>(hex_), budget, 1, ownMoveCost);
    ListIterator<short> it(reached);
    for (short h = 0; it.next(h);)
        if (!landscape_->isHexOccupied(h)) moves.append(h);
    moves.append(static_cast<short>(hex_));
    if (keepable)
        keepReach(key, moves, List<short>());
    else
        forgetReach();
    return moves;
}

std::string Leader::groupMoveRefusal(std::int16_t hex) const {
    // Past the grant's reach the grant is what stops him, whatever stands there: told the places of his
    // units instead, the player would look for a unit in the way.
    const std::int32_t reach = fullGroupMove_ ? movementLeft_ : 1;
    if (landscape_ && hex_ != offMap && landscape_->hexDistance(static_cast<std::int16_t>(hex_), hex) > reach)
        return getName() + " cannot take his group that far: " +
               (fullGroupMove_ ? "his group move goes " + std::to_string(reach) +
                                     (reach == 1 ? " hex" : " hexes") + " at most."
                               : "he was granted a one hex group move.");
    return getName() +
           " cannot take his group to that hex: every unit of it must be able to keep its place there.";
}

std::int16_t Leader::MoveUnit(std::int16_t hex) {
    auto& trace = debugStream();
    if (!validMoves_.contains(hex)) {
        // Refused as a unit's move is, on the status bar, and he stays selected; a click on one of his own
        // side's units is that unit's to answer.
        const VaelUnit* there = landscape_ ? landscape_->firstOccupant(hex) : nullptr;
        Application* app = Application::instance();
        if (selected_ && app && (!there || there->isOtherNation(nation_))) {
            app->setStatusText(
                groupMoveGranted_ ? groupMoveRefusal(hex) : getName() + " cannot reach that hex.", 2);
            refusalShown_ = true;
        }
        return 0;
    }
    disconnect(REGION_SELECTED, onRegionSelected);
    trace << "Leader::MoveUnit" << std::endl;
    if (static_cast<std::uint16_t>(hex) == hex_) {
        if (groupMoveGranted_) {
            chargeOrder(unitNumber_);
            movementLeft_ = 0;
        }
        sendNamedEmpty(msg::UnitDeselected);
        return 0;
    }
    dropAnswer(queryNamedEmpty(msg::BlockLeaderMenu));
    if (groupMoveGranted_ && landscape_) {
        chargeOrder(unitNumber_);
        beginWait();
        const Point shift =
            landscape_->latticePoint(hex) - landscape_->latticePoint(static_cast<std::int16_t>(hex_));
        const List<DIRECTION> ahead = frontDirections(groupFacing_);
        List<VaelUnit*> members;
        if (group_) members = group_->units;
        ListIterator<VaelUnit*> it(members);
        for (VaelUnit* member = nullptr; it.next(member);) {
            if (!member || member->getHex() == offMap) continue;
            const auto from = static_cast<std::int16_t>(member->getHex());
            const std::int16_t target = landscape_->hexAtLatticePoint(landscape_->latticePoint(from) + shift);
            trace << "GroupMove " << member->getName() << " to hex " << target << std::endl;
            const std::int16_t budget =
                static_cast<std::int16_t>(landscape_->hexLine(from, target).count() - 1);
            List<short> reach;
            List<List<short>> paths;
            landscape_->floodFill(reach, ahead, from, budget, 1, plainCost, &paths);
            List<short> chosen;
            bool found = false;
            ListIterator<List<short>> candidates(paths);
            for (List<short> path; !found && candidates.next(path);)
                if (path.contains(target)) chosen = path, found = true;
            // A member the fill cannot bring to its place in the formation stays where it is.
            if (!found) {
                trace << member->getName() << " has no path to hex " << target << std::endl;
                continue;
            }
            Container<short> number(static_cast<short>(member->getUnitNum()));
            member->movementFinished(chosen, BusMessage(RegisteredMessage::getId(msg::GroupMovementDone)),
                                     &number, 0);
        }
        endWait();
    }
    BeginMove(hex, 1);
    if (!isConnected(REGION_SELECTED, onRegionSelected)) connect(REGION_SELECTED, onRegionSelected);
    return 0;
}

BestPathResult Leader::GetBestPath(std::int16_t dest, List<short>& pathOut, std::int16_t flag) {
    auto& trace = debugStream();
    BestPathResult answer;
    pathOut.clear();
    if (!landscape_ || hex_ == offMap) return answer;
    const auto start = static_cast<std::int16_t>(hex_);
    const std::int16_t bearing = landscape_->bearingBetween(start, dest);
    const int sector = bearing < 0 ? 0 : std::min(5, bearing / 4);
    DIRECTION facing = sectorFacings[sector];
    if (bearing >= 0 && bearing % 4 == 0) {
        const DIRECTION a = stepFacing(facing, 1);
        const DIRECTION b = stepFacing(a, 1);
        if (facing_ == a || facing_ == b) facing = stepFacing(facing, 1);
    }
    answer = BestPathResult{NORMAL, static_cast<std::uint16_t>(dest), static_cast<std::uint32_t>(facing)};

    enum class Walk { Clear, Stopped, Blocked };
    // The steps of a walk along hexes; with flag 0 the leader's own hex leads the path untested.
    const auto walk = [&](List<short> hexes, List<short>& path) {
        if (flag == 0) {
            hexes.removeAll(start);
            path.append(start);
        }
        std::int16_t previous = start;
        ListIterator<short> it(hexes);
        for (short h = 0; it.next(h);) {
            path.append(h);
            if (landscape_->isInEnemyZOC(h, nation_)) return Walk::Stopped;
            const VaelUnit* first = landscape_->firstOccupant(h);
            if (h != start && h != secondHex_ && first && first->isOtherNation(nation_)) return Walk::Blocked;
            if (h != previous && ownMoveCost(previous, h, landscape_, this) < 0) return Walk::Blocked;
            previous = h;
        }
        return Walk::Clear;
    };

    List<short> clearPath;
    bool clear = false, anyStopped = false;
    List<List<short>> closer;
    {
        List<short> path;
        const Walk outcome = walk(landscape_->hexLine(start, dest), path);
        if (outcome == Walk::Clear) clearPath = path, clear = true;
        anyStopped = outcome == Walk::Stopped;
    }
    if (!clear) {
        trace << "Couldn't find a LOS path.  Now checking for other paths" << std::endl;
        List<short> reach;
        List<List<short>> candidates;
        landscape_->floodFill(reach, frontDirections(sectorFacings[sector]), start,
                              static_cast<std::int16_t>(movementLeft_), 1, ownMoveCost, &candidates);
        ListIterator<List<short>> it(candidates);
        for (List<short> candidate; !clear && it.next(candidate);) {
            if (!candidate.contains(dest)) {
                trace << "Found a path without the destination in it." << std::endl;
                List<short> kept;
                short previous = -1;
                ListIterator<short> hexes(candidate);
                for (short h = 0; hexes.next(h);) {
                    if (previous >= 0 &&
                        (landscape_->hexDistance(h, dest) > landscape_->hexDistance(previous, dest) ||
                         ownMoveCost(previous, h, landscape_, this) < 0))
                        break;
                    trace << "Found a closer hex in the path: " << h << std::endl;
                    kept.append(h);
                    previous = h;
                }
                short end = -1;
                kept.last(end);
                trace << "The end hex is " << end << ".  The destHex == " << dest
                      << ".  The distance == " << landscape_->hexDistance(end, dest) << std::endl;
                closer.append(kept);
                continue;
            }
            trace << "Found a path with the destHex (" << dest << ") in it:" << std::endl;
            List<short> path;
            const Walk outcome = walk(candidate, path);
            if (outcome == Walk::Clear) clearPath = path, clear = true;
            if (outcome == Walk::Stopped) anyStopped = true;
        }
    }
    if (clear) {
        pathOut = clearPath;
    } else if (anyStopped) {
        int shortest = 32767;
        ListIterator<List<short>> it(closer);
        for (List<short> c; it.next(c);)
            if (c.count() < shortest) shortest = c.count(), pathOut = c;
    } else {
        int nearest = 32767;
        ListIterator<List<short>> it(closer);
        for (List<short> c; it.next(c);) {
            short end = -1;
            if (!c.last(end)) continue;
            const int distance = landscape_->hexDistance(end, dest);
            if (distance < nearest) nearest = distance, pathOut = c;
        }
    }
    // Never end on a hex another unit holds.
    for (short last = 0; pathOut.last(last);) {
        const VaelUnit* first = landscape_->firstOccupant(last);
        if (!first || (first == this && landscape_->unitsInHex(last).count() == 1)) break;
        pathOut.removeLast();
    }
    if (pathOut.contains(dest)) {
        List<short> cut;
        ListIterator<short> it(pathOut);
        for (short h = 0; it.next(h);) {
            cut.append(h);
            if (h == dest) break;
        }
        pathOut = cut;
    }
    return answer;
}

} // namespace vael
