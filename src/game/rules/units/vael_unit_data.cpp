#include "game/rules/units/vael_unit_data.h"

#include "framework/core/assertion.h"
#include "framework/core/super_string.h"

namespace vael {

namespace {
constexpr const char* sourceFile = "VAELUNIT";
} // namespace

std::uint32_t VaelUnitData::nationOfCode(std::uint8_t code) {
    static constexpr std::uint32_t nations[6] = {4, 2, 1, 3, 5, 6};
    return code < 6 ? nations[code] : 0;
}

bool VaelUnitData::isFacing(std::uint32_t value) {
    return value >= NorthEast && value <= NorthWest && value != South;
}

bool VaelUnitData::Load(SuperString& file) {
    std::uint8_t length = 0;
    file >> length;
    std::string text(length, '\0');
    if (length) file.read(text.data(), length);
    std::uint8_t code = 0, facingCode = 0;
    std::uint16_t movement = 0, leader = 0, start = 0;
    file >> code >> movement >> leader >> start >> facingCode;
    if (file.failed()) {
        Assertion::fail("Unit record cut short in VaelUnitData::Load(...)", sourceFile, 42);
        return false;
    }
    const std::uint32_t side = nationOfCode(code);
    if (side == 0) {
        Assertion::fail("Invalid nation in VaelUnitData::Load(...)", sourceFile, 42);
        file.setFailed();
        return false;
    }
    if (!isFacing(facingCode)) {
        Assertion::fail("Invalid facing in VaelUnitData::Load(...)", sourceFile, 42);
        file.setFailed();
        return false;
    }
    name = text;
    nation = side;
    movementAllowance = movement;
    leaderId = leader;
    hex = start;
    facing = static_cast<DIRECTION>(facingCode);
    return true;
}

} // namespace vael
