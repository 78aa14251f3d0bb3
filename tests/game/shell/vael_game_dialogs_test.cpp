// The game's message box and the end of the game, on the headless platform with the forged data: what
// the player's OK, Cancel, Return and Escape answer, the lines shown, and the nation's picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <vector>

#include "framework/display/application_palette.h"
#include "framework/ui/picture_archive.h"
#include "framework/ui/window_manager.h"
#include "game/flow/vael_logical_layer.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/combat_results_dialog.h"
#include "game/shell/game_overview_dialogs.h"
#include "game/shell/information_dialogs.h"
#include "game/shell/side_dialogs.h"
#include "game/shell/vael_game.h"
#include "platform/headless/headless_platform.h"
#include "support/bus_recorder.h"
#include "support/data_home.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_clicks.h"
#include "support/ui/test_win_app.h"

namespace vael::test {
namespace {

std::vector<std::string> linesOf(Dialog& d) {
    std::vector<std::string> lines;
    for (std::int16_t id : {InformationDlg::IdLine1, InformationDlg::IdLine2, InformationDlg::IdLine3})
        lines.push_back(d.textTile(id) ? d.textTile(id)->text() : "<none>");
    return lines;
}

class GameDialogs : public ::testing::Test {
protected:
    // The saved games' place is the test's own for as long as it runs.
    TempDir dir{"gamedlgs"};
    DataHome home{dir.path().string()};
    platform::HeadlessPlatform os;
    VaelGame game{os, VAEL_BUILD_DATA_DIR};
};

// The start's Start Battle offers every battle of the data set, described by its file: ordered by title,
// each with its two sides, its units and its map. Described as none, the list would be empty and the player
// sent to name a battle of his own.
TEST(ScenarioList, EveryBattleOfTheDataSetIsListedByTitleWithItsSidesUnitsAndMap) {
    const std::vector<ScenarioChoice> found = findScenarios(VAEL_BUILD_DATA_DIR);
    const std::vector<std::pair<std::string, std::string>> expected{
        {"ghatmar.scn", "The Fords of Ghatmar"}, {"velmesk.scn", "The Fords of Velmesk"},
        {"korvath.scn", "The Pass of Korvath"},  {"threnmoor.scn", "The Plain of Threnmoor"},
        {"ardhun.scn", "The Woods of Ardhun"}};
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        SCOPED_TRACE(expected[i].first);
        EXPECT_EQ(found[i].fileName, expected[i].first);
        EXPECT_EQ(found[i].title, expected[i].second);
        EXPECT_FALSE(found[i].homeName.empty());
        EXPECT_FALSE(found[i].visitorName.empty());
        EXPECT_NE(found[i].homeName, found[i].visitorName);
        EXPECT_GT(found[i].units, 0u);
        EXPECT_FALSE(found[i].mapName.empty());
        EXPECT_GT(found[i].mapWidth, 0);
    }
}

TEST_F(GameDialogs, TheMessageBoxAnswersOKOrCancelByMouseAndKeyAndShowsUpToThreeLines) {
    ASSERT_TRUE(game.ready());
    const struct {
        const char* what;
        std::string text;
        std::function<void(Dialog&)> answer;
        std::int32_t expected;
        std::vector<std::string> lines;
    } rows[] = {
        {"OK clicked", "One line", [&](Dialog& d) { clickOn(os, d, Dialog::IdOk); }, 1, {"One line", "", ""}},
        // A notice has nothing to cancel: it offers OK alone, and Escape still takes it away as Cancel did.
        {"no Cancel to click, OK clicked", "a\nb",
         [&](Dialog& d) {
             EXPECT_EQ(d.item(Dialog::IdCancel), nullptr);
             clickOn(os, d, Dialog::IdOk);
         },
         1, {"a", "b", ""}},
        {"Return", "a\nb\nc", [&](Dialog&) { postKey(os, platform::KeyReturn); }, 1, {"a", "b", "c"}},
        {"Escape",
         "a\nb\nc\nd\ne",
         [&](Dialog&) { postKey(os, platform::KeyEscape); },
         2,
         {"a", "b", "c d e"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<std::string> shown, lines, texts;
        std::string caption;
        game.onDialog = [&](Dialog& d, const std::string& name) {
            shown.push_back(name);
            lines = linesOf(d);
            texts.push_back(d.textTile(-1) ? d.textTile(-1)->text() : "<none>");
            caption = d.caption() ? d.caption() : "";
            r.answer(d);
        };
        EXPECT_EQ(game.app().messageBox(r.text, "Load Game", 0x30), r.expected);
        EXPECT_EQ(shown, std::vector<std::string>{"VaelMessageBox"});
        EXPECT_EQ(lines, r.lines);
        EXPECT_EQ(texts, std::vector<std::string>{""}); // the layout's placeholder beside the buttons
        EXPECT_EQ(caption, "Load Game");
    }
    EXPECT_TRUE(os.boxes.empty());
}

TEST_F(GameDialogs, BoxesWithMoreThanOKAndAnEmptyTitleKeepTheirPlatformBoxAndTheTemplatesCaption) {
    ASSERT_TRUE(game.ready());
    std::string caption;
    game.onDialog = [&](Dialog& d, const std::string&) {
        caption = d.caption() ? d.caption() : "";
        clickOn(os, d, Dialog::IdOk);
    };
    EXPECT_EQ(game.app().messageBox("x", "", 0), 1);
    EXPECT_EQ(caption, "The Iron Vigils of Vaelmoric");
    EXPECT_TRUE(os.boxes.empty());
    os.answers.push_back(platform::MessageAnswer::Retry);
    EXPECT_EQ(game.app().messageBox("Out", "Out of Memory", 0x15), AnswerRetry);
    ASSERT_EQ(os.boxes.size(), 1u);
    EXPECT_EQ(os.boxes[0].text, "Out");
}

// A reason with a long path, as a failed load gives it: the box wraps every line to its width, breaks the
// path after a slash, and grows downwards so that every word stands inside it above the buttons.
TEST_F(GameDialogs, ALongMessageIsWrappedAndTheBoxGrowsToShowEveryWord) {
    ASSERT_TRUE(game.ready());
    const std::string text =
        "Cannot load Autosave.vel:\n/home/aristhon/.local/share/vael/saved-games/the-fords-of-ghatmar/"
        "second-attempt-after-the-rout/Autosave.vel cannot be read: the file ends before the units of the "
        "visitor's army and cannot be played on";
    std::vector<std::string> rows;
    std::vector<Box> tiles;
    Dim client;
    Box ok;
    bool cancelOffered = true;
    std::int32_t tooWide = 0;
    game.onDialog = [&](Dialog& d, const std::string&) {
        client = d.size();
        for (std::int16_t id = InformationDlg::IdLine1; d.textTile(id); ++id) {
            TextTile& tile = *d.textTile(id);
            rows.push_back(tile.text());
            tiles.push_back(Box(tile.position().x, tile.position().y, tile.size().w, tile.size().h));
            tooWide += tile.font().textWidth(tile.text()) > tile.size().w;
        }
        // A notice offers OK alone: there is nothing to cancel.
        ok = d.item(Dialog::IdOk)->box(), cancelOffered = d.item(Dialog::IdCancel) != nullptr;
        clickOn(os, d, Dialog::IdOk);
    };
    EXPECT_EQ(game.app().messageBox(text, "Load Game", 0x30), 1);
    // Every character of the text but the blanks and the line break, in order, on the rows.
    std::string said, shown;
    for (char c : text)
        if (c != ' ' && c != '\n') said += c;
    for (const std::string& row : rows)
        for (char c : row)
            if (c != ' ') shown += c;
    EXPECT_EQ(shown, said);
    EXPECT_EQ(rows.front(), "Cannot load Autosave.vel:");
    ASSERT_GE(rows.size(), 5u) << "the path and the reason take more than the template's three rows";
    EXPECT_EQ(tooWide, 0) << "a row is drawn past its tile's edge";
    // The path is broken after a slash, never inside a name.
    EXPECT_EQ(rows[1].back(), '/');
    // Each row 10 template units under the one before (a template unit is 1.625 pixels down, truncated
    // when scaled: 4, 14, 24 ... units give these pixels), inside the box; the buttons, 16 units under the
    // last row, and the box, 34 units taller than its rows, grow with them.
    const std::int32_t rowY[] = {6, 22, 38, 54, 70, 86, 104};
    ASSERT_LE(rows.size(), 7u);
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(tiles[i].y, rowY[i]);
        EXPECT_GE(tiles[i].x, 0);
        EXPECT_LE(tiles[i].x + tiles[i].w, client.w);
    }
    // Rows: 5, 6, 7 -> box 78, 88, 98 units, buttons at 60, 70, 80 units.
    const std::int32_t boxHeight[] = {126, 142, 158}, buttonY[] = {96, 112, 130};
    EXPECT_EQ(client.h, boxHeight[rows.size() - 5]);
    EXPECT_EQ(ok.y, buttonY[rows.size() - 5]);
    EXPECT_FALSE(cancelOffered);
    EXPECT_GE(ok.y, tiles.back().y + tiles.back().h);
    EXPECT_LE(ok.y + ok.h, client.h);
}

// A text of more rows than the frame holds stops at thirty, its last row ending in "...".
TEST_F(GameDialogs, AMessageOfMoreRowsThanTheFrameHoldsEndsInAnEllipsis) {
    ASSERT_TRUE(game.ready());
    const struct {
        const char* what;
        std::size_t lines;
        std::size_t rows;
        std::string last;
    } cases[] = {{"thirty rows", 30, 30, "row 30"}, {"thirty-one rows", 31, 30, "row 30..."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // The fourth line and on fold onto the third: each is a row of its own by its line break.
        std::string rest;
        for (std::size_t i = 3; i <= c.lines; ++i)
            rest += (i > 3 ? "\n" : "") + ("row " + std::to_string(i));
        std::vector<std::string> rows;
        InformationDlg shown(0, "row 1", [&](Dialog& d, const std::string&) {
            for (std::int16_t id = InformationDlg::IdLine1; d.textTile(id); ++id)
                rows.push_back(d.textTile(id)->text());
            clickOn(os, d, Dialog::IdOk);
        });
        shown.addLine("row 2");
        shown.addLine(rest);
        shown.attach(game.app());
        EXPECT_EQ(shown.show("Rows"), 1);
        ASSERT_EQ(rows.size(), c.rows);
        EXPECT_EQ(rows.back(), c.last);
    }
}

TEST_F(GameDialogs, AddLineFoldsTheFourthLineOntoTheThird) {
    InformationDlg box(0, "first");
    box.addLine("second");
    box.addLine("third");
    box.addLine("fourth");
    EXPECT_EQ(box.lines(), (std::vector<std::string>{"first", "second", "third fourth"}));
    EXPECT_EQ(InformationDlg::splitLines(""), std::vector<std::string>{""});
    EXPECT_EQ(InformationDlg::splitLines("a\n"), (std::vector<std::string>{"a", ""}));
}

TEST_F(GameDialogs, TheEndOfTheGameShowsTheNationsPictureWonOrLostAndClosesOnClose) {
    ASSERT_TRUE(game.ready());
    std::unique_ptr<PictureArchive> bitmaps = PictureArchive::open("Dialog Bitmaps");
    ASSERT_TRUE(bitmaps);
    const struct {
        std::uint32_t nation;
        bool won;
        const char* group;
        const char* picture;
    } rows[] = {{1, true, "EndOfGame1", "Won"}, {1, false, "EndOfGame1", "Lost"},
                {9, true, "EndOfGame9", "Won"}, {3, false, "EndOfGame3", "Lost"},
                {0, true, "EndOfGame1", "Won"}, {10, false, "EndOfGame1", "Lost"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.nation) + (r.won ? " won" : " lost"));
        EXPECT_EQ(EndOfGameDlg::pictureGroup(r.nation), r.group);
        const Picture picture = bitmaps->drawable(r.picture, r.group);
        ASSERT_TRUE(picture.exists());
        EndOfGameDlg end(r.nation, r.won, [&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "EndOfGameDlg");
            // The picture fills the dialog exactly: the forge draws it to the template's size.
            EXPECT_EQ(d.size(), Dim(picture.width(), picture.height()));
            // The picture's own rows, above the buttons: the top and the middle.
            const auto* pixels = static_cast<const std::uint8_t*>(picture.surface.pixels);
            for (std::int32_t y : {0, picture.height() / 2})
                EXPECT_TRUE(std::equal(pixels + y * picture.surface.pitch,
                                       pixels + y * picture.surface.pitch + picture.width(),
                                       d.bits() + y * d.stride()))
                    << "row " << y;
            EXPECT_FALSE(d.item(EndOfGameDlg::IdOverview)->isEnabled());
            clickOn(os, d, EndOfGameDlg::IdOverview); // greyed: nothing
            clickOn(os, d, EndOfGameDlg::IdClose);
        });
        end.attach(game.app());
        EXPECT_EQ(end.create(EndOfGameDlg::TemplateName, Dialog::Modal), 1);
    }
}

// A battle lost because the connection was lost has a picture of its own for every nation, neither its
// victory nor its defeat, and the dialog made for that outcome shows it.
TEST_F(GameDialogs, ABattleLostWithTheConnectionShowsAPictureOfItsOwnForEveryNation) {
    ASSERT_TRUE(game.ready());
    std::unique_ptr<PictureArchive> bitmaps = PictureArchive::open("Dialog Bitmaps");
    ASSERT_TRUE(bitmaps);
    EXPECT_STREQ(EndOfGameDlg::pictureName(EndOfGameDlg::Outcome::ConnectionLost), "Connection lost");
    EXPECT_STREQ(EndOfGameDlg::pictureName(EndOfGameDlg::Outcome::Lost), "Lost");
    EXPECT_STREQ(EndOfGameDlg::pictureName(EndOfGameDlg::Outcome::Won), "Won");
    const auto rowsOf = [](const Picture& p) {
        std::vector<std::uint8_t> rows;
        const auto* pixels = static_cast<const std::uint8_t*>(p.surface.pixels);
        // The words at the top and the field in the middle.
        for (std::int32_t y = 0; y < p.height() / 2; ++y)
            rows.insert(rows.end(), pixels + y * p.surface.pitch, pixels + y * p.surface.pitch + p.width());
        return rows;
    };
    for (std::uint32_t nation = 1; nation <= 9; ++nation) {
        SCOPED_TRACE("nation " + std::to_string(nation));
        const std::string group = EndOfGameDlg::pictureGroup(nation);
        const Picture cut = bitmaps->drawable("Connection lost", group);
        ASSERT_TRUE(cut.exists());
        const Picture won = bitmaps->drawable("Won", group), lost = bitmaps->drawable("Lost", group);
        ASSERT_TRUE(won.exists() && lost.exists());
        EXPECT_EQ(std::tuple(cut.width(), cut.height()), std::tuple(lost.width(), lost.height()));
        EXPECT_NE(rowsOf(cut), rowsOf(lost));
        EXPECT_NE(rowsOf(cut), rowsOf(won));
    }
    EndOfGameDlg end(3, EndOfGameDlg::Outcome::ConnectionLost, [&](Dialog& d, const std::string&) {
        const Picture cut = bitmaps->drawable("Connection lost", "EndOfGame3");
        const auto* pixels = static_cast<const std::uint8_t*>(cut.surface.pixels);
        const std::int32_t y = cut.height() / 2;
        EXPECT_TRUE(std::equal(pixels + y * cut.surface.pitch, pixels + y * cut.surface.pitch + cut.width(),
                               d.bits() + y * d.stride()));
        clickOn(os, d, EndOfGameDlg::IdClose);
    });
    EXPECT_FALSE(end.won());
    EXPECT_EQ(end.outcome(), EndOfGameDlg::Outcome::ConnectionLost);
    end.attach(game.app());
    EXPECT_EQ(end.create(EndOfGameDlg::TemplateName, Dialog::Modal), 1);
}

TEST_F(GameDialogs, TheEndOfTheGamesOverviewIsAskedForWithoutClosingIt) {
    ASSERT_TRUE(game.ready());
    int overviews = 0;
    EndOfGameDlg end(2, true, [&](Dialog& d, const std::string&) {
        EXPECT_TRUE(d.item(EndOfGameDlg::IdOverview)->isEnabled());
        clickOn(os, d, EndOfGameDlg::IdOverview);
        clickOn(os, d, EndOfGameDlg::IdOverview);
        clickOn(os, d, EndOfGameDlg::IdClose);
    });
    end.overview = [&] { ++overviews; };
    end.attach(game.app());
    EXPECT_EQ(end.create(EndOfGameDlg::TemplateName, Dialog::Modal), 1);
    EXPECT_EQ(overviews, 2);
}

TEST(GameOverview, TheLinesGiveEachSidesFiguresUnderItsName) {
    EndOfGameResults r;
    r.homeName = "Macedonian", r.visitorName = "Indian";
    r.homeLostTQ = 12, r.visitorLostTQ = 30, r.homeTQLimit = 40, r.visitorTQLimit = 35;
    r.homeRoutedTQ = 7, r.visitorRoutedTQ = 9, r.homeRouting = 2, r.visitorRouting = 3;
    r.homeEliminated = 1, r.visitorEliminated = 4, r.homeUnits = 20, r.visitorUnits = 22;
    EXPECT_EQ(EndTurnDlg::linesOf(r), (std::vector<EndTurnDlg::Line>{
                                          {"", "Macedonian", "Indian"},
                                          {"TQ lost", "12", "30"},
                                          {"Rout limit", "40", "35"},
                                          {"Units routing", "2", "3"},
                                          {"TQ routing", "7", "9"},
                                          {"Units eliminated", "1", "4"},
                                          {"Units at the start", "20", "22"},
                                      }));
    r.homeLostTQ = -1; // signed as the tallies are
    EXPECT_EQ(EndTurnDlg::linesOf(r)[1].home, "-1");
}

TEST_F(GameDialogs, TheOverviewsButtonsAskForTheHomeThenTheVisitorsDetailsAndOKClosesIt) {
    ASSERT_TRUE(game.ready());
    EndOfGameResults r;
    r.homeName = "Macedonian", r.visitorName = "Indian";
    std::vector<std::int16_t> asked;
    EndTurnDlg overview(r, [&](Dialog& d, const std::string& name) {
        EXPECT_EQ(name, "GameOverviewDlg");
        EXPECT_TRUE(d.item(EndTurnDlg::IdHomeDetails)->isEnabled());
        clickOn(os, d, EndTurnDlg::IdHomeDetails);
        clickOn(os, d, EndTurnDlg::IdVisitorDetails);
        clickOn(os, d, Dialog::IdOk);
    });
    overview.armyDetails = [&](std::int16_t side) { asked.push_back(side); };
    overview.attach(game.app());
    EXPECT_EQ(overview.create(EndTurnDlg::TemplateName, Dialog::Modal), 1);
    EXPECT_EQ(asked, (std::vector<std::int16_t>{1, 0}));

    // Without anybody to show the details both buttons are greyed.
    EndTurnDlg bare(r, [&](Dialog& d, const std::string&) {
        EXPECT_FALSE(d.item(EndTurnDlg::IdHomeDetails)->isEnabled());
        EXPECT_FALSE(d.item(EndTurnDlg::IdVisitorDetails)->isEnabled());
        postKey(os, platform::KeyEscape);
    });
    bare.attach(game.app());
    EXPECT_EQ(bare.create(EndTurnDlg::TemplateName, Dialog::Modal), 0);
}

TEST_F(GameDialogs, TheArmyDetailsShowEveryRowThatFitsAndCountTheRestInTheLastLine) {
    ASSERT_TRUE(game.ready());
    ASSERT_EQ(ArmyDetailsDlg::MaxRows, 24u); // (264 - 18) / 10 template units
    const auto rows = [](std::size_t n) {
        std::vector<ArmyDetailsRow> r;
        for (std::size_t i = 0; i < n; ++i)
            r.push_back({"Unit " + std::to_string(i), "5", "1", "", "5", ""});
        return r;
    };
    const struct {
        std::size_t given, shown;
        const char* last;
    } cases[] = {{0, 0, ""},
                 {1, 1, "Unit 0"},
                 {24, 24, "Unit 23"},
                 {25, 24, "... and 2 more"},
                 {40, 24, "... and 17 more"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given);
        ArmyDetailsDlg details("Indian", rows(c.given));
        ASSERT_EQ(details.shownRows().size(), c.shown);
        if (c.shown) {
            EXPECT_EQ(details.shownRows().back()[0], c.last);
        }
        if (c.given == 25) {
            EXPECT_EQ(details.shownRows()[22][0], "Unit 22");
        }
    }
    // Scrolled, 25 rows: the last page begins at row 2 (23 rows under the count of those above).
    const struct {
        std::size_t given;
        std::ptrdiff_t to;
        std::size_t first;
        const char *front, *second, *back;
    } scrolls[] = {{24, 1, 0, "Unit 0", "Unit 1", "Unit 23"},
                   {25, -1, 0, "Unit 0", "Unit 1", "... and 2 more"},
                   {25, 1, 1, "... 1 above", "Unit 1", "... and 2 more"},
                   {25, 2, 2, "... 2 above", "Unit 2", "Unit 24"},
                   {25, 3, 2, "... 2 above", "Unit 2", "Unit 24"},
                   {40, 17, 17, "... 17 above", "Unit 17", "Unit 39"},
                   {40, 16, 16, "... 16 above", "Unit 16", "... and 2 more"}};
    for (const auto& c : scrolls) {
        SCOPED_TRACE(testing::Message() << c.given << " rows to " << c.to);
        ArmyDetailsDlg details("Indian", rows(c.given));
        details.scrollTo(c.to);
        EXPECT_EQ(details.firstRow(), c.first);
        ASSERT_EQ(details.shownRows().size(), 24u);
        EXPECT_EQ(details.shownRows()[0][0], c.front);
        EXPECT_EQ(details.shownRows()[1][0], c.second);
        EXPECT_EQ(details.shownRows().back()[0], c.back);
    }
    std::string caption;
    ArmyDetailsDlg details("Indian", rows(3), [&](Dialog& d, const std::string& name) {
        EXPECT_EQ(name, "ArmyDetailsDlg");
        caption = d.caption() ? d.caption() : "";
        EXPECT_FALSE(d.item(ArmyDetailsDlg::IdHelp)->isEnabled());
        clickOn(os, d, ArmyDetailsDlg::IdClose);
    });
    details.attach(game.app());
    EXPECT_EQ(details.create(ArmyDetailsDlg::TemplateName, Dialog::Modal), 1);
    EXPECT_EQ(caption, "Indian Army Details");
}

TEST(ArmyRout, EachLevelGivesTheHomeAndVisitorRoutLevels) {
    // Home 40 of 100 points, visitor 30 of 60; the flag names the player's side.
    const struct {
        std::uint16_t flag;
        ArmyRoutDlg::Level level;
        std::uint16_t home, visitor;
    } rows[] = {
        {1, ArmyRoutDlg::Normal, 40, 30}, {0, ArmyRoutDlg::Normal, 40, 30},
        {1, ArmyRoutDlg::Easy, 50, 23},   {0, ArmyRoutDlg::Easy, 30, 37}, // 40 + 10, 30 - 7; 40 - 10, 30 + 7
        {1, ArmyRoutDlg::Hard, 30, 37},   {0, ArmyRoutDlg::Hard, 50, 23},
        {1, ArmyRoutDlg::Custom, 50, 30}, {0, ArmyRoutDlg::Custom, 50, 30},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.flag) + " level " + std::to_string(r.level));
        ArmyRoutRequest request{"Macedonian", "Indian", 40, 100, 30, 60, r.flag};
        EXPECT_EQ(ArmyRoutDlg::levels(request, r.level),
                  (std::pair<std::uint16_t, std::uint16_t>{r.home, r.visitor}));
    }
}

TEST(ArmyRout, ALevelStaysBetweenOnePointAndItsArmysTotal) {
    const struct {
        ArmyRoutRequest request;
        ArmyRoutDlg::Level level;
        std::uint16_t home, visitor;
    } rows[] = {
        {{"a", "b", 40, 45, 3, 60, 1}, ArmyRoutDlg::Easy, 45, 3}, // 50 capped at 45; 3 - 0
        {{"a", "b", 40, 50, 3, 60, 1}, ArmyRoutDlg::Easy, 50, 3}, // exactly the total
        {{"a", "b", 40, 49, 4, 60, 1}, ArmyRoutDlg::Easy, 49, 3}, // one below; 4 - 1
        {{"a", "b", 1, 1, 0, 0, 1}, ArmyRoutDlg::Custom, 1, 1},   // half of 1 and of 0 is at least one
        {{"a", "b", 0, 10, 0, 10, 0}, ArmyRoutDlg::Hard, 1, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.request.homeTQPoints) + "/" + std::to_string(r.request.homeTotal));
        EXPECT_EQ(ArmyRoutDlg::levels(r.request, r.level),
                  (std::pair<std::uint16_t, std::uint16_t>{r.home, r.visitor}));
    }
}

TEST_F(GameDialogs, TheRoutDialogStartsAtNormalAndOKGivesTheChosenLevelsEscapeChoosesNothing) {
    ASSERT_TRUE(game.ready());
    const ArmyRoutRequest request{"Macedonian", "Indian", 40, 100, 30, 60, 1};
    const struct {
        const char* what;
        std::function<void(Dialog&)> answer;
        std::int16_t closed;
        std::uint16_t home, visitor;
    } rows[] = {
        {"OK at once", [&](Dialog& d) { clickOn(os, d, Dialog::IdOk); }, 1, 40, 30},
        {"Easy", [&](Dialog& d) { clickOn(os, d, ArmyRoutDlg::IdEasy), clickOn(os, d, Dialog::IdOk); }, 1, 50,
         23},
        {"Hard by its mnemonic", [&](Dialog&) { postText(os, "h"), postKey(os, platform::KeyReturn); }, 1, 30,
         37},
        {"Custom", [&](Dialog& d) { clickOn(os, d, ArmyRoutDlg::IdCustom), clickOn(os, d, Dialog::IdOk); }, 1,
         50, 30},
        // The battle waits on the levels: Escape leaves the dialog to its OK.
        {"Hard, Escape, then OK",
         [&](Dialog& d) {
             clickOn(os, d, ArmyRoutDlg::IdHard), postKey(os, platform::KeyEscape),
                 clickOn(os, d, Dialog::IdOk);
         },
         1, 30, 37},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        ArmyRoutDlg rout(request, [&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "ArmyRoutDlg");
            EXPECT_EQ(d.radioSelection(ArmyRoutDlg::IdEasy), ArmyRoutDlg::Normal);
            EXPECT_FALSE(d.item(ArmyRoutDlg::IdHelp)->isEnabled());
            r.answer(d);
        });
        rout.attach(game.app());
        EXPECT_EQ(rout.create(ArmyRoutDlg::TemplateName, Dialog::Modal), r.closed);
        EXPECT_EQ((std::pair{rout.homeLevel(), rout.visitorLevel()}), (std::pair{r.home, r.visitor}));
    }
}

TEST_F(GameDialogs, TheEliteInitiativeListGivesTheChosenLeaderAndTheQuestionYesOrNo) {
    ASSERT_TRUE(game.ready());
    const std::vector<std::string> leaders{"Vaelmoric", "Keldrian", "Orsath"};
    const struct {
        const char* what;
        std::function<void(Dialog&)> answer;
        std::int16_t closed;
        std::string chosen;
    } rows[] = {
        {"OK at once", [&](Dialog& d) { clickOn(os, d, Dialog::IdOk); }, 1, "Vaelmoric"},
        {"the third", [&](Dialog& d) { d.item(10)->select(2), clickOn(os, d, Dialog::IdOk); }, 1, "Orsath"},
        {"double click", [&](Dialog& d) { d.item(10)->select(1), d.command(10, ListDoubleClicked); }, 1,
         "Keldrian"},
        // Nobody is chosen by Escape: the list stays until its OK.
        {"the second, Escape, then OK",
         [&](Dialog& d) {
             d.item(10)->select(1), postKey(os, platform::KeyEscape), clickOn(os, d, Dialog::IdOk);
         },
         1, "Keldrian"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<std::string> listed;
        EliteInitiativeDlg choose(leaders, [&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "EliteInitDlg");
            for (std::int32_t i = 0; i < d.item(10)->rowCount(); ++i)
                listed.push_back(d.item(10)->row(i)->text);
            r.answer(d);
        });
        choose.attach(game.app());
        EXPECT_EQ(choose.create(EliteInitiativeDlg::TemplateName, Dialog::Modal), r.closed);
        EXPECT_EQ(choose.chosen(), r.chosen);
        EXPECT_EQ(listed, leaders);
    }
    const struct {
        std::int16_t button;
        std::int16_t answer;
    } questions[] = {{VaelEliteInitiativeDlg::IdYes, 1}, {VaelEliteInitiativeDlg::IdNo, 0}};
    for (const auto& q : questions) {
        SCOPED_TRACE(q.button);
        VaelEliteInitiativeDlg ask([&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "VaelEliteInitDlg");
            clickOn(os, d, q.button);
        });
        ask.attach(game.app());
        EXPECT_EQ(ask.create(VaelEliteInitiativeDlg::TemplateName, Dialog::Modal), q.answer);
    }
}

TEST_F(GameDialogs, TheSideControlServicesAreTheDialogsInTheProgram) {
    ASSERT_TRUE(game.ready());
    std::vector<std::string> shown;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name);
        if (name == "ArmyRoutDlg") clickOn(os, d, ArmyRoutDlg::IdHard);
        clickOn(os, d, Dialog::IdOk);
    };
    const SideControlServices& sides = game.app().logicalLayer().getSideControlServices();
    ASSERT_TRUE(sides.armyRoutDialog && sides.eliteInitDialog && sides.vaelEliteInitDialog);
    EXPECT_EQ(sides.armyRoutDialog(ArmyRoutRequest{"a", "b", 40, 100, 30, 60, 1}),
              (std::pair<std::uint16_t, std::uint16_t>{30, 37}));
    EXPECT_EQ(sides.eliteInitDialog(List<Leader*>()), "");
    EXPECT_EQ(sides.vaelEliteInitDialog(), 1);
    EXPECT_EQ(shown, (std::vector<std::string>{"ArmyRoutDlg", "EliteInitDlg", "VaelEliteInitDlg"}));
}

int doneViewing = 0;
ContainerBase* heardDoneViewing(Component*, BusMessage, ContainerBase*) {
    ++doneViewing;
    return nullptr;
}

List<short> shorts(std::initializer_list<short> values) {
    List<short> list;
    for (short v : values)
        list.append(v);
    return list;
}

List<SingleCombatResult> twoCombats() {
    SingleCombatResult first, second;
    first.attackerNames.append("Companion Horse"), first.attackerNames.append("Hypaspists");
    first.attackerHits = shorts({1, 0}), first.attackerRouted = shorts({0, 0});
    first.defenderNames.append("War Elephants");
    first.defenderHits = shorts({3}), first.defenderRouted = shorts({1});
    second.attackerNames.append("Archers");
    second.attackerHits = shorts({2}), second.attackerRouted = shorts({0});
    second.defenderNames.append("Chariots"); // no hits or rout recorded for it
    List<SingleCombatResult> results;
    results.append(first), results.append(second);
    return results;
}

TEST(OverallCombatResults, EachUnitGetsALineWithItsHitsOrItsRoutAttackersFirst) {
    EXPECT_EQ(OverallCombatResultsDlg::linesOf(twoCombats()),
              (std::vector<std::string>{"Companion Horse: 1 hit", "Hypaspists: 0 hits",
                                        "War Elephants: routed", "Archers: 2 hits", "Chariots: 0 hits"}));
    EXPECT_TRUE(OverallCombatResultsDlg::linesOf(List<SingleCombatResult>()).empty());
}

TEST_F(GameDialogs, TheCombatResultsStayModelessAndTellTheLayerOnceWhenThePlayerClosesThem) {
    ASSERT_TRUE(game.ready());
    Probe listener("Listener");
    listener.setup = [](Probe& p) { p.connectNamed("DoneViewingCombatResults", &heardDoneViewing); };
    listener.attach(game.app());
    const auto settle = [&] {
        pumpAll(game.app());
        game.app().drainQueue();
    };
    const struct {
        const char* what;
        std::function<void(OverallCombatResultsDlg&)> end;
        int told;
    } rows[] = {
        {"Close", [&](OverallCombatResultsDlg& d) { clickOn(os, d, OverallCombatResultsDlg::IdClose); }, 1},
        {"Escape", [&](OverallCombatResultsDlg&) { postKey(os, platform::KeyEscape); }, 1},
        {"closed twice", [&](OverallCombatResultsDlg& d) { d.close(1), d.close(1); }, 1},
        {"the battle closed", [&](OverallCombatResultsDlg&) { game.app().sendNamedEmpty("CloseGame"); }, 0},
        {"taken away", [&](OverallCombatResultsDlg&) {}, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        doneViewing = 0;
        std::vector<std::string> listed;
        {
            OverallCombatResultsDlg results(twoCombats(), [&](Dialog& d, const std::string& name) {
                EXPECT_EQ(name, "OverallCombatResults");
                for (std::int32_t i = 0; i < d.item(101)->rowCount(); ++i)
                    listed.push_back(d.item(101)->row(i)->text);
            });
            results.attach(game.app());
            EXPECT_EQ(results.create(OverallCombatResultsDlg::TemplateName, Dialog::Modeless), 0);
            EXPECT_TRUE(results.isOpen()); // the battle goes on under it
            r.end(results);
            settle();
        }
        settle();
        EXPECT_EQ(doneViewing, r.told);
        EXPECT_EQ(listed.size(), 5u);
    }
}

} // namespace
} // namespace vael::test
