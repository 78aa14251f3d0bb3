// The ends of walks and the landings of volleys told in the order they were given, between two machines:
// units' objects of the figure tests on the game's physical layers with the normal view's map open,
// stepped tick by tick as the layer's timer steps them, their replies heard on the application's bus.
//
// A scripted walk moves figure 0 a hex a second. On ticks 100 apart each move lands on the tenth tick after
// the one it began on, and the next begins on the tick after that: a walk of n hexes begun on tick t has
// played out on tick t + 11 n, and is told there unless it waits. A scripted volley flies as many seconds
// as the facing the view gives its bearing: bearing 0 faces 3, bearing 17 faces 1.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/core/super_string.h"
#include "framework/display/viewport.h"
#include "game/figures/figure_fixture.h"
#include "game/figures/sprite_calls.h"
#include "game/figures/test_unit.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/combat/missile_fire_struct.h"
#include "game/rules/scenario_records.h"

namespace vael::test {
namespace {

BusMessage named(const char* name) {
    return BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(name)));
}

// A one-figure unit whose queue a test can make as read from a saved game, where no command has an order.
class QueueUnit : public TestUnit {
public:
    QueueUnit(const std::string& name, std::int16_t region, std::int32_t facing, Script script)
        : TestUnit(name, region, facing, 0, script, 1), script_(std::move(script)) {}
    VaelPhysicalObject* clone(std::int16_t region, std::int32_t facing) const override {
        return new QueueUnit(images_.name(), region, facing, script_);
    }
    void forgetOrders() {
        Item<LogicalCommandInfo>* it = nullptr;
        for (commands_.firstItem(it); it; it = it->next)
            it->value.order = 0;
    }

private:
    Script script_;
};

using Log = std::vector<std::string>;

// Writes down each reply it hears: its name, the label its extra carries and the tick of the case it came on.
class Replies : public Component {
public:
    Replies() : Component("Replies") {}
    void connectHandlers() override {
        for (const char* name : {"MovementDone", "ReturnFromMissileFire", "RoutingDone", "ChangeFacingDone"})
            connectNamed(name, onReply);
    }
    Log log;
    int tick = 0;

private:
    static ContainerBase* onReply(Component* self, BusMessage event, ContainerBase* data) {
        auto& me = *static_cast<Replies*>(self);
        short label = -1;
        MissileDebrisStruct debris;
        if (Container<MissileDebrisStruct>::fromMessage(data, debris))
            label = static_cast<short>(debris.unitNumber);
        else
            Container<short>::fromMessage(data, label);
        me.log.push_back(RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id())) + " " +
                         std::to_string(label) + " @" + std::to_string(me.tick));
        return nullptr;
    }
};

class WalkEndsInOrderTest : public FigureScene {
protected:
    static constexpr std::uint16_t Scripted = 7, Walking = 8;

    WalkEndsInOrderTest() {
        VaelPhysicalLayer::clearViewFlags();
        layers = std::make_unique<VaelPhysicalLayers>(app);
        // Registered while the layers live: the last layer to go takes the prototypes with it.
        PhysicalLayer::registerPrototype(Scripted, new QueueUnit("Unit", -1, 1, steppedWalk));
        PhysicalLayer::registerPrototype(
            Walking, new QueueUnit("Unit", -1, 1, [](TestUnit& self, LogicalCommandInfo& c) {
                self.VaelPhysicalObject::handleEvent(c);
            }));
        normal().addMapViewport(new Viewport(nullptr));
        replies.attach(app);
    }
    ~WalkEndsInOrderTest() override {
        replies.detach();
        layers.reset();
        VaelPhysicalLayer::clearViewFlags();
    }

    VaelPhysicalLayer& normal() { return layers->normal(); }

    static void steppedWalk(TestUnit& self, LogicalCommandInfo& c) {
        int seconds = 0;
        List<short> path;
        DIRECTION facing = NoDirection;
        if (c.event.id() == LOGICAL_OBJECT_MOVED &&
            Container<List<short>>::fromMessage(c.payload.get(), path))
            seconds = path.count() - 1;
        else if (c.event == named("MissileFire") &&
                 Container<DIRECTION>::fromMessage(c.payload.get(), facing))
            seconds = facing;
        else
            return self.VaelPhysicalObject::handleEvent(c);
        VaelSprite* s = self.figure(0);
        if (!s) return;
        for (int k = 0; k < seconds; ++k)
            sprite_calls::addFrameEvent(*s, self.region(), Point4D(Point3D(), 1000),
                                        sprite_calls::oneFrame("Standing", 0), -1, SpriteMove, 0);
        self.activate(s);
    }

    // The object of unit `unit` (on hex 1000 + unit) on the normal view.
    QueueUnit* create(std::uint16_t unit, std::uint16_t type = Scripted) {
        Container<LogicalCommandInfo> box(
            LogicalCommandInfo(unit, new Container<LOCreateInfo>(LOCreateInfo{type, 1, 1}),
                               static_cast<std::uint16_t>(1000 + unit)));
        app.send(LOGICAL_UNIT_CREATED, &box);
        app.drainQueue();
        return objectOf(unit);
    }
    QueueUnit* objectOf(std::uint16_t unit) {
        const short id = normal().objectId(unit);
        Item<PhysicalObject*>* it = nullptr;
        for (normal().objects().firstItem(it); it; it = it->next)
            if (it->value->getId() == id) return dynamic_cast<QueueUnit*>(it->value);
        return nullptr;
    }
    void give(LogicalCommandInfo c) {
        Container<LogicalCommandInfo> box(std::move(c));
        app.send(LOGICAL_COMMAND, &box);
        app.drainQueue();
    }
    // A walk of `hexes` hexes answered with `reply`, whose extra carries `label`.
    static LogicalCommandInfo walkOf(std::uint16_t unit, int hexes, short label,
                                     const char* reply = "MovementDone") {
        List<short> path;
        for (int k = 0; k <= hexes; ++k)
            path.append(static_cast<short>(1000 + unit + k));
        return LogicalCommandInfo(
            unit, new Container<List<short>>(path), static_cast<std::uint16_t>(1000 + unit + hexes),
            BusMessage(LOGICAL_OBJECT_MOVED), named(reply), new Container<short>(label));
    }
    void walk(std::uint16_t unit, int hexes, short label, const char* reply = "MovementDone") {
        give(walkOf(unit, hexes, label, reply));
    }
    void volley(std::uint16_t unit, short bearing, short label) {
        give(LogicalCommandInfo(unit, new Container<short>(bearing), static_cast<std::uint16_t>(1000 + unit),
                                named("MissileFire"), named("ReturnFromMissileFire"),
                                new Container<MissileDebrisStruct>(
                                    MissileDebrisStruct{0xFFFF, 1, static_cast<std::uint16_t>(label)})));
    }
    // A case starts on tick 0 of its own, on a clock that goes on from the cases before.
    void beginCase(std::function<bool()> inOrder) {
        normal().setWalkEndsInOrder(std::move(inOrder));
        replies.log.clear();
        replies.tick = 0;
    }
    // One tick of the normal view, its replies delivered; then the next tick's number.
    void step() {
        normal().updateDisplay(1000 + 100 * clock++);
        app.drainQueue();
        ++replies.tick;
    }
    // Ticks until the normal view owes nothing (at most 100 ticks); the replies heard.
    Log runOut() {
        for (int n = 0; n < 100 && normal().owesAReply(); ++n)
            step();
        return replies.log;
    }

    Replies replies;
    std::unique_ptr<VaelPhysicalLayers> layers;
    long clock = 0;
};

// A three-hex walk of A (label 1) given before a one-hex walk of B (label 2). Told in order, B's walk plays
// out on tick 11 and stands, its command still the head, until A's ends on tick 33: B, stepped after A,
// tells on that tick behind it; stepped before A (activated first by a command with no reply), it tells on
// the tick after.
TEST_F(WalkEndsInOrderTest, AShortWalkGivenAfterALongOneTellsItsEndBehindItBetweenTwoMachines) {
    struct Row {
        const char* name;
        std::function<bool()> inOrder; // empty: never set
        bool bFirst;                   // B's object stepped before A's
        Log replies;
        int lastQueued; // the last tick B's walk is still queued
        int held;       // the ticks it stands played out, still queued
    };
    const auto yes = [] { return true; };
    const auto no = [] { return false; };
    const Row rows[] = {
        {"two machines", yes, false, {"MovementDone 1 @33", "MovementDone 2 @33"}, 32, 22},
        {"two machines, B stepped first", yes, true, {"MovementDone 1 @33", "MovementDone 2 @34"}, 33, 22},
        {"one machine", no, false, {"MovementDone 2 @11", "MovementDone 1 @33"}, 10, 0},
        {"one machine, B stepped first", no, true, {"MovementDone 2 @12", "MovementDone 1 @33"}, 11, 0},
        {"never set", {}, false, {"MovementDone 2 @11", "MovementDone 1 @33"}, 10, 0},
    };
    std::uint16_t unit = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::uint16_t a = ++unit, b = ++unit;
        QueueUnit* objectA = create(a);
        QueueUnit* objectB = create(b);
        ASSERT_TRUE(objectA && objectB);
        beginCase(row.inOrder);
        if (row.bFirst) give(LogicalCommandInfo(b, nullptr, 0, named("EndOfTurn")));
        walk(a, 3, 1);
        walk(b, 1, 2);
        const int begun = row.bFirst ? 2 : 1; // what B has begun once its walk has
        int lastQueued = -1, held = 0;
        for (int n = 0; n < 100 && normal().owesAReply(); ++n) {
            step();
            const int t = replies.tick - 1;
            Item<LogicalCommandInfo>* head = nullptr;
            if (!objectB->commands().firstItem(head)) continue;
            lastQueued = t;
            if (head->value.event.id() != LOGICAL_OBJECT_MOVED || objectB->started < begun ||
                !objectB->activeSprites().isEmpty())
                continue;
            // Played out and standing: the walk's command is the head, its reply owed, nothing replayed.
            SCOPED_TRACE(::testing::Message() << "held on tick " << t);
            ++held;
            EXPECT_EQ(head->value.replyEvent, named("MovementDone"));
            EXPECT_TRUE(normal().owesAReply());
            EXPECT_EQ(objectB->started, begun);
            EXPECT_TRUE(objectB->figure(0)->events().isEmpty());
        }
        EXPECT_EQ(replies.log, row.replies);
        EXPECT_EQ(lastQueued, row.lastQueued);
        EXPECT_EQ(held, row.held);
        EXPECT_EQ(objectB->started, begun) << "the walk began once";
        EXPECT_EQ(objectB->finished, begun);
        EXPECT_TRUE(objectA->commands().isEmpty());
    }
}

// A volley and a walk, each given before the other: the later one's end is told behind the earlier one's.
// The volley on bearing 0 flies 3 seconds and lands on tick 33; on bearing 17 it flies one and lands on
// tick 11.
TEST_F(WalkEndsInOrderTest, AWalksEndAndAVolleysLandingWaitForEachOtherInTheOrderGiven) {
    struct Row {
        const char* name;
        bool inOrder;
        bool volleyFirst;
        Log replies;
    };
    const Row rows[] = {
        {"a long volley, then a walk", true, true, {"ReturnFromMissileFire 1 @33", "MovementDone 2 @33"}},
        {"a long volley, then a walk, one machine",
         false,
         true,
         {"MovementDone 2 @11", "ReturnFromMissileFire 1 @33"}},
        {"a long walk, then a volley", true, false, {"MovementDone 1 @33", "ReturnFromMissileFire 2 @33"}},
        {"a long walk, then a volley, one machine",
         false,
         false,
         {"ReturnFromMissileFire 2 @11", "MovementDone 1 @33"}},
    };
    std::uint16_t unit = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::uint16_t a = ++unit, b = ++unit;
        ASSERT_TRUE(create(a) && create(b));
        beginCase([on = row.inOrder] { return on; });
        if (row.volleyFirst) {
            volley(a, 0, 1);
            walk(b, 1, 2);
        } else {
            walk(a, 3, 1);
            volley(b, 17, 2);
        }
        EXPECT_EQ(runOut(), row.replies);
    }
}

// What never waits, told in order all the same: a command read from a saved game (no order), either one;
// a reply of another kind, given first or last; a walk of an object the layer adopted (a horse of the
// debris), which plays nothing the rules wait for.
TEST_F(WalkEndsInOrderTest, CommandsFromASavedGameOtherRepliesAndAdoptedObjectsNeverWait) {
    struct Row {
        const char* name;
        const char* replyA;
        const char* replyB;
        bool forgetA, forgetB, adoptA;
        Log replies;
    };
    const Row rows[] = {
        {"A's walk read from a saved game",
         "MovementDone",
         "MovementDone",
         true,
         false,
         false,
         {"MovementDone 2 @11", "MovementDone 1 @33"}},
        {"B's walk read from a saved game",
         "MovementDone",
         "MovementDone",
         false,
         true,
         false,
         {"MovementDone 2 @11", "MovementDone 1 @33"}},
        {"A's answered with the end of a rout",
         "RoutingDone",
         "MovementDone",
         false,
         false,
         false,
         {"MovementDone 2 @11", "RoutingDone 1 @33"}},
        {"B's answered with the end of a turn",
         "MovementDone",
         "ChangeFacingDone",
         false,
         false,
         false,
         {"ChangeFacingDone 2 @11", "MovementDone 1 @33"}},
        {"A adopted",
         "MovementDone",
         "MovementDone",
         false,
         false,
         true,
         {"MovementDone 2 @11", "MovementDone 1 @33"}},
        // The boundary from the other side: the same walks, each one of the kinds told in order.
        {"both walks given here",
         "MovementDone",
         "MovementDone",
         false,
         false,
         false,
         {"MovementDone 1 @33", "MovementDone 2 @33"}},
    };
    std::uint16_t unit = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::uint16_t a = ++unit, b = ++unit;
        QueueUnit* objectA = nullptr;
        if (row.adoptA) {
            objectA = new QueueUnit("Unit", 1000 + a, 1, steppedWalk);
            objectA->setNation(1);
            normal().adoptObject(objectA);
        } else {
            objectA = create(a);
        }
        QueueUnit* objectB = create(b);
        ASSERT_TRUE(objectA && objectB);
        beginCase([] { return true; });
        if (row.adoptA) {
            objectA->queueCommand(walkOf(a, 3, 1, row.replyA));
            app.drainQueue();
        } else {
            walk(a, 3, 1, row.replyA);
        }
        walk(b, 1, 2, row.replyB);
        if (row.forgetA) objectA->forgetOrders();
        if (row.forgetB) objectB->forgetOrders();
        EXPECT_EQ(runOut(), row.replies);
        EXPECT_EQ(objectB->started, 1);
    }
}

// With the game's own walk: B's figures stand where the walk left them while it waits, the move is handled
// once and no step of it is queued again; A's end is told first and B's on the same tick.
TEST_F(WalkEndsInOrderTest, AWalkThatWaitsIsNotWalkedAgain) {
    QueueUnit* objectA = create(1, Walking);
    QueueUnit* objectB = create(2, Walking);
    ASSERT_TRUE(objectA && objectB);
    beginCase([] { return true; });
    walk(1, 3, 1);
    walk(2, 1, 2);
    int playedOut = -1;
    Point stood;
    for (int n = 0; n < 1000 && normal().owesAReply(); ++n) {
        step();
        const int t = replies.tick - 1;
        if (objectB->commands().isEmpty() || !objectB->activeSprites().isEmpty()) continue;
        if (playedOut < 0) playedOut = t, stood = objectB->figure(0)->position(0);
        SCOPED_TRACE(t);
        EXPECT_EQ(objectB->started, 1);
        EXPECT_TRUE(objectB->figure(0)->events().isEmpty());
        EXPECT_EQ(objectB->figure(0)->position(0), stood);
        EXPECT_EQ(objectB->region(), 1003);
    }
    ASSERT_GE(playedOut, 0) << "B never waited";
    ASSERT_EQ(replies.log.size(), 2u);
    const std::string toldA = replies.log[0], toldB = replies.log[1];
    EXPECT_EQ(toldA.rfind("MovementDone 1 @", 0), 0u) << toldA;
    EXPECT_EQ(toldB, "MovementDone 2 " + toldA.substr(toldA.find('@')));
    EXPECT_LT(playedOut, std::stoi(toldA.substr(toldA.find('@') + 1)));
    EXPECT_EQ(objectB->started, 1);
    EXPECT_EQ(objectB->finished, 1);
}

// A game saved while B's walk waits holds its command as any queued command is written: the order the
// display gave it is no part of the record.
TEST_F(WalkEndsInOrderTest, AWalkThatWaitsIsSavedWithoutItsOrder) {
    const LandscapeDefinition map{1, Point(3, 4), 12, 0};
    normal().beginLandscape(map);
    layers->reversed().beginLandscape(map);
    VaelPhysicalObject::registerUnderWayTypes();
    ASSERT_TRUE(create(1) && create(2));
    beginCase([] { return true; });
    walk(1, 3, 1);
    walk(2, 1, 2);
    for (int n = 0; n < 12; ++n)
        step();
    QueueUnit* objectB = objectOf(2);
    ASSERT_TRUE(objectB);
    Item<LogicalCommandInfo>* head = nullptr;
    ASSERT_TRUE(objectB->commands().firstItem(head));
    ASSERT_TRUE(objectB->activeSprites().isEmpty()) << "played out on tick 11";
    ASSERT_NE(head->value.order, 0u);
    std::vector<std::uint8_t> file(8, 0);
    ASSERT_TRUE(layers->saveGameBytes(file));
    // The command's length, then its record as one never queued writes it (pinned byte by byte by the
    // stream tests).
    SuperString piece;
    piece << walkOf(2, 1, 2);
    const std::string bytes = piece.str();
    std::vector<std::uint8_t> written{
        static_cast<std::uint8_t>(bytes.size()), static_cast<std::uint8_t>(bytes.size() >> 8),
        static_cast<std::uint8_t>(bytes.size() >> 16), static_cast<std::uint8_t>(bytes.size() >> 24)};
    written.insert(written.end(), bytes.begin(), bytes.end());
    const auto tag = std::search(file.begin(), file.end(), VaelPhysicalLayers::UnderWayTag,
                                 VaelPhysicalLayers::UnderWayTag + 4);
    ASSERT_NE(tag, file.end());
    EXPECT_NE(std::search(tag, file.end(), written.begin(), written.end()), file.end());
}

} // namespace
} // namespace vael::test
