// The names a plan script sees: the constants and the built-in procedures, each a thin layer over the
// unit rules and the hex map. Scripts are outside text: a unit number that names nothing, a leader where
// a fighting unit is needed or a list handle that was never handed out gives a failure value (-1 for a
// hex, a number or a query answer, 0 for a truth or an order) and counts no order, instead of reaching
// into a unit that is not there.
#include <climits>

#include "framework/core/answer.h"
#include "framework/core/container.h"
#include "framework/core/debug_stream.h"
#include "framework/core/list_walk.h"
#include "framework/core/payload_check.h"
#include "game/ai/vael_ai.h"
#include "game/flow/flow_message_names.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/landscape/logical_region.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/roll.h"
#include "game/rules/units/unit_payloads.h"

namespace vael {

namespace {

using Value = std::int32_t;

VaelAI& opponent(void* owner) {
    return *static_cast<VaelAI*>(owner);
}

VaelUnit* unitOf(void* owner, Value number) {
    return opponent(owner).getUnit(number);
}

Combat* combatOf(void* owner, Value number) {
    VaelUnit* unit = unitOf(owner, number);
    return unit && unit->isCombatUnit() ? dynamic_cast<Combat*>(unit) : nullptr;
}

MissileCapable* missileOf(void* owner, Value number) {
    VaelUnit* unit = unitOf(owner, number);
    return unit && unit->isMissileCapable() ? dynamic_cast<MissileCapable*>(unit) : nullptr;
}

std::int16_t number(const VaelUnit& unit) {
    return static_cast<std::int16_t>(unit.getUnitNum());
}

// Script values are 32-bit; the map's hexes are 16-bit, and a value that does not fit is no hex.
std::int16_t hexOf(Value value) {
    return value >= SHRT_MIN && value <= SHRT_MAX ? static_cast<std::int16_t>(value) : std::int16_t(-1);
}

bool onMap(VaelAI& ai, Value hex) {
    return ai.landscape() && hex >= 0 && ai.landscape()->isValidHex(hexOf(hex));
}

std::int16_t leaderInitiative(VaelAI& ai) {
    return ai.leader() ? static_cast<std::int16_t>(ai.leader()->getInitiative()) : std::int16_t(0);
}

// Orders.

Value moveToward(void* owner, Value hex, Value who) {
    VaelAI& ai = opponent(owner);
    VaelUnit* unit = ai.getUnit(who);
    if (!unit || !onMap(ai, hex) || ai.ordersPaused()) return 0;
    std::int16_t answer = unit->MoveToward(hexOf(hex));
    if (answer == NO_MOVE) {
        debugStream() << "Just returned from MoveToward and " << unit->getName() << " returned NO_MOVE"
                      << std::endl;
        return 0;
    }
    if ((answer == NORMAL || answer == ZOC_MOVE) && ai.landscape() &&
        ai.landscape()->findOWCandidates(static_cast<std::int16_t>(unit->getHex()), unit->getNation(),
                                         unit) &&
        !unit->willRout())
        answer = OW_MOVE;
    if (answer == OW_MOVE) ai.startWithdrawal(number(*unit), hexOf(hex));
    debugStream() << "VaelAI::moveToward adding one to the unitMoving list" << std::endl;
    ai.addMovingUnit(number(*unit));
    ai.setOWDestination(hexOf(hex));
    ai.countOrder(number(*unit));
    return 2;
}

Value moveTo(void* owner, Value hex, Value who) {
    VaelAI& ai = opponent(owner);
    VaelUnit* unit = ai.getUnit(who);
    if (!unit || ai.ordersPaused()) return 0;
    ai.countOrder(number(*unit));
    return unit->canMoveTo(hexOf(hex)) ? moveToward(owner, hex, who) : 0;
}

Value rotate(void* owner, Value who, Value facing) {
    VaelAI& ai = opponent(owner);
    VaelUnit* unit = ai.getUnit(who);
    if (!unit || facing < 1 || facing > 8 || ai.ordersPaused()) return 0;
    ai.countOrder(number(*unit));
    if (facing == North || facing == South) ++facing;
    const std::int16_t answer = unit->RotateTo(static_cast<DIRECTION>(facing));
    debugStream() << "Here in VaelAI::rotate and the value of ow==" << answer << std::endl;
    if (answer == OW_MOVE) ai.startWithdrawal(number(*unit), -1);
    return answer;
}

Value canMove(void* owner, Value who) {
    VaelUnit* unit = unitOf(owner, who);
    if (!unit) return 0;
    return unit->isCombatUnit() ? unit->hasOpenHex() : 1;
}

Value canRotate(void* owner, Value who, Value facing) {
    VaelUnit* unit = unitOf(owner, who);
    if (!unit || facing < 1 || facing > 8) return 0;
    if (facing == North || facing == South) ++facing;
    return unit->canRotateTo(static_cast<DIRECTION>(facing));
}

Value canAttack(void* owner, Value who, Value hex) {
    Combat* unit = combatOf(owner, who);
    return unit ? unit->canAttackHex(hexOf(hex)) : 0;
}

Value fire(void* owner, Value who, Value hex) {
    VaelAI& ai = opponent(owner);
    MissileCapable* unit = missileOf(owner, who);
    if (!unit || ai.ordersPaused()) return 0;
    ai.countOrder(number(*unit));
    // A volley that was not loosed (the unit routed from the hit for a second order) sends no reply.
    if (unit->fireAtHex(hexOf(hex))) ai.addMovingUnit(number(*unit));
    return 1;
}

Value hexOccupancy(void* owner, Value hex) {
    VaelAI& ai = opponent(owner);
    if (!onMap(ai, hex)) return -1;
    const VaelUnit* first = ai.landscape()->firstOccupant(hexOf(hex));
    return first ? first->getUnitNum() : -1;
}

Value adjacentHex(void* owner, Value hex, Value direction) {
    VaelAI& ai = opponent(owner);
    // Entry 0 of the table is the hex itself; 3, 7 and 9 hold no neighbour.
    const bool side = direction == 0 || direction == 1 || direction == 2 || direction == 4 ||
                      direction == 5 || direction == 6 || direction == 8;
    if (!side || !onMap(ai, hex)) return -1;
    const LogicalRegion* region = ai.landscape()->regionAt(hexOf(hex));
    if (!region) return -1;
    const std::uint16_t next = region->neighbours[static_cast<std::size_t>(direction)];
    return next == LogicalRegion::none ? -1 : Value(next);
}

Value query(void* owner, Value code, Value who) {
    VaelUnit* unit = unitOf(owner, who);
    if (!unit || code < SHRT_MIN || code > SHRT_MAX) return -1;
    return unit->Query(static_cast<std::int16_t>(code));
}

// The group cursor.

Value groupListReset(void* owner) {
    VaelAI& ai = opponent(owner);
    ai.groupPosition() = 0;
    ai.groupCursorUnit() = nullptr;
    return 1;
}

Value deliver(VaelAI& ai, bool found, VaelUnit* unit) {
    ai.setCurrentUnit(found ? unit : nullptr);
    return found && unit ? Value(unit->getUnitNum()) : -1;
}

VaelUnit* groupUnitAt(const Group& group, int position) {
    int i = 0;
    for (VaelUnit* unit : each(group.units))
        if (i++ == position) return unit;
    return nullptr;
}

int groupIndexOf(const Group& group, const VaelUnit* wanted) {
    int i = 0;
    for (VaelUnit* unit : each(group.units)) {
        if (unit == wanted) return i;
        ++i;
    }
    return -1;
}

// The positions after and before the unit given last. One that has left the group since (it fell) left
// its follower in its place, so that one comes next.
struct CursorSteps {
    int next;
    int previous;
};

CursorSteps cursorSteps(VaelAI& ai) {
    const VaelUnit* last = ai.groupCursorUnit();
    if (!last) return {0, -1};
    const int at = groupIndexOf(*ai.group(), last);
    if (at >= 0) return {at + 1, at - 1};
    const int was = ai.groupPosition() - 1;
    return {was, was - 1};
}

Value moveCursor(VaelAI& ai, int position) {
    VaelUnit* unit = position >= 0 ? groupUnitAt(*ai.group(), position) : nullptr;
    if (unit) {
        ai.groupPosition() = static_cast<std::int16_t>(position + 1);
        ai.groupCursorUnit() = unit;
    }
    return deliver(ai, unit != nullptr, unit);
}

// The next unit after the one given last; past the last one the answer is -1 and the cursor starts again.
Value groupListGetNext(void* owner) {
    VaelAI& ai = opponent(owner);
    if (!ai.group()) return deliver(ai, false, nullptr);
    const Value answer = moveCursor(ai, cursorSteps(ai).next);
    if (answer == -1) groupListReset(owner);
    return answer;
}

// The unit before the one given last; the next one after it follows it again.
Value groupListGetPrevious(void* owner) {
    VaelAI& ai = opponent(owner);
    if (!ai.group()) return deliver(ai, false, nullptr);
    return moveCursor(ai, cursorSteps(ai).previous);
}

Value groupListGet(void* owner) {
    VaelUnit* unit = opponent(owner).currentUnit();
    return unit ? Value(unit->getUnitNum()) : -1;
}

Value groupListGetSize(void* owner) {
    Group* group = opponent(owner).group();
    return group ? group->units.count() : 0;
}

// The map.

Value direction(void* owner, Value from, Value to) {
    VaelAI& ai = opponent(owner);
    if (!onMap(ai, from) || !onMap(ai, to)) return 0;
    if (from == to) return NorthEast;
    const DIRECTION facing = ai.landscape()->facingTowards(hexOf(from), hexOf(to));
    return facing >= North && facing <= NorthWest ? Value(facing) : 0;
}

Value distance(void* owner, Value a, Value b) {
    VaelAI& ai = opponent(owner);
    if (!onMap(ai, a) || !onMap(ai, b)) return -1;
    return ai.landscape()->hexDistance(hexOf(a), hexOf(b));
}

// Script lists.

Value getList(void* owner) {
    return opponent(owner).newList();
}

Value addToList(void* owner, Value handle, Value value) {
    List<short>* list = opponent(owner).list(handle);
    if (!list) return 0;
    list->append(static_cast<short>(value));
    return 1;
}

Value getNextInList(void* owner, Value handle) {
    ScriptListCursor* cursor = opponent(owner).cursor(handle);
    short value = 0;
    return cursor && cursor->next(value) ? Value(value) : -1;
}

Value releaseList(void* owner, Value handle) {
    VaelAI& ai = opponent(owner);
    if (!ai.list(handle)) return 0;
    ai.releaseList(handle);
    return 1;
}

Value sizeOfList(void* owner, Value handle) {
    List<short>* list = opponent(owner).list(handle);
    return list ? list->count() : -1;
}

Value removeFromList(void* owner, Value handle, Value value) {
    VaelAI& ai = opponent(owner);
    List<short>* list = ai.list(handle);
    if (!list) return 0;
    const Value removed = list->remove(static_cast<short>(value)) ? 1 : 0;
    ai.cursor(handle)->reset();
    return removed;
}

Value resetList(void* owner, Value handle) {
    ScriptListCursor* cursor = opponent(owner).cursor(handle);
    if (!cursor) return 0;
    cursor->reset();
    return 1;
}

Value getLast(void* owner, Value handle) {
    List<short>* list = opponent(owner).list(handle);
    short value = 0;
    return list && list->last(value) ? Value(value) : -1;
}

void appendMissing(List<short>& list, const List<short>& from) {
    for (short h : from)
        if (!list.contains(h)) list.append(h);
}

Value assignList(void* owner, Value* words) {
    VaelAI& ai = opponent(owner);
    const Value handle = words[0], kind = words[1], who = words[2];
    List<short>* list = ai.list(handle);
    if (!list || kind < 0 || kind == 4 || kind > 6) return 0;
    if (kind == 6) {
        List<short> orderable;
        if (ai.unitList())
            for (Combat* unit : each(*ai.unitList()))
                if (unit->getPotentialToBeOrdered()) orderable.append(number(*unit));
        *list = orderable;
    } else if (kind == 3) {
        VaelUnit* unit = ai.getUnit(who);
        if (!unit) return 0;
        *list = unit->GetValidMovement();
    } else {
        Combat* unit = combatOf(owner, who);
        if (!unit) return 0;
        if (kind == 0) *list = unit->getZOCHexes();
        if (kind == 1) *list = unit->getFlankHexes();
        if (kind == 2) *list = unit->getRearHexes();
        if (kind == 5) {
            List<short> around;
            appendMissing(around, unit->getFrontHexes());
            appendMissing(around, unit->getFlankHexes());
            appendMissing(around, unit->getRearHexes());
            *list = around;
        }
    }
    ai.cursor(handle)->reset();
    return 1;
}

Value isMemberOf(void* owner, Value handle, Value value) {
    List<short>* list = opponent(owner).list(handle);
    return list && list->contains(static_cast<short>(value)) ? 1 : 0;
}

Value clearList(void* owner, Value handle) {
    VaelAI& ai = opponent(owner);
    List<short>* list = ai.list(handle);
    if (!list) return 0;
    list->clear();
    ai.cursor(handle)->reset();
    return 1;
}

Value dumpList(void*, Value) {
    return 0;
}

// The leader and his units.

Value getLeader(void* owner) {
    return opponent(owner).leaderNumber();
}

Value finishLeader(void* owner) {
    opponent(owner).finishLeader();
    return 1;
}

Value getUnitPaths(void* owner, Value who, Value handle) {
    VaelAI& ai = opponent(owner);
    VaelUnit* unit = ai.getUnit(who);
    if (!unit || !ai.list(handle) || !ai.landscape()) return 0;
    static const DIRECTION compass[9][2] = {
        {NoDirection, NoDirection}, {NoDirection, NoDirection}, {North, NorthEast},
        {NorthEast, SouthEast},     {SouthEast, South},         {NoDirection, NoDirection},
        {South, SouthWest},         {SouthWest, NorthWest},     {NorthWest, North}};
    const int facing = unit->getFacing();
    if (facing < 0 || facing > 8 || compass[facing][0] == NoDirection) return 0;
    List<DIRECTION> directions;
    directions.append(compass[facing][0]);
    directions.append(compass[facing][1]);
    List<short> reached;
    List<List<short>> paths;
    ai.landscape()->floodFill(reached, directions, static_cast<std::int16_t>(unit->getHex()),
                              static_cast<std::int16_t>(unit->getMovementLeft()), 0, unit->stepCostFunction(),
                              &paths);
    Value made = 0;
    ListIterator<List<short>> it(paths);
    for (List<short> path; it.next(path);) {
        const Value handleOfPath = ai.newList();
        if (handleOfPath < 0) break;
        *ai.list(handleOfPath) = path;
        ai.cursor(handleOfPath)->reset();
        ai.list(handle)->append(static_cast<short>(handleOfPath));
        ++made;
    }
    return made;
}

Value inCommandRange(void* owner, Value who) {
    VaelUnit* unit = unitOf(owner, who);
    return unit ? Value(unit->getPotentialToBeOrdered()) : -1;
}

Value isLeader(void* owner, Value who) {
    VaelUnit* unit = unitOf(owner, who);
    return unit ? unit->isLeader() : 0;
}

Value attack(void* owner, Value who, Value hex) {
    VaelAI& ai = opponent(owner);
    Combat* unit = combatOf(owner, who);
    if (!unit || ai.ordersPaused()) return 0;
    ai.countOrder(number(*unit));
    unit->declareShock(hexOf(hex));
    return 1;
}

Value isEnemy(void* owner, Value a, Value b) {
    VaelUnit* first = unitOf(owner, a);
    VaelUnit* second = unitOf(owner, b);
    return first && second && first->isOtherNation(second->getNation()) ? 1 : 0;
}

Value attemptToRally(void* owner, Value who) {
    VaelAI& ai = opponent(owner);
    Combat* unit = combatOf(owner, who);
    // A unit that is not routing has nothing to rally from; a failed roll would send it into a terminal
    // rout for nothing. An elephant on its rampage is past rallying.
    if (!unit || !unit->mayRally() || ai.ordersPaused()) return 0;
    ai.countOrder(number(*unit));
    if (unit->attemptRally(leaderInitiative(ai)) != 1) return 0;
    unit->refaceAfterRally();
    return 1;
}

Value breakPoint(void*) {
    return 1;
}

Value recover(void* owner, Value who) {
    VaelAI& ai = opponent(owner);
    Combat* unit = combatOf(owner, who);
    if (!unit || !unit->mayRestoreCohesion() || ai.ordersPaused()) return 0;
    ai.countOrder(number(*unit));
    unit->restoreCohesion(leaderInitiative(ai));
    return 1;
}

Value getValidMovement(void* owner, Value who) {
    VaelUnit* unit = unitOf(owner, who);
    if (!unit) return 0;
    unit->GetValidMovement();
    return 1;
}

Value canBeOrdered(void* owner, Value who) {
    VaelUnit* unit = unitOf(owner, who);
    return unit ? Value(unit->getPotentialToBeOrdered()) : 0;
}

Value isInGeneralDir(void* owner, Value who, Value hex) {
    VaelAI& ai = opponent(owner);
    VaelUnit* unit = ai.getUnit(who);
    if (!unit || !onMap(ai, hex) || !onMap(ai, Value(unit->getHex()))) return 0;
    const DIRECTION facing = unit->getFacing();
    if (ai.landscape()->inFrontArc(static_cast<std::int16_t>(unit->getHex()), hexOf(hex), facing)) return 1;
    if (unit->isDoubleSized() && onMap(ai, unit->getSecondHex()) &&
        ai.landscape()->inFrontArc(unit->getSecondHex(), hexOf(hex), facing))
        return 1;
    return 0;
}

Value anyoneToCombat(void* owner, Value who) {
    Combat* unit = combatOf(owner, who);
    return unit ? unit->chooseShockTarget() : -1;
}

bool enemyCombatAhead(VaelAI& ai, Combat& unit, DIRECTION facing) {
    // A wedge's depth counts the unit's own hex: depth 2 reaches the hexes in front of it.
    List<short> ahead = unit.hexWedge(2, facing);
    ListIterator<short> it(ahead);
    for (short h = 0; it.next(h);) {
        if (!onMap(ai, h)) continue;
        ListIterator<const VaelUnit*> units(ai.landscape()->unitsInHex(h));
        for (const VaelUnit* other = nullptr; units.next(other);)
            if (other->isCombatUnit() && other->isOtherNation(unit.getNation())) return true;
    }
    return false;
}

Value turnToAttack(void* owner, Value who) {
    VaelAI& ai = opponent(owner);
    Combat* unit = combatOf(owner, who);
    if (!unit) return -1;
    if (!ai.landscape() || ai.ordersPaused()) return 0;
    const DIRECTION start = unit->getFacing();
    for (int k = 0; k <= 3; ++k) {
        for (const std::uint32_t sense : {2u, 1u}) {
            DIRECTION tried = start;
            for (int i = 0; i < k; ++i)
                tried = VaelUnit::stepFacing(tried, sense);
            if (!enemyCombatAhead(ai, *unit, tried) || !unit->canRotateTo(tried)) continue;
            const std::int16_t answer = unit->RotateTo(tried);
            if (answer == OW_MOVE) ai.startWithdrawal(number(*unit), -1);
            return answer;
        }
    }
    return 0;
}

bool enemyOnMap(VaelAI& ai, const VaelUnit& unit) {
    if (ai.unitList())
        for (Combat* other : each(*ai.unitList()))
            if (other->isOtherNation(unit.getNation()) && onMap(ai, Value(other->getHex()))) return true;
    if (ai.leaderList())
        for (Leader* other : each(*ai.leaderList()))
            if (other->isOtherNation(unit.getNation()) && onMap(ai, Value(other->getHex()))) return true;
    return false;
}

Value findClosestEnemyToAttack(void* owner, Value who) {
    VaelAI& ai = opponent(owner);
    Combat* unit = combatOf(owner, who);
    if (!unit) return -1;
    if (!onMap(ai, Value(unit->getHex())) || !enemyOnMap(ai, *unit)) return -1;
    std::int16_t previous = -1;
    for (std::int16_t radius = 1; radius <= 100; ++radius) {
        Value found = -1;
        const auto reached = static_cast<std::int16_t>(ai.landscape()->forEachWithinSteps(
            static_cast<std::int16_t>(unit->getHex()), radius, [&](short h) {
                const VaelUnit* first = ai.landscape()->firstOccupant(h);
                if (first && first->isOtherNation(unit->getNation()) && !first->isLeader()) found = h;
                return true;
            }));
        if (found >= 0) return found;
        // A search that reaches no more hexes than the last one will never reach an enemy.
        if (reached == previous) break;
        previous = reached;
    }
    return -1;
}

Value findClosestEnemyToFire(void* owner, Value who) {
    VaelAI& ai = opponent(owner);
    MissileCapable* unit = missileOf(owner, who);
    if (!unit || !unit->getMissilesLeft() || !ai.landscape()) return -1;
    List<short> targets = unit->rebuildTargets();
    Value best = -1;
    int bound = 999;
    ListIterator<short> it(targets);
    for (short h = 0; it.next(h);) {
        const int d = ai.landscape()->hexDistance(static_cast<std::int16_t>(unit->getHex()), h);
        if (d < bound) {
            bound = d;
            best = h;
        }
    }
    return best;
}

Value getTurnNum(void* owner) {
    const auto reply = owned(opponent(owner).sendNowNamedEmpty(msg::GetTurnNum));
    short turn = -1;
    takeAnswer(reply.get(), turn, __FILE__, __LINE__);
    return turn;
}

Value random(void*, Value n) {
    return n == 0 ? 0 : Roll::rand() % n;
}

Value enemyWithinRange(void* owner, Value who, Value range) {
    VaelUnit* unit = unitOf(owner, who);
    if (!unit) return 0;
    return unit->enemyWithin(hexOf(range) < 0 ? std::int16_t(0) : hexOf(range));
}

Value findHurtingUnit(void* owner) {
    VaelAI& ai = opponent(owner);
    auto& trace = debugStream();
    trace << "Here in VaelAI::findHurtingUnit" << std::endl;
    Leader* leader = ai.leader();
    if (!leader || !ai.unitList() || !ai.landscape()) return -1;
    const bool keen = leader->getInitiative() > 3;
    const auto leaderHex = static_cast<std::int16_t>(leader->getHex());
    int routDistance = 999, restoreDistance = 999;
    Value routHex = -1, restoreHex = -1;
    for (Combat* unit : each(*ai.unitList())) {
        if (unit->isOtherNation(leader->getNation())) continue;
        trace << "Looking at " << unit->getName() << std::endl;
        if (unit->isOutOfPlay()) {
            trace << "He has been eliminated and therefore not in consideration" << std::endl;
            continue;
        }
        const auto hex = static_cast<std::int16_t>(unit->getHex());
        const int d =
            onMap(ai, hex) && onMap(ai, leaderHex) ? ai.landscape()->hexDistance(leaderHex, hex) : 999;
        if (unit->isRouting()) {
            trace << "He is routing..." << std::endl;
            if (d < routDistance) {
                routDistance = d;
                routHex = hex;
                trace << "He is closer (for rout); dist == " << d << ", region==" << hex << std::endl;
            }
        } else if (unit->getCohesionHits() > 0) {
            trace << "He has cohesion hits: " << unit->getCohesionHits() << std::endl;
            if (d < restoreDistance) {
                restoreDistance = d;
                restoreHex = hex;
                trace << "He is closer (for restore); dist == " << d << ", region==" << hex << std::endl;
            }
        }
    }
    if (keen && routHex >= 0) {
        trace << "The leader has high initiative and someone is routing." << std::endl;
        return routHex;
    }
    trace << "The leader either didn't have high enough initiative AND/OR there was no one routing."
          << std::endl;
    return restoreHex;
}

struct Entry {
    const char* name;
    const char* signature;
    BuiltinProcedure function;
};

const Entry procedures[] = {
    {"MoveTo", "11", Procedure2(moveTo)},
    {"MoveToward", "11", Procedure2(moveToward)},
    {"Rotate", "11", Procedure2(rotate)},
    {"CanMove", "1", Procedure1(canMove)},
    {"CanRotate", "11", Procedure2(canRotate)},
    {"CanAttack", "11", Procedure2(canAttack)},
    {"Fire", "11", Procedure2(fire)},
    {"HexOccupancy", "1", Procedure1(hexOccupancy)},
    {"AdjacentHex", "11", Procedure2(adjacentHex)},
    {"Query", "11", Procedure2(query)},
    {"GroupListReset", "", Procedure0(groupListReset)},
    {"GroupListGetNext", "", Procedure0(groupListGetNext)},
    {"GroupListGetPrevious", "", Procedure0(groupListGetPrevious)},
    {"GroupListGet", "", Procedure0(groupListGet)},
    {"GroupListGetSize", "", Procedure0(groupListGetSize)},
    {"Direction", "11", Procedure2(direction)},
    {"Distance", "11", Procedure2(distance)},
    {"GetList", "", Procedure0(getList)},
    {"AddToList", "11", Procedure2(addToList)},
    {"GetNextInList", "1", Procedure1(getNextInList)},
    {"ReleaseList", "1", Procedure1(releaseList)},
    {"SizeOfList", "1", Procedure1(sizeOfList)},
    {"RemoveFromList", "11", Procedure2(removeFromList)},
    {"ResetList", "1", Procedure1(resetList)},
    {"GetLast", "1", Procedure1(getLast)},
    {"AssignList", "111", ProcedureWords(assignList)},
    {"IsMemberOf", "11", Procedure2(isMemberOf)},
    {"ClearList", "1", Procedure1(clearList)},
    {"DumpList", "1", Procedure1(dumpList)},
    {"GetLeader", "", Procedure0(getLeader)},
    {"FinishLeader", "", Procedure0(finishLeader)},
    {"GetUnitPaths", "11", Procedure2(getUnitPaths)},
    {"InCommandRange", "1", Procedure1(inCommandRange)},
    {"IsLeader", "1", Procedure1(isLeader)},
    {"Attack", "11", Procedure2(attack)},
    {"IsEnemy", "11", Procedure2(isEnemy)},
    {"AttemptToRally", "1", Procedure1(attemptToRally)},
    {"BreakPoint", "", Procedure0(breakPoint)},
    {"Recover", "1", Procedure1(recover)},
    {"GetValidMovement", "1", Procedure1(getValidMovement)},
    {"CanBeOrdered", "1", Procedure1(canBeOrdered)},
    {"IsInGeneralDir", "11", Procedure2(isInGeneralDir)},
    {"AnyoneToCombat", "1", Procedure1(anyoneToCombat)},
    {"TurnToAttack", "1", Procedure1(turnToAttack)},
    {"FindClosestEnemyToAttack", "1", Procedure1(findClosestEnemyToAttack)},
    {"FindClosestEnemyToFire", "1", Procedure1(findClosestEnemyToFire)},
    {"GetTurnNum", "", Procedure0(getTurnNum)},
    {"Random", "1", Procedure1(random)},
    {"EnemyWithinRange", "11", Procedure2(enemyWithinRange)},
    {"FindHurtingUnit", "", Procedure0(findHurtingUnit)},
};

const std::pair<const char*, std::int32_t> constants[] = {
    {"TQ", 1},
    {"COHESION_HIT", 2},
    {"SIZE", 3},
    {"MOVEMENT_POINTS", 4},
    {"MOVEMENT_REMAINING", 5},
    {"MISSLE_TYPE", 6},
    {"MISSLE_RANGE", 7},
    {"MISSLES_REMAINING", 8},
    {"UNIT_TYPE", 9},
    {"FAILED", 0},
    {"CENTER", 0},
    {"NORTH", 1},
    {"NORTHEAST", 2},
    {"EAST", 3},
    {"SOUTHEAST", 4},
    {"SOUTH", 5},
    {"SOUTHWEST", 6},
    {"WEST", 7},
    {"NORTHWEST", 8},
    {"FALSE", 0},
    {"TRUE", 1},
    {"CLOCKWISE", 1},
    {"COUNTERCLOCKWISE", 2},
};

} // namespace

std::int32_t continueToward(VaelAI& ai, std::int32_t hex, std::int32_t unit) {
    return moveToward(&ai, hex, unit);
}

void registerScriptLibrary(VaelAI& ai) {
    for (const auto& [name, value] : constants)
        ai.compiler().addConstant(name, value);
    debugStream() << "VaelAI::VaelAI() : constants preloaded" << std::endl;
    for (const Entry& entry : procedures) {
        ai.compiler().addProcedure(entry.name, entry.signature);
        ai.interpreter().addProcedure(entry.function);
    }
    debugStream() << "VaelAI::VaelAI() : procedures preloaded" << std::endl;
}

} // namespace vael
