// The landscape's payloads, its merged dirty list and the events it answers, through a block landscape
// filled over the bus.
#include "framework/display/landscape.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "landscape_scene.h"
#include "support/failed_checks.h"
#include "support/test_application.h"

namespace vael::test {
namespace {

TEST(LandscapePayloads, ARegionCopiedIntoABoxOrAListKeepsAllSixEdgeSetsAndAShortIsNotAList) {
    LogicalRegion r = regionAt(1203, 4, 5, {2, 9});
    r.neighbourCount = 0; // the edge sets do not depend on the neighbours
    r.edgeFlags = 0x1u | (0x2u << 5) | (0x4u << 10) | (0x8u << 15) | (0x10u << 20) | (0x1Fu << 25);
    Container<LogicalRegion> box(r);
    std::unique_ptr<ContainerBase> copy(box.clone());
    LogicalRegion out;
    ASSERT_EQ(Container<LogicalRegion>::fromMessage(copy.get(), out), 1);
    EXPECT_EQ(out.edgeFlags, 0x3F041041u);
    Container<List<LogicalRegion>> list;
    list.valuePtr()->append(r);
    std::unique_ptr<ContainerBase> listCopy(list.clone());
    LogicalRegion first;
    static_cast<Container<List<LogicalRegion>>*>(listCopy.get())->valuePtr()->first(first);
    EXPECT_EQ((std::tuple{first.id, first.edgeFlags, first.terrainCount, first.terrain[1]}),
              std::tuple(std::uint16_t(1203), 0x3F041041u, std::uint16_t(2), std::uint16_t(9)));
    Container<short> one(4);
    List<short> shorts;
    EXPECT_EQ((std::tuple{Container<List<short>>::fromMessage(&one, shorts), shorts.isEmpty()}),
              std::tuple(0, true));
}

class LandscapeTest : public ::testing::Test {
protected:
    void SetUp() override {
        land.attach(bus);
        sender.attach(bus);
    }
    TestApplication app;
    Bus bus{"Layer"};
    BlockLandscape land{Dim(10, 10), Dim(10, 10)};
    Listener sender;
};

TEST_F(LandscapeTest, TheDirtyListMergesTouchingBoxesAndRestartsAfterEachAbsorption) {
    const struct {
        const char* what;
        std::vector<Box> in;
        std::vector<Box> out;
    } cases[] = {
        // clang-format off
        {"the empty box is ignored", {Box(0, 0, 0, 0)}, {}},
        {"a box at the origin with a size is kept", {Box(0, 0, 1, 1)}, {Box(0, 0, 1, 1)}},
        {"boxes sharing an edge end as one", {Box(0, 0, 10, 10), Box(10, 0, 5, 10)}, {Box(0, 0, 15, 10)}},
        {"a gap of one pixel keeps them apart", {Box(0, 0, 10, 10), Box(11, 0, 5, 10)}, {Box(0, 0, 10, 10), Box(11, 0, 5, 10)}},
        {"an overlap joins", {Box(0, 0, 10, 10), Box(5, 5, 10, 10)}, {Box(0, 0, 15, 15)}},
        {"a box that grows onto an earlier one absorbs it too", {Box(0, 0, 10, 10), Box(20, 0, 10, 30), Box(10, 20, 10, 5)}, {Box(0, 0, 30, 30)}},
        {"the grown box goes to the end", {Box(50, 50, 5, 5), Box(0, 0, 5, 5), Box(55, 50, 5, 5)}, {Box(0, 0, 5, 5), Box(50, 50, 10, 5)}},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        land.closeGame();
        for (const Box& b : c.in)
            land.invalidate(b);
        EXPECT_EQ(valuesOf(land.dirtyBoxes()), c.out);
    }
}

TEST_F(LandscapeTest, RandomBoxesLeaveNoTouchingPairAndCoverEveryInput) {
    std::mt19937 random(28);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        land.closeGame();
        std::vector<Box> in;
        for (int i = 0; i < 12; ++i) {
            std::uniform_int_distribution<int> at(-50, 200), side(1, 30);
            in.emplace_back(static_cast<std::int16_t>(at(random)), static_cast<std::int16_t>(at(random)),
                            static_cast<std::int16_t>(side(random)), static_cast<std::int16_t>(side(random)));
            land.invalidate(in.back());
        }
        const std::vector<Box> out = valuesOf(land.dirtyBoxes());
        for (std::size_t a = 0; a < out.size(); ++a)
            for (std::size_t b = a + 1; b < out.size(); ++b)
                EXPECT_FALSE(out[a].overlaps(out[b])) << a << " touches " << b;
        for (const Box& b : in)
            EXPECT_TRUE(std::any_of(out.begin(), out.end(), [&](const Box& o) { return o.contains(b); }));
    }
}

TEST_F(LandscapeTest, TheLandscapeEventsBuildTheBlocks) {
    fillOverBus(sender, Dim(300, 200), {regionAt(0, 0, 0), regionAt(1, 2, 1), regionAt(2, 5, 3)});
    EXPECT_EQ((std::tuple{land.size(), land.blockCount(), land.isComplete(), land.block(1)->location()}),
              std::tuple(Dim(300, 200), 3, 1, Point3D(20, 10, 1)));
    Container<LogicalRegion> one(regionAt(1, 7, 7));
    delete sender.sendNow(CREATE_REGION, &one);
    Container<long> wrong(1);
    delete sender.sendNow(CREATE_REGION, &wrong); // no region: nothing moves
    EXPECT_EQ(land.block(1)->location(), Point3D(70, 70, 1));
}

TEST_F(LandscapeTest, FindRegionAndRegionLocationAnswerWithNewBoxes) {
    fillOverBus(sender, Dim(300, 200), {regionAt(0, 0, 0), regionAt(1, 2, 1)});
    const auto find = [&](ContainerBase* where) {
        std::unique_ptr<ContainerBase> answer(sender.sendNow(FIND_REGION, where));
        short index = 99;
        EXPECT_EQ(Container<short>::fromMessage(answer.get(), index), 1);
        return index;
    };
    const struct {
        Point at;
        short index;
    } rows[] = {{Point(0, 0), 0},   {Point(9, 9), 0},    {Point(10, 9), -1}, {Point(20, 10), 1},
                {Point(29, 19), 1}, {Point(30, 19), -1}, {Point(19, 10), -1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.at.x) + "," + std::to_string(r.at.y));
        Container<Point> where(r.at);
        EXPECT_EQ(find(&where), r.index);
    }
    Container<long> notAPoint(5); // looked up at the origin
    EXPECT_EQ(find(&notAPoint), 0);
    Container<short> region(1);
    std::unique_ptr<ContainerBase> centre(sender.sendNowNamed("Get Region Location", &region));
    Point3D at;
    ASSERT_EQ(Container<Point3D>::fromMessage(centre.get(), at), 1);
    EXPECT_EQ(at, Point3D(25, 15, 1));
}

TEST_F(LandscapeTest, HighlightEventsTakeAListOrOneIndexAndIgnoreOtherPayloads) {
    fillOverBus(sender, Dim(300, 200), {regionAt(0, 0, 0), regionAt(1, 2, 1), regionAt(2, 4, 1)});
    Container<short> one(1);
    delete sender.sendNow(HIGHLIGHT_REGION, &one);
    Container<List<short>> list;
    *list.valuePtr() << 0 << 2;
    delete sender.sendNow(HIGHLIGHT_REGION, &list);
    const auto lit = [&] {
        return std::vector<int>{land.block(0)->highlight(), land.block(1)->highlight(),
                                land.block(2)->highlight()};
    };
    EXPECT_EQ(lit(), (std::vector<int>{1, 1, 1}));
    Container<long> other(1);
    delete sender.sendNow(DEHIGHLIGHT_REGION, &other);
    EXPECT_EQ(lit(), (std::vector<int>{1, 1, 1}));
    delete sender.sendNow(DEHIGHLIGHT_REGION, &one);
    EXPECT_EQ(lit(), (std::vector<int>{1, 0, 1}));
    List<short> halves;
    halves << 2;
    Container<List<short>*> pointer(&halves);
    std::vector<int> half;
    for (BusMessage e : {BusMessage(HALF_HIGHLIGHT_REGION), BusMessage(TOGGLE_REGION_HALF_HIGHLIGHT)})
        delete sender.sendNow(e, &pointer), half.push_back(land.block(2)->halfHighlight());
    EXPECT_EQ(half, (std::vector<int>{1, 0}));
}

TEST_F(LandscapeTest, BadPayloadsAreReported) {
    FailedChecks checks;
    Container<long> wrong(3);
    for (BusMessage e :
         {BusMessage(BEGIN_LANDSCAPE), BusMessage(HALF_HIGHLIGHT_REGION), BusMessage(HALF_DEHIGHLIGHT_REGION),
          BusMessage(TOGGLE_REGION_HALF_HIGHLIGHT), BusMessage(LANDTILE_CREATED)})
        delete sender.sendNow(e, &wrong);
    EXPECT_EQ(checks.texts,
              std::vector<std::string>(5, "Bad data passed in bus message to function  Abort?"));
    EXPECT_EQ(land.size(), Dim());
    EXPECT_EQ(sender.sendNowNamed("Get Region Location", &wrong), nullptr);
}

TEST_F(LandscapeTest, UpdatesWithNoTilesOnlyEmptyTheDirtyList) {
    const std::pair<const char*, std::function<void()>> rows[] = {
        {"updateTiles", [&] { land.updateTiles(); }},
        {"update", [&] { land.update(); }},
        {"CloseGame", [&] { delete sender.sendNowNamedEmpty("CloseGame"); }}};
    for (const auto& [name, empty] : rows) {
        land.invalidate(Box(1, 1, 5, 5));
        empty();
        EXPECT_TRUE(land.dirtyBoxes().isEmpty()) << name;
    }
}

} // namespace
} // namespace vael::test
