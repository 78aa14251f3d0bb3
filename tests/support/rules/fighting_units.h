#pragma once
// Test support for the fighting units' rules: real unit kinds with their protected state opened to the
// test, made from records the test describes in one line, standing on a map built for the test, on the
// battle-layer double below a test application.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/rules/combat/heavy_cav.h"
#include "game/rules/combat/heavy_infantry.h"
#include "game/rules/leaders/leader.h"
#include "support/rules/battle_layer.h"
#include "support/rules/test_maps.h"
#include "support/test_application.h"

namespace vael::test {

// A kind with its state open to the test; the type code can be set to stand for kinds that are not
// built here (skirmishers, elephants, chariots), whose movement rules are the fighting unit's own.
template <class Kind> struct Open : Kind {
    using Kind::advancing_, Kind::attackHexes_, Kind::auxWord_, Kind::blockedMoves_, Kind::cohesionHits_,
        Kind::doneForTurn_, Kind::forcedWithdrawal_, Kind::movementLeft_, Kind::orderedThisActivation_,
        Kind::outOfPlay_, Kind::potentialToBeOrdered_, Kind::rallied_, Kind::routing_, Kind::selected_,
        Kind::selectedHex_, Kind::turned_, Kind::unitType_, Kind::usedThisTurn_, Kind::validMoves_,
        Kind::willRout_, Kind::zocHexes_;
    using Kind::Kind;
};

struct Troop {
    int number;
    std::int16_t hex;
    std::uint32_t nation = 1;
    DIRECTION facing = East;
    std::int16_t TQ = 5;
    std::int16_t size = 4;
    std::int16_t doubleSized = 0;
    std::uint16_t movement = 6;
    std::uint16_t leader = 0;
    std::int16_t cataphract = 0;
};

// The record of a troop standing on a map.
inline HeavyCavUnitData troopRecord(const Troop& t, VaelLogicalLandscape* map) {
    HeavyCavUnitData r;
    r.name = "Unit " + std::to_string(t.number);
    r.unitNumber = static_cast<std::uint16_t>(t.number);
    r.hex = static_cast<std::uint16_t>(t.hex);
    r.nation = t.nation;
    r.facing = t.facing;
    r.movementAllowance = t.movement;
    r.leaderId = t.leader;
    r.TQ = t.TQ;
    r.size = t.size;
    r.doubleSized = t.doubleSized;
    r.cataphract = t.cataphract;
    r.landscape = map;
    return r;
}

class FightingUnits : public ::testing::Test {
protected:
    FightingUnits() {
        app.strings = ruleStrings();
        layer.attach(app);
        useMap(MapFileBuilder(12, 12));
    }

    // Replaces the map; units already made keep the old one, so call it first.
    void useMap(const MapFileBuilder& builder) { map = makeLandscape(builder); }

    HeavyCavUnitData record(const Troop& t) const { return troopRecord(t, map.get()); }

    // A unit of the kind standing on its hexes, its surroundings built there; typeCode >= 0 stands it in
    // for a kind of that code.
    template <class Kind = Hoplite> Open<Kind>& add(const Troop& t, int typeCode = -1) {
        const HeavyCavUnitData r = record(t);
        auto& unit = place(std::make_unique<Open<Kind>>(r, r.name.c_str()), t.hex);
        if (typeCode >= 0) unit.unitType_ = static_cast<std::uint32_t>(typeCode);
        return unit;
    }

    // Takes the unit, lists it on its hexes and attaches it, and builds every unit's surroundings again.
    template <class U> U& place(std::unique_ptr<U> made, std::int16_t hex) {
        U& unit = *made;
        owned.push_back(std::move(made));
        if (hex >= 0) map->addToRegion(&unit, hex);
        if (unit.isDoubleSized() && unit.getSecondHex() >= 0) map->addToRegion(&unit, unit.getSecondHex());
        unit.attach(layer);
        layer.units.push_back(&unit);
        for (auto& u : owned)
            if (auto* c = dynamic_cast<Combat*>(u.get())) c->updateSurroundings();
        return unit;
    }

    // A leader "Leader <number>" of initiative 3 and command range 4 standing on hex.
    Leader& commander(int number, std::int16_t hex, std::uint32_t nation) {
        LeaderUnitData r;
        static_cast<VaelUnitData&>(r) = record({number, hex, nation});
        r.name = "Leader " + std::to_string(number);
        r.initiative = 3;
        r.commandRange = 4;
        r.shockPrecedence = 2;
        r.duelRating = 1;
        return place(std::make_unique<Leader>(r, r.name.c_str()), hex);
    }

    // Takes every unit off the map and destroys it, for the next row of a table.
    void clearUnits() {
        for (auto& u : owned) {
            if (u->getHex() != Unit::offMap)
                map->removeFromRegion(u.get(), static_cast<std::int16_t>(u->getHex()));
            if (u->getSecondHex() >= 0) map->removeFromRegion(u.get(), u->getSecondHex());
        }
        layer.units.clear();
        owned.clear();
        layer.clearLog();
    }

    TestApplication app;
    BattleLayer layer;
    std::unique_ptr<VaelLogicalLandscape> map;
    std::vector<std::unique_ptr<VaelUnit>> owned;
};

} // namespace vael::test
