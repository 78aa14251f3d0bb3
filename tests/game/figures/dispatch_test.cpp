// The dispatcher: losses chosen alike on every machine from the hex (expectations worked out by hand from
// the hex-seeded generator, step 100 / 8 = 12), clamped and recorded as their cause says; the engaged
// sides seen from the unit's own front; teleports with and without a destination; flags after a rout and
// after elimination; paths recorded for a rampage; the formation closing up again.
#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "game/figures/figure_fixture.h"
#include "game/figures/figure_state_peer.h"
#include "game/figures/rampage_cohesion_hit_struct.h"
#include "game/figures/test_unit.h"
#include "game/flow/shock_records.h"

namespace vael::test {

class FigurelessUnit : public TestUnit {
public:
    using TestUnit::TestUnit;
    void setupAnimations() override {}
};

namespace {

class DispatchTest : public FigureScene {
protected:
    template <class T = TestUnit>
    T* unit(std::int16_t hex = 1204, std::int32_t facing = 1, std::int32_t kind = 0, int formation = 8) {
        return static_cast<T*>(attach(std::make_unique<T>(
            "Unit", hex, facing, kind,
            [](TestUnit& self, LogicalCommandInfo& c) { self.VaelPhysicalObject::handleEvent(c); },
            formation)));
    }
    static LogicalCommandInfo command(const char* event, ContainerBase* payload, std::uint16_t value = 0) {
        return LogicalCommandInfo(0, payload, value,
                                  BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(event))),
                                  BusMessage(0), new Container<short>(0));
    }
    static LogicalCommandInfo builtIn(std::int32_t id, ContainerBase* payload, std::uint16_t value = 0) {
        return LogicalCommandInfo(0, payload, value, BusMessage(id), BusMessage(0), new Container<short>(0));
    }
    // A unit's state shown, as unit number 5 on hex 1204 sends it: no payload, no reply.
    static LogicalCommandInfo stateShown() {
        return LogicalCommandInfo(5, nullptr, 1204, BusMessage(LOGICAL_OBJECT_ENABLED), BusMessage(0),
                                  nullptr);
    }
    static void run(VaelPhysicalObject& u, LogicalCommandInfo c) { u.handleEvent(c); }
    static void hit(VaelPhysicalObject& u, std::int16_t percent, std::uint32_t method) {
        MethodOfDeathStruct m;
        m.percent = percent;
        m.method = method;
        run(u, command("CohesionHit", new Container<MethodOfDeathStruct>(m)));
    }
    static std::vector<int> fallenOf(VaelPhysicalObject& u) {
        std::vector<int> out;
        for (std::int16_t i = 0; i < static_cast<std::int16_t>(u.spriteCount()); ++i)
            if (u.fallenState(i) == 1) out.push_back(i);
        return out;
    }
    static Container<List<short>>* path(std::initializer_list<short> hexes) {
        List<short> l;
        for (short h : hexes)
            l.append(h);
        return new Container<List<short>>(l);
    }
};

TEST_F(DispatchTest, CohesionHitsClampRecordOrFellFiguresByTheirCause) {
    struct Row {
        std::int16_t percent;
        std::uint32_t method;
        std::int16_t shown, eliminated, fallenCount;
        std::vector<int> fallen;
        std::int32_t cause;
    };
    // Eight figures, three of them never shown fallen: the target is 5 * percent / 100. Hex 1204 draws 2
    // (figure 0), then 67 14 66 1 (figure 4); the third walk misses twice round (38 74 55 35 48 30, 14 55
    // 81 17 91 39) and takes figure 5 on its third pass (50 94 69 6); the fourth takes figure 2 on its third
    // pass (27 3), the fifth figure 3 on its fourth (66 9).
    const std::vector<Row> rows = {
        {60, 2, 60, 0, 3, {0, 4, 5}, 2},
        {150, 2, 100, 1, 5, {0, 2, 3, 4, 5}, 2},
        {100, 4, 100, 1, 5, {0, 2, 3, 4, 5}, 4},
        {99, 2, 99, 0, 4, {0, 2, 4, 5}, 2},
        {60, 1, 60, 0, 0, {}, 1},
        {60, static_cast<std::uint32_t>(-1), 0, 0, 0, {}, -1},
        {60, 7, 60, 0, 3, {0, 4, 5}, 7},
        {19, 2, 19, 0, 0, {}, 2},
        {20, 2, 20, 0, 1, {0}, 2},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message()
                     << r.percent << "% by cause " << static_cast<std::int32_t>(r.method));
        auto* u = unit();
        hit(*u, r.percent, r.method);
        EXPECT_EQ(u->casualtyPercent(), r.shown);
        EXPECT_EQ(u->eliminated(), r.eliminated);
        EXPECT_EQ(u->fallenCount(), r.fallenCount);
        EXPECT_EQ(u->casualtyCause(), r.cause);
        EXPECT_EQ(fallenOf(*u), r.fallen);
        EXPECT_EQ(u->looseSprites().count(), static_cast<int>(r.fallen.size()));
        EXPECT_EQ(u->activeSprites().count(), 0) << "falls play loose, they hold up nothing";
        for (int k : r.fallen)
            EXPECT_EQ(u->figureSlot(static_cast<std::int16_t>(k)), -1);
    }
}

TEST_F(DispatchTest, AFallingFigureShowsItsDeathWithASoundCueAndWalksNowhereWithoutAnExitLine) {
    auto* u = unit();
    hit(*u, 20, 2);
    ASSERT_EQ(fallenOf(*u), std::vector<int>{0});
    const Lines events = eventsOf(*u->figure(0));
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0], "sound 17 0");
    EXPECT_EQ(events[1].rfind("once 1204 d0 General", 0), 0u) << events[1];
}

TEST_F(DispatchTest, ASmallerSecondHitShowsNoNewCasualtyAndAShockHitWaitsForTheCombat) {
    auto* u = unit();
    hit(*u, 60, 2);
    hit(*u, 40, 2);
    EXPECT_EQ(u->casualtyPercent(), 40);
    EXPECT_EQ(u->fallenCount(), 3);
    EXPECT_EQ(fallenOf(*u), (std::vector<int>{0, 4, 5}));
}

TEST_F(DispatchTest, TwoObjectsOnOneHexPickTheSameFiguresAndAnotherHexPicksOthers) {
    auto* a = unit(1305);
    auto* b = unit(1305);
    auto* c = unit(1306);
    for (auto* u : {a, b, c})
        hit(*u, 60, 2);
    EXPECT_EQ(fallenOf(*a), (std::vector<int>{0, 4, 5}));
    EXPECT_EQ(fallenOf(*b), (std::vector<int>{0, 4, 5}));
    EXPECT_EQ(fallenOf(*c), (std::vector<int>{0, 3, 6}));
}

TEST_F(DispatchTest, TheChoiceOfTheFallenStopsWhenNobodyIsLeftAndCopesWithNoFigures) {
    auto* u = unit();
    for (std::int16_t i = 0; i < 6; ++i)
        u->markFallen(i);
    const std::vector<bool> chosen = u->chooseFallen(5, nullptr);
    EXPECT_EQ(chosen, (std::vector<bool>{false, false, false, false, false, false, true, true}));
    auto* empty = unit<FigurelessUnit>();
    ASSERT_EQ(empty->spriteCount(), 0);
    EXPECT_TRUE(empty->chooseFallen(3, nullptr).empty());
}

TEST_F(DispatchTest, TheWalkForACasualtyWrapsUntilItPicksEvenPastTwoWholePasses) {
    // Hex 112 draws 0, then 31 72 17 74 99 69 74 (figures 1 to 7, first pass), 44 27 51 20 40 55 87
    // (second pass), then 51 73 3: figure 0 falls first; the second casualty's walk finds nobody below 12
    // in two whole passes and takes figure 3 on the third (figure 2's 73 misses, figure 3's 3 hits).
    auto* u = unit(112);
    EXPECT_EQ(u->chooseFallen(2, nullptr),
              (std::vector<bool>{true, false, false, true, false, false, false, false}));
    // One casualty is settled by the very first draw, so the walk's length does not matter to it.
    EXPECT_EQ(u->chooseFallen(1, nullptr),
              (std::vector<bool>{true, false, false, false, false, false, false, false}));
}

TEST_F(DispatchTest, EnemiesAreSeenFromTheUnitsOwnFrontAndBothFrontDiagonalsMergeSaveForSkirmishers) {
    struct Row {
        std::int32_t facing;
        std::vector<short> enemies;
        std::vector<int> sides;
    };
    // From 1204 (an even column): 1203 above, 1303 up right, 1103 up left, 1304 down right. The foot
    // skirmishers keeping both diagonals are the missile tests'.
    const std::vector<Row> rows = {
        {1, {1203}, {1}}, {1, {1303}, {2}}, {1, {1303, 1103}, {1}},
        {4, {1304}, {1}}, {4, {1203}, {6}}, {1, {1205, 1401}, {5}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "facing " << r.facing << " enemies " << r.enemies.size()
                                          << " first " << r.enemies[0]);
        VaelPhysicalObject* u = unit(1204, r.facing);
        List<short> enemies;
        for (short h : r.enemies)
            enemies.append(h);
        std::int16_t engaged[9];
        u->engagedSides(enemies, engaged);
        std::vector<int> sides;
        for (int d = 0; d < 9; ++d)
            if (engaged[d]) sides.push_back(d);
        EXPECT_EQ(sides, r.sides);
    }
}

TEST_F(DispatchTest, AnUnknownEventChangesNothingAndFinishesOnTheTickThatOffersIt) {
    auto* u = unit();
    run(*u, command("NoSuchDisplayEvent", new Container<short>(3)));
    EXPECT_EQ(u->activeSprites().count(), 0);
    EXPECT_EQ(u->region(), 1204);
    EXPECT_EQ(u->flagStale(), 0);
    for (std::int16_t i = 0; i < 8; ++i)
        EXPECT_TRUE(eventsOf(*u->figure(i)).empty());
}

TEST_F(DispatchTest, ATeleportMovesToItsLastHexAndWithoutADestinationOnlySnapsHome) {
    struct Row {
        const char* name;
        ContainerBase* payload;
        std::int16_t region;
        bool changed;
    };
    const std::vector<Row> rows = {{"to 1306", path({1204, 1305, 1306}), 1306, true},
                                   {"to 0", path({1204, 0}), 1204, false},
                                   {"empty", path({}), 1204, false},
                                   {"wrong box", new Container<short>(1306), 1204, false}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto* u = unit();
        run(*u, command("UnitTeleport", r.payload));
        EXPECT_EQ(u->region(), r.region);
        EXPECT_EQ(u->flagStale(), 1);
        const Lines events = eventsOf(*u->figure(0));
        const std::string hex = std::to_string(r.region);
        // Slot 0 stands at (-10, -6) facing north; the changed region comes first when there is one.
        const std::string snap = "move " + hex + " (" + std::to_string(u->slotOffsets(0)[1].x) + "," +
                                 std::to_string(u->slotOffsets(0)[1].y) + ") 0 d" +
                                 std::to_string(u->slotDepths(0)[1]) + " Standing0";
        ASSERT_EQ(events.size(), r.changed ? 2u : 1u);
        EXPECT_EQ(events.back(), snap);
        EXPECT_EQ(u->activeSprites().count(), 9) << "eight figures and the flag";
    }
}

TEST_F(DispatchTest, FlagsStayDownAfterARoutAndGoWithTheUnitWhenItIsEliminated) {
    auto* u = unit();
    run(*u, command("TerminalRout", path({1204, 1205})));
    EXPECT_EQ(u->inTerminalRout(), 1);
    EXPECT_EQ(u->region(), 1205);
    run(*u, command("RaiseFlags", nullptr));
    EXPECT_EQ(u->flagRaised(), 0);

    auto* v = unit(1306);
    layer.listenFor("SpriteDestroyed");
    layer.log.clear();
    run(*v, command("RaiseFlags", nullptr));
    ASSERT_EQ(v->flagRaised(), 1);
    run(*v, command("UnitEliminated", nullptr));
    EXPECT_EQ(v->flag(), nullptr);
    EXPECT_EQ(v->flagRaised(), 0) << "a raised mark without a flag keeps the object ticking";
    EXPECT_EQ(std::count(layer.log.begin(), layer.log.end(), "SpriteDestroyed"), 1);
    EXPECT_EQ(v->fallenCount(), 8);
    EXPECT_EQ(v->casualtyPercent(), 0);
    EXPECT_EQ(fallenOf(*v).size(), 8u);
}

// A raised flag waves on a hold that lasts until something is queued behind it. Lowered, it is always put
// back standing, shown again only for a unit that has acted: the lowering command, and every command queued
// behind it (a move waiting for its "MovementDone"), finishes on the tick that offers it.
TEST_F(DispatchTest, AWavingFlagIsAlwaysPutDownSoTheCommandsAfterItFinish) {
    struct Row {
        const char* name;
        const char* lower;
        bool actedBefore;
        std::int16_t staleAfter;
    };
    const std::vector<Row> rows = {{"lowered, not acted", "LowerFlags", false, 0},
                                   {"lowered after acting", "LowerFlags", true, 1},
                                   {"dropped, not acted", "DropFlags", false, 1}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto* u = unit();
        layer.listenFor("FlagsDown");
        layer.listenFor("UnitMoved");
        layer.log.clear();
        auto queue = [&](const char* event, ContainerBase* payload, const char* reply) {
            Container<LogicalCommandInfo> box(LogicalCommandInfo(
                0, payload, 0, BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(event))),
                BusMessage(reply ? static_cast<std::int32_t>(RegisteredMessage::getId(reply)) : 0),
                new Container<short>(7)));
            u->sendTo(static_cast<std::uint16_t>(u->getId()), LOGICAL_COMMAND, &box);
        };
        queue("RaiseFlags", nullptr, nullptr);
        // A turn to the facing the unit has starts nothing but marks the flag stale.
        if (r.actedBefore) queue("ChangeFacingNA", new Container<DIRECTION>(North), nullptr);
        queue(r.lower, new Container<short>(0), "FlagsDown");
        queue("UnitTeleport", path({1204, 1305}), "UnitMoved");
        const std::string id = std::to_string(u->getId());
        int tick = 0;
        auto lowered = [&] { return std::count(layer.log.begin(), layer.log.end(), "FlagsDown 7") > 0; };
        for (; tick < 40 && !lowered(); ++tick)
            delete u->updateLevels(1000 + 100 * tick);
        ASSERT_TRUE(lowered()) << "the lowering never finished";
        EXPECT_EQ(u->flagStale(), r.staleAfter);
        EXPECT_EQ(u->flag()->isHidden(), 0) << "the raise showed it and nothing hid it";
        for (; tick < 40 && u->commands().count() > 0; ++tick)
            delete u->updateLevels(1000 + 100 * tick);
        EXPECT_EQ(u->commands().count(), 0);
        EXPECT_EQ(layer.log,
                  (Lines{"ACTIVATED " + id, "FlagsDown 7", "UnitMoved 7", "PhysicalObjectNotMoving " + id}));
        EXPECT_EQ(u->flagRaised(), 0);
        EXPECT_EQ(u->flagStale(), 1) << "the teleport marks it stale in every case";
        ASSERT_NE(u->flag(), nullptr);
        EXPECT_TRUE(u->flag()->cloth()->events().isEmpty()) << "the cloth still waves on its hold";
        EXPECT_EQ(u->region(), 1305);
    }
}

// What a unit shows of its flag, for comparing two objects: its marks, then pole, cloth and shadow (shown,
// drawing mode, position at each size, picture, events left), or for a leader the first figure's.
std::string flagState(VaelPhysicalObject& u) {
    std::ostringstream out;
    out << "raised " << u.flagRaised() << " stale " << u.flagStale() << " leader " << u.leaderFlag();
    auto part = [&](const char* name, const Sprite* s, bool picture = true) {
        const auto* v = static_cast<const VaelSprite*>(s);
        out << " | " << name << " hidden " << v->isHidden() << " mode " << v->drawMode();
        for (int level = 0; level < 3; ++level)
            out << " (" << v->position(level).x << "," << v->position(level).y << ")";
        if (picture) out << " " << v->frameInfo().name << v->frameInfo().index;
        out << " events " << v->events().count();
    };
    if (Flag* f = u.flag()) {
        part("pole", f);
        part("cloth", f->cloth());
        // Every raise of any flag turns the one list of shadow pictures all flags rest on, so the second
        // object's shadow rests on a picture its twin's raises have turned to.
        part("shadow", f->shadow(), false);
    } else if (u.figure(0)) {
        part("figure", u.figure(0));
    }
    return out.str();
}

// A view off screen ticks once a second while a stand-off's turns bring each object a raise, a lowering
// and an end of turn about as often. Played one per tick, such commands piled up turn after turn; a long
// backlog of them is now played through on one tick, and leaves the object as playing each on ticks of
// its own does.
TEST_F(DispatchTest, AHiddenViewPlaysALongBacklogOfFlagCommandsThroughAndEndsAsPlayingEachDoes) {
    struct Row {
        const char* name;
        std::int32_t kind;
        std::int16_t mode;
    };
    // With the reversed view on screen this view is neither shown nor watched; with no view on screen it is
    // watched, as in the battle tool.
    for (const Row& r :
         {Row{"a unit with a flag, the other view shown", 0, VaelSpriteLayer::ReversedView},
          Row{"a leader waving his own figure, the other view shown", 4, VaelSpriteLayer::ReversedView},
          Row{"a unit with a flag, no view shown", 0, VaelSpriteLayer::NoView}}) {
        SCOPED_TRACE(r.name);
        layer.mode = r.mode;
        auto deliver = [](VaelPhysicalObject& u, LogicalCommandInfo c) {
            Container<LogicalCommandInfo> box(std::move(c));
            u.sendTo(static_cast<std::uint16_t>(u.getId()), LOGICAL_COMMAND, &box);
        };
        auto send = [&](VaelPhysicalObject& u, const char* event) {
            deliver(u, command(event, new Container<short>(0)));
        };
        // Three hundred turns: the unit's state shown (as its unit number 5 sends it), raised (grey every
        // third turn), lowered, dropped every seventh, turn over.
        auto turn = [&](VaelPhysicalObject& u, int t, auto&& after) {
            deliver(u, stateShown());
            after();
            send(u, t % 3 == 2 ? "RaiseGrayFlags" : "RaiseFlags");
            after();
            send(u, t % 7 == 6 ? "DropFlags" : "LowerFlags");
            after();
            send(u, "EndOfTurn");
            after();
        };
        const int turns = 300;
        std::srand(11);
        auto* rare = unit(1204, 3, r.kind);
        std::srand(11);
        auto* each = unit(1204, 3, r.kind);

        std::srand(23);
        std::int32_t now = 1000;
        int longest = 0;
        for (int t = 0; t < turns; ++t) {
            turn(*rare, t, [] {});
            delete rare->updateLevels(now += 1000);
            longest = std::max(longest, static_cast<int>(rare->commands().count()));
        }
        for (int tick = 0; tick < 4 * VaelPhysicalObject::QuietBacklog && rare->commands().count() > 0;
             ++tick)
            delete rare->updateLevels(now += 1000);
        // Whatever passes the limit is played through on the tick.
        EXPECT_LE(longest, VaelPhysicalObject::QuietBacklog);
        EXPECT_EQ(rare->commands().count(), 0);
        const int afterRare = std::rand();

        std::srand(23);
        now = 1000;
        for (int t = 0; t < turns; ++t)
            turn(*each, t, [&] {
                for (int tick = 0; tick < 20 && each->commands().count() > 0; ++tick)
                    delete each->updateLevels(now += 100);
            });
        EXPECT_EQ(each->commands().count(), 0);
        EXPECT_EQ(flagState(*rare), flagState(*each));
        EXPECT_EQ(rare->commands().count(), 0);
        EXPECT_EQ(flagState(*rare), flagState(*each));
        EXPECT_EQ(afterRare, std::rand()) << "the flags waved on dice of their own";
    }
}

// Only a backlog longer than the limit, of quiet commands alone, on a view off screen, is played through;
// otherwise one command a tick, as before.
TEST_F(DispatchTest, OnlyALongQuietBacklogOffScreenIsPlayedThroughOnOneTick) {
    const int q = VaelPhysicalObject::QuietBacklog;
    struct Row {
        const char* name;
        std::int16_t mode;
        int queued;
        bool lastAsksReply;
        int left;
        bool lastShowsState = false;
    };
    const std::vector<Row> rows = {
        {"as many as the limit, off screen", VaelSpriteLayer::NoView, q, false, q - 1},
        {"one more, off screen", VaelSpriteLayer::NoView, q + 1, false, 0},
        {"one more, the other view shown", VaelSpriteLayer::ReversedView, q + 1, false, 0},
        {"one more, on screen", VaelSpriteLayer::NormalView, q + 1, false, q},
        {"one more, the last awaits a reply", VaelSpriteLayer::NoView, q + 1, true, q},
        {"one more, the last the unit's state", VaelSpriteLayer::NoView, q + 1, false, 0, true}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        layer.mode = r.mode;
        auto* u = unit();
        for (int i = 0; i < r.queued; ++i) {
            const bool last = i + 1 == r.queued;
            const bool reply = r.lastAsksReply && last;
            if (r.lastShowsState && last) {
                Container<LogicalCommandInfo> state(stateShown());
                u->sendTo(static_cast<std::uint16_t>(u->getId()), LOGICAL_COMMAND, &state);
                continue;
            }
            Container<LogicalCommandInfo> box(LogicalCommandInfo(
                0, nullptr, 0, BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("EndOfTurn"))),
                BusMessage(reply ? static_cast<std::int32_t>(RegisteredMessage::getId("FlagsDown")) : 0),
                new Container<short>(0)));
            u->sendTo(static_cast<std::uint16_t>(u->getId()), LOGICAL_COMMAND, &box);
        }
        delete u->updateLevels(1000);
        EXPECT_EQ(static_cast<int>(u->commands().count()), r.left);
    }
}

TEST_F(DispatchTest, MovesAreRecordedWhilePathsAreToBeSavedAndAnEmptyPathIsTheCommandsHex) {
    auto* u = unit();
    u->saveAPath();
    run(*u, builtIn(LOGICAL_OBJECT_MOVED, path({}), 1305));
    EXPECT_EQ(u->savedPathCount(), 0);
    EXPECT_EQ(u->region(), 1204) << "a recorded move moves nothing";
    EXPECT_EQ(u->activeSprites().count(), 0);
    run(*u, builtIn(LOGICAL_OBJECT_MOVED, path({1204, 1205})));
    EXPECT_EQ(u->region(), 1205);
    EXPECT_EQ(u->flagStale(), 1);
    EXPECT_EQ(u->activeSprites().count(), 9);
}

// A path of the destination alone takes no step, yet the flag and every figure go to the new hex with the
// unit: the figures keep their places in the formation, the object does not split between two hexes.
TEST_F(DispatchTest, AMovedUnitsFlagStandsOnItsNewHexAndNotAtTheMapsOrigin) {
    anchors.setAnchors(1204, Point(300, 200), Point(150, 100), Point(75, 50));
    anchors.setAnchors(1205, Point(300, 260), Point(150, 130), Point(75, 65));
    for (const bool walked : {true, false}) {
        SCOPED_TRACE(walked ? "path 1204 1205" : "path 1205");
        auto* u = unit();
        ASSERT_NE(u->flag(), nullptr);
        ASSERT_EQ(u->flag()->region(), 1204);
        std::vector<Point> places; // each figure's place from its hex's anchor
        for (std::int16_t k = 0; k < static_cast<std::int16_t>(u->spriteCount()); ++k)
            places.push_back(u->figure(k) ? u->figure(k)->position(0) - Point(300, 200) : Point());
        // Played as the layer plays it: queued, then ticked until the move and its flag have finished.
        Container<LogicalCommandInfo> box(
            builtIn(LOGICAL_OBJECT_MOVED, walked ? path({1204, 1205}) : path({1205})));
        u->sendTo(static_cast<std::uint16_t>(u->getId()), LOGICAL_COMMAND, &box);
        for (int tick = 0; tick < 400 && u->commands().count() > 0; ++tick)
            delete u->updateLevels(1000 + 100 * tick);
        ASSERT_EQ(u->commands().count(), 0) << "the move never finished";
        ASSERT_TRUE(u->flag()->events().isEmpty());
        const Point x(u->flagLocation().x, u->flagLocation().y);
        EXPECT_EQ(u->region(), 1205);
        EXPECT_EQ(u->flag()->region(), 1205);
        EXPECT_EQ(u->flag()->isHidden(), 0);
        EXPECT_EQ(u->flag()->position(0), Point(300, 260) + x);
        // The cloth stands 70 above the pole and one to its right; its shadow goes along.
        EXPECT_EQ(u->flag()->cloth()->position(0), Point(301, 190) + x);
        EXPECT_EQ(u->flag()->cloth()->region(), 1205);
        EXPECT_EQ(u->flag()->shadow()->region(), 1205);
        for (std::int16_t k = 0; k < static_cast<std::int16_t>(u->spriteCount()); ++k) {
            const VaelSprite* figure = u->figure(k);
            if (!figure) continue;
            SCOPED_TRACE("figure " + std::to_string(k));
            EXPECT_EQ(figure->region(), 1205);
            if (!walked) {
                EXPECT_EQ(figure->position(0), Point(300, 260) + places[std::size_t(k)]);
            }
        }
    }
}

TEST_F(DispatchTest, ARampageHitOnlyRecordsAndTheFollowingDieFellsTheNextFiguresInOrder) {
    auto* u = unit();
    RampageCohesionHitStruct r;
    r.percentage = 140;
    run(*u, command("RampageCohesionHit", new Container<RampageCohesionHitStruct>(r)));
    EXPECT_EQ(u->casualtyPercent(), 100);
    EXPECT_EQ(u->eliminated(), 1);
    EXPECT_EQ(u->casualtyCause(), 3);
    EXPECT_TRUE(fallenOf(*u).empty());
    FigureStatePeer::setCasualtyPercent(*u, 60);
    run(*u, command("RampageDie", nullptr));
    EXPECT_EQ(fallenOf(*u), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(u->fallenCount(), 3);
    EXPECT_EQ(u->figureSlot(1), 1) << "a trampled figure keeps its slot";
}

TEST_F(DispatchTest, RestoringCohesionToNothingBringsBackEveryMergedFigureAndClosesUp) {
    auto* u = unit();
    LogicalCommandInfo c = command("CohesionHit", nullptr);
    hit(*u, 60, 2);
    u->commandFinished(c);
    ASSERT_EQ(layer.land.ground.size(), 3u);
    for (int k : {0, 4, 5})
        ASSERT_EQ(u->sprite(static_cast<std::int16_t>(k)), nullptr);
    layer.created.clear();
    run(*u, command("RestoreCohesion", new Container<short>(0)));
    EXPECT_EQ(layer.created.size(), 3u);
    EXPECT_EQ(u->fallenCount(), 0);
    EXPECT_EQ(u->casualtyPercent(), 0);
    // The first empty entry takes the first free slot: 0 gets 0, 4 gets 4, 5 gets 5.
    for (std::int16_t k = 0; k < 8; ++k) {
        SCOPED_TRACE(k);
        ASSERT_NE(u->sprite(k), nullptr);
        EXPECT_EQ(u->figureSlot(k), k);
        EXPECT_EQ(u->fallenState(k), 0);
    }
    EXPECT_EQ(u->activeSprites().count(), 9);
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

// Six figures, all in contact with an enemy straight ahead; 40% of the three that may fall is one, and
// the hex's first draw (2, below 100 / 6) picks figure 0, whose rear-rank figure 3 closes up.
TEST_F(DispatchTest, CombatWithoutAnimationFellsTheChosenAndTheFigureBehindTakesItsPlace) {
    auto* u = unit(1204, 1, 0, 6);
    hit(*u, 40, 1);
    ASSERT_EQ(fallenOf(*u), std::vector<int>{});
    run(*u, command("CombatDontAnimate", path({1203})));
    EXPECT_EQ(fallenOf(*u), std::vector<int>{0});
    EXPECT_EQ(u->fallenCount(), 1);
    EXPECT_EQ(u->figureSlot(3), 0);
    EXPECT_EQ(u->figureSlot(0), -1);
    EXPECT_EQ(eventsOf(*u->figure(3)), (Lines{"move 1204 (-30,-1) 0 d-1 Standing0"}));
    EXPECT_EQ(eventsOf(*u->figure(0)).front().rfind("once 1204 d0 ", 0), 0u) << "no sound cue before";
    EXPECT_TRUE(u->looseSprites().contains(u->figure(0)));
    EXPECT_EQ(u->activeSprites().count(), 1);
}

TEST_F(DispatchTest, AnimatedCombatPlaysEveryStandingFigureAndMarksTheChosenFallen) {
    auto* u = unit(1204, 1, 0, 6);
    hit(*u, 40, 1);
    run(*u, command("CombatAnimate", path({1203}), 1));
    EXPECT_EQ(fallenOf(*u), std::vector<int>{0});
    EXPECT_EQ(u->fallenCount(), 1);
    for (std::int16_t k = 0; k < 6; ++k) {
        SCOPED_TRACE(k);
        const Lines events = eventsOf(*u->figure(k));
        ASSERT_FALSE(events.empty());
        EXPECT_EQ(events.back(), "sound 16 0");
    }
    EXPECT_EQ(u->figureSlot(3), 0) << "the rear figure stepped into the fallen one's place";
    EXPECT_EQ(u->activeSprites().count(), 5);
}

} // namespace
} // namespace vael::test
