// Turning a unit: the order, the step-by-step turn with its display commands, and the pivot of a
// double-sized unit on one of its two hexes.
#include <algorithm>

#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "framework/core/registered_message.h"
#include "game/rules/rules_message_names.h"
#include "game/rules/units/vael_unit.h"

namespace vael {

namespace {

const char* compassName(DIRECTION d) {
    static const char* const names[9] = {"None",  "North",      "North-east", "East",      "South-east",
                                         "South", "South-west", "West",       "North-west"};
    return d >= NoDirection && d <= NorthWest ? names[d] : "None";
}

// Steps from one facing to another turning one way; 6 (a whole turn) when the other is not reachable.
int stepsBetween(DIRECTION from, DIRECTION to, std::uint32_t sense) {
    int steps = 0;
    for (DIRECTION d = from; d != to && steps < 6; ++steps)
        d = VaelUnit::stepFacing(d, sense);
    return steps;
}

DIRECTION facingFor(DIRECTION d) {
    return d == North || d == South ? rotateClockwise(d, 1) : d;
}

LogicalCommandInfo facingCommand(std::uint16_t unit, DIRECTION facing) {
    return LogicalCommandInfo(unit, new Container<DIRECTION>(facing), 0, BusMessage(CHANGE_UNIT_FACING),
                              BusMessage(RegisteredMessage::getId(msg::ChangeFacingDone)),
                              new Container<short>(0));
}

} // namespace

std::int16_t VaelUnit::ChangeFacing(std::uint32_t sense, std::uint16_t numTurns) {
    debugStream() << getName() << " here in ChangeFacing" << std::endl;
    if (!isLeader()) {
        potentialToBeOrdered_ = 0;
        doneForTurn_ = 1;
    }
    const std::uint32_t way = sense == 1 ? 1 : 2;
    DIRECTION target = facing_;
    for (int i = 0; i < numTurns % 6; ++i)
        target = stepFacing(target, way);
    debugStream() << "numTurns == " << numTurns << std::endl;
    debugStream() << "New facing: " << compassName(target) << std::endl;
    const bool lit = selected_ && !noHighlight_;
    if (lit) {
        Container<List<short>> moves(validMoves_);
        send(DEHIGHLIGHT_REGION, &moves);
    }
    std::int16_t result = 2;
    if (numTurns == 3 && doubleSized_) {
        debugStream() << "Double sized unit requesting 3 turns: AboutFace" << std::endl;
        LogicalCommandInfo command(unitNumber_, new Container<unsigned char>(0), 0,
                                   BusMessage(RegisteredMessage::getId(msg::AboutFace)),
                                   BusMessage(RegisteredMessage::getId(msg::AboutFaceDone)),
                                   new Container<short>(0));
        Container<LogicalCommandInfo> box(command);
        send(LOGICAL_COMMAND, &box);
        if (secondHex_ >= 0) {
            const std::uint16_t old = hex_;
            hex_ = static_cast<std::uint16_t>(secondHex_);
            secondHex_ = static_cast<std::int16_t>(old);
        }
        setFacing(target);
    } else {
        for (int guard = 0; facing_ != target && guard < 6; ++guard) {
            const DIRECTION next = stepFacing(facing_, way);
            if (!doubleSized_) {
                facing_ = next;
                continue;
            }
            // The swinging end must land on the map; a turn that would carry it off stops short.
            const std::int16_t swung = way == 2 ? leftFlankHex(secondHex_, next)
                                                : rightFlankHex(static_cast<std::int16_t>(hex_), next);
            if (swung < 0) {
                debugStream() << getName() << " cannot turn further: the map ends there" << std::endl;
                break;
            }
            Container<LogicalCommandInfo> box(facingCommand(unitNumber_, next));
            send(LOGICAL_COMMAND, &box);
            facing_ = next;
            if (way == 2) {
                moveOccupancy(static_cast<std::int16_t>(hex_), swung);
                hex_ = static_cast<std::uint16_t>(swung);
                if (isRouting() || willRout()) {
                    sendNamedEmpty(msg::ChangeFacingDone);
                    return 0;
                }
            } else {
                moveOccupancy(secondHex_, swung);
                secondHex_ = swung;
            }
            if (!isRouting() && landscape_ && landscape_->findOWCandidates(swung, nation_, this)) {
                target = facing_;
                result = 1;
            }
        }
        if (!doubleSized_) {
            Container<LogicalCommandInfo> box(facingCommand(unitNumber_, facing_));
            send(LOGICAL_COMMAND, &box);
        }
    }
    if (lit) {
        if (movementLeft_ == 0) {
            sendMenuItem(DISABLE_MENU_ITEM, 221);
            sendMenuItem(DISABLE_MENU_ITEM, 220);
        }
        if (doubleSized_) doubleHexesChanged();
        validMoves_ = GetValidMovement();
        if (!hasMoved_) highlightValidMoves(false);
    }
    return result;
}

namespace {

// Sends "ChangeFacing" at once and answers the layer's reply, 2 when there is none.
std::int16_t askChangeFacing(VaelUnit& unit, std::uint32_t sense, std::uint16_t numTurns) {
    ChangeFacingStruct order{sense, 0, numTurns, unit.getUnitNum()};
    Container<ChangeFacingStruct> box(order);
    return VaelUnit::takeShort(unit.sendNowNamed(msg::ChangeFacing, &box), 2);
}

} // namespace

std::int16_t VaelUnit::rotateRight() {
    const auto before = static_cast<std::int16_t>(hex_);
    const std::int16_t answer = askChangeFacing(*this, 2, 1);
    if (doubleSized_) stepCohesionHits(before, static_cast<std::int16_t>(hex_), 0);
    if (answer == OW_MOVE) postBeginOWSegment();
    return 0;
}

std::int16_t VaelUnit::rotateLeft() {
    if (askChangeFacing(*this, 1, 1) == OW_MOVE) postBeginOWSegment();
    return 0;
}

std::int16_t VaelUnit::Rotate(std::uint32_t sense, std::uint16_t numTurns) {
    if (numTurns == 0) return 0;
    const std::int16_t answer = askChangeFacing(*this, sense, numTurns);
    if (isCombatUnit()) validMoves_ = GetValidMovement();
    if (answer == OW_MOVE) postBeginOWSegment();
    debugStream() << "VaelUnit::Rotate returning with value of "
                  << (answer == OW_MOVE ? "OW_MOVE" : "not OW_MOVE") << std::endl;
    return answer;
}

std::int16_t VaelUnit::RotateTo(DIRECTION facing) {
    facing = facingFor(facing);
    const int clockwise = stepsBetween(facing_, facing, 2);
    const int anticlockwise = stepsBetween(facing_, facing, 1);
    if (clockwise >= 6 || anticlockwise >= 6) return 0;
    if (anticlockwise <= clockwise) return Rotate(1, static_cast<std::uint16_t>(anticlockwise));
    return Rotate(2, static_cast<std::uint16_t>(clockwise));
}

std::int16_t VaelUnit::canRotateTo(DIRECTION facing) {
    if (!doubleSized_) return 1;
    facing = facingFor(facing);
    const int clockwise = stepsBetween(facing_, facing, 2);
    const int anticlockwise = stepsBetween(facing_, facing, 1);
    if (anticlockwise == 3) return 1;
    if (clockwise >= 6 || !landscape_) return 0;
    const bool turnClockwise = clockwise < anticlockwise;
    const int steps = turnClockwise ? clockwise : anticlockwise;
    std::int16_t previous = turnClockwise ? static_cast<std::int16_t>(hex_) : secondHex_;
    DIRECTION face = facing_;
    for (int i = 0; i < steps; ++i) {
        face = stepFacing(face, turnClockwise ? 2 : 1);
        const std::int16_t swung = turnClockwise ? leftFlankHex(secondHex_, face)
                                                 : rightFlankHex(static_cast<std::int16_t>(hex_), face);
        if (swung < 0) return 0;
        if (!landscape_->unitsInHex(swung).isEmpty()) {
            debugStream() << getName() << " cannot rotate because he is blocked." << std::endl;
            return 0;
        }
        if (landscape_->hasHexsideFeatureToward(previous, swung, 14)) return 0;
        previous = swung;
    }
    return 1;
}

std::int16_t VaelUnit::UnitAboutFace() {
    debugStream() << getName() << " in UnitAboutFace" << std::endl;
    // Fewer than three points left pays what is left: an unsigned wrap would give unlimited movement.
    movementLeft_ = static_cast<std::uint16_t>(std::max(0, movementLeft_ - 3));
    askChangeFacing(*this, 2, 3);
    Container<unsigned short> number(unitNumber_);
    sendNamed(msg::UnitMovementDone, &number);
    return 0;
}

} // namespace vael
