// Which rows of the running commentary are in view: it follows the battle while its last row is the
// newest, stays where the player scrolled it otherwise, and the player's moves are held inside the rows.
#include <gtest/gtest.h>

#include <string>

#include "game/shell/commentary_scroll.h"

namespace vael::test {
namespace {

// 10 rows shown of 25: the last page starts at row 15.
CommentaryScroll tenOf25(std::size_t top) {
    CommentaryScroll s;
    s.setShown(10);
    s.added(25);
    s.scrollTo(top);
    return s;
}

TEST(CommentaryScroll, ThePlayersMovesAreHeldBetweenTheFirstRowAndTheLastPage) {
    enum Move { Up, Down, PageUp, PageDown, Home, End, WheelAway, WheelToward, To };
    const struct {
        const char* what;
        std::size_t from;
        Move move;
        std::size_t to; // the top afterwards
        std::size_t arg = 0;
    } rows[] = {
        {"a row up", 5, Up, 4},
        {"a row up from the first stays", 0, Up, 0},
        {"a row down", 5, Down, 6},
        {"a row down on the last page stays", 15, Down, 15},
        {"a page keeps one row of the last: 9 up", 12, PageUp, 3},
        {"a page up near the top stops at the first row", 8, PageUp, 0},
        {"a page down is 9 rows", 3, PageDown, 12},
        {"a page down near the end stops at the last page", 7, PageDown, 15},
        {"Home", 12, Home, 0},
        {"End", 2, End, 15},
        {"a notch away from the player: 3 rows back", 10, WheelAway, 7},
        {"a notch away at row 2 stops at the first row", 2, WheelAway, 0},
        {"a notch toward him: 3 rows on", 10, WheelToward, 13},
        {"a notch toward him at row 14 stops at the last page", 14, WheelToward, 15},
        {"to row 15, the last page", 0, To, 15, 15},
        {"to row 16 is the last page", 0, To, 15, 16},
        {"to row 14", 0, To, 14, 14},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CommentaryScroll s = tenOf25(row.from);
        ASSERT_EQ(s.top(), row.from);
        switch (row.move) {
        case Up:
            s.scrollBy(-1);
            break;
        case Down:
            s.scrollBy(1);
            break;
        case PageUp:
            s.pageUp();
            break;
        case PageDown:
            s.pageDown();
            break;
        case Home:
            s.home();
            break;
        case End:
            s.end();
            break;
        case WheelAway:
            s.scrollBy(-3);
            break;
        case WheelToward:
            s.scrollBy(3);
            break;
        case To:
            s.scrollTo(row.arg);
            break;
        }
        EXPECT_EQ(s.top(), row.to);
        EXPECT_EQ(s.atBottom(), row.to == 15);
    }
}

TEST(CommentaryScroll, ANewRowComesIntoViewOnlyWhileTheLastRowIsInView) {
    // At the bottom: each new row moves the view on by one.
    CommentaryScroll s = tenOf25(15);
    s.added(1);
    EXPECT_EQ(s.top(), 16u);
    s.added(3);
    EXPECT_EQ(s.top(), 19u);
    // One row up from the bottom: the rows the player reads stay where they are.
    s.scrollBy(-1);
    s.added(2);
    EXPECT_EQ(s.top(), 18u);
    EXPECT_FALSE(s.atBottom());
    // Back at the bottom (End), the view follows again.
    s.end();
    EXPECT_EQ(s.top(), 21u);
    s.added(1);
    EXPECT_EQ(s.top(), 22u);
    // Scrolled to the first row, it stays there whatever comes.
    s.home();
    s.added(40);
    EXPECT_EQ(s.top(), 0u);
    EXPECT_EQ(s.rows(), 72u);
}

TEST(CommentaryScroll, FewerRowsThanTheWindowShowsStandAtTheTopAndFollow) {
    CommentaryScroll s;
    s.setShown(10);
    s.added(4);
    EXPECT_EQ(s.top(), 0u);
    EXPECT_TRUE(s.atBottom());
    s.scrollBy(-1), s.scrollBy(5), s.pageDown();
    EXPECT_EQ(s.top(), 0u);
    // The tenth row fills the window; the eleventh moves it on.
    s.added(6);
    EXPECT_EQ(s.top(), 0u);
    s.added(1);
    EXPECT_EQ(s.top(), 1u);
}

TEST(CommentaryScroll, DroppedRowsKeepTheRowsInViewAsFarAsTheyAreKept) {
    const struct {
        const char* what;
        std::size_t from, dropped, top;
    } rows[] = {
        {"at the bottom it stays at the bottom", 15, 4, 11},
        {"row 12 becomes row 8", 12, 4, 8},
        {"row 3 of 4 dropped is gone: the first row kept", 3, 4, 0},
        {"row 4 of 4 dropped becomes the first", 4, 4, 0},
        {"row 5 becomes row 1", 5, 4, 1},
        {"all dropped", 7, 25, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        CommentaryScroll s = tenOf25(row.from);
        s.dropped(row.dropped);
        EXPECT_EQ(s.top(), row.top);
        EXPECT_EQ(s.rows(), 25 - row.dropped);
    }
}

TEST(CommentaryScroll, AnotherHeightOrWidthKeepsTheBottomOrTheTopRow) {
    // Taller at the bottom: still the bottom. Scrolled back: the top row stays.
    CommentaryScroll bottom = tenOf25(15), back = tenOf25(6);
    bottom.setShown(12), back.setShown(12);
    EXPECT_EQ(bottom.top(), 13u);
    EXPECT_EQ(back.top(), 6u);
    // So tall that the top row's page would run past the end: the last page.
    back.setShown(22);
    EXPECT_EQ(back.top(), 3u);
    // The lines broken anew into 40 rows: the bottom follows, the line at the top keeps its new first row.
    CommentaryScroll followed = tenOf25(15), kept = tenOf25(6);
    followed.reset(40, 9), kept.reset(40, 9);
    EXPECT_EQ(followed.top(), 30u);
    EXPECT_EQ(kept.top(), 9u);
    kept.reset(12, 9);
    EXPECT_EQ(kept.top(), 2u);
    kept.clear();
    EXPECT_EQ(kept.rows(), 0u);
    EXPECT_EQ(kept.top(), 0u);
    EXPECT_TRUE(kept.atBottom());
}

} // namespace
} // namespace vael::test
