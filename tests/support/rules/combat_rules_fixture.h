#pragma once
// The fighting units' fixture with what missile fire, shock and withdrawal also need: the battle map's
// double, the withdrawal relay of game flow, missile-armed kinds made from their own records, their state
// open to the test, and the log of the layer taking the messages of these rules with readable payloads.
#include <string>

#include "game/rules/combat/combat_name_struct.h"
#include "game/rules/combat/missile_kinds.h"
#include "support/rules/fighting_units.h"
#include "support/rules/test_battle_map.h"
#include "support/rules/test_units.h"
#include "support/rules/withdrawal_flow.h"

namespace vael::test {

template <class Kind> struct OpenMore : Open<Kind> {
    using Open<Kind>::Open;
    using Kind::hasMoved_, Kind::movementAllowance_, Kind::numPointsLeftToAdd_, Kind::orderHex_,
        Kind::orderMode_, Kind::owHexes_, Kind::owList_, Kind::vacatedHexes_;
};

template <class Kind> struct OpenMissile : OpenMore<Kind> {
    using OpenMore<Kind>::OpenMore;
    using Kind::choosingTarget_, Kind::firedThisActivation_, Kind::missilesLeft_;
};

// The payloads of these rules as short texts.
inline std::string describeCombatPayload(const ContainerBase* data) {
    List<short> hexes;
    MissileFireStruct fire;
    CombatNameStruct combat;
    OWStruct ow;
    ResolveOWStruct resolved;
    EndOWStruct end;
    BusMessage word;
    if (Container<List<short>>::fromMessage(data, hexes)) return text(hexes);
    if (Container<BusMessage>::fromMessage(data, word)) return text(word.id());
    if (Container<MissileFireStruct>::fromMessage(data, fire)) return values(fire.targetHex, fire.unitNumber);
    if (Container<CombatNameStruct>::fromMessage(data, combat))
        return values(combat.attacker, combat.defenders, combat.spare, combat.leaders, combat.moved,
                      combat.hex);
    if (Container<OWStruct>::fromMessage(data, ow))
        return values(ow.unitId, ow.leader, ow.approacherHex, ow.approacherSecondHex, ow.kind);
    if (Container<ResolveOWStruct>::fromMessage(data, resolved))
        return values(resolved.withdrew, resolved.hex);
    if (Container<EndOWStruct>::fromMessage(data, end)) return values(end.happened, end.unit != nullptr);
    return data->typeName();
}

// A leader that notes the forced withdrawals asked of him instead of making them.
struct NotedLeader : TestLeader {
    using TestLeader::TestLeader;
    std::int16_t ForceOW(std::int16_t fromHex, std::int16_t otherHex) override {
        notes.push_back(values("ForceOW", fromHex, otherHex));
        return 0;
    }
    std::vector<std::string> notes;
};

class CombatRules : public FightingUnits {
protected:
    CombatRules() {
        // On the bus, the map carries out the units' moves.
        map->attach(layer);
        battleMap.attach(layer);
        flow.attach(layer);
        layer.describe = describeCombatPayload;
        layer.watch({"MissileVolley", "DoMissileFire", "AddCombatants", "ResolveOW", "UnitOW", "OWResolved",
                     "EndOWSegment", "Center On Region", "AdvancingDone", "UnitMovement"},
                    {HIGHLIGHT_REGION, DEHIGHLIGHT_REGION, INVALIDATE_VIEW, UNCHECK_MENU_ITEM});
    }

    MissileCapableUnitData missileRecord(const Troop& t, std::uint32_t missileType) const {
        MissileCapableUnitData r;
        static_cast<CombatUnitData&>(r) = record(t);
        r.missileType = missileType;
        return r;
    }

    // A missile-armed unit of the kind standing on its hexes, its surroundings built there.
    template <class Kind = LightInfantry>
    OpenMissile<Kind>& shooter(const Troop& t, std::uint32_t missileType) {
        const MissileCapableUnitData r = missileRecord(t, missileType);
        return place(std::make_unique<OpenMissile<Kind>>(r, r.name.c_str()), t.hex);
    }
    template <class Kind = Hoplite> OpenMore<Kind>& fighter(const Troop& t, int typeCode = -1) {
        const HeavyCavUnitData r = record(t);
        auto& unit = place(std::make_unique<OpenMore<Kind>>(r, r.name.c_str()), t.hex);
        if (typeCode >= 0) unit.unitType_ = static_cast<std::uint32_t>(typeCode);
        return unit;
    }

    NotedLeader& leader(int number, std::int16_t hex, std::uint32_t nation) {
        UnitSetup setup(static_cast<std::uint16_t>(number), hex, map.get(), nation);
        return place(std::make_unique<NotedLeader>(setup), hex);
    }

    TestBattleMap battleMap;
    WithdrawalFlow flow;
};

} // namespace vael::test
