#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "support/rules/leader_fixture.h"

namespace vael {
namespace {

using namespace test;
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
        {"Cleon", false, false, false, 24, 1, distracted},
        {"Cleon", false, false, false, 125, 2, woundedNow},
        {"Cleon", false, false, false, 69, 2, woundedNow},
        {"Cleon", false, false, false, 70, 3, replaced},
        {"Cleon", false, true, false, 24, 1, distracted},
        {"Cleon", false, true, false, 25, 3, replaced},
        {"Vaelmoric", true, false, false, 39, 1, distracted},
        {"Vaelmoric", true, false, false, 40, 2, woundedNow},
        {"Vaelmoric", true, false, false, 84, 2, woundedNow},
        {"Vaelmoric", true, false, false, 85, 3, commanderKilled},
        {"Tezhar", true, false, false, 85, 3, commanderKilled},
        {"Cleon", false, false, true, 0, 2, woundedNow},
        {"Cleon", false, false, true, 49, 2, woundedNow},
        {"Cleon", false, false, true, 50, 3, replaced},
        {"Cleon", false, true, true, 0, 3, replaced},
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
        {{16}, 0, "\\BCleon\\b  was not harmed by missile fire."},
        {{115, 24}, 0, "\\BCleon\\b was \\Bdistracted\\b by missile fire. He will give no orders this turn."},
        {{0, 25}, 0, "\\BCleon\\b was hit and is \\Bwounded\\b!"},
        {{99, 70},
         1,
         "\\BCleon\\b was hit and was \\Bkilled\\b! A soldier from the ranks will replace him in command."},
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
    leader(7, 307, {}, "Hanno", visitor);
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
         "AddCommentary|\\BCleon\\b was \\Bwounded\\b while withdrawaling!"},
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
