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

std::string rows(Display& d) {
    std::string out;
    for (int y = 0; y < d.height(); ++y) {
        for (int x = 0; x < d.width(); ++x)
            out += d.bits()[y * d.stride() + x] == 0 ? '.' : d.bits()[y * d.stride() + x] == 255 ? '#' : 'o';
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
    EXPECT_EQ(parent.bits()[2 * 8], 2);
    EXPECT_EQ(parent.bits()[2 * 8 + 1], 3);
    EXPECT_EQ(parent.drawBitmap(Point(5, 0), source, Box(1, 1, 5, 5)), Box(5, 0, 1, 1));
    EXPECT_EQ(parent.bits()[5], 5);
    EXPECT_EQ(parent.drawWholeBitmap(Point(4, 1), source), Box(4, 1, 2, 2));
    EXPECT_EQ(parent.bits()[8 + 4], 1);
    EXPECT_EQ(parent.bits()[16 + 5], 5);
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
    std::vector<std::tuple<Display*, std::int16_t, Point>> takeApp() {
        return std::exchange(app.mouseEvents, {});
    }

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
    EXPECT_EQ(takeApp(), (std::vector<std::tuple<Display*, std::int16_t, Point>>{{&a, 5, Point(5, 5)}}));
    // Over no child, with its own move flag clear, the parent is the one under the pointer.
    EXPECT_EQ(p.routeMouseEvent(MouseMoved, Point(90, 5)), 0);
    EXPECT_EQ(app.displayUnderMouse(), &p);
    EXPECT_EQ(takeApp(), (std::vector<std::tuple<Display*, std::int16_t, Point>>{{&a, 6, Point(90, 5)},
                                                                                 {&p, 5, Point(90, 5)}}));
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
    EXPECT_EQ(takeApp(), (std::vector<std::tuple<Display*, std::int16_t, Point>>{{&b1, 4, Point(6, 6)}}));
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

} // namespace
} // namespace vael::test
