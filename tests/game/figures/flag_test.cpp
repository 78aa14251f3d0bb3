// Activation flags: where pole, cloth and shadow stand and are raised at each zoom level, the waving
// cloth's random start, grey and colour, hiding and showing passed to all three parts, hits on the cloth,
// and the flag's saved record.
#include <sstream>
#include <tuple>
#include <vector>

#include "game/figures/flag.h"
#include "game/map/map_fixture.h"
#include "support/display/solid_bitmap.h"

namespace vael::test {
namespace {

using Levels = std::tuple<Point, Point, Point>;
Levels at(const VaelSprite& s) {
    return {s.position(0), s.position(1), s.position(2)};
}

class FlagTest : public MapScene {
protected:
    FlagTest() { Flag::loadArtwork(); }
    ~FlagTest() override {
        Flag::unloadArtwork();
        Flag::setAnimated(true);
    }
    // Steps the flag until every part has run through its queue but for a hold.
    void settle(Flag& f, int updates = 6) {
        for (int i = 0; i < updates; ++i) {
            std::unique_ptr<ZoomBoxes> boxes(f.update(now += 100));
        }
    }
    std::int32_t now = 0;
    // The flag's location (10, 4) in region 1204.
    const Point3D location{10, 4, 0};
    const Levels pole{Point(310, 204), Point(155, 102), Point(77, 51)};
    // Offsets (11, -66) and (41, 26): the quarter of -66 is -16, toward zero.
    const Levels clothStanding{Point(311, 134), Point(155, 67), Point(77, 34)};
    const Levels shadowStanding{Point(341, 226), Point(170, 113), Point(85, 56)};
    // Offsets (11, -78) and (44, 30).
    const Levels clothRaised{Point(311, 122), Point(155, 61), Point(77, 31)};
    const Levels shadowRaised{Point(344, 230), Point(172, 115), Point(86, 57)};
};

std::vector<std::int16_t> indices(const List<FrameInfo>& frames) {
    std::vector<std::int16_t> out;
    Item<FrameInfo>* n = nullptr;
    frames.firstItem(n);
    for (; n; n = n->next)
        out.push_back(n->value.index);
    return out;
}

TEST_F(FlagTest, EachNationHasItsPicturesAndTheNationsWithoutFlagsOfTheirOwnBorrowThem) {
    const std::vector<std::tuple<std::uint32_t, std::string, std::vector<std::int16_t>>> rows = {
        {0, "", {}},
        {1, "Macedonian Flag", {0, 1, 2}},
        {2, "Persian Flag", {0, 1}},
        {3, "Indian Flag", {0}},
        {4, "Greek Flag", {0, 1}},
        {5, "Greek Flag", {0, 1}},
        {6, "Persian Flag", {0, 1}},
        {7, "", {}},
        {8, "", {}},
        {9, "", {}},
    };
    for (const auto& [nation, group, expected] : rows) {
        SCOPED_TRACE(nation);
        const List<FrameInfo>& frames = Flag::nationFrames(nation);
        EXPECT_EQ(indices(frames), expected);
        FrameInfo first;
        if (frames.first(first)) {
            EXPECT_EQ(first.name, group);
        }
    }
    EXPECT_EQ(indices(Flag::shadowFrames()), (std::vector<std::int16_t>{0, 1, 2}));
    EXPECT_EQ(Flag::poleFrame(), FrameInfo("Stem", 0));
}

TEST_F(FlagTest, ANewFlagStandsWithItsClothAndShadowAtTheirStandingOffsetsAtEveryLevel) {
    Flag f(1204, location, 2);
    EXPECT_EQ(at(f), pole);
    EXPECT_EQ(at(*f.cloth()), clothStanding);
    EXPECT_EQ(at(*f.shadow()), shadowStanding);
    EXPECT_EQ((std::tuple{f.levelFrame(2)->bits()[0], f.cloth()->levelFrame(1)->bits()[0],
                          f.shadow()->levelFrame(0)->bits()[0]}),
              std::tuple(10, 31, 61));
    EXPECT_EQ((std::tuple{f.getState(), f.cloth()->getState(), f.shadow()->getState(), f.layer()}),
              std::tuple(1, 1, 1, Sprite::NoLayer));
}

TEST_F(FlagTest, RaisingWavesTheClothFromARandomStartWhileTheShadowTakesTheListAsItWas) {
    Flag f(1204, location, 1);
    // Rolls 2 > 0 and 2 > 1 turn the cycle twice; 1 is not above 2 and stops it.
    Roll::script({2, 2, 1});
    EXPECT_EQ(f.raise(location, 0), 0);
    EXPECT_EQ(Roll::scriptedLeft(), 0u);
    std::vector<std::uint8_t> cloth, shadow;
    for (int i = 0; i < 5; ++i) {
        settle(f, 1);
        cloth.push_back(f.cloth()->levelFrame(0) ? f.cloth()->levelFrame(0)->bits()[0] : 0);
        shadow.push_back(f.shadow()->levelFrame(2) ? f.shadow()->levelFrame(2)->bits()[0] : 0);
    }
    // Update 1 shows the parts, 2 sets the cloth's colour while the shadow's hold begins.
    EXPECT_EQ(cloth, (std::vector<std::uint8_t>{21, 21, 23, 21, 22}));
    EXPECT_EQ(shadow, (std::vector<std::uint8_t>{61, 61, 62, 63, 61}));
    EXPECT_EQ(at(*f.cloth()), clothRaised);
    EXPECT_EQ(at(*f.shadow()), shadowRaised);
    EXPECT_EQ(at(f), pole);
    // The shared shadow list keeps its turned order for the next raise.
    EXPECT_EQ(indices(Flag::shadowFrames()), (std::vector<std::int16_t>{2, 0, 1}));
    EXPECT_EQ((std::tuple{f.isHidden(), f.cloth()->isHidden(), f.shadow()->isHidden()}), std::tuple(0, 0, 0));
}

TEST_F(FlagTest, RaisingWithoutAnimationShowsTheFirstPicturesRaisedAndRollsNothing) {
    Flag::setAnimated(false);
    Flag f(1204, location, 3);
    Roll::script({});
    EXPECT_EQ(f.raise(location, 0), 1);
    settle(f);
    EXPECT_EQ(at(*f.cloth()), clothRaised);
    EXPECT_EQ(at(*f.shadow()), shadowRaised);
    EXPECT_EQ((std::tuple{f.cloth()->frameInfo(), f.shadow()->frameInfo(), f.cloth()->events().count()}),
              std::tuple(FrameInfo("Indian Flag", 0), FrameInfo("Flag Shadow", 0), 0));
}

TEST_F(FlagTest, AGreyRaiseDrawsTheClothThroughTheSecondTableAndPlacingItReturnsItToColour) {
    Flag f(1204, location, 4);
    Roll::script({0});
    f.raise(location, 1);
    settle(f);
    EXPECT_EQ((std::tuple{f.cloth()->drawMode(), f.drawMode(), f.shadow()->drawMode()}),
              std::tuple(2u, 1u, 1u));
    f.moveTo(Point3D(0, 0, 0), 0);
    settle(f);
    EXPECT_EQ(f.cloth()->drawMode(), 1u);
    EXPECT_EQ(at(*f.cloth()), (Levels{Point(301, 130), Point(150, 65), Point(75, 33)}));   // (1, -70)
    EXPECT_EQ(at(*f.shadow()), (Levels{Point(331, 222), Point(165, 111), Point(82, 55)})); // (31, 22)
    EXPECT_EQ(f.cloth()->frameInfo(), FrameInfo("Greek Flag", 0));
    f.setGrey();
    settle(f, 1);
    EXPECT_EQ(f.cloth()->drawMode(), 2u);
    f.setColour();
    settle(f, 1);
    EXPECT_EQ(f.cloth()->drawMode(), 1u);
}

TEST_F(FlagTest, HidingAndShowingReachPoleClothAndShadowAndPlacingShowsOnlyWhenAsked) {
    Flag f(1204, location, 1);
    auto hidden = [&f] { return std::tuple{f.isHidden(), f.cloth()->isHidden(), f.shadow()->isHidden()}; };
    f.hide();
    EXPECT_EQ((std::tuple{f.events().count(), f.cloth()->events().count(), f.shadow()->events().count()}),
              std::tuple(1, 1, 1));
    settle(f, 1);
    EXPECT_EQ(hidden(), std::tuple(1, 1, 1));
    f.moveTo(location, 0);
    settle(f);
    EXPECT_EQ(hidden(), std::tuple(1, 1, 1));
    f.restAt(location);
    settle(f);
    EXPECT_EQ(hidden(), std::tuple(1, 1, 1));
    f.moveTo(location, 1);
    settle(f);
    EXPECT_EQ(hidden(), std::tuple(0, 0, 0));
    EXPECT_EQ(at(*f.cloth()), clothStanding);
    f.hide();
    Roll::script({0});
    f.raise(location, 0);
    settle(f);
    EXPECT_EQ(hidden(), std::tuple(0, 0, 0));
    f.show();
    settle(f, 1);
    EXPECT_EQ(hidden(), std::tuple(0, 0, 0));
}

TEST_F(FlagTest, AHiddenPoleHidesTheWholeFlagFromDrawingAndBounds) {
    Flag f(1204, location, 1);
    Bitmap target(Dim(60, 120), PixelOpaque);
    const Point origin(300, 120); // the cloth at (11, 14), the pole at (10, 84), the shadow at (41, 106)
    EXPECT_EQ(f.drawAt(target, origin, 0), Box(10, 14, 32, 93));
    EXPECT_EQ((std::tuple{pixelAt(target, 11, 14), pixelAt(target, 10, 84), pixelAt(target, 41, 106)}),
              std::tuple(21, 10, 61));
    EXPECT_EQ(f.boundsAt(0), Box(310, 134, 32, 93));
    f.hide();
    settle(f, 1);
    Bitmap again(Dim(60, 120), PixelOpaque);
    EXPECT_EQ((std::tuple{f.drawAt(again, origin, 0), f.boundsAt(1), pixelAt(again, 11, 14)}),
              std::tuple(Box(), Box(), 0));
}

TEST_F(FlagTest, ARaisedFlagIsHitOnItsClothWhereThePoleIsTransparent) {
    Flag f(1204, location, 1);
    Roll::script({0});
    f.raise(location, 0);
    settle(f);
    const std::vector<std::tuple<Point, int, std::int16_t>> rows = {
        {Point(311, 122), 0, 1}, // the cloth
        {Point(310, 204), 0, 1}, // the pole
        {Point(344, 230), 0, 1}, // the shadow
        {Point(311, 123), 0, 0}, {Point(155, 61), 1, 1}, {Point(77, 31), 2, 1}, {Point(77, 30), 2, 0},
    };
    for (const auto& [p, level, hit] : rows) {
        SCOPED_TRACE(::testing::Message() << p.x << "," << p.y << " level " << level);
        EXPECT_EQ(f.hitTestAt(p, level), hit);
    }
}

TEST_F(FlagTest, AnUpdateListsEachDirtyBoxOnceThoughSeveralPartsGiveIt) {
    Flag::unloadArtwork(); // no pictures: every part answers the same empty box
    Flag f(1204, location, 1);
    f.addSimpleEvent(SpriteShow);
    std::unique_ptr<ZoomBoxes> boxes(f.update(10));
    EXPECT_EQ((std::tuple{boxes->level(0).count(), boxes->level(1).count(), boxes->level(2).count()}),
              std::tuple(1, 1, 1));
}

TEST_F(FlagTest, EventsGivenToTheFlagReachTheClothAndShadowAtTheirRaisedOffsetsAndSoundsOnlyThePole) {
    Flag f(1204, location, 2);
    f.addNamedEvent(-1, Point4D(0, 0, 0, 0), frames({{"Walk", 1}}), -1, SpriteMove, 0);
    f.addSound(SoundSplash, 0);
    EXPECT_EQ((std::tuple{f.events().count(), f.cloth()->events().count(), f.shadow()->events().count()}),
              std::tuple(2, 1, 1));
    settle(f, 1);
    EXPECT_EQ(f.frameInfo(), FrameInfo("Stem", 0)); // its own picture whatever was named
    EXPECT_EQ(at(*f.cloth()), (Levels{Point(301, 118), Point(150, 59), Point(75, 30)}));
    EXPECT_EQ(f.shadow()->frameInfo().name, "Flag Shadow");
    settle(f, 1);
    EXPECT_EQ(sound.calls, (std::vector<std::string>{"playSplash"}));
    f.changeRegion(1305);
    settle(f, 1);
    EXPECT_EQ((std::tuple{f.region(), f.cloth()->region(), f.shadow()->region()}),
              std::tuple(1305, 1305, 1305));
}

TEST_F(FlagTest, AFlagThatFollowsItsUnitIntoAnotherHexStandsThereWithClothAndShadowInPlace) {
    Flag f(1204, location, 1);
    f.moveTo(location, 1);
    f.changeRegion(1305);
    settle(f);
    // Region 1305's anchors (430, 212), (215, 106), (107, 53) plus the offsets of the pole (10, 4), the
    // cloth (11, -66) and the shadow (41, 26), halved and quartered toward zero.
    EXPECT_EQ(at(f), (Levels{Point(440, 216), Point(220, 108), Point(109, 54)}));
    EXPECT_EQ(at(*f.cloth()), (Levels{Point(441, 146), Point(220, 73), Point(109, 37)}));
    EXPECT_EQ(at(*f.shadow()), (Levels{Point(471, 238), Point(235, 119), Point(117, 59)}));
    EXPECT_EQ(f.location(), Point3D(440, 216, 0));
    // Raised there next, it goes up on the same hex.
    Flag::setAnimated(false);
    f.raise(location, 0);
    settle(f);
    EXPECT_EQ(at(f), (Levels{Point(440, 216), Point(220, 108), Point(109, 54)}));
    EXPECT_EQ(at(*f.cloth()), (Levels{Point(441, 134), Point(220, 67), Point(109, 34)}));
}

std::string recordOf(const Flag& f) {
    std::ostringstream out;
    f.save(out);
    return out.str();
}

TEST_F(FlagTest, AFlagSavesItsThreePartsAndLoadsThemBackToTheSameBytesOrNotAtAll) {
    Flag f(1204, location, 1);
    Roll::script({0});
    f.raise(location, 1);
    settle(f);
    const std::string saved = recordOf(f);
    // Three records of 66 bytes and their names: "Stem", "Macedonian Flag", "Flag Shadow".
    EXPECT_EQ(saved.size(), 3 * 66u + 4 + 15 + 11);
    Flag loaded(1305, Point3D(), 2);
    const std::string before = recordOf(loaded);
    for (std::size_t cut : {std::size_t{0}, std::size_t{64}, std::size_t{100}, saved.size() - 1}) {
        SCOPED_TRACE(cut);
        std::istringstream in(saved.substr(0, cut));
        EXPECT_FALSE(loaded.load(in));
        EXPECT_EQ(recordOf(loaded), before);
    }
    std::istringstream in(saved);
    ASSERT_TRUE(loaded.load(in));
    EXPECT_EQ(recordOf(loaded), saved);
    EXPECT_EQ((std::tuple{at(*loaded.cloth()), loaded.cloth()->drawMode(), loaded.cloth()->levelFrame(0)}),
              std::tuple(clothRaised, 2u, f.cloth()->levelFrame(0)));
}

TEST_F(FlagTest, MovingIntoTheReversedViewMovesAllThreeParts) {
    AnchorLayer reversed(1);
    reversed.setAnchors(1204, Point(1000, 40), Point(500, 20), Point(250, 10));
    Flag f(1204, location, 1);
    f.moveToView1();
    EXPECT_EQ((std::tuple{f.view(), f.cloth()->view(), f.shadow()->view()}), std::tuple(1, 1, 1));
    EXPECT_EQ(at(*f.cloth()), (Levels{Point(1011, -26), Point(505, -13), Point(252, -6)}));
}

} // namespace
} // namespace vael::test
