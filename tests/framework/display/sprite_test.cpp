#include "framework/display/sprite.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace vael {
namespace {

// A raw image whose hot spot a test chooses.
class Frame : public Bitmap {
public:
    Frame(Dim size, std::vector<std::uint8_t> rows, Point hot = Point(), std::int32_t kind = PixelOpaque)
        : Bitmap(size, kind, rows.data(), static_cast<std::uint32_t>(rows.size())) {
        hotSpot_ = hot;
    }
};

struct Frames {
    // F0..F3: 1 x 1 images, told apart by their pixel.
    std::vector<std::unique_ptr<Frame>> images;
    Frames() {
        for (std::uint8_t i = 0; i < 4; ++i)
            images.push_back(std::make_unique<Frame>(Dim(1, 1), std::vector<std::uint8_t>{i, 0, 0, 0}));
    }
    Bitmap* operator[](int i) const { return images[i].get(); }
    List<Bitmap*> list(int n) const {
        List<Bitmap*> l;
        for (int i = 0; i < n; ++i)
            l.append(images[i].get());
        return l;
    }
    int indexOf(const Bitmap* b) const { return b ? b->bits()[0] : -1; } // the pixel names the frame
};

Box step(Sprite& s, std::int32_t now) {
    std::unique_ptr<Container<List<Box>>> boxes(s.update(now));
    Box box;
    boxes->valuePtr()->first(box);
    EXPECT_LE(boxes->valuePtr()->count(), 1);
    return box;
}

struct Expect {
    std::int32_t now;
    std::int16_t x, y, events; // events: queued after the update
    std::int16_t z = 0;
};

void walk(Sprite& s, const std::vector<Expect>& rows) {
    for (const Expect& e : rows) {
        SCOPED_TRACE("update at " + std::to_string(e.now));
        step(s, e.now);
        EXPECT_EQ((std::tuple{s.location(), s.events().count()}),
                  std::tuple(Point3D(e.x, e.y, e.z), e.events));
    }
}

// The height (z) and the region are taken only on landing.
TEST(SpriteMove, InterpolatesByWholePercentAndChainsFromTheScheduledEnd) {
    Frames f;
    Sprite s(0, Point3D(0, 0, 5), f[0], 0, 0, 1);
    s.addEvent(7, Point4D(100, 50, 9, 1000), f.list(2), -1, SpriteMove, 0);
    s.addEvent(8, Point4D(200, 50, 0, 1000), f.list(2), -1, SpriteMove, 0);
    walk(s, {{0, 0, 0, 2, 5},
             {500, 50, 25, 2, 5},
             {999, 99, 49, 2, 5}, // 99 percent, truncated
             // Landed late, at 1200: the next move is timed from 1000, so at 1500 it is half-way.
             {1200, 100, 50, 1, 9},
             {1500, 150, 50, 1, 9},
             {1999, 199, 50, 1, 9},
             {2000, 200, 50, 0}});
    EXPECT_EQ((std::tuple{s.region(), s.start()}), std::tuple(8, Point4D(200, 50, 0, 2000)));
}

TEST(SpriteMove, AMoveWithNothingToDivideByLandsEvenOnAClockThatWentBack) {
    Frames f;
    Sprite s(0, Point3D(), f[0], 0, 0, 1);
    s.addEvent(7, Point4D(10, 0, 0, 100), f.list(2), -1, SpriteMove, 0);
    s.addEvent(0, Point4D(20, 0, 0, 0), f.list(2), -1, SpriteMove, 0);
    walk(s, {{0, 0, 0, 2}, {100, 10, 0, 1}});
    EXPECT_EQ(s.region(), 7);
    walk(s, {{50, 20, 0, 0}});
}

TEST(SpriteMove, CyclesItsFramesEndlessly) {
    Frames f;
    Sprite s(0, Point3D(), f[3], 0, 0, 1);
    s.addEvent(0, Point4D(100, 0, 0, 1000), f.list(2), -1, SpriteMove, 0);
    std::vector<int> shown;
    for (std::int32_t t : {0, 100, 200, 300, 400})
        step(s, t), shown.push_back(f.indexOf(s.currentFrame()));
    EXPECT_EQ(shown, (std::vector<int>{0, 1, 0, 1, 0}));
}

TEST(SpritePhasedMove, TheSecondMoveStartsOnTheFrameTheFirstEndedOn) {
    Frames f;
    Sprite s(0, Point3D(), nullptr, 0, 0, 1);
    s.addEvent(0, Point4D(100, 0, 0, 1000), f.list(4), -1, SpritePhasedMove, 0);
    s.addEvent(0, Point4D(200, 0, 0, 1000), f.list(4), -1, SpritePhasedMove, 0);
    std::vector<std::pair<int, int>> shown; // the frame and the phase count after each update
    for (std::int32_t t : {0, 500, 1000, 1500})
        step(s, t), shown.emplace_back(f.indexOf(s.currentFrame()), s.frameCount());
    EXPECT_EQ((std::tuple{shown, s.location().x}),
              std::tuple(std::vector<std::pair<int, int>>{{0, 1}, {1, 2}, {2, 3}, {3, 4}}, 150));
}

TEST(SpritePhasedMove, AWrapSkipsTheRestartFrames) {
    Frames f;
    Sprite s(0, Point3D(), nullptr, 0, 0, 1);
    s.addEvent(0, Point4D(100, 0, 0, 1000), f.list(4), -1, SpritePhasedMove, 2);
    for (std::int32_t t : {0, 100, 200, 300})
        step(s, t);
    EXPECT_EQ(f.indexOf(s.currentFrame()), 3);
    step(s, 400);
    EXPECT_EQ((std::tuple{f.indexOf(s.currentFrame()), s.frameCount()}), std::tuple(1, 2));
}

TEST(SpritePhasedMove, AnotherKindBehindStartsItsFramesAfresh) {
    Frames f;
    Sprite s(0, Point3D(), nullptr, 0, 0, 1);
    s.addEvent(0, Point4D(10, 0, 0, 100), f.list(4), -1, SpritePhasedMove, 0);
    s.addEvent(0, Point4D(20, 0, 0, 100), f.list(4), -1, SpriteMove, 0);
    step(s, 0), step(s, 100);
    EXPECT_EQ(s.frameCount(), 0);
    step(s, 150);
    EXPECT_EQ(f.indexOf(s.currentFrame()), 0);
}

TEST(SpriteAnimation, RunsOnceAndTimesTheNextEventFromItsEnd) {
    Frames f;
    Sprite s(0, Point3D(), nullptr, 0, 0, 1);
    s.addEvent(0, Point4D(), f.list(2), -1, SpriteAnimateOnce, 0);
    s.addEvent(0, Point4D(100, 0, 0, 1000), f.list(2), -1, SpriteMove, 0);
    std::vector<std::pair<int, int>> shown; // the frame and the events queued after each update
    for (std::int32_t t : {0, 100})
        step(s, t), shown.emplace_back(f.indexOf(s.currentFrame()), s.events().count());
    EXPECT_EQ(shown, (std::vector<std::pair<int, int>>{{0, 2}, {1, 2}}));
    step(s, 200); // past the last frame: over, and the move counts from 200
    EXPECT_EQ(s.events().count(), 1);
    walk(s, {{700, 50, 0, 1}, {1199, 99, 0, 1}, {1200, 100, 0, 0}});
}

TEST(SpriteHold, StaysAloneAndGivesWayToAnEventBehindIt) {
    Frames f;
    Sprite s(0, Point3D(), nullptr, 0, 0, 1);
    s.addEvent(0, Point4D(30, 40, 0, 100), f.list(2), -1, SpriteHold, 0);
    walk(s, {{0, 30, 40, 1}, {100, 30, 40, 1}, {100000, 30, 40, 1}});
    s.addEvent(0, Point4D(130, 40, 0, 1000), f.list(2), -1, SpriteMove, 0);
    walk(s, {{200000, 30, 40, 1}, {200500, 80, 40, 1}});
}

TEST(SpriteWait, StaysAtTheHeadUntilAborted) {
    for (std::uint16_t kind : {std::uint16_t(SpriteWait), std::uint16_t(12), std::uint16_t(999)}) {
        SCOPED_TRACE(kind);
        Sprite s(0, Point3D(), nullptr, 0, 0, 1);
        s.addSimpleEvent(kind);
        s.addSimpleEvent(SpriteHide);
        for (std::int32_t t : {0, 1000, 100000})
            step(s, t);
        EXPECT_EQ((std::tuple{s.events().count(), s.isHidden()}), std::tuple(2, 0));
        s.abortEvent();
        EXPECT_FALSE(s.isRunning());
        step(s, 100001);
        EXPECT_EQ(s.isHidden(), 1);
    }
}

TEST(SpriteEffects, EachAppliesItsEffectAndEnds) {
    struct Row {
        std::uint16_t kind;
        std::uint32_t drawMode;
        std::uint16_t hidden;
    } rows[] = {{SpriteDrawPlain, 1, 0},      {SpriteDrawMode2, 2, 0}, {SpriteDrawMode3, 3, 0},
                {SpriteDrawPlainAgain, 1, 0}, {SpriteMarker, 4, 0},    {SpriteHide, 4, 1}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.kind);
        Sprite s(0, Point3D(5, 5, 0), nullptr, 0, 0, 4);
        s.addSimpleEvent(r.kind);
        s.addEvent(0, Point4D(105, 5, 0, 1000), List<Bitmap*>(), -1, SpriteMove, 0);
        step(s, 0);
        // The move waits for the next update, and is timed from it.
        EXPECT_EQ((std::tuple{s.drawMode(), s.isHidden(), s.events().count(), s.isRunning()}),
                  std::tuple(r.drawMode, r.hidden, 1, false));
        walk(s, {{500, 5, 5, 1}, {1000, 55, 5, 1}});
    }
}

TEST(SpriteEffects, ShowUndoesHideAndTheOperationsActAtOnce) {
    Sprite s(0, Point3D(), nullptr, 0, 0, 1);
    s.addSimpleEvent(SpriteHide);
    s.addSimpleEvent(SpriteShow);
    std::vector<int> hidden;
    for (std::int32_t t : {0, 1})
        step(s, t), hidden.push_back(s.isHidden());
    step(s, 2);
    EXPECT_EQ((std::tuple{hidden, s.isChanged()}), std::tuple(std::vector<int>{1, 0}, 0));
    s.hide();
    EXPECT_EQ((std::tuple{s.isHidden(), s.isChanged()}), std::tuple(1, 1));
    s.setChanged(0);
    s.show();
    EXPECT_EQ((std::tuple{s.isHidden(), s.isChanged()}), std::tuple(0, 1));
}

TEST(SpriteUpdate, AnswersWhereItWasJoinedWithWhereItIsAndAnEmptyQueueNoBox) {
    Frame frame(Dim(2, 2), {1, 1, 0, 0, 1, 1, 0, 0}, Point(1, 1));
    Sprite s(0, Point3D(), &frame, 0, 0, 1);
    s.hide(); // changed: the update of an empty queue clears it
    std::unique_ptr<Container<List<Box>>> boxes(s.update(0));
    EXPECT_EQ((std::tuple{boxes->valuePtr()->isEmpty(), s.isChanged()}), std::tuple(true, 0));
    s.show();
    List<Bitmap*> frames;
    frames.append(&frame);
    s.addEvent(0, Point4D(100, 0, 0, 1000), frames, -1, SpriteMove, 0);
    EXPECT_EQ(step(s, 0), Box(-1, -1, 2, 2));
    EXPECT_EQ((std::tuple{step(s, 500), s.isChanged()}), std::tuple(Box(-1, -1, 52, 2), 1));
    // A hidden sprite still reports the box it was stepped through.
    s.hide();
    EXPECT_EQ(step(s, 1000), Box(49, -1, 52, 2));
}

TEST(SpriteUpdate, ANewLayerTakesEffectWhenItsEventStarts) {
    Sprite s(0, Point3D(), nullptr, 3, 0, 1);
    s.addEvent(0, Point4D(0, 0, 0, 100), List<Bitmap*>(), 7, SpriteMove, 0);
    s.addEvent(0, Point4D(0, 0, 0, 100), List<Bitmap*>(), -1, SpriteMove, 0);
    s.addEvent(0, Point4D(0, 0, 0, 100), List<Bitmap*>(), 9, SpriteMove, 0);
    std::vector<std::uint16_t> layers{s.layer()};
    for (std::int32_t t : {0, 100, 200}) // at 100 the second starts at once and leaves the layer
        step(s, t), layers.push_back(s.layer());
    EXPECT_EQ(layers, (std::vector<std::uint16_t>{3, 7, 7, 9}));
}

TEST(SpriteCompare, GroupLayersFirstThenHeight) {
    struct Row {
        std::uintptr_t groupA;
        std::uint16_t layerA;
        std::int16_t yA;
        std::uintptr_t groupB;
        std::uint16_t layerB;
        std::int16_t yB, aInFront;
    };
    for (const Row& r :
         std::vector<Row>{{5, 2, 0, 5, 1, 100, 1},      // same group: the layer decides whatever the heights
                          {5, 1, 100, 5, 2, 0, 0},      //
                          {5, 1, 0, 5, 1, 0, 0},        // equal layers are not in front
                          {5, 0xFFFF, 0, 5, 1, 100, 0}, // a sprite outside the group order: y decides
                          {5, 2, 0, 5, 0xFFFF, 100, 0}, //
                          {5, 0xFFFF, 100, 5, 1, 0, 1}, //
                          {0, 2, 0, 0, 1, 100, 0},      // group 0 is no group
                          {5, 2, 0, 6, 1, 100, 0},      // different groups
                          {5, 2, 101, 6, 1, 100, 1},    //
                          {5, 0x8000, 0, 5, 1, 0, 0},   // layers compare signed
                          {5, 2, -5, 6, 1, -6, 1},      // heights compare signed
                          {5, 2, -6, 6, 1, -5, 0}}) {
        SCOPED_TRACE(testing::Message() << r.groupA << "/" << r.layerA << "/" << r.yA << " vs " << r.groupB
                                        << "/" << r.layerB << "/" << r.yB);
        Sprite a(0, Point3D(0, r.yA, 0), nullptr, r.layerA, r.groupA, 1);
        Sprite b(0, Point3D(0, r.yB, 0), nullptr, r.layerB, r.groupB, 1);
        EXPECT_EQ(a.compare(b), r.aInFront);
    }
}

TEST(SpriteDraw, DrawsItsFrameAtTheLocationLessTheOriginPixelExact) {
    Frame target(Dim(6, 3), std::vector<std::uint8_t>(24, 0));
    Frame frame(Dim(2, 1), {7, 8, 0, 0}, Point(1, 0));
    Sprite s(0, Point3D(4, 2, 9), &frame, 0, 0, 1);
    const auto pixels = [&] { return std::vector<std::uint8_t>(target.bits(), target.bits() + 24); };
    EXPECT_EQ((std::tuple{s.draw(target, Point(1, 1)), s.bounds()}),
              std::tuple(Box(2, 1, 2, 1), Box(3, 2, 2, 1)));
    std::vector<std::uint8_t> expected(24, 0);
    expected[1 * 8 + 2] = 7, expected[1 * 8 + 3] = 8;
    EXPECT_EQ(pixels(), expected);
    std::fill(target.bits(), target.bits() + 24, 0);
    s.hide();
    EXPECT_EQ((std::tuple{s.draw(target, Point(1, 1)), s.bounds(), pixels()}),
              std::tuple(Box(), Box(), std::vector<std::uint8_t>(24, 0)));
}

TEST(SpriteHitTest, LooksAtTheFramePixelRelativeToTheLocation) {
    // 3 x 1 keyed: 5, transparent, 6; hot spot (1, 0), so the sprite covers x 9 to 11 at location 10.
    Frame frame(Dim(3, 1), {5, 0, 6, 0}, Point(1, 0), PixelKeyed);
    Sprite s(0, Point3D(10, 20, 0), &frame, 0, 0, 1);
    struct Row {
        Point p;
        std::int16_t hit;
    } rows[] = {{{8, 20}, 0},  {{9, 20}, 1}, {{10, 20}, 0}, {{11, 20}, 1},
                {{12, 20}, 0}, {{9, 19}, 0}, {{9, 21}, 0}};
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.p.x << "," << r.p.y);
        EXPECT_EQ(s.hitTest(r.p), r.hit);
    }
    s.hide(); // hiding does not matter to the test
    EXPECT_EQ(s.hitTest(Point(9, 20)), 1);
}

TEST(SpriteEvent, CopiesCloneThePayloadAndEqualityIgnoresRegionKindAndPayload) {
    Frames f;
    SpriteEvent a(1, Point4D(1, 2, 3, 4), f.list(2), 5, SpriteMove, 6, new Container<short>(9));
    SpriteEvent b(a);
    EXPECT_NE(b.payload(), a.payload());
    short v = 0;
    EXPECT_EQ((std::tuple{Container<short>::fromMessage(b.payload(), v), v}), std::tuple(true, 9));
    b.region = 2, b.kind = SpriteHold, b.setPayload(nullptr);
    EXPECT_TRUE(a == b);
    for (auto change : std::vector<std::function<void(SpriteEvent&)>>{
             [](SpriteEvent& e) { e.target.t = 5; }, [](SpriteEvent& e) { e.newLayer = 0; },
             [](SpriteEvent& e) { e.restartFrames = 0; }, [&](SpriteEvent& e) { e.frames = f.list(1); }}) {
        SpriteEvent c(a);
        change(c);
        EXPECT_FALSE(a == c);
    }
}

// The journal of changed sprites: every way the flag goes up enters a sprite once; a layer takes the
// ones it files, the others wait for theirs, and a lowered flag or a destroyed sprite leaves it.
TEST(SpriteJournal, HoldsEachRaisedSpriteOnceUntilTakenLoweredOrDestroyed) {
    Sprite::takeChanged([](Sprite*) { return true; });
    ASSERT_EQ(Sprite::journalSize(), 0u);
    Frames f;
    Sprite a(1, Point3D(0, 0, 0), f[0], 0, 0, 0), b(1, Point3D(0, 0, 0), f[0], 0, 0, 0);
    a.setChanged(1);
    a.hide();
    a.show();
    EXPECT_EQ(Sprite::journalSize(), 1u);
    b.queueEvent(SpriteEvent(1, Point4D(4, 0, 0, 100), f.list(1), -1, SpriteMove, 0));
    step(b, 0);
    EXPECT_EQ(Sprite::journalSize(), 2u);
    std::vector<Sprite*> taken;
    Sprite::takeChanged([&](Sprite* s) {
        taken.push_back(s);
        return s == &b;
    });
    EXPECT_EQ(taken, (std::vector<Sprite*>{&a, &b}));
    EXPECT_EQ(Sprite::journalSize(), 1u);
    // Lowered, a is dropped without being offered; raised again, it comes back once.
    a.setChanged(0);
    taken.clear();
    Sprite::takeChanged([&](Sprite* s) {
        taken.push_back(s);
        return false;
    });
    EXPECT_TRUE(taken.empty());
    EXPECT_EQ(Sprite::journalSize(), 0u);
    a.setChanged(1);
    a.setChanged(1);
    {
        Sprite c(1, Point3D(0, 0, 0), f[0], 0, 0, 0);
        c.hide();
        EXPECT_EQ(Sprite::journalSize(), 2u);
    }
    EXPECT_EQ(Sprite::journalSize(), 1u);
    Sprite::takeChanged([](Sprite*) { return true; });
}

} // namespace
} // namespace vael
