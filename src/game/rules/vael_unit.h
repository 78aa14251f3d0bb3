#pragma once
// The logical unit of the battle: one body of troops or one leader on one hex of the logical map (two
// hexes for a double-sized unit), facing a corner of its hex, belonging to one nation. The unit kinds
// derive from it. This is the part of the unit the logical map relies on: its identity, its hexes and
// facing, its movement points, the kind tests and its zone-of-control test.
#include <cstdint>

#include "framework/core/command_records.h"
#include "framework/core/direction.h"
#include "game/rules/unit.h"
#include "game/rules/vael_unit_data.h"

namespace vael {

class VaelLogicalLandscape;

class VaelUnit : public Unit {
public:
    VaelUnit(const VaelUnitData& record, const char* name);
    ~VaelUnit() override = default;

    DIRECTION getFacing() const { return facing_; }
    // -1 for a unit that covers one hex.
    std::int16_t getSecondHex() const { return secondHex_; }
    void setMovement(std::uint16_t points) { movementAllowance_ = movementLeft_ = points; }
    std::uint16_t getMovementAllowance() const { return movementAllowance_; }
    std::uint16_t getMovementLeft() const { return movementLeft_; }
    std::uint32_t getNation() const { return nation_; }
    void setNation(std::uint32_t nation) { nation_ = nation; }
    std::int16_t isOtherNation(std::uint32_t nation) const { return nation_ != nation; }
    std::int16_t hasSpentMovement() const { return movementLeft_ != movementAllowance_; }
    std::int16_t isOutOfPlay() const { return outOfPlay_; }

    // Puts a double-sized unit's second hex on the right-flank neighbour of its hex (no map test).
    void updateSecondHex();
    // The neighbour across the right (left) flank side of hex for a facing, 0 meaning the unit's own
    // facing; -1 when that neighbour is not on the map.
    std::int16_t rightFlankHex(std::int16_t hex, DIRECTION facing = NoDirection) const;
    std::int16_t leftFlankHex(std::int16_t hex, DIRECTION facing = NoDirection) const;
    // Hands a command to the unit's display object.
    void Animate(const LogicalCommandInfo& command);

    // A double-sized unit follows its hex with its second hex.
    void setHex(std::uint16_t hex) override;
    virtual std::int16_t isHexInZOC(std::int16_t hex) const = 0;
    virtual std::int16_t isMissileCapable() const = 0;
    virtual std::int16_t isCombatUnit() const = 0;
    virtual std::int16_t isLeader() const = 0;
    virtual std::int16_t isDoubleSized() const { return doubleSized_; }

    // The hex h + the right-flank offset of a facing by the column's parity (no map test); -1 for a
    // value that is no facing, or where the offset runs past row 0 or row 99 into another column.
    static std::int16_t rightFlankOffsetHex(std::int16_t hex, DIRECTION facing);

protected:
    std::int16_t secondHex_ = -1;
    std::uint16_t doubleSized_ = 0;
    DIRECTION facing_;
    std::uint16_t movementAllowance_;
    std::uint16_t movementLeft_;
    std::uint32_t nation_;
    std::uint16_t outOfPlay_ = 0;
    VaelLogicalLandscape* landscape_;
};

} // namespace vael
