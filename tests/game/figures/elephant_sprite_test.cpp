// The elephant's sprite: a casualty and a move queued with a walk between them are carried out in queue
// order on their own victims when the sprite reaches them; an event with nobody waiting is dropped.
#include "game/figures/elephant_sprite.h"
#include "game/figures/figure_fixture.h"
#include "game/figures/figure_state_peer.h"
#include "game/figures/sprite_calls.h"
#include "game/figures/test_unit.h"
#include "game/flow/shock_records.h"
#include "game/map/vael_physical_layer.h"

namespace vael::test {
namespace {

class ElephantSpriteTest : public FigureScene {
protected:
    TestUnit* victim(std::int16_t hex) {
        return static_cast<TestUnit*>(attach(std::make_unique<TestUnit>("Unit", hex, 1, 0, nullptr, 6)));
    }
    static void step(ElephantSprite& s, std::int32_t now) { delete s.update(now); }
};

TEST_F(ElephantSpriteTest, RampageEventsPlayInQueueOrderOnTheirOwnVictimsWithAWalkBetween) {
    auto* first = victim(1204);
    auto* second = victim(1306);
    FigureStatePeer::setCasualtyPercent(*first, 20);
    second->saveAPath();
    List<short> kept;
    kept.append(1306), kept.append(1307);
    LogicalCommandInfo move(0, new Container<List<short>>(kept), 0, BusMessage(LOGICAL_OBJECT_MOVED));
    second->VaelPhysicalObject::handleEvent(move);
    ASSERT_EQ(second->savedPaths().count(), 1);

    ElephantSprite s(1205, Point3D(), FrameInfo("Standing", 0), 1, nullptr, DrawPlain, nullptr, nullptr,
                     nullptr);
    s.addRampageCasualty(first, 15);
    sprite_calls::addFrameEvent(s, 1205, Point4D(Point3D(10, 0, 0), 300), List<FrameInfo>(), -1, SpriteMove,
                                0);
    s.addRampageMove(second, 1);
    ASSERT_EQ(s.victims().count(), 2);
    ASSERT_EQ(s.events().count(), 3);

    step(s, 1000);
    EXPECT_EQ(first->commands().count(), 1);
    EXPECT_EQ(second->commands().count(), 0) << "the move waits for the walk before it";
    EXPECT_EQ(s.events().count(), 2);
    LogicalCommandInfo hit;
    first->commands().first(hit);
    const auto* box = dynamic_cast<const Container<MethodOfDeathStruct>*>(hit.payload.get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->valuePtr()->percent, 35);
    EXPECT_EQ(box->valuePtr()->method, 3u);

    for (std::int32_t now = 1100; now <= 1600 && second->commands().count() == 0; now += 100)
        step(s, now);
    ASSERT_EQ(second->commands().count(), 1);
    LogicalCommandInfo replay;
    second->commands().first(replay);
    EXPECT_EQ(replay.event.id(), LOGICAL_OBJECT_MOVED);
    EXPECT_EQ(s.victims().count(), 0);
    EXPECT_EQ(s.events().count(), 0);
}

// A victim's display object deleted (its unit gone, the game closed) while the elephant's rampage still
// holds its record: the record answers null, the walk passes it over and plays the next victim's. Only the
// sanitizer sees the freed object that the record would otherwise have been played on.
TEST_F(ElephantSpriteTest, AVictimDeletedBeforeTheWalkGetsThereIsPassedOverSanitizerCheck) {
    auto* kept = victim(1306);
    auto gone = std::make_unique<TestUnit>("Unit", 1204, 1, 0, nullptr, 6);
    FigureStatePeer::setCasualtyPercent(*gone, 50);
    RampageEventStruct record{gone.get(), 15, 1204, 0, 0};
    ElephantSprite s(1205, Point3D(), FrameInfo("Standing", 0), 1, nullptr, DrawPlain, nullptr, nullptr,
                     nullptr);
    s.addRampageCasualty(gone.get(), 15);
    s.addRampageCasualty(kept, 20);
    ASSERT_EQ(record.object.get(), gone.get());
    gone.reset();
    EXPECT_EQ(record.object.get(), nullptr);
    Item<VaelObjectRef>* first = nullptr;
    s.victims().firstItem(first);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(first->next, nullptr);
    EXPECT_EQ(first->value.get(), nullptr);
    EXPECT_EQ(first->next->value.get(), kept);

    for (std::int32_t now = 1000; now <= 1500 && s.events().count() > 0; now += 100)
        step(s, now);
    EXPECT_EQ(s.events().count(), 0);
    EXPECT_EQ(s.victims().count(), 0);
    ASSERT_EQ(kept->commands().count(), 1);
    LogicalCommandInfo hit;
    kept->commands().first(hit);
    const auto* box = dynamic_cast<const Container<MethodOfDeathStruct>*>(hit.payload.get());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->valuePtr()->percent, 20) << "the kept victim's own hits, not the deleted one's";
}

TEST_F(ElephantSpriteTest, ARampageEventWithNobodyWaitingIsDroppedAndOtherEventsPlayAsOnAnyFigure) {
    ElephantSprite s(1205, Point3D(), FrameInfo("Standing", 0), 1, nullptr, DrawPlain, nullptr, nullptr,
                     nullptr);
    s.addEvent(40, Point4D(), List<Bitmap*>(), -1, RegisteredMessage::getId("RampageCasualty"), 0);
    sprite_calls::addPlainEvent(s, SpriteHide);
    step(s, 1000);
    EXPECT_EQ(s.events().count(), 1);
    EXPECT_FALSE(s.isHidden());
    step(s, 1100);
    EXPECT_TRUE(s.isHidden());
}

} // namespace
} // namespace vael::test
