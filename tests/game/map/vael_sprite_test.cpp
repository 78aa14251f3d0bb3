// Game sprites: positions at the three zoom levels from hand-computed anchors and offsets, moves timed to
// the millisecond, the named pictures at every level, the sound rules, the depth order and the saved
// record.
#include <algorithm>
#include <iterator>
#include <sstream>
#include <tuple>
#include <vector>

#include "game/map/map_fixture.h"
#include "support/display/solid_bitmap.h"

namespace vael::test {
namespace {

using Levels = std::tuple<Point, Point, Point>;
Levels at(const VaelSprite& s) {
    return {s.position(0), s.position(1), s.position(2)};
}

class SpriteTest : public MapScene {};

TEST_F(SpriteTest, AnOffsetIsHalvedAndQuarteredTowardZeroAndAddedToEachLevelsAnchor) {
    struct Row {
        Point3D offset;
        Levels expected;
    };
    const std::vector<Row> rows = {
        {Point3D(40, 20, 3), {Point(340, 220), Point(170, 110), Point(85, 55)}},
        {Point3D(0, 0, 0), {Point(300, 200), Point(150, 100), Point(75, 50)}},
        // -41 / 2 = -20 and -41 / 4 = -10 (toward zero, not down); 7 / 2 = 3, 7 / 4 = 1.
        {Point3D(-41, 7, 0), {Point(259, 207), Point(130, 103), Point(65, 51)}},
        {Point3D(3, -3, 0), {Point(303, 197), Point(151, 99), Point(75, 50)}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << "offset " << r.offset.x << ", " << r.offset.y);
        auto s = sprite(r.offset);
        EXPECT_EQ(at(*s), r.expected);
        EXPECT_EQ(s->location(), Point3D(std::get<0>(r.expected), 0)); // the anchor's height is not taken
        EXPECT_EQ((std::tuple{s->startPosition(0), s->startPosition(1), s->startPosition(2)}), r.expected);
    }
}

struct Tick {
    std::int32_t now;
    Levels expected;
    std::int16_t queued; // events left after the update
};

void walk(VaelSprite& s, const std::vector<Tick>& ticks) {
    for (const Tick& t : ticks) {
        SCOPED_TRACE("update at " + std::to_string(t.now));
        step(s, t.now);
        EXPECT_EQ(at(s), t.expected);
        EXPECT_EQ(s.events().count(), t.queued);
    }
}

TEST_F(SpriteTest, TwoMovesBackToBackAreTimedAtEveryLevelAndTheSecondCountsFromTheFirstsEnd) {
    auto s = sprite();
    // Into the next hex: the target is measured from 1204, where the sprite stands when the move starts.
    s->addNamedEvent(1305, Point4D(130, 12, 0, 1000), frames({{"Walk", 0}, {"Walk", 1}}), -1, SpriteMove, 0);
    // And back 60 pixels, measured from 1305, which the first move made the sprite's region.
    s->addNamedEvent(1305, Point4D(-60, 0, 0, 500), frames({{"Walk", 0}}), -1, SpriteMove, 0);
    walk(*s, {{2000, {Point(300, 200), Point(150, 100), Point(75, 50)}, 2},
              // 50 percent: 130 * 50 / 100 = 65, 12 * 50 / 100 = 6; half 65 -> 32, 6 -> 3; quarter 32 -> 16,
              // 3 -> 1.
              {2500, {Point(365, 206), Point(182, 103), Point(91, 51)}, 2},
              // 99 percent, truncated: 128, 11; half 64, 5; quarter 31, 2.
              {2999, {Point(428, 211), Point(214, 105), Point(106, 52)}, 2},
              // Landed late, at 3200: the end stands, the region is 1305, the second move waits for the next
              // update.
              {3200, {Point(430, 212), Point(215, 106), Point(107, 53)}, 1},
              // Current from 3300 on, due at 3800, but counted from 3000: 300 * 100 / 800 = 37 percent of
              // (-60, -30, -15): -22, -11, -5.
              {3300, {Point(408, 212), Point(204, 106), Point(102, 53)}, 1},
              {3400, {Point(400, 212), Point(200, 106), Point(100, 53)}, 1},
              {3800, {Point(370, 212), Point(185, 106), Point(92, 53)}, 0}});
    EXPECT_EQ((std::tuple{s->region(), s->startTime(), s->location()}),
              std::tuple(1305, 3800, Point3D(370, 212, 0)));
    step(*s, 3900); // nothing queued: the clock of the sprite starts afresh
    EXPECT_EQ((std::tuple{s->startTime(), s->isChanged()}), std::tuple(0, 0));
}

TEST_F(SpriteTest, AMoveAfterAHoldThatEndsInTheFutureLandsAtOnceOrHoldsStillButNeverOvershoots) {
    struct Row {
        const char* name;
        std::int32_t moveTime;
        std::int32_t now;
        Levels expected;
        std::int16_t queued;
    };
    const std::vector<Row> rows = {
        // The hold ends at 1100; the move is due at 300 + 200 = 500, before it began: it lands.
        {"due before the start", 200, 300, {Point(340, 220), Point(170, 110), Point(85, 55)}, 0},
        // Due at 300 + 2000 = 2300, begun at 1100, now 300: the share would be -66 percent; it stays at 0.
        {"now before the start", 2000, 300, {Point(300, 200), Point(150, 100), Point(75, 50)}, 1},
        // Due at 300 + 800 = 1100, the hold's own end: nothing to divide by, it lands.
        {"due at the start", 800, 300, {Point(340, 220), Point(170, 110), Point(85, 55)}, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto s = sprite();
        s->addNamedEvent(-1, Point4D(0, 0, 0, 1000), frames({{"Walk", 0}}), -1, SpriteHold, 0);
        step(*s, 100);
        ASSERT_EQ(s->startTime(), 1100);
        s->addNamedEvent(1204, Point4D(40, 20, 0, r.moveTime), frames({{"Walk", 0}}), -1, SpriteMove, 0);
        step(*s, r.now);
        EXPECT_EQ(at(*s), r.expected);
        EXPECT_EQ(s->events().count(), r.queued);
    }
}

TEST_F(SpriteTest, ATimedWaitEndsAtTheFirstUpdateAfterItsEnd) {
    auto s = sprite();
    s->addNamedEvent(1204, Point4D(0, 0, 0, 500), List<FrameInfo>(), -1, VaelSprite::TimedWait, 0);
    for (const auto& [now, queued] :
         std::vector<std::pair<int, int>>{{1000, 1}, {1499, 1}, {1500, 1}, {1501, 0}}) {
        SCOPED_TRACE(now);
        step(*s, now);
        EXPECT_EQ(s->events().count(), queued);
    }
}

TEST_F(SpriteTest, AHoldCyclesItsPicturesInPlaceUntilSomethingIsQueuedBehindIt) {
    auto s = sprite();
    s->addNamedEvent(-1, Point4D(10, 10, 0, 0), frames({{"Walk", 0}, {"Walk", 1}}), -1, SpriteHold, 0);
    std::vector<std::int16_t> shown;
    for (int now : {100, 200, 300}) {
        step(*s, now);
        shown.push_back(s->frameInfo().index);
    }
    EXPECT_EQ(shown, (std::vector<std::int16_t>{0, 1, 0}));
    EXPECT_EQ(at(*s), (Levels{Point(310, 210), Point(155, 105), Point(77, 52)}));
    s->addSimpleEvent(SpriteHide);
    step(*s, 400);
    EXPECT_EQ((std::tuple{s->events().count(), s->isHidden()}), std::tuple(0, 1));
}

TEST_F(SpriteTest, APhasedMoveSkipsItsRestartPicturesWhenTheListWraps) {
    auto s = sprite();
    s->addNamedEvent(1204, Point4D(0, 0, 0, 10000), frames({{"Walk", 0}, {"Walk", 1}, {"Stand", 0}}), -1,
                     SpritePhasedMove, 2);
    std::vector<std::string> shown;
    for (int now = 100; now <= 600; now += 100) {
        step(*s, now);
        shown.push_back(s->frameInfo().name + std::to_string(s->frameInfo().index));
    }
    // Past the end the list starts again and steps on twice in the same update: the first picture is not
    // seen.
    EXPECT_EQ(shown, (std::vector<std::string>{"Walk0", "Walk1", "Stand0", "Walk1", "Stand0", "Walk1"}));
    EXPECT_EQ(s->frameCount(), 2);
}

TEST_F(SpriteTest, PicturesAreFoundByNameAtEveryLevelAndAMissTriesTheNameWithoutItsFirstCharacter) {
    struct Row {
        FrameInfo frame;
        bool found;
        std::uint8_t pixel;
    };
    const std::vector<Row> rows = {
        {{"Walk", 0}, true, 1},    {{"Stand", 0}, true, 9}, {{"xWalk", 0}, true, 1}, // one character too many
        {{"xxWalk", 0}, false, 0}, {{"walk", 0}, false, 0}, // exact and case-sensitive
        {{"Walk", 5}, false, 0},                            // past the group
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.frame.name + " " + std::to_string(r.frame.index));
        auto s = sprite(Point3D(), r.frame);
        for (int level = 0; level < 3; ++level) {
            SCOPED_TRACE(level);
            ASSERT_EQ(s->levelFrame(level) != nullptr, r.found);
            if (r.found) {
                EXPECT_EQ(s->levelFrame(level)->bits()[0], r.pixel);
            }
        }
        EXPECT_EQ(s->currentFrame(), s->levelFrame(0));
        if (r.found) {
            EXPECT_NE(s->levelFrame(0), s->levelFrame(1)); // each level has a library of its own
        }
    }
    // Index -1 names nothing: the pictures stay as they were.
    auto s = sprite(Point3D(), FrameInfo("Stand", 0));
    Bitmap* before = s->levelFrame(0);
    s->addNamedEvent(1204, Point4D(), frames({{"Walk", -1}}), -1, SpriteMove, 0);
    step(*s, 10);
    EXPECT_EQ(s->levelFrame(0), before);
}

TEST_F(SpriteTest, EachLevelDrawsItsOwnPictureAtItsOwnPositionPixelForPixel) {
    auto s = sprite(Point3D(2, 1, 0), FrameInfo("Stand", 0)); // C: one pixel 9, hot spot (1, 2)
    // Full size at (302, 201), half at (151, 100), quarter at (75, 50); each drawn at position - hot spot.
    const std::vector<std::tuple<int, Point, Point>> rows = {
        {0, Point(298, 197), Point(3, 2)}, {1, Point(148, 97), Point(2, 1)}, {2, Point(72, 47), Point(2, 1)}};
    for (const auto& [level, origin, pixel] : rows) {
        SCOPED_TRACE(level);
        Bitmap target(Dim(5, 4), PixelOpaque);
        const Box drawn = s->drawAt(target, origin, level);
        EXPECT_EQ(drawn, Box(pixel.x, pixel.y, 1, 1));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(pixelAt(target, x, y), x == pixel.x && y == pixel.y ? 9 : 0) << x << "," << y;
        const Point topLeft = s->position(level) - Point(1, 2);
        EXPECT_EQ(s->boundsAt(level), Box(topLeft.x, topLeft.y, 1, 1));
        EXPECT_EQ(s->hitTestAt(topLeft, level), 1);
        EXPECT_EQ(s->hitTestAt(topLeft + Point(1, 0), level), 0);
        EXPECT_EQ(s->hitTestAt(topLeft + Point(0, -1), level), 0);
    }
    s->hide();
    Bitmap target(Dim(5, 4), PixelOpaque);
    EXPECT_EQ((std::tuple{s->drawAt(target, Point(298, 197), 0), s->boundsAt(1)}), std::tuple(Box(), Box()));
}

TEST_F(SpriteTest, AnUpdateReportsTheOldAndNewBoxOfEachLevelJoined) {
    auto s = sprite(Point3D(), FrameInfo("Walk", 0)); // A: 2 x 1, hot spot (0, 0)
    s->addNamedEvent(1204, Point4D(8, 4, 0, 0), frames({{"Walk", 0}}), -1, SpriteMove, 0);
    std::unique_ptr<ZoomBoxes> boxes(s->update(50));
    const std::vector<Box> expected = {Box(300, 200, 10, 5), Box(150, 100, 6, 3), Box(75, 50, 4, 2)};
    for (int level = 0; level < 3; ++level) {
        SCOPED_TRACE(level);
        Box b;
        ASSERT_EQ(boxes->level(level).count(), 1);
        boxes->level(level).first(b);
        EXPECT_EQ(b, expected[static_cast<std::size_t>(level)]);
    }
    std::unique_ptr<ZoomBoxes> none(s->update(60));
    EXPECT_EQ((std::tuple{none->level(0).count(), none->level(2).count()}), std::tuple(0, 0));
}

// The step without a list: the same joined boxes as an update, and with no event left it answers false,
// leaves the caller's boxes as they were and clears the changed mark.
TEST_F(SpriteTest, AStepHandsBackTheJoinedBoxesAndWithNoEventLeavesThemAlone) {
    auto s = sprite(Point3D(), FrameInfo("Walk", 0)); // A: 2 x 1, hot spot (0, 0)
    s->addNamedEvent(1204, Point4D(8, 4, 0, 0), frames({{"Walk", 0}}), -1, SpriteMove, 0);
    Box boxes[VaelSprite::Levels];
    ASSERT_TRUE(s->step(50, boxes));
    EXPECT_EQ(s->isChanged(), 1);
    const std::vector<Box> expected = {Box(300, 200, 10, 5), Box(150, 100, 6, 3), Box(75, 50, 4, 2)};
    for (int level = 0; level < 3; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(boxes[level], expected[static_cast<std::size_t>(level)]);
    }
    const Box marker(1, 2, 3, 4);
    Box untouched[VaelSprite::Levels] = {marker, marker, marker};
    EXPECT_FALSE(s->step(60, untouched));
    EXPECT_EQ(s->isChanged(), 0);
    for (const Box& b : untouched)
        EXPECT_EQ(b, marker);
}

TEST_F(SpriteTest, AChangeOfRegionCarriesTheOffsetToTheNewAnchorAndMeasuresTheNextMoveFromIt) {
    auto s = sprite(Point3D(10, 10, 0));
    s->changeRegion(1305);
    ASSERT_EQ(s->events().count(), 1);
    step(*s, 100);
    EXPECT_EQ(s->region(), 1305);
    // (10, 10) from 1305's anchors, halved and quartered toward zero: never the map's origin.
    const Levels carried{Point(440, 222), Point(220, 111), Point(109, 55)};
    EXPECT_EQ(at(*s), carried);
    EXPECT_EQ((Levels{s->startPosition(0), s->startPosition(1), s->startPosition(2)}), carried);
    EXPECT_EQ(s->location(), Point3D(440, 222, 0));
    s->addNamedEvent(-1, Point4D(4, 8, 0, 0), List<FrameInfo>(), -1, SpriteMove, 0);
    step(*s, 200);
    EXPECT_EQ(at(*s), (Levels{Point(434, 220), Point(217, 110), Point(108, 55)}));
    EXPECT_EQ(s->region(), 1305); // a move to region -1 keeps the region
}

TEST_F(SpriteTest, MovingIntoTheReversedViewKeepsTheOffsetFromTheRegionsAnchor) {
    AnchorLayer reversed(1);
    reversed.setAnchors(1204, Point(1000, 40), Point(500, 20), Point(250, 10));
    auto s = sprite(Point3D(41, -6, 0));
    s->moveToView1();
    EXPECT_EQ(s->view(), 1);
    EXPECT_EQ(at(*s), (Levels{Point(1041, 34), Point(520, 17), Point(260, 9)}));
    EXPECT_EQ(s->startPosition(2), Point(260, 9));
    EXPECT_EQ(s->location(), Point3D(1041, 34, 0));
    s->moveToView1(); // already there: nothing moves
    EXPECT_EQ(s->position(0), Point(1041, 34));
}

TEST_F(SpriteTest, AnEventQueuedWithoutAPayloadGetsAnEmptyOneAndStillMoves) {
    auto s = sprite();
    s->queueEvent(SpriteEvent(1204, Point4D(20, 0, 0, 100), List<Bitmap*>(), -1, SpriteMove, 0));
    Item<SpriteEvent>* head = nullptr;
    s->events().firstItem(head);
    ASSERT_NE(dynamic_cast<Container<VaelSpriteEvent>*>(head->value.payload()), nullptr);
    step(*s, 0);
    step(*s, 100);
    EXPECT_EQ(s->position(0), Point(320, 200));
}

TEST_F(SpriteTest, QueueingLoadsTheNamedPicturesButLeavesTheShownOnes) {
    auto s = sprite(Point3D(), FrameInfo("Stand", 0));
    Bitmap* shown = s->levelFrame(1);
    s->addNamedEvent(1204, Point4D(), frames({{"Walk", 1}}), -1, SpriteMove, 0);
    EXPECT_EQ((std::tuple{s->levelFrame(1), s->currentFrame()}), std::tuple(shown, s->levelFrame(0)));
    EXPECT_EQ(s->frameInfo(), FrameInfo("Stand", 0));
}

// Sound.

struct SoundRow {
    std::int32_t event;
    std::uint16_t param;
    std::uint16_t enabled;
    std::int16_t viewMode;
    std::uint16_t view;
    std::vector<std::string> calls;
};

TEST_F(SpriteTest, ASoundIsDueOnlyInTheShownViewAndFromAQuietSpriteOnlyForSplashElephantAndHorse) {
    AnchorLayer reversed(1);
    const std::vector<SoundRow> rows = {
        {SoundSplash, 0, 0, 0, 0, {"playSplash"}},
        {SoundSplash, 0, 1, 0, 0, {"playSplash"}},
        {SoundBowShot, 0, 0, 0, 0, {}},
        {SoundBowShot, 0, 1, 0, 0, {"playBowShot"}},
        {SoundBowShot, 0, 1, 4, 0, {}},
        {SoundBowShot, 0, 1, 4, 1, {"playBowShot"}},
        {SoundBowShot, 0, 1, 0, 1, {}},
        {SoundBowShot, 0, 1, -1, 0, {}},
        {SoundSplash, 0, 0, 4, 0, {}},
        {SoundElephantHit, 0, 0, 0, 0, {"playElephantHit"}}, // roll 1 < 2
        {SoundHorseBattle, 0, 0, 0, 0, {"playHorseBattle"}},
        {SoundElephantHitAlt, 0, 0, 0, 0, {}},
        {SoundHorseBattleAlt, 0, 0, 0, 0, {}},
        {SoundAnimalCall, 6, 1, 0, 0, {"playAnimalCall 6"}},
        {SoundFigureFalls, 0, 1, 0, 0, {}},
        {25, 0, 1, 0, 0, {}},
    };
    for (const SoundRow& r : rows) {
        SCOPED_TRACE(::testing::Message() << "sound " << r.event << " enabled " << r.enabled << " mode "
                                          << r.viewMode << " view " << r.view);
        sound.calls.clear();
        layer.mode = reversed.mode = r.viewMode;
        Roll::script({1});
        auto s = std::make_unique<VaelSprite>(1204, Point3D(), FrameInfo("Walk", 0), 0, nullptr, DrawPlain,
                                              normal.get(), half.get(), quarter.get(), r.view);
        s->setFlag(r.enabled);
        s->addSound(r.event, r.param);
        step(*s, 10);
        EXPECT_EQ(sound.calls, r.calls);
        EXPECT_EQ(s->events().count(), 0);
        Roll::endScript();
    }
}

TEST_F(SpriteTest, EverySoundOfTheTableCallsItsOperationAndTheChancySoundsRollTheirDice) {
    const std::vector<std::tuple<std::int32_t, int, std::vector<std::string>>> rows = {
        {SoundBowShot, -1, {"playBowShot"}},
        {SoundArrowHit, -1, {"playArrowHit"}},
        {SoundJavelinThrow, -1, {"playJavelinThrow"}},
        {SoundJavelinHit, -1, {"playJavelinHit"}},
        {SoundSlingShot, -1, {"playSlingShot"}},
        {SoundRockHit, -1, {"playRockHit"}},
        {SoundOxybelesShot, -1, {"playOxybelesShot"}},
        {SoundOxybelesHit, -1, {"playOxybelesHit"}},
        {SoundSplash, -1, {"playSplash"}},
        {SoundStartSplashLoop, -1, {"startSplashLoop"}},
        {SoundStopSplashLoop, -1, {"stopSplashLoop"}},
        {SoundElephantHit, 11, {"playElephantHit"}}, // 11 % 10 = 1 < 2
        {SoundElephantHit, 12, {}},                  // 2: not below 2
        {SoundElephantHitAlt, 1, {"playElephantHitAlt"}},
        {SoundElephantHitAlt, 2, {}},
        {SoundHorseBattle, 0, {"playHorseBattle"}},
        {SoundHorseBattle, 9, {}},
        {SoundHorseBattleAlt, 1, {"playHorseBattleAlt"}},
        {SoundHorseBattleAlt, 2, {}},
        {SoundCheer, 103, {"playCheer"}}, // 3 < 4
        {SoundCheer, 4, {}},
        {SoundNone, -1, {}},
    };
    for (const auto& [event, roll, calls] : rows) {
        SCOPED_TRACE(::testing::Message() << "sound " << event << " roll " << roll);
        sound.calls.clear();
        if (roll >= 0) Roll::script({roll});
        auto s = sprite();
        s->enableSound();
        s->addSound(event, 0);
        step(*s, 10);
        EXPECT_EQ(sound.calls, calls);
        EXPECT_EQ(Roll::scriptedLeft(), 0u);
        Roll::endScript();
    }
}

TEST_F(SpriteTest, ALoopIsStoppedByTheGroupItsStartAnsweredAndASecondStopDoesNothing) {
    const std::vector<std::tuple<std::int32_t, std::int32_t, std::string, std::string>> rows = {
        {SoundStartMovement, SoundStopMovement, "startMovementSound 3", "stopMovementSound 40"},
        {SoundStartShock, SoundStopShock, "startShockSound 3", "stopShockSound 40"},
        {SoundStartElephant, SoundStopElephant, "startElephantSound", "stopElephantSound 40"},
    };
    for (const auto& [start, stop, started, stopped] : rows) {
        SCOPED_TRACE(started);
        sound.calls.clear();
        sound.nextGroup = 40;
        auto s = sprite();
        s->enableSound();
        s->addSound(start, 3);
        step(*s, 10);
        EXPECT_EQ(s->loopingSound(), 40);
        s->addSound(stop, 3);
        s->addSound(stop, 3);
        step(*s, 20);
        step(*s, 30);
        EXPECT_EQ(sound.calls, (std::vector<std::string>{started, stopped}));
        EXPECT_EQ(s->loopingSound(), -1);
    }
}

TEST_F(SpriteTest, AMovesSoundPlaysOnceAtItsStartAndOnlyWhenItsViewComesOnScreen) {
    auto s = sprite();
    s->enableSound();
    VaelSpriteEvent payload;
    payload.sound = SoundEvent{SoundJavelinThrow, 0};
    layer.mode = VaelSpriteLayer::NoView;
    s->queueEvent(SpriteEvent(1204, Point4D(40, 0, 0, 400), List<Bitmap*>(), -1, SpriteMove, 0,
                              new Container<VaelSpriteEvent>(payload)));
    step(*s, 0);
    EXPECT_TRUE(sound.calls.empty());
    layer.mode = VaelSpriteLayer::NormalView;
    step(*s, 100);
    step(*s, 200);
    EXPECT_EQ(sound.calls, (std::vector<std::string>{"playJavelinThrow"}));
    EXPECT_EQ(s->soundPlayed(), 1);
    step(*s, 400); // landed: the next event may sound again
    EXPECT_EQ(s->soundPlayed(), 0);
}

TEST_F(SpriteTest, WithoutASoundManagerSpritesAreSilentAndRollNoDice) {
    VaelSoundManager::setInstance(nullptr);
    Roll::script({1});
    auto s = sprite();
    s->addSound(SoundHorseBattle, 0);
    step(*s, 10);
    EXPECT_EQ((std::tuple{s->events().count(), Roll::scriptedLeft()}), std::tuple(0, 1u));
    VaelSoundManager::setInstance(&sound);
}

// Depth order.

TEST_F(SpriteTest, DepthGoesByHalfTheFullSizeYThenTheSmallerXComesFirst) {
    struct Row {
        Point3D a, b;
        std::int16_t aAfterB;
    };
    const std::vector<Row> rows = {
        {Point3D(0, 10, 0), Point3D(0, 8, 0), 1},
        {Point3D(0, 8, 0), Point3D(0, 10, 0), 0},
        // 201 / 2 = 100 = 200 / 2: the same depth, decided by x.
        {Point3D(5, 1, 0), Point3D(9, 0, 0), 1},
        {Point3D(9, 1, 0), Point3D(5, 0, 0), 0},
        {Point3D(5, 0, 0), Point3D(5, 0, 0), 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.a.x << "," << r.a.y << " against " << r.b.x << "," << r.b.y);
        auto a = sprite(r.a), b = sprite(r.b);
        EXPECT_EQ(a->compare(*b), r.aAfterB);
    }
    // A framework sprite is placed by its location.
    auto a = sprite(Point3D(0, 0, 0)); // (300, 200): depth 100
    Sprite other(0, Point3D(301, 201, 0), nullptr, 0, 0, DrawPlain);
    EXPECT_EQ(a->compare(other), 1);
    Sprite lower(0, Point3D(299, 202, 0), nullptr, 0, 0, DrawPlain);
    EXPECT_EQ(a->compare(lower), 0);
}

// The saved record.

Bytes recordOf(const VaelSprite& s) {
    std::ostringstream out;
    s.save(out);
    const std::string b = out.str();
    return Bytes(b.begin(), b.end());
}

TEST_F(SpriteTest, TheSavedRecordIsWrittenFieldByFieldAndReadsBackToTheSameBytes) {
    auto s = sprite(Point3D(4, -8, 0), FrameInfo("Walk", 1), 1204);
    s->setState(3);
    s->enableSound();
    Bytes expected;
    put16(expected, 0);                                                             // layer
    put16(expected, 1204);                                                          // region
    put16(expected, 304), put16(expected, 192), put16(expected, 0);                 // location
    put16(expected, 0), put16(expected, 0), put16(expected, 0), put32(expected, 0); // framework start
    put16(expected, 0);                                                             // changed
    put32(expected, 1);                                                             // draw mode
    put16(expected, 0), put16(expected, 0);                                         // frame count, hidden
    put16(expected, 304), put16(expected, 192), put16(expected, 304), put16(expected, 192);
    put16(expected, 152), put16(expected, 96), put16(expected, 152), put16(expected, 96);
    put16(expected, 76), put16(expected, 48), put16(expected, 76), put16(expected, 48);
    put16(expected, 4), putText(expected, "Walk", 4), put16(expected, 1);
    put16(expected, 0xFFFF), put16(expected, 1), put16(expected, 0), put16(expected, 3);
    EXPECT_EQ(recordOf(*s), expected);

    auto loaded = sprite(Point3D(), FrameInfo("Stand", 0), 1305);
    std::istringstream in(std::string(expected.begin(), expected.end()));
    ASSERT_TRUE(loaded->load(in));
    EXPECT_EQ(recordOf(*loaded), expected);
    EXPECT_EQ((std::tuple{loaded->frameInfo(), loaded->levelFrame(2), loaded->getState()}),
              std::tuple(FrameInfo("Walk", 1), quarter->lockImageAt(1, quarter->findGroup("Walk")), 3));
    EXPECT_EQ(loaded->events().count(), 0);
}

TEST_F(SpriteTest, ASpriteMidMoveWithALoopingSoundSavesLoadsAndSavesTheSameBytes) {
    auto s = sprite(Point3D(1, 2, 0), FrameInfo("Stand", 0));
    s->enableSound();
    s->addSound(SoundStartMovement, 2);
    s->addNamedEvent(1305, Point4D(50, 30, 0, 1000), frames({{"Walk", 0}, {"Walk", 1}}), 5, SpritePhasedMove,
                     1);
    step(*s, 100);
    step(*s, 200);
    step(*s, 700);
    const Bytes first = recordOf(*s);
    auto loaded = sprite();
    std::istringstream in(std::string(first.begin(), first.end()));
    ASSERT_TRUE(loaded->load(in));
    EXPECT_EQ(recordOf(*loaded), first);
    EXPECT_EQ((std::tuple{loaded->loopingSound(), loaded->layer(), at(*loaded)}),
              std::tuple(s->loopingSound(), 5, at(*s)));
}

TEST_F(SpriteTest, ACutRecordIsRefusedAndTheSpriteKeepsItsState) {
    auto s = sprite(Point3D(4, -8, 0), FrameInfo("Walk", 1));
    const Bytes whole = recordOf(*s);
    auto target = sprite(Point3D(7, 7, 0), FrameInfo("Stand", 0), 1305);
    const Bytes before = recordOf(*target);
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{30}, std::size_t{54}, std::size_t{60},
                            whole.size() - 1}) {
        SCOPED_TRACE(cut);
        std::istringstream in(std::string(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_FALSE(target->load(in));
        EXPECT_EQ(recordOf(*target), before);
    }
}

// What a sprite still has to play, for a saved game that goes on.

Bytes underWayOf(const VaelSprite& s) {
    std::ostringstream out;
    s.saveUnderWay(out);
    const std::string b = out.str();
    return Bytes(b.begin(), b.end());
}

std::uint32_t word(const Bytes& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = 0; i < n; ++i)
        v |= static_cast<std::uint32_t>(b[at + static_cast<std::size_t>(i)]) << (8 * i);
    return v;
}

TEST_F(SpriteTest, AMoveUnderWayIsKeptWithItsQueueAndPlaysOnAtTheSameMomentsOnceLoaded) {
    auto s = sprite(Point3D(1, 2, 0), FrameInfo("Stand", 0));
    // Walk has two pictures: the third shown is the first again.
    s->addNamedEvent(1305, Point4D(50, 30, 0, 1000), frames({{"Walk", 0}, {"Walk", 1}, {"Walk", 0}}), -1,
                     SpriteMove, 0);
    s->changeRegion(1204);
    s->addSimpleEvent(SpriteHide);
    step(*s, 100);
    step(*s, 400);
    const Bytes saved = underWayOf(*s);
    // The record as save writes it, then three events, each with its region-change mark and three targets.
    const std::size_t base = recordOf(*s).size();
    EXPECT_EQ(Bytes(saved.begin(), saved.begin() + static_cast<std::ptrdiff_t>(base)), recordOf(*s));
    EXPECT_EQ(word(saved, base, 2), 3u);
    // The move under way: due at 100 + 1000 on the display's clock, two of its three pictures shown.
    EXPECT_EQ(word(saved, base + 2 + 6, 4), 1100u);
    EXPECT_EQ(word(saved, saved.size() - 6, 2), 2u);
    EXPECT_EQ(word(saved, saved.size() - 4, 4), 100u);

    auto loaded = sprite(Point3D(9, 9, 0), FrameInfo("Walk", 2), 1204);
    loaded->addSimpleEvent(SpriteShow);
    std::istringstream in(std::string(saved.begin(), saved.end()));
    ASSERT_TRUE(loaded->loadUnderWay(in));
    EXPECT_EQ(underWayOf(*loaded), saved);
    for (std::int32_t now : {700, 1099, 1100, 1101, 1500}) {
        SCOPED_TRACE(now);
        step(*s, now);
        step(*loaded, now);
        EXPECT_EQ((std::tuple{at(*loaded), loaded->frameInfo(), loaded->region(), loaded->events().count(),
                              loaded->isHidden()}),
                  (std::tuple{at(*s), s->frameInfo(), s->region(), s->events().count(), s->isHidden()}));
    }
    EXPECT_EQ(loaded->region(), 1204);
    EXPECT_EQ(loaded->isHidden(), 1);
}

TEST_F(SpriteTest, ARegionChangeIsMarkedByNameAndAnIdleSpriteKeepsNoQueue) {
    auto s = sprite(Point3D(1, 2, 0), FrameInfo("Stand", 0));
    s->changeRegion(1305);
    const Bytes saved = underWayOf(*s);
    const std::size_t base = recordOf(*s).size();
    // Count, the event (target 10 bytes, region, kind, layer, restart, payload's length and bytes), its mark.
    const std::size_t payload = word(saved, base + 2 + 18, 4);
    EXPECT_EQ(word(saved, base + 2 + 22 + payload, 2), 1u);
    // Another numbering of the messages still reads it as a change of region.
    Bytes forged = saved;
    forged[base + 2 + 12] = static_cast<std::uint8_t>(forged[base + 2 + 12] ^ 0x40);
    auto loaded = sprite();
    std::istringstream in(std::string(forged.begin(), forged.end()));
    ASSERT_TRUE(loaded->loadUnderWay(in));
    step(*loaded, 10);
    EXPECT_EQ((std::tuple{loaded->region(), loaded->events().count()}), std::tuple(1305, 0));

    // The blow and the move an elephant's rampage queues between its steps are marked 2 and 3 (their kinds,
    // the count in the region's place, 3 and 1), any other kind 0; a mark past them is refused.
    auto beast = sprite();
    beast->addSimpleEvent(SpriteHide);
    beast->addEvent(3, Point4D(), List<Bitmap*>(), -1, RegisteredMessage::getId("RampageCasualty"), 0);
    beast->addEvent(1, Point4D(), List<Bitmap*>(), -1, RegisteredMessage::getId("RampageMove"), 0);
    const Bytes rampage = underWayOf(*beast);
    // Each event: target 10 bytes, region, kind, layer, restart, the payload's length and bytes, the mark,
    // then three targets of 6 bytes.
    std::vector<std::size_t> events, marks;
    for (std::size_t at = recordOf(*beast).size() + 2; events.size() < 3; at = marks.back() + 2 + 18) {
        events.push_back(at);
        marks.push_back(at + 22 + word(rampage, at + 18, 4));
    }
    EXPECT_EQ(word(rampage, marks[0], 2), 0u);
    EXPECT_EQ(word(rampage, marks[1], 2), 2u);
    EXPECT_EQ(word(rampage, marks[2], 2), 3u);
    // A sprite that queues no rampage refuses them (an elephant's takes them back: ElephantTest).
    std::istringstream back(std::string(rampage.begin(), rampage.end()));
    auto taken = sprite();
    EXPECT_FALSE(taken->loadUnderWay(back));
    for (const std::uint16_t past : {4, 0xFFFF}) {
        SCOPED_TRACE(past);
        Bytes forgedMark = rampage;
        forgedMark[marks[2]] = static_cast<std::uint8_t>(past);
        forgedMark[marks[2] + 1] = static_cast<std::uint8_t>(past >> 8);
        std::istringstream bad(std::string(forgedMark.begin(), forgedMark.end()));
        auto refused = sprite();
        EXPECT_FALSE(refused->loadUnderWay(bad));
        EXPECT_EQ(refused->events().count(), 0);
    }

    auto idle = sprite();
    const Bytes quiet = underWayOf(*idle);
    EXPECT_EQ(quiet.size(), recordOf(*idle).size() + 8);
    EXPECT_EQ(word(quiet, quiet.size() - 8, 2), 0u);
    EXPECT_EQ(word(quiet, quiet.size() - 6, 2), 0xFFFFu);
}

TEST_F(SpriteTest, ACutUnderWayRecordIsRefusedWithNothingQueued) {
    auto s = sprite(Point3D(1, 2, 0), FrameInfo("Stand", 0));
    s->addNamedEvent(1305, Point4D(50, 30, 0, 1000), frames({{"Walk", 0}}), -1, SpriteMove, 0);
    step(*s, 100);
    const Bytes whole = underWayOf(*s);
    const std::size_t base = recordOf(*s).size();
    for (std::size_t cut : {base + 1, base + 2, base + 20, whole.size() - 7, whole.size() - 1}) {
        SCOPED_TRACE(cut);
        auto target = sprite();
        target->addSimpleEvent(SpriteHide);
        std::istringstream in(std::string(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(cut)));
        EXPECT_FALSE(target->loadUnderWay(in));
        EXPECT_EQ(target->events().count(), 0);
    }
}

// A queued event read back gets the checks the sprite's own record gets, at both sides of each bound: its
// hex on the map, its pictures in their groups, the place it moves to inside the map's boxes (measured from
// the hex it will start from, or for the move under way its places already worked out), and a kind the
// game queues; a refused queue leaves nothing queued. Written over a saved queue's bytes: a move into
// 1305 showing Walk 1, then a hide.
TEST_F(SpriteTest, AQueuedEventARecordWouldBeRefusedForIsRefusedWithItsReason) {
    layer.offMap = {99};
    layer.places = {Box(-100, -100, 1000, 550), Box(-50, -50, 500, 275), Box(-25, -25, 250, 138)};
    auto s = sprite(Point3D(1, 2, 0), FrameInfo("Walk", 0));
    s->addNamedEvent(1305, Point4D(50, 30, 0, 1000), frames({{"Walk", 1}}), -1, SpriteMove, 0);
    s->addSimpleEvent(SpriteHide);
    const Bytes queued = underWayOf(*s);
    const std::size_t base = recordOf(*s).size();
    ASSERT_EQ(word(queued, base, 2), 2u);
    const std::size_t move = base + 2, payload = word(queued, move + 18, 4);
    const std::size_t hide = move + 22 + payload + 2 + 18;
    ASSERT_EQ(word(queued, hide + 12, 2), static_cast<std::uint32_t>(SpriteHide));
    // The picture's index follows its group's name in the move's payload.
    const auto name = std::search(queued.begin() + static_cast<std::ptrdiff_t>(move + 22),
                                  queued.begin() + static_cast<std::ptrdiff_t>(move + 22 + payload),
                                  std::begin("Walk"), std::end("Walk") - 1);
    const auto picture = static_cast<std::size_t>(name - queued.begin()) + 4;
    ASSERT_EQ(word(queued, picture, 2), 1u);
    const char* hex = "queued event's hex is not on the map";
    const char* place = "queued event's place at one of its zoom levels is off the map";
    const char* kind = "queued event is of a kind the game never queues";
    const char* past = "queued event's picture is past the pictures of its group";
    struct Row {
        const char* name;
        std::size_t at;
        std::vector<int> value;
        const char* refusal; // null: taken
    };
    const Row rows[] = {
        {"as saved", move, {50, 0}, nullptr},
        {"the move into the sprite's own hex", move + 10, {0xB4, 0x04}, nullptr},
        {"the move into no hex", move + 10, {0xFF, 0xFF}, nullptr},
        {"the move into hex 99, off the map", move + 10, {0x63, 0x00}, hex},
        {"the hide in hex 99", hide + 10, {0x63, 0x00}, hex},
        // From 1204's anchor at (300, 200): 899 the last full-size column of the box, 449 the last row.
        {"the move 599 across", move, {0x57, 0x02}, nullptr},
        {"the move 600 across", move, {0x58, 0x02}, place},
        {"the move -400 across", move, {0x70, 0xFE}, nullptr},
        {"the move -401 across", move, {0x6F, 0xFE}, place},
        {"the move 249 down", move + 2, {0xF9, 0x00}, nullptr},
        {"the move 250 down", move + 2, {0xFA, 0x00}, place},
        {"the move 0x7FFF down", move + 2, {0xFF, 0x7F}, place},
        {"the hide's place is none it moves to", hide, {0xFF, 0x7F}, nullptr},
        {"the move showing picture -1", picture, {0xFF, 0xFF}, nullptr},
        {"the move showing picture 2", picture, {2, 0}, past},
        {"the move showing picture 0x8000", picture, {0x00, 0x80}, past},
        {"the move showing a group the archive lacks",
         picture - 4,
         {'X'},
         "queued event's picture is of a group its archive does not have"},
        {"a show", hide + 12, {SpriteShow, 0}, nullptr},
        {"a sound", hide + 12, {VaelSprite::SoundCarrier, 0}, nullptr},
        {"a timed wait", hide + 12, {VaelSprite::TimedWait, 0}, nullptr},
        {"a kind past the last", hide + 12, {SpriteShow + 1, 0}, kind},
        {"a kind drawn in the third mode", hide + 12, {SpriteDrawMode3, 0}, kind},
        {"a kind drawn plainly again", hide + 12, {SpriteDrawPlainAgain, 0}, kind},
        {"a kind 0xFFFF", hide + 12, {0xFF, 0xFF}, kind},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Bytes forged = queued;
        for (std::size_t k = 0; k < row.value.size(); ++k)
            forged[row.at + k] = static_cast<std::uint8_t>(row.value[k]);
        auto loaded = sprite();
        std::istringstream in(std::string(forged.begin(), forged.end()));
        EXPECT_EQ(loaded->loadUnderWay(in), row.refusal == nullptr);
        EXPECT_STREQ(loaded->loadRefusal(), row.refusal);
        EXPECT_EQ(loaded->events().count(), row.refusal ? 0 : 2);
    }

    // Under way, the move's full-size target is already worked out: (350, 230), past the box at x 900.
    auto moving = sprite(Point3D(1, 2, 0), FrameInfo("Walk", 0));
    moving->addNamedEvent(1305, Point4D(50, 30, 0, 1000), frames({{"Walk", 1}}), -1, SpriteMove, 0);
    step(*moving, 100);
    const Bytes under = underWayOf(*moving);
    const std::size_t from = recordOf(*moving).size() + 2;
    const std::size_t target = from + 22 + word(under, from + 18, 4) + 2;
    ASSERT_EQ((std::tuple{word(under, target, 2), word(under, target + 2, 2)}), std::tuple(350u, 230u));
    for (const auto& [x, taken] : {std::pair{0x383, true}, std::pair{0x384, false}, std::pair{0xFF9C, true},
                                   std::pair{0xFF9B, false}}) {
        SCOPED_TRACE(x);
        Bytes forged = under;
        forged[target] = static_cast<std::uint8_t>(x), forged[target + 1] = static_cast<std::uint8_t>(x >> 8);
        auto loaded = sprite();
        std::istringstream in(std::string(forged.begin(), forged.end()));
        EXPECT_EQ(loaded->loadUnderWay(in), taken);
        EXPECT_STREQ(loaded->loadRefusal(), taken ? nullptr : place);
    }

    // After a move into 1305 lands, the next is measured from there too.
    auto walking = sprite(Point3D(1, 2, 0), FrameInfo("Walk", 0));
    walking->addNamedEvent(1305, Point4D(0, 0, 0, 1000), frames({{"Walk", 1}}), -1, SpriteMove, 0);
    walking->addNamedEvent(-1, Point4D(469, 0, 0, 1000), frames({{"Walk", 1}}), -1, SpriteMove, 0);
    const Bytes walked = underWayOf(*walking);
    const std::size_t walk = recordOf(*walking).size() + 2;
    const std::size_t next = walk + 22 + word(walked, walk + 18, 4) + 2 + 18;
    ASSERT_EQ(word(walked, next, 2), 469u);
    for (const auto& [x, taken] : {std::pair{469, true}, std::pair{470, false}}) {
        SCOPED_TRACE(::testing::Message() << "after the move " << x);
        Bytes forged = walked;
        forged[next] = static_cast<std::uint8_t>(x), forged[next + 1] = static_cast<std::uint8_t>(x >> 8);
        auto loaded = sprite();
        std::istringstream in(std::string(forged.begin(), forged.end()));
        EXPECT_EQ(loaded->loadUnderWay(in), taken);
    }

    // After a change into 1305, anchored at (430, 212), a move is measured from there: 469 across stays
    // on the map from 1305, 470 leaves it, though from 1204 it would not.
    auto changing = sprite(Point3D(1, 2, 0), FrameInfo("Walk", 0));
    changing->changeRegion(1305);
    changing->addNamedEvent(-1, Point4D(469, 0, 0, 1000), frames({{"Walk", 1}}), -1, SpriteMove, 0);
    const Bytes changed = underWayOf(*changing);
    const std::size_t first = recordOf(*changing).size() + 2;
    const std::size_t second = first + 22 + word(changed, first + 18, 4) + 2 + 18;
    ASSERT_EQ(word(changed, second, 2), 469u);
    for (const auto& [x, taken] : {std::pair{469, true}, std::pair{470, false}}) {
        SCOPED_TRACE(x);
        Bytes forged = changed;
        forged[second] = static_cast<std::uint8_t>(x), forged[second + 1] = static_cast<std::uint8_t>(x >> 8);
        auto loaded = sprite();
        std::istringstream in(std::string(forged.begin(), forged.end()));
        EXPECT_EQ(loaded->loadUnderWay(in), taken);
    }
}

TEST_F(SpriteTest, AQueuedMoveDueAtTheClocksEndWaitsThereRatherThanLandingAtOnce) {
    auto s = sprite(Point3D(1, 2, 0), FrameInfo("Stand", 0));
    s->addNamedEvent(1305, Point4D(50, 30, 0, 1000), frames({{"Walk", 0}}), -1, SpriteMove, 0);
    const Bytes whole = underWayOf(*s);
    const std::size_t base = recordOf(*s).size();
    // The move's time as the file may hold it, written over its 4 bytes after the count and x, y, z.
    struct Row {
        std::uint32_t t;
        std::size_t left;
    };
    for (const Row row : {Row{0x7FFFFFFFu, 1}, Row{0x7FFFFC18u, 1}, Row{1000u, 1}, Row{0u, 0}}) {
        SCOPED_TRACE(row.t);
        Bytes forged = whole;
        for (int k = 0; k < 4; ++k)
            forged[base + 2 + 6 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(row.t >> (8 * k));
        auto loaded = sprite(Point3D(1, 2, 0), FrameInfo("Stand", 0));
        std::istringstream in(std::string(forged.begin(), forged.end()));
        ASSERT_TRUE(loaded->loadUnderWay(in));
        step(*loaded, 1000);
        step(*loaded, 1500);
        EXPECT_EQ(static_cast<std::size_t>(loaded->events().count()), row.left);
    }
}

TEST_F(SpriteTest, TheLibrariesAreSavedByNameAndOpenedAgainByThem) {
    auto s = sprite();
    std::ostringstream out;
    s->writeArtworkNames(out);
    Bytes expected;
    put16(expected, 4), putText(expected, "Test", 4);
    put16(expected, 16), putText(expected, "Test (Half size)", 16);
    put16(expected, 19), putText(expected, "Test (Quarter size)", 19);
    EXPECT_EQ(out.str(), std::string(expected.begin(), expected.end()));
    VaelSprite empty;
    std::istringstream in(out.str());
    ASSERT_TRUE(empty.readArtworkNames(in));
    EXPECT_EQ(empty.artwork(2)->name(), "Test (Quarter size)");
    EXPECT_EQ(empty.artwork(2)->groupCount(), 2);
    std::istringstream cut(out.str().substr(0, 30));
    EXPECT_FALSE(empty.readArtworkNames(cut));
    EXPECT_EQ(empty.artwork(0)->name(), "Test");
}

} // namespace
} // namespace vael::test
