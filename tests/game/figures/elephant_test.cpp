// The elephants: three beasts by facing, their javelins and speeds; the struck units' records taken in,
// kept paths and played paths; trampling and rearing, which take the records from the head of the list;
// a whole rampage walked and played to its end on its victims; the one rampage an elephant makes; and the
// saved record.
#include <sstream>

#include "framework/core/assertion.h"
#include "game/figures/elephant_sprite.h"
#include "game/figures/figure_state_peer.h"
#include "game/figures/missile_fixture.h"
#include "game/figures/p_elephant.h"
#include "game/figures/test_unit.h"
#include "game/flow/shock_records.h"
#include "game/rules/rout/rout_records.h"

namespace vael::test {
namespace {

// The beast's archive "Beast" at every size, groups in order: 0-7 "N" ... "NW" 2 each; 8 "Standing" 8;
// 9-16 "RN" ... "RNW" 5 each; 17-24 "TN" ... "TNW" 3 each; 25-32 "MN" ... "MNW" 4 each; "General" 2.
GroupList beastGroups() {
    GroupList g;
    for (const char* c : Compass)
        g.push_back({c, 2});
    g.push_back({"Standing", 8});
    for (const char* prefix : {"R", "T", "M"})
        for (const char* c : Compass)
            g.push_back({std::string(prefix) + c, prefix[0] == 'R' ? 5 : prefix[0] == 'T' ? 3 : 4});
    g.push_back({"General", 2});
    return g;
}

// A beast whose walking direction a test sets.
struct Probe : PElephant {
    Probe(std::int16_t hex, std::int32_t facing)
        : PElephant("Beast", "Beast (Half size)", "Beast (Quarter size)", 3, hex, facing) {}
    void walkingToward(std::int32_t d) { setTurnFacing(d); }
};

RampageEventStruct struck(VaelPhysicalObject* unit, std::uint16_t hits, std::uint16_t hex,
                          std::uint16_t routs, std::uint16_t withdraws) {
    return RampageEventStruct{unit, hits, hex, routs, withdraws};
}

// "RampageEvent" as the layer sends it: the struck unit by its number.
Container<RampageStruct>* strike(std::uint16_t unit, std::uint16_t hits, std::uint16_t hex, std::uint16_t routs,
                                 std::uint16_t withdraws) {
    return new Container<RampageStruct>(RampageStruct{unit, hits, hex, routs, withdraws});
}

LogicalCommandInfo named(const char* name, ContainerBase* payload) {
    return LogicalCommandInfo(0, payload, 0,
                              BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(name))),
                              BusMessage(0), new Container<short>(0));
}

Container<List<short>>* path(std::initializer_list<short> hexes) {
    List<short> l;
    for (short h : hexes)
        l.append(h);
    return new Container<List<short>>(l);
}

std::vector<short> hexesOf(const List<short>& l) {
    std::vector<short> out;
    Item<short>* it = nullptr;
    for (l.firstItem(it); it; it = it->next)
        out.push_back(it->value);
    return out;
}

// The sprite's events as eventsOf writes them, the rampage's own written "casualty N" and "moves N".
Lines described(const Sprite& s) {
    Lines out = eventsOf(s);
    const std::uint16_t casualty = RegisteredMessage::getId("RampageCasualty");
    const std::uint16_t move = RegisteredMessage::getId("RampageMove");
    std::size_t i = 0;
    Item<SpriteEvent>* it = nullptr;
    for (s.events().firstItem(it); it; it = it->next, ++i) {
        if (it->value.kind == casualty) out[i] = "casualty " + std::to_string(it->value.region);
        if (it->value.kind == move) out[i] = "moves " + std::to_string(it->value.region);
    }
    return out;
}

class ElephantTest : public MissileScene {
protected:
    ElephantTest() {
        write("beast.oif", keyedArchive("Beast", beastGroups()));
        {
            std::ofstream out(dir / "walk.oif", std::ios::binary);
            std::vector<FacingOffsets> foot, beasts;
            for (int i = 0; i < 8; ++i)
                foot.push_back(walkingRecord(i));
            for (int i = 0; i < 3; ++i)
                beasts.push_back(walkingRecord(i));
            writeWalkingAnimationData(out, {{"Foot", foot}, {"Elephant", beasts}});
        }
        auto base = app.onFindInMapFile;
        app.onFindInMapFile = [this, base](OIFBase* library) {
            if (library->name().rfind("Beast", 0) == 0) {
                std::ifstream in(dir / "beast.oif", std::ios::binary);
                library->readFile((dir / "beast.oif").string(), in);
                return;
            }
            base(library);
        };
    }

    Probe* beast(std::int16_t hex = 1204, std::int32_t facing = 1) {
        return attach<Probe>(std::make_unique<Probe>(hex, facing));
    }
    // Out of a prototype as the layer makes them.
    PElephant* cloned(std::int16_t hex, std::int32_t facing) {
        PElephant proto("Beast", "Beast (Half size)", "Beast (Quarter size)", 3, -1, 1);
        return attach<PElephant>(std::unique_ptr<VaelPhysicalObject>(proto.clone(hex, facing)));
    }
    TestUnit* victim(std::int16_t hex) {
        return static_cast<TestUnit*>(attach(std::make_unique<TestUnit>(
            "Unit", hex, 1, 0,
            [](TestUnit& self, LogicalCommandInfo& c) { self.VaelPhysicalObject::handleEvent(c); }, 6)));
    }
    static ElephantSprite& sprite(PElephant& e, std::int16_t i) {
        auto* s = dynamic_cast<ElephantSprite*>(e.figure(i));
        EXPECT_NE(s, nullptr);
        return *s;
    }
    static std::size_t pending(const PElephant& e) {
        return static_cast<std::size_t>(e.pendingRampageEvents.count());
    }
    // Each queued command as its event's name and the hexes or hit it carries.
    static Lines queued(const VaelPhysicalObject& u) {
        Lines out;
        Item<LogicalCommandInfo>* it = nullptr;
        for (u.commands().firstItem(it); it; it = it->next) {
            const LogicalCommandInfo& c = it->value;
            std::string line = c.event.id() == LOGICAL_OBJECT_MOVED
                                   ? "moved"
                                   : RegisteredMessage::nameOf(static_cast<std::uint16_t>(c.event.id()));
            if (const auto* p = dynamic_cast<const Container<List<short>>*>(c.payload.get()))
                for (short h : hexesOf(*p->valuePtr()))
                    line += " " + std::to_string(h);
            if (const auto* m = dynamic_cast<const Container<MethodOfDeathStruct>*>(c.payload.get()))
                line += " " + std::to_string(m->valuePtr()->percent) + "% by " +
                        std::to_string(m->valuePtr()->method);
            out.push_back(line);
        }
        return out;
    }
    static std::string saved(VaelPhysicalObject& u) {
        std::ostringstream out;
        u.save(out);
        return out.str();
    }
};

TEST_F(ElephantTest, APrototypeHoldsNoFiguresAndItsCloneIsAnElephantOfTheSameMissiles) {
    PElephant proto("", "", "", 3, -1, 1);
    EXPECT_EQ(proto.spriteCount(), 0);
    EXPECT_EQ(proto.unitKind(), 13);
    EXPECT_EQ(proto.mounted, 1);
    EXPECT_EQ(proto.missileKind, 3);
    EXPECT_EQ(proto.region(), -1);
    auto* e = cloned(907, 6);
    ASSERT_NE(dynamic_cast<PElephant*>(e), nullptr);
    EXPECT_EQ(e->region(), 907);
    EXPECT_EQ(e->facing(), 6);
    EXPECT_EQ(e->missileKind, 3);
    EXPECT_EQ(e->unitKind(), 13);
    EXPECT_EQ(e->projectileImages[0], projectileImageSet(3, 0));
    EXPECT_EQ(e->projectileImages[2], projectileImageSet(3, 2));
}

TEST_F(ElephantTest, ThreeBeastsStandByFacingWithThreeJavelinsAndTheLastOfEachLeadsTheSound) {
    struct Row {
        std::int32_t facing;
        Point3D at[3];
    };
    const Row rows[] = {
        {1, {{37, 23, 0}, {-39, 23, 0}, {-1, 10, 0}}}, {2, {{21, 20, 0}, {-23, -9, 0}, {13, -2, 0}}},
        {3, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},        {4, {{-27, 16, 0}, {20, -12, 0}, {9, 9, 0}}},
        {5, {{-39, 10, 0}, {37, 10, 0}, {-1, 23, 0}}}, {6, {{-23, -9, 0}, {24, 20, 0}, {13, -2, 0}}},
        {7, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}},        {8, {{20, -12, 0}, {-27, 16, 0}, {9, 9, 0}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "facing " << r.facing);
        layer.log.clear();
        layer.created.clear();
        auto* e = cloned(1204, r.facing);
        ASSERT_EQ(e->spriteCount(), 3);
        ASSERT_EQ(e->projectileCount, 3);
        // Three beasts, three javelins, the flag: every one announced, beasts first.
        EXPECT_EQ(layer.log, Lines(7, "SPRITE_CREATED"));
        ASSERT_EQ(layer.created.size(), 7u);
        for (std::int16_t i = 0; i < 3; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(layer.created[static_cast<std::size_t>(i)], e->sprite(i));
            EXPECT_EQ(layer.created[static_cast<std::size_t>(i) + 3], e->projectiles[i]);
            sprite(*e, i);
            EXPECT_EQ(e->figureSlot(i), i);
            EXPECT_EQ(e->fallenState(i), 0);
            EXPECT_EQ(e->slotOffsets(i)[static_cast<std::size_t>(r.facing)], r.at[i]);
            EXPECT_EQ(Point3D(e->figure(i)->position(0), 0), r.at[i]);
            EXPECT_EQ(e->figure(i)->frameInfo().name, "Standing");
            EXPECT_EQ(e->figure(i)->frameInfo().index, r.facing - 1);
            EXPECT_EQ(e->figure(i)->layer(), Sprite::NoLayer);
            EXPECT_EQ(e->figure(i)->getFlag(), i == 2 ? 1 : 0);
            EXPECT_EQ(e->projectiles[i]->getFlag(), i == 2 ? 1 : 0);
        }
        EXPECT_EQ(e->launchOffsets[2], Point3D(41, -5, 0));
        EXPECT_EQ(e->launchOffsets[8], Point3D(-10, 20, 0));
    }
}

TEST_F(ElephantTest, BeastsWalkFastEastAndWestOnlyAndThrowFromTheirBacks) {
    auto* e = beast();
    const std::int16_t rates[9] = {83, 83, 83, 130, 83, 83, 83, 130, 83};
    for (std::int32_t d = 0; d <= 8; ++d) {
        SCOPED_TRACE(d);
        e->walkingToward(d);
        EXPECT_EQ(e->turnRate(), rates[d]);
    }
    // A mounted throw: eleven frames, from frame 0, and three waits before a javelin goes.
    EXPECT_EQ(framesOf(e->throwFrames(East)).size(), 11u);
    EXPECT_EQ(framesOf(e->throwFrames(East))[0].index, 0);
    ScriptedRolls rolls{5, 5, 5, 10, 10, 10, 10, 10, 10};
    LogicalCommandInfo fire(0, new Container<DIRECTION>(East), 2004,
                            BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("MissileFire"))));
    e->handleEvent(fire);
    EXPECT_EQ(rolls.left(), 0u);
    const Lines javelin = eventsOf(*e->projectiles[0]);
    ASSERT_GE(javelin.size(), 3u);
    EXPECT_EQ(javelin[2], "once 1204 d-1 Default0 Default0 Default0");
    // No hand offset from an elephant's back.
    const Point3D p = e->slotOffsets(0)[1];
    EXPECT_EQ(eventsOf(*e->figure(0))[0],
              "move 1204 (" + std::to_string(p.x) + "," + std::to_string(p.y) + ") 0 d-1 Standing2 ME0");
    EXPECT_EQ(e->activeSprites().count(), 7) << "three beasts, three javelins and the flag";
}

TEST_F(ElephantTest, StruckUnitsAreTakenInInOrderAndPathsAreKeptWhileTheCountLastsThenPlayed) {
    auto* e = beast();
    auto* u = victim(1203);
    layer.units = {{12, u}};
    LogicalCommandInfo first = named("RampageEvent", strike(12, 20, 1203, 1, 0));
    LogicalCommandInfo second = named("RampageEvent", strike(13, 0, 1202, 0, 1));
    e->handleEvent(first);
    e->handleEvent(second);
    ASSERT_EQ(pending(*e), 2u);
    RampageEventStruct head, next;
    e->pendingRampageEvents.first(head);
    e->pendingRampageEvents.last(next);
    EXPECT_EQ(head.hex, 1203);
    EXPECT_EQ(head.percentHits, 20);
    EXPECT_EQ(head.object.get(), u) << "the unit's object, taken by its number";
    EXPECT_EQ(next.object.get(), nullptr) << "unit 13 has no object";
    EXPECT_TRUE(e->activeSprites().isEmpty()) << "a record shows nothing";

    e->saveAPath();
    e->saveAPath();
    LogicalCommandInfo a = named("ElephantRampage", path({1204, 1203}));
    LogicalCommandInfo b = named("ElephantRampage", path({1203, 1202, 1201}));
    e->handleEvent(a);
    EXPECT_EQ(e->savedPathCount(), 1);
    e->handleEvent(b);
    EXPECT_EQ(e->savedPathCount(), 0);
    ASSERT_EQ(e->savedPaths().count(), 2);
    List<short> kept;
    e->savedPaths().first(kept);
    EXPECT_EQ(hexesOf(kept), (std::vector<short>{1204, 1203}));
    e->savedPaths().last(kept);
    EXPECT_EQ(hexesOf(kept), (std::vector<short>{1203, 1202, 1201}));
    EXPECT_EQ(e->region(), 1204) << "a kept path is not walked";
    EXPECT_EQ(e->eliminated(), 0);
    EXPECT_TRUE(e->activeSprites().isEmpty());
    EXPECT_EQ(pending(*e), 2u) << "records wait for the path that is played";
    for (std::int16_t i = 0; i < 3; ++i)
        EXPECT_EQ(e->figure(i)->events().count(), 0);

    // At a count of 0 the next path plays at once.
    LogicalCommandInfo c = named("ElephantRampage", path({1204, 1203}));
    e->handleEvent(c);
    EXPECT_EQ(e->savedPaths().count(), 2);
    EXPECT_EQ(e->region(), 1203);
    EXPECT_EQ(e->eliminated(), 1);
    EXPECT_EQ(pending(*e), 0u);
}

TEST_F(ElephantTest, TrampleTakesAtMostTwoRecordsFromTheHeadTramplingOnceAndWithdrawingOnce) {
    struct Ev {
        std::uint16_t hits, hex, routs, withdraws;
    };
    struct Row {
        const char* what;
        std::vector<Ev> events;
        Lines queued;
        std::size_t left;
    };
    const std::string tramples = "once 1203 d-1 TE0 TE1 TE2 TE0 TE1 TE2 TE0 TE1 TE2";
    const Row rows[] = {
        {"nothing pending", {}, {}, 0},
        {"hits only", {{20, 1203, 0, 0}}, {tramples}, 0},
        {"hits of 1 are hits", {{1, 1203, 0, 0}}, {tramples}, 0},
        {"a rout without hits", {{0, 1203, 1, 0}}, {"moves 1"}, 0},
        {"hits and a rout", {{20, 1203, 1, 0}}, {tramples, "moves 1"}, 0},
        {"a withdrawal is never trampled", {{20, 1203, 0, 1}}, {"moves 1"}, 0},
        {"a rout and a withdrawal are two moves, untrampled", {{20, 1203, 1, 1}}, {"moves 2"}, 0},
        {"tramples then routs", {{20, 1203, 0, 0}, {30, 1203, 1, 0}}, {tramples, "moves 1"}, 0},
        {"one trample a call", {{20, 1203, 0, 0}, {30, 1203, 0, 0}}, {tramples}, 1},
        {"one withdrawal a call", {{0, 1203, 0, 1}, {0, 1203, 0, 1}}, {"moves 1"}, 1},
        {"a rout after a withdrawal", {{0, 1203, 0, 1}, {0, 1203, 1, 1}}, {"moves 1", "moves 2"}, 0},
        {"two at most", {{0, 1203, 1, 0}, {0, 1203, 1, 0}, {0, 1203, 1, 0}}, {"moves 1", "moves 1"}, 1},
        {"another hex at the head", {{20, 1202, 1, 0}, {20, 1203, 1, 0}}, {}, 2},
        {"stops at another hex", {{0, 1203, 1, 0}, {20, 1202, 1, 0}}, {"moves 1"}, 1},
        {"nothing to do", {{0, 1203, 0, 0}, {0, 1203, 1, 0}}, {}, 2},
        {"negative hits are none", {{static_cast<std::uint16_t>(-5), 1203, 0, 0}}, {}, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto* e = beast();
        e->walkingToward(East);
        std::vector<TestUnit*> units;
        for (const Ev& ev : r.events) {
            units.push_back(victim(ev.hex));
            e->pendingRampageEvents.append(struck(units.back(), ev.hits, ev.hex, ev.routs, ev.withdraws));
        }
        ElephantSprite& s = sprite(*e, 0);
        e->trample(s, 1203);
        EXPECT_EQ(described(s), r.queued);
        EXPECT_EQ(pending(*e), r.left);
        // The moves go to the units of the records taken, in order: the first ones of the list.
        std::size_t moves = 0;
        for (const std::string& line : r.queued)
            moves += line.rfind("moves", 0) == 0;
        ASSERT_EQ(static_cast<std::size_t>(s.victims().count()), moves);
        std::size_t k = 0;
        Item<VaelObjectRef>* it = nullptr;
        for (s.victims().firstItem(it); it; it = it->next, ++k) {
            const std::size_t taken = r.events.size() - r.left;
            bool found = false;
            for (std::size_t j = 0; j < taken; ++j)
                found = found || it->value.get() == units[j];
            EXPECT_TRUE(found) << "move " << k << " is for a unit whose record was taken";
        }
        if (r.left > 0) {
            RampageEventStruct head;
            e->pendingRampageEvents.first(head);
            EXPECT_EQ(head.object.get(), units[r.events.size() - r.left]) << "what is left is the tail";
        }
    }
}

TEST_F(ElephantTest, RearShowsTheHeadRecordsLossesAndLeavesItForTheTrampling) {
    struct Ev {
        std::uint16_t hits, hex, routs, withdraws;
    };
    struct Row {
        const char* what;
        std::vector<Ev> events;
        std::int32_t direction;
        Lines queued;
    };
    const Row rows[] = {
        {"hits", {{20, 1203, 0, 0}}, East, {"casualty 20", "once 1203 d-1 RE0 RE1 RE2 RE3 RE4 RE2"}},
        {"hits and a rout",
         {{35, 1203, 1, 0}},
         NorthWest,
         {"casualty 35", "once 1203 d-1 RNW0 RNW1 RNW2 RNW3 RNW4 RNW2"}},
        {"another hex", {{20, 1202, 0, 0}}, East, {}},
        {"no hits", {{0, 1203, 1, 0}}, East, {}},
        {"a withdrawal", {{20, 1203, 0, 1}}, East, {}},
        {"only the head counts", {{0, 1203, 1, 0}, {20, 1203, 0, 0}}, East, {}},
        {"nothing pending", {}, East, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto* e = beast();
        e->walkingToward(r.direction);
        TestUnit* u = victim(1203);
        for (const Ev& ev : r.events)
            e->pendingRampageEvents.append(struck(u, ev.hits, ev.hex, ev.routs, ev.withdraws));
        ElephantSprite& s = sprite(*e, 1);
        e->rear(s, 1203);
        EXPECT_EQ(described(s), r.queued);
        EXPECT_EQ(pending(*e), r.events.size()) << "rearing takes no record";
        EXPECT_EQ(s.victims().count(), r.queued.empty() ? 0 : 1);
    }
}

TEST_F(ElephantTest, ARampageWalksEveryBeastTheFirstMeetingTheStruckUnitsAndPlaysToItsEndOnThem) {
    auto* e = beast(1204, 1);
    auto* routed = victim(1203);
    auto* hit = victim(1202);
    FigureStatePeer::setCasualtyPercent(*routed, 10);
    // The layer has the routed unit keep its rout for the elephant to set going.
    routed->saveAPath();
    LogicalCommandInfo rout(0, path({1203, 1303}), 0, BusMessage(LOGICAL_OBJECT_MOVED));
    routed->handleEvent(rout);
    ASSERT_EQ(routed->savedPaths().count(), 1);
    layer.units = {{7, routed}, {9, hit}};
    for (ContainerBase* ev : {strike(7, 20, 1203, 1, 0), strike(9, 30, 1202, 0, 0), strike(9, 40, 1500, 0, 0)}) {
        LogicalCommandInfo c = named("RampageEvent", ev);
        e->handleEvent(c);
    }
    e->queueCommand(named("ElephantRampage", path({1204, 1203, 1202})));
    delete e->updateLevels(1000);

    EXPECT_EQ(e->eliminated(), 1);
    EXPECT_EQ(e->region(), 1202);
    EXPECT_EQ(pending(*e), 0u) << "the record of a hex never reached goes with the path";
    // Walking east (3) at half speed: each step's first way-point (300, 1) in 3010 / 2, home in 3020 / 2.
    const Lines first = {"plain 5",
                         "plain 5",
                         "sound 18 13",
                         "move 1203 (300,1) 1505 d-1 E0 E1",
                         "casualty 20",
                         "once 1203 d-1 RE0 RE1 RE2 RE3 RE4 RE2",
                         "move 1203 (-5,3) 1510 d-1 E0 E1",
                         "once 1203 d-1 TE0 TE1 TE2 TE0 TE1 TE2 TE0 TE1 TE2",
                         "moves 1",
                         "move 1202 (300,1) 1505 d-1 E0 E1",
                         "casualty 30",
                         "once 1202 d-1 RE0 RE1 RE2 RE3 RE4 RE2",
                         "move 1202 (-5,3) 1510 d-1 E0 E1",
                         "once 1202 d-1 TE0 TE1 TE2 TE0 TE1 TE2 TE0 TE1 TE2",
                         "sound 11 13"};
    // The first beast has begun: its two draw-mode events went at the first tick.
    Lines shown = described(*e->figure(0));
    ASSERT_LE(shown.size(), first.size());
    EXPECT_EQ(shown, Lines(first.end() - static_cast<long>(shown.size()), first.end()));
    const Lines other = {"move 1203 (300,1) 1505 d-1 E0 E1", "move 1203 (5,3) 1510 d-1 E0 E1",
                         "move 1202 (300,1) 1505 d-1 E0 E1", "move 1202 (5,3) 1510 d-1 E0 E1", "sound 11 13"};
    for (std::int16_t i = 1; i < 3; ++i) {
        SCOPED_TRACE(i);
        Lines rest = described(*e->figure(i));
        ASSERT_GE(rest.size(), other.size());
        EXPECT_EQ(Lines(rest.end() - static_cast<long>(other.size()), rest.end()), other);
    }
    EXPECT_TRUE(e->activeSprites().contains(e->flag()));

    std::int32_t now = 1000;
    while (e->commands().count() > 0 && now < 60000)
        delete e->updateLevels(now += 100);
    EXPECT_EQ(e->commands().count(), 0) << "the rampage played to its end";
    EXPECT_EQ(queued(*routed), (Lines{"CohesionHit 30% by 3", "moved 1203 1303"}));
    EXPECT_EQ(queued(*hit), (Lines{"CohesionHit 30% by 3"}));
    EXPECT_EQ(sprite(*e, 0).victims().count(), 0);
}

TEST_F(ElephantTest, AnEmptyPathStillStartsTheCallsAndLeavesTheHex) {
    auto* e = beast(1204, 1);
    LogicalCommandInfo c = named("ElephantRampage", path({}));
    e->handleEvent(c);
    EXPECT_EQ(e->region(), 1204);
    for (std::int16_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(described(*e->figure(i)), (Lines{"plain 5", "plain 5", "sound 18 13"}));
    }
    EXPECT_EQ(e->activeSprites().count(), 4);
}

TEST_F(ElephantTest, AnElephantRampagesOnceTheFirstKeptPathPlayingEvenAfterAFailedCheck) {
    std::vector<std::string> asked;
    bool abort = false;
    AssertionPrompt previous = Assertion::setPrompt([&](const std::string& text, const std::string&) {
        asked.push_back(text);
        return abort;
    });
    auto* e = beast();
    e->saveAPath();
    e->saveAPath();
    for (auto* p : {path({1204, 1203}), path({1203, 1202})}) {
        LogicalCommandInfo c = named("ElephantRampage", p);
        e->handleEvent(c);
    }
    e->rampageMove(1);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(queued(*e), (Lines{"ElephantRampage 1204 1203"}));
    EXPECT_EQ(e->savedPaths().count(), 1);

    e->rampageMove(2);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("Can only rampage once!"), std::string::npos);
    EXPECT_EQ(queued(*e), (Lines{"ElephantRampage 1204 1203", "ElephantRampage 1203 1202"}));

    e->rampageMove(0);
    EXPECT_EQ(asked.size(), 2u) << "none is not once either";
    EXPECT_EQ(queued(*e).back(), "ElephantRampage") << "with nothing kept the path is empty";

    abort = true;
    try {
        e->rampageMove(2);
        ADD_FAILURE() << "the user chose to abort";
    } catch (const Assertion& a) {
        EXPECT_EQ(a.message(), "Can only rampage once!");
        EXPECT_EQ(a.file(), "VAELMJOB");
    }
    EXPECT_EQ(queued(*e).size(), 3u);
    Assertion::setPrompt(previous);

    // A kept path played: the count is 0, so it is walked.
    LogicalCommandInfo head;
    e->commands().first(head);
    e->handleEvent(head);
    EXPECT_EQ(e->region(), 1203);
}

TEST_F(ElephantTest, ABadPayloadIsReportedAndChangesNothing) {
    std::vector<std::string> asked;
    AssertionPrompt previous = Assertion::setPrompt([&](const std::string& text, const std::string&) {
        asked.push_back(text);
        return false;
    });
    auto* e = beast();
    LogicalCommandInfo event = named("RampageEvent", new Container<short>(3));
    LogicalCommandInfo rampage = named("ElephantRampage", new Container<short>(3));
    e->handleEvent(event);
    e->handleEvent(rampage);
    Assertion::setPrompt(previous);
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(pending(*e), 0u);
    EXPECT_EQ(e->eliminated(), 0);
    EXPECT_TRUE(e->activeSprites().isEmpty());
}

TEST_F(ElephantTest, TheSavedRecordOfThreeBeastsReadsBackToItselfAndRefusesAnotherFormation) {
    auto* a = cloned(1305, 4);
    FigureStatePeer::setCasualtyPercent(*a, 40), FigureStatePeer::setCasualtyCause(*a, 3);
    const std::string record = saved(*a);
    // The hex, the facing, three figures and the first of them there.
    const std::string head("\x19\x05\x04\x00\x00\x00\x03\x00\x01\x00", 10);
    EXPECT_EQ(record.substr(0, head.size()), head);
    auto* b = cloned(907, 1);
    std::istringstream in(record);
    b->load(in);
    ASSERT_FALSE(in.fail());
    EXPECT_EQ(in.peek(), std::char_traits<char>::eof());
    EXPECT_EQ(saved(*b), record);
    EXPECT_EQ(b->region(), 1305);
    EXPECT_EQ(b->facing(), 4);
    EXPECT_EQ(b->casualtyCause(), 3);
    ASSERT_NE(dynamic_cast<ElephantSprite*>(b->figure(0)), nullptr) << "the beasts stay beasts";

    auto* six = victim(1204);
    const std::string before = saved(*six);
    std::istringstream wrong(record);
    six->load(wrong);
    EXPECT_TRUE(wrong.fail()) << "three figures read into six";
    EXPECT_EQ(saved(*six), before);
}

// What of a rampage is under way goes with the record of what the beast still plays, after what every
// object writes: the struck units' records not yet played (each as its unit's number, 0xFFFF for one gone,
// the hits, hex, rout and withdrawal), then each beast's victims still to reach, by their numbers.
TEST_F(ElephantTest, ARampageUnderWayGoesWithTheRecordTheVictimsByTheirUnitNumbers) {
    auto* e = beast(1204, 1);
    auto* routed = victim(1203);
    auto* hit = victim(1202);
    layer.units = {{7, routed}, {9, hit}};
    for (ContainerBase* ev : {strike(7, 20, 1203, 1, 0), strike(9, 30, 1202, 0, 1), strike(11, 40, 1500, 0, 0)}) {
        LogicalCommandInfo c = named("RampageEvent", ev);
        e->handleEvent(c);
    }
    std::ostringstream base, whole;
    e->VaelPhysicalObject::saveUnderWay(base);
    e->saveUnderWay(whole);
    const std::string records("\3\0"
                              "\7\0\x14\0\xB3\4\1\0\0\0"
                              "\x09\0\x1E\0\xB2\4\0\0\1\0"
                              "\xFF\xFF\x28\0\xDC\5\0\0\0\0"
                              "\0\0\0\0\0\0",
                              38);
    EXPECT_EQ(whole.str(), base.str() + records);

    // Read into another beast, the records name the same objects, and the one gone none.
    auto* again = beast(1204, 1);
    std::istringstream in(whole.str());
    ASSERT_TRUE(again->loadUnderWay(in));
    EXPECT_EQ(in.peek(), std::char_traits<char>::eof());
    std::vector<VaelDisplayObject*> objects;
    Item<RampageEventStruct>* it = nullptr;
    for (again->pendingRampageEvents.firstItem(it); it; it = it->next)
        objects.push_back(it->value.object.get());
    EXPECT_EQ(objects, (std::vector<VaelDisplayObject*>{routed, hit, nullptr}));
    std::ostringstream back;
    again->saveUnderWay(back);
    EXPECT_EQ(back.str(), whole.str());

    // A record still waiting in the beast's queue names its unit by number: the file holds it as it is.
    VaelPhysicalObject::registerUnderWayTypes();
    e->queueCommand(named("RampageEvent", strike(9, 10, 1201, 0, 0)));
    EXPECT_TRUE(e->underWayCarried());
}

// A beast saved half way through its rampage, and one loaded from that record with the victims' numbers
// naming units of their own: played on, each deals its victims what it still had for them, the same.
TEST_F(ElephantTest, ABeastLoadedHalfWayThroughItsRampageDealsTheRestToTheVictimsItsRecordNames) {
    auto* e = beast(1204, 1);
    auto* routed = victim(1203);
    auto* hit = victim(1202);
    layer.units = {{7, routed}, {9, hit}};
    routed->saveAPath();
    LogicalCommandInfo rout(0, path({1203, 1303}), 0, BusMessage(LOGICAL_OBJECT_MOVED));
    routed->handleEvent(rout);
    for (ContainerBase* ev : {strike(7, 20, 1203, 1, 0), strike(9, 30, 1202, 0, 0)}) {
        LogicalCommandInfo c = named("RampageEvent", ev);
        e->handleEvent(c);
    }
    e->queueCommand(named("ElephantRampage", path({1204, 1203, 1202})));
    delete e->updateLevels(1000);
    ASSERT_EQ(sprite(*e, 0).victims().count(), 3);
    std::ostringstream base, whole;
    e->VaelPhysicalObject::saveUnderWay(base);
    e->saveUnderWay(whole);
    // No record left to take in; the first beast holds the routed unit twice (its blow, its moves), then
    // the other unit; the other two beasts none.
    EXPECT_EQ(whole.str(), base.str() + std::string("\0\0"
                                                    "\3\0\7\0\7\0\x09\0"
                                                    "\0\0\0\0",
                                                    14));

    auto* e2 = beast(1204, 1);
    auto* routed2 = victim(1203);
    auto* hit2 = victim(1202);
    routed2->saveAPath();
    LogicalCommandInfo rout2(0, path({1203, 1303}), 0, BusMessage(LOGICAL_OBJECT_MOVED));
    routed2->handleEvent(rout2);
    layer.units = {{7, routed2}, {9, hit2}};
    std::istringstream in(whole.str());
    ASSERT_TRUE(e2->loadUnderWay(in));
    EXPECT_EQ(sprite(*e2, 0).victims().count(), 3);
    std::int32_t now = 1000;
    while ((e->commands().count() > 0 || e2->commands().count() > 0) && now < 60000) {
        now += 100;
        delete e->updateLevels(now);
        delete e2->updateLevels(now);
    }
    EXPECT_EQ(queued(*routed), (Lines{"CohesionHit 20% by 3", "moved 1203 1303"}));
    EXPECT_EQ(queued(*hit), (Lines{"CohesionHit 30% by 3"}));
    EXPECT_EQ(queued(*routed2), queued(*routed));
    EXPECT_EQ(queued(*hit2), queued(*hit));
}

// The rampage's part of the record, written byte by byte after an idle beast's own: a record that names no
// unit of the battle, a rout or withdrawal other than 0 or 1, victims that are not as many as the beast's
// rampage events, or bytes cut short are refused; a record of the version before it has no such part.
TEST_F(ElephantTest, ARampagePartTheBattleDoesNotBackIsRefused) {
    auto* e = beast(1204, 1);
    auto* hit = victim(1202);
    layer.units = {{7, hit}};
    std::ostringstream idle;
    e->VaelPhysicalObject::saveUnderWay(idle);
    const std::string base = idle.str();
    const std::string noVictims(6, '\0');
    const auto record = [](std::uint16_t unit, std::uint16_t routing, std::uint16_t withdrawing) {
        std::string r("\1\0", 2);
        for (std::uint16_t v : {unit, std::uint16_t{20}, std::uint16_t{1202}, routing, withdrawing})
            r += static_cast<char>(v & 0xFF), r += static_cast<char>(v >> 8);
        return r;
    };
    struct Row {
        const char* name;
        std::string tail;
        std::uint16_t version;
        bool taken;
    };
    const Row rows[] = {
        {"nothing under way", std::string(2, '\0') + noVictims, 2, true},
        {"unit 7 routed", record(7, 1, 0) + noVictims, 2, true},
        {"a unit gone", record(0xFFFF, 0, 0) + noVictims, 2, true},
        {"unit 8, none of the battle", record(8, 0, 0) + noVictims, 2, false},
        {"unit 0xFFFE", record(0xFFFE, 0, 0) + noVictims, 2, false},
        {"routed 2", record(7, 2, 0) + noVictims, 2, false},
        {"withdrawing 1", record(7, 0, 1) + noVictims, 2, true},
        {"withdrawing 2", record(7, 0, 2) + noVictims, 2, false},
        {"a victim with no rampage event", std::string(2, '\0') + std::string("\1\0\7\0", 4) + std::string(4, '\0'),
         2, false},
        {"victims cut short", std::string(2, '\0') + std::string(4, '\0'), 2, false},
        {"a record cut short", record(7, 0, 0).substr(0, 11), 2, false},
        {"no part at all", "", 2, false},
        {"the version before", "", 1, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto* loaded = beast(1204, 1);
        std::istringstream in(base + row.tail);
        EXPECT_EQ(loaded->loadUnderWay(in, row.version), row.taken);
        if (row.taken) {
            EXPECT_EQ(in.peek(), std::char_traits<char>::eof());
        }
    }
}

} // namespace
} // namespace vael::test
