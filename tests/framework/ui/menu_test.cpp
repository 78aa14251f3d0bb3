#include <gtest/gtest.h>

#include "framework/core/registered_message.h"
#include "framework/ui/menu_resource.h"
#include "framework/ui/menu_tracker.h"
#include "framework/ui/windows_menu.h"
#include "support/failed_checks.h"
#include "support/test_application.h"
#include "test_display.h"
#include "test_pictures.h"

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

// A label's access key, for menu titles and dialog controls alike.
TEST(MenuLabelTest, TheAccessKeyIsTheLetterAfterASingleAmpersandBeforeTheTab) {
    const struct {
        const char* label;
        char key;
    } rows[] = {
        {"&Game", 'G'}, {"Rotate C&ounter-clockwise", 'O'}, {"&&File", 0}, {"A&&B&c", 'C'},
        {"x\t&Y", 0},   {"Show\tCtrl+&T", 0},               {"end&", 0},    {"", 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        EXPECT_EQ(mnemonicOf(row.label), row.key);
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

// Each operation's effect on an item in the model and in the window manager's menu, before and after a
// rebuild.
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
        const std::uint16_t model = pullDown->find(id)->state();
        const std::uint32_t shown = bar.handle()->findCommand(static_cast<std::uint16_t>(id))->flags;
        pullDown->rebuild();
        bar.rebuild();
        EXPECT_EQ(
            (std::tuple{model, shown, bar.handle()->findCommand(static_cast<std::uint16_t>(id))->flags}),
            (std::tuple{row.model, row.shown, row.rebuilt}));
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

// A small archive of menu pictures: "Eagle" (3 x 2, pixels 10 to 15) in group "Icons", "Lion" (2 x 2, 20
// to 23) in group "Beasts".
void forgeMenuArt(TestPictures& pictures) {
    pictures["Menu Art"].groups = {
        TestGroup{"Icons",
                  {TestPicture{"Eagle", Dim(3, 2), Point(), PictureOpaque, {10, 11, 12, 13, 14, 15}}}},
        TestGroup{"Beasts", {TestPicture{"Lion", Dim(2, 2), Point(), PictureOpaque, {20, 21, 22, 23}}}},
    };
}

TEST_F(MenuTest, BitmapItemsStandBetweenTextItemsWithTheirPicturesPaddedRowsAndStates) {
    TestPictures pictures;
    forgeMenuArt(pictures);
    WindowsMenu menu(true);
    menu.appendText("&Cascade", "WindowCascade", 0);
    menu.appendBitmap("Menu Art", "Icons", "Eagle", "WindowEagle", 0);
    menu.appendBitmap("Menu Art", "Lion", "WindowLion", MenuItem::Grayed | MenuItem::Disabled);
    menu.appendBitmap("Menu Art", "Icons", "Lion", "WindowNoLion", 0); // not in that group
    menu.appendText("&Tile", "WindowTile", 0);
    const std::uint16_t eagle = RegisteredMessage::getId("WindowEagle");
    const std::uint16_t lion = RegisteredMessage::getId("WindowLion");
    ASSERT_EQ(menu.items().count(), 5);
    ASSERT_NE(dynamic_cast<BitmapItem*>(menu.find(eagle)), nullptr);
    EXPECT_EQ(dynamic_cast<BitmapItem*>(menu.find(lion))->image().width(), 2);
    const SystemMenu& shown = *menu.handle();
    ASSERT_EQ(shown.count(), 5u);
    EXPECT_EQ((std::vector{shown.entry(0).flags, shown.entry(1).flags, shown.entry(2).flags,
                           shown.entry(3).flags, shown.entry(4).flags}),
              (std::vector<std::uint32_t>{0, SystemMenu::Bitmap,
                                          SystemMenu::Bitmap | SystemMenu::Grayed | SystemMenu::Disabled,
                                          SystemMenu::Bitmap, 0}));
    EXPECT_EQ((std::vector{shown.entry(1).id, shown.entry(2).id}), (std::vector{eagle, lion}));
    EXPECT_EQ(shown.entry(1).text, "");
    // Rows padded to four bytes; a missing image gives an empty picture.
    ASSERT_TRUE(shown.entry(1).bitmap && shown.entry(2).bitmap && shown.entry(3).bitmap);
    const MenuBitmap& e = *shown.entry(1).bitmap;
    EXPECT_EQ((std::tuple{e.width, e.height, e.rowBytes}), std::tuple(3, 2, 4));
    EXPECT_EQ(e.pixels, (std::vector<std::uint8_t>{10, 11, 12, 0, 13, 14, 15, 0}));
    EXPECT_EQ(shown.entry(2).bitmap->pixels, (std::vector<std::uint8_t>{20, 21, 0, 0, 22, 23, 0, 0}));
    EXPECT_EQ((std::tuple{shown.entry(3).bitmap->width, shown.entry(3).bitmap->pixels.size()}),
              std::tuple(0, 0u));
    // Chosen as a text item is; the grayed one not until it is enabled, and the eagle not once disabled.
    EXPECT_EQ((std::vector{shown.commandAt({1}), shown.commandAt({2})}),
              (std::vector<std::uint16_t>{eagle, 0}));
    menu.enable(lion, 1);
    menu.disable(eagle);
    EXPECT_EQ((std::vector{shown.commandAt({1}), shown.commandAt({2})}),
              (std::vector<std::uint16_t>{0, lion}));
    EXPECT_EQ(shown.entry(1).flags, SystemMenu::Bitmap | SystemMenu::Grayed | SystemMenu::Disabled);
    EXPECT_TRUE(menu.isDisabled(eagle) && menu.isEnabled(lion));
    // A rebuild and a copy show the same pictures anew, from the model: the disabled eagle holds only the
    // disabled bit there, so it comes back disabled but not grayed.
    menu.rebuild();
    WindowsMenu copy(menu);
    for (const SystemMenu* m : {menu.handle(), copy.handle()}) {
        ASSERT_EQ(m->count(), 5u);
        EXPECT_EQ(m->entry(1).flags, SystemMenu::Bitmap | SystemMenu::Disabled);
        ASSERT_TRUE(m->entry(2).bitmap);
        EXPECT_EQ(m->entry(2).bitmap->pixels, (std::vector<std::uint8_t>{20, 21, 0, 0, 22, 23, 0, 0}));
    }
}

using platform::KeyDown, platform::KeyEscape, platform::KeyLeft, platform::KeyReturn, platform::KeyRight,
    platform::KeyUp;
using platform::ModAlt, platform::ModAltGr, platform::ModControl, platform::ModShift;

class MenuTrackerTest : public ::testing::Test {
protected:
    std::unique_ptr<SystemMenu> read(const char* text) { return MenuResource(text).take(); }
    // The frame's bar: "&File" (0, 0, 44, 20), "&Window" (44, 0, 58, 20), "&Help" (102, 0, 44, 20); the
    // file pull-down (0, 20, 140, 82) holds four items of 18 pixels and a separator of 8.
    std::unique_ptr<SystemMenu> bar =
        read("popup \"&File\"\n item 228 \"&Open Game...\"\n item 249 \"&Start "
             "Game...\"\n item 230 \"&Preferences...\"\n separator\n item 101 "
             "\"E&xit\"\nend\npopup \"&Window\"\n item 104 \"&Cascade\"\nend\npopup "
             "\"&Help\" grayed\n item 300 \"&About...\"\nend\n");
    MenuTracker tracker{*bar, Dim(640, 480)};
};

TEST_F(MenuTrackerTest, PlacesTitlesAndEntriesByTheLengthsOfTheirLabels) {
    EXPECT_EQ((std::vector{tracker.titleBox(0), tracker.titleBox(1), tracker.titleBox(2)}),
              (std::vector{Box(0, 0, 44, 20), Box(44, 0, 58, 20), Box(102, 0, 44, 20)}));
    tracker.buttonDown(Point(43, 19)); // the title's last pixel
    ASSERT_EQ(tracker.openTitle(), 0);
    // The widest label, "Preferences...", is 98.
    EXPECT_EQ(
        (std::vector{tracker.levelBox(0), tracker.entryBox(0, 0), tracker.entryBox(0, 3),
                     tracker.entryBox(0, 4)}),
        (std::vector{Box(0, 20, 140, 82), Box(1, 21, 138, 18), Box(1, 75, 138, 8), Box(1, 83, 138, 18)}));
}

TEST_F(MenuTrackerTest, ScriptedMouseInputChoosesOnlyCommandsThatMayBeChosen) {
    const struct {
        const char* what;
        char input; // d down, u up, m move
        Point at;
        std::uint16_t chosen;
        int open;
        std::vector<int> lit;
    } steps[] = {
        {"press on File", 'd', {10, 10}, 0, 0, {-1}},
        {"release on the title", 'u', {10, 10}, 0, 0, {-1}},
        {"slide to Window", 'm', {44, 10}, 0, 1, {-1}},
        {"back to File", 'm', {43, 10}, 0, 0, {-1}},
        {"slide to Help, grayed: chosen, nothing opens", 'm', {120, 10}, 0, 2, {}},
        {"press on File again", 'd', {10, 10}, 0, 0, {-1}},
        {"onto the separator", 'm', {5, 78}, 0, 0, {3}},
        {"release on it", 'u', {5, 78}, 0, 0, {3}},
        {"below the last entry, inside the frame", 'u', {5, 101}, 0, 0, {3}},
        {"onto Exit's last row", 'm', {5, 100}, 0, 0, {4}},
        {"release on Exit", 'u', {5, 100}, 101, -1, {}},
        {"press on File", 'd', {10, 10}, 0, 0, {-1}},
        {"press on it again", 'd', {10, 10}, 0, -1, {}},
        {"press on File", 'd', {10, 10}, 0, 0, {-1}},
        {"press outside", 'd', {300, 300}, 0, -1, {}},
        {"release outside", 'u', {300, 300}, 0, -1, {}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        const std::uint16_t chosen = s.input == 'd'   ? tracker.buttonDown(s.at)
                                     : s.input == 'u' ? tracker.buttonUp(s.at)
                                                      : tracker.mouseMove(s.at);
        EXPECT_EQ((std::tuple{chosen, tracker.openTitle(), tracker.highlighted()}),
                  (std::tuple{s.chosen, s.open, s.lit}));
    }
}

// A title opened by sliding the pointer onto it stays open when the player presses on it (he aimed for it
// while the other was open); a second press, or a press on a title he opened by a press, closes it.
TEST_F(MenuTrackerTest, APressOnTheTitleSlidOntoKeepsItsPullDownOpen) {
    const struct {
        const char* what;
        char input; // d down, u up, m move
        Point at;
        int open;
    } steps[] = {
        {"press on File", 'd', {10, 10}, 0},
        {"release on the title", 'u', {10, 10}, 0},
        {"slide to Window", 'm', {50, 10}, 1},
        {"press on Window", 'd', {50, 10}, 1},
        {"release on Window", 'u', {50, 10}, 1},
        {"press on Window again", 'd', {50, 10}, -1},
        {"press on File", 'd', {10, 10}, 0},
        {"press on Window without a slide", 'd', {50, 10}, 1},
        {"press on Window again", 'd', {50, 10}, -1},
        {"press on File", 'd', {10, 10}, 0},
        {"slide to Window", 'm', {50, 10}, 1},
        {"and back to File", 'm', {10, 10}, 0},
        {"press on File", 'd', {10, 10}, 0},
        {"press on File again", 'd', {10, 10}, -1},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        const std::uint16_t chosen = s.input == 'd'   ? tracker.buttonDown(s.at)
                                     : s.input == 'u' ? tracker.buttonUp(s.at)
                                                      : tracker.mouseMove(s.at);
        EXPECT_EQ((std::pair{chosen, tracker.openTitle()}), (std::pair{std::uint16_t(0), s.open}));
    }
}

TEST_F(MenuTrackerTest, KeysMoveOverEntriesAndTitlesSkippingSeparators) {
    tracker.buttonDown(Point(10, 10));
    const struct {
        std::int32_t key;
        std::uint16_t chosen;
        int open;
        std::vector<int> lit;
    } steps[] = {
        {KeyDown, 0, 0, {0}},  {KeyUp, 0, 0, {4}},     {KeyUp, 0, 0, {2}},       {KeyDown, 0, 0, {4}},
        {KeyDown, 0, 0, {0}},  {KeyRight, 0, 1, {-1}}, {KeyLeft, 0, 0, {-1}},    {KeyLeft, 0, 2, {}},
        {KeyLeft, 0, 1, {-1}}, {KeyDown, 0, 1, {0}},   {KeyReturn, 104, -1, {}}, {KeyDown, 0, -1, {}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.key);
        EXPECT_EQ((std::tuple{tracker.keyDown(s.key), tracker.openTitle(), tracker.highlighted()}),
                  (std::tuple{s.chosen, s.open, s.lit}));
    }
    tracker.buttonDown(Point(10, 10));
    // Nothing highlighted: enter chooses nothing.
    EXPECT_EQ((std::tuple{tracker.keyDown(KeyReturn), tracker.keyDown(KeyEscape), tracker.isOpen()}),
              (std::tuple{std::uint16_t(0), std::uint16_t(0), false}));
}

// An open menu chooses by the letters its labels underline, as the platform gives the keys (upper case):
// a letter of one entry chooses it (a pull-down opens with its first entry lit), a letter two entries share
// moves the highlight between them and chooses nothing, a grayed entry's letter only lights it.
TEST(MenuTrackerLetters, AnOpenMenuChoosesTheEntryOfTheLetter) {
    const auto bar =
        MenuResource("popup \"&File\"\n item 228 \"&Open Game...\"\n item 249 \"&Start Game...\"\n"
                     " item 231 \"&Save Game...\"\n item 230 \"&Preferences...\" grayed\n separator\n"
                     " popup \"&Zoom\"\n  item 216 \"Zoom &Out\"\n  item 217 \"&Normal\"\n end\n"
                     " item 101 \"E&xit\"\nend\npopup \"&View\"\n item 223 \"&Reverse View\"\nend\n"
                     "popup \"&Help\" grayed\n item 300 \"&About...\"\nend\n")
            .take();
    MenuTracker tracker(*bar, Dim(640, 480));
    using Lit = std::vector<int>;
    const struct {
        const char* what;
        char input; // d a press on the File title, k a key, h a press on the grayed Help title
        std::int32_t key;
        std::uint16_t chosen;
        int open;
        Lit lit;
    } steps[] = {
        {"File opened", 'd', 0, 0, 0, {-1}},
        {"a letter no entry has", 'k', 'Q', 0, 0, {-1}},
        {"S, of Start and Save", 'k', 'S', 0, 0, {1}},
        {"S again: on to Save", 'k', 'S', 0, 0, {2}},
        {"S once more: back to Start", 'k', 'S', 0, 0, {1}},
        {"Return chooses the one lit", 'k', KeyReturn, 249, -1, {}},
        {"File opened", 'd', 0, 0, 0, {-1}},
        {"P of the grayed Preferences", 'k', 'P', 0, 0, {3}},
        {"Z opens Zoom, its first entry lit", 'k', 'Z', 0, 0, {5, 0}},
        {"N of Normal inside it", 'k', 'N', 217, -1, {}},
        {"File opened", 'd', 0, 0, 0, {-1}},
        {"x, as a lower-case key", 'k', 'x', 101, -1, {}},
        {"File opened", 'd', 0, 0, 0, {-1}},
        {"on to View", 'k', KeyRight, 0, 1, {-1}},
        {"R of Reverse View", 'k', 'R', 223, -1, {}},
        {"a letter with every menu closed", 'k', 'O', 0, -1, {}},
        {"the grayed Help chosen: no pull-down", 'h', 0, 0, 2, {}},
        {"V opens View's title", 'k', 'V', 0, 1, {-1}},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.what);
        const std::uint16_t chosen = s.input == 'd'   ? tracker.buttonDown(Point(10, 10))
                                     : s.input == 'h' ? tracker.buttonDown(Point(110, 10))
                                                      : tracker.keyDown(s.key);
        EXPECT_EQ((std::tuple{chosen, tracker.openTitle(), tracker.highlighted()}),
                  (std::tuple{s.chosen, s.open, s.lit}));
    }
}

// A letter held with a modifier is no bare letter: in an open pull-down Alt and a title's letter goes over
// to that title (whose pull-down opens with nothing lit), Alt and a letter no title bears, Ctrl and a
// letter, Ctrl+Alt and AltGr choose nothing and leave the pull-down as it was; Shift and a letter is the
// letter. Before, every chord chose the entry of its letter (Alt+F chose Finish Leader, Ctrl+X Exit).
TEST(MenuTrackerLetters, AChordInAnOpenMenuChoosesNothingAndAltGoesOverToItsTitle) {
    const auto bar =
        MenuResource("popup \"&File\"\n item 228 \"&Open Game...\"\n item 230 \"&Preferences...\"\n"
                     " item 101 \"E&xit\"\nend\npopup \"&Game\"\n item 229 \"&Game Overview...\"\nend\n"
                     "popup \"&Leader\"\n item 209 \"&Center On Leader\"\n item 212 \"&Group Move\"\n"
                     " item 224 \"&Finish Leader\"\nend\n")
            .take();
    using Lit = std::vector<int>;
    const struct {
        const char* what;
        int title; // opened by a press before the key
        std::int32_t key;
        std::uint16_t modifiers;
        std::uint16_t chosen;
        int open;
        Lit lit;
    } rows[] = {
        {"Leader open, Alt+F: over to File", 2, 'F', ModAlt, 0, 0, {-1}},
        {"Leader open, Alt+G: over to Game", 2, 'G', ModAlt, 0, 1, {-1}},
        {"Leader open, Alt+Shift+G: over to Game", 2, 'G', ModAlt | ModShift, 0, 1, {-1}},
        {"Leader open, Alt+C, no title's letter: nothing", 2, 'C', ModAlt, 0, 2, {-1}},
        {"File open, Ctrl+X", 0, 'X', ModControl, 0, 0, {-1}},
        {"File open, Ctrl+P", 0, 'P', ModControl, 0, 0, {-1}},
        {"File open, Ctrl+Alt+G, a layout's third letter", 0, 'G', ModControl | ModAlt, 0, 0, {-1}},
        {"File open, AltGr+G", 0, 'G', ModAltGr, 0, 0, {-1}},
        {"Leader open, Shift+F is F", 2, 'F', ModShift, 224, -1, {}},
        {"Leader open, a bare F", 2, 'F', 0, 224, -1, {}},
        {"File open, a bare X", 0, 'X', 0, 101, -1, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        MenuTracker tracker(*bar, Dim(640, 480));
        const Box title = tracker.titleBox(static_cast<std::size_t>(r.title));
        tracker.buttonDown(Point(static_cast<std::int16_t>(title.x + 4), 10));
        ASSERT_EQ(tracker.openTitle(), r.title);
        EXPECT_EQ((std::tuple{tracker.keyDown(r.key, r.modifiers), tracker.openTitle(), tracker.highlighted()}),
                  (std::tuple{r.chosen, r.open, r.lit}));
    }
    // The map's pop-up has no titles to go over to: Alt and a letter of its own chooses nothing.
    const auto popup = MenuResource("item 209 \"&Center On Leader\"\nitem 224 \"&Finish Leader\"\n").take();
    MenuTracker menu(*popup, Point(100, 100), Dim(640, 480));
    EXPECT_EQ((std::tuple{menu.keyDown('F', ModAlt), menu.isOpen(), menu.highlighted()}),
              (std::tuple{std::uint16_t(0), true, Lit{-1}}));
}

// The map's pop-up, open at a point, chooses by letter as the bar's pull-downs do.
TEST(MenuTrackerLetters, APopUpChoosesTheEntryOfTheLetter) {
    const auto popup =
        MenuResource(
            "item 209 \"&Center On Leader\"\nitem 212 \"&Group Move\" grayed\nitem 224 \"&Finish Leader\"\n")
            .take();
    MenuTracker menu(*popup, Point(100, 100), Dim(640, 480));
    EXPECT_EQ((std::pair{menu.keyDown('G'), menu.highlighted()}),
              (std::pair{std::uint16_t(0), std::vector<int>{1}}));
    EXPECT_EQ((std::pair{menu.keyDown('F'), menu.isOpen()}), (std::pair{std::uint16_t(224), false}));
}

TEST_F(MenuTrackerTest, APopUpStaysInsideTheWindowAndOpensItsPullDownsBesideTheirItems) {
    const auto popup =
        read("popup \"&Zoom\"\n item 216 \"Zoom &Out\"\n item 217 \"&Normal\" checked\nend\n"
             "item 223 \"&Reverse View\\tCtrl+R\"\nitem 251 \"&Show\" grayed\nitem 230 \"Col2\" break\n");
    MenuTracker menu(*popup, Point(600, 470), Dim(640, 480));
    ASSERT_TRUE(menu.isOpen());
    // Columns of 182 ("Reverse View" and its accelerator) and 68; three rows of 18 in the first.
    EXPECT_EQ((std::tuple{menu.openTitle(), menu.levelBox(0), menu.entryBox(0, 2), menu.entryBox(0, 3)}),
              (std::tuple{-1, Box(388, 424, 252, 56), Box(389, 461, 182, 18), Box(571, 425, 68, 18)}));
    EXPECT_EQ(menu.buttonUp(Point(400, 465)), 0); // grayed
    using Lit = std::vector<int>;
    EXPECT_EQ((std::pair{menu.mouseMove(Point(390, 430)), menu.highlighted()}),
              (std::pair{std::uint16_t(0), Lit{0, -1}}));
    // Pushed left to fit, over the second column; a move within the same item leaves the pull-down.
    EXPECT_EQ(menu.levelBox(1), Box(542, 425, 98, 38));
    EXPECT_EQ((std::pair{menu.mouseMove(Point(390, 431)), menu.highlighted()}),
              (std::pair{std::uint16_t(0), Lit{0, -1}}));
    EXPECT_EQ((std::pair{menu.keyDown(KeyDown), menu.highlighted()}),
              (std::pair{std::uint16_t(0), Lit{0, 0}}));
    EXPECT_EQ((std::pair{menu.keyDown(KeyLeft), menu.highlighted()}), (std::pair{std::uint16_t(0), Lit{0}}));
    EXPECT_EQ(menu.keyDown(KeyRight), 0);
    EXPECT_EQ((std::pair{menu.buttonUp(Point(550, 450)), menu.isOpen()}),
              (std::pair{std::uint16_t(217), false}));
    EXPECT_EQ((std::pair{menu.mouseMove(Point(390, 430)), menu.isOpen()}),
              (std::pair{std::uint16_t(0), false}));
}

TEST(MenuTrackerText, ShowsLabelsWithoutTheirMarks) {
    const struct {
        const char* label;
        const char* shown;
        const char* accelerator;
    } rows[] = {{"&Open", "Open", ""},
                {"Save &As...\tCtrl+A", "Save As...", "Ctrl+A"},
                {"Fish && Chips", "Fish & Chips", ""},
                {"End&", "End", ""},
                {"\tF1", "", "F1"},
                {"", "", ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        std::string accelerator = "x";
        EXPECT_EQ((std::pair{MenuTracker::shownText(row.label, &accelerator), accelerator}),
                  (std::pair{std::string(row.shown), std::string(row.accelerator)}));
    }
}

struct DrawnText {
    Point at;
    std::string text;
    std::uint8_t colour;
    bool operator==(const DrawnText&) const = default;
};
std::vector<DrawnText> drawn;
void recordText(Display&, const Point& at, const std::string& text, std::uint8_t colour) {
    drawn.push_back({at, text, colour});
}
// Menu grey 1, highlight 2, grey text 3, white 4, black 0.
std::uint8_t fiveColours(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    if (r == 192) return 1;
    if (r == 0 && g == 0 && b == 128) return 2;
    if (r == 128) return 3;
    return r == 255 ? 4 : 0;
}

TEST_F(MenuTrackerTest, DrawsTheBarAndTheOpenPullDownIntoTheWindowsPicture) {
    const auto previousText = MenuTracker::setTextDrawer(recordText);
    const auto previousColours = Display::setColourMatcher(fiveColours);
    drawn.clear();
    TestDisplay window(Dim(200, 120), "frame");
    tracker.buttonDown(Point(10, 10));
    tracker.mouseMove(Point(5, 90));
    tracker.draw(window);
    // The bar, the open title, the pull-down's frame left and right, an entry, the highlighted one, the
    // separator's line and the row above it, and a point outside every menu, untouched.
    std::string samples;
    for (const auto& [x, y] :
         {std::pair{60, 5}, {10, 10}, {0, 20}, {139, 60}, {5, 30}, {5, 90}, {5, 79}, {5, 78}, {150, 60}})
        samples += static_cast<char>('0' + window.bits()[y * window.stride() + x]);
    EXPECT_EQ(samples, "120012310");
    ASSERT_EQ(drawn.size(), 7u);
    EXPECT_EQ((std::vector{drawn[0], drawn[1], drawn[2], drawn[3], drawn[6]}),
              (std::vector<DrawnText>{{Point(8, 3), "File", 4},
                                      {Point(52, 3), "Window", 0},
                                      {Point(110, 3), "Help", 3},
                                      {Point(21, 23), "Open Game...", 0},
                                      {Point(21, 85), "Exit", 4}}));
    MenuTracker::setTextDrawer(previousText);
    Display::setColourMatcher(previousColours);
}

// Each label's letter after its '&' is underlined one pixel high, as wide as the letter, on the row below
// the system font's baseline (12 below the text's top), in the label's own colour: white on the open
// title, black on a title or entry that may be chosen, grey on a grayed one. Every character is 7 wide here.
TEST_F(MenuTrackerTest, DrawsEachLabelsAccessLetterUnderlined) {
    const auto previousText = MenuTracker::setTextDrawer(recordText);
    const auto previousColours = Display::setColourMatcher(fiveColours);
    TestDisplay window(Dim(200, 120), "frame");
    tracker.buttonDown(Point(10, 10));
    tracker.draw(window);
    const auto at = [&](int x, int y) { return static_cast<int>(window.bits()[y * window.stride() + x]); };
    const struct {
        const char* what;
        int x, y, colour;
    } samples[] = {
        {"F of the open File, its first pixel", 8, 15, 4},
        {"and its last", 14, 15, 4},
        {"past it", 15, 15, 2},
        {"before it", 7, 15, 2},
        {"above it", 8, 14, 2},
        {"below it", 8, 16, 2},
        {"W of Window", 52, 15, 0},
        {"past W", 59, 15, 1},
        {"H of the grayed Help", 110, 15, 3},
        {"O of Open Game...", 21, 35, 0},
        {"past O", 28, 35, 1},
        {"the x of Exit, after its E", 28, 97, 0},
        {"its last pixel", 34, 97, 0},
        {"the E, not underlined", 27, 97, 1},
        {"past the x", 35, 97, 1},
    };
    for (const auto& s : samples) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(at(s.x, s.y), s.colour);
    }
    // "&&" shows one '&' and marks nothing: the C of "A&&B &Cart" is the fifth character shown, at 8 + 4 * 7.
    const auto marked = MenuResource("popup \"A&&B &Cart\"\n item 1 \"x\"\nend\n").take();
    TestDisplay other(Dim(200, 40), "frame");
    MenuTracker(*marked, Dim(200, 40)).draw(other);
    const auto in = [&](int x) { return static_cast<int>(other.bits()[15 * other.stride() + x]); };
    EXPECT_EQ((std::vector{in(35), in(36), in(42), in(43), in(9)}), (std::vector{1, 0, 0, 1, 1}));
    MenuTracker::setTextDrawer(previousText);
    Display::setColourMatcher(previousColours);
}

TEST_F(MenuTrackerTest, ABitmapItemIsDrawnAsItsPictureGrayedInACheckerAndChosenAsATextItemIs) {
    RegisteredMessage::clearRegistry();
    TestPictures pictures;
    forgeMenuArt(pictures);
    WindowsMenu menuBar(false);
    auto* beasts = new WindowsMenu(true);
    beasts->appendText("&Cascade", "BeastsCascade", 0);
    beasts->appendBitmap("Menu Art", "Icons", "Eagle", "BeastsEagle", 0);
    beasts->appendBitmap("Menu Art", "Lion", "BeastsLion", MenuItem::Grayed | MenuItem::Disabled);
    beasts->appendText("&Tile", "BeastsTile", 0);
    menuBar.appendPopupMenu("&Beasts", beasts);
    menuBar.appendBitmap("Menu Art", "Eagle", "BarEagle", 0);
    const auto previousText = MenuTracker::setTextDrawer(recordText);
    const auto previousColours = Display::setColourMatcher(fiveColours);
    drawn.clear();
    MenuTracker shown(*menuBar.handle(), Dim(200, 120));
    // "Beasts" is 6 x 7 + 16 wide; the eagle in the bar 3 + 16, its picture centred in the 20 high bar.
    EXPECT_EQ(shown.titleBox(1), Box(58, 0, 19, 20));
    shown.buttonDown(Point(10, 10));
    // Entries at y 21, 39, 57 and 75, 18 high; the pictures 20 right of the entry's left (x 21), centred.
    EXPECT_EQ((std::vector{shown.entryBox(0, 1), shown.entryBox(0, 2)}),
              (std::vector{Box(1, 39, 89, 18), Box(1, 57, 89, 18)}));
    TestDisplay window(Dim(200, 120), "frame");
    shown.draw(window);
    const auto at = [&](int x, int y) { return static_cast<int>(window.bits()[y * window.stride() + x]); };
    // The eagle whole at (21, 47), the padding never drawn (menu grey 1 at x 24).
    EXPECT_EQ((std::vector{at(20, 47), at(21, 47), at(22, 47), at(23, 47), at(24, 47), at(21, 48), at(23, 48),
                           at(21, 46), at(21, 49)}),
              (std::vector{1, 10, 11, 12, 1, 13, 15, 1, 1}));
    // The grayed lion at (21, 65): grey (3) on the checker's black squares.
    EXPECT_EQ((std::vector{at(21, 65), at(22, 65), at(21, 66), at(22, 66), at(23, 65)}),
              (std::vector{3, 21, 22, 3, 1}));
    // The bar's eagle at (66, 9).
    EXPECT_EQ((std::vector{at(65, 9), at(66, 9), at(68, 9), at(66, 10), at(69, 9)}),
              (std::vector{1, 10, 12, 13, 1}));
    // No label is drawn for a picture.
    for (const DrawnText& d : drawn)
        EXPECT_FALSE(d.text.empty());
    EXPECT_EQ(drawn.size(), 3u); // "Beasts", "Cascade", "Tile"
    // A click on the eagle chooses it; one on the grayed lion chooses nothing and leaves the pull-down open.
    EXPECT_EQ(shown.buttonUp(Point(30, 60)), 0);
    EXPECT_TRUE(shown.isOpen());
    EXPECT_EQ(shown.buttonUp(Point(30, 45)), RegisteredMessage::getId("BeastsEagle"));
    EXPECT_FALSE(shown.isOpen());
    EXPECT_EQ(shown.buttonDown(Point(66, 9)), RegisteredMessage::getId("BarEagle"));
    MenuTracker::setTextDrawer(previousText);
    Display::setColourMatcher(previousColours);
    drawn.clear();
    RegisteredMessage::clearRegistry();
}

} // namespace
} // namespace vael::test
