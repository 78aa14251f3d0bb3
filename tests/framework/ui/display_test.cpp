#include <gtest/gtest.h>
#include <random>

#include "support/failed_checks.h"
#include "support/test_application.h"
#include "test_display.h"

namespace vael::test {
namespace {

std::string describe(const std::vector<Box>& boxes) {
    std::string out;
    for (const Box& b : boxes)
        out += "(" + std::to_string(b.x) + "," + std::to_string(b.y) + "," + std::to_string(b.w) + "," +
               std::to_string(b.h) + ")";
    return out;
}

TEST(DisplayDirtyBoxes, ClipMergeTouchingBoxesAndRescanAfterEveryMerge) {
    const struct {
        const char* what;
        std::vector<Box> added;
        const char* listed;
    } rows[] = {
        {"touching on the right", {{0, 0, 10, 10}, {10, 0, 5, 10}}, "(0,0,15,10)"},
        {"touching on the left", {{10, 0, 5, 10}, {0, 0, 10, 10}}, "(0,0,15,10)"},
        {"touching above", {{0, 10, 10, 10}, {0, 0, 10, 10}}, "(0,0,10,20)"},
        {"touching below", {{0, 0, 10, 10}, {0, 10, 10, 5}}, "(0,0,10,15)"},
        {"a pixel apart on the right", {{0, 0, 10, 10}, {11, 0, 5, 10}}, "(0,0,10,10)(11,0,5,10)"},
        {"a pixel apart on the left", {{11, 0, 5, 10}, {0, 0, 10, 10}}, "(11,0,5,10)(0,0,10,10)"},
        {"a pixel apart above", {{0, 11, 10, 5}, {0, 0, 10, 10}}, "(0,11,10,5)(0,0,10,10)"},
        {"a pixel apart below", {{0, 0, 10, 10}, {0, 11, 10, 5}}, "(0,0,10,10)(0,11,10,5)"},
        {"touching at a corner", {{0, 0, 10, 10}, {10, 10, 5, 5}}, "(0,0,15,15)"},
        {"overlapping", {{0, 0, 10, 10}, {5, 5, 10, 10}}, "(0,0,15,15)"},
        {"inside", {{0, 0, 10, 10}, {2, 2, 2, 2}}, "(0,0,10,10)"},
        {"bridging two", {{0, 0, 10, 10}, {20, 0, 10, 10}, {10, 0, 10, 1}}, "(0,0,30,10)"},
        {"grown into one scanned before", {{20, 20, 5, 5}, {0, 0, 5, 20}, {5, 0, 16, 5}}, "(0,0,25,25)"},
        {"clipped at the top left", {{-5, -5, 10, 10}}, "(0,0,5,5)"},
        {"clipped at the bottom right", {{95, 75, 10, 10}}, "(95,75,5,5)"},
        {"wholly right of it", {{100, 0, 5, 5}}, ""},
        {"ending on its left edge", {{-10, 0, 10, 5}}, ""},
        {"wholly below it", {{0, 80, 5, 5}}, ""},
        {"empty", {{3, 3, 0, 5}, {3, 3, 5, 0}}, ""},
        {"negative sizes", {{50, 50, -5, 5}, {50, 50, 5, -5}}, ""},
        {"clipped, then merged", {{90, 0, 5, 5}, {95, 0, 20, 5}}, "(90,0,10,5)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TestDisplay display(Dim(100, 80), "d");
        for (const Box& b : row.added)
            display.addDirtyBox(b);
        EXPECT_EQ(describe(display.dirtyBoxes()), row.listed);
    }
}

TEST(DisplayDirtyBoxes, NoTwoListedBoxesMeetAndTogetherTheyCoverEveryBoxAdded) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> position(-20, 70), extent(0, 25);
    for (int round = 0; round < 300; ++round) {
        TestDisplay display(Dim(60, 40), "d");
        std::vector<Box> added;
        for (int i = 0; i < 12; ++i) {
            added.emplace_back(position(random), position(random), extent(random), extent(random));
            display.addDirtyBox(added.back());
        }
        const std::vector<Box>& listed = display.dirtyBoxes();
        for (std::size_t i = 0; i < listed.size(); ++i) {
            const Box& a = listed[i];
            ASSERT_TRUE(a.w > 0 && a.h > 0 && a.x >= 0 && a.y >= 0 && a.x + a.w <= 60 && a.y + a.h <= 40);
            for (std::size_t j = i + 1; j < listed.size(); ++j) {
                const Box& b = listed[j];
                const bool apart = a.x + a.w < b.x || b.x + b.w < a.x || a.y + a.h < b.y || b.y + b.h < a.y;
                ASSERT_TRUE(apart) << "round " << round << ": " << describe({a, b});
            }
        }
        for (const Box& b : added)
            for (int y = std::max<int>(b.y, 0); y < std::min(b.y + b.h, 40); ++y)
                for (int x = std::max<int>(b.x, 0); x < std::min(b.x + b.w, 60); ++x) {
                    bool covered = false;
                    for (const Box& l : listed)
                        covered = covered || l.contains(Point(static_cast<std::int16_t>(x),
                                                              static_cast<std::int16_t>(y)));
                    ASSERT_TRUE(covered) << "round " << round << " pixel " << x << "," << y;
                }
    }
}

// The pixels: 0 '.', 255 '#', 1 to 9 as digits, others 'o'.
std::string rows(Display& d) {
    std::string out;
    for (int y = 0; y < d.height(); ++y) {
        for (int x = 0; x < d.width(); ++x) {
            const std::uint8_t p = d.bits()[y * d.stride() + x];
            out += p == 0 ? '.' : p == 255 ? '#' : p < 10 ? char('0' + p) : 'o';
        }
        out += '/';
    }
    return out;
}

TEST(DisplayDrawing, DrawsClippedAndMarksWhatChangedHereAndInTheChildrenShowingIt) {
    TestDisplay parent(Dim(6, 3), "p");
    TestDisplay child(Dim(4, 4), "c");
    child.setOrigin(Point(4, 1));
    parent.addChild(&child, TWindowMetrics());
    EXPECT_EQ(parent.stride(), 8);

    EXPECT_EQ(parent.fillRect(Box(3, -1, 2, 3), 9, 9, 9), Box(3, 0, 2, 2));
    EXPECT_EQ(rows(parent), "...##./...##./....../");
    EXPECT_EQ(describe(parent.dirtyBoxes()), "(3,0,2,2)");
    EXPECT_EQ(describe(child.dirtyBoxes()), "(0,0,1,1)");

    EXPECT_EQ(parent.frameRect(Box(-1, 1, 4, 3), 0, 0, 0), Box(0, 1, 3, 2));
    parent.fill(255);
    EXPECT_EQ(parent.frameRect(Box(-1, 1, 4, 3), 0, 0, 0), Box(0, 1, 3, 2));
    EXPECT_EQ(rows(parent), "######/...###/##.###/");
    EXPECT_EQ(parent.fillRect(Box(6, 0, 3, 3), 1, 2, 3), Box());
    EXPECT_EQ(parent.frameRect(Box(0, 0, 0, 3), 1, 2, 3), Box());

    const std::uint8_t picture[] = {1, 2, 3, 0, 4, 5, 6, 0};
    const platform::Surface source{picture, 3, 2, 4};
    EXPECT_EQ(parent.drawBitmap(Point(-1, 2), source, Box(0, 0, 3, 2)), Box(0, 2, 2, 1));
    EXPECT_EQ(parent.drawBitmap(Point(5, 0), source, Box(1, 1, 5, 5)), Box(5, 0, 1, 1));
    EXPECT_EQ(parent.drawWholeBitmap(Point(4, 1), source), Box(4, 1, 2, 2));
    EXPECT_EQ(rows(parent), "#####5/...#12/23.#45/");
    EXPECT_EQ(describe(parent.dirtyBoxes()), "(0,0,6,3)");
}

TEST(DisplayDrawing, ResizingMarksOnlyWhatLayInsideTheOldSize) {
    const struct {
        Dim to;
        const char* dirty;
    } rows[] = {{{20, 15}, "(0,0,10,10)"}, {{5, 12}, "(0,0,5,10)"}, {{0, 0}, ""}, {{-3, 4}, ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(describe({Box(0, 0, row.to.w, row.to.h)}));
        TestDisplay display(Dim(10, 10), "d");
        display.addDirtyBox(Box(2, 2, 3, 3));
        display.resize(row.to);
        EXPECT_EQ(describe(display.dirtyBoxes()), row.dirty);
        EXPECT_EQ(display.size(),
                  Dim(std::max<std::int16_t>(row.to.w, 0), std::max<std::int16_t>(row.to.h, 0)));
    }
}

class MouseTest : public ::testing::Test {
protected:
    MouseTest() {
        a.setOrigin(Point(10, 10));
        b.setOrigin(Point(50, 50));
        b1.setOrigin(Point(5, 5));
        p.addChild(&a, TWindowMetrics());
        p.addChild(&b, TWindowMetrics());
        b.addChild(&b1, TWindowMetrics());
        p.layout().layout();
        for (std::int16_t kind = 0; kind < MouseKinds; ++kind)
            p.enableMouseEvent(kind);
        a.enableMouseEvent(MouseMoved);
        b.enableMouseEvent(MouseLeftDown);
        b1.enableMouseEvent(MouseMoved).enableMouseEvent(MouseLeftDown);
    }
    std::vector<std::string> take() { return std::exchange(log, {}); }
    using AppEvents = std::vector<std::tuple<Display*, std::int16_t, Point>>;
    AppEvents takeApp() { return std::exchange(app.mouseEvents, {}); }

    TestApplication app;
    std::vector<std::string> log;
    TestDisplay p{Dim(100, 100), "p", &log};
    TestDisplay a{Dim(20, 20), "a", &log};
    TestDisplay b{Dim(30, 30), "b", &log};
    TestDisplay b1{Dim(10, 10), "b1", &log};
};

TEST_F(MouseTest, EventsReachTheDeepestChildThatTakesThemAndBubbleUpOtherwise) {
    const struct {
        std::int16_t kind;
        Point at;
        std::int16_t answer;
        std::vector<std::string> handled;
    } rows[] = {
        {MouseLeftDown, {15, 15}, 1, {"p 1 (15,15)"}}, // a takes moves only: its parent's handler runs
        {MouseMoved, {15, 15}, 1, {"a 0 (5,5)"}},
        {MouseMoved, {29, 29}, 1, {"a 0 (19,19)"}}, // a's last pixel
        {MouseMoved, {30, 30}, 1, {"p 0 (30,30)"}}, // just past it
        {MouseMoved, {9, 10}, 1, {"p 0 (9,10)"}},   // just before it
        {MouseLeftDown, {60, 60}, 1, {"b1 1 (5,5)"}},
        {MouseLeftUp, {60, 60}, 1, {"p 2 (60,60)"}}, // neither b1 nor b takes it
        {MouseLeftDown, {52, 52}, 1, {"b 1 (2,2)"}}, // on b, beside b1
        {MouseLeftDoubleClick, {200, 5}, 1, {"p 3 (200,5)"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.kind) + " at " + std::to_string(row.at.x) + "," +
                     std::to_string(row.at.y));
        EXPECT_EQ(p.routeMouseEvent(row.kind, row.at), row.answer);
        EXPECT_EQ(take(), row.handled);
    }
    p.disableMouseEvent(MouseLeftUp);
    EXPECT_EQ(p.routeMouseEvent(MouseLeftUp, Point(60, 60)), 0);
    EXPECT_EQ(p.routeMouseEvent(MouseLeftUp, Point(1, 1)), 0);
    EXPECT_EQ(p.routeMouseEvent(7, Point(1, 1)), 0);
    EXPECT_EQ(p.routeMouseEvent(-1, Point(1, 1)), 0);
    EXPECT_TRUE(take().empty());
}

TEST_F(MouseTest, OverlappingChildrenGoInTheOrderTheyWereAdded) {
    TestDisplay c{Dim(10, 10), "c", &log};
    c.setOrigin(Point(25, 25));
    p.addChild(&c, TWindowMetrics());
    c.enableMouseEvent(MouseMoved);
    EXPECT_EQ(p.routeMouseEvent(MouseMoved, Point(27, 27)), 1); // on a and c: a came first
    EXPECT_EQ(p.routeMouseEvent(MouseMoved, Point(30, 30)), 1); // past a's right and bottom edges
    EXPECT_EQ(take(), (std::vector<std::string>{"a 0 (17,17)", "c 0 (5,5)"}));
}

TEST_F(MouseTest, AMoveOverNoChildMakesThatDisplayTheOneUnderThePointer) {
    a.setHoverDelay(3);
    p.disableMouseEvent(MouseMoved);
    EXPECT_EQ(p.routeMouseEvent(MouseMoved, Point(15, 15)), 1);
    EXPECT_EQ(app.displayUnderMouse(), &a);
    EXPECT_EQ(takeApp(), (AppEvents{{&a, 5, Point(5, 5)}}));
    // Over no child, with its own move flag clear, the parent is the one under the pointer.
    EXPECT_EQ(p.routeMouseEvent(MouseMoved, Point(90, 5)), 0);
    EXPECT_EQ(app.displayUnderMouse(), &p);
    EXPECT_EQ(takeApp(), (AppEvents{{&a, 6, Point(90, 5)}, {&p, 5, Point(90, 5)}}));
    // Other kinds never change it.
    p.routeMouseEvent(MouseLeftDown, Point(15, 15));
    EXPECT_EQ(app.displayUnderMouse(), &p);
    // The hover comes after the delay of the display under the pointer.
    p.routeMouseEvent(MouseMoved, Point(61, 61));
    takeApp();
    EXPECT_EQ(app.displayUnderMouse(), &b1);
    app.hoverTick();
    EXPECT_TRUE(takeApp().empty());
    app.hoverTick();
    EXPECT_EQ(takeApp(), (AppEvents{{&b1, 4, Point(6, 6)}}));
}

TEST_F(MouseTest, ACapturedChildTakesEveryEventAtPointsOutsideIt) {
    a.enableMouseEvent(MouseLeftUp);
    a.captureMouse();
    EXPECT_EQ(p.captured(), &a);
    EXPECT_EQ(p.routeMouseEvent(MouseLeftUp, Point(0, 0)), 1);
    EXPECT_EQ(p.routeMouseEvent(MouseLeftUp, Point(95, 90)), 1);
    EXPECT_EQ(p.routeMouseEvent(MouseMoved, Point(60, 60)), 1);
    EXPECT_EQ(take(), (std::vector<std::string>{"a 2 (-10,-10)", "a 2 (85,80)", "a 0 (50,50)"}));
    // What the captured child does not take goes nowhere else.
    EXPECT_EQ(p.routeMouseEvent(MouseLeftDown, Point(60, 60)), 0);
    EXPECT_TRUE(take().empty());

    FailedChecks checks;
    a.captureMouse();
    p.releaseMouse();
    EXPECT_EQ(checks.texts, (std::vector<std::string>{"Mouse has already been captured  Abort?",
                                                      "Invalid attempt to release the mouse  Abort?"}));
    a.releaseMouse();
    EXPECT_EQ(p.captured(), nullptr);
    EXPECT_EQ(p.routeMouseEvent(MouseLeftDown, Point(60, 60)), 1);
    EXPECT_EQ(take(), std::vector<std::string>{"b1 1 (5,5)"});
}

TEST_F(MouseTest, AContextMenuIsLookedForDownToTheDeepestDisplayWithAPopUp) {
    b.loadMenuNamed("ChildMenu");
    ASSERT_NE(b.popupMenu(), nullptr);
    EXPECT_EQ(b.popupMenu(), b.menu()->findPopup("File"));
    EXPECT_EQ(p.popupMenu(), nullptr);
    EXPECT_EQ(p.displayAt(Point(60, 60)), &b);
    EXPECT_EQ(take(), (std::vector<std::string>{"b1 15 (5,5)", "b 15 (10,10)"}));
    EXPECT_EQ(p.displayAt(Point(15, 15)), &p);
    EXPECT_EQ(take(), (std::vector<std::string>{"a 15 (5,5)", "p 15 (15,15)"}));
    EXPECT_EQ(p.displayAt(Point(-1, 5)), &p);
    EXPECT_EQ(take(), (std::vector<std::string>{"p 15 (-1,5)"}));
}

TEST_F(MouseTest, ChildrenDrawNewestFirstAndLeaveNoTraceWhenTheyGo) {
    p.addDirtyBox(Box(0, 0, 5, 5));
    p.draw();
    EXPECT_EQ(take(), (std::vector<std::string>{"p draw", "b draw", "b1 draw", "a draw"}));
    EXPECT_TRUE(p.dirtyBoxes().empty());
    {
        TestDisplay gone(Dim(5, 5), "gone", &log);
        p.addChild(&gone, TWindowMetrics());
        gone.captureMouse();
        EXPECT_EQ(p.children().count(), 3);
    }
    EXPECT_EQ(p.children().count(), 2);
    EXPECT_EQ(p.layout().numChildMetrics(), 2);
    EXPECT_EQ(p.captured(), nullptr);
    p.draw();
    EXPECT_EQ(take(), (std::vector<std::string>{"p draw", "b draw", "b1 draw", "a draw"}));
    p.removeChild(&a);
    EXPECT_EQ(a.parent(), nullptr);
    EXPECT_EQ(p.routeMouseEvent(MouseMoved, Point(15, 15)), 1);
    EXPECT_EQ(take(), std::vector<std::string>{"p 0 (15,15)"});
}

TEST(DisplayLifetime, ADisplayThatGoesIsNoLongerTheOneUnderThePointer) {
    TestApplication app;
    TestDisplay kept(Dim(2, 2), "k");
    {
        TestDisplay gone(Dim(2, 2), "g");
        gone.routeMouseEvent(MouseMoved, Point(1, 1));
        EXPECT_EQ(app.displayUnderMouse(), &gone);
    }
    EXPECT_EQ(app.displayUnderMouse(), nullptr);
    kept.routeMouseEvent(MouseMoved, Point(1, 1));
    EXPECT_EQ(app.displayUnderMouse(), &kept);
}

TEST(DisplayLifetime, AChildOutlivingItsParentForgetsIt) {
    TestDisplay child(Dim(2, 2), "c");
    {
        TestDisplay parent(Dim(4, 4), "p");
        parent.addChild(&child, TWindowMetrics());
        EXPECT_EQ(child.parent(), &parent);
    }
    EXPECT_EQ(child.parent(), nullptr);
}

std::string placed(const Display& d) {
    const Box b = d.bounds();
    return std::to_string(b.x) + "," + std::to_string(b.y) + " " + std::to_string(b.w) + "x" +
           std::to_string(b.h);
}

// An edge constraint in pixels.
TEdgeConstraint edge(std::uint8_t own, std::uint8_t rel, Display* other, std::uint8_t otherEdge,
                     std::int16_t value, std::uint8_t units = lmPixels) {
    TEdgeConstraint c;
    c.set(own, rel, other, otherEdge, value, units);
    return c;
}

// The default record with the edges given in place of its own.
const TWindowMetrics asIs;
TWindowMetrics metrics(const TEdgeConstraint& x, const TEdgeConstraint& y,
                       const TEdgeConstraint& width = asIs.width,
                       const TEdgeConstraint& height = asIs.height) {
    TWindowMetrics m;
    m.x = x, m.y = y, m.width = width, m.height = height;
    return m;
}

class LayoutTest : public ::testing::Test {
protected:
    LayoutTest() {
        a.setOrigin(Point(7, 9));
        b.setOrigin(Point(3, 4));
    }
    ~LayoutTest() override { TLayoutWindow::setTextHeight(nullptr); }

    TestDisplay parent{Dim(200, 100), "p"};
    TestDisplay a{Dim(30, 20), "a"};
    TestDisplay b{Dim(10, 5), "b"};
};

TEST_F(LayoutTest, TheDefaultRecordLeavesEveryChildWhereItIsAtItsSize) {
    parent.addChild(&a, TWindowMetrics());
    parent.addChild(&b, TWindowMetrics());
    parent.layout().layout();
    TWindowMetrics got;
    ASSERT_EQ(parent.getChildMetrics(&a, got), 1);
    EXPECT_EQ((std::tuple{placed(a), placed(b), got.x.units(), got.width.myEdge(), got.height.otherEdge(),
                          parent.getChildMetrics(&parent, got)}),
              (std::tuple{std::string("7,9 30x20"), std::string("3,4 10x5"), std::uint8_t(lmLayoutUnits),
                          std::uint8_t(lmWidth), std::uint8_t(lmHeight), std::int16_t(0)}));
}

std::int16_t twelve() {
    return 12;
}

TEST_F(LayoutTest, LayoutUnitsAreEighthsOfTheTextHeightRounded) {
    const struct {
        TLayoutWindow::TextHeight height;
        std::int16_t value;
        std::uint8_t units;
        std::int16_t left;
    } rows[] = {
        {nullptr, 10, lmLayoutUnits, 20}, // (16 × 10 + 4) / 8
        {nullptr, 1, lmLayoutUnits, 2},   // 20 / 8
        {nullptr, -3, lmLayoutUnits, -5}, // -44 / 8, toward zero
        {twelve, 10, lmLayoutUnits, 15},  // 124 / 8
        {twelve, 1, 7, 2},                // any units but pixels are layout units: 16 / 8
        {twelve, 10, lmPixels, 10},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.value) + " in units " + std::to_string(row.units));
        TLayoutWindow::setTextHeight(row.height);
        TWindowMetrics m;
        m.x = edge(lmLeft, lmAbsolute, nullptr, lmLeft, row.value, row.units);
        parent.setChildMetrics(&a, m);
        EXPECT_EQ(placed(a), std::to_string(row.left) + ",9 30x20");
    }
}

TEST_F(LayoutTest, PercentsUseTheShiftedFactorAndACentreIsTwiceTheCentreLessTheOtherEdge) {
    const TEdgeConstraint left = edge(lmLeft, lmAbsolute, nullptr, lmLeft, 0),
                          top = edge(lmTop, lmAbsolute, nullptr, lmTop, 0),
                          centre = edge(lmCenter, lmSameAs, nullptr, lmCenter, 0), asItIs = asIs.height;
    const auto percent = [](std::uint8_t e, std::int16_t v) { return edge(e, lmPercentOf, nullptr, e, v); };
    const auto wide = [](std::int16_t w) { return edge(lmWidth, lmAbsolute, nullptr, lmWidth, w); };
    const struct {
        const char* what;
        TEdgeConstraint x, y, width, height;
        const char* box;
    } rows[] = {
        // (199 - 99) / 2, and (99 - 19) / 2 for the height as it is (first, while it is 20); 49.5 rounds
        // down.
        {"centred, 100 wide", centre, centre, wide(100), asItIs, "50,40 100x20"},
        {"centred, 101 wide", centre, centre, wide(101), asItIs, "49,40 101x20"},
        {"centred, 200 wide", centre, centre, wide(200), asItIs, "0,40 200x20"},
        {"centred, 1 wide", centre, centre, wide(1), asItIs, "99,40 1x20"},
        // Factor 128: (0.5 × 199 - 0.5 × 0 + 0.5) = 100.
        {"50%", left, top, percent(lmWidth, 50), percent(lmHeight, 50), "0,0 100x50"},
        // Factor 84: 21504 × 200 >> 16 = 65.6, and 21504 × 100 >> 16 = 32.8.
        {"33%", left, top, percent(lmWidth, 33), percent(lmHeight, 33), "0,0 65x32"},
        {"100%", left, top, percent(lmWidth, 100), percent(lmHeight, 100), "0,0 200x100"},
        {"0%", left, top, percent(lmWidth, 0), percent(lmHeight, 0), "0,0 0x0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        parent.setChildMetrics(&a, metrics(row.x, row.y, row.width, row.height));
        EXPECT_EQ((std::pair{placed(a), parent.layout().unplannedConstraints()}),
                  (std::pair{std::string(row.box), 0ul}));
    }
}

TEST_F(LayoutTest, SiblingsArePlacedBelowAboveAndBesideEachOther) {
    // At 20, and 0 + 9 + 1.
    parent.addChild(
        &a, metrics(edge(lmLeft, lmAbsolute, nullptr, lmLeft, 20), edge(lmTop, lmBelow, nullptr, lmTop, 9)));
    const struct {
        const char* what;
        TEdgeConstraint x, y;
        const char* box;
    } rows[] = {
        {"below, with a gap", edge(lmLeft, lmSameAs, &a, lmLeft, 0), edge(lmTop, lmBelow, &a, lmBottom, 4),
         "20,34 10x5"}, // a's bottom 29 + 4 + 1
        {"right of", edge(lmLeft, lmBelow, &a, lmRight, 0), edge(lmTop, lmSameAs, &a, lmTop, 0),
         "50,10 10x5"},
        {"above, by its bottom", edge(lmLeft, lmAsIs, nullptr, lmLeft, 0),
         edge(lmBottom, lmAbove, &a, lmTop, 2), "3,3 10x5"}, // bottom 10 - 1 - 2 = 7, top 7 - 5 + 1
        {"left of, by its right", edge(lmRight, lmAbove, &a, lmLeft, 0),
         edge(lmTop, lmAsIs, nullptr, lmTop, 0), "10,4 10x5"}, // right 19
        {"same centre", edge(lmCenter, lmSameAs, &a, lmCenter, 0), edge(lmCenter, lmSameAs, &a, lmCenter, 0),
         "30,17 10x5"}, // (20 + 49 - 9) / 2 and (10 + 29 - 4) / 2 = 17.5
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        b.setOrigin(Point(3, 4));
        parent.setChildMetrics(&b, metrics(row.x, row.y));
        EXPECT_EQ((std::pair{placed(a), placed(b)}),
                  (std::pair{std::string("20,10 30x20"), std::string(row.box)}));
    }
}

TEST_F(LayoutTest, ChildrenFollowTheirParentsSize) {
    const TEdgeConstraint left = edge(lmLeft, lmAbsolute, nullptr, lmLeft, 0);
    // a fills the parent but for a bar of ten pixels below it; b is half its width.
    parent.addChild(&a, metrics(left, edge(lmTop, lmAbsolute, nullptr, lmTop, 0),
                                edge(lmRight, lmSameAs, nullptr, lmRight, 0),
                                edge(lmBottom, lmAbove, nullptr, lmBottom, 9)));
    parent.addChild(&b, metrics(left, asIs.y, edge(lmWidth, lmPercentOf, nullptr, lmWidth, 50)));
    const struct {
        Dim size;
        const char* a;
        const char* b;
    } rows[] = {
        {{200, 100}, "0,0 200x90", "0,4 100x5"},
        {{300, 150}, "0,0 300x140", "0,4 150x5"},
        {{51, 20}, "0,0 51x10", "0,4 25x5"},
        {{10, 10}, "0,0 10x0", "0,4 5x5"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.size.w) + "x" + std::to_string(row.size.h));
        parent.resize(row.size);
        EXPECT_EQ((std::pair{placed(a), placed(b)}), (std::pair{std::string(row.a), std::string(row.b)}));
    }
}

TEST_F(LayoutTest, RemovingASiblingHandsItsReferencesOnToThoseThatReferredToIt) {
    TestDisplay c{Dim(8, 6), "c"};
    // a at (20, 10), 40 wide; b 5 right of its left and 4 below its bottom, as wide; c's right at a's.
    parent.addChild(&a, metrics(edge(lmLeft, lmBelow, nullptr, lmLeft, 19),
                                edge(lmTop, lmBelow, nullptr, lmTop, 9),
                                edge(lmWidth, lmAbsolute, nullptr, lmWidth, 40)));
    parent.addChild(&b, metrics(edge(lmLeft, lmSameAs, &a, lmLeft, 5), edge(lmTop, lmBelow, &a, lmBottom, 4),
                                edge(lmWidth, lmSameAs, &a, lmWidth, 0)));
    parent.addChild(&c, metrics(asIs.x, asIs.y, edge(lmRight, lmSameAs, &a, lmRight, 0)));
    parent.layout().layout();
    EXPECT_EQ((std::pair{placed(b), placed(c)}),
              (std::pair{std::string("25,34 40x5"), std::string("0,0 60x6")}));

    parent.removeChild(&a);
    EXPECT_EQ(parent.layout().numChildMetrics(), 2);
    Display* const theParent = nullptr;
    TWindowMetrics now;
    ASSERT_TRUE(parent.getChildMetrics(&b, now));
    EXPECT_EQ(
        (std::tuple{now.x.relWin, now.x.otherEdge(), now.y.relWin, now.y.otherEdge(),
                    now.width.relationship()}),
        (std::tuple{theParent, std::uint8_t(lmLeft), theParent, std::uint8_t(lmTop), std::uint8_t(lmAsIs)}));
    // a's width was its own, so c's right edge took a's horizontal window, the parent, with its edge code.
    ASSERT_TRUE(parent.getChildMetrics(&c, now));
    EXPECT_EQ((std::tuple{now.width.relWin, now.width.otherEdge()}),
              (std::tuple{theParent, std::uint8_t(lmLeft)}));
    parent.layout().layout();
    EXPECT_EQ(placed(b), "5,5 40x5"); // same as the parent's left + 5, below its top + 4
    parent.removeChild(&a);
    EXPECT_EQ(parent.layout().removeChild(&a), 0);
}

TEST_F(LayoutTest, AChildGivenItsRecordFirstIsAChildAndGoesFromTheLayoutWhenItGoes) {
    {
        TestDisplay c{Dim(4, 4), "c"};
        parent.setChildMetrics(&c, TWindowMetrics());
        EXPECT_EQ((std::tuple{c.parent(), parent.children().count(), parent.layout().numChildMetrics()}),
                  (std::tuple{static_cast<Display*>(&parent), 1, 1}));
    }
    EXPECT_EQ(parent.layout().numChildMetrics(), 0);
    parent.resize(Dim(50, 50)); // the layout places nothing that is gone
}

TEST_F(LayoutTest, EquationsCaughtInACycleOrNamingAStrangerAreLeftOut) {
    parent.addChild(&a, metrics(edge(lmLeft, lmBelow, &b, lmRight, 0), asIs.y));
    parent.addChild(&b, metrics(edge(lmLeft, lmBelow, &a, lmRight, 0), asIs.y));
    parent.layout().layout();
    // Only the two heights are planned.
    EXPECT_EQ(
        (std::tuple{parent.layout().plannedConstraints(), parent.layout().unplannedConstraints(), placed(a)}),
        (std::tuple{2u, 4u, std::string("0,9 1x20")}));

    TestDisplay stranger{Dim(1, 1), "s"};
    // No such edge as 9.
    parent.setChildMetrics(
        &a, metrics(edge(lmLeft, lmBelow, &stranger, lmRight, 0), edge(lmTop, lmSameAs, nullptr, 9, 0)));
    // a's left edge keeps its last value and its width as it is now, which the cycle left at 1; b's
    // equations now have all their inputs.
    EXPECT_EQ((std::tuple{parent.layout().plannedConstraints(), parent.layout().unplannedConstraints(),
                          placed(a), placed(b)}),
              (std::tuple{5u, 0u, std::string("0,9 1x20"), std::string("1,4 10x5")}));
}

} // namespace
} // namespace vael::test
