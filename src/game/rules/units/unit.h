#pragma once
// The framework's logical unit: a component standing on one hex, known everywhere by its number.
#include <cstdint>

#include "framework/core/component.h"
#include "framework/core/hex_codes.h"
#include "game/rules/units/unit_data.h"

namespace vael {

class Unit : public Component {
public:
    static constexpr std::uint16_t offMap = noHex;

    Unit(const UnitData& record, const char* name)
        : Component(name), hex_(record.hex), unitNumber_(record.unitNumber) {}

    std::uint16_t getUnitNum() const { return unitNumber_; }
    std::uint16_t getHex() const { return hex_; }
    virtual void setHex(std::uint16_t hex) { hex_ = hex; }

protected:
    std::uint16_t hex_;
    std::uint16_t unitNumber_;
};

} // namespace vael
