// The fighting unit's life: construction, selection and its status line, its saved state, its numbered
// queries, and the scans for enemies around it.
#include "game/rules/combat/combat.h"

#include <string>

#include "framework/core/answer.h"
#include "framework/core/application.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/hex_codes.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {

// The string-table entries of the status line.
constexpr std::uint16_t TroopQualityLabel = 115, HitsLabel = 116, SizeLabel = 117;

List<DIRECTION> directionsOf(std::pair<std::int32_t, std::int32_t> sides) {
    List<DIRECTION> out;
    if (sides.first) out.append(static_cast<DIRECTION>(sides.first));
    if (sides.second) out.append(static_cast<DIRECTION>(sides.second));
    return out;
}

// Facing steps passing over North and South, which no unit faces.
DIRECTION turned(DIRECTION facing, std::uint32_t sense, int steps) {
    for (int i = 0; i < steps; ++i)
        facing = VaelUnit::stepFacing(facing, sense);
    return facing;
}

int stepsTo(DIRECTION from, DIRECTION to, std::uint32_t sense) {
    int steps = 0;
    for (DIRECTION d = from; d != to && steps < 6; ++steps)
        d = VaelUnit::stepFacing(d, sense);
    return steps;
}

} // namespace

Combat::Combat(const CombatUnitData& record, const char* name)
    : VaelUnit(record, name), TQ_(static_cast<std::uint16_t>(record.TQ)),
      size_(static_cast<std::uint16_t>(record.size)) {
    doubleSized_ = static_cast<std::uint16_t>(record.doubleSized);
    updateSecondHex();
    rebuildZOC();
    buildFrontHexes();
    buildRearHexes();
    buildFlankHexes();
}

std::pair<std::int32_t, std::int32_t> Combat::sidesOf(Sides use, DIRECTION facing) {
    // Rows by facing 2, 3, 4, 6, 7, 8.
    static constexpr std::int32_t tables[5][6][2] = {
        {{1, 2}, {2, 4}, {4, 5}, {5, 6}, {6, 8}, {8, 1}}, // front hexes and zone of control
        {{2, 1}, {2, 4}, {4, 5}, {5, 6}, {6, 8}, {8, 1}}, // steps of a move
        {{1, 2}, {2, 4}, {5, 4}, {5, 6}, {6, 8}, {1, 8}}, // front scan
        {{5, 6}, {6, 8}, {8, 1}, {1, 2}, {2, 4}, {4, 5}}, // rear hexes
        {{6, 5}, {8, 6}, {1, 8}, {1, 2}, {4, 2}, {5, 4}}, // rear scan
    };
    int row = -1;
    switch (facing) {
    case NorthEast:
        row = 0;
        break;
    case East:
        row = 1;
        break;
    case SouthEast:
        row = 2;
        break;
    case SouthWest:
        row = 3;
        break;
    case West:
        row = 4;
        break;
    case NorthWest:
        row = 5;
        break;
    default:
        return {0, 0};
    }
    const auto& pair = tables[static_cast<int>(use)][row];
    return {pair[0], pair[1]};
}

std::int16_t Combat::neighbour(std::int16_t hex, std::int32_t side) const {
    if (!landscape_ || hex < 0 || side <= 0) return -1;
    const std::uint16_t n = landscape_->neighbourId(hex, side);
    if (n == LogicalRegion::none || !landscape_->isValidHex(static_cast<std::int16_t>(n))) return -1;
    return static_cast<std::int16_t>(n);
}

const VaelUnit* Combat::firstUnitAt(std::int16_t hex) const {
    return landscape_ && hex >= 0 ? landscape_->firstOccupant(hex) : nullptr;
}

bool Combat::holdsOtherUnit(std::int16_t hex) const {
    if (!landscape_ || hex < 0) return false;
    ListIterator<const VaelUnit*> it(landscape_->unitsInHex(hex));
    for (const VaelUnit* u = nullptr; it.next(u);)
        if (u != this) return true;
    return false;
}

void Combat::sendCommentary(const std::string& text) {
    Container<std::string> line(text);
    sendNamed(msg::AddCommentary, &line);
}

std::int16_t Combat::willRout() {
    debugStream() << getName() << "'s value of willRout: " << willRout_ << std::endl;
    return willRout_;
}

std::int16_t Combat::hasEnemyContact() {
    if (!potentialToBeOrdered_ || !landscape_) return 0;
    ListIterator<short> it(zocHexes_);
    for (short h = 0; it.next(h);) {
        const VaelUnit* first = landscape_->firstOccupant(h);
        if (first && first->isOtherNation(nation_)) return 1;
    }
    return 0;
}

std::int16_t Combat::hasOpenHex() {
    ListIterator<short> it(frontHexes_);
    for (short h = 0; it.next(h);)
        if (!firstUnitAt(h)) return 1;
    return 0;
}

std::int16_t Combat::Query(std::int16_t code) {
    switch (code) {
    case 1:
        return static_cast<std::int16_t>(TQ_);
    case 2:
        return static_cast<std::int16_t>(cohesionHits_);
    case 3:
        return static_cast<std::int16_t>(size_);
    case 9:
        return static_cast<std::int16_t>(unitType_);
    case 21:
        return routing_;
    default:
        return VaelUnit::Query(code);
    }
}

void Combat::doubleHexesChanged() {
    if (!doubleSized_ || !landscape_) return;
    std::int16_t pivot = -1;
    ListIterator<short> it(frontHexes_);
    for (short h = 0; it.next(h);)
        if (landscape_->hexDistance(h, static_cast<std::int16_t>(hex_)) == 1 &&
            landscape_->hexDistance(h, secondHex_) == 1) {
            pivot = h;
            break;
        }
    if (pivot < 0 || landscape_->isHexOccupied(pivot)) {
        sendMenuItem(DISABLE_MENU_ITEM, 221);
        sendMenuItem(DISABLE_MENU_ITEM, 220);
    }
}

std::int16_t Combat::LegalUnits(std::uint32_t nation, const List<short>& hexes) {
    VaelUnit::LegalUnits(nation, hexes);
    if (!potentialToBeOrdered_ || !auxWord_ || !doubleSized_ || !landscape_) return 0;
    // Room to step forward as one body: the hexes ahead of both halves across the unit's first step
    // side, both free. They always neighbour each other.
    List<short> room;
    const std::int32_t side = sidesOf(Sides::Step, facing_).first;
    for (std::int16_t h : {static_cast<std::int16_t>(hex_), secondHex_}) {
        const std::int16_t ahead = neighbour(h, side);
        if (ahead >= 0 && frontHexes_.contains(ahead) && !landscape_->isHexOccupied(ahead))
            room.append(ahead);
    }
    short first = 0, last = 0;
    room.first(first);
    room.last(last);
    if (room.count() != 2 || landscape_->hexDistance(first, last) != 1) {
        debugStream() << getName() << " has no room in front of him: potentialToBeOrdered = False"
                      << std::endl;
        potentialToBeOrdered_ = 0;
    }
    return 0;
}

std::int16_t Combat::declareShock(std::int16_t hex) {
    orderHex_ = static_cast<std::uint16_t>(hex);
    AddCombatants(hex);
    potentialToBeOrdered_ = 0;
    doneForTurn_ = 1;
    return 1;
}

std::int16_t Combat::beginOrdersPhase() {
    rallyTried_ = 0;
    orderedThisActivation_ = 0;
    return VaelUnit::beginOrdersPhase();
}

// Selection.

void Combat::showStatus() {
    Application* app = Application::instance();
    if (!app) return;
    app->setStatusText(getName() + " (" + VaelLogicalLandscape::unitTypeCode(unitType_) + ")", 1);
    app->setStatusText(app->loadString(TroopQualityLabel) + " " + std::to_string(TQ_) + "  " +
                           app->loadString(HitsLabel) + " " + std::to_string(cohesionHits_) + "  " +
                           app->loadString(SizeLabel) + " " + std::to_string(size_),
                       2);
}

std::int16_t Combat::registerSelectedMessages() {
    orderHex_ = noHex;
    willRout_ = 0;
    advancing_ = 0;
    if (routing_) return registerRallyMessages();
    if (cohesionHits_ > 0 && !doneForTurn_ && orderMode_ == 0) {
        sendMenuItem(ENABLE_MENU_ITEM, 214);
        if (!isConnected(RegisteredMessage::getId(msg::UnitRestoreCohesion), onUnitRestoreCohesion))
            connectNamed(msg::UnitRestoreCohesion, onUnitRestoreCohesion);
    }
    showStatus();
    short firstZoc = 0;
    if (!noHighlight_ && orderMode_ != 0 && zocHexes_.first(firstZoc))
        testStep(static_cast<std::int16_t>(hex_), firstZoc);
    return VaelUnit::registerSelectedMessages();
}

std::int16_t Combat::unregisterSelectedMessages() {
    VaelUnit::unregisterSelectedMessages();
    sendMenuItem(DISABLE_MENU_ITEM, 220);
    sendMenuItem(DISABLE_MENU_ITEM, 221);
    if (doubleSized_) sendMenuItem(DISABLE_MENU_ITEM, 235);
    sendMenuItem(DISABLE_MENU_ITEM, 213);
    sendMenuItem(DISABLE_MENU_ITEM, 214);
    Container<const char*> cursor("ArrowCursor");
    sendNamed(msg::ChangeCursor, &cursor);
    disconnectNamed(msg::UnitRestoreCohesion, onUnitRestoreCohesion);
    advancing_ = 0;
    if (orderHex_ != noHex && movementLeft_ < movementAllowance_) {
        Container<unsigned short> number(unitNumber_);
        sendNamed(msg::UnitMovementDone, &number);
    }
    if (Application* app = Application::instance()) {
        app->setStatusText("", 1);
        app->setStatusText("", 2);
    }
    return 0;
}

std::int16_t Combat::showHexToMoveTo(std::int16_t hex) {
    Container<const char*> cursor(attackHexes_.contains(hex) ? "Sword" : "ArrowCursor");
    sendNamed(msg::ChangeCursor, &cursor);
    return VaelUnit::showHexToMoveTo(hex);
}

ContainerBase* Combat::onUnitRestoreCohesion(Component* target, BusMessage, ContainerBase* data) {
    auto* unit = dynamic_cast<Combat*>(handlerTarget(target, "TQ", __LINE__));
    if (!unit) return nullptr;
    // The leader's initiative travels as a short; an unsigned one is the same number.
    callWithPayload<unsigned short, short>(data, "TQ", __LINE__, [unit](auto initiative) {
        unit->restoreCohesion(static_cast<std::int16_t>(initiative));
    });
    return nullptr;
}

// Saved state.

void Combat::write(SuperString& file) const {
    VaelUnit::write(file);
    file << static_cast<std::int16_t>(cohesionHits_) << routing_ << rallyTried_ << orderedThisActivation_;
    if (!selected_) return;
    file << orderHex_ << static_cast<std::int16_t>(attackHexes_.count());
    for (short h : attackHexes_)
        file << h;
}

void Combat::writeRunningState(SuperString& file) const {
    VaelUnit::writeRunningState(file);
    file << advancing_ << turned_ << willRout_ << numPointsLeftToAdd_;
    // The zones are kept as they were worked out when the unit last moved or turned, not as the units read
    // back in the scenario's order would make them again.
    for (const List<short>* hexes : {&zocHexes_, &frontHexes_, &flankHexes_, &rearHexes_, &vacatedHexes_})
        writeHexes(file, *hexes);
    // A selected unit's attack hexes are in its record already.
    if (!selected_) writeHexes(file, attackHexes_);
}

bool Combat::readRunningState(SuperString& file) {
    SuperString before;
    VaelUnit::writeRunningState(before);
    if (!VaelUnit::readRunningState(file)) return false;
    std::int16_t advancing = 0, turned = 0, willRout = 0, pointsLeft = 0;
    file >> advancing >> turned >> willRout >> pointsLeft;
    List<short> attack = attackHexes_, zoc, front, flank, rear, vacated;
    const auto refuse = [&](const std::string& why) {
        debugStream() << getName() << ": saved fighting running state cut short or holding " << pointsLeft
                      << " hits to come" << std::endl;
        // Putting the state back reads it anew, which forgets why it was refused.
        if (!why.empty()) refuseRead(file, why);
        const std::string problem = readProblem();
        VaelUnit::readRunningState(before);
        readProblem_ = problem;
        file.setFailed();
        return false;
    };
    if (file.failed()) return refuse({});
    const auto isFlag = [](std::int16_t v) { return v == 0 || v == 1; };
    for (auto [value, what] : {std::pair{turned, "whether it turned"}, {willRout, "whether it will rout"}})
        if (!isFlag(value))
            return refuse("marked " + std::to_string(value) + " for " + what + ", where only 0 or 1 can be");
    // A unit advances after combat within one step of the battle, which no save comes in the middle of:
    // read back advancing, it would take every later hit short of routing and hold the battle up.
    if (advancing != 0)
        return refuse("marked " + std::to_string(advancing) +
                      " for advancing after combat, which a unit does only within a step no save is taken in");
    if (pointsLeft < 0 || pointsLeft > MaxPendingHits)
        return refuse("with " + std::to_string(pointsLeft) + " cohesion hits to come, where 0 to " +
                      std::to_string(MaxPendingHits) + " can be");
    for (auto [hexes, what] : {std::pair{&zoc, "hexes of its zone"}, {&front, "front hexes"},
                               {&flank, "flank hexes"}, {&rear, "rear hexes"}, {&vacated, "vacated hexes"}})
        if (!readHexes(file, *hexes, what)) return refuse({});
    if (!selected_ && !readHexes(file, attack, "hexes to attack")) return refuse({});
    advancing_ = advancing;
    turned_ = turned;
    willRout_ = willRout;
    numPointsLeftToAdd_ = pointsLeft;
    attackHexes_ = attack;
    zocHexes_ = zoc;
    frontHexes_ = front;
    flankHexes_ = flank;
    rearHexes_ = rear;
    vacatedHexes_ = vacated;
    if (landscape_) landscape_->noteChange();
    return true;
}

bool Combat::read(SuperString& file) {
    if (!VaelUnit::read(file)) return false;
    std::int16_t hits = 0, routing = 0, rallyTried = 0, ordered = 0, count = 0;
    std::uint16_t orderHex = noHex;
    List<short> attack;
    file >> hits >> routing >> rallyTried >> ordered;
    const auto refuse = [&](const std::string& why) {
        debugStream() << getName() << ": saved fighting state cut short or holding " << hits << " hits"
                      << std::endl;
        if (!why.empty()) refuseRead(file, why);
        file.setFailed();
        return false;
    };
    if (selected_ && !file.failed()) {
        file >> orderHex >> count;
        // A count no map could fill is corrupt, not a reason to read on for ever.
        const std::int32_t most = landscape_ ? landscape_->regionCount() : 0;
        if (!file.failed() && (count < 0 || count > most))
            return refuse("with " + std::to_string(count) + " hexes to attack, where the map has " +
                          std::to_string(most));
        for (std::int16_t i = 0; i < count && !file.failed(); ++i) {
            short h = 0;
            file >> h;
            if (file.failed()) break;
            if (!landscape_->isValidHex(h))
                return refuse("attacking hex " + std::to_string(h) + ", which this map does not have");
            attack.append(h);
        }
    }
    if (file.failed()) return refuse({});
    if (hits < 0 || hits > static_cast<std::int16_t>(TQ_))
        return refuse("with " + std::to_string(hits) + " cohesion hits, where its troop quality " +
                      std::to_string(TQ_) + " allows 0 to " + std::to_string(TQ_));
    cohesionHits_ = static_cast<std::uint16_t>(hits);
    routing_ = routing;
    rallyTried_ = rallyTried;
    orderedThisActivation_ = ordered;
    if (selected_) {
        orderHex_ = orderHex;
        attackHexes_ = attack;
    }
    if (hex_ != offMap) {
        rebuildZOC();
        buildRearHexes();
        buildFlankHexes();
        buildFrontHexes();
    }
    return true;
}

// Scans for enemies.

std::int16_t Combat::nearestEnemyAmong(const List<short>& hexes) const {
    std::int16_t best = -1;
    int nearest = 999;
    for (short h : hexes) {
        const VaelUnit* first = firstUnitAt(h);
        if (!first || !first->isOtherNation(nation_)) continue;
        const int distance = landscape_->hexDistance(static_cast<std::int16_t>(hex_), h);
        if (distance < nearest) {
            nearest = distance;
            best = h;
        }
    }
    return best;
}

std::int16_t Combat::scanRegion(const List<DIRECTION>& directions, const List<short>& starts,
                                const char* what) {
    if (!landscape_) return -1;
    List<short> region;
    for (short start : starts)
        fillRegion(region, directions, start);
    debugStream() << getName() << " is looking at " << region.count() << what << std::endl;
    return nearestEnemyAmong(region);
}

void Combat::fillRegion(List<short>& region, const List<DIRECTION>& directions, std::int16_t start) {
    List<short> part;
    landscape_->floodFill(part, directions, start, 99, 1, VaelLogicalLandscape::unitStepCost);
    ListIterator<short> hexes(part);
    for (short h = 0; hexes.next(h);)
        region.append(h);
}

std::int16_t Combat::scanFrontHexes() {
    List<short> starts;
    starts.append(static_cast<short>(hex_));
    if (doubleSized_ && secondHex_ >= 0) starts.append(secondHex_);
    return scanRegion(directionsOf(sidesOf(Sides::ScanFront, facing_)), starts, " front hexes");
}

std::int16_t Combat::scanRearHexes() {
    List<short> starts;
    starts.append(static_cast<short>(hex_));
    if (doubleSized_ && secondHex_ >= 0) starts.append(secondHex_);
    return scanRegion(directionsOf(sidesOf(Sides::ScanRear, facing_)), starts, " rear hexes");
}

std::int16_t Combat::scanFlankHexes() {
    if (!landscape_) return -1;
    // Each flank hex adds the two facings beyond it to the directions, and its fill takes all that the
    // flanks walked so far have added.
    List<DIRECTION> directions;
    List<short> region;
    ListIterator<short> it(flankHexes_);
    for (short flank = 0; it.next(flank);) {
        const bool right = flank == neighbour(static_cast<std::int16_t>(hex_), rotateClockwise(facing_, 2));
        const std::uint32_t sense = right ? 2 : 1;
        directions.append(turned(facing_, sense, 1));
        directions.append(turned(facing_, sense, 2));
        fillRegion(region, directions, flank);
    }
    debugStream() << getName() << " is looking at " << region.count() << " flank hexes" << std::endl;
    return nearestEnemyAmong(region);
}

// Turning toward the enemy.

std::int16_t Combat::turnTowardEnemy() {
    const DIRECTION original = facing_;
    const std::uint16_t originalHex = hex_;
    const std::int16_t originalSecond = secondHex_;
    for (int k = 0; k <= 3; ++k) {
        for (std::uint32_t sense : {2u, 1u}) {
            if (k == 0 && sense == 1) continue;
            const DIRECTION trial = turned(original, sense, k);
            facing_ = trial;
            if (doubleSized_) updateSecondHex();
            const List<short> zone = zocFromHex(static_cast<std::int16_t>(hex_));
            facing_ = original;
            hex_ = originalHex;
            secondHex_ = originalSecond;
            bool enemy = false;
            for (short h : zone) {
                if (enemy) break;
                const VaelUnit* first = firstUnitAt(h);
                enemy = first && first->isCombatUnit() && first->isOtherNation(nation_);
            }
            if (enemy && canRotateTo(trial)) return RotateTo(trial);
        }
    }
    return 0;
}

std::int16_t Combat::nearestEnemyCombatHex() {
    if (!landscape_ || hex_ == offMap) return -1;
    bool anyEnemy = false;
    for (std::int16_t i = 0; i < landscape_->regionCount() && !anyEnemy; ++i) {
        ListIterator<const VaelUnit*> it(landscape_->unitsInHex(landscape_->idOf(i)));
        for (const VaelUnit* u = nullptr; it.next(u);)
            if (u->isOtherNation(nation_)) anyEnemy = true;
    }
    if (!anyEnemy) return -1;
    for (std::int16_t r = 1; r <= 100; ++r) {
        List<short> ring;
        landscape_->hexesAtExactCost(ring, static_cast<std::int16_t>(hex_), r,
                                     VaelLogicalLandscape::unitStepCost);
        std::int16_t found = -1;
        ListIterator<short> it(ring);
        for (short h = 0; it.next(h);) {
            ListIterator<const VaelUnit*> units(landscape_->unitsInHex(h));
            for (const VaelUnit* u = nullptr; units.next(u);)
                if (u->isOtherNation(nation_) && !u->isLeader()) found = h;
        }
        if (found >= 0) return found;
        if (ring.isEmpty()) break;
    }
    return -1;
}

std::int16_t Combat::refaceAfterRally() {
    debugStream() << getName() << " now refacing after rallying" << std::endl;
    // The rally's question can be what ended the battle: the unit stands as rallied, turned nowhere.
    if (!landscape_ || hex_ == offMap || hasStoodDown()) return 1;
    std::int16_t enemyHex = -1;
    for (std::int16_t r = 1; r <= 100 && enemyHex < 0; ++r) {
        debugStream() << "Looking at the perimeter with a distance of " << r << std::endl;
        List<short> ring;
        landscape_->hexesAtExactCost(ring, static_cast<std::int16_t>(hex_), r,
                                     VaelLogicalLandscape::unitStepCost);
        if (ring.isEmpty()) break;
        ListIterator<short> it(ring);
        for (short h = 0; it.next(h);) {
            const VaelUnit* first = landscape_->firstOccupant(h);
            if (first && first->isOtherNation(nation_)) {
                debugStream() << "Found an enemy in hex #" << h << ": " << first->getName() << std::endl;
                enemyHex = h;
                break;
            }
        }
    }
    if (enemyHex < 0) return 1;
    const DIRECTION target = landscape_->facingTowards(static_cast<std::int16_t>(hex_), enemyHex);
    const int clockwise = stepsTo(facing_, target, 2);
    const int anticlockwise = stepsTo(facing_, target, 1);
    if (clockwise >= 6) return 1;
    const std::uint32_t sense = clockwise < anticlockwise ? 2 : 1;
    int steps = sense == 2 ? clockwise : anticlockwise;
    if (doubleSized_ && steps != 3) {
        DIRECTION face = facing_;
        for (int i = 0; i < steps; ++i) {
            face = stepFacing(face, sense);
            const std::int16_t covered = sense == 2 ? leftFlankHex(secondHex_, face)
                                                    : rightFlankHex(static_cast<std::int16_t>(hex_), face);
            if (covered < 0 || holdsOtherUnit(covered)) {
                steps = i;
                break;
            }
        }
    }
    if (steps > 0) {
        ChangeFacingStruct order{sense, 0, static_cast<std::uint16_t>(steps), unitNumber_};
        Container<ChangeFacingStruct> box(order);
        dropAnswer(sendNowNamed(msg::ChangeFacing, &box));
    }
    return 1;
}

} // namespace vael
