// Keys and questions as a new player meets them, played on the game on the headless platform with the
// forged data: Alt and a button's letter on the start dialog opens its box without typing the letter into
// it; Escape on Leader Control chooses nothing on the road from the start dialog, and goes back to the
// battle the player was asked whether to leave; the saved games' dialog asks before it replaces or deletes
// a game, and No leaves the file as it was.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "framework/core/registered_message.h"
#include "framework/ui/window_manager.h"
#include "game/shell/clicking_player.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/scripted_platform.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "game/shell/way_dialogs.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

namespace fs = std::filesystem;

class PlayerKeys : public ::testing::Test {
protected:
    TempDir dir{"playerkeys"};
    DataHome home{dir.path().string()};
    ScriptedPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};

    // A key pressed with Alt as a keyboard gives it: the press, its letter, the release.
    void altKey(char letter) {
        platform::Event e;
        e.kind = platform::EventKind::KeyDown, e.key = std::toupper(letter), e.modifiers = platform::ModAlt;
        os.postEvent(e);
        postText(os, std::string(1, letter));
        e.kind = platform::EventKind::KeyUp;
        os.postEvent(e);
    }
    void leave() {
        platform::Event close;
        close.kind = platform::EventKind::CloseRequest;
        os.postEvent(close);
    }
    static bool isOpen(WindowHandle dialog) { return dialog && WindowManager::instance().exists(dialog); }
    static Dialog& dialogOf(WindowHandle handle) {
        return *dynamic_cast<Dialog*>(WindowManager::instance().find(handle)->window);
    }
    static std::string bytesOf(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void write(const fs::path& file, const std::string& bytes) {
        std::ofstream out(file, std::ios::binary);
        out << bytes;
    }
};

// Alt+L on the start dialog opens Load Game once, its File Name field empty: the "l" was the key's, not
// the player's typing (before, it landed in the field and OK looked for "l.vel").
TEST_F(PlayerKeys, AltAndAButtonsLetterOpensItsBoxWithoutTypingTheLetterIntoIt) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> shown;
    std::string field = "<not looked at>";
    WindowHandle load = 0;
    int starts = 0;
    os.idle = [&] {
        if (!isOpen(load)) return;
        field = dialogOf(load).item(LoadSaveDlg::IdFileName)->text();
        clickOn(os, dialogOf(load), Dialog::IdCancel);
        load = 0;
    };
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == StartGameDlg::TemplateName)
            return ++starts == 1 ? altKey('l') : clickOn(os, d, StartGameDlg::IdExit);
        if (name == LoadSaveDlg::TemplateName) load = d.hwnd();
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(shown, (std::vector<std::string>{"StartGame", "LoadSaveDlg", "StartGame"}));
    EXPECT_EQ(field, "");
}

// Leader Control has no Cancel: reached from the start dialog, Escape leaves it open and the battle begins
// by its OK with the sides as chosen. Reached from Start Game in that battle (the player told that he
// leaves it), Escape takes him back to the battle, which goes on.
TEST_F(PlayerKeys, EscapeOnLeaderControlChoosesNothingAndGoesBackOnlyToABattle) {
    ASSERT_TRUE(game.ready());
    enum Stage { Road, Escaped, InBattle, Asked, EscapedInBattle, Done } stage = Road;
    std::vector<std::string> shown, inBattle;
    WindowHandle sides = 0;
    bool stayed = false, playersSide = false, closedInBattle = false, battleGoesOn = false;
    int looks = 0;
    os.idle = [&] {
        if (++looks > 200000) {
            ADD_FAILURE() << "the player never came to his orders";
            stage = Done;
            return leave();
        }
        if (stage == Escaped) {
            stayed = isOpen(sides);
            if (!stayed) return leave();
            Dialog& d = dialogOf(sides);
            clickOn(os, d, IntroDlg::IdHomePlayer);
            clickOn(os, d, Dialog::IdOk);
            stage = InBattle;
        } else if (stage == InBattle && playersOrders(game.app())) {
            for (Leader* leader : each(game.app().logicalLayer().getHomeLeaders()))
                playersSide = playersSide || !leader->isComputerControlled();
            game.app().postMessage(WinApp::mainWindowHandle(), MessageCommand,
                                   RegisteredMessage::getId("FileStartGame"), 0);
            stage = Asked;
        } else if (stage == EscapedInBattle) {
            closedInBattle = !isOpen(sides);
            battleGoesOn = game.app().battleRunning();
            stage = Done;
            leave();
        }
    };
    int starts = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == StartGameDlg::TemplateName)
            return clickOn(os, d, ++starts == 1 ? StartGameDlg::IdStartBattle : StartGameDlg::IdExit);
        if (name == IntroDlg::TemplateName) {
            sides = d.hwnd();
            if (stage != Road) inBattle.assign(shown.end() - 3, shown.end());
            stage = stage == Road ? Escaped : EscapedInBattle;
            return postKey(os, platform::KeyEscape);
        }
        clickOn(os, d, Dialog::IdOk);
    };
    game.run();
    game.onDialog = nullptr;
    ASSERT_EQ(stage, Done) << "the battle was never reached";
    EXPECT_TRUE(stayed) << "Escape left Leader Control on the road from the start dialog";
    EXPECT_TRUE(playersSide);
    EXPECT_TRUE(closedInBattle);
    EXPECT_TRUE(battleGoesOn);
    ASSERT_GE(shown.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 4),
              (std::vector<std::string>{"StartGame", "Scenario", "IntroDlg", "ArmyRoutDlg"}));
    // In the battle: the question whether to leave it, the scenario, Leader Control.
    EXPECT_EQ(inBattle, (std::vector<std::string>{"VaelMessageBox", "Scenario", "IntroDlg"}));
}

// Saving under the name of a game saved before asks "Replace the saved game NAME?": No leaves the file as
// it was and the dialog open for another name; Yes takes the name. Escape on the question is its No.
TEST_F(PlayerKeys, SavingOverAGameAsksAndNoLeavesItAsItWas) {
    ASSERT_TRUE(game.ready());
    const fs::path old = dir.path() / "Kärnten.vel";
    const std::string bytes = "a battle of the player's";
    const struct {
        const char* what;
        std::function<void(Dialog&)> answer;
        std::int16_t closed;
    } rows[] = {
        {"No", [&](Dialog& d) { clickOn(os, d, Dialog::IdCancel); }, 0},
        {"Escape", [&](Dialog&) { postKey(os, platform::KeyEscape); }, 0},
        {"Yes", [&](Dialog& d) { clickOn(os, d, Dialog::IdOk); }, 1},
        {"Return, on Yes", [&](Dialog&) { postKey(os, platform::KeyReturn); }, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        write(old, bytes);
        std::vector<std::string> shown, asked;
        std::string caption;
        WindowHandle save = 0;
        bool openAfterNo = false;
        os.idle = [&] {
            // The question answered No: the dialog stands for another name, and is left by its Cancel.
            if (!isOpen(save) || shown.size() < 2) return;
            openAfterNo = true;
            clickOn(os, dialogOf(save), Dialog::IdCancel);
            save = 0;
        };
        LoadSaveDlg dialog(dir.path().string(), true, [&](Dialog& d, const std::string& name) {
            shown.push_back(name);
            if (name == LoadSaveDlg::TemplateName) {
                save = d.hwnd();
                clickOn(os, d, LoadSaveDlg::IdFileName);
                postText(os, "Kärnten");
                return clickOn(os, d, Dialog::IdOk);
            }
            asked = dynamic_cast<InformationDlg&>(d).lines();
            caption = d.caption() ? d.caption() : "";
            r.answer(d);
        });
        dialog.attach(game.app());
        EXPECT_EQ(dialog.create(LoadSaveDlg::TemplateName, Dialog::Modal), r.closed);
        os.idle = nullptr;
        EXPECT_EQ(asked, std::vector<std::string>{"Replace the saved game Kärnten.vel?"});
        EXPECT_EQ(caption, "Save Game");
        EXPECT_EQ(shown.size() >= 2 ? shown[1] : "", InformationDlg::YesNoTemplateName);
        EXPECT_EQ(openAfterNo, r.closed == 0);
        EXPECT_EQ(dialog.chosen(), r.closed ? old.string() : "");
        // The dialog itself writes nothing: the file is as it was either way.
        EXPECT_EQ(bytesOf(old), bytes);
    }
    // A new name asks nothing.
    std::vector<std::string> shown;
    LoadSaveDlg fresh(dir.path().string(), true, [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        clickOn(os, d, LoadSaveDlg::IdFileName);
        postText(os, "Ardhun");
        clickOn(os, d, Dialog::IdOk);
    });
    fresh.attach(game.app());
    EXPECT_EQ(fresh.create(LoadSaveDlg::TemplateName, Dialog::Modal), 1);
    EXPECT_EQ(shown, std::vector<std::string>{"LoadSaveDlg"});
}

// Delete asks "Delete the saved game NAME?": No leaves the file and its row; Yes removes them and the
// fields that named it are emptied, so that OK can no longer take the game that is gone. A game not
// selected is not touched.
TEST_F(PlayerKeys, DeleteAsksAndNoLeavesTheGameYesEmptiesTheFields) {
    ASSERT_TRUE(game.ready());
    const fs::path chosen = dir.path() / "Threnmoor.vel", other = dir.path() / "Velmesk.vel";
    const struct {
        const char* what;
        bool saving;
        bool yes;
    } rows[] = {
        {"loading, No", false, false},
        {"loading, Yes", false, true},
        {"saving, No", true, false},
        {"saving, Yes", true, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        write(chosen, "a game of the player's");
        write(other, "another game");
        std::vector<std::string> asked, rows, fields;
        WindowHandle load = 0;
        bool looked = false;
        os.idle = [&] {
            if (!isOpen(load) || asked.empty() || looked) return;
            looked = true;
            Dialog& d = dialogOf(load);
            for (std::int32_t i = 0; d.item(LoadSaveDlg::IdList)->row(i); ++i)
                rows.push_back(d.item(LoadSaveDlg::IdList)->row(i)->text);
            fields = {d.item(LoadSaveDlg::IdFileName)->text(), d.item(LoadSaveDlg::IdDescription)->text()};
            clickOn(os, d, Dialog::IdCancel);
        };
        LoadSaveDlg dialog(dir.path().string(), r.saving, [&](Dialog& d, const std::string& name) {
            if (name == LoadSaveDlg::TemplateName) {
                load = d.hwnd();
                d.item(LoadSaveDlg::IdList)->select(0);
                d.command(LoadSaveDlg::IdList, ListSelectionChanged);
                return clickOn(os, d, LoadSaveDlg::IdDelete);
            }
            asked = dynamic_cast<InformationDlg&>(d).lines();
            clickOn(os, d, r.yes ? Dialog::IdOk : Dialog::IdCancel);
        });
        dialog.attach(game.app());
        EXPECT_EQ(dialog.create(LoadSaveDlg::TemplateName, Dialog::Modal), 0);
        os.idle = nullptr;
        EXPECT_EQ(asked, std::vector<std::string>{"Delete the saved game Threnmoor.vel?"});
        EXPECT_EQ(fs::exists(chosen), !r.yes);
        EXPECT_TRUE(fs::exists(other));
        using Texts = std::vector<std::string>;
        EXPECT_EQ(rows, (r.yes ? Texts{"Velmesk.vel"} : Texts{"Threnmoor.vel", "Velmesk.vel"}));
        EXPECT_EQ(fields, (r.yes ? Texts{"", ""} : Texts{"Threnmoor.vel", ""}));
    }
}

// Delete acts on a name typed into the field as OK reads it (with or without ".vel", a Latin-1 game by the
// letters it shows), after its question, whatever row the list has selected; a name no game bears deletes
// nothing and says so. Before, Delete acted only on a row picked from the list and a typed name did nothing.
TEST_F(PlayerKeys, DeleteWithATypedNameDeletesThatGameAfterItsQuestion) {
    ASSERT_TRUE(game.ready());
    const fs::path typedGame = dir.path() / "Threnmoor.vel", other = dir.path() / "Velmesk.vel",
                   latin1 = dir.path() / std::string("K\xE4rnten.vel");
    const struct {
        const char* what;
        bool saving;
        const char* typed;
        fs::path gone;   // empty: none
        const char* said; // the question, or the notice
    } rows[] = {
        {"loading, the name without .vel", false, "Threnmoor", typedGame, "Delete the saved game Threnmoor.vel?"},
        {"saving, the name with .vel", true, "Threnmoor.vel", typedGame, "Delete the saved game Threnmoor.vel?"},
        {"loading, a Latin-1 game by its letters", false, "K\xC3\xA4rnten", latin1,
         "Delete the saved game K\xC3\xA4rnten.vel?"},
        {"loading, a name no game bears", false, "Ardhun", {}, "There is no saved game Ardhun.vel to delete."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        for (const fs::path& f : {typedGame, other, latin1})
            write(f, "a game of the player's");
        std::vector<std::string> said;
        WindowHandle load = 0;
        os.idle = [&] {
            // Once the question or the notice is answered the dialog is left by its Cancel.
            if (!isOpen(load) || said.empty()) return;
            clickOn(os, dialogOf(load), Dialog::IdCancel);
            load = 0;
        };
        const DialogShown shown = [&](Dialog& d, const std::string& name) {
            if (name == LoadSaveDlg::TemplateName) {
                load = d.hwnd();
                // The list's selection names another game: the field is what counts.
                d.item(LoadSaveDlg::IdList)->select(2);
                clickOn(os, d, LoadSaveDlg::IdFileName);
                postText(os, r.typed);
                return clickOn(os, d, LoadSaveDlg::IdDelete);
            }
            said = dynamic_cast<InformationDlg&>(d).lines();
            clickOn(os, d, Dialog::IdOk);
        };
        // A notice comes through the game's own box.
        game.onDialog = shown;
        LoadSaveDlg dialog(dir.path().string(), r.saving, shown);
        dialog.attach(game.app());
        EXPECT_EQ(dialog.create(LoadSaveDlg::TemplateName, Dialog::Modal), 0);
        os.idle = nullptr;
        EXPECT_EQ(said, std::vector<std::string>{r.said});
        for (const fs::path& f : {typedGame, other, latin1})
            EXPECT_EQ(fs::exists(f), f != r.gone) << f;
    }
}

// A notice has nothing to cancel: "Type a name for the saved game to read.", a load refused, Choose
// Scenario's Details and Units show OK alone, where Cancel stands in a question, and OK takes them away. A
// question (Delete's) keeps its No. Before, every notice offered a Cancel that took back nothing.
TEST_F(PlayerKeys, ANoticeShowsOKAloneAndAQuestionKeepsItsNo) {
    ASSERT_TRUE(game.ready());
    write(dir.path() / "Threnmoor.vel", "a game of the player's");
    ScenarioChoice ghatmar;
    ghatmar.fileName = "GHATMAR.SCN", ghatmar.title = "The Field of Ghatmar", ghatmar.homeName = "Rajavan",
    ghatmar.visitorName = "Keldrian", ghatmar.units = 42;
    const struct {
        const char* what;
        std::function<std::unique_ptr<Dialog>(DialogShown)> make;
        const char* templateName;
        std::function<void(Dialog&)> ask;
        std::vector<std::string> said;
        bool cancel;
    } rows[] = {
        {"Load Game, OK with no name",
         [&](DialogShown s) { return std::make_unique<LoadSaveDlg>(dir.path().string(), false, s); },
         LoadSaveDlg::TemplateName, [&](Dialog& d) { clickOn(os, d, Dialog::IdOk); },
         {"Type a name for the saved game to read."}, false},
        {"Load Game, a game that is not there",
         [&](DialogShown s) { return std::make_unique<LoadSaveDlg>(dir.path().string(), false, s); },
         LoadSaveDlg::TemplateName,
         [&](Dialog& d) {
             d.setItemText(LoadSaveDlg::IdFileName, "Ardhun");
             clickOn(os, d, Dialog::IdOk);
         },
         {"There is no saved game Ardhun.vel."}, false},
        {"Choose Scenario, Details",
         [&](DialogShown s) { return std::make_unique<ScenarioDlg>(std::vector{ghatmar}, s); },
         ScenarioDlg::TemplateName, [&](Dialog& d) { clickOn(os, d, ScenarioDlg::IdDetails); },
         {"The Field of Ghatmar", "Rajavan against Keldrian"}, false},
        {"Choose Scenario, Units",
         [&](DialogShown s) { return std::make_unique<ScenarioDlg>(std::vector{ghatmar}, s); },
         ScenarioDlg::TemplateName, [&](Dialog& d) { clickOn(os, d, ScenarioDlg::IdUnits); },
         {"42 units and leaders take the field."}, false},
        {"Load Game, Delete's question",
         [&](DialogShown s) { return std::make_unique<LoadSaveDlg>(dir.path().string(), false, s); },
         LoadSaveDlg::TemplateName,
         [&](Dialog& d) {
             d.setItemText(LoadSaveDlg::IdFileName, "Threnmoor");
             clickOn(os, d, LoadSaveDlg::IdDelete);
         },
         {"Delete the saved game Threnmoor.vel?"}, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<std::string> said;
        bool cancel = true, okWhereCancelStands = false;
        WindowHandle first = 0;
        os.idle = [&] {
            if (!isOpen(first) || said.empty()) return;
            clickOn(os, dialogOf(first), Dialog::IdCancel);
            first = 0;
        };
        const DialogShown shown = [&](Dialog& open, const std::string& name) {
            if (name == r.templateName) {
                first = open.hwnd();
                return r.ask(open);
            }
            said = dynamic_cast<InformationDlg&>(open).lines();
            cancel = open.item(Dialog::IdCancel) != nullptr;
            // The template's Cancel stood at 149 template units, 260 pixels from the left.
            const DialogItemWindow* ok = open.item(Dialog::IdOk);
            okWhereCancelStands = ok && ok->isVisible() && ok->box().x == (cancel ? 166 : 260);
            clickOn(os, open, cancel ? Dialog::IdCancel : Dialog::IdOk);
        };
        // A notice comes through the game's own box, a question through the dialog's.
        game.onDialog = shown;
        std::unique_ptr<Dialog> d = r.make(shown);
        d->attach(game.app());
        d->create(r.templateName, Dialog::Modal);
        os.idle = nullptr;
        EXPECT_EQ(said, r.said);
        EXPECT_EQ(cancel, r.cancel);
        EXPECT_TRUE(okWhereCancelStands);
    }
    EXPECT_TRUE(fs::exists(dir.path() / "Threnmoor.vel")) << "Delete's No kept the game";
}

// The Elite Initiative list has the keys as it opens: Down moves its selection at once, with no Tab first,
// and Return still presses OK, which takes the leader selected. Before, the keys went to OK: Down did
// nothing and Down then Return took the first leader.
TEST_F(PlayerKeys, DownInTheEliteInitiativeListMovesTheSelectionAtOnce) {
    ASSERT_TRUE(game.ready());
    using platform::KeyDown, platform::KeyReturn, platform::KeyUp;
    const struct {
        const char* what;
        std::vector<std::int32_t> keys;
        const char* chosen;
    } rows[] = {
        {"Return", {KeyReturn}, "Vaelmoric"},
        {"Down, Return", {KeyDown, KeyReturn}, "Orthane"},
        {"Down, Down, Return", {KeyDown, KeyDown, KeyReturn}, "Surendal"},
        {"Down past the last, Return", {KeyDown, KeyDown, KeyDown, KeyReturn}, "Surendal"},
        {"Down, Up, Return", {KeyDown, KeyUp, KeyReturn}, "Vaelmoric"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        EliteInitiativeDlg choose({"Vaelmoric", "Orthane", "Surendal"}, [&](Dialog&, const std::string&) {
            for (const std::int32_t key : r.keys)
                postKey(os, key);
        });
        choose.attach(game.app());
        EXPECT_EQ(choose.create(EliteInitiativeDlg::TemplateName, Dialog::Modal), 1);
        EXPECT_EQ(choose.chosen(), r.chosen);
    }
}

} // namespace
} // namespace vael::test
