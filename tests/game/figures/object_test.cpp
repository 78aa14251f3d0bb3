// The display object's frame: cloned from a prototype with its own flag offset, attached and set up on
// the layer's bus, its handlers, the screen hex numbers and the shared walking data.
#include <tuple>

#include "game/figures/figure_fixture.h"
#include "game/figures/hex_map.h"
#include "game/figures/test_unit.h"

namespace vael::test {
namespace {

class ObjectTest : public FigureScene {};

TEST_F(ObjectTest, ACloneIsSetUpOnTheLayerWithOneStandingFigureAndAFlagAndTheSharedWalkingData) {
    ScriptedRolls dice{3, 20};
    auto proto = prototype();
    // 5 - 3 % 11 = 2 for the prototype; 5 - 20 % 11 = -4 for the clone.
    EXPECT_EQ(proto->flagLocation(), Point3D(2, 0, 0));
    std::unique_ptr<VaelPhysicalObject> made(proto->clone(1204, 5));
    EXPECT_EQ(made->flagLocation(), Point3D(-4, 0, 0));
    EXPECT_EQ(dice.left(), 0u);
    EXPECT_EQ(VaelPhysicalObject::walkingData(), nullptr);

    VaelPhysicalObject* unit = attach(std::move(made), 8);
    EXPECT_EQ(layer.log, (std::vector<std::string>{"SPRITE_CREATED", "SPRITE_CREATED"}));
    ASSERT_EQ(unit->spriteCount(), 1);
    EXPECT_EQ(layer.created[0], unit->sprite(0));
    EXPECT_EQ(layer.created[1], unit->flag());
    EXPECT_EQ(unit->figure(0)->frameInfo(), FrameInfo("Standing", 4)); // facing 5
    EXPECT_EQ(unit->figure(0)->location(), Point3D(0, 11, 0));
    EXPECT_EQ(unit->figure(0)->artwork(1), unit->halfSizeArtwork());
    EXPECT_EQ(unit->flag()->nation(), 1u);
    EXPECT_EQ(unit->region(), 1204);
    EXPECT_EQ(unit->id(), 8);
    ASSERT_NE(VaelPhysicalObject::walkingData(), nullptr);
    EXPECT_EQ(VaelPhysicalObject::walkingData()->groupCount(), 2);
    EXPECT_EQ(unit->combatGroup(), 0); // no "CN": the index of "N"
}

TEST_F(ObjectTest, LeaderKindsGetNoFlagAndEveryOtherKindDoes) {
    for (std::int32_t kind = 0; kind <= 15; ++kind) {
        SCOPED_TRACE("kind " + std::to_string(kind));
        auto* unit = attach(std::make_unique<TestUnit>("Unit", 1204, 1, kind));
        EXPECT_EQ(unit->flag() != nullptr, kind < 4 || kind > 6);
    }
}

TEST_F(ObjectTest, CommandsAreQueuedAndOnlyTheFirstActivatesTheObject) {
    auto* unit = attach(prototype()->clone(1204, 1));
    layer.log.clear();
    const auto turn = static_cast<std::int32_t>(RegisteredMessage::getId("Turn"));
    LogicalCommandInfo first(1, new Container<DIRECTION>(SouthEast), 0, BusMessage(turn), BusMessage(0));
    Container<LogicalCommandInfo> box(first);
    unit->send(LOGICAL_COMMAND, &box);
    unit->send(CHANGE_UNIT_FACING, &box);
    EXPECT_EQ(layer.log, (std::vector<std::string>{"ACTIVATED " + std::to_string(unit->getId())}));
    EXPECT_EQ(unit->commands().count(), 2);
}

TEST_F(ObjectTest, GetRegionsAnswersTheHexAndSelectedCallsTheAnimalOfTheNormalViewOnly) {
    auto* unit = attach(std::make_unique<TestUnit>("Unit", 1305, 1, 9));
    std::unique_ptr<ContainerBase> regions(unit->queryNamedEmpty("GetRegions"));
    List<short> hexes;
    ASSERT_TRUE(Container<List<short>>::fromMessage(regions.get(), hexes));
    EXPECT_EQ(valuesOf(hexes), std::vector<short>{1305});

    unit->sendNamedEmpty("Selected");
    EXPECT_EQ(sound.calls, std::vector<std::string>{"playAnimalCall 9"});
    unit->setReversedView(1);
    unit->sendNamedEmpty("Selected");
    EXPECT_EQ(sound.calls.size(), 1u);
}

TEST_F(ObjectTest, DropFlagShowsTheFlagAtItsPlaceUnlessTheUnitIsALeader) {
    ScriptedRolls dice{7, 0};
    auto* unit = attach(std::make_unique<TestUnit>("Unit", 1204, 1, 0)); // x = 5 - 7 = -2
    unit->flag()->hide();
    unit->sendNamedEmpty("DropFlag");
    EXPECT_EQ(unit->flag()->isHidden(), 0);
    EXPECT_EQ(unit->flag()->location(), Point3D(-2, 0, 0));
}

TEST(HexMapTest, NeighboursOfAnEvenAndAnOddColumn) {
    const std::vector<std::tuple<short, std::vector<short>>> rows = {
        {1204, {1103, 1203, 1303, 1304, 1205, 1104}},
        {1305, {1205, 1304, 1405, 1406, 1306, 1206}},
    };
    const std::int32_t sides[6] = {2, 3, 4, 6, 7, 8};
    for (const auto& [hex, expected] : rows)
        for (int i = 0; i < 6; ++i) {
            SCOPED_TRACE(::testing::Message() << "hex " << hex << " side " << sides[i]);
            EXPECT_EQ(HexMap::neighbour(hex, sides[i]), expected[static_cast<std::size_t>(i)]);
            EXPECT_EQ(HexMap::directionTo(hex, expected[static_cast<std::size_t>(i)]), sides[i]);
            EXPECT_TRUE(HexMap::isAdjacent(hex, expected[static_cast<std::size_t>(i)]));
        }
}

TEST(HexMapTest, DirectionsOfHexesThatAreNotAdjacentAndAdjacencyOfAHexToItself) {
    EXPECT_EQ(HexMap::directionTo(1204, 1305), 6);
    EXPECT_EQ(HexMap::directionTo(1204, 1404), 3); // two columns apart
    EXPECT_EQ(HexMap::directionTo(1204, 1202), 7); // same column, not next
    EXPECT_FALSE(HexMap::isAdjacent(1204, 1204));
    EXPECT_FALSE(HexMap::isAdjacent(1204, 1305));
}

TEST_F(ObjectTest, FacingTowardTurnsHalfRoundInTheReversedView) {
    auto* unit = attach(prototype()->clone(1204, 1));
    EXPECT_EQ(unit->facingToward(1204, 1303), 4);
    unit->setReversedView(1);
    EXPECT_EQ(unit->facingToward(1204, 1303), 8);
    EXPECT_EQ(unit->facingToward(1204, 1205), 3);
}

TEST_F(ObjectTest, WalkingRecordsComeFromTheKindsGroupAndAMissingGroupOrSlotGivesNone) {
    struct Row {
        std::int32_t kind;
        std::int16_t slot;
        bool found;
        std::int16_t homeX;
    };
    const std::vector<Row> rows = {
        {0, 0, true, -5},  {2, 7, true, 5},  {2, 8, false, 0},
        {1, -1, false, 0}, {4, 0, true, -5}, {6, 0, true, -5}, // the chieftain walks with the leaders
        {6, 1, false, 0},  {3, 0, false, 0}, {16, 0, false, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "kind " << r.kind << " slot " << r.slot);
        auto* unit = attach(std::make_unique<TestUnit>("Unit", 1204, 2, r.kind));
        const DirectionOffsets* record = unit->walkingRecord(r.slot);
        ASSERT_EQ(record != nullptr, r.found);
        if (record) {
            EXPECT_EQ(record->home.x, r.homeX);
            EXPECT_EQ(record->entries[4].variants[1].waypoints[2], Point3D(412, 2, 0)); // facing 2
        }
    }
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// Only the sanitizer run sees a figure, flag, command box or formation table freed twice or never.
TEST_F(ObjectTest, DestroyingAnObjectWithFiguresFlagAndQueuedCommandsFreesEachOnce_SeenBySanitizer) {
    auto* unit = attach(std::make_unique<TestUnit>("Unit", 1204, 1, 0, TestUnit::Script{}, 8));
    LogicalCommandInfo c(1, new Container<DIRECTION>(South), 0, BusMessage(LOGICAL_OBJECT_MOVED),
                         BusMessage(0), new Container<short>(3));
    unit->queueCommand(c);
    unit->queueCommand(c);
    static_cast<TestUnit*>(unit)->markFallen(3);
    LogicalCommandInfo hit(0, nullptr, 0,
                           BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("CohesionHit"))));
    unit->commandFinished(hit); // figure 3 now belongs to the ground
    EXPECT_EQ(unit->sprite(3), nullptr);
    objects.clear();
    EXPECT_EQ(layer.land.ground.size(), 1u);
}

} // namespace
} // namespace vael::test
