#pragma once
// The group a leader commands: its number and name from the scenario, its members in scenario order
// and its leader, who is not a member.
#include <cstdint>
#include <string>

#include "framework/core/list.h"
#include "framework/core/type_name.h"

namespace vael {

class VaelUnit;

class Group {
public:
    Group(std::uint16_t number, const std::string& name) : number(number), name(name) {}

    // True for a member, or for a unit that bears the leader's number.
    std::int16_t contains(const VaelUnit* unit) const;
    std::int16_t containsUnitNumber(std::uint16_t unitNumber) const;

    std::uint16_t number;
    std::string name;
    List<VaelUnit*> units; // members, not owned
    VaelUnit* leader = nullptr;
};

VAEL_TYPE_NAME(Group, "Group");

} // namespace vael
