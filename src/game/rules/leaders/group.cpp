#include "game/rules/leaders/group.h"

#include "framework/core/list_walk.h"
#include "framework/core/super_string.h"
#include "game/rules/units/vael_unit.h"

namespace vael {

bool Group::read(SuperString& stream) {
    std::uint16_t readNumber = 0, length = 0;
    stream >> readNumber >> length;
    if (stream.failed() || stream.remaining() < length) {
        stream.setFailed();
        return false;
    }
    std::string text(length, '\0');
    if (length) stream.read(text.data(), length);
    number = readNumber;
    name = std::move(text);
    return true;
}

void Group::addUnit(VaelUnit* unit) {
    if (!units.contains(unit)) units.append(unit);
}

std::int16_t Group::contains(const VaelUnit* unit) const {
    if (!unit) return 0;
    if (holds(units, unit)) return 1;
    return leader && leader->getUnitNum() == unit->getUnitNum();
}

VaelUnit* Group::memberByNumber(std::uint16_t unitNumber) const {
    for (VaelUnit* member : units)
        if (member && member->getUnitNum() == unitNumber) return member;
    return nullptr;
}

std::int16_t Group::containsUnitNumber(std::uint16_t unitNumber) const {
    if (memberByNumber(unitNumber)) return 1;
    return leader && leader->getUnitNum() == unitNumber;
}

} // namespace vael
