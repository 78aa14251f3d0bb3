// The game physical layer's smaller messages: picking a point front to back, fly-by sent once per region,
// the hex grid switched once, the first and last movement announced, flags raised and lowered, a
// replenished unit's flags dropped and the hexes a unit stands on.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "game/flow/leader_activation.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/scenario_records.h"
#include "support/map/display_object_double.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

using Log = std::vector<std::string>;

// Writes down what reaches it: the event or message name and the payload's short when it has one.
class Listener : public Component {
public:
    explicit Listener(std::vector<std::string> names) : Component("Listener"), names_(std::move(names)) {}
    void connectHandlers() override {
        connect(REGION_SELECTED, onEvent);
        connect(REGION_FLYBY, onEvent);
        connect(ENABLE_MENU_ITEM, onEvent);
        connect(DISABLE_MENU_ITEM, onEvent);
        for (const std::string& n : names_)
            connectNamed(n, onEvent);
    }
    Log log;

private:
    static ContainerBase* onEvent(Component* t, BusMessage event, ContainerBase* d) {
        std::string line = event.id() == REGION_SELECTED    ? "REGION_SELECTED"
                           : event.id() == REGION_FLYBY     ? "REGION_FLYBY"
                           : event.id() == ENABLE_MENU_ITEM ? "ENABLE"
                           : event.id() == DISABLE_MENU_ITEM
                               ? "DISABLE"
                               : RegisteredMessage::nameOf(static_cast<std::uint16_t>(event.id()));
        short v = 0;
        BusMessage m;
        if (d && Container<short>::fromMessage(d, v)) line += " " + std::to_string(v);
        if (Container<BusMessage>::fromMessage(d, m))
            line += " " + RegisteredMessage::nameOf(static_cast<std::uint16_t>(m.id()));
        static_cast<Listener*>(t)->log.push_back(line);
        return nullptr;
    }
    std::vector<std::string> names_;
};

// A sprite of a region that counts as hit inside its bounds.
class RegionSprite : public Sprite {
public:
    RegionSprite(std::uint16_t region, Box box, std::int16_t y)
        : Sprite(region, Point3D(0, y, 0), nullptr, 0, 0, 0), box_(box) {}
    Box bounds() const override { return box_; }
    std::int16_t hitTest(const Point& p) const override {
        return p.x >= box_.x && p.y >= box_.y && p.x < box_.x + box_.w && p.y < box_.y + box_.h;
    }
    Box box_;
};

class PhysicalLayerMessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        DisplayObjectDouble::log.clear();
        VaelPhysicalLayer::clearViewFlags();
        layers = std::make_unique<VaelPhysicalLayers>(app);
        PhysicalLayer::registerPrototype(7, new DisplayObjectDouble("Foot", 0, 1));
        LandscapeDefinition def{1, Point(3, 4), 12, 0};
        normal().beginLandscape(def);
        reversed().beginLandscape(def);
    }
    void TearDown() override {
        listener.detach();
        layers.reset();
        VaelPhysicalLayer::clearViewFlags();
    }
    VaelPhysicalLayer& normal() { return layers->normal(); }
    VaelPhysicalLayer& reversed() { return layers->reversed(); }
    void create(std::uint16_t unit, std::int16_t hex) {
        Container<LogicalCommandInfo> box(LogicalCommandInfo(
            unit, new Container<LOCreateInfo>(LOCreateInfo{7, 1, 1}), static_cast<std::uint16_t>(hex)));
        app.send(LOGICAL_UNIT_CREATED, &box);
    }
    std::string id(VaelPhysicalLayer& l, std::uint16_t unit) {
        return "#" + std::to_string(l.objectId(unit));
    }

    TestApplication app;
    std::unique_ptr<VaelPhysicalLayers> layers;
    Listener listener{{"Movement", "NoMovement"}};
};

TEST_F(PhysicalLayerMessagesTest, TheFrontmostSpriteIsPickedAndNothingHitBeeps) {
    listener.attach(normal());
    RegionSprite back(101, Box(10, 10, 50, 50), 10), front(102, Box(30, 30, 50, 50), 40);
    normal().insertSprite(&back);
    normal().insertSprite(&front);
    struct Row {
        Point at;
        Log expected;
        std::size_t beeps;
    } rows[] = {
        {Point(35, 35), {"REGION_SELECTED 102"}, 0}, // both hit: the one in front
        {Point(15, 15), {"REGION_SELECTED 101"}, 0},
        {Point(79, 79), {"REGION_SELECTED 102"}, 0},
        {Point(80, 80), {}, 1}, // past both, and the landscape has no hexes yet
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.at.x) + "," + std::to_string(r.at.y));
        listener.log.clear();
        app.log.clear();
        Container<PointInfo> box(PointInfo{r.at, 0});
        normal().sendNamed("VaelPointSelected", &box);
        EXPECT_EQ(listener.log, r.expected);
        EXPECT_EQ(static_cast<std::size_t>(std::count(app.log.begin(), app.log.end(), "beep")), r.beeps);
    }
    for (List<Sprite*>* cell : {const_cast<List<Sprite*>*>(normal().gridCell(0, 1)),
                                const_cast<List<Sprite*>*>(normal().gridCell(1, 1))})
        cell->clear();
}

TEST_F(PhysicalLayerMessagesTest, AFlybyIsSentOncePerRegion) {
    listener.attach(normal());
    RegionSprite s(101, Box(10, 10, 50, 50), 10), t(203, Box(100, 10, 20, 20), 10);
    normal().insertSprite(&s);
    normal().insertSprite(&t);
    for (Point p : {Point(20, 20), Point(25, 25), Point(110, 15), Point(300, 300), Point(20, 20)}) {
        Container<PointInfo> box(PointInfo{p, 0});
        normal().sendNamed("VaelPointFlyby", &box);
    }
    EXPECT_EQ(listener.log, (Log{"REGION_FLYBY 101", "REGION_FLYBY 203", "REGION_FLYBY 101"}));
    EXPECT_EQ(std::count(app.log.begin(), app.log.end(), "beep"), 0);
    for (int c = 0; c < 3; ++c)
        const_cast<List<Sprite*>*>(normal().gridCell(static_cast<std::int16_t>(c), 1))->clear();
}

// The pointer off every hex (past the map's edge, on the overview, out of the map window) takes the hex's
// description off the status bar, once; back on a hex, the fly-by of that hex is sent again.
TEST_F(PhysicalLayerMessagesTest, ThePointerOffTheHexesClearsTheStatusBarOnce) {
    listener.attach(normal());
    RegionSprite s(101, Box(10, 10, 50, 50), 10);
    normal().insertSprite(&s);
    using Texts = std::vector<std::pair<std::int16_t, std::string>>;
    const Texts cleared{{1, ""}, {2, ""}};
    const auto fly = [&](Point p) {
        Container<PointInfo> box(PointInfo{p, 0});
        normal().sendNamed("VaelPointFlyby", &box);
    };
    app.statusTexts.clear();
    fly(Point(300, 300)); // nothing was described: nothing to clear
    EXPECT_EQ(app.statusTexts, Texts{});
    fly(Point(20, 20));
    fly(Point(300, 300));
    EXPECT_EQ(app.statusTexts, cleared);
    fly(Point(310, 310));
    normal().sendNamedEmpty("VaelPointOffHexes");
    EXPECT_EQ(app.statusTexts, cleared) << "cleared once";
    fly(Point(20, 20));
    normal().sendNamedEmpty("VaelPointOffHexes");
    normal().sendNamedEmpty("VaelPointOffHexes");
    EXPECT_EQ(app.statusTexts, (Texts{{1, ""}, {2, ""}, {1, ""}, {2, ""}}));
    EXPECT_EQ(listener.log, (Log{"REGION_FLYBY 101", "REGION_FLYBY 101"}));
    const_cast<List<Sprite*>*>(normal().gridCell(0, 1))->clear();
}

TEST_F(PhysicalLayerMessagesTest, TheHexGridIsSwitchedOnceEachWay) {
    listener.attach(app);
    // Each view's layer switches its own landscapes and tells the menu.
    for (const char* m : {"ToggleHexGridOn", "ToggleHexGridOn", "ToggleHexGridOff", "ToggleHexGridOff"})
        app.sendNamedEmpty(m);
    EXPECT_EQ(listener.log,
              (Log{"ENABLE ToggleHexGridOff", "DISABLE ToggleHexGridOn", "ENABLE ToggleHexGridOff",
                   "DISABLE ToggleHexGridOn", "ENABLE ToggleHexGridOn", "DISABLE ToggleHexGridOff",
                   "ENABLE ToggleHexGridOn", "DISABLE ToggleHexGridOff"}));
    EXPECT_EQ(normal().hexGridShown(), 0);
}

TEST_F(PhysicalLayerMessagesTest, TheFirstMovementAndTheEndOfTheLastAreAnnounced) {
    listener.attach(normal());
    for (auto [name, id] : std::vector<std::pair<const char*, short>>{{"PhysicalObjectMoving", 3},
                                                                      {"PhysicalObjectMoving", 4},
                                                                      {"PhysicalObjectMoving", 3},
                                                                      {"PhysicalObjectNotMoving", 3},
                                                                      {"PhysicalObjectNotMoving", 3},
                                                                      {"PhysicalObjectNotMoving", 4},
                                                                      {"PhysicalObjectMoving", 5}}) {
        Container<short> box(id);
        normal().sendNamed(name, &box);
    }
    EXPECT_EQ(listener.log, (Log{"Movement 0", "NoMovement 0", "Movement 0"})); // an empty box reads as 0
}

TEST_F(PhysicalLayerMessagesTest, FlagsAreLoweredBeforeTheNewOnesGoUpGreyForUnitsAlreadyOrdered) {
    for (std::uint16_t u = 0; u < 3; ++u)
        create(u, static_cast<std::int16_t>(101 + u));
    RaiseFlagsStruct first;
    first.flags.append(0);
    first.flags.append(1);
    first.grayFlags.append(1);
    first.nation = 2;
    Container<RaiseFlagsStruct> a(first);
    app.sendNamed("RaiseFlags", &a);
    RaiseFlagsStruct second;
    second.flags.append(2);
    second.nation = 1;
    Container<RaiseFlagsStruct> b(second);
    app.sendNamed("RaiseFlags", &b);
    // Each view's objects in turn (both layers number their objects alike).
    ASSERT_EQ(id(normal(), 0), id(reversed(), 0));
    const Log once{id(normal(), 0) + " RaiseFlags u0 v0 r-", id(normal(), 1) + " RaiseGrayFlags u0 v0 r-"};
    const Log twice{id(normal(), 0) + " LowerFlags u0 v0 r-", id(normal(), 1) + " LowerFlags u0 v0 r-",
                    id(normal(), 2) + " RaiseFlags u0 v0 r-"};
    Log expected = once;
    expected.insert(expected.end(), once.begin(), once.end());
    expected.insert(expected.end(), twice.begin(), twice.end());
    expected.insert(expected.end(), twice.begin(), twice.end());
    EXPECT_EQ(DisplayObjectDouble::log, expected);
    EXPECT_EQ(normal().flaggedObjects().count(), 1);
}

TEST_F(PhysicalLayerMessagesTest, AReplenishedUnitDropsItsFlagsAndAUnitTellsItsHexes) {
    create(0, 101);
    Container<short> unit(0);
    app.sendNamed("UnitReplenished", &unit);
    EXPECT_EQ(DisplayObjectDouble::log, (Log(2, id(normal(), 0) + " DropFlags u0 v0 s0 r-")));
    std::unique_ptr<ContainerBase> answer(normal().queryNamed("GetUnitRegions", &unit));
    List<short> hexes;
    ASSERT_TRUE(Container<List<short>>::fromMessage(answer.get(), hexes));
    short h = 0;
    EXPECT_EQ((std::tuple{hexes.count(), hexes.first(h), h}), std::tuple(1, true, 101));
    Container<short> none(9);
    std::unique_ptr<ContainerBase> empty(normal().queryNamed("GetUnitRegions", &none));
    ASSERT_TRUE(Container<List<short>>::fromMessage(empty.get(), hexes));
    EXPECT_TRUE(hexes.isEmpty());
}

} // namespace
} // namespace vael::test
