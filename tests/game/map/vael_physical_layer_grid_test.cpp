// The game physical layer's sprite grid at the map's edges and its re-filing on the tick, the tick's rates
// on the virtual clock, and its part of a saved game pinned by hand-written bytes in both orders.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "framework/core/bus_event.h"
#include "framework/display/viewport.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/scenario_records.h"
#include "support/map/display_object_double.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

using Cells = std::set<std::pair<int, int>>; // (column, row)
using Bytes = std::vector<std::uint8_t>;

class BoxSprite : public Sprite {
public:
    explicit BoxSprite(Box box, std::int16_t y = 0)
        : Sprite(0, Point3D(0, y, 0), nullptr, 0, 0, 0), box_(box) {}
    Box bounds() const override { return box_; }
    Box box_;
};

class PhysicalLayerGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        DisplayObjectDouble::log.clear();
        DisplayObjectDouble::ticks = 0;
        VaelPhysicalLayer::clearViewFlags();
        layers = std::make_unique<VaelPhysicalLayers>(app);
        PhysicalLayer::registerPrototype(7, new DisplayObjectDouble("Foot", 0, 1));
        // 4 hex rows across, 3 columns down: 520 by 192 pixels, a grid of 10 columns and 5 rows.
        LandscapeDefinition def{1, Point(3, 4), 12, 0};
        normal().beginLandscape(def);
        reversed().beginLandscape(def);
    }
    void TearDown() override {
        layers.reset();
        VaelPhysicalLayer::clearViewFlags();
    }
    VaelPhysicalLayer& normal() { return layers->normal(); }
    VaelPhysicalLayer& reversed() { return layers->reversed(); }
    Cells cellsOf(Sprite* s) {
        Cells cells;
        for (int row = 0; row < normal().gridSize().h; ++row)
            for (int column = 0; column < normal().gridSize().w; ++column) {
                const List<Sprite*>* cell =
                    normal().gridCell(static_cast<std::int16_t>(column), static_cast<std::int16_t>(row));
                int n = 0;
                Item<Sprite*>* it = nullptr;
                for (cell->firstItem(it); it; it = it->next)
                    n += it->value == s;
                EXPECT_LE(n, 1);
                if (n) cells.insert({column, row});
            }
        return cells;
    }
    void create(std::uint16_t unit, std::int16_t hex, std::uint32_t facing, std::uint32_t nation) {
        Container<LogicalCommandInfo> box(
            LogicalCommandInfo(unit, new Container<LOCreateInfo>(LOCreateInfo{7, facing, nation}),
                               static_cast<std::uint16_t>(hex)));
        app.send(LOGICAL_UNIT_CREATED, &box);
    }

    TestApplication app;
    std::unique_ptr<VaelPhysicalLayers> layers;
};

TEST_F(PhysicalLayerGridTest, SpritesAreFiledIntoTheCellsTheyTouchClampedAtTheEdges) {
    ASSERT_EQ((std::pair{normal().gridSize().w, normal().gridSize().h}),
              (std::pair<std::int16_t, std::int16_t>{10, 5}));
    struct Row {
        const char* name;
        Box box;
        Cells cells;
    } rows[] = {
        {"top left", Box(0, 0, 10, 10), {{0, 1}}},
        {"one pixel above the top is row 0", Box(10, -1, 5, 1), {{0, 0}, {0, 1}}},
        {"160 above the top: first row floored, last truncated", Box(10, -160, 5, 1), {{0, 0}, {0, 1}}},
        {"161 above the top is clamped to row 0", Box(10, -161, 5, 1), {{0, 0}}},
        {"right edge left of x = 0", Box(-70, -150, 10, 5), {{0, 0}, {0, 1}}},
        {"right edge at -65 is in no column", Box(-75, 0, 10, 5), {}},
        {"across a cell corner", Box(64, 159, 2, 2), {{0, 1}, {1, 1}, {0, 2}, {1, 2}}},
        {"right edge on the next cell", Box(0, 0, 65, 1), {{0, 1}, {1, 1}}},
        {"right edge one short of it", Box(0, 0, 64, 1), {{0, 1}}},
        {"clamped right and down", Box(585, 480, 100, 200), {{9, 4}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        BoxSprite s(r.box);
        s.setChanged(1);
        normal().insertSprite(&s);
        EXPECT_EQ(cellsOf(&s), r.cells);
        EXPECT_EQ(s.isChanged(), 0);
        for (int row = 0; row < 5; ++row)
            for (int column = 0; column < 10; ++column)
                const_cast<List<Sprite*>*>(
                    normal().gridCell(static_cast<std::int16_t>(column), static_cast<std::int16_t>(row)))
                    ->removeAll(&s);
    }
}

TEST_F(PhysicalLayerGridTest, CellsKeepDrawingOrderBackToFront) {
    // The framework's order: a sprite lower on the map (greater y) draws later.
    struct Located : BoxSprite {
        explicit Located(std::int16_t y) : BoxSprite(Box(0, 0, 10, 10), y) {}
    };
    Located a(50), b(10), c(30), d(30);
    for (Sprite* s : {static_cast<Sprite*>(&a), static_cast<Sprite*>(&b), static_cast<Sprite*>(&c),
                      static_cast<Sprite*>(&d)})
        normal().insertSprite(s);
    std::vector<Sprite*> order;
    Item<Sprite*>* it = nullptr;
    for (normal().gridCell(0, 1)->firstItem(it); it; it = it->next)
        order.push_back(it->value);
    EXPECT_EQ(order, (std::vector<Sprite*>{&b, &c, &d, &a}));
}

TEST_F(PhysicalLayerGridTest, AChangedSpriteIsFiledAgainOnceOnTheTick) {
    BoxSprite moving(Box(64, 159, 2, 2)), still(Box(0, 0, 10, 10));
    normal().insertSprite(&moving);
    normal().insertSprite(&still);
    moving.box_ = Box(200, 330, 10, 10);
    moving.setChanged(1);
    normal().updateDisplay(100);
    EXPECT_EQ(cellsOf(&moving), (Cells{{3, 3}}));
    EXPECT_EQ(cellsOf(&still), (Cells{{0, 1}}));
    EXPECT_EQ(moving.isChanged(), 0);
    // Unchanged, it stays where it was filed even though its bounds say otherwise.
    moving.box_ = Box(0, 0, 10, 10);
    normal().updateDisplay(200);
    EXPECT_EQ(cellsOf(&moving), (Cells{{3, 3}}));
}

// Sprites changed in any order are filed again in the order a row-by-row walk of the grid meets them:
// first by the first cell they stand in, then by their place in that cell. Sprites that draw alike keep
// that order in the cells they land in.
TEST_F(PhysicalLayerGridTest, ChangedSpritesAreFiledAgainInTheOrderOfTheGrid) {
    BoxSprite p(Box(0, 0, 10, 10)), q(Box(0, 0, 10, 10)), r(Box(0, 0, 10, 10)), s(Box(10, -1, 5, 1));
    for (Sprite* each : {static_cast<Sprite*>(&p), static_cast<Sprite*>(&q), static_cast<Sprite*>(&r),
                         static_cast<Sprite*>(&s)})
        normal().insertSprite(each);
    const auto cellOrder = [&] {
        std::vector<Sprite*> order;
        Item<Sprite*>* it = nullptr;
        for (normal().gridCell(0, 1)->firstItem(it); it; it = it->next)
            order.push_back(it->value);
        return order;
    };
    ASSERT_EQ(cellOrder(), (std::vector<Sprite*>{&p, &q, &r, &s}));
    // s stands in cell (0, 0) as well, met before (0, 1); in (0, 1) p comes before r.
    for (Sprite* each : {static_cast<Sprite*>(&r), static_cast<Sprite*>(&p), static_cast<Sprite*>(&s)})
        each->setChanged(1);
    normal().updateDisplay(100);
    EXPECT_EQ(cellOrder(), (std::vector<Sprite*>{&q, &s, &p, &r}));
    EXPECT_EQ(cellsOf(&s), (Cells{{0, 0}, {0, 1}}));
    for (Sprite* each : {static_cast<Sprite*>(&p), static_cast<Sprite*>(&q), static_cast<Sprite*>(&r),
                         static_cast<Sprite*>(&s)})
        normal().removeSprite(each);
}

// A sprite taken off the layer is not filed again by a later change, and one whose flag went down
// before the tick stays where it was filed.
TEST_F(PhysicalLayerGridTest, RemovedOrSettledSpritesAreNotFiledAgain) {
    BoxSprite gone(Box(0, 0, 10, 10)), settled(Box(0, 0, 10, 10));
    normal().insertSprite(&gone);
    normal().insertSprite(&settled);
    normal().removeSprite(&gone);
    gone.setChanged(1);
    settled.box_ = Box(200, 330, 10, 10);
    settled.setChanged(1);
    settled.setChanged(0);
    normal().updateDisplay(100);
    EXPECT_EQ(cellsOf(&gone), Cells{});
    EXPECT_EQ(cellsOf(&settled), (Cells{{0, 1}}));
    // Raised again, it moves on the next tick.
    settled.setChanged(1);
    normal().updateDisplay(200);
    EXPECT_EQ(cellsOf(&settled), (Cells{{3, 3}}));
    normal().removeSprite(&settled);
}

int runningTimersOf(Component* c) {
    int n = 0;
    for (int slot = 0; slot < Application::TimerSlots; ++slot)
        n += Application::instance()->timer(slot).callback.component == c &&
             Application::instance()->timer(slot).state == TimerCallback::Running;
    return n;
}

TEST_F(PhysicalLayerGridTest, TheTickRunsOncePerSecondHiddenTenTimesShownAndNotWithoutClients) {
    create(0, 101, 1, 1);
    const short id = normal().objectId(0);
    normal().addClient(id);
    EXPECT_EQ((std::tuple{normal().timerRate(), runningTimersOf(&normal())}), std::tuple(1, 1));
    auto runFor = [&](std::uint32_t ms) {
        DisplayObjectDouble::ticks = 0;
        const std::uint32_t end = app.clock + ms;
        while (app.clock < end && app.timerPeriod)
            app.tickSystemTimer();
        return DisplayObjectDouble::ticks;
    };
    EXPECT_EQ(runFor(3000), 3);
    normal().addMapViewport(new Viewport(nullptr));
    EXPECT_EQ((std::tuple{normal().timerRate(), runningTimersOf(&normal())}), std::tuple(10, 1));
    EXPECT_EQ(runFor(3000), 30);
    Viewport* v = nullptr;
    normal().viewports().first(v);
    normal().deleteViewport(v->display());
    EXPECT_EQ(normal().timerRate(), 1);
    EXPECT_EQ(runFor(2000), 2);
    normal().addClient(id); // counted once
    normal().removeClient(id);
    EXPECT_EQ((std::tuple{normal().timerRate(), runningTimersOf(&normal()), normal().clients().count()}),
              std::tuple(0, 0, 0));
}

// Saved games: a 16-byte header of zeros, then each layer's block; the normal view's unit stands on hex
// 101 (index 6 normal, 5 reversed) in blue; the object's own state is its facing.
Bytes header() {
    return Bytes(16, 0);
}
void put(Bytes& b, std::initializer_list<int> v) {
    for (int x : v)
        b.push_back(static_cast<std::uint8_t>(x));
}
Bytes block(std::uint16_t grid, std::uint16_t selected, int blueAt, int facing) {
    Bytes b;
    put(b, {grid, 0, selected, 0, 1, 0});
    for (int i = 0; i < 12; ++i)
        if (i == blueAt)
            put(b, {0x00, 0x00, 0xFF, 0x00});
        else
            put(b, {0xFF, 0xFF, 0xFF, 0xFF});
    put(b, {facing, 0});
    return b;
}

TEST_F(PhysicalLayerGridTest, BothLayersSaveInEitherOrderAndLoadBackByteForByte) {
    create(0, 101, 1, 2);
    Container<LogicalCommandInfo> select(LogicalCommandInfo(0));
    app.send(LOGICAL_OBJECT_SELECTED, &select);
    const Bytes n = block(0, 1, 6, 3), r = block(0, 1, 5, 7);
    for (bool normalFirst : {true, false}) {
        SCOPED_TRACE(normalFirst);
        Bytes file = header();
        VaelPhysicalLayer& first = normalFirst ? normal() : reversed();
        VaelPhysicalLayer& second = normalFirst ? reversed() : normal();
        ASSERT_TRUE(first.saveGameBytes(file));
        ASSERT_TRUE(second.saveGameBytes(file));
        Bytes expected = header();
        expected[4] = 16;
        const int firstAt = 24, secondAt = 24 + 56;
        const int normalAt = normalFirst ? firstAt : secondAt, reversedAt = normalFirst ? secondAt : firstAt;
        put(expected, {normalAt, 0, 0, 0, reversedAt, 0, 0, 0});
        const Bytes& a = normalFirst ? n : r;
        const Bytes& b = normalFirst ? r : n;
        expected.insert(expected.end(), a.begin(), a.end());
        expected.insert(expected.end(), b.begin(), b.end());
        EXPECT_EQ(file, expected);

        // A fresh battle on the same map: colours gone, then the load brings them back in both layers.
        for (VaelPhysicalLayer* l : {&normal(), &reversed()}) {
            l->beginLandscape(LandscapeDefinition{1, Point(3, 4), 12, 0});
            ASSERT_TRUE(l->loadGameBytes(file));
        }
        Bytes again = header();
        ASSERT_TRUE(first.saveGameBytes(again));
        ASSERT_TRUE(second.saveGameBytes(again));
        EXPECT_EQ(again, file);
    }
}

TEST_F(PhysicalLayerGridTest, AHandWrittenSaveLoadsAndABrokenOneChangesNothing) {
    create(0, 101, 1, 2);
    Bytes file = header();
    file[4] = 16;
    put(file, {24, 0, 0, 0, 0, 0, 0, 0});
    Bytes b = block(1, 1, 0, 5);
    file.insert(file.end(), b.begin(), b.end());
    ASSERT_TRUE(normal().loadGameBytes(file));
    PhysicalObject* o = nullptr;
    normal().objects().first(o);
    EXPECT_EQ((std::tuple{normal().hexGridShown(), normal().unitSelected(), normal().hexColours()[0],
                          normal().hexColours()[6], dynamic_cast<DisplayObjectDouble*>(o)->facing()}),
              std::tuple(1, 1, 0xFF0000u, 0xFFFFFFFFu, 5));
    // The reversed view's slot is empty: nothing to load.
    EXPECT_FALSE(reversed().loadGameBytes(file));
    EXPECT_EQ(reversed().hexColour(101), 0xFF0000u);

    struct Row {
        const char* name;
        Bytes bytes;
    } broken[] = {
        {"header cut short", Bytes(file.begin(), file.begin() + 7)},
        {"table past the end",
         [&] {
             Bytes x = file;
             x[4] = 0xF0;
             return x;
         }()},
        {"table cut short", Bytes(file.begin(), file.begin() + 22)},
        {"colours cut short", Bytes(file.begin(), file.end() - 5)},
        {"colour flag 2",
         [&] {
             Bytes x = file;
             x[28] = 2;
             return x;
         }()},
        {"no table",
         [&] {
             Bytes x = file;
             x[4] = 0;
             return x;
         }()},
    };
    for (const Row& row : broken) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(normal().loadGameBytes(row.bytes));
        EXPECT_EQ((std::tuple{normal().hexGridShown(), normal().hexColours()[0]}), std::tuple(1, 0xFF0000u));
    }
}

TEST_F(PhysicalLayerGridTest, AdoptedObjectsAreShownButNotSaved) {
    create(0, 101, 1, 2);
    auto* debris = new DisplayObjectDouble("Debris", 102, 4);
    Container<VaelDisplayObject*> box(debris);
    // Seen through the map's interface, the object travels under the name it always had on the bus.
    EXPECT_EQ(box.typeName(), "VaelPhysicalObject *");
    normal().sendNamed("PhysicalObjectCreated", &box);
    EXPECT_EQ((std::tuple{normal().objects().count(), debris->layer(), debris->reversedView()}),
              std::tuple(2, static_cast<VaelFigureLayer*>(&normal()), 0));
    Bytes file = header();
    ASSERT_TRUE(normal().saveGameBytes(file));
    EXPECT_EQ(file.size(), 16u + 8u + 56u); // the unit's two bytes only
    EXPECT_TRUE(normal().loadGameBytes(file));
    EXPECT_EQ(debris->facing(), 4);
}

} // namespace
} // namespace vael::test
