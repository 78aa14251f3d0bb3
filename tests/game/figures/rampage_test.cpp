// A rampage's victim: two kept moves and one kept turn replayed as move, turn, move; the turns are
// played once; more moves asked for than kept stop at the last; the trampling shows on top of the losses;
// what is kept goes with a displayed save, read back from the bytes written here.
#include <sstream>

#include "game/figures/elephant_sprite.h"
#include "game/figures/figure_fixture.h"
#include "game/figures/figure_state_peer.h"
#include "game/figures/test_unit.h"
#include "game/flow/shock_records.h"

namespace vael::test {
namespace {

class RampageTest : public FigureScene {
protected:
    TestUnit* unit() {
        return static_cast<TestUnit*>(attach(std::make_unique<TestUnit>(
            "Unit", 1204, 1, 0,
            [](TestUnit& self, LogicalCommandInfo& c) { self.VaelPhysicalObject::handleEvent(c); }, 6)));
    }
    static Container<List<short>>* path(std::initializer_list<short> hexes) {
        List<short> l;
        for (short h : hexes)
            l.append(h);
        return new Container<List<short>>(l);
    }
    // Each queued command as its event name or number and its payload.
    static Lines queued(const VaelPhysicalObject& u) {
        Lines out;
        Item<LogicalCommandInfo>* it = nullptr;
        for (u.commands().firstItem(it); it; it = it->next) {
            const LogicalCommandInfo& c = it->value;
            std::string line = std::to_string(c.event.id());
            if (const auto* p = dynamic_cast<const Container<List<short>>*>(c.payload.get())) {
                Item<short>* h = nullptr;
                for (p->valuePtr()->firstItem(h); h; h = h->next)
                    line += " " + std::to_string(h->value);
            }
            DIRECTION d = NoDirection;
            if (Container<DIRECTION>::fromMessage(c.payload.get(), d)) line += " facing " + std::to_string(d);
            if (const auto* m = dynamic_cast<const Container<MethodOfDeathStruct>*>(c.payload.get()))
                line += " hit " + std::to_string(m->valuePtr()->percent) + " by " +
                        std::to_string(m->valuePtr()->method);
            out.push_back(line);
        }
        return out;
    }
};

TEST_F(RampageTest, TwoKeptMovesAndOneTurnReplayAsMoveTurnMoveAndTheTurnOnlyOnce) {
    auto* u = unit();
    u->saveAPath();
    u->saveAPath();
    LogicalCommandInfo first(0, path({1204, 1205}), 0, BusMessage(LOGICAL_OBJECT_MOVED));
    LogicalCommandInfo turn(0, new Container<DIRECTION>(SouthEast), 0, BusMessage(CHANGE_UNIT_FACING));
    LogicalCommandInfo second(0, path({1205, 1206}), 0, BusMessage(LOGICAL_OBJECT_MOVED));
    u->handleEvent(first);
    u->handleEvent(turn);
    u->handleEvent(second);
    EXPECT_EQ(u->savedPathCount(), 0);
    EXPECT_EQ(u->region(), 1204) << "kept moves are not shown";
    EXPECT_EQ(u->facing(), 1);
    ASSERT_EQ(u->savedPaths().count(), 2);
    ASSERT_EQ(u->savedFacings().count(), 1);

    u->rampageMove(2);
    EXPECT_EQ(queued(*u), (Lines{"28 1204 1205", "31 facing 4", "28 1205 1206"}));
    EXPECT_EQ(u->savedFacings().count(), 0);
    EXPECT_EQ(u->savedPaths().count(), 0);
    u->rampageMove(3);
    EXPECT_EQ(queued(*u).size(), 3u) << "no kept move is left: nothing more is queued";
}

TEST_F(RampageTest, MoreMovesAskedForThanKeptStopAtTheLastKeptOne) {
    auto* u = unit();
    u->saveAPath();
    LogicalCommandInfo only(0, path({1204, 1304}), 0, BusMessage(LOGICAL_OBJECT_MOVED));
    u->handleEvent(only);
    u->rampageMove(3);
    EXPECT_EQ(queued(*u), (Lines{"28 1204 1304"}));
}

TEST_F(RampageTest, TramplingShowsOnTopOfTheLossesAlreadyShown) {
    auto* u = unit();
    FigureStatePeer::setCasualtyPercent(*u, 35);
    u->rampageCasualty(10);
    const std::string hit = std::to_string(RegisteredMessage::getId("CohesionHit"));
    EXPECT_EQ(queued(*u), (Lines{hit + " hit 45 by 3"}));
}

// A victim that waits for three moves has kept one move and one turn: after its flag's two words and the
// word of a command being finished (none), the record holds the moves still awaited (2), the kept moves
// (1: 2 hexes, 1204 and 1205) and the turns (1: south-east). A fresh unit loaded from those bytes keeps its
// next move too and replays all three.
TEST_F(RampageTest, WhatARampageKeptGoesWithTheRecordOfWhatWasUnderWay) {
    auto* u = unit();
    for (int i = 0; i < 3; ++i)
        u->saveAPath();
    LogicalCommandInfo first(0, path({1204, 1205}), 0, BusMessage(LOGICAL_OBJECT_MOVED));
    LogicalCommandInfo turn(0, new Container<DIRECTION>(SouthEast), 0, BusMessage(CHANGE_UNIT_FACING));
    u->handleEvent(first);
    u->handleEvent(turn);
    const std::string kept("\0\0\0\0\0\0"
                           "\2\0"
                           "\1\0\2\0\xB4\4\xB5\4"
                           "\1\0\4\0",
                           20);
    std::ostringstream out;
    u->saveUnderWay(out);
    EXPECT_EQ(out.str().substr(0, kept.size()), kept);

    // Then no command, no sprite waited on or loose, none playing.
    const std::string nothingElse(8, '\0');
    auto* v = unit();
    std::istringstream in(kept + nothingElse);
    ASSERT_TRUE(v->loadUnderWay(in));
    EXPECT_EQ(v->savedPathCount(), 2);
    LogicalCommandInfo second(0, path({1205, 1206}), 0, BusMessage(LOGICAL_OBJECT_MOVED));
    v->handleEvent(second);
    EXPECT_EQ(v->region(), 1204) << "the loaded unit keeps its move as the saved one would have";
    EXPECT_EQ(v->savedPathCount(), 1);
    v->rampageMove(2);
    EXPECT_EQ(queued(*v), (Lines{"28 1204 1205", "31 facing 4", "28 1205 1206"}));
}

TEST_F(RampageTest, KeptMovesTurnsAndAFinishedCommandOutOfBoundsAreRefused) {
    struct Row {
        const char* name;
        std::string bytes;
        bool taken;
    };
    const std::string flags(6, '\0'), none(8, '\0');
    const Row rows[] = {
        {"a command told finished", std::string("\0\0\0\0\1\0", 6) + std::string(6, '\0') + none, true},
        {"finished 2", std::string("\0\0\0\0\2\0", 6) + std::string(6, '\0') + none, false},
        {"nothing kept", flags + std::string("\0\0\0\0\0\0", 6) + none, true},
        {"32767 moves awaited", flags + std::string("\xFF\x7F\0\0\0\0", 6) + none, true},
        {"-1 moves awaited", flags + std::string("\xFF\xFF\0\0\0\0", 6) + none, false},
        {"a move of no hex", flags + std::string("\0\0\1\0\0\0\0\0", 8) + none, true},
        {"a move cut in its hexes", flags + std::string("\0\0\1\0\2\0\xB4\4", 8), false},
        {"turned north-west", flags + std::string("\0\0\0\0\1\0\x08\0", 8) + none, true},
        {"turned past north-west", flags + std::string("\0\0\0\0\1\0\x09\0", 8) + none, false},
        {"turns cut short", flags + std::string("\0\0\0\0\2\0\1\0", 8) + none, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto* u = unit();
        std::istringstream in(row.bytes);
        EXPECT_EQ(u->loadUnderWay(in), row.taken);
    }
}

// A beast's sprite queues its rampage's blows and moves between its steps: read back from what was under
// way, they are its own kinds, taken; a figure's sprite never queues them, and refuses them.
TEST_F(RampageTest, ABeastsQueuedBlowsAndMovesAreItsKindsAndNoFiguresKinds) {
    auto* victim = unit();
    ElephantSprite beast(1204, Point3D(), FrameInfo("Walk", 0), 0, nullptr, DrawPlain, nullptr, nullptr,
                         nullptr);
    beast.addRampageCasualty(victim, 10);
    beast.addRampageMove(victim, 2);
    std::ostringstream out;
    beast.saveUnderWay(out);
    ElephantSprite again(1204, Point3D(), FrameInfo("Walk", 0), 0, nullptr, DrawPlain, nullptr, nullptr,
                         nullptr);
    std::istringstream in(out.str());
    EXPECT_TRUE(again.loadUnderWay(in));
    EXPECT_EQ(again.events().count(), 2);
    VaelSprite figure(1204, Point3D(), FrameInfo("Walk", 0), 0, nullptr, DrawPlain, nullptr, nullptr, nullptr,
                      0);
    std::istringstream asFigure(out.str());
    EXPECT_FALSE(figure.loadUnderWay(asFigure));
    EXPECT_STREQ(figure.loadRefusal(), "queued event is of a kind the game never queues");
    EXPECT_EQ(figure.events().count(), 0);
}

} // namespace
} // namespace vael::test
