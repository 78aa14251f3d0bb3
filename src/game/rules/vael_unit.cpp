#include "game/rules/vael_unit.h"

#include "framework/core/bus_event.h"
#include "framework/core/debug_stream.h"
#include "game/rules/vael_logical_landscape.h"

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

} // namespace

VaelUnit::VaelUnit(const VaelUnitData& record, const char* name)
    : Unit(record, name), facing_(record.facing), movementAllowance_(record.movementAllowance),
      movementLeft_(record.movementAllowance), nation_(record.nation), landscape_(record.landscape) {}

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

void VaelUnit::updateSecondHex() {
    if (!doubleSized_) return;
    secondHex_ =
        hex_ == offMap ? std::int16_t(-1) : rightFlankOffsetHex(static_cast<std::int16_t>(hex_), facing_);
}

std::int16_t VaelUnit::rightFlankHex(std::int16_t hex, DIRECTION facing) const {
    if (facing == NoDirection) facing = facing_;
    if (hex < 0) return -1;
    const std::int16_t flank = rightFlankOffsetHex(hex, facing);
    if (flank < 0 || !landscape_ || !landscape_->isValidHex(flank)) return -1;
    return flank;
}

std::int16_t VaelUnit::leftFlankHex(std::int16_t hex, DIRECTION facing) const {
    if (facing == NoDirection) facing = facing_;
    const DIRECTION reverse = opposite(facing);
    if (reverse == NoDirection) return -1;
    return rightFlankHex(hex, reverse);
}

void VaelUnit::Animate(const LogicalCommandInfo& command) {
    debugStream() << getName() << " here in VaelUnit::Animate" << std::endl;
    Container<LogicalCommandInfo> box(command);
    send(LOGICAL_COMMAND, &box);
}

void VaelUnit::setHex(std::uint16_t hex) {
    Unit::setHex(hex);
    updateSecondHex();
}

} // namespace vael
