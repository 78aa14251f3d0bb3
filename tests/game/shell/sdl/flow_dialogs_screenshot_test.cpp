// The dialogs of the rules and the flow in the game's real window under Xvfb: each is put up over the
// frame, taken from the X server as it stands, and saved as "dialog_<template>.png" in the build folder for
// people to look at; then it is closed by a click on its button, as a player would. And the menus of a
// battle as a player uses them: Help -> About... (saved as "dialog_aboutdlg.png") and Window -> Close All,
// which leaves the battle's map as it stood and its menus (battle_close_all.png).
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <tuple>

#include "framework/ui/main_window.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/window_manager.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/shell/battle_dialogs.h"
#include "game/shell/flow_dialogs.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/way_dialogs.h"
#include "grab_png.h"
#include "platform/sdl/sdl_platform.h"
#include "support/temp_dir.h"
#include "watched_platform.h"
#include "x11_grab.h"

namespace vael::test {
namespace {

platform::SdlPlatform* os = nullptr;

void click(Dialog& dialog, std::int16_t id) {
    DialogItemWindow* item = dialog.item(id);
    ASSERT_NE(item, nullptr);
    const platform::Rect client = WindowManager::instance().clientOnScreen(dialog.hwnd());
    const Box b = item->box();
    for (platform::EventKind kind : {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp}) {
        platform::Event e;
        e.kind = kind, e.button = platform::ButtonLeft, e.x = client.x + b.x + b.w / 2,
        e.y = client.y + b.y + b.h / 2;
        os->postEvent(e);
    }
}

// The dialog's whole window, frame and all, as the X server shows it; false when it could not be written.
// The dialog is told it is shown while it is made, before it first stands on the screen: it is put there
// first, as its making would a moment later, or the picture holds only what lies under it.
bool shoot(Dialog& dialog, const std::string& name, std::uint32_t& distinctColours, int& parchmentPercent) {
    WindowManager::instance().showPainted(dialog.hwnd());
    dialog.dialogProc(MessagePaint, 0, 0);
    WindowManager::instance().paintFrame(dialog.hwnd());
    const Grab grab = grabWindow(os->window());
    const platform::Rect box = WindowManager::instance().outerOnScreen(dialog.hwnd());
    if (grab.width == 0 || box.width <= 0 || box.height <= 0 || box.x < 0 || box.y < 0 ||
        box.x + box.width > grab.width || box.y + box.height > grab.height)
        return false;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, box.width, box.height);
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<std::uint32_t> seen;
    int parchment = 0;
    for (int y = 0; y < box.height; ++y)
        for (int x = 0; x < box.width; ++x) {
            const std::uint32_t rgb = grab.rgb[std::size_t(box.y + y) * grab.width + std::size_t(box.x + x)];
            reinterpret_cast<std::uint32_t*>(data + y * stride)[x] = rgb;
            if (seen.size() < 64 && std::find(seen.begin(), seen.end(), rgb) == seen.end())
                seen.push_back(rgb);
            // The yellow of the dialogs' parchment, which neither the stone behind them nor the map has.
            const int r = int(rgb >> 16 & 0xFF), g = int(rgb >> 8 & 0xFF), b = int(rgb & 0xFF);
            parchment += r > 200 && g > 180 && b < 190 && r - b > 40;
        }
    parchmentPercent = parchment * 100 / (box.width * box.height);
    distinctColours = static_cast<std::uint32_t>(seen.size());
    cairo_surface_mark_dirty(surface);
    const auto file = std::filesystem::path(VAEL_BUILD_DIR) / ("dialog_" + name + ".png");
    const bool written = cairo_surface_write_to_png(surface, file.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return written;
}

class DialogShots : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
        std::string error;
        platform = platform::SdlPlatform::create(dir / "settings.ini", error);
        ASSERT_TRUE(platform) << error;
        os = platform.get();
        game = std::make_unique<VaelGame>(*platform, VAEL_BUILD_DATA_DIR);
        ASSERT_TRUE(game->ready());
    }
    void TearDown() override {
        game.reset();
        os = nullptr;
    }
    // Shoots the dialog when it is up, then closes it with the button.
    DialogShown shootThenClick(std::int16_t closeId, std::vector<std::string>& shot) {
        return [closeId, &shot](Dialog& d, const std::string& name) {
            std::uint32_t colours = 0;
            int parchment = 0;
            std::string file = name;
            for (char& c : file)
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_TRUE(shoot(d, file, colours, parchment)) << name;
            // Background, frame, text and buttons: a blank or single-coloured grab is no picture of it.
            EXPECT_GE(colours, 4u) << name;
            // The dialog itself, not what lies under it: its parchment fills much of the picture (a fifth
            // where the video's frame takes the rest).
            EXPECT_GE(parchment, 15) << name;
            shot.push_back(name);
            click(d, closeId);
        };
    }
    TempDir dir{"dialog-shots"};
    std::unique_ptr<platform::SdlPlatform> platform;
    std::unique_ptr<VaelGame> game;
};

TEST_F(DialogShots, EveryDialogOfTheRulesAndTheFlowIsDrawnInTheRealWindow) {
    std::vector<std::string> shot;
    {
        MomentumDlg d(shootThenClick(MomentumDlg::IdYes, shot));
        d.attach(game->app());
        EXPECT_EQ(d.create(MomentumDlg::TemplateName, Dialog::Modal), 1);
    }
    {
        InitiativeResultsDlg d("Aristhon", true, shootThenClick(Dialog::IdOk, shot));
        d.attach(game->app());
        EXPECT_EQ(d.create(InitiativeResultsDlg::TemplateName, Dialog::Modal), 1);
    }
    {
        MissileResultsDlg d("Persian Archers", 2, shootThenClick(Dialog::IdOk, shot));
        d.attach(game->app());
        EXPECT_EQ(d.create(MissileResultsDlg::TemplateName, Dialog::Modal), 1);
    }
    {
        RallyDlg d({"Agrianians", 7, true, 2}, shootThenClick(Dialog::IdOk, shot));
        d.attach(game->app());
        EXPECT_EQ(d.create(RallyDlg::TemplateName, Dialog::Modal), 1);
    }
    {
        OWDlg d("Scythian Horse Archers", "Companions", shootThenClick(OWDlg::IdNo, shot));
        d.attach(game->app());
        EXPECT_EQ(d.create(OWDlg::TemplateName, Dialog::Modal), 0);
    }
    {
        EndOrdersDlg d(shootThenClick(EndOrdersDlg::IdYes, shot));
        d.attach(game->app());
        EXPECT_EQ(d.create(EndOrdersDlg::TemplateName, Dialog::Modal), 1);
    }
    SingleCombatResult battle;
    for (const char* name : {"Companions", "Thessalian Cavalry"})
        battle.attackerNames.append(name);
    battle.defenderNames.append("Persian Kardakes");
    for (short v : {1203, 1204})
        battle.attackerHexes.append(v);
    battle.defenderHexes.append(1305);
    for (short v : {1, 3})
        battle.attackerHits.append(v), battle.attackerTotals.append(short(v + 2)),
            battle.attackerRouted.append(0);
    battle.defenderHits.append(5), battle.defenderTotals.append(5), battle.defenderRouted.append(1);
    battle.attackerMargins.append(2), battle.defenderMargins.append(-2);
    {
        ShowCombatResultsDlg d(battle, shootThenClick(ShowCombatResultsDlg::IdClose, shot));
        d.attach(game->app());
        EXPECT_EQ(d.create(ShowCombatResultsDlg::TemplateName, Dialog::Modal), 1);
    }
    {
        List<SingleCombatResult> all;
        all.append(battle);
        all.append(battle);
        BattleDetailsDlg d(all, shootThenClick(BattleDetailsDlg::IdClose, shot));
        d.attach(game->app());
        EXPECT_EQ(d.create(BattleDetailsDlg::TemplateName, Dialog::Modal), 1);
    }
    {
        CohesionOverviewDlg d({{"Companions", 7, 0, false},
                               {"Hypaspists", 6, 2, false},
                               {"Agrianians", 5, 5, true},
                               {"Cretan Archers", 4, 1, false}},
                              {{"Persian Kardakes", 5, 4, false}, {"Immortals", 7, 1, false}},
                              shootThenClick(CohesionOverviewDlg::IdClose, shot));
        d.attach(game->app());
        EXPECT_EQ(d.create(CohesionOverviewDlg::TemplateName, Dialog::Modal), 1);
    }
    {
        VideoDlg d("320vael.avi", shootThenClick(VideoDlg::IdClose, shot));
        d.attach(game->app());
        EXPECT_EQ(d.create(VideoDlg::TemplateName, Dialog::Modal), 1);
        EXPECT_FALSE(d.endedByClip());
    }
    {
        DemoHelpDlg d(shootThenClick(DemoHelpDlg::IdClose, shot));
        d.attach(game->app());
        EXPECT_EQ(d.create(DemoHelpDlg::TemplateName, Dialog::Modal), 1);
    }
    {
        // The game's message box with a reason longer than its three rows: wrapped, and grown to hold it.
        game->onDialog = shootThenClick(Dialog::IdOk, shot);
        EXPECT_EQ(
            game->app().messageBox(
                "Cannot load Autosave.vel:\n/home/aristhon/.local/share/vael/saved-games/"
                "the-fords-of-ghatmar/second-attempt-after-the-rout/Autosave.vel cannot be read: the file "
                "ends before the units of the visitor's army and cannot be played on",
                "Load Game", 0x30),
            1);
        game->onDialog = nullptr;
    }
    {
        // The notice is modeless: it is shot as it stands and closed as the leader's end closes it.
        AILeaderNotice notice([&shot](Dialog& d, const std::string&) {
            std::uint32_t colours = 0;
            int parchment = 0;
            EXPECT_TRUE(shoot(d, "aileadergoing", colours, parchment));
            EXPECT_GE(colours, 4u);
            EXPECT_GE(parchment, 15);
            shot.push_back("AILeaderGoing");
        });
        notice.attach(game->app().logicalLayer());
        notice.show("Tezhar III");
        ASSERT_NE(notice.notice(), nullptr);
        game->app().logicalLayer().sendNamedEmpty("LeaderFinished");
        EXPECT_FALSE(notice.notice()->isOpen());
    }
    EXPECT_EQ(shot, (std::vector<std::string>{"MomentumDlg", "InitiativeResults", "MissileResults",
                                              "RallyDlg", "OWDlg", "EndOrdersDlg", "ShowCombatResults",
                                              "BattleDetailsDlg", "CohesionOverview", "VideoDlg", "DemoHelp",
                                              "VaelMessageBox", "AILeaderGoing"}));
}

// The end of a battle as each player sees it, for one nation: won, lost, and lost because the connection
// was lost ("dialog_endofgame_won.png", "…_lost.png", "…_connection_lost.png"), for people to look at: each
// is drawn whole, a picture of many colours, and closed by its button.
TEST_F(DialogShots, TheThreeEndsOfABattleAreDrawnEachAsItsOwnPicture) {
    const std::pair<EndOfGameDlg::Outcome, const char*> ends[] = {{EndOfGameDlg::Outcome::Won, "won"},
                                                                  {EndOfGameDlg::Outcome::Lost, "lost"},
                                                                  {EndOfGameDlg::Outcome::ConnectionLost,
                                                                   "connection_lost"}};
    for (const auto& [outcome, name] : ends) {
        SCOPED_TRACE(name);
        bool shown = false;
        EndOfGameDlg d(1, outcome, [&](Dialog& dialog, const std::string&) {
            std::uint32_t colours = 0;
            int parchment = 0;
            EXPECT_TRUE(shoot(dialog, std::string("endofgame_") + name, colours, parchment));
            EXPECT_GE(colours, 16u);
            shown = true;
            click(dialog, EndOfGameDlg::IdClose);
        });
        d.attach(game->app());
        EXPECT_EQ(d.create(EndOfGameDlg::TemplateName, Dialog::Modal), EndOfGameDlg::IdClose);
        EXPECT_TRUE(shown);
    }
}

void postClick(int x, int y) {
    for (platform::EventKind kind : {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp}) {
        platform::Event e;
        e.kind = kind, e.button = platform::ButtonLeft, e.x = x, e.y = y;
        os->postEvent(e);
    }
}

// The position of the entry of that label in a menu, or -1.
int positionOf(const SystemMenu& menu, const std::string& label) {
    for (std::size_t i = 0; i < menu.count(); ++i)
        if (menu.entry(i).text == label) return static_cast<int>(i);
    return -1;
}

std::vector<std::string> titlesOf(const SystemMenu& bar) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < bar.count(); ++i)
        out.push_back(bar.entry(i).text);
    return out;
}

VaelMapWindow* battleMap(VaelGame& game) {
    if (!game.app().views()) return nullptr;
    Item<Viewport*>* it = nullptr;
    if (game.app().views()->normal().viewports().firstItem(it) && it)
        return dynamic_cast<VaelMapWindow*>(it->value->display());
    return nullptr;
}

// A window of notes the player might have open beside the map; it closes as any window does.
class NotesWindow : public WindowsChildWindow {
public:
    NotesWindow()
        : Window(Point(-1, -1), Dim(200, 100), "Notes", "Notes"),
          WindowsChildWindow(Point(-1, -1), Dim(200, 100), "Notes", nullptr, nullptr, "Notes") {}
};

TEST(BattleMenus, HelpAboutShowsTheTitleAndVersionAndCloseAllLeavesTheMapAndItsMenus) {
    TempDir dir{"battle-menus"};
    setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
    std::string error;
    auto sdl = platform::SdlPlatform::create(dir / "settings.ini", error);
    ASSERT_TRUE(sdl) << error;
    os = sdl.get();
    std::srand(4);
    // The game waits for the player with nothing queued: the next step of the script is taken then.
    WatchedPlatform watched(*sdl);
    VaelGame game(watched, VAEL_BUILD_DATA_DIR);
    ASSERT_TRUE(game.ready());
    std::vector<std::string> shot, aboutLines, titlesAfter;
    bool mapKept = false;
    platform::Rect mapBefore{}, mapAfter{};
    bool maximizedBefore = false, maximizedAfter = false, closeAllShot = false;
    std::size_t childrenBefore = 0, childrenAfter = 0;
    NotesWindow notes;
    bool notesClosed = false;
    int step = 0;
    WindowsMainWindow& frame = game.frame();
    // Clicks the title of the bar, then (once the pull-down is open) the entry.
    const auto choose = [&](const std::string& title, const std::string& entry) {
        const SystemMenu& bar = *frame.shownMenu()->handle();
        const int t = positionOf(bar, title);
        ASSERT_GE(t, 0) << title;
        const platform::Rect outer = WindowManager::instance().outerOnScreen(frame.hwnd());
        const MenuTracker* tracker = frame.menuTracker();
        ASSERT_NE(tracker, nullptr);
        const Box tb = tracker->titleBox(static_cast<std::size_t>(t));
        postClick(outer.x + tb.x + tb.w / 2, outer.y + tb.y + tb.h / 2);
        // The pull-down's entries lie one under the other from the bar down, as the tracker places them.
        const SystemMenu& pullDown = *bar.entry(static_cast<std::size_t>(t)).submenu;
        const int e = positionOf(pullDown, entry);
        ASSERT_GE(e, 0) << entry;
        int y = MenuTracker::BarHeight + 1;
        for (int i = 0; i < e; ++i)
            y += (pullDown.entry(static_cast<std::size_t>(i)).flags & SystemMenu::Separator)
                     ? MenuTracker::SeparatorHeight
                     : MenuTracker::ItemHeight;
        postClick(outer.x + tb.x + 10, outer.y + y + MenuTracker::ItemHeight / 2);
    };
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (alongTheWay(name)) click(d, Dialog::IdOk);
        if (name == StartGameDlg::TemplateName) click(d, StartGameDlg::IdStartBattle);
        if (name == ScenarioDlg::TemplateName) click(d, Dialog::IdOk);
        if (name == IntroDlg::TemplateName) click(d, IntroDlg::IdHomePlayer), click(d, Dialog::IdOk);
        if (name == AboutDlg::TemplateName) {
            std::uint32_t colours = 0;
            int parchment = 0;
            EXPECT_TRUE(shoot(d, "aboutdlg", colours, parchment));
            EXPECT_GE(colours, 4u);
            EXPECT_GE(parchment, 15);
            shot.push_back(name);
            aboutLines.push_back(d.getItemText(AboutDlg::IdTitle));
            click(d, 1);
        }
    };
    // Once the map is up and the game waits for the player: About, then Close All, then the close box.
    VaelMapWindow* map = nullptr;
    watched.idle = [&] {
        if (step == 0) map = battleMap(game);
        if (!map || step > 2) return;
        switch (step++) {
        case 0:
            choose("&Help", "&About...");
            return;
        case 1:
            if (shot.empty()) { // About has not been seen yet: wait for it
                --step;
                return;
            }
            mapBefore = WindowManager::instance().outerOnScreen(map->hwnd());
            maximizedBefore = map->isMaximized();
            notes.createInFrame();
            childrenBefore = frame.children().size();
            choose("&Window", "C&lose All");
            return;
        case 2: {
            mapKept = battleMap(game) == map && map->hwnd() != 0;
            if (mapKept) {
                mapAfter = WindowManager::instance().outerOnScreen(map->hwnd());
                maximizedAfter = map->isMaximized();
                closeAllShot = writePng(grabWindow(os->window()),
                                        std::filesystem::path(VAEL_BUILD_DIR) / "battle_close_all.png");
            }
            map = nullptr; // the program may have let it go
            childrenAfter = frame.children().size();
            notesClosed = notes.hwnd() == 0;
            titlesAfter = titlesOf(*frame.shownMenu()->handle());
            platform::Event close;
            close.kind = platform::EventKind::CloseRequest;
            os->postEvent(close);
            return;
        }
        default:
            return;
        }
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(shot, std::vector<std::string>{AboutDlg::TemplateName});
    EXPECT_EQ(aboutLines, std::vector<std::string>{"The Iron Vigils of Vaelmoric, version 0.1"});
    EXPECT_TRUE(mapKept);
    // The map stays as it stood, filling the frame's client (battle_close_all.png). Before, Close All left it
    // a small window of its restored size.
    EXPECT_TRUE(maximizedBefore);
    EXPECT_TRUE(maximizedAfter);
    EXPECT_EQ((std::tuple{mapAfter.x, mapAfter.y, mapAfter.width, mapAfter.height}),
              (std::tuple{mapBefore.x, mapBefore.y, mapBefore.width, mapBefore.height}));
    EXPECT_TRUE(closeAllShot);
    // The notes (on top) closed, the map below them stayed, and with it the battle's menus.
    EXPECT_EQ((std::pair{childrenBefore, childrenAfter}), (std::pair{std::size_t{2}, std::size_t{1}}));
    EXPECT_TRUE(notesClosed);
    EXPECT_EQ(titlesAfter,
              (std::vector<std::string>{"&File", "&Game", "&Leader", "&Unit", "&View", "&Window", "&Help"}));
    os = nullptr;
}

} // namespace
} // namespace vael::test
