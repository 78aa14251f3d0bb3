// Every display type id of the catalogue has a prototype unit, and each makes the kind of unit its
// artwork shows: a scenario may put any of them on the field.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "game/flow/unit_prototypes.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/combat.h"
#include "game/rules/combat/combat_unit_data.h"
#include "game/rules/combat/elephant.h"
#include "game/rules/combat/heavy_cav.h"
#include "game/rules/combat/missile_capable_unit_data.h"
#include "game/rules/leaders/leader_unit_data.h"
#include "game/rules/leaders/vaelmoric.h"
#include "game/rules/units/unit_type.h"

namespace vael {
namespace {

enum class Made { Commander, King, Leader, Plain, Cavalry, Missile, Beast };

struct Row {
    std::int16_t key;
    Made record;
    std::uint32_t type; // the unit type code of a fighting unit
};

std::unique_ptr<VaelUnitData> recordFor(Made made) {
    switch (made) {
    case Made::Commander:
    case Made::King:
    case Made::Leader:
        return std::make_unique<LeaderUnitData>();
    case Made::Plain:
        return std::make_unique<CombatUnitData>();
    case Made::Cavalry:
        return std::make_unique<HeavyCavUnitData>();
    case Made::Missile: {
        auto record = std::make_unique<MissileCapableUnitData>();
        record->missileType = 1;
        return record;
    }
    case Made::Beast: {
        auto record = std::make_unique<ElephantUnitData>();
        record->missileType = 4;
        return record;
    }
    }
    return nullptr;
}

TEST(UnitPrototypes, EveryDisplayTypeIdMakesItsKindOfUnit) {
    const Row rows[] = {
        {0, Made::Commander, 0}, {1, Made::Plain, HI},    {2, Made::Missile, SK},  {3, Made::Plain, HI},
        {4, Made::Leader, 0},    {5, Made::Leader, 0},    {6, Made::Leader, 0},    {7, Made::King, 0},
        {8, Made::Cavalry, HC},  {9, Made::Plain, LN},    {10, Made::Missile, SK}, {11, Made::Missile, MI},
        {12, Made::Cavalry, HC}, {13, Made::Missile, SK}, {14, Made::Missile, LI}, {15, Made::Missile, LI},
        {16, Made::Missile, LC}, {17, Made::Plain, PH},   {18, Made::Plain, HI},   {19, Made::Missile, LC},
        {20, Made::Missile, LP}, {21, Made::Missile, LP}, {22, Made::Missile, CH}, {23, Made::Missile, CH},
        {24, Made::Beast, EL},   {25, Made::Missile, LC}, {26, Made::Missile, LC}, {27, Made::Plain, LN},
        {28, Made::Plain, LN},   {29, Made::Missile, SK}, {30, Made::Missile, SK}, {31, Made::Plain, HI},
        {32, Made::Missile, LI}, {33, Made::Missile, MI}, {34, Made::Missile, LC}, {35, Made::Leader, 0},
        {36, Made::Missile, LI}, {37, Made::Missile, LI}, {38, Made::Missile, AT}, {39, Made::Missile, LC},
        {40, Made::Beast, EL},   {41, Made::Cavalry, HC}, {42, Made::Missile, SK}, {43, Made::Missile, LI},
        {44, Made::Cavalry, HC},
    };
    VaelLogicalLayer layer;
    registerUnitPrototypes(layer);
    EXPECT_EQ(layer.getPrototypeCount(), 45);
    EXPECT_EQ(prototypeKeys().size(), 45u);
    for (const Row& row : rows) {
        SCOPED_TRACE("key " + std::to_string(row.key));
        auto* prototype = dynamic_cast<VaelUnit*>(layer.prototype(row.key));
        ASSERT_NE(prototype, nullptr);
        const auto record = recordFor(row.record);
        if (auto* fighting = dynamic_cast<CombatUnitData*>(record.get())) fighting->TQ = fighting->size = 5;
        const std::unique_ptr<VaelUnit> unit(prototype->create(*record, "Made"));
        ASSERT_NE(unit, nullptr);
        EXPECT_EQ(unit->getName(), row.record == Made::King ? "Tezhar III" : "Made");
        EXPECT_EQ(dynamic_cast<Vaelmoric*>(unit.get()) != nullptr, row.record == Made::Commander);
        EXPECT_EQ(dynamic_cast<Tezhar*>(unit.get()) != nullptr, row.record == Made::King);
        const bool leads =
            row.record == Made::Commander || row.record == Made::King || row.record == Made::Leader;
        EXPECT_EQ(dynamic_cast<Leader*>(unit.get()) != nullptr, leads);
        if (auto* fighter = dynamic_cast<Combat*>(unit.get()))
            EXPECT_EQ(fighter->getUnitType(), row.type);
        else
            EXPECT_TRUE(leads);
        // A record of another class makes nothing: the record kinds decide which prototype may use them.
        if (row.record == Made::Beast || row.record == Made::Cavalry) {
            CombatUnitData plain;
            EXPECT_EQ(std::unique_ptr<VaelUnit>(prototype->create(plain, "Wrong")), nullptr);
        }
    }
    const auto& keys = prototypeKeys();
    EXPECT_EQ(std::vector<std::int16_t>(keys.begin(), keys.begin() + 10),
              (std::vector<std::int16_t>{0, 1, 4, 8, 10, 17, 36, 39, 40, 35}));
}

} // namespace
} // namespace vael
