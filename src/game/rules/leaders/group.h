#pragma once
// The group a leader commands: its number and name from the scenario, its members in scenario order
// and its leader, who is not a member. Copies share the units; two groups are the same group when their
// numbers are equal.
#include <cstdint>
#include <string>

#include "framework/core/list.h"
#include "framework/core/type_name.h"

namespace vael {

class SuperString;
class VaelUnit;

class Group {
public:
    Group() = default;
    Group(std::uint16_t number, const std::string& name) : number(number), name(name) {}

    bool operator==(const Group& other) const { return number == other.number; }

    // The scenario's form: u16 number, u16 name length, the name's bytes. A record cut short fails the
    // stream and leaves the group as it was.
    bool read(SuperString& stream);

    void setLeader(VaelUnit* unit) { leader = unit; }
    // A unit already a member is not added again.
    void addUnit(VaelUnit* unit);
    void removeUnit(VaelUnit* unit) { units.remove(unit); }
    // True for a member, or for a unit that bears the leader's number.
    std::int16_t contains(const VaelUnit* unit) const;
    std::int16_t containsUnitNumber(std::uint16_t unitNumber) const;
    VaelUnit* memberByNumber(std::uint16_t unitNumber) const;

    std::uint16_t number = 0xFFFF;
    std::string name;
    List<VaelUnit*> units; // members, not owned
    VaelUnit* leader = nullptr;
};

VAEL_TYPE_NAME(Group, "Group");

} // namespace vael
