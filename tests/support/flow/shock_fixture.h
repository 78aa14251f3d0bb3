#pragma once
// Test support for shock combat on the real logical layer: a 12 x 12 map staged on the layer below a
// test application, real unit kinds and leaders enlisted on it, and the battle map's double listening.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/flow/vael_logical_layer.h"
#include "game/rules/combat/missile_kinds.h"
#include "support/failed_checks.h"
#include "support/flow/shock_display.h"
#include "support/rules/fighting_units.h"
#include "support/rules/leader_fixture.h"
#include "support/rules/scripted_rolls.h"
#include "support/test_application.h"

namespace vael::test {

class ShockFixture : public ::testing::Test {
protected:
    explicit ShockFixture(std::vector<std::string> heard = {}) : display(std::move(heard)) {
        app.strings = ruleStrings();
        layer.attach(app);
        restage();
        display.attach(layer);
    }

    // A fresh map on the layer, with no units and no combat results: the next row of a table starts clean.
    void restage(std::uint32_t homeNation = 1) {
        layer.getCombatResults().clear();
        layer.stageBattle(map = makeLandscape(MapFileBuilder(12, 12)).release(), homeNation, 2);
    }

    // A fighting unit of the kind, standing on its hexes; typeCode >= 0 stands it in for another kind.
    template <class Kind = Hoplite> Open<Kind>& unit(const Troop& t, int typeCode = -1) {
        const HeavyCavUnitData r = troopRecord(t, map);
        auto& made = enlisted(new Open<Kind>(r, r.name.c_str()), t);
        if (typeCode >= 0) made.unitType_ = static_cast<std::uint32_t>(typeCode);
        return made;
    }
    template <class Kind> Kind& shooter(const Troop& t, std::uint32_t missileType) {
        MissileCapableUnitData r;
        static_cast<CombatUnitData&>(r) = troopRecord(t, map);
        r.missileType = missileType;
        return enlisted(new Kind(r, r.name.c_str()), t);
    }
    Leader& leader(std::uint16_t number, std::int16_t hex, std::uint32_t nation, const std::string& name,
                   std::uint16_t precedence, std::uint16_t duel) {
        auto* made = new Leader(leaderRecord(number, hex, map, nation, name, Ratings{3, 4, precedence, duel}),
                                name.c_str());
        layer.enlist(made);
        return *made;
    }
    // No check fails unless the test says so (and then clears what it saw).
    void TearDown() override { EXPECT_EQ(checks.texts, std::vector<std::string>{}); }
    void settle() { app.drainQueue(); }
    // A message from the display's side of the bus, and all it sets going.
    void say(const char* message) {
        display.sendNamedEmpty(message);
        settle();
    }
    template <class T> void say(const char* message, const T& value) {
        Container<T> box(value);
        display.sendNamed(message, &box);
        settle();
    }
    // The layer takes the unit; every unit's surroundings are built again around it.
    template <class Kind> Kind& enlisted(Kind* made, const Troop& t) {
        made->setRoutDirection(t.nation == 1 ? West : East);
        layer.enlist(made);
        for (Combat* c : toVector(layer.getUnits()))
            c->updateSurroundings();
        return *made;
    }
    // The combats as the layer would have gathered them, fought as the leader's end of orders has them
    // fought: from a handler, so that every hit is applied only after the battle has been judged.
    void fight(std::initializer_list<CombatStruct> combats) {
        for (const CombatStruct& c : combats)
            layer.combats().append(c);
        say("PerformShock");
    }
    static CombatStruct combat(std::initializer_list<std::pair<const Combat*, short>> attackers,
                               std::initializer_list<const Combat*> defenders, std::uint16_t hex) {
        CombatStruct c;
        for (auto [unit, moved] : attackers)
            c.attackers.append(unit), c.moved.append(moved);
        for (const Combat* unit : defenders)
            c.defenders.append(unit);
        c.hex = hex;
        return c;
    }

    TestApplication app;
    VaelLogicalLayer layer;
    VaelLogicalLandscape* map = nullptr; // the layer's
    ShockDisplay display;
    FailedChecks checks;
};

} // namespace vael::test
