#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "support/failed_checks.h"
#include "support/rules/leader_fixture.h"

namespace vael {
namespace {

using namespace test;
using Texts = std::vector<std::string>;

// A (2) at 504 and B (3) at 506 form the group; C (4) at 405 is not of it. A leader at 505 with command
// range 1 reaches [505 504 605 606 506 406 405], in the order of the fill.
class LeaderOrders : public LeaderFixture {
protected:
    LeaderOrders() : group(1, "The Group") {
        a = &unit(2, 504), b = &unit(3, 506), c = &unit(4, 405);
        group.units.append(a), group.units.append(b);
    }

    OpenLeader<Leader>& activeLeader(Ratings r = {3, 1}, std::uint16_t number = 1) {
        auto& l = leader(number, 505, r);
        group.leader = &l;
        l.setGroup(&group);
        l.initLocalLeader();
        return l;
    }
    void activate(std::uint16_t number = 1) {
        Container<unsigned short> box(number);
        flow.sendNamed("ActivateLeader", &box);
    }
    // Each unit's order ends in turn; the orders used after each.
    std::string ordersAfter(Leader& l, const std::vector<unsigned short>& units) {
        return answers(units, [&](unsigned short n) {
            Container<unsigned short> box(n);
            flow.sendNamed("UnitMovementDone", &box);
            return l.getOrdersUsed();
        });
    }
    // The leader activated, his orders phase begun; a table numbers a new one for each row.
    OpenLeader<Leader>& started(Ratings r = {3, 1}, std::uint16_t number = 1) {
        auto& l = activeLeader(r, number);
        activate(number);
        flow.sendNamedEmpty("InitLeader");
        return l;
    }
    void finishLeader() {
        flow.sendNamedEmpty("EndOrdersPhase");
        flow.sendNamedEmpty("FinishLeader");
    }
    // The group stands ready when each member may be ordered, faces north-east and is unused.
    void ready(TestCombat& member) { member.LegalUnits(home, listOf<short>({504, 506})); }

    Group group;
    std::uint16_t rowLeader = 10;
    TestCombat *a = nullptr, *b = nullptr, *c = nullptr;
};

TEST_F(LeaderOrders, ActivationSpreadsTheCommandThenTellsTheGame) {
    auto& l = activeLeader();
    l.ordersUsed_ = 2; // spent in an earlier activation
    activate(2);       // another unit's number
    EXPECT_EQ(flow.heard, Texts{});
    activate();
    EXPECT_EQ(flow.heard,
              (Texts{"LegalUnits|1 [505 504 605 606 506 406 405]", "Center On Region|505",
                     "SetItemText|1 1 Kavel", "SetItemText|1 2 I: 3  Com: 3/3", "LeaderActivated|Kavel"}));
    EXPECT_EQ(values(l.getOrdersUsed(), l.getLastOrderedUnit(), l.inCommandRange(405), l.inCommandRange(503)),
              "0 32767 1 0");
}

TEST_F(LeaderOrders, ALeaderWithoutInitiativeEndsHisMovementSegmentAtOnce) {
    activeLeader({0, 1});
    activate();
    EXPECT_EQ(flow.names(), "LegalUnits, Center On Region, SetItemText, SetItemText, LeaderActivated, "
                            "EndMovementSegment");
    EXPECT_EQ(flow.heard[3], "SetItemText|1 2 I: 0  Com: 0/0");
}

TEST_F(LeaderOrders, ARemoteLeaderOnlyShowsHimself) {
    auto& l = leader(1, 505, {4});
    l.initRemoteLeader();
    l.ordersUsed_ = 3;
    activate();
    EXPECT_EQ(flow.heard,
              (Texts{"Center On Region|505", "SetItemText|1 1 Kavel", "SetItemText|1 2 I: 4  Com: 4/4"}));
    flow.heard.clear();
    flow.sendNamedEmpty("FinishLeader");
    flow.sendNamedEmpty("LeaderCenterOnLeader");
    EXPECT_EQ(flow.heard, Texts{});
}

TEST_F(LeaderOrders, OrdersCostOneInTheGroupTwoOutsideNothingAgainAndStopAtInitiative) {
    struct Row {
        std::uint16_t initiative;
        std::initializer_list<unsigned short> units; // 0: the leader himself
        const char* used;
        std::size_t noMoreOrders;
    };
    const Row rows[] = {
        {3, {2, 2, 4}, "1 1 3", 1}, // A, A, then C
        {3, {2, 3, 2}, "1 2 3", 1}, {3, {4, 2}, "2 3", 1},      {4, {2, 4, 3}, "1 3 4", 1},
        {4, {0, 4}, "1 3", 0},      {2, {3, 4, 2}, "1 2 2", 2}, // used up, a report still comes in
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.initiative, row.used));
        auto& l = started({row.initiative, 1}, ++rowLeader);
        flow.heard.clear();
        std::vector<unsigned short> units(row.units);
        std::replace(units.begin(), units.end(), static_cast<unsigned short>(0), rowLeader);
        EXPECT_EQ(ordersAfter(l, units), row.used);
        EXPECT_EQ(flow.only("NoMoreOrders"), Texts(row.noMoreOrders, "NoMoreOrders|1"));
        EXPECT_EQ(flow.only("DISABLE_MENU_ITEM"), Texts(units.size(), "DISABLE_MENU_ITEM|212"));
        finishLeader();
    }
}

TEST_F(LeaderOrders, AGroupMoveUsesTheWholeActivationAndALeaderWithoutGroupCommandsOnlyHimself) {
    auto& l = started({4, 1});
    l.groupMoveGranted_ = 1;
    EXPECT_EQ(ordersAfter(l, {2}), "4");

    auto& alone = leader(5, 707, {4, 1});
    alone.initLocalLeader();
    activate(5);
    flow.sendNamedEmpty("InitLeader");
    EXPECT_EQ(ordersAfter(alone, {5, 2}), "1 3");
}

TEST_F(LeaderOrders, ABoltThrowersVolleyIsFreeAndAnyOtherVolleyCosts) {
    auto& l = activeLeader();
    unit(6, 605, home, 15);
    activate();
    flow.sendNamedEmpty("InitLeader");
    Container<short> bolt(6);
    flow.sendNamed("MissileVolley", &bolt);
    // What the missile units themselves send.
    Container<unsigned short> archers(2);
    flow.sendNamed("MissileVolley", &archers);
    EXPECT_EQ(values(l.getOrdersUsed(), l.getLastOrderedUnit()), "1 2");
    EXPECT_EQ(flow.only("GetUnitByNum"), (Texts{"GetUnitByNum|6", "GetUnitByNum|2"}));
}

TEST_F(LeaderOrders, TheOrdersPhaseOffersTheGroupMoveOnlyToAGroupReadyAsOneBody) {
    struct Row {
        const char* why;
        std::function<void()> spoil;
        const char* menu;
    };
    const Row rows[] = {
        {"ready", [] {}, "ENABLE_MENU_ITEM|212"},
        {"B may not be ordered", [&] { b->LegalUnits(home, listOf<short>({504})); }, "DISABLE_MENU_ITEM|212"},
        {"B used", [&] { b->setUsedThisTurn(1); }, "DISABLE_MENU_ITEM|212"},
        {"B faces elsewhere", [&] { b->setFacing(East); }, "DISABLE_MENU_ITEM|212"},
        {"A faces elsewhere too", [&] { a->setFacing(East), b->setFacing(East); }, "ENABLE_MENU_ITEM|212"},
        {"no members", [&] { group.units.clear(); }, "DISABLE_MENU_ITEM|212"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        auto& l = activeLeader({3, 1}, ++rowLeader);
        group.units.clear(), group.units.append(a), group.units.append(b);
        ready(*a), ready(*b);
        a->setUsedThisTurn(0), b->setUsedThisTurn(0), a->setFacing(NorthEast), b->setFacing(NorthEast);
        row.spoil();
        activate(rowLeader);
        flow.heard.clear();
        flow.sendNamedEmpty("InitLeader");
        EXPECT_EQ(flow.heard,
                  (Texts{"UnblockLeaderMenu|0", row.menu,
                         "HALF_HIGHLIGHT_REGION|[505 504 605 606 506 406 405]", "INVALIDATE_VIEW|0"}));
        EXPECT_EQ(values(l.isOrdersPhaseActive(), l.getGroup() == &group), "1 1");
        finishLeader();
    }
}

TEST_F(LeaderOrders, TheEndOfTheOrdersPhaseSaysWhetherMomentumMayBeTried) {
    struct Row {
        std::uint16_t tried, used;
        std::int16_t hex;
        int momentum;
    };
    const Row rows[] = {{0, 1, 505, 1}, {1, 1, 505, 0}, {0, 0, 505, 0}, {0, 3, -1, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.tried, row.used, row.hex));
        auto& l = started({3, 1}, ++rowLeader);
        l.groupMoveTried_ = row.tried;
        l.ordersUsed_ = row.used;
        l.setHex(static_cast<std::uint16_t>(row.hex));
        flow.heard.clear();
        flow.sendNamedEmpty("EndOrdersPhase");
        EXPECT_EQ(flow.heard,
                  (Texts{"EndOrdersPhase|0", "NoMoreOrders|1",
                         "CanAttemptMomentum|" + std::to_string(row.momentum), "PerformShock|0"}));
        // The orders handlers are gone: a late report costs nothing.
        EXPECT_EQ(l.isOrdersPhaseActive(), 0);
        EXPECT_EQ(ordersAfter(l, {4}), std::to_string(row.used));
        l.setHex(505);
        flow.sendNamedEmpty("FinishLeader");
    }
}

TEST_F(LeaderOrders, ThePlayersFinishCommandEndsTheOrdersPhase) {
    started();
    flow.heard.clear();
    Container<short> none(0);
    flow.send(BusMessage(224), &none);
    EXPECT_EQ(flow.names(), "UnitDeselected, HALF_DEHIGHLIGHT_REGION, INVALIDATE_VIEW, EndOrdersPhase, "
                            "NoMoreOrders, CanAttemptMomentum, PerformShock");
    EXPECT_EQ(flow.heard[1], "HALF_DEHIGHLIGHT_REGION|[505 504 605 606 506 406 405]");
    flow.heard.clear();
    flow.send(BusMessage(224), &none);
    EXPECT_EQ(flow.heard, Texts{});
}

TEST_F(LeaderOrders, FinishingTheLeaderCountsFailedGroupMovesAndLetsGo) {
    struct Row {
        std::uint16_t tried, granted, failedBefore, failedAfter;
    };
    const Row rows[] = {{0, 0, 2, 0}, {1, 0, 0, 1}, {1, 0, 1, 2}, {1, 0, 2, 2}, {1, 1, 1, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.tried, row.granted, row.failedBefore));
        auto& l = started({3, 1}, ++rowLeader);
        flow.sendNamedEmpty("EndOrdersPhase");
        l.groupMoveTried_ = row.tried, l.groupMoveGranted_ = row.granted,
        l.failedGroupMoves_ = row.failedBefore;
        flow.heard.clear();
        flow.sendNamedEmpty("FinishLeader");
        EXPECT_EQ(flow.heard, (Texts{"DISABLE_MENU_ITEM|220", "DISABLE_MENU_ITEM|221",
                                     "DISABLE_MENU_ITEM|235", "DISABLE_MENU_ITEM|213",
                                     "DISABLE_MENU_ITEM|214", "BlockLeaderMenu|0", "LeaderFinished|0"}));
        EXPECT_EQ(values(l.failedGroupMoves_, l.isGroupMoveGranted()), values(row.failedAfter, 0));
        flow.heard.clear();
        for (const char* name : {"FinishLeader", "InitLeader", "LeaderCenterOnLeader", "RallyUnit"})
            flow.sendNamedEmpty(name);
        EXPECT_EQ(flow.heard, Texts{});
    }
}

TEST_F(LeaderOrders, RallyAndRestorationCarryTheLeadersInitiative) {
    auto& l = started({4, 1});
    flow.heard.clear();
    flow.sendNamedEmpty("RallyUnit");
    flow.sendNamedEmpty("RestoreCohesion");
    Container<unsigned short> b3(3);
    flow.sendNamed("CohesionRestored", &b3);
    EXPECT_EQ(values(flow.heard[0], flow.heard[1], l.getOrdersUsed()), "Rally|4 UnitRestoreCohesion|4 1");
}

TEST_F(LeaderOrders, TheFinishPromptComesWhenAHumansOrdersRunOut) {
    struct Row {
        std::uint16_t show, computer;
        const char* messages;
    };
    const char* prompted = "prompt, DISABLE_MENU_ITEM, SetItemText, SetItemText, NoMoreOrders";
    const char* quiet = "DISABLE_MENU_ITEM, SetItemText, SetItemText, NoMoreOrders";
    const Row rows[] = {{1, 0, prompted}, {0, 0, quiet}, {1, 1, quiet}};
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.show, row.computer));
        auto& l = activeLeader({1, 1}, ++rowLeader);
        if (row.computer) l.setComputerControlled();
        Leader::setShowFinishLeader(row.show);
        activate(rowLeader);
        flow.sendNamedEmpty("InitLeader");
        flow.heard.clear();
        ordersAfter(l, {2});
        EXPECT_EQ(flow.names(), row.messages);
        finishLeader();
    }
}

TEST_F(LeaderOrders, ResumingAfterALoadKeepsTheCountersAndAsksForNoMoreOrders) {
    auto& l = activeLeader({3, 1});
    l.ordersPhaseActive_ = 1;
    l.ordersUsed_ = 3;
    Leader::setShowFinishLeader(1);
    Container<unsigned short> number(1);
    flow.sendNamed("ResumeActiveLeader", &number);
    EXPECT_EQ(flow.names(),
              "NoMoreOrders, prompt, LegalUnits, HALF_HIGHLIGHT_REGION, INVALIDATE_VIEW, SetItemText, "
              "SetItemText, LeaderResumed");
    EXPECT_EQ(values(flow.heard[0], flow.heard.back(), l.getOrdersUsed()),
              "NoMoreOrders|1 LeaderResumed|Kavel 3");
}

// Saved at his activation, before his orders began (as the battle tool and the autosave save), he begins
// them as the activation does, and tells it as a resumption.
TEST_F(LeaderOrders, ResumedBeforeHisOrdersBeganTheLeaderBeginsThemAsHisActivationDid) {
    auto& l = activeLeader({3, 1});
    ASSERT_EQ(l.ordersPhaseActive_, 0);
    Leader::setShowFinishLeader(1);
    Container<unsigned short> number(1);
    flow.sendNamed("ResumeActiveLeader", &number);
    EXPECT_EQ(flow.names(), "LegalUnits, Center On Region, SetItemText, SetItemText, LeaderResumed");
    flow.heard.clear();
    flow.sendNamed("ActivateLeader", &number);
    EXPECT_EQ(flow.names(), "LegalUnits, Center On Region, SetItemText, SetItemText, LeaderActivated");
    EXPECT_EQ(l.getOrdersUsed(), 0);
}

TEST_F(LeaderOrders, TheLeaderTurnsTowardTheWayMostOfHisGroupFaces) {
    struct Row {
        DIRECTION own;
        std::vector<DIRECTION> members;
        const char* turn;
    };
    const Row rows[] = {
        {NorthEast, {SouthEast, SouthEast}, "2 2"},
        {NorthEast, {NorthWest}, "1 1"},
        {NorthEast, {NorthEast, SouthEast}, "0 0"}, // a later direction needs strictly more
        {NorthEast, {}, "0 0"},
        {NorthEast, {South, South}, "1 3"}, // south is no facing: one more step clockwise, then a tie
        {NorthEast, {SouthEast, NorthWest}, "2 2"},
        {West, {North, North}, "2 2"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.own, row.members.size(), row.turn));
        std::uint16_t facings[9] = {};
        for (DIRECTION d : row.members)
            ++facings[d];
        const Leader::FacingTurn turn = Leader::turnTowardGroup(row.own, facings);
        EXPECT_EQ(values(turn.sense, turn.steps), row.turn);
    }
}

TEST_F(LeaderOrders, ALeaderWhoMovedFacesHisGroupAfterEachOrder) {
    auto& l = activeLeader();
    a->setFacing(West), b->setFacing(West);
    activate();
    flow.sendNamedEmpty("InitLeader");
    flow.heard.clear();
    ordersAfter(l, {2});
    EXPECT_EQ(flow.only("ChangeFacing"), Texts{});
    l.movementLeft_ = 5;
    ordersAfter(l, {3});
    // From north-east to west: four facings clockwise, two anticlockwise.
    EXPECT_EQ(flow.only("ChangeFacing"), Texts{"ChangeFacing|1 2 1"});
}

TEST_F(LeaderOrders, TheCommandRangeFollowsALeaderWhoWithdrew) {
    auto& l = started();
    map->removeFromRegion(&l, 505), map->addToRegion(&l, 506), l.setHex(506);
    flow.heard.clear();
    Container<EndOWStruct> nothing(EndOWStruct{0, nullptr});
    flow.sendNamed("EndOWSegment", &nothing);
    Container<EndOWStruct> withdrew(EndOWStruct{1, nullptr});
    flow.sendNamed("EndOWSegment", &withdrew);
    EXPECT_EQ(flow.heard,
              (Texts{"HALF_DEHIGHLIGHT_REGION|[504 605 405]", "HALF_HIGHLIGHT_REGION|[607 507 407]"}));
    flow.sendNamedEmpty("EndOrdersPhase");
    flow.heard.clear();
    flow.sendNamed("EndOWSegment", &withdrew);
    EXPECT_EQ(flow.heard, Texts{});
}

TEST_F(LeaderOrders, ASelectedLeaderWhoMovesTakesHisCommandAlong) {
    auto& l = started();
    l.selected_ = 1;
    flow.heard.clear();
    Container<short> number(1);
    l.movementFinished(listOf<short>({505, 506}), BusMessage(RegisteredMessage::getId("Moved")), &number, 1);
    const Texts heard = flow.heard;
    EXPECT_EQ(heard.front(), "HALF_DEHIGHLIGHT_REGION|[505 504 605 606 506 406 405]");
    EXPECT_EQ(std::vector<std::string>(heard.end() - 2, heard.end()),
              (Texts{"HALF_HIGHLIGHT_REGION|[506 505 606 607 507 407 406]",
                     "LegalUnits|1 [506 505 606 607 507 407 406]"}));
    EXPECT_EQ(values(l.getHex(), l.getOrdersUsed()), "506 1");
}

TEST_F(LeaderOrders, TheComputersLeaderChargesOrdersWithoutTheHumansOrdersPhase) {
    auto& l = activeLeader();
    l.setComputerControlled();
    activate();
    flow.heard.clear();
    l.registerOrderMessages();
    EXPECT_EQ(flow.heard, Texts{"INVALIDATE_VIEW|0"});
    EXPECT_EQ(ordersAfter(l, {2, 4}), "1 3");
    EXPECT_EQ(l.isOrdersPhaseActive(), 0);
}

TEST_F(LeaderOrders, ThreeRefilledShootersCostAnOrderTwoDoNot) {
    struct Row {
        int empty;               // shooters of the group with no missiles left, all orderable
        bool oneRouts;           // the first of them is routing
        bool oneFar;             // the last of them may not be ordered
        const char* replenished; // their places among the shooters
        std::uint16_t used;
    };
    const Row rows[] = {
        {3, false, false, "0 1 2", 1}, {2, false, false, "0 1", 0}, {4, true, false, "1 2 3", 1},
        {3, true, false, "1 2", 0},    {3, false, true, "0 1", 0},
    };
    std::uint16_t number = 10;
    for (const Row& row : rows) {
        SCOPED_TRACE(values(row.empty, row.oneRouts, row.oneFar));
        auto& l = activeLeader({3, 1}, number);
        group.units.clear();
        std::vector<RefillingShooter*> shooters;
        for (int i = 0; i <= row.empty; ++i) { // the last keeps its missiles
            shooters.push_back(&archer(static_cast<std::uint16_t>(number + 1 + i), 504));
            shooters.back()->missilesLeft_ = i < row.empty ? 0 : 5;
            shooters.back()->LegalUnits(home, listOf<short>({504}));
            group.units.append(shooters.back());
        }
        if (row.oneRouts) shooters.front()->setRouting(1);
        if (row.oneFar) shooters[static_cast<std::size_t>(row.empty - 1)]->LegalUnits(home, List<short>());
        activate(number);
        flow.heard.clear();
        flow.sendNamedEmpty("InitLeader");
        std::string replenished;
        for (const std::string& line : flow.only("UnitReplenished"))
            replenished += (replenished.empty() ? "" : " ") +
                           std::to_string(std::stoi(line.substr(line.find('|') + 1)) - number - 1);
        EXPECT_EQ(replenished, row.replenished);
        EXPECT_EQ(values(l.getOrdersUsed(), shooters.back()->refills), values(row.used, 0));
        finishLeader();
        number = static_cast<std::uint16_t>(number + 10);
    }
}

TEST_F(LeaderOrders, AWrongPayloadIsReportedAndDoesNothing) {
    auto& l = activeLeader();
    FailedChecks checks;
    Container<short> wrongKind(1);
    flow.sendNamed("ActivateLeader", &wrongKind);
    EXPECT_EQ(values(checks.count(), flow.heard.size()), "1 0");
    EXPECT_EQ(checks.texts.front().find("Bad data passed in bus message to function") != std::string::npos,
              true);
    activate();
    flow.sendNamedEmpty("InitLeader");
    Container<std::string> notANumber("A");
    flow.sendNamed("UnitMovementDone", &notANumber);
    EXPECT_EQ(values(checks.count(), l.getOrdersUsed()), "2 0");
}

TEST_F(LeaderOrders, TheLeadersOwnMoveReportUnblocksTheMenuOthersAreNotHis) {
    auto& l = activeLeader();
    activate();
    flow.sendNamedEmpty("LeaderCenterOnLeader");
    EXPECT_EQ(flow.heard.back(), "Center On Region|505");
    flow.heard.clear();
    EXPECT_EQ(l.MovementDone(2, 2), 0);
    EXPECT_EQ(flow.heard, Texts{});
    l.MovementDone(2, 1);
    ASSERT_FALSE(flow.heard.empty());
    EXPECT_EQ(flow.heard.front(), "UnblockLeaderMenu|0");
}

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
        const std::string expected = outcome == "full"  ? "\\BKavel\\b can do a full group move."
                                     : outcome == "one" ? "\\BKavel\\b can do a one hex group move."
                                                        : "\\BKavel\\b failed to make a group move.";
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
                    "AddCommentary|\\BKavel\\b cannot attempt group move: unit is within 2 hexes of enemy."});
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

// A hex the leader cannot reach is refused in words on the status bar, as a unit's move is, whether he moves
// alone or with his group; he stays selected and nobody moves. A click on a unit of his own side is that
// unit's to answer. A group move refuses a hex beyond the grant's reach by that reach (one hex, or the
// group's movement of 3 on a full grant), and one within it by the places of his units. Hexes from 505: 606
// beside him, 706 two away (505-606-706), 805 three (505-605-705-805), 905 four, 909 six. Before, a hex two
// away on a one hex grant was refused as a hex where his units could not keep their places.
TEST_F(LeaderMovement, AHexOutOfReachIsRefusedInWords) {
    unit(4, 808);
    unit(9, 909, visitor);
    const std::string places = "Kavel cannot take his group to that hex: every unit of it must be able to "
                               "keep its place there.";
    const std::string oneHex = "Kavel cannot take his group that far: he was granted a one hex group move.";
    const std::string threeHexes =
        "Kavel cannot take his group that far: his group move goes 3 hexes at most.";
    const struct {
        const char* what;
        bool granted, full;
        std::int16_t hex;
        std::string said;
    } rows[] = {{"one hex grant, a hex beside him", true, false, 606, places},
                {"one hex grant, an empty hex two away", true, false, 706, oneHex},
                {"one hex grant, an empty hex three away", true, false, 707, oneHex},
                {"one hex grant, an enemy's hex", true, false, 909, oneHex},
                {"one hex grant, a friend's hex", true, false, 808, ""},
                {"full grant, a hex beside him", true, true, 606, places},
                {"full grant, an empty hex three away", true, true, 805, places},
                {"full grant, an empty hex four away", true, true, 905, threeHexes},
                {"full grant, an enemy's hex", true, true, 909, threeHexes},
                {"alone, an empty hex", false, false, 707, "Kavel cannot reach that hex."},
                {"alone, a friend's hex", false, false, 808, ""}};
    auto& l = general(3);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        l.groupMoveGranted_ = row.granted;
        l.fullGroupMove_ = row.full;
        l.setMovement(3);
        l.selected_ = 1;
        l.validMoves_ = l.GetValidMovement(NoDirection, 1);
        ASSERT_FALSE(l.validMoves_.contains(row.hex));
        app.statusTexts.clear();
        l.MoveUnit(row.hex);
        const auto expected = row.said.empty() ? std::vector<std::pair<std::int16_t, std::string>>{}
                                               : std::vector<std::pair<std::int16_t, std::string>>{{2, row.said}};
        EXPECT_EQ(app.statusTexts, expected);
        EXPECT_EQ(values(l.getHex(), a->getHex(), b->getHex(), l.isSelected()), "505 504 506 1");
    }
    // Let go, he takes his word off the bar.
    app.statusTexts.clear();
    l.unregisterSelectedMessages();
    EXPECT_EQ(app.statusTexts, (std::vector<std::pair<std::int16_t, std::string>>{{2, ""}}));
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
