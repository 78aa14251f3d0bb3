#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/super_string.h"
#include "game/rules/combat/clash_chart.h"
#include "game/rules/combat/elephant.h"
#include "game/rules/leaders/leader.h"
#include "support/rules/combat_rules_fixture.h"
#include "support/rules/leader_fixture.h"
#include "support/rules/scripted_rolls.h"

namespace vael {
namespace {

using namespace test;
using Lines = std::vector<std::string>;

// A small battle on a map of the builder's, played through the rules alone: the layer stands in for game
// flow and the display. Each unit is made by a maker that can make it again from its record on another
// map, which is how the saved game is read back.
class Battle : public CombatRules {
protected:
    using Maker = std::function<std::unique_ptr<VaelUnit>(VaelLogicalLandscape*)>;

    template <class U> U& enter(Maker maker, DIRECTION routDirection) {
        std::unique_ptr<VaelUnit> made = maker(map.get());
        made->setRoutDirection(routDirection);
        auto& unit = static_cast<U&>(*made);
        map->addToRegion(&unit, static_cast<std::int16_t>(unit.getHex()));
        unit.attach(layer);
        layer.units.push_back(&unit);
        owned.push_back(std::move(made));
        makers.push_back(std::move(maker));
        for (auto& u : owned)
            if (auto* c = dynamic_cast<Combat*>(u.get())) c->updateSurroundings();
        return unit;
    }
    template <class Kind> Maker fighting(const Troop& t) {
        return [this, t](VaelLogicalLandscape* on) {
            HeavyCavUnitData r = record(t);
            r.landscape = on;
            return std::unique_ptr<VaelUnit>(new OpenMore<Kind>(r, r.name.c_str()));
        };
    }
    Maker archers(const Troop& t) {
        return [this, t](VaelLogicalLandscape* on) {
            MissileCapableUnitData r = missileRecord(t, 1);
            r.landscape = on;
            return std::unique_ptr<VaelUnit>(new OpenMissile<LightInfantry>(r, r.name.c_str()));
        };
    }
    Maker beast(const Troop& t) {
        return [this, t](VaelLogicalLandscape* on) {
            ElephantUnitData r;
            static_cast<CombatUnitData&>(r) = record(t);
            r.missileType = 1;
            r.landscape = on;
            return std::unique_ptr<VaelUnit>(new Open<Elephant>(r, r.name.c_str()));
        };
    }
    Maker leaderMaker(std::uint16_t number, std::int16_t hex, std::uint32_t nation, Ratings ratings) {
        return [number, hex, nation, ratings](VaelLogicalLandscape* on) {
            const std::string name = "Leader " + std::to_string(number);
            return std::unique_ptr<VaelUnit>(
                new Leader(leaderRecord(number, hex, on, nation, name, ratings), name.c_str()));
        };
    }

    std::vector<Maker> makers;
};

TEST_F(Battle, MovesVolleyShockRoutRallyAndRampageThenEveryUnitSavedAndReadBack) {
    auto& marcher = enter<OpenMore<Hoplite>>(fighting<Hoplite>({1, 1010, 1, NorthEast}), South);
    auto& bowmen = enter<OpenMissile<LightInfantry>>(archers({2, 505, 1, NorthWest}), South);
    auto& foot = enter<OpenMore<Hoplite>>(fighting<Hoplite>({3, 503, 2, SouthEast}), North);
    auto& spears = enter<OpenMore<Hoplite>>(fighting<Hoplite>({4, 404, 1, NorthEast}), South);
    auto& guard = enter<OpenMore<Hoplite>>(fighting<Hoplite>({5, 907, 1, SouthEast}), South);
    auto& elephant = enter<Open<Elephant>>(beast({6, 909, 2, NorthWest, 4}), North);
    auto& general = enter<Leader>(leaderMaker(7, 701, 2, {5, 4}), North);

    // A move: two hexes north, clear of every enemy.
    EXPECT_EQ(marcher.MoveTo(1008), 2);
    EXPECT_EQ(values(marcher.getHex(), marcher.getMovementLeft()), "1008 4");

    // A volley of arrows, two hexes, after the archers moved: a die of 1 hits for 1.
    bowmen.movementLeft_ = 4;
    ASSERT_EQ(text(bowmen.rebuildTargets()), "[503]");
    layer.clearLog();
    {
        ScriptedRolls rolls{1};
        bowmen.fireAt(503);
        bowmen.fireMissiles(503);
    }
    EXPECT_EQ(
        layer.lines({"TQHit", "AddCommentary"}),
        (Lines{"TQHit 1 3 2", "AddCommentary \\BUnit 2\\b fires arrows at Unit 3 for 1 cohesion hit."}));
    EXPECT_EQ(foot.getCohesionHits(), 1);

    // A shock: the spears on 404 stand on the flank of the foot facing south-east. The chart's flank
    // column with a die of 5 gives the attacker 2 hits and the defender 6, which routs him north.
    EXPECT_EQ(spears.declareShock(503), 1);
    ClashResult clash;
    {
        ScriptedRolls rolls{5};
        clash = clashChart(spears.getSize(), spears.getUnitType(), 0, FlankAttack, foot.getSize(),
                           foot.getUnitType(), 0, 0, 0, 0);
    }
    EXPECT_EQ(values(clash.attackerHits, clash.defenderHits), "2 6");
    layer.clearLog();
    spears.tqHit(clash.attackerHits, 0);
    EXPECT_EQ(foot.tqHit(clash.defenderHits, 0), 1);
    EXPECT_EQ(layer.lines({"AddCommentary", "UnitRouted", "ChangeFacing", "DoRout"}),
              (Lines{"ChangeFacing 1 2 3", "AddCommentary \\BUnit 3\\b is routing!", "UnitRouted 2 5 2",
                     "DoRout 3 [503 502 501] 0"}));
    EXPECT_EQ(values(spears.getCohesionHits(), foot.getCohesionHits(), foot.isRouting(), foot.getHex()),
              "2 5 1 501");

    // A rally: the general's initiative of 5 passes on a 3, and an 8 on the chart of TQ 5 takes off 4.
    foot.registerSelectedMessages();
    layer.clearLog();
    {
        ScriptedRolls rolls{3, 8};
        general.rallyUnit();
    }
    // The rally holds, and is reported, before the game flow is asked to restore the hits.
    EXPECT_EQ(layer.lines({"AddCommentary", "DoRestoreCohesion", "UnitRallied"}),
              (Lines{"AddCommentary \\BUnit 3\\b has successfully rallied.", "UnitRallied 2 5 2",
                     "DoRestoreCohesion 1 3"}));
    EXPECT_EQ(values(foot.getCohesionHits(), foot.isRouting(), foot.getRallyTried()), "1 0 1");

    // A rampage: the elephant breaks, runs north through the guard (entering by his front, 1 hit), and
    // its mahout stops it; the guard's hit lands before the display hears of the run, and when the display
    // has played it, the beast leaves play worth 2.
    layer.clearLog();
    {
        ScriptedRolls rolls{0, 7};
        elephant.tqHit(4, 0);
    }
    EXPECT_EQ(layer.lines({"RampagingActions", "DoRampagingActions", "TQHit 1 5"}),
              (Lines{"TQHit 1 5 4294967295", "RampagingActions (5 20 907 0 0)",
                     "DoRampagingActions [909 908 907 906] 6"}));
    Container<short> done(6);
    layer.sendNamed("DoneRampaging", &done);
    EXPECT_EQ(values(elephant.isOutOfPlay(), guard.getCohesionHits(), map->isHexOccupied(909)), "1 1 0");

    // Every unit saved, then read back onto a fresh map over units made from their records: the state
    // written again is the same, byte for byte.
    SuperString saved;
    for (auto& unit : owned)
        writeVaelUnit(saved, *unit);
    auto copyMap = makeLandscape(MapFileBuilder(12, 12));
    std::vector<std::unique_ptr<VaelUnit>> copies;
    for (const Maker& maker : makers) {
        copies.push_back(maker(copyMap.get()));
        copyMap->addToRegion(copies.back().get(), static_cast<std::int16_t>(copies.back()->getHex()));
        copies.back()->attach(layer);
    }
    const std::string bytes = saved.str();
    SuperString in;
    in.write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    for (auto& copy : copies)
        readVaelUnit(in, *copy);
    ASSERT_FALSE(in.failed());
    SuperString again;
    for (auto& copy : copies)
        writeVaelUnit(again, *copy);
    EXPECT_EQ(again.str(), bytes);
    EXPECT_EQ(values(copies[0]->getHex(), copies[2]->getHex(), copies[5]->isOutOfPlay()), "1008 501 1");
    EXPECT_EQ(occupantsOf(*copyMap), occupantsOf(*map));
    EXPECT_EQ(occupantsOf(*copyMap), "501:3 701:7 404:4 505:2 907:5 1008:1");
}

} // namespace
} // namespace vael
