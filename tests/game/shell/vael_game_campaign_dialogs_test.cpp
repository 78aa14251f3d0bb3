// The campaign's dialogs and the choice of a variant or a scenario of one's own, on the headless platform
// with the forged data: what the player's clicks and keys answer, the lines shown, and the road from the
// start dialog into a campaign and from one campaign battle to the next.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "framework/ui/window_manager.h"
#include "game/flow/vael_logical_layer.h"
#include "game/shell/campaign.h"
#include "game/shell/campaign_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "platform/headless/headless_platform.h"
#include "support/data_home.h"
#include "support/failed_checks.h"
#include "support/linked_data.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

class CampaignDialogs : public ::testing::Test {
protected:
    // The game's message boxes are answered with OK and their first lines kept.
    void answerBoxes() {
        game.onDialog = [this](Dialog& d, const std::string& name) {
            if (name != InformationDlg::TemplateName) return;
            told.push_back(static_cast<InformationDlg&>(d).lines().front());
            // A key is taken at once, where a click comes back as a command: what follows reaches the
            // dialog below only after a key.
            postKey(os, platform::KeyReturn);
            // What the player does next goes after the box's answer.
            if (afterBox) std::exchange(afterBox, {})();
        };
    }
    std::function<void()> afterBox;
    TempDir dir{"campaigndlgs"};
    DataHome home{dir.path().string()};
    platform::HeadlessPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};
    std::vector<std::string> told;
};

TEST_F(CampaignDialogs, TheMapAnswersBattleOrCancelAndOffersNeitherSubjugationNorHelp) {
    ASSERT_TRUE(game.ready());
    Campaign& campaign = game.app().campaign();
    ASSERT_TRUE(campaign.begin());
    const struct {
        const char* what;
        std::function<void(Dialog&)> answer;
        std::int16_t closed;
    } rows[] = {
        {"Battle clicked", [&](Dialog& d) { clickOn(os, d, CampaignMapDlg::IdBattle); }, 10},
        {"Return", [&](Dialog&) { postKey(os, platform::KeyReturn); }, 10},
        {"Cancel clicked", [&](Dialog& d) { clickOn(os, d, Dialog::IdCancel); }, 0},
        {"Escape", [&](Dialog&) { postKey(os, platform::KeyEscape); }, 0},
        {"Subjugate, greyed, then Escape",
         [&](Dialog& d) { clickOn(os, d, CampaignMapDlg::IdSubjugate), postKey(os, platform::KeyEscape); },
         0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        CampaignMapDlg map(campaign, [&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "CampaignMap");
            EXPECT_STREQ(d.caption(), "Campaign Game");
            EXPECT_TRUE(d.item(CampaignMapDlg::IdBattle)->isEnabled());
            EXPECT_FALSE(d.item(CampaignMapDlg::IdSubjugate)->isEnabled());
            EXPECT_FALSE(d.item(CampaignMapDlg::IdHelp)->isEnabled());
            // The picture fills the dialog: the forge draws it to the template's size.
            EXPECT_EQ(d.size(), Dim(CampaignMapWidth, CampaignMapHeight));
            r.answer(d);
        });
        map.attach(game.app());
        EXPECT_EQ(map.create(CampaignMapDlg::TemplateName, Dialog::Modal), r.closed);
    }
    // A campaign at its end has no battle to offer: Return does nothing and Escape closes.
    campaign.resume(CampaignState{5, 3, CampaignState::Won, {}});
    CampaignMapDlg over(campaign, [&](Dialog& d, const std::string&) {
        EXPECT_FALSE(d.item(CampaignMapDlg::IdBattle)->isEnabled());
        clickOn(os, d, CampaignMapDlg::IdBattle);
        postKey(os, platform::KeyReturn);
        postKey(os, platform::KeyEscape);
    });
    over.attach(game.app());
    EXPECT_EQ(over.create(CampaignMapDlg::TemplateName, Dialog::Modal), 0);
}

TEST(CampaignMapText, TheLineOverTheMapSaysWhereTheNextBattleIsOrHowTheCampaignEnded) {
    CampaignDefinition d;
    std::string error;
    ASSERT_TRUE(parseCampaign("title The March\nstart 1\nprovince 1 3 2 A.SCN 0 0 Ghatmar Fords\n"
                              "outline 1 0 0 1 0 1 1\nlabel 1 0 0\n",
                              d, error))
        << error;
    EXPECT_EQ(CampaignMapDlg::statusLine(d, CampaignState{1, 0, CampaignState::Going, {}}),
              "Battle 1: Ghatmar Fords, garrisons left behind 3 foot and 2 horse");
    EXPECT_EQ(
        CampaignMapDlg::statusLine(d, CampaignState{1, 1, CampaignState::Going, {{1, true}, {1, false}}}),
        "Battle 3: Ghatmar Fords, garrisons left behind 3 foot and 2 horse");
    EXPECT_EQ(CampaignMapDlg::statusLine(d, CampaignState{1, 0, CampaignState::Won, {}}),
              "The March: the campaign is won.");
    EXPECT_EQ(CampaignMapDlg::statusLine(d, CampaignState{1, 0, CampaignState::Lost, {}}),
              "The March: the campaign is lost.");
    EXPECT_EQ(CampaignMapDlg::statusLine(d, CampaignState{7, 0, CampaignState::Going, {}}), "The March");
}

TEST(CampaignResultsText, ListsTheBattlesFoughtAndWhereTheCampaignStands) {
    CampaignDefinition d;
    std::string error;
    ASSERT_TRUE(parseCampaign("title The March\nstart 1\nprovince 1 0 0 A.SCN 4 0 Ghatmar Fords\n"
                              "province 4 0 0 A.SCN 0 1 Sarvat Plain\n"
                              "outline 1 0 0 1 0 1 1\nlabel 1 0 0\noutline 4 0 0 1 0 1 1\nlabel 4 0 0\n",
                              d, error))
        << error;
    EXPECT_EQ(CampaignResultsDlg::linesOf(d, CampaignState{4, 1, CampaignState::Going, {{1, true}}}),
              (std::vector<std::string>{"The March", "", "Battle 1: Ghatmar Fords, won", "",
                                        "The campaign goes on in Sarvat Plain."}));
    EXPECT_EQ(CampaignResultsDlg::linesOf(d, CampaignState{4, 1, CampaignState::Won, {{1, true}, {4, true}}}),
              (std::vector<std::string>{"The March", "", "Battle 1: Ghatmar Fords, won",
                                        "Battle 2: Sarvat Plain, won", "", "The campaign is won."}));
    EXPECT_EQ(CampaignResultsDlg::linesOf(d, CampaignState{1, 0, CampaignState::Lost, {{1, false}}}).back(),
              "The campaign is lost.");
    // Sixteen battles fill the dialog; of seventeen the first is left out.
    for (std::size_t count : {16u, 17u}) {
        SCOPED_TRACE(std::to_string(count) + " battles");
        CampaignState s{1, 4, CampaignState::Going, {}};
        for (std::size_t i = 0; i < count; ++i)
            s.battles.push_back({i % 2 ? 4 : 1, i % 3 == 0});
        const std::vector<std::string> lines = CampaignResultsDlg::linesOf(d, s);
        EXPECT_EQ(lines.size(), CampaignResultsDlg::MaxLines);
        EXPECT_EQ(lines[2], count == 16 ? "Battle 1: Ghatmar Fords, won" : "Battle 2: Sarvat Plain, lost");
        EXPECT_EQ(lines[17], "Battle " + std::to_string(count) + ": " +
                                 (count == 16 ? "Sarvat Plain, won" : "Ghatmar Fords, lost"));
    }
}

TEST_F(CampaignDialogs, TheResultsCloseOnReturnEscapeOrTheCloseBox) {
    ASSERT_TRUE(game.ready());
    CampaignDefinition d = game.app().campaign().definition();
    const CampaignState s{4, 1, CampaignState::Going, {{1, true}}};
    const struct {
        const char* what;
        std::function<void()> answer;
    } rows[] = {
        {"Return", [&] { postKey(os, platform::KeyReturn); }},
        {"Escape", [&] { postKey(os, platform::KeyEscape); }},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        CampaignResultsDlg results(d, s, [&](Dialog& dlg, const std::string& name) {
            EXPECT_EQ(name, "CampaignResults");
            EXPECT_STREQ(dlg.caption(), "Campaign Results");
            r.answer();
        });
        results.attach(game.app());
        EXPECT_EQ(results.create(CampaignResultsDlg::TemplateName, Dialog::Modal), 1);
    }
}

TEST(Variants, AVariantFileGivesEachVariantsFileTitleAndDescriptionAndNamesTheLineItCannotRead) {
    std::vector<ScenarioVariant> v;
    std::string error;
    ASSERT_TRUE(parseVariants("# comment\nvariant A.SCN  The first  \ntext one\n\ntext two\r\n"
                              "variant b.scn Second\n",
                              v, error))
        << error;
    EXPECT_EQ(v, (std::vector<ScenarioVariant>{{"A.SCN", "The first", "one\ntwo"}, {"b.scn", "Second", ""}}));
    const struct {
        const char* text;
        std::string error;
    } rows[] = {
        {"text before\n", "line 1: a text belongs to the variant above it, and there is none"},
        {"variant A.SCN\n", "line 1: the variant A.SCN has no title"},
        {"variant ../A.SCN X\n", "line 1: a variant names a file of the scenario directory"},
        {"variant a\\b X\n", "line 1: a variant names a file of the scenario directory"},
        {"variant\n", "line 1: a variant names a file of the scenario directory"},
        {"variant A.SCN X\nmap x\n", "line 2: unknown word map"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        std::vector<ScenarioVariant> kept{{"K.SCN", "Kept", ""}};
        EXPECT_FALSE(parseVariants(r.text, kept, error));
        EXPECT_EQ(error, r.error);
        EXPECT_EQ(kept.size(), 1u);
    }
}

TEST(Variants, AreFoundBesideTheScenarioWithoutRegardToCase) {
    TempDir dir("variants");
    std::vector<ScenarioVariant> v{{"X", "X", ""}};
    std::string error;
    EXPECT_TRUE(readVariants(dir.path().string(), "NONE.SCN", v, error));
    EXPECT_TRUE(v.empty());
    std::ofstream(dir.path() / "battle.var") << "variant BATTLE.SCN As fought\nvariant dawn.scn At dawn\n";
    ASSERT_TRUE(readVariants(dir.path().string(), "BATTLE.SCN", v, error)) << error;
    ASSERT_EQ(v.size(), 2u);
    EXPECT_EQ(v[1].fileName, "dawn.scn");
    std::ofstream(dir.path() / "bad.var") << "variant\n";
    EXPECT_FALSE(readVariants(dir.path().string(), "Bad.scn", v, error));
    EXPECT_EQ(error, "bad.var, line 1: a variant names a file of the scenario directory");
    // The data set's list for the demonstration battle.
    ASSERT_TRUE(readVariants(VAEL_BUILD_DATA_DIR, "GHATMAR.SCN", v, error)) << error;
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0].fileName, "GHATMAR.SCN");
}

TEST_F(CampaignDialogs, TheVariantListGivesTheChosenVariantAndItsDetails) {
    ASSERT_TRUE(game.ready());
    answerBoxes();
    const std::vector<ScenarioVariant> variants{{"A.SCN", "As fought", "The armies as they stood."},
                                                {"B.SCN", "At dawn", ""},
                                                {"C.SCN", "In rain", "Wet."}};
    const struct {
        const char* what;
        std::function<void(Dialog&)> answer;
        std::int16_t closed;
        std::int32_t chosen;
        std::vector<std::string> told;
    } rows[] = {
        {"OK at once", [&](Dialog& d) { clickOn(os, d, Dialog::IdOk); }, 1, 0, {}},
        {"the third", [&](Dialog& d) { d.item(101)->select(2), clickOn(os, d, Dialog::IdOk); }, 1, 2, {}},
        {"double click",
         [&](Dialog& d) { d.item(101)->select(1), d.command(101, ListDoubleClicked); },
         1,
         1,
         {}},
        // The details' box takes every click while it is up: the next click comes once it is answered.
        {"details of the first, then Cancel",
         [&](Dialog& d) {
             afterBox = [&] { clickOn(os, d, Dialog::IdCancel); };
             clickOn(os, d, VariantDlg::IdDetails);
         },
         0,
         -1,
         {"As fought"}},
        {"details of the third, then OK",
         [&](Dialog& d) {
             afterBox = [&] { clickOn(os, d, Dialog::IdOk); };
             d.item(101)->select(2), clickOn(os, d, VariantDlg::IdDetails);
         },
         1,
         2,
         {"In rain"}},
        {"Escape", [&](Dialog&) { postKey(os, platform::KeyEscape); }, 0, -1, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        told.clear();
        std::vector<std::string> listed;
        VariantDlg choose(variants, [&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "VariantDlg");
            EXPECT_STREQ(d.caption(), "Choose Variant");
            for (std::int32_t i = 0; i < d.item(101)->rowCount(); ++i)
                listed.push_back(d.item(101)->row(i)->text);
            r.answer(d);
        });
        choose.attach(game.app());
        EXPECT_EQ(choose.create(VariantDlg::TemplateName, Dialog::Modal), r.closed);
        EXPECT_EQ(choose.chosen(), r.chosen);
        if (r.chosen >= 0) {
            ASSERT_NE(choose.chosenVariant(), nullptr);
            EXPECT_EQ(*choose.chosenVariant(), variants[std::size_t(r.chosen)]);
        } else {
            EXPECT_EQ(choose.chosenVariant(), nullptr);
        }
        EXPECT_EQ(listed, (std::vector<std::string>{"As fought", "At dawn", "In rain"}));
        EXPECT_EQ(told, r.told);
    }
}

// What Custom Scenario tells of the build's palette named as a scenario: its first two bytes, "Os", count
// 29519 groups, and the first group's name ("el", 27749 bytes) runs past the file's end.
std::string paletteRefused() {
    return "vael.pal is a palette, not a scenario.";
}

// A name typed in Custom Scenario: the file found for it in the folder, else why none is.
struct Lookup {
    const char* typed;
    std::string found, why;
};
void expectLookups(const std::string& folder, const std::vector<Lookup>& rows) {
    for (const Lookup& r : rows) {
        SCOPED_TRACE(std::string("\"") + r.typed + "\"");
        std::string why;
        EXPECT_EQ(CustomScenarioDlg::findScenario(folder, r.typed, why), r.found);
        EXPECT_EQ(why, r.why);
    }
}

// A file of the folder that is no scenario is refused by its name with the reason, whatever its bytes; none
// of them is asked as a failed check (a unit record's own check among them). A name typed without its
// extension is the scenario of that name with ".scn", though a file of the bare name stands beside it.
TEST(CustomScenario, AFileThatIsNoScenarioIsRefusedByNameWithTheReason) {
    TempDir folder{"customscenario"};
    const auto write = [&](const char* name, const std::string& bytes) {
        std::ofstream(folder.path() / name, std::ios::binary) << bytes;
    };
    using namespace std::string_literals;
    write("vael.pal", "Ostrell Palette\0\0\0\0\0\0\0\0\0"s); // 24 bytes
    write("empty.scn", "");
    write("notes", "\x01\x00"s);
    write("ghatmar", "no battle");
    std::filesystem::copy_file(std::filesystem::path(VAEL_BUILD_DATA_DIR) / "ghatmar.scn",
                               folder.path() / "ghatmar.scn");
    // A scenario cut after its first unit record, a leader of nation code 6, which no side has.
    write("nation.scn", "\x01\x00\x07\x00\x04\x00Wing\x00\x00\x03Toy\x05m.map\x00\x02\x07\x1E\x03\x03\x14"
                        "\x01\x00\x02\x01\x01\x03\x61.p\x03\x62.p"
                        "\x00\x03Kar\x06\x09\x00\x07\x00\xEB\x03\x03\x02\x00\x04\x00\x05\x00\x03\x00"s);
    // The player is told what the file is, in his words; the reader's reason goes to the trace.
    const std::string damaged = " is not a scenario the game can play: it is damaged or of another kind.";
    test::FailedChecks asked(true);
    expectLookups(folder.path().string(), {
        {"vael.pal", "", "vael.pal is a palette, not a scenario."},
        {"VAEL.PAL", "", "vael.pal is a palette, not a scenario."},
        {"empty", "", "empty.scn is empty, not a scenario."},
        {"notes", "", "notes" + damaged},
        {"nation.scn", "", "nation.scn" + damaged},
        {"ghatmar", "ghatmar.scn", ""},
        {"ghatmar.scn", "ghatmar.scn", ""},
    });
    EXPECT_EQ(asked.count(), 0u);
}

// The road as the start dialog's Start Battle takes it when the data set offers no battle of its own: the
// palette named in Custom Scenario is refused in the game's box, and the name is asked again; the game goes
// on, with no failed check asked and no battle begun. Before, the battle's load stopped at the file and asked
// whether to end the game.
TEST_F(CampaignDialogs, ThePaletteChosenInCustomScenarioIsRefusedAndTheGameGoesOn) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> shown;
    answerBoxes();
    const auto boxes = game.onDialog;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == CustomScenarioDlg::TemplateName) {
            postText(os, "vael.pal");
            clickOn(os, d, Dialog::IdOk);
            afterBox = [this] { postKey(os, platform::KeyEscape); };
        } else if (name == InformationDlg::TemplateName) {
            boxes(d, name);
        } else {
            clickOn(os, d, Dialog::IdOk);
        }
    };
    EXPECT_FALSE(game.chooseCustomBattle());
    EXPECT_EQ(shown,
              (std::vector<std::string>{CustomScenarioDlg::TemplateName, InformationDlg::TemplateName}));
    EXPECT_EQ(told, std::vector<std::string>{paletteRefused()});
    EXPECT_TRUE(os.systemBoxes.empty());
    EXPECT_FALSE(game.app().battleRunning());
}

// A file of the data folder that is no scenario is refused by what it is, in the player's words: a folder, a
// pipe, each kind of the data set by its ending (in any case), an empty file; a battle file under another
// ending is taken.
TEST(CustomScenario, EachFileThatIsNoScenarioIsToldByWhatItIs) {
    TempDir folder{"customscenario-kinds"};
    std::filesystem::create_directories(folder.path() / "sheets");
    ASSERT_EQ(::mkfifo((folder.path() / "pipe.scn").c_str(), 0600), 0);
    for (const char* name : {"oiffile.hed", "ghatmar.map", "ghatmar_v1.pln", "campaign.txt", "ghatmar.var",
                             "fig00f.oif", "cheer.wav", "VAEL.PAL"})
        std::filesystem::copy_file(std::filesystem::path(VAEL_BUILD_DATA_DIR) /
                                       (std::string(name) == "VAEL.PAL" ? "vael.pal" : name),
                                   folder.path() / name);
    std::ofstream(folder.path() / "blank.scn");
    std::ofstream(folder.path() / "old.vel") << "no save";
    std::filesystem::copy_file(std::filesystem::path(VAEL_BUILD_DATA_DIR) / "ghatmar.scn",
                               folder.path() / "ghatmar.scx");
    test::FailedChecks asked(true);
    expectLookups(folder.path().string(), {
        {"sheets", "", "sheets is a folder, not a scenario."},
        {"SHEETS", "", "sheets is a folder, not a scenario."},
        {"pipe", "", "pipe.scn is not a file the game can read."},
        {"oiffile.hed", "", "oiffile.hed is the index of the pictures, not a scenario."},
        {"ghatmar.map", "", "ghatmar.map is a battle map, not a scenario."},
        {"ghatmar_v1.pln", "", "ghatmar_v1.pln is a plan of the computer's, not a scenario."},
        {"campaign.txt", "", "campaign.txt is a text, not a scenario."},
        {"ghatmar.var", "", "ghatmar.var is a list of variants, not a scenario."},
        {"fig00f.oif", "", "fig00f.oif is an archive of pictures, not a scenario."},
        {"cheer.wav", "", "cheer.wav is a sound, not a scenario."},
        {"vael.pal", "", "VAEL.PAL is a palette, not a scenario."},
        {"old.vel", "", "old.vel is a saved game, not a scenario."},
        {"blank", "", "blank.scn is empty, not a scenario."},
        {"ghatmar.scx", "ghatmar.scx", ""},
        {"GHATMAR.SCX", "ghatmar.scx", ""},
    });
    EXPECT_EQ(asked.count(), 0u);
}

// A battle copied under another name ("ghatmar.scx", beside a list of variants that names GHATMAR.SCN, which
// is not there) is the battle played: Leader Control names its sides, and OK begins it, with no failed check.
// Before, Leader Control said "Home" and "Visitor" and the battle's load asked whether to end the game at
// the file the list named.
TEST(CustomScenario, ABattleUnderAnotherNameIsPlayedAsChosen) {
    TempDir dir{"customscenario-renamed"};
    DataHome home{dir.path().string()};
    LinkedData data(dir.path() / "data", VAEL_BUILD_DATA_DIR);
    data.remove("ghatmar.scn");
    std::filesystem::copy_file(std::filesystem::path(VAEL_BUILD_DATA_DIR) / "ghatmar.scn",
                               dir.path() / "data" / "ghatmar.scx");
    platform::HeadlessPlatform os;
    VaelGame game{os, data.path()};
    ASSERT_TRUE(game.ready());
    test::FailedChecks asked(true);
    std::vector<std::string> shown, sides;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == CustomScenarioDlg::TemplateName) {
            postText(os, "ghatmar.scx");
            clickOn(os, d, Dialog::IdOk);
        } else if (name == IntroDlg::TemplateName) {
            sides = {d.getItemText(IntroDlg::IdHomeName), d.getItemText(IntroDlg::IdVisitorName)};
            clickOn(os, d, Dialog::IdOk);
        } else {
            clickOn(os, d, Dialog::IdOk);
        }
    };
    EXPECT_TRUE(game.chooseCustomBattle());
    ASSERT_GE(shown.size(), 2u);
    EXPECT_EQ(shown[0], CustomScenarioDlg::TemplateName);
    EXPECT_EQ(shown[1], IntroDlg::TemplateName);
    EXPECT_EQ(sides, (std::vector<std::string>{"Macedonian", "Indian"}));
    EXPECT_EQ(std::count(shown.begin(), shown.end(), InformationDlg::TemplateName), 0);
    EXPECT_EQ(asked.count(), 0u);
    EXPECT_TRUE(os.systemBoxes.empty());
    EXPECT_TRUE(game.app().battleRunning());
    EXPECT_EQ(game.app().scenarioFile(), "ghatmar.scx");
}

// A list of variants that names a battle the folder lacks is refused in the game's box before Leader
// Control, for the battle the list is found by: the player is told, and no battle begins.
TEST(CustomScenario, AVariantTheFolderLacksIsRefusedBeforeLeaderControl) {
    TempDir dir{"customscenario-variant"};
    DataHome home{dir.path().string()};
    LinkedData data(dir.path() / "data", VAEL_BUILD_DATA_DIR);
    data.write("ghatmar.var", "variant GHATMAR.SCN The battle as fought\ntext One.\n"
                              "variant GHATMAR_B.SCN Another day\ntext Two.\n");
    platform::HeadlessPlatform os;
    VaelGame game{os, data.path()};
    ASSERT_TRUE(game.ready());
    test::FailedChecks asked(true);
    std::vector<std::string> shown, told;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == CustomScenarioDlg::TemplateName) {
            postText(os, "ghatmar");
            clickOn(os, d, Dialog::IdOk);
        } else if (name == VariantDlg::TemplateName) {
            // The second variant, the one the folder lacks.
            d.item(VariantDlg::IdList)->select(1);
            clickOn(os, d, Dialog::IdOk);
        } else {
            if (name == InformationDlg::TemplateName) {
                const auto& lines = static_cast<InformationDlg&>(d).lines();
                told.insert(told.end(), lines.begin(), lines.end());
            }
            clickOn(os, d, Dialog::IdOk);
        }
    };
    EXPECT_FALSE(game.chooseCustomBattle());
    EXPECT_EQ(std::count(shown.begin(), shown.end(), IntroDlg::TemplateName), 0);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.front(), "The battle GHATMAR_B.SCN cannot be played:");
    EXPECT_EQ(asked.count(), 0u);
    EXPECT_FALSE(game.app().battleRunning());
}

TEST(CustomScenario, TheTypedNameIsFoundInTheScenarioDirectoryWithoutRegardToCase) {
    expectLookups(VAEL_BUILD_DATA_DIR, {
        {"GHATMAR.SCN", "ghatmar.scn", ""},
        {"ghatmar", "ghatmar.scn", ""},
        {"  Ghatmar.scn ", "ghatmar.scn", ""},
        {"ghatmar.txt", "", "There is no scenario ghatmar.txt."},
        {"nosuch", "", "There is no scenario nosuch."},
        {"", "", "Enter the file name of the scenario."},
        {"   ", "", "Enter the file name of the scenario."},
        {"../data/ghatmar.scn", "", "../data/ghatmar.scn is not a file name of the scenario directory."},
        {"..", "", ".. is not a file name of the scenario directory."},
    });
}

TEST_F(CampaignDialogs, TheCustomScenarioDialogTakesATypedNameTheDirectoryHoldsAndTellsOfOthers) {
    ASSERT_TRUE(game.ready());
    answerBoxes();
    const struct {
        const char* what;
        std::function<void(Dialog&)> answer;
        std::int16_t closed;
        std::string chosen;
        std::vector<std::string> told;
    } rows[] = {
        {"a name typed, then Return",
         [&](Dialog&) { postText(os, "ghatmar"), postKey(os, platform::KeyReturn); },
         1,
         "ghatmar.scn",
         {}},
        {"the palette, then a scenario",
         [&](Dialog& d) {
             postText(os, "vael.pal");
             clickOn(os, d, Dialog::IdOk);
             afterBox = [this, dialog = &d] {
                 dialog->item(CustomScenarioDlg::IdFileName)->setText("ghatmar");
                 postKey(os, platform::KeyReturn);
             };
         },
         1,
         "ghatmar.scn",
         {paletteRefused()}},
        {"a wrong name, then the right one",
         [&](Dialog& d) {
             postText(os, "nosuch");
             clickOn(os, d, Dialog::IdOk);
             // The dialog stays open with the name as typed; the player puts it right.
             afterBox = [this, dialog = &d] {
                 EXPECT_EQ(dialog->item(CustomScenarioDlg::IdFileName)->text(), "nosuch");
                 dialog->item(CustomScenarioDlg::IdFileName)->setText("GHATMAR.SCN");
                 postKey(os, platform::KeyReturn);
             };
         },
         1,
         "ghatmar.scn",
         {"There is no scenario nosuch."}},
        {"nothing typed, then Escape",
         [&](Dialog& d) {
             clickOn(os, d, Dialog::IdOk);
             afterBox = [this] { postKey(os, platform::KeyEscape); };
         },
         0,
         "",
         {"Enter the file name of the scenario."}},
        {"Cancel clicked",
         [&](Dialog& d) { postText(os, "ghatmar"), clickOn(os, d, Dialog::IdCancel); },
         0,
         "",
         {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        told.clear();
        CustomScenarioDlg name(VAEL_BUILD_DATA_DIR, [&](Dialog& d, const std::string& shown) {
            EXPECT_EQ(shown, "CustomSceneDlg");
            EXPECT_STREQ(d.caption(), "Custom Scenario");
            EXPECT_EQ(d.textTile(-1)->text(), "Enter the file name of the scenario:");
            r.answer(d);
        });
        name.attach(game.app());
        EXPECT_EQ(name.create(CustomScenarioDlg::TemplateName, Dialog::Modal), r.closed);
        EXPECT_EQ(name.chosen(), r.chosen);
        EXPECT_EQ(told, r.told);
    }
}

// The campaign's map, Cancel, then Battle: the campaign's first battle begins. Left by the close box, its
// question says that the campaign ends with it. Before, it asked as outside a campaign, as though only the
// battle were lost.
TEST_F(CampaignDialogs, TheStartDialogsCampaignShowsTheMapAndItsBattleBeginsTheCampaignsFirstBattle) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> shown, asked;
    bool seenInBattle = false;
    std::uint16_t flag = 0;
    int maps = 0;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == StartGameDlg::TemplateName) {
            EXPECT_TRUE(d.item(StartGameDlg::IdCampaign)->isEnabled());
            clickOn(os, d, maps == 0 ? StartGameDlg::IdCampaign : StartGameDlg::IdCampaign);
        } else if (name == CampaignMapDlg::TemplateName) {
            // The first time the player goes back; the second he fights.
            clickOn(os, d, ++maps == 1 ? Dialog::IdCancel : CampaignMapDlg::IdBattle);
        } else if (name == ArmyRoutDlg::TemplateName) {
            seenInBattle = game.app().campaign().inBattle();
            flag = game.app().logicalLayer().getCampaign();
            clickOn(os, d, Dialog::IdOk);
            platform::Event close;
            close.kind = platform::EventKind::CloseRequest;
            os.postEvent(close);
        } else {
            if (auto* box = dynamic_cast<InformationDlg*>(&d)) asked = box->lines();
            clickOn(os, d, Dialog::IdOk);
        }
    };
    EXPECT_EQ(game.run(), 0);
    EXPECT_EQ(asked,
              (std::vector<std::string>{VaelGame::ExitQuestion, VaelGame::ExitWarning,
                                        "The campaign ends with it: the battles fought in it are lost."}));
    ASSERT_GE(shown.size(), 5u);
    EXPECT_EQ(
        std::vector<std::string>(shown.begin(), shown.begin() + 5),
        (std::vector<std::string>{"StartGame", "CampaignMap", "StartGame", "CampaignMap", "ArmyRoutDlg"}));
    EXPECT_TRUE(seenInBattle);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(game.app().campaign().state().province, 1);
}

// Ends a battle of the campaign as the game does, and answers the dialogs that follow: Return on the
// results, Cancel on the map, Return on the question whether to leave the campaign, Exit on the start
// dialog.
std::vector<std::string> afterTheBattle(VaelGame& game, platform::HeadlessPlatform& os, bool won,
                                        std::string& status) {
    Campaign& campaign = game.app().campaign();
    EXPECT_TRUE(campaign.begin());
    campaign.battleBegins();
    campaign.battleEnded(won);
    std::vector<std::string> shown;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == CampaignMapDlg::TemplateName) {
            status = CampaignMapDlg::statusLine(campaign.definition(), campaign.state());
            clickOn(os, d, Dialog::IdCancel);
        } else if (name == StartGameDlg::TemplateName) {
            clickOn(os, d, StartGameDlg::IdExit);
        } else {
            postKey(os, platform::KeyReturn);
        }
    };
    game.app().onBattleClosed();
    game.onDialog = {};
    return shown;
}

TEST_F(CampaignDialogs, AfterACampaignBattleWonTheResultsThenTheMapOfTheNextAreShown) {
    ASSERT_TRUE(game.ready());
    std::string status;
    EXPECT_EQ(afterTheBattle(game, os, true, status),
              (std::vector<std::string>{"CampaignResults", "CampaignMap", "VaelMessageBox", "StartGame"}));
    EXPECT_EQ(status, "Battle 2: Sarvat Plain, garrisons left behind 1 foot and 1 horse");
    EXPECT_FALSE(game.app().campaign().resultsPending());
    // Cancel on the map, answered OK, leaves the campaign.
    EXPECT_FALSE(game.app().campaign().active());
}

TEST_F(CampaignDialogs, AfterTheCampaignsLastBattleItsResultsAreShownAndTheStartDialogAfterThem) {
    ASSERT_TRUE(game.ready());
    std::string status;
    EXPECT_EQ(afterTheBattle(game, os, false, status),
              (std::vector<std::string>{"CampaignResults", "StartGame"}));
    EXPECT_EQ(status, "");
    EXPECT_FALSE(game.app().campaign().active());
}

} // namespace
} // namespace vael::test
