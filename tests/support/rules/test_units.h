#pragma once
// Test doubles of the unit kinds, for tests of the logical map and of whatever else needs units standing
// on it before the real unit kinds exist. Each is built from a record and lets the test set what the
// kinds would compute: unit type, double size, zone of control, spent orders.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "game/rules/combat.h"
#include "game/rules/group.h"
#include "game/rules/leader.h"
#include "game/rules/missile_capable.h"

namespace vael::test {

// What a test double unit was told: the hexes at which "UnitSelected" chose it.
struct UnitLog {
    virtual ~UnitLog() = default;
    std::vector<short> selectedAt;

    static ContainerBase* onUnitSelected(Component* target, BusMessage, ContainerBase* data) {
        short hex = 0;
        auto* log = dynamic_cast<UnitLog*>(target);
        if (log && Container<short>::fromMessage(data, hex)) log->selectedAt.push_back(hex);
        return nullptr;
    }
};

struct UnitSetup {
    std::string name = "Unit";
    std::uint16_t number = 0;
    std::uint16_t hex = 0;
    std::uint32_t nation = 1;
    DIRECTION facing = NorthEast;
    std::uint16_t movement = 6;
    VaelLogicalLandscape* landscape = nullptr;
};

template <class Record> Record makeRecord(const UnitSetup& s) {
    Record r;
    r.name = s.name;
    r.unitNumber = s.number;
    r.hex = s.hex;
    r.nation = s.nation;
    r.facing = s.facing;
    r.movementAllowance = s.movement;
    r.landscape = s.landscape;
    return r;
}

// A fighting unit whose zone of control the test gives; it counts the rebuilds the map asks for.
class TestCombat : public Combat, public UnitLog {
public:
    TestCombat(const UnitSetup& s, std::uint32_t unitType = 2, std::int16_t doubleSized = 0,
               std::int16_t tq = 5, std::int16_t size = 8)
        : Combat(record(s, doubleSized, tq, size), s.name.c_str()) {
        unitType_ = unitType;
    }

    void connectHandlers() override { connectNamed("UnitSelected", onUnitSelected); }
    void rebuildZOC() override {
        zocHexes_ = zoc;
        ++rebuilds;
    }
    void buildFrontHexes() override { ++rebuilds; }
    void buildRearHexes() override { ++rebuilds; }
    void buildFlankHexes() override { ++rebuilds; }

    void setZOC(std::initializer_list<short> hexes) {
        zoc.clear();
        for (short h : hexes)
            zoc.append(h);
        zocHexes_ = zoc;
    }
    void setHits(std::uint16_t hits) { cohesionHits_ = hits; }
    void spendMovement(std::uint16_t points) {
        movementLeft_ = static_cast<std::uint16_t>(movementLeft_ - points);
    }
    void setOutOfPlay(bool out) { outOfPlay_ = out; }

    List<short> zoc;
    int rebuilds = 0;

private:
    static CombatUnitData record(const UnitSetup& s, std::int16_t doubleSized, std::int16_t tq,
                                 std::int16_t size) {
        auto r = makeRecord<CombatUnitData>(s);
        r.doubleSized = doubleSized;
        r.TQ = tq;
        r.size = size;
        return r;
    }
};

class TestMissileUnit : public MissileCapable, public UnitLog {
public:
    TestMissileUnit(const UnitSetup& s, std::uint32_t missileType, std::uint32_t unitType = 6)
        : MissileCapable(record(s, missileType), s.name.c_str()) {
        unitType_ = unitType;
    }

    void connectHandlers() override { connectNamed("UnitSelected", onUnitSelected); }
    void rebuildZOC() override {}
    void buildFrontHexes() override {}
    void buildRearHexes() override {}
    void buildFlankHexes() override {}
    void fire(std::uint16_t volleys) { missilesLeft_ = static_cast<std::uint16_t>(missilesLeft_ - volleys); }

private:
    static MissileCapableUnitData record(const UnitSetup& s, std::uint32_t missileType) {
        auto r = makeRecord<MissileCapableUnitData>(s);
        r.missileType = missileType;
        r.TQ = 4;
        r.size = 3;
        return r;
    }
};

class TestLeader : public Leader, public UnitLog {
public:
    TestLeader(const UnitSetup& s, std::uint16_t initiative = 3, std::uint16_t commandRange = 4)
        : Leader(record(s, initiative, commandRange), s.name.c_str()) {}

    void connectHandlers() override { connectNamed("UnitSelected", onUnitSelected); }
    void useOrders(std::uint16_t orders) { ordersUsed_ = orders; }
    void grantGroupMove(bool granted) { groupMoveGranted_ = granted; }
    void spendMovement(std::uint16_t points) {
        movementLeft_ = static_cast<std::uint16_t>(movementLeft_ - points);
    }

private:
    static LeaderUnitData record(const UnitSetup& s, std::uint16_t initiative, std::uint16_t commandRange) {
        auto r = makeRecord<LeaderUnitData>(s);
        r.initiative = initiative;
        r.commandRange = commandRange;
        r.shockPrecedence = 2;
        r.duelRating = 1;
        return r;
    }
};

} // namespace vael::test
