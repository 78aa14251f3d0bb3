// The commentary's window over the game's frame on the headless platform: what its bar does with a press,
// and with the thumb dragged where the bar leaves it no room to move.
#include <gtest/gtest.h>

#include <string>

#include "framework/ui/window_manager.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "platform/headless/headless_platform.h"
#include "support/data_home.h"
#include "support/temp_dir.h"

namespace vael::test {
namespace {

class CommentaryWindowTest : public ::testing::Test {
protected:
    CommentaryWindowTest() {
        window.attach(game.app());
        window.createInFrame();
    }
    void addLines(int n) {
        for (int i = 0; i < n; ++i)
            game.app().commentary().addLine("line " + std::to_string(i));
    }
    // The window given a client area of the size, where it stands.
    void resize(std::int32_t width, std::int32_t height) {
        const Insets in = WindowManager::insetsFor(CommentaryWindow::Style, false, false);
        const platform::Rect outer = WindowManager::instance().find(window.hwnd())->outer;
        window.setWindowPos({outer.x, outer.y, width + in.left + in.right, height + in.top + in.bottom},
                            WindowPos::NoZOrder);
        window.refresh();
    }

    TempDir dir{"commentary-window"};
    DataHome home{dir.path().string()};
    platform::HeadlessPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};
    CommentaryWindow window{game.app().commentary()};
};

// A press in the text, left of the bar, is no press on the bar: it pages nowhere, above the thumb or below
// it (the bar's own track pages there).
TEST_F(CommentaryWindowTest, APressInTheTextScrollsNothing) {
    ASSERT_TRUE(window.hwnd());
    addLines(60);
    const CommentaryScroll& scroll = window.scroll();
    ASSERT_GT(scroll.lastTop(), 2 * static_cast<std::size_t>(scroll.page()));
    // Inside the track's height, clear of the arrows and of the thumb at either end.
    const std::int16_t high = static_cast<std::int16_t>(window.track().y + 1),
                       low = static_cast<std::int16_t>(window.track().y + window.track().h - 2);
    const struct Row {
        const char* what;
        bool fromTheTop;
        std::int16_t y;
    } rows[] = {
        {"at the bottom, a press high in the text", false, high},
        {"at the top, a press low in the text", true, low},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        window.windowProc(MessageKeyDown, row.fromTheTop ? platform::KeyHome : platform::KeyEnd, 0);
        const std::size_t top = scroll.top();
        ASSERT_EQ(top, row.fromTheTop ? 0 : scroll.lastTop());
        window.leftButtonDown(Point(CommentaryWindow::TextInset + 10, row.y));
        window.leftButtonUp(Point(CommentaryWindow::TextInset + 10, row.y));
        EXPECT_EQ(scroll.top(), top);
        // The same press on the track pages.
        window.leftButtonDown(Point(window.track().x + 2, row.y));
        window.leftButtonUp(Point(window.track().x + 2, row.y));
        EXPECT_EQ(scroll.top(), row.fromTheTop ? static_cast<std::size_t>(scroll.page())
                                               : scroll.lastTop() - static_cast<std::size_t>(scroll.page()));
    }
}

// A window so low that its track is shorter than the least thumb: the thumb fills the track, and dragged,
// has nowhere to go. The rows stay where they were (before, the drag divided by the thumb's room, 0).
TEST_F(CommentaryWindowTest, AThumbWithNoRoomToMoveDragsNothing) {
    ASSERT_TRUE(window.hwnd());
    resize(300, 2 * CommentaryWindow::ScrollWidth + 8);
    addLines(20);
    const CommentaryScroll& scroll = window.scroll();
    ASSERT_GT(scroll.lastTop(), 0u);
    const Box track = window.track(), thumb = window.thumb();
    ASSERT_EQ(track.h, 8);
    ASSERT_EQ(thumb.y, track.y);
    ASSERT_EQ(thumb.h, track.h);
    const std::size_t top = scroll.top();
    const Point taken(static_cast<std::int16_t>(thumb.x + 2), static_cast<std::int16_t>(thumb.y + 2));
    window.leftButtonDown(taken);
    for (const std::int16_t y : {-40, 0, 4, 40})
        window.mouseMoved(Point(taken.x, static_cast<std::int16_t>(taken.y + y)));
    window.leftButtonUp(taken);
    EXPECT_EQ(scroll.top(), top);
}

} // namespace
} // namespace vael::test
