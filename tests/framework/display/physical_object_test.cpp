#include "framework/display/physical_object.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "framework/core/bus.h"
#include "framework/core/bus_event.h"
#include "support/display/archive_bytes.h"
#include "support/display/test_display_object.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"
#include "support/test_application.h"

namespace vael {
namespace {

using test::rec;
using test::TestDisplayObject;

// Moves sprite 0 by (10, 0) over 100 clock units per command.
void moveFirstSprite(TestDisplayObject& self, LogicalCommandInfo&) {
    Sprite* s = self.sprite(0);
    s->addEvent(0, Point4D(Point3D(s->location() + Point3D(10, 0, 0)), 100), List<Bitmap*>(), -1, SpriteMove,
                0);
    self.activate(s);
}

// The object on a bus of its own, beside the probe P that answers region locations (h4) and notes the
// activation (h1), the deactivation (h2), the replies "Done" (h3) and sprite switches (h5, h6).
class PhysicalObjectTest : public test::RecorderTest {
protected:
    void SetUp() override {
        RecorderTest::SetUp();
        const test::Bytes bytes = test::testArchive();
        std::ofstream(dir / "test.oif", std::ios::binary) << std::string(bytes.begin(), bytes.end());
        app.onFindInMapFile = [this](OIFBase* library) {
            std::ifstream file(dir / "test.oif", std::ios::binary);
            library->readFile((dir / "test.oif").string(), file);
        };
        probe.setup = [](test::Probe& p) {
            test::connectAll({{&p, PHYSICAL_OBJECT_ACTIVATED, test::h1},
                              {&p, PHYSICAL_OBJECT_DEACTIVATED, test::h2},
                              {&p, RegisteredMessage::getId("Done"), test::h3},
                              {&p, RegisteredMessage::getId("Get Region Location"), test::h4},
                              {&p, SPRITE_DISABLED, test::h5},
                              {&p, SPRITE_ENABLED, test::h6}});
        };
        probe.attach(bus);
    }
    void TearDown() override {
        delete object;
        RecorderTest::TearDown();
    }
    void make(std::vector<Point3D> offsets, TestDisplayObject::Script script = moveFirstSprite) {
        object = new TestDisplayObject("Test", 3, std::move(offsets), nullptr, std::move(script));
        object->attach(bus);
    }
    void command(std::int32_t event, short reply, BusMessage replyEvent = RegisteredMessage::getId("Done"),
                 std::uint16_t value = 0) {
        Container<LogicalCommandInfo> box(
            LogicalCommandInfo(3, nullptr, value, event, replyEvent, new Container<short>(reply)));
        bus.send(&probe, LOGICAL_COMMAND, &box);
    }
    // The update through the bus, as the layer sends it: the box answered, or nothing for a null answer.
    std::optional<Box> tick(long now) {
        Container<long> box(now);
        List<VectorBusResponse> answers = bus.queryTo(&probe, object->getId(), UPDATE_PHYSICAL_OBJECT, &box);
        std::optional<Box> dirty;
        VectorBusResponse answer;
        while (answers.removeFirst(answer)) {
            Box b;
            if (Container<Box>::fromMessage(answer.result, b)) dirty = b;
            delete answer.result;
        }
        return dirty;
    }
    std::string me() const { return "short:" + std::to_string(object->getId()); }

    test::TempDir dir{"physical-object"};
    test::TestApplication app;
    Bus bus{"Layer"};
    test::Probe probe{"P"};
    TestDisplayObject* object = nullptr;
};

TEST_F(PhysicalObjectTest, TwoCommandsActivateOnceReplyInOrderAndDeactivateAfterTheLastTillTheNext) {
    make({Point3D(0, 0, 0)});
    command(501, 1);
    command(502, 2);
    EXPECT_EQ(rec().traces(), (test::Labels{"P.h1 send " + me()}));
    rec().reset();

    const struct {
        long now;
        bool box;
        test::Labels traces;
    } rows[] = {
        {0, true, {}},                                             // the first starts
        {100, true, {}},                                           // its move lands
        {200, false, {"P.h3 send short:1"}},                       // out of events: over, answered
        {300, true, {}},                                           // the second starts only now
        {400, true, {}},                                           //
        {500, false, {"P.h3 send short:2", "P.h2 query " + me()}}, // the last: answered, then quiet
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.now);
        EXPECT_EQ(tick(r.now).has_value(), r.box);
        EXPECT_EQ(rec().traces(), r.traces);
        rec().reset();
    }
    const std::vector<std::int32_t> both{501, 502};
    EXPECT_EQ((std::tuple{object->started, object->finished, object->commands().isEmpty(),
                          object->sprite(0)->location()}),
              std::tuple(both, both, true, Point3D(20, 0, 0)));
    // A command arriving after the last reply activates again.
    command(503, 3);
    EXPECT_EQ(rec().traces(), (test::Labels{"P.h1 send " + me()}));
}

TEST_F(PhysicalObjectTest, AReplyWordOfZeroStillEndsTheCommand) {
    make({Point3D(0, 0, 0)});
    command(501, 1, BusMessage());
    command(502, 2);
    for (long t : {0, 100, 200})
        tick(t);
    EXPECT_EQ((std::tuple{object->finished, object->commands().count()}),
              std::tuple(std::vector<std::int32_t>{501}, 1));
    for (long t : {300, 400, 500})
        tick(t);
    EXPECT_EQ(object->finished, (std::vector<std::int32_t>{501, 502}));
    EXPECT_EQ(rec().traces(), (test::Labels{"P.h1 send " + me(), "P.h3 send short:2", "P.h2 query " + me()}));
}

TEST_F(PhysicalObjectTest, ACommandThatMovesNoSpriteIsAnsweredInItsFirstUpdate) {
    make({Point3D(0, 0, 0)}, [](TestDisplayObject&, LogicalCommandInfo&) {});
    command(501, 1);
    command(502, 2);
    rec().reset();
    EXPECT_EQ((std::tuple{tick(0), rec().traces()}),
              std::tuple(std::nullopt, test::Labels{"P.h3 send short:1"}));
    EXPECT_EQ((std::tuple{tick(100), rec().traces()}),
              std::tuple(std::nullopt,
                         test::Labels{"P.h3 send short:1", "P.h3 send short:2", "P.h2 query " + me()}));
    // Nothing is left to offer again.
    EXPECT_EQ((std::tuple{tick(200), object->started}),
              std::tuple(std::nullopt, std::vector<std::int32_t>{501, 502}));
}

TEST_F(PhysicalObjectTest, TheBaseMovePlaysEverySpriteToTheRegionOverTwoSeconds) {
    make({Point3D(0, 0, 0), Point3D(10, 0, 0), Point3D(0, 5, 0)}, {});
    command(LOGICAL_OBJECT_MOVED, 1, RegisteredMessage::getId("Done"), 42);
    rec().reset();
    rec().on(&probe, 4, [](Component*, BusMessage, ContainerBase*) {
        return new Container<Point3D>(Point3D(100, 200, 1));
    });

    // Each sprite starts with no frame, so its first box is frame A (2 x 1) at its own place.
    EXPECT_EQ((std::tuple{tick(0), rec().traces()}),
              std::tuple(Box(0, 0, 12, 6), test::Labels{"P.h4 query short:42"}));
    OIF<Bitmap>& images = object->images();
    EXPECT_EQ((std::tuple{object->sprite(0)->currentFrame(), object->sprite(0)->events().count()}),
              std::tuple(images.image(0), 1));
    // Half-way at 1000, on the group's next image (B, 3 x 1).
    tick(1000);
    EXPECT_EQ((std::tuple{object->sprite(1)->location(), object->sprite(2)->location(),
                          object->sprite(0)->currentFrame()}),
              std::tuple(Point3D(60, 100, 0), Point3D(50, 105, 0), images.image(1)));
    tick(2000);
    for (auto [i, at] :
         {std::pair(0, Point3D(100, 200, 1)), {1, Point3D(110, 200, 1)}, {2, Point3D(100, 205, 1)}})
        EXPECT_EQ((std::tuple{object->sprite(i)->location(), object->sprite(i)->region()}),
                  std::tuple(at, 42))
            << i;
    rec().reset();
    EXPECT_EQ((std::tuple{tick(2100), rec().traces()}),
              std::tuple(std::nullopt, test::Labels{"P.h3 send short:1", "P.h2 query " + me()}));
}

TEST_F(PhysicalObjectTest, WrongPayloadsAreReportedAndQueueNothing) {
    make({Point3D(0, 0, 0)});
    test::FailedChecks checks;
    Container<short> wrong(5);
    bus.send(&probe, LOGICAL_COMMAND, &wrong);
    List<VectorBusResponse> answers = bus.queryTo(&probe, object->getId(), UPDATE_PHYSICAL_OBJECT, &wrong);
    EXPECT_EQ((std::tuple{object->commands().isEmpty(), answers.isEmpty()}), std::tuple(true, true));
    ASSERT_EQ(checks.count(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(checks.texts[i], "Bad data passed in bus message to function  Abort?");
        EXPECT_EQ(checks.captions[i].rfind("Failure in PHYSOBJ at line ", 0), 0u);
    }
    EXPECT_EQ(rec().traces(), test::Labels{});
}

TEST_F(PhysicalObjectTest, SpritesAreSwitchedOffAndOnThroughTheBus) {
    make({Point3D(0, 0, 0)});
    object->disableSprite(object->sprite(0));
    object->enableSprite(object->sprite(0));
    EXPECT_EQ(rec().traces(), (test::Labels{"P.h5 send Sprite *", "P.h6 send Sprite *"}));
}

TEST_F(PhysicalObjectTest, APrototypeMakesAnObjectOfTheSameLibrary) {
    PhysicalObject base("Test", 0, 7);
    std::unique_ptr<PhysicalObject> made(base.create(12));
    // The library is counted for the two objects and the list's own.
    EXPECT_EQ((std::tuple{made->images().name(), made->logicalId(), made->creationValue(),
                          made->spriteCount(), made->sprite(0), app.imageLibraryCount("Test")}),
              std::tuple("Test", 12, 1u, 0, nullptr, 3));
}

} // namespace
} // namespace vael
