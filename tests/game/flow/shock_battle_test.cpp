#include <gtest/gtest.h>

#include <algorithm>

#include "game/rules/leaders/vaelmoric.h"
#include "support/flow/shock_fixture.h"

namespace vael {
namespace {

using namespace test;

// Around 705 on the test map: 605 and 606 lie West of it, 704 and 706 North and South, 805 and 806 East.
// A unit on 705 facing West has 605 and 606 in front, 704 and 706 on its flanks and 805 and 806 behind.
class ShockBattle : public ShockFixture {
protected:
    ShockBattle()
        : ShockFixture({"AddCommentary", "EliminateUnit", "RoutingDone", "FinishedLeader", "WoundedLeader",
                        "END_GAME", "CombatResults", "UnitCombat"}) {
        display.answers = false; // the routs and advances stay awaited
    }

    // The record of the first battle, the hits of both sides and then every list.
    SingleCombatResult first() {
        SingleCombatResult r;
        EXPECT_TRUE(layer.getCombatResults().first(r));
        return r;
    }
    std::string hits() {
        const SingleCombatResult r = first();
        return text(r.attackerHits) + text(r.defenderHits);
    }
    std::string results() {
        const SingleCombatResult r = first();
        return "names " + text(toVector(r.attackerNames).size()) + "/" +
               text(toVector(r.defenderNames).size()) + " hexes " + text(r.attackerHexes) +
               text(r.defenderHexes) + " hits " + text(r.attackerHits) + text(r.defenderHits) + " totals " +
               text(r.attackerTotals) + text(r.defenderTotals) + " margins " + text(r.attackerMargins) +
               text(r.defenderMargins) + " routed " + text(r.attackerRouted) + text(r.defenderRouted) +
               " extra " + text(r.attackerExtra) + text(r.defenderExtra);
    }
    std::string advances() {
        return answers(toVector(layer.getAdvances()), [](const CombatAdvance& a) {
            return text(a.unit->getUnitNum()) + ">" + text(a.hex) + (a.charge ? "c" : "");
        });
    }
};

// Unit 1 charges from the front, unit 2 stands on the defender's flank. Charge: unit 1 rolls 8 against TQ
// 6 (2 hits), the defender 6 against TQ 5 (1 hit). Unit 2 attacks from the side on column 7 and becomes
// the main attacker over unit 1's frontal 7. The chart: sizes 8 to 4 shift one column, the flank column
// is 10 - 1 + 1 = 10; die 3 gives the defenders 3, doubled for the flank attack to 6, and the attackers 2.
// Shares: each attacker 1; the defender 6, three times the attackers' share, so 8: with its charge hit
// 9 against TQ 5 it routs, its battle hits capped at 5, and the main attacker steps into its hex.
TEST_F(ShockBattle, ChargeAndFlankAttackBreakTheDefender) {
    auto& a1 = unit({1, 605, 1, East, 6});
    auto& a2 = unit({2, 704, 1, South, 7});
    auto& d = unit({3, 705, 2, West, 5});
    ScriptedRolls rolls{8, 6, 3};
    fight({combat({{&a1, 1}, {&a2, 0}}, {&d}, 705)});
    EXPECT_EQ(rolls.left(), 0u);
    EXPECT_EQ(text(layer.getUnitsRouting()), "[-1 3]");
    EXPECT_EQ(advances(), "2>705");
    // cohesion hits of the three, and the defender's rout
    EXPECT_EQ(values(a1.getCohesionHits(), a2.getCohesionHits(), d.getCohesionHits(), d.isRouting()),
              "3 1 5 1");
    EXPECT_EQ(results(), "names 2/1 hexes [605 704][705] hits [3 1][5] totals [3 1][5] margins [3 6][0] "
                         "routed [0 0][1] extra [0 0][0]");
    // The display's part is pinned by the whole phase's test of this battle.
}

// The battle is decided while the broken defender still routs (the other machine was lost in that step):
// the victor holds its ground. Undecided, the main attacker steps into the defender's hex and is awaited.
TEST_F(ShockBattle, DecidedWhileTheDefenderRoutsTheVictorHoldsItsGround) {
    for (bool decided : {false, true}) {
        SCOPED_TRACE(decided ? "decided" : "not decided");
        restage();
        auto& a1 = unit({1, 605, 1, East, 6});
        auto& a2 = unit({2, 704, 1, South, 7});
        auto& d = unit({3, 705, 2, West, 5});
        ScriptedRolls rolls{8, 6, 3};
        fight({combat({{&a1, 1}, {&a2, 0}}, {&d}, 705)});
        ASSERT_EQ(advances(), "2>705");
        if (decided) layer.standDown();
        say("RoutingDone", short(-1));
        say("RoutingDone", short(3));
        EXPECT_EQ(a2.getHex(), decided ? 704 : 705);
        EXPECT_EQ(text(layer.getUnitsAdvancing()), decided ? "[]" : "[2]");
    }
}

// Battles that end before the exchange of hits: each is counted done at once with its negated number,
// whoever broke, and answers the value it was started with. The replies of the display are held back,
// so the routs the charge caused stay awaited.
TEST_F(ShockBattle, EarlyEndsReportTheBattleDoneThemselves) {
    // What the commentary says of a unit during the charge and afterwards, its name in bold in both. Before,
    // a unit broken by the charge was the one named in plain letters.
    const auto charge = [](int unit, const char* what) {
        return "AddCommentary \\BUnit " + text(unit) + "\\b " + what + " during the charge!";
    };
    const auto bold = [](int unit, const char* what) {
        return "AddCommentary \\BUnit " + text(unit) + "\\b " + what;
    };
    const auto routed = [&](int unit) { return charge(unit, "routed"); };
    const auto routs = [&](int unit) { return bold(unit, "is routing!"); };
    const std::string done = "RoutingDone -1";
    // A chariot is destroyed rather than routed and is never awaited; the defender's 4 is 5 with it.
    const Lines chariot = {charge(1, "was eliminated"), done, bold(1, "is eliminated!"), "EliminateUnit 1"};
    struct Row {
        const char* label;
        std::int16_t attackerTQ, defenderTQ;
        int attackerType;
        std::int16_t defenderRouting;
        std::initializer_list<int> dice;
        const char *routing, *advance;
        Lines log;
        bool onItsWayOut = false; // the defender's elimination is already decided
    } rows[] = {
        {"already routing", 6, 5, -1, 1, {}, "[]", "", {"EliminateUnit 3", bold(3, "was eliminated!"), done}},
        // Cut down by another cause already: not cut down, nor told, a second time.
        {"routing and on its way out", 6, 5, -1, 1, {}, "[]", "", {done}, true},
        // 9 against TQ 3 misses by 6: the attacker routs; the defender passes with 0.
        {"attackers broke", 3, 5, -1, 0, {9, 0}, "[1]", "", {routed(1), done, routs(1)}},
        // The defender misses TQ 2 by 7; the attacker stays and advances with the charge's flag.
        {"defenders broke", 6, 2, -1, 0, {0, 9}, "[3]", "1>705c", {routed(3), done, routs(3)}},
        {"both broke", 3, 2, -1, 0, {9, 9}, "[1 3]", "", {routed(1), routed(3), done, routs(1), routs(3)}},
        {"chariot destroyed", 3, 5, 14, 0, {9, 4}, "[]", "", chariot},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        auto& a = unit({1, 605, 1, East, row.attackerTQ}, row.attackerType);
        auto& d = unit({3, 705, 2, West, row.defenderTQ});
        d.routing_ = row.defenderRouting;
        if (row.onItsWayOut) d.condemn();
        display.log.clear();
        ScriptedRolls rolls(row.dice);
        fight({combat({{&a, 1}}, {&d}, 705)});
        EXPECT_EQ(rolls.left(), 0u);
        EXPECT_EQ(display.log, row.log);
        EXPECT_EQ(text(layer.getUnitsRouting()), row.routing);
        EXPECT_EQ(advances(), row.advance);
        EXPECT_TRUE(layer.getCombatResults().isEmpty());
        restage();
    }
}

// Light infantry cannot shake a phalanx or heavy infantry in the charge: the defender rolls no die. A
// medium infantry defender is tested; a chariot among the chargers adds 1 to the defender's die.
TEST_F(ShockBattle, WhichDefendersTakeTheChargeTestAndWithWhatDie) {
    struct Row {
        const char* label;
        int chargerType, secondChargerType, defenderType;
        std::initializer_list<int> dice; // both chargers, then the defender's, then the chart's
        int defenderHits;                // taken in the charge
    } rows[] = {
        {"light infantry on heavy infantry", 6, 6, 2, {0, 0, 0}, 0},
        {"light infantry on a phalanx", 6, 6, 0, {0, 0, 0}, 0},
        {"light infantry on medium infantry", 6, 6, 3, {0, 0, 6, 0}, 1},
        {"one heavy charger among them", 6, 2, 2, {0, 0, 6, 0}, 1},
        {"without a chariot 5 misses TQ 5 by 0", 2, 2, 2, {0, 0, 5, 0}, 0},
        {"with a chariot 5 becomes 6", 14, 2, 2, {0, 0, 5, 0}, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        auto& a1 = unit({1, 605, 1, East, 9}, row.chargerType);
        auto& a2 = unit({2, 606, 1, East, 9}, row.secondChargerType);
        auto& d = unit({3, 705, 2, West, 5, 40}, row.defenderType);
        ScriptedRolls rolls(row.dice);
        fight({combat({{&a1, 1}, {&a2, 1}}, {&d}, 705)});
        EXPECT_EQ(rolls.left(), 0u);
        const std::string hit = "AddCommentary \\BUnit 3\\b took 1 cohesion hits during the charge.";
        EXPECT_EQ(std::count(display.log.begin(), display.log.end(), hit), row.defenderHits);
        display.log.clear();
        restage();
    }
}

// The leaders' duel: the attackers' leader stands with them, the defenders' is the best of the army
// wherever he is. Both duel ratings are 0, so the difference is that of the dice; the higher total is
// struck.
TEST_F(ShockBattle, LeaderCasualtiesGoByTheDifferenceOfTheRolls) {
    struct Row {
        const char* label;
        int attackerRoll, defenderRoll;
        const char *attackerName, *defenderName;
        bool defenderWounded;
        std::int16_t attackerLeaderHex;
        Lines log;
        std::uint32_t attackerNation = 1;
    } rows[] = {
        {"a tie", 4, 4, "Arn", "Bel", false, 605, {}},
        {"1 finishes the attacker's", 5, 4, "Arn", "Bel", false, 605, {"FinishedLeader 10"}},
        {"2 finishes", 6, 4, "Arn", "Bel", false, 605, {"FinishedLeader 10"}},
        {"-3 wounds the defender's", 4, 7, "Arn", "Bel", false, 605, {"WoundedLeader 2 11"}},
        {"-4 wounds", 4, 8, "Arn", "Bel", false, 605, {"WoundedLeader 2 11"}},
        {"-4 kills one already wounded", 4, 8, "Arn", "Bel", true, 605, {"EliminateUnit 11"}},
        {"5 kills", 9, 4, "Arn", "Bel", false, 605, {"EliminateUnit 10"}},
        // A commander's death ends the battle: his elimination, once counted, says so.
        {"-6 kills a commander", 0, 6, "Arn", "Tezhar the Old", false, 605, {"EliminateUnit 11", "END_GAME"}},
        {"the other commander", 9, 3, "Vaelmoric", "Bel", false, 605, {"EliminateUnit 10", "END_GAME"}},
        {"a commander finished lives on", 3, 4, "Arn", "Tezhar", false, 605, {"FinishedLeader 11"}},
        {"7 does nothing", 9, 2, "Arn", "Bel", false, 605, {}},
        {"no leader with the attackers: no duel", -1, -1, "Arn", "Bel", false, 505, {}},
        // A unit of neither side's nation (a scenario from elsewhere, without its substitutions) is the home
        // side's: it duels beside the home leader on its hex.
        {"neither side's nation, 5 kills", 9, 4, "Arn", "Bel", false, 605, {"EliminateUnit 10"}, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        auto& a = unit({1, 605, row.attackerNation, East, 9});
        auto& d = unit({3, 705, 2, West, 9});
        leader(10, row.attackerLeaderHex, 1, row.attackerName, 2, 0);
        Leader& far = leader(11, 1010, 2, row.defenderName, 2, 0);
        if (row.defenderWounded) far.wound(1);
        display.log.clear();
        ScriptedRolls rolls;
        if (row.attackerRoll >= 0) rolls.add({row.attackerRoll, row.defenderRoll});
        rolls.add({0});
        fight({combat({{&a, 0}}, {&d}, 705)});
        EXPECT_EQ(rolls.left(), 0u);
        EXPECT_EQ(display.only({"FinishedLeader", "WoundedLeader", "EliminateUnit", "END_GAME"}), row.log);
        // A kill is told as it is decided, naming the man who fell; nothing else of the duel is. Nobody
        // replaces a commander, whose fall ends the battle.
        Lines told;
        for (const std::string& line : display.log)
            if (line.find("duel") != std::string::npos) told.push_back(line);
        Lines fall;
        const bool ends = row.log.size() == 2 && row.log[1] == "END_GAME";
        if (!row.log.empty() && row.log[0].rfind("EliminateUnit", 0) == 0)
            fall.push_back(std::string("AddCommentary \\B") +
                           (row.log[0] == "EliminateUnit 10" ? row.attackerName : row.defenderName) +
                           "\\b was \\Bkilled\\b in the leaders' duel!" +
                           (ends ? "" : " A soldier from the ranks will replace him in command."));
        EXPECT_EQ(told, fall);
        restage();
    }
}

// A commander already gone from the field, as a saved game read back leaves him.
struct GoneCommander : Vaelmoric {
    using Vaelmoric::leavePlayOnLoad;
    using Vaelmoric::Vaelmoric;
};

// A leader whose fall is decided already (struck in an earlier battle of the phase, his elimination still
// to come) or a commander gone from the field is not killed a second time by a roll of 6 in the duel: no
// second elimination, no second word of his death, and a commander's fall ends the battle only once.
TEST_F(ShockBattle, ALeaderWhoseFallIsDecidedIsNotKilledAgainInTheDuel) {
    const char* const rows[] = {"a leader condemned", "a commander condemned", "a commander gone"};
    for (const std::string row : rows) {
        SCOPED_TRACE(row);
        auto& a = unit({1, 605, 1, East, 9});
        auto& d = unit({3, 705, 2, West, 9});
        leader(10, 605, 1, "Arn", 2, 0);
        Leader* far = nullptr;
        if (row == "a leader condemned") {
            far = &leader(11, 1010, 2, "Bel", 2, 0);
        } else {
            auto* made = new GoneCommander(
                leaderRecord(11, 1010, map, 2, "Tezhar the Old", Ratings{3, 4, 2, 0}), "Tezhar the Old");
            layer.enlist(made);
            if (row == "a commander gone") made->leavePlayOnLoad();
            far = made;
        }
        if (row != "a commander gone") far->condemn();
        display.log.clear();
        ScriptedRolls rolls{0, 6, 0};
        fight({combat({{&a, 0}}, {&d}, 705)});
        EXPECT_EQ(rolls.left(), 0u);
        EXPECT_EQ(display.only({"FinishedLeader", "WoundedLeader", "EliminateUnit", "END_GAME"}), Lines{});
        for (const std::string& line : display.log)
            EXPECT_EQ(line.find("duel"), std::string::npos) << line;
        restage();
    }
}

// Shares of the chart's hits, frontal hoplites on both sides (weapons even, column 7 counted from 1).
// Two attackers against one (sizes 8 to 4, one column right, die 0): the attackers take 3, 1 each and the
// remainder to the later of two equal attackers, the main one. One attacker against three (sizes 4 to
// 12, two columns left): die 5 gives 2 and 2, die 0 gives the attackers 3; the defenders' share is 0,
// counted as 1, so the attacker's 2 stays but 3 is three times it and becomes 5. One hit short of
// routing in an enemy zone of control, the attacker rolls against its TQ 5: 4 saves a hit, 5 costs one.
TEST_F(ShockBattle, SharesOfTheHitsWithTheirAdjustments) {
    struct Row {
        const char* label;
        std::vector<std::int16_t> attackerHexes, defenderHexes;
        std::int16_t attackerTQ, attackerHits;
        std::initializer_list<int> dice;
        const char* shares; // the hits, then the margins, of the attackers and then the defenders
    } rows[] = {
        {"remainder to the main attacker", {605, 606}, {705}, 9, 0, {0}, "[1 2][2][8 7][7]"},
        {"share below three times", {605}, {705, 706, 704}, 9, 0, {5}, "[2][2 0 0][7][7 9 9]"},
        {"three times a zero share", {605}, {705, 706, 704}, 9, 0, {0}, "[5][2 0 0][4][7 9 9]"},
        {"one short in a zone, passes", {605}, {705, 706, 704}, 5, 4, {5, 4}, "[1][2 0 0][0][7 9 9]"},
        {"one short in a zone, fails", {605}, {705, 706, 704}, 5, 4, {5, 5}, "[1][2 0 0][-2][7 9 9]"},
        {"two short: no test", {605}, {705, 706, 704}, 6, 4, {5}, "[2][2 0 0][0][7 9 9]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        CombatStruct c;
        int number = 1;
        for (std::int16_t hex : row.attackerHexes) {
            auto& a = unit({number++, hex, 1, East, row.attackerTQ});
            a.cohesionHits_ = static_cast<std::uint16_t>(row.attackerHits);
            c.attackers.append(&a), c.moved.append(0);
        }
        for (std::int16_t hex : row.defenderHexes)
            c.defenders.append(&unit({number++, hex, 2, West, 9}));
        c.hex = 705;
        ScriptedRolls rolls(row.dice);
        fight({c});
        EXPECT_EQ(rolls.left(), 0u);
        const SingleCombatResult r = first();
        EXPECT_EQ(text(r.attackerHits) + text(r.defenderHits) + text(r.attackerMargins) +
                      text(r.defenderMargins),
                  row.shares);
        restage();
    }
}

// Skirmishers (type 7) add no weight beside heavier troops, but a side of skirmishers alone counts them
// all. A hoplite with skirmishers against a hoplite: 4 to 4, column 7 counted from 1, die 6: the
// defender takes 2 (with the skirmishers counted, 8 to 4 and one column right, it would take 3 and, three
// times the attackers' share of 1, 5). Two skirmishers alone against a hoplite: 8 to 4, the later
// skirmisher's column 2 shifted to 3; the hoplite's weapons triple the attackers' 3 to 9, shared 4 and 5.
TEST_F(ShockBattle, SkirmishersWeighOnlyWhenTheyFightAlone) {
    struct Row {
        const char* label;
        int firstType;
        const char* hits;
    } rows[] = {
        {"beside a hoplite", 2, "[1 1][2]"},
        {"alone", 7, "[4 5][2]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        auto& a1 = unit({1, 605, 1, East, 9}, row.firstType);
        auto& a2 = unit({2, 606, 1, East, 9}, 7);
        auto& d = unit({3, 705, 2, West, 9});
        ScriptedRolls rolls{6};
        fight({combat({{&a1, 0}, {&a2, 0}}, {&d}, 705)});
        EXPECT_EQ(hits(), row.hits);
        restage();
    }
}

// Both defenders break (a flank attack doubles the defenders' 2 to 4, 2 each against TQ 2): the main
// attacker follows the first, the steadiest of the others (TQ 8 before TQ 6) the second.
TEST_F(ShockBattle, TheMainAttackerAdvancesFirstThenTheSteadiest) {
    auto& a1 = unit({1, 605, 1, East, 6});
    auto& a2 = unit({2, 606, 1, East, 8});
    auto& a3 = unit({3, 704, 1, South, 7});
    auto& d1 = unit({4, 705, 2, West, 2});
    auto& d2 = unit({5, 706, 2, West, 2});
    ScriptedRolls rolls{0};
    fight({combat({{&a1, 0}, {&a2, 0}, {&a3, 0}}, {&d1, &d2}, 705)});
    EXPECT_EQ(advances(), "3>705 2>706");
    EXPECT_EQ(text(layer.getUnitsRouting()), "[-1 4 5]");
}

// An enemy of the attacker that has the main attacker's hex in its zone of control, out of reach of the
// attacker's own, takes away the superiority of a flank attack: the defenders' 2 on die 0 (column 10
// counted from 1) is no longer doubled. The threatening units are those of the defender's side: the home
// side's when it is of the home nation, whatever its number (3 here), and when it is of neither side's
// nation (5), threatened by a unit of the home nation (1).
TEST_F(ShockBattle, AThreatToTheAttackersFlankCancelsItsSuperiority) {
    const struct Row {
        std::uint32_t homeNation, defenderNation, threatNation;
    } rows[] = {{3, 3, 3}, {1, 5, 1}};
    for (const Row& row : rows)
        for (bool threat : {false, true}) {
            SCOPED_TRACE(std::string(threat ? "threatened" : "free") + ", home nation " +
                         std::to_string(row.homeNation) + ", defender's nation " +
                         std::to_string(row.defenderNation));
            restage(row.homeNation);
            auto& a = unit({1, 704, 2, SouthEast, 9});
            auto& d = unit({2, 705, row.defenderNation, West, 9});
            if (threat) unit({3, 604, row.threatNation, SouthEast, 9});
            ScriptedRolls rolls{0};
            fight({combat({{&a, 0}}, {&d}, 705)});
            EXPECT_EQ(hits(), threat ? "[3][2]" : "[3][4]");
        }
}

} // namespace
} // namespace vael
