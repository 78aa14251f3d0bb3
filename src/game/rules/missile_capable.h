#pragma once
// The fighting unit that shoots or throws: its missile type, range and supply of volleys.
#include <cstdint>

#include "game/rules/combat.h"
#include "game/rules/missile_capable_unit_data.h"

namespace vael {

class MissileCapable : public Combat {
public:
    MissileCapable(const MissileCapableUnitData& record, const char* name);

    std::uint32_t getMissileType() const { return missileType_; }
    std::uint16_t getMissileSupply() const { return missileSupply_; }
    std::uint16_t getMissilesLeft() const { return missilesLeft_; }
    std::uint16_t getRange() const { return range_; }

    std::int16_t isMissileCapable() const override { return 1; }
    // The active leader has a unit that shot its last volley refill its supply; the missile rules say
    // by how much.
    virtual void replenish() {}
    std::int16_t kindFlag() const override { return 0; }

protected:
    std::uint32_t missileType_;
    std::uint16_t range_;
    std::uint16_t missileSupply_;
    std::uint16_t missilesLeft_;
};

} // namespace vael
