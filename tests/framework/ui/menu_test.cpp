#include <gtest/gtest.h>

#include "framework/core/registered_message.h"
#include "framework/ui/menu_resource.h"
#include "framework/ui/windows_menu.h"
#include "support/failed_checks.h"
#include "support/test_application.h"
#include "test_display.h"

namespace vael::test {
namespace {

TEST(LabelToCommandName, TurnsLabelsIntoCommandNames) {
    const struct {
        const char* text;
        const char* name;
    } rows[] = {
        {"&Game", "Game"},
        {"Game&Close", "GameClose"},
        {"Game&Save\tCtrl+S", "GameSave"},
        {"GameSave &As...", "GameSaveAs"},
        {"HelpAbout This &Battle...", "HelpAboutThisBattle"},
        {"Window&Show Commentary\tCtrl+C", "WindowShowCommentary"},
        {"plain", "Plain"},        // no "&" and no blank: the text, its first letter raised
        {"&game", "game"},         // the raised first character is the "&"
        {"a b", "AB"},             // the one after a blank is raised
        {"a &&b", "AB"},           // ... skipping every "&" before it
        {"a  b", "A b"},           // a second blank is that character, copied
        {"a .b", "A.b"},           // ... and so is a dot right after a blank
        {"a \tb", "A"},            // a blank before the tab ends it too
        {"trailing ", "Trailing"}, // nothing after the blank
        {"\tTabbed", ""},
        {"", ""},
        {"Rotate C&ounter-clockwise", "RotateCounter-clockwise"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(labelToCommandName(row.text), row.name);
    }
}

// The window manager's menu as text: "[flags] text id" per entry, pull-downs indented below.
std::string describe(const SystemMenu& menu, const std::string& indent = "") {
    std::string out;
    for (std::size_t i = 0; i < menu.count(); ++i) {
        const SystemMenu::Entry& e = menu.entry(i);
        out += indent + "[" + std::to_string(e.flags) + "] " + e.text + " " + std::to_string(e.id) + "\n";
        if (e.submenu) out += describe(*e.submenu, indent + "  ");
    }
    return out;
}

TEST(MenuResource, ReadsPullDownsItemsFlagsAndEscapes) {
    MenuResource read("# comment\n"
                      "\n"
                      "popup \"&Game\"\n"
                      "  item 101 \"&Close\\tAlt+F4\" checked grayed\r\n"
                      "  separator\n"
                      "  item 4000 \"Say \\\"hi\\\" \\\\\" disabled break\n"
                      "  popup \"&More\" barbreak\n"
                      "    item 102 \"Deep\"\n"
                      "  end\n"
                      "end\n"
                      "item 103 \"Top\"\n");
    EXPECT_TRUE(read.errors().empty());
    const auto bar = read.take();
    ASSERT_TRUE(bar);
    EXPECT_EQ(describe(*bar), "[16] &Game 0\n"
                              "  [9] &Close\tAlt+F4 101\n"
                              "  [2048]  0\n"
                              "  [66] Say \"hi\" \\ 4000\n"
                              "  [48] &More 0\n"
                              "    [0] Deep 102\n"
                              "[0] Top 103\n");
}

TEST(MenuResource, LeavesOutAndNotesEveryLineItCannotRead) {
    MenuResource read("item 100 \"Low\"\n"      // 1: below the fixed ids
                      "item 4001 \"High\"\n"    // 2: above them
                      "item 101 \"Open\n"       // 3
                      "item 101 Bare\n"         // 4
                      "item 102 \"x\" shiny\n"  // 5
                      "item x1 \"x\"\n"         // 6
                      "end\n"                   // 7
                      "separator now\n"         // 8
                      "frobnicate\n"            // 9
                      "item 103 \"\\q\"\n"      // 10
                      "item 101 \"Kept\"\n"     // 11
                      "popup \"Open\"\n"        // 12
                      "item 104 \"Inside\"\n"); // 13
    EXPECT_EQ(read.errors(), (std::vector<std::string>{
                                 "line 1: bad command id \"100\" (101 to 4000)",
                                 "line 2: bad command id \"4001\" (101 to 4000)",
                                 "line 3: label not closed",
                                 "line 4: no label in double quotes",
                                 "line 5: unknown word \"shiny\"",
                                 "line 6: bad command id \"x1\" (101 to 4000)",
                                 "line 7: \"end\" without a pop-up",
                                 "line 8: words after \"separator\"",
                                 "line 9: unknown line \"frobnicate\"",
                                 "line 10: unknown escape \\q",
                                 "line 13: pop-up without \"end\"",
                             }));
    EXPECT_EQ(describe(*read.take()), "[0] Kept 101\n[16] Open 0\n  [0] Inside 104\n");
}

TEST(MenuResource, RefusesPullDownsNestedBeyondItsDepth) {
    std::string text;
    for (int i = 0; i < MenuResource::MaxDepth + 1; ++i)
        text += "popup \"P\"\n";
    MenuResource read(text);
    EXPECT_EQ(read.errors().front(), "line 9: pop-ups nested too deep");
}

class MenuTest : public ::testing::Test {
protected:
    void SetUp() override { RegisteredMessage::clearRegistry(); }
    void TearDown() override { RegisteredMessage::clearRegistry(); }
    TestApplication app;
};

TEST_F(MenuTest, ResourceItemsBecomeCommandsRegisteredUnderTheirIds) {
    WindowsMenu bar("APPMENU", false); // the file is appmenu.txt
    std::uint16_t id = 0;
    ASSERT_TRUE(RegisteredMessage::lookUp("HelpAbout", id));
    // An automatic id never takes a resource's id.
    EXPECT_EQ((std::tuple{RegisteredMessage::nameOf(101), RegisteredMessage::nameOf(106),
                          RegisteredMessage::nameOf(228), id, RegisteredMessage::getId("SomethingNew")}),
              (std::tuple{std::string("FileExit"), std::string("WindowTileHorizontally"),
                          std::string("FileOpenGame"), std::uint16_t(300), std::uint16_t(4001)}));
    Menu* file = bar.findPopup("File");
    ASSERT_NE(file, nullptr);
    Menu* const none = nullptr;
    // The second item of the file pull-down is an item, not a pull-down.
    EXPECT_EQ(
        (std::tuple{file->name(), bar.popupAt(0), bar.popupAt(3), bar.findPopup("&File"), file->popupAt(0),
                    bar.find(101) != nullptr, bar.isEnabled("FileExit"), bar.isEnabled("NoSuchCommand")}),
        (std::tuple{std::string("File"), file, none, none, none, true, true, false}));
    EXPECT_EQ(describe(*bar.handle()).substr(0, 17), "[16] &File 0\n  [0");
}

TEST_F(MenuTest, ANameGivenFirstKeepsItsIdAndTheItemStillChoosesByTheResourceId) {
    RegisteredMessage::registerWithId(229, "GameOverview");
    WindowsMenu bar("ChildMenu", false);
    EXPECT_EQ(RegisteredMessage::nameOf(229), "GameOverview");
    ASSERT_NE(bar.find(229), nullptr);
    EXPECT_EQ(static_cast<TextItem*>(bar.find(229))->command(), "GameGameOverview");
}

TEST_F(MenuTest, AMissingResourceIsReportedAndGivesAnEmptyMenu) {
    FailedChecks checks;
    WindowsMenu bar("NoSuchMenu", false);
    EXPECT_EQ(
        (std::tuple{checks.texts, bar.items().count(), bar.handle()->count()}),
        (std::tuple{std::vector<std::string>{"Can't find the menu resource NoSuchMenu  Abort?"}, 0, 0u}));
}

// The state of an item in the model and in the window manager's menu, before and after a rebuild.
struct Seen {
    std::uint16_t model;
    std::uint32_t shown;
    std::uint32_t rebuilt;
};
Seen seen(WindowsMenu& bar, Menu& pullDown, std::uint16_t id) {
    Seen s{pullDown.find(id)->state(), bar.handle()->findCommand(id)->flags, 0};
    pullDown.rebuild();
    bar.rebuild();
    s.rebuilt = bar.handle()->findCommand(id)->flags;
    return s;
}

TEST_F(MenuTest, StateOperationsChangeOnlyTheirOwnBitsInModelAndMenuAlike) {
    using Op = void (*)(Menu&, std::int32_t);
    const struct {
        const char* what;
        std::uint32_t startFlags; // of item 101 in a fresh bar
        Op op;
        std::uint16_t model;
        std::uint32_t shown, rebuilt;
    } rows[] = {
        {"check", 0, [](Menu& m, std::int32_t id) { m.check(id, 1); }, 1, 8, 8},
        {"check off", 8, [](Menu& m, std::int32_t id) { m.check(id, 0); }, 0, 0, 0},
        {"uncheck keeps disabled", 8 | 2, [](Menu& m, std::int32_t id) { m.uncheck(id); }, 2, 2, 2},
        {"uncheck keeps grayed", 8 | 1 | 2, [](Menu& m, std::int32_t id) { m.uncheck(id); }, 6, 3, 3},
        {"gray", 0, [](Menu& m, std::int32_t id) { m.gray(id, 1); }, 6, 1, 3},
        {"gray off", 3, [](Menu& m, std::int32_t id) { m.gray(id, 0); }, 0, 0, 0},
        {"ungray keeps checked", 8 | 3, [](Menu& m, std::int32_t id) { m.ungray(id); }, 1, 8, 8},
        {"enable keeps checked", 8 | 2, [](Menu& m, std::int32_t id) { m.enable(id, 1); }, 1, 8, 8},
        {"enable clears gray", 3, [](Menu& m, std::int32_t id) { m.enable(id, 1); }, 0, 0, 0},
        {"enable off", 8, [](Menu& m, std::int32_t id) { m.enable(id, 0); }, 3, 10, 10},
        {"disable", 0, [](Menu& m, std::int32_t id) { m.disable(id); }, 2, 3, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        WindowsMenu bar(std::make_unique<SystemMenu>(false), false);
        auto* pullDown = new WindowsMenu(true);
        pullDown->appendText("&Close", "Close", 0);
        bar.appendPopupMenu("&Game", pullDown);
        const std::int32_t id = RegisteredMessage::getId("GameClose");
        // Start from the flags of the row, set as a resource would give them.
        const std::uint16_t start = static_cast<std::uint16_t>(
            ((row.startFlags & 8) ? 1 : 0) | ((row.startFlags & 2) ? 2 : 0) | ((row.startFlags & 1) ? 4 : 0));
        pullDown->find(id)->setState(start);
        pullDown->rebuild();
        row.op(bar, id);
        const Seen s = seen(bar, *pullDown, static_cast<std::uint16_t>(id));
        EXPECT_EQ((std::tuple{s.model, s.shown, s.rebuilt}), (std::tuple{row.model, row.shown, row.rebuilt}));
    }
}

TEST_F(MenuTest, OperationsOnAnIdNoItemHasChangeNothing) {
    WindowsMenu bar("AppMenu", false);
    const std::string before = describe(*bar.handle());
    bar.check(999, 1);
    bar.disable(999);
    bar.gray(-5, 1);
    bar.remove(999);
    bar.check("NotACommand", 1);
    EXPECT_EQ(describe(*bar.handle()), before);
}

TEST_F(MenuTest, BreakMarkersWaitForTheNextItemAndASeparatorLosesThem) {
    WindowsMenu menu(true);
    menu.appendText("A", "A", 0);
    menu.appendColumnBreak();
    EXPECT_EQ(menu.breakPending(), 1);
    menu.appendText("B", "B", 0);
    EXPECT_EQ(menu.breakPending(), 0);
    menu.appendBarBreak();
    menu.appendSeparator();
    menu.appendText("C", "C", MenuItem::Checked);
    const std::string shown = describe(*menu.handle());
    EXPECT_EQ(shown, "[0] A " + std::to_string(RegisteredMessage::getId("A")) + "\n[64] B " +
                         std::to_string(RegisteredMessage::getId("B")) + "\n[2048]  0\n[8] C " +
                         std::to_string(RegisteredMessage::getId("C")) + "\n");
    EXPECT_EQ(menu.items().count(), 6);
    menu.rebuild();
    EXPECT_EQ(describe(*menu.handle()), shown);

    // A menu built back from the window manager's menu reads the break flag as a marker before its item.
    auto adopted = std::make_unique<SystemMenu>(true);
    adopted->append(SystemMenu::BarBreak, 150, nullptr, "X");
    WindowsMenu back(std::move(adopted), std::string("Pre"));
    ASSERT_EQ(back.items().count(), 2);
    MenuItem* first = nullptr;
    back.items().first(first);
    EXPECT_EQ((std::tuple{first->isMarker(), first->id(), RegisteredMessage::nameOf(150)}),
              (std::tuple{true, MenuItem::BarBreakMarker, std::string("PreX")}));
}

TEST_F(MenuTest, PullDownsTakeTheirPrefixAndCopiesAreDeep) {
    WindowsMenu bar(false);
    WindowsMenu file(true);
    file.appendTextNamed("&Open", 0);
    EXPECT_EQ(static_cast<TextItem*>(file.find("Open"))->command(), "Open");
    bar.appendPopup("&File", file); // a copy of the pull-down goes in
    Menu* copy = bar.findPopup("File");
    ASSERT_TRUE(copy && copy != &file);
    EXPECT_EQ((std::tuple{copy->name(), copy->find("FileOpen") != nullptr, file.find("FileOpen") == nullptr}),
              (std::tuple{std::string("File"), true, true}));
    copy->appendTextNamed("&Save", 0);
    EXPECT_EQ(describe(*bar.handle()),
              "[16] &File 0\n  [0] &Open " + std::to_string(RegisteredMessage::getId("FileOpen")) +
                  "\n  [0] &Save " + std::to_string(RegisteredMessage::getId("FileSave")) + "\n");

    std::unique_ptr<Menu> clone(bar.clone());
    clone->disable("FileSave");
    bar.remove("FileOpen");
    EXPECT_EQ(
        (std::tuple{clone->isDisabled("FileSave"), bar.isEnabled("FileSave"), bar.find("FileOpen") == nullptr,
                    clone->find("FileOpen") != nullptr, bar.handle()->entry(0).submenu->count()}),
        (std::tuple{true, true, true, true, 1u}));
}

TEST_F(MenuTest, ScriptedChoicesReachOnlyEnabledCommands) {
    WindowsMenu bar("ChildMenu", false);
    const SystemMenu& shown = *bar.handle();
    // A separator, "&Rally" that starts grayed, a pull-down, a place past the end and none are no command.
    EXPECT_EQ((std::vector{shown.commandAt({0, 4}), shown.commandAt({0, 3}), shown.commandAt({3, 0}),
                           shown.commandAt({0}), shown.commandAt({0, 9}), shown.commandAt({})}),
              (std::vector<std::uint16_t>{101, 0, 0, 0, 0, 0}));
    bar.enable(213, 1);
    EXPECT_EQ(shown.commandAt({3, 0}), 213);
}

TEST_F(MenuTest, TheMenuItemEventsReachTheDisplaysMenu) {
    TestDisplay display(Dim(10, 10), "view");
    display.attach(app);
    struct Sender : Component {
        void connectHandlers() override {}
    } other;
    other.attach(app);
    display.loadMenuNamed("ChildMenu");
    Menu& menu = *display.menu();
    const auto event = [&](std::int32_t e, std::int32_t id) {
        Container<BusMessage> payload{BusMessage(id)};
        other.sendNow(e, &payload);
    };
    const auto state = [&] {
        return std::string(menu.isGrayed(213) ? "grayed " : "") + (menu.isChecked(213) ? "checked " : "") +
               (menu.isDisabled(213) ? "disabled" : "") + (menu.isEnabled(213) ? "enabled" : "");
    };
    EXPECT_TRUE(menu.isGrayed(213));
    using Step = std::pair<std::int32_t, std::string>;
    for (const auto& [e, shown] :
         {Step{ENABLE_MENU_ITEM, "enabled"}, Step{CHECK_MENU_ITEM, "checked enabled"},
          Step{DISABLE_MENU_ITEM, "checked disabled"}, Step{UNCHECK_MENU_ITEM, "disabled"}}) {
        event(e, 213);
        EXPECT_EQ(state(), shown) << "event " << e;
    }
    EXPECT_TRUE(menu.isNotGrayed(213) && menu.isUnchecked(213));

    // A command word with a dispatch mode on top names the same command.
    Container<BusMessage> moded(BusMessage(213, BusMessage::Send));
    other.sendNow(ENABLE_MENU_ITEM, &moded);
    EXPECT_TRUE(menu.isEnabled(213));

    FailedChecks checks;
    Container<short> wrong(213);
    other.sendNow(DISABLE_MENU_ITEM, &wrong);
    EXPECT_EQ(checks.texts, std::vector<std::string>{"Bad data passed in bus message to function  Abort?"});
    EXPECT_TRUE(menu.isEnabled(213));

    display.setMenu(nullptr);
    event(DISABLE_MENU_ITEM, 213); // no menu: nothing happens
}

} // namespace
} // namespace vael::test
