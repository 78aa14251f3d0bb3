#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/core/message_box.h"
#include "support/failed_checks.h"
#include "support/rules/test_logical_layer.h"
#include "support/rules/test_units.h"
#include "support/test_application.h"

namespace vael {
namespace {

using namespace test;
using Texts = std::vector<std::string>;

constexpr std::uint32_t home = 1;
constexpr std::uint32_t visitor = 2;

// Stands in for the display objects: notes each command as "unit value event mode reply path extra",
// registered events by name, a missing box as "none".
struct Watcher : Component {
    Watcher() : Component("Watcher") {}
    void connectHandlers() override { connect(LOGICAL_COMMAND, onCommand); }
    static ContainerBase* onCommand(Component* target, BusMessage, ContainerBase* data) {
        LogicalCommandInfo c;
        List<short> path;
        short extra = 0;
        if (!Container<LogicalCommandInfo>::fromMessage(data, c)) return nullptr;
        auto name = [](BusMessage e) {
            const std::string known = RegisteredMessage::nameOf(e.id());
            return known.empty() ? std::to_string(e.id()) : known;
        };
        const std::string payload =
            Container<List<short>>::fromMessage(c.payload.get(), path) ? text(path) : "none";
        static_cast<Watcher*>(target)->commands.push_back(
            values(c.command, c.value, name(c.event), c.event.mode(), name(c.replyEvent), payload,
                   Container<short>::fromMessage(c.extra.get(), extra) ? text(extra) : "none"));
        return nullptr;
    }
    Texts commands;
};

// Notes the extra of each answer of one name that reaches the layer.
struct Listener : Component {
    explicit Listener(const char* name) : Component("Listener"), name(name) {}
    void connectHandlers() override { connectNamed(name, onAnswer); }
    static ContainerBase* onAnswer(Component* target, BusMessage, ContainerBase* data) {
        short extra = 0;
        auto& self = *static_cast<Listener*>(target);
        self.heard += (self.heard.empty() ? "" : " ") +
                      (Container<short>::fromMessage(data, extra) ? std::to_string(extra) : std::string("?"));
        return nullptr;
    }
    const char* name;
    std::string heard;
};

// A 10 x 10 map on the test layer below the application, with a watcher standing in for the display.
class MapMessages : public ::testing::Test {
protected:
    MapMessages() {
        app.strings = ruleStrings();
        layer.attach(app);
        map->attach(layer);
        watcher.attach(layer);
    }

    // A unit "Unit <number>" on the layer, listed on its hex and second hex unless listed says fewer.
    template <class U = TestCombat>
    U& place(std::uint16_t number, std::int16_t hex, std::uint32_t nation, std::uint32_t type = 2,
             std::int16_t doubleSized = 0, int listed = 2, std::uint32_t missileType = 0) {
        owned.push_back(
            std::make_unique<U>(UnitSetup(number, hex, map.get(), nation, type, doubleSized, missileType)));
        auto& unit = static_cast<U&>(*owned.back());
        if (listed > 0) map->addToRegion(&unit, hex);
        if (listed > 1 && doubleSized) map->addToRegion(&unit, unit.getSecondHex());
        unit.attach(layer);
        return unit;
    }
    std::string occupants() { return occupantsOf(*map); }
    void move(std::uint16_t unitNumber, std::initializer_list<short> path,
              std::int32_t event = LOGICAL_OBJECT_MOVED) {
        Container<LogicalCommandInfo> box(LogicalCommandInfo(
            unitNumber, new Container<List<short>>(listOf(path)), static_cast<std::uint16_t>(path.end()[-1]),
            BusMessage(event), BusMessage(RegisteredMessage::getId("MoveDone")), new Container<short>(7)));
        watcher.sendNamed("UnitMovement", &box);
    }
    // The move sent as the unit sends it, at once: the map's answer, 1 when it took the move and 0 when it
    // refused it, -1 for no answer.
    short moveAnswered(std::uint16_t unitNumber, std::initializer_list<short> path) {
        Container<LogicalCommandInfo> box(
            LogicalCommandInfo(unitNumber, new Container<List<short>>(listOf(path)),
                               static_cast<std::uint16_t>(path.end()[-1]), BusMessage(LOGICAL_OBJECT_MOVED),
                               BusMessage(RegisteredMessage::getId("MoveDone")), new Container<short>(7)));
        std::unique_ptr<ContainerBase> answer(watcher.sendNowNamed("UnitMovement", &box));
        short played = -1;
        Container<short>::fromMessage(answer.get(), played);
        return played;
    }
    void send(std::int32_t event, std::initializer_list<short> hexes) {
        for (short hex : hexes) {
            Container<short> box(hex);
            watcher.send(event, &box);
        }
    }

    TestApplication app;
    TestLogicalLayer layer;
    std::unique_ptr<VaelLogicalLandscape> map = makeLandscape(10, 10);
    Watcher watcher;
    std::vector<std::unique_ptr<VaelUnit>> owned;
};

TEST_F(MapMessages, OccupantsKeepArrivalOrderAndOnlyTheFirstCountsForNation) {
    TestCombat &a = place(1, 505, home), &b = place(2, 505, visitor);
    EXPECT_EQ(values(occupants(), map->firstOccupant(505) == &a, map->otherNationInHex(505, home),
                     map->otherNationInHex(505, visitor), map->otherNationInHex(506, home)),
              "505:1 505:2 1 0 1 0");
    const std::vector<const VaelUnit*> removed = {
        map->removeFromRegion(&a, 506),      map->removeFromRegion(&a, 505),
        map->removeFromRegion(&a, 505),      map->removeUnitById(7, 505),
        map->removeUnitById(b.getId(), 506), map->removeUnitById(b.getId(), 505)};
    EXPECT_EQ(removed, (std::vector<const VaelUnit*>{nullptr, &a, nullptr, nullptr, nullptr, &b}));
    map->addToRegion(&a, -1); // hexes off the table hold nobody
    map->addToRegion(&a, 1000);
    EXPECT_EQ(values(map->isHexOccupied(505), map->isHexOccupied(-1), map->isHexOccupied(1000),
                     !map->firstOccupant(32000), !map->removeFromRegion(&a, -1)),
              "0 0 0 1 1");
}

TEST_F(MapMessages, EnemiesNextToAHexAndTheirZonesOfControl) {
    auto around505 = [&] {
        return values(map->enemyAdjacent(505, home, false), map->enemyAdjacent(505, visitor, false),
                      map->enemyAdjacent(505, home, true), map->isInEnemyZOC(505, home),
                      map->isInEnemyZOC(505, visitor));
    };
    place(1, 504, home);
    const std::string alone = around505();
    TestCombat& enemy = place(2, 504, visitor); // second on its hex still counts; leadersOnly ignores it
    const std::string withEnemy = around505();
    place<TestLeader>(3, 406, visitor);
    enemy.setZOC({505, 605});
    place(4, 503, visitor).setZOC({506}); // two hexes off: whatever it claims; the leader at 406 has none
    EXPECT_EQ(values(alone, withEnemy, around505(), map->enemyAdjacent(507, home, false),
                     map->isInEnemyZOC(506, home)),
              "0 1 0 0 0 1 1 0 0 0 1 1 1 1 0 0 0");
    // A skirmisher's hex is never in an enemy zone, but only a skirmisher first in its hex.
    place(5, 505, home, 7);
    place(6, 605, home);
    place(7, 605, home, 7);
    EXPECT_EQ(values(map->isInEnemyZOC(505, home), map->isInEnemyZOC(605, home)), "0 1");
}

// The answers are kept per nation; every change of who stands where, of a zone or of who is in play shows in
// the next one.
TEST_F(MapMessages, KeptAnswersAboutEnemiesNearFollowEveryChange) {
    const auto near505 = [&] {
        return values(map->enemyAdjacent(505, home, false), map->isInEnemyZOC(505, home),
                      map->enemyAdjacent(505, visitor, false), map->isInEnemyZOC(505, visitor));
    };
    const std::string empty = near505();
    TestCombat& enemy = place(2, 504, visitor);
    const std::string arrived = near505();
    enemy.setZOC({505});
    const std::string zone = near505();
    enemy.setZOC({605});
    const std::string zoneAway = near505();
    enemy.setZOC({505});
    map->removeFromRegion(&enemy, 504);
    const std::string gone = near505();
    // Eliminated, a fighting unit leaves the map as it leaves play.
    TestCombat& other = place(3, 606, visitor);
    other.setZOC({505});
    const std::string another = near505();
    other.disconnectHandlers();
    EXPECT_EQ(values(empty, arrived, zone, zoneAway, gone, another, near505()),
              "0 0 0 0 1 0 0 0 1 1 0 0 1 0 0 0 0 0 0 0 1 1 0 0 0 0 0 0");
}

TEST_F(MapMessages, OrderlyWithdrawalCandidates) {
    // The movers come to 505, where the map does not list them: heavy infantry, cavalry, phalanx, medium.
    const std::vector<const VaelUnit*> movers = {
        &place(1, 505, home, 2, 0, 0), &place(2, 505, home, 12, 0, 0), &place(3, 505, home, 0, 0, 0),
        &place(4, 505, home, 3, 0, 0)};
    auto ow = [&](std::uint32_t nation = home) {
        return answers(movers, [&](const VaelUnit* m) { return map->findOWCandidates(505, nation, m); }) +
               ";";
    };
    const bool leaderMoves = map->findOWCandidates(505, home, &place<TestLeader>(5, 708, home)); // never
    TestCombat& enemyCavalry = place(10, 504, visitor, 8);
    const std::string cavalry = ow();
    TestCombat& pinner = place(11, 503, home); // one of ours holds the enemy in its zone
    pinner.setZOC({504});
    const std::string pinned = ow();
    pinner.setZOC({});
    map->removeFromRegion(&enemyCavalry, 504);
    place(12, 606, visitor, 7); // a skirmisher withdraws before phalanx and heavy infantry only
    const std::string skirmisher = ow();
    place<TestLeader>(13, 405, visitor); // a leader before anyone, but never before his own side
    EXPECT_EQ(values(leaderMoves, cavalry, pinned, skirmisher, ow(), ow(visitor)),
              "0 1 0 1 1; 0 0 0 0; 1 0 1 0; 1 1 1 1; 0 0 0 0;");
    // A double-sized mover's second hex (302) is no part of its surroundings.
    TestCombat &big = place(14, 202, home, 2, 1), &stray = place(15, 302, visitor, 8);
    const bool second = map->findOWCandidates(202, home, &big);
    map->removeFromRegion(&stray, 302);
    place(16, 203, visitor, 8);
    EXPECT_EQ(values(second, map->findOWCandidates(202, home, &big)), "0 1");
}

// Both hexes of a two-hex unit are checked before anything changes: refused on its second hex, the move
// leaves both occupant lists and the unit's hexes as they were, tells the display nothing, and is answered
// as refused (the orderer's reply still comes, so that nobody waits for a walk that will not be played).
TEST_F(MapMessages, ATwoHexMoveRefusedOnItsSecondHexChangesNothing) {
    TestCombat &half = place(7, 202, home, 2, 1, 1), &whole = place(6, 707, home, 2, 1),
               &single = place(4, 505, home);
    ASSERT_EQ(half.getSecondHex(), 302);
    FailedChecks checks;
    Listener answers("MoveDone");
    answers.attach(layer);
    const struct Row {
        const char* what;
        std::uint16_t unit;
        std::initializer_list<short> path;
        short answer;
        const char* occupants;
        std::int16_t hex, second;
    } rows[] = {
        {"not on its second hex", 7, {202, 201}, 0, "202:7 505:4 707:6 808:6", 202, 302},
        {"not on the hex its move begins", 4, {506, 504}, 0, "202:7 505:4 707:6 808:6", 505, -1},
        {"a two-hex unit on both its hexes", 6, {707, 706}, 1, "202:7 505:4 706:6 807:6", 706, 807},
        {"a one-hex unit", 4, {505, 504}, 1, "202:7 504:4 706:6 807:6", 504, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::size_t told = watcher.commands.size(), refused = checks.count();
        EXPECT_EQ(moveAnswered(row.unit, row.path), row.answer);
        app.drainQueue();
        const TestCombat& unit = row.unit == 7 ? half : row.unit == 6 ? whole : single;
        EXPECT_EQ(occupants(), row.occupants);
        EXPECT_EQ(unit.getHex(), row.hex);
        if (row.second >= 0) {
            EXPECT_EQ(unit.getSecondHex(), row.second);
        }
        EXPECT_EQ(watcher.commands.size() - told, row.answer ? 1u : 0u);
        EXPECT_EQ(checks.count() - refused, row.answer ? 0u : 1u);
    }
    // Each refusal was answered in the display's place; the moves played wait for the display.
    EXPECT_EQ(answers.heard, "7 7");
    EXPECT_EQ(checks.texts[0], "Unit 7 is not on its second hex 302, where its move begins  Abort?");
}

TEST_F(MapMessages, MovesAndRemovalsKeepTheOccupantsInStepAndTellTheDisplay) {
    TestCombat &unit = place(4, 505, home), &big = place(6, 707, home, 2, 1),
               &half = place(7, 202, home, 2, 1, 1);
    place(5, 505, home);
    // A move nothing plays is reported and answered in the display's place: its orderer waits for the answer.
    FailedChecks checks;
    Listener answers("MoveDone");
    answers.attach(layer);
    move(4, {505, 504}, LOGICAL_OBJECT_SELECTED); // only a move command moves
    move(9, {505, 504});                          // nobody of that number on the first hex
    move(4, {506, 504});
    const std::string unmoved = values(occupants(), watcher.commands.size(), unit.rebuilds);
    const std::string unplayed = values(checks.count(), "/", answers.heard);
    move(4, {505, 504, 503});
    move(6, {707, 706});
    move(7, {202, 201}); // not listed on its second hex: refused whole, nothing moves
    move(4, {503});      // a path of one hex is a move that stays
    ASSERT_EQ(checks.count(), 3u);
    EXPECT_EQ(checks.texts[0], "Unit 9 is not on hex 505, where its move begins  Abort?");
    EXPECT_EQ(checks.texts[1], "Unit 4 is not on hex 506, where its move begins  Abort?");
    EXPECT_EQ(checks.texts[2], "Unit 7 is not on its second hex 302, where its move begins  Abort?");
    EXPECT_EQ(unplayed, "2 / 7 7");
    EXPECT_EQ(answers.heard, "7 7 7");
    // Zone, front, rear and flank hexes are rebuilt once a move.
    EXPECT_EQ(values(unmoved, occupants(), unit.getHex(), big.getSecondHex(), unit.rebuilds, big.rebuilds,
                     half.rebuilds),
              "202:7 505:4 505:5 707:6 808:6 0 0 202:7 503:4 505:5 706:6 807:6 503 807 8 4 0");
    EXPECT_EQ(watcher.commands, (Texts{"4 503 28 0 MoveDone [505 504 503] 7",
                                       "6 706 28 0 MoveDone [707 706] 7", "4 503 28 0 MoveDone [503] 7"}));
    // A removed unit leaves both hexes and goes off the map; once it is on neither, nobody is told.
    UnitRemovedStruct removed;
    removed.unitId = static_cast<std::uint16_t>(big.getId());
    removed.hex = 706;
    removed.secondHex = 807;
    Container<UnitRemovedStruct> box(removed);
    watcher.sendNamed("UnitRemoved", &box);
    watcher.sendNamed("UnitRemoved", &box);
    EXPECT_EQ(values(occupants(), big.getHex(), big.getSecondHex(), watcher.commands.back()),
              "202:7 503:4 505:5 65535 -1 6 706 UnitRemoved 0 0 none none");
    EXPECT_EQ(watcher.commands.size(), 4u);
}

// A unit listed only on its second hex is found there: it leaves that hex and the map, and the display is
// told where it stood.
TEST_F(MapMessages, AUnitListedOnlyOnItsSecondHexIsRemovedFromThereAndReported) {
    TestCombat& big = place(6, 707, home, 2, 1, 0);
    map->addToRegion(&big, big.getSecondHex());
    place(5, 505, home);
    const std::string before = occupants();
    UnitRemovedStruct removed;
    removed.unitId = static_cast<std::uint16_t>(big.getId());
    removed.hex = 707;
    removed.secondHex = 808;
    Container<UnitRemovedStruct> box(removed);
    watcher.sendNamed("UnitRemoved", &box);
    EXPECT_EQ(values(before, "/", occupants(), big.getHex()), "505:5 808:6 / 505:5 65535");
    EXPECT_EQ(watcher.commands, Texts{"6 707 UnitRemoved 0 0 none none"});
}

TEST_F(MapMessages, PayloadsOfTheWrongTypeAreReportedAndIgnored) {
    TestCombat& unit = place(4, 505, home);
    FailedChecks checks;
    Container<long> wrong(505);
    Container<LogicalCommandInfo> noPath(
        LogicalCommandInfo(4, new Container<long>(3), 503, BusMessage(LOGICAL_OBJECT_MOVED)));
    watcher.send(REGION_SELECTED, &wrong);
    watcher.send(REGION_FLYBY, &wrong);
    watcher.sendNamed("UnitMovement", &wrong);
    watcher.sendNamed("UnitRemoved", &wrong);
    watcher.sendNamed("UnitMovement", &noPath);
    ASSERT_EQ(checks.count(), 5u);
    for (std::size_t i = 0; i < checks.count(); ++i)
        EXPECT_EQ(checks.texts[i] + checks.captions[i].substr(0, 28),
                  "Bad data passed in bus message to function  Abort?Failure in VELLGLND at line ");
    EXPECT_EQ(values(occupants(), unit.selectedAt.size(), watcher.commands.size(), app.statusTexts.size()),
              "505:4 0 0 0");
}

TEST_F(MapMessages, AClickSelectsTheFirstUnitOfTheHexAsTheActiveGroupAllows) {
    send(REGION_SELECTED, {505}); // an empty hex: nothing asked, nobody chosen
    TestCombat &first = place(4, 505, home), &second = place(5, 505, home);
    send(REGION_SELECTED, {505});
    first.movementLeft_ = 5; // a unit that has moved already: no need to ask for the active group
    send(REGION_SELECTED, {505});
    map->pauseSelection(); // paused selection takes no clicks; resuming twice connects once
    const int paused = map->isSelectionConnected();
    send(REGION_SELECTED, {505});
    map->resumeSelection();
    map->resumeSelection();
    send(REGION_SELECTED, {505});
    EXPECT_EQ(values(layer.activeGroupAsked, paused, map->isSelectionConnected(), first.selectedAt.size(),
                     second.selectedAt.size()),
              "1 0 1 3 0");

    TestLeader &chief = place<TestLeader>(1, 303, home), &otherLeader = place<TestLeader>(6, 606, home);
    TestCombat &member = place(2, 304, home), &outsider = place(3, 506, home),
               &enemy = place(7, 707, visitor);
    Group group(1, "Centre");
    group.leader = &chief;
    group.units.append(&member);
    chief.setGroup(&group);
    layer.activeGroup = &group;
    send(REGION_SELECTED, {304, 303}); // members and the leader himself
    chief.ordersUsed_ = 1;             // two orders left: a unit outside the group, never another leader
    send(REGION_SELECTED, {506, 606});
    chief.ordersUsed_ = 2; // one order left: the box for a unit of the leader's nation, nothing for an enemy
    send(REGION_SELECTED, {506, 707});
    chief.ordersUsed_ = 0; // a granted group move: only the leader, and nobody outside the group
    chief.groupMoveGranted_ = 1;
    send(REGION_SELECTED, {304, 506, 303});
    const std::vector<Hexes> selected = {member.selectedAt, chief.selectedAt, outsider.selectedAt,
                                         otherLeader.selectedAt, enemy.selectedAt};
    EXPECT_EQ(selected, (std::vector<Hexes>{{304}, {303, 303}, {506}, {}, {}}));
    ASSERT_EQ(app.boxes.size(), 1u);
    EXPECT_EQ(values(app.boxes[0].text, "/", app.boxes[0].title, "/", app.boxes[0].style == MessageBoxOk),
              "You do not have enough orders\nto move a unit that does not\nbelong to your group. /  / 1");
}

TEST_F(MapMessages, TheStatusLineDescribesTheFirstUnitAndNamesTheHex) {
    place(4, 505, home).cohesionHits_ = 2;
    place<TestLeader>(9, 505, home);
    place<TestLeader>(1, 303, home);
    place<TestMissileUnit>(7, 606, visitor, 6, 0, 2, 1).missilesLeft_ = 9;
    place<TestMissileUnit>(8, 707, visitor, 15, 0, 2, 8);
    send(REGION_FLYBY, {305, 505, 303, 606, 707});
    std::string shown;
    for (const auto& [pane, text] : app.statusTexts)
        shown += std::to_string(pane) + "[" + text + "]";
    EXPECT_EQ(shown,
              "1[]2[Hex: 1305]1[Unit 4 (HI) TQ: 5  Hits: 2  Size: 8]2[Hex: 1505]"
              "1[Unit 1 Initiative: 3   Command Range: 4]2[Hex: 1303]1[Unit 7 (LI) TQ: 5  Hits: 0  Size: 8]"
              "2[Archer(9/10); Range: 4  Hex: 1606]1[Unit 8 (AT) TQ: 5  Hits: 0  Size: 8]"
              "2[Oxybeles(99/99); Range: 7  Hex: 1707]");
    ASSERT_TRUE(map->loadMap(readMapFile(MapFileBuilder(10, 10).setHexOffset(2000)))); // the map's own offset
    send(REGION_FLYBY, {305});
    EXPECT_EQ(app.statusTexts.back().second, "Hex: 2305");
    std::string codes;
    for (std::uint32_t t = 0; t <= 16; ++t)
        codes +=
            VaelLogicalLandscape::unitTypeCode(t) + std::string(VaelLogicalLandscape::missileName(t)) + ",";
    EXPECT_EQ(
        codes,
        "PH,LGArcher,HIArcher,MISlinger,BIJav,LPArcher,LIArcher,SKJav,HCOxybeles,RC,BC,LN,LC,EL,CH,AT,,");
}

// A unit that counts the live instances, so that a test can see the layer delete its prototypes.
struct CountedUnit : TestCombat {
    CountedUnit() : TestCombat(UnitSetup()) { ++live; }
    ~CountedUnit() override { --live; }
    static inline int live = 0;
};

TEST(LogicalLayer, OwnsItsPrototypesAndMapAndHearsTheGamesEvents) {
    TestApplication app;
    {
        TestLogicalLayer layer;
        auto* thirteen = new CountedUnit;
        layer.addPrototype(13, thirteen);
        const int count13 = layer.getPrototypeCount();
        for (std::int16_t code = 0; code < 50; ++code)
            EXPECT_EQ(layer.prototype(code), code == 13 ? thirteen : nullptr) << code;
        layer.addPrototype(2, new CountedUnit);
        const int count2 = layer.getPrototypeCount();
        layer.addPrototype(60, new CountedUnit); // past the first fifty: the table grows
        layer.addPrototype(2, new CountedUnit);  // the one replaced is deleted, not lost
        FailedChecks checks;
        layer.addPrototype(-1, new CountedUnit); // refused, and deleted
        const bool noMap = !layer.getLandscape();
        layer.setLandscape(makeLandscape(3, 3).release());
        layer.setLandscape(makeLandscape(4, 4).release()); // the sanitizer sees a map left behind
        EXPECT_EQ(values(count13, count2, layer.getPrototypeCount(), checks.count(), CountedUnit::live, noMap,
                         layer.getLandscape()->regionCount()),
                  "14 14 61 1 3 1 16");

        // The game's layer takes the scenario loads, clicks and mouse-overs sent below the application.
        Watcher sender;
        Container<short> hex(305);
        Container<std::string> name("Tiren.scn");
        Container<long> wrong(305);
        layer.attach(app);
        sender.attach(layer);
        sender.send(LOAD_SCENARIO, &name);
        sender.sendEmpty(LOAD_SCENARIO);      // no string: an empty name
        sender.send(REGION_SELECTED, &wrong); // ignored without a report
        sender.send(REGION_FLYBY, &hex);
        layer.detach(); // attached again, it still hears each event once
        layer.attach(app);
        sender.send(REGION_SELECTED, &hex);
        EXPECT_EQ(values(answers(layer.heard, [](const std::string& s) { return s + ";"; }), checks.count()),
                  "load Tiren.scn; load ; flyby 305; select 305; 1");
    }
    EXPECT_EQ(CountedUnit::live, 0);
}

} // namespace
} // namespace vael
