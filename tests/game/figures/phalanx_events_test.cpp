// The commands the phalanx plays itself: the about-face's sixteen frames and swapped hexes, the same fallen
// soldiers on every machine, cohesion restored with no empty place, the teleport and the march.
#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "game/figures/figure_fixture.h"
#include "game/figures/figure_state_peer.h"
#include "game/figures/p_phalanx.h"

namespace vael::test {
namespace {

class PhalanxEventsTest : public FigureScene {
protected:
    PPhalanx* block(std::int16_t hex, std::int32_t facing) {
        PPhalanx proto("Unit", "Unit (Half size)", "Unit (Quarter size)", -1, 1);
        return attach<PPhalanx>(std::unique_ptr<VaelPhysicalObject>(proto.clone(hex, facing)));
    }
    static void run(PPhalanx& p, const char* event, ContainerBase* payload, std::uint16_t value = 0) {
        LogicalCommandInfo c(0, payload, value,
                             BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(event))),
                             BusMessage(0), new Container<short>(0));
        p.handleEvent(c);
    }
    static ContainerBase* hexes(std::initializer_list<short> list) {
        List<short> l;
        for (short h : list)
            l.append(h);
        return new Container<List<short>>(l);
    }
    static std::vector<std::int16_t> fallen(PPhalanx& p) {
        std::vector<std::int16_t> out;
        for (std::int16_t i = 0; i < 20; ++i)
            if (p.fallenState(i)) out.push_back(i);
        return out;
    }
};

TEST_F(PhalanxEventsTest, AnAboutFaceTurnsThroughFiveFacingsInSixteenFramesAndSwapsTheHexes) {
    PPhalanx* p = block(1005, 1);
    run(*p, "AboutFace", nullptr);
    EXPECT_EQ(eventsOf(*p->figure(0)),
              (Lines{"once 0 d-1 N0 N0 N0 NE0 NE0 NE0 E0 E0 E0 SE0 SE0 SE0 S0 S0 S0 Standing4"}));
    EXPECT_EQ(p->facing(), 5);
    EXPECT_EQ(p->primaryHex(), 1004);
    EXPECT_EQ(p->frontHex(), 1005);
    EXPECT_EQ(p->region(), 1004);
    EXPECT_EQ(p->figureSlot(0), 19);
    EXPECT_EQ(p->figureSlot(19), 0);
    EXPECT_EQ(p->figureSlot(7), 12);
    // Facing 6 turns back through 7, 8, 1 and 2.
    PPhalanx* q = block(1105, 6);
    run(*q, "AboutFace", nullptr);
    EXPECT_EQ(eventsOf(*q->figure(3)),
              (Lines{"once 0 d-1 SW0 SW0 SW0 W0 W0 W0 NW0 NW0 NW0 N0 N0 N0 NE0 NE0 NE0 Standing1"}));
    EXPECT_EQ(q->facing(), 2);
}

TEST_F(PhalanxEventsTest, HalfLossesFellFiveSoldiersAndTheSameFiveOnEveryMachine) {
    PPhalanx* p = block(1005, 1);
    PPhalanx* again = block(1005, 1);
    for (PPhalanx* u : {p, again}) {
        FigureStatePeer::setCasualtyPercent(*u, 50);
        run(*u, "CombatAnimate", hexes({}));
    }
    EXPECT_EQ(fallen(*p).size(), 5u);
    EXPECT_EQ(p->fallenCount(), 5);
    EXPECT_EQ(fallen(*p), fallen(*again));
}

TEST_F(PhalanxEventsTest, LossTargetsAreTenthsOfTheTenSoldiersThatMayFallInWholeNumbers) {
    struct Row {
        std::int16_t percent;
        std::size_t fall;
    };
    for (const Row& r : {Row{9, 0}, Row{10, 1}, Row{19, 1}, Row{20, 2}, Row{100, 10}, Row{150, 10}}) {
        SCOPED_TRACE(r.percent);
        PPhalanx* p = block(1205, 1);
        FigureStatePeer::setCasualtyPercent(*p, r.percent);
        run(*p, "CombatAnimate", hexes({}));
        // A walk whose running sum never passes the roll picks nobody, so the flags may fall short of the
        // count shown.
        EXPECT_EQ(p->fallenCount(), static_cast<std::int16_t>(r.fall));
        EXPECT_LE(fallen(*p).size(), r.fall);
        EXPECT_GE(fallen(*p).size() + 2, r.fall);
    }
}

TEST_F(PhalanxEventsTest, RestoringWithNoEmptyPlaceBringsNobodyAndWritesNothingPastTheBlock) {
    PPhalanx* p = block(1005, 1);
    // Losses counted that never emptied a place in the table.
    FigureStatePeer::setFallenCount(*p, 5);
    run(*p, "RestoreCohesion", new Container<short>(0));
    EXPECT_EQ(p->spriteCount(), 20);
    EXPECT_EQ(p->fallenCount(), 0);
    EXPECT_EQ(p->casualtyPercent(), 0);
    EXPECT_EQ(eventsOf(*p->figure(5)).back(), "move 1004 (-58,-2) 0 d-1 Standing0");
    run(*p, "RestoreCohesion", new Container<short>(250));
    EXPECT_EQ(p->casualtyPercent(), 100);
    EXPECT_EQ(p->fallenCount(), 10);
}

TEST_F(PhalanxEventsTest, ATeleportSetsBothFilesDownInTheNewHexes) {
    PPhalanx* p = block(1005, 1);
    run(*p, "UnitTeleport", hexes({1005, 1207}));
    EXPECT_EQ(eventsOf(*p->figure(0)).back(), "move 1207 (-43,-2) 0 d10 Standing0");
    EXPECT_EQ(eventsOf(*p->figure(5)).back(), "move 1206 (-58,-2) 0 d5 Standing0");
    EXPECT_EQ(p->region(), 1207);
    EXPECT_EQ(p->primaryHex(), 1207);
    EXPECT_EQ(p->frontHex(), 1206);
}

TEST_F(PhalanxEventsTest, AMarchMovesBothHexesAndAMarchDuringARampageIsOnlyKept) {
    PPhalanx* p = block(1005, 1);
    run(*p, std::to_string(0).c_str(), nullptr); // an unknown name goes to the plain unit
    LogicalCommandInfo c(0, hexes({1005, 1006}), 0, BusMessage(LOGICAL_OBJECT_MOVED), BusMessage(0),
                         new Container<short>(0));
    p->handleEvent(c);
    EXPECT_EQ(p->primaryHex(), 1006);
    EXPECT_EQ(p->frontHex(), 1005);
    EXPECT_EQ(p->region(), 1006);
    EXPECT_EQ(eventsOf(*p->figure(0)), (Lines{"plain 5", "plain 5", "sound 10 3"}));

    PPhalanx* q = block(1005, 1);
    q->saveAPath();
    LogicalCommandInfo kept(0, hexes({1005, 1006}), 0, BusMessage(LOGICAL_OBJECT_MOVED), BusMessage(0),
                            new Container<short>(0));
    q->handleEvent(kept);
    EXPECT_EQ(q->savedPathCount(), 0);
    EXPECT_EQ(q->savedPaths().count(), 1);
    EXPECT_EQ(q->primaryHex(), 1005);
    EXPECT_TRUE(eventsOf(*q->figure(0)).empty());
}

TEST_F(PhalanxEventsTest, OnlyTheFirstRoutDropsGearAndTheBlockEndsWhereItsPathsEnd) {
    PPhalanx* p = block(1005, 1);
    const std::size_t soldiers = layer.created.size();
    run(*p, "TerminalRout", hexes({1005, 1006, 1007}));
    // A spear, a shield and a helmet from each of the twenty, each in its soldier's own hex.
    ASSERT_EQ(layer.created.size(), soldiers + 60);
    const Sprite* spear5 = layer.created[soldiers + 15];
    EXPECT_EQ(static_cast<short>(spear5->region()), 1004);
    EXPECT_EQ(static_cast<short>(layer.created[soldiers]->region()), 1005);
    // Hidden, five pauses (the pause kind reads as an empty sound event), shown.
    EXPECT_EQ(eventsOf(*spear5), (Lines{"plain 10", "sound 0 0", "sound 0 0", "sound 0 0", "sound 0 0",
                                        "sound 0 0", "plain 11"}));
    EXPECT_EQ(eventsOf(*layer.created[soldiers + 17]).size(), 17u);
    // The gear is the ground's from the start, marked as lying there for a saved game.
    ASSERT_EQ(layer.land.ground.size(), 60u);
    EXPECT_EQ(layer.land.ground[15].get(), spear5);
    EXPECT_EQ(layer.land.ground[15]->getState(), 1);
    EXPECT_EQ(p->inTerminalRout(), 1);
    EXPECT_EQ(p->primaryHex(), 1007);
    EXPECT_EQ(p->frontHex(), 1006);
    const std::size_t firstEvents = eventsOf(*p->figure(0)).size();
    run(*p, "TerminalRout", hexes({1007, 1008}));
    EXPECT_EQ(layer.created.size(), soldiers + 60);
    EXPECT_EQ(p->primaryHex(), 1008);
    EXPECT_EQ(p->frontHex(), 1007);
    EXPECT_EQ(eventsOf(*p->figure(0)).size(), firstEvents + 3);
}

} // namespace
} // namespace vael::test
