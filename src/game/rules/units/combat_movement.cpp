// The movement rules of fighting units: what a step costs and what bars it, which hexes a unit may reach
// and which enemies it could shock from there, the cohesion hits a finished step costs, turning, and the
// player's choice of a hex.
#include <cstdlib>
#include <string>
#include <vector>

#include "framework/core/application.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/hex_codes.h"
#include "game/rules/combat/combat.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/logical_layer.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/unit_type.h"

namespace vael {

namespace {

// Cohesion hits of a finished step by movement class (infantry, skirmishers, cavalry, elephants,
// chariots): rows 0 to 11 are terrain codes, 12 to 16 changes of height.
constexpr std::int16_t hitTable[17][5] = {
    {0, 0, 0, 0, 0},    {1, 0, 1, 1, 99},     {1, 0, 2, 1, 99}, {1, 1, 1, 99, 99}, {1, 1, 1, 0, 99},
    {1, 1, 2, 99, 99},  {1, 1, 1, 0, 99},     {1, 0, 0, 0, 1},  {2, 1, 2, 1, 99},  {1, 0, 1, 0, 99},
    {1, 1, 1, 99, 99},  {99, 99, 99, 99, 99}, {1, 1, 1, 0, 1},  {1, 0, 0, 0, 1},   {2, 2, 99, 99, 99},
    {2, 1, 99, 99, 99}, {99, 3, 99, 99, 99},
};

// An entry that breaks any unit's cohesion at once: told as lost cohesion, never as a count of hits.
constexpr int Prohibitive = 99;

const char* const terrainPhrases[12] = {"",
                                        "in woods",
                                        "in rocky terrain",
                                        "in marsh",
                                        "into a major river",
                                        "into a major river",
                                        "across a minor river",
                                        "",
                                        "across a steep-banked stream",
                                        "across a steep bank",
                                        "across an abatis",
                                        "into some sort of terrain..."};

bool onHexCode(int code) {
    return code <= 5 || code == 10;
}

bool sideCode(int code) {
    return code == 6 || code == 8 || code == 9 || code == 11;
}

const Combat* asCombat(const VaelUnit* unit) {
    return unit && unit->isCombatUnit() ? dynamic_cast<const Combat*>(unit) : nullptr;
}

template <class T> const Item<T>* head(const List<T>* list) {
    Item<T>* first = nullptr;
    if (list) list->firstItem(first);
    return first;
}

List<DIRECTION> stepDirections(DIRECTION facing) {
    List<DIRECTION> out;
    const auto [first, second] = Combat::sidesOf(Combat::Sides::Step, facing);
    if (first) out.append(static_cast<DIRECTION>(first)), out.append(static_cast<DIRECTION>(second));
    return out;
}

} // namespace

int Combat::movementClass(std::uint32_t unitType) {
    switch (unitType) {
    case SK:
        return 1;
    case HC:
    case LN:
    case LC:
        return 2;
    case EL:
        return 3;
    case CH:
        return 4;
    default:
        return 0;
    }
}

std::int16_t Combat::heightLevel(std::int16_t hex) const {
    const LogicalRegion* region = landscape_ ? landscape_->regionAt(hex) : nullptr;
    const int level = region ? region->position.z : 0;
    return static_cast<std::int16_t>(level == 0 ? 1 : level);
}

std::int16_t Combat::combatStepCost(std::int16_t from, std::int16_t to, VaelLogicalLandscape*,
                                    VaelUnit* unit) {
    return unit ? unit->testStep(from, to) : -1;
}

bool Combat::inElephantZone(std::int16_t hex) {
    if (!landscape_ || !landscape_->isInEnemyZOC(hex, nation_)) return false;
    for (std::int32_t side : hexSides) {
        const Combat* beast = asCombat(firstUnitAt(neighbour(hex, side)));
        if (beast && beast->getUnitType() == EL && beast->isHexInZOC(hex)) return true;
    }
    return false;
}

std::int16_t Combat::stepCost(std::int16_t from, std::int16_t to) {
    if (!landscape_ || !landscape_->isValidHex(from) || !landscape_->isValidHex(to)) return -1;
    std::int16_t from2 = -1, to2 = -1;
    if (doubleSized_) {
        from2 = rightFlankHex(from);
        to2 = rightFlankHex(to);
        if (to2 == -1) return -1;
    }
    // Horses will not go where an elephant's zone of control reaches.
    if (isCavalry(unitType_) && inElephantZone(to)) return -1;
    // Only chariots and elephants are kept off any ground, so the others never look.
    if (unitType_ == CH) {
        for (std::uint16_t code : {1, 2, 3, 4, 5})
            if (landscape_->hasTerrainCode(to, code)) return -1;
    } else if (unitType_ == EL && landscape_->hasTerrainCode(to, 3)) {
        return -1;
    }
    if (unitType_ == CH)
        for (std::uint16_t code : {6, 8, 9})
            if (landscape_->hasHexsideFeatureToward(from, to, code)) return -1;
    const std::int16_t cost = landscape_->stepCostBetween(from, to);
    const LogicalRegion* region = landscape_->regionAt(from);
    if (region && region->getSideFlag(landscape_->neighbourDirection(from, to), 0)) return -1;
    int rise = std::abs(heightLevel(from) - heightLevel(to));
    if (doubleSized_ && from2 >= 0) {
        const LogicalRegion* second = landscape_->regionAt(from2);
        if (second && second->getSideFlag(landscape_->neighbourDirection(from2, to2), 0)) return -1;
        rise = std::max(rise, std::abs(heightLevel(from2) - heightLevel(to2)));
    }
    if (rise > 1) {
        const int mobility = movementClass(unitType_);
        if (mobility >= 2) return -1;
        if (rise > (mobility == 1 ? 3 : 2)) return -1;
    }
    return cost;
}

std::int16_t Combat::testStep(std::int16_t from, std::int16_t to) {
    if (!landscape_) return -1;
    std::int16_t from2 = -1, to2 = -1;
    if (doubleSized_) {
        from2 = rightFlankHex(from);
        to2 = rightFlankHex(to);
        if (to2 == -1) return -1;
    }
    // This runs for every step of every movement fill, and most steps have no enemy ahead: the zone and
    // the battle's combats are only worked out when a hex the zone could take in holds a fighting enemy.
    const auto enemyAhead = [&] {
        if (routing_) return false;
        const auto [first, second] = sidesOf(Sides::Front, facing_);
        const std::int16_t secondOfFrom = doubleSized_ ? rightFlankHex(from) : std::int16_t(-1);
        for (std::int32_t side : {second, first})
            for (std::int16_t f : {from, secondOfFrom}) {
                if (f < 0) continue;
                const VaelUnit* v = firstUnitAt(neighbour(f, side));
                if (v && v->isOtherNation(nation_) && !v->isLeader()) return true;
            }
        return false;
    };
    if (!forcedWithdrawal_ && from >= 0 && enemyAhead() &&
        !(unitType_ == SK && getName().find("Ag") == std::string::npos)) {
        const List<short> zone = zocFromHex(from);
        std::vector<short> zoneHexes;
        for (short h : zone)
            zoneHexes.push_back(h);
        const List<CombatStruct>* combats = nullptr;
        if (auto* layer = dynamic_cast<LogicalLayer*>(getBus())) combats = layer->getCombats();
        for (short x : zoneHexes) {
            const VaelUnit* target = firstUnitAt(x);
            if (!target || !target->isOtherNation(nation_) || target->isLeader()) continue;
            bool refused = false;
            for (const Item<CombatStruct>* c = head(combats); c; c = c->next) {
                const CombatStruct& combat = c->value;
                if (!combat.defenders.contains(target)) continue;
                // The first other enemy in reach, away from this combat's hex.
                const VaelUnit* other = nullptr;
                for (short y : zoneHexes) {
                    const VaelUnit* v = firstUnitAt(y);
                    if (y != static_cast<short>(combat.hex) && v && v != target &&
                        v->isOtherNation(nation_) && !v->isLeader()) {
                        other = v;
                        break;
                    }
                }
                if (other) {
                    bool defendsElsewhere = false;
                    for (const Item<CombatStruct>* d = head(combats); d; d = d->next)
                        if (d != c && d->value.defenders.contains(other)) defendsElsewhere = true;
                    if (!defendsElsewhere) {
                        debugStream() << "Can't add " << x << " to the list because of #1" << std::endl;
                        refused = true;
                    }
                }
                for (const Item<const VaelUnit*>* d = head(&combat.defenders); d; d = d->next)
                    if (d->value != target && d->value &&
                        !zone.contains(static_cast<short>(d->value->getHex()))) {
                        debugStream() << "Can't add " << x << " because of #2" << std::endl;
                        refused = true;
                        break;
                    }
            }
            if (refused || attackHexes_.contains(x)) continue;
            attackHexes_.append(x);
            debugStream() << getName() << " can add " << x << " to his list of potential shockers"
                          << std::endl;
        }
    }
    if (landscape_->isInEnemyZOC(from, nation_) && !forcedWithdrawal_ &&
        static_cast<std::uint16_t>(from) != selectedHex_)
        return -1;
    if (doubleSized_ && from2 >= 0 && landscape_->isInEnemyZOC(from2, nation_)) return -1;
    // The unit never stands in its own way; a friendly leader steps aside, except from a withdrawal.
    for (std::int16_t h : {to, to2}) {
        if (h < 0 || !holdsOtherUnit(h)) continue;
        const VaelUnit* first = firstUnitAt(h);
        if (first == this) continue;
        if (!(first->isLeader() && !first->isOtherNation(nation_) && !forcedWithdrawal_)) return -1;
    }
    return stepCost(from, to);
}

List<short> Combat::GetValidMovement(DIRECTION facing, std::uint16_t allowance) {
    if (facing == NoDirection) facing = facing_;
    if (allowance == 0) allowance = movementLeft_;
    List<short> reach;
    const bool keepable = reachKeepable();
    ReachKey key;
    if (keepable) {
        key = ownReachKey(facing, allowance);
        key.own[9] = routing_;
        key.extra = combatsSeen();
    }
    if (const KeptReach* kept = keepable ? keptReachFor(key) : nullptr) {
        reach = kept->reach;
        attackHexes_ = kept->attack;
        blockedMoves_ = kept->blocked;
    } else {
        reach = reachableHexes(facing, allowance);
        if (keepable)
            keepReach(key, reach, attackHexes_);
        else
            forgetReach();
    }
    menuForMovementLeft();
    return reach;
}

std::uint64_t Combat::combatsSeen() const {
    // What the fill reads of the declared combats: each one's hex and defenders.
    std::uint64_t seen = 1469598103934665603ull;
    const auto mix = [&seen](std::uint64_t value) { seen = (seen ^ value) * 1099511628211ull; };
    const List<CombatStruct>* combats = nullptr;
    if (auto* layer = dynamic_cast<LogicalLayer*>(getBus())) combats = layer->getCombats();
    for (const Item<CombatStruct>* c = head(combats); c; c = c->next) {
        mix(c->value.hex);
        mix(static_cast<std::uint64_t>(c->value.defenders.count()));
        for (const Item<const VaelUnit*>* d = head(&c->value.defenders); d; d = d->next)
            mix(reinterpret_cast<std::uintptr_t>(d->value));
    }
    return seen;
}

List<short> Combat::reachableHexes(DIRECTION facing, std::uint16_t allowance) {
    attackHexes_.clear();
    blockedMoves_.clear();
    List<short> reach;
    if (landscape_ && hex_ != offMap)
        landscape_->floodFill(reach, stepDirections(facing), static_cast<std::int16_t>(hex_),
                              static_cast<std::int16_t>(allowance), 1, stepCostFunction(), nullptr,
                              &blockedMoves_);

    // Occupied hexes are no destinations; a double-sized unit also loses the hexes beside them that
    // would put its other half onto them.
    const List<short> reached = reach;
    const auto emptyAndReached = [&](std::int16_t h) {
        return h >= 0 && reached.contains(h) && !holdsOtherUnit(h);
    };
    for (short x : reached) {
        if (x == static_cast<short>(hex_) || (doubleSized_ && x == secondHex_) ||
            !landscape_->isHexOccupied(x))
            continue;
        reach.removeAll(x);
        if (!doubleSized_) continue;
        const std::int16_t left = leftFlankHex(x);
        if (left >= 0 && !emptyAndReached(leftFlankHex(left))) reach.removeAll(left);
        const std::int16_t right = rightFlankHex(x);
        if (right >= 0 && !emptyAndReached(rightFlankHex(right))) reach.removeAll(right);
    }
    return reach;
}

void Combat::menuForMovementLeft() {
    bool aboutFace = false, anticlockwise = false, clockwise = false;
    if (!doubleSized_) {
        anticlockwise = clockwise = movementLeft_ > 0 || (unitType_ == SK && turned_);
    } else if (movementLeft_ > 0 && landscape_) {
        aboutFace = movementLeft_ > 2;
        // The swing is tested as a step of a single hex: the half that stays put does not move.
        const auto swingOpen = [&](std::int16_t from, std::int16_t to) {
            if (to < 0 || landscape_->isHexOccupied(to)) return false;
            const std::uint16_t saved = doubleSized_;
            doubleSized_ = 0;
            const bool open = stepCost(from, to) != -1;
            doubleSized_ = saved;
            return open;
        };
        anticlockwise =
            swingOpen(secondHex_, rightFlankHex(static_cast<std::int16_t>(hex_), stepFacing(facing_, 1)));
        clockwise =
            swingOpen(static_cast<std::int16_t>(hex_), leftFlankHex(secondHex_, stepFacing(facing_, 2)));
    }
    sendMenuItem(aboutFace ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM, 235);
    sendMenuItem(anticlockwise ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM, 220);
    sendMenuItem(clockwise ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM, 221);
}

std::int16_t Combat::terrainHits(std::int16_t from, std::int16_t to, std::string& text) const {
    text.clear();
    if (!landscape_) return 0;
    const int column = movementClass(unitType_);
    int total = 0;
    std::string parts;
    for (int code = 0; code < 12; ++code) {
        const bool counted =
            onHexCode(code) ? landscape_->hasTerrainCode(to, static_cast<std::uint16_t>(code)) != 0
            : sideCode(code)
                ? landscape_->hasHexsideFeatureToward(from, to, static_cast<std::uint16_t>(code)) != 0
                : false;
        const int entry = hitTable[code][column];
        if (!counted || entry == 0) continue;
        if (total > 0) parts += " and ";
        total += entry;
        parts += std::string(terrainPhrases[code]) +
                 (entry >= Prohibitive ? std::string(", losing all cohesion")
                                       : " for " + std::to_string(entry) + " hit" + (entry > 1 ? "s" : ""));
    }
    if (total > 0) text = "\\B" + getName() + "\\b moved " + parts + ".";
    return static_cast<std::int16_t>(total);
}

void Combat::stepCohesionHits(std::int16_t from, std::int16_t to, std::uint16_t exemptSameLeader) {
    // The rest of a move whose earlier step broke the unit for good costs it nothing more.
    if (!landscape_ || eliminationDue_) return;
    std::string text;
    int total = terrainHits(from, to, text);
    if (total > 0) sendCommentary(text);

    if (isCavalry(unitType_)) {
        List<short> around;
        landscape_->hexesAtExactCost(around, to, 1, VaelLogicalLandscape::unitStepCost);
        ListIterator<short> it(around);
        for (short h = 0; it.next(h);) {
            const Combat* beast = asCombat(firstUnitAt(h));
            if (!beast || beast->getUnitType() != EL) continue;
            if (exemptSameLeader && beast->getLeaderId() == leaderId_) continue;
            total += 2;
            sendCommentary("\\B" + getName() + "\\b moved next to an elephant for 2 hits.");
            debugStream() << "Taking 2 hits for cav moving adjacent to a hex" << std::endl;
            break;
        }
    }

    const int diff = heightLevel(from) - heightLevel(to);
    int row = -1;
    switch (diff) {
    case -1:
        row = 12;
        break;
    case 1:
        row = 13;
        break;
    case -2:
        row = 14;
        break;
    case 2:
        row = 15;
        break;
    case -3:
    case 3:
        row = 16;
        break;
    default:
        break;
    }
    if (row >= 0) {
        const int entry = hitTable[row][movementClass(unitType_)];
        if (entry != 0) {
            total += entry;
            const int levels = std::abs(diff);
            const std::string taken = entry >= Prohibitive ? std::string("\\b loses all cohesion")
                                                           : "\\b takes " + std::to_string(entry) +
                                                                 " cohesion hit" + (entry > 1 ? "s" : "");
            sendCommentary("\\B" + getName() + taken + " for moving " + (diff < 0 ? "up " : "down ") +
                           std::to_string(levels) + " level" + (levels > 1 ? "s" : "") + ".");
        }
    }
    if (total > 0) tqHit(static_cast<std::int16_t>(total), 0);
}

std::uint16_t Combat::movementFinished(const List<short>& path, BusMessage doneEvent,
                                       const ContainerBase* donePayload, std::uint16_t noRecompute) {
    const std::uint16_t left = VaelUnit::movementFinished(path, doneEvent, donePayload, noRecompute);
    sendMenuItem(DISABLE_MENU_ITEM, 214);
    return left;
}

std::int16_t Combat::ChangeFacing(std::uint32_t sense, std::uint16_t numTurns) {
    const std::int16_t result = VaelUnit::ChangeFacing(sense, numTurns);
    sendMenuItem(DISABLE_MENU_ITEM, 214);
    buildFrontHexes();
    rebuildZOC();
    buildRearHexes();
    buildFlankHexes();
    setFacing(facing_);
    return result;
}

// Orders.

std::int16_t Combat::orderAgainHit(const char* text) {
    orderedThisActivation_ = 1;
    sendCommentary("\\B" + getName() + "\\b " + text);
    return tqHit(1, 0) ? 0 : 1;
}

std::int16_t Combat::rotateLeft() {
    return turnOrder(1);
}

std::int16_t Combat::rotateRight() {
    return turnOrder(2);
}

std::int16_t Combat::turnOrder(std::uint32_t sense) {
    if (!(unitType_ == SK && turned_) && movementLeft_ > 0) --movementLeft_;
    turned_ = 1;
    if (usedThisTurn_ && !orderedThisActivation_ &&
        !orderAgainHit("is taking a cohesion hit for being ordered again this turn."))
        return 0;
    Container<unsigned short> number(unitNumber_);
    sendNamed(msg::UnitMovementDone, &number);
    if (unitType_ == CH) {
        sendMenuItem(DISABLE_MENU_ITEM, 221);
        sendMenuItem(DISABLE_MENU_ITEM, 220);
        if (tqHit(2, 0)) return 0;
    }
    return sense == 1 ? VaelUnit::rotateLeft() : VaelUnit::rotateRight();
}

std::int16_t Combat::UnitAboutFace() {
    if (usedThisTurn_ && !orderedThisActivation_ &&
        !orderAgainHit("is taking a cohesion hit for being ordered again this turn."))
        return 0;
    Container<unsigned short> number(unitNumber_);
    sendNamed(msg::UnitMovementDone, &number);
    return VaelUnit::UnitAboutFace();
}

std::int16_t Combat::MoveTo(std::int16_t hex) {
    const std::int16_t result = VaelUnit::MoveTo(hex);
    if (result && usedThisTurn_ && !orderedThisActivation_ &&
        !orderAgainHit("takes 1 cohesion hit for being ordered again this turn."))
        return 0;
    return result;
}

std::int16_t Combat::hexChosen(std::int16_t hex) {
    const bool attack = attackHexes_.contains(hex);
    const bool validMove = validMoves_.contains(hex) && !blockedMoves_.contains(hex);
    if (attack || validMove) orderHex_ = noHex;
    const bool ownHex = hex == static_cast<std::int16_t>(hex_) || (doubleSized_ && hex == secondHex_);
    if (usedThisTurn_ && validMove && !ownHex && !orderedThisActivation_ &&
        !orderAgainHit("takes 1 cohesion hit for being ordered again this turn."))
        return 0;
    std::int16_t moveTo = hex;
    if (attack) {
        for (std::int32_t side : hexSides) {
            std::int16_t n = neighbour(hex, side);
            if (n < 0 || !validMoves_.contains(n) || !zocFromHex(n).contains(hex)) continue;
            if (doubleSized_ && (!validMoves_.contains(rightFlankHex(n)) || blockedMoves_.contains(n)))
                n = leftFlankHex(n);
            orderHex_ = static_cast<std::uint16_t>(hex);
            moveTo = n;
            break;
        }
    }
    turned_ = 0;
    const bool standsThere =
        moveTo == static_cast<std::int16_t>(hex_) || (doubleSized_ && moveTo == secondHex_);
    if (orderHex_ == noHex || !standsThere) {
        // A click on a hex of its own side's unit is that unit's to answer (taken, or refused with its
        // reason); any other click the unit cannot act on is refused here, and it stays selected.
        const VaelUnit* there = landscape_ ? landscape_->firstOccupant(hex) : nullptr;
        const bool refused =
            selected_ && !attack && !validMove && !ownHex && (!there || there->isOtherNation(nation_));
        const std::int16_t result = VaelUnit::hexChosen(moveTo);
        if (refused && selected_) {
            showStatus();
            // Horses kept from the elephants are told so, as the other refusals say theirs.
            const Combat* foe = asCombat(there);
            const bool elephants =
                isCavalry(unitType_) && (inElephantZone(hex) || (foe && foe->getUnitType() == EL));
            if (Application* app = Application::instance())
                app->setStatusText(getName() + (elephants ? " will not go near the elephants: horses will not "
                                                            "enter an elephant's zone of control."
                                                          : " cannot reach that hex."),
                                   2);
        }
        return result;
    }
    AddCombatants(static_cast<std::int16_t>(orderHex_));
    return 0;
}

std::int16_t Combat::MovementDone(std::uint32_t kind, std::uint16_t unitNumber) {
    VaelUnit::MovementDone(kind, unitNumber);
    if (unitNumber == unitNumber_ && orderHex_ != noHex && moveDestination_ == hex_ && selected_)
        AddCombatants(static_cast<std::int16_t>(orderHex_));
    else
        orderHex_ = noHex;
    return 0;
}

} // namespace vael
