// The leader's object: a formation's losses leave it alone; its flag loop runs without holding up the
// command; a wound changes its look for good and is saved; a fallen leader is replaced by a fresh figure
// after a hidden pause and the old one goes into the ground; a teleport while waving keeps it waving;
// clones keep their kind.
#include <sstream>

#include "game/figures/figure_fixture.h"
#include "game/figures/figure_state_peer.h"
#include "game/figures/p_leader.h"
#include "game/figures/sprite_calls.h"

namespace vael::test {
namespace {

// The leader archive, groups in order (index: name, images): 0 "Standing" 8, 1 "StandingWA" 8, 2 "General"
// 2, 3-10 "ASN" ... "ASNW" 3 each, 11-18 "ASNWA" ... "ASNWWA" 2 each, 19 "NWA" 1.
GroupList leaderGroups() {
    GroupList g = {{"Standing", 8}, {"StandingWA", 8}, {"General", 2}};
    for (const char* c : Compass)
        g.push_back({std::string("AS") + c, 3});
    for (const char* c : Compass)
        g.push_back({std::string("AS") + c + "WA", 2});
    g.push_back({"NWA", 1});
    return g;
}

class LeaderTest : public FigureScene {
protected:
    LeaderTest() {
        write("leader.oif", keyedArchive("Leader", leaderGroups()));
        auto before = app.onFindInMapFile;
        app.onFindInMapFile = [this, before](OIFBase* library) {
            if (library->name().rfind("Leader", 0) != 0) return before(library);
            std::ifstream in(dir / "leader.oif", std::ios::binary);
            library->readFile((dir / "leader.oif").string(), in);
        };
        Flag::setAnimated(true);
    }
    ~LeaderTest() override { Flag::setAnimated(true); }

    PLeader* leader(std::int16_t kindFlag = 0, std::int16_t hex = 1204) {
        PLeader proto("Leader", "Leader (Half size)", "Leader (Quarter size)", -1, 1, kindFlag);
        return static_cast<PLeader*>(attach(proto.clone(hex, 1)));
    }
    static LogicalCommandInfo command(const char* event, ContainerBase* payload = nullptr) {
        return LogicalCommandInfo(0, payload, 0,
                                  BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId(event))),
                                  BusMessage(0), new Container<short>(0));
    }
    static void run(VaelPhysicalObject& u, const char* event, ContainerBase* payload = nullptr) {
        LogicalCommandInfo c = command(event, payload);
        u.handleEvent(c);
    }
};

TEST_F(LeaderTest, AFormationsLossesRallyAndRoutQueueNothingOnALeader) {
    for (const char* event : {"TerminalRout", "CohesionHit", "RampageDie", "RampageCohesionHit",
                              "RestoreCohesion", "CombatAnimate"}) {
        SCOPED_TRACE(event);
        auto* u = leader();
        run(*u, event, new Container<short>(100));
        EXPECT_TRUE(eventsOf(*u->figure(0)).empty());
        EXPECT_EQ(u->activeSprites().count(), 0);
        EXPECT_EQ(u->casualtyPercent(), 0);
        EXPECT_EQ(u->inTerminalRout(), 0);
    }
}

TEST_F(LeaderTest, TheFlagLoopDoesNotHoldUpTheCommandAndStopsWhenTheFlagsAreLowered) {
    auto* u = leader();
    ASSERT_EQ(u->unitKind(), 4);
    ASSERT_EQ(u->flag(), nullptr);
    layer.listenFor("FlagsUp");
    layer.log.clear();
    LogicalCommandInfo c(
        0, nullptr, 0, BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("RaiseFlags"))),
        BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("FlagsUp"))), new Container<short>(5));
    Container<LogicalCommandInfo> box(c);
    u->sendTo(static_cast<std::uint16_t>(u->getId()), LOGICAL_COMMAND, &box);
    std::unique_ptr<ZoomBoxes> boxes(u->updateLevels(1000));
    const std::string id = std::to_string(u->getId());
    // Still waving, the object stays active: no deactivation follows.
    EXPECT_EQ(layer.log, (Lines{"ACTIVATED " + id, "FlagsUp 5", "PhysicalObjectNotMoving " + id}));
    EXPECT_EQ(u->commands().count(), 0);
    EXPECT_EQ(u->flagRaised(), 1);
    EXPECT_EQ(u->activeSprites().count(), 0) << "the waving loop never runs out";
    run(*u, "LowerFlags");
    EXPECT_EQ(u->flagRaised(), 0);
    EXPECT_EQ(u->activeSprites().count(), 1);
}

TEST_F(LeaderTest, RaisingFlagsWavesTheFacingsGroupUnlessEliminatedAndQueuesNothingWhenFlagsStandStill) {
    auto* u = leader();
    run(*u, "RaiseFlags");
    Item<SpriteEvent>* e = nullptr;
    u->figure(0)->events().firstItem(e);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->value.kind, SpriteHold);
    const auto* payload = dynamic_cast<const Container<VaelSpriteEvent>*>(e->value.payload());
    ASSERT_NE(payload, nullptr);
    EXPECT_EQ(framesOf(payload->valuePtr()->frames),
              (std::vector<FrameInfo>{FrameInfo("ASN", 0), FrameInfo("ASN", 1), FrameInfo("ASN", 2)}));
    EXPECT_EQ(u->activeSprites().count(), 0);

    auto* still = leader();
    Flag::setAnimated(false);
    run(*still, "RaiseFlags");
    EXPECT_EQ(still->flagRaised(), 1);
    EXPECT_TRUE(eventsOf(*still->figure(0)).empty());

    auto* gone = leader();
    FigureStatePeer::setEliminated(*gone, 1);
    run(*gone, "RaiseFlags");
    EXPECT_EQ(gone->flagRaised(), 0);
}

TEST_F(LeaderTest, AWoundChangesTheLookForGoodAndASavedWoundedLeaderLoadsWounded) {
    auto* u = leader();
    run(*u, "WoundedLeader");
    EXPECT_EQ(u->standName(), "StandingWA");
    EXPECT_EQ(u->leaderGroup(), 11);
    EXPECT_EQ(u->animationGroup(), 19);
    EXPECT_EQ(eventsOf(*u->figure(0)), (Lines{"once 1204 d-1 StandingWA0"}));
    std::ostringstream out;
    u->save(out);
    EXPECT_EQ(out.str().substr(0, 12), std::string("\x0A\0StandingWA", 12));
    auto* fresh = leader(0, 907);
    std::istringstream in(out.str());
    fresh->load(in);
    ASSERT_FALSE(in.fail());
    EXPECT_EQ(fresh->standName(), "StandingWA");
    std::ostringstream again;
    fresh->save(again);
    EXPECT_EQ(again.str(), out.str());

    auto* cut = leader(0, 907);
    std::istringstream shortRecord(out.str().substr(0, out.str().size() - 1));
    cut->load(shortRecord);
    EXPECT_TRUE(shortRecord.fail());
    EXPECT_EQ(cut->standName(), "Standing") << "a refused record changes nothing";
}

TEST_F(LeaderTest, AFallenLeaderIsReplacedAfterAHiddenPauseAndTheOldFigureGoesIntoTheGround) {
    auto* u = leader();
    VaelSprite* old = u->figure(0);
    layer.created.clear();
    LogicalCommandInfo c = command("UnitEliminated");
    u->handleEvent(c);
    VaelSprite* fresh = u->figure(0);
    ASSERT_NE(fresh, old);
    EXPECT_EQ(layer.created, std::vector<Sprite*>{fresh});
    // Seven one-tick steps (carrying no sound) between the hide and the show.
    EXPECT_EQ(eventsOf(*fresh), (Lines{"plain 10", "sound 0 0", "sound 0 0", "sound 0 0", "sound 0 0",
                                       "sound 0 0", "sound 0 0", "sound 0 0", "plain 11"}));
    EXPECT_EQ(u->fallenState(0), 0);
    EXPECT_TRUE(sprite_calls::isSoundLead(*fresh));
    EXPECT_EQ(u->fallenCount(), 1);
    EXPECT_EQ(u->casualtyCause(), 4);
    EXPECT_TRUE(u->looseSprites().contains(old));
    EXPECT_EQ(eventsOf(*old).front(), "sound 17 4");
    u->commandFinished(c);
    ASSERT_EQ(layer.land.ground.size(), 1u);
    EXPECT_EQ(layer.land.ground[0].get(), old);
    EXPECT_EQ(u->figure(0), fresh);
}

TEST_F(LeaderTest, ATeleportWhileWavingKeepsTheLoopAndHoldsUpNothing) {
    auto* u = leader();
    run(*u, "RaiseFlags");
    List<short> path;
    path.append(1204), path.append(1306);
    run(*u, "UnitTeleport", new Container<List<short>>(path));
    EXPECT_EQ(u->region(), 1306);
    EXPECT_EQ(u->activeSprites().count(), 0);
    const Lines events = eventsOf(*u->figure(0));
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[2].rfind("move 1306", 0), 0u) << events[2];
    EXPECT_EQ(events[3].rfind("plain 3", 0), 0u) << events[3];

    auto* stay = leader();
    run(*stay, "UnitTeleport", new Container<List<short>>(List<short>()));
    EXPECT_EQ(stay->region(), 1204);
    EXPECT_EQ(stay->activeSprites().count(), 1);
}

TEST_F(LeaderTest, ClonesKeepTheirKind) {
    PLeader second("Leader", "Leader (Half size)", "Leader (Quarter size)", -1, 1, 1);
    std::unique_ptr<VaelPhysicalObject> a(second.clone(1204, 2));
    EXPECT_EQ(a->unitKind(), 5);
    PTezhar chief("Leader", "Leader (Half size)", "Leader (Quarter size)", -1, 1);
    std::unique_ptr<VaelPhysicalObject> b(chief.clone(1204, 2));
    EXPECT_NE(dynamic_cast<PTezhar*>(b.get()), nullptr);
    EXPECT_EQ(b->unitKind(), 6);
    EXPECT_EQ(b->facing(), 2);
}

} // namespace
} // namespace vael::test
