// The questions and reports of a leader's turn: what Yes, No, OK, Escape, Return and the mnemonics answer,
// the "never again" boxes read however the dialog closes, and the lines each report shows.
#include <functional>

#include "game/shell/flow_dialogs.h"
#include "shell_dialog_fixture.h"

namespace vael::test {
namespace {

using Script = std::function<void(platform::HeadlessPlatform&, Dialog&)>;

Script click(std::int16_t id) {
    return [id](platform::HeadlessPlatform& os, Dialog& d) { clickOn(os, d, id); };
}
Script key(std::int32_t k) {
    return [k](platform::HeadlessPlatform& os, Dialog&) { postKey(os, k); };
}
Script type(const char* text) {
    return [text](platform::HeadlessPlatform& os, Dialog&) { postText(os, text); };
}
Script both(Script a, Script b) {
    return [a, b](platform::HeadlessPlatform& os, Dialog& d) { a(os, d), b(os, d); };
}

struct Row {
    const char* what;
    Script script;
    std::int16_t result;
    bool box; // the "never again" box as read when the dialog closed
};

TEST_F(ShellDialogs, MomentumAnswersYesWithOneAndEverythingElseWithZero) {
    ASSERT_TRUE(game.ready());
    const Row rows[] = {
        {"Yes clicked", click(MomentumDlg::IdYes), 1, false},
        {"No clicked", click(MomentumDlg::IdNo), 0, false},
        {"Return on the default Yes", key(platform::KeyReturn), 1, false},
        {"Escape", key(platform::KeyEscape), 0, false},
        {"mnemonic y", type("y"), 1, false},
        {"mnemonic N", type("N"), 0, false},
        {"Tab to No, then Return", both(key(platform::KeyTab), key(platform::KeyReturn)), 0, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string caption, question;
        MomentumDlg ask([&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "MomentumDlg");
            caption = d.caption() ? d.caption() : "";
            question = tileText(d, -1);
            r.script(os, d);
        });
        ask.attach(game.app());
        EXPECT_EQ(ask.create(MomentumDlg::TemplateName, Dialog::Modal), r.result);
        EXPECT_EQ(caption, "Momentum");
        EXPECT_EQ(question, "Would you like to attempt momentum?");
    }
}

TEST_F(ShellDialogs, TheInitiativeResultNamesTheLeaderAndReadsItsBoxOnOKAndOnEscape) {
    ASSERT_TRUE(game.ready());
    EXPECT_EQ(InitiativeResultsDlg::lineOf("Aristhon", true),
              "Aristhon attempted momentum and was successful!");
    EXPECT_EQ(InitiativeResultsDlg::lineOf("Aristhon", false), "Aristhon attempted momentum and failed.");
    const Row rows[] = {
        {"OK", click(Dialog::IdOk), 1, false},
        {"box, then OK", both(click(InitiativeResultsDlg::IdNeverShow), click(Dialog::IdOk)), 1, true},
        {"box twice, then Return",
         both(both(click(InitiativeResultsDlg::IdNeverShow), click(InitiativeResultsDlg::IdNeverShow)),
              key(platform::KeyReturn)),
         1, false},
        {"box, then Escape", both(click(InitiativeResultsDlg::IdNeverShow), key(platform::KeyEscape)), 0,
         true},
        {"Escape", key(platform::KeyEscape), 0, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string line, label;
        InitiativeResultsDlg result("Tezhar III", false, [&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "InitiativeResults");
            line = tileText(d, InitiativeResultsDlg::IdText);
            label = tileText(d, InitiativeResultsDlg::IdNeverShowText);
            r.script(os, d);
        });
        result.attach(game.app());
        EXPECT_EQ(result.create(InitiativeResultsDlg::TemplateName, Dialog::Modal), r.result);
        EXPECT_EQ(result.neverShowAgain(), r.box);
        EXPECT_EQ(line, "Tezhar III attempted momentum and failed.");
        EXPECT_EQ(label, "Never show this again");
    }
}

TEST(MissileResults, TheLinesTellHitsInTheSingularAndPluralAndAMissForNoneOrLess) {
    const struct {
        std::int16_t hits;
        const char* first;
        const char* second;
    } rows[] = {
        {-1, "Thracians is missed.  It suffers", "no cohesion hits."},
        {0, "Thracians is missed.  It suffers", "no cohesion hits."},
        {1, "Thracians is hit.  It suffers", "1 cohesion hit."},
        {2, "Thracians is hit.  It suffers", "2 cohesion hits."},
        {11, "Thracians is hit.  It suffers", "11 cohesion hits."},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.hits);
        EXPECT_EQ(MissileResultsDlg::linesOf("Thracians", r.hits),
                  (std::pair<std::string, std::string>{r.first, r.second}));
    }
}

TEST_F(ShellDialogs, TheMissileResultShowsItsLinesAndReadsItsBox) {
    ASSERT_TRUE(game.ready());
    const Row rows[] = {
        {"OK", click(Dialog::IdOk), 1, false},
        {"box by mnemonic-less click, then Return",
         both(click(MissileResultsDlg::IdNeverShow), key(platform::KeyReturn)), 1, true},
        {"box, then Escape", both(click(MissileResultsDlg::IdNeverShow), key(platform::KeyEscape)), 0, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string first, second;
        MissileResultsDlg result("Hypaspists", 2, [&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "MissileResults");
            first = tileText(d, MissileResultsDlg::IdFirst);
            second = tileText(d, MissileResultsDlg::IdSecond);
            r.script(os, d);
        });
        result.attach(game.app());
        EXPECT_EQ(result.create(MissileResultsDlg::TemplateName, Dialog::Modal), r.result);
        EXPECT_EQ(result.neverShowAgain(), r.box);
        EXPECT_EQ(first, "Hypaspists is hit.  It suffers");
        EXPECT_EQ(second, "2 cohesion hits.");
    }
}

TEST(RallyResults, TheThirdLineTellsTheFailureOrTheHitsRecovered) {
    const struct {
        RallyResult result;
        std::vector<std::string> lines;
    } rows[] = {
        {{"Agrianians", 0, false, 0},
         {"Agrianians attempted to rally.", "The die roll was 0.",
          "It failed and is now terminally routing!"}},
        {{"Agrianians", 9, true, 1},
         {"Agrianians attempted to rally.", "The die roll was 9.",
          "It rallied and recovers 1 cohesion hit."}},
        {{"Agrianians", 4, true, 2},
         {"Agrianians attempted to rally.", "The die roll was 4.",
          "It rallied and recovers 2 cohesion hits."}},
        {{"Agrianians", 3, true, 0},
         {"Agrianians attempted to rally.", "The die roll was 3.",
          "It rallied and recovers 0 cohesion hits."}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.result.roll) + (r.result.rallied ? " rallied" : " failed"));
        EXPECT_EQ(RallyDlg::linesOf(r.result), r.lines);
    }
}

TEST_F(ShellDialogs, TheRallyResultShowsThreeLinesGreysHelpAndClosesOnOK) {
    ASSERT_TRUE(game.ready());
    const Row rows[] = {
        {"OK", click(Dialog::IdOk), 1, false},
        {"Help greyed, then Return", both(click(RallyDlg::IdHelp), key(platform::KeyReturn)), 1, false},
        {"Escape", key(platform::KeyEscape), 0, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::vector<std::string> lines;
        bool helpEnabled = true;
        RallyDlg rally({"Cretans", 6, true, 3}, [&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "RallyDlg");
            for (std::int16_t id : {RallyDlg::IdLine1, RallyDlg::IdLine2, RallyDlg::IdLine3})
                lines.push_back(tileText(d, id));
            helpEnabled = d.item(RallyDlg::IdHelp)->isEnabled();
            r.script(os, d);
        });
        rally.attach(game.app());
        EXPECT_EQ(rally.create(RallyDlg::TemplateName, Dialog::Modal), r.result);
        EXPECT_FALSE(helpEnabled);
        EXPECT_EQ(lines, (std::vector<std::string>{"Cretans attempted to rally.", "The die roll was 6.",
                                                   "It rallied and recovers 3 cohesion hits."}));
    }
}

TEST_F(ShellDialogs, OrderlyWithdrawalAnswersYesWithOneAndNoOrEscapeWithZero) {
    ASSERT_TRUE(game.ready());
    const Row rows[] = {
        {"Yes", click(OWDlg::IdYes), 1, false},
        {"No", click(OWDlg::IdNo), 0, false},
        {"Help greyed, then No", both(click(OWDlg::IdHelp), click(OWDlg::IdNo)), 0, false},
        {"Return", key(platform::KeyReturn), 1, false},
        {"Escape", key(platform::KeyEscape), 0, false},
        {"mnemonic n", type("n"), 0, false},
        {"mnemonic Y", type("Y"), 1, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string first, second, caption = "<unset>";
        OWDlg ask("Persian Light Cavalry", "Companions", [&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "OWDlg");
            first = tileText(d, OWDlg::IdFirst);
            second = tileText(d, OWDlg::IdSecond);
            caption = d.caption() ? d.caption() : "";
            r.script(os, d);
        });
        ask.attach(game.app());
        EXPECT_EQ(ask.create(OWDlg::TemplateName, Dialog::Modal), r.result);
        EXPECT_EQ(first, "Persian Light Cavalry may withdraw");
        EXPECT_EQ(second, "before Companions.  Withdraw?");
        EXPECT_EQ(caption, "");
    }
}

TEST_F(ShellDialogs, EndOrdersAnswersYesOrNoAndWhetherToAskAgain) {
    ASSERT_TRUE(game.ready());
    const Row rows[] = {
        {"Yes", click(EndOrdersDlg::IdYes), 1, false},
        {"No", click(EndOrdersDlg::IdNo), 0, false},
        {"box, then Yes", both(click(EndOrdersDlg::IdNeverAsk), click(EndOrdersDlg::IdYes)), 1, true},
        {"box, then No", both(click(EndOrdersDlg::IdNeverAsk), click(EndOrdersDlg::IdNo)), 0, true},
        // N is the box's letter and No's: it takes the focus to the box and presses nothing, Space checks it.
        {"box reached by its shared letter, Space, then Escape",
         both(type("n"), both(key(platform::KeySpace), key(platform::KeyEscape))), 0, true},
        {"the shared letter twice, then Escape", both(type("n"), both(type("n"), key(platform::KeyEscape))),
         0, false},
        {"Return", key(platform::KeyReturn), 1, false},
        {"Escape", key(platform::KeyEscape), 0, false},
        {"mnemonic y", type("y"), 1, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        std::string question;
        EndOrdersDlg ask([&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "EndOrdersDlg");
            question = tileText(d, -1);
            r.script(os, d);
        });
        ask.attach(game.app());
        EXPECT_EQ(ask.create(EndOrdersDlg::TemplateName, Dialog::Modal), r.result);
        EXPECT_EQ(ask.neverAskAgain(), r.box);
        EXPECT_EQ(question, "Do you really want to quit moving units?");
    }
}

} // namespace
} // namespace vael::test
