// The dialogs that ask nothing: the computer leader's notice from "InitAILeader" to "LeaderFinished", the
// video that ends with its empty clip unless the player ends it first, the tutorial's help pages, and
// Help -> About...; and the Help buttons, greyed in every template, as no help file ships.
#include "framework/core/component.h"
#include "framework/core/container.h"
#include "framework/ui/dialog_template.h"
#include "framework/ui/font.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/text_tile.h"
#include "game/flow/phase_handlers.h"
#include "game/flow/vael_logical_layer.h"
#include "game/rules/leaders/group.h"
#include "game/rules/leaders/leader.h"
#include "game/shell/game_dialogs.h"
#include "game/shell/notice_dialogs.h"
#include "game/shell/vael_main_window.h"
#include "shell_dialog_fixture.h"
#include "support/bus_recorder.h"

namespace vael::test {
namespace {

std::vector<std::string> paletteCalls;

ContainerBase* suspended(Component*, BusMessage, ContainerBase*) {
    paletteCalls.push_back("suspend");
    return nullptr;
}
ContainerBase* resumed(Component*, BusMessage, ContainerBase*) {
    paletteCalls.push_back("resume");
    return nullptr;
}

TEST_F(ShellDialogs, TheComputerLeadersNoticeOpensOnItsOrdersAndClosesWhenHeHasFinished) {
    ASSERT_TRUE(game.ready());
    VaelLogicalLayer& layer = game.app().logicalLayer();
    std::vector<std::string> shown;
    AILeaderNotice notice([&](Dialog& d, const std::string& name) {
        shown.push_back(name + ": " + tileText(d, AILeaderGoingDlg::IdText) + " / " +
                        tileText(d, AILeaderGoingDlg::IdWait));
    });
    notice.attach(layer);
    Leader surendal(LeaderUnitData{}, "Surendal");
    Group group;
    group.setLeader(&surendal);
    Container<Group*> orders(&group);
    layer.sendNamed("InitAILeader", &orders);
    pumpAll(game.app());
    ASSERT_NE(notice.notice(), nullptr);
    EXPECT_TRUE(notice.notice()->isOpen());
    EXPECT_EQ(notice.notice()->mode(), Dialog::Modeless);
    // At the top of the frame, so that the battle's middle stays in view.
    EXPECT_EQ(WindowManager::instance().outerOnScreen(notice.notice()->hwnd()).y -
                  WindowManager::instance().clientOnScreen(WinApp::mainWindowHandle()).y,
              8);
    // A second leader's orders while the notice is up keep the one notice.
    AILeaderGoingDlg* first = notice.notice();
    Group nobody;
    Container<Group*> again(&nobody);
    layer.sendNamed("InitAILeader", &again);
    pumpAll(game.app());
    EXPECT_EQ(notice.notice(), first);
    layer.sendNamedEmpty("LeaderFinished");
    pumpAll(game.app());
    EXPECT_FALSE(notice.notice()->isOpen());
    // A leader's orders without a leader in the group still tell the player to wait.
    layer.sendNamed("InitAILeader", &again);
    pumpAll(game.app());
    ASSERT_TRUE(notice.notice()->isOpen());
    layer.sendNamedEmpty("LeaderFinished");
    pumpAll(game.app());
    EXPECT_FALSE(notice.notice()->isOpen());
    EXPECT_EQ(shown,
              (std::vector<std::string>{"PreloadDlg: Surendal is now giving orders. / Please wait...",
                                        "PreloadDlg: The computer is now giving orders. / Please wait..."}));
}

// A leader of a long name is named whole: the line's tile and the box widen to the line, which a short
// name leaves as the template has them.
TEST_F(ShellDialogs, TheComputerLeadersNoticeHoldsALongNameWhole) {
    ASSERT_TRUE(game.ready());
    DialogFont font(TextTile::DefaultFont);
    const struct {
        const char* leader;
        bool widened;
    } rows[] = {{"Surendal", false}, {"Vaelmoric the Bold, Lord of the Seven Fords of Ghatmar", true}};
    std::int32_t templateWidth = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.leader);
        AILeaderGoingDlg notice(row.leader);
        notice.attach(game.app());
        notice.create(AILeaderGoingDlg::TemplateName, Dialog::Modeless);
        ASSERT_TRUE(notice.isOpen());
        const TextTile* line = notice.textTile(AILeaderGoingDlg::IdText);
        ASSERT_NE(line, nullptr);
        const std::int32_t needed = font.textWidth(AILeaderGoingDlg::lineOf(row.leader));
        EXPECT_GE(line->size().w, needed);
        // The box holds the tile with the template's margin on its right.
        EXPECT_GE(notice.width(), line->position().x + line->size().w);
        if (!row.widened) {
            templateWidth = notice.width();
        } else {
            EXPECT_GT(notice.width(), templateWidth);
        }
        notice.close(0);
    }
}

TEST_F(ShellDialogs, TheNoticeClosesWithTheBattleAndAfterClosingHearsNoMore) {
    ASSERT_TRUE(game.ready());
    VaelLogicalLayer& layer = game.app().logicalLayer();
    AILeaderNotice notice;
    notice.attach(layer);
    notice.show("Rajavan");
    ASSERT_TRUE(notice.notice()->isOpen());
    layer.sendNamedEmpty("CloseGame");
    pumpAll(game.app());
    EXPECT_FALSE(notice.notice()->isOpen());
    EXPECT_EQ(notice.notice()->result(), 1);
    // Closed, it has let go of its handlers: a later end of a leader touches nothing.
    layer.sendNamedEmpty("LeaderFinished");
    pumpAll(game.app());
    EXPECT_EQ(notice.notice()->result(), 1);
}

TEST_F(ShellDialogs, TheVideoClosesAtTheEndOfItsEmptyClipUnlessThePlayerClosesItFirst) {
    ASSERT_TRUE(game.ready());
    Probe palette("Palette");
    palette.setup = [](Probe& p) {
        p.connectNamed("SuspendPaletteAnimation", suspended);
        p.connectNamed("ResumePaletteAnimation", resumed);
    };
    palette.attach(game.app());
    const struct {
        const char* what;
        std::function<void(Dialog&)> script;
        std::int16_t result;
        bool byClip;
    } rows[] = {
        {"nothing done", [](Dialog&) {}, 1, true},
        {"Close clicked", [&](Dialog& d) { clickOn(os, d, VideoDlg::IdClose); }, 1, false},
        {"Return", [&](Dialog&) { postKey(os, platform::KeyReturn); }, 1, false},
        {"Escape", [&](Dialog&) { postKey(os, platform::KeyEscape); }, 0, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        paletteCalls.clear();
        std::vector<std::string> shown;
        VideoDlg video("320vael.avi", [&](Dialog& d, const std::string& name) {
            shown.push_back(name);
            EXPECT_EQ(paletteCalls, std::vector<std::string>{"suspend"});
            r.script(d);
        });
        video.attach(game.app());
        EXPECT_EQ(video.create(VideoDlg::TemplateName, Dialog::Modal), r.result);
        EXPECT_EQ(video.endedByClip(), r.byClip);
        EXPECT_EQ(shown, std::vector<std::string>{"VideoDlg"});
        EXPECT_EQ(paletteCalls, (std::vector<std::string>{"suspend", "resume"}));
        // The clip's end arriving after the player closed it does nothing more.
        pumpAll(game.app());
        EXPECT_EQ(paletteCalls.size(), 2u);
    }
}

TEST_F(ShellDialogs, TheTurnsEndPlaysTheVideoThroughTheVideoDialogForTheScenarioOfThePlayer) {
    ASSERT_TRUE(game.ready());
    const PhaseDialogs& phases = game.app().logicalLayer().getPhaseDialogs();
    ASSERT_TRUE(phases.video);
    ASSERT_TRUE(phases.scenario);
    EXPECT_EQ(phases.scenario(), game.app().getScenario());
    std::vector<std::string> shown;
    game.onDialog = [&](Dialog&, const std::string& name) { shown.push_back(name); };
    phases.video("320vael.avi");
    EXPECT_EQ(shown, std::vector<std::string>{"VideoDlg"});
}

TEST_F(ShellDialogs, TheDemoHelpTurnsToTheQuickStartOnceAndClosesOnCloseOrReturn) {
    ASSERT_TRUE(game.ready());
    const struct {
        const char* what;
        std::function<void(Dialog&)> script;
        std::int16_t result;
        DemoHelpDlg::Page page;
    } rows[] = {
        {"Close", [&](Dialog& d) { clickOn(os, d, DemoHelpDlg::IdClose); }, 1, DemoHelpDlg::Help},
        {"Return", [&](Dialog&) { postKey(os, platform::KeyReturn); }, 1, DemoHelpDlg::Help},
        {"Escape", [&](Dialog&) { postKey(os, platform::KeyEscape); }, 0, DemoHelpDlg::Help},
        {"Quick Start, then Close",
         [&](Dialog& d) { clickOn(os, d, DemoHelpDlg::IdQuickStart), clickOn(os, d, DemoHelpDlg::IdClose); },
         1, DemoHelpDlg::QuickStart},
        {"mnemonic q, then Escape", [&](Dialog&) { postText(os, "q"), postKey(os, platform::KeyEscape); }, 0,
         DemoHelpDlg::QuickStart},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        DemoHelpDlg help([&](Dialog& d, const std::string& name) {
            EXPECT_EQ(name, "DemoHelp");
            EXPECT_TRUE(d.item(DemoHelpDlg::IdQuickStart)->isEnabled());
            r.script(d);
        });
        help.attach(game.app());
        EXPECT_EQ(help.create(DemoHelpDlg::TemplateName, Dialog::Modal), r.result);
        EXPECT_EQ(help.page(), r.page);
    }
    // Once turned, the button is greyed: there is no page after the quick start.
    DemoHelpDlg help;
    help.attach(game.app());
    help.create(DemoHelpDlg::TemplateName, Dialog::Modeless);
    clickOn(os, help, DemoHelpDlg::IdQuickStart);
    pumpAll(game.app());
    EXPECT_EQ(help.page(), DemoHelpDlg::QuickStart);
    EXPECT_FALSE(help.item(DemoHelpDlg::IdQuickStart)->isEnabled());
    EXPECT_TRUE(help.isOpen());
    clickOn(os, help, DemoHelpDlg::IdClose);
    pumpAll(game.app());
    EXPECT_FALSE(help.isOpen());
    EXPECT_EQ(help.result(), 1);
    EXPECT_EQ(DemoHelpDlg::linesOf(DemoHelpDlg::Help).front(), "The demonstration battle");
    EXPECT_EQ(DemoHelpDlg::linesOf(DemoHelpDlg::QuickStart).front(), "Quick start");
}

// The command of an entry of the frame's menu bar, found by the labels as the player reads them.
std::uint16_t menuCommand(VaelGame& game, const std::string& title, const std::string& entry) {
    const SystemMenu& bar = *game.frame().shownMenu()->handle();
    for (std::size_t t = 0; t < bar.count(); ++t) {
        if (bar.entry(t).text != title || !bar.entry(t).submenu) continue;
        const SystemMenu& pullDown = *bar.entry(t).submenu;
        for (std::size_t e = 0; e < pullDown.count(); ++e)
            if (pullDown.entry(e).text == entry) return bar.commandAt({t, e});
    }
    return 0;
}

TEST_F(ShellDialogs, HelpAboutShowsTheTitleFromTheStringTableAndTheVersionUntilItsButtonClosesIt) {
    ASSERT_TRUE(game.ready());
    const std::uint16_t about = menuCommand(game, "&Help", "&About...");
    ASSERT_EQ(about, 300);
    std::vector<std::string> shown;
    bool modal = false;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        shown.push_back(name + ": " + tileText(d, AboutDlg::IdTitle) + " / " + d.getItemText(1));
        modal = d.mode() == Dialog::Modal;
        clickOn(os, d, 1);
    };
    // Chosen as the window manager hands a menu choice to the frame.
    game.frame().onCommand(about, 0);
    pumpAll(game.app());
    EXPECT_EQ(shown,
              std::vector<std::string>{"AboutDlg: The Iron Vigils of Vaelmoric, version 0.1 / &Close"});
    EXPECT_TRUE(modal);
    EXPECT_EQ(game.app().loadString(AboutDlg::TitleString), "The Iron Vigils of Vaelmoric");
    EXPECT_EQ(AboutDlg::lineOf("Vigil", "2.5"), "Vigil, version 2.5");
}

TEST(HelpButtons, EveryTemplatesHelpButtonIsGreyedAndNoOtherButtonIs) {
    std::vector<std::string> greyed, otherGreyed;
    for (const std::string& name : dialogTemplateNames()) {
        const std::optional<DialogTemplate> t = loadDialogTemplate(name);
        ASSERT_TRUE(t) << name;
        for (const DialogItem& item : t->items) {
            if (item.controlClass != ClassButton) continue;
            const bool help = MenuTracker::shownText(item.text) == "Help";
            const bool grey = (item.style & style::Disabled) != 0;
            if (help && grey) greyed.push_back(name);
            if (help && !grey) ADD_FAILURE() << name << ": its Help button can be pressed";
            if (!help && grey) otherGreyed.push_back(name + " " + std::to_string(item.signedId()));
        }
    }
    // Seventeen templates have one; a greyed button that is not Help would be a slip of the same edit.
    EXPECT_EQ(greyed.size(), 17u);
    EXPECT_EQ(otherGreyed, std::vector<std::string>{});
}

TEST_F(ShellDialogs, APreferencesDialogOpenedFromTheFileMenuShowsItsHelpButtonGreyed) {
    ASSERT_TRUE(game.ready());
    const std::uint16_t preferences = menuCommand(game, "&File", "&Preferences...");
    ASSERT_NE(preferences, 0);
    int helpEnabled = -1;
    game.onDialog = [&](Dialog& d, const std::string& name) {
        if (name == PreferencesDlg::TemplateName && d.item(9)) helpEnabled = d.item(9)->isEnabled() ? 1 : 0;
        postKey(os, platform::KeyEscape);
    };
    game.frame().onCommand(preferences, 0);
    pumpAll(game.app());
    EXPECT_EQ(helpEnabled, 0);
}

} // namespace
} // namespace vael::test
