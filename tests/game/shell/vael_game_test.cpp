// The game as the program runs it, on the headless platform with the forged data, driven by scripted
// clicks on its dialogs: from the start dialog into a battle and out again, and a battle saved, left and
// loaded by a new start of the game.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "battle_doubles.h"
#include "battle_runner.h"
#include "framework/core/bus_event.h"
#include "framework/core/registered_message.h"
#include "framework/ui/dialog_control.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/picture_archive.h"
#include "framework/ui/status_bar.h"
#include "framework/ui/window_manager.h"
#include "game/flow/game_control.h"
#include "game/flow/saved_game.h"
#include "game/flow/vael_logical_layer.h"
#include "game/map/vael_map_window.h"
#include "game/map/vael_physical_layer.h"
#include "game/rules/combat/clash_chart.h"
#include "game/rules/leaders/leader.h"
#include "game/rules/scenario_records.h"
#include "game/shell/combat_results_dialog.h"
#include "game/shell/game_overview_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/shell_message_names.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/vael_main_window.h"
#include "game/shell/vael_toolbar.h"
#include "game/shell/way_dialogs.h"
#include "game/sound/vael_sound_manager.h"
#include "platform/headless/headless_platform.h"
#include "support/bus_recorder.h"
#include "support/data_home.h"
#include "support/failed_checks.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class GameTest : public ::testing::Test {
protected:
    TempDir dir{"game"};
    DataHome home{dir.path().string()};
};

LogicalPalette* noPalette(const std::string&) {
    return nullptr;
}
void keepPalette(LogicalPalette*) {}
std::unique_ptr<PictureArchive> noArchive(const std::string&) {
    return nullptr;
}

// A game hooks its palette, window pictures and system font into the framework for the whole process;
// once it has gone the hooks it found are back, whether there were none or others, and an application
// made afterwards on an empty data directory looks for no palette there.
TEST_F(GameTest, AGameThatHasGonePutsBackTheFrameworksHooksItFound) {
    const struct {
        const char* name;
        WinApp::PaletteMaker make;
        WinApp::PaletteDestroyer destroy;
        PictureArchive::Opener opener;
    } rows[] = {
        {"no hooks before the game", nullptr, nullptr, nullptr},
        {"hooks of another before the game", &noPalette, &keepPalette, &noArchive},
    };
    const auto make = WinApp::paletteMaker();
    const auto destroy = WinApp::paletteDestroyer();
    const auto opener = PictureArchive::setOpener(nullptr);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        WinApp::setPaletteMaker(row.make, row.destroy);
        PictureArchive::setOpener(row.opener);
        const auto matcher = Display::setColourMatcher(nullptr);
        // A matcher of none stands for the display's plain one.
        const auto plainMatcher = Display::setColourMatcher(nullptr);
        const auto remap = DialogControl::setDisabledRemap(nullptr);
        const auto drawer = MenuTracker::setTextDrawer(nullptr);
        const auto writer = WindowsStatusBar::setTextWriter(nullptr);
        {
            platform::HeadlessPlatform os;
            VaelGame game(os, VAEL_BUILD_DATA_DIR);
            ASSERT_TRUE(game.ready());
            EXPECT_NE(WinApp::paletteMaker(), row.make) << "the game's own while it runs";
        }
        EXPECT_EQ(WinApp::paletteMaker(), row.make);
        EXPECT_EQ(WinApp::paletteDestroyer(), row.destroy);
        EXPECT_EQ(PictureArchive::setOpener(row.opener), row.opener);
        EXPECT_EQ(Display::setColourMatcher(matcher), plainMatcher);
        EXPECT_EQ(DialogControl::setDisabledRemap(remap), nullptr);
        EXPECT_EQ(MenuTracker::setTextDrawer(drawer), nullptr);
        EXPECT_EQ(WindowsStatusBar::setTextWriter(writer), nullptr);
    }
    WinApp::setPaletteMaker(nullptr, nullptr);
    PictureArchive::setOpener(nullptr);
    {
        platform::HeadlessPlatform os;
        VaelGame game(os, VAEL_BUILD_DATA_DIR);
    }
    TempDir empty("game-empty");
    platform::HeadlessPlatform os;
    os.settings().writeText(platform::Settings::Root::Machine, "SOFTWARE\\Tamblor\\Vaelmoric", "Path",
                            empty.path().string());
    {
        FailedChecks checks;
        // Without the display layers, which would miss the image index of the empty directory.
        VaelApp app(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        EXPECT_EQ(checks.texts, std::vector<std::string>{});
    }
    WinApp::setPaletteMaker(make, destroy);
    PictureArchive::setOpener(opener);
}

TEST_F(GameTest, FromTheStartDialogABattleOfTheComputerOnBothSidesRunsToItsEndAndBackToTheStart) {
    std::srand(3);
    platform::HeadlessPlatform os;
    // A whole battle: the animations end at once (the display layers' own battles are the battle tool's).
    VaelGame game(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    instant.attach(game.app().logicalLayer());
    ASSERT_TRUE(game.ready());
    EXPECT_EQ((std::pair{os.width(), os.height()}), (std::pair{1024, 768}));
    std::vector<std::string> shown;
    int starts = 0;
    std::vector<std::uint32_t> ends;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        // A plan script of the computer may report an error of its own on the way; the battle goes on.
        if (alongTheWay(name)) return clickOn(os, d, Dialog::IdOk);
        shown.push_back(name);
        if (name == StartGameDlg::TemplateName)
            clickOn(os, d, ++starts == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
        else if (name == ScenarioDlg::TemplateName)
            clickOn(os, d, Dialog::IdOk);
        else if (name == IntroDlg::TemplateName)
            clickOn(os, d, IntroDlg::IdHomeComputer), clickOn(os, d, Dialog::IdOk);
        else if (name == EndOfGameDlg::TemplateName)
            ends.push_back(dynamic_cast<EndOfGameDlg&>(d).nation()), clickOn(os, d, EndOfGameDlg::IdClose);
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(shown,
              (std::vector<std::string>{"StartGame", "Scenario", "IntroDlg", "EndOfGameDlg", "StartGame"}));
    // The computer plays both sides: the end shows the home side's picture, the Macedonians'.
    EXPECT_EQ(ends, std::vector<std::uint32_t>{1});
    EXPECT_TRUE(os.boxes.empty());
    EXPECT_FALSE(game.app().battleRunning());
    EXPECT_EQ(game.app().caption().rfind("The Fords of Ghatmar - Turn ", 0), 0u) << game.app().caption();
}

// The player's side: each of his leaders is finished through the menu command, as the leader menu gives
// it, and the battle is saved as his leader of the third turn is activated.
struct Player {
    platform::HeadlessPlatform* os = nullptr;
    VaelGame* game = nullptr;
    bool saveAtTurnThree = false;
    bool saved = false;
    Bytes stateAtSave;
    std::int16_t turnAtSave = -1;
    Bytes stateAtResume;
    std::int16_t turnAtResume = -1;
};
Player* player = nullptr;

ContainerBase* humanActivated(Component*, BusMessage, ContainerBase*) {
    VaelApp& app = player->game->app();
    GameControl* control = app.gameControl();
    const Leader* leader = control->leaderAt(control->getActiveLeader()).leader;
    if (!leader || leader->isComputerControlled()) return nullptr;
    if (player->saveAtTurnThree && !player->saved && control->getTurn() >= 2) {
        player->saved = true;
        player->stateAtSave = saveLayerPart(app.logicalLayer());
        player->turnAtSave = control->getTurn();
        app.postMessage(WinApp::mainWindowHandle(), MessageCommand,
                        RegisteredMessage::getId(VaelToolbar::SaveCommand), 0);
        return nullptr;
    }
    app.postMessage(WinApp::mainWindowHandle(), MessageCommand, 224, 0);
    return nullptr;
}

ContainerBase* resumed(Component* target, BusMessage event, ContainerBase* data) {
    if (player->stateAtResume.empty()) {
        player->stateAtResume = saveLayerPart(player->game->app().logicalLayer());
        player->turnAtResume = player->game->app().gameControl()->getTurn();
    }
    // The resumed leader is his: he finishes him as any other.
    return humanActivated(target, event, data);
}

// Told of each leader's activation, where a test set it.
std::function<void()> activationSeen;
ContainerBase* leaderActivated(Component*, BusMessage, ContainerBase*) {
    if (activationSeen) activationSeen();
    return nullptr;
}

// Told at each tick of a test's timer.
std::function<void()> tickSeen;
ContainerBase* timerTicked(Component*, BusMessage, ContainerBase*) {
    if (tickSeen) tickSeen();
    return nullptr;
}

// The game without its display, its battle's animations over at once.
struct UnseenGame {
    platform::HeadlessPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None};
    battle::InstantAnimations instant;
    UnseenGame() { instant.attach(game.app().logicalLayer()); }
};

// The game's close box, as the window manager asks it.
void requestClose(platform::HeadlessPlatform& os) {
    platform::Event close;
    close.kind = platform::EventKind::CloseRequest;
    os.postEvent(close);
}

// The road into a battle the computer fights on both sides: Start Battle, the scenario offered, the
// computer for both sides; a second start dialog is left by Exit. False for a dialog off that road.
bool takeTheComputersRoad(platform::HeadlessPlatform& os, Dialog& d, const std::string& name, int& starts) {
    if (name == StartGameDlg::TemplateName) {
        clickOn(os, d, ++starts == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
    } else if (name == ScenarioDlg::TemplateName) {
        clickOn(os, d, starts == 1 ? Dialog::IdOk : Dialog::IdCancel);
    } else if (name == IntroDlg::TemplateName) {
        clickOn(os, d, IntroDlg::IdHomeComputer), clickOn(os, d, Dialog::IdOk); // and the visitor
    } else {
        return false;
    }
    return true;
}

// Save Game chosen while the computer gives a leader's orders waits for a moment the file can carry, the
// battle playing on, its menus and tool bar live. While it waits, Open Game, a second Save and Start Game
// open nothing, and the file is written once the computer's orders come to such a moment, the status bar
// saying so. Before, Open Game chosen then loaded another game, which the waiting save then wrote under the
// name given for this one; a second Save opened a box over the first; and the wait spun without letting the
// clock or the battle move, to write nothing after all.
TEST_F(GameTest, WhileASaveWaitsNothingOpensOrStartsAnotherBattleAndTheStatusBarTellsTheWait) {
    std::srand(5);
    UnseenGame unseen;
    platform::HeadlessPlatform& os = unseen.os;
    VaelGame& game = unseen.game;
    ASSERT_TRUE(game.ready());
    const auto file = dir / "vael" / "waited.vel";
    const auto status = [&] { return game.frame().statusBar()->text(2); };
    const auto command = [&](const char* name) {
        game.app().postMessage(WinApp::mainWindowHandle(), MessageCommand, RegisteredMessage::getId(name), 0);
    };
    bool saving = false;
    std::vector<std::string> shown, asked, told;
    std::string waitedFor;
    int starts = 0;
    activationSeen = [&] {
        GameControl* control = game.app().gameControl();
        if (!saving && control && control->getTurn() >= 1) {
            saving = true;
            command(VaelToolbar::SaveCommand);
        }
    };
    // The status bar's line as it changes, looked at each tick of the game's clock.
    bool left = false;
    std::uint32_t okAt = 0, savedAt = 0;
    std::string waitsAtSave = "never saved";
    Dialog* results = nullptr;
    tickSeen = [&] {
        if (saving && (told.empty() || told.back() != status())) told.push_back(status());
        // The combats' results that stood under Save Game's box took none of the clicks meant for that box:
        // the player answers them as the battle plays on.
        if (results && results->isOpen() && game.saveWaits()) clickOn(os, *results, Dialog::IdOk);
        // The save written (or given up, its box answered), the game is left.
        if (!left && !told.empty() &&
            (told.back().rfind(VaelGame::SavedStatus, 0) == 0 ||
             told.back().rfind(VaelGame::NotSavedStatus, 0) == 0) &&
            game.app().modalDepth() == 0) {
            savedAt = game.app().tickCount();
            waitsAtSave = game.app().saveWaitsFor();
            left = true;
            requestClose(os);
        }
    };
    Probe probe("Saver");
    probe.setup = [](Probe& p) { p.connectNamed("ActivateLeader", leaderActivated); };
    probe.attach(game.app().logicalLayer());
    Probe looker("Status Looker");
    looker.attach(game.app());
    looker.addTimer(timerTicked, 1);
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (auto* question = dynamic_cast<InformationDlg*>(&d); question && !question->lines().empty()) {
            asked.push_back(question->lines().front());
        }
        if (name == OverallCombatResultsDlg::TemplateName) results = &d;
        if (alongTheWay(name)) return clickOn(os, d, Dialog::IdOk);
        shown.push_back(name);
        if (takeTheComputersRoad(os, d, name, starts)) return;
        if (name == LoadSaveDlg::TemplateName && std::count(shown.begin(), shown.end(), name) == 1) {
            waitedFor = game.app().saveWaitsFor();
            okAt = game.app().tickCount();
            clickOn(os, d, LoadSaveDlg::IdFileName);
            postText(os, "waited");
            clickOn(os, d, Dialog::IdOk);
            // Chosen as the battle plays on, while the save waits.
            command(msg::FileOpenGame);
            command(VaelToolbar::SaveCommand);
            command(msg::FileStartGame);
        } else if (name == LoadSaveDlg::TemplateName) {
            clickOn(os, d, Dialog::IdCancel);
        }
    };
    EXPECT_EQ(game.run(), 0);
    activationSeen = {}, tickSeen = {};
    ASSERT_FALSE(waitedFor.empty()) << "the save was chosen where it need not wait";
    EXPECT_EQ(shown, (std::vector<std::string>{"StartGame", "Scenario", "IntroDlg", "LoadSaveDlg"}));
    EXPECT_EQ(asked, std::vector<std::string>{VaelGame::ExitQuestion});
    // The refusals stand in the status bar while the battle plays on, until the file is written.
    EXPECT_EQ(told, (std::vector<std::string>{std::string(VaelGame::SaveWaitingRefusal) + "waited.vel",
                                              std::string(VaelGame::SavedStatus) + "waited.vel"}));
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(waitsAtSave, "");
    EXPECT_GT(savedAt, okAt) << "the clock stood still while the save waited";
}

// Save Game chosen while Overall Combat Results stands: the battle waits on the player's Close, and the
// status bar names the box to close for as long as he reads it. Closed after two minutes and more, the
// save is written. Before, the status bar told of combats under way, and after two minutes the save failed
// ("Cannot save twominutes.vel") though the player had only read the results.
TEST_F(GameTest, ASaveAskedOverTheCombatResultsNamesTheBoxAndWaitsForItsClose) {
    std::srand(5);
    UnseenGame unseen;
    platform::HeadlessPlatform& os = unseen.os;
    VaelGame& game = unseen.game;
    ASSERT_TRUE(game.ready());
    const auto file = dir / "vael" / "twominutes.vel";
    const auto status = [&] { return game.frame().statusBar()->text(2); };
    const std::string waiting = std::string(VaelApp::SaveWaitsForBoxStatus) + "Overall Combat Results";
    const std::string saved = std::string(VaelGame::SavedStatus) + "twominutes.vel";
    Dialog* results = nullptr;
    std::vector<std::string> told, failed;
    std::uint32_t okAt = 0, closedAt = 0, savedAt = 0;
    std::string statusAtClose;
    bool left = false;
    tickSeen = [&] {
        if (okAt == 0) return;
        if (told.empty() || told.back() != status()) told.push_back(status());
        // The player reads the results for two minutes and five seconds of the game's clock, then closes
        // them.
        if (closedAt == 0 && results && results->isOpen() && game.app().tickCount() - okAt >= 125000) {
            closedAt = game.app().tickCount();
            statusAtClose = status();
            clickOn(os, *results, OverallCombatResultsDlg::IdClose);
        }
        if (!left && (status() == saved || status().rfind(VaelGame::NotSavedStatus, 0) == 0) &&
            game.app().modalDepth() == 0) {
            savedAt = game.app().tickCount();
            left = true;
            requestClose(os);
        }
    };
    Probe looker("Status Looker");
    looker.attach(game.app());
    looker.addTimer(timerTicked, 1);
    int starts = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == OverallCombatResultsDlg::TemplateName && !results) {
            // The first results of the battle stand; the player asks for Save Game over them.
            results = &d;
            game.app().postMessage(WinApp::mainWindowHandle(), MessageCommand,
                                   RegisteredMessage::getId(VaelToolbar::SaveCommand), 0);
            return;
        }
        if (auto* box = dynamic_cast<InformationDlg*>(&d); box && !box->lines().empty() && okAt && !closedAt)
            failed.push_back(box->lines().front());
        if (alongTheWay(name)) return clickOn(os, d, Dialog::IdOk);
        if (!takeTheComputersRoad(os, d, name, starts) && name == LoadSaveDlg::TemplateName) {
            okAt = game.app().tickCount();
            clickOn(os, d, LoadSaveDlg::IdFileName);
            postText(os, "twominutes");
            clickOn(os, d, Dialog::IdOk);
        }
    };
    EXPECT_EQ(game.run(), 0);
    tickSeen = {};
    ASSERT_NE(results, nullptr) << "no combat results stood in the battle";
    EXPECT_NE(closedAt, 0u) << "the results went before the player closed them";
    EXPECT_EQ(statusAtClose, waiting);
    EXPECT_EQ(told, (std::vector<std::string>{waiting, saved}));
    EXPECT_EQ(failed, std::vector<std::string>{}) << "a box came while the save waited";
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_GE(savedAt, closedAt);
}

TEST_F(GameTest, APlayersBattleSavedAndLeftIsLoadedByANewStartToTheSameState) {
    FailedChecks checks;
    Player first;
    player = &first;
    {
        std::srand(8);
        platform::HeadlessPlatform os;
        VaelGame game(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
        battle::InstantAnimations instant;
        instant.attach(game.app().logicalLayer());
        first.os = &os, first.game = &game, first.saveAtTurnThree = true;
        Probe probe("Player");
        probe.setup = [](Probe& p) { p.connectNamed("ActivateLeader", humanActivated); };
        probe.attach(game.app().logicalLayer());
        std::vector<std::string> shown;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            if (alongTheWay(name)) return clickOn(os, d, Dialog::IdOk);
            shown.push_back(name);
            if (name == StartGameDlg::TemplateName) {
                clickOn(os, d, StartGameDlg::IdStartBattle);
            } else if (name == ScenarioDlg::TemplateName) {
                clickOn(os, d, Dialog::IdOk);
            } else if (name == IntroDlg::TemplateName) {
                clickOn(os, d, IntroDlg::IdHomePlayer), clickOn(os, d, Dialog::IdOk); // the home side is his
            } else if (name == LoadSaveDlg::TemplateName) {
                clickOn(os, d, LoadSaveDlg::IdFileName);
                postText(os, "third turn");
                clickOn(os, d, Dialog::IdOk);
                // Then the game is left by the window's close button.
                platform::Event close;
                close.kind = platform::EventKind::CloseRequest;
                os.postEvent(close);
            }
        };
        EXPECT_EQ(game.run(), 0);
        EXPECT_EQ(shown, (std::vector<std::string>{"StartGame", "Scenario", "IntroDlg", "LoadSaveDlg"}));
        ASSERT_TRUE(first.saved);
    }
    const auto file = dir / "vael" / "third turn.vel";
    ASSERT_TRUE(std::filesystem::exists(file));

    Player second;
    player = &second;
    platform::HeadlessPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    battle::InstantAnimations instant;
    instant.attach(game.app().logicalLayer());
    second.os = &os, second.game = &game;
    Probe probe("Player");
    probe.setup = [](Probe& p) {
        p.connectNamed("ResumeActiveLeader", resumed);
        p.connectNamed("ActivateLeader", humanActivated);
    };
    probe.attach(game.app().logicalLayer());
    std::vector<std::string> shown;
    int starts = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (alongTheWay(name)) return clickOn(os, d, Dialog::IdOk);
        shown.push_back(name);
        if (name == StartGameDlg::TemplateName) {
            clickOn(os, d, ++starts == 1 ? StartGameDlg::IdLoadGame : StartGameDlg::IdExit);
        } else if (name == EndOfGameDlg::TemplateName) {
            clickOn(os, d, EndOfGameDlg::IdClose);
        } else if (name == LoadSaveDlg::TemplateName) {
            // The game he saved, and the autosave of his last activation.
            DialogItemWindow* list = d.item(LoadSaveDlg::IdList);
            ASSERT_EQ(list->rowCount(), 2);
            EXPECT_EQ(list->row(0)->text, "Autosave.vel");
            EXPECT_EQ(list->row(1)->text, "third turn.vel");
            list->select(1);
            d.command(LoadSaveDlg::IdList, ListSelectionChanged);
            clickOn(os, d, Dialog::IdOk);
        }
    };
    EXPECT_EQ(game.run(), 0);
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0], "StartGame");
    EXPECT_EQ(shown[1], "LoadSaveDlg");
    // The battle resumes exactly as the file holds it: the layer's part from the offset the header gives.
    const Bytes bytes = [&] {
        std::ifstream in(file, std::ios::binary);
        return Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }();
    ASSERT_GT(bytes.size(), 12u);
    const std::size_t at = bytes[8] | bytes[9] << 8 | bytes[10] << 16 | std::size_t(bytes[11]) << 24;
    // The file ends in the whole-file check, which is no part of the battle.
    ASSERT_LT(at + 8, bytes.size());
    EXPECT_EQ(Bytes(bytes.end() - 8, bytes.end() - 4), (Bytes{'V', 'C', 'R', 'C'}));
    EXPECT_EQ(second.stateAtResume, Bytes(bytes.begin() + std::ptrdiff_t(at), bytes.end() - 8));
    EXPECT_EQ(second.turnAtResume, first.turnAtSave);
    EXPECT_EQ(checks.texts, std::vector<std::string>{});
    player = nullptr;
}

// The lines of the game's own box that told why the saved game `file` (in the saved games' folder) was
// refused, opened from the start screen through Load Saved Game; the start screen then ends the game. No
// check of the data fails and no system box asks to end the game on the way.
std::vector<std::string> refusalOfOpening(const std::string& file) {
    FailedChecks checks;
    platform::HeadlessPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR, nullptr, VaelApp::Views::None);
    EXPECT_TRUE(game.ready());
    std::vector<std::string> shown, lines;
    int starts = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == StartGameDlg::TemplateName) {
            clickOn(os, d, ++starts == 1 ? StartGameDlg::IdLoadGame : StartGameDlg::IdExit);
        } else if (name == LoadSaveDlg::TemplateName) {
            DialogItemWindow* list = d.item(LoadSaveDlg::IdList);
            list->select(list->findExact(file));
            d.command(LoadSaveDlg::IdList, ListSelectionChanged);
            clickOn(os, d, Dialog::IdOk);
        } else if (name == InformationDlg::TemplateName) {
            lines = static_cast<InformationDlg&>(d).lines();
            clickOn(os, d, Dialog::IdOk);
        } else {
            clickOn(os, d, Dialog::IdCancel);
        }
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(shown, (std::vector<std::string>{StartGameDlg::TemplateName, LoadSaveDlg::TemplateName,
                                               InformationDlg::TemplateName, StartGameDlg::TemplateName}));
    EXPECT_EQ(checks.texts, std::vector<std::string>{});
    EXPECT_TRUE(os.systemBoxes.empty());
    return lines;
}

// A save that names a battle the data folder lacks, or a name with a folder in it, is the file's fault: the
// player opening it from the start screen is told in the game's own box why, no check of the data fails,
// no system box asks to end the game, and the start screen goes on.
TEST_F(GameTest, ASaveNamingAScenarioTheDataLacksIsRefusedInTheOrdinaryBox) {
    const auto saves = VaelApp::savedGamesDirectory();
    std::filesystem::create_directories(saves);
    battle::BattleOptions options;
    options.dataDir = VAEL_BUILD_DATA_DIR;
    options.scenario = "GHATMAR.SCN";
    options.seed = 7;
    options.turnCap = 1;
    options.saveAt = 2;
    options.saveFile = (dir / "real.vel").string();
    battle::playBattle(options);
    Bytes real;
    {
        std::ifstream in(options.saveFile, std::ios::binary);
        real.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::string name = "GHATMAR.SCN";
    const auto at = std::search(real.begin(), real.end(), name.begin(), name.end());
    ASSERT_NE(at, real.end());
    ASSERT_GT(real.size(), 8u);
    const struct {
        const char* file;
        std::string name, reason;
    } rows[] = {
        {"lacking.vel", "XHATMAR.SCN",
         "the saved game names the battle \"XHATMAR.SCN\", which the scenario folder " VAEL_BUILD_DATA_DIR
         " does not hold"},
        {"in a folder.vel", "G/ATMAR.SCN",
         "the saved game names the battle \"G/ATMAR.SCN\", which is not a file name of the scenario folder"},
        // Bytes that begin no character are shown as their values, as a plan's name's are.
        {"invalid text.vel", "GH\xE9TM\xA0R.SC\xFF",
         "the saved game names the battle \"GH\\xE9TM\\xA0R.SC\\xFF\", which the scenario "
         "folder " VAEL_BUILD_DATA_DIR " does not hold"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        // The real save with its battle's name changed in place, sealed again so that only the name is wrong.
        Bytes patched = real;
        std::copy(row.name.begin(), row.name.end(), patched.begin() + (at - real.begin()));
        patched.resize(patched.size() - saved_check::Size);
        sealSavedGame(patched);
        {
            std::ofstream out(saves / row.file, std::ios::binary);
            out.write(reinterpret_cast<const char*>(patched.data()), std::streamsize(patched.size()));
        }
        const std::vector<std::string> lines = refusalOfOpening(row.file);
        EXPECT_EQ(lines,
                  (std::vector<std::string>{std::string("Cannot load ") + row.file + ":", row.reason}));
        std::filesystem::remove(saves / row.file);
    }
}

// A save that names as its battle a file of the data that is no battle (a plan, a map) once had the
// scenario's reader fail a check: the internal-failure box asked to abort, and its Yes ended the game. It is
// refused in the game's own box, as the battle tool refuses it, with no check failed and no system box; the
// start screen goes on. The names are put in place of battles' names of their length.
TEST_F(GameTest, ASaveNamingAPlanOrAMapAsItsBattleIsRefusedInTheOrdinaryBox) {
    const auto saves = VaelApp::savedGamesDirectory();
    std::filesystem::create_directories(saves);
    const struct {
        const char* file;
        std::string battle, named;
    } rows[] = {{"plan.vel", "THRENMOOR.SCN", "ardhun_h1.pln"}, {"map.vel", "GHATMAR.SCN", "korvath.map"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        ASSERT_EQ(row.battle.size(), row.named.size());
        battle::BattleOptions options;
        options.dataDir = VAEL_BUILD_DATA_DIR;
        options.scenario = row.battle;
        options.seed = 7;
        options.saveAt = 2;
        options.saveFile = (dir / "real.vel").string();
        ASSERT_EQ(battle::playBattle(options).status, battle::BattleStatus::Ended);
        Bytes patched;
        {
            std::ifstream in(options.saveFile, std::ios::binary);
            patched.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        const auto at = std::search(patched.begin(), patched.end(), row.battle.begin(), row.battle.end());
        ASSERT_NE(at, patched.end());
        std::copy(row.named.begin(), row.named.end(), at);
        patched.resize(patched.size() - saved_check::Size);
        sealSavedGame(patched);
        {
            std::ofstream out(saves / row.file, std::ios::binary);
            out.write(reinterpret_cast<const char*>(patched.data()), std::streamsize(patched.size()));
        }
        const std::vector<std::string> lines = refusalOfOpening(row.file);
        EXPECT_EQ(lines, (std::vector<std::string>{std::string("Cannot load ") + row.file + ":",
                                                   "cannot load the battle " + row.named}));
        std::filesystem::remove(saves / row.file);
        // The tool refuses it in the same words.
        battle::BattleOptions tool;
        tool.dataDir = VAEL_BUILD_DATA_DIR;
        tool.scenario = row.battle;
        tool.loadFile = (saves / row.file).string();
        {
            std::ofstream out(tool.loadFile, std::ios::binary);
            out.write(reinterpret_cast<const char*>(patched.data()), std::streamsize(patched.size()));
        }
        const battle::BattleOutcome refused = battle::playBattle(tool);
        EXPECT_EQ(refused.status, battle::BattleStatus::LoadFailed);
        EXPECT_EQ(refused.message, "cannot load the saved game " + tool.loadFile +
                                       ": cannot load the battle " + row.named);
        std::filesystem::remove(tool.loadFile);
    }
}

TEST_F(GameTest, ThePreferencesDialogsOKStoresTheSwitchesAndPutsThemIntoEffectAndCancelLeavesThem) {
    platform::HeadlessPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR);
    ASSERT_TRUE(game.ready());
    bool ok = true;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        ASSERT_EQ(name, PreferencesDlg::TemplateName);
        // Sounds and the autosave off, missiles always hitting on; the debugging cheats are not offered.
        for (std::int16_t id :
             {PreferencesDlg::IdSounds, PreferencesDlg::IdAutoSave, PreferencesDlg::IdMissilesHit})
            clickOn(os, d, id);
        EXPECT_FALSE(d.item(13)->isEnabled());
        clickOn(os, d, ok ? Dialog::IdOk : Dialog::IdCancel);
    };
    const Preferences before = game.app().preferences();
    ok = false;
    game.editPreferences();
    EXPECT_EQ(game.app().preferences(), before);
    EXPECT_EQ(game.app().missileAutoHit(), 0);
    ok = true;
    game.editPreferences();
    Preferences expected = before;
    expected.sound = 0, expected.autoSave = 0;
    EXPECT_EQ(game.app().preferences(), expected);
    EXPECT_EQ(game.app().missileAutoHit(), 1);
    EXPECT_EQ(missileAutoHit(), 1);
    const std::string key = "SOFTWARE\\Tamblor\\Vaelmoric\\Preferences";
    EXPECT_EQ(os.settings().readNumber(platform::Settings::Root::User, key, "Sound"), 0u);
    EXPECT_EQ(os.settings().readNumber(platform::Settings::Root::User, key, "Auto Save"), 0u);
    game.app().setMissileAutoHit(0);
}

// The sound's volume bar moves in tenths: three clicks on its left end take 100 down to 70, heard at
// once and kept by OK; a click on its right end then cancelled puts 70 back. The music's box and bar
// cannot be changed: the game plays no music, and their values stay as read.
TEST_F(GameTest, ThePreferencesVolumeBarSetsTheVolumeAndTheMusicControlsAreDisabled) {
    platform::HeadlessPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR);
    ASSERT_TRUE(game.ready());
    int clicks = 0;
    bool ok = true, musicEnabled = true, musicVolumeEnabled = true;
    std::vector<std::uint32_t> told;
    game.onDialog = [&](Dialog& d, const std::string&) {
        musicEnabled = d.item(PreferencesDlg::IdMusic)->isEnabled();
        musicVolumeEnabled = d.item(PreferencesDlg::IdMusicVolume)->isEnabled();
        static_cast<PreferencesDlg&>(d).volumeChanged = [&](std::uint32_t v) { told.push_back(v); };
        const platform::Rect client = WindowManager::instance().clientOnScreen(d.hwnd());
        const Box b = d.item(PreferencesDlg::IdVolume)->box();
        for (int i = 0; i < std::abs(clicks); ++i)
            postButtons(os, {platform::EventKind::ButtonDown, platform::EventKind::ButtonUp},
                        client.x + b.x + (clicks < 0 ? 2 : b.w - 3), client.y + b.y + b.h / 2);
        clickOn(os, d, ok ? Dialog::IdOk : Dialog::IdCancel);
    };
    const Preferences before = game.app().preferences();
    ASSERT_EQ(before.volume, 100u);
    clicks = -3;
    game.editPreferences();
    EXPECT_FALSE(musicEnabled);
    EXPECT_FALSE(musicVolumeEnabled);
    EXPECT_EQ(told, (std::vector<std::uint32_t>{90, 80, 70}));
    EXPECT_EQ(game.app().preferences().volume, 70u);
    EXPECT_EQ(game.app().soundManager().volume(), 70);
    const std::string key = "SOFTWARE\\Tamblor\\Vaelmoric\\Preferences";
    EXPECT_EQ(os.settings().readNumber(platform::Settings::Root::User, key, "Volume"), 70u);
    EXPECT_EQ(game.app().preferences().music, before.music);
    EXPECT_EQ(game.app().preferences().musicVolume, before.musicVolume);
    told.clear();
    clicks = 1, ok = false;
    game.editPreferences();
    EXPECT_EQ(told, (std::vector<std::uint32_t>{80}));
    EXPECT_EQ(game.app().preferences().volume, 70u);
    EXPECT_EQ(game.app().soundManager().volume(), 70);
    // At the ends the bar stops: no click takes it below nothing.
    told.clear();
    clicks = -9, ok = true;
    game.editPreferences();
    EXPECT_EQ(told, (std::vector<std::uint32_t>{60, 50, 40, 30, 20, 10, 0}));
    EXPECT_EQ(game.app().soundManager().volume(), 0);
}

TEST_F(GameTest, TheSavedGamesDialogListsDeletesAndRefusesToLoadAGameThatIsNotThere) {
    const auto saves = dir / "vael";
    std::filesystem::create_directories(saves);
    for (const char* name : {"b.vel", "a.VEL", "notes.txt"})
        std::ofstream(saves / name) << "x";
    platform::HeadlessPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR);
    std::vector<std::vector<std::string>> listed;
    auto rows = [](Dialog& d) {
        std::vector<std::string> names;
        DialogItemWindow* list = d.item(LoadSaveDlg::IdList);
        for (std::int32_t i = 0; i < list->rowCount(); ++i)
            names.push_back(list->row(i)->text);
        return names;
    };
    std::vector<std::string> said;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == InformationDlg::TemplateName || name == InformationDlg::YesNoTemplateName) {
            // The question before the Delete is answered Yes.
            said.push_back(d.textTile(InformationDlg::IdLine1)->text() + "|" + d.caption());
            return d.command(Dialog::IdOk, 0);
        }
        listed.push_back(rows(d));
        d.item(LoadSaveDlg::IdList)->select(1); // "b.vel"
        d.command(LoadSaveDlg::IdDelete, 0);
        listed.push_back(rows(d));
        d.item(LoadSaveDlg::IdFileName)->setText("c");
        d.command(Dialog::IdOk, 0); // no such game: said, and the dialog stays
        EXPECT_TRUE(d.isOpen());
        d.command(Dialog::IdCancel, 0);
    };
    EXPECT_FALSE(game.chooseAndLoadGame());
    EXPECT_EQ(listed, (std::vector<std::vector<std::string>>{{"a.VEL", "b.vel"}, {"a.VEL"}}));
    EXPECT_FALSE(std::filesystem::exists(saves / "b.vel"));
    EXPECT_TRUE(std::filesystem::exists(saves / "notes.txt"));
    EXPECT_EQ(said, (std::vector<std::string>{"Delete the saved game b.vel?|Load Game",
                                              "There is no saved game c.vel.|Load Game"}));
    EXPECT_TRUE(os.boxes.empty());
    EXPECT_FALSE(game.app().battleRunning());
}

} // namespace
} // namespace vael::test

namespace vael::test {
namespace {

VaelMapWindow* onlyMapWindow(VaelPhysicalLayer& layer) {
    if (layer.viewports().count() != 1) return nullptr;
    Item<Viewport*>* it = nullptr;
    layer.viewports().firstItem(it);
    return dynamic_cast<VaelMapWindow*>(it->value->display());
}

std::uint32_t u32At(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// The map window is saved in the header with its place, zoom, overview and centre, and a new start of the
// game that loads the file opens it again as it was, in place of the one a new battle opens.
TEST_F(GameTest, TheMapWindowIsSavedInTheHeaderAndComesBackWithTheGame) {
    const auto file = dir / "map window.vel";
    {
        platform::HeadlessPlatform os;
        VaelGame game(os, VAEL_BUILD_DATA_DIR);
        ASSERT_TRUE(game.ready());
        std::string error;
        ASSERT_TRUE(game.app().startBattle("GHATMAR.SCN", VaelApp::CustomScenario, true, true, error))
            << error;
        Container<MapInfoStruct> map(game.app().mapInfo());
        EXPECT_EQ(map.value().name, "Ghatmar");
        // 30 hex columns (0 to 29) of 20 rows (0 to 19), as the scenario's map file lays them out; the
        // window measures the map by it: 2 * 20 + 2 cells across, 30 * 3 / 2 + 4 down.
        EXPECT_EQ(map.value().size, Point(30, 20));
        // The game opened the map window as the battle began.
        VaelMapWindow* window = onlyMapWindow(game.app().views()->normal());
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->viewFlags(), VaelMapWindow::HalfSize);
        EXPECT_EQ(window->tile().mapCells(), Dim(42, 49));
        window->onCommand(VaelMapWindow::ZoomOut, 0);
        window->onCommand(VaelMapWindow::HideOverview, 0);
        EXPECT_EQ(window->tile().zoomIndex(), 2);
        EXPECT_EQ(window->tile().landscape(), game.app().views()->normal().zoomLandscape(2));
        ASSERT_TRUE(game.app().saveGame(file.string(), error)) << error;
    }
    std::ifstream in(file, std::ios::binary);
    const Bytes saved{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GE(saved.size(), 72u);
    // At 16 the normal view's one window: its 44-byte place (size 44, shown maximized), its flags (the
    // quarter size), its overview (hidden) and centre; at 70 the reversed view's count, none; at 72 the
    // scenario, which the fourth word points at.
    EXPECT_EQ(saved[16] | saved[17] << 8, 1);
    EXPECT_EQ(u32At(saved, 18), 44u);
    EXPECT_EQ(u32At(saved, 26), 3u);
    EXPECT_EQ(saved[62] | saved[63] << 8, 2);
    EXPECT_EQ(saved[64] | saved[65] << 8, 0);
    EXPECT_EQ(saved[70] | saved[71] << 8, 0);
    EXPECT_EQ(u32At(saved, 12), 72u);
    EXPECT_EQ(u32At(saved, 72), VaelApp::CustomScenario);

    platform::HeadlessPlatform os;
    VaelGame game(os, VAEL_BUILD_DATA_DIR);
    std::string error;
    ASSERT_TRUE(game.app().loadGame(file.string(), error)) << error;
    VaelMapWindow* window = onlyMapWindow(game.app().views()->normal());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->viewFlags(), VaelMapWindow::QuarterSize);
    EXPECT_FALSE(window->tile().overviewShown());
    EXPECT_EQ(window->tile().landscape(), game.app().views()->normal().zoomLandscape(2));
    EXPECT_TRUE(game.app().mapWindowsOpen());
    EXPECT_EQ(game.app().views()->reversed().viewports().count(), 0);
}

} // namespace
} // namespace vael::test
