#include "game/rules/units/vael_unit.h"

#include <algorithm>

#include "framework/core/answer.h"
#include "framework/core/assertion.h"
#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/payload_check.h"
#include "framework/core/registered_message.h"
#include "framework/core/super_string.h"
#include "game/rules/landscape/vael_logical_landscape.h"
#include "game/rules/rules_message_names.h"

namespace vael {

namespace {

DIRECTION opposite(DIRECTION facing) {
    switch (facing) {
    case NorthEast:
        return SouthWest;
    case East:
        return West;
    case SouthEast:
        return NorthWest;
    case SouthWest:
        return NorthEast;
    case West:
        return East;
    case NorthWest:
        return SouthEast;
    default:
        return NoDirection;
    }
}

BusMessage named(const char* name) {
    return BusMessage(RegisteredMessage::getId(name));
}

// The two region directions a front arc spans, for an arc code or a single side direction (which spans
// itself alone).
std::pair<std::int32_t, std::int32_t> arcSides(std::int32_t code) {
    switch (code) {
    case 2:
        return {2, 1};
    case 3:
        return {4, 2};
    case 4:
        return {5, 4};
    case 6:
        return {6, 5};
    case 7:
        return {8, 6};
    case 8:
        return {1, 8};
    case 1:
    case 5:
        return {code, code};
    default:
        return {0, 0};
    }
}

} // namespace

VaelUnit::VaelUnit(const VaelUnitData& record, const char* name)
    : Unit(record, name), facing_(record.facing), movementAllowance_(record.movementAllowance),
      movementLeft_(record.movementAllowance), nation_(record.nation), leaderId_(record.leaderId),
      landscape_(record.landscape) {}

std::int16_t VaelUnit::rightFlankOffsetHex(std::int16_t hex, DIRECTION facing) {
    const bool odd = (hex / 100) % 2 != 0;
    int offset = 0;
    switch (facing) {
    case NorthEast:
        offset = odd ? 101 : 100;
        break;
    case East:
        offset = 1;
        break;
    case SouthEast:
        offset = odd ? -99 : -100;
        break;
    case SouthWest:
        offset = odd ? -100 : -101;
        break;
    case West:
        offset = -1;
        break;
    case NorthWest:
        offset = odd ? 100 : 99;
        break;
    default:
        return -1;
    }
    // Row 0 less one or row 99 plus one would land on another column's far end; on a map of 100 rows
    // that hex exists, so it must not pass for a neighbour.
    const int flank = hex + offset;
    const int rowStep = flank % 100 - hex % 100;
    if (rowStep < -1 || rowStep > 1) return -1;
    return static_cast<std::int16_t>(flank);
}

DIRECTION VaelUnit::stepFacing(DIRECTION facing, std::uint32_t sense) {
    DIRECTION next = sense == 2 ? rotateClockwise(facing, 1) : rotateAnticlockwise(facing, 1);
    if (next == North || next == South)
        next = sense == 2 ? rotateClockwise(next, 1) : rotateAnticlockwise(next, 1);
    return next;
}

void VaelUnit::updateSecondHex() {
    if (!doubleSized_) return;
    secondHex_ =
        hex_ == offMap ? std::int16_t(-1) : rightFlankOffsetHex(static_cast<std::int16_t>(hex_), facing_);
}

std::int16_t VaelUnit::rightFlankHex(std::int16_t hex, DIRECTION facing) const {
    if (facing == NoDirection) facing = facing_;
    if (hex < 0 || !landscape_ || rightFlankOffsetHex(hex, facing) < 0) return -1;
    // The side two steps clockwise of the facing corner; the map's own neighbour table knows where its
    // edges and its last row are.
    const std::uint16_t id = landscape_->neighbourId(hex, (facing + 1) % 8 + 1);
    const auto flank = static_cast<std::int16_t>(id);
    return id == LogicalRegion::none || !landscape_->isValidHex(flank) ? std::int16_t(-1) : flank;
}

std::int16_t VaelUnit::leftFlankHex(std::int16_t hex, DIRECTION facing) const {
    if (facing == NoDirection) facing = facing_;
    const DIRECTION reverse = opposite(facing);
    if (reverse == NoDirection) return -1;
    return rightFlankHex(hex, reverse);
}

VaelUnit* VaelUnit::handlerTarget(Component* target, const char* sourceFile, std::int16_t line) {
    auto* unit = dynamic_cast<VaelUnit*>(target);
    Assertion::check(unit != nullptr, BadPayloadMessage, sourceFile, line);
    return unit;
}

std::int16_t VaelUnit::takeShort(ContainerBase* reply, std::int16_t fallback) {
    const auto held = owned(reply);
    short value = fallback;
    takeAnswer(held.get(), value, __FILE__, __LINE__);
    return value;
}

void VaelUnit::postUnitState() {
    LogicalCommandInfo command(unitNumber_, nullptr, hex_, BusMessage(LOGICAL_OBJECT_ENABLED));
    Container<LogicalCommandInfo> box(command);
    send(LOGICAL_COMMAND, &box);
}

void VaelUnit::Animate(const LogicalCommandInfo& command) {
    debugStream() << getName() << " here in VaelUnit::Animate" << std::endl;
    Container<LogicalCommandInfo> box(command);
    send(LOGICAL_COMMAND, &box);
}

std::int16_t VaelUnit::acceptsEvent(ContainerBase* data) {
    short hex = 0;
    return Container<short>::fromMessage(data, hex) && static_cast<std::uint16_t>(hex) == hex_;
}

void VaelUnit::setHex(std::uint16_t hex) {
    Unit::setHex(hex);
    updateSecondHex();
}

void VaelUnit::moveOccupancy(std::int16_t from, std::int16_t to) {
    if (!landscape_) return;
    if (from >= 0) landscape_->removeFromRegion(this, from);
    if (to >= 0) landscape_->addToRegion(this, to);
}

List<short> VaelUnit::arcHexes(std::int16_t hex, std::int16_t depth, std::int32_t code) {
    List<short> result;
    result.append(hex);
    if (depth - 1 <= 0 || !landscape_) return result;
    const auto [first, second] = arcSides(code);
    for (std::int32_t side : {first, second}) {
        if (side == 0) continue;
        const std::uint16_t n = landscape_->neighbourId(hex, side);
        if (n == LogicalRegion::none) continue;
        const std::int32_t next = (code == 3 || code == 7) ? code : side;
        List<short> part = arcHexes(static_cast<std::int16_t>(n), static_cast<std::int16_t>(depth - 1), next);
        ListIterator<short> it(part);
        for (short h = 0; it.next(h);) {
            result.remove(h);
            result.append(h);
        }
    }
    return result;
}

std::int16_t VaelUnit::stepCost(std::int16_t, std::int16_t) {
    return 0;
}

void VaelUnit::stepCohesionHits(std::int16_t, std::int16_t, std::uint16_t) {}

std::int16_t VaelUnit::testStep(std::int16_t, std::int16_t) {
    return 1;
}

List<short> VaelUnit::lineTo(std::int16_t hex) {
    return landscape_ ? landscape_->hexLine(static_cast<std::int16_t>(hex_), hex) : List<short>();
}

std::uint16_t VaelUnit::movementFinished(const List<short>& path, BusMessage doneEvent,
                                         const ContainerBase* donePayload, std::uint16_t noRecompute) {
    potentialToBeOrdered_ = 0;
    doneForTurn_ = 1;
    short last = static_cast<short>(hex_);
    path.last(last);
    bool walked = true;
    {
        LogicalCommandInfo command(unitNumber_, new Container<List<short>>(path),
                                   static_cast<std::uint16_t>(last), BusMessage(LOGICAL_OBJECT_MOVED),
                                   doneEvent, donePayload ? donePayload->clone() : nullptr);
        Container<LogicalCommandInfo> box(command);
        // Without a map to answer, the move stands as ordered.
        walked = takeShort(sendNowNamed(msg::UnitMovement, &box), 1) != 0;
    }
    debugStream() << getName() << " has finished moving and is in hex " << last << std::endl;
    // The outline goes with a selected unit to where it now stands, the hex clicked or short of it; a hex
    // no unit stands on is out of every reach, which puts the outline on the unit.
    if (selected_ && !noHighlight_) VaelUnit::showHexToMoveTo(static_cast<std::int16_t>(offMap));
    // A move the map refused was never walked: its steps cost nothing.
    Item<short>* it = nullptr;
    for (path.firstItem(it); walked && it && it->next; it = it->next) {
        const short from = it->value, to = it->next->value;
        const std::int16_t cost = landscape_ ? landscape_->stepCostBetween(from, to) : 0;
        stepCohesionHits(from, to, noRecompute);
        // Points never go below none: an unsigned wrap would hand the unit unlimited movement.
        if (cost > 0) movementLeft_ = static_cast<std::uint16_t>(std::max(0, movementLeft_ - cost));
    }
    if (!noRecompute) validMoves_ = GetValidMovement();
    if (!forcedWithdrawal_) {
        Container<unsigned short> number(unitNumber_);
        sendNamed(msg::UnitMovementDone, &number);
    }
    if (doubleSized_) doubleHexesChanged();
    if (doneEvent != named(msg::AdvancingDone) && doneEvent != named(msg::OWMovementDone) &&
        doneEvent != named(msg::GroupMovementDone))
        hasMoved_ = 1;
    return movementLeft_;
}

std::int16_t VaelUnit::setFacing(DIRECTION facing) {
    facing_ = facing;
    return 2;
}

std::int16_t VaelUnit::unitAt(std::int16_t hex) {
    if (!landscape_) return -1;
    const VaelUnit* first = landscape_->firstOccupant(hex);
    return first ? static_cast<std::int16_t>(first->getUnitNum()) : std::int16_t(-1);
}

std::int16_t VaelUnit::distanceTo(std::int16_t hex) {
    return landscape_ ? landscape_->hexDistance(static_cast<std::int16_t>(hex_), hex) : std::int16_t(-1);
}

// Saved state.

void VaelUnit::write(SuperString& file) const {
    file << movementLeft_ << auxWord_ << doneForTurn_ << usedThisTurn_ << rallied_ << selected_ << hex_
         << secondHex_ << static_cast<std::uint32_t>(facing_) << outOfPlay_;
    if (selected_) file << orderMode_;
}

bool VaelUnit::read(SuperString& file) {
    readProblem_.clear();
    std::uint16_t left = 0, aux = 0, done = 0, used = 0, rallied = 0, selected = 0, savedHex = 0,
                  outOfPlay = 0, orderMode = 0;
    std::int16_t savedSecond = 0;
    std::uint32_t facing = 0;
    file >> left >> aux >> done >> used >> rallied >> selected >> savedHex >> savedSecond >> facing >>
        outOfPlay;
    if (selected) file >> orderMode;
    if (file.failed()) {
        debugStream() << getName() << ": saved state cut short" << std::endl;
        return false;
    }
    const auto onMap = [this](std::int32_t h) {
        return landscape_ && landscape_->isValidHex(static_cast<std::int16_t>(h));
    };
    const bool hexesFit = (savedHex == offMap || onMap(savedHex)) &&
                          (savedSecond == -1 || (doubleSized_ && onMap(savedSecond)));
    if (!VaelUnitData::isFacing(facing) || !hexesFit) {
        debugStream() << getName() << ": saved state holds facing " << facing << ", hexes " << savedHex << ' '
                      << savedSecond << std::endl;
        if (!VaelUnitData::isFacing(facing))
            return refuseRead(file, "facing " + std::to_string(facing) + ", which is no direction");
        if (savedHex != offMap && !onMap(savedHex))
            return refuseRead(file, "on hex " + std::to_string(savedHex) + ", which this map does not have");
        return refuseRead(file, "with a second hex " + std::to_string(savedSecond) + ", which " +
                                    (doubleSized_ ? "this map does not have" : "a unit of one hex has not"));
    }
    movementLeft_ = left;
    auxWord_ = aux;
    doneForTurn_ = done;
    usedThisTurn_ = used;
    rallied_ = rallied;
    selected_ = selected;
    facing_ = static_cast<DIRECTION>(facing);
    orderMode_ = orderMode;
    // The elimination was scored when it happened: the restored unit only stops answering, and leaves the
    // map when the saved hexes say so.
    if (outOfPlay && !outOfPlay_) leavePlayOnLoad();
    if (outOfPlay_ && !standsOutOfPlay()) {
        // A fallen unit keeps its last hexes, which the rules still name it by, but stands on none of them.
        if (hex_ != offMap) moveOccupancy(static_cast<std::int16_t>(hex_), -1);
        if (secondHex_ >= 0) moveOccupancy(secondHex_, -1);
        hex_ = savedHex;
        secondHex_ = savedSecond;
        return true;
    }
    if (savedHex != hex_) {
        if (hex_ != offMap) moveOccupancy(static_cast<std::int16_t>(hex_), -1);
        hex_ = savedHex;
        if (hex_ != offMap) moveOccupancy(-1, static_cast<std::int16_t>(hex_));
    }
    if (savedSecond != secondHex_) {
        if (secondHex_ >= 0) moveOccupancy(secondHex_, -1);
        secondHex_ = savedSecond;
        if (secondHex_ >= 0) moveOccupancy(-1, secondHex_);
    }
    return true;
}

void VaelUnit::writeHexes(SuperString& file, const List<short>& hexes) {
    file << static_cast<std::uint16_t>(hexes.count());
    for (short h : hexes)
        file << h;
}

bool VaelUnit::readHexes(SuperString& file, List<short>& hexes, const char* what) {
    std::uint16_t count = 0;
    file >> count;
    if (file.failed() || !landscape_) return file.setFailed(), false;
    // A count no map could fill is corrupt, not a reason to read on for ever.
    if (count > landscape_->regionCount())
        return refuseRead(file, "with " + std::to_string(count) + " " + what + ", more than the map's " +
                                    std::to_string(landscape_->regionCount()));
    hexes.clear();
    for (std::uint16_t i = 0; i < count; ++i) {
        short h = 0;
        file >> h;
        if (file.failed()) return false;
        if (!landscape_->isValidHex(h))
            return refuseRead(file, std::string("with hex ") + std::to_string(h) + " among its " + what +
                                        ", which this map does not have");
        hexes.append(h);
    }
    return true;
}

bool VaelUnit::refuseRead(SuperString& file, const std::string& why) {
    readProblem_ = "the saved game has " + getName() + " (unit " + std::to_string(unitNumber_) + ") " + why;
    file.setFailed();
    return false;
}

void VaelUnit::writeRunningState(SuperString& file) const {
    file << forcedWithdrawal_ << potentialToBeOrdered_ << owPending_ << moveDestination_ << noHighlight_
         << selectedHex_ << selectedOnOwnHex_ << markedHex_ << markedSecondHex_;
    writeHexes(file, validMoves_);
    writeHexes(file, blockedMoves_);
    writeHexes(file, movePath_);
}

bool VaelUnit::readRunningState(SuperString& file) {
    readProblem_.clear();
    std::uint16_t forced = 0, potential = 0, pending = 0, destination = 0, noHighlight = 0, selectedHex = 0,
                  ownHex = 0, marked = 0, markedSecond = 0;
    file >> forced >> potential >> pending >> destination >> noHighlight >> selectedHex >> ownHex >> marked >>
        markedSecond;
    List<short> valid, blocked, path;
    if (file.failed()) {
        debugStream() << getName() << ": saved running state cut short" << std::endl;
        return false;
    }
    // A hex the unit was sent to, picked on, or marked as the one to move to is a hex of this map, or none.
    const auto isHex = [this](std::uint16_t v) {
        return v == noHex || (landscape_ && landscape_->isValidHex(static_cast<std::int16_t>(v)));
    };
    for (auto [value, what] : {std::pair{forced, "a withdrawal forced on it"}, {potential, "whether it may be ordered"},
                               {pending, "a withdrawal pending"}, {noHighlight, "whether its reach is shown"},
                               {ownHex, "whether it was picked on its own hex"}})
        if (value > 1)
            return refuseRead(file, "marked " + std::to_string(value) + " for " + what + ", where only 0 or 1 can be");
    for (auto [value, what] : {std::pair{destination, "sent to"}, {selectedHex, "picked on"},
                               {marked, "marked to move to"}, {markedSecond, "marked to move its second hex to"}})
        if (!isHex(value))
            return refuseRead(file, std::string(what) + " hex " + std::to_string(value) +
                                        ", which this map does not have");
    if (!readHexes(file, valid, "hexes in reach") || !readHexes(file, blocked, "blocked hexes") ||
        !readHexes(file, path, "hexes of its path")) {
        debugStream() << getName() << ": saved running state cut short or holding hexes off the map"
                      << std::endl;
        return false;
    }
    forcedWithdrawal_ = forced;
    potentialToBeOrdered_ = potential;
    owPending_ = pending;
    moveDestination_ = destination;
    noHighlight_ = noHighlight;
    selectedHex_ = selectedHex;
    selectedOnOwnHex_ = ownHex;
    markedHex_ = marked;
    markedSecondHex_ = markedSecond;
    validMoves_ = valid;
    blockedMoves_ = blocked;
    movePath_ = path;
    return true;
}

SuperString& writeVaelUnit(SuperString& stream, const VaelUnit& unit) {
    unit.write(stream);
    return stream;
}

SuperString& readVaelUnit(SuperString& stream, VaelUnit& unit) {
    if (!unit.read(stream)) stream.setFailed();
    return stream;
}

} // namespace vael
