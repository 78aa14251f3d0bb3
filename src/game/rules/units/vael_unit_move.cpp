// Move orders: where the unit may go, the path it takes there and the start of the walk.
#include <algorithm>
#include <iterator>

#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/vael_unit.h"

namespace vael {

namespace {

constexpr DIRECTION facingCodes[6] = {NorthEast, East, SouthEast, SouthWest, West, NorthWest};

// The two region directions of the front arc of a facing, which the search of other paths spreads in.
List<DIRECTION> frontDirections(DIRECTION facing) {
    std::int32_t a = 0, b = 0;
    switch (facing) {
    case NorthEast:
        a = 2, b = 1;
        break;
    case East:
        a = 2, b = 4;
        break;
    case SouthEast:
        a = 4, b = 5;
        break;
    case SouthWest:
        a = 5, b = 6;
        break;
    case West:
        a = 6, b = 8;
        break;
    case NorthWest:
        a = 8, b = 1;
        break;
    default:
        break;
    }
    List<DIRECTION> out;
    if (a) out.append(static_cast<DIRECTION>(a)), out.append(static_cast<DIRECTION>(b));
    return out;
}

enum class Walk { Clear, Blocked, Stopped, Withdrawal };

} // namespace

bool VaelUnit::reachKeepable() const {
    return landscape_ && hex_ != offMap && !outOfPlay_ &&
           landscape_->firstOccupant(static_cast<std::int16_t>(hex_)) == this && !debugStream().tracing();
}

VaelUnit::ReachKey VaelUnit::ownReachKey(DIRECTION facing, std::uint16_t allowance) const {
    ReachKey key;
    key.changes = landscape_ ? landscape_->changeCount() : 0;
    const std::int32_t own[] = {static_cast<std::int32_t>(hex_),
                                secondHex_,
                                static_cast<std::int32_t>(facing),
                                allowance,
                                static_cast<std::int32_t>(facing_),
                                doubleSized_,
                                forcedWithdrawal_,
                                selectedHex_,
                                static_cast<std::int32_t>(nation_),
                                0};
    std::copy(std::begin(own), std::end(own), key.own);
    return key;
}

void VaelUnit::keepReach(const ReachKey& key, const List<short>& reach, const List<short>& attack) {
    keptReach_.valid = true;
    keptReach_.key = key;
    keptReach_.reach = reach;
    keptReach_.attack = attack;
    keptReach_.blocked = blockedMoves_;
}

std::int16_t VaelUnit::MoveTo(std::int16_t hex) {
    validMoves_ = GetValidMovement();
    if (validMoves_.contains(hex) && !blockedMoves_.contains(hex)) return BeginMove(hex, 1);
    debugStream() << getName() << " can't move to the destHex in VaelUnit::MoveTo" << std::endl;
    return 0;
}

std::int16_t VaelUnit::MoveToward(std::int16_t hex) {
    const std::int16_t target = QueryMoveTo(hex);
    return target < 0 ? std::int16_t(0) : MoveTo(target);
}

std::int16_t VaelUnit::QueryMoveTo(std::int16_t dest) {
    debugStream() << getName() << " in QueryMoveTo" << std::endl;
    List<short> moves = GetValidMovement();
    moves.removeAll(static_cast<short>(hex_));
    if (moves.isEmpty()) {
        debugStream() << getName() << " has an empty list of valid hexes to move to." << std::endl;
        return -1;
    }
    if (moves.contains(dest)) {
        debugStream() << getName() << " found the destination hex in his list of valid hexes" << std::endl;
        if (!doubleSized_ || moves.contains(rightFlankHex(dest))) return dest;
        debugStream() << "Couldn't move there, however, because the right side wasn't in the possible regions"
                      << std::endl;
    }
    std::int16_t best = -1;
    int bestDistance = 1000;
    ListIterator<short> it(moves);
    for (short h = 0; it.next(h);) {
        if (doubleSized_) {
            const std::int16_t flank = rightFlankHex(h);
            if (!moves.contains(flank) || !landscape_->unitsInHex(flank).isEmpty()) continue;
        }
        const int distance = landscape_ ? landscape_->hexDistance(h, dest) : 1000;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = h;
            debugStream() << "   Found a closer hex: " << h << "; distance = " << distance << std::endl;
        }
    }
    return best;
}

void VaelUnit::awaitMovementDone() {
    if (!isConnected(RegisteredMessage::getId(msg::MovementDone), onMovementDone))
        connectNamed(msg::MovementDone, onMovementDone);
}

std::int16_t VaelUnit::BeginMove(std::int16_t dest, std::int16_t flag) {
    if (doubleSized_ && (!validMoves_.contains(rightFlankHex(dest)) || blockedMoves_.contains(dest))) {
        debugStream() << getName() << " can't move because the destination hex (" << dest
                      << "), is not in the right side" << std::endl;
        return 0;
    }
    if (!validMoves_.contains(dest)) return 0;
    {
        Container<List<short>> moves(validMoves_);
        send(DEHIGHLIGHT_REGION, &moves);
    }
    moveDestination_ = static_cast<std::uint16_t>(dest);
    const BestPathResult best = GetBestPath(dest, movePath_, flag);
    const bool ow = best.result == OW_MOVE;
    const char* kindText = ow ? "OW_MOVE" : "NORMAL/ZOC_MOVE";
    Container<MoveReturnStruct> done(MoveReturnStruct{ow ? 1u : 2u, unitNumber_});
    if (!hasMoved_ && !isConnected(RegisteredMessage::getId(msg::MovementDone), onMovementDone))
        connectNamed(msg::MovementDone, onMovementDone);
    if (movePath_.count() < 2) {
        debugStream() << getName() << "(Unit #" << unitNumber_ << ") posting MovementDone with " << kindText
                      << " and path <= 1" << std::endl;
        if (!hasMoved_) sendNamed(msg::MovementDone, &done);
        return 0;
    }
    debugStream() << getName() << "(Unit #" << unitNumber_ << ") posting MovementDone with " << kindText
                  << " and path > 1" << std::endl;
    movementFinished(movePath_, BusMessage(RegisteredMessage::getId(msg::MovementDone)), &done, 0);
    if (!ow) return best.result;
    if (isRouting() || willRout()) {
        debugStream() << getName()
                      << " is routing due to the move AND OW_MOVE was the move type.  Now being reset."
                      << std::endl;
        return 2;
    }
    return 1;
}

BestPathResult VaelUnit::GetBestPath(std::int16_t dest, List<short>& pathOut, std::int16_t flag) {
    List<List<short>> clear, withdrawal, stopped;
    debugStream() << getName() << " in VaelUnit::GetBestPath" << std::endl;
    BestPathResult answer;
    pathOut.clear();
    if (!landscape_) return answer;
    const auto start = static_cast<std::int16_t>(hex_);

    const std::int16_t bearing = landscape_->bearingBetween(start, dest);
    DIRECTION facing = facingCodes[bearing < 0 ? 0 : bearing / 4];
    if (bearing >= 0 && bearing % 4 == 0) {
        const DIRECTION a = stepFacing(facing, 1);
        const DIRECTION b = stepFacing(a, 1);
        if (facing_ == a || facing_ == b) facing = stepFacing(facing, 1);
        debugStream() << "Two different directions are possible.  The chosen one is " << facing << std::endl;
    }
    answer.facing = static_cast<std::uint32_t>(facing);

    const auto occupantBlocks = [&](std::int16_t h, bool& holdsLeader) {
        if (h < 0 || h == start || h == secondHex_) return false;
        const VaelUnit* first = landscape_->firstOccupant(h);
        if (!first) return false;
        if (!first->isLeader()) return true;
        holdsLeader = true;
        return false;
    };
    // Walks a sequence of hexes with the tests of every step; until, when not -1, ends the walk with
    // success once its occupant and stop tests are passed.
    const auto walk = [&](const List<short>& sequence, List<short>& path, std::int16_t until) {
        std::int16_t previous = start;
        for (short h : sequence) {
            path.append(h);
            bool holdsLeader = false;
            if (occupantBlocks(h, holdsLeader)) return Walk::Blocked;
            if (doubleSized_ && occupantBlocks(rightFlankHex(h), holdsLeader)) return Walk::Blocked;
            if (static_cast<std::uint16_t>(h) != selectedHex_ &&
                (landscape_->isInEnemyZOC(h, nation_) ||
                 (doubleSized_ && landscape_->isInEnemyZOC(rightFlankHex(h), nation_)))) {
                if (holdsLeader) path.removeAll(h);
                return Walk::Stopped;
            }
            if (h == until) return Walk::Clear;
            if (landscape_->findOWCandidates(h, nation_, this)) {
                if (holdsLeader) path.removeAll(h);
                return Walk::Withdrawal;
            }
            if (h != previous && stepCost(previous, h) < 0) return Walk::Blocked;
            previous = h;
        }
        return Walk::Clear;
    };
    // The hexes to walk: with flag 0 the unit's own hex starts the path untested.
    const auto prepare = [&](List<short> sequence, List<short>& path) {
        if (flag == 0) {
            sequence.removeAll(start);
            path.append(start);
        }
        return sequence;
    };
    const auto file = [&](Walk outcome, const List<short>& path) {
        if (outcome == Walk::Clear) clear.append(path);
        if (outcome == Walk::Stopped) stopped.append(path);
        if (outcome == Walk::Withdrawal) withdrawal.append(path);
    };

    debugStream() << "Generating a LOS path" << std::endl;
    {
        List<short> path;
        const List<short> sequence = prepare(landscape_->hexLine(start, dest), path);
        file(walk(sequence, path, -1), path);
    }
    if (clear.isEmpty()) {
        debugStream() << "Generating other paths" << std::endl;
        List<short> reach;
        List<List<short>> candidates;
        landscape_->floodFill(reach, frontDirections(facing_), start,
                              static_cast<std::int16_t>(movementLeft_), 1, stepCostFunction(), &candidates,
                              nullptr, dest);
        ListIterator<List<short>> it(candidates);
        for (List<short> candidate; it.next(candidate);) {
            if (!candidate.contains(dest)) continue;
            List<short> path;
            const List<short> sequence = prepare(candidate, path);
            file(walk(sequence, path, dest), path);
        }
    }

    List<List<short>>* chosen = nullptr;
    if (!clear.isEmpty())
        chosen = &clear, answer.result = NORMAL;
    else if (!withdrawal.isEmpty())
        chosen = &withdrawal, answer.result = OW_MOVE;
    else if (!stopped.isEmpty())
        chosen = &stopped, answer.result = ZOC_MOVE;
    // No path at all leaves none: the unit must not walk the path of an earlier move.
    if (!chosen) return answer;
    ListIterator<List<short>> it(*chosen);
    bool first = true;
    for (List<short> candidate; it.next(candidate);) {
        if (first || candidate.count() < pathOut.count()) pathOut = candidate;
        first = false;
    }
    short last = -1;
    pathOut.last(last);
    answer.lastHex = static_cast<std::uint16_t>(last);
    return answer;
}

} // namespace vael
