#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "game/rules/elephant.h"
#include "game/rules/leader.h"
#include "support/rules/fighting_units.h"
#include "support/rules/scripted_rolls.h"

namespace vael {
namespace {

using namespace test;
using Lines = std::vector<std::string>;

class Rampage : public FightingUnits {
protected:
    Open<Elephant>& elephant(const Troop& t) {
        ElephantUnitData r;
        static_cast<CombatUnitData&>(r) = record(t);
        r.missileType = 1;
        r.elephantValue = 9;
        return place(std::make_unique<Open<Elephant>>(r, r.name.c_str()), t.hex);
    }
    // Breaks the beast: one hit on its last point of cohesion.
    void breakIt(Open<Elephant>& beast) {
        beast.cohesionHits_ = static_cast<std::uint16_t>(beast.getTroopQuality() - 1);
        layer.clearLog();
        beast.tqHit(1, 0);
    }
    Lines rampageLog() const {
        return layer.lines({"BeginElephantRampage", "RampagingActions", "DoRampagingActions",
                            "cmd 1 ElephantRampage", "RoutingDone", "EliminateUnit", "UnitEliminated",
                            "UnitRouted", "TQHit"});
    }
};

TEST_F(Rampage, TheMahoutMayStopItAtOnceAndTheBeastStillLeavesPlayWhenTheDisplayIsDone) {
    for (int roll : {7, 8, 9}) {
        SCOPED_TRACE(roll);
        clearUnits();
        auto& beast = elephant({1, 505, 1, East, 5});
        ScriptedRolls rolls{roll};
        breakIt(beast);
        EXPECT_EQ(rampageLog(),
                  (Lines{"TQHit 1 1 0", "UnitRouted 1 2 13", "BeginElephantRampage 0", "RampagingActions",
                         "DoRampagingActions [505] 1", "cmd 1 ElephantRampage 0"}));
        EXPECT_EQ(values(map->isHexOccupied(505), beast.isOutOfPlay()), "0 0");
        layer.clearLog();
        Container<short> other(2);
        layer.sendNamed("DoneRampaging", &other);
        EXPECT_EQ(layer.log, Lines{});
        Container<short> own(1);
        layer.sendNamed("DoneRampaging", &own);
        EXPECT_EQ(layer.lines({"RoutingDone", "EliminateUnit", "UnitEliminated"}),
                  (Lines{"RoutingDone 1", "EliminateUnit 1", "UnitEliminated 1 2 13 1"}));
        EXPECT_EQ(beast.isOutOfPlay(), 1);
    }
}

TEST_F(Rampage, EachRollSendsTheBeastThreeHexesOneWay) {
    struct Row {
        int roll;
        const char* run;
    } rows[] = {
        {0, "[505 504 503 502]"}, {1, "[505 504 503 502]"}, {2, "[505 605 704 804]"},
        {3, "[505 606 706 807]"}, {4, "[505 506 507 508]"}, {5, "[505 406 306 207]"},
        {6, "[505 405 304 204]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.roll);
        clearUnits();
        auto& beast = elephant({1, 505});
        ScriptedRolls rolls{row.roll, 7};
        breakIt(beast);
        EXPECT_EQ(layer.lines({"DoRampagingActions"}),
                  Lines{"DoRampagingActions " + std::string(row.run) + " 1"});
        EXPECT_EQ(rolls.left(), 0u);
    }
}

TEST_F(Rampage, FourLegsAtMostAndTheMapEdgeEndsItAtOnce) {
    useMap(MapFileBuilder(12, 16));
    auto& beast = elephant({1, 515});
    ScriptedRolls rolls{0, 0, 0, 0};
    breakIt(beast);
    EXPECT_EQ(layer.lines({"DoRampagingActions"}),
              Lines{"DoRampagingActions [515 514 513 512 511 510 509 508 507 506 505 504 503] 1"});
    clearUnits();
    auto& edge = elephant({1, 505});
    rolls.add({0, 0, 5});
    breakIt(edge);
    EXPECT_EQ(layer.lines({"DoRampagingActions"}), Lines{"DoRampagingActions [505 504 503 502 501 500] 1"});
    EXPECT_EQ(rolls.left(), 1u);
}

TEST_F(Rampage, WhatTheBeastDoesToTheUnitInItsWay) {
    // The beast runs north from 505 into 504; a unit there facing south-east has 505 among its front hexes.
    struct Row {
        const char* what;
        int type;
        DIRECTION facing;
        std::int16_t TQ;
        bool routing;
        const char* event;
        Lines hits;
    } rows[] = {
        {"infantry, from the front", 2, SouthEast, 5, false, "(2 20 504 0 0)", {"TQHit 1 2 4294967295"}},
        {"infantry, from behind", 2, NorthEast, 5, false, "(2 40 504 0 0)", {"TQHit 2 2 4294967295"}},
        {"infantry broken by it", 2, NorthEast, 2, false, "(2 100 504 1 0)", {"TQHit 2 2 4294967295"}},
        {"a routing unit", 2, NorthEast, 5, true, "(2 40 504 0 0)", {}},
        {"chariots, from the front", 14, SouthEast, 4, false, "(2 50 504 0 0)", {}},
        {"bolt throwers", 15, NorthEast, 4, false, "(2 50 504 0 0)", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        auto& beast = elephant({1, 505});
        auto& victim = add({2, 504, 2, row.facing, row.TQ}, row.type);
        victim.routing_ = row.routing;
        ScriptedRolls rolls{0, 7};
        breakIt(beast);
        EXPECT_EQ(layer.lines({"RampagingActions"}), Lines{std::string("RampagingActions ") + row.event});
        EXPECT_EQ(layer.lines({"TQHit 1 2", "TQHit 2 2"}), row.hits);
    }
}

TEST_F(Rampage, HorsesAndLeadersGetOutOfTheWayOrPayForIt) {
    // One column, the beast running north from 5 into 4. Cavalry there faces it, yet takes two hits when it
    // cannot get away past the friends on 3 and 2 (whom the beast then tramples too); a leader with no
    // room to move cannot get away.
    useMap(MapFileBuilder(1, 12));
    struct Row {
        const char* what;
        bool leaderInWay, blocked;
        const char* events;
        Lines after;
    } rows[] = {
        {"cavalry withdraws", false, false, "(2 0 5 0 1)", {}},
        {"cavalry cannot", false, true, "(2 40 4 0 0) (3 40 3 0 0) (4 40 2 0 0)", {"TQHit 2 2 4294967295"}},
        {"a leader escapes", true, false, "(2 0 5 0 1)", {}},
        {"a leader is trampled", true, true, "(2 0 4 0 0)", {"EliminateUnit 2"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        clearUnits();
        auto& beast = elephant({1, 5});
        if (row.leaderInWay) {
            Leader& general = commander(2, 4, 2);
            if (row.blocked) general.setMovement(2);
        } else {
            add<HeavyCav>({2, 4, 2, SouthEast, 5});
            if (row.blocked) add({3, 3, 2}), add({4, 2, 2});
        }
        // 99 is no casualty for a leader who gets away and then, or else, the mahout's stake.
        ScriptedRolls rolls{0, 99, 99};
        breakIt(beast);
        EXPECT_EQ(layer.lines({"RampagingActions"}), Lines{std::string("RampagingActions ") + row.events});
        EXPECT_EQ(layer.lines({"TQHit 2 2 4294967295", "EliminateUnit 2"}), row.after);
    }
}

TEST_F(Rampage, TheBeastIsWorthTwoAndMadeOnlyFromItsOwnRecord) {
    auto& beast = elephant({1, 505, 1, East, 6});
    EXPECT_EQ(
        values(beast.getUnitType(), beast.pointValue(), beast.getElephantValue(), beast.isMissileCapable()),
        "13 2 9 1");
    const HeavyCavUnitData other = record({5, 707});
    EXPECT_EQ(beast.create(other, "Other"), nullptr);
    ElephantUnitData own;
    static_cast<CombatUnitData&>(own) = other;
    own.missileType = 1;
    std::unique_ptr<VaelUnit> made(beast.create(own, "Made"));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->Query(9), 13);
    layer.clearLog();
    beast.rally();
    beast.disconnectHandlers();
    EXPECT_EQ(layer.lines({"UnitRallied", "UnitEliminated"}),
              (Lines{"UnitRallied 1 2 13", "UnitEliminated 1 2 13 1"}));
}

} // namespace
} // namespace vael
