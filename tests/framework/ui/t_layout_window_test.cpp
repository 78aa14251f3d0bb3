#include <gtest/gtest.h>

#include "test_display.h"

namespace vael::test {
namespace {

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

TEST_F(LayoutTest, APercentOfTheParentsSizeUsesTheShiftedFactor) {
    const struct {
        std::int16_t percent;
        const char* box;
    } rows[] = {
        {50, "0,0 100x50"}, // factor 128: (0.5 × 199 - 0.5 × 0 + 0.5) = 100
        {33, "0,0 65x32"},  // factor 84: 21504 × 200 >> 16 = 65.6, and 21504 × 100 >> 16 = 32.8
        {100, "0,0 200x100"},
        {0, "0,0 0x0"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.percent);
        TWindowMetrics m;
        m.x = edge(lmLeft, lmAbsolute, nullptr, lmLeft, 0);
        m.y = edge(lmTop, lmAbsolute, nullptr, lmTop, 0);
        m.width = edge(lmWidth, lmPercentOf, nullptr, lmWidth, row.percent);
        m.height = edge(lmHeight, lmPercentOf, nullptr, lmHeight, row.percent);
        parent.setChildMetrics(&a, m);
        EXPECT_EQ(placed(a), row.box);
    }
}

TEST_F(LayoutTest, ACentredChildIsTwiceTheCentreLessItsOtherEdge) {
    const struct {
        std::int16_t width;
        const char* box;
    } rows[] = {
        {100, "50,40 100x20"}, // (199 - 99) / 2, and (99 - 19) / 2 for the height as it is
        {101, "49,40 101x20"}, // 49.5 rounds down
        {200, "0,40 200x20"},
        {1, "99,40 1x20"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.width);
        TWindowMetrics m;
        m.x = edge(lmCenter, lmSameAs, nullptr, lmCenter, 0);
        m.y = edge(lmCenter, lmSameAs, nullptr, lmCenter, 0);
        m.width = edge(lmWidth, lmAbsolute, nullptr, lmWidth, row.width);
        parent.setChildMetrics(&a, m);
        EXPECT_EQ((std::pair{placed(a), parent.layout().unplannedConstraints()}),
                  (std::pair{std::string(row.box), 0ul}));
    }
}

TEST_F(LayoutTest, SiblingsArePlacedBelowAboveAndBesideEachOther) {
    TWindowMetrics ma;
    ma.x = edge(lmLeft, lmAbsolute, nullptr, lmLeft, 20);
    ma.y = edge(lmTop, lmBelow, nullptr, lmTop, 9); // 0 + 9 + 1
    parent.addChild(&a, ma);
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
        TWindowMetrics m;
        m.x = row.x;
        m.y = row.y;
        parent.setChildMetrics(&b, m);
        EXPECT_EQ((std::pair{placed(a), placed(b)}),
                  (std::pair{std::string("20,10 30x20"), std::string(row.box)}));
    }
}

TEST_F(LayoutTest, ChildrenFollowTheirParentsSize) {
    TWindowMetrics fill;
    fill.x = edge(lmLeft, lmAbsolute, nullptr, lmLeft, 0);
    fill.y = edge(lmTop, lmAbsolute, nullptr, lmTop, 0);
    fill.width = edge(lmRight, lmSameAs, nullptr, lmRight, 0);
    fill.height = edge(lmBottom, lmAbove, nullptr, lmBottom, 9); // a bar of ten pixels below it
    parent.addChild(&a, fill);
    TWindowMetrics half;
    half.x = edge(lmLeft, lmAbsolute, nullptr, lmLeft, 0);
    half.width = edge(lmWidth, lmPercentOf, nullptr, lmWidth, 50);
    parent.addChild(&b, half);
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
    TWindowMetrics ma;
    ma.x = edge(lmLeft, lmBelow, nullptr, lmLeft, 19); // 20
    ma.y = edge(lmTop, lmBelow, nullptr, lmTop, 9);    // 10
    ma.width = edge(lmWidth, lmAbsolute, nullptr, lmWidth, 40);
    parent.addChild(&a, ma);
    TWindowMetrics mb;
    mb.x = edge(lmLeft, lmSameAs, &a, lmLeft, 5);
    mb.y = edge(lmTop, lmBelow, &a, lmBottom, 4);
    mb.width = edge(lmWidth, lmSameAs, &a, lmWidth, 0);
    parent.addChild(&b, mb);
    TWindowMetrics mc;
    mc.width = edge(lmRight, lmSameAs, &a, lmRight, 0);
    parent.addChild(&c, mc);
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
    TWindowMetrics ma, mb;
    ma.x = edge(lmLeft, lmBelow, &b, lmRight, 0);
    mb.x = edge(lmLeft, lmBelow, &a, lmRight, 0);
    parent.addChild(&a, ma);
    parent.addChild(&b, mb);
    parent.layout().layout();
    // Only the two heights are planned.
    EXPECT_EQ(
        (std::tuple{parent.layout().plannedConstraints(), parent.layout().unplannedConstraints(), placed(a)}),
        (std::tuple{2u, 4u, std::string("0,9 1x20")}));

    TestDisplay stranger{Dim(1, 1), "s"};
    TWindowMetrics ms;
    ms.x = edge(lmLeft, lmBelow, &stranger, lmRight, 0);
    ms.y = edge(lmTop, lmSameAs, nullptr, 9, 0); // no such edge
    parent.setChildMetrics(&a, ms);
    // a's left edge keeps its last value and its width as it is now, which the cycle left at 1; b's
    // equations now have all their inputs.
    EXPECT_EQ((std::tuple{parent.layout().plannedConstraints(), parent.layout().unplannedConstraints(),
                          placed(a), placed(b)}),
              (std::tuple{5u, 0u, std::string("0,9 1x20"), std::string("1,4 10x5")}));
}

} // namespace
} // namespace vael::test
