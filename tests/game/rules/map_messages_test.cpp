#include <gtest/gtest.h>

#include <vector>

#include "framework/core/message_box.h"
#include "framework/core/registered_message.h"
#include "support/failed_checks.h"
#include "support/rules/rule_strings.h"
#include "support/rules/test_logical_layer.h"
#include "support/rules/test_maps.h"
#include "support/rules/test_units.h"
#include "support/test_application.h"

namespace vael {
namespace {

using test::TestCombat;
using test::TestLeader;
using test::UnitSetup;

constexpr std::uint32_t home = 1;
constexpr std::uint32_t visitor = 2;

std::vector<short> toVector(const List<short>& list) {
    std::vector<short> out;
    ListIterator<short> it(const_cast<List<short>&>(list));
    for (short h = 0; it.next(h);)
        out.push_back(h);
    return out;
}

// Stands in for the display objects: keeps the commands sent to them.
class Watcher : public Component {
public:
    Watcher() : Component("Watcher") {}
    void connectHandlers() override { connect(LOGICAL_COMMAND, onCommand); }
    static ContainerBase* onCommand(Component* target, BusMessage, ContainerBase* data) {
        LogicalCommandInfo command;
        if (Container<LogicalCommandInfo>::fromMessage(data, command))
            static_cast<Watcher*>(target)->commands.push_back(command);
        return nullptr;
    }

    std::vector<LogicalCommandInfo> commands;
};

class MapMessages : public ::testing::Test {
protected:
    MapMessages() : map(test::makeLandscape(10, 10)) {
        app.strings = test::ruleStrings();
        layer.attach(app);
        map->attach(layer);
        watcher.attach(layer);
    }

    UnitSetup setup(std::uint16_t number, std::int16_t hex, std::uint32_t nation) {
        UnitSetup s;
        s.name = "Unit " + std::to_string(number);
        s.number = number;
        s.hex = static_cast<std::uint16_t>(hex);
        s.nation = nation;
        s.landscape = map.get();
        return s;
    }
    template <class U> U& place(std::unique_ptr<U> unit, bool listSecondHex = true) {
        map->addToRegion(unit.get(), static_cast<std::int16_t>(unit->getHex()));
        if (unit->isDoubleSized() && listSecondHex) map->addToRegion(unit.get(), unit->getSecondHex());
        unit->attach(layer);
        U& ref = *unit;
        owned.push_back(std::move(unit));
        return ref;
    }
    TestCombat& combat(std::uint16_t number, std::int16_t hex, std::uint32_t nation,
                       std::int16_t doubleSized = 0) {
        return place(std::make_unique<TestCombat>(setup(number, hex, nation), 2, doubleSized));
    }
    TestLeader& leader(std::uint16_t number, std::int16_t hex, std::uint32_t nation) {
        return place(std::make_unique<TestLeader>(setup(number, hex, nation)));
    }

    void move(std::uint16_t unitNumber, std::initializer_list<short> hexes,
              std::int32_t event = LOGICAL_OBJECT_MOVED) {
        List<short> path;
        for (short h : hexes)
            path.append(h);
        short last = 0;
        path.last(last);
        Container<LogicalCommandInfo> box(LogicalCommandInfo(
            unitNumber, new Container<List<short>>(path), static_cast<std::uint16_t>(last), BusMessage(event),
            BusMessage(RegisteredMessage::getId("MoveDone")), new Container<short>(7)));
        watcher.sendNamed("UnitMovement", &box);
    }
    void click(short hex) {
        Container<short> box(hex);
        watcher.send(REGION_SELECTED, &box);
    }
    void hover(short hex) {
        Container<short> box(hex);
        watcher.send(REGION_FLYBY, &box);
    }
    using Panes = std::vector<std::pair<std::int16_t, std::string>>;

    test::TestApplication app;
    test::TestLogicalLayer layer;
    std::unique_ptr<VaelLogicalLandscape> map;
    Watcher watcher;
    std::vector<std::unique_ptr<VaelUnit>> owned;
};

TEST_F(MapMessages, AMoveTakesTheUnitFromTheFirstHexOfThePathToTheLast) {
    TestCombat& unit = combat(4, 505, home);
    TestCombat& bystander = combat(5, 505, home);
    move(4, {505, 504, 503});
    EXPECT_EQ(unit.getHex(), 503);
    EXPECT_FALSE(map->unitsInHex(505).contains(&unit));
    EXPECT_TRUE(map->unitsInHex(505).contains(&bystander));
    EXPECT_TRUE(map->unitsInHex(503).contains(&unit));
    EXPECT_EQ(unit.rebuilds, 4); // its surroundings are rebuilt once after the move
    // The display gets the same command, to walk the figure along the path.
    ASSERT_EQ(watcher.commands.size(), 1u);
    const LogicalCommandInfo& c = watcher.commands[0];
    EXPECT_EQ(c.command, 4);
    EXPECT_EQ(c.value, 503);
    EXPECT_EQ(c.event.id(), LOGICAL_OBJECT_MOVED);
    EXPECT_EQ(c.replyEvent.id(), RegisteredMessage::getId("MoveDone"));
    List<short> path;
    ASSERT_TRUE(Container<List<short>>::fromMessage(c.payload.get(), path));
    EXPECT_EQ(toVector(path), (std::vector<short>{505, 504, 503}));
    short extra = 0;
    EXPECT_TRUE(Container<short>::fromMessage(c.extra.get(), extra));
    EXPECT_EQ(extra, 7);
}

TEST_F(MapMessages, OnlyAMoveCommandMovesAUnitAndOnlyAUnitFoundOnTheFirstHex) {
    TestCombat& unit = combat(4, 505, home);
    move(4, {505, 504}, LOGICAL_OBJECT_SELECTED);
    move(9, {505, 504});
    move(4, {506, 504}); // not where the unit stands
    EXPECT_EQ(unit.getHex(), 505);
    EXPECT_TRUE(map->unitsInHex(505).contains(&unit));
    EXPECT_TRUE(map->unitsInHex(504).isEmpty());
    EXPECT_TRUE(watcher.commands.empty());
    EXPECT_EQ(unit.rebuilds, 0);
    // A path of one hex is a move that stays.
    move(4, {505});
    EXPECT_EQ(unit.getHex(), 505);
    EXPECT_EQ(map->unitsInHex(505).count(), 1);
    EXPECT_EQ(watcher.commands.size(), 1u);
}

TEST_F(MapMessages, ADoubleSizedUnitTakesItsSecondHexAlong) {
    TestCombat& unit = combat(4, 505, home, 1);
    ASSERT_EQ(unit.getSecondHex(), 606);
    move(4, {505, 504, 503});
    EXPECT_EQ(unit.getHex(), 503);
    EXPECT_EQ(unit.getSecondHex(), 604);
    EXPECT_TRUE(map->unitsInHex(505).isEmpty());
    EXPECT_TRUE(map->unitsInHex(606).isEmpty());
    EXPECT_TRUE(map->unitsInHex(503).contains(&unit));
    EXPECT_TRUE(map->unitsInHex(604).contains(&unit));
    EXPECT_EQ(watcher.commands.size(), 1u);
}

TEST_F(MapMessages, ADoubleSizedUnitMissingFromItsSecondHexStopsBeforeTheDisplay) {
    auto big = std::make_unique<TestCombat>(setup(4, 505, home), 2, 1);
    TestCombat& unit = place(std::move(big), false);
    move(4, {505, 504});
    EXPECT_EQ(unit.getHex(), 504);
    EXPECT_TRUE(map->unitsInHex(504).contains(&unit));
    EXPECT_TRUE(map->unitsInHex(605).isEmpty());
    EXPECT_TRUE(watcher.commands.empty());
    EXPECT_EQ(unit.rebuilds, 0);
}

TEST_F(MapMessages, ARemovedUnitLeavesBothHexesAndTheDisplayIsTold) {
    TestCombat& unit = combat(6, 505, home, 1);
    TestCombat& other = combat(7, 505, home);
    UnitRemovedStruct removed;
    removed.unitId = static_cast<std::uint16_t>(unit.getId());
    removed.hex = 505;
    removed.secondHex = 606;
    Container<UnitRemovedStruct> box(removed);
    watcher.sendNamed("UnitRemoved", &box);
    EXPECT_FALSE(map->unitsInHex(505).contains(&unit));
    EXPECT_TRUE(map->unitsInHex(505).contains(&other));
    EXPECT_TRUE(map->unitsInHex(606).isEmpty());
    EXPECT_EQ(unit.getHex(), 0xFFFF);
    EXPECT_EQ(unit.getSecondHex(), -1);
    ASSERT_EQ(watcher.commands.size(), 1u);
    const LogicalCommandInfo& c = watcher.commands[0];
    EXPECT_EQ(c.command, 6);
    EXPECT_EQ(c.value, 505);
    EXPECT_EQ(c.event.id(), RegisteredMessage::getId("UnitRemoved"));
    EXPECT_EQ(c.event.mode(), 0);
    EXPECT_EQ(c.replyEvent.id(), 0);
    EXPECT_EQ(c.payload, nullptr);
    EXPECT_EQ(c.extra, nullptr);

    // A unit that is on neither hex any more: nothing to do, nothing to tell.
    watcher.sendNamed("UnitRemoved", &box);
    EXPECT_EQ(watcher.commands.size(), 1u);
}

TEST_F(MapMessages, PayloadsOfTheWrongTypeAreReportedAndIgnored) {
    TestCombat& unit = combat(4, 505, home);
    test::FailedChecks checks;
    Container<long> wrong(505);
    watcher.send(REGION_SELECTED, &wrong);
    watcher.send(REGION_FLYBY, &wrong);
    watcher.sendNamed("UnitMovement", &wrong);
    watcher.sendNamed("UnitRemoved", &wrong);
    ASSERT_EQ(checks.count(), 4u);
    for (std::size_t i = 0; i < checks.count(); ++i) {
        EXPECT_EQ(checks.texts[i], "Bad data passed in bus message to function  Abort?");
        EXPECT_EQ(checks.captions[i].rfind("Failure in VELLGLND at line ", 0), 0u) << checks.captions[i];
    }
    // A move command whose payload is no path.
    Container<LogicalCommandInfo> noPath(LogicalCommandInfo(
        4, new Container<long>(3), 503, BusMessage(LOGICAL_OBJECT_MOVED), BusMessage(0), nullptr));
    watcher.sendNamed("UnitMovement", &noPath);
    EXPECT_EQ(checks.count(), 5u);
    EXPECT_EQ(unit.getHex(), 505);
    EXPECT_TRUE(unit.selectedAt.empty());
    EXPECT_TRUE(watcher.commands.empty());
}

TEST_F(MapMessages, AClickOnAnEmptyHexDoesNothing) {
    click(505);
    EXPECT_EQ(layer.activeGroupAsked, 0);
    // The layer itself hears every click.
    EXPECT_EQ(layer.selected, std::vector<short>{505});
}

TEST_F(MapMessages, AClickSelectsTheFirstUnitOfTheHex) {
    TestCombat& first = combat(4, 505, home);
    TestCombat& second = combat(5, 505, home);
    click(505);
    EXPECT_EQ(layer.activeGroupAsked, 1);
    EXPECT_EQ(first.selectedAt, std::vector<short>{505});
    EXPECT_TRUE(second.selectedAt.empty());
    // A unit that has moved already is selected without asking for the active group.
    first.spendMovement(1);
    click(505);
    EXPECT_EQ(layer.activeGroupAsked, 1);
    EXPECT_EQ(first.selectedAt, (std::vector<short>{505, 505}));
}

TEST_F(MapMessages, TheActiveGroupDecidesWhoMayBeSelected) {
    TestLeader& chief = leader(1, 303, home);
    TestCombat& member = combat(2, 304, home);
    TestCombat& outsider = combat(3, 505, home);
    TestLeader& otherLeader = leader(4, 606, home);
    TestCombat& enemy = combat(5, 707, visitor);
    Group group(1, "Centre");
    group.leader = &chief;
    group.units.append(&member);
    chief.setGroup(&group);
    layer.activeGroup = &group;

    // Members and the leader himself are selected.
    click(304);
    click(303);
    EXPECT_EQ(member.selectedAt, std::vector<short>{304});
    EXPECT_EQ(chief.selectedAt, std::vector<short>{303});
    // Outside the group: selected while the leader has two orders left.
    chief.useOrders(1);
    click(505);
    EXPECT_EQ(outsider.selectedAt, std::vector<short>{505});
    // ... but never another leader.
    click(606);
    EXPECT_TRUE(otherLeader.selectedAt.empty());
    // With one order left nobody outside the group is selected: a unit of the leader's nation gets the
    // three-line box, an enemy unit nothing at all.
    chief.useOrders(2);
    click(505);
    EXPECT_EQ(outsider.selectedAt, std::vector<short>{505});
    ASSERT_EQ(app.boxes.size(), 1u);
    EXPECT_EQ(app.boxes[0].text,
              "You do not have enough orders\nto move a unit that does not\nbelong to your group.");
    EXPECT_EQ(app.boxes[0].title, "");
    EXPECT_EQ(app.boxes[0].style, MessageBoxOk);
    click(707);
    EXPECT_TRUE(enemy.selectedAt.empty());
    EXPECT_EQ(app.boxes.size(), 1u);
    // A granted group move: only the leader may be selected, and nobody outside the group.
    chief.useOrders(0);
    chief.grantGroupMove(true);
    click(304);
    click(505);
    click(303);
    EXPECT_EQ(member.selectedAt, std::vector<short>{304});
    EXPECT_EQ(outsider.selectedAt, std::vector<short>{505});
    EXPECT_EQ(chief.selectedAt, (std::vector<short>{303, 303}));
}

TEST_F(MapMessages, SelectionCanBePausedAndResumed) {
    TestCombat& unit = combat(4, 505, home);
    EXPECT_EQ(map->isSelectionConnected(), 1);
    map->pauseSelection();
    EXPECT_EQ(map->isSelectionConnected(), 0);
    click(505);
    EXPECT_TRUE(unit.selectedAt.empty());
    map->resumeSelection();
    map->resumeSelection(); // already connected: not twice
    EXPECT_EQ(map->isSelectionConnected(), 1);
    click(505);
    EXPECT_EQ(unit.selectedAt, std::vector<short>{505});
}

TEST_F(MapMessages, TheStatusLineOfAnEmptyHexShowsOnlyTheHexNumber) {
    hover(305);
    EXPECT_EQ(app.statusTexts, (Panes{{1, ""}, {2, "Hex: 1305"}}));
    EXPECT_EQ(layer.flybys, std::vector<short>{305});
}

TEST_F(MapMessages, TheStatusLineDescribesTheFirstUnitOfTheHex) {
    TestCombat& unit = combat(4, 505, home);
    unit.setHits(2);
    leader(9, 505, home);
    hover(505);
    EXPECT_EQ(app.statusTexts, (Panes{{1, "Unit 4 (HI) TQ: 5  Hits: 2  Size: 8"}, {2, "Hex: 1505"}}));
    app.statusTexts.clear();
    leader(1, 303, home);
    hover(303);
    EXPECT_EQ(app.statusTexts, (Panes{{1, "Unit 1 Initiative: 3   Command Range: 4"}, {2, "Hex: 1303"}}));
}

TEST(StatusLine, UnitTypeCodesAndMissileNames) {
    std::string codes, names;
    for (std::uint32_t t = 0; t <= 16; ++t)
        codes += VaelLogicalLandscape::unitTypeCode(t);
    for (std::uint32_t t = 0; t <= 9; ++t)
        names += std::string(VaelLogicalLandscape::missileName(t)) + ",";
    EXPECT_EQ(codes, "PHLGHIMIBILPLISKHCRCBCLNLCELCHAT");
    EXPECT_EQ(names, ",Archer,Archer,Slinger,Jav,Archer,Archer,Jav,Oxybeles,,");
}

TEST_F(MapMessages, TheStatusLineOfAMissileUnitShowsItsMissilesAndRange) {
    auto archers = std::make_unique<test::TestMissileUnit>(setup(7, 606, visitor), 1);
    archers->fire(1);
    place(std::move(archers));
    auto bolts = std::make_unique<test::TestMissileUnit>(setup(8, 707, visitor), 8, 15);
    place(std::move(bolts));
    hover(606);
    hover(707);
    EXPECT_EQ(app.statusTexts, (Panes{{1, "Unit 7 (LI) TQ: 4  Hits: 0  Size: 3"},
                                      {2, "Archer(9/10); Range: 4  Hex: 1606"},
                                      {1, "Unit 8 (AT) TQ: 4  Hits: 0  Size: 3"},
                                      {2, "Oxybeles(99/99); Range: 7  Hex: 1707"}}));
}

} // namespace
} // namespace vael
