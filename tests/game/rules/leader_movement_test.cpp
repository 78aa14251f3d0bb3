#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/rules/leader_fixture.h"

namespace vael {
namespace {

using namespace test;
using Texts = std::vector<std::string>;

// A leader at 505 with his group, A (2) at 504 and B (3) at 506, all facing north-east. Neighbours by
// region direction 1, 2, 4, 5, 6, 8: of 505 504 605 606 506 406 405; of 604 603 703 704 605 505 504.
class LeaderMovement : public LeaderFixture {
protected:
    LeaderMovement() : group(1, "The Group") {
        a = &unit(2, 504), b = &unit(3, 506);
        group.units.append(a), group.units.append(b);
    }
    OpenLeader<Leader>& general(std::uint16_t initiative = 3) {
        auto& l = leader(1, 505, {initiative, 4});
        group.leader = &l;
        l.setGroup(&group);
        l.groupFacing_ = NorthEast;
        return l;
    }
    Texts commentary() const { return flow.only("AddCommentary"); }
    // A fresh map with the group alone on it, for the next row of a table.
    void reset() {
        owned.clear();
        flow.units.clear();
        map = makeLandscape(10, 10);
        map->attach(layer);
        a = &unit(2, 504), b = &unit(3, 506);
        group.units.clear(), group.units.append(a), group.units.append(b);
    }

    Group group;
    TestCombat *a = nullptr, *b = nullptr;
};

TEST_F(LeaderMovement, TheChancesOfAGroupMoveByInitiativeAndEarlierFailures) {
    struct Row {
        std::uint16_t initiative, failedBefore;
        int roll;
        const char* outcome; // "full", "one" or "failed"
    } rows[] = {
        {2, 0, 29, "full"},   {2, 0, 30, "one"},  {2, 0, 49, "one"}, {2, 0, 50, "failed"},
        {5, 0, 89, "full"},   {5, 0, 90, "one"},  {5, 0, 99, "one"}, {6, 0, 99, "full"},
        {1, 0, 9, "full"},    {1, 0, 10, "one"},  {1, 0, 29, "one"}, {1, 0, 30, "failed"},
        {2, 1, 59, "full"},   {2, 1, 60, "one"},  {2, 1, 79, "one"}, {2, 1, 80, "failed"},
        {2, 1, 10, "full"},   {2, 2, 99, "full"}, {0, 2, 99, "one"}, {0, 0, 9, "one"},
        {0, 0, 10, "failed"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.initiative, row.failedBefore, row.roll));
        reset();
        auto& l = general(row.initiative);
        l.failedGroupMoves_ = row.failedBefore;
        flow.heard.clear();
        ScriptedRolls rolls{row.roll};
        l.attemptGroupMove();
        const std::string outcome = row.outcome;
        const std::string expected = outcome == "full"  ? "\\BCleon\\b can do a  full group move."
                                     : outcome == "one" ? "\\BCleon\\b can do a  one hex group move."
                                                        : "\\BCleon\\b failed to make a group move.";
        EXPECT_EQ(commentary(), Texts{"AddCommentary|" + expected});
        EXPECT_EQ(values(l.groupMoveTried_, l.groupMoveGranted_, l.fullGroupMove_),
                  outcome == "failed" ? "1 0 0"
                  : outcome == "full" ? "1 1 1"
                                      : "1 1 0");
        EXPECT_EQ(flow.only("EndOrdersPhase").size(), outcome == "failed" ? 1u : 0u);
        EXPECT_EQ(flow.only("DISABLE_MENU_ITEM").size(), outcome == "failed" ? 0u : 1u);
    }
}

TEST_F(LeaderMovement, AMemberTwoStepsFromAnEnemyForbidsTheAttemptAtNoCost) {
    struct Row {
        std::int16_t enemy;
        bool attempted;
    } rows[] = {{501, true}, {502, false}, {503, false}, {808, true}, {706, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.enemy);
        reset();
        unit(9, row.enemy, visitor);
        auto& l = general(4);
        flow.heard.clear();
        ScriptedRolls rolls{0};
        l.attemptGroupMove();
        EXPECT_EQ(values(l.groupMoveTried_, rolls.left()), row.attempted ? "1 0" : "0 1");
        if (!row.attempted) {
            EXPECT_EQ(
                commentary(),
                Texts{
                    "AddCommentary|\\BCleon\\b cannot attempt group move: unit is within 2 hexes of enemy."});
            EXPECT_EQ(flow.only("DISABLE_MENU_ITEM"), Texts{"DISABLE_MENU_ITEM|212"});
        }
    }
}

TEST_F(LeaderMovement, AGrantedMoveGivesTheSlowestMembersAllowanceOrOneHex) {
    a->setMovement(4);
    b->setMovement(5);
    auto& l = general();
    struct Row {
        std::uint16_t granted, full, leaderMovement, spent;
        int left;
    } rows[] = {{1, 1, 6, 0, 4}, {1, 1, 3, 0, 3}, {1, 0, 6, 0, 1}, {0, 1, 6, 0, 6}, {1, 1, 6, 2, 4}};
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.granted, row.full, row.leaderMovement, row.spent));
        l.setMovement(row.leaderMovement);
        l.movementLeft_ = static_cast<std::uint16_t>(row.leaderMovement - row.spent);
        l.groupMoveGranted_ = row.granted, l.fullGroupMove_ = row.full;
        l.registerSelectedMessages();
        EXPECT_EQ(l.getMovementLeft(), row.spent ? row.leaderMovement - row.spent : row.left);
        l.unregisterSelectedMessages();
    }
}

TEST_F(LeaderMovement, AloneTheLeaderGoesToFreeHexesNeverBesideAnEnemy) {
    unit(4, 405);
    unit(9, 706, visitor); // 606 lies beside it
    auto& l = general();
    EXPECT_EQ(text(l.GetValidMovement(NoDirection, 1)), "[605 406 505]");
}

TEST_F(LeaderMovement, AGroupGoesOnlyWhereEveryShiftedHexIsFreeOfOtherUnits) {
    auto& l = general();
    l.groupMoveGranted_ = 1;
    EXPECT_EQ(text(l.GetValidMovement(NoDirection, 1)), "[505 504 605]");
    unit(4, 604); // A's place after a step north-east
    EXPECT_EQ(text(l.GetValidMovement(NoDirection, 1)), "[505 504]");
    // Two steps: the formation passes through the north-east place to offer the one beyond it (704, with
    // A on 703 and B on 705), while 604 itself, north-east of the north step, stays barred.
    EXPECT_EQ(text(l.GetValidMovement(NoDirection, 2)), "[505 504 503 704]");
}

TEST_F(LeaderMovement, AFullGroupMoveKeepsTwoHexesFromTheEnemyAheadAndToTheSides) {
    // The step 505 -> 504 north: watched are 502 (two ahead), 403 and 603 (beside the hex ahead) and
    // 303 and 703 (two to each side of 504).
    struct Row {
        std::int16_t unitAt;
        std::uint32_t nation;
        std::int16_t cost;
    } rows[] = {{502, visitor, -1}, {403, visitor, -1}, {603, visitor, -1},
                {303, visitor, -1}, {703, visitor, -1}, {503, visitor, 1},
                {402, visitor, 1},  {502, home, 1},     {-1, home, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.unitAt, row.nation));
        reset();
        auto& l = general();
        if (row.unitAt >= 0) unit(9, row.unitAt, row.nation);
        EXPECT_EQ(Leader::fullGroupMoveCost(505, 504, map.get(), &l), row.cost);
    }
}

TEST_F(LeaderMovement, TheGroupShiftsWithItsLeaderKeepingTheFormation) {
    auto& l = general(3);
    l.groupMoveGranted_ = 1;
    l.validMoves_ = l.GetValidMovement(NoDirection, 1);
    flow.heard.clear();
    l.MoveUnit(605);
    EXPECT_EQ(values(l.getHex(), a->getHex(), b->getHex()), "605 604 606");
    EXPECT_EQ(l.getOrdersUsed(), 3);
    EXPECT_EQ(flow.only("BlockLeaderMenu").size(), 1u);
}

TEST_F(LeaderMovement, ChoosingHisOwnHexSpendsTheActivationWithoutMovingAnyone) {
    auto& l = general(3);
    l.validMoves_ = listOf<short>({505, 605});
    l.MoveUnit(707); // not offered
    EXPECT_EQ(values(l.getOrdersUsed(), l.getHex()), "0 505");
    l.groupMoveGranted_ = 1;
    l.MoveUnit(505);
    EXPECT_EQ(values(l.getOrdersUsed(), l.getMovementLeft(), l.getHex(), a->getHex()), "3 0 505 504");
    EXPECT_EQ(flow.only("UnitDeselected").size(), 1u);
}

TEST_F(LeaderMovement, TheLeadersPathFollowsTheLineOrStopsShortOfUnits) {
    auto& l = general();
    List<short> path;
    BestPathResult best = l.GetBestPath(808, path, 1);
    EXPECT_EQ(values(best.result, best.lastHex), "2 808");
    EXPECT_EQ(text(path).substr(0, 5), "[505 ");
    short last = 0;
    path.last(last);
    EXPECT_EQ(last, 808);
    // A friend on the destination: the path ends before it.
    unit(7, 503);
    best = l.GetBestPath(503, path, 0);
    EXPECT_EQ(text(path), "[505]");
}

} // namespace
} // namespace vael
