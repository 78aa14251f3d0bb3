#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/core/super_string.h"
#include "support/failed_checks.h"
#include "support/rules/leader_fixture.h"

namespace vael {
namespace {

using namespace test;

SuperString bytesOf(std::initializer_list<std::uint8_t> bytes) {
    SuperString s;
    for (std::uint8_t b : bytes)
        s.write(&b, 1);
    return s;
}

std::vector<std::uint8_t> bytesIn(const SuperString& s) {
    const std::string all = s.str();
    return {all.begin(), all.end()};
}

using Leaders = LeaderFixture;

TEST_F(Leaders, AScenarioRecordReadsTheUnitThenTheRatings) {
    // "Cleon", nation code 2, 6 movement points, leader 1, hex 1505, facing 2; then 2, 4, 3, 1
    const std::initializer_list<std::uint8_t> unitPart = {5, 'C', 'l', 'e', 'o',  'n',  2,
                                                          6, 0,   1,   0,   0xE1, 0x05, 2};
    SuperString whole = bytesOf(unitPart);
    for (std::uint8_t b : {2, 0, 4, 0, 3, 0, 1, 0})
        whole.write(&b, 1);
    LeaderUnitData record;
    EXPECT_TRUE(record.Load(whole));
    EXPECT_EQ(values(record.name, record.nation, record.movementAllowance, record.hex, record.facing,
                     record.shockPrecedence, record.commandRange, record.initiative, record.duelRating),
              "Cleon 1 6 1505 2 2 4 3 1");

    FailedChecks checks;
    SuperString cut = bytesOf(unitPart);
    for (std::uint8_t b : {9, 0, 9})
        cut.write(&b, 1);
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
    auto& l = leader(1, 505, {}, "Cleon");
    Container<std::string> his("Cleon"), other("Cleo");
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
    EXPECT_EQ(flow.heard, (std::vector<std::string>{"SetItemText|1 1 Cleon", "SetItemText|1 2 I: 5  Com: 3/5",
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
                                                    "AddBogusLeader|Cleon 1 3 2 1 0"}));
    ASSERT_EQ(flow.bogusLeaders.size(), 1u);
    EXPECT_EQ(values(flow.bogusLeaders[0]->getUnitNum(), flow.bogusLeaders[0]->getBaseInitiative(),
                     map->unitsInHex(505).count()),
              "1 2 1");
    EXPECT_EQ(values(l.getName(), l.getCommandRange(), l.getInitiative(), l.getShockPrecedence(),
                     l.getDuelRating(), l.isWounded(), l.isEliminated(), l.getBaseInitiative(),
                     l.pointValue(), l.ordersLeft()),
              "Cleon(R) 4 2 2 1 0 1 3 10 0");

    flow.heard.clear();
    flow.sendNamed("EliminateUnit", &number);
    EXPECT_EQ(flow.only("UnitEliminated"), (std::vector<std::string>{"UnitEliminated|1 15 -1 1"}));
    EXPECT_EQ(values(l.getName(), flow.bogusLeaders.size(), flow.bogusLeaders[1]->getName()),
              "Cleon(R) 2 Cleon(R)");
}

TEST_F(Leaders, TheCommandersFallUnreplacedForTwiceTheirBaseInitiative) {
    auto& v = leader<Vaelmoric>(1, 505, {4}, "Vaelmoric the Bold");
    auto& t = leader<Tezhar>(2, 707, {3}, "Whatever the scenario says", visitor);
    EXPECT_EQ(values(v.getName(), v.pointValue(), t.getName(), t.pointValue()),
              "Vaelmoric the Bold 40 Tezhar III 15");
    v.wound(2);
    v.eliminate();
    t.eliminate();
    EXPECT_EQ(flow.names(), "LOGICAL_COMMAND, UnitEliminated, UnitEliminated");
    EXPECT_EQ(flow.only("UnitEliminated"),
              (std::vector<std::string>{"UnitEliminated|1 40 -1 1", "UnitEliminated|2 30 -1 2"}));
    EXPECT_EQ(
        values(v.getName(), v.getInitiative(), v.isEliminated(), t.isEliminated(), flow.bogusLeaders.size()),
        "Vaelmoric the Bold 2 1 1 0");
}

TEST_F(Leaders, FactoriesMakeTheirOwnClassFromALeaderRecordOnly) {
    auto& l = leader(1, 505);
    const LeaderUnitData record = leaderRecord(9, 303, map.get(), visitor, "Hanno", {2, 3, 4, 5});
    const auto made = [&](VaelUnit* unit) { return std::unique_ptr<Leader>(dynamic_cast<Leader*>(unit)); };
    const auto plain = made(l.create(record, "Hanno"));
    const auto tezhar = made(Tezhar(record, "x").create(record, "Hanno"));
    const auto vaelmoric = made(Vaelmoric(record, "x").create(record, "Hanno"));
    ASSERT_TRUE(plain && tezhar && vaelmoric);
    EXPECT_EQ(values(plain->getName(), plain->getUnitNum(), plain->getCommandRange(), tezhar->getName(),
                     vaelmoric->pointValue(), dynamic_cast<Vaelmoric*>(vaelmoric.get()) != nullptr),
              "Hanno 9 3 Tezhar III 20 1");
    const VaelUnitData notALeader = UnitSetup(4, 404, map.get());
    EXPECT_EQ(std::unique_ptr<VaelUnit>(l.create(notALeader, "Unit 4")), nullptr);
}

// The unit's own part of a saved leader at 505 facing north-east with 6 movement points.
constexpr std::initializer_list<std::uint8_t> unitPartAt505 = {6, 0,    0,    0,    0,    0, 0, 0, 0, 0, 0,
                                                               0, 0xF9, 0x01, 0xFF, 0xFF, 2, 0, 0, 0, 0, 0};

SuperString leaderThenUnit(std::initializer_list<std::uint8_t> leaderPart) {
    SuperString s = bytesOf(leaderPart);
    SuperString unitPart = bytesOf(unitPartAt505);
    const std::string bytes = unitPart.str();
    s.write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    return s;
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
    EXPECT_EQ(bytesIn(again), bytesIn(saved));

    auto& fresh = leader(2, 505, {5, 6, 7, 8});
    SuperString quiet;
    fresh.write(quiet);
    EXPECT_EQ(bytesIn(quiet), bytesIn(leaderThenUnit({0, 0, 0, 0})));
}

TEST_F(Leaders, ADamagedSavedStateChangesNothingOrCannotOverspendOrders) {
    auto& l = leader(1, 505, {3});
    SuperString cut = bytesOf({1, 0, 0, 0, 2, 0});
    EXPECT_FALSE(l.read(cut));
    EXPECT_EQ(values(l.isOrdersPhaseActive(), l.getOrdersUsed(), l.isWounded(), l.getInitiative()),
              "0 0 0 3");

    SuperString overspent =
        leaderThenUnit({1, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0});
    EXPECT_TRUE(l.read(overspent));
    EXPECT_EQ(values(l.getOrdersUsed(), l.ordersLeft(), l.isWounded(), l.getInitiative()), "3 0 0 3");
}

TEST_F(Leaders, AReplacementComesBackFromASavedGameAsTheReplacement) {
    struct Row {
        bool woundedAfter;
        const char* expected; // name, ratings, wounded, out of play, finished after "BeginTurn"
    };
    for (const Row& row : {Row{false, "Cleon(R) 4 2 2 1 0 1 0"}, Row{true, "Cleon(R) 3 1 1 0 1 1 0"}}) {
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

} // namespace
} // namespace vael
