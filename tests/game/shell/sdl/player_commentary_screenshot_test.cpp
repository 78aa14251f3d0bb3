// The running commentary read back in the game's real window under Xvfb, as a player does it while the
// computer plays both sides: a click into it, then Home, the wheel, Page Down, the arrow key, the bar's
// arrow and its track take him through the battle's lines; scrolled back it stays on what he reads while
// new lines arrive, and End brings it back to the newest line, which it follows again. The commentary
// scrolled back to the battle's first lines is player_commentary_back.png in the build folder.
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "framework/ui/window_manager.h"
#include "game/shell/commentary_dialog.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "grab_png.h"
#include "player_script.h"

namespace vael::test {
namespace {

namespace fs = std::filesystem;

CommentaryWindow* commentaryOf(VaelGame& game) {
    WindowManager& manager = WindowManager::instance();
    for (WindowHandle h : manager.childrenOf(game.frame().hwnd()))
        if (const WindowManager::Record* r = manager.find(h))
            if (auto* window = dynamic_cast<CommentaryWindow*>(r->window)) return window;
    return nullptr;
}

TEST(PlayerCommentary, ThePlayerReadsTheCommentaryBackWhileTheComputerPlays) {
    FolderGameWindow w("player-commentary");
    ASSERT_TRUE(w.ready());
    PlayerScript& s = *w.script;
    CommentaryWindow* view = nullptr;
    platform::Rect client{};
    const auto at = [&](std::int32_t x, std::int32_t y) {
        return Point(static_cast<std::int16_t>(client.x + x), static_cast<std::int16_t>(client.y + y));
    };
    const auto top = [&] { return view ? view->scroll().top() : std::size_t(-1); };
    const auto lines = [&] { return w.app().commentary().lines().size(); };
    // A box of the battle (the turn's overview) holds the input while it stands: what the player does goes
    // in only while none does, and is done again only when a box came up since, which may have taken it.
    // Never on a clock: a step that is merely slow (the sanitizer build) would be done twice.
    const auto free = [&] { return w.app().modalDepth() == 0; };
    const auto act = [&](std::string name, std::function<void()> action, std::function<bool()> done) {
        auto acted = std::make_shared<bool>(false);
        auto boxSince = std::make_shared<bool>(false);
        auto dialogs = std::make_shared<std::size_t>(0);
        s.step(std::move(name), {}, [=, &s] {
            if (done()) return true;
            if (!free() || s.names.size() != *dialogs) *boxSince = true;
            if (free() && (!*acted || *boxSince)) {
                *acted = true, *boxSince = false, *dialogs = s.names.size();
                action();
            }
            return false;
        });
    };
    const auto wheel = [&](int notches) {
        platform::Event e;
        e.kind = platform::EventKind::Wheel, e.x = client.x + 60, e.y = client.y + 30, e.wheel = notches;
        w.watched->postEvent(e);
    };
    // The keys go to the commentary once he has clicked into it, and again after a box of the battle has
    // taken them: he clicks into it before each.
    const auto key = [&](std::int32_t k) {
        clickAt(*w.watched, at(60, 30));
        pressKey(*w.watched, k);
    };
    s.step("the start dialog", {}, s.opened(StartGameDlg::TemplateName));
    s.step(
        "Start Battle", [&] { s.click(StartGameDlg::TemplateName, StartGameDlg::IdStartBattle); },
        s.opened(ScenarioDlg::TemplateName));
    s.step(
        "the scenario's OK", [&] { s.click(ScenarioDlg::TemplateName, Dialog::IdOk); },
        s.opened(IntroDlg::TemplateName));
    s.step(
        "both sides to the computer",
        [&] {
            s.click(IntroDlg::TemplateName, IntroDlg::IdHomeComputer);
            s.click(IntroDlg::TemplateName, IntroDlg::IdVisitorComputer);
            s.click(IntroDlg::TemplateName, Dialog::IdOk);
        },
        [&] {
            view = commentaryOf(*w.game);
            // Dozens of lines: many more rows than the window shows.
            return view && lines() >= 40 && view->scroll().lastTop() >= 30;
        });
    std::size_t page = 0, firstTop = 0, linesWhileBack = 0;
    bool followedAtFirst = false, stayed = true;
    s.step("the commentary found", [&] {
        client = WindowManager::instance().clientOnScreen(view->hwnd());
        page = static_cast<std::size_t>(view->scroll().page());
        followedAtFirst = view->scroll().atBottom();
    });
    act(
        "a click into the commentary and Home", [&] { key(platform::KeyHome); }, [&] { return top() == 0; });
    act(
        "two notches of the wheel toward him", [&] { wheel(-2); }, [&] { return top() == 6; });
    act(
        "Page Down", [&] { key(platform::KeyPageDown); }, [&] { return top() == 6 + page; });
    act(
        "the up arrow key", [&] { key(platform::KeyUp); }, [&] { return top() == 5 + page; });
    act(
        "the bar's up arrow",
        [&] {
            const Box up = view->upArrow();
            clickAt(*w.watched, at(up.x + up.w / 2, up.y + up.h / 2));
        },
        [&] { return top() == 4 + page; });
    act(
        "the bar's track below the thumb",
        [&] {
            const Box track = view->track(), thumb = view->thumb();
            clickAt(*w.watched, at(track.x + track.w / 2, (thumb.y + thumb.h + track.y + track.h) / 2));
        },
        [&] { return top() == 4 + 2 * page; });
    act(
        "the wheel turned away from him, back to the first lines", [&] { wheel(10); },
        [&] { return top() == 0; });
    s.step(
        "lines come while he reads the first", [&] { linesWhileBack = lines(); },
        [&] {
            stayed = stayed && top() == 0;
            return lines() >= linesWhileBack + 5;
        });
    s.pause();
    Grab shot;
    std::string firstLine;
    s.step("the commentary looked at", [&] {
        firstTop = top();
        for (const CommentaryRun& run : w.app().commentary().lines().front())
            firstLine += run.text;
        shot = grabWindow(w.sdl->window());
    });
    act(
        "End", [&] { key(platform::KeyEnd); }, [&] { return view->scroll().atBottom(); });
    std::size_t linesAtEnd = 0;
    bool followed = true;
    s.step(
        "lines come while he is at the newest", [&] { linesAtEnd = lines(); },
        [&] {
            followed = followed && view->scroll().atBottom();
            return lines() >= linesAtEnd + 3;
        });
    EXPECT_EQ(w.game->run(), 0);
    EXPECT_EQ(s.faults, std::vector<std::string>{});
    EXPECT_TRUE(followedAtFirst);
    EXPECT_TRUE(stayed) << "the view moved on while the player read the first lines";
    EXPECT_EQ(firstTop, 0u);
    EXPECT_TRUE(followed) << "the view stayed behind the newest line";
    EXPECT_FALSE(firstLine.empty());
    ASSERT_GT(shot.width, 0) << "player_commentary_back.png was not taken";
    EXPECT_TRUE(writePng(shot, fs::path(VAEL_BUILD_DIR) / "player_commentary_back.png"));
    // The first row of the window holds the first line's ink.
    int ink = 0;
    for (int y = client.y + 2; y < client.y + 2 + CommentaryWindow::LineHeight; ++y)
        for (int x = client.x; x < client.x + client.width - CommentaryWindow::ScrollWidth; ++x)
            ink += y < shot.height && x < shot.width &&
                   (shot.rgb[std::size_t(y) * shot.width + x] & 0xFFFFFF) == 0;
    EXPECT_GT(ink, 20);
}

} // namespace
} // namespace vael::test
