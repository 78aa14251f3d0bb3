#pragma once
// The commanding unit: his ratings, the orders he has spent this activation and the group he commands.
// A leader exerts no zone of control.
#include <cstdint>

#include "game/rules/leader_unit_data.h"
#include "game/rules/vael_unit.h"

namespace vael {

class Group;

class Leader : public VaelUnit {
public:
    Leader(const LeaderUnitData& record, const char* name);

    std::uint16_t getInitiative() const { return initiative_; }
    std::uint16_t getCommandRange() const { return commandRange_; }
    std::int16_t ordersLeft() const { return static_cast<std::int16_t>(initiative_ - ordersUsed_); }
    Group* getGroup() const { return group_; }
    void setGroup(Group* group) { group_ = group; }
    std::uint16_t isGroupMoveGranted() const { return groupMoveGranted_; }

    std::int16_t isHexInZOC(std::int16_t) const override { return 0; }
    std::int16_t isMissileCapable() const override { return 0; }
    std::int16_t isCombatUnit() const override { return 0; }
    std::int16_t isLeader() const override { return 1; }

protected:
    std::uint16_t commandRange_;
    std::uint16_t initiative_;
    std::uint16_t ordersUsed_ = 0;
    std::uint16_t groupMoveGranted_ = 0;
    Group* group_ = nullptr; // not owned
};

} // namespace vael
