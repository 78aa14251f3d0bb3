// Casualty pictures chosen by cause with seeded dice, fallen figures merged into the ground with the sound
// lead passed on, the last casualty of a destroyed unit walking off, and a leader's flags raised again.
#include "game/figures/figure_fixture.h"
#include "game/figures/figure_state_peer.h"
#include "game/figures/test_unit.h"

namespace vael::test {
namespace {

class CasualtyTest : public FigureScene {
protected:
    TestUnit* unit(int formation, std::int32_t kind = 0, const char* art = "Unit") {
        return static_cast<TestUnit*>(
            attach(std::make_unique<TestUnit>(art, 1204, 1, kind, TestUnit::Script{}, formation)));
    }
    static LogicalCommandInfo command(const char* event) {
        return LogicalCommandInfo(0, nullptr, 0,
                                  BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(event))));
    }
};

TEST_F(CasualtyTest, ACausesPicturesAndTheGeneralOnesShareTheDrawByTheirCounts) {
    struct Row {
        std::int32_t cause;
        int roll;
        FrameInfo expected;
    };
    const std::vector<Row> rows = {
        // Shock: 2 of its own and 6 general, so rand() % 8; below 2 is a shock picture.
        {1, 0, FrameInfo("Shock", 0)},
        {1, 9, FrameInfo("Shock", 1)},
        {1, 2, FrameInfo("General", 0)},
        {1, 15, FrameInfo("General", 5)},
        // No "Arrow" or "Trample" pictures: rand() % 6 of the general ones.
        {2, 9, FrameInfo("General", 3)},
        {3, 5, FrameInfo("General", 5)},
        // A general cause counts the general group twice: rand() % 12.
        {4, 5, FrameInfo("General", 5)},
        {4, 7, FrameInfo("General", 1)},
        {-3, 23, FrameInfo("General", 5)},
    };
    auto* u = unit(0);
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "cause " << r.cause << " roll " << r.roll);
        FigureStatePeer::setCasualtyCause(*u, r.cause);
        ScriptedRolls dice{r.roll};
        EXPECT_EQ(VaelPhysicalObject::playCasualty(*u, ""), r.expected);
        EXPECT_EQ(dice.left(), 0u);
    }
}

TEST_F(CasualtyTest, NoCauseNoGeneralGroupOrAnUnknownSuffixGiveNoCasualtyAndDrawNothing) {
    auto* u = unit(0);
    auto* bare = unit(0, 0, "Bare");
    ScriptedRolls none;
    FigureStatePeer::setCasualtyCause(*u, 0);
    EXPECT_EQ(VaelPhysicalObject::playCasualty(*u, "").index, -1);
    FigureStatePeer::setCasualtyCause(*u, 1);
    EXPECT_EQ(VaelPhysicalObject::playCasualty(*u, " Rider").index, -1);
    FigureStatePeer::setCasualtyCause(*bare, 1);
    EXPECT_EQ(VaelPhysicalObject::playCasualty(*bare, "").index, -1);
}

TEST_F(CasualtyTest, HitFiguresGoIntoTheGroundAndTheSoundLeadPassesToTheFirstStandingFigure) {
    auto* u = unit(8);
    VaelSprite* seven = u->figure(7);
    VaelSprite* two = u->figure(2);
    u->markFallen(7);
    u->markFallen(2);
    LogicalCommandInfo hit = command("CohesionHit");
    u->commandFinished(hit);
    EXPECT_EQ(u->sprite(7), nullptr);
    EXPECT_EQ(u->sprite(2), nullptr);
    EXPECT_EQ(u->fallenState(7), 2);
    EXPECT_EQ(u->fallenState(2), 2);
    ASSERT_EQ(layer.land.ground.size(), 2u);
    EXPECT_EQ(layer.land.ground[0].get(), two);
    EXPECT_EQ(layer.land.ground[1].get(), seven);
    EXPECT_EQ(seven->groupKey(), 0u);
    EXPECT_EQ(seven->getState(), 1);
    EXPECT_EQ(u->figure(0)->getFlag(), 1);
    EXPECT_EQ(u->figure(1)->getFlag(), 0);

    // Once merged, a figure is not merged again.
    u->commandFinished(hit);
    EXPECT_EQ(layer.land.ground.size(), 2u);
}

TEST_F(CasualtyTest, TheReversedLayerPassesNoSoundLeadAndAnEliminatedUnitHasNobodyToPassItTo) {
    auto* u = unit(6);
    for (std::int16_t i = 0; i < 6; ++i)
        u->markFallen(i);
    LogicalCommandInfo gone = command("UnitEliminated");
    u->commandFinished(gone);
    EXPECT_EQ(layer.land.ground.size(), 6u);
    for (std::int16_t i = 0; i < 6; ++i)
        EXPECT_EQ(u->sprite(i), nullptr);

    FigureLayerDouble reversed(4);
    auto* other =
        static_cast<TestUnit*>(attach(std::make_unique<TestUnit>("Unit", 1204, 1, 0, TestUnit::Script{}, 6)));
    other->setLayer(&reversed);
    other->markFallen(5);
    LogicalCommandInfo hit = command("CombatAnimate");
    other->commandFinished(hit);
    for (std::int16_t i = 0; i < 5; ++i)
        EXPECT_EQ(other->figure(i)->getFlag(), 0);
    EXPECT_EQ(reversed.land.ground.size(), 1u);
}

TEST_F(CasualtyTest, ADestroyedUnitsLastMoveLeavesItsCasualtyWalkingOffAlongTheExitLine) {
    struct Row {
        std::int16_t exitFlag;
        Lines moves;
    };
    // Steps 1204 -> 1304 (side 6) and 1304 -> 1404 (side 4) with the "Foot" slot 0 record of facing 1: the
    // level step's first point and time, then the home (-5, 3) and the second time, times 1.5 or 0.5.
    const std::vector<Row> rows = {
        {0,
         {"move 1304 (600,1) 9015 d-1 General2", "move 1304 (-5,3) 9030 d-1 General2",
          "move 1404 (400,1) 6015 d-1 General2", "move 1404 (-5,3) 6030 d-1 General2"}},
        {1,
         {"move 1304 (600,1) 3005 d-1 General2", "move 1304 (-5,3) 3010 d-1 General2",
          "move 1404 (400,1) 2005 d-1 General2", "move 1404 (-5,3) 2010 d-1 General2"}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("exit flag " + std::to_string(r.exitFlag));
        layer.land.exitLine = {1204, 1304, 1404};
        layer.land.exitFlag = r.exitFlag;
        layer.land.ground.clear();
        auto* u = unit(1);
        layer.log.clear();
        FigureStatePeer::setCasualtyPercent(*u, 100);
        ScriptedRolls dice{14}; // 14 % 12 = 2: "General" 2
        LogicalCommandInfo moved = command("Moved");
        moved.event = BusMessage(LOGICAL_OBJECT_MOVED);
        u->commandFinished(moved);
        EXPECT_EQ(u->casualtyCause(), 4);
        ASSERT_EQ(layer.land.ground.size(), 1u);
        VaelSprite* dead = layer.land.ground[0].get();
        EXPECT_EQ(layer.log, Lines{"SPRITE_CREATED"});
        Lines expected = {"once -1 d0 General2", "plain 11"};
        expected.insert(expected.end(), r.moves.begin(), r.moves.end());
        expected.push_back("plain 10");
        EXPECT_EQ(eventsOf(*dead), expected);
        EXPECT_EQ(dead->getState(), 1);
        EXPECT_EQ(u->looseSprites().count(), 1);
        EXPECT_EQ(u->turnFacing(), 4);
    }
}

TEST_F(CasualtyTest, NoCasualtyFigureBeforeTheLastMenAreLostOrOnAnotherEvent) {
    auto* u = unit(1);
    layer.log.clear();
    FigureStatePeer::setCasualtyPercent(*u, 99);
    LogicalCommandInfo moved = command("Moved");
    moved.event = BusMessage(LOGICAL_OBJECT_MOVED);
    u->commandFinished(moved);
    FigureStatePeer::setCasualtyPercent(*u, 100);
    LogicalCommandInfo turned = command("Moved");
    turned.event = BusMessage(CHANGE_UNIT_FACING);
    u->commandFinished(turned);
    EXPECT_TRUE(layer.log.empty());
    EXPECT_TRUE(layer.land.ground.empty());
}

TEST_F(CasualtyTest, ALeaderThatMovedOrTurnedWithItsFlagsUpQueuesTheirRaisingAgain) {
    struct Row {
        std::int32_t kind, event;
        std::int16_t raised;
        bool animated;
        bool queued;
    };
    const std::vector<Row> rows = {
        {4, LOGICAL_OBJECT_MOVED, 1, true, true},   {6, CHANGE_UNIT_FACING, 1, true, true},
        {5, LOGICAL_COMMAND, 1, true, false},       {4, LOGICAL_OBJECT_MOVED, 0, true, false},
        {4, LOGICAL_OBJECT_MOVED, 1, false, false}, {7, LOGICAL_OBJECT_MOVED, 1, true, false},
    };
    const bool was = Flag::isAnimated();
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "kind " << r.kind << " event " << r.event << " raised "
                                          << r.raised << " animated " << r.animated);
        Flag::setAnimated(r.animated);
        auto* u = unit(1, r.kind);
        layer.log.clear();
        FigureStatePeer::setFlagRaised(*u, r.raised);
        LogicalCommandInfo c = command("Moved");
        c.event = BusMessage(r.event);
        u->commandFinished(c);
        ASSERT_EQ(u->commands().count(), r.queued ? 1 : 0);
        if (!r.queued) continue;
        LogicalCommandInfo head;
        u->commands().first(head);
        EXPECT_EQ(head.event.id(), RegisteredMessage::getId("RaiseFlags"));
        EXPECT_EQ(head.replyEvent.id(), 0);
        short payload = -1;
        EXPECT_TRUE(Container<short>::fromMessage(head.payload.get(), payload));
        EXPECT_EQ(payload, 0);
        EXPECT_EQ(layer.log, Lines{"ACTIVATED " + std::to_string(u->getId())});
    }
    Flag::setAnimated(was);
}

} // namespace
} // namespace vael::test
