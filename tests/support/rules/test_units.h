#pragma once
// Test doubles of the unit kinds, for tests of the logical map and of whatever else needs units standing
// on it before the real unit kinds exist. A set-up is the record of every kind plus the unit type the
// kinds would compute; tests set the rest (zone of control, spent orders and movement) on the double.
// Each double notes the hexes at which "UnitSelected" chose it.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "game/rules/combat/combat.h"
#include "game/rules/combat/missile_capable.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader.h"
#include "support/rules/test_maps.h"

namespace vael::test {

// "Unit <number>" facing north-east with 6 movement points, TQ 5 and size 8.
struct UnitSetup : MissileCapableUnitData {
    explicit UnitSetup(std::uint16_t number = 0, std::int16_t at = 0, VaelLogicalLandscape* map = nullptr,
                       std::uint32_t side = 1, std::uint32_t type = 2, std::int16_t twoHexes = 0,
                       std::uint32_t missiles = 0)
        : unitType(type) {
        name = "Unit " + std::to_string(number);
        unitNumber = number;
        hex = static_cast<std::uint16_t>(at);
        landscape = map;
        nation = side;
        doubleSized = twoHexes;
        missileType = missiles;
        facing = NorthEast;
        movementAllowance = 6;
        TQ = 5;
        size = 8;
    }
    std::uint32_t unitType;
};

// Every occupant of the map as "hex:unit number", hexes in table order (row by row), units in arrival order.
inline std::string occupantsOf(VaelLogicalLandscape& map) {
    std::string out;
    for (std::int16_t i = 0; i < map.regionCount(); ++i)
        for (const VaelUnit* u : toVector(map.unitsInHex(map.idOf(i)))) {
            // Appended piece by piece: chained string + trips a false -Wrestrict in optimised builds.
            out += ' ';
            out += std::to_string(map.idOf(i));
            out += ':';
            out += std::to_string(u->getUnitNum());
        }
    return out.empty() ? out : out.substr(1);
}

template <class Kind> class UnitDouble : public Kind {
public:
    template <class Record> explicit UnitDouble(const Record& record) : Kind(record, record.name.c_str()) {}
    void connectHandlers() override { this->connectNamed("UnitSelected", onUnitSelected); }
    VaelUnit* create(const VaelUnitData&, const char*) override { return nullptr; }
    StepCostFunction stepCostFunction() const override { return VaelLogicalLandscape::unitStepCost; }
    List<short> GetValidMovement(DIRECTION, std::uint16_t) override { return List<short>(); }
    std::int16_t hasEnemyContact() override { return 0; }
    void rally() override {}
    void rout() override {}
    std::int16_t pointValue() override { return 0; }

    using Kind::movementLeft_;
    std::vector<short> selectedAt;

private:
    static ContainerBase* onUnitSelected(Component* target, BusMessage, ContainerBase* data) {
        short hex = 0;
        if (Container<short>::fromMessage(data, hex))
            static_cast<UnitDouble*>(target)->selectedAt.push_back(hex);
        return nullptr;
    }
};

// A fighting unit whose zone of control the test gives; it counts the rebuilds the map asks for.
template <class Kind> class FightingDouble : public UnitDouble<Kind> {
public:
    explicit FightingDouble(const UnitSetup& s) : UnitDouble<Kind>(s) { this->unitType_ = s.unitType; }
    void rebuildZOC() override { ++rebuilds; }
    void buildFrontHexes() override { ++rebuilds; }
    void buildRearHexes() override { ++rebuilds; }
    void buildFlankHexes() override { ++rebuilds; }
    std::int16_t kindFlag() const override { return 1; }
    void setZOC(std::initializer_list<short> hexes) { this->zocHexes_ = listOf(hexes); }

    using Kind::cohesionHits_;
    int rebuilds = 0;
};

using TestCombat = FightingDouble<Combat>;

struct TestMissileUnit : FightingDouble<MissileCapable> {
    using FightingDouble::FightingDouble;
    using MissileCapable::missilesLeft_;
};

// A leader of initiative 3 and command range 4.
struct TestLeader : UnitDouble<Leader> {
    explicit TestLeader(const UnitSetup& s) : UnitDouble(record(s)) {}
    static LeaderUnitData record(const UnitSetup& s) {
        LeaderUnitData r;
        static_cast<VaelUnitData&>(r) = s;
        r.initiative = 3;
        r.commandRange = 4;
        return r;
    }
    using Leader::groupMoveGranted_, Leader::ordersUsed_;
};

} // namespace vael::test
