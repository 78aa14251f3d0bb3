// The game's physical layers of both views on the application bus, with display-object doubles: objects
// made from prototypes with their screen facings, commands rewritten on their way, combat results given by
// one object of the view on screen, the rampage held and replayed, the hex colours, the sprite grid at the
// map's edges, the tick's rates and boxes, and the layers' part of a saved game.
#include "game/map/vael_physical_layer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "framework/core/bus_event.h"
#include "framework/core/super_string.h"
#include "framework/display/viewport.h"
#include "game/flow/leader_activation.h"
#include "game/flow/shock_records.h"
#include "game/rules/combat/missile_fire_struct.h"
#include "game/rules/scenario_records.h"
#include "hex_map_fixture.h"
#include "support/display/image_bytes.h"
#include "support/failed_checks.h"
#include "support/map/display_object_double.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

using Log = std::vector<std::string>;

BusMessage named(const char* name) {
    return BusMessage(RegisteredMessage::getId(name));
}

// Words of a hand-written record, little-endian as the file keeps them.
using Bytes = std::vector<std::uint8_t>;
void put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v)), b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32(Bytes& b, std::uint32_t v) {
    put16(b, v & 0xFFFF), put16(b, v >> 16);
}

// A sprite whose bounds a test writes down.
class BoxSprite : public Sprite {
public:
    BoxSprite(Box box, std::int16_t y) : Sprite(0, Point3D(0, y, 0), nullptr, 0, 0, 0), box_(box) {}
    Box bounds() const override { return box_; }
    Box box_;
};

class VaelPhysicalLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        DisplayObjectDouble::log.clear();
        DisplayObjectDouble::tickBoxes.clear();
        VaelPhysicalLayer::clearViewFlags();
        layers = std::make_unique<VaelPhysicalLayers>(app);
        PhysicalLayer::registerPrototype(7, new DisplayObjectDouble("Foot", 0, 1));
    }
    void TearDown() override {
        layers.reset();
        VaelPhysicalLayer::clearViewFlags();
    }
    VaelPhysicalLayer& normal() { return layers->normal(); }
    VaelPhysicalLayer& reversed() { return layers->reversed(); }

    // A map 4 hex rows by 3 columns on both layers.
    void landscape() {
        LandscapeDefinition def{1, Point(3, 4), 12, 0};
        normal().beginLandscape(def);
        reversed().beginLandscape(def);
    }
    void create(std::uint16_t unit, std::int16_t hex, std::uint32_t facing, std::uint32_t nation = 1) {
        Container<LogicalCommandInfo> box(
            LogicalCommandInfo(unit, new Container<LOCreateInfo>(LOCreateInfo{7, facing, nation}),
                               static_cast<std::uint16_t>(hex)));
        app.send(LOGICAL_UNIT_CREATED, &box);
    }
    void command(LogicalCommandInfo c) {
        Container<LogicalCommandInfo> box(std::move(c));
        app.send(LOGICAL_COMMAND, &box);
    }
    void showMap(VaelPhysicalLayer& layer) { layer.addMapViewport(new Viewport(nullptr)); }
    // What a save of the views writes before the record of what they have under way: the display part.
    Bytes displayPart() {
        Bytes saved(8, 0);
        EXPECT_TRUE(layers->saveGameBytes(saved));
        const auto tag = std::search(saved.begin(), saved.end(), VaelPhysicalLayers::UnderWayTag,
                                     VaelPhysicalLayers::UnderWayTag + 4);
        EXPECT_NE(tag, saved.end());
        return Bytes(saved.begin(), tag);
    }

    TestApplication app;
    std::unique_ptr<VaelPhysicalLayers> layers;
};

TEST_F(VaelPhysicalLayerTest, EveryUnitGetsAnObjectOnBothViewsFacingTheScreenWay) {
    // Two steps clockwise on the normal view, six on the reversed one.
    struct Row {
        std::uint32_t logical;
        std::int32_t normal, reversed;
    } rows[] = {{1, 3, 7}, {2, 4, 8}, {6, 8, 4}, {7, 1, 5}, {8, 2, 6}};
    std::uint16_t unit = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.logical);
        create(unit, 101, r.logical);
        auto* n = dynamic_cast<DisplayObjectDouble*>(normal().objects().count() ? [&] {
            PhysicalObject* o = nullptr;
            normal().objects().last(o);
            return o;
        }() : nullptr);
        PhysicalObject* o = nullptr;
        reversed().objects().last(o);
        auto* v = dynamic_cast<DisplayObjectDouble*>(o);
        ASSERT_TRUE(n && v);
        EXPECT_EQ((std::tuple{n->facing(), n->reversedView(), n->region(), n->layer(), n->nation()}),
                  std::tuple(r.normal, 0, 101, static_cast<VaelFigureLayer*>(&normal()), 1));
        EXPECT_EQ((std::tuple{v->facing(), v->reversedView(), v->layer()}),
                  std::tuple(r.reversed, 4, static_cast<VaelFigureLayer*>(&reversed())));
        EXPECT_EQ(normal().objectId(unit), n->getId());
        ++unit;
    }
}

TEST_F(VaelPhysicalLayerTest, AnUnknownPrototypeOrAWrongPayloadMakesNoObject) {
    FailedChecks checks;
    Container<LogicalCommandInfo> unknown(
        LogicalCommandInfo(0, new Container<LOCreateInfo>(LOCreateInfo{99, 1, 1}), 101));
    app.send(LOGICAL_UNIT_CREATED, &unknown);
    Container<LogicalCommandInfo> wrong(LogicalCommandInfo(1, new Container<short>(7), 101));
    app.send(LOGICAL_UNIT_CREATED, &wrong);
    EXPECT_EQ(normal().objects().count(), 0);
    EXPECT_EQ(normal().objectId(0), -1);
    EXPECT_EQ(checks.count(), 2u);
}

TEST_F(VaelPhysicalLayerTest, CommandsAreRewrittenRowByRow) {
    // Rows: the command, its payload, whether walking animation is off, whether the normal view's map is
    // open, and what the normal (#id) and reversed objects are given.
    create(0, 101, 1);
    const short n = normal().objectId(0), r = reversed().objectId(0);
    auto path = [] {
        List<short> p;
        p.append(101);
        p.append(102);
        return p;
    };
    struct Row {
        const char* name;
        std::function<LogicalCommandInfo()> make;
        bool walkingOff, mapOpen;
        Log expected;
    };
    const std::string N = "#" + std::to_string(n), R = "#" + std::to_string(r);
    std::vector<Row> rows = {
        {"facing, map open",
         [] { return LogicalCommandInfo(0, new Container<DIRECTION>(North), 101, CHANGE_UNIT_FACING); },
         false,
         true,
         {N + " CHANGE_UNIT_FACING u0 v101 f3 r-", R + " ChangeFacingNA u0 v101 f7 r-"}},
        {"facing 7 wraps",
         [] { return LogicalCommandInfo(0, new Container<DIRECTION>(West), 101, CHANGE_UNIT_FACING); },
         false,
         true,
         {N + " CHANGE_UNIT_FACING u0 v101 f1 r-", R + " ChangeFacingNA u0 v101 f5 r-"}},
        {"facing, walking off",
         [] { return LogicalCommandInfo(0, new Container<DIRECTION>(North), 101, CHANGE_UNIT_FACING); },
         true,
         true,
         {N + " ChangeFacingNA u0 v101 f3 r-", R + " ChangeFacingNA u0 v101 f7 r-"}},
        {"move",
         [&] {
             return LogicalCommandInfo(0, new Container<List<short>>(path()), 102, LOGICAL_OBJECT_MOVED,
                                       named("MovementDone"));
         },
         false,
         true,
         {N + " LOGICAL_OBJECT_MOVED u0 v102 [101 102] rMovementDone",
          R + " UnitTeleport u0 v102 [101 102] rMovementDone"}},
        {"move, walking off",
         [&] { return LogicalCommandInfo(0, new Container<List<short>>(path()), 102, LOGICAL_OBJECT_MOVED); },
         true,
         true,
         {N + " UnitTeleport u0 v102 [101 102] r-", R + " UnitTeleport u0 v102 [101 102] r-"}},
        {"terminal rout, no map",
         [&] {
             return LogicalCommandInfo(0, new Container<List<short>>(path()), 101, named("TerminalRout"));
         },
         false,
         false,
         {N + " UnitEliminated u0 v101 [101 102] r-", R + " UnitEliminated u0 v101 [101 102] r-"}},
        {"bearing 0",
         [] {
             return LogicalCommandInfo(0, new Container<short>(0), 101, named("MissileFire"),
                                       named("ReturnFromMissileFire"));
         },
         false,
         true,
         {N + " MissileFire u0 v101 f3 rReturnFromMissileFire"}},
        {"bearing 1",
         [] { return LogicalCommandInfo(0, new Container<short>(1), 101, named("MissileFire")); },
         false,
         true,
         {N + " MissileFire u0 v101 f4 r-"}},
        {"bearing 4",
         [] { return LogicalCommandInfo(0, new Container<short>(4), 101, named("MissileFire")); },
         false,
         true,
         {N + " MissileFire u0 v101 f4 r-"}},
        {"bearing 5",
         [] { return LogicalCommandInfo(0, new Container<short>(5), 101, named("MissileFire")); },
         false,
         true,
         {N + " MissileFire u0 v101 f5 r-"}},
        {"bearing 16",
         [] { return LogicalCommandInfo(0, new Container<short>(16), 101, named("MissileFire")); },
         false,
         true,
         {N + " MissileFire u0 v101 f8 r-"}},
        {"bearing 17",
         [] { return LogicalCommandInfo(0, new Container<short>(17), 101, named("MissileFire")); },
         false,
         true,
         {N + " MissileFire u0 v101 f1 r-"}},
        {"bearing 22",
         [] { return LogicalCommandInfo(0, new Container<short>(22), 101, named("MissileFire")); },
         false,
         true,
         {N + " MissileFire u0 v101 f2 r-"}},
        {"bearing 23",
         [] { return LogicalCommandInfo(0, new Container<short>(23), 101, named("MissileFire")); },
         false,
         true,
         {N + " MissileFire u0 v101 f3 r-"}},
        {"bearing 24 dropped",
         [] { return LogicalCommandInfo(0, new Container<short>(24), 101, named("MissileFire")); },
         false,
         true,
         {}},
        // With no map open the normal view still plays the volley, or nothing would answer the rules.
        {"bearing 8, no map",
         [] { return LogicalCommandInfo(0, new Container<short>(8), 101, named("MissileFire")); },
         false,
         false,
         {N + " MissileFire u0 v101 f6 r-"}},
        {"cohesion hit",
         [] { return LogicalCommandInfo(0, new Container<short>(12), 101, named("CohesionHit")); },
         false,
         true,
         {N + " CohesionHit u0 v101 s12 r-", R + " CohesionHit u0 v101 s12 r-"}},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        DisplayObjectDouble::log.clear();
        normal().setWalkingAnimation(!row.walkingOff);
        reversed().setWalkingAnimation(!row.walkingOff);
        if (row.mapOpen && normal().viewports().isEmpty()) showMap(normal());
        if (!row.mapOpen) {
            Viewport* v = nullptr;
            if (normal().viewports().first(v)) normal().deleteViewport(v->display());
        }
        command(row.make());
        EXPECT_EQ(DisplayObjectDouble::log, row.expected);
    }
}

TEST_F(VaelPhysicalLayerTest, TheReversedViewOnScreenTurnsTheVolleyAndTheNormalOneDropsIt) {
    create(0, 101, 1);
    showMap(reversed());
    command(LogicalCommandInfo(0, new Container<short>(1), 101, named("MissileFire")));
    EXPECT_EQ(DisplayObjectDouble::log,
              Log{"#" + std::to_string(reversed().objectId(0)) + " MissileFire u0 v101 f8 r-"});
}

TEST_F(VaelPhysicalLayerTest, AnOutOfRangeBearingIsAnsweredInTheObjectsPlace) {
    create(0, 101, 1);
    std::vector<short> replies;
    struct Listener : Component {
        std::vector<short>* out = nullptr;
        Listener() : Component("Listener") {}
        void connectHandlers() override { connectNamed("ReturnFromMissileFire", onReturn); }
        static ContainerBase* onReturn(Component* t, BusMessage, ContainerBase* d) {
            MissileDebrisStruct v;
            Container<MissileDebrisStruct>::fromMessage(d, v);
            static_cast<Listener*>(t)->out->push_back(static_cast<short>(v.unitNumber));
            return nullptr;
        }
    } listener;
    listener.out = &replies;
    listener.attach(app);
    command(LogicalCommandInfo(0, new Container<short>(-1), 101, named("MissileFire"),
                               named("ReturnFromMissileFire"),
                               new Container<MissileDebrisStruct>(MissileDebrisStruct{0xFFFF, 1, 5})));
    command(LogicalCommandInfo(0, new Container<short>(24), 101, named("MissileFire"),
                               named("ReturnFromMissileFire"),
                               new Container<MissileDebrisStruct>(MissileDebrisStruct{0xFFFF, 1, 6})));
    listener.detach();
    EXPECT_EQ(replies, (std::vector<short>{5, 6})); // once each, by the normal view only
    EXPECT_TRUE(DisplayObjectDouble::log.empty());
}

TEST_F(VaelPhysicalLayerTest, OnlyTheViewOnScreenGivesCombatResultsToTheFirstUnitOfTheFirstSide) {
    for (std::uint16_t u = 0; u < 4; ++u)
        create(u, static_cast<std::int16_t>(101 + u), 1);
    showMap(normal());
    CombatInfo info;
    info.attackers.append(0);
    info.attackers.append(1);
    info.defenders.append(2);
    info.defenders.append(3);
    MethodOfDeathStruct death;
    death.unitNumber = 2;
    info.deaths.append(death);
    Container<LogicalCommandInfo> combat(LogicalCommandInfo(0, new Container<CombatInfo>(info), 0,
                                                            named("UnitCombat"), named("CombatDone"),
                                                            new Container<short>(9)));
    app.sendNamed("UnitCombat", &combat);
    auto id = [](VaelPhysicalLayer& l, std::uint16_t u) { return "#" + std::to_string(l.objectId(u)); };
    Log expected;
    for (VaelPhysicalLayer* l : {&normal(), &reversed()}) {
        const char* how = l == &normal() ? "CombatAnimate" : "CombatDontAnimate";
        expected.push_back(id(*l, 2) + " CohesionHit u2 v0 r-");
        if (l == &normal()) expected.push_back(id(*l, 0) + " " + how + " u0 v0 [103 104] rCombatDone");
        if (l == &reversed()) expected.push_back(id(*l, 0) + " " + how + " u0 v0 [103 104] r-");
        expected.push_back(id(*l, 1) + " " + how + " u0 v0 [103 104] r-");
        expected.push_back(id(*l, 2) + " " + how + " u0 v1 [101 102] r-");
        expected.push_back(id(*l, 3) + " " + how + " u0 v1 [101 102] r-");
    }
    EXPECT_EQ(DisplayObjectDouble::log, expected);
}

TEST_F(VaelPhysicalLayerTest, WithNoMapShownTheNormalViewGivesTheResults) {
    create(0, 101, 1);
    create(1, 102, 1);
    CombatInfo info;
    info.attackers.append(0);
    info.defenders.append(1);
    Container<LogicalCommandInfo> combat(
        LogicalCommandInfo(0, new Container<CombatInfo>(info), 0, named("UnitCombat"), named("CombatDone")));
    app.sendNamed("UnitCombat", &combat);
    const std::string n0 = "#" + std::to_string(normal().objectId(0));
    const std::string r0 = "#" + std::to_string(reversed().objectId(0));
    ASSERT_EQ(DisplayObjectDouble::log.size(), 4u);
    EXPECT_EQ(DisplayObjectDouble::log[0], n0 + " CombatDontAnimate u0 v0 [102] rCombatDone");
    EXPECT_EQ(DisplayObjectDouble::log[2], r0 + " CombatDontAnimate u0 v0 [102] r-");
}

TEST_F(VaelPhysicalLayerTest, CohesionHitsAreHeldDuringARampageAndTheStepsPlayBeforeTheCommand) {
    create(0, 101, 1); // the elephant
    create(1, 102, 1);
    create(2, 103, 1);
    showMap(normal());
    app.sendNamedEmpty("BeginElephantRampage");
    List<RampageStruct> steps;
    steps.append(RampageStruct{1, 30, 102, 1, 1});
    steps.append(RampageStruct{2, 10, 103, 0, 1});
    Container<List<RampageStruct>> box(steps);
    app.sendNamed("RampagingActions", &box);
    command(LogicalCommandInfo(1, new Container<short>(5), 102, named("CohesionHit")));
    EXPECT_TRUE(DisplayObjectDouble::log.empty());
    command(LogicalCommandInfo(0, new Container<List<short>>(), 101, named("ElephantRampage"),
                               named("RampageDone")));
    auto obj = [](VaelPhysicalLayer& l, std::uint16_t u) {
        return dynamic_cast<DisplayObjectDouble*>([&] {
            Item<PhysicalObject*>* it = nullptr;
            for (l.objects().firstItem(it); it; it = it->next)
                if (it->value->getId() == l.objectId(u)) return it->value;
            return static_cast<PhysicalObject*>(nullptr);
        }());
    };
    for (VaelPhysicalLayer* l : {&normal(), &reversed()}) {
        EXPECT_EQ(obj(*l, 1)->savedPaths(), 2);
        EXPECT_EQ(obj(*l, 2)->savedPaths(), 1);
        EXPECT_EQ(l->rampageActive(), 0);
    }
    const std::string n0 = "#" + std::to_string(normal().objectId(0)),
                      r0 = "#" + std::to_string(reversed().objectId(0));
    EXPECT_EQ(DisplayObjectDouble::log,
              (Log{n0 + " RampageEvent u0 v0 r-", n0 + " RampageEvent u0 v0 r-",
                   n0 + " ElephantRampage u0 v101 [] rRampageDone", r0 + " RampageEvent u0 v0 r-",
                   r0 + " RampageEvent u0 v0 r-", r0 + " ElephantRampage u0 v101 [] rRampageDone"}));
    // After the rampage the hits go through again.
    DisplayObjectDouble::log.clear();
    command(LogicalCommandInfo(1, new Container<short>(5), 102, named("CohesionHit")));
    EXPECT_EQ(DisplayObjectDouble::log.size(), 2u);
}

TEST_F(VaelPhysicalLayerTest, HexColoursFollowTheUnitsOnBothViews) {
    landscape(); // 4 rows (R), 3 columns (C)
    // Normal view: index = column * 4 + (3 - row); reversed: (2 - column) * 4 + row.
    struct Row {
        std::int16_t hex;
        std::int32_t normal, reversed;
    } rows[] = {{0, 3, 8}, {3, 0, 11}, {200, 11, 0}, {203, 8, 3}, {4, -1, -1}, {300, -1, -1}, {-1, -1, -1}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.hex);
        EXPECT_EQ(normal().hexIndex(r.hex), r.normal);
        EXPECT_EQ(reversed().hexIndex(r.hex), r.reversed);
    }
    create(0, 101, 1, 2); // blue
    create(1, 300, 1, 1); // off the map: nothing recorded
    create(2, 102, 1, 9); // no such nation: nothing recorded
    ASSERT_EQ(normal().hexColours().size(), 12u);
    EXPECT_EQ(normal().hexColours()[6], 0xFF0000u);
    EXPECT_EQ(reversed().hexColours()[5], 0xFF0000u);
    EXPECT_EQ(std::count(normal().hexColours().begin(), normal().hexColours().end(), 0xFFFFFFFFu), 11);
    normal().setWalkingAnimation(false);
    List<short> path;
    path.append(101);
    path.append(202);
    command(LogicalCommandInfo(0, new Container<List<short>>(path), 202, LOGICAL_OBJECT_MOVED));
    EXPECT_EQ((std::tuple{normal().hexColour(101), normal().hexColour(202), reversed().hexColour(202)}),
              std::tuple(0xFFFFFFFFu, 0xFF0000u, 0xFF0000u));
    command(LogicalCommandInfo(0, new Container<List<short>>(), 202, named("UnitEliminated")));
    EXPECT_EQ(normal().hexColour(202), 0xFFFFFFFFu);
}

// Half of what was under way would leave the loaded display waiting: a save while either view's object holds
// what cannot be written carries no record of it, the normal view's or only the reversed one's.
TEST_F(VaelPhysicalLayerTest, WhatEitherViewCannotCarryKeepsTheUnderWayRecordOutOfTheSave) {
    landscape();
    create(101, 1, 0);
    const auto objectOf = [](VaelPhysicalLayer& layer) {
        Item<PhysicalObject*>* it = nullptr;
        layer.objects().firstItem(it);
        return it ? dynamic_cast<DisplayObjectDouble*>(it->value) : nullptr;
    };
    DisplayObjectDouble* normalObject = objectOf(normal());
    DisplayObjectDouble* reversedObject = objectOf(reversed());
    ASSERT_NE(normalObject, nullptr);
    ASSERT_NE(reversedObject, nullptr);
    for (const auto& [normalCarried, reversedCarried] :
         {std::pair{true, true}, std::pair{false, true}, std::pair{true, false}, std::pair{false, false}}) {
        SCOPED_TRACE(::testing::Message() << "normal " << normalCarried << " reversed " << reversedCarried);
        normalObject->carried = normalCarried, reversedObject->carried = reversedCarried;
        std::vector<std::uint8_t> file(8, 0);
        ASSERT_TRUE(layers->saveGameBytes(file));
        const bool recorded = std::search(file.begin(), file.end(), VaelPhysicalLayers::UnderWayTag,
                                          VaelPhysicalLayers::UnderWayTag + 4) != file.end();
        EXPECT_EQ(recorded, normalCarried && reversedCarried);
    }
}

// A saved sprite or unit may stand on any hex of the map, the one of block 0 among them (the foot of the
// first column in the normal view), and on no other: the map of 4 columns of 3 hexes (hex = column * 100 +
// row), the odd columns' last hex off it.
TEST_F(VaelPhysicalLayerTest, EveryHexOfTheMapIsOnItFromItsFirstBlockAndNoOtherIs) {
    for (VaelPhysicalLayer* layer : {&normal(), &reversed()})
        feed(*layer->zoomLandscape(0), 4, 3, mapRegions(4, 3, [](int) { return 1; }));
    ASSERT_EQ(normal().zoomLandscape(0)->hexToBlock(2), 0);
    ASSERT_GT(normal().zoomLandscape(0)->blockCount(), 0);
    for (VaelPhysicalLayer* layer : {&normal(), &reversed()}) {
        for (const auto& [hex, on] : {std::pair<std::int16_t, bool>{2, true},
                                      {0, true},
                                      {100, true},
                                      {101, true},
                                      {300, true},
                                      {301, true},
                                      {202, true},
                                      {102, false},
                                      {302, false},
                                      {3, false},
                                      {400, false},
                                      {-1, false},
                                      {99, false}}) {
            SCOPED_TRACE(::testing::Message() << "view " << layer->layerId() << " hex " << hex);
            EXPECT_EQ(layer->regionOnMap(hex), on);
            EXPECT_EQ(layer->landscape(0)->isOnMap(hex), on ? 1 : 0);
        }
    }
}

// What a view had under way, as a displayed save's last record holds it, written here byte by byte: every
// count, index, rate and length that the layer's objects do not back is refused, at both sides of its bound;
// the tick's rate is one the game gives a view (10 shown, 1 hidden) or none.
TEST_F(VaelPhysicalLayerTest, AnUnderWayRecordTheObjectsDoNotBackIsRefused) {
    landscape();
    create(101, 1, 0);
    create(102, 2, 0);
    struct Row {
        const char* name;
        std::uint16_t rate, stepped, flagged, units;
        std::uint32_t length;
        // What of a tick under way was left (0 nothing, 1 objects to step, 2 the tick to count) and, for
        // 1, the unit still to step.
        std::uint16_t left, rest;
        bool taken;
        // The slot of the tick's timer (none) and how many units it steps.
        std::uint16_t slot = 0xFFFF, steps = 1;
        // Why bytes that read whole are refused.
        const char* refusal = "";
    };
    const Row rows[] = {
        {"whole", 1, 1, 0, 2, 0, 0, 0, true},
        {"the shown view's tick", 10, 0, 1, 2, 0, 0, 0, true},
        {"a tick between the hidden and the shown view's", 2, 0, 0, 2, 0, 0, 0, false, 0xFFFF, 1,
         "has its tick called 2 times a second, where the game calls it 10 or 1 times or not at all"},
        {"a tick below the shown view's", 9, 0, 0, 2, 0, 0, 0, false, 0xFFFF, 1,
         "has its tick called 9 times a second, where the game calls it 10 or 1 times or not at all"},
        {"a tick past the shown view's", 11, 0, 0, 2, 0, 0, 0, false, 0xFFFF, 1,
         "has its tick called 11 times a second, where the game calls it 10 or 1 times or not at all"},
        {"the fastest tick of the timers", 1000, 0, 0, 2, 0, 0, 0, false, 0xFFFF, 1,
         "has its tick called 1000 times a second, where the game calls it 10 or 1 times or not at all"},
        {"stepped past the units", 1, 2, 0, 2, 0, 0, 0, false, 0xFFFF, 1,
         "names object 2 among those its tick steps, where the view has 2"},
        {"stepped 0x7FFF", 1, 0x7FFF, 0, 2, 0, 0, 0, false, 0xFFFF, 1,
         "names object 32767 among those its tick steps, where the view has 2"},
        {"stepped 0xFFFF", 1, 0xFFFF, 0, 2, 0, 0, 0, false, 0xFFFF, 1,
         "names object 65535 among those its tick steps, where the view has 2"},
        {"flagged past the units", 1, 0, 2, 2, 0, 0, 0, false, 0xFFFF, 1,
         "names object 2 among those whose flags are raised, where the view has 2"},
        {"flagged 0x8000", 1, 0, 0x8000, 2, 0, 0, 0, false, 0xFFFF, 1,
         "names object 32768 among those whose flags are raised, where the view has 2"},
        {"one unit short", 1, 0, 0, 1, 0, 0, 0, false, 0xFFFF, 1, "holds 1 units' objects, where the view has 2"},
        {"one unit more", 1, 0, 0, 3, 0, 0, 0, false, 0xFFFF, 1, "holds 3 units' objects, where the view has 2"},
        {"units 0xFFFF", 1, 0, 0, 0xFFFF, 0, 0, 0, false, 0xFFFF, 1,
         "holds 65535 units' objects, where the view has 2"},
        {"record longer than the bytes", 1, 0, 0, 2, 0xFFFFFFFF, 0, 0, false},
        {"the last unit still to step", 1, 0, 0, 2, 0, 1, 1, true},
        {"a unit past the last to step", 1, 0, 0, 2, 0, 1, 2, false, 0xFFFF, 1,
         "names object 2 among those its tick had still to step, where the view has 2"},
        {"a byte left over in a unit's record", 1, 0, 0, 2, 1, 0, 0, false, 0xFFFF, 1,
         "holds more for the object of unit 101 than it plays"},
        // The tick to count goes on after the slot it names, which it must.
        {"the tick still to count on no timer", 1, 0, 0, 2, 0, 2, 0, false, 0xFFFF, 1,
         "has a tick to count on a timer it does not name"},
        {"the tick still to count", 1, 0, 0, 2, 0, 2, 0, true, 0},
        {"the tick still to count on the last timer", 1, 0, 0, 2, 0, 2, 0, true, 15},
        {"the tick still to count past the last timer", 1, 0, 0, 2, 0, 2, 0, false, 16, 1,
         "names a timer the game does not have"},
        {"nothing left on the last timer", 1, 0, 0, 2, 0, 0, 0, true, 15},
        {"nothing left past the last timer", 1, 0, 0, 2, 0, 0, 0, false, 16, 1,
         "names a timer the game does not have"},
        {"nothing left on timer 0xFFFE", 1, 0, 0, 2, 0, 0, 0, false, 0xFFFE, 1,
         "names a timer the game does not have"},
        {"a tick left of no kind", 1, 0, 0, 2, 0, 3, 0, false, 0xFFFF, 1,
         "holds 3 for what of its tick was still to come, where 0 to 2 can be"},
        {"a tick left of kind 0xFFFF", 1, 0, 0, 2, 0, 0xFFFF, 0, false, 0xFFFF, 1,
         "holds 65535 for what of its tick was still to come, where 0 to 2 can be"},
        // A tick that does not run steps nobody.
        {"no tick stepping nobody", 0, 0, 0, 2, 0, 0, 0, true, 0xFFFF, 0},
        {"no tick stepping a unit", 0, 0, 0, 2, 0, 0, 0, false, 0xFFFF, 1,
         "has objects stepped by a tick that does not run"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::uint8_t> b;
        const auto put16 = [&b](std::uint16_t v) {
            b.push_back(static_cast<std::uint8_t>(v)), b.push_back(static_cast<std::uint8_t>(v >> 8));
        };
        const auto put32 = [&](std::uint32_t v) {
            put16(static_cast<std::uint16_t>(v)), put16(static_cast<std::uint16_t>(v >> 16));
        };
        put32(1000);
        put16(row.rate), put16(row.slot), put16(0);
        put16(row.steps);
        if (row.steps) put16(row.stepped);
        put16(1), put16(row.flagged);
        put16(row.units);
        put32(row.length);
        if (row.length < 0x100) b.resize(b.size() + row.length, 0);
        put32(0);
        put16(row.left);
        // The moment follows any kind but nothing, so that only the kind's bound refuses it.
        if (row.left != 0) put32(158000);
        if (row.left == 1) put16(1), put16(row.rest);
        std::istringstream in(std::string(b.begin(), b.end()));
        EXPECT_EQ(normal().loadUnderWay(in), row.taken);
        EXPECT_STREQ(normal().underWayRefusal().c_str(), row.refusal);
        if (!row.taken) continue;
        EXPECT_EQ(in.peek(), std::char_traits<char>::eof());
        // Cut anywhere, the same bytes are refused.
        for (std::size_t cut = 0; cut < b.size(); ++cut) {
            std::istringstream part(std::string(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(cut)));
            EXPECT_FALSE(normal().loadUnderWay(part)) << "cut at " << cut;
        }
    }
}

// The time the view's timer had counted towards its next tick: below its period (a second over the rate,
// in whole milliseconds), and none on a tick that does not run. Written byte by byte over two units.
TEST_F(VaelPhysicalLayerTest, AnUnderWayTimerCountedToItsPeriodOrPastIsRefused) {
    landscape();
    create(101, 1, 0);
    create(102, 2, 0);
    const char* const past = "has its tick's timer counted past its period";
    struct Row {
        const char* name;
        std::uint16_t rate, elapsed;
        const char* refusal; // empty: taken
    };
    const Row rows[] = {
        {"a tenth of a second, 99 counted", 10, 99, ""},
        {"a tenth of a second, 100 counted", 10, 100, past},
        {"a second, 999 counted", 1, 999, ""},
        {"a second, 1000 counted", 1, 1000, past},
        {"a second, 0xFFFF counted", 1, 0xFFFF, past},
        {"a tenth of a second, none counted", 10, 0, ""},
        {"no tick, none counted", 0, 0, ""},
        {"no tick, 1 counted", 0, 1, past},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // Clock 1000, the rate, timer slot 0, what it had counted; the first unit stepped when the tick
        // runs, none flagged; both units' records empty; nothing left of a tick.
        Bytes b;
        put32(b, 1000), put16(b, row.rate), put16(b, 0), put16(b, row.elapsed);
        put16(b, row.rate ? 1 : 0);
        if (row.rate) put16(b, 0);
        put16(b, 0), put16(b, 2), put32(b, 0), put32(b, 0), put16(b, 0);
        std::istringstream in(std::string(b.begin(), b.end()));
        EXPECT_EQ(normal().loadUnderWay(in), *row.refusal == '\0');
        EXPECT_STREQ(normal().underWayRefusal().c_str(), row.refusal);
    }
}

TEST_F(VaelPhysicalLayerTest, AnUnderWayRecordOfAnotherVersionOrDamagedIsRefusedWithItsReason) {
    landscape();
    create(101, 1, 0);
    // The layers' table at byte 4 of the file is still empty: the views append their parts.
    std::vector<std::uint8_t> file(8, 0);
    ASSERT_TRUE(layers->saveGameBytes(file));
    const auto tag = std::search(file.begin(), file.end(), VaelPhysicalLayers::UnderWayTag,
                                 VaelPhysicalLayers::UnderWayTag + 4);
    ASSERT_NE(tag, file.end());
    const auto at = static_cast<std::size_t>(tag - file.begin());
    ASSERT_TRUE(layers->loadGameBytes(file));
    EXPECT_EQ(layers->underWayProblem(), "");
    struct Row {
        std::size_t offset;
        std::uint8_t value;
        const char* problem;
    };
    // Version 3, 0, then 0x7F02; the body's length past the file; the normal view's part 0xFF bytes longer.
    for (const Row row :
         {Row{4, 3, "is of version 3, which this game does not read"},
          Row{4, 0, "is of version 0, which this game does not read"},
          Row{5, 0x7F, "is of version 32514, which this game does not read"},
          Row{9, 0xFF, "does not read back whole"}, Row{11, 0xFF, "does not read back whole"}}) {
        SCOPED_TRACE(row.offset);
        std::vector<std::uint8_t> forged = file;
        forged[at + row.offset] = row.value;
        EXPECT_FALSE(layers->loadGameBytes(forged));
        EXPECT_EQ(layers->underWayProblem(), row.problem);
    }
    // Version 1, written before a rampage under way was kept, holds the same for objects that are no
    // elephants: it still loads.
    std::vector<std::uint8_t> first = file;
    first[at + 4] = 1;
    EXPECT_TRUE(layers->loadGameBytes(first));
    EXPECT_EQ(layers->underWayProblem(), "");
    // A file cut before the tag is one saved without the record, read as it stands.
    std::vector<std::uint8_t> old(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(at));
    EXPECT_TRUE(layers->loadGameBytes(old));
    EXPECT_EQ(layers->underWayProblem(), "");
}

// The record after the display part, written here byte by byte over one unit on each view: each view's part
// is read to its length and the record to its own, and a part that reads whole but names a timer or a tick
// the views cannot have is refused with its reason.
TEST_F(VaelPhysicalLayerTest, AHandWrittenUnderWayRecordIsTakenWholeOrRefusedWithItsReason) {
    landscape();
    create(101, 1, 0);
    const Bytes display = displayPart();
    ASSERT_FALSE(HasFailure());
    struct View {
        std::uint16_t rate = 1, slot = 0, steps = 1, left = 0;
        std::size_t extra = 0; // bytes left over after the part, inside its length
        std::uint32_t clock = 1000;
        std::uint16_t stepped = 0, units = 1; // the object stepped; how many the part says the view has
    };
    // Clock, rate, slot, elapsed; the unit stepped (or none), none flagged; one unit with an empty record;
    // what of the tick was left, with its moment.
    const auto part = [&](const View& v) {
        Bytes b;
        put32(b, v.clock), put16(b, v.rate), put16(b, v.slot), put16(b, 0);
        put16(b, v.steps);
        if (v.steps) put16(b, v.stepped);
        put16(b, 0), put16(b, v.units), put32(b, 0), put16(b, v.left);
        if (v.left) put32(b, 158000);
        b.resize(b.size() + v.extra, 0x5A);
        return b;
    };
    struct Row {
        const char* name;
        View normal, reversed;
        std::size_t after; // bytes left over after both parts, inside the record's length
        bool taken;
        const char* problem;
    };
    // Bytes left over inside a length are read whole: the reason says whose they are.
    const char* const viewLonger = "holds more for a view than it plays";
    const Row rows[] = {
        {"whole", {}, {1, 1}, 0, true, ""},
        {"the ticks still to count on timers 0 and 1", {1, 0, 1, 2}, {1, 1, 1, 2}, 0, true, ""},
        {"a byte left over in the normal view's part", {1, 0, 1, 0, 1}, {1, 1}, 0, false, viewLonger},
        {"a byte left over in the reversed view's part", {}, {1, 1, 1, 0, 1}, 0, false, viewLonger},
        {"a byte left over after both parts", {}, {1, 1}, 1, false, "holds more than its two views"},
        {"the normal view's tick to count on no timer",
         {1, 0xFFFF, 1, 2},
         {1, 1},
         0,
         false,
         "has a tick to count on a timer it does not name"},
        {"the reversed view's tick on the timer past the last",
         {},
         {1, 16},
         0,
         false,
         "names a timer the game does not have"},
        {"the normal view stepping its unit with no tick",
         {0, 0xFFFF},
         {1, 1},
         0,
         false,
         "has objects stepped by a tick that does not run"},
        {"the display's clock at the most it can be", {1, 0, 1, 0, 0, 0x3FFFFFFF}, {1, 1, 1, 0, 0, 0x3FFFFFFF}, 0, true,
         ""},
        {"the display's clock one past that",
         {1, 0, 1, 0, 0, 0x40000000},
         {1, 1},
         0,
         false,
         "has the display's clock at 1073741824, past the 1073741823 it can reach with a battle still to show"},
        {"the normal view stepping an object past its one",
         {1, 0, 1, 0, 0, 1000, 1},
         {1, 1},
         0,
         false,
         "names object 1 among those its tick steps, where the view has 1"},
        {"the reversed view with two units' objects",
         {},
         {1, 1, 1, 0, 0, 1000, 0, 2},
         0,
         false,
         "holds 2 units' objects, where the view has 1"},
        {"the reversed view stepping its unit with no tick",
         {},
         {0, 0xFFFF},
         0,
         false,
         "has objects stepped by a tick that does not run"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes body;
        for (const View& v : {row.normal, row.reversed}) {
            const Bytes p = part(v);
            put32(body, static_cast<std::uint32_t>(p.size()));
            body.insert(body.end(), p.begin(), p.end());
        }
        body.resize(body.size() + row.after, 0x5A);
        Bytes file = display;
        file.insert(file.end(), {'V', 'D', 'S', 'A'});
        put16(file, 1), put32(file, static_cast<std::uint32_t>(body.size()));
        file.insert(file.end(), body.begin(), body.end());
        EXPECT_EQ(layers->loadGameBytes(file), row.taken);
        EXPECT_EQ(layers->underWayProblem(), row.problem);
        if (!row.taken) continue;
        // Cut inside its tag, the record is none, as in a game saved before it; cut inside the rest of its
        // ten-byte head, or anywhere after, it is refused.
        for (std::size_t cut = display.size(); cut < file.size(); ++cut) {
            SCOPED_TRACE(cut - display.size());
            const Bytes short_(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
            EXPECT_EQ(layers->loadGameBytes(short_), cut < display.size() + 4);
        }
    }
}

// A game loaded and saved again before it resumed owes what the first save owed of the tick under way: the
// objects still to step, or the tick still to count. The second save's record is the first's, byte for
// byte; once the loaded tick has been played, nothing of it is owed.
TEST_F(VaelPhysicalLayerTest, AnUnderWayRecordLoadedIsSavedAgainWithWhatOfItsTickWasStillToCome) {
    landscape();
    create(101, 1, 0);
    create(102, 2, 0);
    const Bytes display = displayPart();
    ASSERT_FALSE(HasFailure());
    struct Row {
        const char* name;
        std::uint16_t left;             // 0 nothing, 1 objects to step, 2 the tick to count
        std::vector<std::uint16_t> rest; // for 1, the units still to step
    };
    const Row rows[] = {
        {"nothing left of the tick", 0, {}},
        {"both units still to step", 1, {0, 1}},
        {"the second unit still to step", 1, {1}},
        {"the step done to its end", 1, {}},
        {"the tick still to count", 2, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        // The normal view: clock 1000, a tick of 1 a second on timer 0 with nothing counted, stepping unit 0,
        // none flagged, two units with empty records, then what of the tick was left. The reversed one: no
        // tick, nothing stepped, the same two units, nothing left.
        Bytes normal;
        put32(normal, 1000), put16(normal, 1), put16(normal, 0), put16(normal, 0);
        put16(normal, 1), put16(normal, 0), put16(normal, 0);
        put16(normal, 2), put32(normal, 0), put32(normal, 0);
        put16(normal, row.left);
        if (row.left) put32(normal, 158000);
        if (row.left == 1) {
            put16(normal, static_cast<std::uint16_t>(row.rest.size()));
            for (std::uint16_t unit : row.rest)
                put16(normal, unit);
        }
        Bytes reversed;
        put32(reversed, 1000), put16(reversed, 0), put16(reversed, 0xFFFF), put16(reversed, 0);
        put16(reversed, 0), put16(reversed, 0);
        put16(reversed, 2), put32(reversed, 0), put32(reversed, 0);
        put16(reversed, 0);
        Bytes body;
        for (const Bytes* part : {&normal, &reversed}) {
            put32(body, static_cast<std::uint32_t>(part->size()));
            body.insert(body.end(), part->begin(), part->end());
        }
        Bytes record{'V', 'D', 'S', 'A'};
        put16(record, VaelPhysicalLayers::UnderWayVersion), put32(record, static_cast<std::uint32_t>(body.size()));
        record.insert(record.end(), body.begin(), body.end());
        Bytes file = display;
        file.insert(file.end(), record.begin(), record.end());
        ASSERT_TRUE(layers->loadGameBytes(file)) << layers->underWayProblem();

        const auto underWay = [&] {
            Bytes again(8, 0);
            EXPECT_TRUE(layers->saveGameBytes(again));
            const auto at = std::search(again.begin(), again.end(), VaelPhysicalLayers::UnderWayTag,
                                        VaelPhysicalLayers::UnderWayTag + 4);
            return Bytes(at, again.end());
        };
        EXPECT_EQ(underWay(), record);
        // Played, the tick is owed no more: the word after the normal view's two unit records (after 10
        // bytes of head, 4 of the part's length and 26 of the part) says nothing is left.
        layers->finishTickUnderWay();
        const Bytes after = underWay();
        ASSERT_GE(after.size(), 42u);
        EXPECT_EQ(after[40], 0);
        EXPECT_EQ(after[41], 0);
    }
}


// A saved game's record of what the views had under way, written by hand: each view's part holds its tick's
// rate and one object whose queue holds the commands given (the figures' part after them left empty).
Bytes objectRecord(const std::vector<LogicalCommandInfo>& commands) {
    Bytes b;
    for (int word = 0; word < 6; ++word)
        put16(b, 0); // flags, moves kept, their paths and turns
    put16(b, static_cast<std::uint32_t>(commands.size()));
    for (const LogicalCommandInfo& command : commands) {
        SuperString piece;
        piece << command;
        const std::string bytes = piece.str();
        put32(b, static_cast<std::uint32_t>(bytes.size()));
        b.insert(b.end(), bytes.begin(), bytes.end());
    }
    for (int list = 0; list < 3; ++list)
        put16(b, 0);
    return b;
}

Bytes viewPart(std::uint16_t rate, const std::vector<LogicalCommandInfo>& commands) {
    Bytes b;
    put32(b, 5000), put16(b, rate), put16(b, 0xFFFF), put16(b, 0), put16(b, 0), put16(b, 0);
    const Bytes object = objectRecord(commands);
    put16(b, 1), put32(b, static_cast<std::uint32_t>(object.size()));
    b.insert(b.end(), object.begin(), object.end());
    put16(b, 0);
    return b;
}

Bytes underWay(const Bytes& normal, const Bytes& reversed, std::uint16_t version = VaelPhysicalLayers::UnderWayVersion) {
    Bytes body;
    for (const Bytes* part : {&normal, &reversed}) {
        put32(body, static_cast<std::uint32_t>(part->size()));
        body.insert(body.end(), part->begin(), part->end());
    }
    Bytes b{'V', 'D', 'S', 'A'};
    put16(b, version), put32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// Without the views, the replies the one on screen still owed are read from the record that closes the file:
// the view whose tick runs at the shown rate is the one on screen, the normal one when neither ticks.
TEST(RepliesOwedWithoutTheViews, AreTheShownViewsReadFromTheRecordClosingTheFile) {
    const auto move = [](std::uint16_t value, bool replied) {
        return LogicalCommandInfo(0, nullptr, value, named("UnitMovement"),
                                  replied ? named("MovementDone") : BusMessage());
    };
    const Bytes front(37, 'V');
    struct Case {
        const char* name;
        std::uint16_t normalRate, reversedRate;
        std::vector<std::uint16_t> owed;
    };
    for (const Case& c : {Case{"the normal view on screen", 10, 1, {101, 103}},
                          Case{"the reversed view on screen", 1, 10, {202}},
                          Case{"neither view ticking", 0, 0, {101, 103}}}) {
        SCOPED_TRACE(c.name);
        Bytes file = front;
        const Bytes record = underWay(viewPart(c.normalRate, {move(101, true), move(102, false), move(103, true)}),
                                      viewPart(c.reversedRate, {move(202, true)}));
        file.insert(file.end(), record.begin(), record.end());
        std::vector<LogicalCommandInfo> owed;
        std::size_t at = 0;
        ASSERT_TRUE(VaelPhysicalLayers::repliesOwedIn(file, owed, &at));
        EXPECT_EQ(at, front.size());
        std::vector<std::uint16_t> values;
        for (const LogicalCommandInfo& command : owed) {
            values.push_back(command.value);
            EXPECT_EQ(command.replyEvent, named("MovementDone"));
        }
        EXPECT_EQ(values, c.owed);
    }
    const Bytes whole = underWay(viewPart(10, {move(101, true)}), viewPart(1, {}));
    std::vector<LogicalCommandInfo> owed;
    {
        SCOPED_TRACE("a byte after the record");
        Bytes file = whole;
        file.push_back(0);
        EXPECT_FALSE(VaelPhysicalLayers::repliesOwedIn(file, owed));
    }
    {
        SCOPED_TRACE("the record cut by a byte");
        const Bytes file(whole.begin(), whole.end() - 1);
        EXPECT_FALSE(VaelPhysicalLayers::repliesOwedIn(file, owed));
    }
    {
        SCOPED_TRACE("a view's part holding more than its object");
        Bytes normal = viewPart(10, {move(101, true)});
        normal.push_back(0);
        EXPECT_FALSE(VaelPhysicalLayers::repliesOwedIn(underWay(normal, viewPart(1, {})), owed));
    }
    {
        SCOPED_TRACE("another version");
        EXPECT_FALSE(VaelPhysicalLayers::repliesOwedIn(underWay(viewPart(10, {move(101, true)}), viewPart(1, {}), 99),
                                                       owed));
    }
    {
        SCOPED_TRACE("no record");
        EXPECT_FALSE(VaelPhysicalLayers::repliesOwedIn(front, owed));
        EXPECT_FALSE(VaelPhysicalLayers::repliesOwedIn(Bytes{'V', 'D', 'S'}, owed));
    }
}

} // namespace
} // namespace vael::test
