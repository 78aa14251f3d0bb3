#include <gtest/gtest.h>

#include <algorithm>

#include "framework/core/list_walk.h"
#include "game/rules/combat/combat_name_struct.h"
#include "support/flow/game_flow_recorder.h"
#include "support/flow/shock_fixture.h"

namespace vael {
namespace {

using namespace test;

// Around 705: 605 lies North-West of it, 606 South-West, 704 North, 706 South. Around 605: 704 North-East,
// 705 South-East; around 604: 704 South-East. Directions: 2 North-East, 4 South-East.
class ShockPhase : public ShockFixture {
protected:
    ShockPhase()
        : ShockFixture({"StartCombat", "WillCombatFit?", "Combat Center On Region", "RemoveAllBattleArrows",
                        "AddBattleArrow", "RemoveBattleArrow", "AddCommentary", "RoutingDone",
                        "CombatResults", "UnitCombat", "AdvancingDone", "SomeCombatDone", "CombatDone",
                        "EliminateUnit"}) {}

    void declare(std::uint16_t attacker, std::initializer_list<unsigned short> defenders, std::uint16_t hex,
                 std::uint16_t moved = 0, std::initializer_list<unsigned short> leaders = {}) {
        CombatNameStruct c;
        c.attacker = attacker, c.moved = moved, c.hex = hex;
        c.defenders = listOf(defenders), c.leaders = listOf(leaders);
        say("AddCombatants", c);
    }
    // The combats fought with no dispatch under way: every report the battles draw is handled as it is
    // sent, before the battle that drew it is over.
    void fightAtOnce(std::initializer_list<CombatStruct> list) {
        for (const CombatStruct& c : list)
            layer.combats().append(c);
        layer.performShock();
        settle();
    }
    void fightFrom(bool queue, std::initializer_list<CombatStruct> list) {
        if (queue)
            fight(list);
        else
            fightAtOnce(list);
    }
    // Each combat as "hex: attackers (moved flags) / defenders / leaders".
    std::string combats() {
        const auto numbers = [](const auto& list) {
            return answers(toVector(list), [](const auto* u) { return u->getUnitNum(); });
        };
        std::string out;
        for (const CombatStruct& c : each(layer.combats()))
            out += (out.empty() ? "" : "; ") + std::to_string(c.hex) + ": " + numbers(c.attackers) + " " +
                   text(c.moved) + " / " + numbers(c.defenders) + " / " + numbers(c.defendingLeaders);
        return out;
    }
};

TEST_F(ShockPhase, AttacksOnOneHexMakeOneCombatWithAnArrowEach) {
    unit({1, 605, 1, East}), unit({2, 606, 1, East}), unit({3, 705, 2, West}), unit({4, 704, 2, West});
    leader(9, 705, 2, "Bel", 2, 1);
    declare(1, {3, 4}, 705, 1, {9});
    declare(2, {3}, 705, 0, {9});
    EXPECT_EQ(combats(), "705: 1 2 [1 0] / 3 4 / 9");
    EXPECT_EQ(display.log,
              (Lines{"AddBattleArrow 605>705 d4", "AddBattleArrow 605>704 d2", "AddBattleArrow 606>705 d2"}));
}

// Unit 4 defends beside the combat over 705; unit 10's attack on its own hex takes it into a combat of
// its own, and the arrow to it from the attacker of the first combat goes.
TEST_F(ShockPhase, AnAttackOnAnotherCombatsDefenderTakesHimOver) {
    unit({1, 605, 1, East}), unit({10, 604, 1, East}), unit({3, 705, 2, West}), unit({4, 704, 2, West});
    declare(1, {3, 4}, 705);
    declare(10, {4}, 704, 1);
    EXPECT_EQ(combats(), "705: 1 [0] / 3 / ; 704: 10 [1] / 4 / ");
    EXPECT_EQ(display.log, (Lines{"AddBattleArrow 605>705 d4", "AddBattleArrow 605>704 d2",
                                  "AddBattleArrow 604>704 d4", "RemoveBattleArrow 605>704 d2"}));
}

// An attacker taken out of a combat takes its charge flag with it: the one left keeps its own.
TEST_F(ShockPhase, AnAttackerLeavingACombatTakesItsChargeFlag) {
    unit({1, 605, 1, East}), unit({2, 606, 1, East}), unit({3, 705, 2, West});
    declare(1, {3}, 705, 1);
    declare(2, {3}, 705, 0);
    say("RemoveFromCombat", short(1));
    EXPECT_EQ(combats(), "705: 2 [0] / 3 / ");
}

TEST_F(ShockPhase, ADeclarationByNoUnitOfOursIsIgnoredAndNoCombatEndsThePhaseAtOnce) {
    unit({1, 605, 1, East}), unit({3, 705, 2, West});
    declare(77, {3}, 705);
    EXPECT_EQ(combats(), "");
    EXPECT_TRUE(display.log.empty());
    say("PerformShock");
    EXPECT_EQ(display.log, (Lines{"StartCombat", "CombatDone"}));
}

// Two battles fought as one set. The first is the hand-worked charge and flank attack (dice 8, 6, 3) that
// routs the defender and advances the main attacker; in the second the lone charger misses TQ 3 with 9
// and breaks, so the battle ends before the exchange and reports itself done while the first one is
// still being shown. The phase waits for both battles, both routs and the advance before it ends.
TEST_F(ShockPhase, AWholePhaseWithABattleThatEndsEarly) {
    auto& a1 = unit({1, 605, 1, East, 6});
    auto& a2 = unit({2, 704, 1, South, 7});
    auto& d = unit({3, 705, 2, West, 5});
    auto& a4 = unit({4, 305, 1, East, 3});
    auto& d5 = unit({5, 405, 2, West, 5});
    ScriptedRolls rolls{8, 6, 3, 9, 0};
    fight({combat({{&a1, 1}, {&a2, 0}}, {&d}, 705), combat({{&a4, 1}}, {&d5}, 405)});
    EXPECT_EQ(
        display.log,
        (Lines{"StartCombat", "WillCombatFit? 305 305 705 704", "Combat Center On Region 504",
               "RemoveAllBattleArrows", "AddCommentary \\BUnit 1\\b took 2 cohesion hits during the charge.",
               "AddCommentary \\BUnit 3\\b took 1 cohesion hits during the charge.", "CombatResults",
               "UnitCombat [1 2] [3] deaths [1:50 2:14 3:100] reply RoutingDone -1",
               "AddCommentary \\BUnit 4\\b routed during the charge!", "RoutingDone -2",
               "AddCommentary \\BUnit 3\\b is routing!", "RoutingDone -1",
               "AddCommentary \\BUnit 4\\b is routing!", "RoutingDone 3", "RoutingDone 4", "AdvancingDone 2",
               "SomeCombatDone", "CombatDone"}));
    EXPECT_EQ(rolls.left(), 0u);
    EXPECT_EQ(a2.getHex(), 705);
    EXPECT_TRUE(layer.getUnitsRouting().isEmpty());
    EXPECT_TRUE(layer.getUnitsAdvancing().isEmpty());
    EXPECT_TRUE(layer.combats().isEmpty());
}

// Three combats that the view cannot show at once, the view fitting two columns: the first takes the
// third into its group, the second is fought alone afterwards. Frontal hoplites of TQ 9, die 5: 2 hits
// each, nobody routs, nobody advances. The battles are numbered on across the groups.
TEST_F(ShockPhase, CombatsThatDoNotFitAreFoughtInGroups) {
    display.fits = [](const WillCombatFitStruct& c) -> short {
        const int columns[] = {c.leastGreatest / 100, c.leastLeast / 100, c.greatestGreatest / 100,
                               c.greatestLeast / 100};
        return *std::max_element(columns, columns + 4) - *std::min_element(columns, columns + 4) <= 2;
    };
    auto& a = unit({1, 605, 1, East, 9});
    auto& b = unit({3, 305, 1, East, 9});
    auto& c = unit({5, 608, 1, East, 9});
    const CombatStruct first = combat({{&a, 0}}, {&unit({2, 705, 2, West, 9})}, 705);
    const CombatStruct second = combat({{&b, 0}}, {&unit({4, 405, 2, West, 9})}, 405);
    const CombatStruct third = combat({{&c, 0}}, {&unit({6, 708, 2, West, 9})}, 708);
    ScriptedRolls rolls{5, 5, 5};
    fight({first, second, third});
    EXPECT_EQ(display.log,
              (Lines{"StartCombat", "WillCombatFit? 305 305 708 705", "WillCombatFit? 305 305 705 705",
                     "WillCombatFit? 608 605 708 705", "Combat Center On Region 606", "RemoveAllBattleArrows",
                     "CombatResults", "UnitCombat [1] [2] deaths [1:22 2:22] reply RoutingDone -1",
                     "CombatResults", "UnitCombat [5] [6] deaths [5:22 6:22] reply RoutingDone -2",
                     "RoutingDone -1", "RoutingDone -2", "SomeCombatDone", "Combat Center On Region 305",
                     "CombatResults", "UnitCombat [3] [4] deaths [3:22 4:22] reply RoutingDone -3",
                     "RoutingDone -3", "SomeCombatDone", "CombatDone"}));
    EXPECT_EQ(rolls.left(), 0u);
    EXPECT_EQ(layer.getWontFit(), 1);
    EXPECT_TRUE(layer.getCombatGroups().isEmpty());
}

// The same three combats, the battle decided while the first group is fought (between machines the layer
// hears the end before it stands down): the group under way ends, the one still waiting is never fought and
// draws no die. Undecided, the second group follows as above.
TEST_F(ShockPhase, TheGroupsStillWaitingWhenTheBattleIsDecidedAreNotFought) {
    for (bool decided : {false, true}) {
        SCOPED_TRACE(decided ? "decided" : "not decided");
        restage();
        display.log.clear();
        display.answers = false;
        display.fits = [](const WillCombatFitStruct& c) -> short {
            const int columns[] = {c.leastGreatest / 100, c.leastLeast / 100, c.greatestGreatest / 100,
                                   c.greatestLeast / 100};
            return *std::max_element(columns, columns + 4) - *std::min_element(columns, columns + 4) <= 2;
        };
        auto& a = unit({1, 605, 1, East, 9});
        auto& b = unit({3, 305, 1, East, 9});
        auto& c = unit({5, 608, 1, East, 9});
        const CombatStruct first = combat({{&a, 0}}, {&unit({2, 705, 2, West, 9})}, 705);
        const CombatStruct second = combat({{&b, 0}}, {&unit({4, 405, 2, West, 9})}, 405);
        const CombatStruct third = combat({{&c, 0}}, {&unit({6, 708, 2, West, 9})}, 708);
        ScriptedRolls rolls{5, 5, 5};
        fight({first, second, third});
        EXPECT_EQ(rolls.left(), 1u);
        if (decided) layer.battleDecided();
        display.log.clear();
        layer.RoutingDone(-1);
        layer.RoutingDone(-2);
        settle();
        const Lines next{"SomeCombatDone", "Combat Center On Region 305", "CombatResults",
                         "UnitCombat [3] [4] deaths [3:22 4:22] reply RoutingDone -3"};
        EXPECT_EQ(display.log, decided ? (Lines{"SomeCombatDone", "CombatDone"}) : next);
        EXPECT_EQ(rolls.left(), decided ? 1u : 0u);
        if (!decided) {
            display.log.clear();
            layer.RoutingDone(-3);
            settle();
            EXPECT_EQ(display.log, (Lines{"SomeCombatDone", "CombatDone"}));
        }
        EXPECT_TRUE(layer.getCombatGroups().isEmpty());
        EXPECT_TRUE(layer.getUnitsRouting().isEmpty());
    }
}

// The view's question runs the queue, and a rout waiting there (a unit broken by a rampaging elephant)
// takes its unit out of its combat. When that was the last combat the phase still ends, whether the view
// said the combats fit or not; with a combat left, that one is fought and the phase ends once, after it.
TEST_F(ShockPhase, ACombatEmptiedWhileTheViewIsAskedStillEndsThePhase) {
    struct Row {
        const char* label;
        short fits;
        bool second; // a combat on 405 that nobody breaks
        Lines expected;
    } rows[] = {
        {"the last combat, fitting",
         1,
         false,
         {"StartCombat", "WillCombatFit? 605 605 705 705", "RemoveBattleArrow 605>705 d4",
          "RemoveAllBattleArrows", "CombatDone"}},
        {"the last combat, not fitting",
         0,
         false,
         {"StartCombat", "WillCombatFit? 605 605 705 705", "RemoveBattleArrow 605>705 d4", "CombatDone"}},
        {"one of two combats",
         1,
         true,
         {"StartCombat", "WillCombatFit? 305 305 705 705", "RemoveBattleArrow 605>705 d4",
          "Combat Center On Region 305", "RemoveAllBattleArrows", "CombatResults",
          "UnitCombat [3] [4] deaths [3:22 4:22] reply RoutingDone -1", "RoutingDone -1", "SomeCombatDone",
          "CombatDone"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        restage();
        auto& a = unit({1, 605, 1, East, 9});
        auto& d = unit({2, 705, 2, West, 9});
        display.fits = [this, &row](const WillCombatFitStruct&) -> short {
            layer.RemoveFromCombat(1);
            return row.fits;
        };
        ScriptedRolls rolls{5};
        if (row.second)
            fight({combat({{&a, 0}}, {&d}, 705),
                   combat({{&unit({3, 305, 1, East, 9}), 0}}, {&unit({4, 405, 2, West, 9})}, 405)});
        else
            fight({combat({{&a, 0}}, {&d}, 705)});
        EXPECT_EQ(display.log, row.expected);
        EXPECT_EQ(rolls.left(), row.second ? 0u : 1u);
        EXPECT_TRUE(layer.combats().isEmpty());
        EXPECT_TRUE(layer.getCombatGroups().isEmpty());
        EXPECT_TRUE(layer.getUnitsRouting().isEmpty());
        display.log.clear();
    }
}

// Reports nobody awaits change nothing; the first of two equal entries goes with one report.
TEST_F(ShockPhase, RoutingDoneCountsOnlyWhatItAwaits) {
    auto& a = unit({1, 605, 1, East, 9});
    auto& d = unit({2, 705, 2, West, 9});
    display.answers = false;
    ScriptedRolls rolls{5};
    fight({combat({{&a, 0}}, {&d}, 705)});
    display.log.clear();
    for (short stray : {1, 2, -2, 0})
        layer.RoutingDone(stray);
    settle();
    EXPECT_EQ(text(layer.getUnitsRouting()), "[-1]");
    EXPECT_TRUE(display.log.empty());
    layer.RoutingDone(-1);
    settle();
    EXPECT_EQ(display.log, (Lines{"SomeCombatDone", "CombatDone"}));
}

// The combats end once, after the last battle of the set is listed, however soon the battles report
// their end: from the queue, or each report handled as it is sent (no dispatch under way). The first
// battle's defender is already on his way out, so it ends before its blow and reports that at once; the
// second is frontal hoplites of TQ 9, die 5: 2 hits each, nobody routs.
TEST_F(ShockPhase, TheCombatsEndOnceTheLastBattleIsListed) {
    const auto ends = [this] {
        return display.only({"CombatResults", "RoutingDone", "SomeCombatDone", "CombatDone"});
    };
    for (const bool queue : {false, true}) {
        SCOPED_TRACE(queue ? "from the queue" : "at once");
        {
            SCOPED_TRACE("the first of two ends before its blow");
            restage();
            display.log.clear();
            auto& gone = unit({3, 705, 2, West, 9});
            gone.condemn();
            ScriptedRolls rolls{5};
            fightFrom(queue,
                      {combat({{&unit({1, 605, 1, East, 9}), 0}}, {&gone}, 705),
                       combat({{&unit({5, 305, 1, East, 9}), 0}}, {&unit({6, 405, 2, West, 9})}, 405)});
            EXPECT_EQ(ends(), (Lines{"RoutingDone -1", "CombatResults", "RoutingDone -2", "SomeCombatDone",
                                     "CombatDone"}));
            EXPECT_EQ(rolls.left(), 0u);
        }
        {
            SCOPED_TRACE("a lone battle");
            restage();
            display.log.clear();
            ScriptedRolls rolls{5};
            fightFrom(queue,
                      {combat({{&unit({1, 605, 1, East, 9}), 0}}, {&unit({2, 705, 2, West, 9})}, 705)});
            EXPECT_EQ(ends(), (Lines{"CombatResults", "RoutingDone -1", "SomeCombatDone", "CombatDone"}));
        }
        {
            // The display holds its replies back: the first battle (TQ 9 frontal, die 5) and the charger of
            // the second (TQ 3, die 9: broken in the charge, the defender passing with 0) end when told,
            // in the reverse of their listing; the second battle itself ended before its blow.
            SCOPED_TRACE("reports coming later");
            restage();
            display.log.clear();
            display.answers = false;
            ScriptedRolls rolls{5, 9, 0};
            fightFrom(queue,
                      {combat({{&unit({1, 605, 1, East, 9}), 0}}, {&unit({2, 705, 2, West, 9})}, 705),
                       combat({{&unit({4, 305, 1, East, 3}), 1}}, {&unit({5, 405, 2, West, 5})}, 405)});
            EXPECT_EQ(rolls.left(), 0u);
            EXPECT_EQ(text(layer.getUnitsRouting()), "[-1 4]");
            layer.RoutingDone(4);
            settle();
            EXPECT_EQ(text(layer.getUnitsRouting()), "[-1]");
            EXPECT_EQ(display.only({"SomeCombatDone", "CombatDone"}), Lines{});
            layer.RoutingDone(-1);
            settle();
            EXPECT_EQ(display.only({"SomeCombatDone", "CombatDone"}),
                      (Lines{"SomeCombatDone", "CombatDone"}));
            display.answers = true;
        }
    }
}

// A rout reported ended while the battles are fought, before its battle lists it (shown at once between
// two machines), is not awaited again when listed. Reported before the fighting (here while the view is
// asked) or during an earlier set's, it is a stray: the listing that follows is awaited. The first battle
// is frontal hoplites of TQ 9, die 5; in the second the charger of TQ 3 breaks with 9, the defender passing
// with 0, so that unit 4 is listed as it routs. The display holds its replies back.
TEST_F(ShockPhase, ARoutEndedBeforeItsBattleListsItIsNotAwaitedAgain) {
    test::GameFlowRecorder rampage{{"CombatResults"}, "Rampage"};
    rampage.attach(layer);
    display.answers = false;
    const auto battles = [this] {
        return std::vector<CombatStruct>{
            combat({{&unit({1, 605, 1, East, 9}), 0}}, {&unit({2, 705, 2, West, 9})}, 705),
            combat({{&unit({4, 305, 1, East, 3}), 1}}, {&unit({5, 405, 2, West, 5})}, 405)};
    };
    const auto endsWith = [this](short last) {
        EXPECT_EQ(display.only({"SomeCombatDone", "CombatDone"}), Lines{});
        layer.RoutingDone(last);
        settle();
        EXPECT_EQ(display.only({"SomeCombatDone", "CombatDone"}), (Lines{"SomeCombatDone", "CombatDone"}));
        EXPECT_TRUE(layer.getUnitsRouting().isEmpty());
    };
    {
        SCOPED_TRACE("during the fighting");
        rampage.then("CombatResults", [](test::GameFlowRecorder& r) { r.say("RoutingDone", short(4)); });
        ScriptedRolls rolls{5, 9, 0};
        const auto set = battles();
        fightAtOnce({set[0], set[1]});
        EXPECT_EQ(text(layer.getUnitsRouting()), "[-1]");
        endsWith(-1);
    }
    {
        SCOPED_TRACE("while the view is asked");
        restage();
        display.log.clear();
        rampage.then("CombatResults", [](test::GameFlowRecorder&) {});
        display.fits = [this](const WillCombatFitStruct&) -> short {
            layer.RoutingDone(4);
            return 1;
        };
        ScriptedRolls rolls{5, 9, 0};
        const auto set = battles();
        fightAtOnce({set[0], set[1]});
        EXPECT_EQ(text(layer.getUnitsRouting()), "[-1 4]");
        layer.RoutingDone(-1);
        settle();
        endsWith(4);
        display.fits = nullptr;
    }
    {
        SCOPED_TRACE("during an earlier set");
        restage();
        display.log.clear();
        rampage.then("CombatResults", [](test::GameFlowRecorder& r) { r.say("RoutingDone", short(4)); });
        ScriptedRolls rolls{5, 9, 0};
        const auto set = battles();
        fightAtOnce({set[0]});
        EXPECT_EQ(text(layer.getUnitsRouting()), "[-1]");
        endsWith(-1);
        display.log.clear();
        fightAtOnce({set[1]});
        EXPECT_EQ(rolls.left(), 0u);
        EXPECT_EQ(text(layer.getUnitsRouting()), "[4]");
        endsWith(4);
    }
}

// Phalanxes stand on two hexes: facing East the second is the hex South of the first, facing West the
// one North. The attacker's hexes are AL, AR, the beaten defender's DL, DR; each code adds 1 for a
// neighbour of the other side's first hex and 2 for one of its second.
TEST_F(ShockPhase, WhereATwoHexWinnerAdvances) {
    struct Row {
        const char* label;
        std::int16_t attackerHex;
        DIRECTION attackerFacing;
        int attackerType;
        DIRECTION defenderFacing;
        bool blocker;
        std::int16_t to;
    } rows[] = {
        // AL 605 AR 606 against DL 705 DR 704: AL 3, AR 1: into DR.
        {"beside both: into the second hex", 605, East, 0, West, false, 704},
        // Against DL 705 DR 706: AL 1, AR 3, no row matches: the hex left.
        {"no row: the hex left", 605, East, 0, East, false, 705},
        // AL 604 AR 603 against DL 705 DR 704: AL 2, AR 0, DL 0; the right half needs 703, South-East of 603.
        {"the right half's hex free", 604, West, 0, West, false, 704},
        {"the right half's hex taken", 604, West, 0, West, true, -1},
        {"a one-hex winner takes the hex left", 605, East, 2, West, true, 705},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        auto& winner =
            unit({1, row.attackerHex, 1, row.attackerFacing, 5, 4, row.attackerType == 0}, row.attackerType);
        unit({2, 705, 2, row.defenderFacing, 5, 4, 1}, 0);
        if (row.blocker) unit({3, 703, 1, East});
        EXPECT_EQ(layer.advanceAfterCombat(705, &winner), row.to);
        restage();
    }
}

} // namespace
} // namespace vael
