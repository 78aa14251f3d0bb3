// The cardaces: the block's twenty soldiers and twenty missiles, the front hex's angle of throw, the
// golden events of a volley north with scripted dice, the southward fall, fallen soldiers, a payload that
// is no direction of fire, and the saved record: its hand-checked layout, save -> load -> save byte for
// byte into the missiles already there, and records that do not fit.
#include <sstream>

#include "game/figures/missile_fixture.h"
#include "game/figures/p_cardaces.h"
#include "game/figures/sprite_calls.h"

namespace vael::test {
namespace {

struct OpenCardaces : PCardaces {
    using PCardaces::PCardaces;
    using VaelPhysicalObject::setFallen;
};

class CardacesTest : public MissileScene {
protected:
    // The unit archive with the soldiers' throwing poses ("MN" ... "MNW", 4 pictures each), which a saved
    // block's pictures are checked against.
    CardacesTest() {
        GroupList groups = unitGroups();
        for (const char* c : Compass)
            groups.push_back({std::string("M") + c, 4});
        write("unit.oif", keyedArchive("Unit", groups));
    }
    PCardaces* block(std::int16_t hex = 1005, std::int32_t facing = 1) {
        return cloneOf<PCardaces>(2, hex, facing);
    }
    int runToIdle(VaelPhysicalObject& unit) { return MissileScene::runToIdle(unit, 80); }
    static std::string saved(VaelPhysicalObject& o) {
        std::ostringstream out;
        o.save(out);
        return out.str();
    }
    // A volley north queued as the layer does, played for twelve ticks: the javelins are in the air.
    void playPartOfAVolley(PCardaces& c) {
        ScriptedRolls rolls(still());
        queue(c, new Container<DIRECTION>(North), 1000);
        for (int tick = 0; tick < 12; ++tick)
            std::unique_ptr<ZoomBoxes>(c.updateLevels(1000 + 100 * tick));
        ASSERT_NE(c.projectiles[0]->location(), Point3D());
        ASSERT_EQ(c.commands().count(), 1);
    }
    // Where slot i's record begins in the block's saved record: the missiles' own records differ in
    // length with the name of the picture each shows.
    static std::size_t slotAt(PCardaces& c, std::int16_t i) {
        std::size_t at = 10;
        for (std::int16_t j = 0; j < i; ++j)
            at += 2 + spriteRecord(*c.projectiles[j]);
        return at;
    }
    // The length of one missile's own saved state.
    static std::size_t spriteRecord(VaelSprite& s) {
        std::ostringstream out;
        s.save(out);
        return out.str().size();
    }
    // Twenty spreads of no scatter.
    static std::initializer_list<int> still() {
        static const std::initializer_list<int> tens = {
            10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10,
            10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
        return tens;
    }
};

TEST_F(CardacesTest, ABlockOfTwentyWithTwentyJavelinsOnlyTheLastHeard) {
    auto* c = block();
    EXPECT_EQ(c->unitKind(), 15);
    EXPECT_EQ(c->spriteCount(), 20);
    EXPECT_EQ(c->projectileCount, 20);
    EXPECT_EQ(c->projectiles.size(), 20);
    EXPECT_EQ(c->primaryHex(), 1005);
    EXPECT_EQ(c->frontHex(), 1004);
    for (std::int16_t i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(c->projectiles[i], nullptr);
        EXPECT_EQ(c->projectiles[i]->soundEnabledFlag(), i == 19 ? 1 : 0);
        EXPECT_EQ(c->projectiles[i]->frameInfo(), FrameInfo("Default", 0));
        EXPECT_EQ(c->projectiles[i]->region(), 1005);
        EXPECT_EQ(c->projectiles[i]->artwork(0), projectileImageSet(2, 0));
    }
    for (const Point3D& p : c->launchOffsets)
        EXPECT_EQ(p, Point3D());
    // Twenty soldiers, twenty javelins and the flag announced.
    EXPECT_EQ(std::count(layer.log.begin(), layer.log.end(), "SPRITE_CREATED"), 41);
}

TEST_F(CardacesTest, WhenSoldierNineteenFallsHisJavelinHandsTheLandingSoundToTheNewLeadersJavelin) {
    auto* c = attach<OpenCardaces>(
        std::make_unique<OpenCardaces>("Unit", "Unit (Half size)", "Unit (Quarter size)", 2, 1005, 1));
    ASSERT_EQ(c->projectiles[19]->soundEnabledFlag(), 1);
    c->setFallen(19, true);
    LogicalCommandInfo hit(0, nullptr, 0,
                           BusMessage(static_cast<std::int32_t>(RegisteredMessage::getId("CohesionHit"))));
    c->commandFinished(hit);
    ASSERT_EQ(c->figure(19), nullptr);
    std::int16_t lead = -1;
    for (std::int16_t i = 0; i < 19; ++i)
        if (sprite_calls::isSoundLead(*c->figure(i))) lead = i;
    ASSERT_GE(lead, 0);
    for (std::int16_t i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(c->projectiles[i]->soundEnabledFlag(), i == lead ? 1 : 0);
    }
    // With the leader standing nothing moves.
    c->commandFinished(hit);
    EXPECT_EQ(c->projectiles[lead]->soundEnabledFlag(), 1);
}

TEST_F(CardacesTest, EveryCloneThrowsJavelinsWhateverThePrototypesKind) {
    PCardaces proto("Unit", "Unit (Half size)", "Unit (Quarter size)", 4, -1, 1);
    EXPECT_EQ(proto.projectileImages[0], projectileImageSet(4, 0));
    std::unique_ptr<VaelPhysicalObject> made(proto.clone(1105, 2));
    auto* c = dynamic_cast<PCardaces*>(made.get());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->projectileImages[0], projectileImageSet(2, 0));
    EXPECT_EQ(c->projectileImages[2], projectileImageSet(2, 2));
    EXPECT_EQ(c->primaryHex(), 1105);
    EXPECT_EQ(c->frontHex(), 1205);
    EXPECT_EQ(c->unitKind(), 15);
}

TEST_F(CardacesTest, TheFrontHexThrowsAtItsOwnAngle) {
    struct Row {
        std::int32_t facing, d;
        bool sameNeighbour;
        std::int32_t front;
    };
    const Row rows[] = {
        {1, 1, false, 8},
        {1, 8, false, 8},
        {1, 3, false, 2},
        {1, 2, true, 8},
        {1, 2, false, 2},
        {2, 3, false, 2},
        {2, 1, false, 8},
        {4, 5, false, 4},
        {5, 5, false, 4},
        {5, 6, true, 4},
        {5, 6, false, 6},
        {5, 4, false, 4},
        // To the flanks and the rear the front hex throws as the first.
        {1, 4, false, 4},
        {1, 5, false, 5},
        {1, 6, false, 6},
        {1, 7, false, 7},
        {2, 6, false, 6},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message()
                     << "facing " << r.facing << " fire " << r.d << " same " << r.sameNeighbour);
        auto* c = block(1005, r.facing);
        layer.land.neighbours.clear();
        // Facing 1: the first hex's north-east against the front's north-west; facing 5: the first's
        // south-west against the front's south-east.
        const std::int32_t mine = r.facing == 5 ? 6 : 2, theirs = r.facing == 5 ? 4 : 8;
        layer.land.neighbours[{c->primaryHex(), mine}] = 1104;
        layer.land.neighbours[{c->frontHex(), theirs}] = r.sameNeighbour ? 1104 : 905;
        EXPECT_EQ(c->frontDirection(r.d), r.front);
    }
    // Two hexes that both have no neighbour there are not one and the same.
    auto* c = block(1005, 1);
    layer.land.neighbours.clear();
    EXPECT_EQ(c->frontDirection(2), 2);
}

TEST_F(CardacesTest, AVolleyNorthGoldenEvents) {
    auto* c = block();
    // Javelin 0's spread, y first: y 10 - 0, x 10 - 20; the others none.
    ScriptedRolls rolls{0,  20, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10,
                        10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
    LogicalCommandInfo cmd = fire(North, 1000);
    c->handleEvent(cmd);
    EXPECT_EQ(rolls.left(), 0u);
    EXPECT_EQ(c->missileTarget, Point3D(100, 0, 0));
    EXPECT_EQ(c->flagStale(), 1);
    // Soldier 0 stands in the first hex and throws north, stepping (0, 4) back while he turns.
    const Point3D p0 = c->slotOffsets(c->figureSlot(0))[1];
    const Lines soldier0 = {"move 1005 " + at(p0, 0, 4) + " 0 d-1 Standing0 MN0",
                            "once 1005 d-1 MN1 MN1 MN1 MN1 MN1 MN2 MN3 MN3 MN3 MN3 MN3 MN3",
                            "move 1005 " + at(p0, 0, 0) + " 0 d-1 Standing0"};
    EXPECT_EQ(eventsOf(*c->figure(0)), soldier0);
    // Soldier 5 stands in the front hex and throws north-west, with no step.
    const Point3D p5 = c->slotOffsets(c->figureSlot(5))[1];
    const Lines soldier5 = {"move 1004 " + at(p5, 0, 0) + " 0 d-1 Standing7 MNW0",
                            "once 1004 d-1 MNW1 MNW1 MNW1 MNW1 MNW1 MNW2 MNW3 MNW3 MNW3 MNW3 MNW3 MNW3",
                            "move 1004 " + at(p5, 0, 0) + " 0 d-1 Standing0"};
    EXPECT_EQ(eventsOf(*c->figure(5)), soldier5);
    // From (100, 50) to (100, 0): apex (100, 5) after 45 pixels at 150 a second (300 ms), then 5 pixels
    // (33 ms). Relative to the first hex's point, from the soldier's hand, spread (-10, 10) halved first.
    const Lines javelin0 = {"move 1005 (0,0) 0 d-1 Default0",
                            "move 1005 " + at(p0, 0, 0) + " 0 d-1 Default0",
                            "once 1005 d-1 Default0 Default0 Default0 Default0",
                            "move 1005 " + at(p0, 0 - 5, -45 + 5) + " 300 d-1 N0",
                            "sound 4 0",
                            "move 1005 " + at(p0, 0 - 10, -50 + 10) + " 33 d-1 N1",
                            "move 1005 (0,0) 0 d-1 Default0",
                            "move 1005 " + at(p0, 0, 0) + " 1000 d-1 Default0"};
    EXPECT_EQ(eventsOf(*c->projectiles[0]), javelin0);
    // From the front hex's (100, 40): apex (100, 0) after 40 pixels at north-west's 200 (200 ms); the
    // fall keeps the first hex's 33 ms.
    const Lines javelin5 = {"move 1004 (0,0) 0 d-1 Default0",
                            "move 1004 " + at(p5, 0, 0) + " 0 d-1 Default0",
                            "once 1004 d-1 Default0 Default0 Default0 Default0",
                            "move 1004 " + at(p5, 0, -40) + " 200 d-1 NW0",
                            "sound 4 0",
                            "move 1004 " + at(p5, 0, -40) + " 33 d-1 NW1",
                            "move 1004 (0,0) 0 d-1 Default0",
                            "move 1004 " + at(p5, 0, 0) + " 1000 d-1 Default0"};
    EXPECT_EQ(eventsOf(*c->projectiles[5]), javelin5);
    EXPECT_EQ(c->activeSprites().count(), 1 + 20 + 20);
}

TEST_F(CardacesTest, ThrowsSouthFallOnTheFirstPictureAndTheTargetShiftsByDirection) {
    struct Row {
        DIRECTION d;
        std::int16_t target;
        Point3D aim;
        const char* fall;
    };
    const Row rows[] = {
        {South, 1010, {110, 100, 0}, "S0"}, {East, 1505, {100, 50, 0}, "E1"}, {West, 505, {70, 50, 0}, "W1"}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.d);
        auto* c = block();
        ScriptedRolls rolls(still());
        LogicalCommandInfo cmd = fire(r.d, static_cast<std::uint16_t>(r.target));
        c->handleEvent(cmd);
        EXPECT_EQ(c->missileTarget, r.aim);
        // Throws to the flank: the front hex's soldiers throw as the first hex's.
        for (std::int16_t i : {0, 5}) {
            const Lines events = eventsOf(*c->projectiles[i]);
            ASSERT_EQ(events.size(), 8u);
            EXPECT_EQ(events[5].substr(events[5].size() - 2), r.fall) << i;
        }
    }
}

TEST_F(CardacesTest, OnlyStandingSoldiersThrowAndTheirJavelinsFly) {
    auto* c = attach<OpenCardaces>(
        std::make_unique<OpenCardaces>("Unit", "Unit (Half size)", "Unit (Quarter size)", 2, 1005, 1));
    for (std::int16_t i : {0, 3, 7, 11, 12, 16, 19})
        c->setFallen(i, true);
    ScriptedRolls rolls(still());
    rolls.add({77});
    LogicalCommandInfo cmd = fire(North, 1000);
    c->handleEvent(cmd);
    // Thirteen spreads of two numbers, taken from the forty: 14 left, and the 77.
    EXPECT_EQ(rolls.left(), 40u - 26u + 1u);
    int soldiers = 0, javelins = 0;
    for (std::int16_t i = 0; i < 20; ++i) {
        soldiers += eventsOf(*c->figure(i)).empty() ? 0 : 1;
        javelins += eventsOf(*c->projectiles[i]).empty() ? 0 : 1;
    }
    EXPECT_EQ(soldiers, 13);
    EXPECT_EQ(javelins, 13);
    EXPECT_TRUE(eventsOf(*c->projectiles[19]).empty());
    EXPECT_EQ(c->activeSprites().count(), 1 + 13 + 13);
}

TEST_F(CardacesTest, AVolleyIsHeardOnceAndABadPayloadIsIgnoredWithItsReportStillSent) {
    {
        auto* c = block();
        layer.listenFor("UnitFired");
        layer.log.clear();
        queue(*c, new Container<DIRECTION>(North), 1000);
        const std::string id = std::to_string(c->getId());
        EXPECT_GT(runToIdle(*c), 2);
        EXPECT_EQ(layer.log, (Lines{"ACTIVATED " + id, "PhysicalObjectMoving " + id, "UnitFired 7",
                                    "PhysicalObjectNotMoving " + id, "DEACTIVATED " + id}));
        EXPECT_EQ(sound.calls, Lines{"playJavelinHit"});
    }
    struct Row {
        const char* what;
        ContainerBase* payload;
    };
    const Row rows[] = {{"direction 0", new Container<DIRECTION>(NoDirection)},
                        {"direction 9", new Container<DIRECTION>(static_cast<DIRECTION>(9))},
                        {"a list", new Container<List<short>>(List<short>())}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        sound.calls.clear();
        auto* c = block();
        layer.log.clear();
        queue(*c, r.payload, 1000); // the command owns the payload from here
        const std::string id = std::to_string(c->getId());
        EXPECT_EQ(runToIdle(*c), 2);
        EXPECT_EQ(layer.log, (Lines{"ACTIVATED " + id, "PhysicalObjectMoving " + id, "UnitFired 7",
                                    "PhysicalObjectNotMoving " + id, "DEACTIVATED " + id}));
        for (std::int16_t i = 0; i < 20; ++i)
            EXPECT_TRUE(eventsOf(*c->projectiles[i]).empty()) << i;
        EXPECT_EQ(c->flagStale(), 0);
        EXPECT_TRUE(sound.calls.empty());
    }
}

TEST_F(CardacesTest, TheSavedRecordOfAFreshBlockByHand) {
    auto* c = block();
    const std::string bytes = saved(*c);
    const std::size_t sprite = spriteRecord(*c->projectiles[0]);
    // Count 20, target (0, 0, 0), 20 slots.
    ASSERT_GT(bytes.size(), 10u);
    EXPECT_EQ(bytes.substr(0, 10), std::string("\x14\0\0\0\0\0\0\0\x14\0", 10));
    std::size_t at = 10;
    for (std::int16_t i = 0; i < 20; ++i) {
        SCOPED_TRACE(i);
        // Resting missiles are not among the sprites at play: mark 2, then the sprite's own state.
        EXPECT_EQ(bytes.substr(at, 2), std::string("\x02\0", 2));
        std::ostringstream own;
        c->projectiles[i]->save(own);
        EXPECT_EQ(bytes.substr(at + 2, sprite), own.str());
        at += 2 + sprite;
    }
    EXPECT_EQ(bytes.substr(at, 54), std::string(54, '\0'));
    // Then the block's two hexes, 1005 and 1004, and the unit's record.
    EXPECT_EQ(bytes.substr(at + 54, 4), std::string("\xED\x03\xEC\x03", 4));
    EXPECT_EQ(bytes.substr(at + 54 + 4, 8), std::string("\xED\x03\x01\0\0\0\x14\0", 8));
}

TEST_F(CardacesTest, SaveLoadSaveIsByteIdenticalAndReadsIntoTheMissilesAlreadyThere) {
    auto* c = block();
    auto* d = block();
    // Part of the way through the volley, so that the javelins at play are marked so.
    playPartOfAVolley(*c);
    const std::string first = saved(*c);
    ASSERT_TRUE(c->activeSprites().contains(c->projectiles[0]));
    EXPECT_EQ(first.substr(10, 2), std::string("\x01\0", 2));

    std::vector<VaelSprite*> before;
    for (std::int16_t i = 0; i < 20; ++i)
        before.push_back(d->projectiles[i]);
    const std::size_t created = layer.created.size();
    std::istringstream in(first);
    d->load(in);
    ASSERT_FALSE(in.fail()) << d->loadProblem();
    EXPECT_EQ(in.peek(), std::char_traits<char>::eof());
    EXPECT_EQ(saved(*d), first);
    // No missile was made anew: the same twenty, and nothing more announced.
    EXPECT_EQ(layer.created.size(), created);
    EXPECT_EQ(d->projectileCount, 20);
    for (std::int16_t i = 0; i < 20; ++i) {
        EXPECT_EQ(d->projectiles[i], before[static_cast<std::size_t>(i)]) << i;
        EXPECT_EQ(d->activeSprites().contains(d->projectiles[i]),
                  c->activeSprites().contains(c->projectiles[i]))
            << i;
    }
    EXPECT_EQ(d->missileTarget, Point3D(100, 0, 0));
}

TEST_F(CardacesTest, AMissileSavedAsGoneIsDestroyedOnLoadAndStaysGone) {
    auto* c = block();
    std::string bytes = saved(*c);
    const std::size_t sprite = spriteRecord(*c->projectiles[0]);
    // Slot 3's record replaced by the mark 0 alone.
    const std::size_t slot3 = 10 + 3 * (2 + sprite);
    bytes.replace(slot3, 2 + sprite, std::string("\0\0", 2));
    auto* d = block();
    layer.listenFor("SpriteDestroyed");
    layer.log.clear();
    std::istringstream in(bytes);
    d->load(in);
    ASSERT_FALSE(in.fail()) << d->loadProblem();
    EXPECT_EQ(d->projectiles[3], nullptr);
    EXPECT_EQ(std::count(layer.log.begin(), layer.log.end(), "SpriteDestroyed"), 1);
    EXPECT_EQ(saved(*d), bytes);
}

TEST_F(CardacesTest, ARecordThatDoesNotFitIsRefusedAndLeavesTheBlockAsItWas) {
    auto* c = block();
    // The javelins in flight, away from where a fresh block keeps them: a missile read in and not put
    // back would show in the record.
    playPartOfAVolley(*c);
    const std::string good = saved(*c);
    const std::size_t phalanx = slotAt(*c, 20) + 54;
    struct Row {
        const char* what;
        std::string bytes;
        const char* reason;
    };
    std::string count = good, slots = good, mark = good, figures = good, state = good, front = good;
    count[0] = 19;
    slots[8] = 30;
    mark[slotAt(*c, 7)] = 3;
    // The unit's figure count, after the two hexes, region and facing: not the block's twenty.
    figures[phalanx + 4 + 6] = 8;
    // Missile 7's state, the last word of its record, just before slot 8's mark: 0 for a missile.
    ASSERT_EQ(good.substr(slotAt(*c, 8) - 2, 2), std::string("\0\0", 2));
    state[slotAt(*c, 8) - 2] = 2;
    layer.land.offMap.insert(99);
    front[phalanx + 2] = 0x63, front[phalanx + 3] = 0;
    const Row rows[] = {
        {"empty", "", "the record runs short"},
        {"cut in the header", good.substr(0, 7), "the record runs short"},
        {"cut in a missile", good.substr(0, slotAt(*c, 5) + 5), "a missile's record runs short"},
        {"cut in the launch offsets", good.substr(0, phalanx - 10), "the record runs short"},
        {"cut in the block's record", good.substr(0, good.size() - 3), "the flag's record runs short"},
        {"another missile count", count, "its missiles are not the object's"},
        {"another slot count", slots, "its missiles are not the object's"},
        {"an unknown mark", mark, "a missile's mark is unknown"},
        {"another figure count", figures, "its figure count is not the object's"},
        {"a missile's state", state, "a missile's state is none a missile is given"},
        {"the block's front hex off the map", front, "its block's front hex is not on the map"},
    };
    // Each row's block first refused for a reason of another row: none is carried over.
    auto* earlier = block();
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        auto* d = block();
        const std::string before = saved(*d);
        const int active = d->activeSprites().count();
        std::istringstream in(r.bytes);
        d->load(in);
        EXPECT_TRUE(in.fail());
        EXPECT_EQ(d->loadProblem(), r.reason);
        std::istringstream again(r.bytes);
        earlier->load(again);
        EXPECT_EQ(earlier->loadProblem(), r.reason) << "after an earlier refusal";
        EXPECT_EQ(saved(*d), before);
        EXPECT_EQ(d->activeSprites().count(), active);
    }
}

} // namespace
} // namespace vael::test
