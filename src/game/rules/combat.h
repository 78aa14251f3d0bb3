#pragma once
// The fighting unit: troop quality, cohesion hits, size, unit type and the zone of control it exerts.
// The unit kinds complete it; the logical map reads these figures and asks it to rebuild its
// surroundings after it moved.
#include <cstdint>

#include "framework/core/list.h"
#include "game/rules/combat_unit_data.h"
#include "game/rules/vael_unit.h"

namespace vael {

class Combat : public VaelUnit {
public:
    Combat(const CombatUnitData& record, const char* name);

    std::uint16_t getSize() const { return size_; }
    std::uint32_t getUnitType() const { return unitType_; }
    std::uint16_t getCohesionHits() const { return cohesionHits_; }
    std::uint16_t getTroopQuality() const { return TQ_; }

    // A unit out of play controls nothing.
    std::int16_t isHexInZOC(std::int16_t hex) const override {
        return !outOfPlay_ && zocHexes_.contains(hex);
    }
    std::int16_t isMissileCapable() const override { return 0; }
    std::int16_t isCombatUnit() const override { return 1; }
    std::int16_t isLeader() const override { return 0; }

    virtual void rebuildZOC() = 0;
    virtual void buildFrontHexes() = 0;
    virtual void buildRearHexes() = 0;
    virtual void buildFlankHexes() = 0;
    // Rebuilds the hexes around the unit after it moved or turned.
    virtual void updateSurroundings();

protected:
    std::uint16_t TQ_;
    std::uint16_t cohesionHits_ = 0;
    std::uint16_t size_;
    std::uint32_t unitType_ = 0;
    List<short> zocHexes_;
};

} // namespace vael
