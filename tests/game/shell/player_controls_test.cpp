// What a new player met in the window's controls and dialogs, played by the same clicks, drags and keys on
// the game on the headless platform with the forged data: the leaders' drop-downs, the volume bar, the
// greyed Help buttons, the menus' letters, a custom rout level, the host to join kept after a failed
// connection, the status bar on coming back to the start dialog, and About's credits.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/comm/tcp_link.h"
#include "framework/display/application_palette.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/status_bar.h"
#include "game/net/net_dialogs.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_main_window.h"
#include "shell_dialog_fixture.h"

namespace vael::test {
namespace {

class PlayerControls : public ShellDialogs {
protected:
    void pump() {
        for (int i = 0; i < 200 && game.app().messageWaiting(); ++i)
            game.app().pumpMessage();
    }
    // The screen's colour of a palette colour of the game.
    std::uint32_t rgbOf(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        const RgbQuad& c = game.app().getPalette()->colours()[Display::matchColour(r, g, b)];
        return std::uint32_t(c.red) << 16 | std::uint32_t(c.green) << 8 | c.blue;
    }
    std::uint32_t screenAt(Dialog& d, std::int32_t x, std::int32_t y) {
        const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
        return os.pixel(client.x + x, client.y + y);
    }
    void post(platform::EventKind kind, Dialog& d, std::int32_t x, std::int32_t y) {
        const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
        platform::Event e;
        e.kind = kind, e.button = platform::ButtonLeft, e.x = client.x + x, e.y = client.y + y;
        os.postEvent(e);
    }
};

// With no more leaders than the left column of Choose Leaders holds, a player's field takes the room the
// empty right column leaves, up to that column's right edge; with one leader more both columns show, each
// field as the template has it. (What a long name looks like there is seen in the real window, by
// shell_sdl_tests.) Before, the field kept its template width with the right column empty.
TEST_F(PlayerControls, ChooseLeadersGivesThePlayersNamesTheRoomOfAnEmptyColumn) {
    ASSERT_TRUE(game.ready());
    for (const std::size_t count : {std::size_t(10), std::size_t(11)}) {
        SCOPED_TRACE(std::to_string(count) + " leaders");
        std::vector<std::string> leaders;
        for (std::size_t i = 0; i < count; ++i)
            leaders.push_back("Leader " + std::to_string(i + 1));
        NetChooseLeadersDlg pick(leaders, {"Ann", "Bob"}, std::vector<std::int32_t>(count, 0));
        pick.attach(game.app());
        pick.create(NetChooseLeadersDlg::TemplateName, Dialog::Modeless);
        pump();
        const Box field = pick.item(NetChooseLeadersDlg::IdFirstChoice)->shownBox();
        const Box right = pick.item(NetChooseLeadersDlg::IdFirstChoice + 10)->shownBox();
        EXPECT_EQ(pick.item(NetChooseLeadersDlg::IdFirstChoice + 10)->isVisible(), count == 11);
        if (count == 10)
            EXPECT_EQ(field.x + field.w, right.x + right.w);
        else // the template's field, clear of the right column
            EXPECT_LT(field.x + field.w, right.x);
        pick.close(0);
    }
}

// Choose Leaders stacks twenty drop-downs, each template box reaching 60 units down over the three below
// it. An open list covers the one below it and no more: the fields further down keep their white face,
// and a click on one of them opens that one, not the one whose box reaches down to it.
TEST_F(PlayerControls, AnOpenLeadersDropDownLeavesTheDropDownsBelowItInView) {
    ASSERT_TRUE(game.ready());
    NetChooseLeadersDlg pick({"Vaelmoric", "Keldrian", "Tezhar III", "Rajavan", "Surendal"}, {"Ann", "Bob"},
                             {0, 0, 1, 1, 1});
    pick.attach(game.app());
    pick.create(NetChooseLeadersDlg::TemplateName, Dialog::Modeless);
    pump();
    const std::uint32_t white = rgbOf(255, 255, 255);
    // A point of a field's white face right of the short names and left of its arrow.
    const auto faceOf = [&](std::int16_t id) {
        const Box b = pick.item(id)->box();
        return screenAt(pick, b.x + b.w - 16, b.y + 7);
    };
    for (std::int16_t id = 301; id <= 305; ++id) {
        SCOPED_TRACE("closed " + std::to_string(id));
        EXPECT_EQ(faceOf(id), white);
    }
    clickOn(os, pick, 301);
    pump();
    ASSERT_TRUE(pick.item(301)->isDropped());
    // Two players: the list is 15 + 2 × 13 + 2 = 43 pixels from the field's top, over 302's field (26 below)
    // and short of 303's (52 below).
    EXPECT_EQ(pick.item(301)->droppedBox().h, 43);
    for (std::int16_t id = 303; id <= 305; ++id) {
        SCOPED_TRACE("below the open list " + std::to_string(id));
        EXPECT_EQ(faceOf(id), white);
    }
    clickOn(os, pick, 301); // the field again closes the list
    pump();
    // A click on the fourth leader's field, which the first one's template box reaches, is the fourth's.
    const Box fourth = pick.item(304)->box();
    clickAt(os, pick, fourth.x + 5, fourth.y + 5);
    pump();
    EXPECT_FALSE(pick.item(301)->isDropped());
    EXPECT_TRUE(pick.item(304)->isDropped());
    pick.close(0);
}

// The volume bar's thumb follows the pointer as it is dragged, both ways, and the volume follows the thumb;
// the arrows and the track each side of the thumb step once.
TEST_F(PlayerControls, TheVolumeThumbIsDraggedBothWaysAndTheArrowsAndTrackStep) {
    ASSERT_TRUE(game.ready());
    Preferences full;
    full.volume = Preferences::MaxVolume;
    PreferencesDlg prefs(full, 0);
    std::vector<std::uint32_t> heard;
    prefs.volumeChanged = [&](std::uint32_t v) { heard.push_back(v); };
    prefs.attach(game.app());
    prefs.create(PreferencesDlg::TemplateName, Dialog::Modeless);
    pump();
    DialogItemWindow* bar = prefs.item(PreferencesDlg::IdVolume);
    const Box b = bar->box();
    // 62 × 10 units: 108 × 16 pixels; arrows and thumb 16 wide, the thumb's start running over 108 - 48 = 60
    // pixels from x 16, six pixels a tenth: at ten it covers x 76 to 91.
    ASSERT_EQ((std::pair{b.w, b.h}), (std::pair<std::int16_t, std::int16_t>{108, 16}));
    ASSERT_EQ(bar->position(), 10);
    const std::int32_t y = b.y + b.h / 2;
    // Where the pointer goes along the bar, and where the thumb then stands.
    struct Along {
        const char* what;
        std::int32_t x;
        std::int32_t position;
    };
    const Along drags[] = {
        {"pressed on the thumb, 8 pixels into it", b.x + 84, 10},
        {"two tenths left", b.x + 72, 8},
        {"a third of a tenth further: still eight", b.x + 70, 8},
        {"two thirds of a tenth further: seven", b.x + 68, 7},
        {"far left, off the bar", b.x - 40, 0},
        {"back right to the middle", b.x + 54, 5},
        {"far right, off the dialog", b.x + 400, 10},
        {"left again", b.x + 36, 2},
    };
    for (const auto& d : drags) {
        SCOPED_TRACE(d.what);
        post(&d == drags ? platform::EventKind::ButtonDown : platform::EventKind::MouseMove, prefs, d.x, y);
        pump();
        EXPECT_EQ(bar->position(), d.position);
    }
    post(platform::EventKind::ButtonUp, prefs, b.x + 36, y);
    pump();
    EXPECT_EQ(prefs.preferences().volume, 2 * PreferencesDlg::VolumeStep);
    // Moves after the release leave the thumb where it was dropped.
    post(platform::EventKind::MouseMove, prefs, b.x + 90, y);
    pump();
    EXPECT_EQ(bar->position(), 2);
    const Along clicks[] = {
        {"the left arrow", b.x + 8, 1},
        {"the left arrow at its last pixel", b.x + 15, 0},
        {"the left arrow at the low end", b.x + 2, 0},
        {"the right arrow at its first pixel", b.x + 92, 1},
        {"the track right of the thumb", b.x + 60, 2},
        {"the track left of the thumb", b.x + 17, 1},
    };
    for (const auto& c : clicks) {
        SCOPED_TRACE(c.what);
        clickAt(os, prefs, c.x, y);
        pump();
        EXPECT_EQ(bar->position(), c.position);
    }
    EXPECT_EQ(heard.front(), 8 * PreferencesDlg::VolumeStep);
    EXPECT_EQ(heard.back(), 1 * PreferencesDlg::VolumeStep);
    prefs.close(0);
}

// A disabled button's label is grey, an enabled one's black (near enough): Help beside OK and Cancel in the
// preferences.
TEST_F(PlayerControls, TheDisabledHelpButtonsLabelIsGreyAndTheEnabledButtonsBlack) {
    ASSERT_TRUE(game.ready());
    PreferencesDlg prefs(Preferences{}, 0);
    prefs.attach(game.app());
    prefs.create(PreferencesDlg::TemplateName, Dialog::Modeless);
    pump();
    // The glyphs' ink is the darkest grey of the palette, near black; a greyed label's is the grey of 80.
    const auto dark = [](std::uint32_t c) {
        return (c >> 16 & 255) < 40 && (c >> 8 & 255) < 40 && (c & 255) < 40;
    };
    const std::uint32_t grey = rgbOf(80, 80, 80);
    const struct {
        const char* what;
        std::int16_t id;
        bool enabled;
    } rows[] = {{"Help", 9, false}, {"Cancel", Dialog::IdCancel, true}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        ASSERT_EQ(prefs.item(r.id)->isEnabled(), r.enabled);
        const Box b = prefs.item(r.id)->box();
        const Box label = prefs.controlOf(r.id)->labelBox(Dim(b.w, b.h));
        int blackInk = 0, greyInk = 0;
        for (std::int32_t y = label.y; y < label.y + label.h; ++y)
            for (std::int32_t x = label.x; x < label.x + label.w; ++x) {
                const std::uint32_t c = screenAt(prefs, b.x + x, b.y + y);
                blackInk += dark(c), greyInk += c == grey;
            }
        if (r.enabled) {
            EXPECT_GT(blackInk, 0);
        } else {
            EXPECT_EQ(blackInk, 0);
            EXPECT_GT(greyInk, 0);
        }
    }
    prefs.close(0);
}

// Alt and a title's underlined letter opens that menu of the frame's bar; a letter no title has opens none.
TEST_F(PlayerControls, AltAndATitlesLetterOpensThatMenu) {
    ASSERT_TRUE(game.ready());
    const struct {
        const char* what;
        std::int32_t key;
        int open;
    } rows[] = {
        {"Alt+F: File", 'F', 0}, {"Alt+W: Window", 'W', 1}, {"Alt+H: Help", 'H', 2}, {"Alt+Q", 'Q', -1}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        postKey(os, r.key, platform::ModAlt);
        pump();
        ASSERT_NE(game.frame().menuTracker(), nullptr);
        EXPECT_EQ(game.frame().menuTracker()->openTitle(), r.open);
        postKey(os, platform::KeyEscape);
        pump();
        EXPECT_EQ(game.frame().menuTracker()->openTitle(), -1);
    }
}

// Custom offers each army's level to type, half its total at first and closed until Custom is chosen; a
// level from 1 to the army's total is taken, anything else told, and the player types again.
// The template's controls of the typed levels: each army's name and bounds, and its level.
constexpr std::int16_t HomeLabel = 20, HomeLevel = 21, VisitorLabel = 22, VisitorLevel = 23;

TEST_F(PlayerControls, ACustomRoutLevelIsTypedForEachArmyWithinItsTotal) {
    ASSERT_TRUE(game.ready());
    const ArmyRoutRequest request{"Macedonian", "Indian", 40, 100, 30, 60, 1};
    const std::string homeTold = "The Macedonian army's level must be a number from 1 to 100.",
                      visitorTold = "The Indian army's level must be a number from 1 to 60.";
    const struct {
        const char* what;
        bool retyped;
        std::string home, visitor;
        std::vector<std::string> told;
        std::uint16_t homeLevel, visitorLevel;
    } rows[] = {
        {"as offered", false, "", "", {}, 50, 30},
        {"both totals", true, "100", "60", {}, 100, 60},
        {"one point each", true, "1", "1", {}, 1, 1},
        {"past the home total", true, "101", "60", {homeTold}, 35, 20},
        {"past the visitor total", true, "100", "61", {visitorTold}, 35, 20},
        {"none for the visitor", true, "35", "0", {visitorTold}, 35, 20},
        {"no number", true, "3a", "20", {homeTold}, 35, 20},
        {"nothing", true, "", "20", {homeTold}, 35, 20},
    };
    const auto retype = [&](Dialog& d, std::int16_t id, const std::string& text) {
        clickOn(os, d, id);
        postKey(os, platform::KeyEnd);
        for (int i = 0; i < 4; ++i)
            postKey(os, platform::KeyBackspace);
        if (!text.empty()) postText(os, text);
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<std::string> told, offered;
        Dialog* asked = nullptr;
        // Told, the player types levels that fit.
        game.onDialog = [&](Dialog& d, const std::string& name) {
            ASSERT_EQ(name, InformationDlg::TemplateName);
            // The whole first line, however many rows the box wraps it into.
            const auto* box = dynamic_cast<InformationDlg*>(&d);
            ASSERT_TRUE(box && !box->lines().empty());
            told.push_back(box->lines().front());
            clickOn(os, d, Dialog::IdOk);
            retype(*asked, HomeLevel, "35");
            retype(*asked, VisitorLevel, "20");
            clickOn(os, *asked, Dialog::IdOk);
        };
        ArmyRoutDlg rout(request, [&](Dialog& d, const std::string&) {
            asked = &d;
            offered = {tileText(d, HomeLabel), d.getItemText(HomeLevel), tileText(d, VisitorLabel),
                       d.getItemText(VisitorLevel),
                       d.item(HomeLevel) && d.item(HomeLevel)->isEnabled() ? "open" : "closed"};
            clickOn(os, d, ArmyRoutDlg::IdCustom);
            if (r.retyped) {
                retype(d, HomeLevel, r.home);
                retype(d, VisitorLevel, r.visitor);
            }
            clickOn(os, d, Dialog::IdOk);
        });
        rout.attach(game.app());
        ASSERT_EQ(rout.create(ArmyRoutDlg::TemplateName, Dialog::Modal), 1);
        // Normal is chosen as the dialog opens: the fields show its levels, the battle's own 40 and 30.
        EXPECT_EQ(offered, (std::vector<std::string>{"Macedonian (1 to 100)", "40", "Indian (1 to 60)", "30",
                                                     "closed"}));
        EXPECT_EQ(told, r.told);
        EXPECT_EQ((std::pair{rout.homeLevel(), rout.visitorLevel()}),
                  (std::pair{r.homeLevel, r.visitorLevel}));
    }
}

// Choosing another level after Custom closes the typed levels again.
TEST_F(PlayerControls, TheTypedLevelsAreOpenOnlyWhileCustomIsChosen) {
    ASSERT_TRUE(game.ready());
    std::vector<bool> open;
    ArmyRoutDlg rout(
        ArmyRoutRequest{"Macedonian", "Indian", 40, 100, 30, 60, 1}, [&](Dialog& d, const std::string&) {
            for (std::int16_t click : {ArmyRoutDlg::IdCustom, ArmyRoutDlg::IdHard, ArmyRoutDlg::IdCustom}) {
                clickOn(os, d, click);
                pump();
                open.push_back(d.item(HomeLevel) && d.item(HomeLevel)->isEnabled() && d.item(VisitorLevel) &&
                               d.item(VisitorLevel)->isEnabled());
            }
            clickOn(os, d, ArmyRoutDlg::IdHard), clickOn(os, d, Dialog::IdOk);
        });
    rout.attach(game.app());
    ASSERT_EQ(rout.create(ArmyRoutDlg::TemplateName, Dialog::Modal), 1);
    EXPECT_EQ(open, (std::vector<bool>{true, false, true}));
    // Hard for the player's home side: 40 - 10 and 30 + 7.
    EXPECT_EQ((std::pair{rout.homeLevel(), rout.visitorLevel()}),
              (std::pair<std::uint16_t, std::uint16_t>{30, 37}));
}

// The player clicks a field, selects what it holds and types over it.
void retype(platform::Platform& os, Dialog& d, std::int16_t id, const std::string& text) {
    clickOn(os, d, id);
    postKey(os, platform::KeyHome), postKey(os, platform::KeyEnd, platform::ModShift);
    postText(os, text);
}

// A port nobody listens on: one the system gave a listener that has closed again.
std::uint16_t closedPort(platform::Platform& os) {
    comm::TcpListener listener(os);
    std::string error;
    if (!listener.listen(0, error)) return 0;
    const std::uint16_t port = listener.port();
    listener.close();
    return port;
}

// Multiplayer, the role chosen, and its information dialog, twice: the first time the player fills it in
// (and the road fails: a box tells him why), the second time what it shows is read and he cancels.
struct SecondLook {
    int starts = 0;
    std::vector<std::string> told, shown;
};
SecondLook comeBackToInformation(VaelGame& game, platform::Platform& os, std::int16_t role,
                                 const char* information, const std::function<void(Dialog&)>& fill,
                                 const std::function<std::vector<std::string>(Dialog&)>& read) {
    SecondLook look;
    int times = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName)
            return clickOn(os, d, ++look.starts <= 2 ? StartGameDlg::IdMultiplayer : StartGameDlg::IdExit);
        if (name == TempNetDlg::TemplateName) return clickOn(os, d, role);
        if (name == ScenarioDlg::TemplateName) return clickOn(os, d, Dialog::IdOk);
        if (name == InformationDlg::TemplateName) {
            look.told.push_back(tileText(d, InformationDlg::IdLine1));
            return clickOn(os, d, Dialog::IdOk);
        }
        if (name != information) return;
        if (++times == 2) {
            look.shown = read(d);
            return clickOn(os, d, Dialog::IdCancel);
        }
        fill(d);
        clickOn(os, d, Dialog::IdOk);
    };
    EXPECT_EQ(game.run(), 0);
    game.onDialog = nullptr;
    return look;
}

// The player types the host and port to join; the connection fails and he is back at the start dialog.
// Multiplayer again shows him what he typed, to try once more.
TEST_F(PlayerControls, TheClientInformationKeepsWhatWasTypedAfterAFailedConnection) {
    ASSERT_TRUE(game.ready());
    const std::uint16_t port = closedPort(os);
    ASSERT_NE(port, 0);
    const SecondLook look = comeBackToInformation(
        game, os, TempNetDlg::IdClient, StartClientDlg::TemplateName,
        [&](Dialog& d) {
            retype(os, d, StartClientDlg::IdName, "Keldrian");
            clickOn(os, d, StartClientDlg::IdServer);
            postText(os, "127.0.0.1");
            retype(os, d, StartClientDlg::IdPort, std::to_string(port));
        },
        [](Dialog& d) {
            return std::vector<std::string>{d.getItemText(StartClientDlg::IdName),
                                            d.getItemText(StartClientDlg::IdServer),
                                            d.getItemText(StartClientDlg::IdPort)};
        });
    EXPECT_EQ(look.starts, 3);
    EXPECT_EQ(look.told, std::vector<std::string>{"Cannot join the battle:"});
    EXPECT_EQ(look.shown, (std::vector<std::string>{"Keldrian", "127.0.0.1", std::to_string(port)}));
}

// The same for the host: the port he types is taken by another program, so hosting fails after he has
// chosen his battle; Multiplayer, Server again shows his name and that port.
TEST_F(PlayerControls, TheServerInformationKeepsWhatWasTypedAfterAFailedHosting) {
    ASSERT_TRUE(game.ready());
    comm::TcpListener taken(os);
    std::string error;
    ASSERT_TRUE(taken.listen(0, error)) << error;
    const std::uint16_t port = taken.port();
    const SecondLook look = comeBackToInformation(
        game, os, TempNetDlg::IdServer, StartServerDlg::TemplateName,
        [&](Dialog& d) {
            retype(os, d, StartServerDlg::IdName, "Ostrevane");
            retype(os, d, StartServerDlg::IdPort, std::to_string(port));
        },
        [](Dialog& d) {
            return std::vector<std::string>{d.getItemText(StartServerDlg::IdName),
                                            d.getItemText(StartServerDlg::IdPort)};
        });
    EXPECT_EQ(look.starts, 3);
    EXPECT_EQ(look.told, std::vector<std::string>{"Cannot host a battle:"});
    EXPECT_EQ(look.shown, (std::vector<std::string>{"Ostrevane", std::to_string(port)}));
}

// Back at the start dialog the status bar shows the game's title again, whatever was left there (a unit
// deselected at a battle's end leaves it empty).
TEST_F(PlayerControls, TheStatusBarShowsTheTitleOnComingBackToTheStartDialog) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> shown;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == StartGameDlg::TemplateName) {
            shown.push_back(game.frame().statusBar()->text(1));
            return clickOn(os, d, shown.size() == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
        }
        if (name == ScenarioDlg::TemplateName) {
            game.app().setStatusText("", 1);
            clickOn(os, d, Dialog::IdCancel);
        }
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(shown,
              (std::vector<std::string>{"The Iron Vigils of Vaelmoric", "The Iron Vigils of Vaelmoric"}));
}

// About's Credits name the game's makers and what they made, each line in the dialog.
TEST_F(PlayerControls, AboutShowsTheGamesCreditsUnderItsTitle) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> lines;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        ASSERT_EQ(name, AboutDlg::TemplateName);
        for (std::int16_t id = 110; id <= 120; ++id)
            lines.push_back(tileText(d, id));
        clickOn(os, d, Dialog::IdOk);
    };
    game.showAbout();
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "Made by Tamblor.", "Design and rules of battle: the Tamblor team.",
                  "Maps, soldiers, horses, elephants and sounds:", "drawn and made by the game's own forge.",
                  "Battles: The Fords of Ghatmar, The Pass of Korvath,",
                  "The Plain of Threnmoor, The Woods of Ardhun", "and The Fords of Velmesk.",
                  "The campaign: Vaelmoric's march through five provinces.", "Lettering: DejaVu Sans.",
                  "Thanks to every player who keeps the vigil.", "<none>"}));
}

} // namespace
} // namespace vael::test
