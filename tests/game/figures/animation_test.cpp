// The animation step: commands run from start to finish on the layer's ticks with their reports in order,
// the view that is not shown stays silent, the finishing tick keeps its boxes; turns through their
// in-between directions; the flight directions of beaten figures.
#include <tuple>

#include "game/figures/figure_fixture.h"
#include "game/figures/sprite_calls.h"
#include "game/figures/test_unit.h"

namespace vael::test {
namespace {

class AnimationTest : public FigureScene {
protected:
    // A unit that turns on "Turn" and starts nothing on anything else.
    TestUnit* turner(std::int32_t facing = 1, int formation = 0, std::int32_t kind = 0) {
        const auto turn = static_cast<std::int32_t>(RegisteredMessage::getId("Turn"));
        return static_cast<TestUnit*>(attach(std::make_unique<TestUnit>(
            "Unit", 1204, facing, kind,
            [turn](TestUnit& self, LogicalCommandInfo& c) {
                if (c.event.id() == turn) self.changeFacing(c, 1);
            },
            formation)));
    }
    void queue(VaelPhysicalObject& unit, const char* event, DIRECTION payload, std::uint16_t command,
               const char* reply) {
        LogicalCommandInfo c(command, new Container<DIRECTION>(payload), 0,
                             BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(event))),
                             BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(reply))),
                             new Container<short>(7));
        Container<LogicalCommandInfo> box(c);
        // The layer hands a command to its object alone.
        unit.sendTo(static_cast<std::uint16_t>(unit.getId()), LOGICAL_COMMAND, &box);
    }
    // Ticks every 100 ms from 1000 until the object reports itself idle (at most 40 ticks); answers how
    // many ticks returned no boxes.
    int runToIdle(VaelPhysicalObject& unit) {
        int empty = 0;
        for (int tick = 0; tick < 40; ++tick) {
            std::unique_ptr<ZoomBoxes> boxes(unit.updateLevels(1000 + 100 * tick));
            if (!boxes) ++empty;
            if (!layer.log.empty() && layer.log.back().rfind("DEACTIVATED", 0) == 0) break;
        }
        return empty;
    }
};

TEST_F(AnimationTest, TwoQueuedCommandsRunToTheirEndWithTheirReportsInOrderAndTheObjectActivatesOnce) {
    auto* unit = turner();
    layer.listenFor("UnitTurned");
    layer.listenFor("UnitRested");
    layer.log.clear();
    queue(*unit, "Turn", SouthEast, 1, "UnitTurned");
    queue(*unit, "Rest", SouthEast, 0, "UnitRested");
    const std::string id = std::to_string(unit->getId());
    EXPECT_EQ(runToIdle(*unit), 0) << "a tick that finished a command dropped its boxes";
    EXPECT_EQ(layer.log, (Lines{"ACTIVATED " + id, "PhysicalObjectMoving " + id, "UnitTurned 7",
                                // The second starts nothing and so finishes on the tick that offers it;
                                // its command field is 0, so it does not report moving.
                                "UnitRested 7", "PhysicalObjectNotMoving " + id, "DEACTIVATED " + id}));
    EXPECT_EQ(unit->started, 2);
    EXPECT_EQ(unit->finished, 2);
    EXPECT_EQ(unit->commands().count(), 0);
    EXPECT_EQ(unit->facing(), SouthEast);
    EXPECT_EQ(unit->figure(0)->frameInfo(), FrameInfo("Standing", 3));
}

TEST_F(AnimationTest, TheViewThatIsNotShownAnimatesSilentlyAndWithNoMapShownTheNormalViewStillAnswers) {
    struct Row {
        std::int16_t mode, reversed;
        bool reports;
    };
    const std::vector<Row> rows = {{0, 0, true}, {4, 0, false}, {-1, 0, true},
                                   {4, 1, true}, {0, 1, false}, {-1, 1, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "view mode " << r.mode << " reversed " << r.reversed);
        auto* unit = turner();
        unit->setReversedView(r.reversed);
        layer.mode = r.mode;
        layer.listenFor("UnitTurned");
        layer.log.clear();
        queue(*unit, "Turn", South, 1, "UnitTurned");
        runToIdle(*unit);
        const std::string id = std::to_string(unit->getId());
        const Lines expected = r.reports
                                   ? Lines{"ACTIVATED " + id, "PhysicalObjectMoving " + id, "UnitTurned 7",
                                           "PhysicalObjectNotMoving " + id, "DEACTIVATED " + id}
                                   : Lines{"ACTIVATED " + id, "DEACTIVATED " + id};
        EXPECT_EQ(layer.log, expected);
        EXPECT_EQ(unit->commands().count(), 0);
        EXPECT_EQ(unit->facing(), South);
    }
}

TEST_F(AnimationTest, TheTickThatFinishesACommandReturnsTheBoxesOfItsLastStep) {
    auto* unit = turner();
    // A fallen figure still sliding away while the command ends: its boxes must reach the screen.
    anchors.setAnchors(1204, Point(300, 200), Point(150, 100), Point(75, 50));
    VaelSprite loose(1204, Point3D(), FrameInfo("Standing", 0), 0, unit, DrawPlain, nullptr, nullptr, nullptr,
                     0);
    loose.addNamedEvent(1204, Point4D(40, 0, 0, 100000), sprite_calls::oneFrame("Standing", 0), -1,
                        SpriteMove, 0);
    unit->addLoose(&loose);
    queue(*unit, "Turn", NorthEast, 1, "UnitTurned");
    std::unique_ptr<ZoomBoxes> boxes;
    int tick = 0;
    while (unit->commands().count() > 0 && tick < 40)
        boxes.reset(unit->updateLevels(1000 + 100 * tick++));
    ASSERT_NE(boxes, nullptr);
    for (int level = 0; level < 3; ++level)
        EXPECT_EQ(boxes->level(level).count(), 1) << "level " << level;
    // The loose figure's one-pixel picture near (300, 200) at full size, (150, 100) at half size.
    Box full, half;
    boxes->level(0).first(full);
    boxes->level(1).first(half);
    EXPECT_EQ(full.y, 200);
    EXPECT_EQ(half.y, 100);
    EXPECT_GE(full.w, 1);
}

TEST_F(AnimationTest, ATurnQueuesItsFramesOfTheInBetweenDirectionForEveryStandingFigure) {
    struct Row {
        std::int32_t from, to, between, duration;
    };
    // 20000 / 83 = 240; 50000 / 130 = 384.
    const std::vector<Row> rows = {
        {1, 2, 2, 240}, {1, 8, 8, 240}, {1, 5, 8, 240}, {2, 4, 3, 384}, {2, 1, 1, 240}, {2, 6, 1, 240},
        {4, 2, 3, 384}, {4, 5, 5, 240}, {5, 6, 6, 240}, {5, 4, 4, 240}, {6, 8, 7, 384}, {6, 5, 5, 240},
        {8, 6, 7, 384}, {8, 1, 1, 240}, {8, 2, 1, 240}, {3, 1, 3, 384}, {7, 5, 7, 384},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.from << " -> " << r.to);
        auto* unit = turner(r.from, 1);
        LogicalCommandInfo c(1, new Container<DIRECTION>(static_cast<DIRECTION>(r.to)));
        unit->changeFacing(c, 1);
        EXPECT_EQ(unit->turnFacing(), r.between);
        const std::string g = VaelPhysicalObject::DirectionGroups[r.between];
        const int images = r.between == 3 || r.between == 7 ? 3 : 2;
        std::string frames;
        for (int k = 0; k < images; ++k)
            frames += " " + g + std::to_string(k);
        EXPECT_EQ(eventsOf(*unit->figure(0)),
                  (Lines{"plain 5", "plain 5", "sound 10 0",
                         "move 1204 (0,11) " + std::to_string(r.duration) + " d-1" + frames, "sound 11 0",
                         "once 1204 d-1 Standing" + std::to_string(r.to - 1)}));
        EXPECT_EQ(unit->facing(), r.to);
        EXPECT_EQ(unit->flagStale(), 1);
    }
}

TEST_F(AnimationTest, AnEightFigureTurnMovesEachFigureToItsPlaceAndDepthAndFallenFiguresStay) {
    auto* unit = turner(1, 8);
    unit->markFallen(2);
    LogicalCommandInfo c(1, new Container<DIRECTION>(SouthEast));
    unit->changeFacing(c, 0); // not animated: duration 0
    // Figure 0 at facing 4: (49, 2), depth 2; figure 7: (-35, 24), depth 7.
    EXPECT_EQ(eventsOf(*unit->figure(0))[3], "move 1204 (49,2) 0 d2 NW0 NW1");
    EXPECT_EQ(eventsOf(*unit->figure(7))[3], "move 1204 (-35,24) 0 d7 NW0 NW1");
    EXPECT_TRUE(eventsOf(*unit->figure(2)).empty());
    // The flag and the seven standing figures.
    EXPECT_EQ(unit->activeSprites().count(), 8);
    EXPECT_EQ(unit->flag()->isHidden(), 0);
}

TEST_F(AnimationTest, ATurnToTheSameFacingOnlyMarksTheFlagStaleAndARecordedRampageKeepsTheTurn) {
    auto* unit = turner(4, 1);
    LogicalCommandInfo same(1, new Container<DIRECTION>(SouthEast));
    unit->changeFacing(same, 1);
    EXPECT_EQ(unit->flagStale(), 1);
    EXPECT_TRUE(eventsOf(*unit->figure(0)).empty());
    EXPECT_EQ(unit->activeSprites().count(), 0);

    unit->saveAPath();
    LogicalCommandInfo other(1, new Container<DIRECTION>(North));
    unit->changeFacing(other, 1);
    EXPECT_EQ(valuesOf(unit->savedFacings()), std::vector<DIRECTION>{North});
    EXPECT_EQ(unit->facing(), SouthEast);
    EXPECT_TRUE(eventsOf(*unit->figure(0)).empty());
}

TEST_F(AnimationTest, ABoltThrowerTurnsOnOneStandingFrameOfTheInBetweenDirectionAtOnce) {
    auto* unit = turner(1, 1, 14);
    LogicalCommandInfo c(1, new Container<DIRECTION>(NorthEast));
    unit->changeFacing(c, 1);
    EXPECT_EQ(eventsOf(*unit->figure(0))[3], "move 1204 (0,11) 0 d-1 Standing1");
}

TEST_F(AnimationTest, FlightDirectionsFollowTheRankTablesWithTiesToTheEarlierAndNoRowGivesNone) {
    struct Row {
        std::int32_t kind;
        int formation;
        std::vector<std::int16_t> allowed; // directions allowed
        std::vector<std::int32_t> expected;
    };
    const std::vector<Row> rows = {
        // Other kinds, figure 0 ranks 1: 3, 2: 4, 7: 1, 8: 2.
        {0, 8, {1, 2, 7, 8}, {7, 1, 1, 2, 7, 8, 2, 2}},
        {0, 8, {1, 2}, {1, 1, 1, 2, 1, 1, 2, 2}},
        // Rank 9 is never taken: the first four figures have nowhere to go.
        {0, 8, {4, 5, 6}, {0, 0, 0, 0, 6, 5, 5, 4}},
        {9, 6, {2, 3, 7, 8}, {8, 2, 2, 7, 3, 3}},
        // Chariots: three rows; the figures after them take no direction.
        {7, 6, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 1, 1, 0, 0, 0}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "kind " << r.kind << " first allowed " << r.allowed[0]);
        auto* unit = turner(1, r.formation, r.kind);
        std::int16_t allowed[9] = {};
        for (std::int16_t d : r.allowed)
            allowed[d] = 1;
        std::vector<std::int32_t> out(unit->spriteCount(), -5);
        unit->chooseFigureDirections(allowed, out.data());
        EXPECT_EQ(out, r.expected);
    }
}

} // namespace
} // namespace vael::test
