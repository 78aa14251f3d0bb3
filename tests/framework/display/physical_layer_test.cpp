#include "framework/display/physical_layer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "framework/core/bus_event.h"
#include "support/display/test_display_object.h"
#include "support/display/test_window.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

namespace vael {
namespace {

using test::Labels;
using test::rec;
using test::TestDisplayObject;

int runningTimersOf(Component* c) {
    int n = 0;
    for (int slot = 0; slot < Application::TimerSlots; ++slot)
        n += Application::instance()->timer(slot).callback.component == c &&
             Application::instance()->timer(slot).state == TimerCallback::Running;
    return n;
}

// The layer below the game bus, where the logical side L listens; the display D on the layer answers
// region look-ups and notes what it is asked to redraw. Display types 10 (one sprite) and 11 (two) are
// registered.
class PhysicalLayerTest : public test::RecorderTest {
protected:
    void SetUp() override {
        RecorderTest::SetUp();
        logic.attach(game);
        layer = std::make_unique<PhysicalLayer>();
        layer->attach(game);
        PhysicalLayer::registerPrototype(10, new TestDisplayObject("Foot", 0, {Point3D(0, 50, 0)}, &square));
        PhysicalLayer::registerPrototype(
            11, new TestDisplayObject("Horse", 0, {Point3D(0, 0, 0), Point3D(5, 0, 0)}, &square));
    }
    void TearDown() override {
        layer.reset();
        EXPECT_EQ(TestDisplayObject::live, 0);
        RecorderTest::TearDown();
    }
    // Attaches the display; its handlers: INVALIDATE_VIEW (h1, the boxes noted), FIND_REGION (h2).
    void attachDisplay() {
        display.setup = [](test::Probe& p) {
            test::connectAll({{&p, INVALIDATE_VIEW, test::h1}, {&p, FIND_REGION, test::h2}});
        };
        display.attach(*layer);
        rec().on(&display, 1, [this](Component*, BusMessage, ContainerBase* data) -> ContainerBase* {
            Box box;
            List<Box> boxes;
            if (Container<Box>::fromMessage(data, box)) invalidated.push_back({box});
            if (Container<List<Box>>::fromMessage(data, boxes)) invalidated.push_back(test::valuesOf(boxes));
            return nullptr;
        });
    }
    void createUnit(std::uint16_t number, short type, std::uint16_t logicalId) {
        Container<LogicalCommandInfo> box(LogicalCommandInfo(number, new Container<short>(type), logicalId));
        game.send(&logic, LOGICAL_UNIT_CREATED, &box);
    }
    void command(std::uint16_t number, std::int32_t event) {
        Container<LogicalCommandInfo> box(
            LogicalCommandInfo(number, nullptr, 0, event, RegisteredMessage::getId("Done")));
        game.send(&logic, LOGICAL_COMMAND, &box);
    }
    void onLayer(BusMessage event, ContainerBase* payload) { layer->Bus::send(&display, event, payload); }
    void spriteEvent(BusMessage event, Sprite* s) {
        Container<Sprite*> box(s);
        onLayer(event, &box);
    }
    void destroy(Sprite* s) { spriteEvent(RegisteredMessage::getId("SpriteDestroyed"), s); }
    std::vector<Sprite*> ordered() const { return test::valuesOf(layer->orderedSprites()); }
    PhysicalObject* object(int index) const { return test::valuesOf(layer->objects()).at(index); }

    test::TestApplication app;
    // Drawn from its top-left corner.
    Bitmap square{Dim(4, 4), PixelOpaque, std::vector<std::uint8_t>(16, 1).data(), 16};
    Bus game{"Game"};
    test::Probe logic{"L"};
    test::Probe display{"D"};
    std::unique_ptr<PhysicalLayer> layer;
    std::vector<std::vector<Box>> invalidated;
};

TEST_F(PhysicalLayerTest, MakesObjectsFromPrototypesAndRoutesEachCommandToItsOwnObject) {
    createUnit(4, 10, 1305);
    createUnit(7, 11, 1400);
    ASSERT_EQ(layer->objects().count(), 2);
    EXPECT_EQ((std::tuple{object(0)->logicalId(), object(0)->id(), object(1)->logicalId(), object(1)->id(),
                          object(1)->spriteCount(), object(0)->getBus()}),
              std::tuple(1305, 10, 1400, 11, 2, layer.get()));
    EXPECT_EQ((std::tuple{layer->objectId(4), layer->objectId(7), layer->objectId(5)}),
              std::tuple(object(0)->getId(), object(1)->getId(), -1));
    EXPECT_EQ(object(0)->getId(), 0);
    command(7, 501);
    EXPECT_EQ((std::tuple{object(0)->commands().count(), object(1)->commands().count()}), std::tuple(0, 1));
    // A unit this layer never made has no object: the one with component id 0 is another unit's.
    for (std::uint16_t unit : {4, 5, 3000})
        command(unit, 502);
    EXPECT_EQ((std::tuple{object(0)->commands().count(), object(1)->commands().count()}), std::tuple(1, 1));
}

TEST_F(PhysicalLayerTest, AnUnknownTypeOrANumberOutOfRangeMakesNothing) {
    createUnit(4, 99, 1);
    createUnit(40000, 10, 1);
    {
        test::FailedChecks checks;
        Container<short> wrong(10);
        game.send(&logic, LOGICAL_UNIT_CREATED, &wrong);
        EXPECT_EQ(checks.count(), 1u);
    }
    EXPECT_TRUE(layer->objects().isEmpty());
}

TEST_F(PhysicalLayerTest, FilesSpritesStablyInDepthOrder) {
    attachDisplay();
    struct Row {
        std::vector<std::int16_t> inserted; // heights, in order of arrival
        std::vector<std::int16_t> order;    // arrival numbers, back to front
    } rows[] = {{{10, 30, 20}, {0, 2, 1}}, {{30, 10}, {1, 0}},
                {{20, 20, 20}, {0, 1, 2}}, {{10, 30, 20, 20}, {0, 2, 3, 1}},
                {{30, 20, 10}, {2, 1, 0}}, {{20, 10, 20, 10}, {1, 3, 0, 2}}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::PrintToString(r.inserted));
        std::vector<std::unique_ptr<Sprite>> sprites;
        for (std::size_t i = 0; i < r.inserted.size(); ++i) {
            // The arrival number rides in x, which the order does not look at.
            sprites.push_back(std::make_unique<Sprite>(
                0, Point3D(static_cast<std::int16_t>(i), r.inserted[i], 0), nullptr, 0, 0, 1));
            sprites.back()->setChanged(1);
            spriteEvent(SPRITE_CREATED, sprites.back().get());
            EXPECT_EQ(sprites.back()->isChanged(), 0);
        }
        std::vector<std::int16_t> arrivals;
        for (Sprite* s : ordered())
            arrivals.push_back(s->location().x);
        EXPECT_EQ(arrivals, r.order);
        for (auto& s : sprites)
            destroy(s.get());
        EXPECT_TRUE(layer->orderedSprites().isEmpty());
    }
}

TEST_F(PhysicalLayerTest, SpritesDrawnInTheLayersOrderOverlapPixelExact) {
    // A (colour 1) at (0, 11) and B (colour 2) at (1, 10), 2 x 2 each, drawn onto 4 x 3 from (0, 10).
    Bitmap a(Dim(2, 2), PixelOpaque, std::vector<std::uint8_t>{1, 1, 0, 0, 1, 1, 0, 0}.data(), 8);
    Bitmap b(Dim(2, 2), PixelOpaque, std::vector<std::uint8_t>{2, 2, 0, 0, 2, 2, 0, 0}.data(), 8);
    struct Row {
        std::uintptr_t groupA, groupB;
        std::uint16_t layerA, layerB;
        std::vector<std::uint8_t> pixels; // 3 rows of 4
    };
    for (const Row& r : std::vector<Row>{
             {0, 0, 0, 0, {0, 2, 2, 0, 1, 1, 2, 0, 1, 1, 0, 0}}, // no group: the lower one (A) in front
             {9, 9, 1, 2, {0, 2, 2, 0, 1, 2, 2, 0, 1, 1, 0, 0}}, // one group: the higher layer (B) in front
             {9, 9, 2, 1, {0, 2, 2, 0, 1, 1, 2, 0, 1, 1, 0, 0}}}) {
        SCOPED_TRACE(testing::Message() << r.groupA << "/" << r.layerA << " " << r.groupB << "/" << r.layerB);
        Sprite sa(0, Point3D(0, 11, 0), &a, r.layerA, r.groupA, 1),
            sb(0, Point3D(1, 10, 0), &b, r.layerB, r.groupB, 1);
        spriteEvent(SPRITE_CREATED, &sa);
        spriteEvent(SPRITE_CREATED, &sb);
        Bitmap surface(Dim(4, 3), PixelOpaque, std::vector<std::uint8_t>(12, 0).data(), 12);
        for (Sprite* s : ordered())
            s->draw(surface, Point(0, 10));
        EXPECT_EQ(std::vector<std::uint8_t>(surface.bits(), surface.bits() + 12), r.pixels);
        destroy(&sa), destroy(&sb);
    }
}

TEST_F(PhysicalLayerTest, DisablingAndEnablingKeepTheDepthAndRedrawTheSprite) {
    attachDisplay();
    Sprite a(0, Point3D(0, 10, 0), &square, 0, 0, 1), b(0, Point3D(0, 30, 0), &square, 0, 0, 1),
        c(0, Point3D(0, 20, 0), &square, 0, 0, 1), d(0, Point3D(0, 20, 0), &square, 0, 0, 1);
    for (Sprite* s : {&a, &b, &c, &d})
        spriteEvent(SPRITE_CREATED, s);
    EXPECT_EQ(ordered(), (std::vector<Sprite*>{&a, &c, &d, &b}));
    EXPECT_TRUE(invalidated.empty());
    spriteEvent(SPRITE_DISABLED, &c);
    EXPECT_EQ((std::tuple{ordered(), test::valuesOf(layer->disabledSprites())}),
              std::tuple(std::vector<Sprite*>{&a, &d, &b}, std::vector<Sprite*>{&c}));
    spriteEvent(SPRITE_ENABLED, &c);
    // Back at its depth, behind the equal sprite that stayed, not at the end.
    EXPECT_EQ((std::tuple{ordered(), layer->disabledSprites().isEmpty()}),
              std::tuple(std::vector<Sprite*>{&a, &d, &c, &b}, true));
    spriteEvent(SPRITE_DISABLED, &b);
    destroy(&b);
    EXPECT_TRUE(layer->disabledSprites().isEmpty());
    d.hide();
    destroy(&d);
    EXPECT_EQ(ordered(), (std::vector<Sprite*>{&a, &c}));
    const std::vector<std::vector<Box>> expected = {
        {Box(0, 20, 4, 4)}, {Box(0, 20, 4, 4)}, {Box(0, 30, 4, 4)}, {Box(0, 30, 4, 4)}, {Box()}};
    EXPECT_EQ(invalidated, expected);
}

TEST_F(PhysicalLayerTest, RemovingASpriteEmptiesItFromEveryCell) {
    attachDisplay();
    layer->setGridSize(Dim(3, 2));
    Sprite a(0, Point3D(), &square, 0, 0, 1);
    layer->cell(0, 0)->append(&a);
    layer->cell(2, 1)->append(&a);
    layer->cell(2, 1)->append(&a);
    EXPECT_EQ((std::tuple{layer->cell(3, 0), layer->cell(0, 2), layer->cell(-1, 0)}),
              std::tuple(nullptr, nullptr, nullptr));
    destroy(&a);
    for (std::int16_t row = 0; row < 2; ++row)
        for (std::int16_t column = 0; column < 3; ++column)
            EXPECT_TRUE(layer->cell(column, row)->isEmpty());
}

TEST_F(PhysicalLayerTest, ClientsAreCountedOnceAndOneTimerRunsWhileThereAreAny) {
    struct Row {
        BusMessage event;
        short id;
        std::vector<short> clients;
        int timers;
    };
    const std::vector<Row> rows = {
        {PHYSICAL_OBJECT_ACTIVATED, 3, {3}, 1},    {PHYSICAL_OBJECT_ACTIVATED, 3, {3}, 1},
        {PHYSICAL_OBJECT_ACTIVATED, 5, {3, 5}, 1}, {PHYSICAL_OBJECT_DEACTIVATED, 3, {5}, 1},
        {PHYSICAL_OBJECT_DEACTIVATED, 9, {5}, 1},  {PHYSICAL_OBJECT_DEACTIVATED, 5, {}, 0},
        {PHYSICAL_OBJECT_DEACTIVATED, 5, {}, 0},   {PHYSICAL_OBJECT_ACTIVATED, 5, {5}, 1}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.event.id() << " " << r.id);
        Container<short> box(r.id);
        onLayer(r.event, &box);
        EXPECT_EQ(test::valuesOf(layer->clients()), r.clients);
        EXPECT_EQ(runningTimersOf(layer.get()), r.timers);
    }
    EXPECT_EQ(std::count(app.log.begin(), app.log.end(), "startTimer 100"), 2);
    EXPECT_EQ(app.timerPeriod, 100);
}

TEST_F(PhysicalLayerTest, TheTickStepsTheClientsResortsWhatMovedAndRedrawsTheirBoxes) {
    attachDisplay();
    // Type 12 plays whatever is queued on its sprite.
    PhysicalLayer::registerPrototype(12,
                                     new TestDisplayObject("Foot", 0, {Point3D(0, 50, 0)}, &square,
                                                           [](TestDisplayObject& self, LogicalCommandInfo&) {
                                                               self.activate(self.sprite(0));
                                                           }));
    createUnit(4, 12, 1305);
    Sprite other(0, Point3D(0, 40, 0), &square, 0, 0, 1);
    Sprite* own = object(0)->sprite(0);
    spriteEvent(SPRITE_CREATED, &other);
    spriteEvent(SPRITE_CREATED, own);
    EXPECT_EQ(ordered(), (std::vector<Sprite*>{&other, own}));
    // The unit's one sprite climbs from y 50 to y 30 over 100 ms, then runs dry.
    own->addEvent(0, Point4D(0, 30, 0, 100), List<Bitmap*>(), -1, SpriteMove, 0);
    logic.setup = nullptr;
    test::connectAll({{&logic, RegisteredMessage::getId("Done"), test::h1}});
    command(4, 501);
    EXPECT_EQ(test::valuesOf(layer->clients()), (std::vector<short>{object(0)->getId()}));

    app.tickSystemTimer(); // 100: the command starts; the sprite has not moved
    app.tickSystemTimer(); // 200: it lands higher up the map, so it is drawn behind the other
    EXPECT_EQ((std::tuple{ordered(), own->isChanged()}), std::tuple(std::vector<Sprite*>{own, &other}, 0));
    app.tickSystemTimer(); // 300: out of events: the command is answered and the timer stops
    const std::vector<std::vector<Box>> expected = {{Box(0, 50, 4, 4)}, {Box(0, 30, 4, 24)}, {}};
    EXPECT_EQ(invalidated, expected);
    EXPECT_EQ((std::tuple{layer->clients().isEmpty(), runningTimersOf(layer.get()), app.log.back()}),
              std::tuple(true, 0, "stopTimer"));
    EXPECT_EQ(rec().labels(), (Labels{"D.h1", "D.h1", "L.h1", "D.h1"}));
}

// Two squares overlap at (2..3, 2..3): A (region 11) behind, B (region 12) in front.
class PickingTest : public PhysicalLayerTest {
protected:
    void SetUp() override {
        PhysicalLayerTest::SetUp();
        attachDisplay();
        test::connectAll({{&logic, REGION_SELECTED, test::h1},
                          {&logic, REGION_FLYBY, test::h2},
                          {&logic, FIND_REGION, test::h3}});
        spriteEvent(SPRITE_CREATED, &front);
        spriteEvent(SPRITE_CREATED, &back);
    }
    Labels at(BusMessage event, Point p) {
        return test::run([&] {
            Container<Point> box(p);
            onLayer(event, &box);
        });
    }
    void landscapeAnswers(short region) {
        rec().on(&display, 2,
                 [region](Component*, BusMessage, ContainerBase*) { return new Container<short>(region); });
    }
    Sprite back{11, Point3D(0, 0, 0), &square, 0, 0, 1};
    Sprite front{12, Point3D(2, 2, 0), &square, 0, 0, 1};
};

TEST_F(PickingTest, SelectingTakesTheFrontSpriteThenTheLandscapeThenBeeps) {
    struct Row {
        Point p;
        short landscape; // what the landscape answers; -2 for no answer
        Labels calls;
        std::string trace; // of the last call
    };
    const std::vector<Row> rows = {
        {{3, 3}, -2, {"L.h1"}, "L.h1 send short:12"},       // both hit: the front one
        {{2, 2}, -2, {"L.h1"}, "L.h1 send short:12"},       //
        {{1, 1}, -2, {"L.h1"}, "L.h1 send short:11"},       // only the back one
        {{5, 5}, -2, {"L.h1"}, "L.h1 send short:12"},       //
        {{6, 6}, 7, {"D.h2", "L.h1"}, "L.h1 send short:7"}, // none: the landscape's region
        {{6, 6}, -1, {"D.h2"}, "D.h2 query Point"},         // the landscape has none
        {{-1, 0}, -2, {"D.h2"}, "D.h2 query Point"},        // nobody answers
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.p.x << "," << r.p.y);
        rec().actions.erase({&display, 2});
        if (r.landscape != -2) landscapeAnswers(r.landscape);
        const std::size_t beeps = std::count(app.log.begin(), app.log.end(), "beep");
        EXPECT_EQ(at(POINT_SELECTED, r.p), r.calls);
        EXPECT_EQ(rec().traces().back(), r.trace);
        EXPECT_EQ(std::count(app.log.begin(), app.log.end(), "beep") - beeps,
                  r.calls.back() == "L.h1" ? 0 : 1);
    }
}

TEST_F(PickingTest, AFlybyIsSentOncePerRegion) {
    EXPECT_EQ(at(POINT_FLYBY, Point(3, 3)), (Labels{"L.h2"}));
    EXPECT_EQ(at(POINT_FLYBY, Point(4, 4)), Labels{});
    EXPECT_EQ(at(POINT_FLYBY, Point(1, 1)), (Labels{"L.h2"}));
    EXPECT_EQ(at(POINT_FLYBY, Point(40, 40)), (Labels{"D.h2"})); // no region: nothing, and 11 is kept
    EXPECT_EQ(layer->lastFlybyId(), 11);
    EXPECT_EQ(at(POINT_FLYBY, Point(0, 0)), Labels{});
    landscapeAnswers(12);
    EXPECT_EQ(at(POINT_FLYBY, Point(40, 40)), (Labels{"D.h2", "L.h2"}));
    EXPECT_EQ(rec().traces().back(), "L.h2 send short:12");
    EXPECT_EQ(std::count(app.log.begin(), app.log.end(), "beep"), 0);
}

TEST_F(PhysicalLayerTest, WhatTheLayerSaysOfSpritesRegionsAndRedrawingStaysBelowIt) {
    attachDisplay();
    test::FailedChecks checks; // the layer's own handlers refuse the stand-in payload
    struct Row {
        BusMessage event;
        bool rises;
    };
    const auto named = [](const char* name) { return BusMessage(RegisteredMessage::getId(name)); };
    // clang-format off
    const std::vector<Row> rows = {
        {SPRITE_CREATED, false}, {named("SpriteDestroyed"), false}, {SPRITE_DISABLED, false},
        {SPRITE_ENABLED, false}, {PHYSICAL_OBJECT_ACTIVATED, false}, {PHYSICAL_OBJECT_DEACTIVATED, false},
        {VIEWPORT_DESTROYED, false}, {POINT_SELECTED, false}, {POINT_FLYBY, false},
        {named("Get Region Location"), false}, {FIND_REGION, false}, {INVALIDATE_LANDSCAPE, false},
        {INVALIDATE_VIEW, false}, {REGION_SELECTED, true}, {SCROLL_TO, true}, {named("Done"), true}};
    // clang-format on
    for (const Row& r : rows) {
        SCOPED_TRACE(r.event.id());
        rec().reset();
        logic.setup = nullptr;
        test::connectAll({{&logic, r.event, test::h5}});
        Container<long> payload(0);
        onLayer(r.event, &payload);
        EXPECT_EQ(!rec().calls.empty() && rec().calls.back().label == "L.h5", r.rises);
        logic.disconnect(r.event, test::h5);
    }
}

TEST_F(PhysicalLayerTest, CloseGameEmptiesTheLayer) {
    attachDisplay();
    createUnit(4, 10, 1);
    createUnit(5, 11, 2);
    Sprite a(0, Point3D(), &square, 0, 0, 1), b(0, Point3D(), &square, 0, 0, 1);
    spriteEvent(SPRITE_CREATED, &a);
    spriteEvent(SPRITE_CREATED, &b);
    spriteEvent(SPRITE_DISABLED, &b);
    layer->addViewport(new Viewport(new test::TestWindow()));
    Container<short> client(3);
    onLayer(PHYSICAL_OBJECT_ACTIVATED, &client);
    // Two prototypes and two objects; one window.
    EXPECT_EQ((std::tuple{TestDisplayObject::live, test::TestWindow::live}), std::tuple(4, 1));
    game.sendNamed("CloseGame", nullptr);
    EXPECT_EQ((std::tuple{layer->objects().isEmpty(), layer->viewports().isEmpty(),
                          layer->orderedSprites().isEmpty(), layer->disabledSprites().isEmpty(),
                          layer->clients().isEmpty(), runningTimersOf(layer.get()), TestDisplayObject::live,
                          test::TestWindow::live}),
              std::tuple(true, true, true, true, true, 0, 2, 0));
}

TEST_F(PhysicalLayerTest, AViewportGoesWithItsWindowAndOnlyThatOne) {
    auto* w1 = new test::TestWindow("W1");
    auto* w2 = new test::TestWindow("W2");
    Viewport* v1 = new Viewport(w1);
    layer->addViewport(v1);
    layer->addViewport(new VaelViewport(w2));
    EXPECT_EQ(w1->getBus(), v1);
    test::TestWindow stranger("S");
    for (Component* gone : {static_cast<Component*>(&stranger), static_cast<Component*>(nullptr),
                            static_cast<Component*>(w1)}) {
        Container<ViewportWindow*> box(gone);
        game.send(&logic, VIEWPORT_DESTROYED, &box); // from the parent, as the frame sends it
    }
    ASSERT_EQ(test::valuesOf(layer->viewports()).size(), 1u);
    EXPECT_EQ(test::valuesOf(layer->viewports())[0]->display(), w2);
    EXPECT_EQ(test::TestWindow::live, 2); // W2 and the stranger
}

TEST(PhysicalLayerPrototypes, TheLastLayerToGoDeletesThem) {
    test::TestApplication app;
    auto first = std::make_unique<PhysicalLayer>();
    auto second = std::make_unique<PhysicalLayer>("Reversed");
    EXPECT_EQ((std::tuple{second->getName(), first->getName(), PhysicalLayer::liveLayers()}),
              std::tuple("Reversed", "PhysicalLayer--Vector Bus", 2));
    auto* kept = new TestDisplayObject("Foot", 0, {});
    PhysicalLayer::registerPrototype(10, new TestDisplayObject("Foot", 0, {}));
    PhysicalLayer::registerPrototype(10, kept); // replaces, and deletes, the first
    PhysicalLayer::registerPrototype(10, kept); // the same one again changes nothing
    PhysicalLayer::registerPrototype(11, new TestDisplayObject("Horse", 0, {}));
    EXPECT_EQ((std::tuple{TestDisplayObject::live, PhysicalLayer::prototype(10)}), std::tuple(2, kept));
    first.reset();
    EXPECT_EQ((std::tuple{TestDisplayObject::live, PhysicalLayer::prototype(10)}), std::tuple(2, kept));
    second.reset();
    EXPECT_EQ(
        (std::tuple{TestDisplayObject::live, PhysicalLayer::prototype(10), PhysicalLayer::liveLayers()}),
        std::tuple(0, nullptr, 0));
}

} // namespace
} // namespace vael
