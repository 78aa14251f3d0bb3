#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "framework/core/super_string.h"
#include "support/failed_checks.h"
#include "support/rules/leader_fixture.h"

namespace vael {
namespace {

using namespace test;

using Leaders = LeaderFixture;

TEST_F(Leaders, AScenarioRecordReadsTheUnitThenTheRatings) {
    // "Kavel", nation code 2, 6 movement points, leader 1, hex 1505, facing 2; then 2, 4, 3, 1
    const std::vector<std::uint8_t> unitPart = {5, 'K', 'a', 'v', 'e', 'l', 2, 6, 0, 1, 0, 0xE1, 0x05, 2};
    SuperString whole = streamOf({unitPart, {2, 0, 4, 0, 3, 0, 1, 0}});
    LeaderUnitData record;
    EXPECT_TRUE(record.Load(whole));
    EXPECT_EQ(values(record.name, record.nation, record.movementAllowance, record.hex, record.facing,
                     record.shockPrecedence, record.commandRange, record.initiative, record.duelRating),
              "Kavel 1 6 1505 2 2 4 3 1");

    FailedChecks checks;
    SuperString cut = streamOf({unitPart, {9, 0, 9}});
    LeaderUnitData kept;
    kept.initiative = 7;
    EXPECT_FALSE(kept.Load(cut));
    EXPECT_EQ(values(kept.name, kept.hex, kept.shockPrecedence, kept.initiative, checks.count()), " 0 0 7 1");
}

TEST_F(Leaders, ConstructionCopiesRatingsAndClearsTheTestSwitches) {
    Leader::setLeaderCheat(1), Leader::setWoundCheat(1), Leader::setDeadCheat(1),
        Leader::setShowFinishLeader(1);
    auto& l = leader(1, 505, {5, 6, 7, 8});
    EXPECT_EQ(values(l.getInitiative(), l.getBaseInitiative(), l.getCommandRange(), l.getShockPrecedence(),
                     l.getDuelRating(), l.ordersLeft(), l.getLastOrderedUnit(), l.isWounded(), l.isFinished(),
                     l.isEliminated(), !l.getGroup(), l.isLeader(), l.isCombatUnit(), l.isHexInZOC(505)),
              "5 5 6 7 8 5 32767 0 0 0 1 1 0 0");
    EXPECT_EQ(
        values(Leader::leaderCheat(), Leader::woundCheat(), Leader::deadCheat(), Leader::showsFinishLeader()),
        "0 0 0 1");
}

TEST_F(Leaders, QueryCodesAnswerRatingsAndOrders) {
    auto& l = leader(1, 505, {4, 6, 7, 8});
    l.ordersUsed_ = 4;
    // 13 and 20 are the unit's: its nation, and whether it shoots
    EXPECT_EQ(answers({13, 14, 15, 16, 17, 18, 19, 20}, [&](int code) { return l.Query(code); }),
              "1 6 4 7 8 4 0 0");
    l.ordersUsed_ = 1;
    EXPECT_EQ(l.Query(19), 3);
}

TEST_F(Leaders, AMessageNamingALeaderIsHisWhenTheNameIsHis) {
    auto& l = leader(1, 505, {}, "Kavel");
    Container<std::string> his("Kavel"), other("Kave");
    Container<short> hex(505), elsewhere(506);
    EXPECT_EQ(values(l.acceptsEvent(&his), l.acceptsEvent(&other), l.acceptsEvent(&hex),
                     l.acceptsEvent(&elsewhere)),
              "1 0 1 0");
}

// Heights: 505 at 1; 504 at 0 (counts as 1); 605 at 2; 506 at 3; 604 at 2; the side of 505 towards 406
// impassable.
class LeaderStepCosts : public Leaders {
protected:
    LeaderStepCosts() {
        MapFileBuilder b(10, 10);
        b.setHeight(504, 0).setHeight(605, 2).setHeight(506, 3).setHeight(604, 2).addSide(505, 6, 20);
        map = makeLandscape(b);
        map->attach(layer);
    }
};

TEST_F(LeaderStepCosts, PlainAndOwnStepCostsReadSidesAndHeights) {
    auto& l = leader(1, 505);
    const auto plain = [&](int from, int to) { return Leader::plainCost(from, to, map.get(), &l); };
    const auto own = [&](int from, int to) { return Leader::ownStepCost(from, to, map.get(), &l); };
    // level 0 = 1, one level, two levels, a barred side; from the river bed up one level
    EXPECT_EQ(pairAnswers({505, 504, 505, 605, 505, 506, 505, 406, 504, 604}, own), "1 2 -1 -1 2");
    EXPECT_EQ(pairAnswers({505, 504, 505, 605, 505, 506, 505, 406, 406, 505}, plain), "1 1 1 -1 -1");
    EXPECT_EQ(values(l.testStep(505, 605), l.stepCostFunction()(505, 506, map.get(), &l)), "2 -1");
}

TEST_F(Leaders, OwnMoveCostKeepsTheLeaderOffAndAwayFromEnemies) {
    auto& l = leader(1, 505);
    unit(2, 503, visitor);
    unit(3, 507, home);
    const auto move = [&](int from, int to) { return Leader::ownMoveCost(from, to, map.get(), &l); };
    // next to the enemy, onto him, away from him, next to a friend
    EXPECT_EQ(pairAnswers({505, 504, 504, 503, 505, 605, 505, 506}, move), "-1 -1 1 1");
}

TEST_F(Leaders, CommandRangeCostStopsInEnemyZonesUnlessOwnTroopsHoldTheHex) {
    auto& l = leader(1, 505);
    TestCombat& enemy = unit(2, 503, visitor);
    enemy.setZOC({504, 404});
    unit(3, 404, home);
    const auto cost = [&](int from, int to) { return Leader::commandRangeCost(from, to, map.get(), &l); };
    // out of the zone; from an empty hex of the zone; from a held hex of the zone; onto the enemy
    EXPECT_EQ(pairAnswers({505, 504, 504, 604, 404, 403, 404, 503}, cost), "1 -1 1 -1");
}

TEST_F(Leaders, CommandRangeCoversTheHexesWithinItsCost) {
    auto& near = leader(1, 505, {3, 1});
    unit(2, 605, visitor); // an enemy hex is never in range
    EXPECT_EQ(answers({505, 504, 506, 405, 406, 605, 606, 503, 507, 705},
                      [&](short hex) { return near.inCommandRange(hex); }),
              "1 1 1 1 1 0 1 0 0 0");
    auto& none = leader(3, 202, {3, 0});
    EXPECT_EQ(answers({202, 201, 203}, [&](short hex) { return none.inCommandRange(hex); }), "1 0 0");
}

TEST_F(Leaders, StatusLineShowsNameThenInitiativeAndOrdersLeft) {
    auto& l = leader(1, 505, {5});
    l.ordersUsed_ = 2;
    l.showStatus();
    l.centerOnLeader();
    EXPECT_EQ(flow.heard, (std::vector<std::string>{"SetItemText|1 1 Kavel", "SetItemText|1 2 I: 5  Com: 3/5",
                                                    "Center On Region|505"}));
}

TEST_F(Leaders, AKilledLeaderScoresLeavesHisRecordAndGoesOnAsHisReplacement) {
    auto& l = leader(1, 505, {3, 4, 2, 1});
    l.wound(1);
    l.ordersUsed_ = 3;
    flow.heard.clear();
    Container<short> number(1);
    flow.sendNamed("EliminateUnit", &number);
    EXPECT_EQ(flow.heard, (std::vector<std::string>{"EliminateUnit|1", "UnitEliminated|1 15 -1 1",
                                                    "LOGICAL_COMMAND|1 0 UnitEliminated",
                                                    "AddBogusLeader|Kavel 1 3 2 1 0"}));
    ASSERT_EQ(flow.bogusLeaders.size(), 1u);
    EXPECT_EQ(values(flow.bogusLeaders[0]->getUnitNum(), flow.bogusLeaders[0]->getBaseInitiative(),
                     map->unitsInHex(505).count()),
              "1 2 1");
    // The record leads no group: its leader id is -1 as the record stores it.
    EXPECT_EQ(flow.bogusLeaders[0]->getLeaderId(), 0xFFFF);
    EXPECT_EQ(values(l.getName(), l.getCommandRange(), l.getInitiative(), l.getShockPrecedence(),
                     l.getDuelRating(), l.isWounded(), l.isEliminated(), l.getBaseInitiative(),
                     l.pointValue(), l.ordersLeft()),
              "Kavel(R) 4 2 2 1 0 1 3 10 0");

    flow.heard.clear();
    flow.sendNamed("EliminateUnit", &number);
    EXPECT_EQ(flow.only("UnitEliminated"), (std::vector<std::string>{"UnitEliminated|1 15 -1 1"}));
    EXPECT_EQ(values(l.getName(), flow.bogusLeaders.size(), flow.bogusLeaders[1]->getName()),
              "Kavel(R) 2 Kavel(R)");
}

TEST_F(Leaders, TheCommandersFallUnreplacedForTwiceTheirBaseInitiative) {
    auto& v = leader<Vaelmoric>(1, 505, {4}, "Vaelmoric the Bold");
    auto& t = leader<Tezhar>(2, 707, {3}, "Whatever the scenario says", visitor);
    EXPECT_EQ(values(v.getName(), v.pointValue(), t.getName(), t.pointValue()),
              "Vaelmoric the Bold 40 Tezhar III 15");
    v.wound(2);
    v.eliminate();
    t.eliminate();
    // Each fall ends the battle once it is counted.
    EXPECT_EQ(flow.names(), "LOGICAL_COMMAND, UnitEliminated, END_GAME, UnitEliminated, END_GAME");
    EXPECT_EQ(flow.only("UnitEliminated"),
              (std::vector<std::string>{"UnitEliminated|1 40 -1 1", "UnitEliminated|2 30 -1 2"}));
    EXPECT_EQ(
        values(v.getName(), v.getInitiative(), v.isEliminated(), t.isEliminated(), flow.bogusLeaders.size()),
        "Vaelmoric the Bold 2 1 1 0");
}

TEST_F(Leaders, FactoriesMakeTheirOwnClassFromALeaderRecordOnly) {
    auto& l = leader(1, 505);
    const LeaderUnitData record = leaderRecord(9, 303, map.get(), visitor, "Orveth", {2, 3, 4, 5});
    const auto made = [&](VaelUnit* unit) { return std::unique_ptr<Leader>(dynamic_cast<Leader*>(unit)); };
    const auto plain = made(l.create(record, "Orveth"));
    const auto tezhar = made(Tezhar(record, "x").create(record, "Orveth"));
    const auto vaelmoric = made(Vaelmoric(record, "x").create(record, "Orveth"));
    ASSERT_TRUE(plain && tezhar && vaelmoric);
    EXPECT_EQ(values(plain->getName(), plain->getUnitNum(), plain->getCommandRange(), tezhar->getName(),
                     vaelmoric->pointValue(), dynamic_cast<Vaelmoric*>(vaelmoric.get()) != nullptr),
              "Orveth 9 3 Tezhar III 20 1");
    const VaelUnitData notALeader = UnitSetup(4, 404, map.get());
    EXPECT_EQ(std::unique_ptr<VaelUnit>(l.create(notALeader, "Unit 4")), nullptr);
}

// The unit's own part of a saved leader at 505 facing north-east with 6 movement points.
const std::vector<std::uint8_t> unitPartAt505 = {6, 0,    0,    0,    0,    0, 0, 0, 0, 0, 0,
                                                 0, 0xF9, 0x01, 0xFF, 0xFF, 2, 0, 0, 0, 0, 0};

SuperString leaderThenUnit(const std::vector<std::uint8_t>& leaderPart) {
    return streamOf({leaderPart, unitPartAt505});
}

TEST_F(Leaders, SavedStateKeepsActivationCountersAndWoundedRatingsOnly) {
    auto& l = leader(1, 505, {3, 4, 2, 1});
    SuperString saved = leaderThenUnit({1, 0, 1, 0, 2, 0, 0, 0, 1, 0, 1, 0, 0, 0, 7, 0, 4, 0, 0, 0, //
                                        1, 0, 1, 0, 2, 0, 0, 0, 3, 0});
    EXPECT_TRUE(l.read(saved));
    EXPECT_EQ(values(l.isOrdersPhaseActive(), l.isFinished(), l.getOrdersUsed(), l.groupMoveTried_,
                     l.failedGroupMoves_, l.getLastOrderedUnit(), l.isWounded(), l.getShockPrecedence(),
                     l.getInitiative(), l.getDuelRating(), l.getCommandRange(), saved.remaining()),
              "1 1 2 1 1 7 1 1 2 0 3 0");
    SuperString again;
    l.write(again);
    EXPECT_EQ(bytesOf(again), bytesOf(saved));

    auto& fresh = leader(2, 505, {5, 6, 7, 8});
    SuperString quiet;
    fresh.write(quiet);
    EXPECT_EQ(bytesOf(quiet), bytesOf(leaderThenUnit({0, 0, 0, 0})));
}

TEST_F(Leaders, ADamagedSavedStateChangesNothingOrCannotOverspendOrders) {
    auto& l = leader(1, 505, {3});
    SuperString cut = streamOf({{1, 0, 0, 0, 2, 0}});
    EXPECT_FALSE(l.read(cut));
    EXPECT_EQ(values(l.isOrdersPhaseActive(), l.getOrdersUsed(), l.isWounded(), l.getInitiative()),
              "0 0 0 3");

    SuperString overspent =
        leaderThenUnit({1, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0});
    EXPECT_TRUE(l.read(overspent));
    EXPECT_EQ(values(l.getOrdersUsed(), l.ordersLeft(), l.isWounded(), l.getInitiative()), "3 0 0 3");
}

// A computer leader's orders under way as a saved game holds them: six words, a facing of four bytes, then
// the command hexes counted. A hex off the 10 x 10 map, a count past the bytes, or any hex for a leader on no
// map at all is refused with its reason; a hex of the map is taken.
TEST_F(Leaders, OrdersUnderWayNamingAHexOffTheMapOrCountedPastTheirBytesAreRefused) {
    auto& l = leader(1, 505, {3});
    OpenLeader<Leader> unplaced(leaderRecord(2, -1, nullptr, home, "Orvane", {3}), "Orvane");
    const auto orders = [](std::uint8_t count, std::vector<std::uint8_t> hexes) {
        std::vector<std::uint8_t> bytes = {1, 0, 0xFF, 0x7F, 0, 0, 0, 0, 0, 0, 0, 0, 8, 0, 0, 0, count, 0};
        bytes.insert(bytes.end(), hexes.begin(), hexes.end());
        return streamOf({bytes});
    };
    const struct {
        const char* what;
        const Leader* leader;
        SuperString file;
        const char* problem;
    } rows[] = {
        {"a hex of the map", &l, orders(1, {0xF9, 0x01}), ""},
        {"a hex of the last column but one", &l, orders(1, {0x28, 0x03}), ""},
        {"a column past the map", &l, orders(1, {0xE8, 0x03}), "the saved game has Kavel command hex 1000, which is no hex of the map"},
        {"a row past the map", &l, orders(1, {0x0A, 0x00}), "the saved game has Kavel command hex 10, which is no hex of the map"},
        {"no hex", &l, orders(1, {0xFF, 0xFF}), "the saved game has Kavel command hex -1, which is no hex of the map"},
        {"counted past the bytes", &l, orders(2, {0xF9, 0x01}), "the saved game's orders under way of Kavel are cut short"},
        {"a leader on no map", &unplaced, orders(1, {0xF9, 0x01}),
         "the saved game has Orvane command hex 505, which is no hex of the map"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SuperString file = row.file;
        Leader::OrdersUnderWay read;
        std::string problem;
        EXPECT_EQ(row.leader->readOrdersUnderWay(file, read, problem), *row.problem == '\0');
        EXPECT_EQ(problem, row.problem);
        if (!*row.problem) EXPECT_EQ(values(read.used, read.lastOrdered, read.facing, read.commandHexes.size()), "1 32767 8 1");
    }
}

TEST_F(Leaders, AReplacementComesBackFromASavedGameAsTheReplacement) {
    struct Row {
        bool woundedAfter;
        const char* expected; // name, ratings, wounded, out of play, finished after "BeginTurn"
    };
    for (const Row& row : {Row{false, "Kavel(R) 4 2 2 1 0 1 0"}, Row{true, "Kavel(R) 3 1 1 0 1 1 0"}}) {
        SCOPED_TRACE(row.woundedAfter);
        auto& killed = leader(1, 505, {3, 6, 5, 4});
        killed.eliminate();
        if (row.woundedAfter) killed.wound(1);
        SuperString saved;
        killed.write(saved);
        auto& loaded = leader(2, 505, {3, 6, 5, 4});
        ASSERT_TRUE(loaded.read(saved));
        loaded.setFinished();
        flow.sendNamedEmpty("BeginTurn");
        EXPECT_EQ(values(loaded.getName(), loaded.getCommandRange(), loaded.getInitiative(),
                         loaded.getShockPrecedence(), loaded.getDuelRating(), loaded.isWounded(),
                         loaded.isEliminated(), loaded.isFinished()),
                  row.expected);
    }
    auto& commander = leader<Vaelmoric>(3, 505, {4}, "Vaelmoric");
    commander.eliminate();
    SuperString saved;
    commander.write(saved);
    auto& loaded = leader<Vaelmoric>(4, 505, {4}, "Vaelmoric");
    ASSERT_TRUE(loaded.read(saved));
    loaded.setFinished();
    flow.sendNamedEmpty("BeginTurn");
    EXPECT_EQ(values(loaded.getName(), loaded.getInitiative(), loaded.isEliminated(), loaded.isFinished()),
              "Vaelmoric 4 1 1");
}

using Texts = std::vector<std::string>;
using LeaderCasualties = LeaderFixture;

TEST_F(LeaderCasualties, TheCasualtyRollFallsInTheBandsOfTheLeader) {
    struct Row {
        const char* name;
        bool commander;
        bool wounded;
        bool withdrawing;
        int roll; // raw: the roll is its last two digits
        int result;
        const char* messages;
    };
    const char* distracted = "FinishedLeader";
    const char* woundedNow = "FinishedLeader, WoundedLeader, LOGICAL_COMMAND";
    const char* replaced = "FinishedLeader, EliminateUnit, UnitEliminated, LOGICAL_COMMAND, AddBogusLeader";
    const char* commanderKilled = "FinishedLeader, EliminateUnit, UnitEliminated, END_GAME";
    const Row rows[] = {
        {"Kavel", false, false, false, 24, 1, distracted},
        {"Kavel", false, false, false, 125, 2, woundedNow},
        {"Kavel", false, false, false, 69, 2, woundedNow},
        {"Kavel", false, false, false, 70, 3, replaced},
        {"Kavel", false, true, false, 24, 1, distracted},
        {"Kavel", false, true, false, 25, 3, replaced},
        {"Vaelmoric", true, false, false, 39, 1, distracted},
        {"Vaelmoric", true, false, false, 40, 2, woundedNow},
        {"Vaelmoric", true, false, false, 84, 2, woundedNow},
        {"Vaelmoric", true, false, false, 85, 3, commanderKilled},
        {"Tezhar", true, false, false, 85, 3, commanderKilled},
        {"Kavel", false, false, true, 0, 2, woundedNow},
        {"Kavel", false, false, true, 49, 2, woundedNow},
        {"Kavel", false, false, true, 50, 3, replaced},
        {"Kavel", false, true, true, 0, 3, replaced},
    };
    std::uint16_t number = 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.name, row.wounded, row.withdrawing, row.roll));
        Leader* made = nullptr;
        if (!row.commander) {
            auto& l = leader(number, 505, {}, row.name);
            l.forcedWithdrawal_ = row.withdrawing, made = &l;
        } else if (row.name[0] == 'V') {
            made = &leader<Vaelmoric>(number, 505, {}, row.name);
        } else {
            made = &leader<Tezhar>(number, 505, {}, row.name);
        }
        Leader& l = *made;
        ++number;
        if (row.wounded) l.wound(1);
        flow.heard.clear();
        ScriptedRolls dice{row.roll};
        EXPECT_EQ(l.casualtyResult(), row.result);
        EXPECT_EQ(flow.names(), row.messages);
        EXPECT_EQ(values(l.isFinished(), l.isWounded(), l.isEliminated()),
                  values(1, row.result == 2 || (row.wounded && row.result == 1), row.result == 3));
        // A kill marks the leader as on his way out at once, so that a second volley of the step falls on
        // whoever stands with him; a replacement who took his place may be struck in his turn.
        EXPECT_EQ(l.isEliminationDue(), row.commander && row.result == 3);
    }
}

TEST_F(LeaderCasualties, TheTestSwitchesWoundOrKillOnlyWithTheLeaderSwitch) {
    auto& l = leader(1, 505);
    const auto rollWith = [&](int leaderCheat, int woundCheat, int deadCheat, int roll) {
        Leader::setLeaderCheat(static_cast<std::uint16_t>(leaderCheat));
        Leader::setWoundCheat(static_cast<std::uint16_t>(woundCheat));
        Leader::setDeadCheat(static_cast<std::uint16_t>(deadCheat));
        ScriptedRolls dice{roll};
        return l.casualtyResult();
    };
    std::string results;
    // Alone the wound and dead switches do nothing; then a wound, and the wounded leader's wound band kills.
    for (auto [leaderCheat, woundCheat, deadCheat] :
         {std::tuple{0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {1, 1, 0}, {0, 0, 1}})
        results += std::to_string(rollWith(leaderCheat, woundCheat, deadCheat, 10));
    EXPECT_EQ(results, "11231");
    auto& fresh = leader(2, 606);
    auto& next = leader(3, 707);
    Leader::setLeaderCheat(1), Leader::setWoundCheat(1), Leader::setDeadCheat(1);
    ScriptedRolls dice{10, 10};
    // The record of the first one killed leaves the switches on for the next check.
    const int first = fresh.casualtyResult();
    const int second = next.casualtyResult();
    EXPECT_EQ(values(first, second, flow.bogusLeaders.size()), "3 3 3");
}

TEST_F(LeaderCasualties, AMissileHitsTheLeaderOnFifteenOrLess) {
    struct Row {
        std::initializer_list<int> rolls;
        std::uint16_t cheat;
        const char* line;
    };
    const Row rows[] = {
        {{16}, 0, "\\BKavel\\b  was not harmed by missile fire."},
        {{115, 24}, 0, "\\BKavel\\b was \\Bdistracted\\b by missile fire. He will give no orders this turn."},
        {{0, 25}, 0, "\\BKavel\\b was hit and is \\Bwounded\\b!"},
        {{99, 70},
         1,
         "\\BKavel\\b was hit and was \\Bkilled\\b! A soldier from the ranks will replace him in command."},
    };
    std::uint16_t number = 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.line);
        auto& l = leader(number++, 505);
        Leader::setLeaderCheat(row.cheat);
        flow.heard.clear();
        ScriptedRolls dice(row.rolls);
        l.HitByMissile();
        EXPECT_EQ(dice.left(), 0u);
        ASSERT_FALSE(flow.heard.empty());
        EXPECT_EQ(flow.heard.back(), std::string("AddCommentary|") + row.line);
    }
}

// A commander's fall ends the battle: nobody from the ranks takes his place, and the commentary does not say
// so, whether a missile or a withdrawal killed him. An ordinary leader's fall still says it.
TEST_F(LeaderCasualties, ACommandersFallIsNotSaidToBeReplaced) {
    unit(20, 605, visitor);
    unit(21, 606, visitor).setZOC({506});
    struct Row {
        const char* name;
        bool byMissile;
        std::initializer_list<int> rolls;
        const char* line;
    };
    const Row rows[] = {
        {"Vaelmoric the Bold", true, {15, 85}, "\\BVaelmoric the Bold\\b was hit and was \\Bkilled\\b!"},
        {"Tezhar III", true, {0, 99}, "\\BTezhar III\\b was hit and was \\Bkilled\\b!"},
        {"Orveth",
         true,
         {15, 70},
         "\\BOrveth\\b was hit and was \\Bkilled\\b! A soldier from the ranks will replace him in command."},
        {"Vaelmoric the Bold",
         false,
         {19, 50},
         "\\BVaelmoric the Bold\\b was \\Bkilled\\b while withdrawaling!"},
        {"Tezhar III", false, {19, 99}, "\\BTezhar III\\b was \\Bkilled\\b while withdrawaling!"},
        {"Orveth",
         false,
         {19, 50},
         "\\BOrveth\\b was \\Bkilled\\b while withdrawaling! A soldier from the ranks will replace him in "
         "command."},
    };
    std::uint16_t number = 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.name) + (row.byMissile ? " by a missile" : " withdrawing"));
        auto& l = leader(number++, 505, {}, row.name);
        flow.heard.clear();
        ScriptedRolls dice(row.rolls);
        if (row.byMissile)
            l.HitByMissile();
        else
            EXPECT_EQ(l.ForceOW(605, -1), 1);
        EXPECT_EQ(dice.left(), 0u);
        EXPECT_EQ(flow.only("AddCommentary"), Texts{std::string("AddCommentary|") + row.line});
        map->removeFromRegion(&l, static_cast<std::int16_t>(l.getHex()));
    }
}

TEST_F(LeaderCasualties, AWoundLowersEveryRatingButStopsThemAtNothing) {
    auto& l = leader(1, 505, {3, 4, 2, 1});
    l.wound(1);
    EXPECT_EQ(values(l.getInitiative(), l.getCommandRange(), l.getShockPrecedence(), l.getDuelRating(),
                     l.getBaseInitiative(), l.isWounded()),
              "2 3 1 0 3 1");
    EXPECT_EQ(flow.heard, Texts{"LOGICAL_COMMAND|1 505 WoundedLeader"});
    // A duel's wound of 2 on ratings of 1 and 0 leaves 0, not 65,535 orders or hexes of range.
    l.ordersUsed_ = 2;
    l.wound(2);
    EXPECT_EQ(values(l.getInitiative(), l.getCommandRange(), l.getShockPrecedence(), l.getDuelRating(),
                     l.ordersLeft(), l.getOrdersUsed()),
              "0 1 0 0 0 0");
}

TEST_F(LeaderCasualties, AWithdrawalPathCarriesTheGreatestChanceOfItsHexes) {
    auto& l = leader(1, 505);
    TestCombat& infantry = unit(2, 303, visitor, 2);
    infantry.setZOC({403});
    unit(3, 301, visitor, 12);
    unit(4, 302, visitor, 8);
    unit(5, 305, visitor, 11);
    unit(6, 306, visitor, 15);
    leader(7, 307, {}, "Orveth", visitor);
    unit(8, 308, home, 12);
    struct Row {
        std::initializer_list<short> path;
        int chance;
    };
    const Row rows[] = {
        {{505, 504}, 0},  // empty hexes out of any zone
        {{505, 403}, 20}, // empty, in the infantry's zone
        {{505, 303}, 60}, // the infantry itself
        {{505, 301}, 90}, // light cavalry
        {{505, 302}, 90}, // heavy cavalry
        {{505, 305}, 90}, // lancers
        {{505, 306}, 0},  // a bolt-thrower
        {{505, 307}, 0},  // an enemy leader
        {{505, 308}, 0},  // a friend
        {{505, 306, 403, 504}, 20},
        {{505, 403, 301, 303}, 90},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(text(listOf(row.path)));
        EXPECT_EQ(l.withdrawalCasualtyChance(listOf(row.path)), row.chance);
    }
}

// The leader at 505 with 6 movement points; the enemy comes from 605 (north-east), and another enemy at
// 606 holds 506 in its zone.
class LeaderWithdrawal : public LeaderCasualties {
protected:
    LeaderWithdrawal() : l(leader(1, 505)) {
        unit(2, 605, visitor);
        unit(3, 606, visitor).setZOC({506});
    }
    OpenLeader<Leader>& l;
};

TEST_F(LeaderWithdrawal, TheLeaderGoesToTheFarthestFreeHexInHisArcAndMayBeHurtOnTheWay) {
    struct Row {
        std::initializer_list<int> rolls;
        const char* messages;
        const char* commentary;
    };
    const Row rows[] = {
        {{20}, "LOGICAL_COMMAND, OWResolved", ""},
        {{19, 7},
         "FinishedLeader, WoundedLeader, LOGICAL_COMMAND, AddCommentary, LOGICAL_COMMAND, OWResolved",
         "AddCommentary|\\BKavel\\b was \\Bwounded\\b while withdrawaling!"},
        // Killed on the way: the text names the man who fell, not his replacement.
        {{19, 50},
         "FinishedLeader, EliminateUnit, UnitEliminated, LOGICAL_COMMAND, AddBogusLeader, AddCommentary, "
         "LOGICAL_COMMAND, OWResolved",
         "AddCommentary|\\BKavel\\b was \\Bkilled\\b while withdrawaling! A soldier from the ranks will "
         "replace him in command."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.messages);
        map->removeFromRegion(&l, static_cast<std::int16_t>(l.getHex()));
        map->addToRegion(&l, 505);
        l.setHex(505);
        flow.heard.clear();
        ScriptedRolls dice(row.rolls);
        EXPECT_EQ(l.ForceOW(605, -1), 1);
        EXPECT_EQ(values(l.getHex(), map->firstOccupant(507) == &l, map->isHexOccupied(505),
                         l.forcedWithdrawal_, dice.left()),
                  "507 1 0 0 0");
        EXPECT_EQ(flow.names(), row.messages);
        EXPECT_EQ(flow.heard.back(), "OWResolved|1 505");
        EXPECT_EQ(flow.only("AddCommentary"), *row.commentary ? Texts{row.commentary} : Texts{});
    }
}

TEST_F(LeaderWithdrawal, ALeaderWithNoFreeHexWithinHisMovementStaysPut) {
    for (std::uint16_t allowance : {2, 3}) {
        SCOPED_TRACE(allowance);
        l.setMovement(allowance);
        flow.heard.clear();
        ScriptedRolls dice{20};
        EXPECT_EQ(l.ForceOW(605, -1), allowance == 3 ? 1 : 0);
        EXPECT_EQ(flow.heard.back(), allowance == 3 ? "OWResolved|1 505" : "OWResolved|0 505");
    }
}

} // namespace
} // namespace vael
