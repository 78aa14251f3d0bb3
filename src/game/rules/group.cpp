#include "game/rules/group.h"

#include "game/rules/vael_unit.h"

namespace vael {

std::int16_t Group::contains(const VaelUnit* unit) const {
    if (!unit) return 0;
    if (units.contains(const_cast<VaelUnit*>(unit))) return 1;
    return leader && leader->getUnitNum() == unit->getUnitNum();
}

std::int16_t Group::containsUnitNumber(std::uint16_t unitNumber) const {
    if (leader && leader->getUnitNum() == unitNumber) return 1;
    ListIterator<VaelUnit*> it(const_cast<List<VaelUnit*>&>(units));
    for (VaelUnit* member = nullptr; it.next(member);)
        if (member && member->getUnitNum() == unitNumber) return 1;
    return 0;
}

} // namespace vael
