// Rout: the unit turns its back to the enemy and runs toward its side's rout edge, through friends if it
// must, and leaves play when it can run no further.
#include <string>

#include "framework/core/answer.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/rules/combat/combat.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/rout/rout_records.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_payloads.h"

namespace vael {

namespace {

// The region directions a rout looks at, in order, by the side's rout direction; 0 ends a row.
struct Candidates {
    std::int32_t directions[4];
};

Candidates routCandidates(DIRECTION routDirection) {
    switch (routDirection) {
    case North:
        return {{1, 8, 2, 0}};
    case East:
        return {{2, 4, 1, 5}};
    case South:
        return {{5, 6, 4, 0}};
    case West:
        return {{8, 6, 1, 5}};
    default:
        return {{0, 0, 0, 0}};
    }
}

bool isFacing(DIRECTION d) {
    return d == NorthEast || d == East || d == SouthEast || d == SouthWest || d == West || d == NorthWest;
}

// Facing steps from one facing to another turning one way; 6 when the target is no facing.
int facingSteps(DIRECTION from, DIRECTION to, std::uint32_t sense) {
    if (!isFacing(from) || !isFacing(to)) return 6;
    int steps = 0;
    for (DIRECTION d = from; d != to && steps < 6; ++steps)
        d = VaelUnit::stepFacing(d, sense);
    return steps;
}

BusMessage named(const char* name) {
    return BusMessage(RegisteredMessage::getId(name));
}

// What a search asks of a hex beside the unit's: 0 a free hex, 1 a friend's, 2 a friend's even in an
// enemy zone of control.
enum class Want { Clear, Friendly, FriendlyInZOC };

} // namespace

List<short> Combat::ownHexes() const {
    List<short> hexes;
    hexes.append(static_cast<short>(hex_));
    if (doubleSized_ && secondHex_ >= 0) hexes.append(secondHex_);
    return hexes;
}

bool Combat::inEnemyZOC(std::int16_t hex) {
    Container<ZOCStructure> where(ZOCStructure{static_cast<std::uint16_t>(hex), nation_});
    return takeShort(sendNowNamed(msg::InZOC, &where), 0) != 0;
}

void Combat::prepareToRout() {
    auto& trace = debugStream();
    trace << getName() << " is preparing to rout:" << std::endl;
    Container<short> number(static_cast<short>(unitNumber_));
    dropAnswer(sendNowNamed(msg::RemoveFromCombat, &number));
    trace << "Clear the units ZOC hexes" << std::endl;
    zocHexes_.clear();
    if (landscape_) landscape_->noteChange();

    // North and South are hex sides, not corners: the unit turns its back to the corner beside them.
    DIRECTION target = routDirection_;
    if (target == North || target == South) target = stepFacing(target, 2);
    std::uint32_t sense = 1;
    int steps = 0;
    const auto choose = [&] {
        const int clockwise = facingSteps(facing_, target, 2);
        const int anticlockwise = facingSteps(facing_, target, 1);
        sense = clockwise < anticlockwise ? 2 : 1;
        steps = sense == 2 ? clockwise : anticlockwise;
        if (steps >= 6) steps = 0;
    };
    // A long body sweeps the hexes beside it as it turns; the map's edge or an enemy there stops it.
    const auto blocked = [&] {
        if (!doubleSized_) return false;
        DIRECTION face = facing_;
        for (int i = 0; i < steps; ++i) {
            face = stepFacing(face, sense);
            const std::int16_t swept = sense == 1 ? rightFlankHex(static_cast<std::int16_t>(hex_), face)
                                                  : leftFlankHex(secondHex_, face);
            if (swept < 0) return true;
            const VaelUnit* first = firstUnitAt(swept);
            if (first && first != this && first->isOtherNation(nation_)) return true;
        }
        return false;
    };
    choose();
    if (blocked()) {
        ChangeFacingStruct aboutFace{2, 0, 3, unitNumber_};
        Container<ChangeFacingStruct> box(aboutFace);
        dropAnswer(sendNowNamed(msg::ChangeFacing, &box));
        trace << getName() << " is doing an about face because he would have been eliminated otherwise"
              << std::endl;
        choose();
        if (blocked()) {
            trace << "Eliminating " << getName() << " because he can't rotate in prepareToRout" << std::endl;
            // The player was told it routs; he is told it does not live to.
            sendCommentary("\\B" + getName() + "\\b was eliminated!");
            condemn();
            sendNamed(msg::EliminateUnit, &number);
            sendNamed(msg::RoutingDone, &number);
            return;
        }
    }
    if (steps > 0) {
        ChangeFacingStruct turn{sense, 0, static_cast<std::uint16_t>(steps), unitNumber_};
        Container<ChangeFacingStruct> box(turn);
        dropAnswer(sendNowNamed(msg::ChangeFacing, &box));
    }
    trace << getName() << " doing a 2 hex rout move" << std::endl;
    RoutMove(2);
}

bool Combat::routSearch(int search, int step, std::int16_t& dest, std::int16_t& destRight) {
    const Want want = static_cast<Want>(search);
    const Candidates candidates = routCandidates(routDirection_);
    const bool zigZag = routDirection_ == East || routDirection_ == West;
    // The hexes beside the unit's across a side; false when the map ends there, which gives up the search.
    const auto beside = [&](std::int32_t side, std::int16_t& n, std::int16_t& nRight) {
        n = neighbour(static_cast<std::int16_t>(hex_), side);
        nRight = doubleSized_ ? neighbour(secondHex_, side) : std::int16_t(-1);
        return n >= 0 && (!doubleSized_ || nRight >= 0);
    };
    const auto enterable = [&](std::int16_t n, std::int16_t nRight) {
        return stepCost(static_cast<std::int16_t>(hex_), n) != -1 &&
               (!doubleSized_ || stepCost(secondHex_, nRight) != -1);
    };
    const auto clear = [&](std::int16_t n, std::int16_t nRight) {
        if (inEnemyZOC(n) || (doubleSized_ && inEnemyZOC(nRight))) return false;
        return !holdsOtherUnit(n) && (!doubleSized_ || !holdsOtherUnit(nRight));
    };
    const auto friendly = [&](std::int16_t h) {
        const VaelUnit* first = firstUnitAt(h);
        return first && first != this && !first->isOtherNation(nation_);
    };
    for (int i = 0; i < 4; ++i) {
        const std::int32_t side = candidates.directions[i];
        if (side == 0) continue;
        std::int16_t n = -1, nRight = -1;
        if (!beside(side, n, nRight)) return false;
        if (!enterable(n, nRight)) continue;
        if (want == Want::Clear) {
            if (zigZag && i == 0 && step % 2 == 1) {
                std::int16_t alt = -1, altRight = -1;
                if (!beside(candidates.directions[1], alt, altRight)) return false;
                if (clear(alt, altRight) && enterable(alt, altRight)) {
                    dest = alt;
                    destRight = altRight;
                    return true;
                }
            }
            if (!clear(n, nRight)) continue;
        } else {
            if (want == Want::Friendly && inEnemyZOC(n)) continue;
            if (!friendly(n)) continue;
            if (doubleSized_ && holdsOtherUnit(nRight) && !friendly(nRight)) continue;
        }
        dest = n;
        destRight = nRight;
        return true;
    }
    return false;
}

bool Combat::chooseRoutStep(int step, std::int16_t& dest, std::int16_t& destRight) {
    for (int search = 0; search < 3; ++search)
        if (routSearch(search, step, dest, destRight)) return true;
    return false;
}

void Combat::RoutMove(std::int16_t hexes) {
    auto& trace = debugStream();
    Container<short> number(static_cast<short>(unitNumber_));
    // A unit whose elimination is decided runs no more: it is as good as gone.
    if (outOfPlay_ || eliminationDue_ || !landscape_ || hex_ == offMap) {
        trace << "The unit is already eliminated.  Posting RoutingDone" << std::endl;
        sendNamed(msg::RoutingDone, &number);
        return;
    }
    postUnitState();
    List<short> left, right;
    left.append(static_cast<short>(hex_));
    if (doubleSized_ && secondHex_ >= 0) right.append(secondHex_);
    int total = hexes;
    for (int k = 0; k < total; ++k) {
        std::int16_t dest = -1, destRight = -1;
        if (!chooseRoutStep(k, dest, destRight) || left.contains(dest)) {
            terminalRout(left);
            return;
        }
        if (k == total - 1) {
            if (holdsOtherUnit(dest) || (doubleSized_ && holdsOtherUnit(destRight))) {
                const VaelUnit* there = holdsOtherUnit(dest) ? firstUnitAt(dest) : firstUnitAt(destRight);
                trace << "At the end of movement but the destination hex(es) is occupied" << std::endl
                      << "The occupying unit is " << there->getName() << std::endl
                      << "Adding 1 more to the number of hexes to move." << std::endl;
                ++total;
            }
            if (landscape_->enemyAdjacent(dest, nation_, true) ||
                (doubleSized_ && landscape_->enemyAdjacent(destRight, nation_, true))) {
                trace << "At the end of movement but the destination hex is next to a leader" << std::endl
                      << "Adding 1 more to the number of hexes to move." << std::endl;
                ++total;
            }
        }
        relocate(dest);
        left.append(dest);
        if (destRight >= 0) right.append(destRight);
    }
    updateSurroundings();
    trace << getName() << " doing a rout move..." << std::endl;
    Container<RoutInfo> info(RoutInfo{unitNumber_, left, 0});
    sendNamed(msg::DoRout, &info);
    treatRunThrough(left, right);
}

void Combat::relocate(std::int16_t hex) {
    if (hex_ != offMap) landscape_->removeFromRegion(this, static_cast<std::int16_t>(hex_));
    if (doubleSized_ && secondHex_ >= 0) landscape_->removeFromRegion(this, secondHex_);
    hex_ = static_cast<std::uint16_t>(hex);
    landscape_->addToRegion(this, hex);
    if (!doubleSized_) return;
    secondHex_ = rightFlankHex(hex);
    if (secondHex_ >= 0) landscape_->addToRegion(this, secondHex_);
}

void Combat::terminalRout(const List<short>& path) {
    debugStream() << getName() << " doing a terminal rout and being eliminated" << std::endl;
    sendCommentary("\\B" + getName() + "\\b is doing a terminal rout!");
    condemn();
    Container<RoutInfo> info(RoutInfo{unitNumber_, path, 1});
    sendNamed(msg::DoRout, &info);
}

void Combat::treatRunThrough(const List<short>& left, const List<short>& right) {
    const List<short> hexes = left.unionWith(right);
    // A unit on two hexes of the path is run through once; one already on its way out of the battle is
    // not run through at all.
    List<const VaelUnit*> treated;
    for (short h : hexes) {
        // Units stand in their own objects; the map lists them as it was given them.
        auto* other = const_cast<VaelUnit*>(firstUnitAt(h));
        if (!other || other == this || !other->isCombatUnit()) continue;
        auto* unit = dynamic_cast<Combat*>(other);
        if (!unit || unit->isEliminationDue() || unit->isOutOfPlay() || treated.contains(unit)) continue;
        treated.append(unit);
        if (!unit->isRouting()) {
            sendCommentary("\\B" + unit->getName() + "\\b taking a cohesion hit for having " + getName() +
                           " rout through him");
            unit->tqHit(1, 0);
        } else {
            sendCommentary("\\B" + unit->getName() + "\\b is eliminated for having " + getName() +
                           " rout through him");
            unit->condemn();
            Container<short> number(static_cast<short>(unit->getUnitNum()));
            sendNamed(msg::EliminateUnit, &number);
        }
    }
}

void Combat::DoRout(const List<short>& path, std::uint16_t terminal) {
    auto& trace = debugStream();
    trace << "Combat::DoRout -- ";
    Container<short> number(static_cast<short>(unitNumber_));
    if (outOfPlay_) {
        trace << "skip (already eliminated)" << std::endl;
        sendNamed(msg::RoutingDone, &number);
        return;
    }
    short last = 0;
    if (!terminal) {
        trace << "normal" << std::endl;
        // A path that ends off the map, or no path at all, leaves the unit where the map has it.
        if (landscape_ && path.last(last) && landscape_->isValidHex(last)) relocate(last);
        Animate(LogicalCommandInfo(unitNumber_, new Container<List<short>>(path), hex_,
                                   BusMessage(LOGICAL_OBJECT_MOVED), named(msg::RoutingDone),
                                   new Container<short>(static_cast<short>(unitNumber_))));
        return;
    }
    trace << "terminal" << std::endl;
    Animate(LogicalCommandInfo(unitNumber_, new Container<List<short>>(path), hex_, named(msg::TerminalRout),
                               named(msg::RoutingDone),
                               new Container<short>(static_cast<short>(unitNumber_))));
    disconnectHandlers();
}

} // namespace vael
